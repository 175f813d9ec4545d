#include "sync/SyncAnswer.h"

#include "content/XmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::string Listing(const std::string& url)
{
    return "<opml><body><outline xmlUrl=\"" + url + "\"/></body></opml>";
}
} // namespace

TEST(SyncAnswer, OnlyTopLevelElementsAnswerAndListedAddressesArePercentDecoded)
{
    std::string encoded300;
    for (int i = 0; i < 300; ++i)
    {
        encoded300 += "%41";
    }
    const struct
    {
        std::string document;
        std::vector<std::string> listed; // after "kept", which was there before
        const char* listError;
        const char* changeError; // of an add or a remove
    } rows[] = {
        {"<?xml version=\"1.0\"?><!-- c --><opml><head/><body><outline xmlUrl=\"a\"/><outline text=\"b\"/>"
         "<outline xmlUrl=\"c\"><outline xmlUrl=\"nested\"/></outline><item xmlUrl=\"other\"/>"
         "<outline xmlUrl=\"a\"/></body><body><outline xmlUrl=\"second body\"/></body></opml>",
         {"a", "", "c", "a"},
         "",
         "Unknown error"},
        {"<opml><head/></opml>", {}, "", "Unknown error"},
        {"<success/>", {}, "Unknown error", ""},
        {"<!-- c --><error>Wrong password</error>", {}, "Wrong password", "Wrong password"},
        {"<error/>", {}, "", ""},
        {"<html><opml><body><outline xmlUrl=\"deep\"/></body></opml><success/></html>",
         {},
         "Unknown error",
         "Unknown error"},
        {Listing("http://a.test/c%3Fx%3d1%26y+z%e9"), {"http://a.test/c?x=1&y+z\xE9"}, "", "Unknown error"},
        // A "%" without two hex digits stays; nothing after the end is read.
        {Listing("%zz%4g%4"), {"%zz%4g%4"}, "", "Unknown error"},
        {Listing("a%00b"), {"a"}, "", "Unknown error"},
        {Listing(encoded300), {std::string(260, 'A')}, "", "Unknown error"},
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.document.substr(0, 80));
        TiXmlDocument document;
        Content::ParseXmlBody(row.document.c_str(), document);
        std::vector<CString> channels = {"kept"};
        CString listError;
        Sync::ReadListAnswer(document, channels, listError);
        std::vector<std::string> listed = {"kept"};
        listed.insert(listed.end(), row.listed.begin(), row.listed.end());
        EXPECT_EQ(listed, std::vector<std::string>(channels.begin(), channels.end()));
        EXPECT_EQ(row.listError, std::string(listError));
        CString changeError;
        Sync::ReadChangeAnswer(document, changeError);
        EXPECT_EQ(row.changeError, std::string(changeError));
    }
}
