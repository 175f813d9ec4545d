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

#include <cctype>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Content::FeedFormat;
using Json = nlohmann::json;

namespace
{
const std::string CorpusDirectory = TIDELIGHT_CORPUS_DIR;

// One expectation a line; a line that is no JSON object naming its file
// stays in the list, to fail by its number.
const std::vector<Json>& Cases()
{
    static const std::vector<Json> cases = []
    {
        std::vector<Json> lines;
        std::ifstream in(CorpusDirectory + "/expected.jsonl", std::ios::binary);
        for (std::string text; std::getline(in, text);)
        {
            lines.push_back(Json::parse(text, nullptr, false));
        }
        return lines;
    }();
    return cases;
}

std::string File(const Json& expected)
{
    return expected.is_object() && expected.value("file", Json()).is_string()
               ? expected["file"].get<std::string>()
               : "";
}

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

const char* RootName(FeedFormat format, const TiXmlDocument& document)
{
    if (format != FeedFormat::Unknown)
    {
        return format == FeedFormat::Rss10 ? "rdf:RDF" : format == FeedFormat::Rss ? "rss" : "feed";
    }
    return document.FirstChildElement() != nullptr ? "other" : "none";
}

class FeedCorpus : public ::testing::TestWithParam<size_t>
{
};
} // namespace

TEST(FeedCorpusExpectations, AreThere)
{
    ASSERT_FALSE(Cases().empty()) << "no expectations in " << CorpusDirectory;
}

TEST_P(FeedCorpus, ExtractsWhatIsExpected)
{
    const Json& expected = Cases()[GetParam()];
    ASSERT_NE("", File(expected)) << "expected.jsonl line " << GetParam() + 1 << " is unreadable";
    std::ifstream in(CorpusDirectory + "/feeds/" + File(expected), std::ios::binary);
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
    EXPECT_EQ(Bytes(expected["root"]), RootName(format, document));
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

INSTANTIATE_TEST_SUITE_P(Documents, FeedCorpus, ::testing::Range<size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& info)
                         {
                             std::string name = std::to_string(info.param) + "_" + File(Cases()[info.param]);
                             for (char& c : name)
                             {
                                 c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             }
                             return name;
                         });
