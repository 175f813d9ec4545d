#include "JobKey.h"

#include "content/UrlCheck.h"
#include "core/BrowserCommand.h"

#include <cstring>
#include <string>

namespace Content
{
namespace Download
{
bool IsDownloadableUrl(const CString& url)
{
    return url.GetLength() <= MaxUrlLength && !HasControlCharacters(url) && IsWebLink(url);
}

bool CanNameKey(const CString& url)
{
    return !url.IsEmpty() && url.GetLength() <= MaxKeyNameLength && url.Find('\\') < 0 &&
           std::strlen(url.GetString()) == url.GetLength();
}

CString GeneratedKeyName(const CString& url, unsigned number)
{
    // FNV-1a: stable across versions, so a name once written stays the
    // job's name; collisions only cost a numbered name.
    uint64_t hash = 14695981039346656037ull;
    for (size_t i = 0; i < url.GetLength(); ++i)
    {
        hash ^= static_cast<unsigned char>(url[i]);
        hash *= 1099511628211ull;
    }
    const char digits[] = "0123456789abcdef";
    std::string name = "job-";
    for (int shift = 60; shift >= 0; shift -= 4)
    {
        name += digits[(hash >> shift) & 0xF];
    }
    if (number >= 2)
    {
        name += " (" + std::to_string(number) + ")";
    }
    return CString(name.c_str(), name.size());
}
} // namespace Download
} // namespace Content
