#include "core/Settings.h"

#include "common/PasswordScrambler.h"
#include "common/UniqueHandle.h"
#include "core/ChannelRecord.h"
#include "core/StoredValue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <thread>

namespace
{
const char Root[] = "SOFTWARE\\tidelight";

// Every setting as text, by the name it is stored under.
std::map<std::string, std::string> Values(const CSettings& s)
{
    const auto n = [](DWORD value) { return std::to_string(value); };
    // clang-format off
    return {{"connectionType", n(s.GetConnectionType())}, {"proxyAddress", s.GetProxyAddress().GetString()},
            {"proxyPort", n(s.GetProxyPort())}, {"syncAction", n(s.GetSyncAction())},
            {"syncServiceUrl", s.GetSyncServiceUrl().GetString()},
            {"syncServiceUsername", s.GetSyncServiceUsername().GetString()},
            {"syncServicePassword", s.GetSyncServicePassword().GetString()},
            {"updateServiceUrl", s.GetUpdateServiceUrl().GetString()},
            {"checkForUpdates", n(s.GetCheckForUpdates())}, {"helpActive", n(s.GetHelpActive())},
            {"fullLayout", n(s.GetFullLayout())}, {"newsDisplayed", n(s.GetNewsDisplayed())},
            {"panelDisplayInterval", n(s.GetPanelDisplayInterval())},
            {"panelDisplayTime", n(s.GetPanelDisplayTime())},
            {"tabbedBrowser", n(s.GetTabbedBrowser())}, {"maxHistorySize", n(s.GetMaxHistorySize())}};
    // clang-format on
}

class SettingsTest : public ::testing::Test
{
protected:
    CRegistrySandbox m_sandbox;
};
} // namespace

TEST_F(SettingsTest, AnEmptyRegistryGivesTheDefaultsSavingWritesThemAllOnceAndTheBrowserComesFromHttp)
{
    // clang-format off
    const std::map<std::string, std::string> defaults = {
        {"connectionType", "0"}, {"proxyAddress", ""}, {"proxyPort", "8080"}, {"syncAction", "0"},
        {"syncServiceUrl", CSettings::DefaultSyncServiceUrl}, {"syncServiceUsername", ""},
        {"syncServicePassword", ""}, {"updateServiceUrl", CSettings::DefaultUpdateServiceUrl},
        {"checkForUpdates", "1"}, {"helpActive", "1"}, {"fullLayout", "1"}, {"newsDisplayed", "0"},
        {"panelDisplayInterval", "10"}, {"panelDisplayTime", "7"}, {"tabbedBrowser", "0"},
        {"maxHistorySize", "8"}};
    // clang-format on
    {
        CSettings settings;
        EXPECT_EQ(defaults, Values(settings));
        EXPECT_STREQ("", settings.GetBrowserCommand());
        EXPECT_STREQ(":8080", settings.GetProxyString());
        EXPECT_EQ(0u, TestRegistry::CountValues(HKEY_CURRENT_USER, Root))
            << "nothing is written before saving";
        settings.SaveSettings();
        // The key is closed after a save: the one at destruction writes nothing.
        TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "newsDisplayed", 99);
        settings.SetNewsDisplayed(6);
    }
    EXPECT_EQ(15u, TestRegistry::CountValues(HKEY_CURRENT_USER, Root));
    for (const auto& value : defaults)
    {
        // The history size is read, never written.
        const std::string name = value.first;
        EXPECT_EQ(name == "maxHistorySize"  ? "(none)"
                  : name == "newsDisplayed" ? "99"
                                            : value.second,
                  StoredValue(Root, name.c_str()))
            << name;
    }
    const char command[] = "\"C:\\Browser\\browser.exe\" -url \"%1\"";
    TestRegistry::SetString(HKEY_CLASSES_ROOT, "HTTP\\shell\\open\\command", nullptr, command);
    EXPECT_STREQ(command, CSettings().GetBrowserCommand());
}

