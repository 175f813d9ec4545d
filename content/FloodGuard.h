// When one poll finds nearly every item of a known feed new, the feed has
// almost always changed its addresses (a new host, a new link scheme), not
// published dozens of stories at once: showing them one by one would replay
// the whole feed. Such a poll marks them seen and gives one notice instead.
#pragma once

#include <cstddef>
#include <string>

namespace Content
{
// Fewer new items than this are always shown: a busy feed adds a few at a
// time.
const size_t FloodMinimum = 10;

// Whether a poll that found newItems unseen among the feedItems distinct
// items of a feed is a flood. A feed never read before (no history at all)
// is never one: its first poll shows what it has.
bool IsFlood(bool known, size_t newItems, size_t feedItems);

// The notice's title: "<channel>: N headlines changed their addresses;
// marked as seen".
std::string FloodNoticeTitle(const std::string& channel, size_t count);
} // namespace Content
