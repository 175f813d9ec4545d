// The lock of retrievers, id histories, the channel manager and the download
// job list: a binary semaphore plus a held flag. A thread that already holds
// the lock passes Lock at once, and its one Unlock releases it, because the
// channel manager's index operations return with the lock held and the same
// thread's next operation takes it again. Every other thread blocks.
#pragma once

#include "UniqueHandle.h"

#include <windows.h>

#include <atomic>

namespace Common
{
class CSynchronizedObject
{
public:
    CSynchronizedObject();
    ~CSynchronizedObject();
    CSynchronizedObject(const CSynchronizedObject&) = delete;
    CSynchronizedObject& operator=(const CSynchronizedObject&) = delete;

    void Lock();
    // Releases the lock when the calling thread holds it; from any other
    // thread it does nothing, so a stray Unlock cannot let a third thread in
    // while the holder is still inside.
    void Unlock();
    bool IsLockedByCurrentThread() const noexcept;

protected:
    CUniqueKernelHandle m_semaphore;
    std::atomic<int> m_locked;

private:
    // Thread id of the holder, 0 when free; only the holder writes its own
    // id and clears it, so comparing with the caller's id needs no lock.
    std::atomic<DWORD> m_owner;
};

// Holds an object's lock for one scope.
class CLockGuard
{
public:
    explicit CLockGuard(CSynchronizedObject& object) : m_object(object) { m_object.Lock(); }
    ~CLockGuard() { m_object.Unlock(); }
    CLockGuard(const CLockGuard&) = delete;
    CLockGuard& operator=(const CLockGuard&) = delete;

private:
    CSynchronizedObject& m_object;
};
} // namespace Common
