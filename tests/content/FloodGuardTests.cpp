#include "content/FloodGuard.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace Content;

TEST(FloodGuardTest, MostOfAKnownFeedNewAtOnceIsAFlood)
{
    const std::tuple<bool, size_t, size_t, bool> cases[] = {
        {true, 10, 10, true},   {true, 20, 25, true}, // exactly 80 %
        {true, 19, 24, false},                        // just under
        {true, 9, 9, false},                          // too few to matter
        {true, 3, 13, false},                         // a feed adding a few
        {false, 50, 50, false},                       // the first poll shows everything
        {true, 40, 300, false},
    };
    for (const auto& [known, newItems, feedItems, flood] : cases)
    {
        EXPECT_EQ(flood, IsFlood(known, newItems, feedItems)) << newItems << " of " << feedItems;
    }
    EXPECT_EQ("News: 12 headlines changed their addresses; marked as seen", FloodNoticeTitle("News", 12));
}
