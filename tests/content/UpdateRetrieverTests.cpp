#include "content/UpdateRetriever.h"

#include "core/Settings.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <gtest/gtest.h>

#include <mutex>
#include <tuple>

using Content::CAbstractRetriever;
using Content::CUpdateRetriever;

namespace
{
class UpdateRetrieverTest : public ::testing::Test
{
protected:
    ~UpdateRetrieverTest() override
    {
        Settings().SetUpdateServiceUrl(CSettings::DefaultUpdateServiceUrl);
        Settings().SetCheckForUpdates(true);
    }

    // Runs one check of the given manifest; returns the notices queued.
    std::vector<CHeadline> Check(const std::string& manifest, int ends = CAbstractRetriever::Idle)
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_manifest = manifest;
        }
        CUpdateRetriever retriever;
        retriever.Initialize("$updateService");
        retriever.Start(0);
        EXPECT_TRUE(WaitUntil([&] { return retriever.GetState() == ends; })) << manifest;
        std::vector<CHeadline> notices(2);
        notices.resize(retriever.HasHeadlines(nullptr) ? retriever.GetHeadlines(notices.data(), 2) : 0);
        return notices;
    }

    std::mutex m_lock;
    std::string m_manifest;
    CTestHttpServer m_server{[this](const CTestHttpServer::Request&)
                             {
                                 std::lock_guard<std::mutex> guard(m_lock);
                                 return CTestHttpServer::Reply::Ok(m_manifest);
                             }};
};
} // namespace

// Versions compare as strings; an alternate service URL replaces the stored
// one only when usable. Switched off, the service asks nothing.
TEST_F(UpdateRetrieverTest, ANewerVersionGivesOneNoticeAndOnlyAUsableAlternateUrlIsStored)
{
    Settings().SetUpdateServiceUrl(m_server.GetUrl("/update/").c_str());
    const std::vector<CHeadline> notices =
        Check("<currVersion><id>1.8</id><link>http://127.0.0.1/get/1.8</link></currVersion>");
    ASSERT_EQ(1u, notices.size());
    EXPECT_STREQ("Tidelight update service", notices[0].GetChannelTitle());
    EXPECT_STREQ("New software version available", notices[0].GetTitle());
    EXPECT_STREQ("New version 1.8 is available for download. Double-click this window for more details.",
                 notices[0].GetDescription());
    EXPECT_STREQ("http://127.0.0.1/get/1.8", notices[0].GetLink());
    EXPECT_FALSE(notices[0].IsSealed());
    EXPECT_EQ(0, notices[0].GetId());
    EXPECT_EQ("/update/version.xml", m_server.GetRequests().at(0).target);

    const std::string original = m_server.GetUrl("/update/");
    const std::tuple<const char*, size_t, std::string> cases[] = {
        {"<currVersion><id>2</id></currVersion>", 1, original},
        {"<currVersion><id>1.10</id></currVersion>", 0, original}, // "1.10" sorts before "1.7"
        {"<currVersion><id>1.7</id></currVersion>", 0, original},
        {"<currVersion><version>9</version></currVersion>", 0, original},
        {"<html><body>404</body></html>", 0, original},
        {"not xml at all", 0, original},
        {"<currVersion><id>1.0</id><alternateServiceUrl></alternateServiceUrl></currVersion>", 0, original},
        {"<currVersion><alternateServiceUrl>javascript:alert(1)</alternateServiceUrl></currVersion>", 0,
         original},
        {"<currVersion><alternateServiceUrl>http://127.0.0.1:1/&#13;&#10;Host: x/</alternateServiceUrl>"
         "</currVersion>",
         0, original},
        {"<currVersion><alternateServiceUrl>https://127.0.0.1:9/new/</alternateServiceUrl></currVersion>", 0,
         "https://127.0.0.1:9/new/"},
    };
    for (const auto& [manifest, count, serviceUrl] : cases)
    {
        EXPECT_EQ(count, Check(manifest).size()) << manifest;
        EXPECT_EQ(serviceUrl, Settings().GetUpdateServiceUrl().GetString()) << manifest;
    }

    Settings().SetUpdateServiceUrl(original.c_str());
    Settings().SetCheckForUpdates(false);
    const size_t asked = m_server.GetRequestCount();
    EXPECT_EQ(0u, Check("<currVersion><id>2</id></currVersion>", CAbstractRetriever::Error).size());
    EXPECT_EQ(asked, m_server.GetRequestCount());
}
