#include "SyncProtocol.h"

#include "SyncAnswer.h"
#include "SyncEncoding.h"
#include "content/HttpFetch.h"
#include "content/UrlCheck.h"

#include <memory>

namespace Sync
{
namespace
{
// The user name goes into the URL unescaped; a line break in it would end
// the request line and start headers of the user's making, which the HTTP
// layer refuses without telling why. Say why instead.
const char* const ControlInUsernameText =
    "The user name contains a control character (a tab or a line break, say). Type it again without one.";

// Fetches the request, or sets error and returns null.
std::unique_ptr<TiXmlDocument> Request(const CString& url, const CString& username, CString& error)
{
    if (Content::HasControlCharacters(username))
    {
        error = ControlInUsernameText;
        return nullptr;
    }
    // The service knows its users itself: no HTTP authentication.
    std::unique_ptr<TiXmlDocument> document = Content::FetchXml("", "", url);
    if (document == nullptr)
    {
        error = RequestFailedText;
    }
    return document;
}

void Change(const char* script, const CString& serviceUrl, const CString& username, const CString& password,
            const CString& channel, CString& error)
{
    if (auto document =
            Request(RequestUrl(serviceUrl, script, username, password, &channel), username, error))
    {
        ReadChangeAnswer(*document, error);
    }
}
} // namespace

void ListRemoteChannels(CString serviceUrl, CString username, CString password,
                        std::vector<CString>& channels, CString& error)
{
    if (auto document = Request(RequestUrl(serviceUrl, "list.php", username, password), username, error))
    {
        ReadListAnswer(*document, channels, error);
    }
}

void AddRemoteChannel(CString serviceUrl, CString username, CString password, CString channel, CString& error)
{
    Change("add.php", serviceUrl, username, password, channel, error);
}

void RemoveRemoteChannel(CString serviceUrl, CString username, CString password, CString channel,
                         CString& error)
{
    Change("remove.php", serviceUrl, username, password, channel, error);
}
} // namespace Sync
