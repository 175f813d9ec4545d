#include "core/BrowserCommand.h"

#include <gtest/gtest.h>

TEST(BrowserCommand, QuotedExecutableKeepsItsSpacesAndTheLinkGoesIntoThePlaceholder)
{
    CBrowserCommand command("\"C:\\Program Files\\Web Browser\\browser.exe\" -nohome \"%1\"");

    EXPECT_STREQ("C:\\Program Files\\Web Browser\\browser.exe", command.GetExecutable());
    EXPECT_STREQ("-nohome \"http://news.example.test/a?b=1\"",
                 command.GetParameters("http://news.example.test/a?b=1"));
}

TEST(BrowserCommand, UnquotedCommandWithoutPlaceholderGetsTheLinkAppended)
{
    CBrowserCommand command("C:\\Browser\\browser.exe -new-window");

    EXPECT_STREQ("C:\\Browser\\browser.exe", command.GetExecutable());
    EXPECT_STREQ("-new-window http://example.test/", command.GetParameters("http://example.test/"));
    EXPECT_STREQ("http://example.test/",
                 CBrowserCommand("browser.exe").GetParameters("http://example.test/"));
}

TEST(BrowserCommand, RunsOfSpacesBetweenUnquotedArgumentsCollapse)
{
    CBrowserCommand command("  browser.exe   -a    -b   %1   ");

    EXPECT_STREQ("browser.exe", command.GetExecutable());
    EXPECT_STREQ("-a -b http://x.test/", command.GetParameters("http://x.test/"));
}

TEST(BrowserCommand, EveryPlaceholderIsReplacedButNotOneInsideTheLink)
{
    CBrowserCommand command("\"browser.exe\" %1 --also=%1");

    EXPECT_STREQ("http://x.test/%1A --also=http://x.test/%1A", command.GetParameters("http://x.test/%1A"));
}

TEST(BrowserCommand, OddCommandsGiveAnEmptyOrPartialResultWithoutFailing)
{
    EXPECT_TRUE(CBrowserCommand("").IsEmpty());
    EXPECT_TRUE(CBrowserCommand("    ").IsEmpty());
    EXPECT_TRUE(CBrowserCommand("\"\" %1").IsEmpty());

    // No closing quotation mark: the rest is the executable.
    CBrowserCommand unclosed("\"C:\\Web Browser\\browser.exe");
    EXPECT_STREQ("C:\\Web Browser\\browser.exe", unclosed.GetExecutable());
    EXPECT_STREQ("http://x.test/", unclosed.GetParameters("http://x.test/"));
}

TEST(BrowserCommand, OnlyHttpAndHttpsLinksCount)
{
    EXPECT_TRUE(IsWebLink("http://example.test/"));
    EXPECT_TRUE(IsWebLink("HTTPS://EXAMPLE.TEST/news"));
    EXPECT_TRUE(IsWebLink("Http://example.test"));

    const char* refused[] = {"",
                             "http:",
                             "http:/example.test",
                             " http://example.test/",
                             "file:///C:/Windows/notepad.exe",
                             "javascript:alert(1)",
                             "mailto:someone@example.test",
                             "ftp://example.test/file",
                             "feed://example.test/rss",
                             "\\\\server\\share\\setup.exe",
                             "C:\\Windows\\notepad.exe",
                             "notepad.exe",
                             "httpx://example.test/"};
    for (const char* text : refused)
    {
        EXPECT_FALSE(IsWebLink(text)) << text;
    }
}

TEST(BrowserCommand, EscapingKeepsALinkOneArgument)
{
    EXPECT_STREQ("http://example.test/a?b=c&d=%20e#f", EscapeLink("http://example.test/a?b=c&d=%20e#f"));
    EXPECT_STREQ("http://x.test/%22%20--evil%20%22", EscapeLink("http://x.test/\" --evil \""));
    EXPECT_STREQ("http://x.test/%0D%0A%09%7F", EscapeLink("http://x.test/\r\n\t\x7f"));
    EXPECT_STREQ("http://x.test/\xC3\xA9", EscapeLink("http://x.test/\xC3\xA9"));

    // A quoted placeholder can no longer be closed by the link.
    CBrowserCommand command("\"browser.exe\" -nohome \"%1\"");
    EXPECT_STREQ("-nohome \"http://x.test/%22%20--evil%20%22\"",
                 command.GetParameters(EscapeLink("http://x.test/\" --evil \"")));
}
