#include "ConfigurationTest.h"

#include <functional>

namespace
{
using ConfigurationDialogTest = ConfigurationTest;

TEST_F(ConfigurationDialogTest, OpensAtTheRequestedPageOnceAndClosesByEveryWay)
{
    const std::function<void(HWND)> closes[] = {
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_OK); },
        [](HWND sheet) { PropSheet_PressButton(sheet, PSBTN_CANCEL); }, [](HWND) { Dialog::CloseOpen(); },
        [](HWND) { Dialog::CloseOpen(); }};
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
        EXPECT_EQ(sheet, Open((page + 1) % 4));
        EXPECT_EQ(page, CurrentPageIndex());
        closes[page](sheet);
        Pump();
        EXPECT_EQ(nullptr, Sheet());
        EXPECT_FALSE(::IsWindow(sheet));
    }
}

TEST_F(ConfigurationDialogTest, AboutReadsTheCountOnceForEachSheet)
{
    const auto count = [](int news)
    { return std::to_string(news) + " news brought to your desktop since first run."; };
    Open(Dialog::AboutPage);
    EXPECT_EQ("tidelight 1.7", Text(IDC_ABOUT_VERSION));
    EXPECT_EQ(count(0), Text(IDC_ABOUT_COUNT));
    Settings().SetNewsDisplayed(42);
    PropSheet_SetCurSel(Sheet(), nullptr, Dialog::ChannelsPage);
    PropSheet_SetCurSel(Sheet(), nullptr, Dialog::AboutPage);
    EXPECT_EQ(count(0), Text(IDC_ABOUT_COUNT));
    Picture("configuration-about");
    Close();
    Open(Dialog::AboutPage);
    EXPECT_EQ(count(42), Text(IDC_ABOUT_COUNT));
}
} // namespace
