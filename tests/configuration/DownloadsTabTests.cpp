// The Downloads page in a sheet of its own, over a job list of the test's
// own (registry sandbox, scratch folder) fed by a server on 127.0.0.1.
#include "ConfigurationTest.h"

#include "common/WideText.h"
#include "configuration/DownloadsTab.h"
#include "content/download/DownloadJobList.h"
#include "core/BrowserLauncher.h"
#include "support/ScratchFolder.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <memory>

using Content::Download::CDownloadJob;
using Content::Download::CDownloadJobList;

namespace
{
using Reply = CTestHttpServer::Reply;

class DownloadsTabTest : public ConfigurationTest
{
protected:
    DownloadsTabTest() : m_sheet("tidelight Configuration", IDI_TIDELIGHT) {}
    // The page goes before the job list it shows.
    ~DownloadsTabTest() override
    {
        ::DestroyWindow(m_sheet.m_hWnd);
        s_ownSheet = nullptr;
        Pump();
    }

    // "/slow..." trickles 2000000 bytes, "/stall.bin" never answers,
    // "/missing.bin" is not found; the rest are small files.
    static Reply Serve(const CTestHttpServer::Request& request)
    {
        const bool slow = request.target.compare(0, 5, "/slow") == 0;
        Reply reply = Reply::Ok(std::string(slow ? 2000000 : 1536, 'b'), "application/octet-stream");
        reply.stall = request.target == "/stall.bin";
        reply.pieceSize = 4096;
        reply.pieceDelayMs = slow ? 100 : 0;
        return request.target == "/missing.bin" ? Reply::WithStatus("404 Not Found", "") : reply;
    }
    // Adds a job and waits until it reaches the state, unless that is -1.
    CDownloadJob* Add(const std::string& path, int state)
    {
        EXPECT_TRUE(m_jobs.AddJob(m_server.GetUrl(path).c_str()));
        CDownloadJob* job = m_jobs.JobAt(m_jobs.JobCount() - 1);
        EXPECT_TRUE(state < 0 || WaitUntil([&] { return job->GetState() == state; }, 20000)) << path;
        return job;
    }
    void OpenPage()
    {
        m_sheet.AddPage(m_page);
        ASSERT_NE(nullptr, s_ownSheet = m_sheet.Create());
        Pump();
    }
    static Framework::CListView Rows() { return Framework::CListView(Item(IDC_DOWNLOAD_LIST)); }
    static std::string Cell(int row, int column) { return Rows().GetItemText(row, column).GetString(); }
    static bool Enabled(int id) { return ::IsWindowEnabled(Item(id)) != FALSE; }
    static void Tick() { Timer(Configuration::CDownloadsTab::RefreshTimer); }

    CTestHttpServer m_server{&Serve};
    CScratchFolder m_folder;
    CDownloadJobList m_jobs{m_folder.Path().c_str()};
    Configuration::CDownloadsTab m_page{m_jobs};
    Framework::CPropertySheet m_sheet;
};
} // namespace

// The buttons follow the selected job's state and reach the job (what the
// job then does is the download tests' matter); Clear takes every ended row.
TEST_F(DownloadsTabTest, ButtonsFollowTheJobsStateAndClearTakesEndedRows)
{
    Add("/stall.bin", -1);
    CDownloadJob* talk = Add("/slow-talk.mp3", CDownloadJob::Downloading);
    ASSERT_TRUE(Add("/slow-interview.ogg", CDownloadJob::Downloading)->Pause());
    Add("/missing.bin", CDownloadJob::Failed);
    // A name in its own script, as a feed in UTF-8 gives it.
    const std::string episode = "/\xD0\xB2\xD1\x8B\xD0\xBF\xD1\x83\xD1\x81\xD0\xBA-12.mp3";
    Add(episode, CDownloadJob::Finished);
    CDownloadJob* removed = Add("/removed.mp3", CDownloadJob::Finished);
    ASSERT_TRUE(WaitUntil([&] { return m_jobs.JobAt(2)->GetState() == CDownloadJob::Paused; }));
    OpenPage();
    // Removed behind the page's back: the row goes at the next refresh, and
    // its pointer is never used.
    ASSERT_TRUE(m_jobs.RemoveJob(removed));
    Tick();
    ASSERT_EQ(5, Rows().GetItemCount());
    EXPECT_STREQ(m_server.GetUrl(episode).c_str(), Rows().GetItemTextUtf8(4, 0));
    const struct
    {
        int row; // -1: nothing selected
        const char* status;
        const char* pause; // "": disabled
        bool cancel;
        bool open;
    } cases[] = {{-1, "", "", false, false},
                 {0, "Initializing", "", false, false},
                 {1, "Downloading", "Pause", true, false},
                 {2, "Paused", "Resume", true, false},
                 {3, "Failed", "", false, false},
                 {4, "Finished", "", false, true}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.row);
        if (c.row >= 0)
        {
            Rows().Select(c.row);
            Tick();
            EXPECT_EQ(c.status, Cell(c.row, 1));
        }
        EXPECT_EQ(*c.pause != '\0', Enabled(IDC_DOWNLOAD_PAUSE));
        EXPECT_EQ(*c.pause != '\0' ? c.pause : "Pause", Text(IDC_DOWNLOAD_PAUSE));
        EXPECT_EQ(c.cancel, Enabled(IDC_DOWNLOAD_CANCEL));
        EXPECT_EQ(c.open, Enabled(IDC_DOWNLOAD_OPEN));
    }
    // The finished row opens its file by the name in its own script.
    std::vector<std::string> opened;
    SetShellOpen([&](const CString& file, const CString&) { opened.push_back(file.GetString()); });
    Command(IDC_DOWNLOAD_OPEN);
    SetShellOpen(CBrowserLauncher::ShellOpen());
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(m_folder.PathOf(episode.substr(1)), opened[0]);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(Common::Widen(opened[0].c_str()).c_str()));

    Rows().Select(1);
    Tick();
    Picture("configuration-downloads");
    const struct
    {
        int button;
        int state;
        const char* status;
    } steps[] = {{IDC_DOWNLOAD_PAUSE, CDownloadJob::Paused, "Paused"},
                 {IDC_DOWNLOAD_PAUSE, CDownloadJob::Downloading, "Downloading"}, // "Resume"
                 {IDC_DOWNLOAD_CANCEL, CDownloadJob::Failed, "Failed"}};
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.status);
        Command(step.button);
        ASSERT_TRUE(WaitUntil([&] { return talk->GetState() == step.state; }, 20000));
        Tick();
        EXPECT_EQ(step.status, Cell(1, 1));
        // Progress and size show only while the file comes in.
        const bool coming = step.state == CDownloadJob::Downloading;
        EXPECT_EQ(coming, Cell(1, 2).find("%)") != std::string::npos) << Cell(1, 2);
        EXPECT_EQ(coming ? "1.91 MB's" : "", Cell(1, 4));
    }

    // Which jobs the list lets go, and that their keys and files stay or go
    // with them, is the job list's matter: the page keeps exactly the rows
    // whose jobs stay.
    Command(IDC_DOWNLOAD_CLEAR);
    ASSERT_EQ(2, Rows().GetItemCount());
    EXPECT_EQ(m_server.GetUrl("/stall.bin"), Cell(0, 0));
    EXPECT_EQ(m_server.GetUrl("/slow-interview.ogg"), Cell(1, 0));
    EXPECT_EQ(2u, m_jobs.JobCount());
}
