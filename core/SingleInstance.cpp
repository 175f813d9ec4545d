#include "SingleInstance.h"

#include "resources/resource.h"

const char* const CSingleInstance::PanelWindowName = "tidelight";

CSingleInstance::CSingleInstance()
    : m_mutex(::CreateMutexA(nullptr, FALSE, "Local\\tidelight-single-instance"))
{
    if (m_mutex && ::GetLastError() == ERROR_ALREADY_EXISTS)
    {
        if (HWND first = ::FindWindowA("#32770", PanelWindowName))
        {
            ::AllowSetForegroundWindow(ASFW_ANY);
            ::PostMessageA(first, WM_COMMAND, MAKEWPARAM(ID_CHANNELS, 0), 0);
        }
        // Nothing of this copy has been loaded yet, so nothing needs saving.
        ::ExitProcess(0);
    }
}
