#include "content/HttpFetch.h"

#include "core/Settings.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <ws2tcpip.h>

#include <algorithm>
#include <string>
#include <vector>

using Content::CFetchLimits;
using Content::FetchXml;
using Reply = CTestHttpServer::Reply;
using Request = CTestHttpServer::Request;

namespace
{
std::string Feed(int items)
{
    std::string text =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\"><channel><title>News</title>";
    for (int i = 1; i <= items; ++i)
    {
        std::string n = std::to_string(i);
        text +=
            "<item><title>Headline " + n + "</title><link>http://news.example.test/" + n + "</link></item>\n";
    }
    return text + "</channel></rss>\n";
}

int CountItems(const TiXmlDocument& document)
{
    const TiXmlElement* root = document.RootElement();
    const TiXmlElement* channel = root != nullptr ? root->FirstChildElement("channel") : nullptr;
    int count = 0;
    for (const TiXmlElement* item = channel != nullptr ? channel->FirstChildElement("item") : nullptr;
         item != nullptr; item = item->NextSiblingElement("item"))
    {
        ++count;
    }
    return count;
}

std::string LastTitle(const TiXmlDocument& document)
{
    const TiXmlElement* channel = document.RootElement()->FirstChildElement("channel");
    const TiXmlElement* last = nullptr;
    for (const TiXmlElement* item = channel->FirstChildElement("item"); item != nullptr;
         item = item->NextSiblingElement("item"))
    {
        last = item;
    }
    return last != nullptr ? last->FirstChildElement("title")->GetText() : "";
}

std::string Base64(const std::string& text)
{
    const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < text.size(); i += 3)
    {
        unsigned value = static_cast<unsigned char>(text[i]) << 16;
        if (i + 1 < text.size())
        {
            value |= static_cast<unsigned char>(text[i + 1]) << 8;
        }
        if (i + 2 < text.size())
        {
            value |= static_cast<unsigned char>(text[i + 2]);
        }
        out += alphabet[(value >> 18) & 63];
        out += alphabet[(value >> 12) & 63];
        out += i + 1 < text.size() ? alphabet[(value >> 6) & 63] : '=';
        out += i + 2 < text.size() ? alphabet[value & 63] : '=';
    }
    return out;
}

class HttpFetchTest : public ::testing::Test
{
protected:
    void SetUp() override { m_savedLimits = Content::GetFetchLimits(); }

    void TearDown() override
    {
        Content::SetFetchLimits(m_savedLimits);
        Settings().SetConnectionType(CSettings::Preconfigured);
        Settings().SetProxyAddress("");
        Settings().SetProxyPort(8080);
    }

    // Short enough for a test, long enough for a loaded machine.
    static void UseShortTimeouts(unsigned long receive, unsigned long total)
    {
        CFetchLimits limits = Content::GetFetchLimits();
        limits.connectTimeout = 5000;
        limits.sendTimeout = 5000;
        limits.receiveTimeout = receive;
        limits.responseTimeout = std::min(receive, total);
        limits.totalTimeout = total;
        Content::SetFetchLimits(limits);
    }

    static std::unique_ptr<TiXmlDocument> Fetch(const std::string& url)
    {
        return FetchXml("", "", url.c_str());
    }

private:
    CFetchLimits m_savedLimits;
};

TEST_F(HttpFetchTest, DocumentArrivesWholeHoweverItIsCut)
{
    const std::string feed = Feed(300);
    ASSERT_GT(feed.size(), 4 * 4096u);

    Reply atOnce = Reply::Ok(feed);
    Reply inSmallPieces = Reply::Ok(feed);
    inSmallPieces.pieceSize = 700;
    inSmallPieces.pieceDelayMs = 1;
    Reply chunked = Reply::Ok(feed);
    chunked.chunkSize = 1500;
    Reply untilClose = Reply::Ok(feed);
    untilClose.contentLength = false;

    for (const Reply& reply : {atOnce, inSmallPieces, chunked, untilClose})
    {
        CTestHttpServer server([&](const Request&) { return reply; });
        std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/feed.xml"));
        ASSERT_NE(nullptr, document);
        ASSERT_NE(nullptr, document->RootElement()) << document->ErrorDesc();
        EXPECT_FALSE(document->Error()) << document->ErrorDesc();
        EXPECT_EQ(300, CountItems(*document));
        EXPECT_EQ("Headline 300", LastTitle(*document));
    }
}

