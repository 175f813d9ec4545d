// The job list: what it stores in the registry, what it loads at the next
// start (with the network there or not), and how it names files and keys.
#include "DownloadTest.h"

#include "common/WideText.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <tuple>
#include <vector>

using Content::Download::CDownloadJob;
using Content::Download::CDownloadJobList;

namespace
{
const char Downloads[] = "SOFTWARE\\tidelight\\Downloads";

class DownloadJobListTest : public DownloadTest
{
protected:
    static std::string KeyPath(const std::string& url) { return std::string(Downloads) + "\\" + url; }

    // A port where nothing listens any more.
    static std::string DeadUrl(const std::string& path)
    {
        CTestHttpServer gone([](const Request&) { return Reply(); });
        gone.Stop();
        return gone.GetUrl(path);
    }

    // The URLs of the jobs and their files' names.
    static std::set<std::string> Listed(CDownloadJobList& list)
    {
        std::set<std::string> listed;
        for (unsigned i = 0; i < list.JobCount(); ++i)
        {
            const std::string path = list.JobAt(i)->GetLocalPath().GetString();
            listed.insert(std::string(list.JobAt(i)->GetUrl().GetString()) + " " +
                          path.substr(path.rfind('\\') + 1));
        }
        return listed;
    }
};
} // namespace

// A job is stored at once, once, under one flat key named by its URL where
// the URL can name one; its file never overwrites another job's or one
// already there, and lands in the folder whatever the URL or the stored
// name. Keys and names come back at the next start. Only an ended job is
// removed, with its key but not its file.
TEST_F(DownloadJobListTest, EveryJobHasAKeyAndAFileOfItsOwnInsideTheFolderUntilRemoved)
{
    const std::string folder = m_folder.PathOf("Downloads");
    {
        CDownloadJobList list(folder.c_str());
        EXPECT_EQ(0u, list.JobCount());
        EXPECT_EQ(nullptr, list.JobAt(0));
        const DWORD attributes = ::GetFileAttributesA(folder.c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    }
    m_folder.Write("report.pdf", "somebody else's report");
    const std::string body = Body(3000);
    CTestHttpServer server(
        [&](const Request& request)
        {
            Reply reply = File(body);
            reply.pieceSize = request.target == "/slow.bin" ? 1000 : 0;
            reply.pieceDelayMs = 5000;
            return reply;
        });
    const std::string stored = DeadUrl("/media/song.mp3");
    TestRegistry::SetString(HKEY_CURRENT_USER, KeyPath(stored).c_str(), "fileName", "..\\..\\evil.exe");
    const std::string chosen = DeadUrl("/media/other.mp3");
    TestRegistry::SetString(HKEY_CURRENT_USER, KeyPath(chosen).c_str(), "fileName", "chosen (3).mp3");
    const std::string longName = std::string(400, 'l') + ".mp3";
    // These two fail, removing their files, before the next is named.
    const std::string dead = DeadUrl("");
    const std::string paths[] = {
        "/one/clip.mp3", "/two/clip.mp3",    "/report.pdf",     "/x/..\\..\\evil.exe",
        "/nul",          "/con.mp3?x=1",     "/a:b*c?.mp3",     "/",
        "/" + longName,  dead + "/Case.mp3", dead + "/case.mp3"};
    for (const std::string& path : paths)
    {
        ASSERT_TRUE(WaitForEnd(Add(path[0] == '/' ? server.GetUrl(path) : path)));
    }
    EXPECT_TRUE(List().AddJob(server.GetUrl("/one/clip.mp3").c_str())) << "listed already";
    // URLs that are no downloads are refused quietly.
    EXPECT_FALSE(List().AddJob("file:///C:/Windows/win.ini"));
    EXPECT_FALSE(List().AddJob("http://127.0.0.1/a.mp3\r\nX-Injected: 1"));
    const std::set<std::string> expected = {
        stored + " song.mp3",
        chosen + " chosen (3).mp3",
        server.GetUrl("/one/clip.mp3") + " clip.mp3",
        server.GetUrl("/two/clip.mp3") + " clip (2).mp3",
        server.GetUrl("/report.pdf") + " report (2).pdf",
        server.GetUrl("/x/..\\..\\evil.exe") + " .._.._evil.exe",
        server.GetUrl("/nul") + " _nul",
        server.GetUrl("/con.mp3?x=1") + " _con.mp3",
        server.GetUrl("/a:b*c?.mp3") + " a_b_c",
        server.GetUrl("/") + " download",
        server.GetUrl("/" + longName) + " " + std::string(116, 'l') + ".mp3",
        dead + "/Case.mp3 Case.mp3",
        dead + "/case.mp3 case (2).mp3",
    };
    EXPECT_EQ(expected, Listed(List()));
    // One flat key each: no "\" makes nested keys, and URLs that differ only
    // in case keep keys of their own.
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, KeyPath(dead + "/Case.mp3").c_str()));
    EXPECT_FALSE(
        TestRegistry::KeyExists(HKEY_CURRENT_USER, KeyPath(server.GetUrl("/x/..\\..\\evil.exe")).c_str()));
    Common::CUniqueKey downloads;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, Downloads, 0, KEY_READ, downloads.put()));
    DWORD keys = 0;
    ::RegQueryInfoKeyA(downloads.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, nullptr);
    EXPECT_EQ(expected.size(), keys);
    EXPECT_EQ(expected, Listed(Restart())) << "the names are stored with the jobs";
    EXPECT_EQ("somebody else's report", m_folder.Read("report.pdf"));
    EXPECT_TRUE(body == m_folder.Read("clip (2).mp3"));
    // The jobs of the dead server make their files and then remove them
    // again as they fail: count once every job has ended.
    for (unsigned i = 0; i < List().JobCount(); ++i)
    {
        ASSERT_TRUE(WaitForEnd(List().JobAt(i)));
    }
    // The 9 of the live server, the other report and the Downloads folder.
    EXPECT_EQ(11u, m_folder.Files().size()) << "nothing was written outside the folder";

    CDownloadJob* slow = Add(server.GetUrl("/slow.bin"));
    ASSERT_TRUE(WaitForState(slow, CDownloadJob::Downloading));
    EXPECT_FALSE(slow->Open(nullptr)) << "only a finished file opens";
    EXPECT_FALSE(List().RemoveJob(slow)) << "its worker still runs";
    CDownloadJob* done = Find(server.GetUrl("/one/clip.mp3"));
    EXPECT_TRUE(List().RemoveJob(done));
    EXPECT_FALSE(List().RemoveJob(done));
    EXPECT_EQ(expected.size(), List().JobCount());
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, KeyPath(server.GetUrl("/one/clip.mp3")).c_str()));
    EXPECT_TRUE(body == m_folder.Read("clip.mp3"));
}

