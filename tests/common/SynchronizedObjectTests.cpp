#include "common/SynchronizedObject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using Common::CLockGuard;
using Common::CSynchronizedObject;

TEST(SynchronizedObject, TheHolderReentersOthersWaitOnlyTheHoldersUnlockReleasesAndGuardsKeepACounterExact)
{
    CSynchronizedObject object;
    object.Lock();
    object.Lock(); // must not deadlock
    std::atomic<bool> strayUnlockDone{false};
    std::atomic<bool> entered{false};
    std::thread other(
        [&]
        {
            object.Unlock(); // not the holder: must not open the lock
            strayUnlockDone = true;
            object.Lock();
            entered = true;
            object.Unlock();
        });
    while (!strayUnlockDone)
    {
        ::Sleep(1);
    }
    ::Sleep(100);
    EXPECT_FALSE(entered) << "a second thread got in while the lock was held";
    EXPECT_TRUE(object.IsLockedByCurrentThread());
    object.Unlock(); // one Unlock releases however often it was taken
    EXPECT_FALSE(object.IsLockedByCurrentThread());
    other.join();
    EXPECT_TRUE(entered);

    long counter = 0; // deliberately not atomic: the lock alone protects it
    const auto work = [&]
    {
        for (int i = 0; i < 2000; ++i)
        {
            CLockGuard guard(object);
            CLockGuard nested(object); // re-entrance inside a guarded scope
            const long seen = counter;
            ::Sleep(0); // invites another thread in while the count is half done
            counter = seen + 1;
        }
    };
    std::thread a(work), b(work), c(work);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(6000, counter);
}
