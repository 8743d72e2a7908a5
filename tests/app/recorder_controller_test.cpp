#include "app/recorder_controller.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>

#include <gtest/gtest.h>

#include "app/qt_dispatcher.h"
#include "core/ini_file.h"
#include "fake_prompts.h"
#include "recording/own_playback.h"
#include "recording/pulse_state.h"
#include "recording/recorder.h"
#include "temp_dir.h"
#include "ui/qt_app.h"
#include "ui/recording/recorder_window.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::Shell;
using test::TempDir;

std::string Probe(const fs::path& file, const std::string& entry) {
  return Shell("ffprobe -v error -show_entries " + entry + " -of default=nw=1:nk=1 '" + file.string() +
               "' 2>/dev/null");
}

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

class RecorderControllerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr) << "run through ctest: needs the pulse_daemon fixture";
    test::QtApp();
    before_ = test::ServerState();
    dispatcher_ = std::make_unique<QtDispatcher>();
  }

  void TearDown() override {
    controller_.reset();
    EXPECT_EQ(test::ServerState(), before_);
  }

  // A controller on the test server, the program folder in the scratch
  // folder; the main window's indicator, the balloons and the dialogs are
  // recorded here.
  void Make() {
    RecorderHooks hooks;
    hooks.playing_name = [this] { return playing_; };
    hooks.play_file = [this](const fs::path& file) { played_.push_back(file); };
    hooks.recording_changed = [this](bool on) { indicator_.push_back(on); };
    hooks.balloon = [this](const QString& title, const QString& text) {
      balloons_.push_back(title + QStringLiteral(" | ") + text);
      return true;
    };
    hooks.save_dialog = [this](const QString& filter, int entry) -> std::optional<fs::path> {
      dialogs_.push_back(filter + QStringLiteral(" @") + QString::number(entry));
      return save_answer_;
    };
    controller_ = std::make_unique<RecorderController>(RecorderParts{.dispatcher = *dispatcher_,
                                                                     .program_folder = dir_.path(),
                                                                     .user_ini = dir_.path() / "User.ini",
                                                                     .language = language_,
                                                                     .prompts = prompts_,
                                                                     .owner = nullptr},
                                                       std::move(hooks));
  }

  TfrmRecorder& Window() { return *controller_->Window(); }
  bool Enabled(const char* button) { return Window().Button(button).isEnabled(); }
  bool WaitSources() {
    return test::WaitUntil([this] { return controller_->SourcesKnown(); }, 10000);
  }
  // Waits for `n` more buffers of the running WAV recording.
  bool WaitBuffers(int n) {
    const std::int64_t start = controller_->Recorder()->Bytes();
    const std::int64_t buffer = controller_->Recorder()->Capture().BufferLength();
    return test::WaitUntil([&] { return controller_->Recorder()->Bytes() >= start + n * buffer; }, 15000);
  }

  TempDir dir_;
  IniFile language_;
  test::FakePrompts prompts_;
  std::unique_ptr<QtDispatcher> dispatcher_;
  std::unique_ptr<RecorderController> controller_;
  std::string playing_;
  std::vector<fs::path> played_;
  std::vector<bool> indicator_;
  std::vector<QString> balloons_;
  std::vector<QString> dialogs_;
  std::optional<fs::path> save_answer_;
  std::string before_;
};

