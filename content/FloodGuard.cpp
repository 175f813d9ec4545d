#include "FloodGuard.h"

namespace Content
{
bool IsFlood(bool known, size_t newItems, size_t feedItems)
{
    // At least 80 % of the feed, in whole numbers.
    return known && newItems >= FloodMinimum && newItems * 5 >= feedItems * 4;
}

std::string FloodNoticeTitle(const std::string& channel, size_t count)
{
    return channel + ": " + std::to_string(count) + " headlines changed their addresses; marked as seen";
}
} // namespace Content
