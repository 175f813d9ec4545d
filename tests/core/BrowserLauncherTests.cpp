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

// Splitting the command, escaping the link and telling web links from
// others are the browser command's tests; here each road is taken once.
TEST_F(LauncherTest, AWebLinkGoesEscapedToTheBrowserOrToTheShellAndNothingElseIsOpened)
{
    const struct
    {
        const char* command;
        bool tabbed;
        const char* link;
        std::pair<std::string, std::string> launched;
    } rows[] = {
        {Quoted, false, "http://x.test/\" -x \"", {Browser, "-nohome \"http://x.test/%22%20-x%20%22\""}},
        // A tabbed browser, or none named, gets the link through the shell.
        {Quoted, true, "http://x.test/\" -x \"", {"http://x.test/%22%20-x%20%22", ""}},
        {"", false, "https://news.test/a", {"https://news.test/a", ""}},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.link);
        m_launched.clear();
        Launcher(row.command, row.tabbed).OpenLink(row.link);
        ASSERT_EQ(1u, m_launched.size());
        EXPECT_EQ(row.launched, m_launched[0]);
    }
    m_launched.clear();
    for (const char* link : {"file:///C:/Windows/System32/calc.exe", "javascript:alert(document.cookie)",
                             "\\\\server\\share\\run.exe", ""})
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
            row.ask ? Launcher(Quoted, tabbed).OpenLocalFile(row.path, question)
                    : Launcher(Quoted, tabbed).OpenLocalFile(row.path);
            EXPECT_EQ(row.asked, asked);
            ASSERT_EQ(row.opened, m_launched.size());
            if (row.opened != 0)
            {
                EXPECT_EQ(std::make_pair(std::string(row.path), std::string()), m_launched[0]);
            }
        }
    }
}
