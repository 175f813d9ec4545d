// Checks the update manifest ("version.xml" under the update service URL)
// every polling interval and queues a notice while it names a version newer
// than ours.
#pragma once

#include "AbstractRetriever.h"

#include <deque>

class TiXmlDocument;

namespace Content
{
class CUpdateRetriever : public CAbstractRetriever
{
public:
    static const char* const CurrentVersion; // "1.7"

    CUpdateRetriever() = default;
    ~CUpdateRetriever() override;

    int Initialize(const CString& key) override;
    unsigned GetHeadlines(CHeadline* out, unsigned max) override;
    int HasHeadlines(int* count) override;
    int Dismiss(int id) override;

    // A replacement update URL is taken only when it is an http or https
    // URL without control characters, so a manifest cannot redirect the
    // checks to another scheme or inject bytes into a request.
    static bool IsAcceptableServiceUrl(const CString& url);

private:
    static void UpdateWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    // Reads one manifest: queues a notice for a newer version and takes a
    // new service URL.
    void ReadManifest(const TiXmlDocument& manifest);

    CString m_key;
    std::deque<CHeadline> m_queue;
};
} // namespace Content
