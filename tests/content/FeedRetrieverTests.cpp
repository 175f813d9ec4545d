#include "content/FeedRetriever.h"

#include "content/HttpFetch.h"
#include "content/IdHistory.h"
#include "core/ChannelRecord.h"
#include "support/RegistrySandbox.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <atomic>
#include <thread>
#include <memory>
#include <mutex>
#include <string>

using Content::CAbstractRetriever;
using Content::CFeedRetriever;

namespace
{
std::string Rss(const std::string& items, const char* title = "Test channel")
{
    return std::string("<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>") + title + "</title>" +
           items + "</channel></rss>";
}

std::string Item(int number)
{
    return "<item><title>Story " + std::to_string(number) + "</title><link>http://127.0.0.1/story/" +
           std::to_string(number) + "</link><description>About &lt;b&gt;story&lt;/b&gt; " +
           std::to_string(number) + "</description></item>";
}

std::string Items(int first, int last)
{
    std::string items;
    for (int i = first; i <= last; ++i)
    {
        items += Item(i);
    }
    return items;
}

class FeedRetrieverTest : public ::testing::Test
{
protected:
    FeedRetrieverTest()
        : m_server(
              [this](const CTestHttpServer::Request&)
              {
                  std::lock_guard<std::mutex> guard(m_lock);
                  return m_reply;
              }),
          m_key(m_server.GetUrl("/feed.xml").c_str())
    {
        Serve(CTestHttpServer::Reply::Ok(Rss(Items(1, 3))));
    }

    void Serve(const CTestHttpServer::Reply& reply)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_reply = reply;
    }
    void SetChannelValue(const char* name, DWORD value)
    {
        TestRegistry::SetDword(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key), name, value);
    }
    std::unique_ptr<CFeedRetriever> StartRetriever()
    {
        auto retriever = std::make_unique<CFeedRetriever>();
        retriever->Initialize(m_key);
        retriever->Start(0);
        return retriever;
    }
    static int Waiting(CFeedRetriever& retriever)
    {
        int count = 0;
        return retriever.HasHeadlines(&count) ? count : 0;
    }
    // Waits for the poll after the given number of requests to finish.
    bool WaitForPoll(CFeedRetriever& retriever, size_t requests)
    {
        return WaitUntil(
            [&] {
                return m_server.GetRequestCount() >= requests &&
                       retriever.GetState() == CAbstractRetriever::Idle;
            });
    }
    std::vector<CString> TakeTitles(CFeedRetriever& retriever)
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
    CTestHttpServer::Reply m_reply;
    CTestHttpServer m_server;
    const CString m_key;
};
} // namespace

TEST_F(FeedRetrieverTest, DetectsTheFormatThenBuffersEveryNewHeadlineInOrder)
{
    auto retriever = StartRetriever();
    ASSERT_TRUE(WaitForPoll(*retriever, 1));
    // The document read for detection is the first poll's.
    EXPECT_EQ(1u, m_server.GetRequestCount());
    EXPECT_EQ(3, Waiting(*retriever));
    EXPECT_EQ(3, retriever->GetBufferedHeadlines());
    EXPECT_STREQ("Test channel", retriever->GetTitle());
    EXPECT_GT(retriever->GetLastCheckTime(), 0);

    CHeadline headlines[5];
    ASSERT_EQ(3u, retriever->GetHeadlines(headlines, 5));
    EXPECT_STREQ("Story 1", headlines[0].GetTitle());
    EXPECT_STREQ("About story 1", headlines[0].GetDescription());
    EXPECT_STREQ("Test channel", headlines[0].GetChannelTitle());
    EXPECT_STREQ("Story 3", headlines[2].GetTitle());
    EXPECT_EQ(retriever.get(), headlines[0].GetRetriever());
    EXPECT_EQ(retriever->GetSerial(), headlines[0].GetRetrieverSerial());
    EXPECT_EQ(3, retriever->GetDisplayedHeadlines());
    EXPECT_EQ(0, retriever->GetBufferedHeadlines());

    const std::vector<CTestHttpServer::Request> requests = m_server.GetRequests();
    EXPECT_EQ("tidelight/1.7", requests[0].Header("User-Agent"));
}

