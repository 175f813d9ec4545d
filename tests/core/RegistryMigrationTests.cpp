#include "core/RegistryMigration.h"

#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

namespace
{
const char Root[] = "SOFTWARE\\tidelight";

class RegistryMigrationTest : public ::testing::Test
{
protected:
    CRegistrySandbox m_sandbox;
};
} // namespace

TEST_F(RegistryMigrationTest, OldChannelKeysMoveUnderChannelsWithEverythingInThem)
{
    // Consecutive old-layout keys (in enumeration order) around "Downloads".
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\http:__a.test_feed", "pollingInterval",
                           30);
    TestRegistry::SetString(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\http:__a.test_feed", "username", "ann");
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\http:__b.test_feed", "enabled", 0);
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\http:__b.test_feed\\nested", "deep", 7);
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Downloads\\http:__c.test_file", "state",
                           2);
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\z-channel", "color", 3);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root, "newsDisplayed", 12);

    MigrateRegistryLayout();

    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\http:__a.test_feed"));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\http:__b.test_feed"));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\z-channel"));
    DWORD value = 0;
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http:__a.test_feed",
                                       "pollingInterval", value));
    EXPECT_EQ(30u, value);
    DWORD type = 0;
    std::string name;
    EXPECT_TRUE(TestRegistry::GetRaw(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http:__a.test_feed",
                                     "username", type, name));
    EXPECT_EQ(std::string("ann", 4), name);
    EXPECT_TRUE(TestRegistry::GetDword(
        HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http:__b.test_feed\\nested", "deep", value));
    EXPECT_EQ(7u, value);
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\z-channel", "color",
                                       value));
    // Downloads and the settings on the root stay where they were.
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER,
                                       "SOFTWARE\\tidelight\\Downloads\\http:__c.test_file", "state", value));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\Downloads"));
    EXPECT_TRUE(TestRegistry::GetDword(HKEY_CURRENT_USER, Root, "newsDisplayed", value));
    EXPECT_EQ(12u, value);
}

TEST_F(RegistryMigrationTest, NothingMovesWhenChannelsAlreadyExists)
{
    TestRegistry::CreateKey(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http:__current.test");
    TestRegistry::SetDword(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\stray", "color", 1);
    MigrateRegistryLayout();
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\stray"));
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\stray"));
}

TEST_F(RegistryMigrationTest, MissingRootChangesNothing)
{
    MigrateRegistryLayout();
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Root));
}

TEST_F(RegistryMigrationTest, EmptyRootGetsChannels)
{
    TestRegistry::CreateKey(HKEY_CURRENT_USER, Root);
    MigrateRegistryLayout();
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels"));
}
