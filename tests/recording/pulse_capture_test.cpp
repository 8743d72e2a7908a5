#include "platform/pulse/pulse_sources.h"
#include "platform/pulse/pulse_wave_in.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <pulse/simple.h>

#include <gtest/gtest.h>

#include "recording/audio_mixer.h"
#include "recording/mixer_choice.h"
#include "recording/own_playback.h"
#include "recording/pulse_state.h"
#include "recording/wave_in.h"
#include "support/loop_dispatcher.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::LoopDispatcher;
using test::OwnPlayback;
using test::ServerState;
using test::Shell;
using test::SoxFrequency;
using test::TempDir;

// The tone module-sine plays into tazmel_twin_a on the test server.
constexpr double kTwinTone = 1000;

double Rms(const std::vector<char>& bytes) {
  double sum = 0;
  const std::size_t n = bytes.size() / 2;
  for (std::size_t i = 0; i < n; ++i) {
    const auto sample = static_cast<std::int16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                                  static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    sum += static_cast<double>(sample) * sample;
  }
  return n ? std::sqrt(sum / static_cast<double>(n)) / 32768.0 : 0;
}

class PulseCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr) << "run through ctest: needs the pulse_daemon fixture";
    before_ = ServerState();
    ASSERT_NE(before_.find("tazmel_twin_b"), std::string::npos) << before_;
  }
  void TearDown() override { EXPECT_EQ(ServerState(), before_); }

  // A capture of `source` whose buffers are kept.
  std::unique_ptr<TWaveIn> Capture(const WaveInSource& source) {
    auto in = std::make_unique<TWaveIn>(dispatcher_, std::make_unique<PulseWaveIn>());
    in->SetSource(source);
    in->SetOnData([this](const char* data, std::size_t count) { buffers_.emplace_back(data, data + count); });
    return in;
  }

  LoopDispatcher dispatcher_;
  std::vector<std::vector<char>> buffers_;
  std::string before_;
};

// The server's sources as mixers: the twins are two devices of one name,
// the sine source a one-channel microphone; the preferred source is the
// output of the sink our playback plays into, else of the default sink.
TEST_F(PulseCaptureTest, MixerTreeFromServer) {
  std::string error;
  std::optional<SoundSources> idle = QueryPulseSources({}, 5s, &error);
  ASSERT_TRUE(idle) << error;
  EXPECT_EQ(idle->default_sink, "tazmel_sink");
  EXPECT_EQ(idle->own_sink, "");
  std::vector<MixerDevice> devices = BuildMixerDevices(*idle);
  std::vector<std::string> names;
  for (const MixerDevice& d : devices) names.push_back(d.product_name);
  EXPECT_EQ(names, (std::vector<std::string>{"Monitor of Null Output", "Monitor of Twin", "Monitor of Twin",
                                             "Sine source at 440 Hz"}));
  const MixerLine& mic = devices[3].destinations[0].connections[0];
  EXPECT_EQ(mic.component_type, kSrcMicrophone);
  EXPECT_EQ(mic.channels, 1);
  EXPECT_EQ(devices[1].destinations[0].connections[0].component_type, kSrcWaveOut);
  EXPECT_EQ(PreferredDevice(devices), 0);

  OwnPlayback playback("tazmel_twin_b");
  ASSERT_TRUE(playback.Ok());
  std::optional<SoundSources> playing = QueryPulseSources({}, 5s, &error);
  ASSERT_TRUE(playing) << error;
  EXPECT_EQ(playing->own_sink, "tazmel_twin_b");
  devices = BuildMixerDevices(*playing);
  TAudioMixer mixer(devices);
  MixerChoice choice(mixer, "Stereo Mix", "Microphone");
  choice.FillDevices(names);
  EXPECT_EQ(choice.DeviceMap(), (std::vector<int>{0, 1, 2, 3}));
  ASSERT_TRUE(choice.DefaultChoice(PreferredDevice(devices)));
  EXPECT_EQ(choice.Device(), 2);
  const std::optional<WaveInSource> source = choice.Capture();
  ASSERT_TRUE(source);
  EXPECT_EQ(source->name, "tazmel_twin_b.monitor");
  EXPECT_TRUE(source->follow_own_output);

  TempDir dir;
  const auto report = WriteMixerReport(devices, dir.path(), "x@example.org");
  ASSERT_TRUE(report);
  EXPECT_NE(test::ReadFile(*report).find("\tPN:Monitor of Twin\r\n"), std::string::npos);
}

