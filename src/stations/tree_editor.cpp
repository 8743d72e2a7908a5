// Editing, sorting and searching the station tree, and the permissions and
// menu state those commands share.

#include "stations/tree_editor.h"

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/messages.h"
#include "core/system.h"
#include "stations/radio_table.h"
#include "stations/tree_files.h"

namespace tazmel {

namespace {

constexpr int kStationIcon = 0;
constexpr int kGroupIcon = 1;
constexpr int kNoStateIcon = -1;
constexpr int kCannotFindSlot = 57;

std::unique_ptr<TreeNode> NewNode(std::string caption, int icon, int state, int id) {
  return std::make_unique<TreeNode>(std::move(caption), icon, state, id);
}

// A node that heads a new user tree.
std::unique_ptr<TreeNode> NewUserTop(std::string caption, int icon, std::string file_name) {
  auto top = NewNode(std::move(caption), icon, kNoStateIcon, kNewUserTreeID);
  SetNodeID(*top, kNewUserTreeID);
  top->set_file_name(std::move(file_name));
  return top;
}

TreeNode& InsertBefore(StationTree& tree, TreeNode& at, std::unique_ptr<TreeNode> node) {
  if (TreeNode* parent = at.parent()) return parent->InsertChild(at.ChildIndex(), std::move(node));
  return tree.InsertTop(at.ChildIndex(), std::move(node));
}

// Index at which `node` lands just before `at` once it has been taken out of
// its place (both share a parent, or both are top nodes).
int IndexBefore(const TreeNode& node, const TreeNode& at) {
  const bool same_parent = node.parent() == at.parent();
  return at.ChildIndex() - (same_parent && node.ChildIndex() < at.ChildIndex() ? 1 : 0);
}

// Copies everything below `from` under `to`, keeping shape, captions, icons,
// state icons and IDs. Iterative, so a very deep subtree cannot exhaust the
// stack.
void CopyChildren(const TreeNode& from, TreeNode& to) {
  std::vector<std::pair<const TreeNode*, TreeNode*>> pending{{&from, &to}};
  while (!pending.empty()) {
    const auto [source, copy] = pending.back();
    pending.pop_back();
    for (const auto& child : source->children()) {
      TreeNode& added =
          copy->AddChild(NewNode(child->caption(), child->image_index(), child->state_index(), NodeID(*child)));
      pending.emplace_back(child.get(), &added);
    }
  }
}

// The tree control shows a selected node, opening its ancestors on the way.
void ExpandAncestors(const TreeNode& node) {
  for (TreeNode* parent = node.parent(); parent != nullptr; parent = parent->parent()) parent->set_expanded(true);
}

// Takes the node out of the tree; a parent left empty has nothing to show
// expanded any more.
void RemoveFromTree(TreeNode& node) {
  TreeNode* parent = node.parent();
  std::unique_ptr<TreeNode> gone = node.Detach();
  if (parent != nullptr && !parent->HasChildren()) parent->set_expanded(false);
}

// ASCII letters only: trail bytes of GB18030 characters are folded alike,
// as a byte-wise upper-casing of both sides would do.
unsigned char Fold(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

// Caption order: ASCII letters without regard to case, every other byte by
// its unsigned value, a prefix before the longer caption.
bool CaptionLess(const std::unique_ptr<TreeNode>& a, const std::unique_ptr<TreeNode>& b) {
  const std::string& x = a->caption();
  const std::string& y = b->caption();
  const std::size_t n = std::min(x.size(), y.size());
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char cx = Fold(x[i]);
    const unsigned char cy = Fold(y[i]);
    if (cx != cy) return cx < cy;
  }
  return x.size() < y.size();
}

// Sorts one level: the children of `parent`, or the top nodes when it is
// null. Equal captions keep their order.
void SortLevel(StationTree& tree, TreeNode* parent) {
  const auto& level = parent != nullptr ? parent->children() : tree.top_nodes();
  if (std::is_sorted(level.begin(), level.end(), CaptionLess)) return;
  std::vector<std::unique_ptr<TreeNode>> nodes;
  nodes.reserve(level.size());
  // From the back, so that no sibling has to be renumbered on the way.
  while (!level.empty()) nodes.push_back(level.back()->Detach());
  std::reverse(nodes.begin(), nodes.end());
  std::stable_sort(nodes.begin(), nodes.end(), CaptionLess);
  for (auto& node : nodes) {
    if (parent != nullptr) {
      parent->AddChild(std::move(node));
    } else {
      tree.AddTop(std::move(node));
    }
  }
}

// Every level below `node`, the node's own children included.
void SortBelow(StationTree& tree, TreeNode& node) {
  std::vector<TreeNode*> pending{&node};
  while (!pending.empty()) {
    TreeNode* at = pending.back();
    pending.pop_back();
    SortLevel(tree, at);
    for (const auto& child : at->children()) {
      if (child->HasChildren()) pending.push_back(child.get());
    }
  }
}

void SetExpandedBelow(TreeNode& node, bool expanded) {
  std::vector<TreeNode*> pending{&node};
  while (!pending.empty()) {
    TreeNode* at = pending.back();
    pending.pop_back();
    at->set_expanded(expanded && at->HasChildren());
    for (const auto& child : at->children()) pending.push_back(child.get());
  }
}

// The search's test of one caption. Exact: the whole caption; Vague: any
// part of it. Without Match Case ASCII letters compare folded.
class CaptionMatcher {
 public:
  explicit CaptionMatcher(const TreeFindOptions& options)
      : exact_(options.exact), fold_(!options.match_case), pattern_(options.text) {
    if (fold_) {
      for (char& c : pattern_) c = static_cast<char>(Fold(c));
    }
  }