// The record button's way: with no save folder the first start only shows
// the window. With one, the default choice records the output of the sink
// our own playback plays into (the twin with the tone, not the default
// sink), the window shows that source, locks what a recording would be
// disturbed by, and the main window's indicator follows; the file is 58
// bytes of header and whole seconds, and sox hears the tone.
TEST_F(RecorderControllerTest, RecordButtonRecordsWhatPlays) {
  test::OwnPlayback playback("tazmel_twin_a");
  ASSERT_TRUE(playback.Ok());
  Make();
  controller_->ToggleRecording();
  ASSERT_NE(controller_->Window(), nullptr);
  EXPECT_TRUE(Window().isVisible());
  EXPECT_FALSE(controller_->IsRecording());
  ASSERT_TRUE(WaitSources());
  EXPECT_FALSE(controller_->IsRecording());
  EXPECT_TRUE(indicator_.empty());

  Window().hide();
  Window().PathEdit().setText(Q(dir_ / "rec"));
  emit Window().formatChosen(0);
  playing_ = "Jazz: 24/7";
  controller_->ToggleRecording();
  ASSERT_TRUE(controller_->IsRecording());
  EXPECT_EQ(indicator_, std::vector<bool>{true});
  EXPECT_EQ(Window().SourceLabel().text(), QStringLiteral("Monitor of Twin"));
  EXPECT_EQ(Window().SourceLabel().toolTip(), QStringLiteral("tazmel_twin_a.monitor"));
  EXPECT_EQ(Window().ConnectionList().currentText(), QStringLiteral("Stereo Mix"));
  for (const char* locked : {"btnStart", "btnClear", "btnNew", "btnSaveAs", "btnSetPath", "btnDefault"})
    EXPECT_FALSE(Enabled(locked)) << locked;
  EXPECT_TRUE(Enabled("btnStop"));
  EXPECT_FALSE(Window().DeviceList().isEnabled());
  ASSERT_TRUE(WaitBuffers(2));
  EXPECT_EQ(Window().SizeCounter().text(), QString::fromStdString(controller_->Recorder()->SizeText()));

  controller_->ToggleRecording();
  EXPECT_FALSE(controller_->IsRecording());
  EXPECT_EQ(indicator_, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Enabled("btnStart") && Enabled("btnClear") && !Enabled("btnStop"));
  const fs::path file = controller_->Recorder()->File();
  EXPECT_EQ(file.parent_path(), dir_ / "rec");
  EXPECT_TRUE(file.filename().string().starts_with("Jazz 247 ")) << file;
  EXPECT_EQ(file.extension(), ".wav");
  const auto size = static_cast<std::int64_t>(fs::file_size(file));
  EXPECT_EQ((size - 58) % 176400, 0) << size;
  EXPECT_GE(size, 58 + 2 * 176400);
  EXPECT_NEAR(test::SoxFrequency(file), 1000, 50);
  EXPECT_EQ(Window().RecordFileText(), Q(file));
  EXPECT_GE(Window().RecFiles().findText(Q(file)), 0);
  EXPECT_TRUE(balloons_.empty());
}

// The scheduler's entry points: a typed path records MP3 by its extension,
// a second start while recording changes nothing, Stop ends it; before the
// sources are known a start waits for them.
TEST_F(RecorderControllerTest, SchedulerEntryPoints) {
  Make();
  WriteProfileString(dir_ / "User.ini", "Record", "SavePath", (dir_ / "rec").string());
  const fs::path target = dir_ / "tasks" / "morning show.mp3";
  controller_->StartRecording(target.string());
  EXPECT_FALSE(Window().isVisible());
  if (!controller_->SourcesKnown()) {
    EXPECT_TRUE(controller_->StartPending());
  }
  ASSERT_TRUE(test::WaitUntil([this] { return controller_->IsRecording(); }, 10000));
  controller_->StartRecording((dir_ / "other.wav").string());
  EXPECT_EQ(controller_->Recorder()->File(), target);
  // Two seconds and more of 128 kbit/s.
  ASSERT_TRUE(test::WaitUntil([this] { return controller_->Recorder()->Bytes() >= 32000; }, 15000));
  controller_->StopRecording();
  EXPECT_FALSE(controller_->IsRecording());
  EXPECT_EQ(Probe(target, "stream=codec_name,sample_rate,channels"), "mp3\n44100\n2\n");
  EXPECT_EQ(Shell("mpg123 -q -t '" + target.string() + "' >/dev/null 2>&1; echo $?"), "0\n");
  EXPECT_FALSE(fs::exists(dir_ / "other.wav"));
  controller_->StopRecording();
  EXPECT_EQ(indicator_, (std::vector<bool>{true, false}));
}

