#include "core/BrowserLauncher.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace
{
const char Quoted[] = "\"C:\\Program Files\\Web Browser\\browser.exe\" -nohome \"%1\"";
const char Browser[] = "C:\\Program Files\\Web Browser\\browser.exe";

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

TEST_F(LauncherTest, AWebLinkGoesToTheBrowserOrToTheShellWithQuotationMarksEscaped)
{
    const struct
    {
        const char* command;
        bool tabbed;
        const char* link;
        std::pair<std::string, std::string> launched;
    } rows[] = {
        {Quoted, false, "http://news.test/story?id=4", {Browser, "-nohome \"http://news.test/story?id=4\""}},
        // A tabbed browser, or none named, gets the link through the shell.
        {Quoted, true, "https://news.test/", {"https://news.test/", ""}},
        {"", false, "http://news.test/a", {"http://news.test/a", ""}},
        {"   ", false, "http://news.test/b", {"http://news.test/b", ""}},
        {Quoted,
         false,
         "http://x.test/\" --disable-security \"",
         {Browser, "-nohome \"http://x.test/%22%20--disable-security%20%22\""}},
        {"browser.exe %1", false, "http://x.test/\" -x \"", {"browser.exe", "http://x.test/%22%20-x%20%22"}},
        {Quoted, true, "http://x.test/\" -x \"", {"http://x.test/%22%20-x%20%22", ""}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.link);
        m_launched.clear();
        Launcher(row.command, row.tabbed).OpenLink(row.link);
        ASSERT_EQ(1u, m_launched.size());
        EXPECT_EQ(row.launched, m_launched[0]);
    }
}

TEST_F(LauncherTest, LinksThatAreNotWebPagesAreNeverOpened)
{
    for (const char* link : {"file:///C:/Windows/System32/calc.exe", "file://server/share/run.exe",
                             "javascript:alert(document.cookie)", "\\\\server\\share\\run.exe",
                             "C:\\Windows\\System32\\calc.exe", "calc.exe", "mailto:someone@example.test",
                             "ftp://example.test/file.exe", "ms-settings:privacy", ""})
    {
        for (bool tabbed : {false, true})
        {
            Launcher(Quoted, tabbed).OpenLink(link);
            Launcher("", tabbed).OpenLink(link);
        }
    }
    EXPECT_TRUE(m_launched.empty());
}

TEST_F(LauncherTest, LocalFilesOpenOnlyThroughTheirOwnEntryPointAndProgramsOnlyWhenTheUserAgrees)
{
    const struct
    {
        const char* path;
        bool ask; // whether there is someone to ask
        bool answer;
        size_t asked, opened;
    } rows[] = {{"C:\\d\\episode 12.mp3", true, false, 0, 1},
                {"C:\\d\\setup.exe", true, false, 1, 0},
                {"C:\\d\\setup.exe", true, true, 1, 1},
                {"C:\\d\\setup.exe", false, true, 0, 0},
                // Neither a web link nor nothing is a local file.
                {"http://news.test/", true, true, 0, 0},
                {"", true, true, 0, 0}};
    for (bool tabbed : {false, true})
    {
        for (const auto& row : rows)
        {
            SCOPED_TRACE(row.path);
            m_launched.clear();
            size_t asked = 0;
            const auto question = [&](const CString&) { return ++asked, row.answer; };
            if (row.ask)
            {
                Launcher(Quoted, tabbed).OpenLocalFile(row.path, question);
            }
            else
            {
                Launcher(Quoted, tabbed).OpenLocalFile(row.path);
            }
            EXPECT_EQ(row.asked, asked);
            ASSERT_EQ(row.opened, m_launched.size());
            if (row.opened != 0)
            {
                EXPECT_EQ(std::make_pair(std::string(row.path), std::string()), m_launched[0]);
            }
        }
    }
}
