#include <gtest/gtest.h>

#include "automation/core/ApplicationLock.h"

TEST(ApplicationLock, CountsLocks)
{
    ApplicationLock lock;
    EXPECT_EQ(lock.count(), 0);
    lock.Lock();
    lock.Lock();
    EXPECT_EQ(lock.count(), 2);
    lock.Unlock();
    EXPECT_EQ(lock.count(), 1);
}

TEST(ApplicationLock, CallbackRunsWhenTheLastLockDrops)
{
    ApplicationLock lock;
    int calls = 0;
    lock.SetOnLastUnlock([&] { ++calls; });
    lock.Lock();
    lock.Lock();
    lock.Unlock();
    EXPECT_EQ(calls, 0);
    lock.Unlock();
    EXPECT_EQ(calls, 1);
    lock.Lock();
    lock.Unlock();
    EXPECT_EQ(calls, 2);
}

TEST(ApplicationLock, UnlockWithoutLockChangesNothing)
{
    ApplicationLock lock;
    int calls = 0;
    lock.SetOnLastUnlock([&] { ++calls; });
    lock.Unlock();
    EXPECT_EQ(lock.count(), 0);
    EXPECT_EQ(calls, 0);
}

TEST(ApplicationLock, HolderLocksForItsLifetime)
{
    ApplicationLock lock;
    int calls = 0;
    lock.SetOnLastUnlock([&] { ++calls; });
    {
        ApplicationLock::Holder first(lock);
        {
            ApplicationLock::Holder second(lock);
            EXPECT_EQ(lock.count(), 2);
        }
        EXPECT_EQ(calls, 0);
    }
    EXPECT_EQ(lock.count(), 0);
    EXPECT_EQ(calls, 1);
}
