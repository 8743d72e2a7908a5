// Playing from the station tree, the Recently played and Favorites trees,
// the menus that mirror the tree, and loading and saving the whole tree.

#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/system.h"
#include "core/text_utils.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"

namespace tazmel {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxRecentStations = 20;
constexpr int kChannelPresetCount = 10;
// Menus deeper than this are of no use to anyone, and a damaged tree file
// can nest nodes deep enough to exhaust the stack when nested items are
// destroyed; deeper nodes are left out of the menu.
constexpr int kMaxMenuDepth = 32;

TreeNode* FindTop(const StationTree& tree, int id) {
  for (const auto& top : tree.top_nodes()) {
    if (NodeID(*top) == id) return top.get();
  }
  return nullptr;
}

// A top node whose subtree is in memory, or whose file turned out empty or
// missing. Writing any other top node would replace its file with nothing.
bool IsLoaded(const TreeNode& top) { return top.HasChildren() || !top.expandable(); }

bool NamedByTopNode(const StationTree& tree, std::string_view name) {
  for (const auto& top : tree.top_nodes()) {
    if (EqualsNoCase(top->file_name(), name)) return true;
  }
  return false;
}

// The name of a deleted tree comes from a list file that may be damaged:
// only a subtree file name inside the data folder may go.
void DeleteTreeFile(const fs::path& folder, std::string_view name) {
  if (!IsSubtreeFileName(name)) return;
  const fs::path path = FindNoCase(folder, name);
  std::error_code ec;
  const fs::file_type type = fs::symlink_status(path, ec).type();
  // A link goes itself; what it points to stays.
  if (type == fs::file_type::regular || type == fs::file_type::symlink) fs::remove(path, ec);
}

void ExpandAncestors(TreeEditor& editor, const TreeNode& node) {
  for (TreeNode* parent = node.parent(); parent != nullptr; parent = parent->parent()) editor.Expand(*parent);
}

void Scroll(TreeEditor& editor, TreeScroll where) {
  if (editor.hooks().scroll) editor.hooks().scroll(where);
}

// Where a step begins without a usable playing node: the first node (Next)
// or the last one (Previous), with its parent opened and the tree scrolled
// to that end.
TreeNode* StartAtEnd(TreeEditor& editor, bool forward) {
  TreeNode* start = forward ? editor.tree().First() : editor.tree().Last();
  if (start == nullptr) return nullptr;
  if (TreeNode* parent = start->parent()) editor.Expand(*parent);
  Scroll(editor, forward ? TreeScroll::kToTop : TreeScroll::kToBottom);
  return start;
}

// Walks in display order from `node` to the first station, loading every top
// node met and expanding the groups passed (backwards, each one also
// scrolls a line up); null past the end of the tree.
TreeNode* WalkToStation(TreeEditor& editor, TreeNode* node, bool forward) {
  while (node != nullptr) {
    const bool had_children = node->HasChildren();
    editor.EnsureLoaded(*node);
    if (IsStationNode(*node)) return node;
    // Backwards, a top node is reached after the place where its freshly
    // loaded children now stand; go through them first.
    if (!forward && !had_children && node->HasChildren()) {
      node = node->LastDescendant();
      continue;
    }
    if (node->HasChildren()) editor.Expand(*node);
    if (!forward) Scroll(editor, TreeScroll::kLineUp);
    node = forward ? node->Next() : node->Previous();
  }
  return nullptr;
}

// The first station node with this ID in display order, passing over
// Recently played unless `in_recent`.
TreeNode* FirstStation(const StationTree& tree, int id, bool in_recent) {
  for (const auto& top : tree.top_nodes()) {
    if (IsRecentlyPlayed(*top) != in_recent) continue;
    const TreeNode* end = top->LastDescendant()->Next();
    for (TreeNode* node = top->Next(); node != end; node = node->Next()) {
      if (NodeID(*node) == id) return node;
    }
  }
  return nullptr;
}

// Items for the children of `parent`, which stands at `depth`, nested as
// the tree is, down to kMaxMenuDepth.
std::vector<StationMenuItem> MenuItemsBelow(const TreeNode& parent, int depth) {
  std::vector<StationMenuItem> items;
  if (depth + 1 >= kMaxMenuDepth) return items;
  // levels[d] is the list that receives items at depth d: the children of
  // the last item one level up. Only the deepest list grows, so the
  // pointers to the shallower ones stay valid.
  std::vector<std::vector<StationMenuItem>*> levels(static_cast<std::size_t>(depth) + 1, nullptr);
  levels.push_back(&items);
  std::vector<std::pair<const TreeNode*, int>> pending;  // node and depth, next last
  for (int i = parent.child_count() - 1; i >= 0; --i) pending.emplace_back(parent.child(i), depth + 1);
  while (!pending.empty()) {
    const auto [node, at] = pending.back();
    pending.pop_back();
    levels.resize(static_cast<std::size_t>(at) + 1);
    StationMenuItem& item = levels.back()->emplace_back();
    item.caption = node->caption();
    item.tag = NodeID(*node);
    item.is_station = IsStationNode(*node);
    levels.push_back(&item.children);
    if (at + 1 >= kMaxMenuDepth) continue;
    for (int i = node->child_count() - 1; i >= 0; --i) pending.emplace_back(node->child(i), at + 1);
  }
  return items;
}

// The top node a lazy menu item was made for: still at its place with its
// file name, or found by the file name elsewhere among the top nodes.
TreeNode* TopForMenu(const StationTree& tree, int index, std::string_view file_name) {
  TreeNode* top = tree.Top(index);
  if (top != nullptr && EqualsNoCase(top->file_name(), file_name)) return top;
  for (const auto& other : tree.top_nodes()) {
    if (EqualsNoCase(other->file_name(), file_name)) return other.get();
  }
  return nullptr;
}

// Makes `next` the playing node (none when null) and returns its station ID,
// 0 without one.
int MakePlaying(TreeEditor& editor, TreeNode*& playing, TreeNode* next) {
  const TreeEditorHooks& hooks = editor.hooks();
  if (playing != nullptr && playing != next && hooks.repaint) hooks.repaint(*playing);
  playing = next;
  if (next == nullptr) return 0;
  ExpandAncestors(editor, *next);
  if (hooks.repaint) hooks.repaint(*next);
  editor.RecordRecent(*next);
  if (hooks.make_visible) hooks.make_visible(*next);
  return NodeID(*next);
}

}  // namespace

