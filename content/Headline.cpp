#include "Headline.h"

#include "common/IdentityHash.h"

void CHeadline::SetTitle(const CString& title, Content::TextEncoding encoding)
{
    if (!m_sealed)
    {
        m_title = Clean(title);
        m_shownTitle = Content::CleanUnicode(Content::DecodeToUtf8(title, encoding));
    }
}

void CHeadline::SetDescription(const CString& description, Content::TextEncoding encoding)
{
    if (!m_sealed)
    {
        m_description = Clean(description);
        m_shownDescription = Content::CleanUnicode(Content::DecodeToUtf8(description, encoding));
    }
}

void CHeadline::SetLink(const CString& link)
{
    if (!m_sealed)
    {
        m_link = Trim(link);
    }
}

void CHeadline::SetChannelTitle(const CString& channelTitle, Content::TextEncoding encoding)
{
    if (!m_sealed)
    {
        m_channelTitle = channelTitle;
        m_shownChannelTitle = Content::CleanUnicode(Content::DecodeToUtf8(channelTitle, encoding));
    }
}

void CHeadline::SetEnclosureUrl(const CString& enclosureUrl)
{
    if (!m_sealed)
    {
        m_enclosureUrl = enclosureUrl;
    }
}

void CHeadline::SetRetriever(Content::CAbstractRetriever* retriever, uint64_t serial)
{
    if (!m_sealed)
    {
        m_retriever = retriever;
        m_retrieverSerial = serial;
    }
}

void CHeadline::Seal()
{
    // Both hashes see the strings only up to a zero byte, as stored ids do.
    m_id = static_cast<int32_t>(Common::IdentityHash(m_title.GetString()) +
                                Common::IdentityHash(m_link.GetString()));
    m_sealed = 1;
}

CString CHeadline::Clean(const CString& text)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.GetString());
    const size_t length = text.GetLength();
    CString result;
    char* out = result.GetBuffer(length);
    size_t kept = 0;
    bool insideTag = false;
    size_t i = 0;
    while (i < length)
    {
        const unsigned char c = bytes[i];
        if (c == '\t' || c == '\n')
        {
            ++i;
            continue;
        }
        if (c == '<' || c == '>')
        {
            insideTag = c == '<';
            ++i;
            continue;
        }
        if (insideTag)
        {
            ++i;
            continue;
        }
        int leadingOnes = 0;
        while (leadingOnes < 8 && (c & (0x80 >> leadingOnes)) != 0)
        {
            ++leadingOnes;
        }
        if (leadingOnes >= 2)
        {
            const size_t sequence = static_cast<size_t>(leadingOnes);
            bool valid = i + sequence <= length;
            for (size_t k = 1; valid && k < sequence; ++k)
            {
                valid = (bytes[i + k] & 0xC0) == 0x80;
            }
            if (valid)
            {
                if (sequence == 2)
                {
                    // U+0080..U+00FF become the same ISO 8859-1 byte.
                    out[kept++] = static_cast<char>(((c & 0x03) << 6) | (bytes[i + 1] & 0x3F));
                }
                i += sequence; // longer sequences are dropped whole
                continue;
            }
        }
        out[kept++] = static_cast<char>(c);
        ++i;
    }
    result.ReleaseBuffer(static_cast<long>(kept));
    return result;
}

CString CHeadline::Trim(const CString& text)
{
    const char* bytes = text.GetString();
    size_t begin = 0;
    size_t end = text.GetLength();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    while (begin < end && blank(bytes[begin]))
    {
        ++begin;
    }
    while (end > begin && blank(bytes[end - 1]))
    {
        --end;
    }
    return begin == 0 && end == text.GetLength() ? text : text.Mid(begin, end - begin);
}
