#include "content/download/LocalFileName.h"

#include <gtest/gtest.h>

#include <string>

using namespace Content::Download;

namespace
{
std::string Name(const char* url)
{
    return FileNameFromUrl(url).GetString();
}
} // namespace

// The last path segment without query or fragment, made safe for Windows.
TEST(LocalFileName, FromTheUrlsLastPathSegment)
{
    const std::pair<const char*, const char*> cases[] = {
        {"http://media.example.test/show/episode.mp3", "episode.mp3"},
        {"http://media.example.test/show/episode.mp3?token=a/b&x=1", "episode.mp3"},
        {"https://media.example.test/episode.mp3#t=10", "episode.mp3"},
        {"https://media.example.test/episode.mp3?a=b#c/d", "episode.mp3"},
        {"http://media.example.test/get?file=/x/y.mp3", "get"}, // the query's slashes make no segment
        {"http://media.example.test/", "download"},
        {"http://media.example.test", "download"},
        {"http://media.example.test?x=1", "download"},
        {"http://media.example.test/a/..", "download"},
        {"http://media.example.test/a/.", "download"},
        {"http://media.example.test/a/ . . ", "download"},
        {"http://h.test/a\\b.mp3", "a_b.mp3"},
        {"http://h.test/x/\\..\\..\\windows\\evil.exe", "_.._.._windows_evil.exe"},
        {"http://h.test/c:\\x.mp3", "c__x.mp3"},
        {"http://h.test/a<b>c\"d|e*f:g.mp3", "a_b_c_d_e_f_g.mp3"},
        {"http://h.test/nul", "_nul"},
        {"http://h.test/COM1.mp3?x", "_COM1.mp3"},
    };
    for (const auto& [url, name] : cases)
    {
        EXPECT_EQ(name, Name(url)) << url;
    }
    EXPECT_STREQ("a_b.mp3", SafeFileName("a\x01"
                                         "b.mp3")
                                .GetString());
    EXPECT_STREQ("a_b", SafeFileName("a\x7f"
                                     "b")
                            .GetString());
    // Bytes of other scripts are fine in a name.
    EXPECT_STREQ("caf\xe9.mp3", SafeFileName("caf\xe9.mp3").GetString());
}

TEST(LocalFileName, TrailingDotsAndSpacesGo)
{
    EXPECT_STREQ("clip.mp3", SafeFileName("clip.mp3. . ").GetString());
    EXPECT_STREQ("clip", SafeFileName("clip...").GetString());
    EXPECT_STREQ(" clip", SafeFileName(" clip ").GetString());
}

TEST(LocalFileName, DeviceNamesNeverNameTheFile)
{
    const char* reserved[] = {"CON",      "con",  "Nul",      "nul.txt",  "aux.tar.gz", "PRN",    "COM1",
                              "com9.mp3", "LPT1", "lpt5.log", "CON .txt", "COM\xb9",    "conin$", "CONOUT$"};
    for (const char* name : reserved)
    {
        EXPECT_TRUE(IsReservedDeviceName(name)) << name;
        const CString safe = SafeFileName(name);
        EXPECT_FALSE(IsReservedDeviceName(safe)) << safe.GetString();
        EXPECT_EQ('_', safe[0]) << safe.GetString();
    }
    const char* ordinary[] = {"console.mp3", "nul_", "COM10", "lpt", "auxiliary.txt", "com1x"};
    for (const char* name : ordinary)
    {
        EXPECT_FALSE(IsReservedDeviceName(name)) << name;
        EXPECT_STREQ(name, SafeFileName(name).GetString());
    }
}

TEST(LocalFileName, LongNamesAreShortenedKeepingTheirExtension)
{
    const std::string stem(300, 'a');
    const CString safe = FileNameFromUrl(("http://h.test/" + stem + ".mp3").c_str());
    EXPECT_EQ(MaxFileNameLength, safe.GetLength());
    EXPECT_EQ(std::string(MaxFileNameLength - 4, 'a') + ".mp3", safe.GetString());

    // An extension too long to keep is cut like the rest.
    const CString noExtension = SafeFileName(("x." + stem).c_str(), 20);
    EXPECT_EQ(20u, noExtension.GetLength());
    // A cut that ends in dots or spaces drops them too.
    EXPECT_STREQ("ab.z", SafeFileName("ab. . . . . . . . . . . . . . . .z", 12).GetString());
    EXPECT_STREQ("abc.mp3", SafeFileName("abcdefgh.mp3", 7).GetString());
}

TEST(LocalFileName, NumberedNamesKeepTheExtension)
{
    EXPECT_EQ("clip (2).mp3", std::string(NumberedFileName("clip.mp3", 2)));
    EXPECT_EQ("archive.tar (3).gz", std::string(NumberedFileName("archive.tar.gz", 3)));
    EXPECT_EQ("readme (2)", std::string(NumberedFileName("readme", 2)));
    EXPECT_EQ(".profile (2)", std::string(NumberedFileName(".profile", 2)));
}

TEST(LocalFileName, CaseInsensitiveComparisonOfAsciiLetters)
{
    EXPECT_TRUE(EqualIgnoringCase("Clip.MP3", "clip.mp3"));
    EXPECT_FALSE(EqualIgnoringCase("clip.mp3", "clip.mp4"));
    EXPECT_FALSE(EqualIgnoringCase("clip", "clip "));
}
