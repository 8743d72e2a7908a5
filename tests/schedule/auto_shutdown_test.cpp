#include "schedule/auto_shutdown.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schedule/logind_power_off.h"
#include "support/loop_dispatcher.h"
#include "support/manual_dispatcher.h"
#include "support/scoped_env.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using Outcome = PowerOffResult::Outcome;

// The windows and a power-off double that answers as told, after a posted
// call like the real one.
class FakeShutdownPort : public ShutdownPort {
 public:
  FakeShutdownPort(Dispatcher& dispatcher, Outcome answer) : dispatcher_(dispatcher), answer_(answer) {}
  void ShowCountdown(int seconds_left) override { figures.push_back(seconds_left); }
  void CloseCountdown() override { log.push_back("close window"); }
  void PrepareForPowerOff() override { log.push_back("prepare"); }
  void PowerOff(std::function<void(const PowerOffResult&)> done) override {
    log.push_back("power off");
    dispatcher_.Post([this, done] { done({answer_, answer_ == Outcome::kAccepted ? "" : "Access denied"}); });
  }
  void Quit() override { log.push_back("quit"); }
  void PowerOffRefused(const PowerOffResult& result) override { log.push_back("refused: " + result.detail); }

  std::vector<int> figures;
  std::vector<std::string> log;

 private:
  Dispatcher& dispatcher_;
  Outcome answer_;
};

class AutoShutdownTest : public ::testing::Test {
 protected:
  test::ManualDispatcher dispatcher_;
};

TEST_F(AutoShutdownTest, CountsDownThirtySecondsThenPowersOff) {
  FakeShutdownPort port(dispatcher_, Outcome::kAccepted);
  AutoShutdown shutdown(dispatcher_, port);
  shutdown.Trigger();
  // Opened from a posted call, never inside the trigger's own tick.
  EXPECT_TRUE(port.figures.empty());
  dispatcher_.Advance(29'500ms);
  EXPECT_EQ(port.figures.back(), 1);
  EXPECT_TRUE(port.log.empty());
  dispatcher_.Advance(1000ms);
  std::vector<int> expected;
  for (int s = 30; s >= 0; --s) expected.push_back(s);
  EXPECT_EQ(port.figures, expected);
  EXPECT_EQ(port.log, (std::vector<std::string>{"close window", "prepare", "power off", "quit"}));
}

TEST_F(AutoShutdownTest, CancelAndConfirmAndASecondTrigger) {
  {
    FakeShutdownPort port(dispatcher_, Outcome::kAccepted);
    AutoShutdown shutdown(dispatcher_, port);
    shutdown.Trigger();
    dispatcher_.Advance(10'000ms);
    shutdown.Trigger();  // the same time again while the window is open
    dispatcher_.Advance(5'000ms);
    shutdown.Cancel();
    EXPECT_FALSE(shutdown.InProgress());
    dispatcher_.Advance(60'000ms);
    EXPECT_EQ(port.log, std::vector<std::string>{"close window"});
    EXPECT_EQ(port.figures.front(), 30);
    EXPECT_EQ(port.figures.back(), 15);
  }
  {
    FakeShutdownPort port(dispatcher_, Outcome::kAccepted);
    AutoShutdown shutdown(dispatcher_, port);
    shutdown.Trigger();
    dispatcher_.Advance(3'000ms);
    shutdown.Confirm();
    dispatcher_.RunPosted();
    EXPECT_EQ(port.log, (std::vector<std::string>{"close window", "prepare", "power off", "quit"}));
  }
}

// A refused power-off used to leave a hidden program without a tray icon.
TEST_F(AutoShutdownTest, RefusedPowerOffIsReportedAndTheProgramGoesOn) {
  for (Outcome refusal : {Outcome::kRefused, Outcome::kUnavailable}) {
    FakeShutdownPort port(dispatcher_, refusal);
    AutoShutdown shutdown(dispatcher_, port);
    shutdown.Trigger();
    dispatcher_.Advance(31'000ms);
    EXPECT_EQ(port.log, (std::vector<std::string>{"close window", "prepare", "power off", "refused: Access denied"}));
    EXPECT_FALSE(shutdown.InProgress());
    shutdown.Trigger();  // the next day's time works again
    dispatcher_.Advance(1'000ms);
    EXPECT_EQ(port.figures.back(), 29);
  }
}

// With no system bus to reach, the request comes back as unavailable; the
// bus address points nowhere, so no machine can be switched off by this.
TEST(LogindPowerOffTest, WithoutASystemBusTheRequestIsUnavailable) {
  test::ScopedEnv bus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tazmel-test-bus");
  test::LoopDispatcher loop;
  LogindPowerOff power(loop);
  std::optional<PowerOffResult> result;
  power.PowerOff([&](const PowerOffResult& r) { result = r; });
  ASSERT_TRUE(loop.RunUntil([&] { return result.has_value(); }, 15s));
  EXPECT_EQ(result->outcome, Outcome::kUnavailable);
  EXPECT_FALSE(result->detail.empty());
}

}  // namespace
}  // namespace tazmel
