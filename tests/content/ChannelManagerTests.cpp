#include "content/ChannelManager.h"

#include "core/Settings.h"
#include "support/FakeRetriever.h"
#include "support/RegistrySandbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

namespace
{
const char Channels[] = "SOFTWARE\\tidelight\\Channels\\";

class ChannelManagerTest : public ::testing::Test
{
protected:
    void TearDown() override { Settings().SetCheckForUpdates(true); }
    CFakeRetriever* Channel(const char* key)
    {
        auto* retriever = new CFakeRetriever;
        retriever->Initialize(key);
        m_manager.AddChannelRetriever(key, retriever);
        return retriever;
    }
    CFakeRetriever* Service(const char* key)
    {
        auto* retriever = new CFakeRetriever;
        m_manager.AddService(key, retriever);
        return retriever;
    }
    CString Next()
    {
        CHeadline headline;
        m_manager.NextHeadline(headline);
        return headline.GetTitle();
    }

    CRegistrySandbox m_sandbox;
    CChannelManager m_manager{CChannelManager::Empty{}};
};
} // namespace

// Each round starts after the channel that gave the last headline and asks
// every channel once; removing the channel under the cursor still ends it.
TEST_F(ChannelManagerTest, ServicesComeFirstThenChannelsTakeTurnsFromWhereTheLastRoundEnded)
{
    CFakeRetriever* a = Channel("a");
    CFakeRetriever* b = Channel("b");
    CFakeRetriever* c = Channel("c");
    CFakeRetriever* help = Service("$helpService");
    for (const char* title : {"a1", "a2", "a3"})
    {
        a->Offer(title);
    }
    b->Offer("b1");
    b->Offer("b2");
    help->Offer("tip");
    int count = -1;
    EXPECT_EQ(1, m_manager.HasHeadlines(&count));
    EXPECT_EQ(5, count) << "services are never counted";
    for (const char* expected : {"tip", "a1", "b1", "a2", "b2", "a3", ""})
    {
        EXPECT_STREQ(expected, Next());
    }
    EXPECT_EQ(0, m_manager.HasHeadlines(nullptr));
    help->Offer("another tip");
    EXPECT_EQ(1, m_manager.HasHeadlines(&count));
    EXPECT_EQ(0, count);
    EXPECT_STREQ("another tip", Next());

    c->Offer("c1");
    c->Offer("c2");
    EXPECT_STREQ("c1", Next());
    EXPECT_STREQ("c2", Next()); // the round wrapped past c back to a, b, c
    const int asked = a->m_asked + b->m_asked + c->m_asked;
    EXPECT_STREQ("", Next());
    EXPECT_EQ(asked + 3, a->m_asked + b->m_asked + c->m_asked) << "an empty round asks each once";
    b->Offer("b3");
    c->Offer("c3");
    EXPECT_STREQ("b3", Next()); // the cursor now points at c
    m_manager.RemoveChannelAt(2);
    EXPECT_EQ(2u, m_manager.ChannelCount());
    EXPECT_STREQ("", Next());
}

