#include "XmlDocument.h"

#include <cstring>
#include <vector>

namespace Content
{
namespace
{
// TinyXML itself stops at the limits (our patch to it); what it built up to
// there is dropped, so a refused document is empty like a failed fetch.
bool ParseWithinLimits(const char* text, TiXmlDocument& document)
{
    document.Parse(text, nullptr, TIXML_ENCODING_UNKNOWN);
    if (document.Error() && document.ErrorId() == TiXmlBase::TIXML_ERROR_OVER_LIMIT)
    {
        document.Clear();
        return false;
    }
    return true;
}
} // namespace

bool ParseXmlBody(const char* text, TiXmlDocument& document)
{
    const size_t length = std::strlen(text);
    std::vector<char> padded(length + 1 + XmlPadding, 0);
    std::memcpy(padded.data(), text, length);
    return ParseWithinLimits(padded.data(), document);
}

bool ParsePaddedXmlBody(const char* text, TiXmlDocument& document)
{
    return ParseWithinLimits(text, document);
}
} // namespace Content
