#include "stations/tree_files.h"

#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/file_utils.h"
#include "core/text_utils.h"

namespace tazmel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kSystemList = "treesys.dat";
constexpr std::string_view kUserList = "treeuser.dat";
constexpr std::string_view kLegacyList = "tree.dat";
constexpr std::string_view kLineEnd = "\r\n";

int NumberOrMinusOne(std::string_view text) { return ParseInteger(text).value_or(-1); }

// A subtree file name comes from a list file that may be damaged or planted;
// only a plain name can stay inside the data folder.
bool IsPlainFileName(std::string_view name) {
  return !name.empty() && name != "." && name.find("..") == name.npos && name.find_first_of("/\\") == name.npos &&
         name.find('\0') == name.npos;
}

// Text written into a line must not end it early.
void AppendLineText(std::string& text, std::string_view value) {
  for (char c : value) text += (c == '\r' || c == '\n') ? ' ' : c;
}

std::optional<std::string> ReadTreeFile(const fs::path& folder, std::string_view name) {
  if (!IsPlainFileName(name)) return std::nullopt;
  return ReadWholeFile(FindNoCase(folder, name), kMaxTreeFileBytes);
}

bool WriteTreeFile(const fs::path& folder, std::string_view name, std::string_view content) {
  return IsPlainFileName(name) && WriteFileAtomically(FindNoCase(folder, name), content);
}

std::unique_ptr<TreeNode> ParseTopListLine(std::string rest) {
  auto node = std::make_unique<TreeNode>();
  node->set_image_index(NumberOrMinusOne(CutFirst(rest, "/")));
  node->set_state_index(NumberOrMinusOne(CutFirst(rest, "/")));
  node->set_id_text(CutFirst(rest, "/"));
  const std::size_t equals = rest.find('=');
  if (equals == rest.npos) {
    node->set_file_name(std::move(rest));
  } else {
    node->set_file_name(rest.substr(equals + 1));
    rest.resize(equals);
    node->set_caption(std::move(rest));
  }
  node->set_expandable(true);
  return node;
}

void AppendTopListLine(std::string& text, const TreeNode& top) {
  text += std::to_string(top.image_index());
  text += '/';
  text += std::to_string(top.state_index());
  text += '/';
  AppendLineText(text, top.id_text());
  text += '/';
  // A caption set by hand past TopCaption still reads back whole.
  AppendLineText(text, TopCaption(top.caption()));
  text += '=';
  AppendLineText(text, top.file_name());
  text += kLineEnd;
}

void AppendSubtreeLine(std::string& text, const TreeNode& node, std::size_t level) {
  text.append(level, '\t');
  text += std::to_string(node.image_index());
  text += '/';
  text += std::to_string(node.state_index());
  text += '/';
  text += std::to_string(NodeID(node));
  text += '/';
  AppendLineText(text, node.caption());
  text += kLineEnd;
}

// Builds the lines of a subtree file under `top`, which stands at level 0.
// Each line attaches relative to the node of the line before it: one level
// deeper as its child, otherwise as the sibling of it or of its ancestor at
// that level. Lines more than one level deeper, and lines at level 0 (which
// would stand beside the top node itself), are dropped.
void ReadSubtreeLines(TreeNode& top, std::string_view text) {
  bool first = true;
  TreeNode* previous = &top;
  std::size_t previous_level = 0;
  ForEachLine(text, [&](std::string_view line) {
    std::size_t level = line.find_first_not_of("\t ");
    if (level == line.npos) level = line.size();
    if (!first && (level == 0 || level > previous_level + 1)) return;
    std::string rest(line.substr(level));
    const int image_index = NumberOrMinusOne(CutFirst(rest, "/"));
    const int state_index = NumberOrMinusOne(CutFirst(rest, "/"));
    if (first) {
      top.set_image_index(image_index);
      top.set_state_index(state_index);
      first = false;
      return;
    }
    const int id = NumberOrMinusOne(CutFirst(rest, "/"));
    TreeNode* parent = previous;
    if (level <= previous_level) {
      for (std::size_t up = level; up < previous_level; ++up) parent = parent->parent();
      parent = parent->parent();
    }
    previous = &parent->AddChild(std::make_unique<TreeNode>(std::move(rest), image_index, state_index, id));
    previous_level = level;
  });
}

