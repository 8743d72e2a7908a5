#include "schedule/daytime.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

#include "core/clock.h"
#include "core/text_utils.h"

namespace tazmel {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Waits are cut into slices so that a cancelled request ends soon.
constexpr std::chrono::milliseconds kPollSlice{50};

// Days from the Modified Julian Day epoch (1858-11-17) to 1970-01-01.
constexpr std::int64_t kMjdOfUnixEpoch = 40587;

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

bool AllDigits(std::string_view text, std::size_t count) {
  if (text.size() != count) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

int Number(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsBlankOrControl(text[pos])) ++pos;
    std::size_t end = pos;
    while (end < text.size() && !IsBlankOrControl(text[end])) ++end;
    if (end > pos) words.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  return words;
}

// "123.4": the advance in milliseconds.
bool IsAdvance(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == text.npos || dot == 0 || dot + 1 >= text.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i != dot && (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

// Whether `fd` becomes ready for `events` before `until`, checking the
// cancel flag between slices. Returns the poll revents, 0 on time-out, -1 on
// cancel or error.
int WaitFor(int fd, short events, SteadyClock::time_point until, const std::function<bool()>& cancelled) {
  for (;;) {
    if (cancelled && cancelled()) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - SteadyClock::now());
    if (left.count() <= 0) return 0;
    pollfd pfd{fd, events, 0};
    const int n = ::poll(&pfd, 1, static_cast<int>(std::min(left, kPollSlice).count()) + 1);
    if (n < 0 && errno != EINTR) return -1;
    if (n > 0) return pfd.revents;
  }
}

}  // namespace

DaytimeError ParseNistReply(std::string_view reply, NistTime& time) {
  const std::vector<std::string_view> w = Words(TrimControls(reply));
  if (w.size() != 9) return DaytimeError::kLayout;
  const std::string_view date = w[1];
  const std::string_view clock = w[2];
  if (!AllDigits(w[0], 5) || date.size() != 8 || date[2] != '-' || date[5] != '-' || clock.size() != 8 ||
      clock[2] != ':' || clock[5] != ':' || !AllDigits(w[3], 2) || !AllDigits(w[4], 1) || !AllDigits(w[5], 1) ||
      !IsAdvance(w[6]) || w[7] != "UTC(NIST)" || (w[8] != "*" && w[8] != "#")) {
    return DaytimeError::kLayout;
  }
  for (std::size_t i : {0, 1, 3, 4, 6, 7}) {
    if (date[i] < '0' || date[i] > '9' || clock[i] < '0' || clock[i] > '9') return DaytimeError::kLayout;
  }
  NistTime t;
  t.year = 2000 + Number(date.substr(0, 2));
  t.month = Number(date.substr(3, 2));
  t.day = Number(date.substr(6, 2));
  t.hour = Number(clock.substr(0, 2));
  t.minute = Number(clock.substr(3, 2));
  t.second = Number(clock.substr(6, 2));
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 59) {
    return DaytimeError::kLayout;
  }
  const std::int64_t days = DaysFromCivil(t.year, t.month, t.day);
  int y = 0;
  int m = 0;
  int d = 0;
  CivilFromDays(days, y, m, d);
  if (m != t.month || d != t.day) return DaytimeError::kLayout;  // 24-02-30
  if (Number(w[0]) != days + kMjdOfUnixEpoch) return DaytimeError::kDateMismatch;
  if (w[5] != "0") return DaytimeError::kUnhealthy;
  if (t.year < kNistMinYear) return DaytimeError::kBadYear;
  t.utc_seconds = days * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
  time = t;
  return DaytimeError::kNone;
}

