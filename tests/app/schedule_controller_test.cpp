#include "app/schedule_controller.h"

#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "schedule/zone.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::UtcMsOfLocal;

// The player and the recorder as the schedule sees them: one recording at a
// time, each numbered; a recording the user starts by hand too.
class FakeActions : public TaskActionPort {
 public:
  void PlayStation(int station_id) override { log.push_back("play " + std::to_string(station_id)); }
  void StopPlay() override { log.push_back("stop play"); }
  std::uint64_t StartRecording(const std::string& file) override {
    if (recording != 0) return 0;
    recording = ++serial;
    log.push_back("record '" + file + "' #" + std::to_string(recording));
    return recording;
  }
  void StopRecording(std::uint64_t which) override {
    log.push_back("stop record #" + std::to_string(which));
    if (which == recording) recording = 0;
  }
  std::vector<std::string> log;
  std::uint64_t recording = 0;
  std::uint64_t serial = 0;
};

class FakeMute : public PlayerMute {
 public:
  bool Muted() const override { return muted; }
  void SetMuted(bool m) override { muted = m; }
  bool muted = false;
};

class FakeWords : public SoundFilePlayer {
 public:
  bool PlayToEnd(const std::filesystem::path& file, const std::atomic<bool>&) override {
    std::lock_guard lock(mutex);
    words.push_back(file.stem().string());
    return true;
  }
  std::vector<std::string> Take() {
    std::lock_guard lock(mutex);
    return std::exchange(words, {});
  }
  std::mutex mutex;
  std::vector<std::string> words;
};

class FakeShutdown : public ShutdownPort {
 public:
  void ShowCountdown(int seconds_left) override { shown.push_back(seconds_left); }
  void CloseCountdown() override {}
  void PrepareForPowerOff() override {}
  void PowerOff(std::function<void(const PowerOffResult&)>) override {}
  void Quit() override {}
  void PowerOffRefused(const PowerOffResult&) override {}
  std::vector<int> shown;
};

class ScheduleControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Every word file the talking clock might ask for exists (empty: the
    // fake player only notes names).
    std::filesystem::create_directories(dir_.path() / "sound" / "chs");
    for (const char* word : {"now", "0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "hour", "minute", "just"}) {
      std::ofstream(dir_.path() / "sound" / "chs" / (std::string(word) + ".wav"));
    }
  }

  void Make() {
    controller_ = std::make_unique<ScheduleController>(
        ScheduleParts{.dispatcher = dispatcher_,
                      .clock = clock_,
                      .actions = actions_,
                      .mute = mute_,
                      .sound = words_,
                      .shutdown = shutdown_,
                      .options = options_,
                      .program_folder = dir_.path()},
        ScheduleHooks{.play_current = [this] { actions_.log.push_back("play current"); },
                      .language_code = [] { return std::string("chs"); },
                      .player_active = [this] { return player_active_; }});
  }

  void WriteTasks(const std::string& text) { std::ofstream(dir_.path() / "Tasklist.dat", std::ios::binary) << text; }

  // One-second ticks with a phase of `phase_ms` inside the second, from
  // `from` for `seconds` seconds.
  void TickFrom(std::int64_t from_utc_ms, int seconds, int phase_ms = 0) {
    clock_.SetUtcMs(from_utc_ms + phase_ms);
    for (int i = 0; i < seconds; ++i) {
      controller_->Tick();
      clock_.Advance(1s);
      dispatcher_.RunPosted();
    }
  }

  // The announcement runs on its own thread; its end is posted back.
  std::vector<std::string> WaitForWords() {
    for (int i = 0; i < 2000 && controller_->Talker().Speaking(); ++i) {
      std::this_thread::sleep_for(1ms);
      dispatcher_.RunPosted();
    }
    EXPECT_FALSE(controller_->Talker().Speaking());
    return words_.Take();
  }

  test::ScopedZone zone_{test::kEuropeanZone};
  test::TempDir dir_;
  test::ManualDispatcher dispatcher_;
  test::ManualClock clock_;
  FakeActions actions_;
  FakeMute mute_;
  FakeWords words_;
  FakeShutdown shutdown_;
  Settings::Options options_;
  bool player_active_ = false;
  std::unique_ptr<ScheduleController> controller_;
};

// A daily play task at 08:00:00 and a record task at midnight fire exactly
// once whatever the ticks' phase within the second; the skipped bad line
// does not stop the later task from loading.
TEST_F(ScheduleControllerTest, TasksFireOnceAtTheirTimeWhateverThePhase) {
  WriteTasks(
      "1\t0\t1234-Jazz\t1\t08:00:00 ~ 08:00:05\r\n"
      "1\t0\tbroken line\r\n"
      "1\t1\tnight.mp3\t1\t00:00:00 ~ 00:00:03\r\n");
  for (int phase : {0, 1, 500, 999}) {
    SCOPED_TRACE(phase);
    actions_ = FakeActions{};
    Make();
    controller_->LoadTasks();
    TickFrom(UtcMsOfLocal(2026, 3, 10, 7, 59, 55), 15, phase);
    TickFrom(UtcMsOfLocal(2026, 3, 10, 23, 59, 55), 15, phase);
    EXPECT_EQ(actions_.log,
              (std::vector<std::string>{"play 1234", "stop play", "record 'night.mp3' #1", "stop record #1"}));
  }
}

