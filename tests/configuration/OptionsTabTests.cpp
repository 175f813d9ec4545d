#include "ConfigurationTest.h"

#include "core/Autorun.h"

#include <windowsx.h>

#include <functional>
#include <map>
#include <string>

namespace
{
// The setting a control stands for, written as the control shows it.
std::string Stored(int id)
{
    const CSettings& s = Settings();
    const auto number = [](DWORD value) { return std::to_string(value); };
    const std::map<int, std::function<std::string()>> stored = {
        {IDC_CONNECTION_TYPE, [&] { return number(s.GetConnectionType()); }},
        {IDC_PROXY_ADDRESS, [&] { return std::string(s.GetProxyAddress()); }},
        {IDC_PROXY_PORT, [&] { return number(s.GetProxyPort()); }},
        {IDC_AUTORUN, [&] { return number(IsAutorunEnabled()); }},
        {IDC_CHECK_UPDATES, [&] { return number(s.GetCheckForUpdates()); }},
        {IDC_SHOW_TIPS, [&] { return number(s.GetHelpActive()); }},
        {IDC_TABBED_BROWSER, [&] { return number(s.GetTabbedBrowser()); }},
        {IDC_DISPLAY_TIME, [&] { return number(s.GetPanelDisplayTime()); }},
        {IDC_DISPLAY_INTERVAL, [&] { return number(s.GetPanelDisplayInterval()); }},
        {IDC_SYNC_ACTION, [&] { return number(s.GetSyncAction()); }},
        {IDC_SYNC_URL, [&] { return std::string(s.GetSyncServiceUrl()); }},
        {IDC_SYNC_USERNAME, [&] { return std::string(s.GetSyncServiceUsername()); }},
        {IDC_SYNC_PASSWORD, [&] { return std::string(s.GetSyncServicePassword()); }},
    };
    return stored.at(id)();
}

class OptionsTabTest : public ConfigurationTest
{
protected:
    OptionsTabTest()
    {
        TestRegistry::CreateKey(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    }

    static std::string Kind(int id)
    {
        char name[32] = {};
        ::GetClassNameA(Item(id), name, sizeof(name));
        return name;
    }
    // A check state, trackbar position or list selection as a number; an edit's text.
    static std::string Shown(int id)
    {
        const HWND control = Item(id);
        const std::string kind = Kind(id);
        return kind == WC_EDITA       ? Text(id)
               : kind == WC_BUTTONA   ? std::to_string(Button_GetCheck(control))
               : kind == WC_COMBOBOXA ? std::to_string(ComboBox_GetCurSel(control))
                                      : std::to_string(::SendMessageA(control, TBM_GETPOS, 0, 0));
    }
    // Changes a control without the event that stores it; edits are typed into.
    static void Change(int id, const std::string& value)
    {
        const std::string kind = Kind(id);
        if (kind == WC_EDITA)
        {
            ::SetWindowTextA(Item(id), "");
            Type(id, value);
        }
        else if (kind == WC_COMBOBOXA)
        {
            ComboBox_SetCurSel(Item(id), std::stoi(value));
        }
        else if (kind == TRACKBAR_CLASSA)
        {
            ::SendMessageA(Item(id), TBM_SETPOS, TRUE, std::stoi(value));
        }
    }
    // Changes a control as a user would, ending with the event that stores
    // it: a click, a selection, a mouse release, or the focus moving on.
    void Enter(int id, const std::string& value)
    {
        const HWND control = Item(id);
        const std::string kind = Kind(id);
        ::SetFocus(control);
        Change(id, value);
        if (kind == WC_BUTTONA && Shown(id) != value)
        {
            ::SendMessageA(control, BM_CLICK, 0, 0);
        }
        else if (kind == WC_COMBOBOXA)
        {
            Command(id, CBN_SELCHANGE);
        }
        else if (kind == TRACKBAR_CLASSA)
        {
            NMHDR header = {control, static_cast<UINT_PTR>(id), static_cast<UINT>(NM_RELEASEDCAPTURE)};
            ::SendMessageA(Page(), WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
        }
        ::SetFocus(Item(IDC_SYNCHRONIZE));
        Pump();
    }
};

TEST_F(OptionsTabTest, ControlsShowTheirSettingsAndStoreWhatTheUserEnters)
{
    // The stored connection type selects its entry (-1: none for a value some
    // other program left), and only an explicit proxy enables its fields.
    const std::pair<DWORD, int> types[] = {{1, 0}, {0, 1}, {4, 2}, {3, 3}, {2, -1}, {7, -1}};
    for (const auto& type : types)
    {
        SCOPED_TRACE(type.first);
        Settings().SetConnectionType(type.first);
        Open(Dialog::OptionsPage);
        EXPECT_EQ(type.second, ComboBox_GetCurSel(Item(IDC_CONNECTION_TYPE)));
        EXPECT_EQ(type.first == 3, ::IsWindowEnabled(Item(IDC_PROXY_ADDRESS)) != FALSE);
        EXPECT_EQ(type.first == 3, ::IsWindowEnabled(Item(IDC_PROXY_PORT)) != FALSE);
        Close();
    }
    CSettings& s = Settings();
    s.SetConnectionType(CSettings::Proxy);
    s.SetProxyAddress("proxy.test");
    s.SetCheckForUpdates(false);
    s.SetSyncServiceUsername("alice");
    s.SetSyncServicePassword("secret");
    const struct
    {
        int id;
        std::string entered, stored;
    } rows[] = {
        {IDC_PROXY_ADDRESS, "cache.test", "cache.test"},
        {IDC_PROXY_PORT, "8081", "8081"},
        // No digits is 0, and a number beyond a port is never wrapped into one.
        {IDC_PROXY_PORT, "", "0"},
        {IDC_PROXY_PORT, "65536", "65535"},
        {IDC_PROXY_PORT, "4294967376", "65535"},
        {IDC_CONNECTION_TYPE, "0", "1"},
        {IDC_CONNECTION_TYPE, "1", "0"},
        {IDC_CONNECTION_TYPE, "2", "4"},
        {IDC_CONNECTION_TYPE, "3", "3"},
        {IDC_AUTORUN, "1", "1"},
        {IDC_AUTORUN, "0", "0"},
        {IDC_CHECK_UPDATES, "1", "1"},
        {IDC_SHOW_TIPS, "0", "0"},
        {IDC_TABBED_BROWSER, "1", "1"},
        {IDC_DISPLAY_TIME, "0", "1"},
        {IDC_DISPLAY_TIME, "99", "60"},
        {IDC_DISPLAY_INTERVAL, "0", "1"},
        {IDC_DISPLAY_INTERVAL, "99", "60"},
        {IDC_SYNC_ACTION, "1", "1"},
        {IDC_SYNC_URL, "http://b.test/", "http://b.test/"},
        // A restart reads these two back from 32 bytes: what is shown is what is kept.
        {IDC_SYNC_USERNAME, std::string(40, 'u'), std::string(31, 'u')},
        {IDC_SYNC_PASSWORD, std::string(40, 'p'), std::string(31, 'p')},
    };
    Open(Dialog::OptionsPage);
    Picture("configuration-options");
    for (const auto& row : rows)
    {
        EXPECT_EQ(Stored(row.id), Shown(row.id)) << row.id;
    }
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.id);
        Enter(row.id, row.entered);
        EXPECT_EQ(row.stored, Stored(row.id)) << row.entered;
        EXPECT_EQ(Stored(IDC_CONNECTION_TYPE) == "3", ::IsWindowEnabled(Item(IDC_PROXY_PORT)) != FALSE);
        if (Kind(row.id) == WC_EDITA && row.id != IDC_PROXY_PORT)
        {
            EXPECT_EQ(row.stored, Shown(row.id));
        }
        if (Kind(row.id) == TRACKBAR_CLASSA)
        {
            EXPECT_EQ(row.stored + " second(s)",
                      Text(row.id == IDC_DISPLAY_TIME ? IDC_DISPLAY_TIME_LABEL : IDC_DISPLAY_INTERVAL_LABEL));
        }
    }
}

// One control is changed without its own event, then another of its group
// changes: both are stored. Autorun is written at once and outlives Cancel.
TEST_F(OptionsTabTest, AGroupIsStoredWholeWhenAnyOfItsControlsChangesAndAutorunAtOnce)
{
    const struct
    {
        int changed;
        const char* value;
        int trigger;
        const char* triggerValue;
    } rows[] = {
        {IDC_PROXY_ADDRESS, "typed.test", IDC_CONNECTION_TYPE, "0"},
        {IDC_SYNC_ACTION, "1", IDC_SYNC_PASSWORD, "pw"},
        {IDC_SYNC_URL, "http://c.test/", IDC_SYNC_PASSWORD, "pw"},
        {IDC_SYNC_USERNAME, "carol", IDC_SYNC_PASSWORD, "pw"},
        {IDC_DISPLAY_INTERVAL, "33", IDC_DISPLAY_TIME, "12"},
    };
    Settings().SetConnectionType(CSettings::Proxy);
    Open(Dialog::OptionsPage);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.changed);
        Change(row.changed, row.value);
        Enter(row.trigger, row.triggerValue);
        EXPECT_EQ(row.value, Stored(row.changed));
    }
    Enter(IDC_AUTORUN, "1");
    PropSheet_PressButton(Sheet(), PSBTN_CANCEL);
    Pump();
    EXPECT_TRUE(IsAutorunEnabled());
    Open(Dialog::OptionsPage);
    EXPECT_EQ("1", Shown(IDC_AUTORUN));
}
} // namespace
