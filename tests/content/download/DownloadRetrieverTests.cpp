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
    // One finished job per name, one failed one, in this order.
    void FinishJobs(CTestHttpServer& server, std::initializer_list<const char*> names)
    {
        for (const char* name : names)
        {
            CDownloadJob* job = Add(server.GetUrl(std::string("/") + name));
            ASSERT_TRUE(WaitForEnd(job)) << name;
        }
    }

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

TEST_F(DownloadRetrieverTest, FirstNoticeComesAfterAMinuteAndNamesTheFile)
{
    CTestHttpServer server([&](const Request&) { return File(Body(4000)); });
    // A service without a thread, with the download icon, stored nowhere.
    CDownloadRetriever service(List());
    EXPECT_EQ(1, service.Initialize("$downloadService"));
    EXPECT_EQ(8u, service.GetChannel()->GetIcon());
    EXPECT_FALSE(service.GetChannel()->IsPersistent());
    EXPECT_EQ(1, service.Start(0));
    EXPECT_EQ(0, service.Dismiss(5));
    EXPECT_FALSE(
        TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\$downloadService"));
    FinishJobs(server, {"first.mp3"});
    const CDownloadJob* job = List().JobAt(0);
    ASSERT_EQ(CDownloadJob::Finished, job->GetState());

    Advance(CDownloadRetriever::NoticePause);
    EXPECT_EQ(0, service.HasHeadlines(nullptr)) << "a minute exactly is not more than a minute";
    Advance(1);
    ASSERT_EQ(1, service.HasHeadlines(nullptr));

    CHeadline notice;
    ASSERT_EQ(1u, service.GetHeadlines(&notice, 1));
    EXPECT_STREQ("Tidelight downloads", notice.GetChannelTitle());
    EXPECT_STREQ("Download finished", notice.GetTitle());
    const std::string expected = "\"" + server.GetUrl("/first.mp3") +
                                 "\" is completely downloaded. Double-click this window to open it.";
    EXPECT_EQ(expected, notice.GetDescription().GetString());
    EXPECT_STREQ(job->GetLocalPath(), notice.GetLink());
    EXPECT_TRUE(notice.IsSealed());
    EXPECT_EQ(&service, notice.GetRetriever());
    EXPECT_EQ(service.GetSerial(), notice.GetRetrieverSerial());
    EXPECT_TRUE(notice.GetEnclosureUrl().IsEmpty());

    // The next one waits for another minute.
    EXPECT_EQ(0, service.HasHeadlines(nullptr));
    Advance(CDownloadRetriever::NoticePause + 1);
    EXPECT_EQ(1, service.HasHeadlines(nullptr));
}

TEST_F(DownloadRetrieverTest, FinishedJobsAreAnnouncedInTurnUntilRemoved)
{
    CTestHttpServer server(
        [&](const Request& request) {
            return request.target == "/broken.mp3" ? Reply::WithStatus("404 Not Found", "")
                                                   : File(Body(3000));
        });
    CDownloadRetriever service(List());
    service.Initialize("$downloadService");
    FinishJobs(server, {"a.mp3", "broken.mp3", "b.mp3"});
    const std::string a = server.GetUrl("/a.mp3");
    const std::string b = server.GetUrl("/b.mp3");

    const std::string expected[] = {a, b, a, b};
    for (const std::string& url : expected)
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
    CHeadline notice;
    EXPECT_EQ(0u, service.GetHeadlines(&notice, 1));
}