// The timed actions come from the options read in one place: timed play at
// 00:00:00 once over midnight, the timed recording's end stops the
// recording its start began, and a recording the user started is left
// alone.
TEST_F(ScheduleControllerTest, TimedActionsFollowTheOptions) {
  options_.timing_play = true;
  options_.timing_play_time = 0;
  options_.timing_record = true;
  options_.timing_record_start_time = 10;
  options_.timing_record_end_time = 20;
  Make();
  TickFrom(UtcMsOfLocal(2026, 5, 1, 23, 59, 58), 25, 300);
  EXPECT_EQ(actions_.log, (std::vector<std::string>{"play current", "record '' #1", "stop record #1"}));

  // The user records by hand before the start time: the timed start is
  // refused and its end stops nothing.
  actions_.log.clear();
  actions_.recording = ++actions_.serial;
  TickFrom(UtcMsOfLocal(2026, 5, 3, 0, 0, 5), 20, 0);
  EXPECT_EQ(actions_.log, std::vector<std::string>{});
  EXPECT_NE(actions_.recording, 0u);
}

// The shutdown's countdown opens from a posted call, not inside the tick,
// and a second matching tick while it counts opens nothing more.
TEST_F(ScheduleControllerTest, ShutdownCountdownIsPostedOnce) {
  options_.timing_shutdown = true;
  options_.shutdown_time = 22 * 3600;
  Make();
  clock_.SetUtcMs(UtcMsOfLocal(2026, 6, 1, 22, 0, 0) + 200);
  controller_->Tick();
  EXPECT_TRUE(shutdown_.shown.empty());
  dispatcher_.RunPosted();
  EXPECT_EQ(shutdown_.shown, std::vector<int>{30});
  // The clock is set back a second: the same time comes again.
  clock_.StepWall(-1s);
  controller_->Tick();
  dispatcher_.RunPosted();
  EXPECT_EQ(shutdown_.shown, std::vector<int>{30});
  EXPECT_TRUE(controller_->Shutdown().InProgress());
}

// Automatic announcements at every quarter with interval 15, the time read
// once; Talking Clock speaks the time now, muting the player only while it
// speaks when asked to.
TEST_F(ScheduleControllerTest, TalkingClockSpeaksOnTheQuarterAndOnRequest) {
  options_.auto_talk_clock = true;
  options_.talk_clock_interval = 15;
  Make();
  std::vector<std::string> spoken;
  clock_.SetUtcMs(UtcMsOfLocal(2026, 7, 1, 9, 59, 59) + 500);
  for (int i = 0; i < 3602; ++i) {
    controller_->Tick();
    if (controller_->Talker().Speaking()) {
      const auto words = WaitForWords();
      std::string line;
      for (const std::string& word : words) line += (line.empty() ? "" : " ") + word;
      spoken.push_back(line);
    }
    clock_.Advance(1s);
  }
  EXPECT_EQ(spoken, (std::vector<std::string>{"now 10 hour just", "now 10 hour 10 5 minute", "now 10 hour 3 10 minute",
                                              "now 10 hour 4 10 5 minute", "now 10 1 hour just"}));

  options_.auto_talk_clock = false;
  options_.mute_talk_clock = true;
  mute_.muted = false;
  clock_.SetUtcMs(UtcMsOfLocal(2026, 7, 1, 23, 47, 0));
  ASSERT_TRUE(controller_->SpeakNow());
  EXPECT_TRUE(mute_.muted);
  EXPECT_EQ(WaitForWords(), (std::vector<std::string>{"now", "2", "10", "3", "hour", "4", "10", "7", "minute"}));
  EXPECT_FALSE(mute_.muted);
}

// The exit question is asked while a task's recording runs or a play task's
// station still plays, and not after the task's end or the recording's end.
TEST_F(ScheduleControllerTest, TaskRunningWhileItsWorkGoesOn) {
  WriteTasks(
      "1\t0\t7-Talk\t1\t08:00:00 ~ 09:00:00\r\n"
      "1\t1\tnews.wav\t1\t12:00:00 ~ 13:00:00\r\n");
  Make();
  controller_->LoadTasks();
  EXPECT_FALSE(controller_->TaskRunning());
  TickFrom(UtcMsOfLocal(2026, 8, 3, 8, 0, 0), 1);
  player_active_ = true;
  EXPECT_TRUE(controller_->TaskRunning());
  player_active_ = false;  // the user stopped it
  EXPECT_FALSE(controller_->TaskRunning());
  player_active_ = true;
  TickFrom(UtcMsOfLocal(2026, 8, 3, 9, 0, 0), 1);
  EXPECT_FALSE(controller_->TaskRunning());

  TickFrom(UtcMsOfLocal(2026, 8, 3, 12, 0, 0), 1);
  EXPECT_TRUE(controller_->TaskRunning());
  // The recorder says its recording ended (stopped by hand).
  actions_.recording = 0;
  controller_->RecordingEnded();
  EXPECT_FALSE(controller_->TaskRunning());
}

}  // namespace
}  // namespace tazmel
