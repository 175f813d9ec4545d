#include "content/HttpFetch.h"

#include "support/TestDeflate.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

using Reply = CTestHttpServer::Reply;
using TestDeflate::Gzip;

namespace
{
std::string Feed(const std::string& title)
{
    return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>" + title +
           "</title><item><title>Story</title><link>http://127.0.0.1/story</link></item></channel></rss>";
}

class CompressedFetchTest : public ::testing::Test
{
protected:
    void SetUp() override { m_savedLimits = Content::GetFetchLimits(); }
    void TearDown() override { Content::SetFetchLimits(m_savedLimits); }

private:
    Content::CFetchLimits m_savedLimits;
};
} // namespace

TEST_F(CompressedFetchTest, GzipAndDeflateAreDecodedWholeAndTheCapCountsDecodedBytes)
{
    Content::CFetchLimits limits = Content::GetFetchLimits();
    limits.bodyLimit = 1024 * 1024;
    Content::SetFetchLimits(limits);
    const std::string feed = Feed("Squeezed");
    const std::string bomb = Gzip(Feed(std::string(8 * limits.bodyLimit, 'A')));
    ASSERT_LT(bomb.size(), limits.bodyLimit / 10); // small on the wire
    const struct
    {
        const char* name;
        const char* encoding;
        std::string body;
        bool cut;
        bool parsed;
    } cases[] = {
        {"gzip", "gzip", Gzip(feed), false, true},
        {"deflate", "deflate", TestDeflate::Zlib(feed), false, true},
        {"gzip cut short", "gzip", Gzip(feed), true, false},
        {"bomb past the cap", "gzip", bomb, false, false},
        {"a coding not offered", "br", feed, false, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CTestHttpServer server(
            [&](const CTestHttpServer::Request&)
            {
                Reply reply = Reply::Ok(c.body);
                reply.headers = {{"Content-Encoding", c.encoding}};
                reply.closeAfterBodyBytes = c.cut ? c.body.size() / 2 : Reply::NoLimit;
                return reply;
            });
        std::unique_ptr<TiXmlDocument> document =
            Content::FetchXml("", "", server.GetUrl("/feed.xml").c_str());
        ASSERT_NE(nullptr, document);
        const TiXmlElement* root = document->RootElement();
        ASSERT_EQ(c.parsed, root != nullptr);
        if (c.parsed)
        {
            EXPECT_STREQ("Squeezed",
                         root->FirstChildElement("channel")->FirstChildElement("title")->GetText());
        }
        const CTestHttpServer::Request request = server.GetRequests().at(0);
        EXPECT_EQ(1, std::count_if(request.headers.begin(), request.headers.end(),
                                   [](const auto& header)
                                   { return _stricmp(header.first.c_str(), "Accept-Encoding") == 0; }));
        EXPECT_EQ("gzip, deflate", request.Header("Accept-Encoding"));
    }
}
