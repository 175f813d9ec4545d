#include "FeedRetriever.h"

#include "FloodGuard.h"
#include "HttpFetch.h"
#include "IdHistory.h"
#include "PollSchedule.h"
#include "core/ChannelRecord.h"

#include <ctime>

namespace Content
{
namespace
{
// What a worker needs for one fetch, copied inside its ticket.
struct FetchRequest
{
    CString url;
    CString username;
    CString password;
    CFeedFetch feed;
};
} // namespace

void CFeedRetriever::Remember(const CFeedFetch& feed)
{
    if (feed.status >= 200 && feed.status < 300)
    {
        m_channel->SetEtag(feed.etag);
        m_channel->SetLastModified(feed.lastModified);
    }
    if (!feed.movedTo.IsEmpty())
    {
        m_channel->SetCurrentUrl(feed.movedTo);
    }
}

CString CFeedRetriever::CurrentUrl() const
{
    const CString moved = m_channel->GetCurrentUrl();
    return moved.IsEmpty() ? m_key : moved;
}

CFeedRetriever::~CFeedRetriever()
{
    // The worker touches the buffer: it must be gone before the buffer is.
    CAbstractRetriever::Stop();
}

int CFeedRetriever::Initialize(const CString& key)
{
    if (m_channel != nullptr)
    {
        return 0;
    }
    m_key = key;
    m_channel = new CChannelRecord(key, true);
    m_shownHistory = new CIdHistory(true, key);
    m_sessionHistory = new CIdHistory(false, key);
    m_threadProc = &CFeedRetriever::DetectionWorker;
    const CChannelRecord::CPollFailure failure = m_channel->GetPollFailure();
    m_resumeAt = failure.count != 0 ? failure.nextCheck : 0;
    return 0;
}

int CFeedRetriever::Stop()
{
    m_resumeAt = 0;
    return CAbstractRetriever::Stop();
}

int64_t CFeedRetriever::AfterPoll(bool usable, const CFeedFetch& feed)
{
    const int64_t interval = static_cast<int64_t>(m_channel->GetPollingInterval()) * 60;
    if (usable)
    {
        m_channel->SetPollFailure({});
        return interval;
    }
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    CChannelRecord::CPollFailure failure = m_channel->GetPollFailure();
    failure.count += failure.count < MAXDWORD ? 1 : 0;
    failure.status = feed.status;
    const CPollPlan plan = PlanAfterFailure(feed.status, feed.retryAfter, now, interval, failure.count);
    failure.nextCheck = plan.stop ? 0 : now + plan.delay;
    m_channel->SetPollFailure(failure);
    m_state = Error;
    if (plan.stop)
    {
        // Switched off as the user would, so that later runs leave it be
        // too; switching it on again asks once more.
        m_channel->SetEnabled(false);
        return -1;
    }
    return plan.delay;
}

unsigned CFeedRetriever::GetHeadlines(CHeadline* out, unsigned max)
{
    Common::CLockGuard guard(*this);
    unsigned moved = 0;
    while (moved < max && !m_buffer.empty())
    {
        out[moved] = m_buffer.front();
        if (!m_channel->GetRepeatHeadlines())
        {
            m_shownHistory->Add(out[moved].GetId());
        }
        --m_bufferedHeadlines;
        ++m_displayedHeadlines;
        m_buffer.pop_front();
        ++moved;
    }
    return moved;
}

int CFeedRetriever::HasHeadlines(int* count)
{
    if (m_state == Stopped)
    {
        return 0;
    }
    Common::CLockGuard guard(*this);
    const int waiting = static_cast<int>(m_buffer.size());
    if (count != nullptr)
    {
        *count = waiting;
    }
    return waiting != 0;
}

int CFeedRetriever::Dismiss(int id)
{
    Common::CLockGuard guard(*this);
    for (auto it = m_buffer.begin(); it != m_buffer.end();)
    {
        if (it->GetId() == id)
        {
            it = m_buffer.erase(it);
            --m_bufferedHeadlines;
        }
        else
        {
            ++it;
        }
    }
    m_shownHistory->Add(id);
    return 1;
}

void CFeedRetriever::Buffer(const CHeadline& headline)
{
    Common::CLockGuard guard(*this);
    m_buffer.push_back(headline);
    ++m_bufferedHeadlines;
}

void CFeedRetriever::Walk(FeedFormat format, const TiXmlDocument& document)
{
    m_walkedIds.clear();
    m_found.clear();
    // A channel with no history at all (new, or after "Repeat all") shows
    // everything its feed has.
    const bool known = !m_shownHistory->IsEmpty() || !m_sessionHistory->IsEmpty();
    ParseDocument(format, document, m_channelTitle, this, *this, GetSerial());
    BufferFound(known);
    m_shownHistory->Retain(m_walkedIds);
    m_sessionHistory->Retain(m_walkedIds);
}

void CFeedRetriever::BufferIfNew(const CHeadline& headline)
{
    const int32_t id = headline.GetId();
    m_walkedIds.insert(id);
    if (m_shownHistory->Contains(id))
    {
        return;
    }
    if (!m_sessionHistory->Contains(id))
    {
        m_sessionHistory->Add(id);
        m_found.push_back({headline, true});
    }
    else if (m_channel->GetRepeatHeadlines())
    {
        m_found.push_back({headline, false});
    }
}

void CFeedRetriever::BufferFound(bool known)
{
    size_t fresh = 0;
    for (const CFound& found : m_found)
    {
        fresh += found.fresh ? 1 : 0;
    }
    const bool flood = IsFlood(known, fresh, m_walkedIds.size());
    for (const CFound& found : m_found)
    {
        if (flood && found.fresh)
        {
            m_shownHistory->Add(found.headline.GetId());
        }
        else
        {
            Buffer(found.headline);
        }
    }
    m_found.clear();
    if (flood)
    {
        // Shown like a headline of the channel, with nothing to open; it
        // bypasses the histories, as the detection's notice does.
        const CString title = GetTitle();
        const CString name = title.IsEmpty() ? m_key : title;
        CHeadline notice;
        notice.SetChannelTitle(name);
        notice.SetTitle(FloodNoticeTitle(name.GetString(), fresh).c_str());
        Adopt(notice);
        notice.Seal();
        Buffer(notice);
    }
}

void CFeedRetriever::OnChannelTitle(const CString& title)
{
    SetTitle(title);
}

CAbstractRetriever::ThreadProc CFeedRetriever::WorkerFor(FeedFormat format)
{
    switch (format)
    {
    case FeedFormat::Rss10:
        return &CFeedRetriever::Rss10Worker;
    case FeedFormat::Rss:
        return &CFeedRetriever::RssWorker;
    case FeedFormat::Atom:
        return &CFeedRetriever::AtomWorker;
    default:
        return nullptr;
    }
}

void CFeedRetriever::DetectionWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket)
{
    CFeedRetriever& self = static_cast<CFeedRetriever&>(retriever);
    int64_t wait = 0;
    {
        CTicketGuard inside(ticket);
        if (!inside.Entered())
        {
            return;
        }
        // A server that asked the last run to wait is not asked sooner
        // because the program restarted. The stored failure is shown
        // meanwhile, and a stop ends the wait at once.
        wait = DelayUntil(self.m_resumeAt.exchange(0), static_cast<int64_t>(std::time(nullptr)));
        if (wait > 0)
        {
            self.m_state = Error;
        }
    }
    if (wait > 0 && WaitSeconds(ticket, wait) == WaitResult::Finish)
    {
        return;
    }

    CHeadline notice;
    for (;;)
    {
        FetchRequest request;
        {
            CTicketGuard inside(ticket);
            if (!inside.Entered())
            {
                return;
            }
            if (!notice.IsSealed())
            {
                notice.SetChannelTitle("Application error");
                notice.SetTitle("Channel not reachable");
                notice.SetDescription(self.m_key);
                self.Adopt(notice);
                notice.Seal();
            }
            // No validators: a 304 would leave nothing to tell the format by.
            request = {self.CurrentUrl(), self.m_channel->GetUsername(), self.m_channel->GetPassword(), {}};
            request.feed.credentialsUrl = self.m_key;
            ticket.MarkFetching();
        }

        std::unique_ptr<TiXmlDocument> document =
            FetchFeed(request.username, request.password, request.url, request.feed);

        FeedFormat format = FeedFormat::Unknown;
        {
            CTicketGuard inside(ticket);
            if (!inside.Entered())
            {
                return;
            }
            // A feed in an error page is still an error.
            if (document != nullptr && request.feed.status < 400)
            {
                format = DetectFormat(*document);
            }
            if (WorkerFor(format) != nullptr)
            {
                // The format worker takes over this thread, as a fresh start
                // would.
                self.m_threadProc = WorkerFor(format);
                self.Remember(request.feed);
            }
            else
            {
                // Every failed attempt adds a notice; it bypasses the
                // histories on purpose.
                self.Buffer(notice);
                wait = self.AfterPoll(false, request.feed);
            }
        }

        if (WorkerFor(format) != nullptr)
        {
            // The document just read is the first poll's: fetching it again
            // would double every channel's requests at start.
            self.PollLoop(format, ticket, std::move(document), request.feed);
            return;
        }
        document.reset();
        if (WaitSeconds(ticket, wait) == WaitResult::Finish)
        {
            return;
        }
    }
}