DaytimeResult DaytimeClient::FetchBlocking(const std::string& server, const DaytimeOptions& options,
                                           const std::function<bool()>& cancelled) {
  DaytimeResult result;
  const SteadyClock::time_point deadline = SteadyClock::now() + options.deadline;
  const std::string host(TrimBlanks(server));
  if (host.empty()) {
    result.error = DaytimeError::kNoServer;
    return result;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const std::string port = std::to_string(options.port);
  if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &found) != 0 || !found) {
    result.error = DaytimeError::kResolve;
    return result;
  }
  std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, &::freeaddrinfo);

  const SteadyClock::time_point connect_until = std::min(deadline, SteadyClock::now() + options.connect_timeout);
  int connected_fd = -1;
  std::unique_ptr<Socket> socket;
  for (addrinfo* a = addresses.get(); a && connected_fd < 0; a = a->ai_next) {
    auto candidate =
        std::make_unique<Socket>(::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol));
    if (candidate->Get() < 0) continue;
    if (::connect(candidate->Get(), a->ai_addr, a->ai_addrlen) != 0) {
      if (errno != EINPROGRESS) continue;
      const int ready = WaitFor(candidate->Get(), POLLOUT, connect_until, cancelled);
      if (ready < 0 && cancelled && cancelled()) {
        result.error = DaytimeError::kCancelled;
        return result;
      }
      if (ready <= 0) continue;
      int error = 0;
      socklen_t length = sizeof error;
      if (::getsockopt(candidate->Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) continue;
    }
    connected_fd = candidate->Get();
    socket = std::move(candidate);
  }
  if (connected_fd < 0) {
    result.error = DaytimeError::kConnect;
    return result;
  }

  char buffer[512];
  for (;;) {
    const int ready = WaitFor(connected_fd, POLLIN, deadline, cancelled);
    if (ready < 0) {
      result.error = cancelled && cancelled() ? DaytimeError::kCancelled : DaytimeError::kConnect;
      return result;
    }
    if (ready == 0) {
      result.error = DaytimeError::kTimedOut;
      return result;
    }
    const ssize_t n = ::recv(connected_fd, buffer, sizeof buffer, 0);
    if (n < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      result.error = DaytimeError::kConnect;
      return result;
    }
    if (n == 0) break;
    result.reply.append(buffer, static_cast<std::size_t>(n));
    if (result.reply.size() > options.max_reply_bytes) {
      result.reply.resize(options.max_reply_bytes);
      result.error = DaytimeError::kTooLong;
      return result;
    }
  }
  if (TrimControls(result.reply).empty()) result.error = DaytimeError::kEmpty;
  return result;
}

// Shared by the client and its worker thread. The worker posts its result
// only while holding the mutex and not cancelled; the client sets the flag
// under the same mutex, so nothing is posted for a request dropped before.
// The worker touches nothing else: the callback stays with the client.
struct DaytimeClient::Request {
  std::mutex mutex;
  std::atomic<bool> cancelled{false};
};

DaytimeClient::DaytimeClient(Dispatcher& dispatcher, DaytimeOptions options)
    : dispatcher_(dispatcher), options_(options) {
  // The worker keeps its own deadline; this timer answers in its place when
  // the system's name look-up, which cannot be interrupted, takes longer.
  backstop_ = dispatcher_.CreateTimer([this] {
    if (request_) Finish(request_, DaytimeResult{DaytimeError::kTimedOut, {}});
  });
  backstop_->SetSingleShot(true);
}

DaytimeClient::~DaytimeClient() { Cancel(); }

void DaytimeClient::Cancel() {
  backstop_->Stop();
  done_ = nullptr;
  busy_ = false;
  if (!request_) return;
  {
    std::lock_guard lock(request_->mutex);
    request_->cancelled = true;
  }
  request_.reset();
}

void DaytimeClient::Finish(const std::shared_ptr<Request>& request, const DaytimeResult& result) {
  if (request != request_) return;  // dropped meanwhile
  Done done = std::move(done_);
  Cancel();
  if (done) done(result);
}

void DaytimeClient::Fetch(std::string server, Done done) {
  Cancel();
  auto request = std::make_shared<Request>();
  request_ = request;
  done_ = std::move(done);
  busy_ = true;
  backstop_->Start(options_.deadline + std::chrono::seconds(1));

  std::weak_ptr<bool> alive = alive_;
  Dispatcher* dispatcher = &dispatcher_;
  std::thread([request, dispatcher, alive, this, server = std::move(server), options = options_] {
    const DaytimeResult result = FetchBlocking(server, options, [&request] { return request->cancelled.load(); });
    std::lock_guard lock(request->mutex);
    if (request->cancelled) return;
    dispatcher->Post([request, alive, this, result] {
      if (alive.lock()) Finish(request, result);
    });
  }).detach();
}

ClockSetResult PosixClockSetter::SetUtc(std::int64_t utc_seconds) {
  timespec ts{};
  ts.tv_sec = static_cast<std::time_t>(utc_seconds);
  if (::clock_settime(CLOCK_REALTIME, &ts) == 0) return ClockSetResult::kSet;
  return errno == EPERM ? ClockSetResult::kNotPermitted : ClockSetResult::kFailed;
}

ClockAdjustment AdjustClock(const DaytimeResult& result, ClockSetter& setter) {
  ClockAdjustment adjustment;
  adjustment.error = result.error;
  if (adjustment.error == DaytimeError::kNone) adjustment.error = ParseNistReply(result.reply, adjustment.server_time);
  if (adjustment.error != DaytimeError::kNone) return adjustment;
  adjustment.set = setter.SetUtc(adjustment.server_time.utc_seconds);
  return adjustment;
}

}  // namespace tazmel
