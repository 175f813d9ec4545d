#include "HttpFetch.h"

#include "common/UniqueHandle.h"
#include "content/XmlDocument.h"
#include "core/Settings.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace Content
{
namespace
{
const char UserAgent[] = "tidelight/1.7";
// Only meaningful with an explicit proxy: hosts without a dot go direct.
const char ProxyBypass[] = "<local>";
// Revalidate a cached copy; fall back to it when the network fails.
const DWORD RequestFlags = INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_CACHE_IF_NET_FAIL;

SRWLOCK g_limitsLock = SRWLOCK_INIT;
CFetchLimits g_limits;

struct CUrlParts
{
    bool secure = false;
    std::string host;
    INTERNET_PORT port = 0;
    // Path followed by query and fragment, as the request's object name.
    std::string object;
};

// CR or LF would let a URL add header lines to the request; no other
// control character belongs in a URL either.
bool HasControlCharacters(const CString& url)
{
    for (size_t i = 0; i < url.GetLength(); ++i)
    {
        unsigned char c = static_cast<unsigned char>(url[i]);
        if (c < 0x20 || c == 0x7F)
        {
            return true;
        }
    }
    return false;
}

bool SplitUrl(const CString& url, CUrlParts& parts)
{
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
    return !parts.host.empty();
}

// Set on the connection and on the request: some WinINet versions ignore
// the values of the internet handle.
void ApplyTimeouts(HINTERNET handle, const CFetchLimits& limits)
{
    DWORD connect = limits.connectTimeout;
    DWORD send = limits.sendTimeout;
    DWORD receive = limits.receiveTimeout;
    ::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
    ::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof(send));
    ::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof(receive));
}

// Reads the body as it arrives, never more than a piece at a time. Asking
// only for what is available keeps each wait within the receive time-out,
// so the deadline is checked however slowly the bytes come. False when the
// body is incomplete, too large or too late.
bool ReadBody(HINTERNET request, ULONGLONG deadline, CResponseBody& body)
{
    char piece[CResponseBody::PieceSize + 1];
    unsigned long long received = 0;
    for (;;)
    {
        if (::GetTickCount64() >= deadline)
        {
            return false;
        }
        DWORD available = 0;
        if (!::InternetQueryDataAvailable(request, &available, 0, 0))
        {
            return false;
        }
        DWORD wanted = available == 0 ? static_cast<DWORD>(CResponseBody::PieceSize)
                                      : std::min(available, static_cast<DWORD>(CResponseBody::PieceSize));
        DWORD read = 0;
        if (!::InternetReadFile(request, piece, wanted, &read))
        {
            return false;
        }
        if (read == 0)
        {
            break;
        }
        received += read;
        piece[read] = 0;
        if (!body.AppendPiece(piece, read))
        {
            return false;
        }
    }
    // A connection closed before the announced length would otherwise give
    // a truncated feed whose last headline carries a cut-off link.
    DWORD announced = 0;
    DWORD size = sizeof(announced);
    if (::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size,
                         nullptr) &&
        received < announced)
    {
        return false;
    }
    return true;
}

// Everything one transfer needs, copied, so that a transfer abandoned at
// the deadline depends on nothing its caller owns (not even the settings
// record, which dies at exit). Shared by the caller and the transfer thread.
struct CTransfer
{
    explicit CTransfer(size_t bodyLimit) : body(bodyLimit) {}

    CString username;
    CString password;
    CUrlParts parts;
    DWORD accessType = 0;
    CString proxy;
    CFetchLimits limits;
    ULONGLONG deadline = 0;

    CResponseBody body;
    bool complete = false;
};

