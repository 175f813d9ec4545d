#include "content/FeedFormats.h"

#include "common/IdentityHash.h"
#include "content/XmlDocument.h"
#include "support/RecordingFeedSink.h"

#include <gtest/gtest.h>

#include <string>

using Content::DetectFormat;
using Content::FeedFormat;
using Content::ParseDocument;

namespace
{
std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}

int32_t Identity(const char* title, const char* link)
{
    return static_cast<int32_t>(Common::IdentityHash(title) + Common::IdentityHash(link));
}

FeedFormat Detect(const char* text)
{
    TiXmlDocument document;
    Content::ParseXmlBody(text, document);
    return DetectFormat(document);
}

// Parses the text, detects its format and walks it.
class FeedWalk : public ::testing::Test
{
protected:
    void Walk(const char* text, FeedFormat expectedFormat)
    {
        ASSERT_TRUE(Content::ParseXmlBody(text, m_document));
        ASSERT_EQ(expectedFormat, DetectFormat(m_document));
        ParseDocument(expectedFormat, m_document, m_channelTitle, Retriever(), m_sink);
    }

    Content::CAbstractRetriever* Retriever()
    {
        return reinterpret_cast<Content::CAbstractRetriever*>(&m_owner);
    }

    const std::vector<CHeadline>& Headlines() const { return m_sink.headlines; }

    TiXmlDocument m_document;
    CString m_channelTitle;
    CRecordingFeedSink m_sink;
    int m_owner = 0;
};
} // namespace

TEST(FeedFormatDetection, RecognisesEachRootByItsExactName)
{
    EXPECT_EQ(FeedFormat::Rss, Detect("<rss version=\"2.0\"><channel/></rss>"));
    EXPECT_EQ(FeedFormat::Rss10, Detect("<?xml version=\"1.0\"?><rdf:RDF xmlns:rdf=\"x\"/>"));
    EXPECT_EQ(FeedFormat::Atom, Detect("<!-- generated --><feed xmlns=\"http://www.w3.org/2005/Atom\"/>"));
    EXPECT_EQ(FeedFormat::Unknown, Detect("<RSS><channel/></RSS>"));
    EXPECT_EQ(FeedFormat::Unknown, Detect("<atom:feed/>"));
    EXPECT_EQ(FeedFormat::Unknown, Detect("<rdf/>"));
    EXPECT_EQ(FeedFormat::Unknown, Detect(""));
    EXPECT_EQ(FeedFormat::Unknown, Detect("Service Unavailable"));
}

TEST(FeedFormatDetection, LooksAtEveryTopLevelElementInAFixedOrder)
{
    // "rdf:RDF" wins over "rss", which wins over "feed", wherever they stand.
    EXPECT_EQ(FeedFormat::Rss10, Detect("<feed/><rss/><rdf:RDF/>"));
    EXPECT_EQ(FeedFormat::Rss, Detect("<feed/><rss/>"));
    EXPECT_EQ(FeedFormat::Atom, Detect("<html/><feed/>"));
    // Only top-level elements count.
    EXPECT_EQ(FeedFormat::Unknown, Detect("<html><rss/></html>"));
}

TEST(FeedFormatDetection, HtmlErrorPagesAreNotFeeds)
{
    EXPECT_EQ(FeedFormat::Unknown, Detect("<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>"
                                          "<body><h1>Not Found</h1><p>Gone.<br></p><hr></body></html>"));
    EXPECT_EQ(FeedFormat::Unknown, Detect("<HTML><BODY>rss feed moved</BODY></HTML>"));
}

