#include "ConfigurationTest.h"

#include "content/AbstractRetriever.h"
#include "core/ChannelRecord.h"
#include "support/TestHttpServer.h"
#include "support/WaitUntil.h"

#include <ctime>
#include <string>
#include <vector>

using Content::CAbstractRetriever;

TEST_F(ConfigurationTest, FailingChannelsSayWhyAndWhenTheyAreAskedNext)
{
    CTestHttpServer server(
        [](const CTestHttpServer::Request& request)
        {
            return CTestHttpServer::Reply::WithStatus(
                request.target == "/gone.xml" ? "410 Gone" : "404 Not Found", "");
        });
    // Switched off by an earlier run, whose reason the registry kept.
    const char* stored = "http://h/gone before";
    const CString path = CChannelRecord::RegistryPath(stored);
    TestRegistry::SetDword(HKEY_CURRENT_USER, path, "enabled", 0);
    TestRegistry::SetDword(HKEY_CURRENT_USER, path, "failedPolls", 1);
    TestRegistry::SetDword(HKEY_CURRENT_USER, path, "failureStatus", 410);
    for (const std::string& key :
         {server.GetUrl("/gone.xml"), server.GetUrl("/missing.xml"), std::string(stored)})
    {
        m_manager.AddChannel(key.c_str());
    }
    auto failed = [&](unsigned index)
    { return m_manager.ChannelAt(index)->GetChannel()->GetPollFailure().count != 0; };
    ASSERT_TRUE(WaitUntil([&] { return failed(0) && failed(1); }));

    Open(Dialog::ChannelsPage);
    ::SendMessageA(Page(), WM_TIMER, Configuration::CChannelsTab::REFRESH_TIMER, 0);
    const __time64_t next = m_manager.ChannelAt(1)->GetChannel()->GetPollFailure().nextCheck;
    char clock[16] = {};
    std::strftime(clock, sizeof(clock), "%H:%M", _localtime64(&next));
    const Framework::CListView list(Item(IDC_CHANNEL_LIST));
    std::vector<std::string> status;
    for (int row = 0; row < list.GetItemCount(); ++row)
    {
        status.push_back(list.GetItemText(row, 1).GetString());
    }
    EXPECT_EQ((std::vector<std::string>{"Error: gone (410), not checked again",
                                        std::string("Error: not found (404), next check ") + clock,
                                        "Stopped: gone (410), not checked again"}),
              status);
    Picture("configuration-channels-failing");
}
