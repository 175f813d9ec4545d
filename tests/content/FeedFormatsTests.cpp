#include "content/FeedFormats.h"

#include "common/IdentityHash.h"
#include "content/XmlDocument.h"
#include "support/TestFeeds.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Content::FeedFormat;

namespace
{
std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}

FeedFormat Detect(const char* text)
{
    TiXmlDocument document;
    Content::ParseXmlBody(text, document);
    return Content::DetectFormat(document);
}
} // namespace

TEST(FeedFormatDetection, LooksForTheExactRootNamesAmongTheTopLevelElementsInAFixedOrder)
{
    const struct
    {
        const char* text;
        FeedFormat format;
    } cases[] = {
        {"<rss version=\"2.0\"><channel/></rss>", FeedFormat::Rss},
        {"<?xml version=\"1.0\"?><rdf:RDF xmlns:rdf=\"x\"/>", FeedFormat::Rss10},
        {"<!-- generated --><feed xmlns=\"http://www.w3.org/2005/Atom\"/>", FeedFormat::Atom},
        {"<RSS><channel/></RSS>", FeedFormat::Unknown},
        {"<atom:feed/>", FeedFormat::Unknown},
        {"<rdf/>", FeedFormat::Unknown},
        {"", FeedFormat::Unknown},
        {"Service Unavailable", FeedFormat::Unknown},
        {"<!DOCTYPE html>\n<html><head><title>404</title></head><body><p>rss<br></p><hr></body></html>",
         FeedFormat::Unknown},
        // "rdf:RDF" wins over "rss", which wins over "feed", wherever they stand.
        {"<feed/><rss/><rdf:RDF/>", FeedFormat::Rss10},
        {"<feed/><rss/>", FeedFormat::Rss},
        {"<html/><feed/>", FeedFormat::Atom},
        {"<html><rss/></html>", FeedFormat::Unknown},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.format, Detect(c.text));
    }
}

