#include "content/download/SpeedSampler.h"

#include <gtest/gtest.h>

using Content::Download::CSpeedSampler;

TEST(SpeedSampler, KilobytesPerSecondOverPeriodsLongerThanASecond)
{
    CSpeedSampler sampler;
    sampler.Restart(10000, 0);
    EXPECT_FALSE(sampler.Sample(11000, 50 * 1024));
    EXPECT_EQ(0.0f, sampler.GetSpeed());
    EXPECT_TRUE(sampler.Sample(12000, 100 * 1024));
    EXPECT_FLOAT_EQ(50.0f, sampler.GetSpeed());
    // The next period starts where this one ended.
    EXPECT_FALSE(sampler.Sample(12900, 200 * 1024));
    EXPECT_TRUE(sampler.Sample(16000, 112 * 1024));
    EXPECT_FLOAT_EQ(3.0f, sampler.GetSpeed());
}

TEST(SpeedSampler, RestartKeepsBytesOnDiskAndPausesOutOfTheSpeed)
{
    CSpeedSampler sampler;
    // Resumed at 10 MB: those bytes were not transferred now.
    sampler.Restart(1000, 10 * 1024 * 1024);
    EXPECT_TRUE(sampler.Sample(3000, 10 * 1024 * 1024 + 4096));
    EXPECT_FLOAT_EQ(2.0f, sampler.GetSpeed());
    // A pause of a minute, then a restart: the speed is that of the transfer.
    sampler.Restart(63000, 10 * 1024 * 1024 + 4096);
    EXPECT_TRUE(sampler.Sample(65000, 10 * 1024 * 1024 + 4096 + 8192));
    EXPECT_FLOAT_EQ(4.0f, sampler.GetSpeed());
}

TEST(SpeedSampler, ClockOrCountGoingBackNeverGivesAHugeSpeed)
{
    CSpeedSampler sampler;
    sampler.Restart(5000, 4096);
    EXPECT_FALSE(sampler.Sample(4000, 8192));
    EXPECT_TRUE(sampler.Sample(7000, 0));
    EXPECT_EQ(0.0f, sampler.GetSpeed());
}
