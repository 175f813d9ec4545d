#include "content/IdHistory.h"

#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <tuple>
#include <unordered_set>

namespace
{
const char Key[] = "http://127.0.0.1/history.xml";
const char Path[] = "SOFTWARE\\tidelight\\Channels\\http://127.0.0.1/history.xml";

std::string Layout(const std::deque<int32_t>& ids)
{
    const std::vector<unsigned char> bytes = Content::EncodeIdHistory(ids);
    return std::string(bytes.begin(), bytes.end());
}

class IdHistoryTest : public ::testing::Test
{
protected:
    static void Store(const std::string& bytes, DWORD type = REG_BINARY)
    {
        TestRegistry::SetRaw(HKEY_CURRENT_USER, Path, "internalState", type, bytes.data(),
                             static_cast<DWORD>(bytes.size()));
    }
    static std::string Stored()
    {
        DWORD type = 0;
        std::string data;
        EXPECT_TRUE(TestRegistry::GetRaw(HKEY_CURRENT_USER, Path, "internalState", type, data));
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
        return data;
    }
    CRegistrySandbox m_sandbox;
};
} // namespace

// What is stored loads; what cannot be ours starts an empty history, which
// then overwrites it.
TEST_F(IdHistoryTest, LoadsWhatItCanAndOverwritesWhatItCannot)
{
    const std::tuple<std::string, DWORD, std::deque<int32_t>> cases[] = {
        {std::string("\x01\x00\x00\x00\xFE\xFF\xFF\xFF\x07\x07", 10), REG_BINARY, {1, -2}},
        {"", REG_BINARY, {}},
        {"\x01\x02\x03", REG_BINARY, {}},
        {std::string(260, '\x01'), REG_BINARY, {}},
        {std::string("\x01\x00\x00\x00", 4), REG_DWORD, {}},
    };
    for (const auto& [bytes, type, ids] : cases)
    {
        SCOPED_TRACE(bytes.size());
        Store(bytes, type);
        {
            CIdHistory history(true, Key);
            EXPECT_EQ(std::vector<int32_t>(ids.begin(), ids.end()), history.Ids());
            EXPECT_EQ(!ids.empty(), history.Contains(-2));
            history.Add(9);
        }
        std::deque<int32_t> after = ids;
        after.push_back(9);
        EXPECT_EQ(Layout(after), Stored());
    }
}

// A long feed still carries its first 100 items after 900 have left it:
// those and the newest 64 others stay, the newest 64 of all where every
// version reads them. An id added again moves up instead of appearing twice,
// and what a version that knows only the newest 64 added meanwhile comes
// last at the next start.
TEST_F(IdHistoryTest, KeepsTheFeedsIdsAndTheNewest64OthersAcrossRestartsAndVersions)
{
    {
        CIdHistory history(true, Key);
        std::unordered_set<int32_t> current;
        for (int32_t id = 1; id <= 1000; ++id)
        {
            history.Add(id);
            current.insert(id <= 100 ? id : 1);
        }
        history.Retain(current);
        EXPECT_TRUE(history.Contains(1));
        EXPECT_FALSE(history.Contains(936));
        EXPECT_TRUE(history.Contains(937));
        history.Add(1);
    }
    std::deque<int32_t> newest;
    for (int32_t id = 938; id <= 1000; ++id)
    {
        newest.push_back(id);
    }
    newest.push_back(1);
    EXPECT_EQ(Layout(newest), Stored());
    Store(Stored().substr(4) + Layout({500}));
    CIdHistory history(true, Key);
    const std::vector<int32_t> ids = history.Ids();
    ASSERT_EQ(165u, ids.size());
    EXPECT_EQ(2, ids.front());
    EXPECT_EQ((std::vector<int32_t>{1000, 1, 500}), std::vector<int32_t>(ids.end() - 3, ids.end()));
}

// Changes are stored when asked, not only at the end; a removed channel's
// key does not come back, and a session history never touches the registry.
TEST_F(IdHistoryTest, ChangesAreStoredOnRequestAndNeverMakeAKey)
{
    Store(Layout({1}));
    {
        CIdHistory history(true, Key);
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Path);
        TestRegistry::CreateKey(HKEY_CURRENT_USER, Path);
        history.SaveChanges();
        EXPECT_FALSE(TestRegistry::ValueExists(HKEY_CURRENT_USER, Path, "internalState"))
            << "nothing changed";
        history.Add(2);
        history.SaveChanges();
        {
            CIdHistory session(false, Key);
            session.Add(3);
            EXPECT_TRUE(session.Contains(3));
        }
        EXPECT_EQ(Layout({1, 2}), Stored());
        history.Clear();
        history.SaveChanges();
        EXPECT_EQ("", Stored());
        history.Add(3);
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Path);
    }
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Path));
}
