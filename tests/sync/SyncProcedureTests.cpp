#include "configuration/ConfigurationTest.h"

#include "support/TestHttpServer.h"
#include "sync/SyncProcedure.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

using Strings = std::vector<std::string>;
using Reply = CTestHttpServer::Reply;

namespace
{
const std::string A = "http://127.0.0.1:9/a", B = "http://127.0.0.1:9/b", C = "http://127.0.0.1:9/c";
// The service refuses these.
const std::string Taken1 = "http://127.0.0.1:9/taken1", Taken2 = "http://127.0.0.1:9/taken2?x=1&y";
// Requests of "alice" with the token of "secret".
const std::string List = "/list.php?user=alice&password=EB2B7C1B";
const std::string Change = "?user=alice&password=EB2B7C1B&channel=";

std::string Box(const char* caption, UINT style, const std::string& text)
{
    return caption + (" " + std::to_string(style)) + ": " + text;
}
std::string Confirm(int added, int removed, const char* side)
{
    return Box("Synchronization succeeded", MB_YESNO | MB_ICONQUESTION,
               std::to_string(added) + " channels will be added and " + std::to_string(removed) +
                   " will be removed at " + side + ". Do you wish to continue?");
}
std::string Done(int added, int removed, const char* side, const std::string& skipped = "")
{
    return Box("Synchronization succeeded", MB_OK | MB_ICONINFORMATION,
               std::to_string(added) + " channels added and " + std::to_string(removed) + " removed at " +
                   side + "." + skipped);
}
std::string Failed(const std::string& text)
{
    return Box("Synchronization error", MB_OK | MB_ICONERROR, text);
}

// The Options page's Synchronize button against a listing of the test's own
// on 127.0.0.1, with the message boxes recorded and answered.
class SyncTest : public ConfigurationTest
{
protected:
    SyncTest()
    {
        Settings().SetSyncServiceUrl(m_server.GetUrl("/").c_str());
        Settings().SetSyncServicePassword("secret");
        Sync::SetSyncMessageBox(
            [this](HWND owner, const CString& text, const CString& caption, UINT style)
            {
                m_boxes.push_back(Box(caption, style, owner == Page() ? text.GetString() : "not the page's"));
                return m_answer;
            });
    }
    ~SyncTest() override
    {
        Close();
        Sync::SetSyncMessageBox(nullptr);
    }

    // Keeps channels as they arrive, escaped, and lists them so: the
    // client's decoding must undo its own escaping.
    Reply Answer(const std::string& target)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_requests.push_back(target);
        const std::string channel = target.substr(std::min(target.size(), target.find("&channel=") + 9));
        if (target.rfind("/list.php", 0) == 0)
        {
            std::string listing = "<opml><body>";
            for (const std::string& url : m_listing)
            {
                listing += "<outline xmlUrl=\"" + url + "\"/>";
            }
            return Reply::Ok(listing + "</body></opml>");
        }
        if (channel.find("taken") != std::string::npos)
        {
            return Reply::Ok("<error>" + channel + " is taken</error>");
        }
        m_listing.erase(std::remove(m_listing.begin(), m_listing.end(), channel), m_listing.end());
        if (target.rfind("/add.php", 0) == 0)
        {
            m_listing.push_back(channel);
        }
        return Reply::Ok("<success/>");
    }
    void Synchronize(int action)
    {
        ComboBox_SetCurSel(Item(IDC_SYNC_ACTION), action);
        Command(IDC_SYNC_ACTION, CBN_SELCHANGE);
        Command(IDC_SYNCHRONIZE);
        Pump();
    }
    // Empties the manager; the keys it held.
    Strings TakeChannels()
    {
        const Strings keys = Keys(m_manager);
        while (m_manager.ChannelCount() > 0)
        {
            m_manager.RemoveChannelAt(0);
        }
        return keys;
    }

    std::mutex m_lock;
    Strings m_listing, m_requests, m_boxes;
    int m_answer = IDYES;
    CTestHttpServer m_server{[this](const CTestHttpServer::Request& request)
                             { return Answer(request.target); }};
};