// Three seconds and a bit of a 1000 Hz tone: whole one-second buffers, the
// file 58 bytes of header and those buffers, and sox hears the tone. A
// buffer under way at the stop is not delivered, nor one afterwards.
TEST_F(PulseCaptureTest, ThreeSecondRecording) {
  TempDir dir;
  auto in = Capture({"tazmel_twin_a.monitor"});
  in->SetAutoSaveFile(true);
  in->SetFileName(dir / "tone.wav");
  ASSERT_TRUE(in->SetActive(true)) << in->LastError();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return buffers_.size() >= 3; }, 10s));
  dispatcher_.RunFor(300ms);
  in->SetActive(false);
  const std::size_t delivered = buffers_.size();
  dispatcher_.RunFor(1500ms);
  EXPECT_EQ(buffers_.size(), delivered);

  for (const auto& buffer : buffers_) EXPECT_EQ(buffer.size(), 176400u);
  const auto size = std::filesystem::file_size(dir / "tone.wav");
  EXPECT_EQ(size, 58 + delivered * 176400);
  EXPECT_NEAR(SoxFrequency(dir / "tone.wav"), kTwinTone, kTwinTone * 0.05);
  EXPECT_GT(Rms(buffers_.back()), 0.05);
}

// Our stream's gain is linear: 7500 of 65535 records at 7500/65535 of the
// full level, not at -57 dB; the source's own volume stays as it was.
TEST_F(PulseCaptureTest, LinearVolume) {
  double levels[2] = {};
  const double gains[2] = {1.0, 7500.0 / 65535};
  for (int i = 0; i < 2; ++i) {
    buffers_.clear();
    WaveInSource source{"tazmel_mic"};
    source.volume = gains[i];
    auto in = Capture(source);
    in->SetChannels(TChannels::ctMono);
    ASSERT_TRUE(in->SetActive(true)) << in->LastError();
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return buffers_.size() >= 2; }, 10s));
    levels[i] = Rms(buffers_.back());
  }
  ASSERT_GT(levels[0], 0.05);
  EXPECT_NEAR(levels[1] / levels[0], gains[1], gains[1] * 0.1);
}

// Recording the output our playback is heard on follows the playback to
// another sink, and says so.
TEST_F(PulseCaptureTest, FollowsOwnPlayback) {
  OwnPlayback playback("tazmel_twin_b");
  ASSERT_TRUE(playback.Ok());
  WaveInSource source{"tazmel_twin_b.monitor"};
  source.follow_own_output = true;
  auto in = Capture(source);
  std::string moved;
  in->SetOnSourceMoved([&](const std::string& to) { moved = to; });
  ASSERT_TRUE(in->SetActive(true)) << in->LastError();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return !buffers_.empty(); }, 10s));
  EXPECT_LT(Rms(buffers_.back()), 0.001);

  const std::string index = OwnPlayback::Index();
  ASSERT_FALSE(index.empty());
  Shell("pactl move-sink-input " + index + " tazmel_twin_a");
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return !moved.empty(); }, 10s));
  EXPECT_EQ(moved, "tazmel_twin_a.monitor");
  EXPECT_EQ(in->CurrentSource(), "tazmel_twin_a.monitor");
  const std::size_t at_move = buffers_.size();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return buffers_.size() >= at_move + 2; }, 10s));
  EXPECT_GT(Rms(buffers_.back()), 0.05);
}

