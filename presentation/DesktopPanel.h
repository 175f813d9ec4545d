// The main window: a layered, topmost tool window at the right edge of the
// screen that shows one headline at a time.
#pragma once

#include "framework/MessageLoop.h"
#include "framework/ModelessDialog.h"
#include "resources/resource.h"

class CChannelManager;

namespace Presentation
{
class CDesktopPanel : public Framework::CModelessDialog<CDesktopPanel>,
                      public Framework::CMessageFilter,
                      public Framework::CIdleHandler
{
public:
    enum
    {
        IDD = IDD_DESKTOPPANEL
    };
    static const int Width = 300;
    static const int FullHeight = 150;
    static const int CompactHeight = 70;
    // Distance between the panel's bottom and the bottom of the screen.
    static const int BottomMargin = 30;

    BOOL PreTranslateMessage(MSG* message) override;
    BOOL OnIdle() override;

protected:
    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    void OnInitDialog();
    void OnExit();
    void OnDestroy();

    // The creation parameter; not owned.
    CChannelManager* m_channelManager = nullptr;
};
} // namespace Presentation
