#include "TestHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace
{
// How often blocked waits look at the stop flag.
const long PollMilliseconds = 50;
// A head larger than this is treated as junk rather than buffered forever.
const size_t MaxHeadBytes = 64 * 1024;

bool EqualsIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) {
                                                  return std::tolower(static_cast<unsigned char>(x)) ==
                                                         std::tolower(static_cast<unsigned char>(y));
                                              });
}

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
    {
        return std::string();
    }
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool HasHeaderNamed(const CTestHttpServer::Headers& headers, const std::string& name)
{
    return std::any_of(headers.begin(), headers.end(),
                       [&](const std::pair<std::string, std::string>& h)
                       { return EqualsIgnoringCase(h.first, name); });
}

// Parses "bytes=first-" or "bytes=first-last".
bool ParseRange(const std::string& value, size_t& first, size_t& last, bool& hasLast)
{
    const std::string prefix = "bytes=";
    if (value.compare(0, prefix.size(), prefix) != 0)
    {
        return false;
    }
    size_t dash = value.find('-', prefix.size());
    if (dash == std::string::npos || dash == prefix.size())
    {
        return false;
    }
    first = std::strtoul(value.substr(prefix.size(), dash - prefix.size()).c_str(), nullptr, 10);
    std::string lastText = value.substr(dash + 1);
    hasLast = !lastText.empty();
    last = hasLast ? std::strtoul(lastText.c_str(), nullptr, 10) : 0;
    return !hasLast || last >= first;
}

std::string Hex(size_t value)
{
    const char digits[] = "0123456789abcdef";
    std::string text;
    do
    {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

enum class ReadResult
{
    Request,
    Closed,
    Junk
};
} // namespace

std::string CTestHttpServer::Request::Header(const std::string& name) const
{
    for (const auto& header : headers)
    {
        if (EqualsIgnoringCase(header.first, name))
        {
            return header.second;
        }
    }
    return std::string();
}

bool CTestHttpServer::Request::HasHeader(const std::string& name) const
{
    return HasHeaderNamed(headers, name);
}

CTestHttpServer::Reply CTestHttpServer::Reply::Ok(const std::string& body, const std::string& contentType)
{
    Reply reply;
    reply.headers.emplace_back("Content-Type", contentType);
    reply.body = body;
    return reply;
}

CTestHttpServer::Reply CTestHttpServer::Reply::WithStatus(const std::string& status, const std::string& body,
                                                          const std::string& contentType)
{
    Reply reply = Ok(body, contentType);
    reply.status = status;
    return reply;
}

CTestHttpServer::CTestHttpServer(Handler handler) : m_handler(std::move(handler))
{
    WSADATA data;
    m_winsockStarted = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    m_stopEvent.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!m_winsockStarted || !m_stopEvent)
    {
        return;
    }

    Common::CUniqueSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!listener)
    {
        return;
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof(address);
    u_long nonBlocking = 1;
    if (::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener.get(), SOMAXCONN) != 0 ||
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::ioctlsocket(listener.get(), FIONBIO, &nonBlocking) != 0)
    {
        return;
    }
    m_listener = std::move(listener);
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread(&CTestHttpServer::AcceptLoop, this);
}

CTestHttpServer::~CTestHttpServer()
{
    Stop();
    if (m_winsockStarted)
    {
        ::WSACleanup();
    }
}

std::string CTestHttpServer::GetUrl(const std::string& pathAndQuery) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + pathAndQuery;
}

std::vector<CTestHttpServer::Request> CTestHttpServer::GetRequests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

size_t CTestHttpServer::GetRequestCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests.size();
}

void CTestHttpServer::Stop()
{
    m_stopping = true;
    if (m_stopEvent)
    {
        ::SetEvent(m_stopEvent.get());
    }
    if (m_acceptThread.joinable())
    {
        m_acceptThread.join();
    }
    // The accept thread is gone, so no connection thread is added any more.
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        threads.swap(m_connectionThreads);
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    m_listener.reset();
}

void CTestHttpServer::AcceptLoop()
{
    while (WaitFor(m_listener.get(), false))
    {
        Common::CUniqueSocket connection(::accept(m_listener.get(), nullptr, nullptr));
        if (!connection)
        {
            continue;
        }
        u_long nonBlocking = 1;
        ::ioctlsocket(connection.get(), FIONBIO, &nonBlocking);
        std::lock_guard<std::mutex> guard(m_lock);
        m_connectionThreads.emplace_back(&CTestHttpServer::Serve, this, std::move(connection));
    }
}

