// The client against the listing service we ship, running on 127.0.0.1 (CTest
// starts it for this test and says where to find its address): a list backed
// up from one channel manager comes back whole in another.
#include "configuration/ConfigurationTest.h"

#include "core/Settings.h"
#include "sync/SyncProcedure.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace
{
using SyncWithTheListingService = ConfigurationTest;

TEST_F(SyncWithTheListingService, ABackedUpListIsRestoredByteForByte)
{
    const char* urlFile = std::getenv("TIDELIGHT_LISTING_URL_FILE");
    ASSERT_NE(nullptr, urlFile) << "run through CTest, which starts the service";
    std::ifstream in(urlFile);
    std::string url;
    ASSERT_TRUE(std::getline(in, url)) << urlFile;
    const CString saved[] = {Settings().GetSyncServiceUrl(), Settings().GetSyncServiceUsername(),
                             Settings().GetSyncServicePassword()};
    Settings().SetSyncServiceUrl(url.c_str());
    // A name of this run's own: the service may have served others.
    Settings().SetSyncServiceUsername(("alice" + std::to_string(::GetCurrentProcessId()) + "-" +
                                       std::to_string(::GetTickCount()))
                                          .c_str());
    Settings().SetSyncServicePassword("secret");
    std::vector<std::string> boxes;
    Sync::SetSyncMessageBox(
        [&](HWND, const CString& text, const CString&, UINT)
        {
            boxes.push_back(text.GetString());
            return IDYES;
        });
    // Spaces, escapes of its own, "&" and bytes beyond ASCII all travel.
    std::vector<std::string> keys = {"http://127.0.0.1:9/a b", "http://127.0.0.1:9/c?x=1&y=%41",
                                     "http://127.0.0.1:9/\xE9t\xE9"};
    for (const std::string& key : keys)
    {
        ASSERT_TRUE(m_manager.AddChannel(key.c_str()));
    }
    Open(Dialog::OptionsPage);
    const auto synchronize = [&](int action)
    {
        ComboBox_SetCurSel(Item(IDC_SYNC_ACTION), action);
        Command(IDC_SYNC_ACTION, CBN_SELCHANGE);
        Command(IDC_SYNCHRONIZE);
        Pump();
    };
    synchronize(1); // client to server
    while (m_manager.ChannelCount() > 0)
    {
        m_manager.RemoveChannelAt(0);
    }
    synchronize(0); // server to client
    std::vector<std::string> restored;
    for (unsigned i = 0; i < m_manager.ChannelCount(); ++i)
    {
        restored.push_back(m_manager.ChannelKeyAt(i)->GetString());
    }
    m_manager.Unlock();
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, restored);
    EXPECT_EQ((std::vector<std::string>{
                  "3 channels will be added and 0 will be removed at server. Do you wish to continue?",
                  "3 channels added and 0 removed at server.",
                  "3 channels will be added and 0 will be removed at client. Do you wish to continue?",
                  "3 channels added and 0 removed at client."}),
              boxes);

    Dialog::CloseOpen();
    Pump();
    Sync::SetSyncMessageBox(nullptr);
    Settings().SetSyncServiceUrl(saved[0]);
    Settings().SetSyncServiceUsername(saved[1]);
    Settings().SetSyncServicePassword(saved[2]);
}
} // namespace
