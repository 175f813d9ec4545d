#include "content/PollSchedule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>

using namespace Content;

namespace
{
// Sun, 06 Nov 1994 08:49:37 GMT
const int64_t Example = 784111777;
} // namespace

TEST(PollScheduleTest, RetryAfterIsSecondsOrAnyOfTheThreeDateForms)
{
    const int64_t now = Example - 100;
    const std::tuple<const char*, bool, int64_t> cases[] = {
        {"120", true, 120},
        {"0", true, 0},
        {"99999999999999999999999", true, RetryAfterCeiling}, // no overflow
        {"Sun, 06 Nov 1994 08:49:37 GMT", true, 100},
        {"Sunday, 06-Nov-94 08:49:37 GMT", true, 100},
        {"Sun Nov  6 08:49:37 1994", true, 100},
        {"Sun, 06 Nov 2094 08:49:37 GMT", true, RetryAfterCeiling},
        {"Sun, 06 Nov 1994 08:47:37 GMT", true, 0}, // already past
        {"Sun, 06 Nov 1994 08:49:37 CET", false, 0},
        {"Sun, 06 Foo 1994 08:49:37 GMT", false, 0},
        {"Sun, 06 Nov 1994 -1:49:37 GMT", false, 0},
        {"Sun, 06 Nov 1994 24:00:00 GMT", false, 0},
        {"Sun, 06 Nov 1969 08:49:37 GMT", false, 0},
        {"Sun, 06 Nov 1994 08:49:37 GMT trailing", false, 0},
        {"12 seconds", false, 0},
        {"-5", false, 0},
        {"", false, 0},
    };
    for (const auto& [text, valid, expected] : cases)
    {
        int64_t delay = 0;
        EXPECT_EQ(valid, ParseRetryAfter(text, now, delay)) << text;
        EXPECT_EQ(expected, delay) << text;
    }
    int64_t leapDay = 0;
    ASSERT_TRUE(ParseHttpDate("Sat, 29 Feb 2020 00:00:00 GMT", leapDay));
    EXPECT_EQ(1582934400, leapDay);
}

TEST(PollScheduleTest, FailuresBackOffByStatus)
{
    const int64_t interval = 20 * 60;
    const std::tuple<unsigned long, const char*, unsigned, bool, int64_t> cases[] = {
        {500, nullptr, 1, false, interval},
        {500, nullptr, 2, false, 2 * interval},
        {0, nullptr, 4, false, 8 * interval},
        {404, nullptr, 30, false, BackOffCeiling},
        {503, "120", 3, false, interval}, // never faster than the interval
        {429, "7200", 1, false, 7200},
        {429, "Sun, 06 Nov 1994 10:49:37 GMT", 1, false, 7200},
        {503, "864000", 1, false, RetryAfterCeiling},
        {503, "soon", 2, false, 2 * interval}, // unreadable: ordinary back-off
        {500, "7200", 1, false, interval},     // only 429 and 503 ask to wait
        {410, nullptr, 1, true, 0},
    };
    for (const auto& [status, retryAfter, failures, stop, delay] : cases)
    {
        SCOPED_TRACE(std::to_string(status) + " after " + std::to_string(failures));
        const CPollPlan plan = PlanAfterFailure(status, retryAfter, Example, interval, failures);
        EXPECT_EQ(stop, plan.stop);
        EXPECT_TRUE(stop || delay == plan.delay) << plan.delay;
    }
    // An interval beyond the ceiling is never shortened.
    EXPECT_EQ(BackOffCeiling * 2, BackOffDelay(BackOffCeiling * 2, 5));
    // However many failures a registry claims, the answer comes at once.
    EXPECT_EQ(BackOffCeiling, BackOffDelay(60, 4000000000u));
    EXPECT_EQ(0, BackOffDelay(0, 4000000000u));
}

TEST(PollScheduleTest, AStoredNextCheckIsHonouredWithinTheCeiling)
{
    EXPECT_EQ(600, DelayUntil(Example + 600, Example));
    EXPECT_EQ(0, DelayUntil(Example - 600, Example));
    EXPECT_EQ(RetryAfterCeiling, DelayUntil(INT64_MAX, Example));
    EXPECT_EQ(0, DelayUntil(INT64_MIN, Example));
}
