#include "common/PasswordScrambler.h"

#include <gtest/gtest.h>

using Common::ScramblePassword;

TEST(PasswordScrambler, RoundTripsEveryByteAtEveryPosition)
{
    for (int position = 0; position < 31; ++position)
    {
        for (int value = 1; value < 256; ++value)
        {
            std::string plain(31, 'x');
            plain[position] = static_cast<char>(value);
            const CString scrambled = ScramblePassword(CString(plain.data(), plain.size()));
            ASSERT_EQ(plain.size(), scrambled.GetLength());
            const CString back = ScramblePassword(scrambled);
            ASSERT_EQ(plain, std::string(back.GetString(), back.GetLength())) << position << " " << value;
        }
    }
}

TEST(PasswordScrambler, ChangesEveryByteThatIsNotItsKeyByte)
{
    const CString plain("correct horse battery staple");
    const CString scrambled = ScramblePassword(plain);
    size_t same = 0;
    for (size_t i = 0; i < plain.GetLength(); ++i)
    {
        same += plain[i] == scrambled[i] ? 1 : 0;
    }
    // XOR with a non-zero key byte always changes the byte.
    EXPECT_EQ(0u, same);
    EXPECT_TRUE(ScramblePassword(CString()).IsEmpty());
}

TEST(PasswordScrambler, KeyRepeatsEveryEightBytes)
{
    const CString scrambled = ScramblePassword(CString("AAAAAAAAAAAAAAAA"));
    EXPECT_EQ(std::string(scrambled.GetString(), 8), std::string(scrambled.GetString() + 8, 8));
    EXPECT_NE(scrambled[0], scrambled[1]);
}
