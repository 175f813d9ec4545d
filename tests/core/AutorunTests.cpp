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
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

class AutorunTest : public ::testing::Test
{
protected:
    void SetUp() override { TestRegistry::CreateKey(HKEY_CURRENT_USER, RunKey); }
    CRegistrySandbox m_sandbox;
};
} // namespace

TEST_F(AutorunTest, EnableWritesThisExecutableAndDisableRemovesIt)
{
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

TEST_F(AutorunTest, AnotherPathCountsAsOffAndEnablingOverwritesIt)
{
    TestRegistry::SetString(HKEY_CURRENT_USER, RunKey, "tidelight", "C:\\Old\\tidelight.exe");
    EXPECT_FALSE(IsAutorunEnabled());
    SetAutorun(true);
    EXPECT_TRUE(IsAutorunEnabled());
}

TEST_F(AutorunTest, SamePathInOtherLetterCaseCountsAsOff)
{
    std::string path = ExecutablePath();
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c)
                   { return static_cast<char>(std::islower(c) ? std::toupper(c) : std::tolower(c)); });
    TestRegistry::SetString(HKEY_CURRENT_USER, RunKey, "tidelight", path);
    EXPECT_FALSE(IsAutorunEnabled());
}

TEST_F(AutorunTest, ValueOfAnotherTypeCountsAsOff)
{
    const std::string path = ExecutablePath();
    TestRegistry::SetRaw(HKEY_CURRENT_USER, RunKey, "tidelight", REG_BINARY, path.c_str(),
                         static_cast<DWORD>(path.size() + 1));
    EXPECT_FALSE(IsAutorunEnabled());
}

TEST(AutorunWithoutRunKey, NothingIsCreatedAndNothingReported)
{
    CRegistrySandbox sandbox;
    EXPECT_FALSE(IsAutorunEnabled());
    SetAutorun(true);
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, RunKey));
    EXPECT_FALSE(IsAutorunEnabled());
}
