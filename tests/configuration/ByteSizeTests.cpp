#include "configuration/ByteSize.h"

#include <gtest/gtest.h>

namespace
{
const uint64_t TB = 1ull << 40;

TEST(ByteSize, DividesWhileAboveOneUnitAndNamesTheUnit)
{
    const struct
    {
        uint64_t bytes;
        const char* text;
    } cases[] = {{0, "0.00 bytes"},           {1024, "1024.00 bytes"},  {1025, "1.00 KB's"},
                 {1536, "1.50 KB's"},         {5u << 19, "2.50 MB's"},  {3ull << 30, "3.00 GB's"},
                 {TB * 1024, "1024.00 TB's"}, {TB * 2048, "2.00 PB's"}, {UINT64_MAX, "16.00 EB's"}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.bytes);
        EXPECT_STREQ(c.text, Configuration::FormatByteSize(c.bytes));
    }
}

TEST(ByteSize, ProgressShowsTheTruncatedShareOnlyOnceTheTotalIsKnown)
{
    EXPECT_STREQ("999.00 bytes (99%)", Configuration::FormatProgress(999, 1000));
    EXPECT_STREQ("3.00 TB's (75%)", Configuration::FormatProgress(TB * 3, TB * 4));
    EXPECT_STREQ("4.00 KB's", Configuration::FormatProgress(4096, 0));
}
} // namespace
