#include "platform/pulse/pulse_wave_out.h"

#include "recording/wave_out.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <pulse/error.h>
#include <pulse/simple.h>

#include <gtest/gtest.h>

#include "support/loop_dispatcher.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::LoopDispatcher;
using test::TempDir;

const std::filesystem::path kSounds = std::filesystem::path(TAZMEL_STAGE_DIR) / "sound" / "chs";

// Block levels (RMS, full scale 1) at or above this are sound; the null
// sink gives exact zeros for silence.
constexpr double kSound = 0.02;
constexpr double kSilence = 0.001;
// Blocks of 20 ms.
constexpr int kBlockFrames = 882;

struct SimpleFree {
  void operator()(pa_simple* s) const { pa_simple_free(s); }
};

// Records what the server's null sink plays, from its monitor, on a thread
// of its own: one level per 20 ms block.
class MonitorRecorder {
 public:
  // Connects to `server` (empty: the one PULSE_SERVER names).
  explicit MonitorRecorder(const std::string& server = {}) {
    const pa_sample_spec sample{PA_SAMPLE_S16LE, 44100, 2};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.fragsize = kBlockFrames * 4;
    int error = 0;
    simple_.reset(pa_simple_new(server.empty() ? nullptr : server.c_str(), "Tazmel tests", PA_STREAM_RECORD,
                                "tazmel_sink.monitor", "monitor", &sample, nullptr, &attr, &error));
    if (!simple_) {
      error_ = pa_strerror(error);
      return;
    }
    thread_ = std::thread([this] { Run(); });
  }
  ~MonitorRecorder() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }

  const std::string& Error() const { return error_; }

  std::vector<double> Levels() const {
    std::lock_guard lock(mutex_);
    return levels_;
  }
  std::size_t Count() const { return Levels().size(); }
  // Loud blocks from `from` on.
  int LoudSince(std::size_t from) const {
    const std::vector<double> levels = Levels();
    int loud = 0;
    for (std::size_t i = from; i < levels.size(); ++i) loud += levels[i] >= kSound;
    return loud;
  }
  // Whether the last `count` blocks, all after `from`, are silent.
  bool SilentRun(std::size_t from, std::size_t count) const {
    const std::vector<double> levels = Levels();
    if (levels.size() < from + count) return false;
    for (std::size_t i = levels.size() - count; i < levels.size(); ++i) {
      if (levels[i] > kSilence) return false;
    }
    return true;
  }

 private:
  void Run() {
    std::vector<std::int16_t> block(kBlockFrames * 2);
    while (!stop_) {
      int error = 0;
      if (pa_simple_read(simple_.get(), block.data(), block.size() * 2, &error) < 0) return;
      double sum = 0;
      for (std::int16_t sample : block) sum += static_cast<double>(sample) * sample;
      const double level = std::sqrt(sum / static_cast<double>(block.size())) / 32768.0;
      std::lock_guard lock(mutex_);
      levels_.push_back(level);
    }
  }

  std::unique_ptr<pa_simple, SimpleFree> simple_;
  std::string error_;
  std::thread thread_;
  std::atomic<bool> stop_ = false;
  mutable std::mutex mutex_;
  std::vector<double> levels_;
};

// Tests on the private server that CTest starts for them.
class PulseWaveOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without the fixture's server the sound would go to the user's own.
    ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr) << "run through ctest: needs the pulse_daemon fixture";
    ASSERT_TRUE(std::filesystem::exists(kSounds / "error.wav"));
    recorder_ = std::make_unique<MonitorRecorder>();
    ASSERT_TRUE(recorder_->Error().empty()) << recorder_->Error();
    // The monitor delivers blocks before anything is played.
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return recorder_->Count() >= 3; }, 10s));
  }

  // A device on the fixture's server, once its connection is up.
  std::unique_ptr<PulseWaveOut> ConnectedDevice() {
    auto device = std::make_unique<PulseWaveOut>();
    EXPECT_TRUE(dispatcher_.RunUntil([&] { return device->State() == PulseWaveOut::Link::kConnected; }, 10s));
    return device;
  }

  LoopDispatcher dispatcher_;
  std::unique_ptr<MonitorRecorder> recorder_;
};

// A sound played once comes out of the sink, stops counting as playing once
// the server has it all, and is followed by silence.
TEST_F(PulseWaveOutTest, PlayOnceSoundsThenEnds) {
  TWaveOut out(dispatcher_, ConnectedDevice());
  const std::size_t start = recorder_->Count();
  out.PlayOnce(kSounds / "error.wav");
  ASSERT_TRUE(out.Active()) << out.LastError();
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return recorder_->LoudSince(start) > 0; }, 10s));
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return !out.SoundPlaying(); }, 10s));
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return recorder_->SilentRun(start, 25); }, 10s));
}

