// How long the tree commands that walk everything take on a large loaded
// tree of 20 000 nodes: a Vague search that matches near the end or not at
// all, and Sort All on shuffled and on already sorted captions.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "core/system.h"
#include "stations/station_tree.h"
#include "stations/tree_editor.h"

namespace {

using tazmel::TreeNode;

constexpr int kNodes = 20000;
constexpr int kTops = 5;
constexpr int kGroups = 8;     // per top node
constexpr int kSubgroups = 5;  // per group

// The search reports through message boxes; the bench shows none.
class SilentPrompts : public tazmel::UserPrompts {
 public:
  bool AskQuestion(std::string_view) override { return false; }
  void ShowInfo(std::string_view) override {}
};

// Captions in random order, some in GB18030, so sorting has real work; one
// station near the end is the needle.
void BuildTree(tazmel::StationTree& tree) {
  tree.Clear();
  std::mt19937 random(20000);
  auto caption = [&](std::string_view kind) {
    const unsigned n = random() % 100000;
    return (n % 7 == 0 ? std::string("\xD6\xD0\xCE\xC4 ") : std::string()) + std::string(kind) + " " +
           std::to_string(n) + (n % 2 ? " fm" : " FM");
  };
  int nodes = 0;
  int station_id = 0;
  const int per_subgroup = (kNodes - kTops * (1 + kGroups * (1 + kSubgroups))) / (kTops * kGroups * kSubgroups);
  int left_over = kNodes - kTops * (1 + kGroups * (1 + kSubgroups)) - per_subgroup * kTops * kGroups * kSubgroups;
  for (int t = 0; t < kTops; ++t) {
    auto top_node = std::make_unique<TreeNode>("Tree " + std::to_string(kTops - t), 2, -1, 0);
    tazmel::SetNodeID(*top_node, -101 - t);
    top_node->set_file_name("tree_user" + std::to_string(t + 1) + ".dat");
    TreeNode& top = tree.AddTop(std::move(top_node));
    ++nodes;
    for (int g = 0; g < kGroups; ++g) {
      TreeNode& group = top.AddChild(std::make_unique<TreeNode>(caption("Genre"), 1, -1, -1));
      ++nodes;
      for (int s = 0; s < kSubgroups; ++s) {
        TreeNode& sub = group.AddChild(std::make_unique<TreeNode>(caption("Country"), 1, -1, -1));
        ++nodes;
        const int stations = per_subgroup + (left_over > 0 ? 1 : 0);
        if (left_over > 0) --left_over;
        for (int i = 0; i < stations; ++i, ++nodes) {
          sub.AddChild(std::make_unique<TreeNode>(caption("Radio"), 0, -1, station_id++));
        }
      }
    }
  }
  if (nodes != kNodes) std::abort();
  tree.Last()->Previous()->set_caption("The Needle Station");
}

struct Fixture {
  Fixture() { BuildTree(editor.tree()); }
  SilentPrompts prompts;
  tazmel::TreeEditor editor{"/nonexistent", prompts};
};

void Search(benchmark::State& state, const char* text) {
  Fixture f;
  const tazmel::TreeFindOptions options{.text = text};
  for (auto _ : state) {
    f.editor.Select(nullptr);
    benchmark::DoNotOptimize(f.editor.Find(options));
  }
  state.SetItemsProcessed(state.iterations() * kNodes);
}

void BM_FindVagueNearEnd(benchmark::State& state) { Search(state, "needle"); }
BENCHMARK(BM_FindVagueNearEnd)->Unit(benchmark::kMicrosecond);

void BM_FindVagueNotFound(benchmark::State& state) { Search(state, "no such station"); }
BENCHMARK(BM_FindVagueNotFound)->Unit(benchmark::kMicrosecond);

void BM_SortAllShuffled(benchmark::State& state) {
  Fixture f;
  for (auto _ : state) {
    state.PauseTiming();
    BuildTree(f.editor.tree());
    state.ResumeTiming();
    f.editor.SortAll();
  }
  state.SetItemsProcessed(state.iterations() * kNodes);
}
BENCHMARK(BM_SortAllShuffled)->Unit(benchmark::kMicrosecond);

void BM_SortAllSorted(benchmark::State& state) {
  Fixture f;
  f.editor.SortAll();
  for (auto _ : state) f.editor.SortAll();
  state.SetItemsProcessed(state.iterations() * kNodes);
}
BENCHMARK(BM_SortAllSorted)->Unit(benchmark::kMicrosecond);

}  // namespace
