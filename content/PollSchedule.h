// When a channel is polled next after an answer that was not a feed. Servers
// that are gone, throttling us or failing are asked less and less often,
// never faster than the channel's own interval, and a gone feed not at all.
// Times are seconds; "now" is seconds since 1970 (UTC).
#pragma once

#include <cstdint>
#include <string>

namespace Content
{
// The longest pause exponential back-off reaches, unless the channel's own
// interval is longer.
const int64_t BackOffCeiling = 4 * 60 * 60;
// A Retry-After further away than this is taken as this: a server must not
// be able to silence a channel for good by mistake. A stored next check is
// bounded the same way.
const int64_t RetryAfterCeiling = 24 * 60 * 60;

// An HTTP date in any of the three forms servers send (IMF-fixdate,
// RFC 850, asctime); false for anything else.
bool ParseHttpDate(const char* text, int64_t& seconds);

// A Retry-After value (delay-seconds or an HTTP date) as a delay from now;
// a date in the past is a delay of 0, and none is longer than the ceiling.
// False when it is neither.
bool ParseRetryAfter(const char* text, int64_t now, int64_t& delay);

// The pause after the given number of consecutive failures (1 for the
// first): the interval, doubled with every further failure, up to the
// ceiling.
int64_t BackOffDelay(int64_t interval, unsigned failures);

struct CPollPlan
{
    // Not polled again (until the user switches the channel on again).
    bool stop = false;
    int64_t delay = 0;
};

// After a failed poll: status 0 when no answer arrived, retryAfter null or
// the header's text.
CPollPlan PlanAfterFailure(unsigned long status, const char* retryAfter, int64_t now, int64_t interval,
                           unsigned failures);

// How long a new run waits before its first poll when an earlier run left
// a next check: never past the ceiling, whatever the registry says.
int64_t DelayUntil(int64_t nextCheck, int64_t now);

// What the user is told about a failed poll, e.g. "not found (404)".
std::string FailureText(unsigned long status);

// The Channels page's account of a channel whose polls fail: why, and when
// it is asked next (nextCheck is that time as the user reads a clock,
// "14:20"), e.g. "not found (404), next check 14:20"; a gone feed is not
// asked again.
std::string FailureStatusText(unsigned long status, const std::string& nextCheck);
} // namespace Content
