// Starts the built tidelight.exe as a user would and talks to its window.
// These tests use the test prefix's real HKEY_CURRENT_USER, like the program.
#include "resources/resource.h"
#include "support/RegistrySandbox.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include "support/ProgramPath.h"
#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

namespace
{
const char Root[] = "SOFTWARE\\tidelight";
const HKEY User = HKEY_CURRENT_USER;

// The first top-level window of the process with that class or caption.
HWND FindProcessWindow(DWORD processId, const char* className, const char* caption)
{
    HWND window = nullptr;
    DWORD owner = 0;
    while ((window = ::FindWindowExA(nullptr, window, className, caption)) != nullptr &&
           (::GetWindowThreadProcessId(window, &owner), owner) != processId)
    {
    }
    return window;
}

// The size of a file, or -1 when it is not there.
long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
    {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class RunningProgram
{
public:
    RunningProgram()
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        std::string commandLine = "\"" + ProgramPath() + "\"";
        EXPECT_TRUE(::CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &m_process))
            << "cannot start " << commandLine;
    }
    ~RunningProgram()
    {
        if (m_process.hProcess != nullptr)
        {
            if (::WaitForSingleObject(m_process.hProcess, 0) == WAIT_TIMEOUT)
            {
                ::TerminateProcess(m_process.hProcess, 1);
            }
            ::CloseHandle(m_process.hProcess);
            ::CloseHandle(m_process.hThread);
        }
    }

    // The panel window, once it is there; null when it never came.
    HWND Panel()
    {
        WaitUntil([&] { return (m_panel = Window("#32770", nullptr)) != nullptr; }, 20000);
        return m_panel;
    }
    HWND Window(const char* className, const char* caption) const
    {
        return FindProcessWindow(m_process.dwProcessId, className, caption);
    }
    // The exit code, or STILL_ACTIVE when it did not end in time.
    DWORD WaitForExit(DWORD milliseconds)
    {
        DWORD code = STILL_ACTIVE;
        if (::WaitForSingleObject(m_process.hProcess, milliseconds) == WAIT_OBJECT_0)
        {
            ::GetExitCodeProcess(m_process.hProcess, &code);
        }
        return code;
    }
    // Exit from the tray menu; the exit code, or STILL_ACTIVE.
    DWORD Exit(DWORD milliseconds = 20000)
    {
        return ::PostMessageA(m_panel, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0) ? WaitForExit(milliseconds) : 1;
    }
    // An abnormal end: nothing of the program runs after this.
    void Kill()
    {
        ::TerminateProcess(m_process.hProcess, 9);
        ::WaitForSingleObject(m_process.hProcess, 20000);
    }

private:
    PROCESS_INFORMATION m_process = {};
    HWND m_panel = nullptr;
};

class StartupTest : public ::testing::Test
{
protected:
    void SetUp() override { TestRegistry::DeleteTree(User, Root); }
    void TearDown() override { TestRegistry::DeleteTree(User, Root); }
};
} // namespace