std::string SubtreeText(const TreeNode& node) {
  std::string text;
  AppendSubtreeLine(text, node, 0);
  // Depth-first walk that never leaves the subtree; no recursion, so depth
  // does not matter.
  const TreeNode* at = &node;
  std::size_t level = 0;
  for (;;) {
    if (at->HasChildren()) {
      at = at->child(0);
      ++level;
    } else {
      while (at != &node && at->NextSibling() == nullptr) {
        at = at->parent();
        --level;
      }
      if (at == &node) break;
      at = at->NextSibling();
    }
    AppendSubtreeLine(text, *at, level);
  }
  return text;
}

}  // namespace

void LoadTopLists(StationTree& tree, const fs::path& data_folder) {
  tree.Clear();
  for (std::string_view list : {kSystemList, kUserList}) {
    const std::optional<std::string> content = ReadTreeFile(data_folder, list);
    if (!content) continue;
    ForEachLine(*content, [&](std::string_view line) {
      // An empty line names no node; keeping it would add a nameless top
      // node that the next save writes back as another empty line.
      if (!line.empty()) tree.AddTop(ParseTopListLine(std::string(line)));
    });
  }
}

bool SaveTopLists(const StationTree& tree, const fs::path& data_folder) {
  std::string system_lines;
  std::string user_lines;
  for (const auto& top : tree.top_nodes()) {
    AppendTopListLine(IsUserTreeID(top->id_text()) ? user_lines : system_lines, *top);
  }
  const bool system_written = WriteTreeFile(data_folder, kSystemList, system_lines);
  const bool user_written = WriteTreeFile(data_folder, kUserList, user_lines);
  return system_written && user_written;
}

bool LoadSubtree(TreeNode& node, const fs::path& data_folder) {
  const std::string& file = TopNode(node).file_name();
  const std::optional<std::string> content = IsSubtreeFileName(file) ? ReadTreeFile(data_folder, file) : std::nullopt;
  if (content) {
    node.ClearChildren();
    ReadSubtreeLines(node, *content);
  }
  std::error_code ec;
  TopNode(node).set_load_failed(!content && IsSubtreeFileName(file) && fs::exists(FindNoCase(data_folder, file), ec));
  node.set_expandable(node.HasChildren());
  return content.has_value();
}

bool SaveSubtree(const TreeNode& node, const fs::path& data_folder) {
  const TreeNode& top = TopNode(node);
  if (top.load_failed()) return false;
  return IsSubtreeFileName(top.file_name()) && WriteTreeFile(data_folder, top.file_name(), SubtreeText(node));
}

bool EnsureLoaded(TreeNode& node, const fs::path& data_folder) {
  if (node.parent() != nullptr || !node.expandable() || node.HasChildren()) return false;
  LoadSubtree(node, data_folder);
  return true;
}

bool MigrateLegacyTreeFile(const fs::path& data_folder) {
  std::error_code ec;
  const fs::path legacy = FindNoCase(data_folder, kLegacyList);
  if (!fs::is_regular_file(legacy, ec)) return false;
  const std::optional<std::string> content = ReadWholeFile(legacy, kMaxTreeFileBytes);
  if (!content) return false;
  // tree.dat goes only once what it holds is safely written, so a failed
  // write is tried again at the next start instead of losing the trees.
  if (fs::exists(FindNoCase(data_folder, kSystemList), ec)) {
    std::string user_lines;
    ForEachLine(*content, [&](std::string_view line) {
      if (line.empty() || !IsUserTreeID(NthField(line, 3, '/'))) return;
      user_lines += line;
      user_lines += kLineEnd;
    });
    if (!user_lines.empty() && !WriteTreeFile(data_folder, kUserList, user_lines)) return false;
  } else if (!WriteTreeFile(data_folder, kSystemList, *content)) {
    return false;
  }
  return fs::remove(legacy, ec);
}

std::string NewUserTreeFileName(const StationTree& tree) {
  for (int n = 1;; ++n) {
    std::string name = "tree_user" + std::to_string(n) + ".dat";
    bool used = false;
    for (const auto& top : tree.top_nodes()) used = used || EqualsNoCase(top->file_name(), name);
    if (!used) return name;
  }
}

std::string TopCaption(std::string_view caption) {
  std::string out;
  out.reserve(caption.size());
  for (char c : caption) {
    if (c == '=') {
      out += kEqualsLookAlike;
    } else {
      out += (c == '\r' || c == '\n') ? ' ' : c;
    }
  }
  return out;
}

bool IsSubtreeFileName(std::string_view name) {
  if (!IsPlainFileName(name)) return false;
  const std::string lower = AsciiLowerCopy(name);
  for (std::string_view reserved : {"data.", "datauser.", "treesys.", "treeuser.", "tree."}) {
    if (lower.starts_with(reserved) && lower.find('.', reserved.size()) == std::string::npos) return false;
  }
  return true;
}

}  // namespace tazmel