bool Transfer(CTransfer& transfer)
{
    Common::CUniqueInternetHandle internet(
        ::InternetOpenA(UserAgent, transfer.accessType,
                        transfer.proxy.IsEmpty() ? nullptr : transfer.proxy.GetString(), ProxyBypass, 0));
    if (!internet)
    {
        return false;
    }
    ApplyTimeouts(internet.get(), transfer.limits);

    Common::CUniqueInternetHandle connection(::InternetConnectA(
        internet.get(), transfer.parts.host.c_str(), transfer.parts.port,
        transfer.username.IsEmpty() ? nullptr : transfer.username.GetString(),
        transfer.password.IsEmpty() ? nullptr : transfer.password.GetString(), INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection)
    {
        return false;
    }
    ApplyTimeouts(connection.get(), transfer.limits);

    const DWORD flags = RequestFlags | (transfer.parts.secure ? INTERNET_FLAG_SECURE : 0);
    Common::CUniqueInternetHandle request(::HttpOpenRequestA(
        connection.get(), nullptr, transfer.parts.object.c_str(), nullptr, nullptr, nullptr, flags, 0));
    if (!request)
    {
        return false;
    }
    ApplyTimeouts(request.get(), transfer.limits);

    // No status is examined: an error page is read like any body, and
    // callers reject a document whose root is not theirs.
    return ::HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0) &&
           ReadBody(request.get(), transfer.deadline, transfer.body);
}

DWORD WINAPI RunTransfer(LPVOID parameter)
{
    std::unique_ptr<std::shared_ptr<CTransfer>> reference(
        static_cast<std::shared_ptr<CTransfer>*>(parameter));
    CTransfer& transfer = **reference;
    try
    {
        transfer.complete = Transfer(transfer);
    }
    catch (const std::bad_alloc&)
    {
        transfer.complete = false;
    }
    return 0;
}

// Fills document from the URL, or leaves it empty. The transfer runs on a
// thread of its own because HttpSendRequestA reads the whole response head
// (and drains the bodies of an authentication round) before it returns: a
// server trickling those bytes would hold it far beyond any receive
// time-out, and closing the handle from elsewhere does not stop it on every
// WinINet. At the deadline the caller stops waiting and leaves the thread
// to finish on its own.
void Fetch(const CString& username, const CString& password, const CString& url, const CFetchLimits& limits,
           TiXmlDocument& document)
{
    const ULONGLONG start = ::GetTickCount64();
    CUrlParts parts;
    if (HasControlCharacters(url) || !SplitUrl(url, parts))
    {
        return;
    }

    std::shared_ptr<CTransfer> transfer = std::make_shared<CTransfer>(limits.bodyLimit);
    transfer->username = username;
    transfer->password = password;
    transfer->parts = parts;
    transfer->accessType = Settings().GetConnectionType();
    if (transfer->accessType == CSettings::Proxy)
    {
        transfer->proxy = Settings().GetProxyString();
    }
    transfer->limits = limits;
    transfer->deadline = start + limits.totalTimeout;

    std::unique_ptr<std::shared_ptr<CTransfer>> reference(new std::shared_ptr<CTransfer>(transfer));
    Common::CUniqueKernelHandle thread(::CreateThread(nullptr, 0, RunTransfer, reference.get(), 0, nullptr));
    if (!thread)
    {
        return;
    }
    reference.release();
    const ULONGLONG now = ::GetTickCount64();
    const DWORD remaining = now < transfer->deadline ? static_cast<DWORD>(transfer->deadline - now) : 0;
    if (::WaitForSingleObject(thread.get(), remaining) == WAIT_OBJECT_0 && transfer->complete)
    {
        ParseXmlBody(transfer->body.GetText(), document);
    }
}
} // namespace

CFetchLimits GetFetchLimits()
{
    ::AcquireSRWLockShared(&g_limitsLock);
    CFetchLimits limits = g_limits;
    ::ReleaseSRWLockShared(&g_limitsLock);
    return limits;
}

void SetFetchLimits(const CFetchLimits& limits)
{
    ::AcquireSRWLockExclusive(&g_limitsLock);
    g_limits = limits;
    ::ReleaseSRWLockExclusive(&g_limitsLock);
}

std::unique_ptr<TiXmlDocument> FetchXml(const CString& username, const CString& password, const CString& url)
{
    try
    {
        std::unique_ptr<TiXmlDocument> document(new TiXmlDocument());
        Fetch(username, password, url, GetFetchLimits(), *document);
        return document;
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
} // namespace Content
