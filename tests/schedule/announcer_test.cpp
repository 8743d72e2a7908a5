#include "schedule/announcer.h"

#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/loop_dispatcher.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

// Stands in for the sound card: notes each file and the thread it came on,
// taking a few milliseconds per word.
class FakePlayer : public SoundFilePlayer {
 public:
  bool PlayToEnd(const std::filesystem::path& file, const std::atomic<bool>& stop) override {
    {
      std::lock_guard lock(mutex);
      words.push_back(file.parent_path().filename().string() + "/" + file.stem().string());
      threads.push_back(std::this_thread::get_id());
    }
    for (int i = 0; i < word_ms && !stop; ++i) std::this_thread::sleep_for(1ms);
    return true;
  }
  std::vector<std::string> Words() {
    std::lock_guard lock(mutex);
    return words;
  }
  int word_ms = 5;
  std::mutex mutex;
  std::vector<std::string> words;
  std::vector<std::thread::id> threads;
};

class FakeMute : public PlayerMute {
 public:
  bool Muted() const override { return muted; }
  void SetMuted(bool m) override {
    muted = m;
    changes.push_back(m);
  }
  bool muted = false;
  std::vector<bool> changes;
};

LocalTime At(int h, int m, int s) {
  LocalTime t;
  t.hour = h;
  t.minute = m;
  t.second = s;
  return t;
}

class TalkingClockRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* word : {"now", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "hour", "minute", "just"}) {
      test::WriteFile(dir_ / "chs" / (std::string(word) + ".wav"), "RIFF");
    }
    test::WriteFile(dir_ / "cht" / "hour.wav", "RIFF");
  }
  test::TempDir dir_;
  test::LoopDispatcher loop_;
  FakePlayer player_;
  FakeMute mute_;
};

// It read the minute again after the hour, so at 10:59:58 it could say
// "10 hour, just". The time given is the time spoken.
TEST_F(TalkingClockRunTest, SpeaksTheGivenTimeOnItsOwnThreadWithTheChsFallback) {
  TalkingClock clock(loop_, player_, mute_, dir_.path());
  bool finished = false;
  clock.on_finished = [&] { finished = true; };
  ASSERT_TRUE(clock.Announce(At(10, 59, 58), "cht", false));
  EXPECT_TRUE(clock.Speaking());
  ASSERT_TRUE(loop_.RunUntil([&] { return finished; }, 5s));
  EXPECT_FALSE(clock.Speaking());
  EXPECT_EQ(player_.Words(),
            (std::vector<std::string>{"chs/now", "chs/10", "cht/hour", "chs/5", "chs/10", "chs/9", "chs/minute"}));
  for (std::thread::id id : player_.threads) EXPECT_NE(id, std::this_thread::get_id());
  EXPECT_TRUE(mute_.changes.empty());
}

TEST_F(TalkingClockRunTest, MuteIsGivenBackAsItWas) {
  for (bool already_muted : {false, true}) {
    SCOPED_TRACE(already_muted);
    mute_.muted = already_muted;
    mute_.changes.clear();
    TalkingClock clock(loop_, player_, mute_, dir_.path());
    bool finished = false;
    clock.on_finished = [&] {
      finished = true;
      EXPECT_EQ(mute_.muted, already_muted);  // given back before the notice
    };
    ASSERT_TRUE(clock.Announce(At(0, 0, 0), "chs", true));
    EXPECT_TRUE(mute_.muted);
    ASSERT_TRUE(loop_.RunUntil([&] { return finished; }, 5s));
    EXPECT_EQ(mute_.muted, already_muted);
  }
}

TEST_F(TalkingClockRunTest, OneAnnouncementAtATimeAndStoppedWithTheClock) {
  player_.word_ms = 2000;
  {
    TalkingClock clock(loop_, player_, mute_, dir_.path());
    ASSERT_TRUE(clock.Announce(At(12, 0, 0), "chs", true));
    EXPECT_FALSE(clock.Announce(At(12, 0, 1), "chs", true));
    loop_.RunFor(50ms);
    EXPECT_EQ(player_.Words().size(), 1u);
  }  // ends the words at once, and unmutes
  EXPECT_EQ(player_.Words().size(), 1u);
  EXPECT_FALSE(mute_.muted);
  loop_.RunFor(20ms);  // the ended thread's notice finds the clock gone
}

}  // namespace
}  // namespace tazmel
