#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/dispatcher.h"

namespace tazmel {

// What can go wrong between asking a Daytime server and having the time.
enum class DaytimeError : std::uint8_t {
  kNone,
  kNoServer,      // empty server text
  kResolve,       // the host name gives no address
  kConnect,       // refused, unreachable, or not connected in time
  kTimedOut,      // connected, but the reply did not end in time
  kEmpty,         // the server closed without sending anything
  kTooLong,       // more than a reply can be: not a Daytime server
  kLayout,        // not the NIST layout
  kDateMismatch,  // the day number does not belong to the date
  kUnhealthy,     // the server says its own time may be wrong
  kBadYear,       // a year no working server sends
  kCancelled,
};

// A NIST Daytime reply, trimmed of blanks and line breaks around it:
//   "JJJJJ YR-MO-DA HH:MM:SS TT L H msADV UTC(NIST) OTM"
// JJJJJ the Modified Julian Day, TT daylight-saving code, L leap-second
// warning, H health (0 is healthy), msADV the advance in milliseconds.
struct NistTime {
  std::int64_t utc_seconds = 0;  // since 1970-01-01 00:00 UTC
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Years outside this are refused: the two-digit year of the reply covers
// 2000..2099, and no server answering today says a year before this.
inline constexpr int kNistMinYear = 2024;

// Checks the whole layout, the day number against the date, the health digit
// and the year before trusting the date and time.
DaytimeError ParseNistReply(std::string_view reply, NistTime& time);

struct DaytimeOptions {
  std::uint16_t port = 13;
  std::chrono::milliseconds connect_timeout{5000};
  // For the whole request, from the name look-up to the server's close.
  std::chrono::milliseconds deadline{10000};
  std::size_t max_reply_bytes = 1024;
};

struct DaytimeResult {
  DaytimeError error = DaytimeError::kNone;
  std::string reply;  // as received, untrimmed
};

// Asks a Daytime server on a thread of its own and posts the result through
// the dispatcher, so the user-interface thread never waits. One request at a
// time; a new Fetch or the destructor drops the pending one, whose result is
// then never delivered (a look-up that hangs in the resolver finishes on
// its own thread, unseen).
class DaytimeClient {
 public:
  using Done = std::function<void(const DaytimeResult&)>;

  explicit DaytimeClient(Dispatcher& dispatcher, DaytimeOptions options = {});
  ~DaytimeClient();
  DaytimeClient(const DaytimeClient&) = delete;
  DaytimeClient& operator=(const DaytimeClient&) = delete;

  void Fetch(std::string server, Done done);
  void Cancel();
  bool Busy() const { return busy_; }

  // The request itself, blocking the calling thread; `cancelled` is checked
  // while waiting.
  static DaytimeResult FetchBlocking(const std::string& server, const DaytimeOptions& options,
                                     const std::function<bool()>& cancelled);

 private:
  struct Request;
  void Finish(const std::shared_ptr<Request>& request, const DaytimeResult& result);

  Dispatcher& dispatcher_;
  DaytimeOptions options_;
  std::unique_ptr<Timer> backstop_;
  std::shared_ptr<Request> request_;
  Done done_;
  bool busy_ = false;
  // Held weakly by posted results, which find it gone with the client.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// Sets the system clock. The program's setter goes through the system; tests
// use a double.
// kNtpActive: the time service keeps the clock in step by itself and will
// not take a time by hand while that is on.
enum class ClockSetResult : std::uint8_t { kSet, kNotPermitted, kFailed, kNtpActive };
class ClockSetter {
 public:
  virtual ~ClockSetter() = default;
  virtual ClockSetResult SetUtc(std::int64_t utc_seconds) = 0;
};

// clock_settime: works only when the process holds CAP_SYS_TIME; on the usual
// desktop it is refused (kNotPermitted) and the time service keeps the clock.
class PosixClockSetter : public ClockSetter {
 public:
  ClockSetResult SetUtc(std::int64_t utc_seconds) override;
};

// The outcome of one adjustment, for the window's report.
struct ClockAdjustment {
  DaytimeError error = DaytimeError::kNone;  // reading the reply
  ClockSetResult set = ClockSetResult::kFailed;
  NistTime server_time;
  bool Succeeded() const { return error == DaytimeError::kNone && set == ClockSetResult::kSet; }
};

// Reads the reply and, only when it passes every check, sets the clock.
ClockAdjustment AdjustClock(const DaytimeResult& result, ClockSetter& setter);

}  // namespace tazmel
