#include "content/FeedRetriever.h"

#include "core/ChannelRecord.h"
#include "support/RegistrySandbox.h"
#include "support/TestFeeds.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>

using Content::CAbstractRetriever;
using Content::CFeedRetriever;
using Reply = CTestHttpServer::Reply;
using Request = CTestHttpServer::Request;

namespace
{
const int64_t Interval = 20 * 60; // a new channel's
const char Date[] = "Tue, 03 Jun 2025 10:00:00 GMT";

int64_t Now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

// Channels on a local server whose answers the test scripts.
class FeedRetrieverTest : public ::testing::Test
{
protected:
    FeedRetrieverTest()
        : m_server(
              [this](const Request& request)
              {
                  std::lock_guard<std::mutex> guard(m_lock);
                  return m_handler(request);
              }),
          m_key(m_server.GetUrl("/feed.xml").c_str())
    {
    }

    void Handle(const CTestHttpServer::Handler& handler)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_handler = handler;
    }
    void Serve(const Reply& reply)
    {
        Handle([reply](const Request&) { return reply; });
    }
    // A started channel whose first fetch has ended.
    std::unique_ptr<CFeedRetriever> Start(const CString& key)
    {
        const size_t before = m_server.GetRequestCount();
        auto retriever = std::make_unique<CFeedRetriever>();
        retriever->Initialize(key);
        retriever->Start(0);
        EXPECT_TRUE(Settled(*retriever, before));
        return retriever;
    }
    // Polls again now: wakes it when Idle, else switches it off and on.
    bool Poll(CFeedRetriever& retriever)
    {
        const size_t before = m_server.GetRequestCount();
        if (retriever.Wake() == 0)
        {
            retriever.Stop();
            retriever.Start(0);
        }
        return Settled(retriever, before);
    }
    // A fetch after the count given has ended (the state leaves Idle or
    // Error before the request goes out).
    bool Settled(CFeedRetriever& retriever, size_t before)
    {
        return WaitUntil(
            [&]
            {
                const int state = retriever.GetState();
                return m_server.GetRequestCount() > before &&
                       (state == CAbstractRetriever::Idle || state == CAbstractRetriever::Error);
            });
    }
    static std::vector<CString> Take(CFeedRetriever& retriever)
    {
        std::vector<CString> titles;
        CHeadline headline;
        while (retriever.GetHeadlines(&headline, 1) == 1)
        {
            titles.push_back(headline.GetTitle());
        }
        return titles;
    }
    static bool StopsAtOnce(CFeedRetriever& retriever)
    {
        const ULONGLONG start = ::GetTickCount64();
        retriever.Stop();
        return ::GetTickCount64() - start < 2000;
    }
    static void ExpectPaused(const CFeedRetriever& retriever, int64_t pause)
    {
        EXPECT_EQ(CAbstractRetriever::Error, retriever.GetState());
        EXPECT_NEAR(static_cast<double>(pause != 0 ? Now() + pause : 0),
                    static_cast<double>(retriever.GetChannel()->GetPollFailure().nextCheck), 5.0);
    }
    std::string Stored(const char* name)
    {
        std::string stored;
        DWORD type = 0;
        TestRegistry::GetRaw(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key), name, type, stored);
        return stored.c_str();
    }

    CRegistrySandbox m_sandbox;
    std::mutex m_lock;
    CTestHttpServer::Handler m_handler;
    CTestHttpServer m_server;
    const CString m_key;
};
} // namespace

