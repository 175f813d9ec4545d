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

using Content::CAbstractRetriever;
using Content::CFeedRetriever;
using Reply = CTestHttpServer::Reply;

namespace
{
const int64_t Interval = 20 * 60; // a new channel's

std::string Feed(int items)
{
    std::string text = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Polite</title>";
    for (int i = 1; i <= items; ++i)
    {
        text += "<item><title>Story " + std::to_string(i) + "</title><link>http://127.0.0.1/" +
                std::to_string(i) + "</link></item>";
    }
    return text + "</channel></rss>";
}

int64_t Now()
{
    return static_cast<int64_t>(std::time(nullptr));
}

std::string HttpDate(int64_t seconds)
{
    const __time64_t time = seconds;
    struct tm utc = {};
    char text[64] = {};
    _gmtime64_s(&utc, &time);
    std::strftime(text, sizeof(text), "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

Reply WithHeader(const char* status, const char* name, const std::string& value)
{
    Reply reply = Reply::WithStatus(status, "");
    reply.headers = {{name, value}};
    return reply;
}

class FeedBackOffTest : public ::testing::Test
{
protected:
    FeedBackOffTest()
        : m_server(
              [this](const CTestHttpServer::Request&)
              {
                  std::lock_guard<std::mutex> guard(m_lock);
                  return m_reply;
              })
    {
        Serve(Reply::Ok(Feed(3)));
    }

    void Serve(const Reply& reply)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_reply = reply;
    }
    // A channel that has read its feed once.
    std::unique_ptr<CFeedRetriever> Known(const std::string& path = "/feed.xml")
    {
        auto retriever = std::make_unique<CFeedRetriever>();
        retriever->Initialize(m_server.GetUrl(path).c_str());
        retriever->Start(0);
        EXPECT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Idle; }));
        return retriever;
    }
    // Waits for the poll after the latest request seen to end.
    bool Polled(CFeedRetriever& retriever, size_t before)
    {
        return WaitUntil(
            [&]
            {
                const int state = retriever.GetState();
                return m_server.GetRequestCount() > before &&
                       (state == CAbstractRetriever::Idle || state == CAbstractRetriever::Error);
            });
    }
    // Polls at once, as switching the channel off and on again does.
    bool PollAgain(CFeedRetriever& retriever)
    {
        const size_t before = m_server.GetRequestCount();
        retriever.Stop();
        retriever.Start(0);
        return Polled(retriever, before);
    }
    static CChannelRecord::CPollFailure Failure(const CFeedRetriever& retriever)
    {
        return retriever.GetChannel()->GetPollFailure();
    }
    // The pause before the next check, as planned a moment ago.
    static int64_t Pause(const CFeedRetriever& retriever) { return Failure(retriever).nextCheck - Now(); }

    CRegistrySandbox m_sandbox;
    std::mutex m_lock;
    Reply m_reply;
    CTestHttpServer m_server;
};
} // namespace

TEST_F(FeedBackOffTest, EachFailurePlansTheNextCheckByWhatTheServerSaid)
{
    Reply cutOff = Reply::Ok(Feed(3));
    cutOff.closeAfterBodyBytes = 10;
    const struct
    {
        const char* name;
        Reply reply;
        DWORD status;
        int64_t pause;
    } cases[] = {
        {"server error", Reply::WithStatus("500 Internal Server Error", "oops"), 500, Interval},
        {"not found", Reply::WithStatus("404 Not Found", "<rss version=\"2.0\"/>"), 404, Interval},
        {"not a feed", Reply::Ok("<html><body>Moved</body></html>", "text/html"), 200, Interval},
        {"no whole answer", cutOff, 0, Interval},
        {"Retry-After in seconds", WithHeader("429 Too Many Requests", "Retry-After", "7200"), 429, 7200},
        {"Retry-After as a date", WithHeader("429 Too Many Requests", "Retry-After", HttpDate(Now() + 10800)),
         429, 10800},
        {"Retry-After sooner than the interval", WithHeader("503 Service Unavailable", "Retry-After", "60"),
         503, Interval},
    };
    int path = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Serve(Reply::Ok(Feed(3)));
        auto retriever = Known("/feed" + std::to_string(++path) + ".xml");
        const int64_t lastCheck = retriever->GetLastCheckTime();
        Serve(c.reply);
        const size_t before = m_server.GetRequestCount();
        ASSERT_EQ(1, retriever->Wake());
        ASSERT_TRUE(Polled(*retriever, before));
        EXPECT_EQ(CAbstractRetriever::Error, retriever->GetState());
        EXPECT_EQ(1u, Failure(*retriever).count);
        EXPECT_EQ(c.status, Failure(*retriever).status);
        EXPECT_NEAR(static_cast<double>(c.pause), static_cast<double>(Pause(*retriever)), 5.0);
        EXPECT_EQ(lastCheck, retriever->GetLastCheckTime());
        EXPECT_EQ(3, retriever->GetBufferedHeadlines()); // nothing walked, nothing lost
        EXPECT_EQ(0, retriever->Wake());                 // only Idle channels wake
    }
}

