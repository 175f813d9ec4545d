#include "presentation/DesktopPanel.h"

#include "content/ChannelManager.h"
#include "core/Settings.h"
#include "support/FakeRetriever.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

using Presentation::CDesktopPanel;

namespace
{
class TrayIconTest : public ::testing::Test
{
protected:
    TrayIconTest() : m_manager(CChannelManager::Empty{})
    {
        m_channel = new CFakeRetriever;
        m_channel->Initialize("http://a.test/");
        m_manager.AddChannelRetriever("http://a.test/", m_channel);
        m_window = m_panel.Create(::GetDesktopWindow(), reinterpret_cast<LPARAM>(&m_manager));
        m_menu = ::LoadMenuA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(205));
    }
    ~TrayIconTest() override { ::DestroyMenu(m_menu); }

    // Delivers headlines until the history holds count of them.
    void FillHistory(unsigned count)
    {
        while (m_manager.HistoryCount() < count)
        {
            m_channel->Offer("news");
            CHeadline headline;
            m_manager.NextHeadline(headline);
        }
    }
    bool Grey(UINT id)
    {
        HMENU popup = ::GetSubMenu(m_menu, 0);
        m_panel.UpdateTrayMenu(popup);
        return (::GetMenuState(popup, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
    }

    CRegistrySandbox m_sandbox;
    CChannelManager m_manager;
    CFakeRetriever* m_channel = nullptr;
    CDesktopPanel m_panel;
    HWND m_window = nullptr;
    HMENU m_menu = nullptr;
};
} // namespace

TEST_F(TrayIconTest, RepeatItemsAreGreyUntilTheHistoryHoldsEnough)
{
    ASSERT_NE(nullptr, m_menu);
    EXPECT_TRUE(Grey(ID_REPEAT_LAST_ONE));
    EXPECT_TRUE(Grey(ID_REPEAT_LAST_FIVE));
    EXPECT_TRUE(Grey(ID_REPEAT_LAST_TEN));
    FillHistory(1);
    EXPECT_FALSE(Grey(ID_REPEAT_LAST_ONE));
    EXPECT_TRUE(Grey(ID_REPEAT_LAST_FIVE));
    FillHistory(5);
    EXPECT_FALSE(Grey(ID_REPEAT_LAST_FIVE));
    EXPECT_TRUE(Grey(ID_REPEAT_LAST_TEN));
    FillHistory(8);
    EXPECT_TRUE(Grey(ID_REPEAT_LAST_TEN)) << "the default history of eight never reaches ten";
    EXPECT_FALSE(Grey(ID_REPEAT_ALL));
    EXPECT_FALSE(Grey(ID_EXIT));
}

TEST_F(TrayIconTest, TheIconIsAddedWithItsNameAsTip)
{
    EXPECT_TRUE(m_panel.IsTrayIconAdded());
    EXPECT_STREQ(L"tidelight", m_panel.GetTrayTip());
    const UINT trayMessage = ::RegisterWindowMessageA("WM_TRAYICON");
    m_channel->Offer("waiting");
    // The pointer passing over the icon refreshes the tip; other ids are not ours.
    ::SendMessageA(m_window, trayMessage, 99, WM_MOUSEMOVE);
    EXPECT_STREQ(L"tidelight", m_panel.GetTrayTip());
    ::SendMessageA(m_window, trayMessage, 205, WM_MOUSEMOVE);
    EXPECT_STREQ(L"tidelight 1.7\n1 Buffered news\n0 Downloads", m_panel.GetTrayTip());
}

TEST_F(TrayIconTest, TheIconComesBackWhenTheTaskbarIsRebuilt)
{
    ASSERT_TRUE(m_panel.IsTrayIconAdded());
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V2_SIZE;
    icon.hWnd = m_window;
    icon.uID = 205;
    // A restarted shell knows no icons; the tip is the cheapest question.
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &icon));
    icon.uFlags = NIF_TIP;
    ASSERT_FALSE(::Shell_NotifyIconA(NIM_MODIFY, &icon));
    ::SendMessageA(m_window, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(::Shell_NotifyIconA(NIM_MODIFY, &icon));
    EXPECT_TRUE(m_panel.IsTrayIconAdded());
}
