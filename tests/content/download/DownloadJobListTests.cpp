// The job list: what it stores in the registry, what it loads at the next
// start (with the network there or not), and how it names files and keys.
#include "DownloadTest.h"

#include <set>
#include <vector>

namespace
{
const char Downloads[] = "SOFTWARE\\tidelight\\Downloads";

class DownloadJobListTest : public DownloadTest
{
protected:
    static std::string KeyPath(const std::string& name) { return std::string(Downloads) + "\\" + name; }

    // The subkeys of Downloads, with the number of subkeys each has itself.
    static std::vector<std::pair<std::string, DWORD>> StoredKeys()
    {
        std::vector<std::pair<std::string, DWORD>> keys;
        HKEY downloads = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, Downloads, 0, KEY_READ, &downloads) != ERROR_SUCCESS)
        {
            return keys;
        }
        char name[256];
        for (DWORD index = 0;; ++index)
        {
            DWORD length = sizeof(name);
            if (::RegEnumKeyExA(downloads, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
            {
                break;
            }
            HKEY key = nullptr;
            DWORD subkeys = 0;
            if (::RegOpenKeyExA(downloads, name, 0, KEY_READ, &key) == ERROR_SUCCESS)
            {
                ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                                   nullptr, nullptr, nullptr, nullptr);
                ::RegCloseKey(key);
            }
            keys.emplace_back(name, subkeys);
        }
        ::RegCloseKey(downloads);
        return keys;
    }

    // A port where nothing listens any more.
    static std::string DeadUrl(const std::string& path)
    {
        unsigned short port = 0;
        {
            CTestHttpServer gone([](const Request&) { return Reply::Ok(""); });
            port = gone.GetPort();
        }
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }

    static std::set<std::string> Urls(CDownloadJobList& list)
    {
        std::set<std::string> urls;
        for (unsigned i = 0; i < list.JobCount(); ++i)
        {
            urls.insert(list.JobAt(i)->GetUrl().GetString());
        }
        return urls;
    }
};
} // namespace

TEST_F(DownloadJobListTest, EmptyStoreAndNoFolderStartEmptyWithTheFolderMade)
{
    const std::string folder = m_folder.PathOf("Downloads");
    TestRegistry::CreateKey(HKEY_CURRENT_USER, Downloads);
    {
        CDownloadJobList list(folder.c_str());
        EXPECT_EQ(0u, list.JobCount());
        EXPECT_EQ(nullptr, list.JobAt(0));
        const DWORD attributes = ::GetFileAttributesA(folder.c_str());
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
        EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
    ::RemoveDirectoryA(folder.c_str());
}

TEST_F(DownloadJobListTest, AddingTheSameUrlTwiceMakesOneJob)
{
    const std::string url = DeadUrl("/clip.mp3");
    EXPECT_TRUE(List().AddJob(url.c_str()));
    EXPECT_TRUE(List().AddJob(url.c_str()));
    EXPECT_EQ(1u, List().JobCount());
    ASSERT_TRUE(WaitForEnd(List().JobAt(0)));
}

TEST_F(DownloadJobListTest, UrlsThatAreNoDownloadsAreRefusedQuietly)
{
    const char* refused[] = {"",
                             "ftp://127.0.0.1/a.mp3",
                             "file:///C:/Windows/win.ini",
                             "C:\\Windows\\win.ini",
                             "http://127.0.0.1/a.mp3\r\nX-Injected: 1",
                             "http://127.0.0.1/a\nb.mp3"};
    for (const char* url : refused)
    {
        EXPECT_FALSE(List().AddJob(url)) << url;
    }
    EXPECT_EQ(0u, List().JobCount());
    EXPECT_TRUE(StoredKeys().empty());
}

TEST_F(DownloadJobListTest, JobIsStoredWhenAddedAndComesBackAtTheNextStart)
{
    const std::string url = DeadUrl("/show/clip.mp3");
    CDownloadJob* job = Add(url);
    // Stored at once, named by its URL as the store always was.
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, KeyPath(url).c_str()));
    ASSERT_TRUE(WaitForEnd(job));

    CDownloadJobList& list = Restart();
    ASSERT_EQ(1u, list.JobCount());
    EXPECT_STREQ(url.c_str(), list.JobAt(0)->GetUrl());
    EXPECT_EQ(m_folder.PathOf("clip.mp3"), list.JobAt(0)->GetLocalPath().GetString());
}

