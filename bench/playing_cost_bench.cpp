// What playing costs: the player window and tazmel-play, each playing a
// loopback 128 kbit/s MP3 stream into a private PulseAudio null sink,
// against `audacious -H` on the same stream, measured in turns within one
// run (single CPU figures vary twofold from run to run on a shared machine,
// ratios within a run far less). Bare mpv with the engine's audio buffer
// shows the media library's own share.
//
// Per player: CPU (% of one core), wake-ups per second (context switches
// summed over the threads), threads, shared libraries mapped, RSS, PSS and
// anonymous memory; then the window's memory sampled every 10 s over a
// longer play.
//
//   TAZMEL_BENCH_SPAN=S         seconds measured per turn (default 30)
//   TAZMEL_BENCH_ROUNDS=N       turns per player (default 2; medians shown)
//   TAZMEL_BENCH_FLAT_SECONDS=S length of the memory run (default 60; 600
//                               for the full ten minutes, 0 to skip)
//
// Figures are reported, never judged: the program fails only when a
// measurement could not be taken at all.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
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
using tazmel::bench::WriteAutoPlaySettings;
using tazmel::test::ChildOptions;
using tazmel::test::ChildProcess;
using tazmel::test::EnvironmentWith;

constexpr auto kReadyLimit = seconds(20);
// After "playing" the first burst is decoded and the buffers fill; the
// measurement starts once that is over.
constexpr auto kWarmUp = seconds(5);
constexpr auto kFlatStep = seconds(10);
constexpr double kCpuGoalRatio = 1.0;
constexpr double kRssGoalMb = 60;
constexpr double kAnonGoalMb = 12;
constexpr double kGrowthGoalMb = 1;

double Ratio(double a, double b) { return b > 0 ? a / b : 0; }

// ---- the players --------------------------------------------------------------

struct Player {
  std::string name;
  std::function<std::vector<std::string>()> argv;
  std::map<std::string, std::string> env;
  std::function<void()> prepare;  // run before each start
  std::string ready_marker;       // a line of stdout, or empty: no marker
};

struct Turn {
  double cpu_percent = 0;
  double wakeups = 0;
  ProcessReading memory;
};

class Bench {
 public:
  Bench(fs::path scratch, std::map<std::string, std::string> pulse_env)
      : scratch_(std::move(scratch)), pulse_env_(std::move(pulse_env)) {}

  // Starts the player and waits until it plays into the sink; the failure
  // otherwise.
  std::optional<std::string> StartPlaying(const Player& player, std::optional<ChildProcess>& child) {
    if (player.prepare) player.prepare();
    ChildOptions options;
    options.capture = true;
    options.log = scratch_ / (player.name + ".log");
    std::map<std::string, std::string> env = pulse_env_;
    for (const auto& [name, value] : player.env) env[name] = value;
    child.emplace(player.argv(), EnvironmentWith(env, {"SESSION_MANAGER", "WAYLAND_DISPLAY"}), options);
    if (!child->Started()) return "could not start " + player.argv().front();
    if (!player.ready_marker.empty() && !child->WaitForOutput(player.ready_marker, kReadyLimit)) {
      return "no \"" + player.ready_marker + "\" within 20 s";
    }
    const auto deadline = steady_clock::now() + kReadyLimit;
    while (SinkInputs(pulse_env_, scratch_) != 1) {
      if (steady_clock::now() > deadline) return "no stream reached the sink within 20 s";
      child->ReadFor(milliseconds(200));
    }
    child->ReadFor(kWarmUp);
    child->ClearOutput();
    return std::nullopt;
  }

  std::optional<Turn> Measure(const Player& player, seconds span) {
    std::optional<ChildProcess> child;
    if (auto failure = StartPlaying(player, child)) {
      std::printf("  %s failed: %s; its log ends:\n%s", player.name.c_str(), failure->c_str(),
                  tazmel::bench::LogTail(scratch_ / (player.name + ".log")).c_str());
      return std::nullopt;
    }
    ProcessReading before, after;
    const auto start = steady_clock::now();
    if (!tazmel::bench::ReadProcess(child->pid(), before)) return std::nullopt;
    child->ReadFor(span);
    child->ClearOutput();
    const double elapsed = duration<double>(steady_clock::now() - start).count();
    if (!tazmel::bench::ReadProcess(child->pid(), after)) return std::nullopt;
    Stop(*child);
    Turn turn;
    turn.cpu_percent = (after.cpu_seconds - before.cpu_seconds) / elapsed * 100;
    turn.wakeups = static_cast<double>(after.context_switches - before.context_switches) / elapsed;
    turn.memory = after;
    return turn;
  }

