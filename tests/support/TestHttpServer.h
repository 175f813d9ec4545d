// A small HTTP/1.1 server for tests, listening on 127.0.0.1 only, on a port
// the system picks. It runs on its own threads inside the test process: one
// accepts, one serves each connection, which carries one request. Every request
// goes to the test's handler, which scripts the reply, including the ways a
// broken or hostile server misbehaves, and is recorded so a test can check
// what the client sent. Stopping never waits on a client: every wait polls
// the stop flag.
#pragma once

#include "common/UniqueSocket.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class CTestHttpServer
{
public:
    using Headers = std::vector<std::pair<std::string, std::string>>;

    struct Request
    {
        // As sent: "/path?query", or "http://host/path" through a proxy.
        std::string target;
        Headers headers;
        // The request line and headers as received; for bytes that are no
        // HTTP request (a TLS handshake, say), what arrived first.
        std::string head;

        // The first header of that name (any case), or "".
        std::string Header(const char* name) const;
    };

    struct Reply
    {
        static const size_t NoLimit = static_cast<size_t>(-1);

        // Status code and reason, e.g. "404 Not Found".
        std::string status = "200 OK";
        Headers headers;
        std::string body;
        // Content-Length is added unless the body is chunked or this is
        // false (the body then ends when the connection closes).
        bool contentLength = true;
        // Non-zero: "Transfer-Encoding: chunked" in chunks of this size.
        size_t chunkSize = 0;
        // "Range: bytes=first-" or "bytes=first-last" gets 206 with that part
        // of the body, or 416 when first is past its end.
        bool honourRange = false;
        // The connection closes after this many bytes of the encoded body,
        // whatever the headers announced.
        size_t closeAfterBodyBytes = NoLimit;
        // No answer: the connection is held until the client or the server
        // gives up.
        bool stall = false;
        // The response goes out in pieces of this many bytes, pieceDelayMs
        // apart (a slow or trickling server).
        size_t pieceSize = 0;
        unsigned long pieceDelayMs = 0;
        // The body is sent again and again, unchunked and without a length
        // of ours, as fast as the client takes it, until the client closes.
        bool endless = false;

        // The same reply with one more header.
        Reply With(const std::string& name, const std::string& value) const
        {
            Reply reply = *this;
            reply.headers.emplace_back(name, value);
            return reply;
        }
        static Reply Ok(const std::string& body, const std::string& contentType = "text/xml");
        static Reply WithStatus(const std::string& status, const std::string& body,
                                const std::string& contentType = "text/html");
    };

    using Handler = std::function<Reply(const Request&)>;

    // Starts listening at once; a failure shows as GetPort() == 0.
    explicit CTestHttpServer(Handler handler);
    ~CTestHttpServer() { Stop(); }
    CTestHttpServer(const CTestHttpServer&) = delete;
    CTestHttpServer& operator=(const CTestHttpServer&) = delete;

    unsigned short GetPort() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by pathAndQuery.
    std::string GetUrl(const std::string& pathAndQuery = "/") const;
    std::vector<Request> GetRequests() const;
    size_t GetRequestCount() const { return GetRequests().size(); }
    // Closes every connection and joins every thread; idempotent.
    void Stop();

private:
    void Serve(Common::CUniqueSocket connection);
    // Reads and records one request; false when the connection ended or
    // the bytes were junk.
    bool ReadRequest(SOCKET connection, Request& request);
    void SendReply(SOCKET connection, const Request& request, Reply reply);
    // Appends what arrives; false when the connection ended or on stop.
    bool Receive(SOCKET connection, std::string& buffer);
    // Waits until the socket is readable or writable; false on stop.
    bool WaitFor(SOCKET socket, bool write);
    bool SendAll(SOCKET socket, const std::string& data, size_t pieceSize = 0, unsigned long delayMs = 0);

    Handler m_handler;
    Common::CUniqueSocket m_listener;
    unsigned short m_port = 0;
    Common::CUniqueKernelHandle m_stopEvent;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;

    std::vector<std::thread> m_connectionThreads;
    mutable std::mutex m_lock;
    std::vector<Request> m_requests;
};