TEST_F(SyncTest, EachRunShowsItsBoxesSendsItsRequestsAndMakesItsChanges)
{
    const std::string skipped =
        "\n\n4 listed entries are not feed addresses a channel can be kept under, and "
        "were not added:\n(an empty entry)\nftp://x.test/\n" +
        A + "\\b\n" + A + "?b";
    const struct
    {
        const char* what;
        const char* user;
        int action, answer;
        Strings local, listing, boxes, localAfter, listingAfter, requests;
        int bar; // 50 before the run
        const char* password = "secret";
    } rows[] = {
        // clang-format off
        {"no user name", "", 0, IDYES, {A}, {},
         {Box("Error", MB_OK | MB_ICONERROR, "Please fill in Username and Password fields.")},
         {A}, {}, {}, 50},
        {"no password", "alice", 1, IDYES, {A}, {},
         {Box("Error", MB_OK | MB_ICONERROR, "Please fill in Username and Password fields.")},
         {A}, {}, {}, 50, ""},
        {"a user name that would add a header", "al\r\nX-Injected: 1", 1, IDYES, {A}, {},
         {Failed("The user name contains a control character (a tab or a line break, say). "
                 "Type it again without one.")},
         {A}, {}, {}, 50},
        {"the same channels in another order", "alice", 1, IDYES, {A, B}, {B, A},
         {Box("Synchronization", MB_OK | MB_ICONEXCLAMATION,
              "Client and server listings are synchronized. No actions performed.")},
         {A, B}, {B, A}, {List}, 0},
        {"an empty listing to the client", "alice", 0, IDYES, {A, B, C}, {},
         {Confirm(0, 3, "client"), Done(0, 3, "client")}, {}, {}, {List}, 3},
        {"three channels to an empty listing", "alice", 1, IDYES, {A, B, C}, {},
         {Confirm(3, 0, "server"), Done(3, 0, "server")}, {A, B, C}, {A, B, C},
         {List, "/add.php" + Change + A, "/add.php" + Change + B, "/add.php" + Change + C}, 3},
        {"answered No", "alice", 1, IDNO, {A}, {B}, {Confirm(1, 1, "server")}, {A}, {B}, {List}, 0},
        // Adds come before removes; each failure replaces the error, a
        // success leaves it.
        {"failing adds among others", "alice", 1, IDYES, {A, Taken1, Taken2}, {B},
         {Confirm(3, 1, "server"), Failed("http://127.0.0.1:9/taken2%3fx%3d1%26y is taken")},
         {A, Taken1, Taken2}, {A}, {List, "/add.php" + Change + A, "/add.php" + Change + Taken1,
         "/add.php" + Change + "http://127.0.0.1:9/taken2%3fx%3d1%26y", "/remove.php" + Change + B}, 4},
        {"letter case and a trailing slash differ", "alice", 0, IDYES,
         {A, B}, {"http://127.0.0.1:9/A", B + "/"}, {Confirm(2, 2, "client"), Done(2, 2, "client")},
         {"http://127.0.0.1:9/A", B + "/"}, {"http://127.0.0.1:9/A", B + "/"}, {List}, 4},
        {"entries no channel can hold", "alice", 0, IDYES,
         {}, {A, A, "", "ftp://x.test/", A + "%5cb", A + "%09b"},
         {Confirm(1, 0, "client"), Done(1, 0, "client", skipped)},
         {A}, {A, A, "", "ftp://x.test/", A + "%5cb", A + "%09b"}, {List}, 6},
        // clang-format on
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.what);
        for (const std::string& key : row.local)
        {
            m_manager.AddChannel(key.c_str());
        }
        m_listing = row.listing;
        m_answer = row.answer;
        Settings().SetSyncServiceUsername(row.user);
        Settings().SetSyncServicePassword(row.password);
        Open(Dialog::OptionsPage);
        ::SendMessageA(Item(IDC_SYNC_PROGRESS), PBM_SETPOS, 50, 0);

        Synchronize(row.action);

        EXPECT_EQ(row.boxes, m_boxes);
        EXPECT_EQ(row.localAfter, TakeChannels());
        EXPECT_EQ(row.listingAfter, m_listing);
        EXPECT_EQ(row.requests, m_requests);
        EXPECT_EQ(row.bar, ::SendMessageA(Item(IDC_SYNC_PROGRESS), PBM_GETPOS, 0, 0));
        EXPECT_NE(::LoadCursorA(nullptr, IDC_WAIT), ::GetCursor());
        Dialog::CloseOpen();
        m_boxes.clear();
        m_requests.clear();
    }
}

// Against the listing service we ship, which CTest starts beside this test
// on 127.0.0.1 (and names its address in a file): a list backed up from the
// manager comes back whole.
using SyncWithTheListingService = SyncTest;

TEST_F(SyncWithTheListingService, ABackedUpListIsRestoredByteForByte)
{
    const char* urlFile = std::getenv("TIDELIGHT_LISTING_URL_FILE");
    ASSERT_NE(nullptr, urlFile) << "run through CTest, which starts the service";
    std::string url;
    ASSERT_TRUE(std::getline(std::ifstream(urlFile), url)) << urlFile;
    Settings().SetSyncServiceUrl(url.c_str());
    // A name of this run's own: the service may have served others.
    Settings().SetSyncServiceUsername(
        ("alice" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount())).c_str());
    // Spaces, escapes of its own, "&" and bytes beyond ASCII all travel.
    const Strings keys = {"http://127.0.0.1:9/a b", "http://127.0.0.1:9/c?x=1&y=%41",
                          "http://127.0.0.1:9/\xE9t\xE9"};
    for (const std::string& key : keys)
    {
        ASSERT_TRUE(m_manager.AddChannel(key.c_str()));
    }
    Open(Dialog::OptionsPage);
    Synchronize(1); // client to server
    TakeChannels();
    Synchronize(0); // server to client
    EXPECT_EQ(keys, Keys(m_manager));
    EXPECT_EQ((Strings{Confirm(3, 0, "server"), Done(3, 0, "server"), Confirm(3, 0, "client"),
                       Done(3, 0, "client")}),
              m_boxes);
}
} // namespace
