// Playback timings on a loopback MP3 stream, each against a named baseline
// measured in the same run:
//   1. process start to "Playing": tazmel-play against bare mpv --ao=null;
//   2. resident memory of tazmel-play while it plays;
//   3. CPU while playing into a PulseAudio null sink: tazmel-play against
//      audacious -H;
//   4. the longest stall of the event loop while the resolver's download
//      trickles in from a slow server.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/qt_dispatcher.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "support/http_server.h"
#include "support/test_audio.h"

namespace {

using namespace std::chrono;
using tazmel::test::TestHttpConnection;
using tazmel::test::TestHttpServer;
namespace fs = std::filesystem;

constexpr int kRounds = 5;
constexpr int kMetaInt = 16000;

// ---- child processes ------------------------------------------------------

struct Child {
  pid_t pid = -1;
  int out = -1;  // stdout and stderr together
  steady_clock::time_point started;
  std::string pending;
};

Child Spawn(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return {};
  Child child;
  child.started = steady_clock::now();
  child.pid = fork();
  if (child.pid == 0) {
    dup2(fds[1], 1);
    dup2(fds[1], 2);
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(fds[1]);
  child.out = fds[0];
  return child;
}

// Reads lines until one contains `marker`; the time since the start then.
std::optional<milliseconds> WaitForLine(Child& child, const std::string& marker, milliseconds timeout) {
  const auto deadline = steady_clock::now() + timeout;
  for (;;) {
    for (size_t end; (end = child.pending.find('\n')) != std::string::npos;) {
      const std::string line = child.pending.substr(0, end);
      child.pending.erase(0, end + 1);
      if (line.find(marker) != std::string::npos)
        return duration_cast<milliseconds>(steady_clock::now() - child.started);
    }
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) return std::nullopt;
    pollfd p{child.out, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) <= 0) return std::nullopt;
    char buffer[4096];
    const ssize_t n = read(child.out, buffer, sizeof buffer);
    if (n <= 0) return std::nullopt;
    child.pending.append(buffer, static_cast<size_t>(n));
  }
}

// Keeps reading so a chatty child never blocks on a full pipe.
void Drain(Child& child, milliseconds span) {
  const auto deadline = steady_clock::now() + span;
  for (;;) {
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
    if (left <= 0) return;
    pollfd p{child.out, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(left)) > 0) {
      char buffer[4096];
      if (read(child.out, buffer, sizeof buffer) <= 0) std::this_thread::sleep_for(milliseconds(left));
    }
  }
}

void Finish(Child& child) {
  if (child.pid > 0) {
    kill(child.pid, SIGTERM);
    for (int i = 0; i < 300; ++i) {
      if (waitpid(child.pid, nullptr, WNOHANG) == child.pid) {
        child.pid = -1;
        break;
      }
      std::this_thread::sleep_for(milliseconds(10));
    }
    if (child.pid > 0) {
      kill(child.pid, SIGKILL);
      waitpid(child.pid, nullptr, 0);
    }
  }
  if (child.out >= 0) close(child.out);
  child = Child{};
}

long RssKilobytes(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return 0;
}

// User plus system time of a process so far.
double CpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  const size_t paren = text.rfind(')');
  if (paren == std::string::npos) return 0;
  std::istringstream fields(text.substr(paren + 2));
  std::string field;
  long ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::strtol(field.c_str(), nullptr, 10);
  }
  return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// ---- the stream -------------------------------------------------------------

