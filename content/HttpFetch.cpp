#include "HttpFetch.h"

#include "common/UniqueHandle.h"
#include "content/HttpConnection.h"
#include "content/XmlDocument.h"

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
// Revalidate a cached copy; fall back to it when the network fails.
const DWORD RequestFlags = INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_CACHE_IF_NET_FAIL;

SRWLOCK g_limitsLock = SRWLOCK_INIT;
CFetchLimits g_limits;

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
    CNetworkAccess access;
    CFetchLimits limits;
    ULONGLONG deadline = 0;

    CResponseBody body;
    bool complete = false;
};

bool Transfer(CTransfer& transfer)
{
    CHttpConnection connection;
    // No status is examined: an error page is read like any body, and
    // callers reject a document whose root is not theirs.
    return connection.Open(transfer.parts, transfer.access, transfer.username, transfer.password,
                           RequestFlags, transfer.limits) &&
           ::HttpSendRequestA(connection.GetRequest(), nullptr, 0, nullptr, 0) &&
           ReadBody(connection.GetRequest(), transfer.deadline, transfer.body);
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
    if (!SplitHttpUrl(url, parts))
    {
        return;
    }

    std::shared_ptr<CTransfer> transfer = std::make_shared<CTransfer>(limits.bodyLimit);
    transfer->username = username;
    transfer->password = password;
    transfer->parts = parts;
    transfer->access = CNetworkAccess::FromSettings();
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
