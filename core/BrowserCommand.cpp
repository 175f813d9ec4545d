#include "BrowserCommand.h"

#include <cctype>
#include <cstring>

namespace
{
bool IsSpace(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

CString Trim(const CString& text)
{
    size_t first = 0;
    size_t end = text.GetLength();
    while (first < end && IsSpace(text[first]))
    {
        ++first;
    }
    while (end > first && IsSpace(text[end - 1]))
    {
        --end;
    }
    return text.Mid(first, end - first);
}

bool StartsWithIgnoringCase(const CString& text, const char* prefix)
{
    size_t length = std::strlen(prefix);
    if (text.GetLength() < length)
    {
        return false;
    }
    for (size_t i = 0; i < length; ++i)
    {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
        {
            return false;
        }
    }
    return true;
}
} // namespace

CBrowserCommand::CBrowserCommand(const CString& command)
{
    const size_t length = command.GetLength();
    if (length > 0 && command[0] == '"')
    {
        long closing = command.Find('"', 1);
        if (closing < 0)
        {
            m_executable = command.Mid(1);
        }
        else
        {
            m_executable = command.Mid(1, static_cast<size_t>(closing) - 1);
            m_parameters = command.Mid(static_cast<size_t>(closing) + 1);
            m_parameters += ' ';
        }
    }
    else
    {
        size_t i = 0;
        bool first = true;
        while (i < length)
        {
            while (i < length && command[i] == ' ')
            {
                ++i;
            }
            size_t start = i;
            while (i < length && command[i] != ' ')
            {
                ++i;
            }
            if (i == start)
            {
                break;
            }
            CString token = command.Mid(start, i - start);
            if (first)
            {
                m_executable = token;
                first = false;
            }
            else
            {
                m_parameters += token;
                m_parameters += ' ';
            }
        }
    }
    m_executable = Trim(m_executable);
}

CString CBrowserCommand::GetParameters(const CString& link) const
{
    // Left to right without looking at what was inserted, so a link that
    // itself contains "%1" is not substituted again.
    CString parameters;
    bool substituted = false;
    size_t start = 0;
    for (;;)
    {
        long found = m_parameters.Find("%1", start);
        if (found < 0)
        {
            break;
        }
        parameters += m_parameters.Mid(start, static_cast<size_t>(found) - start);
        parameters += link;
        start = static_cast<size_t>(found) + 2;
        substituted = true;
    }
    parameters += m_parameters.Mid(start);
    if (!substituted)
    {
        parameters += link;
    }
    return Trim(parameters);
}

bool IsWebLink(const CString& text)
{
    return StartsWithIgnoringCase(text, "http://") || StartsWithIgnoringCase(text, "https://");
}

CString EscapeLink(const CString& link)
{
    const char digits[] = "0123456789ABCDEF";
    CString escaped;
    for (size_t i = 0; i < link.GetLength(); ++i)
    {
        unsigned char c = static_cast<unsigned char>(link[i]);
        if (c == '"' || c == ' ' || c < 0x20 || c == 0x7F)
        {
            escaped += '%';
            escaped += digits[c >> 4];
            escaped += digits[c & 0x0F];
        }
        else
        {
            escaped += static_cast<char>(c);
        }
    }
    return escaped;
}
