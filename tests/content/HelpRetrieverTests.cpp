#include "content/HelpRetriever.h"

#include "common/TickClock.h"
#include "core/Settings.h"

#include <gtest/gtest.h>

using Content::CHelpRetriever;

namespace
{
uint64_t g_now = 0;
uint64_t FakeNow()
{
    return g_now;
}

class HelpRetrieverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_now = 1000;
        Common::SetTickCountSource(&FakeNow);
        m_help.Initialize("$helpService");
    }
    void TearDown() override
    {
        Common::SetTickCountSource(nullptr);
        Settings().SetHelpActive(true);
    }
    CHelpRetriever m_help{213};
};
} // namespace

// One tip a quarter of an hour while switched on; the tips come in order
// with their texts and wrap around.
TEST_F(HelpRetrieverTest, TipsComeInOrderOneAQuarterOfAnHourWhileSwitchedOn)
{
    g_now = 900000;
    EXPECT_EQ(0, m_help.HasHeadlines(nullptr)) << "not before 15 minutes of ticks";
    g_now = 900001;
    ASSERT_NE(0, m_help.HasHeadlines(nullptr));
    CHeadline tips[10];
    ASSERT_EQ(10u, m_help.GetHeadlines(tips, 10));
    EXPECT_STREQ("Tidelight help", tips[0].GetChannelTitle());
    EXPECT_STREQ("Usage tips and tricks", tips[0].GetTitle());
    EXPECT_STREQ("Your knowgledge about tidelight usage will be eventually enriched by this feature.",
                 tips[0].GetDescription());
    EXPECT_STREQ("You can disable this feature in the \"Options\" tab at the configuration window.",
                 tips[1].GetDescription());
    EXPECT_STREQ(
        "Set the \"My browser supports tabs\" appropiately to improve compatibility between your default "
        "browser and tidelight.",
        tips[8].GetDescription());
    EXPECT_STREQ(tips[0].GetDescription(), tips[9].GetDescription()) << "after 221 comes 213";
    EXPECT_TRUE(tips[0].IsSealed());
    EXPECT_EQ(&m_help, tips[0].GetRetriever());
    EXPECT_EQ(0, m_help.Dismiss(tips[0].GetId()));

    g_now += 900000;
    EXPECT_EQ(0, m_help.HasHeadlines(nullptr));
    g_now += 1;
    EXPECT_NE(0, m_help.HasHeadlines(nullptr));
    Settings().SetHelpActive(false);
    g_now += 10000000;
    EXPECT_EQ(0, m_help.HasHeadlines(nullptr));
    EXPECT_EQ(1, m_help.Start(0));
    EXPECT_EQ(1, m_help.Stop());
}
