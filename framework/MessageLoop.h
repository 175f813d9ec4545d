// The thread's message loop: every message goes first to the registered
// filters (a modeless dialog's IsDialogMessage, a property sheet's), then is
// translated and dispatched; when the queue runs dry the idle handlers run.
#pragma once

#include <windows.h>

#include <vector>

namespace Framework
{
class CMessageFilter
{
public:
    // True when the message was consumed and must not be dispatched.
    virtual BOOL PreTranslateMessage(MSG* message) = 0;

protected:
    ~CMessageFilter() = default;
};

class CIdleHandler
{
public:
    // True when more idle work is waiting.
    virtual BOOL OnIdle() = 0;

protected:
    ~CIdleHandler() = default;
};

class CMessageLoop
{
public:
    void AddMessageFilter(CMessageFilter* filter);
    void RemoveMessageFilter(CMessageFilter* filter);
    void AddIdleHandler(CIdleHandler* handler);
    void RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT and returns its exit code.
    int Run();
    // The filters' verdict on one message (the newest filter asks first).
    bool PreTranslateMessage(MSG* message);
    bool OnIdle();

private:
    // Filters may be added or removed while a message is being handled, so
    // both lists are walked over a copy.
    std::vector<CMessageFilter*> m_filters;
    std::vector<CIdleHandler*> m_idleHandlers;
};
} // namespace Framework
