#include "content/IdHistory.h"

#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <unordered_set>

namespace
{
const char Key[] = "http://127.0.0.1/history.xml";
const char Path[] = "SOFTWARE\\tidelight\\Channels\\http://127.0.0.1/history.xml";

class IdHistoryTest : public ::testing::Test
{
protected:
    void Store(const std::string& bytes, DWORD type = REG_BINARY)
    {
        TestRegistry::SetRaw(HKEY_CURRENT_USER, Path, "internalState", type, bytes.data(),
                             static_cast<DWORD>(bytes.size()));
    }
    std::string Stored()
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

TEST_F(IdHistoryTest, LoadsWholeLittleEndianIdsAndIgnoresATrailingPart)
{
    Store(std::string("\x01\x00\x00\x00\xFE\xFF\xFF\xFF\x07\x07", 10));
    CIdHistory history(true, Key);
    EXPECT_EQ((std::vector<int32_t>{1, -2}), history.Ids());
    EXPECT_TRUE(history.Contains(-2));
    EXPECT_FALSE(history.Contains(0x0707));
}

TEST_F(IdHistoryTest, UnusableStoredValuesStartEmptyAndAreOverwritten)
{
    const std::string tooLong(260, '\x01');
    const std::string cases[] = {std::string(), std::string("\x01\x02\x03", 3), tooLong};
    for (const std::string& bytes : cases)
    {
        Store(bytes);
        {
            CIdHistory history(true, Key);
            EXPECT_TRUE(history.Ids().empty()) << bytes.size() << " bytes";
            history.Add(9);
        }
        EXPECT_EQ(std::string("\x09\x00\x00\x00", 4), Stored());
    }
    Store(std::string("\x01\x00\x00\x00", 4), REG_DWORD);
    CIdHistory history(true, Key);
    EXPECT_TRUE(history.Ids().empty()) << "another type is ignored";
}

TEST_F(IdHistoryTest, ChangesAreStoredOnRequestWithoutWaitingForTheEnd)
{
    Store(std::string("\x01\x00\x00\x00", 4));
    CIdHistory history(true, Key);
    TestRegistry::DeleteTree(HKEY_CURRENT_USER, Path);
    TestRegistry::CreateKey(HKEY_CURRENT_USER, Path);
    history.SaveChanges();
    EXPECT_FALSE(TestRegistry::ValueExists(HKEY_CURRENT_USER, Path, "internalState")) << "nothing changed";
    history.Add(2);
    history.SaveChanges();
    EXPECT_EQ(std::string("\x01\x00\x00\x00\x02\x00\x00\x00", 8), Stored());
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
    EXPECT_EQ(256u, Stored().size());
    const std::string newest = Stored();
    EXPECT_EQ(937, Content::DecodeIdHistory(reinterpret_cast<const unsigned char*>(newest.data()), 4).front());
    CIdHistory history(true, Key);
    const std::vector<int32_t> ids = history.Ids();
    ASSERT_EQ(164u, ids.size());
    EXPECT_EQ(1, ids.front());
    EXPECT_EQ(1000, ids.back());
}

TEST_F(IdHistoryTest, AnOlderVersionsNewestIdsJoinTheWholeHistory)
{
    {
        CIdHistory history(true, Key);
        for (int32_t id = 1; id <= 100; ++id)
        {
            history.Add(id);
        }
    }
    // A version that knows only the newest 64 ran meanwhile and added 500.
    std::string newest = Stored().substr(4);
    newest += std::string("\xF4\x01\x00\x00", 4);
    Store(newest);
    CIdHistory history(true, Key);
    EXPECT_TRUE(history.Contains(1));
    EXPECT_TRUE(history.Contains(500));
    EXPECT_EQ(500, history.Ids().back());
}

TEST_F(IdHistoryTest, AnIdAddedAgainMovesUpInsteadOfGrowingTheStoredValue)
{
    {
        CIdHistory history(true, Key);
        for (int round = 0; round < 3; ++round)
        {
            for (int32_t id = 1; id <= 64; ++id)
            {
                history.Add(id); // a headline taken, then closed, then dismissed
            }
        }
        history.Add(1);
    }
    EXPECT_EQ(256u, Stored().size());
    CIdHistory history(true, Key);
    const std::vector<int32_t> ids = history.Ids();
    ASSERT_EQ(64u, ids.size()) << "the stored history must stay loadable";
    EXPECT_EQ(2, ids.front());
    EXPECT_EQ(1, ids.back());
}

TEST_F(IdHistoryTest, EmptyHistoryStoresZeroBytes)
{
    TestRegistry::CreateKey(HKEY_CURRENT_USER, Path);
    {
        CIdHistory history(true, Key);
        history.Add(5);
        history.Clear();
    }
    EXPECT_EQ(std::string(), Stored());
}

TEST_F(IdHistoryTest, RemovedChannelKeyIsNotRecreated)
{
    {
        CIdHistory history(true, Key);
        history.Add(3);
        TestRegistry::DeleteTree(HKEY_CURRENT_USER, Path);
    }
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Path));
}

TEST_F(IdHistoryTest, SessionHistoryNeverTouchesTheRegistry)
{
    {
        CIdHistory history(false, Key);
        history.Add(3);
        EXPECT_TRUE(history.Contains(3));
    }
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Path));
}
