#include "recording/recorder.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <sys/resource.h>

#include <gtest/gtest.h>

#include "platform/pulse/pulse_wave_in.h"
#include "recording/pulse_state.h"
#include "support/loop_dispatcher.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::Shell;
using test::TempDir;
using test::WriteFile;

std::string Probe(const std::filesystem::path& file, const std::string& entry) {
  return Shell("ffprobe -v error -show_entries " + entry + " -of default=nw=1:nk=1 '" + file.string() +
               "' 2>/dev/null");
}

// 2026-12-10 15:00:00 local time.
std::chrono::system_clock::time_point Moment() {
  std::tm t{};
  t.tm_year = 126;
  t.tm_mon = 11;
  t.tm_mday = 10;
  t.tm_hour = 15;
  t.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&t));
}
constexpr char kStamp[] = "2026-12-10 15.00.00";

TEST(RecordingNameTest, Table) {
  struct Case {
    std::string text;
    bool mp3;
    std::string name;
  };
  const Case cases[] = {
      {"Jazz: 24/7", true, "Jazz 247 2026-12-10 15.00.00.mp3"},
      {"Radio 1.FM", false, "Radio 1 2026-12-10 15.00.00.wav"},
      {"", false, "2026-12-10 15.00.00.wav"},
      {"news", true, "news 2026-12-10 15.00.00.mp3"},
      {"song.mp3", false, "song 2026-12-10 15.00.00.wav"},
      {"\x83\x7C\xB5\xE7\xCC\xA8|", false, "\x83\x7C\xB5\xE7\xCC\xA8 2026-12-10 15.00.00.wav"},
  };
  for (const Case& c : cases) EXPECT_EQ(RecordingName(c.text, kStamp, c.mp3), c.name) << c.text;
}

TEST(AttributesTest, Entries) {
  struct Case {
    int k;
    std::uint32_t rate;
    std::uint16_t bits, channels;
    std::string text;
  };
  const Case cases[] = {
      {0, 8000, 8, 1, "8000 Hz, 8Bit, Mono"},
      {3, 8000, 16, 2, "8000 Hz, 16Bit, Stereo"},
      {4, 11025, 8, 1, "11025 Hz, 8Bit, Mono (Phone Quality)"},
      {16, 22050, 8, 1, "22050 Hz, 8Bit, Mono (FM Quality)"},
      {31, 44100, 16, 2, "44100 Hz, 16Bit, Stereo (CD Quality,Commend)"},
      {39, 96000, 16, 2, "96000 Hz, 16Bit, Stereo"},
  };
  for (const Case& c : cases) {
    const WaveFormat f = AttributeFormat(c.k);
    EXPECT_EQ(f.samples_per_sec, c.rate) << c.k;
    EXPECT_EQ(f.bits_per_sample, c.bits) << c.k;
    EXPECT_EQ(f.channels, c.channels) << c.k;
    EXPECT_EQ(AttributeText(c.k), c.text);
  }
}

class RecorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr) << "run through ctest: needs the pulse_daemon fixture";
    before_ = test::ServerState();
    recorder_ = std::make_unique<TRecorder>(dispatcher_, std::make_unique<PulseWaveIn>(),
                                            std::make_unique<TLameCoder>(), dir_.path() / "program");
    recorder_->SetWallClock(Moment);
    recorder_->SetSource({"tazmel_twin_a.monitor"});
    recorder_->on_progress = [this] { ++buffers_; };
    recorder_->on_error = [this](const std::string& error) { errors_.push_back(error); };
  }

  void TearDown() override {
    recorder_.reset();
    EXPECT_EQ(test::ServerState(), before_);
  }

  // Records `seconds` whole buffers, then stops.
  void RecordBuffers(int seconds) {
    const int start = buffers_;
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return buffers_ >= start + seconds; }, 20s));
    recorder_->Stop();
  }

  TempDir dir_;
  test::LoopDispatcher dispatcher_;
  std::unique_ptr<TRecorder> recorder_;
  int buffers_ = 0;
  std::vector<std::string> errors_;
  std::string before_;
};

// An MP3 recording of the station's name that other tools play back, at
// the capture's rate and with its length; with no save folder it goes to
// the program folder's Record folder.
TEST_F(RecorderTest, Mp3Recording) {
  recorder_->SetFileFormat(TRecorder::Format::kMp3);
  ASSERT_TRUE(recorder_->Start("", "Jazz: 24/7")) << (errors_.empty() ? "" : errors_[0]);
  EXPECT_EQ(recorder_->SaveFolder(), dir_ / "program" / "Record");
  EXPECT_EQ(recorder_->File(), dir_ / "program" / "Record" / (std::string("Jazz 247 ") + kStamp + ".mp3"));
  EXPECT_TRUE(recorder_->Recording());
  RecordBuffers(3);
  EXPECT_FALSE(recorder_->Recording());
  const std::filesystem::path file = recorder_->File();
  EXPECT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(file)), recorder_->Bytes());
  EXPECT_EQ(Probe(file, "stream=codec_name,sample_rate,channels"), "mp3\n44100\n2\n");
  // Whole buffers only; the encoder adds its delay and a partial last frame.
  EXPECT_NEAR(std::atof(Probe(file, "format=duration").c_str()), buffers_, 0.1);
  EXPECT_EQ(Shell("mpg123 -q -t '" + file.string() + "' >/dev/null 2>&1; echo $?"), "0\n");
  EXPECT_TRUE(errors_.empty());
}

