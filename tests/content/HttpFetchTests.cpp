#include "content/HttpFetch.h"

#include "core/Settings.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <wininet.h>
#include <ws2tcpip.h>

#include <string>
#include <vector>

using Content::FetchXml;
using Reply = CTestHttpServer::Reply;
using Request = CTestHttpServer::Request;

namespace
{
// "Basic " and the base64 of "reader:s3cr:et": a colon in the password too.
const std::string ReaderCredentials = "Basic cmVhZGVyOnMzY3I6ZXQ=";

std::string Feed(int items)
{
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>News</title>";
    for (int i = 1; i <= items; ++i)
    {
        const std::string n = std::to_string(i);
        text +=
            "<item><title>Headline " + n + "</title><link>http://news.example.test/" + n + "</link></item>\n";
    }
    return text + "</channel></rss>\n";
}

// The item titles, or "no document" when there is none.
std::vector<std::string> Titles(const std::unique_ptr<TiXmlDocument>& document)
{
    const TiXmlElement* root = document != nullptr ? document->RootElement() : nullptr;
    if (root == nullptr)
    {
        return {"no document"};
    }
    std::vector<std::string> titles;
    const TiXmlElement* channel = root->FirstChildElement("channel");
    for (const TiXmlElement* item = channel != nullptr ? channel->FirstChildElement("item") : nullptr;
         item != nullptr; item = item->NextSiblingElement("item"))
    {
        titles.push_back(item->FirstChildElement("title")->GetText());
    }
    return titles;
}

std::vector<std::string> Headlines(int count)
{
    std::vector<std::string> titles;
    for (int i = 1; i <= count; ++i)
    {
        titles.push_back("Headline " + std::to_string(i));
    }
    return titles;
}

Reply Challenge()
{
    Reply challenge = Reply::WithStatus("401 Unauthorized", "<html><body>Who are you?</body></html>");
    challenge.headers.emplace_back("WWW-Authenticate", "Basic realm=\"feeds\"");
    return challenge;
}

class HttpFetchTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        Content::SetFetchLimits(m_savedLimits);
        Settings().SetConnectionType(CSettings::Preconfigured);
        Settings().SetProxyAddress("");
        Settings().SetProxyPort(8080);
    }

    // Short enough for a test, long enough for a loaded machine.
    static void UseTimeouts(unsigned long receive, unsigned long total, size_t bodyLimit = 0)
    {
        Content::CFetchLimits limits = Content::GetFetchLimits();
        limits.connectTimeout = 5000;
        limits.sendTimeout = 5000;
        limits.receiveTimeout = receive;
        limits.responseTimeout = std::min(receive, total);
        limits.totalTimeout = total;
        limits.bodyLimit = bodyLimit != 0 ? bodyLimit : limits.bodyLimit;
        Content::SetFetchLimits(limits);
    }

    static std::unique_ptr<TiXmlDocument> Fetch(const std::string& url)
    {
        return FetchXml("", "", url.c_str());
    }

private:
    const Content::CFetchLimits m_savedLimits = Content::GetFetchLimits();
};
} // namespace

TEST_F(HttpFetchTest, DocumentArrivesWholeHoweverItIsCut)
{
    const std::string feed = Feed(300);
    ASSERT_GT(feed.size(), 4 * 4096u);
    Reply atOnce = Reply::Ok(feed);
    Reply inSmallPieces = atOnce;
    inSmallPieces.pieceSize = 700;
    inSmallPieces.pieceDelayMs = 1;
    Reply chunked = atOnce;
    chunked.chunkSize = 1500;
    Reply untilClose = atOnce;
    untilClose.contentLength = false;
    for (const Reply& reply : {atOnce, inSmallPieces, chunked, untilClose})
    {
        CTestHttpServer server([&](const Request&) { return reply; });
        EXPECT_EQ(Headlines(300), Titles(Fetch(server.GetUrl("/feed.xml"))));
    }
}

TEST_F(HttpFetchTest, RequestCarriesPathQueryAndUserAgentButNoFragment)
{
    CTestHttpServer server([](const Request&) { return Reply::Ok(Feed(1)); });
    // A feed's own URLs may hold UTF-8 and spaces: they go out escaped, as
    // a browser sends them.
    EXPECT_EQ(Headlines(1),
              Titles(Fetch(server.GetUrl("/feeds/\xD0\xBD\xD0\xBE news.xml?id=7&lang=\xC3\xBC#latest"))));
    const std::vector<Request> requests = server.GetRequests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET", requests[0].method);
    EXPECT_EQ("/feeds/%D0%BD%D0%BE%20news.xml?id=7&lang=%C3%BC", requests[0].target);
    EXPECT_EQ("tidelight/1.7", requests[0].Header("User-Agent"));
    EXPECT_EQ("", requests[0].Header("Authorization"));
}

