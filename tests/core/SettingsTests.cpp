#include "core/Settings.h"

#include "common/PasswordScrambler.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace
{
const char Root[] = "SOFTWARE\\tidelight";

class SettingsTest : public ::testing::Test
{
protected:
    CRegistrySandbox m_sandbox;
};
} // namespace

TEST_F(SettingsTest, EmptyRegistryGivesDefaultsAndSaveWritesFifteenValues)
{
    {
        CSettings settings;
        EXPECT_EQ(0u, settings.GetConnectionType());
        EXPECT_STREQ("", settings.GetProxyAddress());
        EXPECT_EQ(8080u, settings.GetProxyPort());
        EXPECT_STREQ("", settings.GetBrowserCommand());
        EXPECT_EQ(0u, settings.GetSyncAction());
        EXPECT_STREQ(CSettings::DefaultSyncServiceUrl, settings.GetSyncServiceUrl());
        EXPECT_STREQ("", settings.GetSyncServiceUsername());
        EXPECT_STREQ("", settings.GetSyncServicePassword());
        EXPECT_STREQ(CSettings::DefaultUpdateServiceUrl, settings.GetUpdateServiceUrl());
        EXPECT_TRUE(settings.GetCheckForUpdates());
        EXPECT_TRUE(settings.GetHelpActive());
        EXPECT_TRUE(settings.GetFullLayout());
        EXPECT_EQ(0u, settings.GetNewsDisplayed());
        EXPECT_EQ(7u, settings.GetPanelDisplayTime());
        EXPECT_EQ(10u, settings.GetPanelDisplayInterval());
        EXPECT_FALSE(settings.GetTabbedBrowser());
        EXPECT_EQ(8u, settings.GetMaxHistorySize());
        EXPECT_STREQ(":8080", settings.GetProxyString());
        // Loading created the key but wrote nothing yet.
        EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Root));
        EXPECT_EQ(0u, TestRegistry::CountValues(HKEY_CURRENT_USER, Root));
    }

    EXPECT_EQ(15u, TestRegistry::CountValues(HKEY_CURRENT_USER, Root));
    EXPECT_FALSE(TestRegistry::ValueExists(HKEY_CURRENT_USER, Root, "maxHistorySize"));
    const char* dwords[] = {"connectionType",   "proxyPort",    "syncAction",    "checkForUpdates",
                            "helpActive",       "fullLayout",   "newsDisplayed", "panelDisplayInterval",
                            "panelDisplayTime", "tabbedBrowser"};
    for (const char* name : dwords)
    {
        DWORD value = 0;
        EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, name, value)) << name;
    }
    const char* strings[] = {"proxyAddress", "syncServiceUrl", "syncServiceUsername", "syncServicePassword",
                             "updateServiceUrl"};
    for (const char* name : strings)
    {
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(TestRegistry::GetRaw(HKEY_CURRENT_USER, Root, name, type, data)) << name;
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type) << name;
        ASSERT_FALSE(data.empty()) << name;
        EXPECT_EQ('\0', data.back()) << name << " is written with its terminator";
    }
    DWORD port = 0;
    TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "proxyPort", port);
    EXPECT_EQ(8080u, port);
}

