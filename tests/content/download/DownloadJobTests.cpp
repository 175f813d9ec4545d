// One job's transfer against a local server: what it makes of the file on
// disk (the rules themselves are the resume plan's), how it pauses, resumes
// and cancels, and how it survives a server that breaks off.
#include "DownloadTest.h"

#include <algorithm>
#include <tuple>
#include <vector>

using Content::Download::CDownloadJob;

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
    // Before the start on disk, the reply, and after the end the state and
    // the file's bytes ("" for none at all). An https URL speaks TLS to the
    // plain server, which sees the opening of a handshake.
    const std::tuple<const char*, std::string, Reply, int, std::string> cases[] = {
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
        {"tls", "", File(body), CDownloadJob::Failed, ""},
    };
    CTestHttpServer server(
        [&](const Request& request)
        {
            for (const auto& [name, onDisk, reply, state, after] : cases)
            {
                if (request.target == std::string("/") + name)
                {
                    return reply;
                }
            }
            return Reply::WithStatus("500 Internal Server Error", "");
        });
    const auto url = [&](const std::string& name)
    {
        return name == "tls" ? "https://127.0.0.1:" + std::to_string(server.GetPort()) + "/tls"
                             : server.GetUrl("/" + name);
    };
    for (const auto& [name, onDisk, reply, state, after] : cases)
    {
        if (!onDisk.empty())
        {
            m_folder.Write(name, onDisk);
        }
        Store(url(name));
    }
    for (const auto& [name, onDisk, reply, state, after] : cases)
    {
        SCOPED_TRACE(name);
        CDownloadJob* job = Find(url(name));
        ASSERT_TRUE(WaitForEnd(job));
        EXPECT_EQ(state, job->GetState());
        EXPECT_TRUE(after == m_folder.Read(name));
        EXPECT_EQ(!after.empty(), m_folder.Exists(name));
    }
    int handshakes = 0;
    for (const Request& request : server.GetRequests())
    {
        if (request.head.at(0) == '\x16')
        {
            ++handshakes; // a TLS handshake record
            continue;
        }
        EXPECT_EQ("tidelight/1.7", request.Header("User-Agent"));
        EXPECT_TRUE(request.target != "/resumed" || request.Header("Range") == "bytes=30000-");
    }
    EXPECT_NE(0, handshakes);
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

// A paused job holds its file and resumes without reconnecting; a job that
// runs beside it keeps a speed of its own. Cancel means the user wants no
// file, a part from an earlier run included, paused or downloading.
TEST_F(DownloadJobTest, PauseHoldsTheFileResumeContinuesAndCancelDeletesIt)
{
    const std::string body = Body(1024 * 1024);
    CTestHttpServer server([&](const Request&) { return File(body, true, 20); });
    m_folder.Write("paused.bin", body.substr(0, 10000));
    Store(server.GetUrl("/paused.bin"));
    CDownloadJob* paused = Find(server.GetUrl("/paused.bin"));
    CDownloadJob* job = Add(server.GetUrl("/slow.bin"));
    CDownloadJob* running = Add(server.GetUrl("/running.bin"));
    ASSERT_TRUE(
        WaitUntil([&] { return job->GetState() == CDownloadJob::Downloading && job->GetDownloaded() > 0; }));
    EXPECT_FALSE(job->Resume()) << "only a paused job resumes";
    ASSERT_TRUE(job->Pause());
    ASSERT_TRUE(WaitForState(job, CDownloadJob::Paused));
    EXPECT_FALSE(job->Pause());
    EXPECT_LT(job->GetDownloaded(), body.size());
    Common::CUniqueFile other(::CreateFileA(job->GetLocalPath(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(other) << "nobody else may write a paused job's file";
    ASSERT_TRUE(job->Resume());

    ASSERT_TRUE(WaitForState(paused, CDownloadJob::Downloading));
    ASSERT_TRUE(paused->Pause());
    ASSERT_TRUE(WaitForState(paused, CDownloadJob::Paused));
    ASSERT_TRUE(WaitForState(running, CDownloadJob::Downloading));
    Advance(2000);
    ASSERT_TRUE(WaitUntil([&] { return running->GetSpeed() > 0; }));
    EXPECT_EQ(0.0f, paused->GetSpeed());
    paused->Cancel();
    running->Cancel();
    for (CDownloadJob* cancelled : {paused, running})
    {
        ASSERT_TRUE(WaitForEnd(cancelled));
        EXPECT_EQ(CDownloadJob::Failed, cancelled->GetState());
    }

    ASSERT_TRUE(WaitForEnd(job));
    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_TRUE(body == m_folder.Read("slow.bin"));
    EXPECT_EQ(std::vector<std::string>{"slow.bin"}, m_folder.Files());
    const std::vector<Request> requests = server.GetRequests();
    EXPECT_EQ(1, std::count_if(requests.begin(), requests.end(),
                               [](const Request& r) { return r.target == "/slow.bin"; }));
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