// A channel's life: its format is told by the first poll's own document, an
// item is buffered once, a shown one stays shown across restarts, a lasting
// move is remembered, an unchanged feed costs a 304 that forgets nothing,
// and a feed whose addresses all changed is one notice.
TEST_F(FeedRetrieverTest, ShowsEachHeadlineOnceAcrossPollsRestartsAndMoves)
{
    std::atomic<int> version{1};
    Handle(
        [&](const Request& request)
        {
            const std::string etag = "\"v" + std::to_string(version) + "\"";
            if (request.target == "/feed.xml")
            {
                return Reply::WithStatus("301 Moved Permanently", "").With("Location", "/new.xml");
            }
            if (request.Header("If-None-Match") == etag)
            {
                return Reply::WithStatus("304 Not Modified", "");
            }
            const std::string site = version < 3 ? "news.test" : "new.test";
            std::string feed = Rss(1, version == 1 ? 100 : 101, site);
            feed.insert(feed.find("</channel>"), Item(1, site));
            return Reply::Ok(feed).With("ETag", etag).With("Last-Modified", Date);
        });
    auto retriever = Start(m_key);
    EXPECT_EQ(2u, m_server.GetRequestCount()) << "the move, then the one document";
    EXPECT_STREQ(m_key, retriever->GetKey());
    EXPECT_STREQ("Daily Tide", retriever->GetTitle());
    CHeadline shown[95];
    ASSERT_EQ(95u, retriever->GetHeadlines(shown, 95));
    EXPECT_STREQ("Story 95", shown[94].GetTitle());
    EXPECT_STREQ("Daily Tide", shown[0].GetChannelTitle());
    EXPECT_EQ(retriever.get(), shown[0].GetRetriever());
    EXPECT_EQ(retriever->GetSerial(), shown[0].GetRetrieverSerial());
    EXPECT_EQ(95, retriever->GetDisplayedHeadlines());
    EXPECT_EQ(5, retriever->GetBufferedHeadlines()) << "the repeated story 1 came once";

    // What was buffered but never shown comes back after a restart, from
    // where the feed moved.
    retriever.reset();
    EXPECT_EQ(m_server.GetUrl("/new.xml"), Stored("currentUrl"));
    retriever = Start(m_key);
    EXPECT_EQ("/new.xml", m_server.GetRequests().at(2).target);
    EXPECT_EQ(Stories(96, 100), Take(*retriever));

    const int64_t firstCheck = retriever->GetLastCheckTime();
    ASSERT_TRUE(WaitUntil([&] { return Now() > firstCheck; }));
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ("\"v1\"", m_server.GetRequests().back().Header("If-None-Match"));
    EXPECT_EQ(Date, m_server.GetRequests().back().Header("If-Modified-Since"));
    EXPECT_GT(retriever->GetLastCheckTime(), firstCheck);
    version = 2;
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ(Stories(101, 101), Take(*retriever));
    version = 3;
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ(std::vector<CString>{"Daily Tide: 101 headlines changed their addresses; marked as seen"},
              Take(*retriever));
    version = 4;
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ(0, retriever->HasHeadlines(nullptr));
    retriever.reset();
    EXPECT_EQ("\"v4\"", Stored("etag"));
}

TEST_F(FeedRetrieverTest, RepeatingChannelsBufferEveryPollUntilDismissed)
{
    Serve(Reply::Ok(Rss(1, 3)));
    TestRegistry::SetDword(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key), "repeatHeadlines", 1);
    auto retriever = Start(m_key);
    CHeadline headline;
    retriever->GetHeadlines(&headline, 1); // taking does not mark it shown
    ASSERT_TRUE(Poll(*retriever));
    // Two copies of story 2 wait; one dismissal removes both for good.
    CHeadline second;
    second.SetTitle("Story 2");
    second.SetLink("http://news.test/2");
    second.Seal();
    EXPECT_EQ(1, retriever->Dismiss(second.GetId()));
    ASSERT_TRUE(Poll(*retriever));
    const std::vector<CString> expected = {"Story 3", "Story 1", "Story 3", "Story 1", "Story 3"};
    EXPECT_EQ(expected, Take(*retriever));
}

