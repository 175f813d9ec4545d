#include "core/ChannelRecord.h"

#include "common/PasswordScrambler.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

namespace
{
const char Key[] = "http://127.0.0.1/feeds/news.xml";
const char Path[] = "SOFTWARE\\tidelight\\Channels\\http://127.0.0.1/feeds/news.xml";

class ChannelRecordTest : public ::testing::Test
{
protected:
    CRegistrySandbox m_sandbox;
};
} // namespace

TEST_F(ChannelRecordTest, KeyWithoutValuesGivesDefaultsAndWritesThemBack)
{
    TestRegistry::CreateKey(HKEY_CURRENT_USER, Path);
    {
        CChannelRecord record(Key, true);
        EXPECT_STREQ("", record.GetUsername());
        EXPECT_STREQ("", record.GetPassword());
        EXPECT_FALSE(record.GetRepeatHeadlines());
        EXPECT_EQ(20u, record.GetPollingInterval());
        EXPECT_TRUE(record.GetEnabled());
        EXPECT_EQ(0u, record.GetColor());
        EXPECT_EQ(0u, record.GetIcon());
    }
    EXPECT_EQ(7u, TestRegistry::CountValues(HKEY_CURRENT_USER, Path));
    DWORD value = 0;
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Path, "pollingInterval", value));
    EXPECT_EQ(20u, value);
}

TEST_F(ChannelRecordTest, StoredOptionsLoadAndChangesSurvive)
{
    const CString scrambled = Common::ScramblePassword("pa55");
    TestRegistry::SetString(HKEY_CURRENT_USER, Path, "username", "reader");
    TestRegistry::SetString(HKEY_CURRENT_USER, Path, "password", std::string(scrambled.GetString(), 4));
    TestRegistry::SetDword(HKEY_CURRENT_USER, Path, "repeatHeadlines", 1);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Path, "pollingInterval", 5);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Path, "enabled", 5);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Path, "color", 3);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Path, "icon", 6);
    {
        CChannelRecord record(Key, true);
        EXPECT_STREQ("reader", record.GetUsername());
        EXPECT_STREQ("pa55", record.GetPassword());
        EXPECT_TRUE(record.GetRepeatHeadlines());
        EXPECT_EQ(5u, record.GetPollingInterval());
        EXPECT_TRUE(record.GetEnabled());
        EXPECT_EQ(3u, record.GetColor());
        EXPECT_EQ(6u, record.GetIcon());
        record.SetColor(4);
    }
    DWORD value = 0;
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Path, "enabled", value));
    EXPECT_EQ(1u, value) << "booleans are written back as 0 or 1";
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Path, "color", value));
    EXPECT_EQ(4u, value);
    CChannelRecord again(Key, true);
    EXPECT_STREQ("pa55", again.GetPassword());
}

TEST_F(ChannelRecordTest, MalformedValuesGiveDefaults)
{
    TestRegistry::SetString(HKEY_CURRENT_USER, Path, "pollingInterval", "5");
    TestRegistry::SetString(HKEY_CURRENT_USER, Path, "username", std::string(32, 'u'));
    TestRegistry::SetDword(HKEY_CURRENT_USER, Path, "password", 7);
    CChannelRecord record(Key, true);
    EXPECT_EQ(20u, record.GetPollingInterval());
    EXPECT_STREQ("", record.GetUsername());
    EXPECT_STREQ("", record.GetPassword());
}

TEST_F(ChannelRecordTest, PasswordsWithEveryByteSurvive)
{
    for (int k = 0; k < 255; k += 17)
    {
        std::string plain(31, ' ');
        for (int i = 0; i < 31; ++i)
        {
            plain[i] = static_cast<char>((k + i * 9) % 255 + 1);
        }
        {
            CChannelRecord record(Key, true);
            record.SetPassword(CString(plain.data(), plain.size()));
        }
        CChannelRecord record(Key, true);
        const CString loaded = record.GetPassword();
        ASSERT_EQ(plain, std::string(loaded.GetString(), loaded.GetLength()));
    }
}

TEST_F(ChannelRecordTest, DeletedChannelLosesItsKeyAndNothingElse)
{
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http://other.test/", "color",
                           1);
    {
        CChannelRecord record(Key, true);
        record.MarkDeleted();
    }
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Path));
    EXPECT_TRUE(
        TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http://other.test/"));
}

TEST_F(ChannelRecordTest, KeysThatCouldReachTheChannelsKeyItselfAreNeverStored)
{
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http://other.test/", "color",
                           1);
    for (const CString& key :
         {CString(""), CString("..\\Channels"), CString("a\\b"), CString(std::string(300, 'x').c_str())})
    {
        CChannelRecord record(key, true);
        EXPECT_FALSE(record.IsPersistent());
        record.MarkDeleted();
    }
    EXPECT_TRUE(
        TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http://other.test/"));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\a"));
    EXPECT_EQ(0u, TestRegistry::CountValues(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels"));
}

TEST_F(ChannelRecordTest, ServiceRecordsNeverTouchTheRegistry)
{
    {
        CChannelRecord record("$helpService", false);
        EXPECT_EQ(20u, record.GetPollingInterval());
        record.SetIcon(8);
    }
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\$helpService"));
}
