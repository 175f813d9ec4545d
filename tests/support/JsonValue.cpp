#include "JsonValue.h"

#include <cstdlib>

class CJsonValue::CParser
{
public:
    explicit CParser(const std::string& text) : m_text(text) {}

    bool ParseWhole(CJsonValue& value)
    {
        return ParseValue(value) && (SkipSpace(), m_position == m_text.size());
    }

private:
    void SkipSpace()
    {
        while (m_position < m_text.size() && (m_text[m_position] == ' ' || m_text[m_position] == '\t' ||
                                              m_text[m_position] == '\r' || m_text[m_position] == '\n'))
        {
            ++m_position;
        }
    }

    bool Take(char c)
    {
        SkipSpace();
        if (m_position < m_text.size() && m_text[m_position] == c)
        {
            ++m_position;
            return true;
        }
        return false;
    }

    bool TakeWord(const char* word)
    {
        const std::string w(word);
        if (m_text.compare(m_position, w.size(), w) != 0)
        {
            return false;
        }
        m_position += w.size();
        return true;
    }

    bool ParseValue(CJsonValue& value)
    {
        SkipSpace();
        if (m_position >= m_text.size())
        {
            return false;
        }
        const char c = m_text[m_position];
        if (c == '{')
        {
            value.m_kind = Kind::Object;
            ++m_position;
            if (Take('}'))
            {
                return true;
            }
            do
            {
                std::pair<std::string, CJsonValue> member;
                SkipSpace();
                if (!ParseString(member.first) || !Take(':') || !ParseValue(member.second))
                {
                    return false;
                }
                value.m_object.push_back(std::move(member));
            } while (Take(','));
            return Take('}');
        }
        if (c == '[')
        {
            value.m_kind = Kind::Array;
            ++m_position;
            if (Take(']'))
            {
                return true;
            }
            do
            {
                value.m_array.emplace_back();
                if (!ParseValue(value.m_array.back()))
                {
                    return false;
                }
            } while (Take(','));
            return Take(']');
        }
        if (c == '"')
        {
            value.m_kind = Kind::String;
            return ParseString(value.m_string);
        }
        if (TakeWord("null"))
        {
            value.m_kind = Kind::Null;
            return true;
        }
        if (TakeWord("true") || TakeWord("false"))
        {
            value.m_kind = Kind::Boolean;
            value.m_boolean = c == 't';
            return true;
        }
        const char* start = m_text.c_str() + m_position;
        char* end = nullptr;
        value.m_integer = std::strtoll(start, &end, 10);
        if (end == start)
        {
            return false;
        }
        value.m_kind = Kind::Integer;
        m_position += static_cast<size_t>(end - start);
        return true;
    }

    bool ParseString(std::string& out)
    {
        if (m_position >= m_text.size() || m_text[m_position] != '"')
        {
            return false;
        }
        ++m_position;
        while (m_position < m_text.size())
        {
            const char c = m_text[m_position++];
            if (c == '"')
            {
                return true;
            }
            if (static_cast<unsigned char>(c) >= 0x80)
            {
                return false; // only escapes may carry bytes above 0x7F
            }
            if (c != '\\')
            {
                out += c;
                continue;
            }
            if (m_position >= m_text.size())
            {
                return false;
            }
            const char e = m_text[m_position++];
            switch (e)
            {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u':
            {
                if (m_position + 4 > m_text.size())
                {
                    return false;
                }
                const std::string hex = m_text.substr(m_position, 4);
                if (hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                {
                    return false;
                }
                const long code = std::strtol(hex.c_str(), nullptr, 16);
                if (code > 0xFF)
                {
                    return false;
                }
                out += static_cast<char>(code);
                m_position += 4;
                break;
            }
            default:
                return false;
            }
        }
        return false;
    }

    const std::string& m_text;
    size_t m_position = 0;
};

bool CJsonValue::Parse(const std::string& text, CJsonValue& value)
{
    value = CJsonValue();
    if (!CParser(text).ParseWhole(value))
    {
        value = CJsonValue();
        return false;
    }
    return true;
}

const CJsonValue& CJsonValue::operator[](const char* name) const
{
    static const CJsonValue None;
    for (const auto& member : m_object)
    {
        if (member.first == name)
        {
            return member.second;
        }
    }
    return None;
}

bool CJsonValue::Has(const char* name) const
{
    for (const auto& member : m_object)
    {
        if (member.first == name)
        {
            return true;
        }
    }
    return false;
}
