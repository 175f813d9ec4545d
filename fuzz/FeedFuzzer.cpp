// Arbitrary bytes through everything a channel's body goes through: the
// pieces of a fetch, the guarded parse, detection and the walk in every
// format. Besides crashes and sanitizer reports it stops on a depth guard
// that counted less than TinyXML nested, and on a headline the walk should
// never have handed over.
#include "common/IdentityHash.h"
#include "content/FeedFormats.h"
#include "content/ResponseBody.h"
#include "content/XmlDocument.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace
{
class CCheckingSink final : public Content::CFeedSink
{
public:
    void OnChannelTitle(const CString&) override {}
    void BufferIfNew(const CHeadline& headline) override
    {
        const uint32_t id = Common::IdentityHash(headline.GetTitle().GetString()) +
                            Common::IdentityHash(headline.GetLink().GetString());
        if (!headline.IsSealed() || headline.GetTitle().IsEmpty() ||
            static_cast<int32_t>(id) != headline.GetId())
        {
            std::abort();
        }
    }
};

size_t TreeDepth(const TiXmlNode* node)
{
    size_t deepest = 0;
    for (const TiXmlNode* child = node->FirstChild(); child != nullptr; child = child->NextSibling())
    {
        deepest = std::max(deepest, TreeDepth(child) + (child->ToElement() != nullptr ? 1 : 0));
    }
    return deepest;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    Content::CResponseBody body;
    for (size_t offset = 0; offset < size; offset += Content::CResponseBody::PieceSize)
    {
        body.AppendPiece(bytes + offset, std::min(Content::CResponseBody::PieceSize, size - offset));
    }
    // Blocks of exactly the text's size, and of the text with the padding a
    // body keeps, so that the scan reading past the terminator, or the
    // parser past the padding, is caught.
    const std::vector<char> text(body.GetText(), body.GetText() + body.GetLength() + 1);
    const std::vector<char> padded(body.GetText(), body.GetText() + body.GetLength() + 1 + Content::XmlPadding);
    const size_t depth = Content::MeasureXmlDepth(text.data());

    TiXmlDocument document;
    if (Content::ParsePaddedXmlBody(padded.data(), document) && TreeDepth(&document) > depth)
    {
        std::abort();
    }
    Content::DetectFormat(document);
    for (Content::FeedFormat format : {Content::FeedFormat::Rss, Content::FeedFormat::Rss10,
                                       Content::FeedFormat::Atom, Content::FeedFormat::Unknown})
    {
        CString channelTitle;
        CCheckingSink sink;
        Content::ParseDocument(format, document, channelTitle, nullptr, sink);
    }
    return 0;
}
