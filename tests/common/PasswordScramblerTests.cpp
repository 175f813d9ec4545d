#include "common/PasswordScrambler.h"

#include <gtest/gtest.h>

using Common::ScramblePassword;

TEST(PasswordScrambler, ChangesEveryByteAndRoundTripsEveryByteAtEveryPosition)
{
    // The key, eight bytes over and over, is what stored passwords were
    // scrambled with: a change would lose them all.
    EXPECT_STREQ("\x1B\x82\x56\xCF\x25\xF8\x6C\xB1\x1B", ScramblePassword("AAAAAAAAA"));
    EXPECT_TRUE(ScramblePassword(CString()).IsEmpty());
    for (int position = 0; position < 31; ++position)
    {
        for (int value = 1; value < 256; ++value)
        {
            std::string plain(31, 'x');
            plain[position] = static_cast<char>(value);
            const CString scrambled = ScramblePassword(CString(plain.data(), plain.size()));
            ASSERT_NE(plain[position], scrambled[position]) << position << " " << value;
            const CString back = ScramblePassword(scrambled);
            ASSERT_EQ(plain, std::string(back.GetString(), back.GetLength())) << position << " " << value;
        }
    }
}
