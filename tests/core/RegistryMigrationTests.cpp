#include "core/RegistryMigration.h"

#include "core/StoredValue.h"

#include <gtest/gtest.h>

namespace
{
const std::string Root = "SOFTWARE\\tidelight";

bool Exists(const std::string& path)
{
    return TestRegistry::KeyExists(HKEY_CURRENT_USER, (Root + path).c_str());
}
} // namespace

TEST(RegistryMigration, OldChannelKeysMoveUnderChannelsWithEverythingInThem)
{
    CRegistrySandbox sandbox;
    // Consecutive old-layout keys (in enumeration order) around "Downloads".
    TestRegistry::SetDword(HKEY_CURRENT_USER, (Root + "\\http:__a.test_feed").c_str(), "pollingInterval", 30);
    TestRegistry::SetString(HKEY_CURRENT_USER, (Root + "\\http:__a.test_feed").c_str(), "username", "ann");
    TestRegistry::SetDword(HKEY_CURRENT_USER, (Root + "\\http:__b.test_feed\\nested").c_str(), "deep", 7);
    TestRegistry::SetDword(HKEY_CURRENT_USER, (Root + "\\Downloads\\http:__c.test_file").c_str(), "state", 2);
    TestRegistry::SetDword(HKEY_CURRENT_USER, (Root + "\\z-channel").c_str(), "color", 3);
    TestRegistry::SetDword(HKEY_CURRENT_USER, Root.c_str(), "newsDisplayed", 12);

    MigrateRegistryLayout();

    EXPECT_FALSE(Exists("\\http:__a.test_feed") || Exists("\\http:__b.test_feed") || Exists("\\z-channel"));
    EXPECT_EQ("30", StoredValue(Root + "\\Channels\\http:__a.test_feed", "pollingInterval"));
    EXPECT_EQ("ann", StoredValue(Root + "\\Channels\\http:__a.test_feed", "username"));
    EXPECT_EQ("7", StoredValue(Root + "\\Channels\\http:__b.test_feed\\nested", "deep"));
    EXPECT_EQ("3", StoredValue(Root + "\\Channels\\z-channel", "color"));
    // Downloads and the settings on the root stay where they were.
    EXPECT_EQ("2", StoredValue(Root + "\\Downloads\\http:__c.test_file", "state"));
    EXPECT_FALSE(Exists("\\Channels\\Downloads"));
    EXPECT_EQ("12", StoredValue(Root, "newsDisplayed"));
}

TEST(RegistryMigration, RunsOnlyOnTheOldLayout)
{
    {
        CRegistrySandbox sandbox;
        MigrateRegistryLayout();
        EXPECT_FALSE(Exists("")) << "no root: nothing is made";
    }
    {
        CRegistrySandbox sandbox;
        TestRegistry::CreateKey(HKEY_CURRENT_USER, Root.c_str());
        MigrateRegistryLayout();
        EXPECT_TRUE(Exists("\\Channels")) << "an empty root gets Channels";
    }
    CRegistrySandbox sandbox;
    TestRegistry::CreateKey(HKEY_CURRENT_USER, (Root + "\\Channels\\http:__current.test").c_str());
    TestRegistry::SetDword(HKEY_CURRENT_USER, (Root + "\\stray").c_str(), "color", 1);
    MigrateRegistryLayout();
    EXPECT_TRUE(Exists("\\stray")) << "Channels exists already: nothing moves";
    EXPECT_FALSE(Exists("\\Channels\\stray"));
}
