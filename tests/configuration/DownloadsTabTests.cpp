// The Downloads page in a sheet of its own, over a job list of the test's
// own (registry sandbox, scratch folder) fed by a server on 127.0.0.1.
#include "ConfigurationTest.h"
#include "configuration/DownloadsTab.h"
#include "content/download/DownloadTest.h"
#include "framework/MessageLoop.h"
#include "framework/Module.h"
#include "framework/PropertySheet.h"
#include "support/WindowPicture.h"

std::atomic<uint64_t> DownloadTest::s_now{0};

namespace
{
class DownloadsTabTest : public DownloadTest
{
protected:
    DownloadsTabTest() : m_sheet("tidelight Configuration", IDI_TIDELIGHT), m_server(&Serve)
    {
        Framework::InitCommonControlClasses();
        Framework::Module().Init(::GetModuleHandleA(nullptr));
        Framework::Module().AddMessageLoop(&m_loop);
    }
    // The page goes before the job list it shows.
    void TearDown() override
    {
        ::DestroyWindow(m_sheet.m_hWnd);
        Pump();
        Framework::Module().RemoveMessageLoop();
        DownloadTest::TearDown();
    }

    // "/slow..." trickles 2000000 bytes, "/stall.bin" never answers,
    // "/missing.bin" is not found; the rest are small files.
    static Reply Serve(const Request& request)
    {
        Reply reply = File(Body(request.target.compare(0, 5, "/slow") == 0 ? 2000000 : 1536));
        reply.stall = request.target == "/stall.bin";
        reply.pieceSize = 4096;
        reply.pieceDelayMs = request.target.compare(0, 5, "/slow") == 0 ? 100 : 0;
        return request.target == "/missing.bin" ? Reply::WithStatus("404 Not Found", "") : reply;
    }
    CDownloadJob* Add(const std::string& path, int state)
    {
        CDownloadJob* job = DownloadTest::Add(m_server.GetUrl(path));
        EXPECT_TRUE(WaitForState(job, state)) << path;
        return job;
    }

    void Open()
    {
        m_page.reset(new Configuration::CDownloadsTab(List()));
        m_sheet.AddPage(*m_page);
        ASSERT_NE(nullptr, m_sheet.Create());
        Pump();
    }
    HWND Item(int id) const { return ::GetDlgItem(PropSheet_GetCurrentPageHwnd(m_sheet.m_hWnd), id); }
    Framework::CListView Rows() const { return Framework::CListView(Item(IDC_DOWNLOAD_LIST)); }
    std::string Cell(int row, int column) const { return Rows().GetItemText(row, column).GetString(); }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    std::string Text(int id) const
    {
        char text[64] = {};
        ::GetWindowTextA(Item(id), text, sizeof(text));
        return text;
    }
    void Click(int id) { ::SendMessageA(::GetParent(Item(id)), WM_COMMAND, id, LPARAM(Item(id))); }
    void Tick()
    {
        ::SendMessageA(::GetParent(Item(IDC_DOWNLOAD_LIST)), WM_TIMER,
                       Configuration::CDownloadsTab::RefreshTimer, 0);
    }
    void Pump() { PumpThrough(m_loop); }

    Framework::CMessageLoop m_loop;
    std::unique_ptr<Configuration::CDownloadsTab> m_page;
    Framework::CPropertySheet m_sheet;
    CTestHttpServer m_server;
};
} // namespace

TEST_F(DownloadsTabTest, ButtonsFollowTheSelectedJobsState)
{
    DownloadTest::Add(m_server.GetUrl("/stall.bin"));
    Add("/slow-talk.mp3", CDownloadJob::Downloading);
    ASSERT_TRUE(Add("/slow-interview.ogg", CDownloadJob::Downloading)->Pause());
    Add("/missing.bin", CDownloadJob::Failed);
    Add("/episode-12.mp3", CDownloadJob::Finished);
    ASSERT_TRUE(WaitForState(List().JobAt(2), CDownloadJob::Paused));
    Open();
    ASSERT_EQ(5, Rows().GetItemCount());

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
    Rows().Select(1);
    Tick();
    Pump();
    ::Sleep(300);
    Pump();
    SaveWindowPicture(m_sheet.m_hWnd, "configuration-downloads");
}

TEST_F(DownloadsTabTest, APausedRowResumesAndACancelWhilePausedEndsFailed)
{
    CDownloadJob* job = Add("/slow-talk.mp3", CDownloadJob::Downloading);
    Open();
    Rows().Select(0);
    Click(IDC_DOWNLOAD_PAUSE);
    ASSERT_TRUE(WaitForState(job, CDownloadJob::Paused));
    Tick();
    EXPECT_EQ("Paused", Cell(0, 1));
    EXPECT_EQ("", Cell(0, 2) + Cell(0, 3) + Cell(0, 4));

    Click(IDC_DOWNLOAD_PAUSE); // "Resume"
    EXPECT_TRUE(WaitForState(job, CDownloadJob::Downloading, 1000));
    Tick();
    EXPECT_EQ("Downloading", Cell(0, 1));
    EXPECT_NE(std::string::npos, Cell(0, 2).find("%)")) << Cell(0, 2);
    EXPECT_EQ("1.91 MB's", Cell(0, 4));

    Click(IDC_DOWNLOAD_PAUSE);
    ASSERT_TRUE(WaitForState(job, CDownloadJob::Paused));
    Click(IDC_DOWNLOAD_CANCEL);
    ASSERT_TRUE(WaitForEnd(job));
    Tick();
    EXPECT_EQ("Failed", Cell(0, 1));
    EXPECT_FALSE(m_folder.Exists("slow-talk.mp3"));
}

TEST_F(DownloadsTabTest, ClearTakesEveryEndedRowAndItsKeyButNoFile)
{
    Add("/one.mp3", CDownloadJob::Finished);
    Add("/two.mp3", CDownloadJob::Finished);
    Add("/slow-talk.mp3", CDownloadJob::Downloading);
    CDownloadJob* three = Add("/three.mp3", CDownloadJob::Finished);
    Open();
    // Removed behind the page's back: the row goes at the next refresh, and
    // its pointer is never used.
    ASSERT_TRUE(List().RemoveJob(three));
    Tick();
    ASSERT_EQ(3, Rows().GetItemCount());

    Click(IDC_DOWNLOAD_CLEAR);
    ASSERT_EQ(1, Rows().GetItemCount());
    EXPECT_EQ(m_server.GetUrl("/slow-talk.mp3"), Cell(0, 0));
    EXPECT_EQ(1u, List().JobCount());
    for (const char* path : {"/one.mp3", "/two.mp3", "/slow-talk.mp3"})
    {
        const std::string key = std::string(CDownloadJobList::RegistryPath) + "\\" + m_server.GetUrl(path);
        EXPECT_EQ(path[1] == 's', TestRegistry::KeyExists(HKEY_CURRENT_USER, key.c_str())) << path;
    }
    EXPECT_TRUE(m_folder.Exists("one.mp3") && m_folder.Exists("two.mp3"));
}
