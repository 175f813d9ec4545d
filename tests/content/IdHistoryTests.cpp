#include "content/IdHistory.h"

#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

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
    // Adds the ids in order, then lets the history store itself.
    static void AddAndStore(int32_t first, int32_t last)
    {
        CIdHistory history(true, Key);
        for (int32_t id = first; id <= last; ++id)
        {
            history.Add(id);
        }
    }

    CRegistrySandbox m_sandbox;
};
} // namespace

// What is stored loads; what cannot be ours starts an empty history, which
// then overwrites it.
TEST_F(IdHistoryTest, LoadsWhatItCanAndOverwritesWhatItCannot)
{
    const struct
    {
        std::string bytes;
        DWORD type;
        std::deque<int32_t> ids;
    } cases[] = {
        {std::string("\x01\x00\x00\x00\xFE\xFF\xFF\xFF\x07\x07", 10), REG_BINARY, {1, -2}},
        {"", REG_BINARY, {}},
        {"\x01\x02\x03", REG_BINARY, {}},
        {std::string(260, '\x01'), REG_BINARY, {}},
        {std::string("\x01\x00\x00\x00", 4), REG_DWORD, {}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.bytes.size());
        Store(c.bytes, c.type);
        {
            CIdHistory history(true, Key);
            EXPECT_EQ(std::vector<int32_t>(c.ids.begin(), c.ids.end()), history.Ids());
            EXPECT_EQ(!c.ids.empty(), history.Contains(-2));
            history.Add(9);
        }
        std::deque<int32_t> after = c.ids;
        after.push_back(9);
        EXPECT_EQ(Layout(after), Stored());
    }
}

TEST_F(IdHistoryTest, ChangesAreStoredOnRequestWithoutWaitingForTheEnd)
{
    Store(Layout({1}));
    CIdHistory history(true, Key);
    TestRegistry::DeleteTree(HKEY_CURRENT_USER, Path);
    TestRegistry::CreateKey(HKEY_CURRENT_USER, Path);
    history.SaveChanges();
    EXPECT_FALSE(TestRegistry::ValueExists(HKEY_CURRENT_USER, Path, "internalState")) << "nothing changed";
    history.Add(2);
    history.SaveChanges();
    EXPECT_EQ(Layout({1, 2}), Stored());
    history.Clear();
    history.SaveChanges();
    EXPECT_EQ("", Stored());
}

TEST_F(IdHistoryTest, KeepsWhatTheFeedCarriesAndTheNewest64OthersAcrossRestarts)
{
    {
        CIdHistory history(true, Key);
        for (int32_t id = 1; id <= 1000; ++id)
        {
            history.Add(id);
        }
        // A long feed still carries its first 100 items; 900 have left it.
        std::unordered_set<int32_t> current;
        for (int32_t id = 1; id <= 100; ++id)
        {
            current.insert(id);
        }
        history.Retain(current);
        EXPECT_TRUE(history.Contains(1));
        EXPECT_FALSE(history.Contains(936));
        EXPECT_TRUE(history.Contains(937));
    }
    // The newest 64 stay where every version reads them.
    std::deque<int32_t> newest;
    for (int32_t id = 937; id <= 1000; ++id)
    {
        newest.push_back(id);
    }
    EXPECT_EQ(Layout(newest), Stored());
    CIdHistory history(true, Key);
    const std::vector<int32_t> ids = history.Ids();
    ASSERT_EQ(164u, ids.size());
    EXPECT_EQ(1, ids.front());
    EXPECT_EQ(1000, ids.back());
}

TEST_F(IdHistoryTest, AnOlderVersionsNewestIdsJoinTheWholeHistory)
{
    AddAndStore(1, 100);
    // A version that knows only the newest 64 ran meanwhile and added 500.
    Store(Stored().substr(4) + Layout({500}));
    CIdHistory history(true, Key);
    EXPECT_TRUE(history.Contains(1));
    EXPECT_EQ(500, history.Ids().back());
    EXPECT_EQ(101u, history.Ids().size());
}

TEST_F(IdHistoryTest, AnIdAddedAgainMovesUpInsteadOfGrowingTheStoredValue)
{
    for (int round = 0; round < 3; ++round)
    {
        AddAndStore(1, 64); // headlines taken, then closed, then dismissed
    }
    AddAndStore(1, 1);
    CIdHistory history(true, Key);
    const std::vector<int32_t> ids = history.Ids();
    ASSERT_EQ(64u, ids.size()) << "the stored history must stay loadable";
    EXPECT_EQ(2, ids.front());
    EXPECT_EQ(1, ids.back());
}

// A removed channel's key does not come back, and a session history never
// touches the registry.
TEST_F(IdHistoryTest, NeverMakesAKey)
{
    {
        CIdHistory shown(true, Key);
        CIdHistory session(false, Key);
        shown.Add(3);
        session.Add(3);
        EXPECT_TRUE(session.Contains(3));
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Path);
    }
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Path));
}
