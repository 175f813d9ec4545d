#include "content/Headline.h"

#include "common/IdentityHash.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace
{
std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}
} // namespace

TEST(Headline, CleaningFoldsTextToTheBytesThatIdentifyItAndTrimmingTakesBlanksOnlyAtTheEnds)
{
    const std::pair<const char*, const char*> cleaned[] = {
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
    for (const auto& [text, expected] : cleaned)
    {
        EXPECT_EQ(expected, Bytes(CHeadline::Clean(text))) << text;
    }
    const std::pair<const char*, const char*> trimmed[] = {
        {" http://example.com/a b \n", "http://example.com/a b"},
        {"\t\n x\t", "x"},
        {"x\r", "x\r"},
        {" \t\n ", ""},
        {"", ""}};
    for (const auto& [text, expected] : trimmed)
    {
        EXPECT_EQ(expected, Bytes(CHeadline::Trim(text))) << text;
    }
}

// Each headline is filled, sealed, and filled again with other text, which
// must change nothing. Fields read "title|shown|description|shown|link|
// channel title|shown|enclosure"; only the folded title and the trimmed
// link make the identity, the folded title as the document's bytes give it.
TEST(Headline, SettersCleanTrimOrKeepDecodeTheShownTextAndSealingFixesEverything)
{
    using Content::TextEncoding;
    // Encoding, title, description, link, channel title, enclosure, fields.
    const std::tuple<TextEncoding, const char*, const char*, const char*, const char*, const char*,
                     const char*>
        cases[] = {
            {TextEncoding::Utf8, "<b>Caf\xC3\xA9</b>\n", "one\ttwo", " http://example.com/ \n",
             "<Caf\xC3\xA9>\n", " http://example.com/a.mp3 ",
             "Caf\xE9|Caf\xC3\xA9|onetwo|onetwo|http://example.com/|<Caf\xC3\xA9>\n||"
             " http://example.com/a.mp3 "},
            // Russian in Windows-1251, inside markup.
            {TextEncoding::Windows1251, "<b>\xCF\xF0\xE8</b>\n", "\xEC\xE8\xF0\t", "l", "<i>\xCD\xEE</i>", "",
             "\xCF\xF0\xE8|\xD0\x9F\xD1\x80\xD0\xB8|\xEC\xE8\xF0|\xD0\xBC\xD0\xB8\xD1\x80|l|<i>\xCD\xEE</i>|"
             "\xD0\x9D\xD0\xBE|"},
        };
    for (const auto& [encoding, title, description, link, channelTitle, enclosure, expected] : cases)
    {
        SCOPED_TRACE(expected);
        CHeadline headline;
        const TextEncoding read = encoding; // a lambda cannot capture a binding
        const auto fill = [&](const char* t, const char* d, const char* l, const char* c, const char* e)
        {
            headline.SetTitle(t, read);
            headline.SetDescription(d, read);
            headline.SetLink(l);
            headline.SetChannelTitle(c, read);
            headline.SetEnclosureUrl(e);
        };
        const auto fields = [&]
        {
            return Bytes(headline.GetTitle()) + "|" + Bytes(headline.GetShownTitle()) + "|" +
                   Bytes(headline.GetDescription()) + "|" + Bytes(headline.GetShownDescription()) + "|" +
                   Bytes(headline.GetLink()) + "|" + Bytes(headline.GetChannelTitle()) + "|" +
                   Bytes(headline.GetShownChannelTitle()) + "|" + Bytes(headline.GetEnclosureUrl());
        };
        fill(title, description, link, channelTitle, enclosure);
        headline.Seal();
        EXPECT_EQ(expected, fields());
        const int32_t id = static_cast<int32_t>(Common::IdentityHash(Bytes(CHeadline::Clean(title)).c_str()) +
                                                Common::IdentityHash(Bytes(CHeadline::Trim(link)).c_str()));
        EXPECT_EQ(id, headline.GetId());
        int owner = 0;
        fill("Changed", "Changed", "http://changed/", "Changed", "http://changed/a.mp3");
        headline.SetRetriever(reinterpret_cast<Content::CAbstractRetriever*>(&owner), 3);
        EXPECT_EQ(expected, fields());
        EXPECT_EQ(id, headline.GetId());
        EXPECT_EQ(nullptr, headline.GetRetriever());
        EXPECT_EQ(0u, headline.GetRetrieverSerial());
    }
    CHeadline empty;
    empty.Seal();
    EXPECT_EQ(10762, empty.GetId());
}
