#include "ConfigurationTest.h"

#include "content/AbstractRetriever.h"
#include "core/ChannelRecord.h"
#include "support/FakeRetriever.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <atomic>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using Content::CAbstractRetriever;
using Strings = std::vector<std::string>;

namespace
{
class ChannelsTabTest : public ConfigurationTest
{
protected:
    CFakeRetriever* AddFake(const char* key, bool enabled = true)
    {
        auto* retriever = new CFakeRetriever;
        retriever->Initialize(key);
        retriever->SetEnabled(enabled);
        m_manager.AddChannelRetriever(key, retriever);
        return retriever;
    }
    static Framework::CListView List() { return Framework::CListView(Item(IDC_CHANNEL_LIST)); }
    static Strings Column(int column)
    {
        Strings texts;
        for (int row = 0; row < List().GetItemCount(); ++row)
        {
            texts.push_back(List().GetItemText(row, column).GetString());
        }
        return texts;
    }
    CChannelRecord& Record(unsigned index) { return *m_manager.ChannelAt(index)->GetChannel(); }
    void SetRow(int row, UINT state, UINT mask)
    {
        ListView_SetItemState(List().GetHandle(), row, state, mask);
        Pump();
    }
    void SelectRow(int row) { SetRow(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED); }
    void CheckRow(int row, bool on) { SetRow(row, INDEXTOSTATEIMAGEMASK(on ? 2 : 1), LVIS_STATEIMAGEMASK); }
    void Add(const std::string& text)
    {
        ::SetWindowTextA(Item(IDC_CHANNEL_URL), text.c_str());
        Command(IDC_CHANNEL_ADD);
        Pump();
    }
    // The page's handlers leave the manager's lock free for other threads.
    void ExpectManagerFree()
    {
        std::atomic<bool> taken{false};
        std::thread other(
            [&]
            {
                m_manager.Lock();
                m_manager.Unlock();
                taken = true;
            });
        EXPECT_TRUE(WaitUntil([&] { return taken.load(); }, 2000));
        m_manager.ChannelCount(); // frees a lock this thread still holds
        other.join();
    }
    static bool HintShown()
    {
        HWND tip = nullptr;
        while ((tip = ::FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr)) != nullptr)
        {
            if (::IsWindowVisible(tip))
            {
                return true;
            }
        }
        return false;
    }
};

TEST_F(ChannelsTabTest, AddsWhereTheManagerSortsAndOnlyKeysItTakes)
{
    AddFake("http://h/a");
    AddFake("http://h/c");
    for (const char* key : {"http://h/b", "http://h/B"})
    {
        // Stored disabled: no fetches, and the new row's box must say so.
        TestRegistry::SetDword(HKEY_CURRENT_USER, CChannelRecord::RegistryPath(key), "enabled", 0);
    }
    Open(Dialog::ChannelsPage);
    const Strings abc = {"http://h/a", "http://h/b", "http://h/c"};
    const Strings babc = {"http://h/B", "http://h/a", "http://h/b", "http://h/c"};
    // An address the manager refuses stays in the edit, with a hint.
    const struct
    {
        std::string typed;
        Strings rows;
        int selected;
        bool refused;
    } steps[] = {
        {"http://h/b", abc, 1, false},    {"http://h/B", babc, 0, false}, {"", babc, 0, true},
        {"http://h/x\ty", babc, 0, true}, {"http://h\\x", babc, 0, true}, {"http://h/a", babc, 1, false}};
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.typed);
        Add(step.typed);
        EXPECT_EQ(step.rows, Column(0));
        EXPECT_EQ(step.rows, ::Keys(m_manager));
        EXPECT_EQ(step.selected, List().GetSelectedIndex());
        EXPECT_EQ(step.refused ? step.typed : "", Text(IDC_CHANNEL_URL));
        EXPECT_EQ(step.refused, HintShown());
    }
    EXPECT_FALSE(List().GetCheck(0));
    EXPECT_TRUE(List().GetCheck(1));

    SelectRow(0);
    Command(IDC_CHANNEL_REMOVE);
    EXPECT_EQ(abc, Column(0));
    EXPECT_EQ(abc, ::Keys(m_manager));
}

