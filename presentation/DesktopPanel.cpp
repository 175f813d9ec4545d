#include "DesktopPanel.h"

#include "content/ChannelManager.h"
#include "core/Settings.h"
#include "framework/Module.h"

namespace Presentation
{
BOOL CDesktopPanel::PreTranslateMessage(MSG* message)
{
    return ::IsDialogMessageA(m_hWnd, message);
}

BOOL CDesktopPanel::OnIdle()
{
    return FALSE;
}

bool CDesktopPanel::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message)
    {
    case WM_INITDIALOG:
        m_channelManager = reinterpret_cast<CChannelManager*>(lParam);
        OnInitDialog();
        result = TRUE;
        return true;
    case WM_QUERYENDSESSION:
        // The session may end without another message: every channel writes
        // its state back now, then the settings.
        if (m_channelManager != nullptr)
        {
            m_channelManager->StopAll();
        }
        Settings().SaveSettings();
        result = TRUE;
        return true;
    case WM_ERASEBKGND:
        // Painting covers the whole window; erasing first would only flicker.
        result = 1;
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_EXIT)
        {
            OnExit();
            return true;
        }
        return false;
    case WM_DESTROY:
        OnDestroy();
        return false;
    default:
        return false;
    }
}

void CDesktopPanel::OnInitDialog()
{
    // Just beyond the right edge of the screen, its bottom 30 pixels above
    // the screen's bottom; the slide brings it in from there.
    RECT screen;
    ::GetWindowRect(::GetDesktopWindow(), &screen);
    const int height = Settings().GetFullLayout() ? FullHeight : CompactHeight;
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, screen.right - screen.left, screen.bottom - height - BottomMargin, Width,
                   height, SWP_NOACTIVATE);

    // Present but invisible until a headline slides in.
    ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    ::SetLayeredWindowAttributes(m_hWnd, 0, 0, LWA_ALPHA);

    if (Framework::CMessageLoop* loop = Framework::Module().GetMessageLoop())
    {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
}

void CDesktopPanel::OnExit()
{
    ::DestroyWindow(m_hWnd);
    ::PostQuitMessage(0);
}

void CDesktopPanel::OnDestroy()
{
    if (Framework::CMessageLoop* loop = Framework::Module().GetMessageLoop())
    {
        loop->RemoveMessageFilter(this);
        loop->RemoveIdleHandler(this);
    }
}
} // namespace Presentation