// One run through what a user does: an older layout is migrated before the
// window exists, a second start brings up this one's sheet, and a channel
// added there is kept. Exit closes the sheet and its file dialog, does not
// wait for a fetch that never ends, and saves everything.
TEST_F(StartupTest, OneRunMigratesServesASecondStartAndSavesAtExitWhateverIsOpen)
{
    const std::string legacy = "\\http:__legacy.test_rss";
    TestRegistry::SetDword(User, (Root + legacy).c_str(), "pollingInterval", 45);
    TestRegistry::SetDword(User, Root, "newsDisplayed", 5);
    // The update check's server takes the request and never answers.
    CTestHttpServer server(
        [](const CTestHttpServer::Request&)
        {
            CTestHttpServer::Reply reply;
            reply.stall = true;
            return reply;
        });
    TestRegistry::SetString(User, Root, "updateServiceUrl", server.GetUrl("/"));

    RunningProgram program;
    ASSERT_NE(nullptr, program.Panel()) << "no panel window appeared";
    EXPECT_TRUE(TestRegistry::KeyExists(User, (Root + std::string("\\Channels") + legacy).c_str()));
    EXPECT_FALSE(TestRegistry::KeyExists(User, (Root + legacy).c_str()));
    ASSERT_TRUE(WaitUntil([&] { return server.GetRequestCount() == 1; }));

    EXPECT_EQ(0u, RunningProgram().WaitForExit(20000)) << "a second start ends at once";
    HWND sheet = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (sheet = program.Window(nullptr, "tidelight Configuration")) != nullptr; }));
    const HWND page = reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    const std::string added = "http://127.0.0.1:1/added.xml";
    ::SendMessageA(::GetDlgItem(page, IDC_CHANNEL_URL), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(added.c_str()));
    ::SendMessageA(::GetDlgItem(page, IDC_CHANNEL_ADD), BM_CLICK, 0, 0);
    ::PostMessageA(::GetDlgItem(page, IDC_CHANNEL_IMPORT), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return program.Window(nullptr, "Import channels") != nullptr; }));

    // Waiting for the fetch would take its half-minute time-outs.
    EXPECT_EQ(0u, program.Exit(10000));
    EXPECT_EQ(15u, TestRegistry::CountValues(User, Root));
    DWORD value = 0;
    EXPECT_TRUE(TestRegistry::GetDword(User, Root, "newsDisplayed", value) && value == 5) << value;
    EXPECT_TRUE(TestRegistry::KeyExists(User, (Root + std::string("\\Channels\\") + added).c_str()));
}

