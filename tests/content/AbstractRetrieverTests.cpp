#include "content/AbstractRetriever.h"

#include "common/UniqueHandle.h"
#include "core/ChannelRecord.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using Content::CAbstractRetriever;
using Content::CTicketGuard;
using Content::CWorkerTicket;

namespace
{
// What the test observes of a worker; it outlives the retriever.
struct WorkerLog
{
    std::atomic<int> polls{0};
    std::atomic<int> blocked{0};
    std::atomic<int> abandoned{0};
    std::atomic<int> finished{0};
};

// A worker whose "fetch" waits for a gate the test opens.
class CGatedRetriever : public CAbstractRetriever
{
public:
    CGatedRetriever(WorkerLog& log, HANDLE gate, DWORD minutes) : m_log(log), m_gate(gate)
    {
        m_channel = new CChannelRecord("$test", false);
        m_channel->SetPollingInterval(minutes);
        m_threadProc = &CGatedRetriever::Worker;
    }
    ~CGatedRetriever() override { CAbstractRetriever::Stop(); }
    int Initialize(const CString&) override { return 0; }
    unsigned GetHeadlines(CHeadline*, unsigned) override { return 0; }
    int HasHeadlines(int*) override { return 0; }
    int Dismiss(int) override { return 0; }
    // Whether the first fetch counts as Polling (a format worker) or stays
    // Initializing (format detection).
    bool m_pollingWhileFetching = false;

private:
    static void Worker(CAbstractRetriever& retriever, CWorkerTicket& ticket)
    {
        CGatedRetriever& self = static_cast<CGatedRetriever&>(retriever);
        WorkerLog* log = nullptr;
        HANDLE gate = nullptr;
        for (;;)
        {
            DWORD minutes = 0;
            {
                CTicketGuard inside(ticket);
                if (!inside.Entered())
                {
                    return;
                }
                log = &self.m_log;
                gate = self.m_gate;
                if (self.m_pollingWhileFetching || self.m_state != Initializing)
                {
                    self.m_state = Polling;
                }
            }
            ++log->blocked;
            ::WaitForSingleObject(gate, INFINITE);
            {
                CTicketGuard inside(ticket);
                if (!inside.Entered())
                {
                    ++log->abandoned;
                    return;
                }
                ++log->polls;
                self.m_state = Idle;
                minutes = self.m_channel->GetPollingInterval();
            }
            if (WaitBetweenPolls(ticket, minutes) == WaitResult::Finish)
            {
                ++log->finished;
                return;
            }
        }
    }

    WorkerLog& m_log;
    HANDLE m_gate;
};

struct Gate
{
    Gate(bool open) : owner(::CreateEventA(nullptr, TRUE, open ? TRUE : FALSE, nullptr)) {}
    Common::CUniqueKernelHandle owner;
    const HANDLE handle = owner.get();
};
} // namespace

TEST(AbstractRetriever, StopWhileInitializingAbandonsTheWorkerWithoutWaiting)
{
    WorkerLog log;
    Gate gate(false);
    {
        auto* retriever = new CGatedRetriever(log, gate.handle, 60);
        ASSERT_NE(0, retriever->Start(0));
        EXPECT_EQ(CAbstractRetriever::Initializing, retriever->GetState());
        ASSERT_TRUE(WaitUntil([&] { return log.blocked == 1; }));
        EXPECT_EQ(0, retriever->Wake()) << "only an idle retriever wakes";
        EXPECT_EQ(1, retriever->Stop()); // returns although the "fetch" never ends
        EXPECT_EQ(CAbstractRetriever::Stopped, retriever->GetState());
        delete retriever;
    }
    // The fetch ends after the retriever is gone: the worker must notice and
    // leave without touching it.
    ::SetEvent(gate.handle);
    EXPECT_TRUE(WaitUntil([&] { return log.abandoned == 1; }));
    EXPECT_EQ(0, log.polls.load());
}

TEST(AbstractRetriever, StopDuringAPollWaitsForThePollToEnd)
{
    WorkerLog log;
    Gate gate(false);
    CGatedRetriever retriever(log, gate.handle, 60);
    retriever.m_pollingWhileFetching = true;
    ASSERT_NE(0, retriever.Start(0));
    ASSERT_TRUE(WaitUntil([&] { return log.blocked == 1; }));
    EXPECT_EQ(CAbstractRetriever::Polling, retriever.GetState());

    std::atomic<bool> stopped{false};
    std::thread stopper(
        [&]
        {
            retriever.Stop();
            stopped = true;
        });
    ::Sleep(200);
    EXPECT_FALSE(stopped) << "Stop returned while the poll was still running";
    ::SetEvent(gate.handle);
    stopper.join();
    EXPECT_EQ(1, log.polls.load());
    EXPECT_EQ(1, log.finished.load());
    EXPECT_EQ(CAbstractRetriever::Stopped, retriever.GetState());
}

TEST(AbstractRetriever, OnlyAnIdleWorkerWakesAndARestartGivesAFreshOne)
{
    WorkerLog log;
    Gate gate(true);
    CGatedRetriever retriever(log, gate.handle, 60);
    EXPECT_EQ(CAbstractRetriever::Stopped, retriever.GetState());
    EXPECT_EQ(1, retriever.Stop());
    EXPECT_EQ(0, retriever.Wake());
    retriever.Start(0);
    ASSERT_TRUE(
        WaitUntil([&] { return log.polls == 1 && retriever.GetState() == CAbstractRetriever::Idle; }));
    EXPECT_EQ(1, retriever.Wake());
    EXPECT_TRUE(WaitUntil([&] { return log.polls == 2; }));
    retriever.Stop();
    EXPECT_TRUE(WaitUntil([&] { return log.finished == 1; }));
    retriever.Start(0);
    EXPECT_TRUE(WaitUntil([&] { return log.polls == 3; }));
}

TEST(AbstractRetriever, ZeroMinutePollingIntervalPollsAgainAtOnce)
{
    WorkerLog log;
    Gate gate(true);
    CGatedRetriever retriever(log, gate.handle, 0);
    retriever.Start(0);
    EXPECT_TRUE(WaitUntil([&] { return log.polls >= 5; }));
}
