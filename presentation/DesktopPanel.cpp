#include "DesktopPanel.h"

#include "common/Version.h"
#include "configuration/ConfigurationDialog.h"
#include "content/AbstractRetriever.h"
#include "content/ChannelManager.h"
#include "content/IdHistory.h"
#include "content/download/DownloadJobList.h"
#include "content/download/DownloadRetriever.h"
#include "core/BrowserLauncher.h"
#include "core/ChannelRecord.h"
#include "core/Settings.h"
#include "framework/Module.h"

#include <windowsx.h>

using Content::Download::CDownloadJob;
using Content::Download::CDownloadJobList;
using Content::Download::DownloadJobs;

namespace Presentation
{
const char* const CDesktopPanel::WeblogAddress = "http://tidelight.org/weblog/";
const char* const CDesktopPanel::LiveAddress = "http://live.tidelight.org/";

namespace
{
const int TrayMenuDefault = ID_CHANNELS;

RECT ScreenRect()
{
    RECT screen;
    ::GetWindowRect(::GetDesktopWindow(), &screen);
    return screen;
}
} // namespace

CDesktopPanel::CDesktopPanel() : CDesktopPanel(DownloadJobs()) {}

CDesktopPanel::CDesktopPanel(CDownloadJobList& jobs) : m_jobs(&jobs)
{
    m_trackMouse.cbSize = sizeof(m_trackMouse);
    m_trackMouse.dwFlags = TME_LEAVE;
    m_trackMouse.dwHoverTime = HOVER_DEFAULT;
}

CDesktopPanel::~CDesktopPanel()
{
    RemoveTrayIcon();
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd))
    {
        ::DestroyWindow(m_hWnd);
    }
}

BOOL CDesktopPanel::PreTranslateMessage(MSG* message)
{
    return m_hWnd != nullptr && ::IsDialogMessageA(m_hWnd, message);
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
    case WM_TIMER:
        if (wParam == ANIMATION_TIMER)
        {
            OnAnimationStep();
        }
        else if (wParam == CYCLE_TIMER)
        {
            OnCycleTick();
        }
        else if (wParam == SAVE_TIMER)
        {
            SaveChanges();
        }
        return true;
    case WM_PAINT:
        OnPaint();
        return true;
    case WM_LBUTTONDBLCLK:
        OpenCurrentLink();
        return true;
    case WM_LBUTTONDOWN:
        OnLeftButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return true;
    case WM_LBUTTONUP:
        OnLeftButtonUp();
        return true;
    case WM_MOUSEMOVE:
        OnMouseMove();
        return true;
    case WM_MOUSELEAVE:
        m_mouseInside = 0;
        return true;
    case WM_QUERYENDSESSION:
        // The session may end without another message: every channel writes
        // its state back now, then the download jobs (a finished file is
        // known by what they store), then the settings.
        if (m_channelManager != nullptr)
        {
            m_channelManager->StopAll();
        }
        if (m_jobs != nullptr)
        {
            m_jobs->Save();
        }
        Settings().SaveSettings();
        result = TRUE;
        return true;
    case WM_DISPLAYCHANGE:
        m_screen = ScreenRect();
        return false;
    case WM_ERASEBKGND:
        // Painting covers the whole window; erasing first would only flicker.
        result = 1;
        return true;
    case WM_KEYUP:
        if (wParam == VK_LEFT || wParam == VK_RIGHT)
        {
            Browse(wParam == VK_LEFT);
        }
        return true;
    case WM_MOUSEWHEEL:
        Browse(GET_WHEEL_DELTA_WPARAM(wParam) < 0);
        return true;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam));
    case WM_DESTROY:
        OnDestroy();
        return false;
    default:
        if (message == m_trayMessage)
        {
            result = OnTrayNotify(wParam, lParam);
            return true;
        }
        if (message == m_taskbarCreated)
        {
            OnTaskbarCreated();
            return true;
        }
        return false;
    }
}