// A looped sound repeats until stopped; after the stop the sink is silent
// and stays so.
TEST_F(PulseWaveOutTest, LoopUntilStopped) {
  TWaveOut out(dispatcher_, ConnectedDevice());
  const std::size_t start = recorder_->Count();
  out.PlayLooped(kSounds / "error.wav");
  ASSERT_TRUE(out.Active()) << out.LastError();
  // One pass of the file has fewer than 25 loud blocks.
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return recorder_->LoudSince(start) >= 40; }, 20s));
  EXPECT_TRUE(out.SoundPlaying());

  out.StopSound();
  EXPECT_FALSE(out.SoundPlaying());
  const std::size_t stopped = recorder_->Count();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return recorder_->SilentRun(stopped, 10); }, 10s));
  const std::size_t silent = recorder_->Count();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return recorder_->Count() >= silent + 30; }, 10s));
  EXPECT_EQ(recorder_->LoudSince(silent), 0);
}

// Destroying the player in the middle of a sound silences it, and the
// device's notices still under way find nothing to touch.
TEST_F(PulseWaveOutTest, DestroyWhilePlaying) {
  auto out = std::make_unique<TWaveOut>(dispatcher_, ConnectedDevice());
  const std::size_t start = recorder_->Count();
  out->PlayLooped(kSounds / "waiting.wav");
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return recorder_->LoudSince(start) > 0; }, 10s));
  out.reset();
  const std::size_t destroyed = recorder_->Count();
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return recorder_->SilentRun(destroyed, 10); }, 10s));
}

// Sets an environment variable for a scope; the test has no other thread
// that could read the environment meanwhile.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Waits until `device` has given up its attempt to connect.
bool WaitUntilDown(LoopDispatcher& dispatcher, const PulseWaveOut& device) {
  return dispatcher.RunUntil([&] { return device.State() == PulseWaveOut::Link::kDown; }, 10s);
}

// With no server at the address, given or taken from PULSE_SERVER, opening
// fails at once with PulseAudio's reason and the player stays idle.
TEST(PulseWaveOutNoServerTest, OpenFailsCleanly) {
  TempDir dir;
  const std::string nowhere = "unix:" + (dir / "native").string();
  ScopedEnv env("PULSE_SERVER", nowhere);
  for (const std::string& server : {nowhere, std::string()}) {
    SCOPED_TRACE(server);
    LoopDispatcher dispatcher;
    PulseWaveOut device(server);
    ASSERT_TRUE(WaitUntilDown(dispatcher, device));
    EXPECT_EQ(device.Open(WaveFormat{}, [](std::uint64_t) {}), "PulseAudio: Connection refused");
    EXPECT_EQ(device.Write(1, std::vector<char>(400)), "PulseAudio: Bad state");
    device.Reset();

    auto owned = std::make_unique<PulseWaveOut>(server);
    const PulseWaveOut& looked_at = *owned;
    TWaveOut out(dispatcher, std::move(owned));
    ASSERT_TRUE(WaitUntilDown(dispatcher, looked_at));
    out.PlayLooped(kSounds / "waiting.wav");
    EXPECT_FALSE(out.Active());
    EXPECT_EQ(out.LastError(), "PulseAudio: Connection refused");
  }
}

// A server of the test's own, ended by the test; ended at the latest when
// the guard goes.
class OwnServer {
 public:
  explicit OwnServer(const std::filesystem::path& dir) : dir_(dir) {}
  ~OwnServer() { Stop(); }
  bool Start() { return Run("start"); }
  bool Stop() { return Run("stop"); }
  std::string Address() const { return "unix:" + (dir_ / "pulse" / "native").string(); }

 private:
  bool Run(const char* action) {
    const std::string command = std::string("sh '") + TAZMEL_PULSE_DAEMON + "' " + action + " '" + dir_.string() + "'";
    return std::system(command.c_str()) == 0;
  }
  std::filesystem::path dir_;
};