TEST_F(DownloadJobListTest, StoredJobOfTheOlderLayoutResumesItsPartialFile)
{
    const std::string body = Body(80000);
    CTestHttpServer server([&](const Request&) { return File(body); });
    const std::string url = server.GetUrl("/audio/talk.ogg");
    // A key without values, as every earlier version wrote it.
    TestRegistry::CreateKey(HKEY_CURRENT_USER, KeyPath(url).c_str());
    m_folder.Write("talk.ogg", body.substr(0, 25000));

    ASSERT_EQ(1u, List().JobCount());
    CDownloadJob* job = List().JobAt(0);
    ASSERT_TRUE(WaitForEnd(job));

    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_TRUE(body == m_folder.Read("talk.ogg"));
    EXPECT_EQ("bytes=25000-", server.GetRequests().at(0).Header("Range"));
}

TEST_F(DownloadJobListTest, FinishedJobIsKnownCompleteAtTheNextStartWithoutTheServer)
{
    const std::string body = Body(60000);
    std::string url;
    {
        CTestHttpServer server([&](const Request&) { return File(body); });
        url = server.GetUrl("/done.bin");
        CDownloadJob* job = Add(url);
        ASSERT_TRUE(WaitForEnd(job));
        ASSERT_EQ(CDownloadJob::Finished, job->GetState());
        // Stored while the program still runs: a kill now loses nothing.
        List().SaveEnded();
        DWORD type = 0;
        std::string stored;
        ASSERT_TRUE(TestRegistry::GetRaw(HKEY_CURRENT_USER, KeyPath(url).c_str(), "completeSize", type, stored));
        EXPECT_EQ(static_cast<DWORD>(REG_QWORD), type);
        m_list.reset();
    }

    // Offline now: the finished file is still recognised, and kept.
    CDownloadJob* job = List().JobAt(0);
    ASSERT_TRUE(WaitForEnd(job));
    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_EQ(60000u, job->GetTotalSize());
    EXPECT_TRUE(body == m_folder.Read("done.bin"));
}

TEST_F(DownloadJobListTest, OfflineStartDeletesNoFile)
{
    const std::string body = Body(60000);
    const std::string partial = DeadUrl("/partial.bin");
    const std::string whole = DeadUrl("/whole.bin");
    // Stored before a finished size was kept: known only to the server.
    TestRegistry::CreateKey(HKEY_CURRENT_USER, KeyPath(partial).c_str());
    TestRegistry::CreateKey(HKEY_CURRENT_USER, KeyPath(whole).c_str());
    m_folder.Write("partial.bin", body.substr(0, 20000));
    m_folder.Write("whole.bin", body);

    ASSERT_EQ(2u, List().JobCount());
    for (unsigned i = 0; i < 2; ++i)
    {
        ASSERT_TRUE(WaitForEnd(List().JobAt(i)));
        EXPECT_EQ(CDownloadJob::Failed, List().JobAt(i)->GetState());
    }
    EXPECT_TRUE(body.substr(0, 20000) == m_folder.Read("partial.bin"));
    EXPECT_TRUE(body == m_folder.Read("whole.bin"));

    // Still listed for the next start, which may find the network again.
    CDownloadJobList& list = Restart();
    EXPECT_EQ(2u, list.JobCount());
}