void CTestHttpServer::Serve(Common::CUniqueSocket connection)
{
    std::string buffer;
    for (;;)
    {
        Request request;
        if (!ReadRequest(connection.get(), buffer, request))
        {
            break;
        }
        Reply reply = m_handler(request);
        if (reply.stall)
        {
            // Swallow whatever comes until the client gives up or we stop.
            char discard[4096];
            while (WaitFor(connection.get(), false) &&
                   ::recv(connection.get(), discard, sizeof(discard), 0) > 0)
            {
            }
            break;
        }
        if (!SendReply(connection.get(), request, reply))
        {
            break;
        }
        bool clientCloses = EqualsIgnoringCase(request.Header("Connection"), "close") ||
                            (request.version == "HTTP/1.0" &&
                             !EqualsIgnoringCase(request.Header("Connection"), "keep-alive"));
        bool bodyEndsWithClose =
            reply.chunkSize == 0 && !reply.contentLength && !HasHeaderNamed(reply.headers, "Content-Length");
        if (reply.closeConnection || reply.closeAfterBodyBytes != Reply::NoLimit || clientCloses ||
            bodyEndsWithClose)
        {
            break;
        }
    }
    ::shutdown(connection.get(), SD_SEND);
}

bool CTestHttpServer::ReadRequest(SOCKET connection, std::string& buffer, Request& request)
{
    ReadResult result = ReadResult::Closed;
    size_t headEnd = std::string::npos;
    for (;;)
    {
        if (!buffer.empty() && !std::isupper(static_cast<unsigned char>(buffer[0])))
        {
            result = ReadResult::Junk;
            break;
        }
        headEnd = buffer.find("\r\n\r\n");
        if (headEnd != std::string::npos)
        {
            result = ReadResult::Request;
            break;
        }
        if (buffer.size() > MaxHeadBytes)
        {
            result = ReadResult::Junk;
            break;
        }
        if (!WaitFor(connection, false))
        {
            return false;
        }
        char piece[4096];
        int received = ::recv(connection, piece, sizeof(piece), 0);
        if (received == 0 || (received < 0 && ::WSAGetLastError() != WSAEWOULDBLOCK))
        {
            return false;
        }
        if (received > 0)
        {
            buffer.append(piece, static_cast<size_t>(received));
        }
    }

    if (result == ReadResult::Request)
    {
        request.head = buffer.substr(0, headEnd + 4);
        size_t lineEnd = request.head.find("\r\n");
        std::string line = request.head.substr(0, lineEnd);
        size_t firstSpace = line.find(' ');
        size_t secondSpace =
            firstSpace == std::string::npos ? std::string::npos : line.find(' ', firstSpace + 1);
        if (secondSpace == std::string::npos || line.compare(secondSpace + 1, 5, "HTTP/") != 0)
        {
            result = ReadResult::Junk;
        }
        else
        {
            request.method = line.substr(0, firstSpace);
            request.target = line.substr(firstSpace + 1, secondSpace - firstSpace - 1);
            request.version = line.substr(secondSpace + 1);
            size_t start = lineEnd + 2;
            while (start < headEnd)
            {
                size_t end = request.head.find("\r\n", start);
                std::string headerLine = request.head.substr(start, end - start);
                size_t colon = headerLine.find(':');
                if (colon != std::string::npos)
                {
                    request.headers.emplace_back(headerLine.substr(0, colon),
                                                 Trim(headerLine.substr(colon + 1)));
                }
                start = end + 2;
            }
            buffer.erase(0, headEnd + 4);
        }
    }

    if (result == ReadResult::Junk)
    {
        request.wellFormed = false;
        request.head = buffer;
        Record(request);
        return false;
    }

    request.wellFormed = true;
    size_t bodyLength = std::strtoul(request.Header("Content-Length").c_str(), nullptr, 10);
    while (buffer.size() < bodyLength)
    {
        char piece[4096];
        if (!WaitFor(connection, false))
        {
            return false;
        }
        int received = ::recv(connection, piece, sizeof(piece), 0);
        if (received == 0 || (received < 0 && ::WSAGetLastError() != WSAEWOULDBLOCK))
        {
            return false;
        }
        if (received > 0)
        {
            buffer.append(piece, static_cast<size_t>(received));
        }
    }
    request.body = buffer.substr(0, bodyLength);
    buffer.erase(0, bodyLength);
    Record(request);
    return true;
}