void TreeEditor::Play() {
  if (selected_ == nullptr || !IsStationNode(*selected_)) return;
  const int station_id = MakePlaying(*this, playing_node_, selected_);
  if (hooks_.play_station) hooks_.play_station(station_id);
}

int TreeEditor::PlayNextStation() {
  TreeNode* start = nullptr;
  bool from_end = true;
  if (playing_node_ != nullptr && playing_node_ != tree_.Last()) {
    from_end = false;
    if (IsStationNode(*playing_node_)) {
      start = playing_node_->Next();
    } else {
      Expand(*playing_node_);
      start = playing_node_;
    }
  } else {
    start = StartAtEnd(*this, true);
  }
  TreeNode* next = WalkToStation(*this, start, true);
  // Nothing after the playing station (only empty groups or trees follow):
  // go round to the start of the tree rather than stop playing.
  if (next == nullptr && !from_end) next = WalkToStation(*this, StartAtEnd(*this, true), true);
  return MakePlaying(*this, playing_node_, next);
}

int TreeEditor::PlayPreviousStation() {
  TreeNode* start = nullptr;
  bool from_end = true;
  if (playing_node_ != nullptr && playing_node_ != tree_.First()) {
    from_end = false;
    if (IsStationNode(*playing_node_)) {
      start = playing_node_->Previous();
    } else {
      Expand(*playing_node_);
      start = playing_node_;
    }
  } else {
    start = StartAtEnd(*this, false);
  }
  TreeNode* previous = WalkToStation(*this, start, false);
  // From the first station only its top node lies before it: go round to the
  // end of the tree rather than stop playing.
  if (previous == nullptr && !from_end) previous = WalkToStation(*this, StartAtEnd(*this, false), false);
  return MakePlaying(*this, playing_node_, previous);
}

void TreeEditor::SetPlayingStation(int station_id) {
  if (station_id < 1) return;
  TreeNode* node = nullptr;
  if (playing_node_ != nullptr && IsStationNode(*playing_node_) && NodeID(*playing_node_) == station_id) {
    node = playing_node_;
  } else if (selected_ != nullptr && IsStationNode(*selected_) && NodeID(*selected_) == station_id) {
    node = selected_;
  } else {
    node = FirstStation(tree_, station_id, false);
    if (node == nullptr) node = FirstStation(tree_, station_id, true);
  }
  if (node == playing_node_) return;
  TreeNode* old = playing_node_;
  playing_node_ = node;
  if (hooks_.repaint) {
    if (old != nullptr) hooks_.repaint(*old);
    if (node != nullptr) hooks_.repaint(*node);
  }
}

void TreeEditor::RecordRecent(TreeNode& node) {
  if (!IsStationNode(node) || IsRecentlyPlayed(node)) return;
  TreeNode* recent = FindTop(tree_, kRecentlyPlayedID);
  if (recent == nullptr) return;
  EnsureLoaded(*recent);
  // Entries go without counting as an edit of the tree: the list is saved
  // through its own flag, without the save question.
  auto remove = [this](TreeNode& entry) {
    ForgetReferencesInto(entry);
    entry.Detach();
  };
  const int id = NodeID(node);
  for (int i = recent->child_count() - 1; i >= 0; --i) {
    if (NodeID(*recent->child(i)) == id) remove(*recent->child(i));
  }
  recent->InsertChild(0, std::make_unique<TreeNode>(node.caption(), node.image_index(), -1, id));
  while (recent->child_count() > kMaxRecentStations) remove(*recent->child(kMaxRecentStations));
  recent_changed_ = true;
  tree_menu_stale_ = true;
}

