// Playback timings on a loopback MP3 stream, each against a named baseline
// measured in the same run:
//   1. process start to "Playing": tazmel-play against bare mpv --ao=null;
//   2. resident memory of tazmel-play while it plays;
//   3. the longest stall of the event loop while the resolver's download
//      trickles in from a slow server.
// CPU, wake-ups and memory while playing are bench_playing_cost's.
#include <signal.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/qt_dispatcher.h"
#include "bench_support.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/test_audio.h"

namespace {

using namespace std::chrono;
using tazmel::test::TestHttpConnection;
using tazmel::test::TestHttpServer;
namespace fs = std::filesystem;

using tazmel::bench::Median;

constexpr int kRounds = 5;

double RssMegabytes(pid_t pid) {
  tazmel::bench::ProcessReading reading;
  return tazmel::bench::ReadProcess(pid, reading) ? reading.rss_mb : 0;
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
  // The time from just before the start to the marker line, and the
  // resident memory two seconds later.
  const auto time_to = [](const std::vector<std::string>& argv, const std::map<std::string, std::string>& with,
                          const char* marker, std::vector<double>& times, std::vector<double>& rss) {
    const auto started = steady_clock::now();
    tazmel::test::ChildProcess child(argv, tazmel::test::EnvironmentWith(with), /*capture=*/true);
    if (!child.WaitForOutput(marker, seconds(20))) return;
    times.push_back(duration<double, std::milli>(steady_clock::now() - started).count());
    child.ReadFor(seconds(2));
    rss.push_back(RssMegabytes(child.pid()));
  };
  for (int round = 0; round < kRounds; ++round) {
    time_to(PlayerCommand(url, 20), quiet, "state    Playing", ours, our_rss);
    time_to({"mpv", "--no-config", "--ao=null", "--vo=null", "--msg-level=cplayer=v", url}, env,
            "playback restart complete", theirs, their_rss);
  }
  const double a = Median(ours), b = Median(theirs);
  std::printf(
      "start to playing   tazmel-play %6.0f ms   mpv --ao=null %6.0f ms   ratio %.2f  (median of %d; %zu/%zu ok)\n", a,
      b, b > 0 ? a / b : 0.0, kRounds, ours.size(), theirs.size());
  const double m = Median(our_rss), n = Median(their_rss);
  std::printf("rss while playing  tazmel-play %6.1f MB   mpv --ao=null %6.1f MB   ratio %.2f  (median of %d)\n", m, n,
              n > 0 ? m / n : 0.0, kRounds);
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

  // Before the server, whose connections read it until the server is gone.
  const std::string mp3 = tazmel::test::MakeToneMp3(10.0);
  TestHttpServer server;
  tazmel::bench::ServeLiveMp3(server, "/live.mp3", mp3);
  const std::string url = server.Url("/live.mp3");

  const tazmel::bench::ScratchDir home("tazmel-bench-home");
  if (!home.Ok()) {
    std::fprintf(stderr, "bench_playback: no temporary folder\n");
    return 1;
  }
  MeasureStartup(url, {{"XDG_CONFIG_HOME", (home.path() / "config").string()}});
  MeasureResolverStall();
  return 0;
}
