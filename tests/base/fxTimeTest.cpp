#include "base/FXTimeDiff.h"
#include "base/fxTime.h"

#include <gtest/gtest.h>

#include <chrono>

#include <cmath>

TEST(fxTime, SleepRoundsToTheNearestMillisecond)
{
    EXPECT_EQ(fxSleepMillis(0), 0);
    EXPECT_EQ(fxSleepMillis(0.001), 1);
    EXPECT_EQ(fxSleepMillis(0.0004), 0);
    EXPECT_EQ(fxSleepMillis(0.0006), 1);
    EXPECT_EQ(fxSleepMillis(0.25), 250);
    // A negative duration must not become a huge unsigned sleep.
    EXPECT_EQ(fxSleepMillis(-1.0), 0);
    EXPECT_EQ(fxSleepMillis(NAN), 0);
    EXPECT_EQ(fxSleepMillis(1e12), 2147483647L);
}

TEST(fxTime, VirtualClockAdvancesOnlyBySleep)
{
    fxUseVirtualClock(86400.0 * 60); // past the 49.7 days of a 32-bit counter
    EXPECT_TRUE(fxVirtualClockOn());
    EXPECT_EQ(fxGetTime(), 86400.0 * 60);
    EXPECT_EQ(fxGetMillis(), 5184000000ull);
    fxSleep(0.001);
    EXPECT_DOUBLE_EQ(fxGetTime(), 86400.0 * 60 + 0.001);
    fxSleep(0.0004);
    fxSleep(0);
    EXPECT_DOUBLE_EQ(fxGetTime(), 86400.0 * 60 + 0.001);
    fxAdvanceClock(1.0 / 30);
    EXPECT_DOUBLE_EQ(fxGetTime(), 86400.0 * 60 + 0.001 + 1.0 / 30);

    fxUseVirtualClock(10.0);
    FXTimeDiff d;
    EXPECT_EQ(d.OnTime(), 10.0);
    fxSleep(0.5);
    EXPECT_DOUBLE_EQ(d.OnTime(), 0.5);
    EXPECT_EQ(d.OnTime(), 0.0);
    // A wait that is no part of the show's time leaves the virtual clock,
    // but takes its time on the system's.
    auto before = std::chrono::steady_clock::now();
    fxSleepWall(0.02);
    EXPECT_EQ(fxGetTime(), 10.5);
    EXPECT_GE(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(20));
    fxUseRealClock();
    EXPECT_FALSE(fxVirtualClockOn());
}

TEST(fxTime, RealClockIsMonotonicMilliseconds)
{
    double a = fxGetTime();
    fxSleep(0.002);
    double b = fxGetTime();
    EXPECT_GE(b, a + 0.001);
    EXPECT_DOUBLE_EQ(std::round(b * 1000.0), b * 1000.0);
}
