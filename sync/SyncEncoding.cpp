#include "SyncEncoding.h"

#include "common/IdentityHash.h"
#include "content/UrlCheck.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Sync
{
namespace
{
bool IsKeptInChannel(unsigned char byte)
{
    if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9'))
    {
        return true;
    }
    return byte != 0 && std::strchr("!'()*-./:_~", byte) != nullptr;
}
} // namespace

CString PasswordToken(const CString& password)
{
    static const char Digits[] = "0123456789ABCDEF";
    const uint32_t hash = Common::IdentityHash(password.GetString());
    char token[9] = {};
    for (int i = 0; i < 4; ++i)
    {
        const unsigned byte = (hash >> (8 * i)) & 0xFF;
        token[2 * i] = Digits[byte >> 4];
        token[2 * i + 1] = Digits[byte & 0xF];
    }
    return CString(token);
}

CString EscapeChannel(const CString& channel)
{
    static const char Digits[] = "0123456789abcdef";
    CString escaped;
    for (size_t i = 0; i < channel.GetLength(); ++i)
    {
        const unsigned char byte = static_cast<unsigned char>(channel[i]);
        if (byte == ' ')
        {
            escaped += '+';
        }
        else if (IsKeptInChannel(byte))
        {
            escaped += static_cast<char>(byte);
        }
        else
        {
            const char code[3] = {'%', Digits[byte >> 4], Digits[byte & 0xF]};
            escaped.Append(code, 3);
        }
    }
    return escaped;
}

CString RequestUrl(const CString& base, const char* script, const CString& username, const CString& password,
                   const CString* channel)
{
    CString url = base;
    url += script;
    url += "?user=";
    url += username;
    url += "&password=";
    url += PasswordToken(password);
    if (channel != nullptr)
    {
        url += "&channel=";
        url += EscapeChannel(*channel);
    }
    return url;
}

CString DecodeListedUrl(const char* value)
{
    // Decoded whole and then cut, which is what decoding the part before the
    // cut gives: the first NUL byte ends the entry, and so does the length.
    std::string decoded = Content::PercentDecoded(value);
    decoded.resize(std::min({decoded.find('\0'), decoded.size(), MaxListedUrlLength}));
    return CString(decoded.c_str(), decoded.size());
}
} // namespace Sync
