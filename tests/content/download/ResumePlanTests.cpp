#include "content/download/ResumePlan.h"

#include <gtest/gtest.h>

using namespace Content::Download;

namespace
{
CReplyHead Head(unsigned status, const char* length, const char* range = nullptr)
{
    CReplyHead head;
    head.status = status;
    head.hasContentLength = length != nullptr;
    head.contentLength = length != nullptr ? length : "";
    head.hasContentRange = range != nullptr;
    head.contentRange = range != nullptr ? range : "";
    return head;
}
} // namespace

TEST(ResumePlan, RangeHeaderCarriesTheFull64BitOffset)
{
    EXPECT_STREQ("Range: bytes=0-\r\n", RangeHeader(0).GetString());
    EXPECT_STREQ("Range: bytes=2147483648-\r\n", RangeHeader(2147483648ull).GetString());
    EXPECT_STREQ("Range: bytes=5000000000-\r\n", RangeHeader(5000000000ull).GetString());
}

TEST(ResumePlan, ContentLengthMustBeAPlainSaneNumber)
{
    uint64_t length = 7;
    EXPECT_TRUE(ParseContentLength("0", length));
    EXPECT_EQ(0u, length);
    EXPECT_TRUE(ParseContentLength("5000000000", length));
    EXPECT_EQ(5000000000ull, length);
    const char* refused[] = {"",
                             "-1",
                             "+5",
                             " 5",
                             "5 ",
                             "12abc",
                             "0x10",
                             "1e9",
                             "99999999999999999999",
                             "18446744073709551617",
                             "1125899906842625"};
    for (const char* text : refused)
    {
        length = 7;
        EXPECT_FALSE(ParseContentLength(text, length)) << text;
        EXPECT_EQ(7u, length) << text;
    }
    EXPECT_TRUE(ParseContentLength("1125899906842624", length));
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

    const char* refused[] = {"",          "bytes",       "bytes 1-2",    "bytes 5-4/10",     "bytes 0-10/10",
                             "bytes */*", "items 0-1/2", "bytes -1-2/3", "bytes 0-1/2 junk", "bytes 0-1/-2"};
    for (const char* text : refused)
    {
        EXPECT_FALSE(ParseContentRange(text, range)) << text;
    }
}

TEST(ResumePlan, WholeFileIsWrittenFromTheStartAndTruncates)
{
    // The server ignored the range: whatever is on disk is replaced.
    const CResumePlan plan = PlanResume(Head(200, "1000"), 400);
    EXPECT_EQ(CResumePlan::Write, plan.action);
    EXPECT_EQ(0u, plan.offset);
    EXPECT_EQ(1000u, plan.total);
    EXPECT_TRUE(plan.truncate);

    // A longer stale file is cut to what the server sends.
    const CResumePlan shorter = PlanResume(Head(200, "300"), 400);
    EXPECT_EQ(CResumePlan::Write, shorter.action);
    EXPECT_TRUE(shorter.truncate);

    const CResumePlan fresh = PlanResume(Head(200, "0"), 0);
    EXPECT_EQ(CResumePlan::Write, fresh.action);
    EXPECT_EQ(0u, fresh.total);
}

TEST(ResumePlan, WholeFileOfTheLocalSizeIsAlreadyComplete)
{
    const CResumePlan plan = PlanResume(Head(200, "400"), 400);
    EXPECT_EQ(CResumePlan::Complete, plan.action);
    EXPECT_EQ(400u, plan.total);
}

TEST(ResumePlan, PartialContentMustContinueTheLocalFile)
{
    const CResumePlan plan = PlanResume(Head(206, "600", "bytes 400-999/1000"), 400);
    EXPECT_EQ(CResumePlan::Write, plan.action);
    EXPECT_EQ(400u, plan.offset);
    EXPECT_EQ(1000u, plan.total);
    EXPECT_FALSE(plan.truncate);

    const CResumePlan unknownTotal = PlanResume(Head(206, "600", "bytes 400-999/*"), 400);
    EXPECT_EQ(CResumePlan::Write, unknownTotal.action);
    EXPECT_EQ(1000u, unknownTotal.total);

    const CResumePlan large =
        PlanResume(Head(206, "1000", "bytes 5000000000-5000000999/5000001000"), 5000000000ull);
    EXPECT_EQ(CResumePlan::Write, large.action);
    EXPECT_EQ(5000001000ull, large.total);

    // Anything that would not continue the file exactly writes nothing.
    const CReplyHead wrong[] = {
        Head(206, "600", "bytes 0-599/1000"),   // another part
        Head(206, "1000", "bytes 0-999/1000"),  // from the start
        Head(206, "600", "bytes 401-999/1000"), // a gap
        Head(206, "500", "bytes 400-999/1000"), // length does not match
        Head(206, "500", "bytes 400-899/1000"), // stops short of the end
        Head(206, "600"),                       // no range at all
        Head(206, nullptr, "bytes 400-999/1000"),
        Head(206, "600", "bytes */1000"),
        Head(206, "600", "garbage"),
    };
    for (const CReplyHead& head : wrong)
    {
        EXPECT_EQ(CResumePlan::Fail, PlanResume(head, 400).action)
            << head.contentLength.GetString() << " " << head.contentRange.GetString();
    }
}

TEST(ResumePlan, UnsatisfiableRangeMeansCompleteOnlyForAWholeFile)
{
    const CResumePlan whole = PlanResume(Head(416, "0", "bytes */400"), 400);
    EXPECT_EQ(CResumePlan::Complete, whole.action);
    EXPECT_EQ(400u, whole.total);

    EXPECT_EQ(CResumePlan::Complete,
              PlanResume(Head(416, nullptr, "bytes */6000000000"), 6000000000ull).action);
    EXPECT_EQ(CResumePlan::Fail, PlanResume(Head(416, "0", "bytes */300"), 400).action);
    EXPECT_EQ(CResumePlan::Fail, PlanResume(Head(416, "0", "bytes */500"), 400).action);
    EXPECT_EQ(CResumePlan::Fail, PlanResume(Head(416, "0"), 400).action);
    EXPECT_EQ(CResumePlan::Fail, PlanResume(Head(416, "0", "bytes */0"), 0).action);
}

TEST(ResumePlan, OtherStatusesAndBrokenLengthsWriteNothing)
{
    const unsigned statuses[] = {0, 204, 301, 304, 403, 404, 500, 503};
    for (unsigned status : statuses)
    {
        EXPECT_EQ(CResumePlan::Fail, PlanResume(Head(status, "1000"), 0).action) << status;
        EXPECT_EQ(CResumePlan::Fail, PlanResume(Head(status, "600", "bytes 400-999/1000"), 400).action)
            << status;
    }
    const char* lengths[] = {"-5", "", "12abc", "99999999999999999999999"};
    for (const char* length : lengths)
    {
        EXPECT_EQ(CResumePlan::Fail, PlanResume(Head(200, length), 0).action) << length;
    }
    EXPECT_EQ(CResumePlan::Fail, PlanResume(Head(200, nullptr), 0).action);
}
