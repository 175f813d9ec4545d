// Start-up benchmark probe: starts a program and reports, in milliseconds
// from CreateProcess, when its window appears and when that window is first
// on screen. tidelight makes its panel at start just beyond the screen's right
// edge and slides it in with the first headline; a do-nothing window shows at
// once.
// usage: startup_probe.exe <window class> <window title or -> <close|leave> <command line>
// Prints "window<TAB>ms" and "on screen<TAB>ms" (-1 when it never came within
// a minute). "close" sends the window WM_CLOSE afterwards and waits for the
// process to end.
#include "common/UniqueHandle.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace
{
double Milliseconds(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 5)
    {
        std::fprintf(stderr, "usage: startup_probe <class> <title|-> <close|leave> <command line>\n");
        return 2;
    }
    const char* windowClass = argv[1];
    const char* title = std::strcmp(argv[2], "-") == 0 ? nullptr : argv[2];
    const bool close = std::strcmp(argv[3], "close") == 0;
    std::string command;
    for (int i = 4; i < argc; ++i)
    {
        command += std::string(i > 4 ? " " : "") + "\"" + argv[i] + "\"";
    }

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    {
        std::fprintf(stderr, "cannot start %s\n", command.c_str());
        return 1;
    }
    const Common::CUniqueKernelHandle processHandle(process.hProcess);
    const Common::CUniqueKernelHandle threadHandle(process.hThread);
    // Polled every few milliseconds: a hook would run inside the program
    // and change what is measured.
    double window = -1, visible = -1;
    HWND found = nullptr;
    while (Milliseconds(start) < 60000 && visible < 0)
    {
        if (found == nullptr && (found = ::FindWindowA(windowClass, title)) != nullptr)
        {
            window = Milliseconds(start);
        }
        RECT rect;
        if (found != nullptr && ::IsWindowVisible(found) && ::GetWindowRect(found, &rect) &&
            rect.left < ::GetSystemMetrics(SM_CXSCREEN))
        {
            visible = Milliseconds(start);
        }
        ::Sleep(2);
    }
    std::printf("window\t%.1f\non screen\t%.1f\n", window, visible);
    if (close && found != nullptr)
    {
        ::PostMessageA(found, WM_CLOSE, 0, 0);
        ::WaitForSingleObject(processHandle.get(), 20000);
    }
    return window < 0 ? 1 : 0;
}
