#pragma once

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <pulse/simple.h>

#include "recording/pulse_state.h"

// Playback of the test process as the player's would be, and sox as the
// judge of a recording's tone.
namespace tazmel::test {

struct SimpleFree {
  void operator()(pa_simple* s) const { pa_simple_free(s); }
};

// Playback of this process, as the player's would be: silence into `sink`
// on a thread of its own.
class OwnPlayback {
 public:
  explicit OwnPlayback(const std::string& sink) {
    const pa_sample_spec sample{PA_SAMPLE_S16LE, 44100, 2};
    int error = 0;
    simple_.reset(pa_simple_new(nullptr, "Tazmel tests", PA_STREAM_PLAYBACK, sink.c_str(), "player", &sample, nullptr,
                                nullptr, &error));
    if (!simple_) return;
    thread_ = std::thread([this] {
      std::vector<char> silence(441 * 4);
      int e = 0;
      while (!stop_ && pa_simple_write(simple_.get(), silence.data(), silence.size(), &e) == 0) {
      }
    });
  }
  ~OwnPlayback() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool Ok() const { return simple_ != nullptr; }

  // Its index on the server, found by our process id.
  static std::string Index() {
    std::istringstream list(Shell("pactl list sink-inputs"));
    std::string index;
    const std::string pid = "application.process.id = \"" + std::to_string(::getpid()) + "\"";
    for (std::string line; std::getline(list, line);) {
      if (line.starts_with("Sink Input #")) index = line.substr(12);
      if (line.find(pid) != std::string::npos) return index;
    }
    return {};
  }

 private:
  std::unique_ptr<pa_simple, SimpleFree> simple_;
  std::thread thread_;
  std::atomic<bool> stop_ = false;
};

// The tone sox hears in a file's first channel (its estimate counts the
// crossings of all channels), in Hz; 0 when sox says nothing.
inline double SoxFrequency(const std::filesystem::path& file) {
  const std::string out = Shell("sox '" + file.string() + "' -n remix 1 stat 2>&1");
  const std::size_t at = out.find("Rough   frequency:");
  return at == std::string::npos ? 0 : std::atof(out.c_str() + at + 18);
}

}  // namespace tazmel::test
