#include "stations/tree_generator.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/text_utils.h"
#include "stations/radio_table.h"
#include "stations/station_tree.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;

constexpr int kUnknownSlot = 86;

// "1".."4" name a player kind or a quality; anything else is the fallback.
const std::string& DigitName(const std::string& value, int first_slot, int other_slot) {
  if (value.size() == 1 && value[0] >= '1' && value[0] <= '4') return Msg(first_slot + (value[0] - '1'));
  return Msg(other_slot);
}

// LevelValue without a copy: the text lives in the record or the message
// slots, so the run can walk a station's path without building it.
std::string_view LevelText(GeneratorLevel level, const StationRecord& record) {
  const std::string* value = nullptr;
  switch (level) {
    case GeneratorLevel::kNone:
      return {};
    case GeneratorLevel::kGenre:
      value = &record.VGenre;
      break;
    case GeneratorLevel::kLanguage:
      value = &record.VLanguage;
      break;
    case GeneratorLevel::kCountry:
      value = &record.VCountry;
      break;
    case GeneratorLevel::kState:
      value = &record.VState;
      break;
    case GeneratorLevel::kCity:
      value = &record.VCity;
      break;
    case GeneratorLevel::kFormat:
      value = &DigitName(record.VFormat, 78, 77);
      break;
    case GeneratorLevel::kSpeed:
      value = &record.VSpeed;
      break;
    case GeneratorLevel::kValidity:
      value = &DigitName(record.VValidity, 82, kUnknownSlot);
      break;
  }
  if (value == nullptr || value->empty()) return Msg(kUnknownSlot);
  return *value;
}

struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

bool IsGeneratedGroup(const TreeNode& node, std::string_view caption) {
  return node.parent() != nullptr && NodeID(node) == kNewGroupID && node.caption() == caption;
}

// Finds or adds the group below a parent that a path step names: the first
// child that is a group of ID -1 with exactly that caption, else a new last
// child. Positions are remembered per parent so that a parent with thousands
// of groups is not searched child by child for every station. A remembered
// position is checked before use and the parent indexed anew when it no
// longer holds the group (the user may move nodes while the run pumps
// events), so a stale entry costs a search, never a wrong or freed node.
class GroupFinder {
 public:
  TreeNode& Find(TreeNode& parent, std::string_view caption) {
    auto [at, fresh] = positions_.try_emplace(&parent);
    Positions& positions = at->second;
    if (fresh) Index(parent, positions);
    if (auto hit = positions.find(caption); hit != positions.end()) {
      TreeNode* child = parent.child(hit->second);
      if (child != nullptr && IsGeneratedGroup(*child, caption)) return *child;
      Index(parent, positions);
      if (hit = positions.find(caption); hit != positions.end()) return *parent.child(hit->second);
    }
    TreeNode& group = parent.AddChild(std::make_unique<TreeNode>(std::string(caption), 1, -1, kNewGroupID));
    positions.emplace(caption, group.ChildIndex());
    return group;
  }

 private:
  using Positions = std::unordered_map<std::string, int, StringHash, std::equal_to<>>;

  static void Index(const TreeNode& parent, Positions& positions) {
    positions.clear();
    for (const auto& child : parent.children()) {
      if (NodeID(*child) == kNewGroupID) positions.try_emplace(child->caption(), child->ChildIndex());
    }
  }

  std::unordered_map<const TreeNode*, Positions> positions_;
};

struct TableChoice {
  const char* file_name;
  bool scrambled;
};

std::vector<TableChoice> TablesToScan(GeneratorTables tables) {
  const TableChoice system{"data.dat", true};
  const TableChoice user{"datauser.dat", false};
  switch (tables) {
    case GeneratorTables::kSystem:
      return {system};
    case GeneratorTables::kUser:
      return {user};
    case GeneratorTables::kAll:
      break;
  }
  return {system, user};
}

