// Conformance with feed documents written by others: each is fetched the
// way a channel's body arrives, parsed, detected and walked, and what comes
// out is compared with the expectations stored beside the documents.
#include "common/IdentityHash.h"
#include "content/FeedFormats.h"
#include "content/ResponseBody.h"
#include "content/XmlDocument.h"
#include "support/RecordingFeedSink.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Content::FeedFormat;

namespace
{
const std::string CorpusDirectory = TIDELIGHT_CORPUS_DIR;

using Json = nlohmann::json;

struct CorpusCase
{
    size_t line;
    std::string file;
    Json expected;
    bool readable;
};

// The expectations hold bytes in the system's code page, one character
// U+0000 to U+00FF for each byte; JSON gives them to us in UTF-8.
std::string Bytes(const Json& value)
{
    if (!value.is_string())
    {
        return std::string(1, '\xFF') + "<not a string>";
    }
    const std::string text = value.get<std::string>();
    std::string bytes;
    for (size_t i = 0; i < text.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80)
        {
            bytes += static_cast<char>(c);
        }
        else if ((c & 0xFE) == 0xC2 && i + 1 < text.size())
        {
            bytes += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(text[++i]) & 0x3F));
        }
        else
        {
            return std::string(1, '\xFF') + "<beyond one byte>";
        }
    }
    return bytes;
}

std::vector<CorpusCase> LoadCases()
{
    std::vector<CorpusCase> cases;
    std::ifstream in(CorpusDirectory + "/expected.jsonl", std::ios::binary);
    std::string text;
    for (size_t line = 1; std::getline(in, text); ++line)
    {
        if (text.empty())
        {
            continue;
        }
        CorpusCase entry{line, "", Json::parse(text, nullptr, false), false};
        entry.readable = entry.expected.is_object() && entry.expected.value("file", Json()).is_string();
        entry.file = entry.readable ? entry.expected["file"].get<std::string>() : "";
        cases.push_back(std::move(entry));
    }
    return cases;
}

const std::vector<CorpusCase>& Cases()
{
    static const std::vector<CorpusCase> cases = LoadCases();
    return cases;
}

std::string Bytes(const CString& text)
{
    return std::string(text.GetString(), text.GetLength());
}

const char* RootName(FeedFormat format, const TiXmlDocument& document)
{
    switch (format)
    {
    case FeedFormat::Rss10:
        return "rdf:RDF";
    case FeedFormat::Rss:
        return "rss";
    case FeedFormat::Atom:
        return "feed";
    case FeedFormat::Unknown:
        break;
    }
    return document.FirstChildElement() != nullptr ? "other" : "none";
}

class FeedCorpus : public ::testing::TestWithParam<size_t>
{
};
} // namespace

TEST(FeedCorpusExpectations, AreAllReadable)
{
    ASSERT_FALSE(Cases().empty()) << "no expectations in " << CorpusDirectory;
    for (const CorpusCase& entry : Cases())
    {
        EXPECT_TRUE(entry.readable) << "expected.jsonl line " << entry.line;
    }
}

TEST_P(FeedCorpus, ExtractsWhatIsExpected)
{
    const CorpusCase& entry = Cases()[GetParam()];
    ASSERT_TRUE(entry.readable);
    SCOPED_TRACE(entry.file);
    const Json& expected = entry.expected;

    std::ifstream in(CorpusDirectory + "/feeds/" + entry.file, std::ios::binary);
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
    if (expected["channel_title"].is_null())
    {
        EXPECT_TRUE(sink.channelTitles.empty());
    }
    else
    {
        ASSERT_EQ(1u, sink.channelTitles.size());
        EXPECT_EQ(Bytes(expected["channel_title"]), Bytes(channelTitle));
    }

    // Skipped items never reach the sink, except one whose folded title alone
    // is empty: it is shown now, under the identity its folded title and
    // link give it. The others must arrive in order, identities unchanged.
    size_t delivered = 0;
    size_t next = 0;
    for (const Json& item : expected["items"])
    {
        if (item.value("skipped", false))
        {
            if (next < sink.headlines.size() && sink.headlines[next].GetTitle().IsEmpty())
            {
                SCOPED_TRACE("newly shown headline " + std::to_string(next));
                const CHeadline& headline = sink.headlines[next++];
                EXPECT_FALSE(headline.GetShownTitle().IsEmpty());
                EXPECT_EQ(Bytes(item["link"]), Bytes(headline.GetLink()));
                EXPECT_EQ(static_cast<int32_t>(Common::IdentityHash("") +
                                               Common::IdentityHash(headline.GetLink().GetString())),
                          headline.GetId());
            }
            continue;
        }
        ++delivered;
        SCOPED_TRACE("headline " + std::to_string(next));
        ASSERT_LT(next, sink.headlines.size());
        const CHeadline& headline = sink.headlines[next++];
        EXPECT_EQ(Bytes(item["title"]), Bytes(headline.GetTitle()));
        EXPECT_EQ(Bytes(item["link"]), Bytes(headline.GetLink()));
        EXPECT_EQ(Bytes(item["enclosure"]), Bytes(headline.GetEnclosureUrl()));
        EXPECT_EQ(Bytes(item["description"]), Bytes(headline.GetDescription()));
        EXPECT_EQ(item["id"].get<long long>(), headline.GetId());
        EXPECT_EQ(Bytes(channelTitle), Bytes(headline.GetChannelTitle()));
    }
    EXPECT_EQ(expected["headlines"].get<long long>(), static_cast<long long>(delivered));
    EXPECT_EQ(next, sink.headlines.size());
}

INSTANTIATE_TEST_SUITE_P(Documents, FeedCorpus, ::testing::Range<size_t>(0, Cases().size()),
                         [](const ::testing::TestParamInfo<size_t>& info)
                         {
                             std::string name = Cases()[info.param].file;
                             for (char& c : name)
                             {
                                 const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                                    (c >= '0' && c <= '9');
                                 c = plain ? c : '_';
                             }
                             return std::to_string(info.param) + "_" + name;
                         });
