#include "Module.h"

namespace Framework
{
void CModule::Term()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_loops.clear();
    m_instance = nullptr;
}

void CModule::AddMessageLoop(CMessageLoop* loop)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_loops[::GetCurrentThreadId()] = loop;
}

void CModule::RemoveMessageLoop()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_loops.erase(::GetCurrentThreadId());
}

CMessageLoop* CModule::GetMessageLoop() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_loops.find(::GetCurrentThreadId());
    return found != m_loops.end() ? found->second : nullptr;
}

CModule& Module()
{
    static CModule module;
    return module;
}
} // namespace Framework
