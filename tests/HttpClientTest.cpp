// The rating exchange's HTTP client against a loopback server that records
// the request's bytes, and against a real proxy (Debian's tinyproxy, which
// scripts/test.sh starts on loopback and names in MORVANE_TEST_PROXY; the
// proxy cases are skipped without it).

#include "online/HttpClient.h"
#include "support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

namespace {

THttpPost Post(uint16_t port, std::string body = "t%5B0%5D=Sound+Mixer") {
    THttpPost post;
    post.Server = THostPort{"127.0.0.1", port};
    post.Path = "/startexe3.php";
    post.ContentType = "application/x-www-form-urlencoded";
    post.Body = std::move(body);
    return post;
}

THttpLimits Quick() {
    THttpLimits limits;
    limits.ConnectTimeoutMs = 3000;
    limits.StallTimeoutMs = 1500;
    return limits;
}

std::string Fetch(const std::vector<std::string>& replies, bool closeAfter = true) {
    TLoopbackServer server({replies, closeAfter, false});
    return HttpPost(Post(server.Port()), Quick(), nullptr);
}

EHttpError FailureOf(const std::vector<std::string>& replies, bool closeAfter = true) {
    try {
        Fetch(replies, closeAfter);
    } catch (const EHttpError& e) {
        return e;
    }
    return EHttpError(THttpFailure::BadAddress, "no failure");
}

} // namespace

TEST(HttpRequest, CarriesExactlyTheHeadersInTheirOrder) {
    THttpPost post = Post(80, "t%5B0%5D=Sound+Mixer&e%5B0%5D=mixer%2Eexe");
    post.Server.Host = "ratings.example";
    EXPECT_EQ(BuildRequest(post), "POST /startexe3.php HTTP/1.0\r\n"
                                  "Host: ratings.example\r\n"
                                  "Accept: text/html, */*\r\n"
                                  "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                                  "Content-Type: application/x-www-form-urlencoded\r\n"
                                  "Content-Length: 41\r\n"
                                  "\r\n"
                                  "t%5B0%5D=Sound+Mixer&e%5B0%5D=mixer%2Eexe");
}

TEST(HttpRequest, LeavesOutContentLengthForAnEmptyBody) {
    std::string r = BuildRequest(Post(80, ""));
    EXPECT_EQ(r.find("Content-Length"), std::string::npos);
    EXPECT_EQ(r.substr(r.size() - 4), "\r\n\r\n");
}

TEST(HttpRequest, ThroughAProxyNamesTheAbsoluteAddress) {
    THttpPost post = Post(8077);
    post.Proxy = THostPort{"proxy.example", 3128};
    std::string r = BuildRequest(post);
    EXPECT_EQ(r.substr(0, r.find("\r\n")), "POST http://127.0.0.1:8077/startexe3.php HTTP/1.0");
    EXPECT_NE(r.find("\r\nHost: 127.0.0.1:8077\r\n"), std::string::npos);
}

TEST(HttpExchange, SendsTheRequestBytesOnTheWire) {
    TLoopbackServer server({{"HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n<a/>"}, true, false});
    THttpPost post = Post(server.Port());
    EXPECT_EQ(HttpPost(post, Quick(), nullptr), "<a/>");
    EXPECT_EQ(server.Request(), BuildRequest(post));
}

TEST(HttpExchange, ReadsBodiesByLengthChunksOrClose) {
    EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello and more"}, false),
              "hello");
    EXPECT_EQ(Fetch({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel",
                     "lo\r\n6;ext=1\r\n world\r\n0\r\n\r\n"},
                    false),
              "hello world");
    EXPECT_EQ(Fetch({"HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\n\r\n<r>", "</r>"}), "<r></r>");
    // Headers split across writes, bare line feeds.
    EXPECT_EQ(Fetch({"HTTP/1.0 200 OK\nContent-Le", "ngth: 2\n\nok"}), "ok");
}

