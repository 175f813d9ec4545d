// Starts the built tidelight.exe as a user would and talks to its window.
// These tests use the test prefix's real HKEY_CURRENT_USER, like the program.
#include "resources/resource.h"
#include "support/RegistrySandbox.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include "support/ProgramPath.h"
#include <gtest/gtest.h>

#include <commctrl.h>

#include <fstream>
#include <iterator>
#include <string>

namespace
{
const char Root[] = "SOFTWARE\\tidelight";

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

    HWND WaitForWindow(DWORD milliseconds)
    {
        HWND window = nullptr;
        WaitUntil(
            [&] { return (window = FindProcessWindow(m_process.dwProcessId, "#32770", nullptr)) != nullptr; },
            milliseconds);
        return window;
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
    DWORD Exit(HWND panel, DWORD milliseconds = 20000)
    {
        return ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0) ? WaitForExit(milliseconds) : 1;
    }
    DWORD Id() const { return m_process.dwProcessId; }
    // The configuration sheet, once it is open.
    HWND WaitForSheet()
    {
        HWND sheet = nullptr;
        WaitUntil(
            [&] { return (sheet = FindProcessWindow(Id(), nullptr, "tidelight Configuration")) != nullptr; });
        return sheet;
    }
    // Opens the sheet with "Channels..." as the tray menu would; its
    // Channels page, or null.
    HWND OpenChannelsPage(HWND panel)
    {
        ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(ID_CHANNELS, 0), 0);
        const HWND sheet = WaitForSheet();
        return sheet != nullptr ? reinterpret_cast<HWND>(::SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0))
                                : nullptr;
    }
    // An abnormal end: nothing of the program runs after this.
    void Kill()
    {
        ::TerminateProcess(m_process.hProcess, 9);
        ::WaitForSingleObject(m_process.hProcess, 20000);
    }

private:
    PROCESS_INFORMATION m_process = {};
};

// A list-view row's text in another process: the buffers must live there.
std::string RemoteItemText(DWORD processId, HWND list, int item, int column)
{
    HANDLE process =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
    {
        return "";
    }
    char* remote = static_cast<char*>(
        ::VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + 260, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    LVITEMA request = {};
    request.iSubItem = column;
    request.pszText = remote + sizeof(LVITEMA);
    request.cchTextMax = 260;
    ::WriteProcessMemory(process, remote, &request, sizeof(request), nullptr);
    ::SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(remote));
    char text[260] = {};
    ::ReadProcessMemory(process, remote + sizeof(LVITEMA), text, sizeof(text) - 1, nullptr);
    ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    return text;
}

class StartupTest : public ::testing::Test
{
protected:
    void ResumeAfterRestart(bool kill);
    // A channel of one headline on the server, shown a second after start,
    // with nothing else to show; returns the channel's registry path.
    static std::string OneHeadlineChannel(CTestHttpServer& server)
    {
        const std::string channel = "SOFTWARE\\tidelight\\Channels\\" + server.GetUrl("/feed.xml");
        TestRegistry::SetDword(HKEY_CURRENT_USER, channel.c_str(), "pollingInterval", 20);
        TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "panelDisplayInterval", 1);
        TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "checkForUpdates", 0);
        TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "helpActive", 0);
        return channel;
    }
    static CTestHttpServer::Reply OneHeadline(const char* title)
    {
        return CTestHttpServer::Reply::Ok(
            std::string("<rss version=\"2.0\"><channel><title>Local</title><item><title>") + title +
            "</title><link>http://127.0.0.1/one</link></item></channel></rss>");
    }
    void SetUp() override { TestRegistry::DeleteTree(HKEY_CURRENT_USER, Root); }
    void TearDown() override { TestRegistry::DeleteTree(HKEY_CURRENT_USER, Root); }
};
} // namespace

