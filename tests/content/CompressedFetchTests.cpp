#include "content/HttpFetch.h"

#include "support/TestDeflate.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <string>

using Reply = CTestHttpServer::Reply;
using TestDeflate::FromHex;

TEST(CompressedFetchTest, GzipAndDeflateAreDecodedWholeAndTheCapCountsDecodedBytes)
{
    const Content::CFetchLimits saved = Content::GetFetchLimits();
    Content::CFetchLimits limits = saved;
    limits.bodyLimit = 1 << 20;
    Content::SetFetchLimits(limits);
    // <rss version="2.0"><channel><title>Squeezed</title></channel></rss>
    const std::string gzip =
        FromHex("1f8b0800000000000203b3292a2e56284b2d2acecccfb35532d23350b2b349ce48cccb4bcdb1b329c9"
                "2cc949b50b2e2c4d4dad4a4db1d187f06df4e10af481baed00f7767c3e43000000");
    const std::string zlib =
        FromHex("78dab3292a2e56284b2d2acecccfb35532d23350b2b349ce48cccb4bcdb1b329c92cc949b50b2e2c4d"
                "4dad4a4db1d187f06df4e10af481baed0019d0178d");
    const struct
    {
        const char* coding;
        std::string body;
        size_t sent;
        bool parsed;
    } cases[] = {
        {"gzip", gzip, gzip.size(), true},
        {"deflate", zlib, zlib.size(), true},
        {"gzip", gzip, gzip.size() - 8, false}, // the trailer never came
        {"gzip", TestDeflate::GzipBomb(size_t(64) << 20), Reply::NoLimit, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.coding) + ", " + std::to_string(c.body.size()) + " bytes");
        CTestHttpServer server(
            [&](const CTestHttpServer::Request&)
            {
                Reply reply = Reply::Ok(c.body);
                reply.headers = {{"Content-Encoding", c.coding}};
                // No length: only the stream itself can tell it was cut.
                reply.contentLength = false;
                reply.closeAfterBodyBytes = c.sent;
                return reply;
            });
        const std::unique_ptr<TiXmlDocument> document =
            Content::FetchXml("", "", server.GetUrl("/feed.xml").c_str());
        const TiXmlElement* root = document->RootElement();
        ASSERT_EQ(c.parsed, root != nullptr);
        EXPECT_TRUE(!c.parsed || root->FirstChildElement("channel")->FirstChildElement("title")->GetText() ==
                                     std::string("Squeezed"));
        EXPECT_EQ("gzip, deflate", server.GetRequests().at(0).Header("Accept-Encoding"));
    }
    Content::SetFetchLimits(saved);
}
