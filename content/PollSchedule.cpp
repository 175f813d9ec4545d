#include "PollSchedule.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace Content
{
namespace
{
const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int MonthIndex(const char* name)
{
    for (int i = 0; i < 12; ++i)
    {
        if (std::strcmp(name, Months[i]) == 0)
        {
            return i;
        }
    }
    return -1;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t year, int month, int day)
{
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool Compose(int year, const char* month, int day, int hour, int minute, int second, int64_t& seconds)
{
    const int monthIndex = MonthIndex(month);
    // sscanf's %d takes a sign too: "-1" must not pass as an hour.
    if (monthIndex < 0 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60 || year < 1970)
    {
        return false;
    }
    seconds = DaysFromCivil(year, monthIndex + 1, day) * 86400 + hour * 3600 + minute * 60 + second;
    return true;
}
} // namespace

bool ParseHttpDate(const char* text, int64_t& seconds)
{
    int day = 0, year = 0, hour = 0, minute = 0, second = 0, used = 0;
    char month[4] = {};
    // "Sun, 06 Nov 1994 08:49:37 GMT"
    if (std::sscanf(text, "%*3[A-Za-z], %2d %3[A-Za-z] %4d %2d:%2d:%2d GMT%n", &day, month, &year, &hour,
                    &minute, &second, &used) == 6 &&
        text[used] == 0)
    {
        return Compose(year, month, day, hour, minute, second, seconds);
    }
    // "Sunday, 06-Nov-94 08:49:37 GMT": two-digit years below 70 are
    // this century's (no such date can be older than 1970).
    used = 0;
    if (std::sscanf(text, "%*[A-Za-z], %2d-%3[A-Za-z]-%2d %2d:%2d:%2d GMT%n", &day, month, &year, &hour,
                    &minute, &second, &used) == 6 &&
        text[used] == 0)
    {
        return Compose(year < 70 ? 2000 + year : 1900 + year, month, day, hour, minute, second, seconds);
    }
    // "Sun Nov  6 08:49:37 1994"
    used = 0;
    if (std::sscanf(text, "%*3[A-Za-z] %3[A-Za-z] %2d %2d:%2d:%2d %4d%n", month, &day, &hour, &minute,
                    &second, &year, &used) == 6 &&
        text[used] == 0)
    {
        return Compose(year, month, day, hour, minute, second, seconds);
    }
    return false;
}

bool ParseRetryAfter(const char* text, int64_t now, int64_t& delay)
{
    if (text == nullptr || *text == 0)
    {
        return false;
    }
    if (std::isdigit(static_cast<unsigned char>(*text)))
    {
        int64_t value = 0;
        for (const char* c = text; *c != 0; ++c)
        {
            if (!std::isdigit(static_cast<unsigned char>(*c)))
            {
                return false;
            }
            value = value * 10 + (*c - '0');
            // Past the ceiling the exact figure no longer matters, and it
            // must not overflow.
            value = value > RetryAfterCeiling ? RetryAfterCeiling : value;
        }
        delay = value;
        return true;
    }
    int64_t date = 0;
    if (!ParseHttpDate(text, date))
    {
        return false;
    }
    delay = DelayUntil(date, now);
    return true;
}

int64_t BackOffDelay(int64_t interval, unsigned failures)
{
    if (interval <= 0)
    {
        return 0; // doubling nothing never reaches the ceiling
    }
    const int64_t ceiling = interval > BackOffCeiling ? interval : BackOffCeiling;
    int64_t delay = interval;
    for (unsigned i = 1; i < failures && delay < ceiling; ++i)
    {
        delay *= 2;
    }
    return delay < ceiling ? delay : ceiling;
}

CPollPlan PlanAfterFailure(unsigned long status, const char* retryAfter, int64_t now, int64_t interval,
                           unsigned failures)
{
    CPollPlan plan;
    if (status == 410)
    {
        plan.stop = true;
        return plan;
    }
    int64_t wanted = 0;
    if ((status == 429 || status == 503) && ParseRetryAfter(retryAfter, now, wanted))
    {
        // Never sooner than the channel would have asked anyway.
        plan.delay = wanted < interval ? interval : wanted;
        return plan;
    }
    plan.delay = BackOffDelay(interval, failures);
    return plan;
}

int64_t DelayUntil(int64_t nextCheck, int64_t now)
{
    // Compared before subtracting: a stored value may be anything.
    if (nextCheck <= now)
    {
        return 0;
    }
    return nextCheck - now > RetryAfterCeiling ? RetryAfterCeiling : nextCheck - now;
}

std::string FailureText(unsigned long status)
{
    static const struct
    {
        unsigned long status;
        const char* name;
    } names[] = {{401, "not authorized"}, {403, "forbidden"},         {404, "not found"},
                 {410, "gone"},           {429, "too many requests"}, {503, "unavailable"}};
    if (status == 0)
    {
        return "no answer";
    }
    const char* name = status >= 500 ? "server error" : status >= 400 ? "refused" : "not a feed";
    for (const auto& entry : names)
    {
        if (entry.status == status)
        {
            name = entry.name;
        }
    }
    return std::string(name) + " (" + std::to_string(status) + ")";
}

std::string FailureStatusText(unsigned long status, const std::string& nextCheck)
{
    if (status == 410)
    {
        return FailureText(status) + ", not checked again";
    }
    return nextCheck.empty() ? FailureText(status) : FailureText(status) + ", next check " + nextCheck;
}
} // namespace Content