// An endless 128 kbit/s MP3 stream paced in real time after a first burst,
// as a streaming server sends it, with ICY metadata when asked for.
void ServeStream(TestHttpServer& server, const std::string& mp3) {
  server.ServeHandler("/live.mp3", [&mp3](TestHttpConnection& connection) {
    const bool icy = connection.Header("Icy-MetaData").value_or("0") == "1";
    tazmel::test::TestHttpHeaders headers = {{"Content-Type", "audio/mpeg"}, {"icy-name", "Bench Radio"}};
    if (icy) headers.push_back({"icy-metaint", std::to_string(kMetaInt)});
    if (!connection.WriteHead(200, headers)) return;
    size_t offset = 0;
    int until_meta = kMetaInt;
    auto send = [&](size_t count) {
      std::string chunk;
      while (count > 0) {
        const size_t take = std::min({count, mp3.size() - offset, static_cast<size_t>(until_meta)});
        chunk.append(mp3, offset, take);
        offset = (offset + take) % mp3.size();
        count -= take;
        until_meta -= static_cast<int>(take);
        if (icy && until_meta == 0) {
          std::string meta = "StreamTitle='Bench tone';";
          meta.resize((meta.size() + 15) / 16 * 16, '\0');
          chunk += static_cast<char>(meta.size() / 16);
          chunk += meta;
          until_meta = kMetaInt;
        }
        if (!icy) until_meta = kMetaInt;
      }
      return connection.Write(chunk);
    };
    if (!send(64 * 1024)) return;
    while (!connection.Stopping()) {
      connection.SleepFor(milliseconds(250));
      if (!send(4000)) return;
    }
  });
}

// ---- the PulseAudio daemon --------------------------------------------------

struct Pulse {
  fs::path runtime;
  bool started = false;
  std::map<std::string, std::string> Env() const {
    return {{"XDG_RUNTIME_DIR", runtime.string()}, {"PULSE_SERVER", "unix:" + (runtime / "pulse/native").string()}};
  }
};

bool RunScript(const std::string& command, const fs::path& runtime) {
  const std::string line =
      std::string(TAZMEL_PULSE_SCRIPT) + " " + command + " " + runtime.string() + " >/dev/null 2>&1";
  return std::system(line.c_str()) == 0;
}

// ---- the measurements ---------------------------------------------------------

std::vector<std::string> PlayerCommand(const std::string& url, int seconds) {
  return {TAZMEL_PLAY, "--seconds", std::to_string(seconds), url};
}

// Process start to playback, and the resident memory two seconds later.
void MeasureStartup(const std::string& url, const std::map<std::string, std::string>& env) {
  std::vector<double> ours, theirs, our_rss, their_rss;
  auto quiet = env;
  quiet["TAZMEL_AUDIO_OUTPUT"] = "null";
  for (int round = 0; round < kRounds; ++round) {
    Child player = Spawn(PlayerCommand(url, 20), quiet);
    if (auto at = WaitForLine(player, "state    Playing", seconds(20))) {
      ours.push_back(at->count());
      Drain(player, seconds(2));
      our_rss.push_back(RssKilobytes(player.pid) / 1024.0);
    }
    Finish(player);
    Child mpv = Spawn({"mpv", "--no-config", "--ao=null", "--vo=null", "--msg-level=cplayer=v", url}, env);
    if (auto at = WaitForLine(mpv, "playback restart complete", seconds(20))) {
      theirs.push_back(at->count());
      Drain(mpv, seconds(2));
      their_rss.push_back(RssKilobytes(mpv.pid) / 1024.0);
    }
    Finish(mpv);
  }
  const double a = Median(ours), b = Median(theirs);
  std::printf(
      "start to playing   tazmel-play %6.0f ms   mpv --ao=null %6.0f ms   ratio %.2f  (median of %d; %zu/%zu ok)\n", a,
      b, b > 0 ? a / b : 0.0, kRounds, ours.size(), theirs.size());
  const double m = Median(our_rss), n = Median(their_rss);
  std::printf("rss while playing  tazmel-play %6.1f MB   mpv --ao=null %6.1f MB   ratio %.2f  (median of %d)\n", m, n,
              n > 0 ? m / n : 0.0, kRounds);
}