// A recording that cannot go on is told: in a balloon while the window is
// hidden, in a message box over it when shown; the recording has stopped
// and the indicator is off. A file that stops growing stands in for a full
// disk.
TEST_F(RecorderControllerTest, ErrorsAreTold) {
  Make();
  WriteProfileString(dir_ / "User.ini", "Record", "SavePath", (dir_ / "rec").string());
  test::WriteFile(dir_ / "file", "x");
  controller_->StartRecording((dir_ / "file" / "x.wav").string());
  ASSERT_TRUE(test::WaitUntil([this] { return !balloons_.empty(); }, 10000));
  EXPECT_TRUE(balloons_[0].startsWith(QStringLiteral("Recorder | The recording stopped: ")))
      << balloons_[0].toStdString();
  EXPECT_FALSE(controller_->IsRecording());
  EXPECT_TRUE(prompts_.infos.empty());

  controller_->ShowWindow();
  emit Window().formatChosen(0);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100000;
  ::setrlimit(RLIMIT_FSIZE, &small);
  controller_->StartRecording({});
  const bool started = controller_->IsRecording();
  const bool told = test::WaitUntil([this] { return !prompts_.infos.empty(); }, 10000);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  ASSERT_TRUE(started);
  ASSERT_TRUE(told);
  EXPECT_NE(prompts_.infos[0].find("The recording stopped: "), std::string::npos) << prompts_.infos[0];
  EXPECT_FALSE(controller_->IsRecording());
  EXPECT_EQ(indicator_, (std::vector<bool>{true, false}));
  EXPECT_TRUE(Enabled("btnStart"));
  EXPECT_EQ(balloons_.size(), 1u);
}

// Clear asks first and deletes only the recordings listed; No deletes
// nothing. It cannot be used while recording.
TEST_F(RecorderControllerTest, ClearAsksAndKeepsOtherFiles) {
  const fs::path folder = dir_ / "rec";
  fs::create_directories(folder);
  for (const char* name : {"a.wav", "b.mp3", "notes.txt"}) test::WriteFile(folder / name, "x");
  WriteProfileString(dir_ / "User.ini", "Record", "SavePath", folder.string());
  Make();
  controller_->ShowWindow();
  EXPECT_EQ(Window().RecFiles().count(), 2);
  prompts_.answers = {false, true};
  Window().Button("btnClear").click();
  ASSERT_EQ(prompts_.questions.size(), 1u);
  EXPECT_EQ(prompts_.questions[0], "Really Delete any temporary record files in \"" + folder.string() + "\"?");
  EXPECT_TRUE(fs::exists(folder / "a.wav"));
  Window().Button("btnClear").click();
  EXPECT_FALSE(fs::exists(folder / "a.wav"));
  EXPECT_FALSE(fs::exists(folder / "b.mp3"));
  EXPECT_TRUE(fs::exists(folder / "notes.txt"));
  EXPECT_EQ(Window().RecFiles().count(), 0);
}

