#include "content/AbstractRetriever.h"

#include "core/ChannelRecord.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

using Content::CAbstractRetriever;
using Content::CTicketGuard;
using Content::CWorkerTicket;

namespace
{
// What the test observes of its workers: it outlives the retriever.
struct WorkerLog
{
    std::atomic<int> polls{0}, blocked{0}, abandoned{0}, finished{0};
    Common::CUniqueKernelHandle gate{::CreateEventA(nullptr, TRUE, FALSE, nullptr)};
};

// A worker whose "fetch" waits for the log's gate. The first fetch of a
// worker counts as Polling (a format worker) or stays Initializing (format
// detection).
class CGatedRetriever : public CAbstractRetriever
{
public:
    explicit CGatedRetriever(WorkerLog& log) : m_log(log)
    {
        m_channel = new CChannelRecord("$test", false);
        m_threadProc = &CGatedRetriever::Worker;
    }
    ~CGatedRetriever() override { CAbstractRetriever::Stop(); }
    int Initialize(const CString&) override { return 0; }
    unsigned GetHeadlines(CHeadline*, unsigned) override { return 0; }
    int HasHeadlines(int*) override { return 0; }
    int Dismiss(int) override { return 0; }
    bool m_pollingWhileFetching = false;

private:
    static void Worker(CAbstractRetriever& retriever, CWorkerTicket& ticket)
    {
        CGatedRetriever& self = static_cast<CGatedRetriever&>(retriever);
        WorkerLog* log = nullptr;
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
                self.m_state =
                    self.m_pollingWhileFetching || self.m_state != Initializing ? Polling : Initializing;
            }
            ++log->blocked;
            ::WaitForSingleObject(log->gate.get(), INFINITE);
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
};
} // namespace

// A stop while Initializing abandons the worker (a fetch may take minutes);
// one during a poll waits for it. Only an idle worker wakes, a restart gives
// a fresh one, and a zero-minute interval polls again at once.
TEST(AbstractRetriever, StopAbandonsAnInitializingWorkerAndWaitsForAPollingOne)
{
    WorkerLog log;
    {
        auto retriever = std::make_unique<CGatedRetriever>(log);
        EXPECT_EQ(CAbstractRetriever::Stopped, retriever->GetState());
        EXPECT_EQ(1, retriever->Stop());
        ASSERT_NE(0, retriever->Start(0));
        EXPECT_EQ(CAbstractRetriever::Initializing, retriever->GetState());
        ASSERT_TRUE(WaitUntil([&] { return log.blocked == 1; }));
        EXPECT_EQ(0, retriever->Wake()) << "only an idle retriever wakes";
        EXPECT_EQ(1, retriever->Stop()); // returns although the "fetch" never ends
        EXPECT_EQ(CAbstractRetriever::Stopped, retriever->GetState());
    }
    // The fetch ends after the retriever is gone: the worker must notice and
    // leave without touching it.
    ::SetEvent(log.gate.get());
    ASSERT_TRUE(WaitUntil([&] { return log.abandoned == 1; }));
    EXPECT_EQ(0, log.polls.load());

    CGatedRetriever retriever(log);
    retriever.GetChannel()->SetPollingInterval(60);
    retriever.m_pollingWhileFetching = true;
    ASSERT_NE(0, retriever.Start(0));
    ASSERT_TRUE(
        WaitUntil([&] { return log.polls == 1 && retriever.GetState() == CAbstractRetriever::Idle; }));
    ::ResetEvent(log.gate.get());
    EXPECT_EQ(1, retriever.Wake());
    ASSERT_TRUE(WaitUntil([&] { return log.blocked == 3; }));
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
    ::SetEvent(log.gate.get());
    stopper.join();
    EXPECT_EQ(2, log.polls.load());
    EXPECT_EQ(1, log.finished.load());
    EXPECT_EQ(CAbstractRetriever::Stopped, retriever.GetState());

    retriever.GetChannel()->SetPollingInterval(0);
    retriever.Start(0);
    EXPECT_TRUE(WaitUntil([&] { return log.polls >= 7; }));
}
