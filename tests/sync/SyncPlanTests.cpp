#include "sync/SyncPlan.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using namespace Sync;

namespace
{
bool NotBad(const CString& url)
{
    return std::string(url.GetString()) != "bad";
}

// The steps in order, one letter each (k keep, a/r add/remove at the
// listing, A/R add/remove here) with the entry.
std::string Steps(const CSyncPlan& plan)
{
    std::string text;
    for (const CSyncStep& step : plan.steps)
    {
        text += std::string(1, "karRA"[step.kind]) + step.channel.GetString() + " ";
    }
    return text;
}
} // namespace

TEST(SyncPlan, EachEntryIsOneStepAndOnlyTheOtherSidesMissingEntriesCount)
{
    const std::vector<CString> client = {"x", "y"}, server = {"y", "z", "bad", "z"};
    // action, steps, added, removed, skipped
    const std::tuple<int, const char*, int, int, size_t> cases[] = {
        {ClientToServer, "ax ky ky rz rbad rz ", 1, 3, 0},
        {ServerToClient, "Rx ky ky Az kbad kz ", 1, 1, 1}, // "z" listed twice is added once; "bad" skipped
        {2, "", 0, 0, 0},
        {-1, "", 0, 0, 0},
    };
    for (const auto& [action, steps, added, removed, skipped] : cases)
    {
        const CSyncPlan plan = PlanSync(action, client, server, &NotBad);
        EXPECT_EQ(steps, Steps(plan)) << action;
        EXPECT_EQ(added, plan.added) << action;
        EXPECT_EQ(removed, plan.removed) << action;
        EXPECT_EQ(skipped, plan.skipped.size()) << action;
    }
    // Bytes must match: no folding of case or of a final slash.
    EXPECT_EQ("RA ka ka Aa/ ", Steps(PlanSync(ServerToClient, {"A", "a"}, {"a", "a/"}, &NotBad)));
}

TEST(SyncPlan, TheSkippedNoteNamesTenEntriesWithoutControlBytes)
{
    EXPECT_STREQ("", SkippedNote({}));
    std::vector<CString> skipped = {"", "a\tb\x7f"};
    const std::string two = SkippedNote(skipped).GetString();
    EXPECT_EQ("\n\n2 listed entries are not feed addresses a channel can be kept under, and were not added:"
              "\n(an empty entry)\na?b?",
              two);
    skipped.resize(13, "c");
    const std::string many = SkippedNote(skipped).GetString();
    EXPECT_EQ(std::string::npos, many.find("\nc\nc\nc\nc\nc\nc\nc\nc\nc")) << many; // eight of eleven "c"
    EXPECT_NE(std::string::npos, many.find("\nc\n... and 3 more")) << many;
}