  // The window's memory every 10 s over `span`.
  void MeasureFlat(const Player& player, seconds span) {
    std::optional<ChildProcess> child;
    if (auto failure = StartPlaying(player, child)) {
      std::printf("memory over time skipped: %s\n", failure->c_str());
      return;
    }
    std::printf("\n%s memory while playing, every %lld s for %lld s (RSS / anonymous MB):\n", player.name.c_str(),
                static_cast<long long>(kFlatStep.count()), static_cast<long long>(span.count()));
    std::vector<ProcessReading> samples;
    for (auto at = seconds(0); at <= span; at += kFlatStep) {
      if (at > seconds(0) && !child->ReadFor(kFlatStep)) break;
      child->ClearOutput();
      ProcessReading reading;
      if (!tazmel::bench::ReadProcess(child->pid(), reading)) break;
      samples.push_back(reading);
      std::printf("  %4llds  %6.1f / %5.1f\n", static_cast<long long>(at.count()), reading.rss_mb, reading.anon_mb);
      std::fflush(stdout);
    }
    Stop(*child);
    if (samples.size() < 2) return;
    const double rss_growth = samples.back().rss_mb - samples.front().rss_mb;
    const double anon_growth = samples.back().anon_mb - samples.front().anon_mb;
    std::printf("  growth: RSS %+.2f MB, anonymous %+.2f MB (goal at most %.0f MB)\n", rss_growth, anon_growth,
                kGrowthGoalMb);
  }

 private:
  // As a user would end it, so a player that keeps its settings on the way
  // out (Audacious its plugin list) starts the next turn as it usually does.
  static void Stop(ChildProcess& child) {
    child.Signal(SIGTERM);
    child.WaitExit(seconds(10));
  }

  fs::path scratch_;
  std::map<std::string, std::string> pulse_env_;
};

// ---- the window's program folder ------------------------------------------------

// ---- the report -------------------------------------------------------------------

struct Series {
  std::vector<double> cpu, wakeups;
  std::optional<ProcessReading> memory;  // of the last turn
};

void PrintRow(const std::string& name, const Series& s, const Series& baseline) {
  if (s.cpu.empty()) {
    std::printf("  %-22s no measurement\n", name.c_str());
    return;
  }
  const double cpu = Median(s.cpu), wake = Median(s.wakeups);
  const ProcessReading& m = *s.memory;
  std::printf("  %-22s %6.2f %% (x%.2f)  %6.1f/s (x%.2f)  %3d  %4d  %6.1f  %6.1f  %6.1f\n", name.c_str(), cpu,
              Ratio(cpu, Median(baseline.cpu)), wake, Ratio(wake, Median(baseline.wakeups)), m.threads, m.libraries,
              m.rss_mb, m.pss_mb, m.anon_mb);
}

}  // namespace