// Save As converts a WAV into MP3 at the file's own format, with the
// progress bar and Cancel in place of the list and Save As meanwhile; a
// cancel leaves no target; onto itself a copy keeps the file.
TEST_F(RecorderControllerTest, SaveAsConvertsAndCancels) {
  const fs::path folder = dir_ / "rec";
  fs::create_directories(folder);
  const fs::path wav = folder / "fm.wav";
  ASSERT_EQ(Shell("sox -n -r 22050 -c 1 -b 16 '" + wav.string() + "' synth 20 sine 500 2>&1; echo $?"), "0\n");
  WriteProfileString(dir_ / "User.ini", "Record", "SavePath", folder.string());
  Make();
  controller_->ShowWindow();
  Window().SetRecordFileText(Q(wav));

  // Looked at from inside the conversion, through the coder's event runs.
  bool seen_converting = false;
  int max_progress = 0;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (Window().Activity() != RecorderActivity::kConverting) return;
    seen_converting = Window().Progress().isVisible() && Window().Button("btnCancel").isVisible() &&
                      !Window().Button("btnSaveAs").isVisible() && !Enabled("btnClear");
    max_progress = std::max(max_progress, Window().Progress().value());
  });
  watch.start(0);
  save_answer_ = folder / "fm.mp3";
  Window().Button("btnSaveAs").click();
  watch.stop();
  EXPECT_TRUE(seen_converting);
  EXPECT_GT(max_progress, 0);
  ASSERT_EQ(dialogs_.size(), 1u);
  EXPECT_EQ(dialogs_[0],
            QStringLiteral("Wave Files (*.wav)|*.wav|MP3 Audio Files (*.mp3)|*.mp3|All Files (*.*)|*.* @2"));
  EXPECT_EQ(Probe(folder / "fm.mp3", "stream=sample_rate,channels"), "22050\n1\n");
  EXPECT_NEAR(std::atof(Probe(folder / "fm.mp3", "format=duration").c_str()), 20, 0.2);
  EXPECT_TRUE(Window().Button("btnSaveAs").isVisible());
  EXPECT_FALSE(Window().Progress().isVisible());
  EXPECT_TRUE(Enabled("btnClear"));

  // Cancelled at the first look from inside.
  QTimer::singleShot(0, &Window(), [this] { Window().Button("btnCancel").click(); });
  save_answer_ = folder / "cancelled.mp3";
  Window().SetRecordFileText(Q(wav));
  Window().Button("btnSaveAs").click();
  EXPECT_FALSE(fs::exists(folder / "cancelled.mp3"));
  EXPECT_EQ(Window().Activity(), RecorderActivity::kIdle);
  EXPECT_TRUE(prompts_.infos.empty());

  const auto size = fs::file_size(folder / "fm.mp3");
  save_answer_ = folder / "fm.mp3";
  Window().SetRecordFileText(Q(folder / "fm.mp3"));
  Window().Button("btnSaveAs").click();
  EXPECT_EQ(dialogs_.back(), QStringLiteral("MP3 Audio Files (*.mp3)|*.mp3|All Files (*.*)|*.* @1"));
  EXPECT_EQ(fs::file_size(folder / "fm.mp3"), size);
}

// The window's choices reach User.ini at closing and come back next time;
// Play stops a recording and hands its file to the player.
TEST_F(RecorderControllerTest, SettingsAndPlay) {
  Make();
  controller_->ShowWindow();
  ASSERT_TRUE(WaitSources());
  Window().PathEdit().setText(Q(dir_ / "rec"));
  emit Window().formatChosen(0);
  Window().DeviceList().setCurrentIndex(3);
  emit Window().deviceChosen(3);
  ASSERT_EQ(Window().DeviceList().currentText(), QStringLiteral("Sine source at 440 Hz"));
  Window().Button("btnStart").click();
  ASSERT_TRUE(controller_->IsRecording());
  const fs::path file = controller_->Recorder()->File();
  Window().Button("btnPlay").click();
  EXPECT_FALSE(controller_->IsRecording());
  EXPECT_EQ(played_, std::vector<fs::path>{file});
  controller_->Close();
  const fs::path ini = dir_ / "User.ini";
  EXPECT_EQ(ReadProfileString(ini, "Record", "FileFormat", ""), "0");
  EXPECT_EQ(ReadProfileString(ini, "Record", "SavePath", ""), (dir_ / "rec").string());
  EXPECT_EQ(ReadProfileString(ini, "Record", "LastRecordFileName", ""), file.string());
  EXPECT_EQ(ReadProfileString(ini, "Record", "Attributes", ""), "31");
  EXPECT_EQ(ReadProfileString(ini, "Record", "Device", ""), "Sine source at 440 Hz");

  controller_.reset();
  Make();
  controller_->ShowWindow();
  ASSERT_TRUE(WaitSources());
  EXPECT_EQ(Window().Format(), 0);
  EXPECT_EQ(Window().SavePath(), Q(dir_ / "rec"));
  EXPECT_EQ(Window().RecordFileText(), Q(file));
  EXPECT_EQ(Window().DeviceList().currentText(), QStringLiteral("Sine source at 440 Hz"));
  EXPECT_EQ(Window().SourceLabel().toolTip(), QStringLiteral("tazmel_mic"));
}

}  // namespace
}  // namespace tazmel
