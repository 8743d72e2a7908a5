// The station tester over a branch of loopback stations (live streams, 404s,
// refused addresses, on four servers) with its hidden players on libmpv:
// how long the run takes and the longest stall of the user-interface loop
// while it runs (goal < 50 ms).
// Usage: bench_tester [STATIONS]   (default 200)
#include <signal.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/qt_dispatcher.h"
#include "bench_support.h"
#include "core/clock.h"
#include "core/program_paths.h"
#include "platform/registry.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "playback/mpv/mpv_library.h"
#include "playback/tester/control_tester_players.h"
#include "playback/tester/station_tester.h"
#include "playback/tester/tester_store.h"
#include "stations/radio_table.h"
#include "stations/station_tree.h"
#include "stations/text_table.h"
#include "support/http_server.h"
#include "support/test_audio.h"

namespace {

using namespace std::chrono;
using tazmel::test::TestHttpServer;

class CountingView : public tazmel::TesterView {
 public:
  void ShowStatus(Status) override {}
  void ShowButtons(bool, bool, bool, bool) override {}
  void ShowDots(int, bool) override {}
  void ShowStation(const std::string&) override {}
  void AppendLog(const std::string& line) override {
    good += line.find("-Good") != std::string::npos;
    ++lines;
  }
  void ClearLog() override {}
  void Finished() override { finished = true; }
  int lines = 0;
  int good = 0;
  bool finished = false;
};

// The file store, timing what it does on the user-interface thread.
class TimedStore : public tazmel::TesterStore {
 public:
  explicit TimedStore(tazmel::TesterStore& store) : store_(store) {}
  tazmel::StationRecord LoadStation(int id) override {
    return Time(load, [&] { return store_.LoadStation(id); });
  }
  void LearnStart(int id, tazmel::StationRecord& record, const tazmel::StationLearning::StartFacts& facts) override {
    Time(learn, [&] { store_.LearnStart(id, record, facts); });
  }
  void MarkBad(int id, tazmel::StationRecord& record) override {
    Time(learn, [&] { store_.MarkBad(id, record); });
  }
  void EnsureLoaded(tazmel::TreeNode& top) override { store_.EnsureLoaded(top); }
  void SaveSubtree(const tazmel::TreeNode& top) override {
    Time(save, [&] { store_.SaveSubtree(top); });
  }
  void SaveTopLists() override {
    Time(save, [&] { store_.SaveTopLists(); });
  }
  std::string ReadKey(std::string_view key) override { return store_.ReadKey(key); }
  void WriteKeys(const std::vector<std::pair<std::string, std::string>>& keys) override {
    Time(save, [&] { store_.WriteKeys(keys); });
  }

  // The longest single call, in milliseconds.
  double load = 0, learn = 0, save = 0;

 private:
  template <typename Call>
  auto Time(double& longest, Call call) -> decltype(call()) {
    const auto start = steady_clock::now();
    struct Done {
      double& longest;
      steady_clock::time_point start;
      ~Done() { longest = std::max(longest, duration<double, std::milli>(steady_clock::now() - start).count()); }
    } done{longest, start};
    return call();
  }
  tazmel::TesterStore& store_;
};

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  signal(SIGPIPE, SIG_IGN);
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

  const std::string mp3 = tazmel::test::MakeToneMp3(10.0);
  std::vector<std::unique_ptr<TestHttpServer>> servers;
  for (int i = 0; i < 4; ++i) {
    servers.push_back(std::make_unique<TestHttpServer>());
    tazmel::bench::ServeLiveMp3(*servers.back(), "/live.mp3", mp3);
  }
  const std::string refused = "http://127.0.0.1:" + std::to_string(tazmel::test::UnusedLoopbackPort()) + "/a";

