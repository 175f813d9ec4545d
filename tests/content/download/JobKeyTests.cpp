#include "content/download/JobKey.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace Content::Download;

TEST(JobKey, OnlyWebUrlsWithoutControlBytesBecomeJobs)
{
    EXPECT_TRUE(IsDownloadableUrl("http://media.example.test/a.mp3"));
    EXPECT_TRUE(IsDownloadableUrl("HTTPS://media.example.test/a.mp3"));
    const std::string withZero("http://media.example.test/a\0b", 29);
    const CString refused[] = {"",
                               "ftp://media.example.test/a.mp3",
                               "file:///C:/Windows/win.ini",
                               "C:\\Windows\\win.ini",
                               "http://media.example.test/a.mp3\r\nX-Injected: 1",
                               "http://media.example.test/a\tb.mp3",
                               "http://media.example.test/a\x7f.mp3",
                               CString(withZero.data(), withZero.size()),
                               ("http://h.test/" + std::string(MaxUrlLength, 'a')).c_str()};
    for (const CString& url : refused)
    {
        EXPECT_FALSE(IsDownloadableUrl(url)) << url.GetString();
    }
}

TEST(JobKey, UrlsThatCannotNameAKey)
{
    EXPECT_TRUE(CanNameKey("http://media.example.test/a.mp3"));
    EXPECT_TRUE(CanNameKey(("http://h.test/" + std::string(MaxKeyNameLength - 14, 'a')).c_str()));
    EXPECT_FALSE(CanNameKey(("http://h.test/" + std::string(MaxKeyNameLength - 13, 'a')).c_str()));
    EXPECT_FALSE(CanNameKey("http://h.test/a\\b.mp3"));
    EXPECT_FALSE(CanNameKey(""));
}

TEST(JobKey, GeneratedNamesAreStableShortAndNumbered)
{
    const CString url = "http://h.test/a\\b.mp3";
    const std::string first = GeneratedKeyName(url, 1).GetString();
    EXPECT_EQ(first, GeneratedKeyName(url, 1).GetString());
    EXPECT_EQ(20u, first.size());
    EXPECT_EQ(0u, first.find("job-"));
    EXPECT_EQ(first + " (2)", GeneratedKeyName(url, 2).GetString());
    EXPECT_TRUE(CanNameKey(GeneratedKeyName(url, 2)));

    std::set<std::string> names;
    for (int i = 0; i < 1000; ++i)
    {
        names.insert(GeneratedKeyName(("http://h.test/" + std::to_string(i)).c_str(), 1).GetString());
    }
    EXPECT_EQ(1000u, names.size());
}