TEST_F(HttpFetchTest, RequestCarriesPathQueryAndUserAgentButNoFragment)
{
    CTestHttpServer server([](const Request&) { return Reply::Ok(Feed(1)); });

    // A feed's own URLs may hold UTF-8 and spaces: they go out escaped, as
    // a browser sends them.
    std::unique_ptr<TiXmlDocument> document =
        Fetch(server.GetUrl("/feeds/\xD0\xBD\xD0\xBE news.xml?id=7&lang=\xC3\xBC#latest"));

    ASSERT_NE(nullptr, document->RootElement());
    std::vector<Request> requests = server.GetRequests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ("GET", requests[0].method);
    EXPECT_EQ("/feeds/%D0%BD%D0%BE%20news.xml?id=7&lang=%C3%BC", requests[0].target);
    EXPECT_EQ("tidelight/1.7", requests[0].Header("User-Agent"));
    EXPECT_FALSE(requests[0].HasHeader("Authorization"));
}

TEST_F(HttpFetchTest, ErrorPageIsParsedAndHasAForeignRoot)
{
    CTestHttpServer server(
        [](const Request&)
        {
            return Reply::WithStatus("404 Not Found", "<html><head><title>Not Found</title></head>"
                                                      "<body><h1>Not Found</h1></body></html>");
        });

    std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/missing.xml"));

    ASSERT_NE(nullptr, document);
    ASSERT_NE(nullptr, document->RootElement());
    EXPECT_STREQ("html", document->RootElement()->Value());
}

TEST_F(HttpFetchTest, BasicAuthenticationAnswersTheChallenge)
{
    const std::string expected = "Basic " + Base64("reader:s3cr:et");
    CTestHttpServer server(
        [&](const Request& request)
        {
            if (request.Header("Authorization") == expected)
            {
                return Reply::Ok(Feed(2));
            }
            Reply challenge = Reply::WithStatus("401 Unauthorized", "<html><body>Who are you?</body></html>");
            challenge.headers.emplace_back("WWW-Authenticate", "Basic realm=\"feeds\"");
            return challenge;
        });

    std::unique_ptr<TiXmlDocument> document =
        FetchXml("reader", "s3cr:et", server.GetUrl("/private.xml").c_str());

    ASSERT_NE(nullptr, document->RootElement());
    EXPECT_STREQ("rss", document->RootElement()->Value());
    EXPECT_EQ(2, CountItems(*document));
    std::vector<Request> requests = server.GetRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(expected, requests.back().Header("Authorization"));

    // Wrong credentials end with the challenge page, not with a loop.
    std::unique_ptr<TiXmlDocument> refused =
        FetchXml("reader", "guess", server.GetUrl("/private.xml").c_str());
    ASSERT_NE(nullptr, refused->RootElement());
    EXPECT_STREQ("html", refused->RootElement()->Value());
}

// The origin answers the credentials with a redirect; only a target on the
// same scheme, host and port may see them.
TEST_F(HttpFetchTest, CredentialsFollowRedirectsOnlyWithinTheirOrigin)
{
    const std::string expected = "Basic " + Base64("reader:secret");
    CTestHttpServer other([](const Request&) { return Reply::Ok(Feed(3)); });
    std::string location;
    CTestHttpServer origin(
        [&](const Request& request)
        {
            if (request.target == "/private.xml" && request.Header("Authorization") == expected)
            {
                Reply moved = Reply::WithStatus("302 Found", "");
                moved.headers.emplace_back("Location", location);
                return moved;
            }
            if (request.target == "/moved.xml")
            {
                return Reply::Ok(Feed(3));
            }
            Reply challenge = Reply::WithStatus("401 Unauthorized", "<html><body>Who are you?</body></html>");
            challenge.headers.emplace_back("WWW-Authenticate", "Basic realm=\"feeds\"");
            return challenge;
        });
    const std::string originPort = std::to_string(origin.GetPort());
    const struct
    {
        std::string location;
        const CTestHttpServer& target;
        bool credentialsExpected;
    } cases[] = {
        {"/moved.xml", origin, true},
        {other.GetUrl("/moved.xml"), other, false},
        {"http://localhost:" + originPort + "/moved.xml", origin, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.location);
        location = c.location;
        std::unique_ptr<TiXmlDocument> document =
            FetchXml("reader", "secret", origin.GetUrl("/private.xml").c_str());

        ASSERT_NE(nullptr, document->RootElement());
        EXPECT_EQ(3, CountItems(*document));
        const Request last = c.target.GetRequests().back();
        EXPECT_EQ("/moved.xml", last.target);
        EXPECT_EQ(c.credentialsExpected ? expected : "", last.Header("Authorization"));
    }
}

