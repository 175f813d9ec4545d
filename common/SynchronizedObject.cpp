#include "SynchronizedObject.h"

namespace Common
{
CSynchronizedObject::CSynchronizedObject()
    : m_semaphore(::CreateSemaphoreA(nullptr, 1, 1, nullptr)), m_locked(0), m_owner(0)
{
}

CSynchronizedObject::~CSynchronizedObject()
{
    Unlock();
}

bool CSynchronizedObject::IsLockedByCurrentThread() const noexcept
{
    return m_locked.load() != 0 && m_owner.load() == ::GetCurrentThreadId();
}

void CSynchronizedObject::Lock()
{
    if (IsLockedByCurrentThread())
    {
        return;
    }
    ::WaitForSingleObject(m_semaphore.get(), INFINITE);
    m_owner.store(::GetCurrentThreadId());
    m_locked.store(1);
}

void CSynchronizedObject::Unlock()
{
    if (!IsLockedByCurrentThread())
    {
        return;
    }
    m_locked.store(0);
    m_owner.store(0);
    ::ReleaseSemaphore(m_semaphore.get(), 1, nullptr);
}
} // namespace Common
