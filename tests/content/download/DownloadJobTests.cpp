// One job's transfer against a local server: what it makes of the file on
// disk (the rules themselves are the resume plan's), how it pauses, resumes
// and cancels, and how it survives a server that breaks off.
#include "DownloadTest.h"

#include <vector>

std::atomic<uint64_t> DownloadTest::s_now{0};

namespace
{
class DownloadJobTest : public DownloadTest
{
};
} // namespace

TEST_F(DownloadJobTest, EachAnswerLeavesTheFileWholeOrAsItWas)
{
    const std::string body = Body(100000);
    const std::string part = body.substr(0, 30000);
    const struct
    {
        const char* name;
        std::string onDisk; // before the start
        Reply reply;
        int state;
        std::string after; // the file's bytes; "" for none at all
    } cases[] = {
        {"resumed", part, File(body), CDownloadJob::Finished, body},
        {"range-ignored", std::string(150000, 'x'), File(body, false), CDownloadJob::Finished, body},
        {"already-whole", body, File(std::string(100000, 'y')), CDownloadJob::Finished, body},
        {"not-found", part, Reply::WithStatus("404 Not Found", "<html>no such file</html>"),
         CDownloadJob::Failed, part},
        {"no-length", "",
         [&]
         {
             Reply chunked = File(body, false);
             chunked.chunkSize = 4096;
             return chunked;
         }(),
         CDownloadJob::Failed, ""},
    };
    CTestHttpServer server(
        [&](const Request& request)
        {
            for (const auto& c : cases)
            {
                if (request.target == std::string("/") + c.name)
                {
                    return c.reply;
                }
            }
            return Reply::WithStatus("500 Internal Server Error", "");
        });
    for (const auto& c : cases)
    {
        if (!c.onDisk.empty())
        {
            m_folder.Write(c.name, c.onDisk);
        }
        Store(server.GetUrl(std::string("/") + c.name));
    }
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CDownloadJob* job = Find(server.GetUrl(std::string("/") + c.name));
        ASSERT_TRUE(WaitForEnd(job));
        EXPECT_EQ(c.state, job->GetState());
        EXPECT_TRUE(c.after == m_folder.Read(c.name));
        EXPECT_EQ(!c.after.empty(), m_folder.Exists(c.name));
    }
    for (const Request& request : server.GetRequests())
    {
        EXPECT_EQ("tidelight/1.7", request.Header("User-Agent"));
        if (request.target == "/resumed")
        {
            EXPECT_EQ("bytes=30000-", request.Header("Range"));
        }
    }
}

TEST_F(DownloadJobTest, ShortTransfersKeepTheirPartsUntilARestartCompletesTheFile)
{
    // The server closes the connection mid-way three times in a row.
    const std::string body = Body(100000);
    std::atomic<int> cuts{3};
    CTestHttpServer server(
        [&](const Request&)
        {
            Reply reply = File(body);
            reply.closeAfterBodyBytes = cuts-- > 0 ? 20000 : Reply::NoLimit;
            return reply;
        });
    CDownloadJob* job = Add(server.GetUrl("/cut.bin"));
    for (size_t kept = 20000; kept <= 60000; kept += 20000)
    {
        SCOPED_TRACE(kept);
        ASSERT_TRUE(WaitForEnd(job));
        EXPECT_EQ(CDownloadJob::Failed, job->GetState());
        EXPECT_EQ(100000u, job->GetTotalSize());
        EXPECT_TRUE(body.substr(0, kept) == m_folder.Read("cut.bin"));
        job = Restart().JobAt(0);
    }
    ASSERT_TRUE(WaitForEnd(job));
    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_TRUE(body == m_folder.Read("cut.bin"));
    EXPECT_EQ("bytes=60000-", server.GetRequests().back().Header("Range"));
}

