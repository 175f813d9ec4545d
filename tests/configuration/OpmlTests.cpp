#include "configuration/Opml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Configuration::COpmlOutline;
using Configuration::OpmlSkip;
using Configuration::ReadOpml;

namespace
{
std::string Opml(const std::string& body)
{
    return "<?xml version=\"1.0\"?><opml version=\"1.0\"><head/><body>" + body + "</body></opml>";
}

std::string Repeated(const std::string& text, int times)
{
    std::string repeated;
    while (times-- > 0)
    {
        repeated += text;
    }
    return repeated;
}
} // namespace

TEST(Opml, ReadsTheOutlinesOtherReadersWrite)
{
    // The first two outlines read, as "url|title"; how many; and whether
    // the file could be read at all.
    const struct
    {
        const char* name;
        std::string file;
        std::string outlines;
        size_t count;
        bool ok;
    } cases[] = {
        {"folders at any depth",
         Opml("<outline text=\"News\"><outline text=\"A\" xmlUrl=\"http://a/\"/><outline text=\"Deeper\">"
              "<outline title=\"B\" text=\"b\" xmlUrl=\"http://b/\"/></outline></outline>"),
         "http://a/|A http://b/|B", 2, true},
        {"no xmlUrl, or an empty one", Opml("<outline text=\"folder\"/><outline text=\"e\" xmlUrl=\"\"/>"),
         "|e", 1, true},
        {"entities", Opml("<outline text=\"Q &amp; A\" xmlUrl=\"http://a/?x=1&amp;y=2\"/>"),
         "http://a/?x=1&y=2|Q & A", 1, true},
        {"a byte order mark",
         "\xEF\xBB\xBF" + Opml("<outline text=\"\xC3\xA9t\xC3\xA9\" xmlUrl=\"http://a/\"/>"),
         "http://a/|\xC3\xA9t\xC3\xA9", 1, true},
        {"a thousand outlines",
         Opml(Repeated("<outline type=\"rss\" text=\"t\" xmlUrl=\"http://h/\"/>", 1000)),
         "http://h/|t http://h/|t", 1000, true},
        {"hostile nesting", Opml(Repeated("<outline>", 300) + "<outline xmlUrl=\"http://a/\"/>"), "", 0,
         false},
        {"no XML at all", "just text", "", 0, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        bool ok = !c.ok;
        const std::vector<COpmlOutline> outlines = ReadOpml(c.file.data(), c.file.size(), ok);
        std::string read;
        for (size_t i = 0; i < outlines.size() && i < 2; ++i)
        {
            read += (i > 0 ? " " : "") + outlines[i].xmlUrl + "|" + outlines[i].title;
        }
        EXPECT_EQ(c.ok, ok);
        EXPECT_EQ(c.count, outlines.size());
        EXPECT_EQ(c.outlines, read);
    }
}

TEST(Opml, TellsWhyAnAddressCannotBeAChannel)
{
    const std::pair<std::string, OpmlSkip> cases[] = {
        {"", OpmlSkip::NoUrl},
        {"ftp://a/", OpmlSkip::NotWeb},
        {"feed.xml", OpmlSkip::NotWeb},
        {"http://a\\b/", OpmlSkip::NotWeb},
        {"http://a/\r\nX: y", OpmlSkip::ControlByte},
        {"http://a/" + std::string(247, 'x'), OpmlSkip::TooLong},
        {"http://a/" + std::string(246, 'x'), OpmlSkip::None},
        {"HTTPS://A/", OpmlSkip::None}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(c.second, Configuration::CheckOpmlUrl(c.first)) << c.first;
    }
}

TEST(Opml, WhatIsWrittenReadsBackByteForByte)
{
    const std::vector<COpmlOutline> channels = {{"http://a/?q=\"x\"&y=<z>'", "Tom & Jerry's <news>"},
                                                {"https://b/caf\xC3\xA9", ""}};
    const std::string file = Configuration::WriteOpml(channels);
    EXPECT_NE(std::string::npos, file.find("<opml version=\"2.0\">"));
    EXPECT_NE(std::string::npos, file.find("type=\"rss\""));
    bool ok = false;
    const std::vector<COpmlOutline> back = ReadOpml(file.data(), file.size(), ok);
    ASSERT_TRUE(ok);
    ASSERT_EQ(2u, back.size());
    EXPECT_EQ(channels[0].xmlUrl + "|" + channels[0].title, back[0].xmlUrl + "|" + back[0].title);
    // A channel without a title is named by its address.
    EXPECT_EQ(channels[1].xmlUrl + "|" + channels[1].xmlUrl, back[1].xmlUrl + "|" + back[1].title);
}
