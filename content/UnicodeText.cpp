#include "UnicodeText.h"

#include <cstdint>
#include <cstring>

namespace Content
{
namespace
{
const uint32_t Replacement = 0xFFFD;

// Generated from the codecs' published mappings; an unassigned byte reads
// as U+FFFD. Windows-1252 differs from Latin-1 only in 0x80..0x9F.
const uint16_t Windows1252C1[] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};
const uint16_t Windows1251High[] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};
const uint16_t Koi8RHigh[] = {
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524, 0x252C, 0x2534, 0x253C, 0x2580, 0x2584,
    0x2588, 0x258C, 0x2590, 0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248, 0x2264, 0x2265,
    0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7, 0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555,
    0x2556, 0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E, 0x255F, 0x2560, 0x2561, 0x0401,
    0x2562, 0x2563, 0x2564, 0x2565, 0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9, 0x044E,
    0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433, 0x0445, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C,
    0x043D, 0x043E, 0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0436, 0x0432, 0x044C, 0x044B, 0x0437,
    0x0448, 0x044D, 0x0449, 0x0447, 0x044A, 0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413,
    0x0425, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x042F, 0x0420, 0x0421, 0x0422,
    0x0423, 0x0416, 0x0412, 0x042C, 0x042B, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042A,
};

void AppendUtf8(CString& out, uint32_t code)
{
    char bytes[4];
    size_t length = 0;
    if (code < 0x80)
    {
        bytes[length++] = static_cast<char>(code);
    }
    else if (code < 0x800)
    {
        bytes[length++] = static_cast<char>(0xC0 | (code >> 6));
        bytes[length++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    else if (code < 0x10000)
    {
        bytes[length++] = static_cast<char>(0xE0 | (code >> 12));
        bytes[length++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    else
    {
        bytes[length++] = static_cast<char>(0xF0 | (code >> 18));
        bytes[length++] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        bytes[length++] = static_cast<char>(0x80 | (code & 0x3F));
    }
    out.Append(bytes, length);
}

// Reads one well-formed sequence at bytes[i]; returns its length and sets
// code, or returns 0 when the byte at i starts none.
size_t ReadSequence(const unsigned char* bytes, size_t length, size_t i, uint32_t& code)
{
    const unsigned char lead = bytes[i];
    if (lead < 0x80)
    {
        code = lead;
        return 1;
    }
    size_t sequence = 0;
    uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
    {
        sequence = 2;
        minimum = 0x80;
        code = lead & 0x1F;
    }
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        sequence = 3;
        minimum = 0x800;
        code = lead & 0x0F;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        sequence = 4;
        minimum = 0x10000;
        code = lead & 0x07;
    }
    else
    {
        return 0;
    }
    if (i + sequence > length)
    {
        return 0;
    }
    for (size_t k = 1; k < sequence; ++k)
    {
        if ((bytes[i + k] & 0xC0) != 0x80)
        {
            return 0;
        }
        code = code << 6 | (bytes[i + k] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
    {
        return 0;
    }
    return sequence;
}

// lastClose is the index of the text's last '>' (or length when there is
// none): looking for a closing '>' afresh at every '<' would make a title of
// many unclosed '<' take quadratic time.
bool StartsTag(const unsigned char* bytes, size_t length, size_t i, size_t lastClose)
{
    if (i + 1 >= length || lastClose == length || lastClose < i)
    {
        return false;
    }
    const unsigned char next = bytes[i + 1];
    return (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') || next == '/' || next == '!' ||
           next == '?';
}

bool IsRightToLeftCode(uint32_t code)
{
    return (code >= 0x0590 && code <= 0x08FF) || (code >= 0xFB1D && code <= 0xFDFF) ||
           (code >= 0xFE70 && code <= 0xFEFF) || (code >= 0x10800 && code <= 0x10FFF) ||
           (code >= 0x1E800 && code <= 0x1EFFF);
}

// Letters of the left-to-right scripts, coarsely: Latin, Greek, Cyrillic,
// the Indic and East Asian blocks. Digits, punctuation, symbols and emoji
// stay neutral and let a later character decide.
bool IsLeftToRightCode(uint32_t code)
{
    return (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z') ||
           (code >= 0x00C0 && code <= 0x058F && code != 0x00D7 && code != 0x00F7) ||
           (code >= 0x0900 && code <= 0x1FFF) || (code >= 0x2C00 && code <= 0x2DFF) ||
           (code >= 0x2E80 && code <= 0xD7FF) || (code >= 0xF900 && code <= 0xFB1C) ||
           (code >= 0xFF21 && code <= 0xFFDC) || (code >= 0x20000 && code <= 0x3FFFF);
}
} // namespace

TextEncoding EncodingNamed(const char* name)
{
    struct Name
    {
        const char* name;
        TextEncoding encoding;
    };
    static const Name Names[] = {
        {"ISO-8859-1", TextEncoding::Latin1},
        {"ISO8859-1", TextEncoding::Latin1},
        {"Latin1", TextEncoding::Latin1},
        {"US-ASCII", TextEncoding::Latin1},
        {"windows-1252", TextEncoding::Windows1252},
        {"cp1252", TextEncoding::Windows1252},
        {"windows-1251", TextEncoding::Windows1251},
        {"cp1251", TextEncoding::Windows1251},
        {"KOI8-R", TextEncoding::Koi8R},
    };
    auto startsWith = [](const char* text, const char* prefix)
    {
        for (; *prefix != 0; ++text, ++prefix)
        {
            const char a = *text >= 'A' && *text <= 'Z' ? static_cast<char>(*text - 'A' + 'a') : *text;
            const char b =
                *prefix >= 'A' && *prefix <= 'Z' ? static_cast<char>(*prefix - 'A' + 'a') : *prefix;
            if (a != b)
            {
                return false;
            }
        }
        return true;
    };
    if (name == nullptr || *name == 0 || startsWith(name, "UTF-8") || startsWith(name, "UTF8"))
    {
        return TextEncoding::Utf8;
    }
    for (const Name& entry : Names)
    {
        if (startsWith(name, entry.name) && name[std::strlen(entry.name)] == 0)
        {
            return entry.encoding;
        }
    }
    return TextEncoding::Unsupported;
}

CString DecodeToUtf8(const CString& text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
    {
        return text;
    }
    CString result;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.GetString());
    for (size_t i = 0; i < text.GetLength(); ++i)
    {
        const unsigned char c = bytes[i];
        uint32_t code = c;
        if (c >= 0x80)
        {
            switch (encoding)
            {
            case TextEncoding::Windows1252:
                code = c < 0xA0 ? Windows1252C1[c - 0x80] : c;
                break;
            case TextEncoding::Windows1251:
                code = Windows1251High[c - 0x80];
                break;
            case TextEncoding::Koi8R:
                code = Koi8RHigh[c - 0x80];
                break;
            case TextEncoding::Unsupported:
                code = Replacement;
                break;
            case TextEncoding::Latin1:
            case TextEncoding::Utf8:
                break;
            }
        }
        AppendUtf8(result, code);
    }
    return result;
}

CString CleanUnicode(const CString& utf8)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(utf8.GetString());
    const size_t length = utf8.GetLength();
    size_t lastClose = length;
    for (size_t k = length; k > 0; --k)
    {
        if (bytes[k - 1] == '>')
        {
            lastClose = k - 1;
            break;
        }
    }
    // Room for the usual outcome, nothing replaced; kept bytes are copied a
    // run at a time, not a character at a time.
    CString result;
    result.GetBuffer(length);
    result.ReleaseBuffer(0);
    size_t run = 0;
    const auto copyRun = [&](size_t end)
    {
        if (end > run)
        {
            result.Append(utf8.GetString() + run, end - run);
        }
    };
    size_t i = 0;
    while (i < length)
    {
        const unsigned char c = bytes[i];
        if (c == '\t' || c == '\n')
        {
            copyRun(i);
            run = ++i;
            continue;
        }
        if (c == '<' && StartsTag(bytes, length, i, lastClose))
        {
            copyRun(i);
            i = static_cast<size_t>(
                    static_cast<const unsigned char*>(std::memchr(bytes + i, '>', length - i)) - bytes) +
                1;
            run = i;
            continue;
        }
        uint32_t code = 0;
        const size_t sequence = ReadSequence(bytes, length, i, code);
        if (sequence == 0)
        {
            copyRun(i);
            AppendUtf8(result, Replacement);
            run = ++i;
            continue;
        }
        i += sequence;
    }
    copyRun(length);
    return result;
}

bool IsWellFormedUtf8(const CString& text)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.GetString());
    const size_t length = text.GetLength();
    uint32_t code = 0;
    for (size_t i = 0, sequence = 0; i < length; i += sequence)
    {
        if ((sequence = ReadSequence(bytes, length, i, code)) == 0)
        {
            return false;
        }
    }
    return true;
}

bool ReadsRightToLeft(const CString& utf8)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(utf8.GetString());
    const size_t length = utf8.GetLength();
    for (size_t i = 0; i < length;)
    {
        uint32_t code = 0;
        const size_t sequence = ReadSequence(bytes, length, i, code);
        if (sequence == 0)
        {
            ++i;
            continue;
        }
        if (IsRightToLeftCode(code))
        {
            return true;
        }
        if (IsLeftToRightCode(code))
        {
            return false;
        }
        i += sequence;
    }
    return false;
}
} // namespace Content
