// The entry point: migrate an older registry layout, build the main window
// and run the message loop until "Exit" or the end of the session.
#include "RegistryMigration.h"
#include "SingleInstance.h"
#include "content/ChannelManager.h"
#include "framework/Controls.h"
#include "framework/MessageLoop.h"
#include "framework/Module.h"
#include "presentation/DesktopPanel.h"

#include <windows.h>

#include <memory>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    MigrateRegistryLayout();

    Framework::InitCommonControlClasses();
    Framework::Module().Init(instance);

    int exitCode = 0;
    {
        auto loop = std::make_unique<Framework::CMessageLoop>();
        Framework::Module().AddMessageLoop(loop.get());
        auto channelManager = std::make_unique<CChannelManager>();
        auto panel = std::make_unique<Presentation::CDesktopPanel>();
        if (panel->Create(::GetDesktopWindow(), reinterpret_cast<LPARAM>(channelManager.get())) != nullptr)
        {
            // Not shown anywhere: the panel has no caption.
            ::SetWindowTextA(panel->m_hWnd, CSingleInstance::PanelWindowName);
            ::ShowWindow(panel->m_hWnd, showCommand);
            exitCode = loop->Run();
        }
        Framework::Module().RemoveMessageLoop();
        panel.reset();
        channelManager.reset();
        loop.reset();
    }

    Framework::Module().Term();
    return exitCode;
}
