// One job's transfer against a local server that honours or ignores ranges,
// answers with every kind of status, breaks off, stalls or trickles.
#include "DownloadTest.h"

#include <vector>

std::atomic<uint64_t> DownloadTest::s_now{0};

namespace
{
class DownloadJobTest : public DownloadTest
{
};
} // namespace

TEST_F(DownloadJobTest, ResumesFromTheBytesOnDisk)
{
    const std::string body = Body(100000);
    m_folder.Write("episode.mp3", body.substr(0, 30000));
    CTestHttpServer server([&](const Request&) { return File(body); });
    Store(server.GetUrl("/show/episode.mp3?session=1"));

    CDownloadJob* job = Find(server.GetUrl("/show/episode.mp3?session=1"));
    ASSERT_TRUE(WaitForEnd(job));

    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_EQ(100000u, job->GetTotalSize());
    EXPECT_EQ(100000u, job->GetDownloaded());
    EXPECT_EQ(m_folder.PathOf("episode.mp3"), job->GetLocalPath().GetString());
    EXPECT_TRUE(body == m_folder.Read("episode.mp3"));
    ASSERT_EQ(1u, server.GetRequestCount());
    const Request request = server.GetRequests()[0];
    EXPECT_EQ("bytes=30000-", request.Header("Range"));
    EXPECT_EQ("tidelight/1.7", request.Header("User-Agent"));
}

TEST_F(DownloadJobTest, ServerIgnoringTheRangeRewritesTheFileFromTheStart)
{
    const std::string body = Body(100000);
    // A stale part of another version, and a stale file longer than the new one.
    m_folder.Write("short.bin", std::string(30000, 'x'));
    m_folder.Write("long.bin", std::string(150000, 'x'));
    CTestHttpServer server([&](const Request&) { return File(body, false); });
    Store(server.GetUrl("/short.bin"));
    Store(server.GetUrl("/long.bin"));

    CDownloadJob* shorter = Find(server.GetUrl("/short.bin"));
    CDownloadJob* longer = Find(server.GetUrl("/long.bin"));
    ASSERT_TRUE(WaitForEnd(shorter));
    ASSERT_TRUE(WaitForEnd(longer));

    for (const CDownloadJob* job : {shorter, longer})
    {
        EXPECT_EQ(CDownloadJob::Finished, job->GetState());
        EXPECT_EQ(100000u, job->GetTotalSize());
    }
    EXPECT_TRUE(body == m_folder.Read("short.bin"));
    EXPECT_TRUE(body == m_folder.Read("long.bin"));
}

TEST_F(DownloadJobTest, WholeFileOnDiskIsFinishedWithoutAByteWritten)
{
    const std::string body = Body(50000);
    m_folder.Write("ranged.bin", body);
    m_folder.Write("plain.bin", body);
    // The server would send other bytes: none of them may reach the files.
    const std::string other(50000, 'y');
    CTestHttpServer server(
        [&](const Request& request)
        { return request.target == "/ranged.bin" ? File(other, true) : File(other, false); });
    Store(server.GetUrl("/ranged.bin"));
    Store(server.GetUrl("/plain.bin"));

    CDownloadJob* ranged = Find(server.GetUrl("/ranged.bin"));
    CDownloadJob* plain = Find(server.GetUrl("/plain.bin"));
    ASSERT_TRUE(WaitForEnd(ranged));
    ASSERT_TRUE(WaitForEnd(plain));

    for (const CDownloadJob* job : {ranged, plain})
    {
        EXPECT_EQ(CDownloadJob::Finished, job->GetState());
        EXPECT_EQ(50000u, job->GetTotalSize());
        EXPECT_EQ(50000u, job->GetDownloaded());
    }
    EXPECT_TRUE(body == m_folder.Read("ranged.bin"));
    EXPECT_TRUE(body == m_folder.Read("plain.bin"));
}

