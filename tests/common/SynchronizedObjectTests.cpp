#include "common/SynchronizedObject.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using Common::CLockGuard;
using Common::CSynchronizedObject;

TEST(SynchronizedObject, HolderReentersAndOneUnlockReleases)
{
    CSynchronizedObject object;
    object.Lock();
    object.Lock(); // must not deadlock
    EXPECT_TRUE(object.IsLockedByCurrentThread());
    object.Unlock();
    EXPECT_FALSE(object.IsLockedByCurrentThread());

    // Released for others too: another thread gets it at once.
    std::atomic<bool> taken{false};
    std::thread other([&] {
        object.Lock();
        taken = true;
        object.Unlock();
    });
    other.join();
    EXPECT_TRUE(taken);
}

TEST(SynchronizedObject, OtherThreadsWaitForTheHolder)
{
    CSynchronizedObject object;
    object.Lock();
    std::atomic<bool> entered{false};
    std::atomic<bool> strayUnlockDone{false};
    std::thread other([&] {
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
    object.Unlock();
    other.join();
    EXPECT_TRUE(entered);
}

TEST(SynchronizedObject, GuardsKeepACounterExact)
{
    CSynchronizedObject object;
    long counter = 0; // deliberately not atomic: the lock alone protects it
    auto work = [&] {
        for (int i = 0; i < 2000; ++i)
        {
            CLockGuard guard(object);
            CLockGuard nested(object); // re-entrance inside a guarded scope
            const long seen = counter;
            if (i % 100 == 0)
            {
                ::Sleep(0);
            }
            counter = seen + 1;
        }
    };
    std::thread a(work);
    std::thread b(work);
    std::thread c(work);
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(6000, counter);
}
