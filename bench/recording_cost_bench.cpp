// What recording costs: the whole program (the player window) playing a
// loopback 128 kbit/s MP3 stream into a private PulseAudio null sink, and
// the same while it records that station to MP3 at 128 kbit/s (started as a
// task would start it, at the first paint), in alternating turns within
// one run. The goal: recording adds at most 1 % of one core.
//
//   TAZMEL_BENCH_SPAN=S    seconds measured per turn (default 30)
//   TAZMEL_BENCH_ROUNDS=N  turns per case (default 3; medians shown)
//
// Figures are reported, never judged: the program fails only when a
// measurement could not be taken, or the recording did not grow.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "bench_support.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/test_audio.h"

namespace {

using namespace std::chrono;
namespace fs = std::filesystem;
using tazmel::bench::EnvNumber;
using tazmel::bench::Median;
using tazmel::bench::PrepareProgramFolder;
using tazmel::bench::ProcessReading;
using tazmel::bench::SinkInputs;
using tazmel::test::ChildOptions;
using tazmel::test::ChildProcess;
using tazmel::test::EnvironmentWith;

constexpr auto kReadyLimit = seconds(20);
constexpr auto kWarmUp = seconds(5);
constexpr double kGoalPercent = 1.0;

std::uintmax_t FolderBytes(const fs::path& folder) {
  std::uintmax_t total = 0;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    total += it->is_regular_file(ec) ? it->file_size(ec) : 0;
  }
  return total;
}

}  // namespace

int main() {
  signal(SIGPIPE, SIG_IGN);
  const auto span = seconds(std::max(1, EnvNumber("TAZMEL_BENCH_SPAN", 30)));
  const int rounds = std::max(1, EnvNumber("TAZMEL_BENCH_ROUNDS", 3));
  const tazmel::bench::ScratchDir scratch("tazmel-reccost");
  if (!scratch.Ok()) return 1;
  const tazmel::bench::PrivatePulse pulse(scratch.path() / "pulse");
  if (!pulse.Started()) {
    std::fprintf(stderr, "bench_recording_cost: the private PulseAudio daemon did not start\n");
    return 1;
  }
  tazmel::bench::VirtualDisplay display;
  if (auto failure = display.Start(scratch.path() / "xvfb.log")) {
    std::fprintf(stderr, "bench_recording_cost: %s\n", failure->c_str());
    return 1;
  }
  const std::string mp3 = tazmel::test::MakeToneMp3(10.0);
  tazmel::test::TestHttpServer server;
  tazmel::bench::ServeLiveMp3(server, "/live.mp3", mp3);
  const std::string url = server.Url("/live.mp3");
  const fs::path home = scratch.path() / "program";
  if (auto failure = PrepareProgramFolder(fs::path(TAZMEL_EXE).parent_path(), home)) {
    std::fprintf(stderr, "bench_recording_cost: %s\n", failure->c_str());
    return 1;
  }
  const fs::path records = scratch.path() / "records";
  const fs::path config = scratch.path() / "config";
  fs::create_directories(config);

  std::printf("private X server %s, private PulseAudio null sink; load average %s; %lld s per turn, %d rounds\n",
              display.name().c_str(), tazmel::bench::LoadAverage().c_str(), static_cast<long long>(span.count()),
              rounds);
  std::fflush(stdout);
  std::vector<double> cpu[2], wakeups[2];
  bool grew = true;
  for (int round = 0; round < rounds; ++round) {
    for (int recording = 0; recording < 2; ++recording) {
      std::error_code ec;
      fs::remove_all(records, ec);
      // Recordings in MP3, going to `records`.
      tazmel::bench::WriteAutoPlaySettings(
          home, url, "[Record]\r\nFileFormat=1\r\nAttributes=31\r\nSavePath=" + records.string() + "\r\n");
      std::map<std::string, std::string> env = pulse.Env();
      env["DISPLAY"] = display.name();
      env["QT_QPA_PLATFORM"] = "xcb";
      env["TAZMEL_HOME"] = home.string();
      env["TAZMEL_REPORT_PAINT"] = "1";
      env["XDG_CONFIG_HOME"] = config.string();
      if (recording) env["TAZMEL_RECORD_AT_START"] = "1";
      ChildOptions options;
      options.capture = true;
      options.log = scratch.path() / "tazmel.log";
      ChildProcess child({TAZMEL_EXE}, EnvironmentWith(env, {"SESSION_MANAGER", "WAYLAND_DISPLAY"}), options);
      if (!child.Started() || !child.WaitForOutput("first-paint", kReadyLimit)) {
        std::fprintf(stderr, "bench_recording_cost: the player did not start:\n%s",
                     tazmel::bench::LogTail(scratch.path() / "tazmel.log").c_str());
        return 1;
      }
      const auto deadline = steady_clock::now() + kReadyLimit;
      while (SinkInputs(pulse.Env(), scratch.path()) != 1) {
        if (steady_clock::now() > deadline) {
          std::fprintf(stderr, "bench_recording_cost: nothing reached the sink\n");
          return 1;
        }
        child.ReadFor(milliseconds(200));
      }
      child.ReadFor(kWarmUp);
      child.ClearOutput();
      const std::uintmax_t bytes_before = FolderBytes(records);
      ProcessReading before, after;
      const auto start = steady_clock::now();
      if (!tazmel::bench::ReadProcess(child.pid(), before)) return 1;
      child.ReadFor(span);
      child.ClearOutput();
      const double elapsed = duration<double>(steady_clock::now() - start).count();
      if (!tazmel::bench::ReadProcess(child.pid(), after)) return 1;
      const std::uintmax_t bytes_after = FolderBytes(records);
      child.Signal(SIGTERM);
      child.WaitExit(seconds(10));
      const double percent = (after.cpu_seconds - before.cpu_seconds) / elapsed * 100;
      cpu[recording].push_back(percent);
      const double wakes = static_cast<double>(after.context_switches - before.context_switches) / elapsed;
      wakeups[recording].push_back(wakes);
      if (recording) {
        // 128 kbit/s is 16000 bytes a second.
        const double rate = static_cast<double>(bytes_after - bytes_before) / elapsed;
        grew = grew && rate > 12000;
        std::printf("  round %d: playing and recording %.2f %% of a core, %.0f wake-ups/s, MP3 growing %.0f bytes/s\n",
                    round + 1, percent, wakes, rate);
      } else {
        std::printf("  round %d: playing alone         %.2f %% of a core, %.0f wake-ups/s\n", round + 1, percent,
                    wakes);
      }
      std::fflush(stdout);
    }
  }
  const double alone = Median(cpu[0]), with = Median(cpu[1]);
  std::printf("\n  playing alone %.2f %%, playing and recording MP3 128 kbit/s %.2f %% (x%.2f)\n", alone, with,
              alone > 0 ? with / alone : 0);
  std::printf("  recording adds %+.2f %% of one core (goal at most %.1f %%) and %+.0f wake-ups/s\n", with - alone,
              kGoalPercent, Median(wakeups[1]) - Median(wakeups[0]));
  std::printf("  load average after the turns: %s\n", tazmel::bench::LoadAverage().c_str());
  if (!grew) std::printf("  the recording did not grow at the stream's rate\n");
  return grew ? 0 : 1;
}
