#include "presentation/DesktopPanel.h"

#include "common/TickClock.h"
#include "content/ChannelManager.h"
#include "content/IdHistory.h"
#include "content/download/DownloadJobList.h"
#include "content/download/DownloadRetriever.h"
#include "core/BrowserLauncher.h"
#include "core/Settings.h"
#include "support/FakeRetriever.h"
#include "support/RegistrySandbox.h"
#include "support/ScratchFolder.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"
#include "support/WindowPicture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

using Content::Download::CDownloadJob;
using Content::Download::CDownloadJobList;

using Presentation::CDesktopPanel;

namespace
{
class DesktopPanelTest : public ::testing::Test
{
protected:
    DesktopPanelTest() : m_manager(CChannelManager::Empty{})
    {
        Settings().SetFullLayout(true);
        Settings().SetNewsDisplayed(0);
        m_channel = Channel("http://a.test/");
        // The pointer rests far from where the panel appears, and is free.
        ::ClipCursor(nullptr);
        ::SetCursorPos(0, 0);
        m_window = m_panel.Create(::GetDesktopWindow(), reinterpret_cast<LPARAM>(&m_manager));
        // Shown as start-up shows it: painting only reaches a visible window.
        ::ShowWindow(m_window, SW_SHOWNOACTIVATE);
    }
    ~DesktopPanelTest() override
    {
        const CSettings defaults{CSettings::DefaultsOnly{}};
        Settings().SetFullLayout(true);
        Settings().SetNewsDisplayed(0);
        Settings().SetPanelDisplayTime(defaults.GetPanelDisplayTime());
        Settings().SetPanelDisplayInterval(defaults.GetPanelDisplayInterval());
        Common::SetTickCountSource(nullptr);
        SetShellOpen(CBrowserLauncher::ShellOpen());
    }

    CFakeRetriever* Channel(const char* key)
    {
        auto* retriever = new CFakeRetriever;
        retriever->Initialize(key);
        m_manager.AddChannelRetriever(key, retriever);
        return retriever;
    }
    void Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        ::SendMessageA(m_window, message, wParam, lParam);
    }
    void Click(int x, int y, UINT message = WM_LBUTTONDOWN) { Send(message, MK_LBUTTON, MAKELPARAM(x, y)); }
    void Tick() { Send(WM_TIMER, CDesktopPanel::CYCLE_TIMER); }
    void Step(int count = 1)
    {
        for (int i = 0; i < count; ++i)
        {
            Send(WM_TIMER, CDesktopPanel::ANIMATION_TIMER);
        }
    }
    void Command(UINT id) { Send(WM_COMMAND, MAKEWPARAM(id, 0)); }
    RECT Window() const
    {
        RECT rect;
        ::GetWindowRect(m_window, &rect);
        return rect;
    }
    static RECT Screen()
    {
        RECT screen;
        ::GetWindowRect(::GetDesktopWindow(), &screen);
        return screen;
    }
    // A cycle and a whole slide: the next headline shown, or the shown one gone.
    void Cycle(CDesktopPanel::AnimationState expected)
    {
        Tick();
        Step(51);
        ASSERT_EQ(expected, m_panel.GetAnimationState());
    }
    const char* Title() const { return m_panel.GetCurrentHeadline().GetTitle(); }

    CRegistrySandbox m_sandbox;
    // The panel's downloads go to a list and a folder of this test's own.
    CScratchFolder m_downloads;
    CDownloadJobList m_jobs{CDownloadJobList::Transient(), m_downloads.Path().c_str()};
    CChannelManager m_manager;
    CFakeRetriever* m_channel = nullptr;
    CDesktopPanel m_panel{m_jobs};
    HWND m_window = nullptr;
};

CHeadline Headline(const char* title, const char* link, const char* enclosure = "")
{
    CHeadline headline;
    headline.SetTitle(title);
    headline.SetLink(link);
    headline.SetEnclosureUrl(enclosure);
    return headline;
}

CTestHttpServer::Reply SmallFile(const CTestHttpServer::Request&)
{
    return CTestHttpServer::Reply::Ok(std::string(2048, 'd'), "application/octet-stream");
}

std::atomic<uint64_t> g_now{0};
uint64_t Now()
{
    return g_now;
}
} // namespace

