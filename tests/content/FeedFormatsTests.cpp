#include "content/FeedFormats.h"

#include "content/XmlDocument.h"
#include "support/TestFeeds.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

using Content::FeedFormat;

namespace
{
std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}
} // namespace

TEST(FeedFormatDetection, LooksForTheExactRootNamesAmongTheTopLevelElementsInAFixedOrder)
{
    const std::pair<const char*, FeedFormat> cases[] = {
        {"<rss version=\"2.0\"><channel/></rss>", FeedFormat::Rss},
        {"<?xml version=\"1.0\"?><rdf:RDF xmlns:rdf=\"x\"/>", FeedFormat::Rss10},
        {"<!-- generated --><feed xmlns=\"http://www.w3.org/2005/Atom\"/>", FeedFormat::Atom},
        {"<RSS><channel/></RSS>", FeedFormat::Unknown},
        {"<atom:feed/>", FeedFormat::Unknown},
        {"<rdf/>", FeedFormat::Unknown},
        {"", FeedFormat::Unknown},
        {"Service Unavailable", FeedFormat::Unknown},
        {"<!DOCTYPE html>\n<html><head><title>404</title></head><body><p>rss<br></p></body></html>",
         FeedFormat::Unknown},
        // "rdf:RDF" wins over "rss", which wins over "feed", wherever they stand.
        {"<feed/><rss/><rdf:RDF/>", FeedFormat::Rss10},
        {"<feed/><rss/>", FeedFormat::Rss},
        {"<html/><feed/>", FeedFormat::Atom},
        {"<html><rss/></html>", FeedFormat::Unknown},
    };
    for (const auto& [text, format] : cases)
    {
        TiXmlDocument document;
        Content::ParseXmlBody(text, document);
        EXPECT_EQ(format, Content::DetectFormat(document)) << text;
    }
}

