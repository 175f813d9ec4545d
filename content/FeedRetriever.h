// Polls one news channel. The first worker finds out which feed format the
// channel speaks (buffering an error notice for every failed attempt); from
// then on the format's worker fetches the channel every polling interval and
// buffers each headline the user has not seen yet.
#pragma once

#include "AbstractRetriever.h"
#include "FeedFormats.h"
#include "HttpFetch.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_set>

namespace Content
{
class CFeedRetriever : public CAbstractRetriever, private CFeedSink
{
public:
    CFeedRetriever() = default;
    ~CFeedRetriever() override;

    // Loads the channel record and the shown history of the key (its URL).
    int Initialize(const CString& key) override;
    unsigned GetHeadlines(CHeadline* out, unsigned max) override;
    int HasHeadlines(int* count) override;
    int Dismiss(int id) override;

    const CString& GetKey() const { return m_key; }

private:
    static void DetectionWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    static void RssWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    static void Rss10Worker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    static void AtomWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    static ThreadProc WorkerFor(FeedFormat format);
    // Walks the document the detection read, when given, instead of the
    // first poll's fetch.
    void PollLoop(FeedFormat format, CWorkerTicket& ticket, std::unique_ptr<TiXmlDocument> document);

    // CFeedSink, called by the walk on the worker thread.
    void OnChannelTitle(const CString& title) override;
    void BufferIfNew(const CHeadline& headline) override;
    void Buffer(const CHeadline& headline);
    // Walks a fetched document into the buffer, then forgets the ids the
    // feed no longer carries beyond the newest few.
    void Walk(FeedFormat format, const TiXmlDocument& document);
    // Keeps the validators of a successful answer for the next poll,
    // and where a permanent redirect sent it.
    void Remember(const CFeedFetch& feed);
    // Where to poll: the key, or where the feed has moved for good. The
    // credentials still belong to the key's origin.
    CString CurrentUrl() const;

    CString m_key;
    std::deque<CHeadline> m_buffer;
    // The channel title stamped on headlines; the worker's alone.
    CString m_channelTitle;
    // The ids of the document being walked; the worker's alone.
    std::unordered_set<int32_t> m_walkedIds;
};
} // namespace Content
