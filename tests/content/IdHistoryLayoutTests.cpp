#include "content/IdHistoryLayout.h"

#include <gtest/gtest.h>

#include <climits>

using Content::DecodeIdHistory;
using Content::EncodeIdHistory;

TEST(IdHistoryLayout, FourLittleEndianBytesPerIdOldestFirst)
{
    const std::vector<unsigned char> bytes = {0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0x80};
    EXPECT_EQ(bytes, EncodeIdHistory({0x01020304, -2, INT32_MIN}));
    EXPECT_EQ((std::vector<int32_t>{0x01020304, -2, INT32_MIN}), DecodeIdHistory(bytes.data(), bytes.size()));
    // Bytes that do not make a whole id are ignored.
    EXPECT_EQ((std::vector<int32_t>{0x01020304, -2}), DecodeIdHistory(bytes.data(), 11));
    EXPECT_TRUE(DecodeIdHistory(bytes.data(), 3).empty());
}

TEST(IdHistoryLayout, AValueLongerThanAFullHistoryIsNoneOfOurs)
{
    const std::vector<unsigned char> full = EncodeIdHistory(std::deque<int32_t>(64, 7));
    ASSERT_EQ(Content::IdHistoryMaxBytes, full.size());
    EXPECT_EQ(64u, DecodeIdHistory(full.data(), full.size()).size());
    const std::vector<unsigned char> longer(Content::IdHistoryMaxBytes + 1, 1);
    EXPECT_TRUE(DecodeIdHistory(longer.data(), longer.size()).empty());
}
