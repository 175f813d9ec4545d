// The WinINet handles of one HTTP GET, opened the way every request of the
// program is opened: the user agent "tidelight/1.7", the connection type and
// proxy of the settings, time-outs on the session, the connection and the
// request, and the secure flag for https. Shared by the XML fetch and the
// download worker. WinINet is never given credentials: it would keep them
// for the whole process and send them with later requests that have none.
#pragma once

#include "common/CString.h"
#include "common/UniqueInternetHandle.h"
#include "content/HttpFetch.h"
#include "content/UrlCheck.h"

namespace Content
{
// False for a URL holding control characters (see HasControlCharacters),
// with a scheme other than http or https, or without a host. The fragment
// is dropped.
bool SplitHttpUrl(const CString& url, CUrlParts& parts);

// How to reach the network: the connection type of the settings as
// InternetOpen's access type, and the proxy when that type is Proxy.
struct CNetworkAccess
{
    DWORD accessType = 0;
    CString proxy;

    // A copy of what the settings say now.
    static CNetworkAccess FromSettings();
};

class CHttpConnection
{
public:
    CHttpConnection() = default;
    CHttpConnection(const CHttpConnection&) = delete;
    CHttpConnection& operator=(const CHttpConnection&) = delete;

    // Opens the session, connects and opens a GET of the URL's object with
    // requestFlags, plus INTERNET_FLAG_SECURE for https. Nothing is sent
    // yet. False when any step fails.
    bool Open(const CUrlParts& parts, const CNetworkAccess& access, DWORD requestFlags,
              const CFetchLimits& limits);

    HINTERNET GetRequest() const { return m_request.get(); }
    // Closes the request, the connection and the session, in that order.
    void Close();

private:
    Common::CUniqueInternetHandle m_internet;
    Common::CUniqueInternetHandle m_connection;
    Common::CUniqueInternetHandle m_request;
};
} // namespace Content
