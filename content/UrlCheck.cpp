#include "UrlCheck.h"

#include <algorithm>
#include <cctype>

namespace Content
{
bool HasControlCharacters(const CString& url)
{
    for (size_t i = 0; i < url.GetLength(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(url[i]);
        if (c < 0x20 || c == 0x7F)
        {
            return true;
        }
    }
    return false;
}

CString WithoutFragment(const CString& url)
{
    for (size_t i = 0; i < url.GetLength(); ++i)
    {
        if (url[i] == '#')
        {
            return CString(url.GetString(), i);
        }
    }
    return url;
}

std::string EscapeRequestTarget(const std::string& object)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(object.size());
    for (const char c : object)
    {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte >= 0x7F)
        {
            escaped += '%';
            escaped += digits[byte >> 4];
            escaped += digits[byte & 15];
        }
        else
        {
            escaped += c;
        }
    }
    return escaped;
}

bool SameOrigin(const CUrlParts& a, const CUrlParts& b)
{
    return a.secure == b.secure && a.port == b.port &&
           std::equal(a.host.begin(), a.host.end(), b.host.begin(), b.host.end(),
                      [](char x, char y) {
                          return std::tolower(static_cast<unsigned char>(x)) ==
                                 std::tolower(static_cast<unsigned char>(y));
                      });
}
std::string PercentDecoded(const std::string& text)
{
    const auto hexValue = [](char c)
    {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        // The second digit is only looked at when the first is one, and
        // neither past the end.
        const int high = text[i] == '%' && i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low >= 0)
        {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        }
        else
        {
            out += text[i];
        }
    }
    return out;
}
} // namespace Content