TEST_F(HttpFetchTest, CredentialsDoNotOutliveTheirFetch)
{
    CTestHttpServer server(
        [](const Request& request)
        {
            if (request.target == "/public.xml" || request.HasHeader("Authorization"))
            {
                // A session cookie earned with the credentials is as good as them.
                Reply feed = Reply::Ok(Feed(1));
                feed.headers.emplace_back("Set-Cookie", "session=earned; Path=/");
                return feed;
            }
            Reply challenge = Reply::WithStatus("401 Unauthorized", "<html><body>Who are you?</body></html>");
            challenge.headers.emplace_back("WWW-Authenticate", "Basic realm=\"feeds\"");
            return challenge;
        });

    ASSERT_NE(nullptr, FetchXml("reader", "secret", server.GetUrl("/private.xml").c_str())->RootElement());
    ASSERT_NE(nullptr, Fetch(server.GetUrl("/public.xml"))->RootElement());

    const Request last = server.GetRequests().back();
    EXPECT_EQ("/public.xml", last.target);
    EXPECT_FALSE(last.HasHeader("Authorization"));
    EXPECT_FALSE(last.HasHeader("Cookie"));
}

TEST_F(HttpFetchTest, EndlessRedirectsEndAfterAFewHops)
{
    CTestHttpServer server(
        [](const Request& request)
        {
            Reply moved = Reply::WithStatus("301 Moved Permanently", "");
            moved.headers.emplace_back("Location", request.target + "x");
            return moved;
        });

    std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/a"));

    EXPECT_EQ(nullptr, document->RootElement());
    EXPECT_LE(server.GetRequestCount(), 20u);
}

// Feeds may be private; a copy on disk would outlive the fetch.
TEST_F(HttpFetchTest, FeedsAreNeverWrittenToTheCache)
{
    Reply cacheable = Reply::Ok(Feed(1));
    cacheable.headers.emplace_back("Cache-Control", "max-age=3600");
    CTestHttpServer server([&](const Request&) { return cacheable; });
    const struct
    {
        const char* username;
        std::string url;
    } cases[] = {{"", server.GetUrl("/public.xml")}, {"reader", server.GetUrl("/private.xml")}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.url);
        ASSERT_NE(nullptr, FetchXml(c.username, "secret", c.url.c_str())->RootElement());
        DWORD size = 0;
        EXPECT_FALSE(::GetUrlCacheEntryInfoA(c.url.c_str(), nullptr, &size));
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());
    }
}

TEST_F(HttpFetchTest, ExplicitProxyReceivesTheAbsoluteUrl)
{
    CTestHttpServer origin([](const Request&) { return Reply::Ok(Feed(1)); });
    CTestHttpServer proxy([](const Request&) { return Reply::Ok(Feed(3)); });
    Settings().SetConnectionType(CSettings::Proxy);
    Settings().SetProxyAddress("127.0.0.1");
    Settings().SetProxyPort(proxy.GetPort());

    const std::string url = origin.GetUrl("/feed.xml?x=1");
    std::unique_ptr<TiXmlDocument> document = Fetch(url);

    ASSERT_NE(nullptr, document->RootElement());
    EXPECT_EQ(3, CountItems(*document));
    std::vector<Request> requests = proxy.GetRequests();
    ASSERT_EQ(1u, requests.size());
    EXPECT_EQ(url, requests[0].target);
    EXPECT_EQ("tidelight/1.7", requests[0].Header("User-Agent"));
    EXPECT_EQ(0u, origin.GetRequestCount());
}