// A WAV recording counts 58 bytes of header and every buffer; a second
// start in the same second gets " (2)"; a bare name goes to the save
// folder, a typed path with .mp3 records MP3 whatever the format says.
TEST_F(RecorderTest, WavRecordingsAndNames) {
  recorder_->SetSaveFolder(dir_ / "rec");
  ASSERT_TRUE(recorder_->Start("", ""));
  RecordBuffers(1);
  const std::filesystem::path first = dir_ / "rec" / (std::string(kStamp) + ".wav");
  EXPECT_EQ(recorder_->File(), first);
  EXPECT_EQ(recorder_->Bytes(), 58 + static_cast<std::int64_t>(buffers_) * 176400);
  EXPECT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(first)), recorder_->Bytes());
  ASSERT_EQ(buffers_, 1);
  EXPECT_EQ(recorder_->SizeText(), "0.17 MB");

  ASSERT_TRUE(recorder_->Start(first.string(), ""));
  recorder_->Stop();
  EXPECT_EQ(recorder_->File(), dir_ / "rec" / (std::string(kStamp) + " (2).wav"));

  ASSERT_TRUE(recorder_->Start("news", ""));
  recorder_->Stop();
  EXPECT_EQ(recorder_->File(), dir_ / "rec" / (std::string("news ") + kStamp + ".wav"));

  const std::filesystem::path typed = dir_ / "typed" / "deep" / "show.mp3";
  ASSERT_TRUE(recorder_->Start(typed.string(), ""));
  RecordBuffers(1);
  EXPECT_EQ(recorder_->File(), typed);
  EXPECT_EQ(Probe(typed, "stream=codec_name"), "mp3\n");
  EXPECT_TRUE(errors_.empty());
}

// Clear deletes the listed recordings and nothing else; the folder stays
// while anything else is in it, and goes when it is empty. It is refused
// while recording or converting.
TEST_F(RecorderTest, ClearDeletesOnlyRecordings) {
  const std::filesystem::path folder = dir_ / "rec";
  recorder_->SetSaveFolder(folder);
  std::filesystem::create_directories(folder / "sub");
  for (const char* name : {"a.wav", "b.MP3", "notes.txt", "sub/c.wav", ".hidden.wav"}) WriteFile(folder / name, "x");
  EXPECT_EQ(recorder_->RecordFiles(), (std::vector<std::filesystem::path>{folder / "a.wav", folder / "b.MP3"}));

  recorder_->SetConverting(true);
  EXPECT_FALSE(recorder_->Clear());
  EXPECT_TRUE(std::filesystem::exists(folder / "a.wav"));
  recorder_->SetConverting(false);
  ASSERT_TRUE(recorder_->Start("", ""));
  EXPECT_FALSE(recorder_->Clear());
  recorder_->Stop();

  EXPECT_TRUE(recorder_->Clear());
  EXPECT_TRUE(recorder_->RecordFiles().empty());
  for (const char* kept : {"notes.txt", "sub/c.wav", ".hidden.wav"})
    EXPECT_TRUE(std::filesystem::exists(folder / kept)) << kept;

  for (const char* name : {"notes.txt", "sub/c.wav", ".hidden.wav"}) std::filesystem::remove(folder / name);
  std::filesystem::remove(folder / "sub");
  WriteFile(folder / "last.wav", "x");
  EXPECT_TRUE(recorder_->Clear());
  EXPECT_FALSE(std::filesystem::exists(folder));
}

// Failures are told, and leave the recorder idle: a rate MP3 lacks, a
// folder that cannot be written, and a file that stops growing (the size
// limit stands in for a full disk).
TEST_F(RecorderTest, FailuresAreTold) {
  recorder_->SetSaveFolder(dir_ / "rec");
  recorder_->SetFileFormat(TRecorder::Format::kMp3);
  recorder_->SetAttributes(39);
  EXPECT_FALSE(recorder_->Start("", ""));
  ASSERT_EQ(errors_.size(), 1u);
  EXPECT_FALSE(recorder_->Recording());
  // Nothing is left behind by a start that failed.
  EXPECT_TRUE(recorder_->RecordFiles().empty());
  recorder_->SetSource({"no_such_source"});
  recorder_->SetAttributes(kDefaultAttributes);
  EXPECT_FALSE(recorder_->Start("", ""));
  ASSERT_EQ(errors_.size(), 2u);
  EXPECT_TRUE(recorder_->RecordFiles().empty());
  recorder_->SetSource({"tazmel_twin_a.monitor"});

  recorder_->SetFileFormat(TRecorder::Format::kWave);
  recorder_->SetAttributes(kDefaultAttributes);
  WriteFile(dir_ / "file", "x");
  EXPECT_FALSE(recorder_->Start((dir_ / "file" / "x.wav").string(), ""));
  ASSERT_EQ(errors_.size(), 3u);
  EXPECT_FALSE(recorder_->Recording());

  int stopped = 0;
  recorder_->on_stopped = [&] { ++stopped; };
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100000;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool started = recorder_->Start("", "");
  const bool failed = dispatcher_.RunUntil([&] { return errors_.size() == 4; }, 10s);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, old_handler);
  ASSERT_TRUE(started);
  ASSERT_TRUE(failed);
  EXPECT_FALSE(recorder_->Recording());
  EXPECT_EQ(stopped, 1);
  EXPECT_NE(errors_[3].find("large"), std::string::npos) << errors_[3];
}

}  // namespace
}  // namespace tazmel
