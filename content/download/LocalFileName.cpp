#include "LocalFileName.h"

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

bool IsForbidden(unsigned char c)
{
    return c < 0x20 || c == 0x7F || std::strchr("\\/:*?\"<>|", c) != nullptr;
}

void TrimTrailingDotsAndSpaces(std::string& text)
{
    while (!text.empty() && (text.back() == '.' || text.back() == ' '))
    {
        text.pop_back();
    }
}

// Where the extension of a name begins (its last dot), or npos. A leading
// dot starts no extension.
size_t ExtensionStart(const std::string& name)
{
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string::npos : dot;
}
} // namespace

bool EqualIgnoringCase(const CString& a, const CString& b)
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
    if (base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0))
    {
        const unsigned char digit = static_cast<unsigned char>(base[3]);
        // Superscript one, two and three count as digits here too.
        return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

CString SafeFileName(const CString& name, size_t maxLength)
{
    std::string safe(name.GetString(), name.GetLength());
    for (char& c : safe)
    {
        if (IsForbidden(static_cast<unsigned char>(c)))
        {
            c = '_';
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
    if (safe.size() > maxLength)
    {
        const size_t dot = ExtensionStart(safe);
        std::string extension;
        if (dot != std::string::npos && safe.size() - dot <= MaxKeptExtension &&
            safe.size() - dot < maxLength)
        {
            extension = safe.substr(dot);
        }
        std::string stem = safe.substr(0, maxLength - extension.size());
        TrimTrailingDotsAndSpaces(stem);
        if (stem.empty())
        {
            stem = "_";
        }
        safe = stem + extension;
        TrimTrailingDotsAndSpaces(safe);
    }
    return CString(safe.c_str(), safe.size());
}

CString FileNameFromUrl(const CString& url, size_t maxLength)
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
    const std::string segment =
        slash == std::string::npos || slash < pathStart ? text.substr(pathStart) : text.substr(slash + 1);
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