TEST_F(HttpFetchTest, DirectConnectionIgnoresAStoredProxy)
{
    CTestHttpServer origin([](const Request&) { return Reply::Ok(Feed(1)); });
    CTestHttpServer proxy([](const Request&) { return Reply::Ok(Feed(3)); });
    Settings().SetConnectionType(CSettings::Direct);
    Settings().SetProxyAddress("127.0.0.1");
    Settings().SetProxyPort(proxy.GetPort());

    std::unique_ptr<TiXmlDocument> document = Fetch(origin.GetUrl("/feed.xml"));

    ASSERT_NE(nullptr, document->RootElement());
    EXPECT_EQ(1, CountItems(*document));
    EXPECT_EQ(1u, origin.GetRequestCount());
    EXPECT_EQ(0u, proxy.GetRequestCount());
}

TEST_F(HttpFetchTest, UnreachableServerGivesAnEmptyDocument)
{
    std::string url;
    {
        CTestHttpServer gone([](const Request&) { return Reply::Ok(Feed(1)); });
        url = gone.GetUrl("/feed.xml");
    }

    std::unique_ptr<TiXmlDocument> document = Fetch(url);

    ASSERT_NE(nullptr, document);
    EXPECT_EQ(nullptr, document->RootElement());
}

TEST_F(HttpFetchTest, SilentServerGivesAnEmptyDocumentAfterTheTimeout)
{
    UseShortTimeouts(1000, 60 * 1000);
    Reply silence;
    silence.stall = true;
    CTestHttpServer server([&](const Request&) { return silence; });

    std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/feed.xml"));

    ASSERT_NE(nullptr, document);
    EXPECT_EQ(nullptr, document->RootElement());
    EXPECT_EQ(1u, server.GetRequestCount());
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
    UseShortTimeouts(2000, 120 * 1000);

    const ULONGLONG start = ::GetTickCount64();
    std::unique_ptr<TiXmlDocument> document =
        Fetch("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/feed.xml");

    EXPECT_EQ(nullptr, document->RootElement());
    // Generous, but far from the two minutes the platform would wait.
    EXPECT_LT(::GetTickCount64() - start, 30 * 1000u);
    queued.clear();
    listener.reset();
    ::WSACleanup();
}

// Each byte comes well within the receive time-out, but the whole would take
// far longer than the test run is allowed: only the overall limit ends it.
TEST_F(HttpFetchTest, TricklingBodyIsCutOffByTheOverallLimit)
{
    UseShortTimeouts(10 * 1000, 2000);
    Reply trickle = Reply::Ok(Feed(2000));
    trickle.pieceSize = 8;
    trickle.pieceDelayMs = 100;
    CTestHttpServer server([&](const Request&) { return trickle; });

    std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/feed.xml"));

    ASSERT_NE(nullptr, document);
    EXPECT_EQ(nullptr, document->RootElement());
}

TEST_F(HttpFetchTest, TricklingHeadIsCutOffByTheOverallLimit)
{
    UseShortTimeouts(10 * 1000, 2000);
    Reply trickle = Reply::Ok(Feed(1));
    trickle.headers.emplace_back("X-Padding", std::string(100 * 1000, 'p'));
    trickle.pieceSize = 8;
    trickle.pieceDelayMs = 100;
    CTestHttpServer server([&](const Request&) { return trickle; });

    std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/feed.xml"));

    ASSERT_NE(nullptr, document);
    EXPECT_EQ(nullptr, document->RootElement());
}

TEST_F(HttpFetchTest, BodyCutShortOfItsLengthGivesAnEmptyDocument)
{
    Reply cut = Reply::Ok(Feed(100));
    cut.closeAfterBodyBytes = cut.body.size() / 2;
    CTestHttpServer server([&](const Request&) { return cut; });

    std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/feed.xml"));

    ASSERT_NE(nullptr, document);
    EXPECT_EQ(nullptr, document->RootElement());
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
        std::unique_ptr<TiXmlDocument> document = FetchXml("", "", url);
        ASSERT_NE(nullptr, document);
        EXPECT_EQ(nullptr, document->RootElement()) << url.GetString();
    }
    EXPECT_EQ(0u, server.GetRequestCount());

    // The same server answers a clean URL.
    EXPECT_NE(nullptr, Fetch(server.GetUrl("/feed.xml"))->RootElement());
}