TEST_F(DownloadJobTest, AnswersThatAreNotTheFileWriteNothing)
{
    const std::string body = Body(100000);
    const std::string part = body.substr(0, 30000);
    const std::vector<std::string> names = {"missing",   "error",   "wrong-range", "no-range",      "gap",
                                            "short-416", "chunked", "negative",    "garbage-length"};
    for (const std::string& name : names)
    {
        m_folder.Write(name, part);
    }
    CTestHttpServer server(
        [&](const Request& request)
        {
            const std::string name = request.target.substr(1);
            Reply reply = File(body, false);
            if (name == "missing")
            {
                reply = Reply::WithStatus("404 Not Found", "<html>no such file</html>");
            }
            else if (name == "error")
            {
                reply = Reply::WithStatus("500 Internal Server Error", "<html>oops</html>");
            }
            else if (name == "wrong-range")
            {
                // Partial content that starts where the file does not end.
                reply.status = "206 Partial Content";
                reply.body = body.substr(0, 70000);
                reply.headers.emplace_back("Content-Range", "bytes 0-69999/100000");
            }
            else if (name == "no-range")
            {
                reply.status = "206 Partial Content";
                reply.body = body.substr(30000);
            }
            else if (name == "gap")
            {
                reply.status = "206 Partial Content";
                reply.body = body.substr(40000);
                reply.headers.emplace_back("Content-Range", "bytes 40000-99999/100000");
            }
            else if (name == "short-416")
            {
                reply = Reply::WithStatus("416 Range Not Satisfiable", "");
                reply.headers.emplace_back("Content-Range", "bytes */20000");
            }
            else if (name == "chunked")
            {
                reply.chunkSize = 4096;
            }
            else if (name == "negative")
            {
                reply.contentLength = false;
                reply.headers.emplace_back("Content-Length", "-5");
            }
            else if (name == "garbage-length")
            {
                reply.contentLength = false;
                reply.headers.emplace_back("Content-Length", "99999999999999999999999");
            }
            return reply;
        });

    for (const std::string& name : names)
    {
        Store(server.GetUrl("/" + name));
    }
    for (const std::string& name : names)
    {
        CDownloadJob* job = Find(server.GetUrl("/" + name));
        ASSERT_TRUE(WaitForEnd(job)) << name;
        EXPECT_EQ(CDownloadJob::Failed, job->GetState()) << name;
        EXPECT_TRUE(part == m_folder.Read(name)) << name << ": the partial file must stay as it was";
    }
}

TEST_F(DownloadJobTest, ReplyWithoutALengthLeavesNoFileBehind)
{
    CTestHttpServer server(
        [&](const Request&)
        {
            Reply reply = File(Body(10000), false);
            reply.chunkSize = 1000;
            return reply;
        });

    CDownloadJob* job = Add(server.GetUrl("/stream.bin"));
    ASSERT_TRUE(WaitForEnd(job));

    EXPECT_EQ(CDownloadJob::Failed, job->GetState());
    EXPECT_FALSE(m_folder.Exists("stream.bin"));
}

TEST_F(DownloadJobTest, ShortTransfersFailKeepingTheirPartsUntilARestartCompletesTheFile)
{
    // The server closes the connection mid-way three times in a row.
    const std::string body = Body(100000);
    std::atomic<int> cuts{3};
    CTestHttpServer server(
        [&](const Request&)
        {
            Reply reply = File(body);
            if (cuts-- > 0)
            {
                reply.closeAfterBodyBytes = 20000;
            }
            return reply;
        });

    CDownloadJob* job = Add(server.GetUrl("/cut.bin"));
    for (size_t kept = 20000; kept <= 60000; kept += 20000)
    {
        SCOPED_TRACE(kept);
        ASSERT_TRUE(WaitForEnd(job));
        EXPECT_EQ(CDownloadJob::Failed, job->GetState());
        EXPECT_EQ(100000u, job->GetTotalSize());
        const std::string part = m_folder.Read("cut.bin");
        EXPECT_EQ(kept, part.size());
        EXPECT_TRUE(body.substr(0, part.size()) == part);
        // The next start asks for the rest.
        CDownloadJobList& list = Restart();
        ASSERT_EQ(1u, list.JobCount());
        job = list.JobAt(0);
    }
    ASSERT_TRUE(WaitForEnd(job));
    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_TRUE(body == m_folder.Read("cut.bin"));
    EXPECT_EQ("bytes=60000-", server.GetRequests().back().Header("Range"));
}

TEST_F(DownloadJobTest, PauseAndResumeContinueWithoutReopeningOrReconnecting)
{
    const std::string body = Body(1024 * 1024);
    CTestHttpServer server(
        [&](const Request&)
        {
            Reply reply = File(body);
            reply.pieceSize = 16 * 1024;
            reply.pieceDelayMs = 20;
            return reply;
        });

    CDownloadJob* job = Add(server.GetUrl("/slow.bin"));
    ASSERT_TRUE(
        WaitUntil([&] { return job->GetState() == CDownloadJob::Downloading && job->GetDownloaded() > 0; }));
    EXPECT_FALSE(job->Resume()) << "only a paused job resumes";
    ASSERT_TRUE(job->Pause());
    ASSERT_TRUE(WaitForState(job, CDownloadJob::Paused));
    EXPECT_FALSE(job->Pause());

    // Paused, the job still holds its file: nobody else can write it.
    const uint64_t held = job->GetDownloaded();
    HANDLE other = ::CreateFileA(job->GetLocalPath(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(INVALID_HANDLE_VALUE, other);
    EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), ::GetLastError());
    if (other != INVALID_HANDLE_VALUE)
    {
        ::CloseHandle(other);
    }
    EXPECT_LT(held, body.size());

    ASSERT_TRUE(job->Resume());
    ASSERT_TRUE(WaitForEnd(job));
    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_TRUE(body == m_folder.Read("slow.bin"));
    EXPECT_EQ(1u, server.GetRequestCount());
}