// Each document is detected and walked with the channel title "Kept" from an
// earlier poll. A headline is written "title|link|description|enclosure"
// with the folded title; every one must carry the channel title the walk
// ends with, the walker's retriever and the identity of its title and link.
TEST(FeedWalk, ReadsEachFormatsItemsInDocumentOrder)
{
    const struct
    {
        const char* document;
        FeedFormat format;
        const char* channelTitle;
        const char* shownChannelTitle; // what the sink is told, if anything
        std::vector<std::string> headlines;
    } cases[] = {
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><rss version=\"2.0\"><channel>"
         "<title>Example News</title><link>http://example.com/</link>"
         "<item><title>First</title><link>http://example.com/1</link><description>One</description>"
         "<enclosure url=\"http://example.com/1.mp3\" length=\"1\" type=\"audio/mpeg\"/></item>"
         "<item><title>Second</title><link>http://example.com/2</link></item>"
         "<item><description>No title here</description></item>"
         "<item><title>Third</title><link>http://example.com/3</link></item></channel></rss>",
         FeedFormat::Rss,
         "Example News",
         "Example News",
         {"First|http://example.com/1|One|http://example.com/1.mp3", "Second|http://example.com/2||",
          "Third|http://example.com/3||"}},
        // Only the first enclosure counts, and only its url.
        {"<rss><channel><item><title>T</title><enclosure url=\"http://example.com/first.mp3\"/>"
         "<enclosure url=\"http://example.com/second.mp3\"/></item>"
         "<item><title>U</title><enclosure type=\"audio/mpeg\"/></item></channel></rss>",
         FeedFormat::Rss,
         "Kept",
         nullptr,
         {"T|||http://example.com/first.mp3", "U|||"}},
        // Escaped and CDATA markup is stripped; text is the first child only,
        // so a title that starts with an element or comment has none.
        {"<rss><channel><item><title>Escaped</title>"
         "<description>&lt;p&gt;Hello &lt;b&gt;world&lt;/b&gt;&lt;/p&gt;</description></item>"
         "<item><title><![CDATA[<i>Cdata</i> title]]></title>"
         "<description><![CDATA[<p>Line one</p>\n<p>Line two</p>]]></description></item>"
         "<item><title><b>Bold</b> tail</title></item><item><title><!-- note -->After</title></item>"
         "<item><title>Kept</title><description>First<br/>second</description></item>"
         "<item><title>&lt;img src=\"x.png\"/&gt;</title></item><item><title></title></item><item/>"
         "</channel></rss>",
         FeedFormat::Rss,
         "Kept",
         nullptr,
         {"Escaped||Hello world|", "Cdata title||Line oneLine two|", "Kept||First|"}},
        // Links are trimmed; telling duplicates apart is the sink's business.
        {"<rss><channel><item><title>Same</title><link><![CDATA[ http://example.com/same \n]]></link></item>"
         "<item><title>Same</title><link>http://example.com/same</link><description>o</description></item>"
         "</channel></rss>",
         FeedFormat::Rss,
         "Kept",
         nullptr,
         {"Same|http://example.com/same||", "Same|http://example.com/same|o|"}},
        {"<rss><item><title>Outside the channel</title></item></rss>", FeedFormat::Rss, "Kept", nullptr, {}},
        // An empty title element still names the channel; the stored title
        // stays as the document has it, the sink is told it cleaned.
        {"<rss><channel><title/><item><title>T</title></item></channel></rss>",
         FeedFormat::Rss,
         "",
         "",
         {"T|||"}},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel><title>Caf\xC3\xA9 &lt;b&gt;</title>"
         "<item><title>caf&#233;</title></item></channel></rss>",
         FeedFormat::Rss,
         "Caf\xC3\xA9 <b>",
         "Caf\xC3\xA9 ",
         {"caf\xE9|||"}},
        // Without a declaration the parser keeps one byte per reference.
        {"<rss><channel><item><title>caf&#233;</title></item></channel></rss>",
         FeedFormat::Rss,
         "Kept",
         nullptr,
         {"caf\xE9|||"}},
        // A title of another script folds to nothing and is still shown.
        {"<rss><channel><item><title>\xE6\x9D\xB1\xE4\xBA\xAC</title><link>http://example.com/jp</link></"
         "item>"
         "<item><title>&lt;br&gt;</title><link>http://example.com/none</link></item></channel></rss>",
         FeedFormat::Rss,
         "Kept",
         nullptr,
         {"|http://example.com/jp||"}},
        // RSS 1.0 keeps its items beside the channel and has no enclosures.
        {"<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
         "xmlns=\"http://purl.org/rss/1.0/\">"
         "<channel rdf:about=\"http://example.com/\"><title>RDF News</title><items/></channel>"
         "<item rdf:about=\"http://example.com/1\"><title>One</title><link>http://example.com/1</link>"
         "<description>First</description><enclosure url=\"http://example.com/1.mp3\"/></item>"
         "<item><title>Two</title><link>http://example.com/2</link></item></rdf:RDF>",
         FeedFormat::Rss10,
         "RDF News",
         "RDF News",
         {"One|http://example.com/1|First|", "Two|http://example.com/2||"}},
        {"<rdf:RDF><channel><title>Misplaced</title><item><title>Inside</title></item></channel></rdf:RDF>",
         FeedFormat::Rss10,
         "Misplaced",
         "Misplaced",
         {}},
        {"<rdf:RDF><title>Not the channel's</title><item><title>Alone</title></item></rdf:RDF>",
         FeedFormat::Rss10,
         "Kept",
         nullptr,
         {"Alone|||"}},
        // Atom takes the first link's href and prefers content, even empty.
        {"<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Atom News</title>"
         "<link rel=\"self\" href=\"http://example.com/feed\"/>"
         "<entry><title>Both</title><link rel=\"self\" href=\"http://example.com/1/self\"/>"
         "<link rel=\"alternate\" href=\"http://example.com/1\"/>"
         "<summary>Summary</summary><content type=\"html\">&lt;p&gt;Content&lt;/p&gt;</content></entry>"
         "<entry><title>Summary only</title><link href=\" http://example.com/2 \"/>"
         "<summary>Just the summary</summary></entry>"
         "<entry><title type=\"html\">Markup</title><content type=\"xhtml\"><div>Child</div></content>"
         "<summary>Not used</summary></entry>"
         "<entry><title>Bare</title><link>http://example.com/text-is-not-href</link>"
         "<link rel=\"enclosure\" href=\"http://example.com/a.mp3\"/></entry></feed>",
         FeedFormat::Atom,
         "Atom News",
         "Atom News",
         {"Both|http://example.com/1/self|Content|", "Summary only|http://example.com/2|Just the summary|",
          "Markup|||", "Bare|||"}},
        // The parser keeps what it read before an error, a cut title too.
        {"<rss><channel><title>Cut</title><item><title>Whole</title></item><item><title>Half",
         FeedFormat::Rss,
         "Cut",
         "Cut",
         {"Whole|||", "Half|||"}},
    };
    int owner = 0;
    auto* retriever = reinterpret_cast<Content::CAbstractRetriever*>(&owner);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.document);
        TiXmlDocument document;
        Content::ParseXmlBody(c.document, document);
        ASSERT_EQ(c.format, Content::DetectFormat(document));
        CString channelTitle = "Kept";
        CRecordingFeedSink sink;
        Content::ParseDocument(c.format, document, channelTitle, retriever, sink);
        EXPECT_EQ(c.channelTitle, Bytes(channelTitle));
        const std::vector<CString> told =
            c.shownChannelTitle ? std::vector<CString>{c.shownChannelTitle} : std::vector<CString>();
        EXPECT_EQ(told, sink.channelTitles);
        std::vector<std::string> headlines;
        for (const CHeadline& headline : sink.headlines)
        {
            headlines.push_back(Bytes(headline.GetTitle()) + "|" + Bytes(headline.GetLink()) + "|" +
                                Bytes(headline.GetDescription()) + "|" + Bytes(headline.GetEnclosureUrl()));
            EXPECT_EQ(c.channelTitle, Bytes(headline.GetChannelTitle()));
            EXPECT_EQ(retriever, headline.GetRetriever());
            EXPECT_TRUE(headline.IsSealed());
            EXPECT_EQ(static_cast<int32_t>(Common::IdentityHash(headline.GetTitle().GetString()) +
                                           Common::IdentityHash(headline.GetLink().GetString())),
                      headline.GetId());
        }
        EXPECT_EQ(c.headlines, headlines);
    }
}