TEST(HttpExchange, StatusOutsideSuccessIsAFailure) {
    EHttpError notFound = FailureOf({"HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n"});
    EXPECT_EQ(notFound.Kind, THttpFailure::Status);
    EXPECT_EQ(notFound.Status, 404);
    EXPECT_STREQ(notFound.what(), "the server answered HTTP 404 Not Found");
    // A redirection is not followed.
    EHttpError moved =
        FailureOf({"HTTP/1.0 301 Moved Permanently\r\nLocation: http://elsewhere/\r\n\r\n<r/>"});
    EXPECT_EQ(moved.Status, 301);
}

TEST(HttpExchange, CutOrForeignAnswersFail) {
    EXPECT_EQ(FailureOf({"HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\nshort"}).Kind,
              THttpFailure::Broken);
    EXPECT_EQ(FailureOf({}).Kind, THttpFailure::Broken);
    EXPECT_EQ(FailureOf({"SSH-2.0-OpenSSH\r\n\r\n"}).Kind, THttpFailure::BadResponse);
    EXPECT_EQ(FailureOf({"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n"}).Kind,
              THttpFailure::BadResponse);
}

TEST(HttpExchange, AnswerAboveTheLimitFails) {
    TLoopbackServer server(
        {{"HTTP/1.0 200 OK\r\nContent-Length: 99999999\r\n\r\n", std::string(1000, 'x')},
         false,
         false});
    THttpLimits limits = Quick();
    EXPECT_THROW(
        {
            try {
                HttpPost(Post(server.Port()), limits, nullptr);
            } catch (const EHttpError& e) {
                EXPECT_EQ(e.Kind, THttpFailure::TooLarge);
                throw;
            }
        },
        EHttpError);
    TLoopbackServer closing({{"HTTP/1.0 200 OK\r\n\r\n", std::string(3000, 'x')}, true, false});
    limits.MaxBodyBytes = 2000;
    EXPECT_THROW(HttpPost(Post(closing.Port()), limits, nullptr), EHttpError);
}

TEST(HttpExchange, SilentServerTimesOutWhilePumping) {
    TLoopbackServer server({{}, false, true});
    THttpLimits limits = Quick();
    limits.StallTimeoutMs = 1000;
    int pumped = 0;
    auto start = std::chrono::steady_clock::now();
    try {
        HttpPost(Post(server.Port()), limits, [&] { ++pumped; });
        ADD_FAILURE() << "no time-out";
    } catch (const EHttpError& e) {
        EXPECT_EQ(e.Kind, THttpFailure::TimedOut);
        EXPECT_STREQ(e.what(), "the server did not answer within 1 s");
    }
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    EXPECT_GE(ms, 900);
    EXPECT_LT(ms, 5000);
    // Slices of 250 ms: about four pumps in a second.
    EXPECT_GE(pumped, 3);
}

// The silence limit alone never ends an answer that comes a byte at a time;
// the whole exchange has a limit of its own, and the failure names it.
TEST(HttpExchange, DrippingServerEndsAtTheExchangeLimit) {
    TLoopbackServer server(
        {{"HTTP/1.0 200 OK\r\n\r\n<r>" + std::string(1000, ' ')}, false, false, 50});
    THttpLimits limits = Quick();
    limits.StallTimeoutMs = 1000;
    limits.ExchangeTimeoutMs = 1500;
    auto start = std::chrono::steady_clock::now();
    try {
        HttpPost(Post(server.Port()), limits, nullptr);
        ADD_FAILURE() << "no time-out";
    } catch (const EHttpError& e) {
        EXPECT_EQ(e.Kind, THttpFailure::TimedOut);
        EXPECT_EQ(std::string(e.what()).rfind("the exchange did not end within 2 s, the limit "
                                              "for the whole exchange",
                                              0),
                  0u)
            << e.what();
    }
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::steady_clock::now() - start)
                  .count();
    EXPECT_GE(ms, 1400);
    EXPECT_LT(ms, 4000);
}

