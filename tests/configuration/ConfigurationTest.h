// The fixture of the configuration sheet's tests: a registry sandbox, an
// empty channel manager, and this thread's message loop, through whose
// filters Pump passes every waiting message as the program's loop would.
// The settings the pages change go back to the defaults the tests start with.
#pragma once

#include "configuration/ConfigurationDialog.h"
#include "content/ChannelManager.h"
#include "core/Settings.h"
#include "framework/Controls.h"
#include "framework/MessageLoop.h"
#include "framework/Module.h"
#include "support/RegistrySandbox.h"
#include "support/WindowPicture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

// The manager's keys in its order.
inline std::vector<std::string> Keys(CChannelManager& manager)
{
    std::vector<std::string> keys;
    for (unsigned i = 0; i < manager.ChannelCount(); ++i)
    {
        keys.push_back(manager.ChannelKeyAt(i)->GetString());
    }
    manager.Unlock();
    return keys;
}

class ConfigurationTest : public ::testing::Test
{
protected:
    using Dialog = Configuration::CConfigurationDialog;

    ConfigurationTest() : m_manager(CChannelManager::Empty{})
    {
        Framework::InitCommonControlClasses();
        Framework::Module().Init(::GetModuleHandleA(nullptr));
        Framework::Module().AddMessageLoop(&m_loop);
    }
    // The pages store what they hold as they close: closed before the
    // settings are put back.
    ~ConfigurationTest() override
    {
        Close();
        Framework::Module().RemoveMessageLoop();
        const CSettings defaults{CSettings::DefaultsOnly{}};
        CSettings& s = Settings();
        s.SetConnectionType(defaults.GetConnectionType());
        s.SetProxyAddress(defaults.GetProxyAddress());
        s.SetProxyPort(defaults.GetProxyPort());
        s.SetSyncAction(defaults.GetSyncAction());
        s.SetSyncServiceUrl(defaults.GetSyncServiceUrl());
        s.SetSyncServiceUsername(defaults.GetSyncServiceUsername());
        s.SetSyncServicePassword(defaults.GetSyncServicePassword());
        s.SetCheckForUpdates(defaults.GetCheckForUpdates());
        s.SetHelpActive(defaults.GetHelpActive());
        s.SetNewsDisplayed(defaults.GetNewsDisplayed());
        s.SetPanelDisplayTime(defaults.GetPanelDisplayTime());
        s.SetPanelDisplayInterval(defaults.GetPanelDisplayInterval());
        s.SetTabbedBrowser(defaults.GetTabbedBrowser());
    }

    HWND Open(int page)
    {
        Dialog::Open(&m_manager, page);
        Pump();
        return Sheet();
    }
    void Close()
    {
        Dialog::CloseOpen();
        Pump();
    }
    // The open sheet: the program's, or one a test made of its own.
    static HWND Sheet() { return s_ownSheet != nullptr ? s_ownSheet : Dialog::OpenWindow(); }
    static HWND Page() { return Sheet() != nullptr ? PropSheet_GetCurrentPageHwnd(Sheet()) : nullptr; }
    static HWND Item(int id) { return ::GetDlgItem(Page(), id); }
    static int CurrentPageIndex() { return PropSheet_HwndToIndex(Sheet(), Page()); }

    // Runs every waiting message through the loop's filters, then
    // dispatches it, as the program's loop would.
    void Pump()
    {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        {
            if (!m_loop.PreTranslateMessage(&message))
            {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        }
    }
    // Lets the display catch up, then keeps a picture of the sheet.
    void Picture(const std::string& name)
    {
        Pump();
        ::UpdateWindow(Sheet());
        ::Sleep(300);
        Pump();
        SaveWindowPicture(Sheet(), name);
    }
    static void Command(int id, int code = BN_CLICKED)
    {
        ::SendMessageA(Page(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
    }
    static void Timer(UINT_PTR id) { ::SendMessageA(Page(), WM_TIMER, id, 0); }
    static std::string Text(int id)
    {
        char text[512] = {};
        ::GetWindowTextA(Item(id), text, sizeof(text));
        return text;
    }
    // Types into an edit as a user would, key by key.
    static void Type(int id, const std::string& text)
    {
        for (char c : text)
        {
            ::SendMessageA(Item(id), WM_CHAR, static_cast<unsigned char>(c), 0);
        }
    }

    static inline HWND s_ownSheet = nullptr;
    CRegistrySandbox m_sandbox;
    Framework::CMessageLoop m_loop;
    CChannelManager m_manager;
};