TEST_F(DownloadJobTest, PauseHoldsTheFileAndResumeContinuesWithoutReconnecting)
{
    const std::string body = Body(1024 * 1024);
    CTestHttpServer server([&](const Request&) { return File(body, true, 20); });
    CDownloadJob* job = Add(server.GetUrl("/slow.bin"));
    ASSERT_TRUE(
        WaitUntil([&] { return job->GetState() == CDownloadJob::Downloading && job->GetDownloaded() > 0; }));
    EXPECT_FALSE(job->Resume()) << "only a paused job resumes";
    ASSERT_TRUE(job->Pause());
    ASSERT_TRUE(WaitForState(job, CDownloadJob::Paused));
    EXPECT_FALSE(job->Pause());
    EXPECT_LT(job->GetDownloaded(), body.size());
    Common::CUniqueFile other(
        ::CreateFileA(job->GetLocalPath(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(other) << "nobody else may write a paused job's file";

    ASSERT_TRUE(job->Resume());
    ASSERT_TRUE(WaitForEnd(job));
    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_TRUE(body == m_folder.Read("slow.bin"));
    EXPECT_EQ(1u, server.GetRequestCount());
}

// Cancel means the user wants no file, a part from an earlier run included;
// a job that runs beside it keeps a speed of its own.
TEST_F(DownloadJobTest, CancelDeletesTheFileWhilePausedOrDownloading)
{
    const std::string body = Body(4 * 1024 * 1024);
    CTestHttpServer server([&](const Request&) { return File(body, true, 20); });
    m_folder.Write("paused.bin", body.substr(0, 10000));
    Store(server.GetUrl("/paused.bin"));
    CDownloadJob* paused = Find(server.GetUrl("/paused.bin"));
    CDownloadJob* running = Add(server.GetUrl("/running.bin"));
    ASSERT_TRUE(WaitForState(paused, CDownloadJob::Downloading));
    ASSERT_TRUE(paused->Pause());
    ASSERT_TRUE(WaitForState(paused, CDownloadJob::Paused));
    ASSERT_TRUE(WaitForState(running, CDownloadJob::Downloading));
    Advance(2000);
    ASSERT_TRUE(WaitUntil([&] { return running->GetSpeed() > 0; }));
    EXPECT_EQ(0.0f, paused->GetSpeed());

    paused->Cancel();
    running->Cancel();
    ASSERT_TRUE(WaitForEnd(paused));
    ASSERT_TRUE(WaitForEnd(running));
    EXPECT_EQ(CDownloadJob::Failed, paused->GetState());
    EXPECT_EQ(CDownloadJob::Failed, running->GetState());
    EXPECT_EQ(std::vector<std::string>(), m_folder.Files());
}

TEST_F(DownloadJobTest, OffsetsBeyondFourGigabytesReachTheServerWhole)
{
    // A sparse file as large as a long recording.
    const uint64_t size = 5000000000ull;
    {
        Common::CUniqueFile file(::CreateFileA(m_folder.PathOf("huge.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.get()));
    }
    CTestHttpServer server(
        [&](const Request& request)
        {
            Reply reply = Reply::WithStatus("416 Range Not Satisfiable", "");
            reply.headers.emplace_back("Content-Range", "bytes */5000000000");
            return request.Header("Range") == "bytes=5000000000-" ? reply
                                                                  : Reply::WithStatus("400 Bad Request", "");
        });
    Store(server.GetUrl("/huge.bin"));
    CDownloadJob* job = Find(server.GetUrl("/huge.bin"));
    ASSERT_TRUE(WaitForEnd(job));
    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_EQ(size, job->GetTotalSize());
    EXPECT_EQ(size, job->GetDownloaded());
}

// An https enclosure is fetched over TLS: the plain server sees the opening
// of a handshake, not a readable request.
TEST_F(DownloadJobTest, HttpsEnclosureSpeaksTls)
{
    CTestHttpServer server([&](const Request&) { return File(Body(1000)); });
    CDownloadJob* job = Add("https://127.0.0.1:" + std::to_string(server.GetPort()) + "/secure.bin");
    ASSERT_TRUE(WaitForEnd(job));
    EXPECT_EQ(CDownloadJob::Failed, job->GetState());
    const std::vector<Request> requests = server.GetRequests();
    ASSERT_FALSE(requests.empty());
    for (const Request& request : requests)
    {
        EXPECT_EQ('\x16', request.head.at(0)) << "a TLS handshake record";
    }
}
