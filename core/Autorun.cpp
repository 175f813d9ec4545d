#include "Autorun.h"

#include "Registry.h"
#include "common/UniqueHandle.h"

#include <cstring>

namespace
{
const char RunKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char ValueName[] = "tidelight";

bool GetExecutablePath(char (&path)[MAX_PATH])
{
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH;
}
} // namespace

bool IsAutorunEnabled()
{
    Common::CUniqueKey runKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_READ, runKey.put()) != ERROR_SUCCESS)
    {
        return false;
    }
    CString stored;
    char path[MAX_PATH];
    // A value in another letter case names another path as far as we know:
    // the comparison is exact, like the path the platform reports.
    return Registry::ReadString(runKey.get(), ValueName, MAX_PATH, stored) && GetExecutablePath(path) &&
           std::strcmp(stored.GetString(), path) == 0;
}

void SetAutorun(bool enable)
{
    Common::CUniqueKey runKey;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, RunKeyPath, 0, KEY_SET_VALUE, runKey.put()) != ERROR_SUCCESS)
    {
        return;
    }
    char path[MAX_PATH];
    if (!enable)
    {
        ::RegDeleteValueA(runKey.get(), ValueName);
    }
    else if (GetExecutablePath(path))
    {
        Registry::WriteString(runKey.get(), ValueName, CString(path));
    }
}