TEST_F(FeedRetrieverTest, ShownHeadlinesStayShownAcrossRestarts)
{
    {
        auto retriever = StartRetriever();
        ASSERT_TRUE(WaitForPoll(*retriever, 1));
        CHeadline first;
        ASSERT_EQ(1u, retriever->GetHeadlines(&first, 1)); // shown: story 1
    }
    // Stories 2 and 3 were buffered but never shown: they come back.
    Serve(CTestHttpServer::Reply::Ok(Rss(Items(1, 4))));
    const size_t before = m_server.GetRequestCount();
    auto retriever = StartRetriever();
    ASSERT_TRUE(WaitForPoll(*retriever, before + 1));
    EXPECT_EQ((std::vector<CString>{"Story 2", "Story 3", "Story 4"}), TakeTitles(*retriever));
}

TEST_F(FeedRetrieverTest, AnUnchangedFeedIsAnIdleCheckAndTheValidatorsOutliveARestart)
{
    std::atomic<int> version{1};
    CTestHttpServer server(
        [&](const CTestHttpServer::Request& request)
        {
            const std::string etag = "\"v" + std::to_string(version) + "\"";
            if (request.Header("If-None-Match") == etag)
            {
                return CTestHttpServer::Reply::WithStatus("304 Not Modified", "");
            }
            CTestHttpServer::Reply reply = CTestHttpServer::Reply::Ok(Rss(Items(1, 99 + version)));
            reply.headers = {{"ETag", etag}, {"Last-Modified", "Tue, 03 Jun 2025 10:00:00 GMT"}};
            return reply;
        });
    const CString key = server.GetUrl("/feed.xml").c_str();
    auto retriever = std::make_unique<CFeedRetriever>();
    retriever->Initialize(key);
    retriever->Start(0);
    auto polled = [&](size_t requests)
    {
        return WaitUntil(
            [&] {
                return server.GetRequestCount() >= requests &&
                       retriever->GetState() == CAbstractRetriever::Idle;
            });
    };
    ASSERT_TRUE(polled(1));
    TakeTitles(*retriever);
    const int64_t firstCheck = retriever->GetLastCheckTime();
    ASSERT_TRUE(WaitUntil([&] { return static_cast<int64_t>(std::time(nullptr)) > firstCheck; }));
    retriever->Wake();
    ASSERT_TRUE(polled(2));
    EXPECT_EQ("\"v1\"", server.GetRequests()[1].Header("If-None-Match"));
    EXPECT_EQ("Tue, 03 Jun 2025 10:00:00 GMT", server.GetRequests()[1].Header("If-Modified-Since"));
    EXPECT_GT(retriever->GetLastCheckTime(), firstCheck);
    EXPECT_EQ(0, Waiting(*retriever));

    // The 304 did not make the channel forget what it showed (more than it
    // keeps of ids a feed drops): only the new
    // story comes, and the new validator is the one stored.
    version = 2;
    retriever->Wake();
    ASSERT_TRUE(polled(3));
    EXPECT_EQ((std::vector<CString>{"Story 101"}), TakeTitles(*retriever));
    retriever.reset();
    std::string stored;
    DWORD type = 0;
    ASSERT_TRUE(
        TestRegistry::GetRaw(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(key), "etag", type, stored));
    EXPECT_STREQ("\"v2\"", stored.c_str());
}

