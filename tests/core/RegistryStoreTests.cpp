#include "core/RegistryStore.h"

#include "core/Registry.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using Registry::CStoredValue;
const char Path[] = "SOFTWARE\\tidelight-store";

// The raw bytes stored under the name, "(none)" when there is no value.
std::string Stored(const char* name)
{
    DWORD type = 0;
    std::string data;
    return TestRegistry::GetRaw(HKEY_CURRENT_USER, Path, name, type, data) ? data : "(none)";
}

std::string Bytes(const void* data, size_t size)
{
    return std::string(static_cast<const char*>(data), size);
}
} // namespace

// What a save leaves in the registry over an older value, and what a load
// then reads into fields that hold "kept", 0 and 1.
TEST(RegistryStoreTest, EachKindSavesAsItsFlagsSayAndLoadsOnlyWhatFits)
{
    CRegistrySandbox sandbox;
    CString text;
    DWORD number = 0;
    int64_t time = 0;
    const DWORD five = 5;
    const int64_t minusTwo = -2;
    const std::string old("old", 4), fresh("new", 4), none("(none)"), storedFive = Bytes(&five, 4);
    const unsigned skip = CStoredValue::SkipEmpty, erase = CStoredValue::EraseEmpty,
                   readOnly = CStoredValue::ReadOnly;
    const struct
    {
        const char* what;
        CStoredValue value;
        std::string before;
        const char* savedText;
        DWORD savedNumber;
        int64_t savedTime;
        std::string stored;
        const char* loadedText;
        DWORD loadedNumber;
        int64_t loadedTime;
    } rows[] = {
        {"empty text", {"v", text, 8, ""}, old, "", 0, 0, std::string(1, '\0'), "", 0, 1},
        {"skipped empty text", {"v", text, 8, "", skip}, old, "", 0, 0, old, "old", 0, 1},
        {"erased empty text", {"v", text, 8, "", erase}, old, "", 0, 0, none, "kept", 0, 1},
        {"erasable text", {"v", text, 8, "", erase}, old, "new", 0, 0, fresh, "new", 0, 1},
        {"text too long to load", {"v", text, 4, ""}, old, "long", 0, 0, Bytes("long", 5), "kept", 0, 1},
        {"read-only number", {"v", number, 0, readOnly}, storedFive, "", 9, 0, storedFive, "kept", 5, 1},
        {"erased zero time", {"v", time, 0, erase}, old, "", 0, 0, none, "kept", 0, 1},
        {"negative time", {"v", time, 0}, old, "", 0, minusTwo, Bytes(&minusTwo, 8), "kept", 0, minusTwo},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Path);
        TestRegistry::SetRaw(HKEY_CURRENT_USER, Path, "v", row.before == old ? REG_SZ : REG_DWORD,
                             row.before.data(), static_cast<DWORD>(row.before.size()));
        const Common::CUniqueKey key = Registry::OpenOrCreate(HKEY_CURRENT_USER, Path, KEY_ALL_ACCESS);
        text = row.savedText;
        number = row.savedNumber;
        time = row.savedTime;
        row.value.Save(key.get());
        EXPECT_EQ(row.stored, Stored("v"));

        text = "kept";
        number = 0;
        time = 1;
        row.value.Load(key.get());
        EXPECT_STREQ(row.loadedText, text);
        EXPECT_EQ(row.loadedNumber, number);
        EXPECT_EQ(row.loadedTime, time);
    }
}
