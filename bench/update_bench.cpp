// Timing program: tazmel-publish over a 50 000-station radio-browser export
// (goal 5 s), then that archive installed by the update service from a
// loopback server with the tree reloaded (goal 2 s), while a 10 ms timer on
// the user-interface loop measures its longest stall (goal < 50 ms).
#include <sys/resource.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "app/update_scheduler.h"
#include "core/program_paths.h"
#include "core/system.h"
#include "core/time_utils.h"
#include "settings/settings.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "temp_dir.h"

using namespace tazmel;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

struct NoPrompts : UserPrompts {
  bool AskQuestion(std::string_view) override { return false; }
  void ShowInfo(std::string_view) override {}
};

std::string Export(int count) {
  static const char* tags[] = {"pop",  "Pop",       "rock",        "hip-hop", "Hip Hop",    "news",   "talk",
                               "jazz", "classical", "dance,house", "",        "oldies,80s", "country"};
  static const char* languages[] = {"english", "English", "eng", "german", "deutsch",
                                    "spanish", "french",  "",    "russian"};
  static const char* countries[] = {"US", "DE", "GB", "FR", "ES", "RU", "CN", "BR", "", "XX"};
  nlohmann::json list = nlohmann::json::array();
  unsigned seed = 7;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int i = 0; i < count; ++i) {
    const std::string n = std::to_string(i);
    list.push_back({{"stationuuid", "uuid-" + n},
                    {"name", "Station " + n},
                    {"url", "http://stream" + n + ".example.com/live"},
                    {"url_resolved", "http://stream" + n + ".example.com/live.mp3"},
                    {"homepage", "https://example.com/" + n},
                    {"tags", tags[next() % 13]},
                    {"country", "Somewhere"},
                    {"countrycode", countries[next() % 10]},
                    {"state", "State " + std::to_string(i % 50)},
                    {"language", languages[next() % 9]},
                    {"codec", "MP3"},
                    {"bitrate", 128},
                    {"votes", static_cast<int>(next())},
                    {"lastcheckok", i % 20 == 0 ? 0 : 1}});
  }
  return list.dump();
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

}  // namespace

int main() {
  test::TempDir dir;
  test::WriteFile(dir / "stations.json", Export(50000));

  const auto publish_start = Clock::now();
  test::ChildProcess publish({TAZMEL_PUBLISH, "--ver", "2030-01-01", "--radio-browser",
                              (dir / "stations.json").string(), (dir / "site").string()},
                             test::EnvironmentWith({}), true);
  if (publish.WaitExit(120s) != 0) {
    std::cerr << "tazmel-publish failed:\n" << publish.Output();
    return 1;
  }
  const double publish_s = Seconds(Clock::now() - publish_start);
  // On a busy machine the wall time says little: the CPU time tells the cost.
  rusage children{};
  getrusage(RUSAGE_CHILDREN, &children);
  const double publish_cpu_s = static_cast<double>(children.ru_utime.tv_sec + children.ru_stime.tv_sec) +
                               static_cast<double>(children.ru_utime.tv_usec + children.ru_stime.tv_usec) / 1e6;

  test::TestHttpServer server;
  for (const char* name : {"update.inf", "data-2030-01-01.zip"}) {
    server.Serve(std::string("/site/eng/") + name,
                 {200, "application/octet-stream", test::ReadFile(dir / "site/eng" / name)});
  }
  const std::filesystem::path home = dir / "home";
  test::WriteFile(home / "Tazmel.ini", "");
  test::WriteFile(home / "User.ini", "[Update]\r\nData_eng=2007-11-06\r\n");
  ProgramPaths paths(home);
  Settings settings;
  test::LoopDispatcher loop;
  NoPrompts prompts;
  TreeEditor tree(paths.DataFolder(), prompts);
  Clock::duration reload{};
  UpdateHooks hooks;
  hooks.reload_tree = [&] {
    const auto start = Clock::now();
    tree.set_data_folder(paths.DataFolder());
    tree.ReloadTree(-1, -1);
    reload = Clock::now() - start;
  };
  UpdateScheduler update(loop, paths, settings, server.Url("/site"), 1033, hooks);

  // The loop's heartbeat: the longest gap between two ticks is the stall.
  Clock::time_point last = Clock::now();
  Clock::duration worst{};
  auto heartbeat = loop.CreateTimer([&] {
    const auto now = Clock::now();
    worst = std::max(worst, now - last);
    last = now;
  });
  heartbeat->Start(10ms);
  const auto install_start = Clock::now();
  last = install_start;
  update.ManualUpdate(NowDateTimeNumber());
  if (!loop.RunUntil([&] { return !update.Running(); }, 60s) || tree.tree().TopCount() == 0) {
    std::cerr << "the update did not install\n";
    return 1;
  }
  const double install_s = Seconds(Clock::now() - install_start);
  heartbeat->Stop();
  const double stall_ms = std::max(0.0, Seconds(worst) * 1000 - 10);

  std::printf("publish 50000 stations: %.2f s wall, %.2f s CPU (goal 5 s, ratio %.2f wall, %.2f CPU)\n", publish_s,
              publish_cpu_s, publish_s / 5, publish_cpu_s / 5);
  std::printf("install and reload:     %.2f s (goal 2 s, ratio %.2f), tree reload %.1f ms\n", install_s, install_s / 2,
              Seconds(reload) * 1000);
  std::printf("longest UI stall:       %.1f ms beyond the 10 ms tick (goal < 50 ms, ratio %.2f)\n", stall_ms,
              stall_ms / 50);
  return 0;
}