TEST_F(DownloadJobTest, CancelWhilePausedOrDownloadingDeletesTheFile)
{
    const std::string body = Body(1024 * 1024);
    CTestHttpServer server(
        [&](const Request&)
        {
            Reply reply = File(body);
            reply.pieceSize = 16 * 1024;
            reply.pieceDelayMs = 20;
            return reply;
        });
    // A part from an earlier run goes too: cancel means the user wants none.
    m_folder.Write("paused.bin", body.substr(0, 10000));
    Store(server.GetUrl("/paused.bin"));

    CDownloadJob* paused = Find(server.GetUrl("/paused.bin"));
    CDownloadJob* running = Add(server.GetUrl("/running.bin"));
    ASSERT_TRUE(WaitForState(paused, CDownloadJob::Downloading));
    ASSERT_TRUE(paused->Pause());
    ASSERT_TRUE(WaitForState(paused, CDownloadJob::Paused));
    paused->Cancel();
    ASSERT_TRUE(WaitForState(running, CDownloadJob::Downloading));
    running->Cancel();

    ASSERT_TRUE(WaitForEnd(paused));
    ASSERT_TRUE(WaitForEnd(running));
    EXPECT_EQ(CDownloadJob::Failed, paused->GetState());
    EXPECT_EQ(CDownloadJob::Failed, running->GetState());
    EXPECT_FALSE(m_folder.Exists("paused.bin"));
    EXPECT_FALSE(m_folder.Exists("running.bin"));
}

TEST_F(DownloadJobTest, TwoJobsAtOnceKeepTheirOwnSpeeds)
{
    const std::string body = Body(4 * 1024 * 1024);
    CTestHttpServer server(
        [&](const Request&)
        {
            Reply reply = File(body);
            reply.pieceSize = 16 * 1024;
            reply.pieceDelayMs = 20;
            return reply;
        });
    CDownloadJob* first = Add(server.GetUrl("/first.bin"));
    CDownloadJob* second = Add(server.GetUrl("/second.bin"));
    ASSERT_TRUE(WaitForState(first, CDownloadJob::Downloading));
    ASSERT_TRUE(WaitForState(second, CDownloadJob::Downloading));

    // Only the first runs while the clock passes a second: only it has a speed.
    ASSERT_TRUE(second->Pause());
    ASSERT_TRUE(WaitForState(second, CDownloadJob::Paused));
    Advance(2000);
    ASSERT_TRUE(WaitUntil([&] { return first->GetSpeed() > 0; }));
    EXPECT_EQ(0.0f, second->GetSpeed());

    // Then the other way round: the first keeps the speed it had.
    ASSERT_TRUE(first->Pause());
    ASSERT_TRUE(WaitForState(first, CDownloadJob::Paused));
    const float firstSpeed = first->GetSpeed();
    ASSERT_TRUE(second->Resume());
    ASSERT_TRUE(WaitUntil(
        [&] { return second->GetDownloaded() > 0 && second->GetState() == CDownloadJob::Downloading; }));
    Advance(2000);
    ASSERT_TRUE(WaitUntil([&] { return second->GetSpeed() > 0; }));
    EXPECT_EQ(firstSpeed, first->GetSpeed());

    ASSERT_TRUE(first->Resume());
    ASSERT_TRUE(WaitForEnd(first));
    ASSERT_TRUE(WaitForEnd(second));
    EXPECT_TRUE(body == m_folder.Read("first.bin"));
    EXPECT_TRUE(body == m_folder.Read("second.bin"));
}

TEST_F(DownloadJobTest, OffsetsBeyondFourGigabytesReachTheServerWhole)
{
    // A sparse file as large as a long recording.
    const uint64_t size = 5000000000ull;
    {
        HANDLE file = ::CreateFileA(m_folder.PathOf("huge.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(::SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file));
        ::CloseHandle(file);
    }
    CTestHttpServer server(
        [&](const Request& request)
        {
            if (request.Header("Range") != "bytes=5000000000-")
            {
                return Reply::WithStatus("400 Bad Request", "");
            }
            Reply reply = Reply::WithStatus("416 Range Not Satisfiable", "");
            reply.headers.emplace_back("Content-Range", "bytes */5000000000");
            return reply;
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
        EXPECT_FALSE(request.wellFormed);
        ASSERT_FALSE(request.head.empty());
        EXPECT_EQ(0x16, request.head[0]) << "a TLS handshake record";
    }
}
