#include "content/HttpFetch.h"

#include "core/Settings.h"
#include "support/TestDeflate.h"
#include "support/TestFeeds.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <wininet.h>
#include <ws2tcpip.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

using Reply = CTestHttpServer::Reply;
using Request = CTestHttpServer::Request;
using TestDeflate::GzipRss;

namespace
{
// "Basic " and the base64 of "reader:s3cr:et": a colon in the password too.
const std::string ReaderCredentials = "Basic cmVhZGVyOnMzY3I6ZXQ=";
const std::vector<CString> NoDocument = {"no document"};
// A handler that always gives this reply, shaped by the test.
CTestHttpServer::Handler Always(Reply reply, const std::function<void(Reply&)>& shape = nullptr)
{
    if (shape)
    {
        shape(reply);
    }
    return [reply](const Request&) { return reply; };
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

    // The item titles of the feed fetched; "<root>" for another document.
    static std::vector<CString> Titles(const CString& url, const char* username = "",
                                       const char* password = "")
    {
        const std::unique_ptr<TiXmlDocument> document = Content::FetchXml(username, password, url);
        const TiXmlElement* root = document->RootElement();
        if (root == nullptr || std::string(root->Value()) != "rss")
        {
            return {root == nullptr ? NoDocument[0] : CString::Format("<%s>", root->Value())};
        }
        CString channelTitle;
        CRecordingFeedSink sink;
        Content::ParseDocument(Content::FeedFormat::Rss, *document, channelTitle, nullptr, sink);
        std::vector<CString> titles;
        for (const CHeadline& headline : sink.headlines)
        {
            titles.push_back(headline.GetTitle());
        }
        return titles;
    }

private:
    const Content::CFetchLimits m_savedLimits = Content::GetFetchLimits();
};
} // namespace

TEST_F(HttpFetchTest, DocumentArrivesWholeHoweverItIsCutOrCompressed)
{
    const std::string feed = Rss(1, 300);
    ASSERT_GT(feed.size(), 4 * 4096u);
    const std::tuple<const char*, int, std::function<void(Reply&)>> cases[] = {
        {"at once", 300, nullptr},
        {"in small pieces", 300, [](Reply& r) { r.pieceSize = 700, r.pieceDelayMs = 1; }},
        {"chunked", 300, [](Reply& r) { r.chunkSize = 1500; }},
        {"until the connection closes", 300, [](Reply& r) { r.contentLength = false; }},
        {"gzip", 3, [](Reply& r) { r = Reply::Ok(GzipRss).With("Content-Encoding", "gzip"); }},
    };
    for (const auto& [name, stories, shape] : cases)
    {
        SCOPED_TRACE(name);
        CTestHttpServer server(Always(Reply::Ok(feed), shape));
        EXPECT_EQ(Stories(1, stories), Titles(server.GetUrl("/feed.xml").c_str()));
        EXPECT_EQ("gzip, deflate", server.GetRequests().at(0).Header("Accept-Encoding"));
    }
}

