// The main window: a layered, topmost tool window at the right edge of the
// screen. Every few seconds, while it is hidden, it asks the channel manager
// for the next headline, slides it in while fading it up, keeps it for the
// display time (longer while the pointer rests on it) and slides it out.
// It also carries the tray icon, whose menu commands it carries out.
#pragma once

#include "PanelPainter.h"
#include "TrayIconImpl.h"
#include "common/UniqueHandle.h"
#include "content/Headline.h"
#include "framework/MessageLoop.h"
#include "framework/ModelessDialog.h"
#include "resources/resource.h"

class CChannelManager;

namespace Content
{
namespace Download
{
class CDownloadJobList;
} // namespace Download
} // namespace Content

namespace Presentation
{
class CDesktopPanel : public Framework::CModelessDialog<CDesktopPanel>,
                      public Framework::CMessageFilter,
                      public Framework::CIdleHandler,
                      public CTrayIconImpl<CDesktopPanel>
{
public:
    enum
    {
        IDD = IDD_DESKTOPPANEL
    };
    enum AnimationState
    {
        Hidden = 0,
        Appearing = 1,
        Shown = 2,
        Disappearing = 3,
        Closing = 4
    };
    enum Timer
    {
        ANIMATION_TIMER = 1,
        CYCLE_TIMER = 2,
        // Stores what changed (shown headlines, ended downloads) every few
        // seconds, so an abnormal end loses little.
        SAVE_TIMER = 3
    };
    static const UINT SavePeriod = 3000;    // milliseconds
    static const UINT AnimationPeriod = 20; // milliseconds
    static const int Width = CPanelPainter::Width;
    // Distance between the panel's bottom and the bottom of the screen.
    static const int BottomMargin = 30;
    static const int SlideStep = 6;
    static const int FadeStep = 5;
    // The right-hand column and its hit areas, in client coordinates.
    static const int ColumnLeft = 288;
    static const int CloseBottom = 12;
    static const int LayoutBottom = 24;
    static const int DownloadBottom = 36;

    static const char* const WeblogAddress;
    static const char* const LiveAddress;

    // Adds downloads to the process's job list.
    CDesktopPanel();
    explicit CDesktopPanel(Content::Download::CDownloadJobList& jobs);
    ~CDesktopPanel() override;

    BOOL PreTranslateMessage(MSG* message) override;
    BOOL OnIdle() override;
    void UpdateTrayMenu(HMENU menu) override;
    void UpdateTrayTip() override;

    int GetAnimationState() const { return m_animationState; }
    unsigned char GetOpacity() const { return m_opacity; }
    int GetReplayIndex() const { return m_replayIndex; }
    const CHeadline& GetCurrentHeadline() const { return m_currentHeadline; }
    bool IsMouseInside() const { return m_mouseInside != 0; }
    const wchar_t* GetTrayTip() const { return m_notifyData.szTip; }
    bool IsTrayIconAdded() const { return m_iconAdded; }

protected:
    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    void OnInitDialog();
    void OnCycleTick();
    void OnAnimationStep();
    void SlideOut(const RECT& screen, const RECT& panel);
    void ApplyOpacity();
    void ShowHeadline(const CHeadline& headline);
    void Browse(bool older);
    void RepeatAll();
    void DismissAll();
    bool OnCommand(UINT command);
    void OnExit();
    void OnDestroy();
    void OnPaint();
    void OnLeftButtonDown(int x, int y);
    void OnLeftButtonUp();
    void OnMouseMove();
    void Redraw();
    void ArmCycleTimer(DWORD seconds);
    void SaveChanges();
    // The current headline's retriever, when it still exists.
    Content::CAbstractRetriever* CurrentRetriever() const;
    void OpenCurrentLink();

    int m_animationState = Hidden;
    // The screen's rectangle, taken at start-up and whenever the display
    // changes: every slide step needs it, and under Wine each ask costs
    // three round trips to wineserver.
    RECT m_screen = {};
    CHeadline m_currentHeadline;
    CChannelManager* m_channelManager = nullptr; // the creation parameter; not owned
    int m_mouseInside = 0;
    int m_dragAnchorY = -1;
    RECT m_savedClipRect = {};
    int m_replayIndex = -1;
    unsigned char m_opacity = 0;
    CPanelPainter m_painter;
    Common::CUniqueIcon m_bigIcon;
    Common::CUniqueIcon m_smallIcon;
    TRACKMOUSEEVENT m_trackMouse = {};
    Content::Download::CDownloadJobList* m_jobs; // not owned
    // The composed frame, and what it was composed for.
    Common::CUniqueBitmap m_frame;
    unsigned m_frameGeneration = 0;
    unsigned m_paintedGeneration = 0;
    SIZE m_frameKey = {};
    int m_frameHeight = 0;
};
} // namespace Presentation