// Log-off saves at once; when the session goes on after all, a value changed
// meanwhile stays as it is, because the settings were written once already.
TEST_F(StartupTest, EndOfSessionSavesAtOnceAndExitDoesNotSaveAgain)
{
    // A download job whose server is gone: its record is written at log-off
    // too, not only at a normal exit.
    const std::string job = std::string(Root) + "\\Downloads\\http://127.0.0.1:1/gone.bin";
    TestRegistry::CreateKey(User, job.c_str());
    RunningProgram program;
    const HWND panel = program.Panel();
    ASSERT_NE(nullptr, panel);
    // Whatever start-up wrote, log-off must write again.
    ::RegDeleteKeyValueA(User, job.c_str(), "fileName");
    DWORD_PTR answer = 0;
    ASSERT_NE(0, ::SendMessageTimeoutA(panel, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(static_cast<DWORD_PTR>(TRUE), answer);
    EXPECT_EQ(15u, TestRegistry::CountValues(User, Root));
    EXPECT_TRUE(TestRegistry::ValueExists(User, job.c_str(), "fileName"));
    TestRegistry::SetDword(User, Root, "panelDisplayTime", 4);
    EXPECT_EQ(0u, program.Exit());
    DWORD value = 0;
    EXPECT_TRUE(TestRegistry::GetDword(User, Root, "panelDisplayTime", value) && value == 4) << value;
}

// A headline of a local channel slides in once, and a stored download starts
// with the program. Whether the program is then quit or killed, the headline
// is remembered as shown and never comes back, and the download goes on from
// its partial file at the next start. The file lands in Downloads beside the
// program, as it would for a user; the test removes it again.
TEST_F(StartupTest, AfterAQuitOrAKillTheHeadlineStaysShownAndTheDownloadResumes)
{
    std::string body(640 * 1024, '\0');
    for (size_t i = 0; i < body.size(); ++i)
    {
        body[i] = static_cast<char>((i * 31 + i / 251) % 256);
    }
    RECT screen;
    ::GetWindowRect(::GetDesktopWindow(), &screen);
    const auto slidIn = [&](HWND panel)
    {
        RECT window;
        ::GetWindowRect(panel, &window);
        return window.left < screen.right;
    };
    for (const bool kill : {false, true})
    {
        SCOPED_TRACE(kill ? "killed" : "quit");
        TestRegistry::DeleteTree(User, Root);
        // The download's first request gets a part and then nothing more:
        // the program ends in the middle of it.
        CTestHttpServer server(
            [&](const CTestHttpServer::Request& request)
            {
                if (request.target == "/feed.xml")
                {
                    return CTestHttpServer::Reply::Ok(
                        "<rss version=\"2.0\"><channel><title>Local</title><item><title>Only once</title>"
                        "<link>http://127.0.0.1/one</link></item></channel></rss>");
                }
                CTestHttpServer::Reply reply = CTestHttpServer::Reply::Ok(body, "application/octet-stream");
                reply.honourRange = true;
                reply.pieceSize = request.Header("Range") == "bytes=0-" ? 64 * 1024 : 0;
                reply.pieceDelayMs = 120 * 1000;
                return reply;
            });
        const auto fetches = [&](bool feed)
        {
            std::vector<CTestHttpServer::Request> requests = server.GetRequests();
            requests.erase(std::remove_if(requests.begin(), requests.end(),
                                          [&](const CTestHttpServer::Request& r)
                                          { return (r.target == "/feed.xml") != feed; }),
                           requests.end());
            return requests;
        };
        const std::string channel = std::string(Root) + "\\Channels\\" + server.GetUrl("/feed.xml");
        TestRegistry::SetDword(User, channel.c_str(), "pollingInterval", 20);
        TestRegistry::SetDword(User, Root, "panelDisplayInterval", 1);
        TestRegistry::SetDword(User, Root, "checkForUpdates", 0);
        TestRegistry::SetDword(User, Root, "helpActive", 0);
        const std::string name =
            "e2e-resume-" + std::to_string(::GetCurrentProcessId()) + (kill ? "-k" : "") + ".bin";
        const std::string job = std::string(Root) + "\\Downloads\\" + server.GetUrl("/" + name);
        TestRegistry::CreateKey(User, job.c_str());
        const std::string program = ProgramPath();
        const std::string file = program.substr(0, program.find_last_of('\\') + 1) + "Downloads\\" + name;
        struct RemoveFile
        {
            const std::string& path;
            ~RemoveFile() { ::DeleteFileA(path.c_str()); }
        } removeFile{file};
        {
            RunningProgram first;
            const HWND panel = first.Panel();
            ASSERT_NE(nullptr, panel);
            // Once it waits beyond the right edge: a window just made may be anywhere.
            ASSERT_TRUE(WaitUntil([&] { return !slidIn(panel); }));
            ASSERT_TRUE(WaitUntil([&] { return slidIn(panel); }, 30000));
            EXPECT_EQ(1u, fetches(true).size()) << "the document read for detection is the first poll's";
            ASSERT_TRUE(WaitUntil([&] { return FileSize(file) > 0; }, 30000))
                << "the stored download never began";
            if (kill)
            {
                ::Sleep(4000);
                first.Kill();
            }
            else
            {
                EXPECT_EQ(0u, first.Exit());
                DWORD value = 0;
                EXPECT_TRUE(TestRegistry::GetDword(User, Root, "newsDisplayed", value) && value == 1)
                    << value;
            }
        }
        DWORD type = 0;
        std::string shown;
        ASSERT_TRUE(TestRegistry::GetRaw(User, channel.c_str(), "internalState", type, shown));
        EXPECT_EQ(4u, shown.size()) << "the shown headline is remembered";
        const long long partial = FileSize(file);
        ASSERT_GT(partial, 0);
        ASSERT_LT(partial, 64 * 1024);
        std::string fileName;
        EXPECT_EQ(!kill, TestRegistry::GetRaw(User, job.c_str(), "fileName", type, fileName));
        EXPECT_FALSE(TestRegistry::ValueExists(User, job.c_str(), "completeSize"));

        RunningProgram again;
        const HWND panel = again.Panel();
        ASSERT_NE(nullptr, panel);
        ASSERT_TRUE(WaitUntil([&] { return !slidIn(panel); }));
        EXPECT_FALSE(WaitUntil([&] { return slidIn(panel); }, 6000)) << "the headline came back";
        EXPECT_TRUE(WaitUntil([&] { return FileSize(file) == static_cast<long long>(body.size()); }, 60000));
        EXPECT_EQ(0u, again.Exit());
        const std::vector<CTestHttpServer::Request> downloads = fetches(false);
        ASSERT_GE(downloads.size(), 2u);
        EXPECT_EQ("bytes=0-", downloads.front().Header("Range"));
        EXPECT_EQ("bytes=" + std::to_string(partial) + "-", downloads.back().Header("Range"));
        std::ifstream written(file, std::ios::binary);
        EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(written), {}) == body)
            << "the two runs' parts fit together";
    }
}