bool CTestHttpServer::SendReply(SOCKET connection, const Request& request, const Reply& reply)
{
    std::string status = reply.status;
    Headers headers = reply.headers;
    std::string body = reply.body;

    size_t first = 0;
    size_t last = 0;
    bool hasLast = false;
    if (reply.honourRange && ParseRange(request.Header("Range"), first, last, hasLast))
    {
        std::string total = std::to_string(body.size());
        if (first >= body.size())
        {
            status = "416 Range Not Satisfiable";
            headers.emplace_back("Content-Range", "bytes */" + total);
            body.clear();
        }
        else
        {
            last = hasLast ? std::min(last, body.size() - 1) : body.size() - 1;
            status = "206 Partial Content";
            headers.emplace_back("Content-Range",
                                 "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + total);
            body = body.substr(first, last - first + 1);
        }
    }

    std::string encoded;
    if (reply.chunkSize != 0)
    {
        headers.emplace_back("Transfer-Encoding", "chunked");
        for (size_t offset = 0; offset < body.size(); offset += reply.chunkSize)
        {
            size_t size = std::min(reply.chunkSize, body.size() - offset);
            encoded += Hex(size) + "\r\n";
            encoded.append(body, offset, size);
            encoded += "\r\n";
        }
        if (!reply.endless)
        {
            encoded += "0\r\n\r\n";
        }
    }
    else
    {
        encoded = body;
        if (reply.contentLength && !reply.endless && !HasHeaderNamed(headers, "Content-Length"))
        {
            headers.emplace_back("Content-Length", std::to_string(body.size()));
        }
    }
    if (reply.closeConnection)
    {
        headers.emplace_back("Connection", "close");
    }

    std::string wire = "HTTP/1.1 " + status + "\r\n";
    for (const auto& header : headers)
    {
        wire += header.first + ": " + header.second + "\r\n";
    }
    wire += "\r\n";
    if (reply.endless)
    {
        if (SendAll(connection, wire.data(), wire.size(), reply))
        {
            SendForever(connection, encoded);
        }
        return false;
    }
    if (request.method != "HEAD")
    {
        wire += encoded.substr(0, reply.closeAfterBodyBytes);
    }
    return SendAll(connection, wire.data(), wire.size(), reply);
}

void CTestHttpServer::SendForever(SOCKET connection, const std::string& encoded)
{
    // Large pieces, so that the server outpaces any client.
    std::string piece;
    while (piece.size() < 256 * 1024)
    {
        piece += encoded;
    }
    while (SendAll(connection, piece.data(), piece.size(), Reply()))
    {
    }
}

void CTestHttpServer::Record(const Request& request)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_requests.push_back(request);
}

bool CTestHttpServer::WaitFor(SOCKET socket, bool write)
{
    while (!m_stopping)
    {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval timeout = {0, PollMilliseconds * 1000};
        int ready = ::select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &timeout);
        if (ready > 0)
        {
            return true;
        }
        if (ready < 0)
        {
            return false;
        }
    }
    return false;
}

bool CTestHttpServer::SendAll(SOCKET socket, const char* data, size_t length, const Reply& pacing)
{
    size_t pieceSize = pacing.pieceSize != 0 ? pacing.pieceSize : length;
    size_t sent = 0;
    while (sent < length)
    {
        size_t pieceEnd = std::min(length, sent + pieceSize);
        while (sent < pieceEnd)
        {
            int result = ::send(socket, data + sent, static_cast<int>(pieceEnd - sent), 0);
            if (result > 0)
            {
                sent += static_cast<size_t>(result);
            }
            else if (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitFor(socket, true))
            {
                return false;
            }
        }
        if (sent < length && pacing.pieceDelayMs != 0 && !Pause(pacing.pieceDelayMs))
        {
            return false;
        }
    }
    return true;
}

bool CTestHttpServer::Pause(unsigned long milliseconds)
{
    return ::WaitForSingleObject(m_stopEvent.get(), milliseconds) == WAIT_TIMEOUT;
}
