#include "content/download/ResumePlan.h"

#include <gtest/gtest.h>

using namespace Content::Download;

TEST(ResumePlan, RangeHeaderCarriesTheFull64BitOffset)
{
    EXPECT_STREQ("Range: bytes=0-\r\n", RangeHeader(0).GetString());
    EXPECT_STREQ("Range: bytes=5000000000-\r\n", RangeHeader(5000000000ull).GetString());
}

TEST(ResumePlan, ContentLengthMustBeAPlainSaneNumber)
{
    const std::pair<const char*, uint64_t> accepted[] = {
        {"0", 0}, {"5000000000", 5000000000ull}, {"1125899906842624", MaxDownloadSize}};
    for (const auto& [text, expected] : accepted)
    {
        uint64_t length = 7;
        EXPECT_TRUE(ParseContentLength(text, length)) << text;
        EXPECT_EQ(expected, length) << text;
    }
    for (const char* text : {"", "-1", "+5", " 5", "5 ", "12abc", "0x10", "1e9", "99999999999999999999",
                             "18446744073709551617", "1125899906842625"})
    {
        uint64_t length = 7;
        EXPECT_FALSE(ParseContentLength(text, length)) << text;
        EXPECT_EQ(7u, length) << text;
    }
}

TEST(ResumePlan, ContentRangeForms)
{
    CContentRange range;
    ASSERT_TRUE(ParseContentRange("bytes 100-199/200", range));
    EXPECT_FALSE(range.unsatisfied);
    EXPECT_EQ(100u, range.first);
    EXPECT_EQ(199u, range.last);
    EXPECT_TRUE(range.totalKnown);
    EXPECT_EQ(200u, range.total);
    ASSERT_TRUE(ParseContentRange("Bytes 5000000000-5000000099/*", range));
    EXPECT_EQ(5000000000ull, range.first);
    EXPECT_FALSE(range.totalKnown);
    ASSERT_TRUE(ParseContentRange("bytes */6000000000", range));
    EXPECT_TRUE(range.unsatisfied);
    EXPECT_EQ(6000000000ull, range.total);
    for (const char* text : {"", "bytes", "bytes 1-2", "bytes 5-4/10", "bytes 0-10/10", "bytes */*",
                             "items 0-1/2", "bytes -1-2/3", "bytes 0-1/2 junk", "bytes 0-1/-2"})
    {
        EXPECT_FALSE(ParseContentRange(text, range)) << text;
    }
}

// What the answer to "Range: bytes=<local size>-" makes of the file: only the
// whole file from the start, or exactly the rest of it, is ever written.
TEST(ResumePlan, OnlyTheWholeFileOrExactlyItsRestIsWritten)
{
    const auto F = CResumePlan::Fail;
    const auto C = CResumePlan::Complete;
    const auto W = CResumePlan::Write;
    const struct
    {
        unsigned status;
        const char* length; // null: no such header
        const char* range;
        uint64_t localSize;
        CResumePlan::Action action;
        uint64_t offset;
        uint64_t total;
        bool truncate;
    } cases[] = {
        // The server ignored the range: whatever is on disk is replaced.
        {200, "1000", nullptr, 400, W, 0, 1000, true},
        {200, "300", nullptr, 400, W, 0, 300, true},
        {200, "0", nullptr, 0, W, 0, 0, true},
        {200, "400", nullptr, 400, C, 0, 400, false},
        {200, "-5", nullptr, 0, F, 0, 0, false},
        {200, "", nullptr, 0, F, 0, 0, false},
        {200, "99999999999999999999999", nullptr, 0, F, 0, 0, false},
        {200, nullptr, nullptr, 0, F, 0, 0, false},
        // Partial content must continue the local file exactly.
        {206, "600", "bytes 400-999/1000", 400, W, 400, 1000, false},
        {206, "600", "bytes 400-999/*", 400, W, 400, 1000, false},
        {206, "1000", "bytes 5000000000-5000000999/5000001000", 5000000000ull, W, 5000000000ull,
         5000001000ull, false},
        {206, "600", "bytes 0-599/1000", 400, F, 0, 0, false},   // another part
        {206, "1000", "bytes 0-999/1000", 400, F, 0, 0, false},  // from the start
        {206, "600", "bytes 401-999/1000", 400, F, 0, 0, false}, // a gap
        {206, "500", "bytes 400-999/1000", 400, F, 0, 0, false}, // length does not match
        {206, "500", "bytes 400-899/1000", 400, F, 0, 0, false}, // stops short of the end
        {206, "600", nullptr, 400, F, 0, 0, false},
        {206, nullptr, "bytes 400-999/1000", 400, F, 0, 0, false},
        {206, "600", "bytes */1000", 400, F, 0, 0, false},
        {206, "600", "garbage", 400, F, 0, 0, false},
        // An unsatisfiable range means complete only for a whole file.
        {416, "0", "bytes */400", 400, C, 0, 400, false},
        {416, nullptr, "bytes */6000000000", 6000000000ull, C, 0, 6000000000ull, false},
        {416, "0", "bytes */300", 400, F, 0, 0, false},
        {416, "0", "bytes */500", 400, F, 0, 0, false},
        {416, "0", nullptr, 400, F, 0, 0, false},
        {416, "0", "bytes */0", 0, F, 0, 0, false},
        {0, "1000", nullptr, 0, F, 0, 0, false},
        {204, "1000", nullptr, 0, F, 0, 0, false},
        {304, "600", "bytes 400-999/1000", 400, F, 0, 0, false},
        {404, "1000", nullptr, 0, F, 0, 0, false},
        {503, "600", "bytes 400-999/1000", 400, F, 0, 0, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.status << " " << (c.length ? c.length : "-") << " "
                                        << (c.range ? c.range : "-") << " on " << c.localSize);
        CReplyHead head;
        head.status = c.status;
        head.hasContentLength = c.length != nullptr;
        head.contentLength = c.length != nullptr ? c.length : "";
        head.hasContentRange = c.range != nullptr;
        head.contentRange = c.range != nullptr ? c.range : "";
        const CResumePlan plan = PlanResume(head, c.localSize);
        EXPECT_EQ(c.action, plan.action);
        EXPECT_EQ(c.offset, plan.offset);
        EXPECT_EQ(c.total, plan.total);
        EXPECT_EQ(c.truncate, plan.truncate);
    }
}