TEST_F(HttpFetchTest, BodyOverTheCapGivesAnEmptyDocument)
{
    const std::string feed = Feed(50);
    CFetchLimits limits = Content::GetFetchLimits();
    limits.bodyLimit = feed.size();
    Content::SetFetchLimits(limits);
    CTestHttpServer server(
        [&](const Request& request)
        { return Reply::Ok(request.target == "/exact.xml" ? feed : feed + "<!-- one byte too many -->"); });

    std::unique_ptr<TiXmlDocument> atCap = Fetch(server.GetUrl("/exact.xml"));
    std::unique_ptr<TiXmlDocument> overCap = Fetch(server.GetUrl("/larger.xml"));

    ASSERT_NE(nullptr, atCap->RootElement());
    EXPECT_EQ(50, CountItems(*atCap));
    EXPECT_EQ(nullptr, overCap->RootElement());
}

TEST_F(HttpFetchTest, EndlessBodyEndsTheFetchAtTheCap)
{
    // The cap as shipped: closing a handle makes WinINet read on what is
    // left, which a smaller body would let it finish in time.
    UseShortTimeouts(10 * 1000, 90 * 1000);
    Reply chunked = Reply::Ok(Feed(20));
    chunked.chunkSize = 1000;
    Reply announced = Reply::Ok(Feed(20));
    announced.contentLength = false;
    announced.headers.emplace_back("Content-Length", "100000000000");
    Reply zeros = Reply::Ok(std::string(4096, '\0'));
    zeros.contentLength = false;
    const struct
    {
        const char* name;
        Reply reply;
    } cases[] = {{"chunked", chunked}, {"with a length", announced}, {"zero bytes", zeros}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        Reply endless = c.reply;
        endless.endless = true;
        CTestHttpServer server([&](const Request&) { return endless; });

        const ULONGLONG start = ::GetTickCount64();
        std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/feed.xml"));

        EXPECT_EQ(nullptr, document->RootElement());
        // Far from the deadline: the cap, not the clock, ended it.
        EXPECT_LT(::GetTickCount64() - start, 30 * 1000u);
    }
}

TEST_F(HttpFetchTest, TooDeeplyNestedDocumentGivesAnEmptyDocument)
{
    std::string deep;
    for (int i = 0; i < 5000; ++i)
    {
        deep += "<a>";
    }
    CTestHttpServer server([&](const Request&) { return Reply::Ok("<rss>" + deep + "</rss>"); });

    std::unique_ptr<TiXmlDocument> document = Fetch(server.GetUrl("/deep.xml"));

    ASSERT_NE(nullptr, document);
    EXPECT_EQ(nullptr, document->RootElement());
}

// An https URL makes the request secure: the plain server sees the opening
// of a TLS handshake instead of a readable request, and no document comes
// back.
TEST_F(HttpFetchTest, HttpsUrlSpeaksTlsToTheServer)
{
    UseShortTimeouts(3000, 20 * 1000);
    CTestHttpServer server([](const Request&) { return Reply::Ok(Feed(1)); });
    const std::string url = "https://127.0.0.1:" + std::to_string(server.GetPort()) + "/feed.xml";

    std::unique_ptr<TiXmlDocument> document = Fetch(url);

    ASSERT_NE(nullptr, document);
    EXPECT_EQ(nullptr, document->RootElement());
    std::vector<Request> requests = server.GetRequests();
    ASSERT_FALSE(requests.empty());
    for (const Request& request : requests)
    {
        EXPECT_FALSE(request.wellFormed) << request.head;
        ASSERT_FALSE(request.head.empty());
        EXPECT_EQ(0x16, request.head[0]) << "a TLS handshake record";
    }
}
} // namespace

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