void CDesktopPanel::OnInitDialog()
{
    // Just beyond the right edge of the screen, its bottom 30 pixels above
    // the screen's bottom; the slide brings it in from there.
    m_screen = ScreenRect();
    const RECT& screen = m_screen;
    const int height = CPanelPainter::Height(Settings().GetFullLayout());
    ::SetWindowPos(m_hWnd, HWND_TOPMOST, screen.right - screen.left, screen.bottom - height - BottomMargin,
                   Width, height, SWP_NOACTIVATE);

    // Present but invisible until a headline slides in.
    ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
    ::SetLayeredWindowAttributes(m_hWnd, 0, 0, LWA_ALPHA);

    ArmCycleTimer(Settings().GetPanelDisplayInterval());
    ::SetTimer(m_hWnd, SAVE_TIMER, SavePeriod, nullptr);
    m_dragAnchorY = -1;
    m_replayIndex = -1;
    m_animationState = Hidden;
    m_mouseInside = 0;

    const HINSTANCE instance = Framework::Module().GetResourceInstance();
    m_bigIcon.reset(
        static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_TIDELIGHT), IMAGE_ICON,
                                        ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
    m_smallIcon.reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(IDI_TIDELIGHT), IMAGE_ICON,
                                                      ::GetSystemMetrics(SM_CXSMICON),
                                                      ::GetSystemMetrics(SM_CYSMICON), 0)));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.get()));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));

    AddTrayIcon(m_smallIcon.get());
    m_defaultCommand = TrayMenuDefault;

    if (Framework::CMessageLoop* loop = Framework::Module().GetMessageLoop())
    {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }
}

void CDesktopPanel::SaveChanges()
{
    if (m_channelManager != nullptr)
    {
        m_channelManager->SaveChanges();
    }
    m_jobs->SaveEnded();
}

void CDesktopPanel::ArmCycleTimer(DWORD seconds)
{
    ::SetTimer(m_hWnd, CYCLE_TIMER, seconds * 1000, nullptr);
}

void CDesktopPanel::OnCycleTick()
{
    if (m_animationState == Hidden)
    {
        // While the workstation is locked the input desktop cannot be
        // opened: waiting headlines are kept for later.
        if (!Common::CUniqueDesktop(::OpenInputDesktop(0, FALSE, 0)))
        {
            return;
        }
        if (m_channelManager == nullptr)
        {
            return;
        }
        CHeadline headline;
        if (m_replayIndex >= 0)
        {
            headline = m_channelManager->HistoryAt(static_cast<unsigned>(m_replayIndex));
            --m_replayIndex;
        }
        else
        {
            if (!m_channelManager->HasHeadlines(nullptr))
            {
                return;
            }
            m_channelManager->NextHeadline(headline);
            Settings().SetNewsDisplayed(Settings().GetNewsDisplayed() + 1);
        }
        ShowHeadline(headline);
    }
    else if (m_animationState == Shown && m_mouseInside == 0)
    {
        m_animationState = Disappearing;
        ::SetTimer(m_hWnd, ANIMATION_TIMER, AnimationPeriod, nullptr);
    }
}

void CDesktopPanel::ApplyOpacity()
{
    ::SetLayeredWindowAttributes(m_hWnd, RGB(255, 255, 255), m_opacity, LWA_ALPHA);
}

void CDesktopPanel::OnAnimationStep()
{
    const RECT& screen = m_screen;
    const int screenWidth = screen.right - screen.left;
    RECT panel;
    ::GetWindowRect(m_hWnd, &panel);
    const UINT moveFlags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    switch (m_animationState)
    {
    case Appearing:
        if (panel.left > screenWidth - Width)
        {
            m_opacity = static_cast<unsigned char>(m_opacity + FadeStep);
            ApplyOpacity();
            ::SetWindowPos(m_hWnd, nullptr, panel.left - SlideStep, panel.top, 0, 0, moveFlags);
        }
        else
        {
            m_animationState = Shown;
            ::KillTimer(m_hWnd, ANIMATION_TIMER);
            ArmCycleTimer(Settings().GetPanelDisplayTime());
        }
        break;
    case Shown:
        m_animationState = Disappearing;
        break;
    case Disappearing:
        if (m_mouseInside == 1)
        {
            m_animationState = Appearing;
        }
        else
        {
            SlideOut(screen, panel);
        }
        break;
    case Closing:
        SlideOut(screen, panel);
        break;
    case Hidden:
    default:
        m_animationState = Appearing;
        break;
    }
}