TEST_F(FeedRetrieverTest, RepeatingChannelsBufferEveryPollUntilDismissed)
{
    SetChannelValue("repeatHeadlines", 1);
    auto retriever = StartRetriever();
    ASSERT_TRUE(WaitForPoll(*retriever, 1));
    EXPECT_EQ(3, Waiting(*retriever));
    CHeadline first;
    retriever->GetHeadlines(&first, 1); // taking does not mark it shown
    ASSERT_EQ(1, retriever->Wake());
    ASSERT_TRUE(WaitForPoll(*retriever, 2));
    EXPECT_EQ(5, Waiting(*retriever));
    // Two copies of story 2 wait; one dismissal removes both for good.
    CHeadline second;
    retriever->GetHeadlines(&second, 1);
    EXPECT_STREQ("Story 2", second.GetTitle());
    EXPECT_EQ(1, retriever->Dismiss(second.GetId()));
    EXPECT_EQ(3, Waiting(*retriever));
    retriever->Wake();
    ASSERT_TRUE(WaitForPoll(*retriever, 3));
    const std::vector<CString> titles = TakeTitles(*retriever);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), CString("Story 2")), 0);
    EXPECT_EQ(std::count(titles.begin(), titles.end(), CString("Story 1")), 2);
}

TEST_F(FeedRetrieverTest, IdenticalItemsAreBufferedOnce)
{
    Serve(CTestHttpServer::Reply::Ok(Rss(Item(1) + Item(1) + Item(2))));
    auto retriever = StartRetriever();
    ASSERT_TRUE(WaitForPoll(*retriever, 1));
    EXPECT_EQ((std::vector<CString>{"Story 1", "Story 2"}), TakeTitles(*retriever));
}

TEST_F(FeedRetrieverTest, AFeedOfHundredsOfItemsNeverRepeatsWhatWasSeen)
{
    Serve(CTestHttpServer::Reply::Ok(Rss(Items(1, 300))));
    auto retriever = StartRetriever();
    ASSERT_TRUE(WaitUntil([&] { return Waiting(*retriever) == 300; }));
    TakeTitles(*retriever); // all seen
    for (int poll = 0; poll < 2; ++poll)
    {
        const size_t before = m_server.GetRequestCount();
        retriever->Wake();
        ASSERT_TRUE(WaitForPoll(*retriever, before + 1));
        EXPECT_EQ(0, Waiting(*retriever)) << "poll " << poll;
    }
    // Restarted, the channel still knows all 300.
    retriever.reset();
    retriever = StartRetriever();
    ASSERT_TRUE(WaitUntil([&] { return retriever->GetLastCheckTime() != 0; }));
    EXPECT_EQ(0, Waiting(*retriever));
}

TEST_F(FeedRetrieverTest, EveryFailedDetectionBuffersAnErrorNotice)
{
    Serve(CTestHttpServer::Reply::WithStatus("404 Not Found", "<html><body>gone</body></html>"));
    auto retriever = StartRetriever();
    // Each start makes one detection attempt.
    for (int attempt = 1; attempt <= 3; ++attempt)
    {
        ASSERT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Error; }));
        retriever->Stop();
        ASSERT_EQ(attempt, retriever->GetBufferedHeadlines());
        if (attempt < 3)
        {
            retriever->Start(0);
        }
    }
    CHeadline notice;
    ASSERT_EQ(1u, retriever->GetHeadlines(&notice, 1));
    EXPECT_STREQ("Application error", notice.GetChannelTitle());
    EXPECT_STREQ("Channel not reachable", notice.GetTitle());
    EXPECT_STREQ(m_key, notice.GetDescription());
    EXPECT_STREQ("", notice.GetLink());
    // The notices bypass the histories: the same one comes again and again.
    CHeadline again;
    ASSERT_EQ(1u, retriever->GetHeadlines(&again, 1));
    EXPECT_EQ(notice.GetId(), again.GetId());
}