// Credentials answer the challenge, go to redirect targets of their own
// origin only, and are gone with the fetch that carried them.
TEST_F(HttpFetchTest, CredentialsReachTheirOriginOnly)
{
    CTestHttpServer other([](const Request&) { return Reply::Ok(Feed(3)); });
    std::string location;
    CTestHttpServer origin(
        [&](const Request& request)
        {
            if (request.target == "/private.xml" && request.Header("Authorization") == ReaderCredentials)
            {
                Reply moved = Reply::WithStatus("302 Found", "");
                moved.headers.emplace_back("Location", location);
                moved.headers.emplace_back("Set-Cookie", "session=earned; Path=/");
                return moved;
            }
            return request.target == "/moved.xml" ? Reply::Ok(Feed(3)) : Challenge();
        });
    const struct
    {
        std::string location;
        const CTestHttpServer& target;
        bool credentialsExpected;
    } cases[] = {
        {"/moved.xml", origin, true},
        {other.GetUrl("/moved.xml"), other, false},
        {"http://localhost:" + std::to_string(origin.GetPort()) + "/moved.xml", origin, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.location);
        location = c.location;
        EXPECT_EQ(Headlines(3), Titles(FetchXml("reader", "s3cr:et", origin.GetUrl("/private.xml").c_str())));
        const Request last = c.target.GetRequests().back();
        EXPECT_EQ("/moved.xml", last.target);
        EXPECT_EQ(c.credentialsExpected ? ReaderCredentials : "", last.Header("Authorization"));
    }

    // Wrong credentials end with the challenge page, not with a loop.
    const std::unique_ptr<TiXmlDocument> refused =
        FetchXml("reader", "guess", origin.GetUrl("/private.xml").c_str());
    ASSERT_NE(nullptr, refused->RootElement());
    EXPECT_STREQ("html", refused->RootElement()->Value());
    // The next fetch without credentials sends none, nor the session cookie
    // they earned, which is as good as them.
    Fetch(origin.GetUrl("/moved.xml"));
    EXPECT_EQ("", origin.GetRequests().back().Header("Authorization"));
    EXPECT_EQ("", origin.GetRequests().back().Header("Cookie"));
}

// Feeds may be private; a copy on disk would outlive the fetch.
TEST_F(HttpFetchTest, FeedsAreNeverWrittenToTheCache)
{
    Reply cacheable = Reply::Ok(Feed(1));
    cacheable.headers.emplace_back("Cache-Control", "max-age=3600");
    CTestHttpServer server([&](const Request&) { return cacheable; });
    for (const char* username : {"", "reader"})
    {
        const std::string url = server.GetUrl("/feed.xml?user=" + std::string(username));
        SCOPED_TRACE(url);
        EXPECT_EQ(Headlines(1), Titles(FetchXml(username, "secret", url.c_str())));
        DWORD size = 0;
        EXPECT_FALSE(::GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size));
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
    }
}

TEST_F(HttpFetchTest, TheConnectionTypeDecidesWhetherTheStoredProxyIsUsed)
{
    CTestHttpServer origin([](const Request&) { return Reply::Ok(Feed(1)); });
    CTestHttpServer proxy([](const Request&) { return Reply::Ok(Feed(3)); });
    Settings().SetProxyAddress("127.0.0.1");
    Settings().SetProxyPort(proxy.GetPort());
    const std::string url = origin.GetUrl("/feed.xml?x=1");

    Settings().SetConnectionType(CSettings::Direct);
    EXPECT_EQ(Headlines(1), Titles(Fetch(url)));
    Settings().SetConnectionType(CSettings::Proxy);
    EXPECT_EQ(Headlines(3), Titles(Fetch(url)));

    EXPECT_EQ(1u, origin.GetRequestCount());
    const std::vector<Request> requests = proxy.GetRequests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(url, requests[0].target); // the proxy gets the absolute URL
    EXPECT_EQ("tidelight/1.7", requests[0].Header("User-Agent"));
}