TEST_F(DownloadJobListTest, UrlsThatCannotNameAKeySurviveTheRestart)
{
    const std::string backslash = DeadUrl("/a\\b\\c.mp3");
    const std::string longUrl = DeadUrl("/" + std::string(400, 'l') + ".mp3");
    const std::string upper = DeadUrl("/Case.mp3");
    const std::string lower = DeadUrl("/case.mp3");
    for (const std::string& url : {backslash, longUrl, upper, lower})
    {
        ASSERT_TRUE(WaitForEnd(Add(url)));
    }

    // One flat key per job: no "\" made nested keys, no name was cut, and
    // the two URLs that differ only in case did not share a key.
    const auto keys = StoredKeys();
    EXPECT_EQ(4u, keys.size());
    for (const auto& key : keys)
    {
        EXPECT_EQ(0u, key.second) << key.first;
    }
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, KeyPath(upper).c_str()));

    CDownloadJobList& list = Restart();
    EXPECT_EQ((std::set<std::string>{backslash, longUrl, upper, lower}), Urls(list));

    // And the case-twins keep their own files too.
    std::set<std::string> paths;
    for (unsigned i = 0; i < list.JobCount(); ++i)
    {
        paths.insert(list.JobAt(i)->GetLocalPath().GetString());
    }
    EXPECT_EQ(4u, paths.size());
}

TEST_F(DownloadJobListTest, TwoJobsOfOneNameNeverShareAFile)
{
    const std::string first = Body(30000, 1);
    const std::string second = Body(40000, 2);
    CTestHttpServer server([&](const Request& request)
                           { return File(request.target.find("/one/") == 0 ? first : second); });

    CDownloadJob* one = Add(server.GetUrl("/one/clip.mp3"));
    CDownloadJob* two = Add(server.GetUrl("/two/clip.mp3"));
    ASSERT_TRUE(WaitForEnd(one));
    ASSERT_TRUE(WaitForEnd(two));

    EXPECT_EQ(CDownloadJob::Finished, one->GetState());
    EXPECT_EQ(CDownloadJob::Finished, two->GetState());
    EXPECT_EQ(m_folder.PathOf("clip.mp3"), one->GetLocalPath().GetString());
    EXPECT_EQ(m_folder.PathOf("clip (2).mp3"), two->GetLocalPath().GetString());
    EXPECT_TRUE(first == m_folder.Read("clip.mp3"));
    EXPECT_TRUE(second == m_folder.Read("clip (2).mp3"));

    // The names are stored with the jobs, so each keeps its file.
    CDownloadJobList& list = Restart();
    ASSERT_EQ(2u, list.JobCount());
    for (unsigned i = 0; i < 2; ++i)
    {
        CDownloadJob* job = list.JobAt(i);
        ASSERT_TRUE(WaitForEnd(job));
        EXPECT_EQ(CDownloadJob::Finished, job->GetState());
        const bool isOne = job->GetUrl() == CString(server.GetUrl("/one/clip.mp3").c_str());
        EXPECT_EQ(m_folder.PathOf(isOne ? "clip.mp3" : "clip (2).mp3"), job->GetLocalPath().GetString());
    }
}

TEST_F(DownloadJobListTest, NewJobLeavesAFileAlreadyThereAlone)
{
    m_folder.Write("report.pdf", "somebody else's report");
    const std::string body = Body(5000);
    CTestHttpServer server([&](const Request&) { return File(body); });

    CDownloadJob* job = Add(server.GetUrl("/report.pdf"));
    ASSERT_TRUE(WaitForEnd(job));

    EXPECT_EQ(CDownloadJob::Finished, job->GetState());
    EXPECT_EQ(m_folder.PathOf("report (2).pdf"), job->GetLocalPath().GetString());
    EXPECT_EQ("somebody else's report", m_folder.Read("report.pdf"));
    EXPECT_TRUE(body == m_folder.Read("report (2).pdf"));
}