// The new node in front of `selected`: a group beside it below the top, or
// a new user tree among the top nodes (the last one without a selection).
TreeNode& InsertNewNode(TreeEditor& editor, const TreeGeneratorOptions& options) {
  TreeNode* selected = editor.selected();
  if (selected != nullptr && selected->parent() != nullptr) {
    return selected->parent()->InsertChild(selected->ChildIndex(),
                                           std::make_unique<TreeNode>(options.group_name, 1, -1, kNewGroupID));
  }
  StationTree& tree = editor.tree();
  auto top = std::make_unique<TreeNode>(TopCaption(options.group_name), editor.NextTopIcon(), -1, kNewUserTreeID);
  top->set_id_text(std::to_string(kNewUserTreeID));
  top->set_file_name(NewUserTreeFileName(tree));
  // Not expandable while empty: a stopped run may leave it so, and it must
  // then count as loaded rather than read a stale file of the same name.
  top->set_expandable(false);
  return selected != nullptr ? tree.InsertTop(selected->ChildIndex(), std::move(top)) : tree.AddTop(std::move(top));
}

}  // namespace

std::string LevelValue(GeneratorLevel level, const StationRecord& record) {
  return std::string(LevelText(level, record));
}

std::optional<std::vector<std::string>> StationPath(std::span<const GeneratorLevel> levels,
                                                    const StationRecord& record) {
  if (record.VRadioName.empty()) return std::nullopt;
  std::vector<std::string> path;
  for (const GeneratorLevel level : levels) {
    if (level != GeneratorLevel::kNone) path.emplace_back(LevelText(level, record));
  }
  return path;
}

bool TreeGenerator::KeepsNode(const TreeNode& node) const {
  return new_node_ != nullptr && (node.Contains(*new_node_) || new_node_->Contains(node));
}

bool TreeGenerator::Run(TreeEditor& editor, const TreeGeneratorOptions& options) {
  stop_ = false;
  new_node_ = &InsertNewNode(editor, options);
  editor.Select(new_node_);
  editor.MarkModified();

  bool any_level = false;
  for (const GeneratorLevel level : options.levels) any_level = any_level || level != GeneratorLevel::kNone;

  // Input handled between records may delete the new node (or reload the
  // whole tree); the run then stops instead of filing into freed nodes.
  bool node_gone = false;
  const int listener = editor.AddRemovalListener([&](const TreeNode* removed) {
    // Once gone the node is never looked at again: later notices of the
    // same removal must not touch it.
    if (new_node_ != nullptr && (removed == nullptr || removed->Contains(*new_node_))) {
      node_gone = true;
      stop_ = true;
      new_node_ = nullptr;
    }
  });

  GroupFinder groups;
  TRadioTable table;
  for (const TableChoice& choice : TablesToScan(options.tables)) {
    if (stop_) break;
    // A missing table reads as empty; opening it would create empty files.
    const fs::path path = FindNoCase(editor.data_folder(), choice.file_name);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) continue;
    table.SetTableName(path);
    table.SetEncry(choice.scrambled);
    if (!table.Open()) continue;
    const int count = table.RecordCount();
    for (int record = 1; record <= count && !stop_; ++record) {
      if (on_progress) on_progress(record, count);
      if (pump_events) pump_events();
      if (node_gone) break;
      if (!table.LoadRecord(record)) continue;
      StationRecord& station = table.Fields();
      // A damaged record without a station ID would become a group node.
      const std::optional<int> id = ParseInteger(station.VID);
      if (!id || *id < 0) continue;
      // The path is walked as StationPath gives it, without building it.
      TreeNode* parent = new_node_;
      if (any_level) {
        if (station.VRadioName.empty()) continue;
        for (const GeneratorLevel level : options.levels) {
          if (level != GeneratorLevel::kNone) parent = &groups.Find(*parent, LevelText(level, station));
        }
      }
      // The next load replaces the fields, so the name can be taken.
      parent->AddChild(std::make_unique<TreeNode>(std::move(station.VRadioName), 0, -1, *id));
    }
    table.Close();
  }
  editor.RemoveRemovalListener(listener);
  new_node_ = nullptr;
  return !stop_;
}

}  // namespace tazmel
