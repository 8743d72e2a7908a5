#include "schedule/sleep_timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

struct FakePlayer : SleepTimerPort {
  int Volume() const override { return volume; }
  void SetVolume(int value) override {
    volume = value;
    set.push_back(value);
  }
  void StopPlayback() override {
    ++stops;
    volume_at_stop = volume;
  }
  int volume = 80;
  std::vector<int> set;
  int stops = 0;
  int volume_at_stop = -1;
};

class SleepTimerTest : public ::testing::Test {
 protected:
  // Both clocks move together, in small steps, as time does.
  void Advance(std::chrono::milliseconds span) {
    for (auto left = span; left > 0ms; left -= 100ms) {
      const auto step = std::min<std::chrono::milliseconds>(left, 100ms);
      clock_.Advance(step);
      dispatcher_.Advance(step);
    }
  }

  test::ManualClock clock_;
  test::ManualDispatcher dispatcher_;
  FakePlayer player_;
  SleepTimer timer_{dispatcher_, clock_, player_};
};

TEST_F(SleepTimerTest, FadesOverTheLastThirtySecondsThenStopsAndGivesTheVolumeBack) {
  int changes = 0;
  timer_.on_changed = [&] { ++changes; };
  timer_.Start(2min);
  EXPECT_TRUE(timer_.Active());
  EXPECT_EQ(changes, 1);

  Advance(89s);
  EXPECT_TRUE(player_.set.empty()) << "nothing is touched before the fade";
  EXPECT_EQ(timer_.Remaining(), 31s);

  Advance(16s);  // 15 s before the end: halfway down
  EXPECT_TRUE(timer_.Fading());
  EXPECT_NEAR(player_.volume, 40, 2);
  for (std::size_t i = 1; i < player_.set.size(); ++i) EXPECT_LE(player_.set[i], player_.set[i - 1]);
  EXPECT_GE(player_.set.size(), 25u) << "steps of half a second, not a jump";
  EXPECT_EQ(player_.stops, 0);

  Advance(15s);
  EXPECT_EQ(player_.stops, 1);
  EXPECT_EQ(player_.volume_at_stop, 0) << "silent when it stops";
  EXPECT_EQ(player_.volume, 80) << "the user's volume for the next play";
  EXPECT_FALSE(timer_.Active());
  EXPECT_FALSE(timer_.Fading());
  EXPECT_EQ(changes, 2);

  Advance(5min);
  EXPECT_EQ(player_.stops, 1);
}

TEST_F(SleepTimerTest, CancelDuringTheFadeGivesTheVolumeBackAndStopsNothing) {
  timer_.Start(1min);
  Advance(45s);
  ASSERT_LT(player_.volume, 80);
  timer_.Cancel();
  EXPECT_EQ(player_.volume, 80);
  EXPECT_FALSE(timer_.Active());
  EXPECT_EQ(timer_.Remaining(), 0ms);
  Advance(2min);
  EXPECT_EQ(player_.stops, 0);
  EXPECT_EQ(player_.volume, 80);
}

TEST_F(SleepTimerTest, RestartDuringTheFadeStartsOverFromTheUsersVolume) {
  timer_.Start(1min);
  Advance(50s);
  ASSERT_LT(player_.volume, 40);
  timer_.Start(1min);
  EXPECT_EQ(player_.volume, 80);
  Advance(50s);
  EXPECT_EQ(player_.stops, 0);
  Advance(10s);
  EXPECT_EQ(player_.stops, 1);
  EXPECT_EQ(player_.volume, 80);
}

TEST_F(SleepTimerTest, VolumeTheUserSetsDuringTheFadeIsTheOneGivenBack) {
  timer_.Start(1min);
  Advance(40s);
  player_.volume = 50;  // the slider moved
  Advance(5s);
  EXPECT_LT(player_.volume, 50);
  EXPECT_NEAR(player_.volume, 50 * 15 / 30, 2) << "the fade goes on from the new level";
  Advance(15s);
  EXPECT_EQ(player_.stops, 1);
  EXPECT_EQ(player_.volume, 50);
}

TEST_F(SleepTimerTest, LateTickStillStopsAndRestores) {
  timer_.Start(1min);
  // The loop was blocked: the clock moves past the end before a tick runs.
  clock_.Advance(2min);
  dispatcher_.Advance(500ms);
  EXPECT_EQ(player_.stops, 1);
  EXPECT_EQ(player_.volume_at_stop, 0);
  EXPECT_EQ(player_.volume, 80);
}

TEST_F(SleepTimerTest, DelayShorterThanTheFadeFadesOverWhatThereIs) {
  timer_.Start(10s);
  Advance(5s);
  EXPECT_NEAR(player_.volume, 40, 5);
  Advance(5s);
  EXPECT_EQ(player_.stops, 1);
  EXPECT_EQ(player_.volume, 80);
}

}  // namespace
}  // namespace tazmel