// Each row tells the channel's state, and a failing channel why it fails and
// when it is asked next; a feed that was read shows its own title.
TEST_F(ChannelsTabTest, RefreshShowsStatusFailureTimeAndThenTheFeedsTitle)
{
    CTestHttpServer server(
        [](const CTestHttpServer::Request& request)
        {
            return request.target == "/feed.xml"
                       ? CTestHttpServer::Reply::Ok(
                             "<rss version=\"2.0\"><channel><title>Harbour news</title>"
                             "<item><title>Tide</title><link>http://127.0.0.1/1</link>"
                             "</item></channel></rss>")
                       : CTestHttpServer::Reply::WithStatus(
                             request.target == "/gone.xml" ? "410 Gone" : "404 Not Found", "");
        });
    // Switched off by an earlier run, whose reason the registry kept.
    const CString stored = CChannelRecord::RegistryPath("http://h/gone before");
    TestRegistry::SetDword(HKEY_CURRENT_USER, stored, "enabled", 0);
    TestRegistry::SetDword(HKEY_CURRENT_USER, stored, "failedPolls", 1);
    TestRegistry::SetDword(HKEY_CURRENT_USER, stored, "failureStatus", 410);
    for (const std::string& key : {server.GetUrl("/gone.xml"), server.GetUrl("/missing.xml")})
    {
        m_manager.AddChannel(key.c_str());
    }
    m_manager.AddChannel("http://h/gone before");
    AddFake("http://h/never checked");
    AddFake("http://h/switched off", false);
    const auto time = [](__time64_t seconds, const char* format)
    {
        char text[32] = {};
        std::strftime(text, sizeof(text), format, _localtime64(&seconds));
        return std::string(text);
    };
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            const bool failed =
                Record(0).GetPollFailure().count != 0 && Record(1).GetPollFailure().count != 0;
            m_manager.Unlock();
            return failed;
        }));
    // Added here, the feed shows its address until it has been read. The
    // gone channel, switched off by its failure, stops as its box says.
    Open(Dialog::ChannelsPage);
    Add(server.GetUrl("/feed.xml"));
    EXPECT_EQ(server.GetUrl("/feed.xml"), Column(0)[0]);
    ASSERT_TRUE(WaitUntil([&] { return m_manager.ChannelAt(0)->GetState() == CAbstractRetriever::Idle; }));
    Timer(Configuration::CChannelsTab::REFRESH_TIMER);
    EXPECT_EQ((Strings{"Harbour news", server.GetUrl("/gone.xml"), server.GetUrl("/missing.xml"),
                       "http://h/gone before", "http://h/never checked", "http://h/switched off"}),
              Column(0));
    EXPECT_EQ(
        (Strings{"Idle", "Stopped: gone (410), not checked again",
                 "Error: not found (404), next check " + time(Record(2).GetPollFailure().nextCheck, "%H:%M"),
                 "Stopped: gone (410), not checked again", "Idle", "Stopped"}),
        Column(1));
    EXPECT_EQ((Strings{time(m_manager.ChannelAt(0)->GetLastCheckTime(), "%H:%M:%S"), "", "", "", "", ""}),
              Column(2));
    EXPECT_EQ((Strings{"1", "1", "1", "0", "0", "0"}), Column(4)) << "failures leave a notice";
    m_manager.Unlock();
    SelectRow(2);
    Picture("configuration-channels");
}