TEST_F(DesktopPanelTest, SlidesInFiftyStepsStaysUnderThePointerAndSlidesOut)
{
    // Waiting, invisible and topmost, beyond the right edge of the screen.
    const RECT screen = Screen();
    const RECT waiting = {screen.right, screen.bottom - 180, screen.right + 300, screen.bottom - 30};
    const RECT window = Window();
    EXPECT_TRUE(::EqualRect(&waiting, &window)) << window.left << "," << window.top;
    const LONG_PTR styles = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    EXPECT_EQ(styles, ::GetWindowLongPtrA(m_window, GWL_EXSTYLE) & styles);
    Tick();
    EXPECT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState()) << "nothing to show";
    EXPECT_EQ(0, m_panel.GetOpacity());

    m_channel->Offer("first");
    Tick();
    EXPECT_EQ(CDesktopPanel::Appearing, m_panel.GetAnimationState());
    EXPECT_STREQ("first", Title());
    EXPECT_EQ(1u, Settings().GetNewsDisplayed());
    const std::pair<int, int> slide[] = {{1, 5}, {25, 125}, {50, 250}}; // steps taken, opacity after them
    int taken = 0;
    for (const auto& steps : slide)
    {
        Step(steps.first - taken);
        taken = steps.first;
        EXPECT_EQ(screen.right - 6 * taken, Window().left);
        EXPECT_EQ(steps.second, m_panel.GetOpacity());
        EXPECT_EQ(CDesktopPanel::Appearing, m_panel.GetAnimationState());
        if (taken == 25)
        {
            SaveWindowPicture(m_window, "panel-on-screen-half-in");
        }
    }
    Step();
    EXPECT_EQ(CDesktopPanel::Shown, m_panel.GetAnimationState());
    SaveWindowPicture(m_window, "panel-on-screen-in");

    // The pointer on the panel keeps the headline.
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(100, 50));
    Tick();
    EXPECT_EQ(CDesktopPanel::Shown, m_panel.GetAnimationState());
    Send(WM_MOUSELEAVE);
    Tick();
    EXPECT_EQ(CDesktopPanel::Disappearing, m_panel.GetAnimationState());
    Step(25);
    // Back under the pointer, the slide turns round from where it is.
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(100, 50));
    Step();
    EXPECT_EQ(CDesktopPanel::Appearing, m_panel.GetAnimationState());
    Send(WM_MOUSELEAVE);
    Step(26);
    EXPECT_EQ(CDesktopPanel::Shown, m_panel.GetAnimationState());
    EXPECT_EQ(250, m_panel.GetOpacity());
    Tick();
    Step(50);
    EXPECT_EQ(screen.right, Window().left);
    EXPECT_EQ(0, m_panel.GetOpacity());
    Step();
    EXPECT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState());
}

// The real cycle timer: once shown, the headline leaves after the display
// time, not after the pause between headlines.
TEST_F(DesktopPanelTest, AShownHeadlineLeavesAfterTheDisplayTime)
{
    Settings().SetPanelDisplayTime(1);
    Settings().SetPanelDisplayInterval(60);
    m_channel->Offer("brief");
    Cycle(CDesktopPanel::Shown);
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            MSG message;
            while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            {
                ::DispatchMessageA(&message);
            }
            return m_panel.GetAnimationState() != CDesktopPanel::Shown;
        },
        5000));
}

TEST_F(DesktopPanelTest, RepeatAndArrowKeysReplayTheHistoryWithoutCounting)
{
    for (int i = 1; i <= 7; ++i)
    {
        m_channel->Offer(CString::Format("news %d", i));
        Cycle(CDesktopPanel::Shown);
        if (i == 1)
        {
            Send(WM_KEYUP, VK_LEFT);
            EXPECT_EQ(-1, m_panel.GetReplayIndex()) << "one entry: nothing older to show";
        }
        Cycle(CDesktopPanel::Hidden);
    }
    m_channel->Offer("waiting");
    Command(ID_REPEAT_LAST_FIVE);
    for (const char* title : {"news 3", "news 4", "news 5", "news 6", "news 7"})
    {
        Cycle(CDesktopPanel::Shown);
        EXPECT_STREQ(title, Title());
        Cycle(CDesktopPanel::Hidden);
    }
    EXPECT_EQ(7u, Settings().GetNewsDisplayed());
    Cycle(CDesktopPanel::Shown);
    EXPECT_STREQ("waiting", Title());
    EXPECT_EQ(8u, Settings().GetNewsDisplayed());

    Send(WM_KEYUP, VK_LEFT);
    EXPECT_EQ(1, m_panel.GetReplayIndex());
    EXPECT_STREQ("news 7", Title());
    Send(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA));
    EXPECT_EQ(0, m_panel.GetReplayIndex());
    EXPECT_STREQ("waiting", Title());
    m_channel->Offer("next");
    Send(WM_KEYUP, VK_RIGHT);
    EXPECT_STREQ("next", Title());
    EXPECT_EQ(8u, Settings().GetNewsDisplayed()) << "browsing does not count";
}

