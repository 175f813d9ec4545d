#include "content/ContentCoding.h"

#include "support/TestDeflate.h"
#include "support/TestFeeds.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace Content;
using TestDeflate::FromHex;
using TestDeflate::GzipRss;

TEST(ContentCodingTest, DecodesWhatZlibWrites)
{
    const std::string small = "<rss version=\"2.0\"/>";
    const std::tuple<const char*, ContentCoding, std::string, std::string> cases[] = {
        {"gzip, dynamic codes", ContentCoding::Gzip, GzipRss, Rss(1, 3)},
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
    for (const auto& [name, coding, body, text] : cases)
    {
        std::string out;
        ASSERT_EQ(DecodeResult::Done, DecodeContent(coding, body, 1 << 20, out)) << name;
        EXPECT_EQ(text, out) << name;
    }
}

TEST(ContentCodingTest, AnyCutOrDamagedStreamIsRefused)
{
    std::string out;
    for (size_t length = 0; length < GzipRss.size(); ++length)
    {
        SCOPED_TRACE("cut at " + std::to_string(length));
        ASSERT_EQ(DecodeResult::Corrupt,
                  DecodeContent(ContentCoding::Gzip, GzipRss.substr(0, length), 1 << 20, out));
    }
    // Past the fixed header every byte is checked, by the stream or by the
    // trailer's checksum and length.
    for (size_t at = 10; at < GzipRss.size(); ++at)
    {
        SCOPED_TRACE("damaged at " + std::to_string(at));
        std::string damaged = GzipRss;
        damaged[at] = static_cast<char>(damaged[at] ^ 0x10);
        ASSERT_EQ(DecodeResult::Corrupt, DecodeContent(ContentCoding::Gzip, damaged, 1 << 20, out));
    }
}

TEST(ContentCodingTest, TheLimitCountsDecodedBytesAndStopsABomb)
{
    std::string out;
    EXPECT_EQ(DecodeResult::Done, DecodeContent(ContentCoding::Gzip, GzipRss, Rss(1, 3).size(), out));
    EXPECT_EQ(DecodeResult::TooLarge, DecodeContent(ContentCoding::Gzip, GzipRss, Rss(1, 3).size() - 1, out));
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