// When the server goes away in the middle of a looped sound, the player
// stops with the reason instead of waiting for ever, and a new sound fails
// to open.
TEST(PulseWaveOutServerGoneTest, PlayerStops) {
  TempDir dir;
  OwnServer server(dir / "pa");
  ASSERT_TRUE(server.Start());
  LoopDispatcher dispatcher;
  auto owned = std::make_unique<PulseWaveOut>(server.Address());
  const PulseWaveOut& device = *owned;
  TWaveOut out(dispatcher, std::move(owned));
  ASSERT_TRUE(dispatcher.RunUntil([&] { return device.State() == PulseWaveOut::Link::kConnected; }, 10s));
  {
    MonitorRecorder recorder(server.Address());
    ASSERT_TRUE(recorder.Error().empty()) << recorder.Error();
    out.PlayLooped(kSounds / "waiting.wav");
    ASSERT_TRUE(out.Active()) << out.LastError();
    ASSERT_TRUE(dispatcher.RunUntil([&] { return recorder.LoudSince(0) > 0; }, 10s));
    ASSERT_TRUE(server.Stop());
  }
  EXPECT_TRUE(dispatcher.RunUntil([&] { return !out.Active(); }, 10s));
  EXPECT_FALSE(out.SoundPlaying());
  EXPECT_EQ(out.LastError(), "PulseAudio: Connection terminated");

  // The device tries again at once; once the server is really gone it is
  // refused and keeps that reason. A retry that still met the server
  // shutting down ends as terminated first, and the next one is refused.
  EXPECT_TRUE(dispatcher.RunUntil(
      [&] {
        if (device.State() != PulseWaveOut::Link::kDown) return false;
        out.PlayOnce(kSounds / "error.wav");
        return !out.Active() && out.LastError() == "PulseAudio: Connection refused";
      },
      10s))
      << out.LastError();
}

// After the server has gone and come back, the device connects again by
// itself and the next sound plays.
TEST(PulseWaveOutServerGoneTest, PlaysAgainOnceServerIsBack) {
  TempDir dir;
  OwnServer server(dir / "pa");
  ASSERT_TRUE(server.Start());
  LoopDispatcher dispatcher;
  auto owned = std::make_unique<PulseWaveOut>(server.Address());
  const PulseWaveOut& device = *owned;
  TWaveOut out(dispatcher, std::move(owned));
  ASSERT_TRUE(dispatcher.RunUntil([&] { return device.State() == PulseWaveOut::Link::kConnected; }, 10s));
  ASSERT_TRUE(server.Stop());
  ASSERT_TRUE(WaitUntilDown(dispatcher, device));

  ASSERT_TRUE(server.Start());
  ASSERT_TRUE(dispatcher.RunUntil([&] { return device.State() == PulseWaveOut::Link::kConnected; }, 20s));
  MonitorRecorder recorder(server.Address());
  ASSERT_TRUE(recorder.Error().empty()) << recorder.Error();
  out.PlayLooped(kSounds / "waiting.wav");
  ASSERT_TRUE(out.Active()) << out.LastError();
  EXPECT_TRUE(dispatcher.RunUntil([&] { return recorder.LoudSince(0) > 0; }, 10s));
}

// A "server" that takes connections on a unix socket and never says a
// word, counting the connections.
class SilentServer {
 public:
  explicit SilentServer(const std::filesystem::path& socket) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socket.string();
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd_, 8) != 0) {
      return;
    }
    listening_ = true;
    thread_ = std::thread([this] {
      while (true) {
        const int client = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) return;
        std::lock_guard lock(mutex_);
        clients_.push_back(client);
      }
    });
  }
  ~SilentServer() {
    // Ends the accept() under way.
    if (fd_ >= 0) ::shutdown(fd_, SHUT_RDWR);
    if (thread_.joinable()) thread_.join();
    for (int client : clients_) ::close(client);
    if (fd_ >= 0) ::close(fd_);
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  bool Listening() const { return listening_; }
  std::size_t Connections() const {
    std::lock_guard lock(mutex_);
    return clients_.size();
  }

 private:
  int fd_ = -1;
  bool listening_ = false;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<int> clients_;
};

// A server that accepts the connection and never answers holds no sound
// up: the device connects once, in the background, and every sound asked
// for meanwhile is skipped with the reason instead of waiting on the
// server; the player can be destroyed while the attempt is under way.
TEST(PulseWaveOutSilentServerTest, SoundsSkippedWhileConnecting) {
  TempDir dir;
  SilentServer silent(dir / "native");
  ASSERT_TRUE(silent.Listening());
  ScopedEnv env("PULSE_SERVER", "unix:" + (dir / "native").string());
  LoopDispatcher dispatcher;
  auto owned = std::make_unique<PulseWaveOut>();
  const PulseWaveOut& device = *owned;
  auto out = std::make_unique<TWaveOut>(dispatcher, std::move(owned));
  ASSERT_TRUE(dispatcher.RunUntil([&] { return silent.Connections() == 1; }, 10s));

  for (bool looped : {false, true, false, true}) {
    SCOPED_TRACE(looped);
    if (looped) {
      out->PlayLooped(kSounds / "waiting.wav");
    } else {
      out->PlayOnce(kSounds / "error.wav");
    }
    EXPECT_FALSE(out->Active());
    EXPECT_FALSE(out->SoundPlaying());
    EXPECT_EQ(out->LastError(), "PulseAudio: Not connected");
  }
  EXPECT_EQ(device.State(), PulseWaveOut::Link::kConnecting);
  EXPECT_EQ(silent.Connections(), 1u);
  out.reset();
}

}  // namespace
}  // namespace tazmel
