#include "content/ContentCoding.h"

#include "support/TestDeflate.h"

#include <gtest/gtest.h>

#include <string>

using namespace Content;
using TestDeflate::FromHex;

namespace
{
std::string Feed()
{
    std::string text = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Squeezed</title>";
    for (int i = 1; i <= 8; ++i)
    {
        const std::string n = std::to_string(i);
        text += "<item><title>Story " + n + "</title><link>http://news.example.test/story/" + n +
                "</link></item>";
    }
    return text + "</channel></rss>";
}

// The feed as zlib's gzip writes it at its best: dynamic codes.
const std::string DynamicGzip =
    FromHex("1f8b080000000000020395d25b0e82400c05d0ad101640e54d4c1d16e10a883661e2303ca62aba7a51124cf463d2cfde"
            "7b73be8af5dc99e04693d3bd3d8471b40b6b859373df2c593285a7b6b1968c42d66c481dc72bd193ce08eb8d9aa9db4a"
            "eea747106f9dd1f6a25ae6610f60e9ee229a9b6e3014313906f75ec3b2fecc1056e9df4b445ee2f55291977abd4ce465"
            "5e2f1779b9d72b445ee1f54a91577abd4ae4553f1e6c0f0acbf7aa17634c29a6d8020000");
} // namespace

TEST(ContentCodingTest, DecodesWhatZlibWrites)
{
    const std::string small = "<rss version=\"2.0\"/>";
    const struct
    {
        const char* name;
        ContentCoding coding;
        std::string body;
        std::string text;
    } cases[] = {
        {"gzip, dynamic codes", ContentCoding::Gzip, DynamicGzip, Feed()},
        {"two gzip members, the second with every optional header field", ContentCoding::Gzip,
         FromHex("1f8b0800000000000203b349b40300ab82b76f030000001f8b081e0000000000ff02006162666565642e786d6c0"
                 "06869"
                 "00d6f0b349d2b703008da2970304000000"),
         "<a><b/>"},
        {"deflate as zlib", ContentCoding::Deflate,
         FromHex("78dab3292a2e56284b2d2acecccfb35532d23350d2b7030049f20639"), small},
        {"bare deflate", ContentCoding::Deflate, FromHex("b3292a2e56284b2d2acecccfb35532d23350d2b70300"),
         small},
        {"stored block", ContentCoding::Deflate,
         FromHex("7801011400ebff3c7273732076657273696f6e3d22322e30222f3e49f20639"), small},
        {"many times the first buffer", ContentCoding::Gzip,
         FromHex("1f8b0800000000000203edc1410d00000804a04816b8b9d9caf8d6f001647b" + std::string(192, '0') +
                 "80b752db073501ecc0a7860100"),
         "<x>" + std::string(100000, 'A') + "</x>"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::string out;
        ASSERT_EQ(DecodeResult::Done, DecodeContent(c.coding, c.body, 1 << 20, out));
        EXPECT_EQ(c.text, out);
    }
}

TEST(ContentCodingTest, AnyCutOrDamagedStreamIsRefused)
{
    std::string out;
    for (size_t length = 0; length < DynamicGzip.size(); ++length)
    {
        SCOPED_TRACE("cut at " + std::to_string(length));
        ASSERT_EQ(DecodeResult::Corrupt,
                  DecodeContent(ContentCoding::Gzip, DynamicGzip.substr(0, length), 1 << 20, out));
    }
    // Past the fixed header every byte is checked, by the stream or by the
    // trailer's checksum and length.
    for (size_t at = 10; at < DynamicGzip.size(); ++at)
    {
        SCOPED_TRACE("damaged at " + std::to_string(at));
        std::string damaged = DynamicGzip;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        ASSERT_EQ(DecodeResult::Corrupt, DecodeContent(ContentCoding::Gzip, damaged, 1 << 20, out));
    }
}

TEST(ContentCodingTest, TheLimitCountsDecodedBytesAndStopsABomb)
{
    std::string out;
    EXPECT_EQ(DecodeResult::Done, DecodeContent(ContentCoding::Gzip, DynamicGzip, Feed().size(), out));
    EXPECT_EQ(DecodeResult::TooLarge,
              DecodeContent(ContentCoding::Gzip, DynamicGzip, Feed().size() - 1, out));
    const std::string bomb = TestDeflate::GzipBomb(size_t(64) << 20);
    EXPECT_EQ(DecodeResult::TooLarge, DecodeContent(ContentCoding::Gzip, bomb, 1 << 20, out));
    EXPECT_LE(out.size(), 1u << 20);
}

TEST(ContentCodingTest, OnlyTheCodingsWeOfferAreKnown)
{
    const std::pair<const char*, ContentCoding> known[] = {
        {"", ContentCoding::Identity},       {"identity", ContentCoding::Identity},
        {" GZip ", ContentCoding::Gzip},     {"x-gzip", ContentCoding::Gzip},
        {"deflate", ContentCoding::Deflate},
    };
    ContentCoding coding = ContentCoding::Identity;
    for (const auto& c : known)
    {
        EXPECT_TRUE(ParseContentCoding(c.first, coding) && coding == c.second) << c.first;
    }
    EXPECT_FALSE(ParseContentCoding("br", coding));
    EXPECT_FALSE(ParseContentCoding("gzip, gzip", coding));
}
