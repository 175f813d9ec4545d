#include "content/IdHistoryLayout.h"

#include <gtest/gtest.h>

#include <climits>

using Content::DecodeIdHistory;
using Content::EncodeIdHistory;

TEST(IdHistoryLayout, StoresFourLittleEndianBytesPerIdOldestFirst)
{
    const std::deque<int32_t> ids = {0x01020304, -2, 0};
    const std::vector<unsigned char> expected = {0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    EXPECT_EQ(expected, EncodeIdHistory(ids));
    EXPECT_TRUE(EncodeIdHistory({}).empty());
}

TEST(IdHistoryLayout, ReadsBackWhatItWrote)
{
    std::deque<int32_t> ids;
    for (int32_t i = 0; i < 62; ++i)
    {
        ids.push_back(i * 69069 - 1000000);
    }
    ids.push_back(INT32_MIN);
    ids.push_back(INT32_MAX);
    const std::vector<unsigned char> bytes = EncodeIdHistory(ids);
    ASSERT_EQ(Content::IdHistoryMaxBytes, bytes.size());
    const std::vector<int32_t> decoded = DecodeIdHistory(bytes.data(), bytes.size());
    EXPECT_EQ(std::vector<int32_t>(ids.begin(), ids.end()), decoded);
}

TEST(IdHistoryLayout, IgnoresBytesThatDoNotMakeAWholeId)
{
    const unsigned char bytes[10] = {1, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 9, 9};
    EXPECT_EQ((std::vector<int32_t>{1, INT32_MAX}), DecodeIdHistory(bytes, 10));
    EXPECT_TRUE(DecodeIdHistory(bytes, 3).empty());
    EXPECT_TRUE(DecodeIdHistory(bytes, 0).empty());
}

TEST(IdHistoryLayout, GivesNothingForValuesLongerThanAFullHistory)
{
    const std::vector<unsigned char> bytes(Content::IdHistoryMaxBytes + 4, 1);
    EXPECT_TRUE(DecodeIdHistory(bytes.data(), Content::IdHistoryMaxBytes + 1).empty());
    EXPECT_TRUE(DecodeIdHistory(bytes.data(), bytes.size()).empty());
}
