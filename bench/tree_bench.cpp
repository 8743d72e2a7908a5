// How long opening a large top node takes: reading its subtree file of
// 20 000 groups and stations into the tree, and writing it back.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "core/file_utils.h"
#include "stations/station_tree.h"
#include "stations/tree_files.h"

namespace {

namespace fs = std::filesystem;

constexpr int kNodes = 20000;

// A data folder holding one subtree file of kNodes nodes: 20 groups of 10
// subgroups, each filled with stations; removed when the program ends.
class BenchFolder {
 public:
  BenchFolder() {
    std::string pattern = (fs::temp_directory_path() / "tazmel-tree-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
    if (!tazmel::WriteFileAtomically(path_ / "tree_user1.dat", SubtreeText())) std::abort();
  }
  ~BenchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  static std::string SubtreeText() {
    std::string text = "5/-1/-101/Generated\r\n";
    int nodes = 0;
    int station_id = 0;
    for (int group = 0; group < 20; ++group) {
      text += "\t1/-1/-1/Genre \xD6\xD0\xCE\xC4 " + std::to_string(group) + "\r\n";
      ++nodes;
      for (int sub = 0; sub < 10; ++sub) {
        text += "\t\t1/-1/-1/Country " + std::to_string(sub) + "\r\n";
        ++nodes;
        const int stations = (kNodes - 220) / 200 + (group * 10 + sub < (kNodes - 220) % 200 ? 1 : 0);
        for (int s = 0; s < stations; ++s, ++station_id) {
          text += "\t\t\t0/-1/" + std::to_string(station_id) + "/Radio " + std::to_string(station_id) + " FM/HD=1\r\n";
          ++nodes;
        }
      }
    }
    if (nodes != kNodes) std::abort();
    return text;
  }

  fs::path path_;
};

const BenchFolder& Folder() {
  static const BenchFolder folder;
  return folder;
}

std::unique_ptr<tazmel::TreeNode> GeneratedTop() {
  auto top = std::make_unique<tazmel::TreeNode>("Generated", 5, -1, 0);
  top->set_id_text("-101");
  top->set_file_name("tree_user1.dat");
  top->set_expandable(true);
  return top;
}

// The first opening of the top node, file read included.
void BM_LoadSubtree(benchmark::State& state) {
  const fs::path& folder = Folder().path();
  for (auto _ : state) {
    tazmel::StationTree tree;
    tazmel::TreeNode& top = tree.AddTop(GeneratedTop());
    tazmel::EnsureLoaded(top, folder);
    benchmark::DoNotOptimize(top.child_count());
  }
  state.SetItemsProcessed(state.iterations() * kNodes);
}
BENCHMARK(BM_LoadSubtree)->Unit(benchmark::kMillisecond);

// Saving the loaded subtree, written whole and renamed into place.
void BM_SaveSubtree(benchmark::State& state) {
  const fs::path& folder = Folder().path();
  tazmel::StationTree tree;
  tazmel::TreeNode& top = tree.AddTop(GeneratedTop());
  tazmel::EnsureLoaded(top, folder);
  for (auto _ : state) benchmark::DoNotOptimize(tazmel::SaveSubtree(top, folder));
  state.SetItemsProcessed(state.iterations() * kNodes);
}
BENCHMARK(BM_SaveSubtree)->Unit(benchmark::kMillisecond);

}  // namespace
