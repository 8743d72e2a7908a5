#include "schedule/pulse_file_player.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <pulse/error.h>
#include <pulse/simple.h>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

std::string Le(std::uint32_t v, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
  return out;
}

std::string Wave(int format_tag, int channels, int rate, int bits, const std::string& data,
                 const std::string& extra_chunk = {}) {
  const std::string fmt =
      "fmt " + Le(16, 4) + Le(static_cast<std::uint32_t>(format_tag), 2) + Le(channels, 2) +
      Le(static_cast<std::uint32_t>(rate), 4) + Le(static_cast<std::uint32_t>(rate * channels * bits / 8), 4) +
      Le(static_cast<std::uint32_t>(channels * bits / 8), 2) + Le(static_cast<std::uint32_t>(bits), 2);
  const std::string body = "WAVE" + fmt + extra_chunk + "data" + Le(static_cast<std::uint32_t>(data.size()), 4) + data;
  return "RIFF" + Le(static_cast<std::uint32_t>(body.size()), 4) + body;
}

std::string Tone(int rate, double seconds) {
  std::string data;
  for (int i = 0; i < static_cast<int>(rate * seconds); ++i) {
    const auto v = static_cast<std::int16_t>(12000 * std::sin(2 * 3.14159265 * 440 * i / rate));
    data += Le(static_cast<std::uint16_t>(v), 2);
  }
  return data;
}

TEST(PcmWaveTest, ReadsPcmAndRefusesTheRest) {
  const std::string pcm = Tone(11025, 0.01);
  const auto sound = ParsePcmWave(Wave(1, 1, 11025, 16, pcm, "LIST" + Le(3, 4) + "abc" + std::string(1, '\0')));
  ASSERT_TRUE(sound);
  EXPECT_EQ(sound->rate, 11025);
  EXPECT_EQ(sound->data, pcm);
  EXPECT_FALSE(ParsePcmWave(Wave(3, 1, 11025, 32, pcm)));  // float
  EXPECT_FALSE(ParsePcmWave(Wave(1, 6, 11025, 16, pcm)));  // channels
  EXPECT_FALSE(ParsePcmWave(Wave(1, 1, 11025, 24, pcm)));
  EXPECT_FALSE(ParsePcmWave("RIFF"));
  EXPECT_FALSE(ParsePcmWave(Wave(1, 1, 11025, 16, pcm).substr(0, 30)));
  // A data size beyond the end: what is there plays.
  std::string cut = Wave(1, 1, 11025, 16, pcm);
  cut.resize(cut.size() - 10);
  ASSERT_TRUE(ParsePcmWave(cut));
  EXPECT_EQ(ParsePcmWave(cut)->data.size(), pcm.size() - 10);
}

struct SimpleFree {
  void operator()(pa_simple* s) const { pa_simple_free(s); }
};

// The loudest 20 ms block the sink's monitor carried while it ran.
class MonitorPeak {
 public:
  MonitorPeak() {
    const pa_sample_spec sample{PA_SAMPLE_S16LE, 11025, 1};
    int error = 0;
    simple_.reset(pa_simple_new(nullptr, "Tazmel tests", PA_STREAM_RECORD, "tazmel_sink.monitor", "monitor", &sample,
                                nullptr, nullptr, &error));
    if (!simple_) {
      error_ = pa_strerror(error);
      return;
    }
    thread_ = std::thread([this] {
      std::vector<std::int16_t> block(220);
      int e = 0;
      while (!stop_ && pa_simple_read(simple_.get(), block.data(), block.size() * 2, &e) == 0) {
        double sum = 0;
        for (std::int16_t s : block) sum += static_cast<double>(s) * s;
        const double level = std::sqrt(sum / static_cast<double>(block.size())) / 32768.0;
        std::lock_guard lock(mutex_);
        peak_ = std::max(peak_, level);
      }
    });
  }
  ~MonitorPeak() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  const std::string& Error() const { return error_; }
  double Peak() {
    std::lock_guard lock(mutex_);
    return peak_;
  }

 private:
  std::unique_ptr<pa_simple, SimpleFree> simple_;
  std::string error_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  double peak_ = 0;
};

class PulseFilePlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without the fixture's server the sound would go to the user's own.
    ASSERT_NE(std::getenv("PULSE_SERVER"), nullptr) << "run through ctest: needs the pulse_daemon fixture";
  }
};

TEST_F(PulseFilePlayerTest, AShippedWordIsHeardOnTheSink) {
  MonitorPeak monitor;
  ASSERT_TRUE(monitor.Error().empty()) << monitor.Error();
  std::this_thread::sleep_for(200ms);
  const double before = monitor.Peak();
  PulseFilePlayer player;
  std::atomic<bool> stop{false};
  EXPECT_TRUE(player.PlayToEnd(std::filesystem::path(TAZMEL_TEST_SOURCE_DIR) / "../share/sound/chs/now.wav", stop));
  std::this_thread::sleep_for(200ms);
  EXPECT_LT(before, 0.001);
  EXPECT_GT(monitor.Peak(), 0.02);
}

TEST_F(PulseFilePlayerTest, StopEndsAWordEarlyAndBadFilesFail) {
  test::TempDir dir;
  test::WriteFile(dir / "long.wav", Wave(1, 1, 11025, 16, Tone(11025, 20)));
  test::WriteFile(dir / "bad.wav", "RIFF....WAVEjunk");
  PulseFilePlayer player;
  std::atomic<bool> stop{false};
  std::thread stopper([&] {
    std::this_thread::sleep_for(300ms);
    stop = true;
  });
  // Returns false when stopped; the 20 s tone would otherwise play to the end.
  EXPECT_FALSE(player.PlayToEnd(dir / "long.wav", stop));
  stopper.join();
  std::atomic<bool> go{false};
  EXPECT_FALSE(player.PlayToEnd(dir / "bad.wav", go));
  EXPECT_FALSE(player.PlayToEnd(dir / "missing.wav", go));
}

}  // namespace
}  // namespace tazmel