TEST(FeedWalk, ADocumentOfAnotherFormatThanDetectedYieldsNothing)
{
    TiXmlDocument document;
    ASSERT_TRUE(Content::ParseXmlBody("<feed><title>Now Atom</title><entry><title>E</title></entry></feed>",
                                      document));
    CString channelTitle = "Detected as RSS";
    CRecordingFeedSink sink;
    for (FeedFormat format : {FeedFormat::Rss, FeedFormat::Rss10, FeedFormat::Unknown})
    {
        Content::ParseDocument(format, document, channelTitle, nullptr, sink);
    }
    Content::ParseDocument(FeedFormat::Atom, TiXmlDocument(), channelTitle, nullptr, sink);
    EXPECT_TRUE(sink.headlines.empty());
    EXPECT_TRUE(sink.channelTitles.empty());
    EXPECT_STREQ("Detected as RSS", channelTitle);
}

TEST(FeedWalk, ReadsTextInTheDeclaredEncoding)
{
    const std::string privet = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    const struct
    {
        const char* declaration;
        const char* title;
        std::string shown;
    } cases[] = {
        {"<?xml version=\"1.0\"?>", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", privet},
        {"<?xml version=\"1.0\" encoding=\"windows-1251\"?>", "\xCF\xF0\xE8\xE2\xE5\xF2", privet},
        {"<?xml version=\"1.0\" encoding=\"KOI8-R\"?>", "\xF0\xD2\xC9\xD7\xC5\xD4", privet},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "caf\xE9", "caf\xC3\xA9"},
        // TinyXML writes a reference as one byte outside UTF-8, so the
        // declared encoding reads it too.
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", "caf&#233;", "caf\xC3\xA9"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.declaration);
        const std::string text = std::string(c.declaration) + "<rss><channel><title>" + c.title +
                                 "</title><item><title>" + c.title + "</title></item></channel></rss>";
        TiXmlDocument document;
        ASSERT_TRUE(Content::ParseXmlBody(text.c_str(), document));
        CString channelTitle;
        CRecordingFeedSink sink;
        Content::ParseDocument(FeedFormat::Rss, document, channelTitle, nullptr, sink);
        ASSERT_EQ(1u, sink.headlines.size());
        EXPECT_EQ(c.shown, Bytes(sink.headlines[0].GetShownTitle()));
        EXPECT_EQ(std::vector<CString>{c.shown.c_str()}, sink.channelTitles);
    }
}