TEST_F(SettingsTest, ChangedValuesSurviveSaveAndReload)
{
    {
        CSettings settings;
        settings.SetConnectionType(CSettings::Proxy);
        settings.SetProxyAddress("proxy.example.test");
        settings.SetProxyPort(3128);
        settings.SetSyncAction(1);
        settings.SetSyncServiceUrl("http://127.0.0.1:9/sync/");
        settings.SetSyncServiceUsername("reader");
        settings.SetSyncServicePassword("s3cret");
        settings.SetUpdateServiceUrl("http://127.0.0.1:9/update/");
        settings.SetCheckForUpdates(false);
        settings.SetHelpActive(false);
        settings.SetFullLayout(false);
        settings.SetNewsDisplayed(41);
        settings.SetPanelDisplayTime(3);
        settings.SetPanelDisplayInterval(25);
        settings.SetTabbedBrowser(true);
    }
    CSettings settings;
    EXPECT_EQ(3u, settings.GetConnectionType());
    EXPECT_STREQ("proxy.example.test:3128", settings.GetProxyString());
    EXPECT_EQ(1u, settings.GetSyncAction());
    EXPECT_STREQ("http://127.0.0.1:9/sync/", settings.GetSyncServiceUrl());
    EXPECT_STREQ("reader", settings.GetSyncServiceUsername());
    EXPECT_STREQ("s3cret", settings.GetSyncServicePassword());
    EXPECT_STREQ("http://127.0.0.1:9/update/", settings.GetUpdateServiceUrl());
    EXPECT_FALSE(settings.GetCheckForUpdates());
    EXPECT_FALSE(settings.GetHelpActive());
    EXPECT_FALSE(settings.GetFullLayout());
    EXPECT_EQ(41u, settings.GetNewsDisplayed());
    EXPECT_EQ(3u, settings.GetPanelDisplayTime());
    EXPECT_EQ(25u, settings.GetPanelDisplayInterval());
    EXPECT_TRUE(settings.GetTabbedBrowser());

    // The password is stored scrambled, never in plain text.
    DWORD type = 0;
    std::string stored;
    ASSERT_TRUE(TestRegistry::GetRaw(HKEY_CURRENT_USER, Root, "syncServicePassword", type, stored));
    EXPECT_EQ(std::string("s3cret", 7).size(), stored.size());
    EXPECT_EQ(std::string::npos, stored.find("s3cret"));
}

TEST_F(SettingsTest, MalformedValuesFallBackToDefaults)
{
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "proxyPort", "3128");
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "syncServiceUsername", std::string(32, 'u'));
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "syncServicePassword", std::string(40, 'p'));
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "proxyAddress", std::string(260, 'h'));
    // The byte after the counted ones is not zero either, or the registry
    // would count the terminator in for us.
    TestRegistry::SetRaw(HKEY_CURRENT_USER, Root, "updateServiceUrl", REG_SZ, "http://unterminated/X", 20);
    TestRegistry::SetRaw(HKEY_CURRENT_USER, Root, "syncServiceUrl", REG_BINARY, "http://x/\0", 10);
    const unsigned char shortNumber[2] = {5, 0};
    TestRegistry::SetRaw(HKEY_CURRENT_USER, Root, "panelDisplayTime", REG_DWORD, shortNumber, 2);
    const DWORD number = 3;
    TestRegistry::SetRaw(HKEY_CURRENT_USER, Root, "panelDisplayInterval", REG_BINARY, &number, 4);
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "fullLayout", "0");

    CSettings settings;
    EXPECT_EQ(8080u, settings.GetProxyPort());
    EXPECT_STREQ("", settings.GetSyncServiceUsername());
    EXPECT_STREQ("", settings.GetSyncServicePassword());
    EXPECT_STREQ("", settings.GetProxyAddress());
    EXPECT_STREQ(CSettings::DefaultUpdateServiceUrl, settings.GetUpdateServiceUrl());
    EXPECT_STREQ(CSettings::DefaultSyncServiceUrl, settings.GetSyncServiceUrl());
    EXPECT_EQ(7u, settings.GetPanelDisplayTime());
    EXPECT_EQ(10u, settings.GetPanelDisplayInterval());
    EXPECT_TRUE(settings.GetFullLayout());
}

TEST_F(SettingsTest, LongestFittingValuesAndOtherStringTypesAreAccepted)
{
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "syncServiceUsername", std::string(31, 'u'));
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "proxyAddress", std::string(259, 'h'));
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "syncServiceUrl", "%TEMP%\\sync/", REG_EXPAND_SZ);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "tabbedBrowser", 7);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "maxHistorySize", 20);
    {
        CSettings settings;
        EXPECT_EQ(std::string(31, 'u'), settings.GetSyncServiceUsername().GetString());
        EXPECT_EQ(std::string(259, 'h'), settings.GetProxyAddress().GetString());
        EXPECT_STREQ("%TEMP%\\sync/", settings.GetSyncServiceUrl()) << "not expanded";
        EXPECT_TRUE(settings.GetTabbedBrowser());
        EXPECT_EQ(20u, settings.GetMaxHistorySize());
    }
    DWORD value = 0;
    ASSERT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "tabbedBrowser", value));
    EXPECT_EQ(1u, value) << "booleans are written as 0 or 1";
    ASSERT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "maxHistorySize", value));
    EXPECT_EQ(20u, value) << "the history size is never written";
    CSettings again;
    EXPECT_EQ(20u, again.GetMaxHistorySize());
}

