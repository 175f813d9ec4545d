#include "presentation/DesktopPanel.h"

#include "content/ChannelManager.h"
#include "common/TickClock.h"
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

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

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
    ~DesktopPanelTest() override { Settings().SetFullLayout(true); }

    CFakeRetriever* Channel(const char* key)
    {
        auto* retriever = new CFakeRetriever;
        retriever->Initialize(key);
        m_manager.AddChannelRetriever(key, retriever);
        return retriever;
    }
    void Tick() { ::SendMessageA(m_window, WM_TIMER, CDesktopPanel::CYCLE_TIMER, 0); }
    void Step(int count = 1)
    {
        for (int i = 0; i < count; ++i)
        {
            ::SendMessageA(m_window, WM_TIMER, CDesktopPanel::ANIMATION_TIMER, 0);
        }
    }
    void Command(UINT id) { ::SendMessageA(m_window, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    RECT Window() const
    {
        RECT rect;
        ::GetWindowRect(m_window, &rect);
        return rect;
    }
    static int ScreenWidth()
    {
        RECT screen;
        ::GetWindowRect(::GetDesktopWindow(), &screen);
        return screen.right - screen.left;
    }
    // Shows the next headline completely.
    void ShowNext()
    {
        Tick();
        Step(51);
        ASSERT_EQ(CDesktopPanel::Shown, m_panel.GetAnimationState());
    }
    void HideAgain()
    {
        Tick();
        Step(51);
        ASSERT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState());
    }

    CRegistrySandbox m_sandbox;
    // The panel's downloads go to a list and a folder of this test's own.
    CScratchFolder m_downloads;
    CDownloadJobList m_jobs{CDownloadJobList::Transient(), m_downloads.Path().c_str()};
    CChannelManager m_manager;
    CFakeRetriever* m_channel = nullptr;
    CDesktopPanel m_panel{m_jobs};
    HWND m_window = nullptr;
};
} // namespace

TEST_F(DesktopPanelTest, StartsHiddenInvisibleAndBeyondTheRightEdge)
{
    ASSERT_NE(nullptr, m_window);
    const RECT window = Window();
    RECT screen;
    ::GetWindowRect(::GetDesktopWindow(), &screen);
    EXPECT_EQ(ScreenWidth(), window.left);
    EXPECT_EQ(screen.bottom - 150 - 30, window.top);
    EXPECT_EQ(300, window.right - window.left);
    EXPECT_EQ(150, window.bottom - window.top);
    EXPECT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState());
    EXPECT_EQ(0, m_panel.GetOpacity());
    const LONG_PTR exStyle = ::GetWindowLongPtrA(m_window, GWL_EXSTYLE);
    EXPECT_EQ(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
              exStyle & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST));
}

TEST_F(DesktopPanelTest, EmptyQueueKeepsThePanelHidden)
{
    Tick();
    EXPECT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState());
    EXPECT_EQ(0u, Settings().GetNewsDisplayed());
}

TEST_F(DesktopPanelTest, SlideInFiftyStepsToFullOpacityThenOutAgain)
{
    m_channel->Offer("first");
    Tick();
    EXPECT_EQ(CDesktopPanel::Appearing, m_panel.GetAnimationState());
    EXPECT_STREQ("first", m_panel.GetCurrentHeadline().GetTitle());
    EXPECT_EQ(1u, Settings().GetNewsDisplayed());
    const int left = Window().left;
    Step(1);
    EXPECT_EQ(left - 6, Window().left);
    EXPECT_EQ(5, m_panel.GetOpacity());
    Step(49);
    EXPECT_EQ(ScreenWidth() - 300, Window().left);
    EXPECT_EQ(250, m_panel.GetOpacity());
    EXPECT_EQ(CDesktopPanel::Appearing, m_panel.GetAnimationState());
    Step(1);
    EXPECT_EQ(CDesktopPanel::Shown, m_panel.GetAnimationState());

    // The pointer on the panel keeps the headline.
    ::SendMessageA(m_window, WM_MOUSEMOVE, 0, MAKELPARAM(100, 50));
    Tick();
    EXPECT_EQ(CDesktopPanel::Shown, m_panel.GetAnimationState());
    ::SendMessageA(m_window, WM_MOUSELEAVE, 0, 0);
    Tick();
    EXPECT_EQ(CDesktopPanel::Disappearing, m_panel.GetAnimationState());
    Step(25);
    // Back under the pointer, the slide turns round from where it is.
    ::SendMessageA(m_window, WM_MOUSEMOVE, 0, MAKELPARAM(100, 50));
    Step(1);
    EXPECT_EQ(CDesktopPanel::Appearing, m_panel.GetAnimationState());
    ::SendMessageA(m_window, WM_MOUSELEAVE, 0, 0);
    Step(26);
    EXPECT_EQ(CDesktopPanel::Shown, m_panel.GetAnimationState());
    EXPECT_EQ(250, m_panel.GetOpacity());
    Tick();
    Step(50);
    EXPECT_EQ(ScreenWidth(), Window().left);
    EXPECT_EQ(0, m_panel.GetOpacity());
    Step(1);
    EXPECT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState());
}

