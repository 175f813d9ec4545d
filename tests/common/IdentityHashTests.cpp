#include "common/IdentityHash.h"

#include <gtest/gtest.h>

TEST(IdentityHash, FollowsTheDjb2RecurrenceOverSignedBytesAndWraps)
{
    const std::pair<const char*, uint32_t> rows[] = {
        {"", 5381u},
        {"ab", (5381u * 33u + 'a') * 33u + 'b'},
        // 0xE9 is -23 as a signed byte, not 233.
        {"\xE9\x80\xFF", 193347725u},
        // Long enough to overflow many times.
        {"Tidelight brings the news to the desktop without a reader window open", 1053927478u},
    };
    for (const auto& row : rows)
    {
        EXPECT_EQ(row.second, Common::IdentityHash(row.first)) << row.first;
    }
}
