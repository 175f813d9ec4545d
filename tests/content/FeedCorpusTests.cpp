// Conformance with feed documents written by others: each is fetched the
// way a channel's body arrives, parsed, detected and walked, and what comes
// out is compared with the expectations stored beside the documents.
#include "common/IdentityHash.h"
#include "content/FeedFormats.h"
#include "content/ResponseBody.h"
#include "content/XmlDocument.h"
#include "support/TestFeeds.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Content::FeedFormat;
using Json = nlohmann::json;

namespace
{
const std::string CorpusDirectory = TIDELIGHT_CORPUS_DIR;

// The expectations hold bytes in the system's code page, one character
// U+0000 to U+00FF for each byte; JSON gives them to us in UTF-8.
std::string Bytes(const Json& value)
{
    const std::string text = value.is_string() ? value.get<std::string>() : "\xFF<not a string>";
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        bytes += c < 0x80 || i + 1 == text.size() ? static_cast<char>(c)
                                                  : static_cast<char>((c & 0x03) << 6 | (text[++i] & 0x3F));
    }
    return bytes;
}

std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}

// One document, fetched the way a channel's body arrives.
void Check(const Json& expected)
{
    std::ifstream in(CorpusDirectory + "/feeds/" + expected["file"].get<std::string>(), std::ios::binary);
    ASSERT_TRUE(in.good());
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Content::CResponseBody body;
    for (size_t offset = 0; offset < bytes.size(); offset += Content::CResponseBody::PieceSize)
    {
        body.AppendPiece(bytes.data() + offset,
                         std::min(Content::CResponseBody::PieceSize, bytes.size() - offset));
    }
    ASSERT_FALSE(body.IsOverLimit());

    TiXmlDocument document;
    Content::ParseXmlBody(body.GetText(), document);
    const FeedFormat format = Content::DetectFormat(document);
    const char* root = format == FeedFormat::Rss10               ? "rdf:RDF"
                       : format == FeedFormat::Rss               ? "rss"
                       : format == FeedFormat::Atom              ? "feed"
                       : document.FirstChildElement() != nullptr ? "other"
                                                                 : "none";
    EXPECT_EQ(Bytes(expected["root"]), root);
    CString channelTitle;
    CRecordingFeedSink sink;
    Content::ParseDocument(format, document, channelTitle, nullptr, sink);
    EXPECT_EQ(expected["channel_title"].is_null() ? 0u : 1u, sink.channelTitles.size());
    if (!expected["channel_title"].is_null())
    {
        EXPECT_EQ(Bytes(expected["channel_title"]), Bytes(channelTitle));
    }

    // Skipped items never reach the sink, except one whose folded title alone
    // is empty: it is shown now, under the identity its folded title and
    // link give it. The others must arrive in order, identities unchanged.
    long long delivered = 0;
    size_t next = 0;
    for (const Json& item : expected["items"])
    {
        const bool skipped = item.value("skipped", false);
        if (skipped && (next == sink.headlines.size() || !sink.headlines[next].GetTitle().IsEmpty()))
        {
            continue;
        }
        SCOPED_TRACE("headline " + std::to_string(next));
        ASSERT_LT(next, sink.headlines.size());
        const CHeadline& headline = sink.headlines[next++];
        EXPECT_EQ(Bytes(item["link"]), Bytes(headline.GetLink()));
        if (skipped)
        {
            EXPECT_FALSE(headline.GetShownTitle().IsEmpty());
            EXPECT_EQ(static_cast<int32_t>(Common::IdentityHash("") +
                                           Common::IdentityHash(headline.GetLink().GetString())),
                      headline.GetId());
            continue;
        }
        ++delivered;
        EXPECT_EQ(Bytes(item["title"]), Bytes(headline.GetTitle()));
        EXPECT_EQ(Bytes(item["enclosure"]), Bytes(headline.GetEnclosureUrl()));
        EXPECT_EQ(Bytes(item["description"]), Bytes(headline.GetDescription()));
        EXPECT_EQ(item["id"].get<long long>(), headline.GetId());
        EXPECT_EQ(Bytes(channelTitle), Bytes(headline.GetChannelTitle()));
    }
    EXPECT_EQ(expected["headlines"].get<long long>(), delivered);
    EXPECT_EQ(next, sink.headlines.size());
}
} // namespace

// One expectation a line, each naming its document.
TEST(FeedCorpus, EachDocumentYieldsWhatIsExpected)
{
    std::ifstream lines(CorpusDirectory + "/expected.jsonl", std::ios::binary);
    size_t count = 0;
    for (std::string line; std::getline(lines, line);)
    {
        const Json expected = Json::parse(line, nullptr, false);
        SCOPED_TRACE("expected.jsonl line " + std::to_string(++count));
        ASSERT_TRUE(expected.is_object() && expected.value("file", Json()).is_string()) << "unreadable";
        SCOPED_TRACE(expected["file"].get<std::string>());
        Check(expected);
    }
    EXPECT_NE(0u, count) << "no expectations in " << CorpusDirectory;
}
