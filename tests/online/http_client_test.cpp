#include "online/http_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "support/http_server.h"
#include "support/scoped_env.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

class HttpGetTest : public ::testing::Test {
 protected:
  HttpResult Get(std::string_view path) {
    HttpRequest request;
    request.url = server_.Url(path);
    return HttpGet(request);
  }

  // Streams 4 KiB blocks until the client goes or the server stops.
  static void Endless(test::TestHttpConnection& connection) {
    if (!connection.WriteHead(200, {{"Content-Type", "audio/mpeg"}})) return;
    const std::string block(4096, 'x');
    while (connection.Write(block)) {
    }
  }

  test::TestHttpServer server_;
};

// A plain reply arrives whole, with its type, and the request carries the
// client's user agent.
TEST_F(HttpGetTest, ReturnsBody) {
  server_.Serve("/page?id=3", {200, "text/plain; charset=gbk", "\xC4\xE3 hello"});
  server_.ServeHandler("/agent", [](test::TestHttpConnection& connection) {
    if (connection.WriteHead(200, {{"Content-Type", "text/plain"}})) {
      connection.Write(connection.Header("user-agent").value_or("none"));
    }
  });

  const HttpResult result = Get("/page?id=3");
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.status, 200);
  EXPECT_EQ(result.body, "\xC4\xE3 hello");
  EXPECT_EQ(result.content_type, "text/plain; charset=gbk");
  EXPECT_EQ(result.effective_url, server_.Url("/page?id=3"));
  EXPECT_TRUE(result.error.empty());

  EXPECT_EQ(Get("/agent").body, "Mozilla/3.0 (compatible; Indy Library)");
}

// Error statuses fail but keep what the server sent.
TEST_F(HttpGetTest, ErrorStatusFails) {
  server_.Serve("/broken", {500, "text/plain", "oops"});
  for (auto [path, status] : {std::pair{"/missing", 404}, std::pair{"/broken", 500}}) {
    const HttpResult result = Get(path);
    EXPECT_FALSE(result.ok) << path;
    EXPECT_EQ(result.status, status) << path;
    EXPECT_FALSE(result.error.empty()) << path;
  }
  EXPECT_EQ(Get("/broken").body, "oops");
}

// Redirects are followed, ten at most, and only to web addresses.
TEST_F(HttpGetTest, FollowsRedirects) {
  server_.Serve("/old", {302, "", "", {{"Location", "/new"}}});
  server_.Serve("/new", {200, "text/plain", "moved here"});
  server_.Serve("/loop", {302, "", "", {{"Location", "/loop"}}});
  server_.Serve("/local", {302, "", "", {{"Location", "file:///etc/hostname"}}});

  const HttpResult moved = Get("/old");
  EXPECT_TRUE(moved.ok) << moved.error;
  EXPECT_EQ(moved.body, "moved here");
  EXPECT_EQ(moved.effective_url, server_.Url("/new"));

  EXPECT_FALSE(Get("/loop").ok);
  EXPECT_EQ(server_.RequestCount("/loop"), 11);

  const HttpResult local = Get("/local");
  EXPECT_FALSE(local.ok);
  EXPECT_TRUE(local.body.empty());
}

// Nothing listening, an empty address or a non-web address all fail
// without a reply.
TEST_F(HttpGetTest, UnreachableFails) {
  for (const std::string& url : {"http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/", std::string(),
                                 std::string("file:///etc/hostname")}) {
    HttpRequest request;
    request.url = url;
    const HttpResult result = HttpGet(request);
    EXPECT_FALSE(result.ok) << url;
    EXPECT_EQ(result.status, 0) << url;
    EXPECT_TRUE(result.body.empty()) << url;
    EXPECT_FALSE(result.error.empty()) << url;
  }
}

// A reply of exactly the limit passes; one byte more, or an endless stream,
// is cut off at the limit and fails long before the time-out.
TEST_F(HttpGetTest, SizeLimitEndsLongReplies) {
  constexpr std::size_t kLimit = 64 * 1024;
  server_.Serve("/exact", {200, "application/octet-stream", std::string(kLimit, 'e')});
  server_.Serve("/over", {200, "application/octet-stream", std::string(kLimit + 1, 'o')});
  server_.ServeHandler("/endless", &Endless);
  struct Case {
    std::string_view path;
    bool ok;
  } cases[] = {{"/exact", true}, {"/over", false}, {"/endless", false}};
  for (const Case& c : cases) {
    HttpRequest request;
    request.url = server_.Url(c.path);
    request.max_bytes = kLimit;
    request.timeout = 120s;  // were the limit ignored, this test would fail on it
    const HttpResult result = HttpGet(request);
    EXPECT_EQ(result.ok, c.ok) << c.path << " " << result.error;
    EXPECT_EQ(result.truncated, !c.ok) << c.path;
    EXPECT_EQ(result.body.size(), kLimit) << c.path;
  }
}

