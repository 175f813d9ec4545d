#include "XmlDocument.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace Content
{
namespace
{
enum class TextEncoding
{
    Unknown,
    Utf8,
    Legacy
};

// TinyXML's character classes as it applies them in the C locale; every
// byte from 127 up counts as a letter.
bool IsWhiteSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsAlpha(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 127 || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}

bool IsAlphaNum(char c)
{
    return IsAlpha(c) || (c >= '0' && c <= '9');
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The length TinyXML gives a character starting with this byte.
size_t SequenceLength(TextEncoding encoding, char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    if (encoding != TextEncoding::Utf8 || u < 0xC2 || u > 0xF4)
    {
        return 1;
    }
    return u < 0xE0 ? 2 : u < 0xF0 ? 3 : 4;
}

// Walks a text the way TinyXML's parser does, without building anything,
// to learn how deep it would nest elements (and recurse) and how many
// attributes it would read on one element, before it is let loose on it. Every step mirrors one of TinyXML's:
// a step that skipped differently could hide elements from the count. Each one returns where TinyXML goes on,
// or null where it gives up; TinyXML also gives up at the end of the text, so the walk stops at the
// terminator too. Attribute values are collected only for the declaration's encoding, which TinyXML reads
// before the encoding is known (one byte per character).
class CStructureScanner
{
public:
    explicit CStructureScanner(const char* text) : m_text(text) {}

    // Walks until the end, or until the depth or the attributes of one
    // element exceed their limit.
    void Scan(size_t depthLimit, size_t attributeLimit);
    size_t Depth() const { return m_depth; }
    size_t MostAttributes() const { return m_mostAttributes; }

private:
    const char* SkipWhiteSpace(const char* p) const;
    const char* NextCharacter(const char* p, std::string* value) const;
    const char* Entity(const char* p, std::string* value) const;
    const char* ReadText(const char* p, const char* end, std::string* value) const;
    const char* Attribute(const char* p, std::string* value) const;
    const char* Declaration(const char* p, std::string* encoding) const;
    const char* Text(const char* p) const;
    static bool StartsWith(const char* p, const char* tag, bool ignoreCase = false);
    static const char* ReadName(const char* p);
    static const char* Comment(const char* p);
    static const char* Cdata(const char* p);
    static const char* Unknown(const char* p);

    const char* m_text;
    TextEncoding m_encoding = TextEncoding::Unknown;
    size_t m_depth = 0;
    size_t m_mostAttributes = 0;
};

bool CStructureScanner::StartsWith(const char* p, const char* tag, bool ignoreCase)
{
    for (; *tag != 0; ++p, ++tag)
    {
        if (*p == 0 || (ignoreCase ? AsciiLower(*p) != AsciiLower(*tag) : *p != *tag))
        {
            return false;
        }
    }
    return true;
}

const char* CStructureScanner::SkipWhiteSpace(const char* p) const
{
    for (;;)
    {
        // In UTF-8 TinyXML also skips byte order marks and the two
        // non-characters U+FFFE and U+FFFF.
        if (*p == '\xEF' && m_encoding == TextEncoding::Utf8 &&
            (StartsWith(p, "\xEF\xBB\xBF") || StartsWith(p, "\xEF\xBF\xBE") || StartsWith(p, "\xEF\xBF\xBF")))
        {
            p += 3;
        }
        else if (*p != 0 && IsWhiteSpace(*p))
        {
            ++p;
        }
        else
        {
            return p;
        }
    }
}

const char* CStructureScanner::NextCharacter(const char* p, std::string* value) const
{
    const size_t length = SequenceLength(m_encoding, *p);
    if (length == 1)
    {
        if (*p == '&')
        {
            return Entity(p, value);
        }
        if (value != nullptr)
        {
            *value += *p;
        }
        return p + 1;
    }
    for (size_t i = 1; i < length; ++i)
    {
        if (p[i] == 0)
        {
            return nullptr; // the sequence runs over the end: TinyXML stops in the padding
        }
    }
    return p + length;
}

const char* CStructureScanner::Entity(const char* p, std::string* value) const
{
    if (p[1] == '#' && p[2] != 0)
    {
        // TinyXML finds the next ';' anywhere further on and only checks
        // the digits back to the nearest 'x' or '#': "&#x<a>x41;" is one
        // character, and what lies between is not markup.
        const bool hexadecimal = p[2] == 'x';
        if (hexadecimal && p[3] == 0)
        {
            return nullptr;
        }
        const char* semicolon = std::strchr(p + (hexadecimal ? 3 : 2), ';');
        if (semicolon == nullptr)
        {
            return nullptr;
        }
        uint32_t code = 0;
        uint32_t multiplier = 1;
        for (const char* q = semicolon - 1; *q != (hexadecimal ? 'x' : '#'); --q)
        {
            uint32_t digit = 0;
            if (*q >= '0' && *q <= '9')
            {
                digit = static_cast<uint32_t>(*q - '0');
            }
            else if (hexadecimal && *q >= 'a' && *q <= 'f')
            {
                digit = static_cast<uint32_t>(*q - 'a' + 10);
            }
            else if (hexadecimal && *q >= 'A' && *q <= 'F')
            {
                digit = static_cast<uint32_t>(*q - 'A' + 10);
            }
            else
            {
                return nullptr;
            }
            code += multiplier * digit;
            multiplier *= hexadecimal ? 16 : 10;
        }
        if (value != nullptr)
        {
            *value += static_cast<char>(code & 0xFF);
        }
        return semicolon + 1;
    }
    static const std::pair<const char*, char> Predefined[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (const auto& entity : Predefined)
    {
        if (StartsWith(p, entity.first))
        {
            if (value != nullptr)
            {
                *value += entity.second;
            }
            return p + std::strlen(entity.first);
        }
    }
    return p + 1; // an unknown reference: TinyXML drops the '&' and goes on
}

const char* CStructureScanner::ReadText(const char* p, const char* end, std::string* value) const
{
    if (value == nullptr && end[0] != 0 && end[1] == 0)
    {
        // The common case, element text and attribute values: the same
        // steps as below, one byte compared instead of a string.
        for (;;)
        {
            const char c = *p;
            if (c == 0)
            {
                return nullptr;
            }
            if (c == end[0])
            {
                ++p;
                return *p != 0 ? p : nullptr;
            }
            p = c == '&' || SequenceLength(m_encoding, c) != 1 ? NextCharacter(p, nullptr) : p + 1;
            if (p == nullptr)
            {
                return nullptr;
            }
        }
    }
    while (*p != 0 && !StartsWith(p, end))
    {
        p = NextCharacter(p, value);
        if (p == nullptr)
        {
            return nullptr;
        }
    }
    if (*p == 0)
    {
        return nullptr;
    }
    p += std::strlen(end);
    return *p != 0 ? p : nullptr;
}

const char* CStructureScanner::ReadName(const char* p)
{
    if (!IsAlpha(*p) && *p != '_')
    {
        return nullptr;
    }
    while (*p != 0 && (IsAlphaNum(*p) || *p == '_' || *p == '-' || *p == '.' || *p == ':'))
    {
        ++p;
    }
    return p;
}

const char* CStructureScanner::Attribute(const char* p, std::string* value) const
{
    p = ReadName(SkipWhiteSpace(p));
    if (p == nullptr || *p == 0)
    {
        return nullptr;
    }
    p = SkipWhiteSpace(p);
    if (*p != '=')
    {
        return nullptr;
    }
    p = SkipWhiteSpace(p + 1);
    if (*p == '\'' || *p == '"')
    {
        const char quote[2] = {*p, 0};
        return ReadText(p + 1, quote, value);
    }
    for (; *p != 0 && !IsWhiteSpace(*p) && *p != '/' && *p != '>'; ++p)
    {
        if (*p == '\'' || *p == '"')
        {
            return nullptr;
        }
        if (value != nullptr)
        {
            *value += *p;
        }
    }
    return p;
}

const char* CStructureScanner::Declaration(const char* p, std::string* encoding) const
{
    p += 5; // "<?xml"
    while (*p != 0)
    {
        if (*p == '>')
        {
            return p + 1;
        }
        p = SkipWhiteSpace(p);
        if (*p == 0)
        {
            return nullptr;
        }
        if (StartsWith(p, "version", true) || StartsWith(p, "standalone", true))
        {
            p = Attribute(p, nullptr);
        }
        else if (StartsWith(p, "encoding", true))
        {
            std::string value;
            p = Attribute(p, &value);
            *encoding = value;
        }
        else
        {
            while (*p != 0 && *p != '>' && !IsWhiteSpace(*p))
            {
                ++p;
            }
        }
        if (p == nullptr)
        {
            return nullptr;
        }
    }
    return nullptr;
}

const char* CStructureScanner::Text(const char* p) const
{
    // Text ends before the next '<' that is not inside a character.
    p = ReadText(p, "<", nullptr);
    return p != nullptr ? p - 1 : nullptr;
}

const char* CStructureScanner::Comment(const char* p)
{
    p += 4;
    while (*p != 0 && !StartsWith(p, "-->"))
    {
        ++p;
    }
    return *p != 0 ? p + 3 : p;
}

const char* CStructureScanner::Cdata(const char* p)
{
    p += 9;
    while (*p != 0 && !StartsWith(p, "]]>"))
    {
        ++p;
    }
    return *p != 0 ? p + 3 : p;
}

const char* CStructureScanner::Unknown(const char* p)
{
    // Anything else after '<' runs to the next '>', quotes or not.
    p = std::strchr(p, '>');
    return p != nullptr ? p + 1 : nullptr;
}

void CStructureScanner::Scan(size_t depthLimit, size_t attributeLimit)
{
    if (StartsWith(m_text, "\xEF\xBB\xBF"))
    {
        m_encoding = TextEncoding::Utf8;
    }
    std::vector<std::pair<const char*, size_t>> open; // names of the open elements
    const char* p = m_text;
    while (p != nullptr)
    {
        p = SkipWhiteSpace(p);
        if (*p == 0)
        {
            break;
        }
        if (*p != '<')
        {
            // Text inside an element; outside one TinyXML stops.
            p = open.empty() ? nullptr : Text(p);
            continue;
        }
        if (!open.empty() && StartsWith(p, "</"))
        {
            // Only the open element's own end tag closes it; any other
            // stops TinyXML.
            const auto& name = open.back();
            if (std::strncmp(p + 2, name.first, name.second) != 0)
            {
                break;
            }
            p = SkipWhiteSpace(p + 2 + name.second);
            if (*p != '>')
            {
                break;
            }
            ++p;
            open.pop_back();
            continue;
        }
        if (StartsWith(p, "<?xml", true))
        {
            std::string encoding;
            p = Declaration(p, &encoding);
            if (open.empty() && m_encoding == TextEncoding::Unknown)
            {
                // TinyXML reads the encoding name only up to a zero byte.
                const char* name = encoding.c_str();
                m_encoding = *name == 0 || StartsWith(name, "UTF-8", true) || StartsWith(name, "UTF8", true)
                                 ? TextEncoding::Utf8
                                 : TextEncoding::Legacy;
            }
        }
        else if (StartsWith(p, "<!--"))
        {
            p = Comment(p);
        }
        else if (StartsWith(p, "<![CDATA["))
        {
            p = Cdata(p);
        }
        else if (StartsWith(p, "<!") || (!IsAlpha(p[1]) && p[1] != '_'))
        {
            p = Unknown(p);
        }
        else
        {
            // The element takes one level from here on, even when its start
            // tag turns out broken or it is empty: TinyXML has made the node.
            m_depth = std::max(m_depth, open.size() + 1);
            if (m_depth > depthLimit)
            {
                break;
            }
            // In UTF-8 TinyXML skips a byte order mark between '<' and the name.
            const char* name = SkipWhiteSpace(p + 1);
            p = ReadName(name);
            const size_t nameLength = p != nullptr ? static_cast<size_t>(p - name) : 0;
            size_t attributes = 0;
            while (p != nullptr)
            {
                p = SkipWhiteSpace(p);
                if (*p == '>')
                {
                    open.emplace_back(name, nameLength);
                    ++p;
                    break;
                }
                if (*p == '/')
                {
                    p = p[1] == '>' ? p + 2 : nullptr;
                    break;
                }
                // TinyXML compares each new attribute with all earlier ones
                // of its element.
                m_mostAttributes = std::max(m_mostAttributes, ++attributes);
                if (m_mostAttributes > attributeLimit)
                {
                    return;
                }
                p = *p != 0 ? Attribute(p, nullptr) : nullptr;
            }
        }
    }
}
} // namespace

size_t MeasureXmlDepth(const char* text, size_t limit)
{
    CStructureScanner scanner(text);
    scanner.Scan(limit, static_cast<size_t>(-1));
    return scanner.Depth();
}

size_t CountMostXmlAttributes(const char* text, size_t limit)
{
    CStructureScanner scanner(text);
    scanner.Scan(static_cast<size_t>(-1), limit);
    return scanner.MostAttributes();
}

namespace
{
bool IsWithinGuards(const char* text)
{
    CStructureScanner scanner(text);
    scanner.Scan(MaxXmlDepth, MaxXmlAttributes);
    return scanner.Depth() <= MaxXmlDepth && scanner.MostAttributes() <= MaxXmlAttributes;
}
} // namespace

bool ParseXmlBody(const char* text, TiXmlDocument& document)
{
    if (!IsWithinGuards(text))
    {
        return false;
    }
    const size_t length = std::strlen(text);
    std::vector<char> padded(length + 1 + XmlPadding, 0);
    std::memcpy(padded.data(), text, length);
    document.Parse(padded.data(), nullptr, TIXML_ENCODING_UNKNOWN);
    return true;
}

bool ParsePaddedXmlBody(const char* text, TiXmlDocument& document)
{
    if (!IsWithinGuards(text))
    {
        return false;
    }
    document.Parse(text, nullptr, TIXML_ENCODING_UNKNOWN);
    return true;
}
} // namespace Content
