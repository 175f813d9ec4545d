// Where the built tidelight.exe lies, seen from a test program: the test
// programs sit in tests\ below the folder that holds it.
#pragma once

#include <windows.h>

#include <string>

inline std::string ProgramPath()
{
    char path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    folder.erase(folder.find_last_of('\\'));
    folder.erase(folder.find_last_of('\\') + 1);
    return folder + "tidelight.exe";
}