TEST_F(FeedWalk, RssItemsBecomeHeadlinesInDocumentOrder)
{
    Walk("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
         "<rss version=\"2.0\"><channel>"
         "<title>Example News</title><link>http://example.com/</link>"
         "<item><title>First</title><link>http://example.com/1</link><description>One</description>"
         "<enclosure url=\"http://example.com/1.mp3\" length=\"1\" type=\"audio/mpeg\"/></item>"
         "<item><title>Second</title><link>http://example.com/2</link></item>"
         "<item><description>No title here</description></item>"
         "<item><title>Third</title><link>http://example.com/3</link></item>"
         "</channel></rss>",
         FeedFormat::Rss);
    ASSERT_EQ(3u, Headlines().size());
    const char* titles[] = {"First", "Second", "Third"};
    const char* links[] = {"http://example.com/1", "http://example.com/2", "http://example.com/3"};
    for (size_t i = 0; i < 3; ++i)
    {
        const CHeadline& headline = Headlines()[i];
        EXPECT_EQ(titles[i], Bytes(headline.GetTitle()));
        EXPECT_EQ(links[i], Bytes(headline.GetLink()));
        EXPECT_EQ("Example News", Bytes(headline.GetChannelTitle()));
        EXPECT_EQ(Retriever(), headline.GetRetriever());
        EXPECT_TRUE(headline.IsSealed());
        EXPECT_EQ(Identity(titles[i], links[i]), headline.GetId());
    }
    EXPECT_EQ("One", Bytes(Headlines()[0].GetDescription()));
    EXPECT_EQ("http://example.com/1.mp3", Bytes(Headlines()[0].GetEnclosureUrl()));
    EXPECT_TRUE(Headlines()[1].GetDescription().IsEmpty());
    EXPECT_TRUE(Headlines()[1].GetEnclosureUrl().IsEmpty());
    ASSERT_EQ(1u, m_sink.channelTitles.size());
    EXPECT_EQ("Example News", Bytes(m_sink.channelTitles[0]));
    EXPECT_EQ("Example News", Bytes(m_channelTitle));
}

TEST_F(FeedWalk, ShowsTitlesThatFoldToNothingWithTheirFoldedIdentity)
{
    Walk("<rss><channel><title>&lt;b&gt;Actualit\xC3\xA9s&lt;/b&gt;</title>"
         "<item><title>\xE6\x9D\xB1\xE4\xBA\xAC</title><link>http://example.com/jp</link></item>"
         "<item><title>&lt;br&gt;</title><link>http://example.com/none</link></item>"
         "</channel></rss>",
         FeedFormat::Rss);
    ASSERT_EQ(1u, Headlines().size());
    const CHeadline& headline = Headlines()[0];
    EXPECT_EQ("", Bytes(headline.GetTitle()));
    EXPECT_EQ("\xE6\x9D\xB1\xE4\xBA\xAC", Bytes(headline.GetShownTitle()));
    EXPECT_EQ(Identity("", "http://example.com/jp"), headline.GetId());
    // The channel's own title stays as the document has it; the sink and
    // the headline's shown form get it cleaned.
    EXPECT_EQ("<b>Actualit\xC3\xA9s</b>", Bytes(m_channelTitle));
    ASSERT_EQ(1u, m_sink.channelTitles.size());
    EXPECT_EQ("Actualit\xC3\xA9s", Bytes(m_sink.channelTitles[0]));
    EXPECT_EQ("Actualit\xC3\xA9s", Bytes(headline.GetShownChannelTitle()));
}

TEST(FeedWalkEncoding, ReadsTextInTheDeclaredEncoding)
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
        ParseDocument(FeedFormat::Rss, document, channelTitle, nullptr, sink);
        ASSERT_EQ(1u, sink.headlines.size());
        EXPECT_EQ(c.shown, Bytes(sink.headlines[0].GetShownTitle()));
        ASSERT_EQ(1u, sink.channelTitles.size());
        EXPECT_EQ(c.shown, Bytes(sink.channelTitles[0]));
    }
}

TEST_F(FeedWalk, RssTakesTheFirstEnclosureOnly)
{
    Walk("<rss><channel><item><title>T</title>"
         "<enclosure url=\"http://example.com/first.mp3\"/><enclosure url=\"http://example.com/second.mp3\"/>"
         "</item><item><title>U</title><enclosure type=\"audio/mpeg\"/></item></channel></rss>",
         FeedFormat::Rss);
    ASSERT_EQ(2u, Headlines().size());
    EXPECT_EQ("http://example.com/first.mp3", Bytes(Headlines()[0].GetEnclosureUrl()));
    EXPECT_TRUE(Headlines()[1].GetEnclosureUrl().IsEmpty());
}