TEST(HttpExchange, NobodyListeningIsUnreachable) {
    try {
        HttpPost(Post(UnusedLoopbackPort()), Quick(), nullptr);
        ADD_FAILURE() << "connected";
    } catch (const EHttpError& e) {
        EXPECT_EQ(e.Kind, THttpFailure::Unreachable);
        EXPECT_NE(std::string(e.what()).find("cannot reach 127.0.0.1:"), std::string::npos);
    }
}

TEST(HttpExchange, ThroughARealProxy) {
    const char* proxyText = std::getenv("MORVANE_TEST_PROXY");
    if (!proxyText || !*proxyText)
        GTEST_SKIP() << "MORVANE_TEST_PROXY names no proxy (scripts/test.sh starts tinyproxy)";
    THostPort proxy;
    ASSERT_TRUE(ParseServerAddress(proxyText, proxy));
    TLoopbackServer server(
        {{"HTTP/1.0 200 OK\r\nContent-Length: 7\r\n\r\n<ok/>\r\n"}, true, false});
    THttpPost post = Post(server.Port());
    post.Proxy = proxy;
    EXPECT_EQ(HttpPost(post, Quick(), nullptr), "<ok/>\r\n");
    // The proxy passes the request on in origin form with the same body.
    std::string got = server.Request();
    EXPECT_EQ(got.substr(0, got.find("\r\n")), "POST /startexe3.php HTTP/1.0");
    EXPECT_EQ(got.substr(got.size() - post.Body.size()), post.Body);
}

TEST(ServerAddress, AcceptsHttpHostAndPort) {
    THostPort s;
    ASSERT_TRUE(ParseServerAddress("http://ratings.example:8077/", s));
    EXPECT_EQ(s.Host, "ratings.example");
    EXPECT_EQ(s.Port, 8077);
    ASSERT_TRUE(ParseServerAddress("HTTP://127.0.0.1", s));
    EXPECT_EQ(s.Port, 80);
    std::string why;
    EXPECT_FALSE(ParseServerAddress("https://secure.example", s, &why));
    EXPECT_NE(why.find("only http://"), std::string::npos);
    EXPECT_FALSE(ParseServerAddress("http://host/path", s));
    EXPECT_FALSE(ParseServerAddress("http://host:0", s));
    EXPECT_FALSE(ParseServerAddress("http://host:70000", s));
    EXPECT_FALSE(ParseServerAddress("http://:80", s));
    EXPECT_FALSE(ParseServerAddress("", s));
}

TEST(ProxyServerValue, TakesTheHttpEntryOrTheWholeValue) {
    EXPECT_EQ(ParseProxyServer("proxy.corp:3128").Text(), "proxy.corp:3128");
    EXPECT_EQ(ParseProxyServer("proxy.corp").Text(), "proxy.corp");
    EXPECT_EQ(ParseProxyServer("proxy.corp").Port, 80);
    EXPECT_EQ(ParseProxyServer("https=s.corp:443;http=h.corp:8080;ftp=f:21").Text(), "h.corp:8080");
    EXPECT_EQ(ParseProxyServer("http://h.corp:8080").Text(), "h.corp:8080");
    EXPECT_TRUE(ParseProxyServer("https=s.corp:443;ftp=f:21").Empty());
    EXPECT_TRUE(ParseProxyServer("").Empty());
    EXPECT_TRUE(ParseProxyServer("host:notaport").Empty());
}

TEST(ProxyOverride, LocalAndPatternsBypass) {
    EXPECT_TRUE(ProxyBypassed("<local>", "intranet"));
    EXPECT_FALSE(ProxyBypassed("<local>", "ratings.example"));
    EXPECT_TRUE(ProxyBypassed("*.corp;127.0.0.1", "RATINGS.CORP"));
    EXPECT_TRUE(ProxyBypassed("*.corp; 127.0.0.*", "127.0.0.1"));
    EXPECT_TRUE(ProxyBypassed("rat?ngs.example", "ratings.example"));
    EXPECT_FALSE(ProxyBypassed("*.corp", "corp.example"));
    EXPECT_FALSE(ProxyBypassed("", "anything"));
}
