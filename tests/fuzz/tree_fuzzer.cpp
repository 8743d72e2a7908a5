// libFuzzer target: any bytes, read as a subtree file and as a top-node list,
// must load without crashing, and what is then saved must read back as the
// same tree.
#include <stdlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/file_utils.h"
#include "stations/station_tree.h"
#include "stations/tree_files.h"

namespace {

namespace fs = std::filesystem;
using tazmel::StationTree;
using tazmel::TreeNode;

// One scratch folder per process, removed at exit.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "tazmel-tree-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

// Captions are length-prefixed so that no byte in them can fake structure.
void AppendField(std::string& out, std::string_view text) {
  out += std::to_string(text.size());
  out += ':';
  out += text;
}

std::string Outline(const TreeNode& top) {
  std::string out;
  for (const TreeNode* at = &top; at != nullptr; at = at->Next()) {
    out += std::to_string(at->Depth()) + " " + std::to_string(at->image_index()) + " " +
           std::to_string(at->state_index()) + " " + std::to_string(tazmel::NodeID(*at)) + " ";
    AppendField(out, at == &top ? std::string_view() : std::string_view(at->caption()));
    out += '\n';
  }
  return out;
}

std::string TopLine(const TreeNode& top) {
  std::string out = std::to_string(top.image_index()) + " " + std::to_string(top.state_index()) + " ";
  AppendField(out, top.id_text());
  AppendField(out, top.caption());
  AppendField(out, top.file_name());
  return out;
}

std::unique_ptr<TreeNode> FuzzTop() {
  auto top = std::make_unique<TreeNode>("Fuzz", 0, -1, 0);
  top->set_id_text("-101");
  top->set_file_name("Fuzz.dat");
  top->set_expandable(true);
  return top;
}

void SubtreeRoundTrip(const fs::path& folder, std::string_view bytes) {
  Check(tazmel::WriteFileAtomically(folder / "fuzz.dat", bytes));
  StationTree first;
  TreeNode& top = first.AddTop(FuzzTop());
  Check(tazmel::LoadSubtree(top, folder));
  Check(top.expandable() == top.HasChildren());
  Check(first.NodeCount() == top.SubtreeSize());
  Check(first.IndexOf(*first.Last()) == first.NodeCount() - 1);
  Check(tazmel::SaveSubtree(top, folder));

  StationTree second;
  TreeNode& again = second.AddTop(FuzzTop());
  Check(tazmel::LoadSubtree(again, folder));
  Check(Outline(top) == Outline(again));
}

void TopListRoundTrip(const fs::path& folder, std::string_view bytes) {
  std::error_code ec;
  fs::remove(folder / "treeuser.dat", ec);
  Check(tazmel::WriteFileAtomically(folder / "treesys.dat", bytes));
  StationTree first;
  tazmel::LoadTopLists(first, folder);

  // Saving files user trees after the system ones; otherwise nothing moves.
  std::vector<std::string> expected;
  for (bool user : {false, true}) {
    for (const auto& top : first.top_nodes()) {
      if (tazmel::IsUserTreeID(top->id_text()) == user) expected.push_back(TopLine(*top));
    }
  }
  Check(tazmel::SaveTopLists(first, folder));
  StationTree second;
  tazmel::LoadTopLists(second, folder);
  std::vector<std::string> reread;
  for (const auto& top : second.top_nodes()) reread.push_back(TopLine(*top));
  Check(expected == reread);

  // Whatever names the lines give, loading stays inside the folder.
  for (int i = 0; i < std::min(second.TopCount(), 4); ++i) tazmel::EnsureLoaded(*second.Top(i), folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFolder folder;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  SubtreeRoundTrip(folder.path(), bytes);
  TopListRoundTrip(folder.path(), bytes);
  return 0;
}
