// The fixture of the configuration sheet's tests: a registry sandbox, an
// empty channel manager, and this thread's message loop, through whose
// filters Pump passes every waiting message as the program's loop would.
#pragma once

#include "configuration/ConfigurationDialog.h"
#include "content/ChannelManager.h"
#include "framework/Controls.h"
#include "framework/MessageLoop.h"
#include "framework/Module.h"
#include "support/RegistrySandbox.h"
#include "support/WindowPicture.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

// Runs every waiting message through the loop's filters, then dispatches
// it, as the program's loop would.
inline void PumpThrough(Framework::CMessageLoop& loop)
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
    {
        if (!loop.PreTranslateMessage(&message))
        {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
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
    ~ConfigurationTest() override
    {
        Dialog::CloseOpen();
        Pump();
        Framework::Module().RemoveMessageLoop();
    }

    HWND Open(int page)
    {
        Dialog::Open(&m_manager, page);
        Pump();
        return Sheet();
    }
    static HWND Sheet() { return Dialog::OpenWindow(); }
    static HWND Page() { return Sheet() != nullptr ? PropSheet_GetCurrentPageHwnd(Sheet()) : nullptr; }
    static HWND Item(int id) { return ::GetDlgItem(Page(), id); }
    static int CurrentPageIndex() { return PropSheet_HwndToIndex(Sheet(), Page()); }

    void Pump() { PumpThrough(m_loop); }
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

    CRegistrySandbox m_sandbox;
    Framework::CMessageLoop m_loop;
    CChannelManager m_manager;
};