TEST_F(FeedWalk, EscapedAndCdataMarkupIsStrippedFromText)
{
    Walk("<rss><channel><item><title>Escaped</title>"
         "<description>&lt;p&gt;Hello &lt;b&gt;world&lt;/b&gt;&lt;/p&gt;</description></item>"
         "<item><title><![CDATA[<i>Cdata</i> title]]></title>"
         "<description><![CDATA[<p>Line one</p>\n<p>Line two</p>]]></description></item>"
         "</channel></rss>",
         FeedFormat::Rss);
    ASSERT_EQ(2u, Headlines().size());
    EXPECT_EQ("Hello world", Bytes(Headlines()[0].GetDescription()));
    EXPECT_EQ("Cdata title", Bytes(Headlines()[1].GetTitle()));
    EXPECT_EQ("Line oneLine two", Bytes(Headlines()[1].GetDescription()));
}

TEST_F(FeedWalk, TextIsTheFirstChildOnly)
{
    // A title whose first child is an element or a comment has no text, so
    // the item is skipped; text after the first child is never collected.
    Walk("<rss><channel>"
         "<item><title><b>Bold</b> tail</title><link>http://example.com/1</link></item>"
         "<item><title><!-- note -->After comment</title></item>"
         "<item><title>Kept</title><description>First<br/>second</description></item>"
         "</channel></rss>",
         FeedFormat::Rss);
    ASSERT_EQ(1u, Headlines().size());
    EXPECT_EQ("Kept", Bytes(Headlines()[0].GetTitle()));
    EXPECT_EQ("First", Bytes(Headlines()[0].GetDescription()));
}

TEST_F(FeedWalk, ATitleOnlyItemHashesAnEmptyLink)
{
    Walk("<rss><channel><item><title>Only a title</title></item></channel></rss>", FeedFormat::Rss);
    ASSERT_EQ(1u, Headlines().size());
    EXPECT_TRUE(Headlines()[0].GetLink().IsEmpty());
    EXPECT_EQ(Identity("Only a title", ""), Headlines()[0].GetId());
}

TEST_F(FeedWalk, ItemsWhoseTitleCleansToNothingAreSkipped)
{
    Walk("<rss><channel>"
         "<item><title>&lt;img src=\"x.png\"/&gt;</title><link>http://example.com/1</link></item>"
         "<item><title></title></item><item/>"
         "<item><title>Last</title></item></channel></rss>",
         FeedFormat::Rss);
    ASSERT_EQ(1u, Headlines().size());
    EXPECT_EQ("Last", Bytes(Headlines()[0].GetTitle()));
}

TEST_F(FeedWalk, LinksAreTrimmedAndDuplicatesAreLeftToTheSink)
{
    Walk(
        "<rss><channel>"
        "<item><title>Same</title><link><![CDATA[ http://example.com/same \n]]></link></item>"
        "<item><title>Same</title><link>http://example.com/same</link><description>other</description></item>"
        "</channel></rss>",
        FeedFormat::Rss);
    ASSERT_EQ(2u, Headlines().size());
    EXPECT_EQ("http://example.com/same", Bytes(Headlines()[0].GetLink()));
    EXPECT_EQ(Headlines()[0].GetId(), Headlines()[1].GetId());
}

TEST_F(FeedWalk, RssWithoutChannelOrItemsYieldsNothing)
{
    Walk("<rss><item><title>Outside the channel</title></item></rss>", FeedFormat::Rss);
    EXPECT_TRUE(Headlines().empty());
    EXPECT_TRUE(m_sink.channelTitles.empty());
}

TEST_F(FeedWalk, TheChannelTitleChangesOnlyWhenTheDocumentNamesOne)
{
    m_channelTitle = "From the last poll";
    Walk("<rss><channel><item><title>T</title></item></channel></rss>", FeedFormat::Rss);
    EXPECT_TRUE(m_sink.channelTitles.empty());
    EXPECT_EQ("From the last poll", Bytes(m_channelTitle));
    ASSERT_EQ(1u, Headlines().size());
    EXPECT_EQ("From the last poll", Bytes(Headlines()[0].GetChannelTitle()));

    // An empty title element still names one.
    CRecordingFeedSink sink;
    TiXmlDocument document;
    ASSERT_TRUE(Content::ParseXmlBody("<rss><channel><title/><item><title>T</title></item></channel></rss>",
                                      document));
    ParseDocument(FeedFormat::Rss, document, m_channelTitle, nullptr, sink);
    ASSERT_EQ(1u, sink.channelTitles.size());
    EXPECT_TRUE(m_channelTitle.IsEmpty());
    ASSERT_EQ(1u, sink.headlines.size());
    EXPECT_TRUE(sink.headlines[0].GetChannelTitle().IsEmpty());
}