void CDesktopPanel::SlideOut(const RECT& screen, const RECT& panel)
{
    const int screenWidth = screen.right - screen.left;
    // At or beyond the edge: a screen that shrank during the slide would
    // otherwise be stepped past and the slide would never end.
    if (panel.left >= screenWidth)
    {
        m_animationState = Hidden;
        ::KillTimer(m_hWnd, ANIMATION_TIMER);
        ArmCycleTimer(Settings().GetPanelDisplayInterval());
    }
    else
    {
        m_opacity = static_cast<unsigned char>(m_opacity - FadeStep);
        ApplyOpacity();
        ::SetWindowPos(m_hWnd, nullptr, panel.left + SlideStep, panel.top, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CDesktopPanel::ShowHeadline(const CHeadline& headline)
{
    m_currentHeadline = headline;
    Redraw();
    if (m_animationState != Shown)
    {
        m_animationState = Appearing;
        ::SetTimer(m_hWnd, ANIMATION_TIMER, AnimationPeriod, nullptr);
    }
}

void CDesktopPanel::Redraw()
{
    ++m_frameGeneration;
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void CDesktopPanel::Browse(bool older)
{
    if (m_channelManager == nullptr)
    {
        return;
    }
    const int count = static_cast<int>(m_channelManager->HistoryCount());
    if (older)
    {
        if (m_replayIndex == -1 && count > 1)
        {
            m_replayIndex = 1;
        }
        else if (m_replayIndex < 0 || m_replayIndex >= count - 1)
        {
            return;
        }
        else
        {
            ++m_replayIndex;
        }
        ShowHeadline(m_channelManager->HistoryAt(static_cast<unsigned>(m_replayIndex)));
    }
    else if (m_replayIndex > 0)
    {
        --m_replayIndex;
        ShowHeadline(m_channelManager->HistoryAt(static_cast<unsigned>(m_replayIndex)));
    }
    else if (m_channelManager->HasHeadlines(nullptr))
    {
        CHeadline headline;
        m_channelManager->NextHeadline(headline);
        ShowHeadline(headline);
    }
}

void CDesktopPanel::RepeatAll()
{
    if (m_channelManager == nullptr)
    {
        return;
    }
    const unsigned count = m_channelManager->ChannelCount();
    for (unsigned i = 0; i < count; ++i)
    {
        Content::CAbstractRetriever* retriever = m_channelManager->ChannelAt(i);
        if (retriever == nullptr)
        {
            break;
        }
        if (retriever->GetShownHistory() != nullptr)
        {
            retriever->GetShownHistory()->Clear();
        }
        if (retriever->GetSessionHistory() != nullptr)
        {
            retriever->GetSessionHistory()->Clear();
        }
    }
    m_channelManager->WakeAll();
}

void CDesktopPanel::DismissAll()
{
    if (m_channelManager == nullptr)
    {
        return;
    }
    while (m_channelManager->HasHeadlines(nullptr))
    {
        CHeadline headline;
        m_channelManager->NextHeadline(headline);
        // A channel that repeats its headlines would bring them back at the
        // next poll unless they are dismissed.
        Content::CAbstractRetriever* retriever = m_channelManager->ResolveRetriever(headline);
        if (retriever != nullptr && retriever->GetChannel() != nullptr &&
            retriever->GetChannel()->GetRepeatHeadlines())
        {
            retriever->Dismiss(headline.GetId());
        }
        if (headline.GetRetriever() == nullptr && headline.GetShownTitle().IsEmpty())
        {
            break; // nothing came although something was said to wait
        }
    }
}

bool CDesktopPanel::OnCommand(UINT command)
{
    switch (command)
    {
    case ID_REPEAT_ALL:
        RepeatAll();
        return true;
    case ID_DISMISS_ALL:
        DismissAll();
        return true;
    case ID_REPEAT_LAST_ONE:
        m_replayIndex = 0;
        return true;
    case ID_REPEAT_LAST_FIVE:
        m_replayIndex = 4;
        return true;
    case ID_REPEAT_LAST_TEN:
        m_replayIndex = 9;
        return true;
    case ID_CHANNELS:
        Configuration::CConfigurationDialog::Open(m_channelManager,
                                                  Configuration::CConfigurationDialog::ChannelsPage);
        return true;
    case ID_CONFIGURE:
        Configuration::CConfigurationDialog::Open(m_channelManager,
                                                  Configuration::CConfigurationDialog::OptionsPage);
        return true;
    case ID_DOWNLOADS:
        Configuration::CConfigurationDialog::Open(m_channelManager,
                                                  Configuration::CConfigurationDialog::DownloadsPage);
        return true;
    case ID_ABOUT:
        Configuration::CConfigurationDialog::Open(m_channelManager,
                                                  Configuration::CConfigurationDialog::AboutPage);
        return true;
    case ID_WEBLOG:
        OpenLink(WeblogAddress);
        return true;
    case ID_LIVE:
        OpenLink(LiveAddress);
        return true;
    case ID_EXIT:
        OnExit();
        return true;
    default:
        return false;
    }
}

void CDesktopPanel::OnExit()
{
    const HWND sheet = Configuration::CConfigurationDialog::OpenWindow();
    if (sheet != nullptr && !::IsWindowEnabled(sheet))
    {
        // A modal window of the sheet is open (a file dialog, a question),
        // and the page handler that opened it waits for it further down this
        // very stack: destroying the sheet now would delete the page under
        // it. The window is answered as Cancel (or No), and Exit comes again
        // once the handler has returned.
        const HWND modal = ::GetLastActivePopup(sheet);
        if (modal != nullptr && modal != sheet)
        {
            ::SendMessageA(modal, WM_COMMAND, IDCANCEL, 0);
            if (::IsWindow(modal))
            {
                ::SendMessageA(modal, WM_COMMAND, IDNO, 0);
            }
        }
        ::PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0);
        return;
    }
    // The sheet's pages store what they hold while everything still exists.
    Configuration::CConfigurationDialog::CloseOpen();
    ::KillTimer(m_hWnd, CYCLE_TIMER);
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

Content::CAbstractRetriever* CDesktopPanel::CurrentRetriever() const
{
    return m_channelManager != nullptr ? m_channelManager->ResolveRetriever(m_currentHeadline) : nullptr;
}

void CDesktopPanel::OpenCurrentLink()
{
    // Only the download service's own notices name files to open; a feed's
    // link is opened only when it is a web address, whatever it looks like.
    if (dynamic_cast<Content::Download::CDownloadRetriever*>(CurrentRetriever()) != nullptr)
    {
        OpenLocalFile(m_currentHeadline.GetLink(), m_hWnd);
    }
    else
    {
        OpenLink(m_currentHeadline.GetLink());
    }
}

void CDesktopPanel::OnPaint()
{
    const bool fullLayout = Settings().GetFullLayout();
    const int height = CPanelPainter::Height(fullLayout);
    const Common::CPaintDc paint(m_hWnd);
    const HDC window = paint.get();
    if (window == nullptr || m_currentHeadline.GetShownTitle().IsEmpty())
    {
        return;
    }
    // A headline whose channel is gone keeps its text but takes the default
    // colours and icon.
    DWORD colorIndex = 0;
    DWORD iconIndex = 0;
    if (Content::CAbstractRetriever* retriever = CurrentRetriever())
    {
        if (CChannelRecord* record = retriever->GetChannel())
        {
            colorIndex = record->GetColor();
            iconIndex = record->GetIcon();
        }
    }
    // The frame is composed once per headline, layout and scheme: sliding
    // and fading expose the window again and again, and only copying the
    // finished frame keeps that cheap.
    const SIZE key = {static_cast<LONG>(colorIndex), static_cast<LONG>(iconIndex)};
    Common::CUniqueMemoryDc surface(::CreateCompatibleDC(window));
    const bool stale = !m_frame || m_frameGeneration != m_paintedGeneration || m_frameKey.cx != key.cx ||
                       m_frameKey.cy != key.cy || m_frameHeight != height;
    if (surface && stale)
    {
        m_frame.reset(::CreateCompatibleBitmap(window, Width, height));
        if (m_frame)
        {
            {
                const Common::CSelectedObject selected(surface.get(), m_frame.get());
                m_painter.Compose(surface.get(), m_currentHeadline, colorIndex, iconIndex, fullLayout);
            }
            m_paintedGeneration = m_frameGeneration;
            m_frameKey = key;
            m_frameHeight = height;
            ::SetWindowPos(m_hWnd, nullptr, 0, 0, Width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (surface && m_frame)
    {
        const Common::CSelectedObject selected(surface.get(), m_frame.get());
        ::BitBlt(window, 0, 0, Width, height, surface.get(), 0, 0, SRCCOPY);
    }
}

void CDesktopPanel::OnLeftButtonDown(int x, int y)
{
    if (x < ColumnLeft)
    {
        return;
    }
    if (y < CloseBottom)
    {
        if (Content::CAbstractRetriever* retriever = CurrentRetriever())
        {
            retriever->Dismiss(m_currentHeadline.GetId());
        }
        m_animationState = Closing;
        ::SetTimer(m_hWnd, ANIMATION_TIMER, AnimationPeriod, nullptr);
    }
    else if (y < LayoutBottom)
    {
        Settings().SetFullLayout(!Settings().GetFullLayout());
        Redraw();
    }
    else if (y < DownloadBottom)
    {
        // A URL already listed, or one the list refuses, changes nothing.
        if (!m_currentHeadline.GetEnclosureUrl().IsEmpty())
        {
            m_jobs->AddJob(m_currentHeadline.GetEnclosureUrl());
        }
    }
    else
    {
        m_dragAnchorY = y;
        RECT panel;
        ::GetWindowRect(m_hWnd, &panel);
        const RECT screen = ScreenRect();
        const RECT line = {panel.left + x, screen.top, panel.left + x, screen.bottom};
        ::GetClipCursor(&m_savedClipRect);
        ::ClipCursor(&line);
        ::SetCapture(m_hWnd);
    }
}

void CDesktopPanel::OnLeftButtonUp()
{
    // Only a knob drag clipped the cursor; any other release leaves the
    // clip alone rather than restoring a rectangle never saved.
    if (m_dragAnchorY != -1)
    {
        m_dragAnchorY = -1;
        ::ClipCursor(&m_savedClipRect);
        ::ReleaseCapture();
    }
}

void CDesktopPanel::OnMouseMove()
{
    if (m_dragAnchorY != -1)
    {
        POINT cursor;
        ::GetCursorPos(&cursor);
        RECT panel;
        ::GetWindowRect(m_hWnd, &panel);
        const RECT screen = ScreenRect();
        const int height = panel.bottom - panel.top;
        int top = cursor.y - m_dragAnchorY;
        if (top < 0)
        {
            top = 0;
        }
        else if (top + height > screen.bottom)
        {
            top = screen.bottom - height;
        }
        ::SetWindowPos(m_hWnd, HWND_TOPMOST, panel.left, top, 0, 0,
                       SWP_NOSIZE | SWP_NOREDRAW | SWP_DEFERERASE);
    }
    m_trackMouse.hwndTrack = m_hWnd;
    ::TrackMouseEvent(&m_trackMouse);
    m_mouseInside = 1;
}

void CDesktopPanel::UpdateTrayMenu(HMENU menu)
{
    const unsigned count = m_channelManager != nullptr ? m_channelManager->HistoryCount() : 0;
    ::EnableMenuItem(menu, ID_REPEAT_LAST_ONE, MF_BYCOMMAND | (count < 1 ? MF_GRAYED : MF_ENABLED));
    ::EnableMenuItem(menu, ID_REPEAT_LAST_FIVE, MF_BYCOMMAND | (count < 5 ? MF_GRAYED : MF_ENABLED));
    ::EnableMenuItem(menu, ID_REPEAT_LAST_TEN, MF_BYCOMMAND | (count < 10 ? MF_GRAYED : MF_ENABLED));
}

void CDesktopPanel::UpdateTrayTip()
{
    int buffered = 0;
    if (m_channelManager != nullptr)
    {
        m_channelManager->HasHeadlines(&buffered);
    }
    const int downloads = static_cast<int>(m_jobs->JobCount());
    wchar_t tip[128];
    if (wsprintfW(tip, L"%hs %hs\n%d Buffered news\n%d Downloads", "tidelight", TIDELIGHT_VERSION, buffered,
                  downloads) > 0)
    {
        SetTrayTip(tip);
    }
}
} // namespace Presentation