TEST_F(SettingsTest, PasswordsRoundTripForEveryByteAtEveryPosition)
{
    // 255 passwords of 31 bytes: password k holds ((k + i) mod 255) + 1 at
    // position i, so every value 1-255 is seen at every position, including
    // the ones equal to the key byte, whose scrambled form is zero.
    for (int k = 0; k < 255; ++k)
    {
        std::string plain(31, ' ');
        for (int i = 0; i < 31; ++i)
        {
            plain[i] = static_cast<char>((k + i) % 255 + 1);
        }
        {
            CSettings settings;
            settings.SetSyncServicePassword(CString(plain.data(), plain.size()));
        }
        CSettings settings;
        const CString loaded = settings.GetSyncServicePassword();
        ASSERT_EQ(plain, std::string(loaded.GetString(), loaded.GetLength())) << "password " << k;
    }
}

TEST_F(SettingsTest, PasswordsWrittenWithoutZeroBytesReadAsBefore)
{
    // A value as an older version stored it: the scrambled text, terminated.
    const CString scrambled = Common::ScramblePassword("old-pass");
    TestRegistry::SetString(HKEY_CURRENT_USER, Root, "syncServicePassword",
                            std::string(scrambled.GetString(), scrambled.GetLength()));
    CSettings settings;
    EXPECT_STREQ("old-pass", settings.GetSyncServicePassword());
}

TEST_F(SettingsTest, SecondSaveWritesNothing)
{
    CSettings settings;
    settings.SetNewsDisplayed(5);
    settings.SaveSettings();
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "newsDisplayed", 99);
    settings.SetNewsDisplayed(6);
    settings.SaveSettings(); // the key is closed: nothing is written
    DWORD value = 0;
    ASSERT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "newsDisplayed", value));
    EXPECT_EQ(99u, value);
}

TEST_F(SettingsTest, BrowserCommandIsReadFromTheHttpClass)
{
    TestRegistry::SetString(HKEY_CLASSES_ROOT, "HTTP\\shell\\open\\command", nullptr,
                            "\"C:\\Browser\\browser.exe\" -url \"%1\"");
    CSettings settings;
    EXPECT_STREQ("\"C:\\Browser\\browser.exe\" -url \"%1\"", settings.GetBrowserCommand());
}

TEST_F(SettingsTest, UnopenableRegistryLeavesDefaultsAndWritesNothing)
{
    // HKCU becomes a volatile key, under which the settings key can be
    // neither opened (it does not exist) nor created (a lasting key cannot
    // live under a volatile one).
    HKEY volatileRoot = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, "volatile", 0, nullptr, REG_OPTION_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, &volatileRoot, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, volatileRoot));
    {
        CSettings settings;
        EXPECT_EQ(8080u, settings.GetProxyPort());
        EXPECT_TRUE(settings.GetFullLayout());
        settings.SetNewsDisplayed(3);
    }
    const bool created = TestRegistry::KeyExists(HKEY_CURRENT_USER, Root);
    ::RegCloseKey(volatileRoot);
    EXPECT_FALSE(created);
}

TEST_F(SettingsTest, StringsCanBeReadWhileTheInterfaceThreadReplacesThem)
{
    CSettings settings(CSettings::DefaultsOnly{});
    settings.SetUpdateServiceUrl("http://127.0.0.1:00000/feed/");
    const size_t length = settings.GetUpdateServiceUrl().GetLength();
    std::atomic<bool> stop{false};
    std::atomic<long> mismatches{0};
    std::thread reader(
        [&]
        {
            while (!stop)
            {
                const CString url = settings.GetUpdateServiceUrl();
                if (url.GetLength() != length || url.Find("http://127.0.0.1:") != 0)
                {
                    ++mismatches;
                }
            }
        });
    for (int i = 0; i < 20000; ++i)
    {
        settings.SetUpdateServiceUrl(CString::Format("http://127.0.0.1:%05d/feed/", i % 65536));
    }
    stop = true;
    reader.join();
    EXPECT_EQ(0, mismatches.load());
}