int main() {
  signal(SIGPIPE, SIG_IGN);
  const auto span = seconds(EnvNumber("TAZMEL_BENCH_SPAN", 30));
  const int rounds = std::max(1, EnvNumber("TAZMEL_BENCH_ROUNDS", 2));
  const auto flat_span = seconds(EnvNumber("TAZMEL_BENCH_FLAT_SECONDS", 60));

  const tazmel::bench::ScratchDir scratch("tazmel-playbench");
  if (!scratch.Ok()) {
    std::fprintf(stderr, "bench_playing_cost: no temporary folder\n");
    return 1;
  }
  const tazmel::bench::PrivatePulse pulse(scratch.path() / "pulse");
  if (!pulse.Started()) {
    std::fprintf(stderr, "bench_playing_cost: the private PulseAudio daemon did not start\n%s",
                 tazmel::bench::LogTail(scratch.path() / "pulse" / "daemon.log").c_str());
    return 1;
  }
  tazmel::bench::VirtualDisplay display;
  if (auto failure = display.Start(scratch.path() / "xvfb.log")) {
    std::fprintf(stderr, "bench_playing_cost: %s\n", failure->c_str());
    return 1;
  }
  // Before the server, whose connections read it until the server is gone.
  const std::string mp3 = tazmel::test::MakeToneMp3(10.0);
  tazmel::test::TestHttpServer server;
  tazmel::bench::ServeLiveMp3(server, "/live.mp3", mp3);
  const std::string url = server.Url("/live.mp3");

  const fs::path home = scratch.path() / "program";
  if (auto failure = PrepareProgramFolder(fs::path(TAZMEL_EXE).parent_path(), home)) {
    std::fprintf(stderr, "bench_playing_cost: %s\n", failure->c_str());
    return 1;
  }
  const fs::path config = scratch.path() / "config";
  const fs::path audacious_config = scratch.path() / "audacious";
  fs::create_directories(config);

  Bench bench(scratch.path(), pulse.Env());
  const Player audacious{"audacious -H",
                         [&] {
                           return std::vector<std::string>{"audacious", "-H", "-p", url};
                         },
                         {{"XDG_CONFIG_HOME", audacious_config.string()}, {"XDG_DATA_HOME", audacious_config.string()}},
                         nullptr,
                         ""};
  const Player play{"tazmel-play",
                    [&] {
                      return std::vector<std::string>{TAZMEL_PLAY, "--seconds", "36000", url};
                    },
                    {{"XDG_CONFIG_HOME", config.string()}},
                    nullptr,
                    "state    Playing"};
  const Player window{"tazmel (window)",
                      [] { return std::vector<std::string>{TAZMEL_EXE}; },
                      {{"DISPLAY", display.name()},
                       {"QT_QPA_PLATFORM", "xcb"},
                       {"TAZMEL_HOME", home.string()},
                       {"TAZMEL_REPORT_PAINT", "1"},
                       {"XDG_CONFIG_HOME", config.string()}},
                      [&] { WriteAutoPlaySettings(home, url); },
                      "first-paint"};
  const Player mpv{"mpv --pulse-buffer=1000",
                   [&] {
                     return std::vector<std::string>{"mpv",
                                                     "--no-config",
                                                     "--ao=pulse",
                                                     "--vo=null",
                                                     "--pulse-buffer=1000",
                                                     "--load-scripts=no",
                                                     "--terminal=no",
                                                     url};
                   },
                   {},
                   nullptr,
                   ""};

  std::printf("private X server %s, private PulseAudio null sink; load average %s; %lld s per turn, %d rounds\n",
              display.name().c_str(), tazmel::bench::LoadAverage().c_str(), static_cast<long long>(span.count()),
              rounds);
  // Audacious scans its plugins on the first start with an empty
  // configuration and keeps them loaded; the turns measure it as it runs
  // every day after.
  if (auto first = bench.Measure(audacious, seconds(3))) {
    std::printf("audacious first start (plugin scan): RSS %.1f MB, anonymous %.1f MB, %d libraries\n",
                first->memory.rss_mb, first->memory.anon_mb, first->memory.libraries);
  }
  std::fflush(stdout);

  const std::vector<const Player*> players = {&audacious, &play, &window, &mpv};
  std::vector<Series> series(players.size());
  for (int round = 0; round < rounds; ++round) {
    for (size_t i = 0; i < players.size(); ++i) {
      if (auto turn = bench.Measure(*players[i], span)) {
        series[i].cpu.push_back(turn->cpu_percent);
        series[i].wakeups.push_back(turn->wakeups);
        series[i].memory = turn->memory;
      }
    }
  }
  std::printf("\n  %-22s %-17s  %-15s  thr  libs  RSS MB  PSS MB  anon MB\n", "player", "CPU (vs audacious)",
              "wake-ups");
  for (size_t i = 0; i < players.size(); ++i) PrintRow(players[i]->name, series[i], series[0]);
  std::printf("  goals: CPU at most x%.1f of audacious; window RSS at most %.0f MB, anonymous at most %.0f MB\n",
              kCpuGoalRatio, kRssGoalMb, kAnonGoalMb);
  std::printf("  load average after the turns: %s\n", tazmel::bench::LoadAverage().c_str());
  std::fflush(stdout);

  if (flat_span.count() > 0) bench.MeasureFlat(window, flat_span);
  for (const Series& s : series) {
    if (s.cpu.empty()) return 1;
  }
  return 0;
}