// Each failed attempt buffers a notice, which bypasses the histories; the
// pause doubles across restarts until the first success.
TEST_F(FeedRetrieverTest, FailuresShowNoticesAndDoubleThePauseAcrossRestartsUntilASuccess)
{
    Serve(Reply::WithStatus("503 Service Unavailable", "<html>no</html>"));
    auto retriever = Start(m_key);
    ExpectPaused(*retriever, Interval);
    ASSERT_TRUE(Poll(*retriever)); // switched off and on by hand: asked at once
    ExpectPaused(*retriever, 2 * Interval);
    ASSERT_EQ(2, retriever->GetBufferedHeadlines());
    CHeadline notices[2];
    ASSERT_EQ(2u, retriever->GetHeadlines(notices, 2));
    EXPECT_STREQ("Application error", notices[0].GetChannelTitle());
    EXPECT_STREQ("Channel not reachable", notices[0].GetTitle());
    EXPECT_STREQ(m_key, notices[0].GetDescription());
    EXPECT_EQ(notices[0].GetId(), notices[1].GetId());

    // The next run waits out the pause, saying why, and still stops at once.
    retriever.reset();
    const size_t before = m_server.GetRequestCount();
    retriever = std::make_unique<CFeedRetriever>();
    retriever->Initialize(m_key);
    retriever->Start(0);
    ASSERT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Error; }));
    ::Sleep(300);
    EXPECT_EQ(before, m_server.GetRequestCount());
    ExpectPaused(*retriever, 2 * Interval);
    EXPECT_TRUE(StopsAtOnce(*retriever));
    ASSERT_TRUE(Poll(*retriever));
    ExpectPaused(*retriever, 4 * Interval);

    Serve(Reply::Ok(Rss(1, 3)));
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ(CAbstractRetriever::Idle, retriever->GetState());
    EXPECT_EQ(0u, retriever->GetChannel()->GetPollFailure().count);
    retriever.reset();
    EXPECT_FALSE(
        TestRegistry::ValueExists(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key), "failedPolls"));
}

TEST_F(FeedRetrieverTest, AFailedPollPlansTheNextCheckByWhatTheServerSaid)
{
    // The reply, then the status and pause (0: the feed is gone) it leaves.
    const std::tuple<Reply, DWORD, int64_t> cases[] = {
        {Reply::Ok("<html><body>Moved</body></html>", "text/html"), 200, Interval},
        {Reply::WithStatus("429 Too Many Requests", "").With("Retry-After", "7200"), 429, 7200},
        {Reply::WithStatus("410 Gone", ""), 410, 0},
    };
    int path = 0;
    for (const auto& [reply, status, pause] : cases)
    {
        SCOPED_TRACE(status);
        Serve(Reply::Ok(Rss(1, 3)));
        auto retriever = Start(m_server.GetUrl("/feed" + std::to_string(++path) + ".xml").c_str());
        Serve(reply);
        ASSERT_TRUE(Poll(*retriever));
        ExpectPaused(*retriever, pause);
        EXPECT_EQ(1u, retriever->GetChannel()->GetPollFailure().count);
        EXPECT_EQ(status, retriever->GetChannel()->GetPollFailure().status);
        EXPECT_EQ(pause != 0, retriever->GetChannel()->GetEnabled());
        // Stopped, it offers nothing but keeps what it had buffered.
        EXPECT_TRUE(StopsAtOnce(*retriever));
        EXPECT_EQ(0, retriever->HasHeadlines(nullptr));
        EXPECT_EQ(3, retriever->GetBufferedHeadlines());
    }
}

// The detection fetch, or the first poll after it, never gets an answer.
TEST_F(FeedRetrieverTest, StopDuringAFetchDoesNotWaitForTheNetwork)
{
    for (const int stallingRequest : {1, 2})
    {
        SCOPED_TRACE(stallingRequest);
        std::atomic<int> seen{0};
        Handle(
            [&](const Request&)
            {
                Reply reply = Reply::Ok(Rss(1, 3));
                reply.stall = ++seen >= stallingRequest;
                return reply;
            });
        auto retriever = std::make_unique<CFeedRetriever>();
        retriever->Initialize(m_server.GetUrl("/feed" + std::to_string(stallingRequest) + ".xml").c_str());
        retriever->Start(0);
        if (stallingRequest == 2)
        {
            // The first poll after detection comes when the retriever is woken.
            ASSERT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Idle; }));
            retriever->Wake();
        }
        ASSERT_TRUE(WaitUntil([&] { return seen == stallingRequest; }));
        EXPECT_EQ(stallingRequest == 1 ? CAbstractRetriever::Initializing : CAbstractRetriever::Polling,
                  retriever->GetState());
        std::atomic<bool> stopped{false};
        std::thread stopper(
            [&]
            {
                retriever->Stop();
                stopped = true;
            });
        // A stop that waited would sit out the fetch's half-minute time-outs.
        EXPECT_TRUE(WaitUntil([&] { return stopped.load(); }));
        stopper.join();
        EXPECT_EQ(CAbstractRetriever::Stopped, retriever->GetState());
        retriever.reset(); // the abandoned worker must never touch it again
    }
    m_server.Stop();
}
