// The common base of every source of headlines: the channels' feed
// retrievers and the built-in services. A polling retriever runs one worker
// thread at the lowest priority; the interface thread takes headlines out
// through the virtual operations and steers the worker with three events.
#pragma once

#include "Headline.h"
#include "common/SynchronizedObject.h"
#include "common/UniqueHandle.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class CChannelRecord;
class CIdHistory;

namespace Content
{
class CWorkerTicket;

class CAbstractRetriever : public Common::CSynchronizedObject
{
public:
    enum State : uint8_t
    {
        Initializing = 0,
        Polling = 1,
        Idle = 2,
        Error = 3,
        Stopped = 4
    };
    // The Status column's text of a state.
    static const char* StateText(int state);

    CAbstractRetriever();
    virtual ~CAbstractRetriever();
    CAbstractRetriever(const CAbstractRetriever&) = delete;
    CAbstractRetriever& operator=(const CAbstractRetriever&) = delete;

    virtual int Initialize(const CString& key) = 0;
    // Starts the worker; nonzero on success.
    virtual int Start(int reserved);
    // Moves up to max waiting headlines, oldest first; returns how many.
    virtual unsigned GetHeadlines(CHeadline* out, unsigned max) = 0;
    virtual int HasHeadlines(int* count) = 0;
    // Ends the worker; always leaves state Stopped and returns 1.
    virtual int Stop();
    // The user has disposed of the headline with this id.
    virtual int Dismiss(int id) = 0;

    // Ends an idle wait early; only an Idle retriever reacts.
    int Wake();

    int GetState() const { return m_state; }
    CString GetTitle() const;
    // A name to show until the feed's own title arrives (an imported
    // channel list's, say); ignored once there is a title.
    void SetInitialTitle(const CString& title);
    int GetDisplayedHeadlines() const { return m_displayedHeadlines; }
    int GetBufferedHeadlines() const { return m_bufferedHeadlines; }
    int64_t GetLastCheckTime() const { return m_lastCheckTime; }
    CChannelRecord* GetChannel() const { return m_channel; }
    CIdHistory* GetShownHistory() const { return m_shownHistory; }
    CIdHistory* GetSessionHistory() const { return m_sessionHistory; }
    // Unique for the life of the process, so a headline can tell whether
    // the retriever it names still exists (an address may be reused).
    uint64_t GetSerial() const { return m_serial; }

    // A worker procedure: runs on the worker thread with its ticket, which
    // it must enter before touching the retriever (see CWorkerTicket).
    using ThreadProc = void (*)(CAbstractRetriever& retriever, CWorkerTicket& ticket);

protected:
    // How a worker's wait between polls ended.
    enum class WaitResult
    {
        Poll,  // the interval passed or the retriever was woken
        Finish // stop requested: the finished event is set, the worker ends
    };
    // Waits on {stop, wake} for the given number of minutes. Called outside
    // the ticket, and touches nothing of the retriever.
    static WaitResult WaitBetweenPolls(CWorkerTicket& ticket, DWORD minutes);
    // The same for a number of seconds; a negative number waits for the
    // stop alone (the channel is not polled again in this run).
    static WaitResult WaitSeconds(CWorkerTicket& ticket, int64_t seconds);
    // Stamps a headline with this retriever.
    void Adopt(CHeadline& headline) { headline.SetRetriever(this, m_serial); }
    void SetTitle(const CString& title);

    Common::CUniqueKernelHandle m_thread;
    ThreadProc m_threadProc = nullptr;
    Common::CUniqueKernelHandle m_stopEvent;
    Common::CUniqueKernelHandle m_wakeEvent;
    Common::CUniqueKernelHandle m_finishedEvent;
    std::atomic<uint8_t> m_state{Stopped};
    std::atomic<int> m_displayedHeadlines{0};
    std::atomic<int> m_bufferedHeadlines{0};
    std::atomic<int64_t> m_lastCheckTime{0};
    CChannelRecord* m_channel = nullptr;
    CIdHistory* m_shownHistory = nullptr;
    CIdHistory* m_sessionHistory = nullptr;

private:
    static DWORD WINAPI ThreadMain(LPVOID parameter);

    CString m_title;
    mutable std::mutex m_titleLock;
    const uint64_t m_serial;
    // The ticket of the running worker, shared with it.
    std::shared_ptr<CWorkerTicket> m_ticket;
};

// What one worker thread holds besides the retriever. A worker that is
// stopped while it is still Initializing or in the middle of a fetch (which
// may take minutes on a slow server) is abandoned instead of waited for: its
// ticket is marked, and the worker, which enters its ticket before every
// touch of the retriever, then ends without touching it again. The events it
// waits on are its own duplicates, so they stay valid after the retriever is
// gone.
class CWorkerTicket
{
public:
    CWorkerTicket(HANDLE stopEvent, HANDLE wakeEvent, HANDLE finishedEvent);
    CWorkerTicket(const CWorkerTicket&) = delete;
    CWorkerTicket& operator=(const CWorkerTicket&) = delete;

    // Takes the ticket; false (and not taken) once the worker is abandoned.
    bool Enter();
    void Leave();
    // Only while entered: the worker leaves the ticket for a fetch, during
    // which a stop abandons it rather than waiting. Entering again ends it.
    void MarkFetching() { m_fetching = true; }
    // Marks the worker abandoned when it is in a fetch or the condition
    // holds, evaluated while the worker is outside; returns whether it is
    // abandoned.
    bool AbandonIf(const std::function<bool()>& condition);

    HANDLE StopEvent() const { return m_stop.get(); }
    HANDLE WakeEvent() const { return m_wake.get(); }
    HANDLE FinishedEvent() const { return m_finished.get(); }

private:
    std::mutex m_lock;
    bool m_abandoned = false;
    bool m_fetching = false;
    Common::CUniqueKernelHandle m_stop;
    Common::CUniqueKernelHandle m_wake;
    Common::CUniqueKernelHandle m_finished;
};

// Holds a worker's ticket for one scope; check Entered() first.
class CTicketGuard
{
public:
    explicit CTicketGuard(CWorkerTicket& ticket) : m_ticket(ticket), m_entered(ticket.Enter()) {}
    ~CTicketGuard()
    {
        if (m_entered)
        {
            m_ticket.Leave();
        }
    }
    CTicketGuard(const CTicketGuard&) = delete;
    CTicketGuard& operator=(const CTicketGuard&) = delete;
    bool Entered() const { return m_entered; }

private:
    CWorkerTicket& m_ticket;
    bool m_entered;
};
} // namespace Content
