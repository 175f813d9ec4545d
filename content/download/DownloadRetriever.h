// The download service: announces finished downloads in the panel, one
// notice a minute at most, each finished job in turn, for as long as the job
// stays in the list. Its notices carry the file's path as their link, which
// only this service's own notices may open as a file.
#pragma once

#include "content/AbstractRetriever.h"

#include <cstdint>

namespace Content
{
namespace Download
{
class CDownloadJobList;

class CDownloadRetriever : public CAbstractRetriever
{
public:
    static const uint64_t NoticePause = 60000; // milliseconds
    static const unsigned Icon = 8;

    // Announces the jobs of the process's list.
    CDownloadRetriever();
    explicit CDownloadRetriever(CDownloadJobList& jobs);

    int Initialize(const CString& key) override;
    // No thread: notices are made when they are asked for.
    int Start(int reserved) override;
    unsigned GetHeadlines(CHeadline* out, unsigned max) override;
    int HasHeadlines(int* count) override;
    int Stop() override;
    int Dismiss(int id) override;

private:
    CDownloadJobList& m_jobs;
    uint64_t m_lastNoticeTime;
    // Index of the job where the next search for a finished one starts.
    unsigned m_cursor = 0;
};
} // namespace Download
} // namespace Content