TEST_F(FeedBackOffTest, RepeatedFailuresDoubleThePauseUntilTheFirstSuccess)
{
    auto retriever = Known();
    const CString key = retriever->GetKey();
    Serve(Reply::WithStatus("500 Internal Server Error", "oops"));
    for (DWORD failures = 1; failures <= 3; ++failures)
    {
        SCOPED_TRACE(failures);
        ASSERT_TRUE(PollAgain(*retriever));
        EXPECT_EQ(failures, Failure(*retriever).count);
        EXPECT_NEAR(static_cast<double>(Interval << (failures - 1)), static_cast<double>(Pause(*retriever)),
                    5.0);
    }
    Serve(Reply::Ok(Feed(4)));
    ASSERT_TRUE(PollAgain(*retriever));
    EXPECT_EQ(CAbstractRetriever::Idle, retriever->GetState());
    EXPECT_EQ(0u, Failure(*retriever).count);
    EXPECT_EQ(4, retriever->GetBufferedHeadlines());
    retriever.reset();
    EXPECT_FALSE(
        TestRegistry::ValueExists(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(key), "failedPolls"));
}

TEST_F(FeedBackOffTest, ARestartWaitsOutTheServersRequestYetStopsAtOnce)
{
    auto retriever = Known();
    const CString key = retriever->GetKey();
    Serve(WithHeader("503 Service Unavailable", "Retry-After", "3600"));
    const size_t first = m_server.GetRequestCount();
    retriever->Wake();
    ASSERT_TRUE(Polled(*retriever, first));
    retriever.reset();
    const CString path = CChannelRecord::RegistryPath(key);
    DWORD stored = 0;
    ASSERT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, path, "failureStatus", stored));
    EXPECT_EQ(503u, stored);

    // The next run shows why it waits and asks nothing.
    Serve(Reply::Ok(Feed(3)));
    const size_t before = m_server.GetRequestCount();
    retriever = std::make_unique<CFeedRetriever>();
    retriever->Initialize(key);
    retriever->Start(0);
    ASSERT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Error; }));
    ::Sleep(300);
    EXPECT_EQ(before, m_server.GetRequestCount());
    EXPECT_NEAR(3600.0, static_cast<double>(Pause(*retriever)), 10.0);
    const ULONGLONG stopping = ::GetTickCount64();
    retriever->Stop();
    EXPECT_LT(::GetTickCount64() - stopping, 2000u);

    // Switched on again by hand, it asks at once.
    retriever->Start(0);
    ASSERT_TRUE(Polled(*retriever, before));
    EXPECT_EQ(CAbstractRetriever::Idle, retriever->GetState());
}

TEST_F(FeedBackOffTest, AGoneFeedIsSwitchedOffAndNotAskedAgain)
{
    // Gone while known, or from the first request on (which also leaves
    // the notice that it could not be read).
    for (const bool known : {true, false})
    {
        SCOPED_TRACE(known ? "known" : "new");
        Serve(Reply::Ok(Feed(3)));
        auto retriever = known ? Known("/known.xml") : std::make_unique<CFeedRetriever>();
        if (!known)
        {
            Serve(Reply::WithStatus("410 Gone", ""));
            retriever->Initialize(m_server.GetUrl("/new.xml").c_str());
            retriever->Start(0);
        }
        else
        {
            Serve(Reply::WithStatus("410 Gone", ""));
            retriever->Wake();
        }
        ASSERT_TRUE(WaitUntil([&] { return Failure(*retriever).status == 410; }));
        EXPECT_EQ(CAbstractRetriever::Error, retriever->GetState());
        EXPECT_FALSE(retriever->GetChannel()->GetEnabled());
        EXPECT_EQ(0, Failure(*retriever).nextCheck);
        EXPECT_EQ(known ? 3 : 1, retriever->GetBufferedHeadlines());
        const size_t requests = m_server.GetRequestCount();
        const ULONGLONG stopping = ::GetTickCount64();
        retriever->Stop();
        EXPECT_LT(::GetTickCount64() - stopping, 2000u);
        EXPECT_EQ(requests, m_server.GetRequestCount());
        const CString key = retriever->GetKey();
        retriever.reset();
        DWORD enabled = 1;
        ASSERT_TRUE(
            TestRegistry::GetDword(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(key), "enabled", enabled));
        EXPECT_EQ(0u, enabled);
    }
}