TEST_F(StartupTest, StartsMigratesAndExitsCleanlyOnExitCommand)
{
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "newsDisplayed", 5);
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\http:__legacy.test_rss",
                           "pollingInterval", 45);
    TestRegistry::CreateKey(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Downloads");

    RunningProgram program;
    const HWND panel = program.WaitForWindow(20000);
    ASSERT_NE(nullptr, panel) << "no panel window appeared";

    // Migration ran before the window existed.
    EXPECT_TRUE(
        TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http:__legacy.test_rss"));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\http:__legacy.test_rss"));
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Downloads"));

    EXPECT_EQ(0u, program.Exit(panel));

    // The settings were written back at exit.
    EXPECT_EQ(15u, TestRegistry::CountValues(HKEY_CURRENT_USER, Root));
    DWORD value = 0;
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "newsDisplayed", value));
    EXPECT_EQ(5u, value);
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "panelDisplayInterval", value));
    EXPECT_EQ(10u, value);
    EXPECT_FALSE(TestRegistry::ValueExists(HKEY_CURRENT_USER, Root, "maxHistorySize"));
}

TEST_F(StartupTest, EndOfSessionSavesAtOnceAndExitDoesNotSaveAgain)
{
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "panelDisplayTime", 9);
    // A download job whose server is gone: its record must be written at
    // log-off too, not only at a normal exit.
    const char job[] = "SOFTWARE\\tidelight\\Downloads\\http://127.0.0.1:1/gone.bin";
    TestRegistry::CreateKey(HKEY_CURRENT_USER, job);
    RunningProgram program;
    const HWND panel = program.WaitForWindow(20000);
    ASSERT_NE(nullptr, panel);
    HKEY jobKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_CURRENT_USER, job, 0, KEY_SET_VALUE, &jobKey));
    ::RegDeleteValueA(jobKey, "fileName");
    ::RegCloseKey(jobKey);

    DWORD_PTR answer = 0;
    ASSERT_NE(0, ::SendMessageTimeoutA(panel, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer));
    EXPECT_EQ(static_cast<DWORD_PTR>(TRUE), answer);
    EXPECT_EQ(15u, TestRegistry::CountValues(HKEY_CURRENT_USER, Root));
    EXPECT_TRUE(TestRegistry::ValueExists(HKEY_CURRENT_USER, job, "fileName"));

    // The session went on after all; a value changed meanwhile stays as it
    // is, because the settings were written once already.
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "panelDisplayTime", 4);
    EXPECT_EQ(0u, program.Exit(panel));
    DWORD value = 0;
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "panelDisplayTime", value));
    EXPECT_EQ(4u, value);
}

namespace
{
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
} // namespace

// A download stored in the registry starts with the program, is written back
// at exit while it still runs, and goes on from its partial file at the next
// start. The file lands in Downloads beside the program, as it would for a
// user; the test removes it again.
TEST_F(StartupTest, StoredDownloadResumesAfterARestart)
{
    // Quit through Exit, or killed in the middle: the rest comes all the same.
    for (const bool kill : {false, true})
    {
        SCOPED_TRACE(kill ? "killed" : "quit");
        ResumeAfterRestart(kill);
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Root);
    }
}

