#include "common/IdentityHash.h"

#include <gtest/gtest.h>

using Common::IdentityHash;

TEST(IdentityHash, FollowsTheDjb2Recurrence)
{
    EXPECT_EQ(5381u, IdentityHash(""));
    EXPECT_EQ(5381u * 33u + 'a', IdentityHash("a"));
    EXPECT_EQ((5381u * 33u + 'a') * 33u + 'b', IdentityHash("ab"));
}

TEST(IdentityHash, HighBytesCountAsNegative)
{
    // 0xE9 is -23 as a signed byte, not 233.
    EXPECT_EQ(5381u * 33u - 23u, IdentityHash("\xE9"));
    EXPECT_EQ(5381u * 33u - 128u, IdentityHash("\x80"));
    EXPECT_EQ(5381u * 33u - 1u, IdentityHash("\xFF"));
}

TEST(IdentityHash, WrapsAtThirtyTwoBits)
{
    // Long enough to overflow many times; compare with 64-bit arithmetic
    // reduced modulo 2^32.
    const char* text = "Tidelight brings the news to the desktop without a reader window open";
    unsigned long long wide = 5381;
    for (const char* p = text; *p; ++p)
    {
        wide = (wide * 33 + static_cast<unsigned long long>(static_cast<long long>(static_cast<signed char>(*p)))) &
               0xFFFFFFFFull;
    }
    EXPECT_EQ(static_cast<uint32_t>(wide), IdentityHash(text));
}