TEST_F(DownloadJobListTest, UnsafeNamesStayInsideTheFolder)
{
    const std::string body = Body(2000);
    CTestHttpServer server([&](const Request&) { return File(body); });
    const std::vector<std::string> paths = {
        "/x/..\\..\\evil.exe", "/nul", "/con.mp3?x=1", "/a:b*c?.mp3",
        "/trailing.mp3.%20.",  "/",    "/dir/..",      "/q?name=../../up.txt"};
    std::vector<CDownloadJob*> jobs;
    for (const std::string& path : paths)
    {
        jobs.push_back(Add(server.GetUrl(path)));
    }
    std::set<std::string> names;
    for (size_t i = 0; i < jobs.size(); ++i)
    {
        ASSERT_TRUE(WaitForEnd(jobs[i])) << paths[i];
        EXPECT_EQ(CDownloadJob::Finished, jobs[i]->GetState()) << paths[i];
        const std::string path = jobs[i]->GetLocalPath().GetString();
        ASSERT_EQ(0u, path.find(m_folder.Path() + "\\")) << path;
        const std::string name = path.substr(m_folder.Path().size() + 1);
        EXPECT_EQ(std::string::npos, name.find_first_of("\\/:*?\"<>|")) << name;
        EXPECT_TRUE(body == m_folder.Read(name)) << name;
        names.insert(name);
    }
    EXPECT_EQ(paths.size(), names.size());
    // Nothing was written anywhere but into the folder's own files.
    EXPECT_EQ(paths.size(), m_folder.Files().size());
    EXPECT_TRUE(names.count("_nul"));
    EXPECT_TRUE(names.count("_con.mp3"));
    EXPECT_TRUE(names.count("download"));
}

TEST_F(DownloadJobListTest, StoredFileNamesAreTrustedOnlyWhenSafe)
{
    const std::string url = DeadUrl("/media/song.mp3");
    TestRegistry::SetString(HKEY_CURRENT_USER, KeyPath(url).c_str(), "fileName", "..\\..\\evil.exe");
    const std::string other = DeadUrl("/media/other.mp3");
    TestRegistry::SetString(HKEY_CURRENT_USER, KeyPath(other).c_str(), "fileName", "chosen (3).mp3");

    ASSERT_EQ(2u, List().JobCount());
    for (unsigned i = 0; i < 2; ++i)
    {
        const CDownloadJob* job = List().JobAt(i);
        const bool isSong = job->GetUrl() == CString(url.c_str());
        EXPECT_EQ(m_folder.PathOf(isSong ? "song.mp3" : "chosen (3).mp3"), job->GetLocalPath().GetString());
        ASSERT_TRUE(WaitForEnd(job));
    }
}

TEST_F(DownloadJobListTest, RemovingAnEndedJobDropsItsKeyButNotItsFile)
{
    const std::string body = Body(3000);
    CTestHttpServer server(
        [&](const Request& request)
        {
            Reply reply = File(body);
            if (request.target == "/slow.bin")
            {
                reply.pieceSize = 1000;
                reply.pieceDelayMs = 5000;
            }
            return reply;
        });
    const std::string doneUrl = server.GetUrl("/done.bin");
    CDownloadJob* done = Add(doneUrl);
    CDownloadJob* slow = Add(server.GetUrl("/slow.bin"));
    ASSERT_TRUE(WaitForEnd(done));
    ASSERT_TRUE(WaitForState(slow, CDownloadJob::Downloading));

    EXPECT_FALSE(slow->Open(nullptr)) << "only a finished file opens";
    EXPECT_FALSE(List().RemoveJob(slow)) << "its worker still runs";
    EXPECT_TRUE(List().RemoveJob(done));
    EXPECT_FALSE(List().RemoveJob(done));
    ASSERT_EQ(1u, List().JobCount());
    EXPECT_EQ(slow, List().JobAt(0));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, KeyPath(doneUrl).c_str()));
    EXPECT_TRUE(body == m_folder.Read("done.bin"));
}