void StartupTest::ResumeAfterRestart(bool kill)
{
    std::string body(640 * 1024, '\0');
    for (size_t i = 0; i < body.size(); ++i)
    {
        body[i] = static_cast<char>((i * 31 + i / 251) % 256);
    }
    // The first request gets a part and then nothing more: the program is
    // quit in the middle of its download.
    CTestHttpServer server(
        [&](const CTestHttpServer::Request& request)
        {
            CTestHttpServer::Reply reply = CTestHttpServer::Reply::Ok(body, "application/octet-stream");
            reply.honourRange = true;
            if (request.Header("Range") == "bytes=0-")
            {
                reply.pieceSize = 64 * 1024;
                reply.pieceDelayMs = 120 * 1000;
            }
            return reply;
        });
    const std::string name =
        "e2e-resume-" + std::to_string(::GetCurrentProcessId()) + (kill ? "-killed" : "") + ".bin";
    const std::string url = server.GetUrl("/" + name);
    const std::string key = std::string(Root) + "\\Downloads\\" + url;
    TestRegistry::CreateKey(HKEY_CURRENT_USER, key.c_str());
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "checkForUpdates", 0);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "helpActive", 0);
    std::string program = ProgramPath();
    const std::string file = program.substr(0, program.find_last_of('\\') + 1) + "Downloads\\" + name;
    struct RemoveFile
    {
        const std::string& path;
        ~RemoveFile() { ::DeleteFileA(path.c_str()); }
    } removeFile{file};

    long long partial = 0;
    {
        RunningProgram first;
        const HWND panel = first.WaitForWindow(20000);
        ASSERT_NE(nullptr, panel);
        ASSERT_TRUE(WaitUntil([&] { return FileSize(file) > 0; }, 30000))
            << "the stored download never began";
        if (kill)
        {
            first.Kill();
        }
        else
        {
            EXPECT_EQ(0u, first.Exit(panel));
        }
    }
    partial = FileSize(file);
    ASSERT_GT(partial, 0);
    ASSERT_LT(partial, 64 * 1024);
    std::string fileName;
    DWORD type = 0;
    EXPECT_EQ(!kill, TestRegistry::GetRaw(HKEY_CURRENT_USER, key.c_str(), "fileName", type, fileName));
    EXPECT_FALSE(TestRegistry::ValueExists(HKEY_CURRENT_USER, key.c_str(), "completeSize"));

    {
        RunningProgram second;
        const HWND panel = second.WaitForWindow(20000);
        ASSERT_NE(nullptr, panel);
        EXPECT_TRUE(WaitUntil([&] { return FileSize(file) == static_cast<long long>(body.size()); }, 60000));
        EXPECT_EQ(0u, second.Exit(panel));
    }
    const std::vector<CTestHttpServer::Request> requests = server.GetRequests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ("bytes=0-", requests.front().Header("Range"));
    EXPECT_EQ("bytes=" + std::to_string(partial) + "-", requests.back().Header("Range"));

    std::ifstream written(file, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(written), {}) == body)
        << "the two runs' parts fit together";
}

TEST_F(StartupTest, ASecondStartEndsAtOnceAndBringsUpTheFirstOnesSheet)
{
    RunningProgram first;
    const HWND panel = first.WaitForWindow(20000);
    ASSERT_NE(nullptr, panel);
    RunningProgram second;
    EXPECT_EQ(0u, second.WaitForExit(20000));
    EXPECT_NE(nullptr, first.WaitForSheet());
    EXPECT_EQ(STILL_ACTIVE, first.WaitForExit(0));
    // Exit closes the open sheet first and still ends normally.
    EXPECT_EQ(0u, first.Exit(panel));
}

TEST_F(StartupTest, AChannelAddedOnTheChannelsPageIsPolledAndKept)
{
    CTestHttpServer server(
        [](const CTestHttpServer::Request&)
        {
            return CTestHttpServer::Reply::Ok(
                "<rss version=\"2.0\"><channel><title>Added by hand</title>"
                "<item><title>First</title><link>http://127.0.0.1/1</link></item>"
                "</channel></rss>");
        });
    const std::string url = server.GetUrl("/added.xml");
    RunningProgram program;
    const HWND panel = program.WaitForWindow(20000);
    ASSERT_NE(nullptr, panel);

    const HWND page = program.OpenChannelsPage(panel);
    ASSERT_NE(nullptr, page);
    const HWND sheet = ::GetParent(page);
    ::SendMessageA(::GetDlgItem(page, IDC_CHANNEL_URL), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(url.c_str()));
    ::SendMessageA(::GetDlgItem(page, IDC_CHANNEL_ADD), BM_CLICK, 0, 0);

    const HWND list = ::GetDlgItem(page, IDC_CHANNEL_LIST);
    EXPECT_TRUE(WaitUntil([&] { return RemoteItemText(program.Id(), list, 0, 0) == "Added by hand"; }, 20000))
        << RemoteItemText(program.Id(), list, 0, 0);

    ::PostMessageA(sheet, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(sheet); }));
    EXPECT_EQ(0u, program.Exit(panel));
    EXPECT_TRUE(
        TestRegistry::KeyExists(HKEY_CURRENT_USER, ("SOFTWARE\\tidelight\\Channels\\" + url).c_str()));
}