TEST_F(SettingsTest, StoredValuesLoadOnlyWhenWellFormedAndAreWrittenBackAsLoaded)
{
    const CString old = Common::ScramblePassword("old-pass");
    const StoredRow rows[] = {
        {"connectionType", REG_DWORD, DwordBytes(3), "3"},
        {"newsDisplayed", REG_DWORD, DwordBytes(12), "12"},
        {"proxyPort", REG_SZ, std::string("3128", 5), "8080"},
        {"proxyAddress", REG_SZ, std::string(259, 'h') + '\0', std::string(259, 'h')},
        {"proxyAddress", REG_SZ, std::string(260, 'h') + '\0', ""},
        {"syncServiceUsername", REG_SZ, std::string(31, 'u') + '\0', std::string(31, 'u')},
        {"syncServiceUsername", REG_SZ, std::string(32, 'u') + '\0', ""},
        {"syncServicePassword", REG_SZ, std::string(40, 'p') + '\0', ""},
        // As an older version stored it: the scrambled text, terminated.
        {"syncServicePassword", REG_SZ, std::string(old.GetString(), old.GetLength()) + '\0', "old-pass"},
        // The byte after the counted ones is not zero either, or the
        // registry would count the terminator in for us.
        {"updateServiceUrl", REG_SZ, "http://unterminated/X", CSettings::DefaultUpdateServiceUrl},
        {"syncServiceUrl", REG_BINARY, std::string("http://x/", 10), CSettings::DefaultSyncServiceUrl},
        {"syncServiceUrl", REG_EXPAND_SZ, std::string("%TEMP%\\sync/", 13), "%TEMP%\\sync/"}, // not expanded
        {"panelDisplayTime", REG_DWORD, std::string("\5", 2), "7"},
        {"panelDisplayInterval", REG_BINARY, DwordBytes(3), "10"},
        {"fullLayout", REG_SZ, std::string("0", 2), "1"},
        {"tabbedBrowser", REG_DWORD, DwordBytes(7), "1"},
        {"maxHistorySize", REG_DWORD, DwordBytes(20), "20"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(std::string(row.name) + " " + row.loaded);
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Root);
        // Only the counted bytes: the last string row has no terminator.
        TestRegistry::SetRaw(
            HKEY_CURRENT_USER, Root, row.name, row.type, row.data.data(),
            static_cast<DWORD>(std::string(row.name) == "updateServiceUrl" ? 20 : row.data.size()));
        {
            CSettings settings;
            EXPECT_EQ(row.loaded, Values(settings).at(row.name));
        }
        const CString written = std::string(row.name) == "syncServicePassword"
                                    ? Common::ScramblePassword(row.loaded.c_str())
                                    : CString(row.loaded.c_str());
        EXPECT_EQ(written.GetString(), StoredValue(Root, row.name)) << "booleans are written as 0 or 1";
    }
}

TEST_F(SettingsTest, PasswordsSurviveARestartScrambledWhateverBytesTheyHold)
{
    // Key bytes at every third place scramble to zero bytes, the first and
    // last among them.
    const CString zeros(std::string(31, '\0').c_str(), 31);
    const CString key = Common::ScramblePassword(zeros);
    std::string plain(31, ' ');
    for (int i = 0; i < 31; ++i)
    {
        plain[i] = i % 3 == 0 ? key[i] : static_cast<char>(128 + i * 4);
    }
    const CString password(plain.data(), plain.size());
    {
        CSettings settings;
        settings.SetSyncServicePassword(password);
        CChannelRecord("http://127.0.0.1/feed", true).SetPassword(password);
    }
    EXPECT_NE(plain, StoredValue(Root, "syncServicePassword")) << "never in plain text";
    const CString loaded[] = {CSettings().GetSyncServicePassword(),
                              CChannelRecord("http://127.0.0.1/feed", true).GetPassword()};
    for (const CString& back : loaded)
    {
        EXPECT_EQ(plain, std::string(back.GetString(), back.GetLength()));
    }
}

TEST_F(SettingsTest, UnopenableRegistryLeavesDefaultsAndWritesNothing)
{
    // HKCU becomes a volatile key, under which the settings key can be
    // neither opened (it does not exist) nor created (a lasting key cannot
    // live under a volatile one).
    Common::CUniqueKey volatileRoot;
    ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_CURRENT_USER, "volatile", 0, nullptr, REG_OPTION_VOLATILE,
                                               KEY_ALL_ACCESS, nullptr, volatileRoot.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegOverridePredefKey(HKEY_CURRENT_USER, volatileRoot.get()));
    {
        CSettings settings;
        EXPECT_EQ(8080u, settings.GetProxyPort());
        settings.SetNewsDisplayed(3);
    }
    const bool created = TestRegistry::KeyExists(HKEY_CURRENT_USER, Root);
    volatileRoot.reset();
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
                mismatches += url.GetLength() != length || url.Find("http://127.0.0.1:") != 0 ? 1 : 0;
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