  bool operator()(std::string_view caption) const {
    if (exact_) return caption.size() == pattern_.size() && MatchesAt(caption, 0);
    for (std::size_t at = 0; at + pattern_.size() <= caption.size(); ++at) {
      if (MatchesAt(caption, at)) return true;
    }
    return false;
  }

 private:
  bool MatchesAt(std::string_view caption, std::size_t at) const {
    for (std::size_t i = 0; i < pattern_.size(); ++i) {
      const char c = caption[at + i];
      if ((fold_ ? static_cast<char>(Fold(c)) : c) != pattern_[i]) return false;
    }
    return true;
  }

  bool exact_;
  bool fold_;
  std::string pattern_;
};

// A child of `parent` with this ID and exactly this caption, passing over
// `skip`.
TreeNode* ChildLike(const TreeNode& parent, int id, std::string_view caption, const TreeNode* skip) {
  for (const auto& child : parent.children()) {
    if (child.get() != skip && NodeID(*child) == id && child->caption() == caption) return child.get();
  }
  return nullptr;
}

}  // namespace

TreeEditor::TreeEditor(std::filesystem::path data_folder, UserPrompts& prompts, TreeEditorHooks hooks)
    : data_folder_(std::move(data_folder)), prompts_(prompts), hooks_(std::move(hooks)) {}

void TreeEditor::Busy(bool on) const {
  if (hooks_.busy) hooks_.busy(on);
}

// ---- permissions ----

bool TreeEditor::IsLocked(const TreeNode& node) { return IsLockedSystemTree(node); }

bool TreeEditor::IsEditable(const TreeNode& node) {
  return NodeID(TopNode(node)) < -100 || (node.parent() != nullptr && IsEditableSystemTree(node));
}

bool TreeEditor::MayBeCut(const TreeNode& node) const {
  if (!IsEditable(node)) return false;
  return std::none_of(cut_vetoes_.begin(), cut_vetoes_.end(), [&](const auto& veto) { return veto.second(node); });
}

int TreeEditor::AddCutVeto(CutVeto veto) {
  cut_vetoes_.emplace_back(next_veto_handle_, std::move(veto));
  return next_veto_handle_++;
}

void TreeEditor::RemoveCutVeto(int handle) {
  std::erase_if(cut_vetoes_, [&](const auto& veto) { return veto.first == handle; });
}

// ---- loading ----

void TreeEditor::EnsureLoaded(TreeNode& node) {
  if (node.parent() != nullptr || !node.expandable() || node.HasChildren()) return;
  Busy(true);
  tazmel::EnsureLoaded(node, data_folder_);
  Busy(false);
  tree_menu_stale_ = true;
  if (hooks_.loaded) hooks_.loaded(node);
}

void TreeEditor::Expand(TreeNode& node) {
  EnsureLoaded(node);
  if (node.HasChildren()) node.set_expanded(true);
}

void TreeEditor::Collapse(TreeNode& node) { node.set_expanded(false); }

// ---- editing ----

TreeNode* TreeEditor::AddGroup(std::string name) {
  if (name.empty() || (selected_ != nullptr && IsLocked(*selected_))) return nullptr;
  TreeNode* at = selected_;
  const bool closed_top = at != nullptr && at->parent() == nullptr && !at->expanded() && at->expandable();
  TreeNode* added = nullptr;
  if (at != nullptr && !closed_top) {
    EnsureLoaded(*at);
    auto group = NewNode(std::move(name), kGroupIcon, kNoStateIcon, kNewGroupID);
    if (IsStationNode(*at)) {
      added = &InsertBefore(tree_, *at, std::move(group));
    } else if (at->expanded()) {
      added = &at->AddChild(std::move(group));
    } else if (at->HasChildren()) {
      added = &InsertBefore(tree_, *at, std::move(group));
    } else {
      added = &at->AddChild(std::move(group));
      ExpandAncestors(*added);
      selected_ = added;
    }
  } else {
    auto top = NewUserTop(TopCaption(name), NextTopIcon(), NewUserTreeFileName(tree_));
    added = at != nullptr ? &InsertBefore(tree_, *at, std::move(top)) : &tree_.AddTop(std::move(top));
  }
  tree_modified_ = true;
  return added;
}

bool TreeEditor::ModifyGroup(std::string name) {
  if (name.empty() || selected_ == nullptr || !IsEditable(*selected_) || IsStationNode(*selected_)) return false;
  selected_->set_caption(selected_->parent() == nullptr ? TopCaption(name) : std::move(name));
  tree_modified_ = true;
  return true;
}

TreeNode* TreeEditor::CopyNode(TreeNode& source, TreeNode* destination) {
  if (destination != nullptr && source.Contains(*destination) && (destination != &source || source.expanded())) {
    return nullptr;
  }
  EnsureLoaded(source);
  if (destination != nullptr) EnsureLoaded(*destination);
  Busy(true);
  // Where the copy goes: under `parent` at `index`, or among the top nodes.
  TreeNode* parent = nullptr;
  int index = -1;
  if (destination != nullptr) {
    const bool into = !IsStationNode(*destination) && (destination->expanded() || !destination->HasChildren() ||
                                                       (destination->parent() == nullptr && IsStationNode(source)));
    parent = into ? destination : destination->parent();
    if (!into) index = destination->ChildIndex();
  }
  std::unique_ptr<TreeNode> copy;
  if (parent != nullptr) {
    const bool keeps_data = source.parent() != nullptr;
    copy = NewNode(source.caption(), keeps_data ? source.image_index() : kGroupIcon, kNoStateIcon,
                   keeps_data ? NodeID(source) : kNewGroupID);
  } else {
    copy = NewUserTop(TopCaption(source.caption()), NextTopIcon(), NewUserTreeFileName(tree_));
  }
  // Built apart and put in place at the end, so a copy placed inside its own
  // source is never walked into.
  CopyChildren(source, *copy);
  TreeNode& added = parent != nullptr ? parent->InsertChild(index, std::move(copy))
                                      : tree_.InsertTop(index < 0 ? tree_.TopCount() : index, std::move(copy));
  Busy(false);
  return &added;
}

void TreeEditor::Cut() {
  if (selected_ == nullptr) return;
  clipboard_node_ = selected_;
  cut_pending_ = true;
}

void TreeEditor::Copy() {
  if (selected_ == nullptr) return;
  clipboard_node_ = selected_;
  cut_pending_ = false;
}

TreeNode* TreeEditor::Paste() {
  if (clipboard_node_ == nullptr || (selected_ != nullptr && IsLocked(*selected_))) return nullptr;
  // Moving a node onto itself changes nothing; copying it there first would
  // put the copy inside the node about to be deleted.
  if (cut_pending_ && selected_ == clipboard_node_) return nullptr;
  TreeNode* copy = CopyNode(*clipboard_node_, selected_);
  if (copy == nullptr) return nullptr;
  if (cut_pending_ && MayBeCut(*clipboard_node_)) DeleteNode(*clipboard_node_);
  cut_pending_ = false;
  tree_modified_ = true;
  ExpandAncestors(*copy);
  selected_ = copy;
  return copy;
}

int TreeEditor::AddRemovalListener(RemovalListener listener) {
  removal_listeners_.emplace_back(next_veto_handle_, std::move(listener));
  return next_veto_handle_++;
}

void TreeEditor::RemoveRemovalListener(int handle) {
  std::erase_if(removal_listeners_, [&](const auto& entry) { return entry.first == handle; });
}

void TreeEditor::NotifyRemoval(const TreeNode* removed) {
  // A copy: a listener may unregister itself while being told.
  const auto listeners = removal_listeners_;
  for (const auto& [handle, listener] : listeners) listener(removed);
}

void TreeEditor::ForgetReferencesInto(const TreeNode& node) {
  NotifyRemoval(&node);
  if (playing_node_ != nullptr && node.Contains(*playing_node_)) playing_node_ = nullptr;
  if (found_node_ != nullptr && node.Contains(*found_node_)) found_node_ = nullptr;
  if (clipboard_node_ != nullptr && node.Contains(*clipboard_node_)) {
    clipboard_node_ = nullptr;
    cut_pending_ = false;
  }
  // The selection moves to the next sibling, else the previous one, else the
  // parent (none for the only top node).
  if (selected_ != nullptr && node.Contains(*selected_)) {
    selected_ = node.NextSibling() != nullptr       ? node.NextSibling()
                : node.PreviousSibling() != nullptr ? node.PreviousSibling()
                                                    : node.parent();
  }
}

void TreeEditor::DeleteNode(TreeNode& node) {
  const TreeNode& top = TopNode(node);
  if (tree_.Top(top.ChildIndex()) != &top) return;  // not part of this tree
  if (node.parent() == nullptr && !node.file_name().empty() &&
      std::find(deleted_tree_files_.begin(), deleted_tree_files_.end(), node.file_name()) ==
          deleted_tree_files_.end()) {
    deleted_tree_files_.push_back(node.file_name());
  }
  ForgetReferencesInto(node);
  RemoveFromTree(node);
  tree_modified_ = true;
  if (hooks_.selection_follow) hooks_.selection_follow(selected_);
}

bool TreeEditor::Delete() {
  if (selected_ == nullptr || !MayBeCut(*selected_)) return false;
  DeleteNode(*selected_);
  return true;
}

bool TreeEditor::Incorporate() {
  TreeNode* const source = clipboard_node_;
  TreeNode* const target = selected_;
  // A station holds nothing to merge; after Cut it would only be lost.
  if (source == nullptr || target == nullptr || source->Contains(*target) || IsStationNode(*target) ||
      IsLocked(*target) || IsStationNode(*source)) {
    return false;
  }
  EnsureLoaded(*source);
  EnsureLoaded(*target);
  // What is to be merged, taken before anything is added: merging into an
  // ancestor of the source adds nodes that must not be merged again.
  struct Item {
    std::string caption;
    int icon;
    int state;
    int id;
    int depth;  // below the source: 1 for its children
  };
  std::vector<Item> items;
  const int base = source->Depth();
  for (const TreeNode* at = source->Next(); at != nullptr && at->Depth() > base; at = at->Next()) {
    items.push_back({at->caption(), at->image_index(), at->state_index(), NodeID(*at), at->Depth() - base});
  }
  Busy(true);
  // A stale Escape from before this merge does not stop it.
  abort_requested_ = false;
  bool stopped = false;
  // Only a cut made before the merge started moves the source.
  const bool move_source = cut_pending_;
  std::vector<TreeNode*> targets{target};  // the merge target per depth
  // Input handled between nodes may delete what the merge is writing into;
  // the merge then stops rather than touch freed nodes.
  bool targets_gone = false;
  const int listener = AddRemovalListener([&](const TreeNode* removed) {
    // After the first hit the pointers may be freed: never look again.
    if (targets_gone) return;
    if (removed == nullptr || removed->Contains(*target)) {
      targets_gone = true;
      return;
    }
    for (const TreeNode* t : targets) {
      if (removed->Contains(*t)) targets_gone = true;
    }
  });
  for (const Item& item : items) {
    if (hooks_.pump_events) hooks_.pump_events();
    if (targets_gone) {
      stopped = true;
      break;
    }
    if (abort_requested_) {
      abort_requested_ = false;
      stopped = true;
      break;
    }
    targets.resize(static_cast<std::size_t>(item.depth));
    TreeNode& parent = *targets.back();
    // The source itself never takes the merge: it is deleted after Cut.
    TreeNode* into = ChildLike(parent, item.id, item.caption, source);
    if (into == nullptr) into = &parent.AddChild(NewNode(item.caption, item.icon, item.state, item.id));
    targets.push_back(into);
  }
  RemoveRemovalListener(listener);
  Busy(false);
  if (move_source && !stopped && clipboard_node_ == source && source != nullptr && MayBeCut(*source)) {
    DeleteNode(*source);
  }
  cut_pending_ = false;
  tree_modified_ = true;
  return !stopped;
}

bool TreeEditor::DropMove(TreeNode& source, TreeNode* target) {
  if (target != nullptr && source.Contains(*target)) return false;
  bool moved = false;
  if (source.parent() == nullptr) {
    // A top node moves only among the top nodes.
    if (target == nullptr) {
      moved = source.ChildIndex() != tree_.TopCount() - 1 && tree_.Move(source, nullptr, tree_.TopCount());
    } else if (target->parent() == nullptr) {
      moved =
          target->ChildIndex() != source.ChildIndex() + 1 && tree_.Move(source, nullptr, IndexBefore(source, *target));
    }
  } else if (target != nullptr && !IsLocked(source) && !IsLocked(*target)) {
    EnsureLoaded(source);
    EnsureLoaded(*target);
    TreeNode* old_parent = source.parent();
    if (IsStationNode(*target) || (target->parent() != nullptr && target->HasChildren() && !target->expanded())) {
      moved = tree_.Move(source, target->parent(), IndexBefore(source, *target));
    } else {
      moved = tree_.Move(source, target, target->child_count());
    }
    if (moved && !old_parent->HasChildren()) old_parent->set_expanded(false);
  }
  if (moved) tree_modified_ = true;
  return moved;
}

TreeNode* TreeEditor::FindChild(TreeNode* parent, int id, std::string_view caption) const {
  if (parent != nullptr) return ChildLike(*parent, id, caption, nullptr);
  for (const auto& top : tree_.top_nodes()) {
    if (NodeID(*top) == id && top->caption() == caption) return top.get();
  }
  return nullptr;
}

int TreeEditor::NextTopIcon(int last_icon) const {
  // Top-node icons follow the station and group icons.
  int highest = kGroupIcon;
  for (const auto& top : tree_.top_nodes()) highest = std::max(highest, top->image_index());
  // Compared first: a damaged list may hold the largest int as an icon.
  return highest >= last_icon ? last_icon : highest + 1;
}

// ---- view commands ----

void TreeEditor::Sort() {
  if (selected_ == nullptr) return;
  EnsureLoaded(*selected_);
  SortLevel(tree_, selected_);
  if (!IsLocked(*selected_)) tree_modified_ = true;
}

void TreeEditor::SortSubtree() {
  if (selected_ == nullptr) return;
  EnsureLoaded(*selected_);
  SortBelow(tree_, *selected_);
}

void TreeEditor::SortAll() {
  SortLevel(tree_, nullptr);
  for (const auto& top : tree_.top_nodes()) SortBelow(tree_, *top);
  if (selected_ == nullptr || !IsLocked(*selected_)) tree_modified_ = true;
}

void TreeEditor::ExpandSubtree() {
  if (selected_ == nullptr) return;
  // Loads every top node met; only a top node can be unloaded, and that is
  // the selection itself.
  EnsureLoaded(*selected_);
  SetExpandedBelow(*selected_, true);
}

void TreeEditor::CollapseSubtree() {
  if (selected_ != nullptr) SetExpandedBelow(*selected_, false);
}

void TreeEditor::ExpandAll() {
  for (const auto& top : tree_.top_nodes()) EnsureLoaded(*top);
  for (const auto& top : tree_.top_nodes()) SetExpandedBelow(*top, true);
}

void TreeEditor::CollapseAll() {
  for (const auto& top : tree_.top_nodes()) SetExpandedBelow(*top, false);
}

// ---- searching ----

TreeNode* TreeEditor::Find(const TreeFindOptions& options) {
  last_find_ = options;
  searched_ = true;
  if (selected_ != nullptr) EnsureLoaded(*selected_);
  TreeNode* node = nullptr;
  if (selected_ != nullptr) {
    node = options.down ? selected_->Next() : selected_->Previous();
  } else {
    node = options.down ? tree_.First() : tree_.Last();
  }
  const CaptionMatcher matches(options);
  TreeNode* match = nullptr;
  for (; node != nullptr; node = options.down ? node->Next() : node->Previous()) {
    const bool had_children = node->HasChildren();
    EnsureLoaded(*node);
    // Upwards, a freshly loaded top node's children come before it.
    if (!options.down && !had_children && node->HasChildren()) node = node->LastDescendant();
    if (matches(node->caption())) {
      match = node;
      break;
    }
  }
  TreeNode* old_found = found_node_;
  found_node_ = match;
  if (old_found != nullptr && old_found != match && hooks_.repaint) hooks_.repaint(*old_found);
  if (match == nullptr) {
    prompts_.ShowInfo(Msg(kCannotFindSlot) + " \"" + options.text + "\"");
    return nullptr;
  }
  ExpandAncestors(*match);
  selected_ = match;
  if (hooks_.repaint) hooks_.repaint(*match);
  return match;
}

TreeNode* TreeEditor::FindNext() {
  if (!searched_ || last_find_.text.empty()) return nullptr;
  return Find(last_find_);
}

// ---- the station editor's operations ----

bool TreeEditor::AddStationNode(int id, std::string name) {
  if (selected_ == nullptr || IsLocked(*selected_)) return false;
  auto station = NewNode(std::move(name), kStationIcon, kNoStateIcon, id);
  TreeNode* added = nullptr;
  if (IsStationNode(*selected_)) {
    if (FindChild(selected_->parent(), id, station->caption()) != nullptr) return false;
    added = &InsertBefore(tree_, *selected_, std::move(station));
  } else {
    EnsureLoaded(*selected_);
    if (FindChild(selected_, id, station->caption()) != nullptr) return false;
    added = &selected_->AddChild(std::move(station));
  }
  ExpandAncestors(*added);
  selected_ = added;
  tree_modified_ = true;
  return true;
}

void TreeEditor::RenameStationNodes(int id, std::string_view name) {
  for (const auto& top : tree_.top_nodes()) {
    if (!IsLocked(*top)) EnsureLoaded(*top);
  }
  for (TreeNode* node = tree_.First(); node != nullptr; node = node->Next()) {
    if (node->parent() != nullptr && NodeID(*node) == id) node->set_caption(std::string(name));
  }
  tree_modified_ = true;
}

bool TreeEditor::RemoveStationNodes(int id) {
  std::vector<TreeNode*> doomed;
  for (const auto& top : tree_.top_nodes()) {
    if (IsLocked(*top)) continue;
    EnsureLoaded(*top);
    const TreeNode* end = top->LastDescendant()->Next();
    for (TreeNode* node = top->Next(); node != end;) {
      if (NodeID(*node) != id) {
        node = node->Next();
        continue;
      }
      // Its subtree goes with it, so nothing below it is looked at.
      doomed.push_back(node);
      node = node->LastDescendant()->Next();
    }
  }
  for (TreeNode* node : doomed) {
    ForgetReferencesInto(*node);
    RemoveFromTree(*node);
  }
  if (doomed.empty()) return false;
  tree_modified_ = true;
  if (hooks_.selection_follow) hooks_.selection_follow(selected_);
  return true;
}

std::optional<std::string> TreeEditor::ProgramListAddress() const {
  if (selected_ == nullptr || !IsStationNode(*selected_)) return std::nullopt;
  const int id = NodeID(*selected_);
  TRadioTable table;
  if (!table.OpenIn(id, data_folder_) || !table.LoadByID(id)) return std::nullopt;
  return tazmel::ProgramListAddress(table.Fields());
}

TreeMenuState TreeEditor::MenuState() const {
  const TreeNode* at = selected_;
  const bool station = at != nullptr && IsStationNode(*at);
  const bool editable = at != nullptr && IsEditable(*at);
  const bool locked = at != nullptr && IsLocked(*at);
  const bool in_favorites = at != nullptr && IsFavorites(*at);
  const bool clipboard = clipboard_node_ != nullptr;
  TreeMenuState state;
  state.add_radio = !locked;
  state.modify_radio = station;
  state.modify_group = editable && !station;
  state.cut = at != nullptr && MayBeCut(*at);
  state.paste = clipboard && !locked;
  state.incorporate = clipboard && !station && !locked;
  state.test_radio = at != nullptr && (!locked || at->parent() == nullptr);
  state.data_import = at != nullptr && !locked;
  state.data_export_all = at != nullptr;
  state.remove_favorite_visible = in_favorites;
  state.add_favorite_visible = !in_favorites;
  state.remove_favorite_enabled = in_favorites && editable;
  return state;
}

}  // namespace tazmel
