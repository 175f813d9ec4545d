#include "core/ChannelRecord.h"

#include "common/PasswordScrambler.h"
#include "core/StoredValue.h"

#include <gtest/gtest.h>

#include <map>

namespace
{
const char Key[] = "http://127.0.0.1/feeds/news.xml";
const std::string Channels = "SOFTWARE\\tidelight\\Channels";
const std::string Path = Channels + "\\" + Key;
const std::pair<std::string, std::string> Defaults[] = {
    {"username", ""}, {"password", ""}, {"repeatHeadlines", "0"}, {"pollingInterval", "20"}, {"enabled", "1"},
    {"color", "0"},   {"icon", "0"}};

class ChannelRecordTest : public ::testing::Test
{
protected:
    CRegistrySandbox m_sandbox;
};
} // namespace

TEST_F(ChannelRecordTest, StoredOptionsLoadOnlyWhenWellFormedAndAreWrittenBackAsLoaded)
{
    const CString scrambled = Common::ScramblePassword("pa55");
    const StoredRow rows[] = {
        {"username", REG_SZ, "", ""}, // no value: the defaults
        {"username", REG_SZ, std::string("reader", 7), "reader"},
        {"username", REG_SZ, std::string(32, 'u') + '\0', ""},
        {"password", REG_SZ, std::string(scrambled.GetString(), 4) + '\0', "pa55"},
        {"password", REG_DWORD, DwordBytes(7), ""},
        {"repeatHeadlines", REG_DWORD, DwordBytes(1), "1"},
        {"enabled", REG_DWORD, DwordBytes(5), "1"},
        {"color", REG_DWORD, DwordBytes(3), "3"},
        {"icon", REG_DWORD, DwordBytes(6), "6"},
        // The page offers 1 to 60 minutes; 0 would poll without pause.
        {"pollingInterval", REG_SZ, std::string("5", 2), "20"},
        {"pollingInterval", REG_DWORD, DwordBytes(0), "1"},
        {"pollingInterval", REG_DWORD, DwordBytes(60), "60"},
        {"pollingInterval", REG_DWORD, DwordBytes(61), "60"},
        {"pollingInterval", REG_DWORD, DwordBytes(0xFFFFFFFF), "60"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.name) + " " + row.loaded);
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Channels.c_str());
        TestRegistry::CreateKey(HKEY_CURRENT_USER, Path.c_str());
        if (!row.data.empty())
        {
            TestRegistry::SetRaw(HKEY_CURRENT_USER, Path.c_str(), row.name, row.type, row.data.data(),
                                 static_cast<DWORD>(row.data.size()));
        }
        {
            CChannelRecord record(Key, true);
            const auto n = [](DWORD value) { return std::to_string(value); };
            // clang-format off
            const std::map<std::string, std::string> values = {
                {"username", record.GetUsername().GetString()},
                {"password", record.GetPassword().GetString()},
                {"repeatHeadlines", n(record.GetRepeatHeadlines())}, {"enabled", n(record.GetEnabled())},
                {"pollingInterval", n(record.GetPollingInterval())}, {"color", n(record.GetColor())},
                {"icon", n(record.GetIcon())}};
            // clang-format on
            std::map<std::string, std::string> expected(std::begin(Defaults), std::end(Defaults));
            expected[row.name] = row.loaded;
            EXPECT_EQ(expected, values);
        }
        EXPECT_EQ(7u, TestRegistry::CountValues(HKEY_CURRENT_USER, Path.c_str()));
        const CString password =
            Common::ScramblePassword(row.name == std::string("password") ? row.loaded.c_str() : "");
        EXPECT_EQ(std::string(row.name) == "password" ? password.GetString() : row.loaded,
                  StoredValue(Path, row.name));
    }
}

TEST_F(ChannelRecordTest, OnlyItsOwnKeyIsEverWrittenOrDeleted)
{
    const std::string other = Channels + "\\http://other.test/";
    TestRegistry::SetDword(HKEY_CURRENT_USER, other.c_str(), "color", 1);
    CChannelRecord(Key, true).MarkDeleted();
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Path.c_str()));
    // Keys that could reach the Channels key itself, and services, are never stored.
    for (const CString& key : {CString(""), CString("..\\Channels"), CString("a\\b"),
                               CString(std::string(300, 'x').c_str()), CString("$helpService")})
    {
        CChannelRecord record(key, key != CString("$helpService"));
        EXPECT_FALSE(record.IsPersistent());
        record.SetIcon(8);
        record.MarkDeleted();
    }
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, other.c_str()));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, (Channels + "\\a").c_str()));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, (Channels + "\\$helpService").c_str()));
    EXPECT_EQ(0u, TestRegistry::CountValues(HKEY_CURRENT_USER, Channels.c_str()));
}
