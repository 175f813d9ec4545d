#include "TestHttpServer.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>
#include <sstream>

namespace
{
// How often blocked waits look at the stop flag.
const long PollMilliseconds = 50;
// A head larger than this is treated as junk rather than buffered forever.
const size_t MaxHeadBytes = 64 * 1024;
} // namespace

std::string CTestHttpServer::Request::Header(const char* name) const
{
    for (const auto& header : headers)
    {
        if (_stricmp(header.first.c_str(), name) == 0)
        {
            return header.second;
        }
    }
    return "";
}

CTestHttpServer::Reply CTestHttpServer::Reply::Ok(const std::string& body, const std::string& contentType)
{
    return WithStatus("200 OK", body, contentType);
}

CTestHttpServer::Reply CTestHttpServer::Reply::WithStatus(const std::string& status, const std::string& body,
                                                          const std::string& contentType)
{
    return Reply{status, {{"Content-Type", contentType}}, body};
}

CTestHttpServer::CTestHttpServer(Handler handler) : m_handler(std::move(handler))
{
    // Started once for the process and never cleaned up: a test program
    // ends soon enough.
    static WSADATA data;
    static const bool winsockStarted = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    m_stopEvent.reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
    Common::CUniqueSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    u_long nonBlocking = 1;
    if (!winsockStarted || !m_stopEvent || !listener ||
        ::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(listener.get(), SOMAXCONN) != 0 ||
        ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::ioctlsocket(listener.get(), FIONBIO, &nonBlocking) != 0)
    {
        return;
    }
    m_listener = std::move(listener);
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread(
        [this]
        {
            while (WaitFor(m_listener.get(), false))
            {
                Common::CUniqueSocket connection(::accept(m_listener.get(), nullptr, nullptr));
                u_long nonBlocking = 1;
                if (connection && ::ioctlsocket(connection.get(), FIONBIO, &nonBlocking) == 0)
                {
                    m_connectionThreads.emplace_back(&CTestHttpServer::Serve, this, std::move(connection));
                }
            }
        });
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
    // Only the accept thread added connection threads, and it is gone.
    for (std::thread& thread : m_connectionThreads)
    {
        thread.join();
    }
    m_connectionThreads.clear();
    m_listener.reset();
}

void CTestHttpServer::Serve(Common::CUniqueSocket connection)
{
    Request request;
    if (ReadRequest(connection.get(), request))
    {
        const Reply reply = m_handler(request);
        // A stalled reply swallows whatever comes until the client gives up.
        for (std::string ignored; reply.stall && Receive(connection.get(), ignored);)
        {
            ignored.clear();
        }
        if (!reply.stall)
        {
            SendReply(connection.get(), request, reply);
        }
    }
    ::shutdown(connection.get(), SD_SEND);
}

bool CTestHttpServer::ReadRequest(SOCKET connection, Request& request)
{
    // Junk (no capital letter first, or no end of the head in sight) is
    // recorded as it came.
    std::string& head = request.head;
    size_t end = std::string::npos;
    while (
        (end = head.find("\r\n\r\n")) == std::string::npos &&
        (head.empty() || (std::isupper(static_cast<unsigned char>(head[0])) && head.size() <= MaxHeadBytes)))
    {
        if (!Receive(connection, head))
        {
            return false;
        }
    }
    if (end != std::string::npos)
    {
        head.resize(end + 4);
        std::istringstream lines(head);
        std::string line;
        std::getline(lines, line);
        // The method, then the target over it.
        std::istringstream(line) >> request.target >> request.target;
        while (std::getline(lines, line))
        {
            const size_t colon = line.find(':');
            line.erase(line.find_last_not_of('\r') + 1);
            if (colon != std::string::npos)
            {
                const size_t value = std::min(line.size(), line.find_first_not_of(" \t", colon + 1));
                request.headers.emplace_back(line.substr(0, colon), line.substr(value));
            }
        }
    }
    std::lock_guard<std::mutex> guard(m_lock);
    m_requests.push_back(request);
    return end != std::string::npos;
}

