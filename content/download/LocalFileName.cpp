#include "LocalFileName.h"

#include "content/UnicodeText.h"
#include "content/UrlCheck.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace Content
{
namespace Download
{
const char* const FallbackFileName = "download";

namespace
{
// An extension longer than this is not kept whole when a name is shortened.
const size_t MaxKeptExtension = 16;

char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// A name's text with the way its characters are read: by UTF-8 sequence,
// or by byte for a name in the ANSI code page.
struct CNameText
{
    std::string text;
    bool utf8;

    explicit CNameText(const CString& name)
        : text(name.GetString(), name.GetLength()), utf8(IsWellFormedUtf8(name))
    {
    }

    // Bytes of the character at i; the text is known to be well-formed.
    size_t CharacterBytes(size_t i) const
    {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        return !utf8 || lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    }
    uint32_t Code(size_t i) const
    {
        const size_t bytes = CharacterBytes(i);
        static const unsigned char leadMask[] = {0, 0xFF, 0x1F, 0x0F, 0x07};
        uint32_t code = static_cast<unsigned char>(text[i]) & leadMask[bytes];
        for (size_t k = 1; k < bytes; ++k)
        {
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        return code;
    }
    // What Windows counts: UTF-16 units, or bytes, which an ANSI name never
    // has fewer of.
    size_t Units(size_t from = 0) const
    {
        size_t units = 0;
        for (size_t i = from; i < text.size(); i += CharacterBytes(i))
        {
            units += CharacterBytes(i) == 4 ? 2 : 1;
        }
        return units;
    }
    // Bytes of the longest start of the text that holds at most units.
    size_t PrefixBytes(size_t units) const
    {
        size_t i = 0;
        for (size_t used = 0; i < text.size(); i += CharacterBytes(i))
        {
            used += CharacterBytes(i) == 4 ? 2 : 1;
            if (used > units)
            {
                break;
            }
        }
        return i;
    }
};

bool IsForbidden(uint32_t code, bool utf8)
{
    if (code < 0x20 || code == 0x7F || (code < 0x80 && std::strchr("\\/:*?\"<>|", static_cast<int>(code))))
    {
        return true;
    }
    // Direction controls make a name read otherwise than it is:
    // "clip<U+202E>3pm.exe" shows as "clipexe.mp3".
    return utf8 && (code == 0x061C || code == 0x200E || code == 0x200F ||
                    (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069));
}

// The simple lower-case mapping of the alphabets with letter case that
// names are mostly written in; characters of other scripts stay themselves.
uint32_t FoldCase(uint32_t c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) ||
        (c >= 0x410 && c <= 0x42F) || (c >= 0xFF21 && c <= 0xFF3A))
    {
        return c + 0x20;
    }
    if (c >= 0x400 && c <= 0x40F)
    {
        return c + 0x50;
    }
    if (c >= 0x531 && c <= 0x556)
    {
        return c + 0x30;
    }
    // Capital and small letters in pairs, the capital first: even and odd...
    if ((c >= 0x100 && c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177) ||
        (c >= 0x3D8 && c <= 0x3EF) || (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) ||
        (c >= 0x4D0 && c <= 0x52F) || (c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF))
    {
        return c | 1;
    }
    // ...or odd and even.
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E) || (c >= 0x4C1 && c <= 0x4CE))
    {
        return (c & 1) != 0 ? c + 1 : c;
    }
    switch (c)
    {
    case 0x178:
        return 0xFF;
    case 0x386:
        return 0x3AC;
    case 0x388:
    case 0x389:
    case 0x38A:
        return c + 0x25;
    case 0x38C:
        return 0x3CC;
    case 0x38E:
    case 0x38F:
        return c + 0x3F;
    case 0x3C2: // final sigma: Windows takes it for a sigma too
        return 0x3C3;
    case 0x4C0:
        return 0x4CF;
    default:
        return c;
    }
}

void TrimTrailingDotsAndSpaces(std::string& text)
{
    while (!text.empty() && (text.back() == '.' || text.back() == ' '))
    {
        text.pop_back();
    }
}

// Where the extension of a name begins (its last dot), or npos. A leading
// dot starts no extension. A dot byte is never part of a longer character.
size_t ExtensionStart(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string::npos : dot;
}
} // namespace

bool EqualIgnoringCase(const CString& a, const CString& b)
{
    const CNameText left(a);
    const CNameText right(b);
    if (!left.utf8 || !right.utf8)
    {
        if (a.GetLength() != b.GetLength())
        {
            return false;
        }
        for (size_t i = 0; i < a.GetLength(); ++i)
        {
            if (LowerAscii(a[i]) != LowerAscii(b[i]))
            {
                return false;
            }
        }
        return true;
    }
    size_t i = 0;
    size_t j = 0;
    for (; i < left.text.size() && j < right.text.size();
         i += left.CharacterBytes(i), j += right.CharacterBytes(j))
    {
        if (FoldCase(left.Code(i)) != FoldCase(right.Code(j)))
        {
            return false;
        }
    }
    return i == left.text.size() && j == right.text.size();
}