TEST_F(FeedWalk, TheChannelTitleIsStoredAsGiven)
{
    Walk("<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel><title>Caf\xC3\xA9 &lt;b&gt;</title>"
         "<item><title>Caf\xC3\xA9</title></item></channel></rss>",
         FeedFormat::Rss);
    EXPECT_EQ("Caf\xC3\xA9 <b>", Bytes(m_channelTitle));
    ASSERT_EQ(1u, Headlines().size());
    EXPECT_EQ("Caf\xE9", Bytes(Headlines()[0].GetTitle()));
}

TEST_F(FeedWalk, CharacterReferencesGiveTheSameTitleInEitherEncoding)
{
    // Without a declaration the parser keeps one byte per reference; with a
    // UTF-8 one it writes UTF-8, which the cleaning folds back.
    Walk("<rss><channel><item><title>caf&#233;</title></item></channel></rss>", FeedFormat::Rss);
    CRecordingFeedSink utf8Sink;
    TiXmlDocument utf8Document;
    ASSERT_TRUE(Content::ParseXmlBody("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                                      "<rss><channel><item><title>caf&#233;</title></item></channel></rss>",
                                      utf8Document));
    CString title;
    ParseDocument(FeedFormat::Rss, utf8Document, title, nullptr, utf8Sink);
    ASSERT_EQ(1u, Headlines().size());
    ASSERT_EQ(1u, utf8Sink.headlines.size());
    EXPECT_EQ("caf\xE9", Bytes(Headlines()[0].GetTitle()));
    EXPECT_EQ("caf\xE9", Bytes(utf8Sink.headlines[0].GetTitle()));
}

TEST_F(FeedWalk, Rss10ItemsStandBesideTheChannel)
{
    Walk("<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
         "xmlns=\"http://purl.org/rss/1.0/\">"
         "<channel rdf:about=\"http://example.com/\"><title>RDF News</title><items/></channel>"
         "<item rdf:about=\"http://example.com/1\"><title>One</title><link>http://example.com/1</link>"
         "<description>First</description><enclosure url=\"http://example.com/1.mp3\"/></item>"
         "<item><title>Two</title><link>http://example.com/2</link></item>"
         "</rdf:RDF>",
         FeedFormat::Rss10);
    ASSERT_EQ(2u, Headlines().size());
    EXPECT_EQ("One", Bytes(Headlines()[0].GetTitle()));
    EXPECT_EQ("First", Bytes(Headlines()[0].GetDescription()));
    EXPECT_EQ("http://example.com/1", Bytes(Headlines()[0].GetLink()));
    EXPECT_TRUE(Headlines()[0].GetEnclosureUrl().IsEmpty());
    EXPECT_EQ("Two", Bytes(Headlines()[1].GetTitle()));
    EXPECT_EQ("RDF News", Bytes(Headlines()[1].GetChannelTitle()));
    EXPECT_EQ(Identity("Two", "http://example.com/2"), Headlines()[1].GetId());
}

TEST_F(FeedWalk, Rss10ItemsInsideTheChannelYieldNothing)
{
    Walk("<rdf:RDF><channel><title>Misplaced</title><item><title>Inside</title></item></channel></rdf:RDF>",
         FeedFormat::Rss10);
    EXPECT_TRUE(Headlines().empty());
    EXPECT_EQ("Misplaced", Bytes(m_channelTitle));
}

