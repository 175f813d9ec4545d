// Arbitrary bytes through everything a channel's body goes through: the
// pieces of a fetch, the guarded parse, detection and the walk in every
// format, and the decoding and cleaning of the text a user reads in every
// encoding. Besides crashes and sanitizer reports it stops on a depth guard
// that counted less than TinyXML nested, on a headline the walk should
// never have handed over, and on shown text that is not well-formed UTF-8.
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
// Written apart from the cleaning it checks: the shortest encoding, no
// surrogates, nothing past U+10FFFF, no cut sequences.
bool IsWellFormedUtf8(const CString& text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.GetString());
    const unsigned char* end = p + text.GetLength();
    while (p < end)
    {
        const unsigned char c = *p;
        size_t more = 0;
        uint32_t code = 0;
        if (c < 0x80)
        {
            code = c;
        }
        else if ((c & 0xE0) == 0xC0)
        {
            more = 1;
            code = c & 0x1Fu;
        }
        else if ((c & 0xF0) == 0xE0)
        {
            more = 2;
            code = c & 0x0Fu;
        }
        else if ((c & 0xF8) == 0xF0)
        {
            more = 3;
            code = c & 0x07u;
        }
        else
        {
            return false;
        }
        if (static_cast<size_t>(end - p) <= more)
        {
            return more == 0;
        }
        for (size_t k = 1; k <= more; ++k)
        {
            if ((p[k] & 0xC0) != 0x80)
            {
                return false;
            }
            code = code << 6 | (p[k] & 0x3Fu);
        }
        static const uint32_t Shortest[] = {0, 0x80, 0x800, 0x10000};
        if (code < Shortest[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        {
            return false;
        }
        p += more + 1;
    }
    return true;
}

void CheckShown(const CString& text)
{
    if (!IsWellFormedUtf8(text) || text.Find('\t') >= 0 || text.Find('\n') >= 0)
    {
        std::abort();
    }
    Content::ReadsRightToLeft(text);
}

class CCheckingSink final : public Content::CFeedSink
{
public:
    void OnChannelTitle(const CString& title) override { CheckShown(title); }
    void BufferIfNew(const CHeadline& headline) override
    {
        const uint32_t id = Common::IdentityHash(headline.GetTitle().GetString()) +
                            Common::IdentityHash(headline.GetLink().GetString());
        if (!headline.IsSealed() || headline.GetShownTitle().IsEmpty() ||
            static_cast<int32_t>(id) != headline.GetId())
        {
            std::abort();
        }
        CheckShown(headline.GetShownTitle());
        CheckShown(headline.GetShownDescription());
        CheckShown(headline.GetShownChannelTitle());
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
    // A block of exactly the text with the padding a body keeps, so that the
    // parser reading past the padding is caught.
    const std::vector<char> padded(body.GetText(), body.GetText() + body.GetLength() + 1 + Content::XmlPadding);

    TiXmlDocument document;
    if (Content::ParsePaddedXmlBody(padded.data(), document) && TreeDepth(&document) > Content::MaxXmlDepth)
    {
        std::abort();
    }
    // The shown text's own path on the raw bytes, in every encoding, reaches
    // sequences that a document would have to carry in a title.
    const CString raw(bytes, std::min<size_t>(size, 4096));
    for (Content::TextEncoding encoding :
         {Content::TextEncoding::Utf8, Content::TextEncoding::Latin1, Content::TextEncoding::Windows1252,
          Content::TextEncoding::Windows1251, Content::TextEncoding::Koi8R,
          Content::TextEncoding::Unsupported})
    {
        CheckShown(Content::CleanUnicode(Content::DecodeToUtf8(raw, encoding)));
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
