#include "content/Headline.h"

#include "common/IdentityHash.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}

int32_t Identity(const std::string& title, const char* link)
{
    return static_cast<int32_t>(Common::IdentityHash(title.c_str()) + Common::IdentityHash(link));
}
} // namespace

TEST(HeadlineCleaning, FoldsTextToTheBytesThatIdentifyIt)
{
    const struct
    {
        const char* text;
        const char* cleaned;
    } cases[] = {
        {"A<b>B</b>\tC\n", "ABC"},  // tags, tabs and line feeds go
        {"a\r\nb", "a\rb"},         // carriage returns stay
        {"a<b c d", "a"},           // a tag that never closes swallows the rest
        {"a>b", "ab"},              // a lone '>' goes
        {"&amp;", "&amp;"},         // the parser resolved references: nothing is decoded
        {"caf\xC3\xA9", "caf\xE9"}, // two-byte sequences fold to ISO 8859-1
        {"\xC2\x80\xC3\xBF", "\x80\xFF"},
        {"It\xE2\x80\x99s o\xF0\x9F\x98\x80k", "Its ok"}, // longer ones are dropped
        {"\xC3\x41 a\xC3", "\xC3\x41 a\xC3"},             // broken or cut short: kept
        {"\x80x\xE2\x80Z\xFF\xFE", "\x80x\xE2\x80Z\xFF\xFE"},
        {"\xC0\xBC"
         "b\xC0\xBEx",
         "<b>x"}, // folded bytes are not read again as markup
        {"\xC3\xA9<i>\t</i>", "\xE9"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.cleaned, Bytes(CHeadline::Clean(c.text)));
    }
}

TEST(HeadlineTrimming, RemovesBlanksOnlyAtBothEnds)
{
    const struct
    {
        const char* text;
        const char* trimmed;
    } cases[] = {{" http://example.com/a b \n", "http://example.com/a b"},
                 {"\t\n x\t", "x"},
                 {"x\r", "x\r"},
                 {" \t\n ", ""},
                 {"", ""}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.trimmed, Bytes(CHeadline::Trim(c.text)));
    }
}

TEST(Headline, SettersCleanTrimOrKeepAndSealingFixesTheIdentity)
{
    CHeadline headline;
    headline.SetTitle("<b>Caf\xC3\xA9</b>\n");
    headline.SetDescription("one\ttwo");
    headline.SetLink(" http://example.com/ \n");
    headline.SetChannelTitle("<Caf\xC3\xA9>\n");
    headline.SetEnclosureUrl(" http://example.com/a.mp3 ");
    headline.Seal();
    EXPECT_EQ("Caf\xE9", Bytes(headline.GetTitle()));
    EXPECT_EQ("Caf\xC3\xA9", Bytes(headline.GetShownTitle()));
    EXPECT_EQ("onetwo", Bytes(headline.GetDescription()));
    EXPECT_EQ("onetwo", Bytes(headline.GetShownDescription()));
    EXPECT_EQ("http://example.com/", Bytes(headline.GetLink()));
    EXPECT_EQ("<Caf\xC3\xA9>\n", Bytes(headline.GetChannelTitle()));
    EXPECT_EQ("", Bytes(headline.GetShownChannelTitle())) << "all markup";
    EXPECT_EQ(" http://example.com/a.mp3 ", Bytes(headline.GetEnclosureUrl()));
    // Only the folded title and the trimmed link make the identity.
    EXPECT_EQ(Identity("Caf\xE9", "http://example.com/"), headline.GetId());

    // Sealed, nothing changes any more.
    int owner = 0;
    headline.SetTitle("Changed");
    headline.SetLink("http://changed/");
    headline.SetDescription("Changed");
    headline.SetChannelTitle("Changed");
    headline.SetEnclosureUrl("http://changed/a.mp3");
    headline.SetRetriever(reinterpret_cast<Content::CAbstractRetriever*>(&owner));
    EXPECT_EQ("Caf\xE9", Bytes(headline.GetTitle()));
    EXPECT_EQ("http://example.com/", Bytes(headline.GetLink()));
    EXPECT_EQ("onetwo", Bytes(headline.GetDescription()));
    EXPECT_EQ("<Caf\xC3\xA9>\n", Bytes(headline.GetChannelTitle()));
    EXPECT_EQ(" http://example.com/a.mp3 ", Bytes(headline.GetEnclosureUrl()));
    EXPECT_EQ(nullptr, headline.GetRetriever());
    EXPECT_EQ(Identity("Caf\xE9", "http://example.com/"), headline.GetId());

    CHeadline empty;
    empty.Seal();
    EXPECT_EQ(10762, empty.GetId());
}

TEST(Headline, ShownTextIsDecodedWhileTheIdentityStillSeesTheDocumentBytes)
{
    // Russian in Windows-1251, inside markup.
    const char* title = "<b>\xCF\xF0\xE8\xE2\xE5\xF2</b>\n";
    CHeadline headline;
    headline.SetTitle(title, Content::TextEncoding::Windows1251);
    headline.SetDescription("\xEC\xE8\xF0\t", Content::TextEncoding::Windows1251);
    headline.SetChannelTitle("<i>\xCD\xEE\xE2\xEE\xF1\xF2\xE8</i>", Content::TextEncoding::Windows1251);
    headline.SetLink("http://example.com/1");
    headline.Seal();
    EXPECT_EQ("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", Bytes(headline.GetShownTitle()));
    EXPECT_EQ("\xD0\xBC\xD0\xB8\xD1\x80", Bytes(headline.GetShownDescription()));
    EXPECT_EQ("\xD0\x9D\xD0\xBE\xD0\xB2\xD0\xBE\xD1\x81\xD1\x82\xD0\xB8",
              Bytes(headline.GetShownChannelTitle()));
    EXPECT_EQ(Identity(Bytes(CHeadline::Clean(title)), "http://example.com/1"), headline.GetId());
}