TEST_F(DesktopPanelTest, DismissAllAndRepeatAllReachEveryChannel)
{
    CFakeRetriever* repeating = Channel("http://b.test/");
    repeating->GetChannel()->SetRepeatHeadlines(true);
    m_channel->Offer("plain");
    repeating->Offer("again");
    repeating->Offer("and again");
    Command(ID_DISMISS_ALL);
    EXPECT_EQ(0, m_manager.HasHeadlines(nullptr));
    EXPECT_TRUE(m_channel->m_dismissed.empty()) << "only repeating channels are told";
    EXPECT_EQ(2u, repeating->m_dismissed.size());
    EXPECT_EQ(3u, m_manager.HistoryCount());
    EXPECT_EQ(0u, Settings().GetNewsDisplayed());

    CIdHistory* shown = new CIdHistory(false, "x");
    CIdHistory* session = new CIdHistory(false, "x");
    shown->Add(1);
    session->Add(2);
    repeating->SetHistories(shown, session);
    Command(ID_REPEAT_ALL);
    EXPECT_TRUE(shown->Ids().empty() && session->Ids().empty());
}

// One shown headline: the layout button and knob resize and move the panel
// within the screen; the close button dismisses it and slides it out, even
// from off the slide's grid; a headline whose channel went stays safe.
TEST_F(DesktopPanelTest, LayoutKnobAndCloseButtonThenAHeadlineOfARemovedChannel)
{
    m_channel->Offer("layout");
    Cycle(CDesktopPanel::Shown);
    const RECT start = Window();
    for (bool full : {false, true})
    {
        Click(292, 15);
        EXPECT_EQ(full, Settings().GetFullLayout());
        EXPECT_EQ(start.top, Window().top);
        EXPECT_EQ(full ? 150 : 70, Window().bottom - Window().top);
    }
    Click(293, 60);
    const std::pair<int, LONG> drags[] = {{200, 140}, {10, 0}, {Screen().bottom - 5, Screen().bottom - 150}};
    for (const auto& drag : drags)
    {
        ::SetCursorPos(start.left + 293, drag.first);
        Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(293, 60));
        EXPECT_EQ(drag.second, Window().top) << "pointer at " << drag.first;
        EXPECT_EQ(start.left, Window().left);
    }
    Send(WM_LBUTTONUP);
    const int top = Window().top;
    ::SetCursorPos(start.left + 100, 300);
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(100, 60));
    EXPECT_EQ(top, Window().top) << "the drag ended with the button";
    RECT clip;
    ::GetClipCursor(&clip);
    EXPECT_GT(clip.right - clip.left, 1) << "the cursor is free again";

    // As after a change of screen size: off the six-pixel grid of the slide.
    ::SetWindowPos(m_window, nullptr, start.left + 3, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(290, 5));
    Click(290, 5);
    Click(290, 5, WM_LBUTTONUP);
    EXPECT_EQ(CDesktopPanel::Closing, m_panel.GetAnimationState());
    EXPECT_EQ(std::vector<int>{m_panel.GetCurrentHeadline().GetId()}, m_channel->m_dismissed);
    Step(51);
    EXPECT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState()) << "whatever the pointer does";
    EXPECT_GE(Window().left, Screen().right);
    EXPECT_TRUE(m_panel.IsMouseInside());

    // Back on the grid for whole slides from here on.
    ::SetWindowPos(m_window, nullptr, Screen().right, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Send(WM_MOUSELEAVE);
    m_channel->Offer("orphan");
    Cycle(CDesktopPanel::Shown);
    m_manager.RemoveChannelAt(0);
    m_channel = nullptr;
    ::RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Click(290, 5);
    EXPECT_EQ(CDesktopPanel::Closing, m_panel.GetAnimationState());
    Step(51);
    Command(ID_REPEAT_LAST_ONE);
    Cycle(CDesktopPanel::Shown);
    EXPECT_STREQ("orphan", Title());
}

TEST_F(DesktopPanelTest, DownloadAreaAddsTheEnclosureOnceAndTheTipCountsIt)
{
    CTestHttpServer server(&SmallFile);
    const std::string enclosure = server.GetUrl("/episode.mp3");
    m_channel->Offer(Headline("with enclosure", "http://a.test/1", enclosure.c_str()));
    m_channel->Offer(Headline("without enclosure", "http://a.test/2"));
    Cycle(CDesktopPanel::Shown);
    for (int click = 0; click < 2; ++click)
    {
        Click(292, 30);
        Click(292, 30, WM_LBUTTONUP);
    }
    ASSERT_EQ(1u, m_jobs.JobCount());
    EXPECT_STREQ(enclosure.c_str(), m_jobs.JobAt(0)->GetUrl());
    m_panel.UpdateTrayTip();
    EXPECT_STREQ(L"tidelight 1.7\n1 Buffered news\n1 Downloads", m_panel.GetTrayTip());

    // The same area over a headline without an enclosure does nothing.
    Cycle(CDesktopPanel::Hidden);
    Cycle(CDesktopPanel::Shown);
    EXPECT_STREQ("without enclosure", Title());
    Click(292, 30);
    Click(292, 30, WM_LBUTTONUP);
    EXPECT_EQ(1u, m_jobs.JobCount());
}

