#include "MessageLoop.h"

#include <algorithm>

namespace Framework
{
void CMessageLoop::AddMessageFilter(CMessageFilter* filter)
{
    m_filters.push_back(filter);
}

void CMessageLoop::RemoveMessageFilter(CMessageFilter* filter)
{
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
}

void CMessageLoop::AddIdleHandler(CIdleHandler* handler)
{
    m_idleHandlers.push_back(handler);
}

void CMessageLoop::RemoveIdleHandler(CIdleHandler* handler)
{
    m_idleHandlers.erase(std::remove(m_idleHandlers.begin(), m_idleHandlers.end(), handler),
                         m_idleHandlers.end());
}

bool CMessageLoop::PreTranslateMessage(MSG* message)
{
    const std::vector<CMessageFilter*> filters(m_filters);
    for (auto it = filters.rbegin(); it != filters.rend(); ++it)
    {
        if (std::find(m_filters.begin(), m_filters.end(), *it) != m_filters.end() &&
            (*it)->PreTranslateMessage(message))
        {
            return true;
        }
    }
    return false;
}

bool CMessageLoop::OnIdle()
{
    bool moreWork = false;
    const std::vector<CIdleHandler*> handlers(m_idleHandlers);
    for (CIdleHandler* handler : handlers)
    {
        if (std::find(m_idleHandlers.begin(), m_idleHandlers.end(), handler) != m_idleHandlers.end() &&
            handler->OnIdle())
        {
            moreWork = true;
        }
    }
    return moreWork;
}

int CMessageLoop::Run()
{
    MSG message = {};
    for (;;)
    {
        // Idle handlers run once each time the queue empties, not in a spin.
        bool idle = true;
        while (idle && !::PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE))
        {
            idle = OnIdle();
        }
        const BOOL result = ::GetMessageA(&message, nullptr, 0, 0);
        if (result == 0)
        {
            return static_cast<int>(message.wParam);
        }
        if (result == -1)
        {
            continue; // an invalid window handle in the filter; nothing was removed
        }
        if (!PreTranslateMessage(&message))
        {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
}
} // namespace Framework