  const tazmel::bench::ScratchDir home("tazmel-bench-tester");
  if (!home.Ok()) {
    std::fprintf(stderr, "bench_tester: no temporary folder\n");
    return 1;
  }
  tazmel::ProgramPaths paths(home.path());
  std::filesystem::create_directories(paths.DataFolder());
  // Two of three stations play, one in six is missing, one in six refused.
  std::vector<std::string> lines;
  tazmel::StationTree tree;
  auto top = std::make_unique<tazmel::TreeNode>("Bench", 2, -1, -101);
  tazmel::SetNodeID(*top, -101);
  top->set_file_name("tree_user1.dat");
  tazmel::TreeNode& branch =
      tree.AddTop(std::move(top)).AddChild(std::make_unique<tazmel::TreeNode>("Branch", 1, -1, -1));
  for (int i = 0; i < count; ++i) {
    const int id = 100001 + i;
    const TestHttpServer& server = *servers[static_cast<std::size_t>(i) % servers.size()];
    tazmel::StationRecord record;
    record.VID = std::to_string(id);
    record.VRadioName = "Station " + std::to_string(i);
    record.VFormat = "0";
    record.VStreamURL = i % 6 == 4 ? server.Url("/missing") : i % 6 == 5 ? refused : server.Url("/live.mp3");
    lines.push_back(tazmel::FormatStationLine(record));
    branch.AddChild(std::make_unique<tazmel::TreeNode>(record.VRadioName, 0, -1, id));
  }
  if (!tazmel::WriteTextTable(paths.UserTablePath(), lines)) {
    std::fprintf(stderr, "bench_tester: could not write the station table\n");
    return 1;
  }

  // In the program the engine has loaded libmpv long before a test runs.
  const auto load_start = steady_clock::now();
  if (tazmel::LoadMpvLibrary() == nullptr) {
    std::fprintf(stderr, "bench_tester: no libmpv\n");
    return 1;
  }
  const double load_ms = duration<double, std::milli>(steady_clock::now() - load_start).count();
  tazmel::QtDispatcher dispatcher;
  tazmel::SystemClock clock;
  tazmel::Registry registry(home.path() / "registry.ini");
  tazmel::RegisterPlayerControls(registry);
  tazmel::MpvOptions options;
  options.hidden = true;
  options.audio_output = "null";
  tazmel::MpvPlayerFactory factory(dispatcher, registry, options);
  tazmel::ControlTesterPlayers players(factory, tazmel::IsWmp9Installed(registry), nullptr);
  tazmel::FileTesterStore files(paths, tree, 0x0409);
  TimedStore store(files);
  CountingView view;
  tazmel::StationTester tester(dispatcher, clock, tree, players, store, view);

  // The loop's heartbeat: the longest gap between two ticks is the stall.
  auto last = steady_clock::now();
  auto start = last;
  steady_clock::duration worst{0};
  QTimer ticker;
  ticker.setTimerType(Qt::PreciseTimer);
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    const auto now = steady_clock::now();
    worst = std::max(worst, now - last);
    if (std::getenv("BENCH_TESTER_TRACE") && now - last > milliseconds(20)) {
      std::fprintf(stderr, "stall %.1f ms at %.2f s\n", duration<double, std::milli>(now - last).count(),
                   duration<double>(now - start).count());
    }
    last = now;
  });
  ticker.start(1);
  last = steady_clock::now();
  start = last;
  tester.SetSource(&branch);
  // Go makes the hidden controls (libmpv instances) before the first
  // attempt: a one-time cost, timed on its own.
  const auto go_start = steady_clock::now();
  tester.Go();
  const double go_ms = duration<double, std::milli>(steady_clock::now() - go_start).count();
  last = steady_clock::now();
  worst = steady_clock::duration{0};
  while (!view.finished) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double took_s = duration<double>(steady_clock::now() - start).count();
  ticker.stop();
  const double stall_ms = duration<double, std::milli>(worst).count();
  std::printf("tested %d stations (%d good) in %.1f s, %.2f s each (1 s of it the wait between stations)\n", view.lines,
              view.good, took_s, took_s / std::max(1, view.lines));
  std::printf("longest store calls: station load %.1f ms, learning write-back %.1f ms, saving the run %.1f ms\n",
              store.load, store.learn, store.save);
  std::printf("loading libmpv first (before the run, as the engine does): %.1f ms\n", load_ms);
  std::printf("Go, making the hidden controls and starting the first attempt: %.1f ms\n", go_ms);
  std::printf("longest UI-loop stall during the attempts %.1f ms (goal < 50 ms, ratio %.2f); load %s\n", stall_ms,
              stall_ms / 50, tazmel::bench::LoadAverage().c_str());
  return view.lines == count ? 0 : 1;
}