void MeasureMemoryAndCpu(const std::string& url, const Pulse& pulse) {
  constexpr auto kSpan = seconds(40);
  const auto env = pulse.Env();
  auto audacious_env = env;
  const fs::path config = fs::temp_directory_path() / ("tazmel-bench-audacious-" + std::to_string(getpid()));
  audacious_env["XDG_CONFIG_HOME"] = config.string();
  audacious_env["XDG_DATA_HOME"] = config.string();

  Child player = Spawn(PlayerCommand(url, 120), env);
  const bool playing = WaitForLine(player, "state    Playing", seconds(20)).has_value();
  Drain(player, seconds(2));
  const double cpu0 = CpuSeconds(player.pid);
  Drain(player, kSpan);
  const double ours = (CpuSeconds(player.pid) - cpu0) / duration<double>(kSpan).count() * 100;
  Finish(player);

  Child audacious = Spawn({"audacious", "-H", "-p", url}, audacious_env);
  Drain(audacious, seconds(4));
  const double cpu1 = CpuSeconds(audacious.pid);
  Drain(audacious, kSpan);
  const double theirs = (CpuSeconds(audacious.pid) - cpu1) / duration<double>(kSpan).count() * 100;
  Finish(audacious);
  fs::remove_all(config);

  // Bare mpv with the components' audio buffer, to tell the media
  // library's share from ours.
  Child mpv = Spawn({"mpv", "--no-config", "--ao=pulse", "--vo=null", "--pulse-buffer=1000", url}, env);
  Drain(mpv, seconds(4));
  const double cpu2 = CpuSeconds(mpv.pid);
  Drain(mpv, kSpan);
  const double bare = (CpuSeconds(mpv.pid) - cpu2) / duration<double>(kSpan).count() * 100;
  Finish(mpv);

  std::printf(
      "cpu into null sink tazmel-play %6.2f %%%s   audacious -H %6.2f %%   ratio %.2f   (bare mpv --pulse-buffer=1000 "
      "%.2f %%; %lld s each)\n",
      ours, playing ? "" : " (never reached Playing)", theirs, theirs > 0 ? ours / theirs : 0.0, bare,
      static_cast<long long>(kSpan.count()));
}

void MeasureResolverStall() {
  TestHttpServer server;
  server.ServeHandler("/slow.html", [](TestHttpConnection& connection) {
    if (!connection.WriteHead(200, {{"Content-Type", "text/html"}})) return;
    for (int i = 0; i < 60 && !connection.Stopping(); ++i) {
      if (!connection.Write("<p>slow page, line " + std::to_string(i) + "</p>\n")) return;
      connection.SleepFor(milliseconds(50));
    }
  });
  tazmel::QtDispatcher dispatcher;
  tazmel::Registry registry(fs::temp_directory_path() / "tazmel-bench-registry.ini");
  auto last = steady_clock::now();
  milliseconds longest{0};
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const auto now = steady_clock::now();
    longest = std::max(longest, duration_cast<milliseconds>(now - last));
    last = now;
  });
  ticker.start(1);
  const auto start = steady_clock::now();
  tazmel::BrowserPageFetcher fetcher(dispatcher, registry);
  std::string page;
  bool done = false;
  fetcher.Fetch(server.Url("/slow.html"), [&](tazmel::PageReply reply) {
    page = std::move(reply.body);
    done = true;
  });
  while (!done) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const auto took = duration_cast<milliseconds>(steady_clock::now() - start);
  ticker.stop();
  std::printf("resolver download  %lld ms, %zu bytes; longest event-loop stall %lld ms (goal < 50 ms)\n",
              static_cast<long long>(took.count()), page.size(), static_cast<long long>(longest.count()));
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  signal(SIGPIPE, SIG_IGN);

  TestHttpServer server;
  const std::string mp3 = tazmel::test::MakeToneMp3(10.0);
  ServeStream(server, mp3);
  const std::string url = server.Url("/live.mp3");

  const fs::path home = fs::temp_directory_path() / ("tazmel-bench-home-" + std::to_string(getpid()));
  fs::create_directories(home);
  Pulse pulse{home / "pulse-runtime"};
  fs::create_directories(pulse.runtime);
  pulse.started = RunScript("start", pulse.runtime);
  std::map<std::string, std::string> env = pulse.Env();
  env["XDG_CONFIG_HOME"] = (home / "config").string();

  MeasureStartup(url, env);
  if (pulse.started) {
    MeasureMemoryAndCpu(url, pulse);
  } else {
    std::printf("cpu into null sink skipped: the private PulseAudio daemon did not start\n");
  }
  MeasureResolverStall();

  if (pulse.started) RunScript("stop", pulse.runtime);
  fs::remove_all(home);
  return 0;
}