// Whatever a server does, the fetch ends well within the test's patience
// with the server's error page, or with an empty document.
TEST_F(HttpFetchTest, BrokenOrHostileServersCostLittleAndGiveNothingElse)
{
    const auto fixed = [](const Reply& reply) { return [reply](const Request&) { return reply; }; };
    Reply silent;
    silent.stall = true;
    Reply trickle = Reply::Ok(Feed(2000));
    trickle.pieceSize = 8;
    trickle.pieceDelayMs = 100;
    Reply trickleHead = Reply::Ok(Feed(1));
    trickleHead.headers.emplace_back("X-Padding", std::string(100 * 1000, 'p'));
    trickleHead.pieceSize = 8;
    trickleHead.pieceDelayMs = 100;
    Reply cut = Reply::Ok(Feed(100));
    cut.closeAfterBodyBytes = cut.body.size() / 2;
    // Closing a handle makes WinINet read on what is left, so only the cap
    // as shipped, not a smaller one, shows the fetch stops reading there.
    Reply endlessChunks = Reply::Ok(Feed(20));
    endlessChunks.chunkSize = 1000;
    endlessChunks.endless = true;
    Reply endlessWithLength = Reply::Ok(Feed(20));
    endlessWithLength.contentLength = false;
    endlessWithLength.headers.emplace_back("Content-Length", "100000000000");
    endlessWithLength.endless = true;
    Reply endlessZeros = Reply::Ok(std::string(4096, '\0'));
    endlessZeros.contentLength = false;
    endlessZeros.endless = true;
    std::string deep;
    for (int i = 0; i < 5000; ++i)
    {
        deep += "<a>";
    }
    const struct
    {
        const char* name;
        CTestHttpServer::Handler handler;
        unsigned long receiveMs;
        unsigned long totalMs;
        const char* root; // of the document that comes back, if one does
        size_t bodyLimit;
        bool gone;
    } cases[] = {
        {"error page", fixed(Reply::WithStatus("404 Not Found", "<html><body>Not Found</body></html>")),
         10000, 90000, "html", 0, false},
        {"nobody listening", fixed(Reply::Ok(Feed(1))), 10000, 90000, nullptr, 0, true},
        {"no answer", fixed(silent), 1000, 60000, nullptr, 0, false},
        {"trickling body", fixed(trickle), 10000, 2000, nullptr, 0, false},
        {"trickling head", fixed(trickleHead), 10000, 2000, nullptr, 0, false},
        {"body cut short", fixed(cut), 10000, 90000, nullptr, 0, false},
        {"body over the cap", fixed(Reply::Ok(Feed(50) + "<!-- one byte too many -->")), 10000, 90000,
         nullptr, Feed(50).size(), false},
        {"endless chunks", fixed(endlessChunks), 10000, 90000, nullptr, 0, false},
        {"endless body of a huge length", fixed(endlessWithLength), 10000, 90000, nullptr, 0, false},
        {"endless zeros", fixed(endlessZeros), 10000, 90000, nullptr, 0, false},
        {"too deeply nested", fixed(Reply::Ok("<rss>" + deep + "</rss>")), 10000, 90000, nullptr, 0, false},
        {"endless redirects",
         [](const Request& request)
         {
             Reply moved = Reply::WithStatus("301 Moved Permanently", "");
             moved.headers.emplace_back("Location", request.target + "x");
             return moved;
         },
         10000, 90000, nullptr, 0, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        UseTimeouts(c.receiveMs, c.totalMs, c.bodyLimit);
        CTestHttpServer server(c.handler);
        if (c.gone)
        {
            server.Stop();
        }
        const ULONGLONG start = ::GetTickCount64();
        const std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/feed.xml"));
        ASSERT_NE(nullptr, document);
        EXPECT_STREQ(c.root, document->RootElement() != nullptr ? document->RootElement()->Value() : nullptr);
        EXPECT_LT(::GetTickCount64() - start, 30 * 1000u);
        EXPECT_LE(server.GetRequestCount(), 20u);
    }
}

// A listening socket whose backlog is full and that never accepts: the
// connection attempt hangs as long as the platform lets it.
TEST_F(HttpFetchTest, ServerThatNeverAcceptsCostsOnlyTheResponseTimeout)
{
    WSADATA data;
    ASSERT_EQ(0, ::WSAStartup(MAKEWORD(2, 2), &data));
    Common::CUniqueSocket listener(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    ASSERT_EQ(0, ::bind(listener.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)));
    ASSERT_EQ(0, ::listen(listener.get(), 1));
    ASSERT_EQ(0, ::getsockname(listener.get(), reinterpret_cast<sockaddr*>(&address), &length));
    std::vector<Common::CUniqueSocket> queued;
    for (int i = 0; i < 4; ++i)
    {
        queued.emplace_back(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        u_long nonBlocking = 1;
        ::ioctlsocket(queued.back().get(), FIONBIO, &nonBlocking);
        ::connect(queued.back().get(), reinterpret_cast<sockaddr*>(&address), sizeof(address));
    }
    UseTimeouts(2000, 120 * 1000);

    const ULONGLONG start = ::GetTickCount64();
    EXPECT_EQ(
        nullptr,
        Fetch("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/feed.xml")->RootElement());
    // Generous, but far from the two minutes the platform would wait.
    EXPECT_LT(::GetTickCount64() - start, 30 * 1000u);
    queued.clear();
    listener.reset();
    ::WSACleanup();
}

TEST_F(HttpFetchTest, UrlsWithControlCharactersOrForeignSchemesSendNothing)
{
    CTestHttpServer server([](const Request&) { return Reply::Ok(Feed(1)); });
    const std::string port = std::to_string(server.GetPort());
    std::string withZero = server.GetUrl("/feed.xml");
    withZero += '\0';
    withZero += "/other";
    const CString refused[] = {
        server.GetUrl("/feed.xml\r\nX-Injected: yes").c_str(),
        server.GetUrl("/feed.xml\nX-Injected: yes").c_str(),
        server.GetUrl("/feed.xml\rX").c_str(),
        server.GetUrl("/feed\t.xml").c_str(),
        server.GetUrl("/feed\x7f.xml").c_str(),
        CString(withZero.data(), withZero.size()),
        ("ftp://127.0.0.1:" + port + "/feed.xml").c_str(),
        ("file://127.0.0.1:" + port + "/feed.xml").c_str(),
        "",
        "not a url",
    };
    for (const CString& url : refused)
    {
        EXPECT_EQ(nullptr, FetchXml("", "", url)->RootElement()) << url.GetString();
    }
    EXPECT_EQ(0u, server.GetRequestCount());
    EXPECT_EQ(Headlines(1), Titles(Fetch(server.GetUrl("/feed.xml"))));
}

// An https URL makes the request secure: the plain server sees the opening
// of a TLS handshake instead of a readable request.
TEST_F(HttpFetchTest, HttpsUrlSpeaksTlsToTheServer)
{
    UseTimeouts(3000, 20 * 1000);
    CTestHttpServer server([](const Request&) { return Reply::Ok(Feed(1)); });
    EXPECT_EQ(nullptr,
              Fetch("https://127.0.0.1:" + std::to_string(server.GetPort()) + "/feed.xml")->RootElement());
    const std::vector<Request> requests = server.GetRequests();
    ASSERT_FALSE(requests.empty());
    for (const Request& request : requests)
    {
        EXPECT_FALSE(request.wellFormed) << request.head;
        EXPECT_EQ('\x16', request.head.at(0)) << "a TLS handshake record";
    }
}

TEST_F(HttpFetchTest, FeedValidatorsGoBackAndAMatchCostsA304WithoutABody)
{
    const std::string date = "Tue, 03 Jun 2025 10:00:00 GMT";
    CTestHttpServer server(
        [&](const Request& request)
        {
            if (request.Header("If-None-Match") == "W/\"v1\"" || request.Header("If-Modified-Since") == date)
            {
                return Reply::WithStatus("304 Not Modified", "");
            }
            if (request.target == "/broken.xml")
            {
                return Reply::WithStatus("500 Internal Server Error", "oops");
            }
            Reply reply = Reply::Ok(Feed(2));
            reply.headers = {{"ETag", "W/\"v1\""}, {"Last-Modified", date}};
            return reply;
        });
    const struct
    {
        const char* path;
        const char* etag;
        const char* lastModified;
        unsigned long status;
        bool document;
        const char* etagAfter;
    } cases[] = {
        {"/feed.xml", "", "", 200, true, "W/\"v1\""},          // learns both
        {"/feed.xml", "W/\"v1\"", "", 304, false, "W/\"v1\""}, // either one suffices
        {"/feed.xml", "", "Tue, 03 Jun 2025 10:00:00 GMT", 304, false, ""},
        {"/feed.xml", "\"v0\"", "", 200, true, "W/\"v1\""},  // stale: replaced
        {"/broken.xml", "\"v0\"", "", 500, false, "\"v0\""}, // an error keeps them
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.path) + " " + c.etag + " " + c.lastModified);
        const size_t before = server.GetRequestCount();
        Content::CFeedFetch fetch;
        fetch.etag = c.etag;
        fetch.lastModified = c.lastModified;
        std::unique_ptr<TiXmlDocument> document =
            Content::FetchFeed("", "", server.GetUrl(c.path).c_str(), fetch);
        ASSERT_NE(nullptr, document);
        EXPECT_EQ(c.status, fetch.status);
        EXPECT_EQ(c.document, document->RootElement() != nullptr);
        EXPECT_STREQ(c.etagAfter, fetch.etag);
        const Request sent = server.GetRequests()[before];
        EXPECT_EQ(c.etag, sent.Header("If-None-Match"));
        EXPECT_EQ(c.lastModified, sent.Header("If-Modified-Since"));
    }
}