void CFeedRetriever::RssWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket)
{
    static_cast<CFeedRetriever&>(retriever).PollLoop(FeedFormat::Rss, ticket, nullptr, {});
}

void CFeedRetriever::Rss10Worker(CAbstractRetriever& retriever, CWorkerTicket& ticket)
{
    static_cast<CFeedRetriever&>(retriever).PollLoop(FeedFormat::Rss10, ticket, nullptr, {});
}

void CFeedRetriever::AtomWorker(CAbstractRetriever& retriever, CWorkerTicket& ticket)
{
    static_cast<CFeedRetriever&>(retriever).PollLoop(FeedFormat::Atom, ticket, nullptr, {});
}

void CFeedRetriever::PollLoop(FeedFormat format, CWorkerTicket& ticket,
                              std::unique_ptr<TiXmlDocument> document, const CFeedFetch& handed)
{
    for (;;)
    {
        FetchRequest request;
        if (document != nullptr)
        {
            request.feed = handed;
        }
        else
        {
            {
                CTicketGuard inside(ticket);
                if (!inside.Entered())
                {
                    return;
                }
                m_state = Polling;
                request = {CurrentUrl(), m_channel->GetUsername(), m_channel->GetPassword(), {}};
                request.feed.credentialsUrl = m_key;
                // A repeating channel shows what is still in the feed at
                // every poll, so it needs the body every time.
                if (!m_channel->GetRepeatHeadlines())
                {
                    request.feed.etag = m_channel->GetEtag();
                    request.feed.lastModified = m_channel->GetLastModified();
                }
                ticket.MarkFetching();
            }
            document = FetchFeed(request.username, request.password, request.url, request.feed);
        }

        int64_t wait = 0;
        {
            CTicketGuard inside(ticket);
            if (!inside.Entered())
            {
                return;
            }
            // A 304 is a check whose answer is the copy we walked last;
            // walking its empty document would forget every id. A document
            // of another feed format is still the channel's and yields
            // nothing; no answer, an error status or no feed at all make
            // the channel back off.
            const bool notModified = request.feed.NotModified();
            const bool usable = document != nullptr &&
                                (notModified || (request.feed.status != 0 && request.feed.status < 400 &&
                                                 DetectFormat(*document) != FeedFormat::Unknown));
            if (usable)
            {
                m_lastCheckTime = static_cast<int64_t>(std::time(nullptr));
                Remember(request.feed);
                if (!notModified)
                {
                    Walk(format, *document);
                }
                m_state = Idle;
            }
            wait = AfterPoll(usable, request.feed);
        }
        document.reset();

        if (WaitSeconds(ticket, wait) == WaitResult::Finish)
        {
            return;
        }
    }
}
} // namespace Content
