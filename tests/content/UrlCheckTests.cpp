#include "content/UrlCheck.h"

#include <gtest/gtest.h>

using Content::CUrlParts;

TEST(UrlCheck, FragmentIsDroppedAndEverythingBeforeItKept)
{
    const std::pair<const char*, const char*> cases[] = {
        {"http://news.example.test/feed.xml", "http://news.example.test/feed.xml"},
        {"http://news.example.test/feed.xml#top", "http://news.example.test/feed.xml"},
        {"http://news.example.test/feed?a=1&b=2#x?y=3", "http://news.example.test/feed?a=1&b=2"},
        {"http://news.example.test/feed#", "http://news.example.test/feed"},
        {"http://news.example.test/#a#b", "http://news.example.test/"},
    };
    for (const auto& [url, expected] : cases)
    {
        EXPECT_STREQ(expected, Content::WithoutFragment(url)) << url;
    }
}

TEST(UrlCheck, OriginIsSchemeHostAndPort)
{
    const CUrlParts origin{false, "feeds.example.test", 80, "/private.xml"};
    const std::pair<CUrlParts, bool> cases[] = {
        {{false, "feeds.example.test", 80, "/elsewhere?x=1"}, true},
        {{false, "FEEDS.Example.TEST", 80, "/private.xml"}, true},
        {{true, "feeds.example.test", 80, "/private.xml"}, false},
        {{false, "feeds.example.test", 8080, "/private.xml"}, false},
        {{false, "feeds.example.test.evil", 80, "/private.xml"}, false},
        {{false, "example.test", 80, "/private.xml"}, false},
    };
    for (const auto& [other, same] : cases)
    {
        EXPECT_EQ(same, Content::SameOrigin(origin, other)) << other.host << ":" << other.port;
    }
}

TEST(UrlCheck, RequestTargetEscapesUtf8AndSpacesOnly)
{
    EXPECT_EQ("/a%20b/%D0%BD.xml?q=%C3%BC&x=%2F%25",
              Content::EscapeRequestTarget("/a b/\xD0\xBD.xml?q=\xC3\xBC&x=%2F%25"));
    EXPECT_EQ("/plain/feed.xml?a=1&b=~2", Content::EscapeRequestTarget("/plain/feed.xml?a=1&b=~2"));
}
