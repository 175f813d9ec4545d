#include "content/UnicodeText.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using Content::TextEncoding;

namespace
{
std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}

CString Text(const std::string& bytes)
{
    return CString(bytes.data(), bytes.size());
}

const std::string Replacement = "\xEF\xBF\xBD";
} // namespace

TEST(UnicodeCleaning, DropsMarkupAndLineBreaksKeepsEveryScriptAndReplacesBrokenBytes)
{
    const std::string R = Replacement;
    const std::pair<std::string, std::string> cases[] = {
        {"A<b>B</b>\tC\n", "ABC"},
        {"a\r\nb", "a\rb"},
        {"<img src=\"x.png\"/><br>", ""},
        {"\xD0\x9F\xD1\x80\xD0\xB8, <i>\xD0\xBC</i>", "\xD0\x9F\xD1\x80\xD0\xB8, \xD0\xBC"},
        {"\xE6\x9D\xB1\xE4\xBA\xAC ok \xF0\x9F\x98\x80", "\xE6\x9D\xB1\xE4\xBA\xAC ok \xF0\x9F\x98\x80"},
        {"\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80", "\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80"}, // shortest forms
        // A '<' that starts no tag is text, and so is a '>' outside one.
        {"Tom & Jerry <3 cheese", "Tom & Jerry <3 cheese"},
        {"5 > 3 < 4", "5 > 3 < 4"},
        {"a <b unclosed", "a <b unclosed"},
        {"x<!-- c -->y<?pi?>z", "xyz"},
        {"&amp;", "&amp;"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
        // Each byte of a broken sequence becomes U+FFFD.
        {"a\xC3", "a" + R},         // cut by the end
        {"\xE2\x80Z", R + R + "Z"}, // broken off
        {"\x80x", R + "x"},         // stray continuation
        {"\xC0\xBC"
         "b>",
         R + R + "b>"},                                      // an overlong '<' is no tag
        {"\xED\xA0\x80\xED\xBF\xBF", R + R + R + R + R + R}, // surrogates
        {"\xF4\x90\x80\x80", R + R + R + R},                 // past U+10FFFF
        {"\xFF\xC3\xA9", R + "\xC3\xA9"},
    };
    for (const auto& [text, shown] : cases)
    {
        SCOPED_TRACE(testing::PrintToString(text));
        EXPECT_EQ(shown, Bytes(Content::CleanUnicode(Text(text))));
        // Well-formed exactly when cleaning replaced nothing.
        EXPECT_EQ(shown.find(R) == std::string::npos, Content::IsWellFormedUtf8(Text(text)));
    }
}

TEST(UnicodeDecoding, ReadsTheDeclaredSingleByteEncodings)
{
    const std::tuple<const char*, TextEncoding, const char*, std::string> cases[] = {
        {"", TextEncoding::Utf8, "caf\xC3\xA9", "caf\xC3\xA9"},
        {"utf-8", TextEncoding::Utf8, "\xC3", "\xC3"},
        {"UTF8", TextEncoding::Utf8, "x", "x"},
        {"ISO-8859-1", TextEncoding::Latin1, "caf\xE9\x80", "caf\xC3\xA9\xC2\x80"},
        {"us-ascii", TextEncoding::Latin1, "a", "a"},
        {"Windows-1252", TextEncoding::Windows1252, "\x80\x9C\xE9\x81",
         "\xE2\x82\xAC\xC5\x93\xC3\xA9" + Replacement},
        {"cp1251", TextEncoding::Windows1251, "\xCF\xF0\xE8\xE2\xE5\xF2",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"koi8-r", TextEncoding::Koi8R, "\xF0\xD2\xC9\xD7\xC5\xD4",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        // Multi-byte sets are not converted; their ASCII still reads.
        {"GB2312", TextEncoding::Unsupported, "A\xC4\xE3", "A" + Replacement + Replacement},
        {"ISO-8859-15", TextEncoding::Unsupported, "\xA4", Replacement},
    };
    for (const auto& [declared, encoding, text, utf8] : cases)
    {
        EXPECT_EQ(encoding, Content::EncodingNamed(declared)) << declared;
        EXPECT_EQ(utf8, Bytes(Content::DecodeToUtf8(text, encoding))) << declared;
    }
}

TEST(UnicodeDirection, FollowsTheFirstStronglyDirectionalCharacter)
{
    const std::pair<const char*, bool> cases[] = {
        {"\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", true},         // Hebrew
        {"\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7", true}, // Arabic
        {"2024: \xC2\xAB\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7", true},
        {"News \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", false},
        {"\xD0\x9C\xD0\xB8\xD1\x80 \xD7\xA9", false}, // Cyrillic first
        {"\xE6\x9D\xB1\xE4\xBA\xAC", false},
        {"\xF0\x9F\x98\x80 \xD7\xA9", true}, // emoji is neutral
        {"123", false},
        {"", false},
    };
    for (const auto& [text, rightToLeft] : cases)
    {
        EXPECT_EQ(rightToLeft, Content::ReadsRightToLeft(text)) << text;
    }
}