// A recording that would pass the size limit goes on in "name (2).wav",
// "name (3).wav", each a whole WAV file.
TEST_F(PulseCaptureTest, RollsOverToNextFile) {
  TempDir dir;
  auto in = Capture({"tazmel_twin_a.monitor"});
  in->SetAutoSaveFile(true);
  in->SetFileName(dir / "long.wav");
  in->SetMaxFileSize(58 + 176400 + 100);
  std::vector<std::string> files;
  in->SetOnFileChanged([&](const std::string& file) { files.push_back(file); });
  ASSERT_TRUE(in->SetActive(true)) << in->LastError();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return buffers_.size() >= 3; }, 10s));
  in->SetActive(false);
  const std::size_t delivered = buffers_.size();
  ASSERT_EQ(files.size(), delivered - 1);
  EXPECT_EQ(files[0], (dir / "long (2).wav").string());
  EXPECT_EQ(files[1], (dir / "long (3).wav").string());
  for (const auto& file : {dir / "long.wav", dir / "long (2).wav", dir / "long (3).wav"}) {
    EXPECT_EQ(std::filesystem::file_size(file), 58u + 176400u) << file;
    EXPECT_NEAR(SoxFrequency(file), kTwinTone, kTwinTone * 0.05) << file;
  }
}

// A source the server does not have fails the start with its reason and
// leaves nothing running; a later start on a real one works.
TEST_F(PulseCaptureTest, MissingSource) {
  TempDir dir;
  auto in = Capture({"no_such_source"});
  in->SetAutoSaveFile(true);
  in->SetFileName(dir / "x.wav");
  EXPECT_FALSE(in->SetActive(true));
  EXPECT_FALSE(in->Active());
  EXPECT_NE(in->LastError().find("PulseAudio"), std::string::npos) << in->LastError();
  in->SetSource({"tazmel_mic"});
  in->SetChannels(TChannels::ctMono);
  in->SetAutoSaveFile(false);
  EXPECT_TRUE(in->SetActive(true)) << in->LastError();
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return !buffers_.empty(); }, 10s));
  EXPECT_EQ(buffers_[0].size(), 88200u);
}

// When the server goes away in the middle of a recording, the capture stops
// and says why, and the file holds a valid header for what it got; once
// the server is back, the next start records again.
TEST(PulseCaptureServerGoneTest, StopsAndTells) {
  TempDir dir;
  const std::filesystem::path runtime = dir / "pa";
  const auto daemon = [&runtime](const char* action) {
    return std::system(
               (std::string("sh '") + TAZMEL_PULSE_DAEMON + "' " + action + " '" + runtime.string() + "'").c_str()) ==
           0;
  };
  ASSERT_TRUE(daemon("start"));
  const std::string server = "unix:" + (runtime / "pulse" / "native").string();

  LoopDispatcher dispatcher;
  TWaveIn in(dispatcher, std::make_unique<PulseWaveIn>(server));
  in.SetSource({"tazmel_twin_a.monitor"});
  in.SetAutoSaveFile(true);
  in.SetFileName(dir / "cut.wav");
  int buffers = 0;
  std::vector<std::string> errors;
  in.SetOnData([&](const char*, std::size_t) { ++buffers; });
  in.SetOnError([&](const std::string& error) { errors.push_back(error); });
  ASSERT_TRUE(in.SetActive(true)) << in.LastError();
  ASSERT_TRUE(dispatcher.RunUntil([&] { return buffers >= 1; }, 10s));
  ASSERT_TRUE(daemon("stop"));
  ASSERT_TRUE(dispatcher.RunUntil([&] { return !errors.empty(); }, 10s));
  daemon("stop");
  EXPECT_FALSE(in.Active());
  EXPECT_EQ(errors[0].rfind("PulseAudio: ", 0), 0u) << errors[0];
  EXPECT_EQ(std::filesystem::file_size(dir / "cut.wav"), 58u + static_cast<unsigned>(buffers) * 176400u);
  EXPECT_NEAR(SoxFrequency(dir / "cut.wav"), kTwinTone, kTwinTone * 0.05);

  ASSERT_TRUE(daemon("start"));
  in.SetFileName(dir / "again.wav");
  EXPECT_TRUE(in.SetActive(true)) << in.LastError();
  const int before = buffers;
  EXPECT_TRUE(dispatcher.RunUntil([&] { return buffers > before; }, 10s));
  in.SetActive(false);
  EXPECT_TRUE(daemon("stop"));
}

}  // namespace
}  // namespace tazmel
