// Record tasks through the real recorder on the test's sound server: a
// task records into its own file, and its end stops only the recording it
// started.
#include <QApplication>
#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "app/qt_dispatcher.h"
#include "app/recorder_controller.h"
#include "app/schedule_actions.h"
#include "app/schedule_controller.h"
#include "core/ini_file.h"
#include "fake_prompts.h"
#include "recording/recorder.h"
#include "schedule/zone.h"
#include "support/manual_clock.h"
#include "support/shell.h"
#include "temp_dir.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class NoMute : public PlayerMute {
 public:
  bool Muted() const override { return false; }
  void SetMuted(bool) override {}
};
class NoWords : public SoundFilePlayer {
 public:
  bool PlayToEnd(const fs::path&, const std::atomic<bool>&) override { return true; }
};
class NoShutdown : public ShutdownPort {
 public:
  void ShowCountdown(int) override {}
  void CloseCountdown() override {}
  void PrepareForPowerOff() override {}
  void PowerOff(std::function<void(const PowerOffResult&)>) override {}
  void Quit() override {}
  void PowerOffRefused(const PowerOffResult&) override {}
};

std::string WaveInfo(const fs::path& file) {
  return test::Shell("ffprobe -v error -show_entries stream=codec_name -of default=nw=1:nk=1 '" + file.string() +
                     "' 2>/dev/null");
}

class ScheduleRecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr) << "run through ctest: needs the pulse_daemon fixture";
    test::QtApp();
    WriteProfileString(dir_.path() / "User.ini", "Record", "SavePath", (dir_.path() / "rec").string());
    RecorderHooks hooks;
    hooks.playing_name = [] { return std::string(); };
    hooks.recording_changed = [this](bool on) {
      actions_->RecordingChanged(on);
      if (!on) schedule_->RecordingEnded();
    };
    hooks.balloon = [](const QString&, const QString&) { return true; };
    recorder_ = std::make_unique<RecorderController>(RecorderParts{.dispatcher = dispatcher_,
                                                                   .program_folder = dir_.path(),
                                                                   .user_ini = dir_.path() / "User.ini",
                                                                   .language = language_,
                                                                   .prompts = prompts_,
                                                                   .owner = nullptr},
                                                     std::move(hooks));
    actions_ =
        std::make_unique<AppTaskActions>(AppTaskActions::Player{.play_station = [](int) {}, .stop = [] {}}, *recorder_);
    std::ofstream(dir_.path() / "Tasklist.dat", std::ios::binary)
        << "1\t1\t" << task_file_.string() << "\t1\t08:00:00 ~ 08:00:05\r\n"
        << "1\t1\t" << second_file_.string() << "\t1\t09:00:00 ~ 09:00:02\r\n";
    schedule_ = std::make_unique<ScheduleController>(ScheduleParts{.dispatcher = dispatcher_,
                                                                   .clock = clock_,
                                                                   .actions = *actions_,
                                                                   .mute = mute_,
                                                                   .sound = words_,
                                                                   .shutdown = shutdown_,
                                                                   .options = options_,
                                                                   .program_folder = dir_.path()},
                                                     ScheduleHooks{});
    schedule_->LoadTasks();
  }
  void TearDown() override {
    schedule_.reset();
    if (recorder_) recorder_->Close();
    recorder_.reset();
  }

  void Tick() {
    clock_.Advance(1s);
    schedule_->Tick();
    QCoreApplication::processEvents();
  }
  bool Recorded(std::int64_t bytes) {
    return test::WaitUntil([&] { return recorder_->IsRecording() && recorder_->Recorder()->Bytes() >= bytes; }, 15000);
  }

  test::ScopedZone zone_{test::kEuropeanZone};
  test::TempDir dir_;
  fs::path task_file_ = dir_.path() / "tasks" / "morning.wav";
  fs::path second_file_ = dir_.path() / "tasks" / "nine.wav";
  fs::path own_file_ = dir_.path() / "mine.wav";
  QtDispatcher dispatcher_;
  IniFile language_;
  test::FakePrompts prompts_;
  test::ManualClock clock_{test::UtcMsOfLocal(2026, 9, 7, 7, 59, 59)};
  Settings::Options options_;
  NoMute mute_;
  NoWords words_;
  NoShutdown shutdown_;
  std::unique_ptr<RecorderController> recorder_;
  std::unique_ptr<AppTaskActions> actions_;
  std::unique_ptr<ScheduleController> schedule_;
};

TEST_F(ScheduleRecordingTest, TaskRecordsItsFileAndItsEndStopsOnlyItsRecording) {
  schedule_->Tick();
  Tick();  // 08:00:00
  ASSERT_TRUE(Recorded(20000));
  EXPECT_EQ(recorder_->Recorder()->File(), task_file_);
  EXPECT_TRUE(schedule_->TaskRunning());

  // The user stops it and records something of their own.
  recorder_->StopRecording();
  EXPECT_FALSE(schedule_->TaskRunning());
  recorder_->StartRecording(own_file_.string());
  ASSERT_TRUE(Recorded(1));
  for (int i = 0; i < 5; ++i) Tick();  // 08:00:05, the task's end
  EXPECT_TRUE(recorder_->IsRecording());
  EXPECT_EQ(recorder_->Recorder()->File(), own_file_);
  recorder_->StopRecording();
  EXPECT_EQ(WaveInfo(task_file_), "pcm_s16le\n");
  EXPECT_EQ(WaveInfo(own_file_), "pcm_s16le\n");

  // The next task's own end stops its recording.
  clock_.SetUtcMs(test::UtcMsOfLocal(2026, 9, 7, 8, 59, 59));
  Tick();  // 09:00:00
  ASSERT_TRUE(Recorded(20000));
  EXPECT_EQ(recorder_->Recorder()->File(), second_file_);
  Tick();
  EXPECT_TRUE(recorder_->IsRecording());
  Tick();  // 09:00:02
  EXPECT_FALSE(recorder_->IsRecording());
  EXPECT_FALSE(schedule_->TaskRunning());
  EXPECT_EQ(WaveInfo(second_file_), "pcm_s16le\n");
}

}  // namespace
}  // namespace tazmel
