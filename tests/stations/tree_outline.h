#pragma once

// Small station trees written as text outlines, for the tree logic's tests:
//
//   Favorites [-99] fav.dat
//     Radio One [12]
//   Mine [-101] tree_user1.dat
//     Rock [-1]
//       Radio Two [13]
//
// One node per line, two spaces per level, the caption, the node ID in
// brackets and, for top nodes, the subtree file name. Top nodes come out
// loaded (not expandable unless they have children) with icon 2; groups get
// icon 1 and stations icon 0.

#include <string>
#include <string_view>
#include <vector>

#include "core/text_utils.h"
#include "stations/station_tree.h"

namespace tazmel::test {

inline void BuildTree(StationTree& tree, std::string_view outline) {
  tree.Clear();
  std::vector<TreeNode*> path;  // the last node at each depth
  ForEachLine(outline, [&](std::string_view line) {
    if (TrimBlanks(line).empty()) return;
    std::size_t indent = 0;
    while (indent < line.size() && line[indent] == ' ') ++indent;
    const std::size_t depth = indent / 2;
    std::string_view rest = line.substr(indent);
    const std::size_t open = rest.rfind('[');
    const std::size_t close = rest.rfind(']');
    const std::string caption(TrimBlanks(rest.substr(0, open)));
    const std::string id_text(rest.substr(open + 1, close - open - 1));
    const int id = ParseInteger(id_text).value_or(-1);
    if (depth == 0) {
      auto top = std::make_unique<TreeNode>(caption, 2, -1, id);
      top->set_id_text(id_text);
      top->set_file_name(std::string(TrimBlanks(rest.substr(close + 1))));
      path.assign(1, &tree.AddTop(std::move(top)));
      path[0]->set_expandable(false);
      return;
    }
    path.resize(depth);
    TreeNode& node = path.back()->AddChild(std::make_unique<TreeNode>(caption, id >= 0 ? 0 : 1, -1, id));
    path.push_back(&node);
  });
}

// The loaded tree in the same format (top nodes with their file names).
inline std::string Outline(const StationTree& tree) {
  std::string text;
  for (const TreeNode* node = tree.First(); node; node = node->Next()) {
    text += std::string(2 * static_cast<std::size_t>(node->Depth()), ' ') + node->caption() + " [" +
            std::to_string(NodeID(*node)) + "]";
    if (!node->parent()) text += " " + node->file_name();
    text += "\n";
  }
  return text;
}

// The node with this caption, searched in display order.
inline TreeNode* NodeNamed(const StationTree& tree, std::string_view caption) {
  for (TreeNode* node = tree.First(); node; node = node->Next()) {
    if (node->caption() == caption) return node;
  }
  return nullptr;
}

}  // namespace tazmel::test