TEST_F(DesktopPanelTest, DoubleClickOpensAFileOnlyForTheDownloadServicesNotice)
{
    // What the shell would open is recorded instead, and the clock is ours.
    std::vector<std::pair<std::string, std::string>> opened;
    SetShellOpen([&opened](const CString& file, const CString& parameters)
                 { opened.emplace_back(file.GetString(), parameters.GetString()); });
    g_now = 5000000;
    Common::SetTickCountSource(&Now);

    CTestHttpServer server(&SmallFile);
    ASSERT_TRUE(m_jobs.AddJob(server.GetUrl("/talk.ogg").c_str()));
    CDownloadJob* job = m_jobs.JobAt(0);
    ASSERT_TRUE(WaitUntil([&] { return job->GetState() == CDownloadJob::Finished; }));
    const std::string file = job->GetLocalPath().GetString();
    m_manager.AddService(CChannelManager::DownloadServiceKey,
                         new Content::Download::CDownloadRetriever(m_jobs));

    // A feed's link naming the very same file is not opened; a web link is.
    const std::pair<const char*, size_t> feeds[] = {{file.c_str(), 0}, {"http://a.test/story", 1}};
    for (const auto& feed : feeds)
    {
        m_channel->Offer(Headline("from a feed", feed.first));
        Cycle(CDesktopPanel::Shown);
        Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 50));
        ASSERT_EQ(feed.second, opened.size()) << feed.first;
        Cycle(CDesktopPanel::Hidden);
    }
    EXPECT_EQ("http://a.test/story", opened[0].first);

    // A minute on, the service announces the download; its notice opens the file.
    g_now += Content::Download::CDownloadRetriever::NoticePause + 1;
    Cycle(CDesktopPanel::Shown);
    EXPECT_STREQ("Download finished", Title());
    Send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 50));
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(std::make_pair(file, std::string()), opened[1]);
}

// The tray icon: its tip counts what waits, the pointer over it refreshes
// the tip, it outlives a restarted taskbar, and the menu's repeat items are
// grey until the history holds enough.
TEST_F(DesktopPanelTest, TheTrayIconsTipCountsWaitingHeadlinesItOutlivesTheTaskbarAndRepeatsGreyOut)
{
    EXPECT_TRUE(m_panel.IsTrayIconAdded());
    EXPECT_STREQ(L"tidelight", m_panel.GetTrayTip());
    m_channel->Offer("waiting");
    m_channel->Offer("waiting too");
    // Other ids are not ours.
    const UINT trayMessage = ::RegisterWindowMessageA("WM_TRAYICON");
    Send(trayMessage, 99, WM_MOUSEMOVE);
    EXPECT_STREQ(L"tidelight", m_panel.GetTrayTip());
    Send(trayMessage, 205, WM_MOUSEMOVE);
    EXPECT_STREQ(L"tidelight 1.7\n2 Buffered news\n0 Downloads", m_panel.GetTrayTip());

    // A restarted shell knows no icons; the tip is the cheapest question.
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V2_SIZE;
    icon.hWnd = m_window;
    icon.uID = 205;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &icon));
    icon.uFlags = NIF_TIP;
    ASSERT_FALSE(::Shell_NotifyIconA(NIM_MODIFY, &icon));
    Send(::RegisterWindowMessageA("TaskbarCreated"));
    EXPECT_TRUE(::Shell_NotifyIconA(NIM_MODIFY, &icon));

    Common::CUniqueMenu menu(::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAYMENU)));
    ASSERT_TRUE(menu);
    const HMENU popup = ::GetSubMenu(menu.get(), 0);
    // History, then whether the last one, five and ten are grey.
    const struct
    {
        unsigned history;
        bool one, five, ten;
    } rows[] = {
        {0, true, true, true}, {1, false, true, true}, {5, false, false, true}, {8, false, false, true}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.history);
        while (m_manager.HistoryCount() < row.history)
        {
            m_channel->Offer("news");
            CHeadline headline;
            m_manager.NextHeadline(headline);
        }
        m_panel.UpdateTrayMenu(popup);
        const auto grey = [&](UINT id) { return (::GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
        EXPECT_EQ(row.one, grey(ID_REPEAT_LAST_ONE));
        EXPECT_EQ(row.five, grey(ID_REPEAT_LAST_FIVE));
        // The default history of eight never reaches ten.
        EXPECT_EQ(row.ten, grey(ID_REPEAT_LAST_TEN));
        EXPECT_FALSE(grey(ID_REPEAT_ALL) || grey(ID_EXIT));
    }
}
