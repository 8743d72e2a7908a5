// The station check's time limit and address order, on scripted controls and
// a manual clock.
#include <gtest/gtest.h>

#include <optional>

#include "playback/scripted_players.h"
#include "playback/station_check.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

class StationCheckTest : public ::testing::Test {
 protected:
  StationCheckTest() {
    check_.on_done = [this](const StationCheckResult& result) { result_ = result; };
    check_.on_address = [this](int index) { addresses_tried_.push_back(index); };
  }

  // Both clocks move, a second at a time, so the watch sees each second.
  void Pass(std::chrono::seconds time) {
    for (auto s = 0s; s < time; ++s) {
      clock_.Advance(1s);
      dispatcher_.Advance(1s);
    }
  }

  test::ManualDispatcher dispatcher_;
  test::ManualClock clock_;
  test::ScriptedFactory factory_;
  StationCheck check_{{.dispatcher = dispatcher_,
                       .clock = clock_,
                       .factory = factory_,
                       .pages = nullptr,
                       .wmp9_installed = [] { return true; },
                       .proxies = nullptr}};
  std::optional<StationCheckResult> result_;
  std::vector<int> addresses_tried_;
};

TEST_F(StationCheckTest, AnAddressThatNeverAnswersFailsAfterMoreThan180WholeSeconds) {
  ASSERT_TRUE(check_.Start({"http://127.0.0.1:9/dead.mp3"}, MediaKind::kUnknown, MediaKind::kUnknown, ""));
  ASSERT_NE(factory_.wmp9, nullptr);
  EXPECT_EQ(factory_.wmp9->url, "http://127.0.0.1:9/dead.mp3");
  Pass(180s);
  EXPECT_FALSE(result_.has_value()) << "180 whole seconds are still allowed";
  EXPECT_TRUE(check_.Running());
  Pass(1s);
  ASSERT_TRUE(result_.has_value());
  EXPECT_FALSE(result_->good);
  EXPECT_FALSE(check_.Running());
}

TEST_F(StationCheckTest, WallClockStepsDoNotShortenTheLimit) {
  ASSERT_TRUE(check_.Start({"http://127.0.0.1:9/a.mp3"}, MediaKind::kUnknown, MediaKind::kUnknown, ""));
  // Midnight passes and the clock is set a day forward: only time counts.
  clock_.StepWall(24h);
  Pass(10s);
  EXPECT_FALSE(result_.has_value());
}

TEST_F(StationCheckTest, ATimedOutAddressMovesOnToTheNextWhichIsGradedFromItsOwnStart) {
  ASSERT_TRUE(check_.Start({"http://127.0.0.1:9/a.mp3", "  ", "http://127.0.0.1:9/b.mp3"}, MediaKind::kWindowsMedia,
                           MediaKind::kWindowsMedia, ""));
  Pass(181s);
  EXPECT_FALSE(result_.has_value());
  EXPECT_EQ(addresses_tried_, std::vector<int>{1}) << "the blank address is not tried";
  Pass(1s);  // the pause before the next address
  ASSERT_NE(factory_.wmp9, nullptr);
  EXPECT_EQ(factory_.wmp9->url, "http://127.0.0.1:9/b.mp3");
  Pass(12s);
  factory_.wmp9->bandwidth = 128000;
  factory_.wmp9->RaiseStreamStarts();
  dispatcher_.RunPosted();
  ASSERT_TRUE(result_.has_value());
  EXPECT_TRUE(result_->good);
  EXPECT_EQ(result_->address_index, 1);
  EXPECT_EQ(result_->seconds, 12);
  EXPECT_FALSE(check_.Running());
}

TEST_F(StationCheckTest, AbortStopsThePlayerAndReportsNothingLater) {
  ASSERT_TRUE(check_.Start({"http://127.0.0.1:9/a.mp3", "http://127.0.0.1:9/b.mp3"}, MediaKind::kWindowsMedia,
                           MediaKind::kWindowsMedia, ""));
  ASSERT_NE(factory_.wmp9, nullptr);
  check_.Abort();
  EXPECT_FALSE(check_.Running());
  // A late event of the stopped clip and any amount of time change nothing.
  factory_.wmp9->RaiseStreamStarts();
  Pass(400s);
  EXPECT_FALSE(result_.has_value());
  EXPECT_TRUE(addresses_tried_.empty());
}

TEST_F(StationCheckTest, NoAddressStartsNothing) {
  EXPECT_FALSE(check_.Start({"", " "}, MediaKind::kUnknown, MediaKind::kUnknown, ""));
  EXPECT_FALSE(check_.Running());
  EXPECT_EQ(factory_.wmp9_attempts + factory_.wmp6_attempts + factory_.real_attempts, 0);
}

}  // namespace
}  // namespace tazmel
