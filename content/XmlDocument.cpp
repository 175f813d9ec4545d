#include "XmlDocument.h"

#include <cstring>

namespace Content
{
namespace
{
// Skips past the terminator, or to the end of the text.
const char* SkipPast(const char* p, const char* terminator)
{
    const char* found = std::strstr(p, terminator);
    return found != nullptr ? found + std::strlen(terminator) : p + std::strlen(p);
}
} // namespace

size_t MeasureXmlDepth(const char* text, size_t limit)
{
    size_t depth = 0;
    size_t deepest = 0;
    const char* p = text;
    while (*p != 0)
    {
        if (*p != '<')
        {
            ++p;
            continue;
        }
        if (std::strncmp(p, "<!--", 4) == 0)
        {
            p = SkipPast(p + 4, "-->");
        }
        else if (std::strncmp(p, "<![CDATA[", 9) == 0)
        {
            p = SkipPast(p + 9, "]]>");
        }
        else if (p[1] == '?' || p[1] == '!')
        {
            p = SkipPast(p + 2, ">");
        }
        else if (p[1] == '/')
        {
            if (depth > 0)
            {
                --depth;
            }
            p = SkipPast(p + 2, ">");
        }
        else
        {
            // A start tag: walk to its end, minding quoted attribute values,
            // and see whether it closes itself.
            ++p;
            char quote = 0;
            bool selfClosing = false;
            while (*p != 0)
            {
                if (quote != 0)
                {
                    if (*p == quote)
                    {
                        quote = 0;
                    }
                }
                else if (*p == '"' || *p == '\'')
                {
                    quote = *p;
                }
                else if (*p == '>')
                {
                    selfClosing = p[-1] == '/';
                    break;
                }
                ++p;
            }
            if (*p == '>')
            {
                ++p;
            }
            if (!selfClosing)
            {
                ++depth;
                if (depth > deepest)
                {
                    deepest = depth;
                    if (deepest > limit)
                    {
                        return deepest;
                    }
                }
            }
        }
    }
    return deepest;
}

bool ParseXmlBody(const char* text, TiXmlDocument& document)
{
    if (MeasureXmlDepth(text) > MaxXmlDepth)
    {
        return false;
    }
    document.Parse(text, nullptr, TIXML_ENCODING_UNKNOWN);
    return true;
}
} // namespace Content