// Each document is walked in the format given, with the channel title "Kept"
// from an earlier poll. A headline reads "shown title|link|shown
// description|enclosure;"; every one must be sealed and carry the walker's
// retriever and serial and the channel title the walk ends with.
TEST(FeedWalk, ReadsEachFormatsItemsInDocumentOrder)
{
    const FeedFormat Rss = FeedFormat::Rss, Rdf = FeedFormat::Rss10, Atom = FeedFormat::Atom;
    // The format walked, the channel title after the walk, what the sink is
    // told of it (null: nothing), the headlines and the document.
    const std::tuple<FeedFormat, const char*, const char*, const char*, const char*> cases[] = {
        // Only the first enclosure counts, and only its url; an item without
        // a title is skipped.
        {Rss, "News", "News", "1|l1|One|e1;2|||;",
         "<rss><channel><title>News</title><item><title>1</title><link>l1</link><description>One"
         "</description><enclosure url=\"e1\"/><enclosure url=\"e2\"/></item><item><description>None"
         "</description></item><item><title>2</title><enclosure type=\"a\"/></item></channel></rss>"},
        // Text is the first child only, CDATA included: a title that starts
        // with an element or comment, or is all markup, has none.
        {Rss, "Kept", nullptr, "Cdata title|||;",
         "<rss><channel><item><title><![CDATA[<i>Cdata</i> title]]></title></item><item><title><b>B</b> t"
         "</title></item><item><title><!-- c -->After</title></item><item><title>&lt;br/&gt;</title></item>"
         "<item><title></title></item><item/></channel></rss>"},
        {Rss, "Kept", nullptr, "", "<rss><item><title>Outside the channel</title></item></rss>"},
        // An empty title element still names the channel.
        {Rss, "", "", "T|||;", "<rss><channel><title/><item><title>T</title></item></channel></rss>"},
        // The stored channel title stays as the document has it; the sink is
        // told it cleaned. A title of another script is shown.
        {Rss, "Caf\xC3\xA9 <b>", "Caf\xC3\xA9 ", "caf\xC3\xA9|||;\xE6\x9D\xB1|jp||;",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss><channel><title>Caf\xC3\xA9 &lt;b&gt;</title>"
         "<item><title>caf&#233;</title></item><item><title>\xE6\x9D\xB1</title><link>jp</link></item>"
         "</channel></rss>"},
        // Text is read in the declared encoding; TinyXML writes a reference
        // as one byte outside UTF-8, so the declared encoding reads it too.
        {Rss, "\xCF\xF0\xE8", "\xD0\x9F\xD1\x80\xD0\xB8",
         "\xD0\x9F\xD1\x80\xD0\xB8||\xD0\xBC\xD0\xB8\xD1\x80|;",
         "<?xml version=\"1.0\" encoding=\"windows-1251\"?><rss><channel><title>\xCF\xF0\xE8</title><item>"
         "<title>\xCF\xF0\xE8</title><description>\xEC\xE8\xF0</description></item></channel></rss>"},
        {Rss, "Kept", nullptr, "caf\xC3\xA9|||;",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><rss><channel><item><title>caf&#233;</title>"
         "</item></channel></rss>"},
        // RSS 1.0 keeps its items beside the channel and has no enclosures.
        {Rdf, "RDF News", "RDF News", "One|l1|First|;Two|||;",
         "<rdf:RDF><channel><title>RDF News</title><items/></channel><item><title>One</title><link>l1</link>"
         "<description>First</description><enclosure url=\"e1\"/></item><item><title>Two</title></item>"
         "</rdf:RDF>"},
        {Rdf, "Misplaced", "Misplaced", "",
         "<rdf:RDF><channel><title>Misplaced</title><item><title>In</title></item></channel></rdf:RDF>"},
        {Rdf, "Kept", nullptr, "Alone|||;",
         "<rdf:RDF><title>Not the channel's</title><item><title>Alone</title></item></rdf:RDF>"},
        // Atom takes the first link's href and prefers content, even empty.
        {Atom, "Atom News", "Atom News", "Both|l1|C|;Summary|l3|S|;Mark|||;Bare|||;",
         "<feed><title>Atom News</title><link href=\"self\"/><entry><title>Both</title><link rel=\"self\" "
         "href=\"l1\"/><link href=\"l2\"/><summary>S</summary><content>&lt;p&gt;C&lt;/p&gt;</content>"
         "</entry><entry><title>Summary</title><link href=\" l3 \n\"/><summary>S</summary></entry><entry>"
         "<title>Mark</title><content><div>Child</div></content><summary>S</summary></entry><entry><title>"
         "Bare</title><link>l4</link><link rel=\"enclosure\" href=\"e1\"/></entry></feed>"},
        // The parser keeps what it read before an error, a cut title too.
        {Rss, "Cut", "Cut", "Whole|||;Half|||;",
         "<rss><channel><title>Cut</title><item><title>Whole</title></item><item><title>Half"},
        // A document of another format than detected yields nothing.
        {Rss, "Kept", nullptr, "", "<feed><title>Now Atom</title><entry><title>E</title></entry></feed>"},
        {Rdf, "Kept", nullptr, "", "<feed><title>Now Atom</title><entry><title>E</title></entry></feed>"},
        {FeedFormat::Unknown, "Kept", nullptr, "",
         "<rss><channel><title>T</title><item><title>I</title></item></channel></rss>"},
        {Atom, "Kept", nullptr, "", ""},
    };
    int owner = 0;
    auto* retriever = reinterpret_cast<Content::CAbstractRetriever*>(&owner);
    for (const auto& [format, channelTitle, told, expected, text] : cases)
    {
        SCOPED_TRACE(text);
        TiXmlDocument document;
        Content::ParseXmlBody(text, document);
        CString title = "Kept";
        CRecordingFeedSink sink;
        Content::ParseDocument(format, document, title, retriever, sink, 42);
        EXPECT_EQ(channelTitle, Bytes(title));
        EXPECT_EQ(told ? std::vector<CString>{told} : std::vector<CString>(), sink.channelTitles);
        std::string headlines;
        for (const CHeadline& headline : sink.headlines)
        {
            headlines += Bytes(headline.GetShownTitle()) + "|" + Bytes(headline.GetLink()) + "|" +
                         Bytes(headline.GetShownDescription()) + "|" + Bytes(headline.GetEnclosureUrl()) +
                         ";";
            EXPECT_EQ(channelTitle, Bytes(headline.GetChannelTitle()));
            EXPECT_EQ(retriever, headline.GetRetriever());
            EXPECT_EQ(42u, headline.GetRetrieverSerial());
            EXPECT_TRUE(headline.IsSealed());
        }
        EXPECT_EQ(expected, headlines);
    }
}
