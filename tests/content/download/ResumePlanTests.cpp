#include "content/download/ResumePlan.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

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
    // Written "first-last/total", "!" for unsatisfied and "?" for no total.
    const std::pair<const char*, std::string> accepted[] = {
        {"bytes 100-199/200", "100-199/200"},
        {"Bytes 5000000000-5000000099/*", "5000000000-5000000099/?"},
        {"bytes */6000000000", "!/6000000000"},
    };
    for (const auto& [text, expected] : accepted)
    {
        CContentRange range;
        ASSERT_TRUE(ParseContentRange(text, range)) << text;
        EXPECT_EQ(expected,
                  (range.unsatisfied ? "!" : std::to_string(range.first) + "-" + std::to_string(range.last)) +
                      "/" + (range.totalKnown ? std::to_string(range.total) : "?"));
    }
    CContentRange range;
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
    // Status, Content-Length and Content-Range (null: no such header), the
    // local size, and the plan: action, offset, total, truncation.
    const std::tuple<unsigned, const char*, const char*, uint64_t, CResumePlan::Action, uint64_t, uint64_t,
                     bool>
        cases[] = {
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
    for (const auto& [status, length, range, localSize, action, offset, total, truncate] : cases)
    {
        SCOPED_TRACE(testing::Message() << status << " " << (length ? length : "-") << " "
                                        << (range ? range : "-") << " on " << localSize);
        CReplyHead head;
        head.status = status;
        head.hasContentLength = length != nullptr;
        head.contentLength = length != nullptr ? length : "";
        head.hasContentRange = range != nullptr;
        head.contentRange = range != nullptr ? range : "";
        const CResumePlan plan = PlanResume(head, localSize);
        EXPECT_EQ(action, plan.action);
        EXPECT_EQ(offset, plan.offset);
        EXPECT_EQ(total, plan.total);
        EXPECT_EQ(truncate, plan.truncate);
    }
}