TEST_F(FeedRetrieverTest, StopDuringAFetchDoesNotWaitForTheNetwork)
{
    // The detection fetch, or the first poll after it, never gets an answer.
    const struct
    {
        size_t stallingRequest;
        int stateDuringFetch;
    } cases[] = {{1, CAbstractRetriever::Initializing}, {2, CAbstractRetriever::Polling}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.stallingRequest);
        std::atomic<size_t> seen{0};
        CTestHttpServer server(
            [&](const CTestHttpServer::Request&)
            {
                CTestHttpServer::Reply reply = CTestHttpServer::Reply::Ok(Rss(Items(1, 3)));
                reply.stall = ++seen >= c.stallingRequest;
                return reply;
            });
        auto retriever = std::make_unique<CFeedRetriever>();
        retriever->Initialize(server.GetUrl("/feed.xml").c_str());
        retriever->Start(0);
        if (c.stallingRequest == 2)
        {
            // The first poll after detection comes when the retriever is woken.
            ASSERT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Idle; }));
            retriever->Wake();
        }
        ASSERT_TRUE(WaitUntil([&] { return seen == c.stallingRequest; }));
        EXPECT_EQ(c.stateDuringFetch, retriever->GetState());
        HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        std::thread stopper(
            [&]
            {
                retriever->Stop();
                ::SetEvent(done);
            });
        // A stop that waited would sit out the fetch's half-minute time-outs.
        EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(done, 10000));
        stopper.join();
        ::CloseHandle(done);
        EXPECT_EQ(CAbstractRetriever::Stopped, retriever->GetState());
        retriever.reset(); // the abandoned worker must never touch it again
        server.Stop();
    }
}

TEST_F(FeedRetrieverTest, StoppedChannelsReportNothingButKeepTheirBuffer)
{
    auto retriever = StartRetriever();
    ASSERT_TRUE(WaitForPoll(*retriever, 1));
    retriever->Stop();
    EXPECT_EQ(0, retriever->HasHeadlines(nullptr));
    EXPECT_EQ(3, retriever->GetBufferedHeadlines());
    const size_t before = m_server.GetRequestCount();
    retriever->Start(0); // the format is known: one fetch, no detection
    ASSERT_TRUE(WaitForPoll(*retriever, before + 1));
    EXPECT_EQ(3, Waiting(*retriever));
}

TEST_F(FeedRetrieverTest, OnlyAPermanentMoveChangesWhereTheChannelIsPolled)
{
    const struct
    {
        const char* status;
        bool remembered;
    } cases[] = {{"301 Moved Permanently", true},
                 {"308 Permanent Redirect", true},
                 {"302 Found", false},
                 {"307 Temporary Redirect", false}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.status);
        CTestHttpServer server(
            [&](const CTestHttpServer::Request& request)
            {
                if (request.target != "/old.xml")
                {
                    return CTestHttpServer::Reply::Ok(Rss(Items(1, 3)));
                }
                CTestHttpServer::Reply moved = CTestHttpServer::Reply::WithStatus(c.status, "");
                moved.headers = {{"Location", "/new.xml"}};
                return moved;
            });
        const CString key = server.GetUrl("/old.xml").c_str();
        for (int run = 0; run < 2; ++run)
        {
            auto retriever = std::make_unique<CFeedRetriever>();
            retriever->Initialize(key);
            retriever->Start(0);
            ASSERT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Idle; }));
            EXPECT_STREQ(key, retriever->GetKey());
        }
        // The second run's first request went where the first run was sent.
        const std::vector<CTestHttpServer::Request> requests = server.GetRequests();
        ASSERT_GE(requests.size(), 3u);
        EXPECT_EQ(c.remembered ? "/new.xml" : "/old.xml", requests[2].target);
        std::string stored;
        DWORD type = 0;
        EXPECT_EQ(c.remembered, TestRegistry::GetRaw(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(key),
                                                     "currentUrl", type, stored));
        EXPECT_TRUE(!c.remembered || server.GetUrl("/new.xml") == stored.c_str());
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(key));
    }
}
