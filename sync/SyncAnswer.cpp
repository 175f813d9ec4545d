#include "SyncAnswer.h"

#include "SyncEncoding.h"

namespace Sync
{
const char* const RequestFailedText = "HTTP request failed";
const char* const UnknownErrorText = "Unknown error";

namespace
{
void ReadError(const TiXmlDocument& document, CString& error)
{
    const TiXmlElement* reported = document.FirstChildElement("error");
    if (reported == nullptr)
    {
        error = UnknownErrorText;
        return;
    }
    const char* text = reported->GetText();
    error = text != nullptr ? text : "";
}
} // namespace

void ReadChangeAnswer(const TiXmlDocument& document, CString& error)
{
    if (document.FirstChildElement("success") == nullptr)
    {
        ReadError(document, error);
    }
}

void ReadListAnswer(const TiXmlDocument& document, std::vector<CString>& channels, CString& error)
{
    const TiXmlElement* opml = document.FirstChildElement("opml");
    if (opml == nullptr)
    {
        ReadError(document, error);
        return;
    }
    const TiXmlElement* body = opml->FirstChildElement("body");
    if (body == nullptr)
    {
        return;
    }
    for (const TiXmlElement* outline = body->FirstChildElement("outline"); outline != nullptr;
         outline = outline->NextSiblingElement("outline"))
    {
        const char* url = outline->Attribute("xmlUrl");
        channels.push_back(DecodeListedUrl(url != nullptr ? url : ""));
    }
}
} // namespace Sync