// Keys are listed in byte order, duplicates kept; index access keeps other
// threads out until the next call. The history keeps the configured number,
// newest first, and outlives its retrievers, whose headlines no longer
// resolve once they are removed, even to a new one at a reused address.
TEST_F(ChannelManagerTest, ListsInByteOrderAndTheHistoryOutlivesRemovedRetrievers)
{
    for (const char* key : {"a", "A", "b", "a"})
    {
        Channel(key);
    }
    ASSERT_EQ(4u, m_manager.ChannelCount());
    const char* expected[] = {"A", "a", "a", "b"};
    for (unsigned i = 0; i < 4; ++i)
    {
        ASSERT_NE(nullptr, m_manager.ChannelKeyAt(i));
        EXPECT_STREQ(expected[i], *m_manager.ChannelKeyAt(i));
    }
    EXPECT_EQ(nullptr, m_manager.ChannelKeyAt(4));
    EXPECT_EQ(nullptr, m_manager.ChannelAt(4));
    auto* last = static_cast<CFakeRetriever*>(m_manager.ChannelAt(3));
    std::atomic<bool> counted{false};
    std::thread other(
        [&]
        {
            m_manager.ChannelCount();
            counted = true;
        });
    ::Sleep(150);
    EXPECT_FALSE(counted) << "the lock must stay held after ChannelAt";
    EXPECT_EQ(4u, m_manager.ChannelCount()); // same thread: passes, then releases
    other.join();
    EXPECT_TRUE(counted);

    CFakeRetriever* help = Service("$helpService");
    help->Offer("tip");
    CHeadline tip;
    m_manager.NextHeadline(tip);
    for (int i = 1; i <= 10; ++i)
    {
        last->Offer(CString::Format("h%d", i));
        Next();
    }
    ASSERT_EQ(8u, Settings().GetMaxHistorySize());
    EXPECT_EQ(8u, m_manager.HistoryCount());
    EXPECT_STREQ("h10", m_manager.HistoryAt(0).GetTitle());
    EXPECT_STREQ("h3", m_manager.HistoryAt(7).GetTitle());
    EXPECT_STREQ("", m_manager.HistoryAt(8).GetTitle());
    const CHeadline fromLast = m_manager.HistoryAt(0);
    EXPECT_EQ(last, m_manager.ResolveRetriever(fromLast));
    EXPECT_EQ(help, m_manager.ResolveRetriever(tip));
    m_manager.RemoveChannelAt(3);
    EXPECT_EQ(nullptr, m_manager.ResolveRetriever(fromLast));
    Channel("b");
    EXPECT_EQ(nullptr, m_manager.ResolveRetriever(fromLast));
    m_manager.StopAll();
    EXPECT_EQ(nullptr, m_manager.ResolveRetriever(tip));
    EXPECT_EQ(8u, m_manager.HistoryCount());
}

// A key that cannot name its own registry key is refused. At start-up the
// stored channels come up (a disabled one stopped), a missing Channels key
// is made, and a removed channel's key goes.
TEST_F(ChannelManagerTest, StartUpListsTheStoredChannelsAndOnlyKeysThatCanNameTheirOwnAreAdded)
{
    const CString refused[] = {"",
                               "http://a.test\\..\\",
                               CString("http://a.test/\0x", 16),
                               "http://a.test/\tx",
                               "http://a.test/x\r\n",
                               CString(std::string(256, 'a').c_str())};
    for (const CString& key : refused)
    {
        EXPECT_FALSE(m_manager.AddChannel(key)) << key.GetString();
    }
    EXPECT_EQ(0u, m_manager.ChannelCount());
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\tidelight\\Channels\\http:"));

    Settings().SetCheckForUpdates(false);
    {
        CChannelManager manager;
        EXPECT_EQ(0u, manager.ChannelCount());
    }
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, Channels));
    const std::string a = std::string(Channels) + "http://127.0.0.1:9/a.xml";
    const std::string b = std::string(Channels) + "http://127.0.0.1:9/b.xml";
    TestRegistry::SetDword(HKEY_CURRENT_USER, b.c_str(), "enabled", 0);
    TestRegistry::SetDword(HKEY_CURRENT_USER, a.c_str(), "enabled", 0);
    {
        CChannelManager manager;
        ASSERT_EQ(2u, manager.ChannelCount());
        EXPECT_STREQ("http://127.0.0.1:9/a.xml", *manager.ChannelKeyAt(0));
        EXPECT_EQ(Content::CAbstractRetriever::Stopped, manager.ChannelAt(1)->GetState());
        manager.RemoveChannelAt(0);
    }
    EXPECT_FALSE(TestRegistry::KeyExists(HKEY_CURRENT_USER, a.c_str()));
    EXPECT_TRUE(TestRegistry::KeyExists(HKEY_CURRENT_USER, b.c_str()));
}
