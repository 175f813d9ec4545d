#include "AbstractRetriever.h"

#include "IdHistory.h"
#include "core/ChannelRecord.h"

namespace Content
{
namespace
{
std::atomic<uint64_t> g_nextSerial{1};

HANDLE Duplicate(HANDLE handle)
{
    HANDLE copy = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    return copy;
}

// What a new thread receives: everything it needs without reading the
// retriever before it has entered its ticket.
struct StartBlock
{
    CAbstractRetriever* retriever;
    CAbstractRetriever::ThreadProc procedure;
    std::shared_ptr<CWorkerTicket> ticket;
};
} // namespace

CWorkerTicket::CWorkerTicket(HANDLE stopEvent, HANDLE wakeEvent, HANDLE finishedEvent)
    : m_stop(Duplicate(stopEvent)), m_wake(Duplicate(wakeEvent)), m_finished(Duplicate(finishedEvent))
{
}

bool CWorkerTicket::Enter()
{
    m_lock.lock();
    if (m_abandoned)
    {
        m_lock.unlock();
        return false;
    }
    m_fetching = false;
    return true;
}

void CWorkerTicket::Leave()
{
    m_lock.unlock();
}

bool CWorkerTicket::AbandonIf(const std::function<bool()>& condition)
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_fetching || condition())
    {
        m_abandoned = true;
    }
    return m_abandoned;
}

const char* CAbstractRetriever::StateText(int state)
{
    switch (state)
    {
    case Initializing:
        return "Initializing";
    case Polling:
        return "Polling";
    case Idle:
        return "Idle";
    case Error:
        return "Error";
    default:
        return "Stopped";
    }
}

CAbstractRetriever::CAbstractRetriever()
    : m_stopEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_wakeEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_finishedEvent(::CreateEventA(nullptr, FALSE, FALSE, nullptr)), m_serial(g_nextSerial++)
{
}

CAbstractRetriever::~CAbstractRetriever()
{
    CAbstractRetriever::Stop();
    delete m_channel;
    delete m_sessionHistory;
    delete m_shownHistory;
}

int CAbstractRetriever::Start(int)
{
    if (m_threadProc == nullptr)
    {
        return 0;
    }
    if (m_ticket != nullptr)
    {
        return 1; // a worker runs already; two would share one buffer
    }
    auto ticket =
        std::make_shared<CWorkerTicket>(m_stopEvent.get(), m_wakeEvent.get(), m_finishedEvent.get());
    auto* block = new StartBlock{this, m_threadProc, ticket};
    // Suspended until the state says Initializing, so the worker's first
    // state change cannot be overwritten.
    Common::CUniqueKernelHandle thread(
        ::CreateThread(nullptr, 0, &CAbstractRetriever::ThreadMain, block, CREATE_SUSPENDED, nullptr));
    if (!thread)
    {
        delete block;
        return 0;
    }
    m_thread = std::move(thread);
    m_ticket = ticket;
    m_state = Initializing;
    ::SetThreadPriority(m_thread.get(), THREAD_PRIORITY_LOWEST);
    ::ResumeThread(m_thread.get());
    return 1;
}

DWORD WINAPI CAbstractRetriever::ThreadMain(LPVOID parameter)
{
    std::unique_ptr<StartBlock> block(static_cast<StartBlock*>(parameter));
    std::shared_ptr<CWorkerTicket> ticket = block->ticket;
    try
    {
        block->procedure(*block->retriever, *ticket);
    }
    catch (...)
    {
        // Out of memory in a worker: end it quietly; a stop still finds the
        // finished event set.
        ::SetEvent(ticket->FinishedEvent());
    }
    return 0;
}

int CAbstractRetriever::Stop()
{
    std::shared_ptr<CWorkerTicket> ticket = std::move(m_ticket);
    if (ticket != nullptr)
    {
        // The worker changes the state only inside its ticket, so it cannot
        // leave Initializing or a fetch between the test and the
        // abandonment. A worker that may be blocked in a fetch is not waited
        // for: a dialog that stops a channel must not freeze for the fetch's
        // whole deadline.
        if (!ticket->AbandonIf([this] { return m_state == Initializing; }))
        {
            ::SetEvent(m_stopEvent.get());
            ::WaitForSingleObject(m_finishedEvent.get(), INFINITE);
        }
    }
    m_thread.reset();
    m_state = Stopped;
    return 1;
}

int CAbstractRetriever::Wake()
{
    if (m_state != Idle)
    {
        return 0;
    }
    ::SetEvent(m_wakeEvent.get());
    return 1;
}

CString CAbstractRetriever::GetTitle() const
{
    std::lock_guard<std::mutex> guard(m_titleLock);
    return m_title;
}

void CAbstractRetriever::SetInitialTitle(const CString& title)
{
    std::lock_guard<std::mutex> guard(m_titleLock);
    if (m_title.IsEmpty())
    {
        m_title = title;
    }
}

void CAbstractRetriever::SetTitle(const CString& title)
{
    std::lock_guard<std::mutex> guard(m_titleLock);
    m_title = title;
}

CAbstractRetriever::WaitResult CAbstractRetriever::WaitBetweenPolls(CWorkerTicket& ticket, DWORD minutes)
{
    return WaitSeconds(ticket, static_cast<int64_t>(minutes) * 60);
}

CAbstractRetriever::WaitResult CAbstractRetriever::WaitSeconds(CWorkerTicket& ticket, int64_t seconds)
{
    // Longer than a DWORD of milliseconds holds waits "forever".
    const DWORD timeout = seconds < 0                  ? INFINITE
                          : seconds >= INFINITE / 1000 ? INFINITE - 1
                                                       : static_cast<DWORD>(seconds) * 1000;
    const HANDLE events[2] = {ticket.StopEvent(), ticket.WakeEvent()};
    // Not polled again: a wake must not end the wait either.
    const DWORD count = seconds < 0 ? 1 : 2;
    const DWORD result = ::WaitForMultipleObjects(count, events, FALSE, timeout);
    if (result == WAIT_TIMEOUT || (count == 2 && result == WAIT_OBJECT_0 + 1))
    {
        return WaitResult::Poll;
    }
    ::SetEvent(ticket.FinishedEvent());
    return WaitResult::Finish;
}
} // namespace Content