// A server that stops sending runs into the total time-out.
TEST_F(HttpGetTest, StallingServerTimesOut) {
  server_.ServeHandler("/stall", [](test::TestHttpConnection& connection) {
    if (connection.WriteHead(200, {{"Content-Type", "audio/mpeg"}}) && connection.Write("first bytes")) {
      connection.SleepFor(120s);
    }
  });
  HttpRequest request;
  request.url = server_.Url("/stall");
  request.timeout = 300ms;
  const HttpResult result = HttpGet(request);
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.truncated);
  EXPECT_EQ(result.body, "first bytes");
  EXPECT_FALSE(result.error.empty());
}

// A server shutting down mid-reply, while its handler still waits to send
// the rest of the announced length, ends the transfer as a failure.
TEST(HttpGetServerTest, ServerGoingAwayFailsTransfer) {
  auto server = std::make_unique<test::TestHttpServer>();
  std::atomic<bool> started{false};
  server->ServeHandler("/held", [&](test::TestHttpConnection& connection) {
    if (connection.WriteHead(200, {{"Content-Type", "text/plain"}, {"Content-Length", "1000"}}) &&
        connection.Write("start")) {
      started = true;
      connection.SleepFor(120s);
    }
  });
  HttpRequest request;
  request.url = server->Url("/held");
  request.timeout = 120s;
  HttpResult result;
  std::thread client([&] { result = HttpGet(request); });
  for (int i = 0; i < 1000 && !started; ++i) std::this_thread::sleep_for(10ms);
  server.reset();
  client.join();
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(result.error.empty());
  EXPECT_EQ(result.body, "start");
}

// A set cancel flag stops a running transfer, and one set beforehand keeps
// the request off the network.
TEST_F(HttpGetTest, CancelStopsTransfer) {
  std::atomic<bool> cancel{false};
  server_.ServeHandler("/slow", [&](test::TestHttpConnection& connection) {
    connection.WriteHead(200, {{"Content-Type", "audio/mpeg"}});
    connection.Write("some");
    cancel = true;
    while (connection.Write("more")) connection.SleepFor(20ms);
  });
  HttpRequest request;
  request.url = server_.Url("/slow");
  request.timeout = 120s;
  request.cancel = &cancel;
  EXPECT_FALSE(HttpGet(request).ok);

  request.url = server_.Url("/never");
  EXPECT_FALSE(HttpGet(request).ok);
  EXPECT_EQ(server_.RequestCount("/never"), 0);
}

// A given proxy receives the whole address as its request target.
TEST_F(HttpGetTest, GoesThroughProxy) {
  server_.Serve("http://radio.invalid/list.asx", {200, "video/x-ms-asf", "<asx/>"});
  HttpRequest request;
  request.url = "http://radio.invalid/list.asx";
  request.proxy_host = "127.0.0.1";
  request.proxy_port = server_.Port();
  const HttpResult result = HttpGet(request);
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.body, "<asx/>");
  EXPECT_EQ(server_.RequestTargets(), std::vector<std::string>{"http://radio.invalid/list.asx"});
}

// Without a proxy in the request, none from the environment is used.
TEST_F(HttpGetTest, IgnoresProxyEnvironment) {
  test::TestHttpServer proxy;
  const std::string proxy_url = proxy.Url("/");
  test::ScopedEnv lower("http_proxy", proxy_url);
  test::ScopedEnv upper("HTTP_PROXY", proxy_url);
  test::ScopedEnv all("ALL_PROXY", proxy_url);
  test::ScopedEnv no("no_proxy", std::nullopt);
  server_.Serve("/direct", {200, "text/plain", "direct"});

  EXPECT_EQ(Get("/direct").body, "direct");
  EXPECT_TRUE(proxy.RequestTargets().empty());
}

// Bytes libcurl would refuse are percent-encoded, code-page text byte by
// byte; what is already encoded and plain ASCII stay.
TEST(EncodeUrlBytesTest, EncodesOnlyWhatNeedsIt) {
  struct Case {
    std::string_view url, encoded;
  } cases[] = {
      {"http://h/plain?a=1&b=%20", "http://h/plain?a=1&b=%20"},
      {"http://h/\xB5\xE7\xCC\xA8.html", "http://h/%B5%E7%CC%A8.html"},
      {"http://h/a b\tc", "http://h/a%20b%09c"},
      {"http://h/\x7F\xFF", "http://h/%7F%FF"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(EncodeUrlBytes(c.url), c.encoded) << c.url;
}

// An address with code-page bytes in its path reaches the server.
TEST_F(HttpGetTest, FetchesNonAsciiPath) {
  server_.Serve("/%B5%E7%CC%A8/list.asx", {200, "video/x-ms-asf", "<asx/>"});
  HttpRequest request;
  request.url = server_.Url("/\xB5\xE7\xCC\xA8/list.asx");
  const HttpResult result = HttpGet(request);
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ(result.body, "<asx/>");
}

}  // namespace
}  // namespace tazmel
