// Ends a running tidelight as a user would, through "Exit" in its tray menu,
// so that it saves its channels, shown headlines and downloads; then waits
// for it to end. scripts/run uses it for --seconds and Ctrl-C.
// Exit code 0 when the program ended (or none ran), 1 when it did not end
// within a minute.
#include "common/UniqueHandle.h"
#include "core/SingleInstance.h"
#include "resources/resource.h"

#include <windows.h>

int main()
{
    const HWND panel = ::FindWindowA("#32770", CSingleInstance::PanelWindowName);
    if (panel == nullptr)
    {
        return 0;
    }
    DWORD processId = 0;
    ::GetWindowThreadProcessId(panel, &processId);
    const Common::CUniqueKernelHandle process(::OpenProcess(SYNCHRONIZE, FALSE, processId));
    ::PostMessageA(panel, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0);
    if (!process)
    {
        return 0;
    }
    return ::WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0 ? 0 : 1;
}
