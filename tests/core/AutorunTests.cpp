#include "core/Autorun.h"

#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

namespace
{
const char RunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string ExecutablePath()
{
    char path[MAX_PATH];
    return std::string(path, ::GetModuleFileNameA(nullptr, path, MAX_PATH));
}
} // namespace

TEST(Autorun, OnlyThisExecutablesExactPathCountsAndEnablingWritesIt)
{
    {
        CRegistrySandbox sandbox;
        SetAutorun(true);
        EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, RunKey)) << "no Run key: none is made";
        EXPECT_FALSE(IsAutorunEnabled());
    }
    std::string otherCase = ExecutablePath();
    std::transform(otherCase.begin(), otherCase.end(), otherCase.begin(),
                   [](unsigned char c)
                   { return static_cast<char>(std::islower(c) ? std::toupper(c) : std::tolower(c)); });
    const struct
    {
        const char* what;
        DWORD type;
        std::string stored; // empty: no value
    } rows[] = {{"no value", REG_SZ, ""},
                {"another path", REG_SZ, "C:\\Old\\tidelight.exe"},
                {"the path in other letter case", REG_SZ, otherCase},
                {"another type", REG_BINARY, ExecutablePath()}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        CRegistrySandbox sandbox;
        TestRegistry::CreateKey(HKEY_CURRENT_USER, RunKey);
        if (!row.stored.empty())
        {
            TestRegistry::SetRaw(HKEY_CURRENT_USER, RunKey, "tidelight", row.type, row.stored.c_str(),
                                 static_cast<DWORD>(row.stored.size() + 1));
        }
        EXPECT_FALSE(IsAutorunEnabled());
        SetAutorun(true);
        DWORD type = 0;
        std::string data;
        ASSERT_TRUE(TestRegistry::GetRaw(HKEY_CURRENT_USER, RunKey, "tidelight", type, data));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        EXPECT_EQ(ExecutablePath() + '\0', data);
        EXPECT_TRUE(IsAutorunEnabled());
        SetAutorun(false);
        EXPECT_FALSE(TestRegistry::ValueExists(HKEY_CURRENT_USER, RunKey, "tidelight"));
        EXPECT_FALSE(IsAutorunEnabled());
    }
}
