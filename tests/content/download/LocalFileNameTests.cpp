#include "content/download/LocalFileName.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace Content::Download;

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
        EXPECT_STREQ(name, FileNameFromUrl(url)) << url;
    }
    const std::string stem(300, 'a');
    EXPECT_EQ(std::string(MaxFileNameLength - 4, 'a') + ".mp3",
              FileNameFromUrl(("http://h.test/" + stem + ".mp3").c_str()).GetString());
}

// Control bytes go, and so do trailing dots and spaces, also where a cut to
// the longest name ends; a long name keeps its extension when it can; bytes
// of other scripts are fine.
TEST(LocalFileName, SafeNamesAreShortAndNeverNameADevice)
{
    const std::tuple<const char*, size_t, const char*> cases[] = {
        {"a\001b.mp3", 99, "a_b.mp3"},
        {"a\177b", 99, "a_b"},
        {"caf\xe9.mp3", 99, "caf\xe9.mp3"},
        {"clip.mp3. . ", 99, "clip.mp3"},
        {"clip...", 99, "clip"},
        {" clip ", 99, " clip"},
        {"ab. . . . . . . . . . . . . . . .z", 12, "ab.z"},
        {"abcdefgh.mp3", 7, "abc.mp3"},
        {"x.aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 20, "x.aaaaaaaaaaaaaaaaaa"},
    };
    for (const auto& [name, limit, safe] : cases)
    {
        EXPECT_STREQ(safe, SafeFileName(name, limit)) << name;
    }
    for (const char* name : {"CON", "con", "Nul", "nul.txt", "aux.tar.gz", "PRN", "COM1", "com9.mp3", "LPT1",
                             "lpt5.log", "CON .txt", "COM\xb9", "conin$", "CONOUT$"})
    {
        EXPECT_TRUE(IsReservedDeviceName(name)) << name;
        EXPECT_EQ("_" + std::string(name), SafeFileName(name).GetString()) << name;
    }
    for (const char* name : {"console.mp3", "nul_", "COM10", "lpt", "auxiliary.txt", "com1x"})
    {
        EXPECT_FALSE(IsReservedDeviceName(name)) << name;
        EXPECT_STREQ(name, SafeFileName(name)) << name;
    }
}

TEST(LocalFileName, NumberedNamesKeepTheExtensionAndCaseIsIgnoredForAsciiLettersOnly)
{
    EXPECT_STREQ("clip (2).mp3", NumberedFileName("clip.mp3", 2));
    EXPECT_STREQ("archive.tar (3).gz", NumberedFileName("archive.tar.gz", 3));
    EXPECT_STREQ("readme (2)", NumberedFileName("readme", 2));
    EXPECT_STREQ(".profile (2)", NumberedFileName(".profile", 2));
    EXPECT_TRUE(EqualIgnoringCase("Clip.MP3", "clip.mp3"));
    EXPECT_FALSE(EqualIgnoringCase("clip.mp3", "clip.mp4"));
    EXPECT_FALSE(EqualIgnoringCase("clip", "clip "));
    EXPECT_FALSE(EqualIgnoringCase("caf\xc9", "caf\xe9"));
}
