#include "sync/SyncEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}
} // namespace

TEST(SyncEncoding, PasswordTokenIsTheHashLittleEndianInUpperCaseHex)
{
    const char* const rows[][2] = {
        {"abc", "8B5C880B"},
        {"", "05150000"},          // the start value 5381 alone
        {"\xE9t\xE9", "EB5F860B"}, // high bytes count as negative
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(row[1], Bytes(Sync::PasswordToken(row[0])));
    }
}

TEST(SyncEncoding, ChannelIsEscapedByteByByte)
{
    const std::string rows[][2] = {
        {"/c?x=1&y=2 z", "/c%3fx%3d1%26y%3d2+z"},
        {"http://azAZ09!'()*-./:_~", "http://azAZ09!'()*-./:_~"},
        {"\"#$%&+,;<=>?@[\\]^`{|}", "%22%23%24%25%26%2b%2c%3b%3c%3d%3e%3f%40%5b%5c%5d%5e%60%7b%7c%7d"},
        {std::string("\x00\x01\n\x1f\x7f\x80\xff", 7), "%00%01%0a%1f%7f%80%ff"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row[0]);
        EXPECT_EQ(row[1], Bytes(Sync::EscapeChannel(CString(row[0].data(), row[0].size()))));
    }
}
