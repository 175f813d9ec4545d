// The test server is what later tests of downloads and slow servers stand
// on, so its scripted behaviours are checked here with a plain socket.
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <ws2tcpip.h>

#include <string>

using Reply = CTestHttpServer::Reply;
using Request = CTestHttpServer::Request;

namespace
{
class CWinsock
{
public:
    CWinsock()
    {
        WSADATA data;
        m_started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    ~CWinsock()
    {
        if (m_started)
        {
            ::WSACleanup();
        }
    }
    CWinsock(const CWinsock&) = delete;
    CWinsock& operator=(const CWinsock&) = delete;

private:
    bool m_started = false;
};

Common::CUniqueSocket Connect(unsigned short port)
{
    Common::CUniqueSocket client(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    DWORD timeout = 10 * 1000;
    ::setsockopt(client.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof(timeout));
    EXPECT_EQ(0, ::connect(client.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)));
    return client;
}

// Sends the request and reads until the server closes the connection.
std::string Exchange(unsigned short port, const std::string& request)
{
    Common::CUniqueSocket client = Connect(port);
    ::send(client.get(), request.data(), static_cast<int>(request.size()), 0);
    std::string response;
    char piece[4096];
    int received;
    while ((received = ::recv(client.get(), piece, sizeof(piece), 0)) > 0)
    {
        response.append(piece, static_cast<size_t>(received));
    }
    return response;
}

std::string Body(const std::string& response)
{
    size_t end = response.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : response.substr(end + 4);
}

std::string Get(const std::string& extraHeaders)
{
    return "GET /file HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n" + extraHeaders + "\r\n";
}

class TestHttpServerTest : public ::testing::Test
{
protected:
    CWinsock m_winsock;
};
} // namespace

TEST_F(TestHttpServerTest, RangesAreHonouredWhenAsked)
{
    Reply file = Reply::Ok("0123456789", "application/octet-stream");
    file.honourRange = true;
    CTestHttpServer server([&](const Request&) { return file; });

    std::string whole = Exchange(server.GetPort(), Get(""));
    std::string tail = Exchange(server.GetPort(), Get("Range: bytes=4-\r\n"));
    std::string middle = Exchange(server.GetPort(), Get("Range: bytes=2-3\r\n"));
    std::string beyond = Exchange(server.GetPort(), Get("Range: bytes=10-\r\n"));

    EXPECT_EQ(0u, whole.find("HTTP/1.1 200 OK\r\n"));
    EXPECT_EQ("0123456789", Body(whole));
    EXPECT_EQ(0u, tail.find("HTTP/1.1 206 Partial Content\r\n"));
    EXPECT_NE(std::string::npos, tail.find("Content-Range: bytes 4-9/10\r\n"));
    EXPECT_NE(std::string::npos, tail.find("Content-Length: 6\r\n"));
    EXPECT_EQ("456789", Body(tail));
    EXPECT_EQ("23", Body(middle));
    EXPECT_EQ(0u, beyond.find("HTTP/1.1 416 Range Not Satisfiable\r\n"));
    EXPECT_NE(std::string::npos, beyond.find("Content-Range: bytes */10\r\n"));
    EXPECT_EQ("", Body(beyond));

    std::vector<Request> requests = server.GetRequests();
    ASSERT_EQ(4u, requests.size());
    EXPECT_EQ("bytes=4-", requests[1].Header("range"));
    EXPECT_EQ("/file", requests[1].target);
}

TEST_F(TestHttpServerTest, TruncatedAndChunkedBodiesAreSentAsScripted)
{
    Reply truncated = Reply::Ok("0123456789");
    truncated.closeAfterBodyBytes = 4;
    Reply chunked = Reply::Ok("0123456789");
    chunked.chunkSize = 4;
    CTestHttpServer server([&](const Request& request)
                           { return request.target == "/file" ? truncated : chunked; });

    std::string cut = Exchange(server.GetPort(), Get(""));
    std::string pieces = Exchange(server.GetPort(), "GET /chunked HTTP/1.1\r\nConnection: close\r\n\r\n");

    EXPECT_NE(std::string::npos, cut.find("Content-Length: 10\r\n"));
    EXPECT_EQ("0123", Body(cut));
    EXPECT_NE(std::string::npos, pieces.find("Transfer-Encoding: chunked\r\n"));
    EXPECT_EQ("4\r\n0123\r\n4\r\n4567\r\n2\r\n89\r\n0\r\n\r\n", Body(pieces));
}

TEST_F(TestHttpServerTest, StopsWhileAClientWaitsOnAStalledReplyAndRecordsJunk)
{
    Reply silence;
    silence.stall = true;
    CTestHttpServer server([&](const Request&) { return silence; });
    Common::CUniqueSocket waiting = Connect(server.GetPort());
    std::string request = Get("");
    ::send(waiting.get(), request.data(), static_cast<int>(request.size()), 0);
    std::string junk = Exchange(server.GetPort(), std::string("\x16\x03\x01\x00\x05hello", 10));

    for (int i = 0; i < 1000 && server.GetRequestCount() < 2; ++i)
    {
        ::Sleep(10);
    }
    server.Stop();

    std::vector<Request> requests = server.GetRequests();
    ASSERT_EQ(2u, requests.size());
    const Request& stalled = requests[0].wellFormed ? requests[0] : requests[1];
    const Request& garbage = requests[0].wellFormed ? requests[1] : requests[0];
    EXPECT_EQ("GET", stalled.method);
    EXPECT_FALSE(garbage.wellFormed);
    EXPECT_EQ(std::string("\x16\x03\x01\x00\x05hello", 10), garbage.head);
    EXPECT_EQ("", junk) << "junk gets no answer";
}
