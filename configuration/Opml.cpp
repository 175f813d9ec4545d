#include "Opml.h"

#include "content/XmlDocument.h"

#include <cstring>

namespace Configuration
{
namespace
{
void Collect(const TiXmlElement* element, std::vector<COpmlOutline>& outlines)
{
    for (; element != nullptr; element = element->NextSiblingElement())
    {
        if (std::strcmp(element->Value(), "outline") == 0)
        {
            if (const char* url = element->Attribute("xmlUrl"))
            {
                const char* title = element->Attribute("title");
                if (title == nullptr || *title == '\0')
                {
                    title = element->Attribute("text");
                }
                outlines.push_back({url, title != nullptr ? title : ""});
            }
        }
        Collect(element->FirstChildElement(), outlines);
    }
}

bool StartsWith(const std::string& text, const char* prefix)
{
    const size_t length = std::strlen(prefix);
    if (text.size() < length)
    {
        return false;
    }
    for (size_t i = 0; i < length; ++i)
    {
        const char c = text[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != prefix[i])
        {
            return false;
        }
    }
    return true;
}

void AppendEscaped(std::string& out, const std::string& text)
{
    for (const char c : text)
    {
        switch (c)
        {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
}
} // namespace

std::vector<COpmlOutline> ReadOpml(const char* data, size_t size, bool& ok)
{
    std::vector<COpmlOutline> outlines;
    ok = false;
    if (size > MaxOpmlBytes)
    {
        return outlines;
    }
    // The parser wants a terminated text; a file may hold zero bytes.
    const std::string text(data, size);
    TiXmlDocument document;
    if (!Content::ParseXmlBody(text.c_str(), document) || document.RootElement() == nullptr)
    {
        return outlines;
    }
    ok = true;
    Collect(document.RootElement(), outlines);
    return outlines;
}

OpmlSkip CheckOpmlUrl(const std::string& url)
{
    if (url.empty())
    {
        return OpmlSkip::NoUrl;
    }
    for (const char c : url)
    {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
        {
            return OpmlSkip::ControlByte;
        }
    }
    if (!StartsWith(url, "http://") && !StartsWith(url, "https://"))
    {
        return OpmlSkip::NotWeb;
    }
    // A "\" would reach into the registry's own path of the channels.
    if (url.find('\\') != std::string::npos)
    {
        return OpmlSkip::NotWeb;
    }
    return url.size() > MaxChannelUrlLength ? OpmlSkip::TooLong : OpmlSkip::None;
}

std::string WriteOpml(const std::vector<COpmlOutline>& channels)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<opml version=\"2.0\">\n"
                      "  <head>\n"
                      "    <title>tidelight channels</title>\n"
                      "  </head>\n"
                      "  <body>\n";
    for (const COpmlOutline& channel : channels)
    {
        const std::string& name = channel.title.empty() ? channel.xmlUrl : channel.title;
        out += "    <outline type=\"rss\" text=\"";
        AppendEscaped(out, name);
        out += "\" title=\"";
        AppendEscaped(out, name);
        out += "\" xmlUrl=\"";
        AppendEscaped(out, channel.xmlUrl);
        out += "\"/>\n";
    }
    out += "  </body>\n</opml>\n";
    return out;
}
} // namespace Configuration
