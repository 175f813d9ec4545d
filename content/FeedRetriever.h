// Polls one news channel. The first worker finds out which feed format the
// channel speaks (buffering an error notice for every failed attempt); from
// then on the format's worker fetches the channel every polling interval and
// buffers each headline the user has not seen yet. A server that fails is
// asked less often (see PollSchedule.h), a gone feed not at all.
#pragma once

#include "AbstractRetriever.h"
#include "FeedFormats.h"
#include "HttpFetch.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <unordered_set>
#include <vector>

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
    // A channel the user switches off and on again is asked at once, even
    // while the previous run's back-off is pending.
    int Stop() override;

    const CString& GetKey() const { return m_key; }

private:
    static void DetectionWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    static void RssWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    static void Rss10Worker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    static void AtomWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket);
    static ThreadProc WorkerFor(FeedFormat format);
    // Walks the document the detection read (with its answer), when given,
    // instead of the first poll's fetch.
    void PollLoop(FeedFormat format, CWorkerTicket& ticket, std::unique_ptr<TiXmlDocument> document,
                  const CFeedFetch& handed);
    // Records how a poll went in the channel record and says how many
    // seconds to wait before the next one; negative when the feed is gone
    // and is not asked again. Inside the ticket.
    int64_t AfterPoll(bool usable, const CFeedFetch& feed);

    // CFeedSink, called by the walk on the worker thread.
    void OnChannelTitle(const CString& title) override;
    void BufferIfNew(const CHeadline& headline) override;
    void Buffer(const CHeadline& headline);
    // Walks a fetched document into the buffer, then forgets the ids the
    // feed no longer carries beyond the newest few.
    void Walk(FeedFormat format, const TiXmlDocument& document);
    // Buffers what the walk found, or, when a known feed came back nearly
    // all new, marks the new ones seen and buffers one notice instead.
    void BufferFound(bool known);
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
    // What the walk would buffer, in document order, and whether each is
    // seen for the first time; the worker's alone.
    struct CFound
    {
        CHeadline headline;
        bool fresh;
    };
    std::vector<CFound> m_found;
    // When the first poll of this run may come: a previous run's pending
    // back-off, until a stop.
    std::atomic<int64_t> m_resumeAt{0};
};
} // namespace Content