void TreeEditor::AddToFavorites() {
  if (selected_ == nullptr || IsFavorites(*selected_)) return;
  TreeNode* favorites = FindTop(tree_, kFavoritesID);
  if (favorites == nullptr) return;
  // A group copied onto a collapsed, filled top node would become a top
  // node of its own beside it; expanded, it goes inside.
  EnsureLoaded(*favorites);
  if (!IsStationNode(*selected_) && favorites->HasChildren()) Expand(*favorites);
  if (CopyNode(*selected_, favorites) == nullptr) return;
  favorites_changed_ = true;
  tree_menu_stale_ = true;
}

void TreeEditor::RemoveFromFavorites() {
  if (selected_ == nullptr || !IsFavorites(*selected_) || !IsEditable(*selected_)) return;
  DeleteNode(*selected_);
}

bool TreeEditor::BuildStationMenu(std::vector<StationMenuItem>& menu) {
  if (!tree_modified_ && !menu.empty() && !tree_menu_stale_) return false;
  tree_menu_stale_ = false;
  menu.clear();
  for (const auto& top : tree_.top_nodes()) {
    StationMenuItem& item = menu.emplace_back();
    item.caption = top->caption();
    if (top->HasChildren() || !top->expandable()) {
      item.children = MenuItemsBelow(*top, 0);
      continue;
    }
    // Loaded only when its submenu opens: the station menu must not read
    // every tree file at once.
    item.load_children = [this, index = top->ChildIndex(), file = top->file_name()] {
      TreeNode* node = TopForMenu(tree_, index, file);
      if (node == nullptr) return std::vector<StationMenuItem>{};
      EnsureLoaded(*node);
      return MenuItemsBelow(*node, 0);
    };
  }
  return true;
}

std::vector<std::pair<int, std::string>> TreeEditor::ChannelStations() {
  std::vector<std::pair<int, std::string>> stations;
  TreeNode* channels = FindTop(tree_, kChannelsTreeID);
  if (channels == nullptr) return stations;
  EnsureLoaded(*channels);
  for (int i = 0; i < kChannelPresetCount && i < channels->child_count(); ++i) {
    const TreeNode& child = *channels->child(i);
    stations.emplace_back(NodeID(child), child.caption());
  }
  return stations;
}

int TreeEditor::ReloadTree(int top_index, int select_index) {
  NotifyRemoval(nullptr);
  selected_ = nullptr;
  playing_node_ = nullptr;
  found_node_ = nullptr;
  clipboard_node_ = nullptr;
  cut_pending_ = false;
  abort_requested_ = false;
  // What was changed in memory is gone with it; in particular the files of
  // trees deleted there are named by the lists again.
  tree_modified_ = false;
  recent_changed_ = false;
  favorites_changed_ = false;
  deleted_tree_files_.clear();
  tree_menu_stale_ = true;

  LoadTopLists(tree_, data_folder_);
  if (TreeNode* top = tree_.NodeAt(top_index)) EnsureLoaded(*top);
  TreeNode* node = tree_.NodeAt(select_index);
  if (node != nullptr && IsStationNode(*node)) {
    playing_node_ = node;
    selected_ = node;
    ExpandAncestors(*this, *node);
    if (hooks_.make_visible) hooks_.make_visible(*node);
  }
  return tree_.NodeCount();
}

std::pair<int, int> TreeEditor::GetTreePosition() {
  SaveTreeChanges();
  if (playing_node_ == nullptr) return {0, 0};
  const TreeNode& top = TopNode(*playing_node_);
  const int top_index = top.ChildIndex();
  // The top node itself and the nodes of its subtree before the playing one:
  // its index among all nodes once only this subtree is loaded again.
  return {top_index, top_index + tree_.IndexOf(*playing_node_) - tree_.IndexOf(top)};
}

void TreeEditor::SaveTreeChanges() {
  if (tree_modified_) {
    if (!prompts_.AskQuestion(Msg(63))) {
      deleted_tree_files_.clear();
      return;
    }
    SaveTopLists(tree_, data_folder_);
    for (const std::string& name : deleted_tree_files_) {
      // A name still in the lists belongs to a tree that is kept.
      if (!NamedByTopNode(tree_, name)) DeleteTreeFile(data_folder_, name);
    }
    deleted_tree_files_.clear();
  }
  for (const auto& top : tree_.top_nodes()) {
    if (!IsLoaded(*top) || IsLocked(*top)) continue;
    // A changed tree saves every loaded one, Recently played and Favorites
    // included: entries removed there are edits of the tree like any other.
    const bool changed =
        tree_modified_ || (recent_changed_ && IsRecentlyPlayed(*top)) || (favorites_changed_ && IsFavorites(*top));
    if (changed) SaveSubtree(*top, data_folder_);
  }
  tree_modified_ = false;
  recent_changed_ = false;
  favorites_changed_ = false;
}

}  // namespace tazmel
