#include "schedule/daytime.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schedule/tcp_server.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "support/manual_dispatcher.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::TestTcpServer;

// 2024-03-15 is MJD 60384; 12:34:56 UTC that day is 1710506096.
constexpr const char* kValidReply = "60384 24-03-15 12:34:56 50 0 0 123.4 UTC(NIST) *";
constexpr std::int64_t kValidSeconds = 1710506096;

TEST(NistReplyTest, ChecksLayoutDayNumberHealthAndYear) {
  struct Case {
    std::string reply;
    DaytimeError error;
  };
  const Case cases[] = {
      {kValidReply, DaytimeError::kNone},
      {"\r\n60384 24-03-15 12:34:56 50 0 0 123.4 UTC(NIST) * \r\n", DaytimeError::kNone},  // trimmed first
      {"60384 24-03-15 12:34:56 00 0 0 0.0 UTC(NIST) #", DaytimeError::kNone},
      {"60369 24-02-29 00:00:00 00 0 0 45.0 UTC(NIST) *", DaytimeError::kNone},
      {"60385 24-03-15 12:34:56 50 0 0 123.4 UTC(NIST) *", DaytimeError::kDateMismatch},
      {"60384 24-03-15 12:34:56 50 0 2 123.4 UTC(NIST) *", DaytimeError::kUnhealthy},
      {"60384 24-03-15 12:34:56 50 0 4 123.4 UTC(NIST) *", DaytimeError::kUnhealthy},
      {"51544 00-01-01 00:00:00 00 0 0 0.0 UTC(NIST) *", DaytimeError::kBadYear},
      {"60384 24-03-15 12:34:56 50 0 0 123.4 UTC(NIST)", DaytimeError::kLayout},  // no mark
      {"60384 24-03-15 12:34:56 50 0 0 123.4 UTC(USNO) *", DaytimeError::kLayout},
      {"60384 24-03-15 24:00:00 50 0 0 123.4 UTC(NIST) *", DaytimeError::kLayout},
      {"60384 24-02-30 12:34:56 50 0 0 123.4 UTC(NIST) *", DaytimeError::kLayout},
      {"60384 24-3-15 12:34:56 50 0 0 123.4 UTC(NIST) *", DaytimeError::kLayout},
      {"6038a 24-03-15 12:34:56 50 0 0 123.4 UTC(NIST) *", DaytimeError::kLayout},
      {"60384 24-03-15 12:34:56 50 0 0 123 UTC(NIST) *", DaytimeError::kLayout},
      {"Friday, March 15, 2024 12:34:56-UTC", DaytimeError::kLayout},  // the RFC 867 free form
      {"", DaytimeError::kLayout},
  };
  for (const Case& c : cases) {
    NistTime time;
    EXPECT_EQ(ParseNistReply(c.reply, time), c.error) << c.reply;
  }
  NistTime time;
  ASSERT_EQ(ParseNistReply(kValidReply, time), DaytimeError::kNone);
  EXPECT_EQ(time.utc_seconds, kValidSeconds);
  EXPECT_EQ(time.year, 2024);
  EXPECT_EQ(time.month, 3);
  EXPECT_EQ(time.day, 15);
}

class FakeSetter : public ClockSetter {
 public:
  explicit FakeSetter(ClockSetResult answer) : answer_(answer) {}
  ClockSetResult SetUtc(std::int64_t utc_seconds) override {
    calls.push_back(utc_seconds);
    return answer_;
  }
  std::vector<std::int64_t> calls;

 private:
  ClockSetResult answer_;
};

// The program used to report success whatever the reply held and whether
// or not the system took the new time.
TEST(NistReplyTest, ClockIsSetOnlyFromAGoodReplyAndARefusalIsReported) {
  FakeSetter setter(ClockSetResult::kSet);
  EXPECT_TRUE(AdjustClock({DaytimeError::kNone, kValidReply}, setter).Succeeded());
  EXPECT_EQ(setter.calls, std::vector<std::int64_t>{kValidSeconds});

  FakeSetter refusing(ClockSetResult::kNotPermitted);
  const ClockAdjustment refused = AdjustClock({DaytimeError::kNone, kValidReply}, refusing);
  EXPECT_FALSE(refused.Succeeded());
  EXPECT_EQ(refused.error, DaytimeError::kNone);
  EXPECT_EQ(refused.set, ClockSetResult::kNotPermitted);

  FakeSetter untouched(ClockSetResult::kSet);
  EXPECT_EQ(AdjustClock({DaytimeError::kNone, "garbage"}, untouched).error, DaytimeError::kLayout);
  EXPECT_EQ(AdjustClock({DaytimeError::kTimedOut, ""}, untouched).error, DaytimeError::kTimedOut);
  EXPECT_TRUE(untouched.calls.empty());
}

DaytimeOptions QuickOptions(std::uint16_t port) {
  DaytimeOptions options;
  options.port = port;
  options.connect_timeout = 1000ms;
  options.deadline = 400ms;
  return options;
}

