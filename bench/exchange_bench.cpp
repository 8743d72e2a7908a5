// Export all and import back 50 000 user stations, as the Data Tool runs
// them: in 25 ms slices, between which the window repaints. Reports the
// whole run and the longest slice (how long the window can go unpainted).
//   export_all        50 000 station nodes in 100 groups to one file
//   import_new        that file into an empty user table and a new group
//   import_back       the same file into the same table again: every line
//                     is found by name and replaced, no node is added
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <stdlib.h>

#include "core/system.h"
#include "stations/radio_table.h"
#include "stations/station_exchange.h"
#include "stations/station_tree.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"

namespace {

namespace fs = std::filesystem;
using namespace tazmel;
using Clock = std::chrono::steady_clock;

constexpr int kStations = 50000;
constexpr int kGroups = 100;

class SilentPrompts : public UserPrompts {
 public:
  bool AskQuestion(std::string_view) override { return false; }
  void ShowInfo(std::string_view) override {}
};

fs::path MakeFolder(const char* name) {
  std::string pattern = (fs::temp_directory_path() / (std::string("tazmel-bench-") + name + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

std::string Line(int i) {
  const std::string n = std::to_string(i);
  return std::to_string(kFirstUserStationID + i) + "\tStation " + n +
         "\tPop\tCountry\tState\tCity\tEnglish\t0\t2\t128K" + "\tFM " + n + "\t\thttp://home.example/" + n +
         "\t\thttp://stream" + n + ".example:8000/live||http://backup" + n + ".example/live";
}

// A user tree of kGroups groups holding all stations, and their table.
void BuildSource(TreeEditor& editor) {
  std::vector<std::string> lines;
  lines.reserve(kStations);
  for (int i = 0; i < kStations; ++i) lines.push_back(Line(i));
  if (!WriteTextTable(editor.data_folder() / "datauser.dat", lines)) std::abort();
  auto top = std::make_unique<TreeNode>("Mine", 5, -1, kNewUserTreeID);
  top->set_id_text("-101");
  top->set_file_name("tree_user1.dat");
  TreeNode& mine = editor.tree().AddTop(std::move(top));
  for (int g = 0; g < kGroups; ++g) {
    TreeNode& group = mine.AddChild(std::make_unique<TreeNode>("Group " + std::to_string(g), 1, -1, kNewGroupID));
    for (int i = g; i < kStations; i += kGroups) {
      group.AddChild(std::make_unique<TreeNode>("Station " + std::to_string(i), 0, -1, kFirstUserStationID + i));
    }
  }
}

// Runs a job slice by slice; the longest slice in ms.
double RunSliced(ExchangeJob& job) {
  double longest = 0;
  for (;;) {
    const Clock::time_point start = Clock::now();
    const ExchangeStatus status = job.Step(std::chrono::milliseconds(25));
    longest = std::max(longest, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    if (status != ExchangeStatus::kRunning) {
      if (status != ExchangeStatus::kDone) std::abort();
      return longest;
    }
  }
}

struct Fixture {
  SilentPrompts prompts;
  fs::path source = MakeFolder("source");
  TreeEditor editor{source, prompts};
  fs::path file = source / "all.txt";
  Fixture() {
    BuildSource(editor);
    AllExport job(editor, file);
    RunSliced(job);
  }
  ~Fixture() { fs::remove_all(source); }
};

Fixture& Shared() {
  static Fixture fixture;
  return fixture;
}

void BM_ExportAll(benchmark::State& state) {
  Fixture& f = Shared();
  double longest = 0;
  for (auto _ : state) {
    AllExport job(f.editor, f.source / "out.txt");
    longest = std::max(longest, RunSliced(job));
  }
  state.counters["longest_slice_ms"] = longest;
}
BENCHMARK(BM_ExportAll)->Unit(benchmark::kMillisecond)->Iterations(3);

// A fresh folder with an empty user tree holding one group.
std::unique_ptr<TreeEditor> Target(const fs::path& folder, UserPrompts& prompts) {
  auto editor = std::make_unique<TreeEditor>(folder, prompts);
  auto top = std::make_unique<TreeNode>("Imported", 5, -1, kNewUserTreeID);
  top->set_id_text("-101");
  top->set_file_name("tree_user1.dat");
  editor->tree().AddTop(std::move(top)).AddChild(std::make_unique<TreeNode>("Inbox", 1, -1, kNewGroupID));
  return editor;
}

void BM_Import(benchmark::State& state) {
  Fixture& f = Shared();
  const bool back = state.range(0) == 1;
  double longest = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const fs::path folder = MakeFolder("target");
    std::unique_ptr<TreeEditor> editor = Target(folder, f.prompts);
    TreeNode* inbox = editor->tree().Top(0)->child(0);
    if (back) {
      StationImport first(*editor, *inbox, f.file);
      RunSliced(first);
    }
    state.ResumeTiming();
    StationImport job(*editor, *inbox, f.file);
    longest = std::max(longest, RunSliced(job));
    state.PauseTiming();
    if (job.appended() + job.replaced() != kStations || (back && job.appended() != 0)) std::abort();
    editor.reset();
    fs::remove_all(folder);
    state.ResumeTiming();
  }
  state.counters["longest_slice_ms"] = longest;
}
BENCHMARK(BM_Import)->Arg(0)->Arg(1)->ArgName("back")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
