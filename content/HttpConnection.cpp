#include "HttpConnection.h"

#include "common/Version.h"
#include "content/UrlCheck.h"
#include "core/Settings.h"

#include <vector>

namespace Content
{
namespace
{
const char UserAgent[] = "tidelight/" TIDELIGHT_VERSION;
// Only meaningful with an explicit proxy: hosts without a dot go direct.
const char ProxyBypass[] = "<local>";

// Set on the session, the connection and the request: some WinINet versions
// ignore the values of the internet handle.
void ApplyTimeouts(HINTERNET handle, const CFetchLimits& limits)
{
    DWORD connect = limits.connectTimeout;
    DWORD send = limits.sendTimeout;
    DWORD receive = limits.receiveTimeout;
    ::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
    ::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof(send));
    ::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof(receive));
}
} // namespace

bool SplitHttpUrl(const CString& fullUrl, CUrlParts& parts)
{
    if (HasControlCharacters(fullUrl))
    {
        return false;
    }
    const CString url = WithoutFragment(fullUrl);
    // Buffers as long as the URL itself, so no part can be too long for them.
    const DWORD size = static_cast<DWORD>(url.GetLength() + 1);
    std::vector<char> host(size), path(size), extra(size);
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = host.data();
    components.dwHostNameLength = size;
    components.lpszUrlPath = path.data();
    components.dwUrlPathLength = size;
    components.lpszExtraInfo = extra.data();
    components.dwExtraInfoLength = size;
    if (!::InternetCrackUrlA(url.GetString(), static_cast<DWORD>(url.GetLength()), 0, &components) ||
        (components.nScheme != INTERNET_SCHEME_HTTP && components.nScheme != INTERNET_SCHEME_HTTPS))
    {
        return false;
    }
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    parts.host.assign(host.data(), components.dwHostNameLength);
    parts.port = components.nPort;
    if (parts.port == 0)
    {
        parts.port = parts.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    }
    parts.object.assign(path.data(), components.dwUrlPathLength);
    parts.object.append(extra.data(), components.dwExtraInfoLength);
    parts.object = EscapeRequestTarget(parts.object);
    return !parts.host.empty();
}

CNetworkAccess CNetworkAccess::FromSettings()
{
    CNetworkAccess access;
    access.accessType = Settings().GetConnectionType();
    if (access.accessType == CSettings::Proxy)
    {
        access.proxy = Settings().GetProxyString();
    }
    return access;
}

void CHttpConnection::Close()
{
    m_request.reset();
    m_connection.reset();
    m_internet.reset();
}

bool CHttpConnection::Open(const CUrlParts& parts, const CNetworkAccess& access, DWORD requestFlags,
                           const CFetchLimits& limits)
{
    Close();
    m_internet.reset(::InternetOpenA(UserAgent, access.accessType,
                                     access.proxy.IsEmpty() ? nullptr : access.proxy.GetString(), ProxyBypass,
                                     0));
    if (!m_internet)
    {
        return false;
    }
    ApplyTimeouts(m_internet.get(), limits);

    m_connection.reset(::InternetConnectA(m_internet.get(), parts.host.c_str(), parts.port, nullptr, nullptr,
                                          INTERNET_SERVICE_HTTP, 0, 0));
    if (!m_connection)
    {
        return false;
    }
    ApplyTimeouts(m_connection.get(), limits);

    const DWORD flags = requestFlags | (parts.secure ? INTERNET_FLAG_SECURE : 0);
    m_request.reset(::HttpOpenRequestA(m_connection.get(), nullptr, parts.object.c_str(), nullptr, nullptr,
                                       nullptr, flags, 0));
    if (!m_request)
    {
        return false;
    }
    ApplyTimeouts(m_request.get(), limits);
    return true;
}
} // namespace Content
