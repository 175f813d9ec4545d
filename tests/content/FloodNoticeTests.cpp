#include "content/FeedRetriever.h"

#include "content/ChannelManager.h"
#include "content/download/DownloadJobList.h"
#include "core/Settings.h"
#include "presentation/DesktopPanel.h"
#include "support/RegistrySandbox.h"
#include "support/ScratchFolder.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"
#include "support/WindowPicture.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

using Content::CAbstractRetriever;
using Content::CFeedRetriever;
using Reply = CTestHttpServer::Reply;

namespace
{
std::string Feed(int items, const std::string& site)
{
    std::string text = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Daily Tide</title>";
    for (int i = 1; i <= items; ++i)
    {
        text += "<item><title>Story " + std::to_string(i) + "</title><link>http://" + site + "/story/" +
                std::to_string(i) + "</link></item>";
    }
    return text + "</channel></rss>";
}

class FloodNoticeTest : public ::testing::Test
{
protected:
    FloodNoticeTest()
        : m_server(
              [this](const CTestHttpServer::Request&)
              {
                  std::lock_guard<std::mutex> guard(m_lock);
                  return Reply::Ok(m_feed);
              }),
          m_key(m_server.GetUrl("/feed.xml").c_str())
    {
    }

    // A channel that showed the first feed and has just read the second.
    std::unique_ptr<CFeedRetriever> ShownThenPolled(const std::string& first, const std::string& second)
    {
        Serve(first);
        auto retriever = std::make_unique<CFeedRetriever>();
        retriever->Initialize(m_key);
        retriever->Start(0);
        EXPECT_TRUE(WaitUntil([&] { return retriever->GetState() == CAbstractRetriever::Idle; }));
        Take(*retriever);
        Serve(second);
        EXPECT_TRUE(Poll(*retriever));
        return retriever;
    }
    void Serve(const std::string& feed)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_feed = feed;
    }
    bool Poll(CFeedRetriever& retriever)
    {
        const size_t before = m_server.GetRequestCount();
        retriever.Wake();
        return WaitUntil(
            [&] {
                return m_server.GetRequestCount() > before &&
                       retriever.GetState() == CAbstractRetriever::Idle;
            });
    }
    static std::vector<CString> Take(CFeedRetriever& retriever)
    {
        std::vector<CString> titles;
        CHeadline headline;
        while (retriever.GetHeadlines(&headline, 1) == 1)
        {
            titles.push_back(headline.GetTitle());
        }
        return titles;
    }

    CRegistrySandbox m_sandbox;
    std::mutex m_lock;
    std::string m_feed;
    CTestHttpServer m_server;
    const CString m_key;
};
} // namespace

TEST_F(FloodNoticeTest, AFewNewItemsAreShownOneByOne)
{
    auto retriever = ShownThenPolled(Feed(12, "old.test"), Feed(15, "old.test"));
    EXPECT_EQ((std::vector<CString>{"Story 13", "Story 14", "Story 15"}), Take(*retriever));
}

TEST_F(FloodNoticeTest, AFeedWhoseAddressesAllChangedGivesOneNoticeOnThePanel)
{
    auto retriever = ShownThenPolled(Feed(12, "old.test"), Feed(12, "new.test"));
    ASSERT_EQ(1, retriever->GetBufferedHeadlines());

    // The notice reaches the panel as a headline of the channel does.
    Settings().SetFullLayout(true);
    CScratchFolder downloads;
    CDownloadJobList jobs(CDownloadJobList::Transient(), downloads.Path().c_str());
    CChannelManager manager{CChannelManager::Empty{}};
    CFeedRetriever* channel = retriever.release();
    manager.AddChannelRetriever(m_key, channel);
    Presentation::CDesktopPanel panel(jobs);
    const HWND window = panel.Create(::GetDesktopWindow(), reinterpret_cast<LPARAM>(&manager));
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::SendMessageA(window, WM_TIMER, Presentation::CDesktopPanel::CYCLE_TIMER, 0);
    for (int step = 0; step < 51; ++step)
    {
        ::SendMessageA(window, WM_TIMER, Presentation::CDesktopPanel::ANIMATION_TIMER, 0);
    }
    const CHeadline& shown = panel.GetCurrentHeadline();
    EXPECT_STREQ("Daily Tide: 12 headlines changed their addresses; marked as seen", shown.GetTitle());
    EXPECT_STREQ("Daily Tide", shown.GetChannelTitle());
    EXPECT_STREQ("", shown.GetLink());
    SaveWindowPicture(window, "flood-notice");

    // They were marked seen: the next poll has nothing more.
    ASSERT_TRUE(Poll(*channel));
    EXPECT_EQ(0, channel->HasHeadlines(nullptr));
}