void CTestHttpServer::SendReply(SOCKET connection, const Request& request, Reply reply)
{
    std::string& body = reply.body;
    unsigned long first = 0;
    unsigned long last = ULONG_MAX;
    if (reply.honourRange &&
        std::sscanf(request.Header("Range").c_str(), "bytes=%lu-%lu", &first, &last) >= 1)
    {
        const bool inside = first < body.size();
        last = std::min<unsigned long>(last, static_cast<unsigned long>(body.size()) - 1);
        const std::string part = inside ? std::to_string(first) + "-" + std::to_string(last) : "*";
        reply.status = inside ? "206 Partial Content" : "416 Range Not Satisfiable";
        reply.headers.emplace_back("Content-Range", "bytes " + part + "/" + std::to_string(body.size()));
        body = inside ? body.substr(first, last - first + 1) : "";
    }

    std::string encoded = body;
    if (reply.chunkSize != 0)
    {
        reply.headers.emplace_back("Transfer-Encoding", "chunked");
        encoded.clear();
        for (size_t offset = 0; offset < body.size(); offset += reply.chunkSize)
        {
            const std::string chunk = body.substr(offset, reply.chunkSize);
            char size[16];
            std::snprintf(size, sizeof(size), "%lx\r\n", static_cast<unsigned long>(chunk.size()));
            encoded += size + chunk + "\r\n";
        }
        encoded += "0\r\n\r\n";
    }
    else if (reply.contentLength && !reply.endless)
    {
        reply.headers.emplace_back("Content-Length", std::to_string(body.size()));
    }
    // One request a connection keeps the server simple.
    std::string head = "HTTP/1.1 " + reply.status + "\r\nConnection: close\r\n";
    for (const auto& header : reply.headers)
    {
        head += header.first + ": " + header.second + "\r\n";
    }
    head += "\r\n";
    if (!reply.endless)
    {
        SendAll(connection, head + encoded.substr(0, reply.closeAfterBodyBytes), reply.pieceSize,
                reply.pieceDelayMs);
        return;
    }
    // An endless body goes in large pieces, so that the server outpaces any
    // client.
    std::string piece;
    while (piece.size() < 256 * 1024)
    {
        piece += body;
    }
    for (bool sent = SendAll(connection, head); sent;)
    {
        sent = SendAll(connection, piece);
    }
}

bool CTestHttpServer::Receive(SOCKET connection, std::string& buffer)
{
    char piece[4096];
    if (!WaitFor(connection, false))
    {
        return false;
    }
    const int received = ::recv(connection, piece, sizeof(piece), 0);
    buffer.append(piece, received > 0 ? static_cast<size_t>(received) : 0);
    return received > 0 || (received < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK);
}

bool CTestHttpServer::WaitFor(SOCKET socket, bool write)
{
    while (!m_stopping)
    {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket, &set);
        timeval timeout = {0, PollMilliseconds * 1000};
        const int ready = ::select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &timeout);
        if (ready != 0)
        {
            return ready > 0;
        }
    }
    return false;
}

bool CTestHttpServer::SendAll(SOCKET socket, const std::string& data, size_t pieceSize, unsigned long delayMs)
{
    const size_t step = pieceSize != 0 ? pieceSize : data.size();
    for (size_t sent = 0; sent < data.size();)
    {
        const size_t wanted = std::min(step - sent % step, data.size() - sent);
        const int result = ::send(socket, data.data() + sent, static_cast<int>(wanted), 0);
        sent += result > 0 ? static_cast<size_t>(result) : 0;
        if (result <= 0 && (::WSAGetLastError() != WSAEWOULDBLOCK || !WaitFor(socket, true)))
        {
            return false;
        }
        // Each whole piece waits before the next goes.
        if (result > 0 && sent % step == 0 && sent < data.size() && delayMs != 0 &&
            ::WaitForSingleObject(m_stopEvent.get(), delayMs) != WAIT_TIMEOUT)
        {
            return false;
        }
    }
    return true;
}
