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

std::string Cleaned(const std::string& text)
{
    return Bytes(CHeadline::Clean(CString(text.data(), text.size())));
}

int32_t Identity(const char* title, const char* link)
{
    return static_cast<int32_t>(Common::IdentityHash(title) + Common::IdentityHash(link));
}
} // namespace

TEST(HeadlineCleaning, DropsTagsTabsAndLineFeedsButKeepsCarriageReturns)
{
    EXPECT_EQ("ABC", Cleaned("A<b>B</b>\tC\n"));
    EXPECT_EQ("", Cleaned("<img src=\"x.png\"/><br>"));
    EXPECT_EQ("a\rb", Cleaned("a\r\nb"));
    // A tag that never closes swallows the rest; a lone '>' is dropped.
    EXPECT_EQ("a", Cleaned("a<b c d"));
    EXPECT_EQ("ab", Cleaned("a>b"));
    // Character references were resolved by the parser; nothing is decoded.
    EXPECT_EQ("&amp;", Cleaned("&amp;"));
}

TEST(HeadlineCleaning, FoldsTwoByteSequencesAndDropsLongerOnes)
{
    EXPECT_EQ("caf\xE9", Cleaned("caf\xC3\xA9"));
    EXPECT_EQ("\x80\xFF", Cleaned("\xC2\x80\xC3\xBF"));
    EXPECT_EQ("Its", Cleaned("It\xE2\x80\x99s"));
    EXPECT_EQ("ok", Cleaned("o\xF0\x9F\x98\x80k"));
}

TEST(HeadlineCleaning, KeepsBytesThatDoNotFormASequence)
{
    EXPECT_EQ("\xC3\x41", Cleaned("\xC3\x41"));
    // Cut short by the end of the string.
    EXPECT_EQ("a\xC3", Cleaned("a\xC3"));
    EXPECT_EQ("\xE2\x80", Cleaned("\xE2\x80"));
    // A stray continuation byte, and a lead byte whose sequence breaks off.
    EXPECT_EQ("\x80x", Cleaned("\x80x"));
    EXPECT_EQ("\xE2\x80Z", Cleaned("\xE2\x80Z"));
    EXPECT_EQ("\xFF\xFE", Cleaned("\xFF\xFE"));
}

TEST(HeadlineCleaning, FoldedBytesAreNotReadAgainAsMarkup)
{
    // C0 BC folds to '<' and C0 BE to '>': both stay text.
    EXPECT_EQ("<b>x", Cleaned("\xC0\xBC"
                              "b\xC0\xBEx"));
    // The byte after a sequence goes through the rules like any other.
    EXPECT_EQ("\xE9", Cleaned("\xC3\xA9<i>\t</i>"));
}

TEST(HeadlineTrimming, RemovesBlanksOnlyAtBothEnds)
{
    EXPECT_EQ("http://example.com/a b", Bytes(CHeadline::Trim(" http://example.com/a b \n")));
    EXPECT_EQ("x", Bytes(CHeadline::Trim("\t\n x\t")));
    EXPECT_EQ("x\r", Bytes(CHeadline::Trim("x\r")));
    EXPECT_EQ("", Bytes(CHeadline::Trim(" \t\n ")));
    EXPECT_EQ("", Bytes(CHeadline::Trim("")));
}

TEST(Headline, SettersCleanTrimOrStoreAsGiven)
{
    CHeadline headline;
    headline.SetTitle("<b>Caf\xC3\xA9</b>\n");
    headline.SetDescription("one\ttwo");
    headline.SetLink(" http://example.com/ \n");
    headline.SetChannelTitle("<Caf\xC3\xA9>\n");
    headline.SetEnclosureUrl(" http://example.com/a.mp3 ");
    EXPECT_EQ("Caf\xE9", Bytes(headline.GetTitle()));
    EXPECT_EQ("onetwo", Bytes(headline.GetDescription()));
    EXPECT_EQ("http://example.com/", Bytes(headline.GetLink()));
    EXPECT_EQ("<Caf\xC3\xA9>\n", Bytes(headline.GetChannelTitle()));
    EXPECT_EQ(" http://example.com/a.mp3 ", Bytes(headline.GetEnclosureUrl()));
}

TEST(Headline, ShownTextIsDecodedWhileTheIdentityStillSeesTheDocumentBytes)
{
    // "Привет" in Windows-1251, inside markup.
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
    EXPECT_EQ(Cleaned(title), Bytes(headline.GetTitle()));
    EXPECT_EQ(Identity(Cleaned(title).c_str(), "http://example.com/1"), headline.GetId());
}

TEST(Headline, SealFixesTheIdentityFromCleanedTitleAndTrimmedLink)
{
    CHeadline headline;
    headline.SetTitle("<b>News</b>");
    headline.SetLink(" http://example.com/1\n");
    headline.Seal();
    EXPECT_TRUE(headline.IsSealed());
    EXPECT_EQ(Identity("News", "http://example.com/1"), headline.GetId());

    CHeadline empty;
    empty.Seal();
    EXPECT_EQ(10762, empty.GetId());
}

TEST(Headline, IdentityIgnoresEverythingButTitleAndLink)
{
    CHeadline first;
    first.SetTitle("Same");
    first.SetLink("http://example.com/");
    first.SetDescription("one");
    first.SetEnclosureUrl("http://example.com/1.mp3");
    first.Seal();
    CHeadline second;
    second.SetTitle("Same");
    second.SetLink("http://example.com/");
    second.SetDescription("two");
    second.SetChannelTitle("Other channel");
    second.Seal();
    EXPECT_EQ(first.GetId(), second.GetId());
}

TEST(Headline, IdentityWrapsAndTreatsHighBytesAsNegative)
{
    // Long enough for the sum of both hashes to overflow 32 bits.
    const char* title = "A title long enough to wrap the hash many times over \xE9";
    const char* link = "http://example.com/a/link/that/is/long/enough/to/wrap/too";
    CHeadline headline;
    headline.SetTitle(title);
    headline.SetLink(link);
    headline.Seal();
    const uint64_t wide = static_cast<uint64_t>(Common::IdentityHash(title)) + Common::IdentityHash(link);
    EXPECT_EQ(static_cast<int32_t>(static_cast<uint32_t>(wide)), headline.GetId());
}

TEST(Headline, SettersDoNothingOnceSealed)
{
    int owner = 0;
    auto* retriever = reinterpret_cast<Content::CAbstractRetriever*>(&owner);
    CHeadline headline;
    headline.SetTitle("Title");
    headline.SetLink("http://example.com/");
    headline.Seal();
    const int32_t id = headline.GetId();

    headline.SetTitle("Changed");
    headline.SetDescription("Changed");
    headline.SetLink("http://changed/");
    headline.SetChannelTitle("Changed");
    headline.SetEnclosureUrl("http://changed/a.mp3");
    headline.SetRetriever(retriever);
    EXPECT_EQ("Title", Bytes(headline.GetTitle()));
    EXPECT_TRUE(headline.GetDescription().IsEmpty());
    EXPECT_EQ("http://example.com/", Bytes(headline.GetLink()));
    EXPECT_TRUE(headline.GetChannelTitle().IsEmpty());
    EXPECT_TRUE(headline.GetEnclosureUrl().IsEmpty());
    EXPECT_EQ(nullptr, headline.GetRetriever());
    EXPECT_EQ(id, headline.GetId());
}
