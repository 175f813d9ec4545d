#include "content/UpdateRetriever.h"

#include "core/Settings.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <mutex>

using Content::CAbstractRetriever;
using Content::CUpdateRetriever;

namespace
{
class UpdateRetrieverTest : public ::testing::Test
{
protected:
    UpdateRetrieverTest()
        : m_server(
              [this](const CTestHttpServer::Request&)
              {
                  std::lock_guard<std::mutex> guard(m_lock);
                  return CTestHttpServer::Reply::Ok(m_manifest);
              })
    {
        Settings().SetUpdateServiceUrl(m_server.GetUrl("/update/").c_str());
        Settings().SetCheckForUpdates(true);
    }
    ~UpdateRetrieverTest() override
    {
        Settings().SetUpdateServiceUrl(CSettings::DefaultUpdateServiceUrl);
        Settings().SetCheckForUpdates(true);
    }

    // Runs one check of the given manifest; returns the notices queued.
    std::vector<CHeadline> Check(const std::string& manifest)
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_manifest = manifest;
        }
        CUpdateRetriever retriever;
        retriever.Initialize("$updateService");
        retriever.Start(0);
        EXPECT_TRUE(WaitUntil([&] { return retriever.GetState() == CAbstractRetriever::Idle; }));
        std::vector<CHeadline> notices;
        CHeadline notice;
        while (retriever.HasHeadlines(nullptr) && retriever.GetHeadlines(&notice, 1) == 1)
        {
            notices.push_back(notice);
        }
        return notices;
    }
    static std::string Manifest(const std::string& inner)
    {
        return "<currVersion>" + inner + "</currVersion>";
    }

    std::mutex m_lock;
    std::string m_manifest;
    CTestHttpServer m_server;
};
} // namespace

TEST_F(UpdateRetrieverTest, NewerVersionGivesANoticeWithItsLink)
{
    const std::vector<CHeadline> notices =
        Check(Manifest("<id>1.8</id><link>http://127.0.0.1/get/1.8</link>"));
    ASSERT_EQ(1u, notices.size());
    EXPECT_STREQ("Tidelight update service", notices[0].GetChannelTitle());
    EXPECT_STREQ("New software version available", notices[0].GetTitle());
    EXPECT_STREQ("New version 1.8 is available for download. Double-click this window for more details.",
                 notices[0].GetDescription());
    EXPECT_STREQ("http://127.0.0.1/get/1.8", notices[0].GetLink());
    EXPECT_FALSE(notices[0].IsSealed());
    EXPECT_EQ(0, notices[0].GetId());
    ASSERT_EQ(1u, m_server.GetRequestCount());
    EXPECT_EQ("/update/version.xml", m_server.GetRequests()[0].target);
}

TEST_F(UpdateRetrieverTest, VersionsCompareAsStrings)
{
    EXPECT_EQ(1u, Check(Manifest("<id>2</id>")).size());
    EXPECT_EQ(0u, Check(Manifest("<id>1.10</id>")).size()) << "\"1.10\" sorts before \"1.7\"";
    EXPECT_EQ(0u, Check(Manifest("<id>1.7</id>")).size());
    EXPECT_EQ(0u, Check(Manifest("<version>9</version>")).size());
    EXPECT_EQ(0u, Check("<html><body>404</body></html>").size());
    EXPECT_EQ(0u, Check("not xml at all").size());
}

TEST_F(UpdateRetrieverTest, AlternateServiceUrlReplacesTheStoredOneOnlyWhenUsable)
{
    const CString original = Settings().GetUpdateServiceUrl();
    Check(Manifest("<id>1.0</id><alternateServiceUrl></alternateServiceUrl>"));
    EXPECT_STREQ(original, Settings().GetUpdateServiceUrl());
    Check(Manifest("<alternateServiceUrl>javascript:alert(1)</alternateServiceUrl>"));
    EXPECT_STREQ(original, Settings().GetUpdateServiceUrl());
    Check(Manifest("<alternateServiceUrl>http://127.0.0.1:1/&#13;&#10;Host: x/</alternateServiceUrl>"));
    EXPECT_STREQ(original, Settings().GetUpdateServiceUrl());
    Check(Manifest("<alternateServiceUrl>https://127.0.0.1:9/new/</alternateServiceUrl>"));
    EXPECT_STREQ("https://127.0.0.1:9/new/", Settings().GetUpdateServiceUrl());
}

TEST_F(UpdateRetrieverTest, SwitchedOffItAsksNothingAndReportsError)
{
    Settings().SetCheckForUpdates(false);
    CUpdateRetriever retriever;
    retriever.Initialize("$updateService");
    retriever.Start(0);
    EXPECT_TRUE(WaitUntil([&] { return retriever.GetState() == CAbstractRetriever::Error; }));
    retriever.Stop();
    EXPECT_EQ(0u, m_server.GetRequestCount());
    EXPECT_EQ(0, retriever.HasHeadlines(nullptr));
}