TEST_F(DesktopPanelTest, CloseButtonDismissesAndSlidesOutWhateverThePointerDoes)
{
    m_channel->Offer("closing");
    ShowNext();
    ::SendMessageA(m_window, WM_MOUSEMOVE, 0, MAKELPARAM(290, 5));
    ::SendMessageA(m_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(290, 5));
    ::SendMessageA(m_window, WM_LBUTTONUP, 0, MAKELPARAM(290, 5));
    EXPECT_EQ(CDesktopPanel::Closing, m_panel.GetAnimationState());
    ASSERT_EQ(1u, m_channel->m_dismissed.size());
    EXPECT_EQ(m_panel.GetCurrentHeadline().GetId(), m_channel->m_dismissed[0]);
    Step(51);
    EXPECT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState());
    EXPECT_TRUE(m_panel.IsMouseInside());
}

TEST_F(DesktopPanelTest, SlideOutEndsEvenWhenTheStepsMissTheEdge)
{
    m_channel->Offer("moved");
    ShowNext();
    // The panel no longer sits on the six-pixel grid of the slide, as after
    // a change of screen size.
    const RECT window = Window();
    ::SetWindowPos(m_window, nullptr, window.left + 3, window.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Tick();
    Step(51);
    EXPECT_EQ(CDesktopPanel::Hidden, m_panel.GetAnimationState());
    EXPECT_GE(Window().left, ScreenWidth());
}

TEST_F(DesktopPanelTest, LayoutButtonTogglesTheHeightWithTheTopFixed)
{
    m_channel->Offer("layout");
    ShowNext();
    const RECT before = Window();
    ::SendMessageA(m_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(292, 15));
    EXPECT_FALSE(Settings().GetFullLayout());
    RECT after = Window();
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(70, after.bottom - after.top);
    ::SendMessageA(m_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(292, 15));
    after = Window();
    EXPECT_EQ(before.top, after.top);
    EXPECT_EQ(150, after.bottom - after.top);
}

TEST_F(DesktopPanelTest, KnobDragMovesThePanelVerticallyWithinTheScreen)
{
    m_channel->Offer("drag");
    ShowNext();
    RECT screen;
    ::GetWindowRect(::GetDesktopWindow(), &screen);
    const RECT start = Window();
    ::SendMessageA(m_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(293, 60));
    ::SetCursorPos(start.left + 293, 200);
    ::SendMessageA(m_window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(293, 60));
    EXPECT_EQ(140, Window().top);
    EXPECT_EQ(start.left, Window().left);
    ::SetCursorPos(start.left + 293, 10);
    ::SendMessageA(m_window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(293, 60));
    EXPECT_EQ(0, Window().top) << "stops at the top of the screen";
    ::SetCursorPos(start.left + 293, screen.bottom - 5);
    ::SendMessageA(m_window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(293, 60));
    EXPECT_EQ(screen.bottom, Window().bottom) << "stops at the bottom of the screen";
    ::SendMessageA(m_window, WM_LBUTTONUP, 0, 0);
    const int top = Window().top;
    ::SetCursorPos(start.left + 100, 300);
    ::SendMessageA(m_window, WM_MOUSEMOVE, 0, MAKELPARAM(100, 60));
    EXPECT_EQ(top, Window().top) << "the drag ended with the button";
    RECT clip;
    ::GetClipCursor(&clip);
    EXPECT_GT(clip.right - clip.left, 1) << "the cursor is free again";
}

TEST_F(DesktopPanelTest, RepeatLastFiveReplaysOldestFirstWithoutCounting)
{
    for (int i = 1; i <= 7; ++i)
    {
        m_channel->Offer(CString::Format("news %d", i));
    }
    for (int i = 0; i < 7; ++i)
    {
        ShowNext();
        HideAgain();
    }
    ASSERT_EQ(7u, Settings().GetNewsDisplayed());
    m_channel->Offer("waiting");
    Command(ID_REPEAT_LAST_FIVE);
    const char* expected[] = {"news 3", "news 4", "news 5", "news 6", "news 7"};
    for (const char* title : expected)
    {
        ShowNext();
        EXPECT_STREQ(title, m_panel.GetCurrentHeadline().GetTitle());
        HideAgain();
    }
    EXPECT_EQ(7u, Settings().GetNewsDisplayed());
    ShowNext();
    EXPECT_STREQ("waiting", m_panel.GetCurrentHeadline().GetTitle());
    EXPECT_EQ(8u, Settings().GetNewsDisplayed());
}

TEST_F(DesktopPanelTest, ArrowKeysBrowseTheHistory)
{
    m_channel->Offer("one");
    ShowNext();
    ::SendMessageA(m_window, WM_KEYUP, VK_LEFT, 0);
    EXPECT_EQ(-1, m_panel.GetReplayIndex()) << "one entry: nothing older to show";
    HideAgain();
    m_channel->Offer("two");
    ShowNext();
    ::SendMessageA(m_window, WM_KEYUP, VK_LEFT, 0);
    EXPECT_EQ(1, m_panel.GetReplayIndex());
    EXPECT_STREQ("one", m_panel.GetCurrentHeadline().GetTitle());
    ::SendMessageA(m_window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(0, m_panel.GetReplayIndex());
    EXPECT_STREQ("two", m_panel.GetCurrentHeadline().GetTitle());
    m_channel->Offer("three");
    ::SendMessageA(m_window, WM_KEYUP, VK_RIGHT, 0);
    EXPECT_STREQ("three", m_panel.GetCurrentHeadline().GetTitle());
    EXPECT_EQ(2u, Settings().GetNewsDisplayed()) << "browsing does not count";
}

TEST_F(DesktopPanelTest, DismissAllDrainsAndDismissesOnlyRepeatingChannels)
{
    CFakeRetriever* repeating = Channel("http://b.test/");
    repeating->GetChannel()->SetRepeatHeadlines(true);
    m_channel->Offer("plain");
    repeating->Offer("again");
    repeating->Offer("and again");
    Command(ID_DISMISS_ALL);
    EXPECT_EQ(0, m_manager.HasHeadlines(nullptr));
    EXPECT_TRUE(m_channel->m_dismissed.empty());
    EXPECT_EQ(2u, repeating->m_dismissed.size());
    EXPECT_EQ(3u, m_manager.HistoryCount());
    EXPECT_EQ(0u, Settings().GetNewsDisplayed());
}

TEST_F(DesktopPanelTest, RepeatAllClearsBothHistoriesOfEveryChannel)
{
    CIdHistory* shown = new CIdHistory(false, "x");
    CIdHistory* session = new CIdHistory(false, "x");
    shown->Add(1);
    session->Add(2);
    m_channel->SetHistories(shown, session);
    Command(ID_REPEAT_ALL);
    EXPECT_TRUE(shown->Ids().empty());
    EXPECT_TRUE(session->Ids().empty());
}

TEST_F(DesktopPanelTest, HeadlineOfARemovedChannelStaysSafeToShowAndClose)
{
    m_channel->Offer("orphan");
    ShowNext();
    m_manager.RemoveChannelAt(0);
    m_channel = nullptr;
    ::RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ::SendMessageA(m_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(290, 5));
    EXPECT_EQ(CDesktopPanel::Closing, m_panel.GetAnimationState());
    Step(51);
    Command(ID_REPEAT_LAST_ONE);
    ShowNext();
    EXPECT_STREQ("orphan", m_panel.GetCurrentHeadline().GetTitle());
}

TEST_F(DesktopPanelTest, TrayTipCountsWaitingHeadlines)
{
    EXPECT_STREQ(L"tidelight", m_panel.GetTrayTip());
    m_channel->Offer("a");
    m_channel->Offer("b");
    m_panel.UpdateTrayTip();
    EXPECT_STREQ(L"tidelight 1.7\n2 Buffered news\n0 Downloads", m_panel.GetTrayTip());
}

TEST_F(DesktopPanelTest, ExitDestroysThePanelAndQuitsWithZero)
{
    Command(ID_EXIT);
    EXPECT_FALSE(::IsWindow(m_window));
    MSG message;
    ASSERT_TRUE(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, message.wParam);
}

namespace
{
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

TEST_F(DesktopPanelTest, DownloadAreaAddsTheEnclosureOnce)
{
    CTestHttpServer server(&SmallFile);
    const std::string enclosure = server.GetUrl("/episode.mp3");
    m_channel->Offer(Headline("with enclosure", "http://a.test/1", enclosure.c_str()));
    m_channel->Offer(Headline("without enclosure", "http://a.test/2"));
    ShowNext();

    const auto clickDownload = [&]
    {
        ::SendMessageA(m_window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(292, 30));
        ::SendMessageA(m_window, WM_LBUTTONUP, 0, MAKELPARAM(292, 30));
    };
    clickDownload();
    clickDownload();
    ASSERT_EQ(1u, m_jobs.JobCount());
    CDownloadJob* job = m_jobs.JobAt(0);
    EXPECT_STREQ(enclosure.c_str(), job->GetUrl());
    m_panel.UpdateTrayTip();
    EXPECT_STREQ(L"tidelight 1.7\n1 Buffered news\n1 Downloads", m_panel.GetTrayTip());
    EXPECT_TRUE(WaitUntil([&] { return job->GetState() == CDownloadJob::Finished; }));
    EXPECT_EQ(std::string(2048, 'd'), m_downloads.Read("episode.mp3"));

    // The same area over a headline without an enclosure does nothing.
    HideAgain();
    ShowNext();
    EXPECT_STREQ("without enclosure", m_panel.GetCurrentHeadline().GetTitle());
    clickDownload();
    EXPECT_EQ(1u, m_jobs.JobCount());
}

TEST_F(DesktopPanelTest, DoubleClickOpensAFileOnlyForTheDownloadServicesNotice)
{
    std::vector<std::pair<std::string, std::string>> opened;
    // What the shell would open is recorded instead, and the clock is ours.
    struct Seams
    {
        explicit Seams(std::vector<std::pair<std::string, std::string>>& opened)
        {
            SetShellOpen([&opened](const CString& file, const CString& parameters)
                         { opened.emplace_back(file.GetString(), parameters.GetString()); });
            g_now = 5000000;
            Common::SetTickCountSource(&Now);
        }
        ~Seams()
        {
            Common::SetTickCountSource(nullptr);
            SetShellOpen(CBrowserLauncher::ShellOpen());
        }
    } seams(opened);

    CTestHttpServer server(&SmallFile);
    ASSERT_TRUE(m_jobs.AddJob(server.GetUrl("/talk.ogg").c_str()));
    CDownloadJob* job = m_jobs.JobAt(0);
    ASSERT_TRUE(WaitUntil([&] { return job->GetState() == CDownloadJob::Finished; }));
    const std::string file = job->GetLocalPath().GetString();
    m_manager.AddService(CChannelManager::DownloadServiceKey,
                         new Content::Download::CDownloadRetriever(m_jobs));

    // A feed whose link names the very same file: not opened.
    m_channel->Offer(Headline("looks like a file", file.c_str()));
    ShowNext();
    ::SendMessageA(m_window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 50));
    EXPECT_TRUE(opened.empty());
    HideAgain();

    // A feed's web link opens as a web link.
    m_channel->Offer(Headline("web page", "http://a.test/story"));
    ShowNext();
    ::SendMessageA(m_window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 50));
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ("http://a.test/story", opened[0].first);
    HideAgain();

    // A minute on, the service announces the download; its notice opens the file.
    g_now += Content::Download::CDownloadRetriever::NoticePause + 1;
    ShowNext();
    EXPECT_STREQ("Download finished", m_panel.GetCurrentHeadline().GetTitle());
    ::SendMessageA(m_window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(100, 50));
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(file, opened[1].first);
    EXPECT_EQ("", opened[1].second);
}
