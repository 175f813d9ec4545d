#include "content/FeedRetriever.h"

#include "content/IdHistory.h"
#include "core/ChannelRecord.h"
#include "support/RegistrySandbox.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

using Content::CAbstractRetriever;
using Content::CFeedRetriever;
using Reply = CTestHttpServer::Reply;
using Request = CTestHttpServer::Request;

namespace
{
std::string Items(int first, int last)
{
    std::string items;
    for (int i = first; i <= last; ++i)
    {
        const std::string n = std::to_string(i);
        items += "<item><title>Story " + n + "</title><link>http://127.0.0.1/story/" + n +
                 "</link><description>About &lt;b&gt;story&lt;/b&gt; " + n + "</description></item>";
    }
    return items;
}

std::string Rss(int first, int last, const std::string& more = "")
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Test channel</title>" +
           Items(first, last) + more + "</channel></rss>";
}

std::vector<CString> Stories(int first, int last)
{
    std::vector<CString> titles;
    for (int i = first; i <= last; ++i)
    {
        titles.push_back(CString::Format("Story %d", i));
    }
    return titles;
}

// A channel on a local server whose answers the test scripts.
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
        Serve(Reply::Ok(Rss(1, 3)));
    }

    void Serve(const Reply& reply)
    {
        Handle([reply](const Request&) { return reply; });
    }
    void Handle(const CTestHttpServer::Handler& handler)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_handler = handler;
    }
    std::unique_ptr<CFeedRetriever> Start(const CString& key)
    {
        auto retriever = std::make_unique<CFeedRetriever>();
        retriever->Initialize(key);
        retriever->Start(0);
        return retriever;
    }
    static int Waiting(CFeedRetriever& retriever)
    {
        int count = 0;
        return retriever.HasHeadlines(&count) ? count : 0;
    }
    // Wakes the retriever unless this is its first poll, and waits for the
    // poll to end.
    bool Poll(CFeedRetriever& retriever, bool wake = true)
    {
        const size_t requests = m_server.GetRequestCount() + 1;
        if (wake && retriever.Wake() != 1)
        {
            return false;
        }
        return WaitUntil(
            [&] {
                return m_server.GetRequestCount() >= requests &&
                       retriever.GetState() == CAbstractRetriever::Idle;
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

TEST_F(FeedRetrieverTest, DetectsTheFormatThenBuffersEveryNewHeadlineInOrder)
{
    auto retriever = Start(m_key);
    ASSERT_TRUE(Poll(*retriever, false));
    // The document read for detection is the first poll's.
    EXPECT_EQ(1u, m_server.GetRequestCount());
    EXPECT_EQ("tidelight/1.7", m_server.GetRequests()[0].Header("User-Agent"));
    EXPECT_EQ(3, Waiting(*retriever));
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
}

TEST_F(FeedRetrieverTest, ShownHeadlinesStayShownAcrossRestartsAndIdenticalItemsComeOnce)
{
    {
        auto retriever = Start(m_key);
        ASSERT_TRUE(Poll(*retriever, false));
        CHeadline first;
        ASSERT_EQ(1u, retriever->GetHeadlines(&first, 1)); // shown: story 1
    }
    // Stories 2 and 3 were buffered but never shown: they come back.
    Serve(Reply::Ok(Rss(1, 4, Items(4, 4))));
    auto retriever = Start(m_key);
    ASSERT_TRUE(Poll(*retriever, false));
    EXPECT_EQ(Stories(2, 4), Take(*retriever));
}

TEST_F(FeedRetrieverTest, AnUnchangedFeedIsAnIdleCheckAndTheValidatorsOutliveARestart)
{
    std::atomic<int> version{1};
    Handle(
        [&](const Request& request)
        {
            const std::string etag = "\"v" + std::to_string(version) + "\"";
            if (request.Header("If-None-Match") == etag)
            {
                return Reply::WithStatus("304 Not Modified", "");
            }
            Reply reply = Reply::Ok(Rss(1, 99 + version));
            reply.headers = {{"ETag", etag}, {"Last-Modified", "Tue, 03 Jun 2025 10:00:00 GMT"}};
            return reply;
        });
    auto retriever = Start(m_key);
    ASSERT_TRUE(Poll(*retriever, false));
    Take(*retriever);
    const int64_t firstCheck = retriever->GetLastCheckTime();
    ASSERT_TRUE(WaitUntil([&] { return static_cast<int64_t>(std::time(nullptr)) > firstCheck; }));
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ("\"v1\"", m_server.GetRequests()[1].Header("If-None-Match"));
    EXPECT_EQ("Tue, 03 Jun 2025 10:00:00 GMT", m_server.GetRequests()[1].Header("If-Modified-Since"));
    EXPECT_GT(retriever->GetLastCheckTime(), firstCheck);
    EXPECT_EQ(0, Waiting(*retriever));

    // The 304 did not make the channel forget what it showed (more than it
    // keeps of ids a feed drops): only the new story comes, and the new
    // validator is the one stored.
    version = 2;
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ(Stories(101, 101), Take(*retriever));
    retriever.reset();
    EXPECT_EQ("\"v2\"", Stored("etag"));
}

TEST_F(FeedRetrieverTest, RepeatingChannelsBufferEveryPollUntilDismissed)
{
    TestRegistry::SetDword(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key), "repeatHeadlines", 1);
    auto retriever = Start(m_key);
    ASSERT_TRUE(Poll(*retriever, false));
    CHeadline first;
    retriever->GetHeadlines(&first, 1); // taking does not mark it shown
    ASSERT_TRUE(Poll(*retriever));
    EXPECT_EQ(5, Waiting(*retriever));
    // Two copies of story 2 wait; one dismissal removes both for good.
    CHeadline second;
    retriever->GetHeadlines(&second, 1);
    EXPECT_STREQ("Story 2", second.GetTitle());
    EXPECT_EQ(1, retriever->Dismiss(second.GetId()));
    EXPECT_EQ(3, Waiting(*retriever));
    ASSERT_TRUE(Poll(*retriever));
    const std::vector<CString> titles = Take(*retriever);
    EXPECT_EQ(0, std::count(titles.begin(), titles.end(), CString("Story 2")));
    EXPECT_EQ(2, std::count(titles.begin(), titles.end(), CString("Story 1")));
}

TEST_F(FeedRetrieverTest, AFeedOfHundredsOfItemsNeverRepeatsWhatWasSeen)
{
    Serve(Reply::Ok(Rss(1, 300)));
    auto retriever = Start(m_key);
    ASSERT_TRUE(Poll(*retriever, false));
    EXPECT_EQ(300u, Take(*retriever).size());
    for (int poll = 0; poll < 2; ++poll)
    {
        ASSERT_TRUE(Poll(*retriever));
        EXPECT_EQ(0, Waiting(*retriever)) << "poll " << poll;
    }
    // Restarted, the channel still knows all 300.
    retriever.reset();
    retriever = Start(m_key);
    ASSERT_TRUE(Poll(*retriever, false));
    EXPECT_EQ(0, Waiting(*retriever));
}

TEST_F(FeedRetrieverTest, EveryFailedDetectionBuffersAnErrorNotice)
{
    Serve(Reply::WithStatus("404 Not Found", "<html><body>gone</body></html>"));
    auto retriever = Start(m_key);
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

TEST_F(FeedRetrieverTest, StoppedChannelsReportNothingButKeepTheirBuffer)
{
    auto retriever = Start(m_key);
    ASSERT_TRUE(Poll(*retriever, false));
    retriever->Stop();
    EXPECT_EQ(0, retriever->HasHeadlines(nullptr));
    EXPECT_EQ(3, retriever->GetBufferedHeadlines());
    retriever->Start(0); // the format is known: one fetch, no detection
    ASSERT_TRUE(Poll(*retriever, false));
    EXPECT_EQ(3, Waiting(*retriever));
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
        auto retriever = Start(m_key);
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
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key));
    }
    m_server.Stop();
}