// A name in its own script names the file as its author wrote it, is stored
// as Unicode and finds its part again after a restart; the names earlier
// versions gave (an ANSI name stored through the ANSI functions, a URL's
// escapes where no name was stored) still find theirs.
TEST_F(DownloadJobListTest, NamesInAnyScriptAndOlderNamesResumeIntoTheirFiles)
{
    const std::string body = Body(60000);
    std::atomic<int> cuts{1};
    CTestHttpServer server(
        [&](const Request&)
        {
            Reply reply = File(body);
            reply.closeAfterBodyBytes = cuts-- > 0 ? 20000 : Reply::NoLimit;
            return reply;
        });
    const std::string named = server.GetUrl("/%D0%9A%D0%BB%D0%B8%D0%BF.mp3"); // "Klip" in Cyrillic
    ASSERT_TRUE(WaitForEnd(Add(named)));
    const std::string ansi = server.GetUrl("/older.mp3");
    TestRegistry::SetString(HKEY_CURRENT_USER, KeyPath(ansi).c_str(), "fileName", "caf\xE9.mp3");
    Common::CUniqueFile part(::CreateFileA(m_folder.PathOf("caf\xE9.mp3").c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_NEW, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(part.get(), body.data(), 30000, &written, nullptr));
    part.reset();
    const std::string unnamed = server.GetUrl("/%D0%96.mp3");
    Store(unnamed);
    m_folder.Write("%D0%96.mp3", body.substr(0, 40000));

    Restart();
    for (unsigned i = 0; i < 3; ++i)
    {
        ASSERT_TRUE(WaitForEnd(List().JobAt(i)));
        EXPECT_EQ(CDownloadJob::Finished, List().JobAt(i)->GetState()) << List().JobAt(i)->GetUrl();
    }
    wchar_t ansiName[MAX_PATH] = {};
    ::MultiByteToWideChar(CP_ACP, 0, "caf\xE9.mp3", -1, ansiName, MAX_PATH);
    std::set<std::wstring> names;
    for (const auto& file : std::filesystem::directory_iterator(m_folder.Path()))
    {
        names.insert(file.path().filename().wstring());
        std::ifstream in(file.path(), std::ios::binary);
        EXPECT_TRUE(body == std::string(std::istreambuf_iterator<char>(in), {}));
    }
    EXPECT_EQ((std::set<std::wstring>{L"\u041A\u043B\u0438\u043F.mp3", ansiName, L"%D0%96.mp3"}), names);
    std::set<std::string> ranges;
    for (const Request& request : server.GetRequests())
    {
        ranges.insert(request.Header("Range"));
    }
    for (const char* range : {"bytes=20000-", "bytes=30000-", "bytes=40000-"})
    {
        EXPECT_EQ(1u, ranges.count(range)) << range;
    }
    wchar_t stored[MAX_PATH] = {};
    DWORD size = sizeof(stored);
    EXPECT_EQ(ERROR_SUCCESS, ::RegGetValueW(HKEY_CURRENT_USER, Common::Widen(KeyPath(named).c_str()).c_str(),
                                            L"fileName", RRF_RT_REG_SZ, nullptr, stored, &size));
    EXPECT_STREQ(L"\u041A\u043B\u0438\u043F.mp3", stored);
}

// A finished job is stored while the program still runs, so a kill then
// loses nothing, and it is known complete at the next start without its
// server. Jobs stored before a finished size was kept are known only to the
// server: offline, they fail, but no file is deleted and no job forgotten.
TEST_F(DownloadJobListTest, TheNextStartKnowsFinishedJobsWithoutTheServerAndDeletesNoFile)
{
    const std::string body = Body(60000);
    const std::string partial = DeadUrl("/partial.bin");
    const std::string whole = DeadUrl("/whole.bin");
    Store(partial);
    Store(whole);
    m_folder.Write("partial.bin", body.substr(0, 20000));
    m_folder.Write("whole.bin", body);
    std::string done;
    {
        CTestHttpServer server([&](const Request&) { return File(body); });
        done = server.GetUrl("/done.bin");
        CDownloadJob* job = Add(done);
        ASSERT_TRUE(WaitForEnd(job));
        ASSERT_EQ(CDownloadJob::Finished, job->GetState());
        List().SaveEnded();
        DWORD type = 0;
        std::string stored;
        ASSERT_TRUE(
            TestRegistry::GetRaw(HKEY_CURRENT_USER, KeyPath(done).c_str(), "completeSize", type, stored));
        EXPECT_EQ(static_cast<DWORD>(REG_QWORD), type);
        m_list.reset();
    }
    const std::tuple<std::string, int, std::string, std::string> jobs[] = {
        {partial, CDownloadJob::Failed, "partial.bin", body.substr(0, 20000)},
        {whole, CDownloadJob::Failed, "whole.bin", body},
        {done, CDownloadJob::Finished, "done.bin", body},
    };
    for (int run = 0; run < 2; ++run)
    {
        EXPECT_EQ(3u, List().JobCount());
        for (const auto& [url, state, name, bytes] : jobs)
        {
            CDownloadJob* job = Find(url);
            ASSERT_TRUE(WaitForEnd(job));
            EXPECT_EQ(state, job->GetState()) << name;
            EXPECT_EQ(state == CDownloadJob::Finished ? bytes.size() : 0u, job->GetTotalSize()) << name;
            EXPECT_TRUE(bytes == m_folder.Read(name)) << name;
        }
        Restart();
    }
}
