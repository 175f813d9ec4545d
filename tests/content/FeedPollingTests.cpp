// How a channel's polls treat its server and its reader: back-off after
// failures, and one notice for a feed whose addresses all changed.
#include "content/FeedRetriever.h"

#include "core/ChannelRecord.h"
#include "support/RegistrySandbox.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

using Content::CAbstractRetriever;
using Content::CFeedRetriever;
using Reply = CTestHttpServer::Reply;

namespace
{
const int64_t Interval = 20 * 60; // a new channel's

Reply Feed(int items, const std::string& site = "old.test")
{
    std::string text = "<rss version=\"2.0\"><channel><title>Daily Tide</title>";
    for (int i = 1; i <= items; ++i)
    {
        const std::string n = std::to_string(i);
        text += "<item><title>Story " + n + "</title><link>http://" + site + "/" + n + "</link></item>";
    }
    return Reply::Ok(text + "</channel></rss>");
}

Reply Refusal(const char* status, const std::string& retryAfter = "")
{
    Reply reply = Reply::WithStatus(status, "<html>no</html>");
    if (!retryAfter.empty())
    {
        reply.headers = {{"Retry-After", retryAfter}};
    }
    return reply;
}

int64_t Now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

class FeedPollingTest : public ::testing::Test
{
protected:
    FeedPollingTest()
        : m_server(
              [this](const CTestHttpServer::Request&)
              {
                  std::lock_guard<std::mutex> guard(m_lock);
                  return m_reply;
              })
    {
    }

    void Serve(const Reply& reply)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_reply = reply;
    }
    // A channel that has read the feed served now.
    std::unique_ptr<CFeedRetriever> Started(const CString& key)
    {
        auto retriever = std::make_unique<CFeedRetriever>();
        retriever->Initialize(key);
        retriever->Start(0);
        EXPECT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Idle; }));
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
        return WaitUntil(
            [&]
            {
                const int state = retriever.GetState();
                return m_server.GetRequestCount() > before &&
                       (state == CAbstractRetriever::Idle || state == CAbstractRetriever::Error);
            });
    }
    static CChannelRecord::CPollFailure Failure(const CFeedRetriever& retriever)
    {
        return retriever.GetChannel()->GetPollFailure();
    }
    static bool StopsAtOnce(CFeedRetriever& retriever)
    {
        const ULONGLONG start = ::GetTickCount64();
        retriever.Stop();
        return ::GetTickCount64() - start < 2000;
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

    CRegistrySandbox m_sandbox;
    std::mutex m_lock;
    Reply m_reply;
    CTestHttpServer m_server;
};
} // namespace

TEST_F(FeedPollingTest, EachFailurePlansTheNextCheckByWhatTheServerSaid)
{
    char date[64] = {};
    const __time64_t inThreeHours = Now() + 10800;
    std::strftime(date, sizeof(date), "%a, %d %b %Y %H:%M:%S GMT", _gmtime64(&inThreeHours));
    const struct
    {
        Reply reply;
        DWORD status;
        int64_t pause; // 0: the feed is gone
    } cases[] = {
        {Refusal("500 Internal Server Error"), 500, Interval},
        {Reply::Ok("<html><body>Moved</body></html>", "text/html"), 200, Interval},
        {Refusal("429 Too Many Requests", "7200"), 429, 7200},
        {Refusal("429 Too Many Requests", date), 429, 10800},
        {Refusal("410 Gone"), 410, 0},
    };
    int path = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.status);
        Serve(Feed(3));
        auto retriever = Started(m_server.GetUrl("/feed" + std::to_string(++path) + ".xml").c_str());
        Serve(c.reply);
        ASSERT_TRUE(Poll(*retriever));
        EXPECT_EQ(CAbstractRetriever::Error, retriever->GetState());
        EXPECT_EQ(1u, Failure(*retriever).count);
        EXPECT_EQ(c.status, Failure(*retriever).status);
        EXPECT_NEAR(static_cast<double>(c.pause ? Now() + c.pause : 0),
                    static_cast<double>(Failure(*retriever).nextCheck), 5.0);
        EXPECT_EQ(c.pause != 0, retriever->GetChannel()->GetEnabled());
        EXPECT_EQ(3, retriever->GetBufferedHeadlines()); // nothing walked, nothing lost
        EXPECT_TRUE(StopsAtOnce(*retriever));
    }
}

TEST_F(FeedPollingTest, FailuresDoubleThePauseAcrossRestartsUntilTheFirstSuccess)
{
    Serve(Feed(3));
    const CString key = m_server.GetUrl("/feed.xml").c_str();
    auto retriever = Started(key);
    Serve(Refusal("503 Service Unavailable"));
    auto failsWithPause = [&](int64_t pause)
    {
        EXPECT_EQ(CAbstractRetriever::Error, retriever->GetState());
        EXPECT_NEAR(static_cast<double>(Now() + pause), static_cast<double>(Failure(*retriever).nextCheck),
                    5.0);
    };
    ASSERT_TRUE(Poll(*retriever));
    failsWithPause(Interval);
    ASSERT_TRUE(Poll(*retriever)); // switched off and on by hand: asked at once
    failsWithPause(2 * Interval);

    // The next run waits out the pause, saying why, and still stops at once.
    retriever.reset();
    const size_t before = m_server.GetRequestCount();
    retriever = std::make_unique<CFeedRetriever>();
    retriever->Initialize(key);
    retriever->Start(0);
    ASSERT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Error; }));
    ::Sleep(300);
    EXPECT_EQ(before, m_server.GetRequestCount());
    failsWithPause(2 * Interval);
    EXPECT_TRUE(StopsAtOnce(*retriever));
    ASSERT_TRUE(Poll(*retriever));
    failsWithPause(4 * Interval);

    Serve(Feed(4));
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ(CAbstractRetriever::Idle, retriever->GetState());
    EXPECT_EQ(0u, Failure(*retriever).count);
    retriever.reset();
    EXPECT_FALSE(
        TestRegistry::ValueExists(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(key), "failedPolls"));
}

TEST_F(FeedPollingTest, AFewNewItemsAreShownOneByOneAFeedOfNewAddressesAsOneNotice)
{
    const struct
    {
        Reply second;
        std::vector<CString> shown;
    } cases[] = {
        {Feed(15), {"Story 13", "Story 14", "Story 15"}},
        {Feed(12, "new.test"), {"Daily Tide: 12 headlines changed their addresses; marked as seen"}},
    };
    int path = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.shown.size());
        Serve(Feed(12));
        auto retriever = Started(m_server.GetUrl("/news" + std::to_string(++path) + ".xml").c_str());
        Take(*retriever);
        Serve(c.second);
        ASSERT_TRUE(Poll(*retriever));
        EXPECT_EQ(c.shown, Take(*retriever));
        // What was marked seen stays seen.
        ASSERT_TRUE(Poll(*retriever));
        EXPECT_EQ(0, retriever->HasHeadlines(nullptr));
    }
}
