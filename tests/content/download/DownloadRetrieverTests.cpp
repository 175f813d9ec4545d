// The download service's notices: not before a minute has passed, one a
// minute, every finished job in turn, and none for a job no longer listed.
#include "DownloadTest.h"

#include "content/download/DownloadRetriever.h"
#include "core/ChannelRecord.h"

using Content::Download::CDownloadJob;

using Content::Download::CDownloadRetriever;

namespace
{
class DownloadRetrieverTest : public DownloadTest
{
protected:
    std::string NextNoticeUrl(CDownloadRetriever& service)
    {
        if (!service.HasHeadlines(nullptr))
        {
            return "(none waiting)";
        }
        CHeadline notice;
        if (service.GetHeadlines(&notice, 1) != 1)
        {
            return "(none made)";
        }
        const std::string description = notice.GetDescription().GetString();
        return description.substr(1, description.find('"', 1) - 1);
    }
};
} // namespace

// A service without a thread, with the download icon, stored nowhere.
TEST_F(DownloadRetrieverTest, FinishedJobsAreAnnouncedInTurnOneAMinuteUntilRemoved)
{
    CTestHttpServer server(
        [&](const Request& request) {
            return request.target == "/broken.mp3" ? Reply::WithStatus("404 Not Found", "")
                                                   : File(Body(3000));
        });
    CDownloadRetriever service(List());
    EXPECT_EQ(1, service.Initialize("$downloadService"));
    EXPECT_EQ(8u, service.GetChannel()->GetIcon());
    EXPECT_FALSE(service.GetChannel()->IsPersistent());
    EXPECT_EQ(1, service.Start(0));
    EXPECT_EQ(0, service.Dismiss(5));
    EXPECT_FALSE(
        TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\$downloadService"));
    for (const char* name : {"a.mp3", "broken.mp3", "b.mp3"})
    {
        ASSERT_TRUE(WaitForEnd(Add(server.GetUrl(std::string("/") + name)))) << name;
    }

    Advance(CDownloadRetriever::NoticePause);
    EXPECT_EQ(0, service.HasHeadlines(nullptr)) << "a minute exactly is not more than a minute";
    Advance(1);
    ASSERT_EQ(1, service.HasHeadlines(nullptr));
    CHeadline notice;
    ASSERT_EQ(1u, service.GetHeadlines(&notice, 1));
    EXPECT_STREQ("Tidelight downloads", notice.GetChannelTitle());
    EXPECT_STREQ("Download finished", notice.GetTitle());
    const std::string a = server.GetUrl("/a.mp3");
    EXPECT_EQ("\"" + a + "\" is completely downloaded. Double-click this window to open it.",
              notice.GetDescription().GetString());
    EXPECT_STREQ(List().JobAt(0)->GetLocalPath(), notice.GetLink());
    EXPECT_TRUE(notice.IsSealed());
    EXPECT_EQ(&service, notice.GetRetriever());
    EXPECT_EQ(service.GetSerial(), notice.GetRetrieverSerial());
    EXPECT_TRUE(notice.GetEnclosureUrl().IsEmpty());
    EXPECT_EQ(0, service.HasHeadlines(nullptr)) << "the next one waits for another minute";

    const std::string b = server.GetUrl("/b.mp3");
    for (const std::string& url : {b, a, b})
    {
        Advance(CDownloadRetriever::NoticePause + 1);
        EXPECT_EQ(url, NextNoticeUrl(service));
    }
    // The user clears the first: only the other is announced from now on.
    ASSERT_TRUE(List().RemoveJob(List().JobAt(0)));
    for (int i = 0; i < 3; ++i)
    {
        Advance(CDownloadRetriever::NoticePause + 1);
        EXPECT_EQ(b, NextNoticeUrl(service));
    }
    ASSERT_TRUE(List().RemoveJob(List().JobAt(1)));
    Advance(CDownloadRetriever::NoticePause + 1);
    EXPECT_EQ(0, service.HasHeadlines(nullptr));
    EXPECT_EQ(0u, service.GetHeadlines(&notice, 1));
}