TEST_F(FeedRetrieverTest, OnlyAPermanentMoveChangesWhereTheChannelIsPolled)
{
    for (const std::string status :
         {"301 Moved Permanently", "308 Permanent Redirect", "302 Found", "307 Temporary Redirect"})
    {
        SCOPED_TRACE(status);
        const bool remembered = status.compare(0, 3, "301") == 0 || status.compare(0, 3, "308") == 0;
        Handle(
            [status](const Request& request)
            {
                Reply moved =
                    request.target != "/feed.xml" ? Reply::Ok(Rss(1, 3)) : Reply::WithStatus(status, "");
                moved.headers.emplace_back("Location", "/new.xml");
                return moved;
            });
        const size_t before = m_server.GetRequestCount();
        for (int run = 0; run < 2; ++run)
        {
            auto retriever = Start(m_key);
            ASSERT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Idle; }));
            EXPECT_STREQ(m_key, retriever->GetKey());
        }
        // The second run's first request went where the first run was sent.
        const std::vector<Request> requests = m_server.GetRequests();
        ASSERT_GE(requests.size(), before + 3);
        EXPECT_EQ(remembered ? "/new.xml" : "/feed.xml", requests[before + 2].target);
        EXPECT_EQ(remembered ? m_server.GetUrl("/new.xml") : "", Stored("currentUrl"));
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(m_key));
    }
}