// The target goes escaped and without its fragment, as a browser sends it;
// credentials answer the challenge, go to redirect targets of their own
// origin only, and are gone with the fetch that carried them; nothing is
// cached, as feeds may be private; the stored proxy serves only when chosen.
TEST_F(HttpFetchTest, EachRequestCarriesWhatItShouldAndNoMore)
{
    CTestHttpServer other(Always(Reply::Ok(Rss(1, 3))));
    std::string location;
    CTestHttpServer origin(
        [&](const Request& request)
        {
            const Reply reply =
                request.target != "/private.xml" ? Reply::Ok(Rss(1, 3))
                : request.Header("Authorization") == ReaderCredentials
                    ? Reply::WithStatus("302 Found", "")
                          .With("Location", location)
                          .With("Set-Cookie", "session=earned; Path=/")
                    : Reply::WithStatus("401 Unauthorized", "<html><body>Who are you?</body></html>")
                          .With("WWW-Authenticate", "Basic realm=\"feeds\"");
            return reply.With("Cache-Control", "max-age=3600");
        });
    EXPECT_EQ(Stories(1, 3),
              Titles(origin.GetUrl("/f/\xD0\xBD\xD0\xBE news.xml?id=7&l=\xC3\xBC#latest").c_str()));
    const Request plain = origin.GetRequests().at(0);
    EXPECT_EQ("/f/%D0%BD%D0%BE%20news.xml?id=7&l=%C3%BC", plain.target);
    EXPECT_EQ(0u, plain.head.find("GET "));
    EXPECT_EQ("tidelight/1.7", plain.Header("User-Agent"));
    EXPECT_EQ("", plain.Header("Authorization"));

    const std::string localhost = "http://localhost:" + std::to_string(origin.GetPort()) + "/moved.xml";
    const std::pair<std::string, const CTestHttpServer*> moves[] = {
        {"/moved.xml", &origin}, {other.GetUrl("/moved.xml"), &other}, {localhost, &origin}};
    for (const auto& [to, server] : moves)
    {
        SCOPED_TRACE(to);
        location = to;
        EXPECT_EQ(Stories(1, 3), Titles(origin.GetUrl("/private.xml").c_str(), "reader", "s3cr:et"));
        const Request last = server->GetRequests().back();
        EXPECT_EQ("/moved.xml", last.target);
        EXPECT_EQ(to == "/moved.xml" ? ReaderCredentials : "", last.Header("Authorization"));
    }
    // Wrong credentials end with the challenge page, not with a loop.
    EXPECT_EQ(std::vector<CString>{"<html>"},
              Titles(origin.GetUrl("/private.xml").c_str(), "reader", "guess"));
    // The next fetch without credentials sends none, nor the session cookie
    // they earned, which is as good as them.
    Titles(origin.GetUrl("/moved.xml").c_str());
    EXPECT_EQ("", origin.GetRequests().back().Header("Authorization"));
    EXPECT_EQ("", origin.GetRequests().back().Header("Cookie"));
    DWORD size = 0;
    EXPECT_FALSE(::GetUrlCacheEntryInfoA(origin.GetUrl("/moved.xml").c_str(), nullptr, &size));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError());

    Settings().SetProxyAddress("127.0.0.1");
    Settings().SetProxyPort(other.GetPort());
    const size_t before = origin.GetRequestCount();
    const std::string url = origin.GetUrl("/feed.xml?x=1");
    Settings().SetConnectionType(CSettings::Direct);
    Titles(url.c_str());
    EXPECT_EQ(before + 1, origin.GetRequestCount());
    Settings().SetConnectionType(CSettings::Proxy);
    EXPECT_EQ(Stories(1, 3), Titles(url.c_str()));
    EXPECT_EQ(before + 1, origin.GetRequestCount());
    EXPECT_EQ(url, other.GetRequests().back().target); // the proxy gets the absolute URL
    EXPECT_EQ("tidelight/1.7", other.GetRequests().back().Header("User-Agent"));
}

