#include "core/BrowserCommand.h"

#include <gtest/gtest.h>

TEST(BrowserCommand, TheExecutableIsSplitOffAndTheLinkGoesIntoEveryPlaceholder)
{
    const struct
    {
        const char* command;
        const char* executable;
        const char* parameters; // for http://x.test/%1A
    } rows[] = {
        {"\"C:\\Program Files\\Web Browser\\browser.exe\" -nohome \"%1\"",
         "C:\\Program Files\\Web Browser\\browser.exe", "-nohome \"http://x.test/%1A\""},
        {"C:\\Browser\\browser.exe -new-window", "C:\\Browser\\browser.exe", "-new-window http://x.test/%1A"},
        {"browser.exe", "browser.exe", "http://x.test/%1A"},
        {"  browser.exe   -a    -b   %1   ", "browser.exe", "-a -b http://x.test/%1A"},
        // Not the placeholder inside the link.
        {"\"browser.exe\" %1 --also=%1", "browser.exe", "http://x.test/%1A --also=http://x.test/%1A"},
        // No closing quotation mark: the rest is the executable.
        {"\"C:\\Web Browser\\browser.exe", "C:\\Web Browser\\browser.exe", "http://x.test/%1A"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.command);
        const CBrowserCommand command(row.command);
        EXPECT_STREQ(row.executable, command.GetExecutable());
        EXPECT_STREQ(row.parameters, command.GetParameters("http://x.test/%1A"));
    }
    for (const char* empty : {"", "    ", "\"\" %1"})
    {
        EXPECT_TRUE(CBrowserCommand(empty).IsEmpty()) << empty;
    }
}

TEST(BrowserCommand, OnlyHttpAndHttpsLinksCount)
{
    for (const char* link : {"http://example.test/", "HTTPS://EXAMPLE.TEST/news", "Http://example.test"})
    {
        EXPECT_TRUE(IsWebLink(link)) << link;
    }
    for (const char* link :
         {"", "http:", "http:/example.test", " http://example.test/", "file:///C:/Windows/notepad.exe",
          "javascript:alert(1)", "mailto:someone@example.test", "ftp://example.test/file",
          "feed://example.test/rss", "\\\\server\\share\\setup.exe", "C:\\Windows\\notepad.exe",
          "notepad.exe", "httpx://example.test/"})
    {
        EXPECT_FALSE(IsWebLink(link)) << link;
    }
}

TEST(BrowserCommand, EscapingKeepsALinkOneArgument)
{
    const char* const rows[][2] = {
        {"http://example.test/a?b=c&d=%20e#f", "http://example.test/a?b=c&d=%20e#f"},
        {"http://x.test/\" --evil \"", "http://x.test/%22%20--evil%20%22"},
        {"http://x.test/\r\n\t\x7f", "http://x.test/%0D%0A%09%7F"},
        {"http://x.test/\xC3\xA9", "http://x.test/\xC3\xA9"},
    };
    for (const auto& row : rows)
    {
        EXPECT_STREQ(row[1], EscapeLink(row[0])) << row[0];
    }
}
