#include "content/FloodGuard.h"

#include <gtest/gtest.h>

#include <string>

using namespace Content;

TEST(FloodGuardTest, MostOfAKnownFeedNewAtOnceIsAFlood)
{
    const struct
    {
        bool known;
        size_t newItems;
        size_t feedItems;
        bool flood;
    } cases[] = {
        {true, 10, 10, true},   {true, 20, 25, true}, // exactly 80 %
        {true, 19, 24, false},                        // just under
        {true, 9, 9, false},                          // too few to matter
        {true, 3, 13, false},                         // a feed adding a few
        {false, 50, 50, false},                       // the first poll shows everything
        {true, 40, 300, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.newItems) + " of " + std::to_string(c.feedItems));
        EXPECT_EQ(c.flood, IsFlood(c.known, c.newItems, c.feedItems));
    }
    EXPECT_EQ("News: 12 headlines changed their addresses; marked as seen", FloodNoticeTitle("News", 12));
}