bool IsReservedDeviceName(const CString& name)
{
    // Windows looks at the part before the first dot, trailing spaces removed.
    std::string base(name.GetString(), name.GetLength());
    base = base.substr(0, base.find('.'));
    while (!base.empty() && base.back() == ' ')
    {
        base.pop_back();
    }
    for (char& c : base)
    {
        c = LowerAscii(c);
    }
    if (base == "con" || base == "prn" || base == "aux" || base == "nul" || base == "conin$" ||
        base == "conout$" || base == "clock$")
    {
        return true;
    }
    if (base.compare(0, 3, "com") != 0 && base.compare(0, 3, "lpt") != 0)
    {
        return false;
    }
    // A digit, or superscript one, two or three: a byte in the ANSI code
    // page, two bytes in UTF-8.
    const std::string digit = base.substr(base.size() < 3 ? base.size() : 3);
    const unsigned char last = digit.empty() ? 0 : static_cast<unsigned char>(digit.back());
    const bool superscript = last == 0xB9 || last == 0xB2 || last == 0xB3;
    if (digit.size() == 1)
    {
        return (last >= '0' && last <= '9') || superscript;
    }
    return digit.size() == 2 && static_cast<unsigned char>(digit[0]) == 0xC2 && superscript;
}

CString SafeFileName(const CString& name, size_t maxLength)
{
    const CNameText source(name);
    std::string safe;
    safe.reserve(source.text.size());
    for (size_t i = 0; i < source.text.size(); i += source.CharacterBytes(i))
    {
        const uint32_t code = source.utf8 ? source.Code(i) : static_cast<unsigned char>(source.text[i]);
        if (IsForbidden(code, source.utf8))
        {
            safe += '_';
        }
        else
        {
            safe.append(source.text, i, source.CharacterBytes(i));
        }
    }
    TrimTrailingDotsAndSpaces(safe);
    if (safe.empty())
    {
        safe = FallbackFileName;
    }
    if (IsReservedDeviceName(CString(safe.c_str(), safe.size())))
    {
        safe.insert(safe.begin(), '_');
    }
    if (maxLength == 0)
    {
        maxLength = 1;
    }
    CNameText shortened(CString(safe.c_str(), safe.size()));
    const size_t units = shortened.Units();
    if (units <= maxLength)
    {
        return CString(safe.c_str(), safe.size());
    }
    const size_t dot = ExtensionStart(safe);
    const size_t extensionUnits = dot == std::string::npos ? 0 : shortened.Units(dot);
    std::string extension;
    if (dot != std::string::npos && extensionUnits <= MaxKeptExtension && extensionUnits < maxLength)
    {
        extension = safe.substr(dot);
    }
    const size_t extensionKept = extension.empty() ? 0 : extensionUnits;
    std::string stem = safe.substr(0, shortened.PrefixBytes(maxLength - extensionKept));
    TrimTrailingDotsAndSpaces(stem);
    if (stem.empty())
    {
        stem = "_";
    }
    safe = stem + extension;
    TrimTrailingDotsAndSpaces(safe);
    return CString(safe.c_str(), safe.size());
}

CString FileNameFromUrl(const CString& url, size_t maxLength, SegmentEscapes escapes)
{
    std::string text(url.GetString(), url.GetLength());
    text = text.substr(0, text.find('#'));
    text = text.substr(0, text.find('?'));
    // The segment must come from the path: "http://host" has none.
    size_t pathStart = 0;
    const size_t scheme = text.find("://");
    if (scheme != std::string::npos)
    {
        pathStart = text.find('/', scheme + 3);
        if (pathStart == std::string::npos)
        {
            return SafeFileName(CString(), maxLength);
        }
    }
    const size_t slash = text.rfind('/');
    std::string segment =
        slash == std::string::npos || slash < pathStart ? text.substr(pathStart) : text.substr(slash + 1);
    if (escapes == SegmentEscapes::Decoded)
    {
        const std::string decoded = PercentDecoded(segment);
        if (IsWellFormedUtf8(CString(decoded.c_str(), decoded.size())))
        {
            segment = decoded;
        }
    }
    return SafeFileName(CString(segment.c_str(), segment.size()), maxLength);
}

CString NumberedFileName(const CString& name, unsigned number)
{
    const std::string text(name.GetString(), name.GetLength());
    const size_t dot = ExtensionStart(text);
    const std::string stem = dot == std::string::npos ? text : text.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : text.substr(dot);
    const std::string numbered = stem + " (" + std::to_string(number) + ")" + extension;
    return CString(numbered.c_str(), numbered.size());
}
} // namespace Download
} // namespace Content
