// The clock setter against a private bus daemon, with a timedated of the
// test's own that answers SetTime as each case asks.
#include "schedule/timedated_clock_setter.h"

#include <systemd/sd-bus.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "support/child_process.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

// Owns org.freedesktop.timedate1 on the bus at `address` and answers SetTime
// with `error_name` (empty: success), noting what it was asked.
class FakeTimedated {
 public:
  FakeTimedated(const std::string& address, std::string error_name) : error_name_(std::move(error_name)) {
    thread_ = std::thread([this, address] { Run(address); });
    for (int i = 0; i < 500 && !ready_; ++i) std::this_thread::sleep_for(10ms);
  }
  ~FakeTimedated() {
    stop_ = true;
    thread_.join();
  }
  bool Ready() const { return ready_; }
  std::int64_t usec = 0;
  int relative = -1;
  int interactive = -1;

 private:
  static int SetTime(sd_bus_message* m, void* data, sd_bus_error* error) {
    auto* self = static_cast<FakeTimedated*>(data);
    std::int64_t usec = 0;
    int relative = 0, interactive = 0;
    if (sd_bus_message_read(m, "xbb", &usec, &relative, &interactive) < 0) return -EINVAL;
    self->usec = usec;
    self->relative = relative;
    self->interactive = interactive;
    if (!self->error_name_.empty()) return sd_bus_error_set(error, self->error_name_.c_str(), "refused by the test");
    return sd_bus_reply_method_return(m, "");
  }

  void Run(const std::string& address) {
    static const sd_bus_vtable vtable[] = {
        SD_BUS_VTABLE_START(0),
        SD_BUS_METHOD("SetTime", "xbb", "", &FakeTimedated::SetTime, SD_BUS_VTABLE_UNPRIVILEGED), SD_BUS_VTABLE_END};
    sd_bus* bus = nullptr;
    if (sd_bus_new(&bus) < 0) return;
    sd_bus_set_address(bus, address.c_str());
    sd_bus_set_bus_client(bus, 1);
    if (sd_bus_start(bus) >= 0 &&
        sd_bus_add_object_vtable(bus, nullptr, "/org/freedesktop/timedate1", "org.freedesktop.timedate1", vtable,
                                 this) >= 0 &&
        sd_bus_request_name(bus, "org.freedesktop.timedate1", 0) >= 0) {
      ready_ = true;
      while (!stop_) {
        if (sd_bus_process(bus, nullptr) > 0) continue;
        sd_bus_wait(bus, 50'000);
      }
    }
    sd_bus_flush_close_unref(bus);
  }

  std::string error_name_;
  std::thread thread_;
  std::atomic<bool> ready_{false};
  std::atomic<bool> stop_{false};
};

class CountingSetter : public ClockSetter {
 public:
  ClockSetResult SetUtc(std::int64_t) override {
    ++calls;
    return ClockSetResult::kSet;
  }
  int calls = 0;
};

class TimedatedClockSetterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    daemon_ = std::make_unique<test::ChildProcess>(
        std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"},
        test::EnvironmentWith({}), true);
    ASSERT_TRUE(daemon_->Started());
    ASSERT_TRUE(daemon_->WaitForOutput("\n", 5s)) << daemon_->Output();
    address_ = daemon_->Output().substr(0, daemon_->Output().find('\n'));
    if (const char* old = std::getenv("DBUS_SYSTEM_BUS_ADDRESS")) old_ = old;
    ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.c_str(), 1);
  }
  void TearDown() override {
    if (old_.empty()) {
      ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    } else {
      ::setenv("DBUS_SYSTEM_BUS_ADDRESS", old_.c_str(), 1);
    }
  }

  std::unique_ptr<test::ChildProcess> daemon_;
  std::string address_;
  std::string old_;
};

// What timedated answers becomes what the window tells: NTP on and "not
// authorised" are told apart from other failures. The time goes as absolute
// microseconds, without a password prompt.
TEST_F(TimedatedClockSetterTest, AnswersMapToResults) {
  const struct {
    const char* error_name;
    ClockSetResult expected;
  } cases[] = {
      {"", ClockSetResult::kSet},
      {"org.freedesktop.timedate1.AutomaticTimeSyncEnabled", ClockSetResult::kNtpActive},
      {"org.freedesktop.DBus.Error.InteractiveAuthorizationRequired", ClockSetResult::kNotPermitted},
      {"org.freedesktop.DBus.Error.AccessDenied", ClockSetResult::kNotPermitted},
      {"org.freedesktop.DBus.Error.Failed", ClockSetResult::kFailed},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error_name);
    FakeTimedated service(address_, c.error_name);
    ASSERT_TRUE(service.Ready());
    auto direct = std::make_unique<CountingSetter>();
    CountingSetter* counting = direct.get();
    TimedatedClockSetter setter(std::move(direct));
    EXPECT_EQ(setter.SetUtc(1'710'460'800), c.expected);
    EXPECT_EQ(service.usec, 1'710'460'800'000'000);
    EXPECT_EQ(service.relative, 0);
    EXPECT_EQ(service.interactive, 0);
    // timedated answered: the clock is never set behind its back.
    EXPECT_EQ(counting->calls, 0);
    EXPECT_EQ(setter.Detail().empty(), c.expected == ClockSetResult::kSet);
  }
}

// No timedated on the bus: the clock is set directly only by a process that
// may do so.
TEST_F(TimedatedClockSetterTest, WithoutTimedatedFallsBackOnlyWithTheCapability) {
  auto direct = std::make_unique<CountingSetter>();
  CountingSetter* counting = direct.get();
  TimedatedClockSetter setter(std::move(direct));
  const ClockSetResult result = setter.SetUtc(1'710'460'800);
  if (TimedatedClockSetter::HasSysTimeCapability()) {
    EXPECT_EQ(result, ClockSetResult::kSet);
    EXPECT_EQ(counting->calls, 1);
  } else {
    EXPECT_EQ(result, ClockSetResult::kFailed);
    EXPECT_EQ(counting->calls, 0);
    EXPECT_FALSE(setter.Detail().empty());
  }
}

}  // namespace
}  // namespace tazmel
