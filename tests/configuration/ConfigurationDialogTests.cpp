#include "ConfigurationTest.h"

#include "core/Settings.h"

namespace
{
using ConfigurationDialogTest = ConfigurationTest;

TEST_F(ConfigurationDialogTest, OpensAtTheRequestedPageAndOnlyFlashesWhenOpenAlready)
{
    for (int page = 0; page < 4; ++page)
    {
        SCOPED_TRACE(page);
        const HWND sheet = Open(page);
        ASSERT_NE(nullptr, sheet);
        EXPECT_EQ(page, CurrentPageIndex());
        char caption[64] = {};
        ::GetWindowTextA(sheet, caption, sizeof(caption));
        EXPECT_STREQ("tidelight Configuration", caption);
        EXPECT_EQ(nullptr, ::GetWindow(sheet, GW_OWNER));
        EXPECT_NE(0, ::SendMessageA(sheet, WM_GETICON, ICON_SMALL, 0));

        // A second command changes nothing: the same sheet, the same page.
        Open((page + 1) % 4);
        EXPECT_EQ(sheet, Sheet());
        EXPECT_EQ(page, CurrentPageIndex());

        Dialog::CloseOpen();
        Pump();
        EXPECT_EQ(nullptr, Sheet());
        EXPECT_FALSE(::IsWindow(sheet));
    }
}

TEST_F(ConfigurationDialogTest, OkAndCancelCloseTheSheet)
{
    for (int button : {PSBTN_OK, PSBTN_CANCEL})
    {
        SCOPED_TRACE(button);
        const HWND sheet = Open(Dialog::AboutPage);
        ASSERT_NE(nullptr, sheet);
        PropSheet_PressButton(sheet, button);
        Pump();
        EXPECT_FALSE(::IsWindow(sheet));
        EXPECT_EQ(nullptr, Sheet());
    }
}

TEST_F(ConfigurationDialogTest, AboutReadsTheCountOnceForEachSheet)
{
    Settings().SetNewsDisplayed(0);
    Open(Dialog::AboutPage);
    EXPECT_EQ("tidelight 1.7", Text(IDC_ABOUT_VERSION));
    EXPECT_EQ("0 news brought to your desktop since first run.", Text(IDC_ABOUT_COUNT));
    Settings().SetNewsDisplayed(42);
    PropSheet_SetCurSel(Sheet(), nullptr, Dialog::ChannelsPage);
    PropSheet_SetCurSel(Sheet(), nullptr, Dialog::AboutPage);
    EXPECT_EQ("0 news brought to your desktop since first run.", Text(IDC_ABOUT_COUNT));
    Picture("configuration-about");

    Dialog::CloseOpen();
    Open(Dialog::AboutPage);
    EXPECT_EQ("42 news brought to your desktop since first run.", Text(IDC_ABOUT_COUNT));
    Settings().SetNewsDisplayed(0);
}
} // namespace