// The headline of a local channel slides in once. Whether the program is
// quit or killed a few seconds later, it is remembered as shown, and the
// next start shows nothing.
TEST_F(StartupTest, AHeadlineSlidesInOnceAndNeverComesBackAfterAQuitOrAKill)
{
    for (const bool kill : {false, true})
    {
        SCOPED_TRACE(kill ? "killed" : "quit");
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Root);
        CTestHttpServer server([](const CTestHttpServer::Request&) { return OneHeadline("Only once"); });
        const std::string channel = OneHeadlineChannel(server);
        RECT screen;
        ::GetWindowRect(::GetDesktopWindow(), &screen);
        // Once it waits beyond the right edge: a window just made may be
        // anywhere.
        const auto slidIn = [&](HWND panel)
        {
            RECT window;
            ::GetWindowRect(panel, &window);
            return window.left < screen.right;
        };
        {
            RunningProgram program;
            const HWND panel = program.WaitForWindow(20000);
            ASSERT_NE(nullptr, panel);
            ASSERT_TRUE(WaitUntil([&] { return !slidIn(panel); }));
            ASSERT_TRUE(WaitUntil([&] { return slidIn(panel); }, 30000));
            EXPECT_EQ(1u, server.GetRequestCount()) << "the document read for detection is the first poll's";
            if (kill)
            {
                ::Sleep(4000);
                program.Kill();
            }
            else
            {
                EXPECT_EQ(0u, program.Exit(panel));
                DWORD value = 0;
                EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "newsDisplayed", value));
                EXPECT_EQ(1u, value);
            }
        }
        DWORD type = 0;
        std::string shown;
        ASSERT_TRUE(TestRegistry::GetRaw(HKEY_CURRENT_USER, channel.c_str(), "internalState", type, shown));
        EXPECT_EQ(4u, shown.size()) << "the shown headline is remembered";

        RunningProgram again;
        const HWND panel = again.WaitForWindow(20000);
        ASSERT_NE(nullptr, panel);
        ASSERT_TRUE(WaitUntil([&] { return !slidIn(panel); }));
        EXPECT_FALSE(WaitUntil([&] { return slidIn(panel); }, 6000)) << "the headline came back";
        EXPECT_EQ(0u, again.Exit(panel));
    }
}

TEST_F(StartupTest, ExitEndsPromptlyWhileAServerHoldsAFetch)
{
    // The update check's server takes the request and never answers.
    CTestHttpServer server(
        [](const CTestHttpServer::Request&)
        {
            CTestHttpServer::Reply reply;
            reply.stall = true;
            return reply;
        });
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "updateServiceUrl", server.GetUrl("/"));
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "checkForUpdates", 1);
    RunningProgram program;
    const HWND panel = program.WaitForWindow(20000);
    ASSERT_NE(nullptr, panel);
    ASSERT_TRUE(WaitUntil([&] { return server.GetRequestCount() == 1; }));
    // Waiting for the fetch would take its half-minute time-outs.
    EXPECT_EQ(0u, program.Exit(panel, 10000));
    EXPECT_TRUE(TestRegistry::ValueExists(HKEY_CURRENT_USER, Root, "newsDisplayed"))
        << "saved as at any exit";
    server.Stop();
}

TEST_F(StartupTest, ExitWhileAFileDialogOfTheSheetIsOpenClosesItThenEndsNormally)
{
    RunningProgram program;
    const HWND panel = program.WaitForWindow(20000);
    ASSERT_NE(nullptr, panel);
    const HWND page = program.OpenChannelsPage(panel);
    ASSERT_NE(nullptr, page);
    ::PostMessageA(::GetDlgItem(page, IDC_CHANNEL_IMPORT), BM_CLICK, 0, 0);
    ASSERT_TRUE(
        WaitUntil([&] { return FindProcessWindow(program.Id(), nullptr, "Import channels") != nullptr; }));
    EXPECT_EQ(0u, program.Exit(panel));
    EXPECT_TRUE(TestRegistry::ValueExists(HKEY_CURRENT_USER, Root, "newsDisplayed"))
        << "saved as at any exit";
}