// Whatever a server does, the fetch ends well within the test's patience
// with the server's error page, or with no document.
TEST_F(HttpFetchTest, BrokenOrHostileServersCostLittleAndGiveNothingElse)
{
    std::string deep = "<rss>";
    while (deep.size() < 5000 * 3)
    {
        deep += "<a>";
    }
    const struct
    {
        const char* name;
        CTestHttpServer::Handler handler; // none: nobody listens
        std::vector<CString> titles = NoDocument;
        unsigned long totalMs = 90000;
        unsigned long receiveMs = 10000;
        size_t bodyLimit = 0;
    } cases[] = {
        {"error page", Always(Reply::WithStatus("404 Not Found", "<html>Not Found</html>")), {"<html>"}},
        {"nobody listening", nullptr},
        {"no answer", Always(Reply(), [](Reply& r) { r.stall = true; }), NoDocument, 60000, 1000},
        {"trickling body",
         Always(Reply::Ok(Rss(1, 2000)), [](Reply& r) { r.pieceSize = 8, r.pieceDelayMs = 100; }), NoDocument,
         2000},
        {"trickling head",
         Always(Reply::Ok(Rss(1, 1)),
                [](Reply& r)
                {
                    r.headers.emplace_back("X-Padding", std::string(100 * 1000, 'p'));
                    r.pieceSize = 8, r.pieceDelayMs = 100;
                }),
         NoDocument, 2000},
        {"body cut short",
         Always(Reply::Ok(Rss(1, 100)), [](Reply& r) { r.closeAfterBodyBytes = r.body.size() / 2; })},
        // Without a length only the stream itself can tell it was cut.
        {"gzip cut short",
         Always(Reply::Ok(GzipRss.substr(0, GzipRss.size() - 8)).With("Content-Encoding", "gzip"),
                [](Reply& r) { r.contentLength = false; })},
        {"body over the cap", Always(Reply::Ok(Rss(1, 50) + "<!-- one byte too many -->")), NoDocument, 90000,
         10000, Rss(1, 50).size()},
        // Closing a handle makes WinINet read on what is left, so only the
        // cap as shipped, not a smaller one, shows the fetch stops reading.
        {"endless body of a huge length", Always(Reply::Ok(Rss(1, 20)).With("Content-Length", "100000000000"),
                                                 [](Reply& r) { r.endless = true; })},
        {"too deeply nested", Always(Reply::Ok(deep + "</rss>"))},
        {"endless redirects", [](const Request& request)
         { return Reply::WithStatus("301 Moved Permanently", "").With("Location", request.target + "x"); }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        UseTimeouts(c.receiveMs, c.totalMs, c.bodyLimit);
        CTestHttpServer server(c.handler ? c.handler : Always(Reply::Ok(Rss(1, 1))));
        if (!c.handler)
        {
            server.Stop();
        }
        const ULONGLONG start = ::GetTickCount64();
        EXPECT_EQ(c.titles, Titles(server.GetUrl("/feed.xml").c_str()));
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
    EXPECT_EQ(NoDocument,
              Titles(("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/").c_str()));
    // Generous, but far from the two minutes the platform would wait.
    EXPECT_LT(::GetTickCount64() - start, 30 * 1000u);
    queued.clear();
    listener.reset();
    ::WSACleanup();
}

// An https URL makes the request secure: the plain server sees the opening
// of a TLS handshake instead of a readable request.
TEST_F(HttpFetchTest, UrlsWithControlCharactersOrForeignSchemesSendNothingHttpsSpeaksTls)
{
    UseTimeouts(3000, 20 * 1000);
    CTestHttpServer server(Always(Reply::Ok(Rss(1, 1))));
    const std::string port = std::to_string(server.GetPort());
    const std::string withZero = server.GetUrl("/feed.xml") + '\0' + "/other";
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
        EXPECT_EQ(NoDocument, Titles(url)) << url.GetString();
    }
    EXPECT_EQ(0u, server.GetRequestCount());
    EXPECT_EQ(NoDocument, Titles(("https://127.0.0.1:" + port + "/feed.xml").c_str()));
    ASSERT_NE(0u, server.GetRequestCount());
    for (const Request& request : server.GetRequests())
    {
        EXPECT_EQ('\x16', request.head.at(0)) << "a TLS handshake record";
    }
    EXPECT_EQ(Stories(1, 1), Titles(server.GetUrl("/feed.xml").c_str()));
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
            if (request.target.size() == 4)
            {
                return Reply::WithStatus(request.target.substr(1) + " Moved", "")
                    .With("Location", "/feed.xml");
            }
            Reply reply =
                request.target == "/broken.xml" ? Reply::WithStatus("500 Oops", "") : Reply::Ok(Rss(1, 2));
            return reply.With("ETag", "W/\"v1\"").With("Last-Modified", date);
        });
    const struct
    {
        const char* path;
        const char* etag;
        const char* lastModified;
        unsigned long status;
        bool document;
        const char* etagAfter;
        bool moved = false; // for good, to /feed.xml
    } cases[] = {
        {"/feed.xml", "", "", 200, true, "W/\"v1\""},          // learns both
        {"/feed.xml", "W/\"v1\"", "", 304, false, "W/\"v1\""}, // either one suffices
        {"/feed.xml", "", "Tue, 03 Jun 2025 10:00:00 GMT", 304, false, ""},
        {"/feed.xml", "\"v0\"", "", 200, true, "W/\"v1\""},  // stale: replaced
        {"/broken.xml", "\"v0\"", "", 500, false, "\"v0\""}, // an error keeps them
        {"/308", "", "", 200, true, "W/\"v1\"", true},
        {"/302", "", "", 200, true, "W/\"v1\"", false},
        {"/307", "", "", 200, true, "W/\"v1\"", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.path) + " " + c.etag + " " + c.lastModified);
        const size_t before = server.GetRequestCount();
        Content::CFeedFetch fetch;
        fetch.etag = c.etag;
        fetch.lastModified = c.lastModified;
        const std::unique_ptr<TiXmlDocument> document =
            Content::FetchFeed("", "", server.GetUrl(c.path).c_str(), fetch);
        EXPECT_EQ(c.status, fetch.status);
        EXPECT_EQ(c.document, document->RootElement() != nullptr);
        EXPECT_STREQ(c.etagAfter, fetch.etag);
        EXPECT_EQ(c.moved ? server.GetUrl("/feed.xml") : "", fetch.movedTo.GetString());
        const Request sent = server.GetRequests().at(before);
        EXPECT_EQ(c.etag, sent.Header("If-None-Match"));
        EXPECT_EQ(c.lastModified, sent.Header("If-Modified-Since"));
    }
}
