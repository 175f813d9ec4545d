#include "HttpFetch.h"

#include "common/UniqueHandle.h"
#include "content/ContentCoding.h"
#include "content/HttpConnection.h"
#include "content/XmlDocument.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace Content
{
namespace
{
// Always from the server and never into the cache: a feed read with
// credentials must not lie on disk, and a stale copy must never stand in for
// a fetch that failed. Redirects are ours to follow, so that credentials
// stay with their origin. WinINet answers no challenge itself (it would offer
// the logged-on user's NTLM or Negotiate credentials to any server that asks)
// and keeps no cookies: its jar is shared by the whole process, so a session
// cookie earned with one channel's credentials would go to every request for
// that host.
const DWORD RequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                           INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_COOKIES;
// Room for any sane chain of moves (to https, to a new host, to a new path).
const int MaxRedirects = 10;
// Feeds are text and shrink to a fraction; we decode them ourselves (see
// ContentCoding.h).
const char AcceptEncoding[] = "Accept-Encoding: gzip, deflate\r\n";

SRWLOCK g_limitsLock = SRWLOCK_INIT;
CFetchLimits g_limits;

std::string Base64(const std::string& bytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    for (size_t i = 0; i < bytes.size(); i += 3)
    {
        const size_t count = std::min<size_t>(3, bytes.size() - i);
        unsigned long group = 0;
        for (size_t j = 0; j < 3; ++j)
        {
            group = (group << 8) | (j < count ? static_cast<unsigned char>(bytes[i + j]) : 0u);
        }
        for (size_t j = 0; j < 4; ++j)
        {
            text += j <= count ? alphabet[(group >> (18 - 6 * j)) & 63] : '=';
        }
    }
    return text;
}

// The request header that carries the credentials. We send it ourselves,
// with the first request: WinINet, given them, would answer challenges from
// wherever a redirect leads and keep them for later requests of the process.
CString BasicAuthorization(const CString& username, const CString& password)
{
    const std::string pair = std::string(username.GetString()) + ":" + password.GetString();
    return ("Authorization: Basic " + Base64(pair) + "\r\n").c_str();
}

// Everything one transfer needs, copied, so that a transfer abandoned at
// the deadline depends on nothing its caller owns (not even the settings
// record, which dies at exit). Shared by the caller and the transfer thread.
struct CTransfer
{
    explicit CTransfer(size_t bodyLimit) : body(bodyLimit) {}

    CString username;
    CString password;
    CString url;
    CUrlParts parts;
    // Where the credentials may go.
    CUrlParts origin;
    CNetworkAccess access;
    CFetchLimits limits;
    ULONGLONG deadline = 0;

    // Set when the head of the final response is in, or the transfer ended.
    Common::CUniqueKernelHandle headArrived;
    // Set when the outcome is known, before the handles are closed: closing
    // may take long, WinINet reads on what is left of a response first.
    Common::CUniqueKernelHandle finished;
    // The caller has stopped waiting: nothing more is read.
    std::atomic<bool> abandoned{false};

    // Sent with every request, ahead of the credentials.
    CString conditions;

    CResponseBody body;
    bool complete = false;
    // The final response's status and validators.
    DWORD status = 0;
    CString etag;
    CString lastModified;
    CString movedTo;
    CString retryAfter;
    // How the body is encoded on the wire.
    ContentCoding coding = ContentCoding::Identity;
};

// Decodes a compressed body into the transfer's body, piece by piece as if
// it had arrived that way; the cap applies to the decoded bytes.
bool Decode(const std::string& encoded, CTransfer& transfer)
{
    std::string text;
    if (DecodeContent(transfer.coding, encoded, transfer.limits.bodyLimit, text) != DecodeResult::Done)
    {
        return false;
    }
    for (size_t offset = 0; offset < text.size(); offset += CResponseBody::PieceSize)
    {
        char piece[CResponseBody::PieceSize + 1];
        const size_t length = std::min(CResponseBody::PieceSize, text.size() - offset);
        std::memcpy(piece, text.data() + offset, length);
        piece[length] = 0;
        if (!transfer.body.AppendPiece(piece, length))
        {
            return false;
        }
    }
    return true;
}

// Reads the body as it arrives, never more than a piece at a time. Asking
// only for what is available keeps each wait within the receive time-out,
// so the deadline is checked however slowly the bytes come. False when the
// body is incomplete, too large or too late.
bool ReadBody(HINTERNET request, CTransfer& transfer)
{
    char piece[CResponseBody::PieceSize + 1];
    std::string encoded;
    unsigned long long received = 0;
    for (;;)
    {
        if (::GetTickCount64() >= transfer.deadline || transfer.abandoned)
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
        if (transfer.coding != ContentCoding::Identity)
        {
            // The compressed bytes are kept whole (zero bytes too) up to
            // the cap, and decoded once they are all in.
            if (encoded.size() + read > transfer.limits.bodyLimit)
            {
                return false;
            }
            encoded.append(piece, read);
            continue;
        }
        piece[read] = 0;
        if (!transfer.body.AppendPiece(piece, read))
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
    return transfer.coding == ContentCoding::Identity || Decode(encoded, transfer);
}

// One header of the response as text; false when it is missing.
bool QueryText(HINTERNET request, DWORD info, std::vector<char>& text)
{
    DWORD size = 256;
    for (;;)
    {
        text.assign(size + 1, 0);
        if (::HttpQueryInfoA(request, info, text.data(), &size, nullptr))
        {
            text.resize(size + 1);
            return true;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        {
            return false;
        }
    }
}

CString QueryTextOrEmpty(HINTERNET request, DWORD info)
{
    std::vector<char> text;
    return QueryText(request, info, text) ? CString(text.data()) : CString();
}

enum class Answer
{
    Final,
    Redirect,
    Broken
};

// Whether the response sends us on, and where to (Location may be relative
// to the URL that was asked for).
Answer Classify(HINTERNET request, const CString& url, DWORD& status, CString& target)
{
    DWORD size = sizeof(status);
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
    {
        return Answer::Broken;
    }
    std::vector<char> location;
    if ((status != 301 && status != 302 && status != 303 && status != 307 && status != 308) ||
        !QueryText(request, HTTP_QUERY_LOCATION, location))
    {
        // Without a Location there is nowhere to go: the page is the answer.
        return Answer::Final;
    }
    DWORD length = static_cast<DWORD>(url.GetLength() + location.size() + 1);
    std::vector<char> combined(length + 1);
    if (!::InternetCombineUrlA(url.GetString(), location.data(), combined.data(), &length, ICU_NO_ENCODE))
    {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        {
            return Answer::Broken;
        }
        combined.assign(length + 1, 0);
        if (!::InternetCombineUrlA(url.GetString(), location.data(), combined.data(), &length, ICU_NO_ENCODE))
        {
            return Answer::Broken;
        }
    }
    target = CString(combined.data(), length);
    return Answer::Redirect;
}

// Follows redirects up to the final response and reads its body into the
// transfer. The credentials go with a request only when it is for the
// origin they were given for.
bool Transfer(CTransfer& transfer, CHttpConnection& connection)
{
    CString url = transfer.url;
    CUrlParts parts = transfer.parts;
    // A temporary hop makes every later move temporary too: only the
    // address it left from is known to be lasting.
    bool permanent = true;
    for (int hop = 0;; ++hop)
    {
        CString headers = CString(AcceptEncoding) + transfer.conditions;
        if (!transfer.username.IsEmpty() && SameOrigin(parts, transfer.origin))
        {
            headers += BasicAuthorization(transfer.username, transfer.password);
        }
        if (!connection.Open(parts, transfer.access, RequestFlags, transfer.limits) ||
            !::HttpSendRequestA(connection.GetRequest(), headers.IsEmpty() ? nullptr : headers.GetString(),
                                static_cast<DWORD>(headers.GetLength()), nullptr, 0) ||
            transfer.abandoned)
        {
            return false;
        }
        CString target;
        switch (Classify(connection.GetRequest(), url, transfer.status, target))
        {
        case Answer::Final:
            transfer.etag = QueryTextOrEmpty(connection.GetRequest(), HTTP_QUERY_ETAG);
            transfer.lastModified = QueryTextOrEmpty(connection.GetRequest(), HTTP_QUERY_LAST_MODIFIED);
            transfer.retryAfter = QueryTextOrEmpty(connection.GetRequest(), HTTP_QUERY_RETRY_AFTER);
            ::SetEvent(transfer.headArrived.get());
            if (transfer.status == HTTP_STATUS_NOT_MODIFIED)
            {
                return true; // no body, whatever a broken server sends
            }
            // A body in a coding we did not offer is an answer we cannot
            // read: the document stays empty, as for a page that is no feed.
            if (!ParseContentCoding(
                    QueryTextOrEmpty(connection.GetRequest(), HTTP_QUERY_CONTENT_ENCODING).GetString(),
                    transfer.coding))
            {
                return true;
            }
            // An error page is read like any body, and callers reject a
            // document whose root is not theirs.
            return ReadBody(connection.GetRequest(), transfer);
        case Answer::Redirect:
            if (hop == MaxRedirects || !SplitHttpUrl(target, parts))
            {
                return false;
            }
            url = target;
            permanent = permanent && (transfer.status == 301 || transfer.status == 308);
            if (permanent)
            {
                transfer.movedTo = url;
            }
            break;
        case Answer::Broken:
        default:
            return false;
        }
    }
}

DWORD WINAPI RunTransfer(LPVOID parameter)
{
    std::unique_ptr<std::shared_ptr<CTransfer>> reference(
        static_cast<std::shared_ptr<CTransfer>*>(parameter));
    CTransfer& transfer = **reference;
    CHttpConnection connection;
    try
    {
        transfer.complete = Transfer(transfer, connection);
    }
    catch (...)
    {
        // Out of memory, or anything else: a failed fetch. An exception
        // leaving the thread would end the whole process.
        transfer.complete = false;
    }
    ::SetEvent(transfer.headArrived.get());
    ::SetEvent(transfer.finished.get());
    connection.Close();
    return 0;
}

// Waits for the event until the tick count reaches the limit.
bool WaitUntil(const Common::CUniqueKernelHandle& event, ULONGLONG limit)
{
    const ULONGLONG now = ::GetTickCount64();
    const DWORD remaining = now < limit ? static_cast<DWORD>(limit - now) : 0;
    return ::WaitForSingleObject(event.get(), remaining) == WAIT_OBJECT_0;
}

// Fills document from the URL, or leaves it empty. The transfer runs on a
// thread of its own because HttpSendRequestA reads the whole response head
// before it returns, and WinINet's time-outs do not bound every way a server
// can hold it there; closing the handle from elsewhere does not stop it on
// every WinINet. At the limits the caller stops waiting, and the transfer
// reads no further and ends on its own.
void Fetch(const CString& username, const CString& password, const CString& url, const CFetchLimits& limits,
           TiXmlDocument& document, CFeedFetch* feed)
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
    transfer->url = WithoutFragment(url);
    transfer->parts = parts;
    transfer->origin = parts;
    if (feed != nullptr && !feed->credentialsUrl.IsEmpty() &&
        !SplitHttpUrl(feed->credentialsUrl, transfer->origin))
    {
        return;
    }
    transfer->access = CNetworkAccess::FromSettings();
    transfer->limits = limits;
    transfer->deadline = start + limits.totalTimeout;
    if (feed != nullptr)
    {
        // Validators go back verbatim: a weak ETag keeps its "W/", and the
        // date is the server's own text, compared by the server.
        if (!feed->etag.IsEmpty() && !HasControlCharacters(feed->etag))
        {
            transfer->conditions += "If-None-Match: " + feed->etag + "\r\n";
        }
        if (!feed->lastModified.IsEmpty() && !HasControlCharacters(feed->lastModified))
        {
            transfer->conditions += "If-Modified-Since: " + feed->lastModified + "\r\n";
        }
    }
    transfer->headArrived.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    transfer->finished.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!transfer->headArrived || !transfer->finished)
    {
        return;
    }

    std::unique_ptr<std::shared_ptr<CTransfer>> reference(new std::shared_ptr<CTransfer>(transfer));
    Common::CUniqueKernelHandle thread(::CreateThread(nullptr, 0, RunTransfer, reference.get(), 0, nullptr));
    if (!thread)
    {
        return;
    }
    reference.release();
    const ULONGLONG headLimit = std::min(transfer->deadline, start + limits.responseTimeout);
    if (WaitUntil(transfer->headArrived, headLimit) && WaitUntil(transfer->finished, transfer->deadline) &&
        transfer->complete)
    {
        if (feed != nullptr)
        {
            feed->status = transfer->status;
            feed->retryAfter = transfer->retryAfter;
            if (transfer->status >= 200 && transfer->status < 300)
            {
                feed->etag = transfer->etag;
                feed->lastModified = transfer->lastModified;
            }
            if ((transfer->status >= 200 && transfer->status < 300) ||
                transfer->status == HTTP_STATUS_NOT_MODIFIED)
            {
                feed->movedTo = transfer->movedTo;
            }
        }
        if (transfer->status != HTTP_STATUS_NOT_MODIFIED)
        {
            ParsePaddedXmlBody(transfer->body.GetText(), document);
        }
    }
    transfer->abandoned = true;
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
        Fetch(username, password, url, GetFetchLimits(), *document, nullptr);
        return document;
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}

std::unique_ptr<TiXmlDocument> FetchFeed(const CString& username, const CString& password, const CString& url,
                                         CFeedFetch& fetch)
{
    fetch.status = 0;
    fetch.movedTo = CString();
    fetch.retryAfter = CString();
    try
    {
        std::unique_ptr<TiXmlDocument> document(new TiXmlDocument());
        Fetch(username, password, url, GetFetchLimits(), *document, &fetch);
        return document;
    }
    catch (const std::bad_alloc&)
    {
        return nullptr;
    }
}
} // namespace Content