TEST_F(FeedWalk, Rss10WithoutChannelStillYieldsItsItems)
{
    m_channelTitle = "Kept";
    Walk("<rdf:RDF><title>Not the channel's</title><item><title>Alone</title></item></rdf:RDF>",
         FeedFormat::Rss10);
    EXPECT_TRUE(m_sink.channelTitles.empty());
    ASSERT_EQ(1u, Headlines().size());
    EXPECT_EQ("Kept", Bytes(Headlines()[0].GetChannelTitle()));
}

TEST_F(FeedWalk, AtomEntriesTakeTheFirstLinkAndPreferContent)
{
    Walk("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Atom News</title>"
         "<link rel=\"self\" href=\"http://example.com/feed\"/>"
         "<entry><title>Both</title>"
         "<link rel=\"self\" href=\"http://example.com/1/self\"/>"
         "<link rel=\"alternate\" href=\"http://example.com/1\"/>"
         "<summary>Summary</summary><content type=\"html\">&lt;p&gt;Content&lt;/p&gt;</content></entry>"
         "<entry><title>Summary only</title><link href=\" http://example.com/2 \"/>"
         "<summary>Just the summary</summary></entry>"
         "<entry><title type=\"html\">Markup content</title>"
         "<content type=\"xhtml\"><div>Child elements</div></content><summary>Not used</summary></entry>"
         "<entry><title>Bare</title><link>http://example.com/text-is-not-href</link>"
         "<link rel=\"enclosure\" href=\"http://example.com/a.mp3\"/></entry>"
         "</feed>",
         FeedFormat::Atom);
    ASSERT_EQ(4u, Headlines().size());
    EXPECT_EQ("Atom News", Bytes(m_channelTitle));
    EXPECT_EQ("http://example.com/1/self", Bytes(Headlines()[0].GetLink()));
    EXPECT_EQ("Content", Bytes(Headlines()[0].GetDescription()));
    EXPECT_EQ(Identity("Both", "http://example.com/1/self"), Headlines()[0].GetId());
    EXPECT_EQ("http://example.com/2", Bytes(Headlines()[1].GetLink()));
    EXPECT_EQ("Just the summary", Bytes(Headlines()[1].GetDescription()));
    EXPECT_TRUE(Headlines()[2].GetDescription().IsEmpty());
    EXPECT_TRUE(Headlines()[2].GetLink().IsEmpty());
    EXPECT_TRUE(Headlines()[3].GetLink().IsEmpty());
    EXPECT_TRUE(Headlines()[3].GetDescription().IsEmpty());
    EXPECT_TRUE(Headlines()[3].GetEnclosureUrl().IsEmpty());
    for (const CHeadline& headline : Headlines())
    {
        EXPECT_EQ("Atom News", Bytes(headline.GetChannelTitle()));
    }
}

TEST_F(FeedWalk, ADocumentOfAnotherFormatYieldsNothing)
{
    // The format is fixed at detection; a channel that changes it later
    // gives no headlines and keeps its title.
    m_channelTitle = "Detected as RSS";
    ASSERT_TRUE(Content::ParseXmlBody("<feed><title>Now Atom</title><entry><title>E</title></entry></feed>",
                                      m_document));
    for (FeedFormat format : {FeedFormat::Rss, FeedFormat::Rss10, FeedFormat::Unknown})
    {
        ParseDocument(format, m_document, m_channelTitle, Retriever(), m_sink);
    }
    EXPECT_TRUE(Headlines().empty());
    EXPECT_TRUE(m_sink.channelTitles.empty());
    EXPECT_EQ("Detected as RSS", Bytes(m_channelTitle));

    TiXmlDocument empty;
    ParseDocument(FeedFormat::Atom, empty, m_channelTitle, Retriever(), m_sink);
    EXPECT_TRUE(Headlines().empty());
}

TEST_F(FeedWalk, AFeedCutOffMidwayYieldsWhatArrived)
{
    // The parser keeps what it read before the error, the cut-off title too.
    Walk("<rss><channel><title>Cut</title><item><title>Whole</title></item><item><title>Half",
         FeedFormat::Rss);
    EXPECT_TRUE(m_document.Error());
    ASSERT_EQ(2u, Headlines().size());
    EXPECT_EQ("Whole", Bytes(Headlines()[0].GetTitle()));
    EXPECT_EQ("Half", Bytes(Headlines()[1].GetTitle()));
}