// A real server on 127.0.0.1 per behaviour, asked through the client on a
// real-time loop.
TEST(DaytimeClientTest, ServerBehaviours) {
  struct Case {
    const char* name;
    TestTcpServer::Handler handler;
    DaytimeError error;
    std::size_t reply_size;  // 0: not checked
  };
  const std::string valid = std::string("\n") + kValidReply + "\n";
  const Case cases[] = {
      {"valid", [&](TestTcpServer::Connection& c) { c.Send(valid); }, DaytimeError::kNone, valid.size()},
      {"closes at once", [](TestTcpServer::Connection&) {}, DaytimeError::kEmpty, 0},
      {"only blanks", [](TestTcpServer::Connection& c) { c.Send(" \r\n"); }, DaytimeError::kEmpty, 0},
      {"silent", [](TestTcpServer::Connection& c) { c.SleepFor(10s); }, DaytimeError::kTimedOut, 0},
      {"endless",
       [](TestTcpServer::Connection& c) {
         while (c.Send("6")) c.SleepFor(20ms);
       },
       DaytimeError::kTimedOut, 0},
      {"flooding",
       [](TestTcpServer::Connection& c) {
         const std::string block(4096, 'x');
         while (c.Send(block)) {
         }
       },
       DaytimeError::kTooLong, 1024},
      {"garbage", [](TestTcpServer::Connection& c) { c.Send("HTTP/1.0 400 Bad\r\n\r\n"); }, DaytimeError::kNone, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestTcpServer server(c.handler);
    test::LoopDispatcher loop;
    DaytimeClient client(loop, QuickOptions(server.Port()));
    std::optional<DaytimeResult> result;
    const auto started = std::chrono::steady_clock::now();
    client.Fetch("127.0.0.1", [&](const DaytimeResult& r) { result = r; });
    EXPECT_TRUE(client.Busy());
    ASSERT_TRUE(loop.RunUntil([&] { return result.has_value(); }, 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_FALSE(client.Busy());
    EXPECT_EQ(result->error, c.error);
    if (c.reply_size != 0) {
      EXPECT_EQ(result->reply.size(), c.reply_size);
    }
  }
}

TEST(DaytimeClientTest, RefusedAndMissingServers) {
  test::LoopDispatcher loop;
  DaytimeClient client(loop, QuickOptions(test::UnusedLoopbackPort()));
  for (const auto& [server, error] : {std::pair<const char*, DaytimeError>{"127.0.0.1", DaytimeError::kConnect},
                                      {"  ", DaytimeError::kNoServer},
                                      {"no-such-host.invalid", DaytimeError::kResolve}}) {
    std::optional<DaytimeResult> result;
    client.Fetch(server, [&](const DaytimeResult& r) { result = r; });
    ASSERT_TRUE(loop.RunUntil([&] { return result.has_value(); }, 5s)) << server;
    // A resolver that cannot reach its name server answers late; then the
    // client's own deadline speaks first.
    if (error == DaytimeError::kResolve && result->error == DaytimeError::kTimedOut) continue;
    EXPECT_EQ(result->error, error) << server;
  }
}

// Cancelling, destroying the client or asking again drops the pending
// answer; it is never delivered to a caller that no longer waits.
TEST(DaytimeClientTest, DroppedRequestsAreNeverDelivered) {
  TestTcpServer server([](TestTcpServer::Connection& c) {
    c.SleepFor(150ms);
    c.Send(kValidReply);
  });
  test::LoopDispatcher loop;
  int stale = 0;
  {
    DaytimeClient client(loop, QuickOptions(server.Port()));
    client.Fetch("127.0.0.1", [&](const DaytimeResult&) { ++stale; });
    client.Cancel();
    EXPECT_FALSE(client.Busy());
    client.Fetch("127.0.0.1", [&](const DaytimeResult&) { ++stale; });
    std::optional<DaytimeResult> latest;
    client.Fetch("127.0.0.1", [&](const DaytimeResult& r) { latest = r; });
    ASSERT_TRUE(loop.RunUntil([&] { return latest.has_value(); }, 5s));
    EXPECT_EQ(latest->error, DaytimeError::kNone);
    client.Fetch("127.0.0.1", [&](const DaytimeResult&) { ++stale; });
  }  // destroyed while asking
  loop.RunFor(400ms);
  EXPECT_EQ(stale, 0);
}

// When the worker does not answer by the deadline (a name look-up that
// hangs), the client answers on its own.
TEST(DaytimeClientTest, BackstopAnswersWhenTheWorkerIsLate) {
  TestTcpServer server([](TestTcpServer::Connection& c) { c.SleepFor(10s); });
  test::ManualDispatcher manual;
  DaytimeOptions options = QuickOptions(server.Port());
  options.deadline = 3000ms;
  DaytimeClient client(manual, options);
  std::optional<DaytimeResult> result;
  client.Fetch("127.0.0.1", [&](const DaytimeResult& r) { result = r; });
  manual.Advance(3900ms);
  EXPECT_FALSE(result);
  manual.Advance(200ms);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->error, DaytimeError::kTimedOut);
  EXPECT_FALSE(client.Busy());
}

}  // namespace
}  // namespace tazmel
