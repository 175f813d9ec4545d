#include "UrlCheck.h"

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
} // namespace Content
