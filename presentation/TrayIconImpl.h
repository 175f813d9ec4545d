// The notification-area icon of a window class T (which has m_hWnd): adds and
// removes the icon, shows the menu on a right click, runs the default command
// on a double click and asks T to refresh the tip when the pointer passes.
#pragma once

#include "common/UniqueHandle.h"
#include "framework/Module.h"
#include "resources/resource.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace Presentation
{
template <typename T> class CTrayIconImpl
{
public:
    // The icon and its menu resource share one id.
    static const UINT TrayIconId = IDR_TRAYMENU;

    CTrayIconImpl()
        : m_trayMessage(::RegisterWindowMessageA("WM_TRAYICON")),
          m_taskbarCreated(::RegisterWindowMessageA("TaskbarCreated"))
    {
        std::memset(&m_notifyData, 0, sizeof(m_notifyData));
        // The layout with a 128-character tip, which every shell accepts; wide,
        // so the tip is not folded through the ANSI code page.
        m_notifyData.cbSize = NOTIFYICONDATAW_V2_SIZE;
    }
    virtual ~CTrayIconImpl() { RemoveTrayIcon(); }
    CTrayIconImpl(const CTrayIconImpl&) = delete;
    CTrayIconImpl& operator=(const CTrayIconImpl&) = delete;

    bool AddTrayIcon(HICON icon)
    {
        m_notifyData.hWnd = static_cast<T*>(this)->m_hWnd;
        m_notifyData.uID = TrayIconId;
        m_notifyData.hIcon = icon;
        m_notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        m_notifyData.uCallbackMessage = m_trayMessage;
        ::lstrcpynW(m_notifyData.szTip, L"tidelight", ARRAYSIZE(m_notifyData.szTip));
        m_iconAdded = ::Shell_NotifyIconW(NIM_ADD, &m_notifyData) != FALSE;
        return m_iconAdded;
    }

    // The shell has rebuilt the notification area (after a restart of the
    // taskbar) and forgotten every icon: without ours the program would
    // have no visible way in.
    void OnTaskbarCreated()
    {
        if (m_notifyData.hWnd == nullptr)
        {
            return; // never added: nothing to restore
        }
        m_notifyData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        m_iconAdded = ::Shell_NotifyIconW(NIM_ADD, &m_notifyData) != FALSE;
    }

    void RemoveTrayIcon()
    {
        if (m_iconAdded)
        {
            m_notifyData.uFlags = 0;
            ::Shell_NotifyIconW(NIM_DELETE, &m_notifyData);
            m_iconAdded = false;
        }
    }

    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam)
    {
        if (wParam != TrayIconId)
        {
            return 0;
        }
        const HWND window = static_cast<T*>(this)->m_hWnd;
        switch (lParam)
        {
        case WM_RBUTTONUP:
            ShowMenu(window);
            break;
        case WM_LBUTTONDBLCLK:
            RunDefaultCommand(window);
            break;
        case WM_MOUSEMOVE:
            UpdateTrayTip();
            break;
        default:
            break;
        }
        return 0;
    }

    // Replaces the tip (cut to what the shell takes) and tells the shell.
    void SetTrayTip(const wchar_t* text)
    {
        ::lstrcpynW(m_notifyData.szTip, text, ARRAYSIZE(m_notifyData.szTip));
        m_notifyData.uFlags = NIF_TIP;
        ::Shell_NotifyIconW(NIM_MODIFY, &m_notifyData);
    }

    virtual void UpdateTrayMenu(HMENU) {}
    virtual void UpdateTrayTip() {}

protected:
    UINT m_trayMessage;
    UINT m_taskbarCreated;
    NOTIFYICONDATAW m_notifyData;
    bool m_iconAdded = false;
    UINT m_defaultCommand = 0;

private:
    // The menu resource, whose first sub-menu is the one shown; null when
    // either is missing.
    static Common::CUniqueMenu LoadTrayMenu(HMENU& popup)
    {
        Common::CUniqueMenu menu(
            ::LoadMenuA(Framework::Module().GetResourceInstance(), MAKEINTRESOURCEA(TrayIconId)));
        popup = menu ? ::GetSubMenu(menu.get(), 0) : nullptr;
        if (popup == nullptr)
        {
            menu.reset();
        }
        return menu;
    }

    void ShowMenu(HWND window)
    {
        HMENU popup = nullptr;
        const Common::CUniqueMenu menu = LoadTrayMenu(popup);
        if (!menu)
        {
            return;
        }
        UpdateTrayMenu(popup);
        POINT cursor;
        ::GetCursorPos(&cursor);
        // Without the foreground the menu would not close on a click elsewhere.
        ::SetForegroundWindow(window);
        if (m_defaultCommand != 0)
        {
            ::SetMenuDefaultItem(popup, m_defaultCommand, FALSE);
        }
        else
        {
            ::SetMenuDefaultItem(popup, 0, TRUE);
        }
        ::TrackPopupMenu(popup, TPM_LEFTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
        ::PostMessageA(window, WM_NULL, 0, 0);
    }

    void RunDefaultCommand(HWND window)
    {
        ::SetForegroundWindow(window);
        HMENU popup = nullptr;
        const Common::CUniqueMenu menu = LoadTrayMenu(popup);
        if (!menu)
        {
            return;
        }
        const UINT command = m_defaultCommand != 0 ? m_defaultCommand : ::GetMenuItemID(popup, 0);
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    }
};
} // namespace Presentation