TEST_F(ChannelsTabTest, CheckBoxesAndEditsGoToTheChannelTheyShowAndSurviveCancel)
{
    CFakeRetriever* channels[] = {AddFake("http://h/a"), AddFake("http://h/b", false)};
    Open(Dialog::ChannelsPage);
    EXPECT_FALSE(List().GetCheck(1));
    const std::pair<int, bool> clicks[] = {{0, false}, {1, true}, {0, true}};
    for (const auto& click : clicks)
    {
        SCOPED_TRACE(click.first);
        CheckRow(click.first, click.second);
        EXPECT_EQ(click.second ? CAbstractRetriever::Idle : CAbstractRetriever::Stopped,
                  channels[click.first]->GetState());
        EXPECT_EQ(click.second, channels[click.first]->GetChannel()->GetEnabled());
        ExpectManagerFree();
    }
    EXPECT_EQ(8, ::SendMessageA(Item(IDC_CHANNEL_ICON), CB_GETCOUNT, 0, 0)) << "no download icon";
    Timer(Configuration::CChannelsTab::REFRESH_TIMER);
    ExpectManagerFree();
    SelectRow(1);
    ExpectManagerFree();
    Type(IDC_CHANNEL_USERNAME, "alice");
    Type(IDC_CHANNEL_PASSWORD, std::string(40, 'p'));
    EXPECT_EQ(std::string(31, 'p'), Text(IDC_CHANNEL_PASSWORD)) << "what is shown is what is kept";
    ::SendMessageA(Item(IDC_REPEAT_HEADLINES), BM_CLICK, 0, 0);
    ::SendMessageA(Item(IDC_CHANNEL_COLOR), CB_SETCURSEL, 3, 0);
    Command(IDC_CHANNEL_COLOR, CBN_SELCHANGE);
    ::SendMessageA(Item(IDC_CHANNEL_ICON), CB_SETCURSEL, 7, 0);
    Command(IDC_CHANNEL_ICON, CBN_SELCHANGE);
    ::SendMessageA(Item(IDC_POLLING_INTERVAL), TBM_SETPOS, TRUE, 99);
    NMHDR released = {Item(IDC_POLLING_INTERVAL), IDC_POLLING_INTERVAL,
                      static_cast<UINT>(NM_RELEASEDCAPTURE)};
    ::SendMessageA(Page(), WM_NOTIFY, IDC_POLLING_INTERVAL, reinterpret_cast<LPARAM>(&released));
    EXPECT_EQ("60 minute(s)", Text(IDC_POLLING_LABEL)) << "the trackbar stops at 60";

    SelectRow(0);
    EXPECT_STREQ("alice", Record(1).GetUsername());
    EXPECT_STREQ(std::string(31, 'p').c_str(), Record(1).GetPassword());
    EXPECT_TRUE(Record(1).GetRepeatHeadlines());
    EXPECT_EQ(3u, Record(1).GetColor());
    EXPECT_EQ(7u, Record(1).GetIcon());
    EXPECT_EQ(60u, Record(1).GetPollingInterval());
    EXPECT_EQ(0u, Record(0).GetColor() + Record(0).GetIcon() + Record(0).GetRepeatHeadlines());
    EXPECT_EQ("", Text(IDC_CHANNEL_USERNAME));
    EXPECT_EQ("20 minute(s)", Text(IDC_POLLING_LABEL));

    Type(IDC_CHANNEL_USERNAME, "bob");
    PropSheet_PressButton(Sheet(), PSBTN_CANCEL);
    Pump();
    EXPECT_STREQ("bob", Record(0).GetUsername());
}

TEST_F(ChannelsTabTest, ActsOnNothingAndRebuildsWhenChannelsChangedUnderneath)
{
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"remove", [] { Command(IDC_CHANNEL_REMOVE); }},
        {"check box", [this] { CheckRow(1, false); }},
        {"colour", [] { Command(IDC_CHANNEL_COLOR, CBN_SELCHANGE); }},
        {"refresh", [] { Timer(Configuration::CChannelsTab::REFRESH_TIMER); }},
    };
    for (const auto& action : actions)
    {
        SCOPED_TRACE(action.first);
        const CFakeRetriever* channels[] = {AddFake("http://h/a"), AddFake("http://h/c"), nullptr};
        Open(Dialog::ChannelsPage);
        SelectRow(1);
        ::SendMessageA(Item(IDC_CHANNEL_COLOR), CB_SETCURSEL, 4, 0);
        channels[2] = AddFake("http://h/b"); // as the sync procedure would
        action.second();
        Pump();
        const Strings abc = {"http://h/a", "http://h/b", "http://h/c"};
        EXPECT_EQ(abc, ::Keys(m_manager));
        EXPECT_EQ(abc, Column(0));
        EXPECT_EQ(2, List().GetSelectedIndex()) << "c stays selected";
        for (const CFakeRetriever* channel : channels)
        {
            EXPECT_EQ(CAbstractRetriever::Idle, channel->GetState());
        }
        EXPECT_EQ(0u, Record(1).GetColor() + Record(2).GetColor());
        Close();
        m_manager.StopAll();
    }
}
} // namespace
