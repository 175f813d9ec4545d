#include "core/BrowserLauncher.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
const char QuotedCommand[] = "\"C:\\Program Files\\Web Browser\\browser.exe\" -nohome \"%1\"";

// Records what would have been started instead of starting it.
class LauncherTest : public ::testing::Test
{
protected:
    CBrowserLauncher Launcher(const CString& command, bool tabbed)
    {
        return CBrowserLauncher(command, tabbed,
                                [this](const CString& file, const CString& parameters)
                                { m_launched.emplace_back(file.GetString(), parameters.GetString()); });
    }

    std::vector<std::pair<std::string, std::string>> m_launched;
};
} // namespace

TEST_F(LauncherTest, WebLinkStartsTheBrowserProgramWithTheLink)
{
    Launcher(QuotedCommand, false).OpenLink("http://news.example.test/story?id=4");

    ASSERT_EQ(1u, m_launched.size());
    EXPECT_EQ("C:\\Program Files\\Web Browser\\browser.exe", m_launched[0].first);
    EXPECT_EQ("-nohome \"http://news.example.test/story?id=4\"", m_launched[0].second);
}

TEST_F(LauncherTest, TabbedBrowserOrNoBrowserCommandHandsTheLinkToTheShell)
{
    Launcher(QuotedCommand, true).OpenLink("https://news.example.test/");
    Launcher("", false).OpenLink("http://news.example.test/a");
    Launcher("   ", false).OpenLink("http://news.example.test/b");

    ASSERT_EQ(3u, m_launched.size());
    EXPECT_EQ("https://news.example.test/", m_launched[0].first);
    EXPECT_EQ("", m_launched[0].second);
    EXPECT_EQ("http://news.example.test/a", m_launched[1].first);
    EXPECT_EQ("http://news.example.test/b", m_launched[2].first);
}

TEST_F(LauncherTest, LinksThatAreNotWebPagesAreNeverOpened)
{
    const char* links[] = {"file:///C:/Windows/System32/calc.exe",
                           "file://server/share/run.exe",
                           "javascript:alert(document.cookie)",
                           "\\\\server\\share\\run.exe",
                           "C:\\Windows\\System32\\calc.exe",
                           "calc.exe",
                           "mailto:someone@example.test",
                           "ftp://example.test/file.exe",
                           "ms-settings:privacy",
                           ""};
    for (bool tabbed : {false, true})
    {
        for (const char* link : links)
        {
            Launcher(QuotedCommand, tabbed).OpenLink(link);
            Launcher("", tabbed).OpenLink(link);
        }
    }
    EXPECT_TRUE(m_launched.empty());
}

TEST_F(LauncherTest, QuotationMarksInALinkCannotAddArguments)
{
    const CString link = "http://x.test/\" --disable-security \"";
    Launcher(QuotedCommand, false).OpenLink(link);
    Launcher("browser.exe %1", false).OpenLink(link);
    Launcher(QuotedCommand, true).OpenLink(link);

    ASSERT_EQ(3u, m_launched.size());
    EXPECT_EQ("-nohome \"http://x.test/%22%20--disable-security%20%22\"", m_launched[0].second);
    EXPECT_EQ("http://x.test/%22%20--disable-security%20%22", m_launched[1].second);
    EXPECT_EQ("http://x.test/%22%20--disable-security%20%22", m_launched[2].first);
}

TEST_F(LauncherTest, LocalFilesOpenOnlyThroughTheirOwnEntryPoint)
{
    const CString download = "C:\\tidelight\\Downloads\\episode 12.mp3";
    Launcher(QuotedCommand, false).OpenLocalFile(download);
    Launcher(QuotedCommand, true).OpenLocalFile(download);
    // Neither a web link nor nothing is a local file.
    Launcher(QuotedCommand, false).OpenLocalFile("http://news.example.test/");
    Launcher(QuotedCommand, false).OpenLocalFile("");

    ASSERT_EQ(2u, m_launched.size());
    EXPECT_EQ(std::string(download.GetString()), m_launched[0].first);
    EXPECT_EQ("", m_launched[0].second);
    EXPECT_EQ(std::string(download.GetString()), m_launched[1].first);
}

TEST_F(LauncherTest, AFileThatWouldRunCodeOpensOnlyWhenTheUserAgrees)
{
    const struct
    {
        const char* path;
        bool answer;
        size_t asked;
        size_t opened;
    } cases[] = {{"C:\\d\\talk.ogg", false, 0, 1},
                 {"C:\\d\\setup.exe", false, 1, 0},
                 {"C:\\d\\setup.exe", true, 1, 1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.path);
        m_launched.clear();
        size_t asked = 0;
        Launcher("", false).OpenLocalFile(c.path, [&](const CString&) { return ++asked, c.answer; });
        EXPECT_EQ(c.asked, asked);
        EXPECT_EQ(c.opened, m_launched.size());
    }
    m_launched.clear();
    Launcher("", false).OpenLocalFile("C:\\d\\setup.exe"); // nobody to ask: never
    EXPECT_TRUE(m_launched.empty());
}
