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
        // Escaped UTF-8 names the file in its own script; raw UTF-8 too.
        {"http://h.test/%D0%9A%D0%BB%D0%B8%D0%BF.mp3", "\xD0\x9A\xD0\xBB\xD0\xB8\xD0\xBF.mp3"},
        {"http://h.test/\xD0\x9A\xD0\xBB\xD0\xB8\xD0\xBF.mp3", "\xD0\x9A\xD0\xBB\xD0\xB8\xD0\xBF.mp3"},
        {"http://h.test/%E6%96%B0%E9%97%BB%20%2312.mp3", "\xE6\x96\xB0\xE9\x97\xBB #12.mp3"},
        // Escapes that are no UTF-8 (cut, or Latin-1) stay as they are.
        {"http://h.test/caf%C3.mp3", "caf%C3.mp3"},
        {"http://h.test/caf%E9.mp3", "caf%E9.mp3"},
        {"http://h.test/caf\xE9.mp3", "caf\xE9.mp3"}, // a Latin-1 document's bytes: an ANSI name
        // The rules see the decoded name.
        {"http://h.test/%2E%2E%5C%2E%2E%5Cevil.exe", ".._.._evil.exe"},
        {"http://h.test/%43%4F%4E.txt", "_CON.txt"},
        {"http://h.test/com%C2%B9", "_com\xC2\xB9"},
        {"http://h.test/clip%E2%80%AEgpj.exe", "clip_gpj.exe"},
    };
    for (const auto& [url, name] : cases)
    {
        EXPECT_STREQ(name, FileNameFromUrl(url)) << url;
    }
    // As earlier versions named the file.
    EXPECT_STREQ("%D0%9A.mp3", FileNameFromUrl("http://h.test/%D0%9A.mp3", 120, SegmentEscapes::Kept));
    const std::string stem(300, 'a');
    EXPECT_EQ(std::string(MaxFileNameLength - 4, 'a') + ".mp3",
              FileNameFromUrl(("http://h.test/" + stem + ".mp3").c_str()).GetString());
    // A UTF-8 name counts characters as Windows does and is never cut inside one.
    std::string cyrillic;
    for (int i = 0; i < 300; ++i)
    {
        cyrillic += "\xD0\x96";
    }
    EXPECT_EQ(cyrillic.substr(0, 2 * (MaxFileNameLength - 4)) + ".mp3",
              std::string(FileNameFromUrl(("http://h.test/" + cyrillic + ".mp3").c_str())));
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
        // Two for one beyond U+FFFF, and never a cut inside a character.
        {"\xE6\x96\xB0\xE9\x97\xBB\xE6\x96\xB0.mp3", 6, "\xE6\x96\xB0\xE9\x97\xBB.mp3"},
        {"\xF0\x9F\x8E\xB5\xF0\x9F\x8E\xB5.ogg", 7, "\xF0\x9F\x8E\xB5.ogg"},
        {"\xF0\x9F\x8E\xB5.ogg", 5, "_.ogg"},
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

TEST(LocalFileName, NumberedNamesKeepTheExtensionAndCaseIsIgnored)
{
    EXPECT_STREQ("clip (2).mp3", NumberedFileName("clip.mp3", 2));
    EXPECT_STREQ("archive.tar (3).gz", NumberedFileName("archive.tar.gz", 3));
    EXPECT_STREQ("readme (2)", NumberedFileName("readme", 2));
    EXPECT_STREQ(".profile (2)", NumberedFileName(".profile", 2));
    const std::tuple<const char*, const char*, bool> rows[] = {
        {"Clip.MP3", "clip.mp3", true},
        {"clip.mp3", "clip.mp4", false},
        {"clip", "clip ", false},
        // Cyrillic "Klip" and "kLIP", "Yolka" and "yOLKA", Greek "logos" with its final sigma.
        {"\xD0\x9A\xD0\xBB\xD0\xB8\xD0\xBF.mp3", "\xD0\xBA\xD0\x9B\xD0\x98\xD0\x9F.MP3", true},
        {"\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0", "\xD1\x91\xD0\x9B\xD0\x9A\xD0\x90", true},
        {"\xCE\xBB\xCF\x8C\xCE\xB3\xCE\xBF\xCF\x82", "\xCE\x9B\xCE\x8C\xCE\x93\xCE\x9F\xCE\xA3", true},
        {"\xD0\x9A\xD0\xBB\xD0\xB8\xD0\xBF", "\xD0\x9A\xD0\xBB\xD0\xB8\xD0\xBF\xD0\xB0", false},
        // ANSI names compare by byte, as they always did.
        {"caf\xC9", "caf\xE9", false},
    };
    for (const auto& [a, b, same] : rows)
    {
        EXPECT_EQ(same, EqualIgnoringCase(a, b)) << a;
        EXPECT_EQ(same, EqualIgnoringCase(b, a)) << a;
    }
}
