// The application module: the instance handle resources come from, and the
// message loop of each thread that runs one (windows find theirs here to
// register filters and idle handlers).
#pragma once

#include "MessageLoop.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace Framework
{
class CModule
{
public:
    void Init(HINSTANCE instance) { m_instance = instance; }
    void Term();
    // The instance given to Init; the program's own image until then (test
    // programs never call Init, and their resources are linked into them).
    HINSTANCE GetResourceInstance() const
    {
        return m_instance != nullptr ? m_instance : ::GetModuleHandleA(nullptr);
    }

    void AddMessageLoop(CMessageLoop* loop);
    void RemoveMessageLoop();
    // The loop registered by the calling thread, or null.
    CMessageLoop* GetMessageLoop() const;

private:
    HINSTANCE m_instance = nullptr;
    mutable std::mutex m_lock;
    std::map<DWORD, CMessageLoop*> m_loops;
};

// The process's one module object.
CModule& Module();
} // namespace Framework
