// Arbitrary bytes through everything the listing service's answers go
// through: the guarded parse, the listing and change answers, and the
// decoding of an address. Besides crashes and sanitizer reports it stops on
// a decoded address longer than its cut or holding a zero byte, and on an
// escaped channel that does not decode back to itself.
#include "content/XmlDocument.h"
#include "sync/SyncAnswer.h"
#include "sync/SyncEncoding.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
void CheckListed(const CString& url)
{
    if (url.GetLength() > Sync::MaxListedUrlLength || url.Find('\0') >= 0)
    {
        std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A block of exactly the text's size plus its terminator, so that
    // reading past the end is caught.
    std::vector<char> text(data, data + size);
    text.push_back(0);

    CheckListed(Sync::DecodeListedUrl(text.data()));

    TiXmlDocument document;
    Content::ParseXmlBody(text.data(), document);
    std::vector<CString> channels;
    CString error;
    Sync::ReadListAnswer(document, channels, error);
    for (const CString& url : channels)
    {
        CheckListed(url);
    }
    Sync::ReadChangeAnswer(document, error);

    // Escaping is undone by the decoding, except for the space the escaping
    // turns into "+", a zero byte, and what lies beyond the cut.
    const std::string plain(text.data());
    if (plain.size() <= Sync::MaxListedUrlLength && plain.find(' ') == std::string::npos)
    {
        const CString escaped = Sync::EscapeChannel(CString(plain.c_str()));
        if (std::string(Sync::DecodeListedUrl(escaped.GetString()).GetString()) != plain)
        {
            std::abort();
        }
    }
    return 0;
}
