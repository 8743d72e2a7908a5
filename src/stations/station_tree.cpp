#include "stations/station_tree.h"

#include <string>
#include <utility>

#include "core/text_utils.h"

namespace tazmel {

TreeNode::TreeNode(std::string caption, int image_index, int state_index, int id)
    : caption_(std::move(caption)), image_index_(image_index), state_index_(state_index), id_(id) {}

TreeNode::~TreeNode() {
  // Flatten the subtree onto a work list so that each node dies with no
  // children left, whatever the depth.
  std::vector<std::unique_ptr<TreeNode>> pending = std::move(children_);
  while (!pending.empty()) {
    std::unique_ptr<TreeNode> node = std::move(pending.back());
    pending.pop_back();
    for (auto& child : node->children_) pending.push_back(std::move(child));
    node->children_.clear();
  }
}

TreeNode* TreeNode::parent() const { return parent_ != nullptr && !parent_->is_root_ ? parent_ : nullptr; }

TreeNode* TreeNode::child(int index) const {
  return index >= 0 && index < child_count() ? children_[static_cast<std::size_t>(index)].get() : nullptr;
}

TreeNode* TreeNode::NextSibling() const { return parent_ != nullptr ? parent_->child(index_ + 1) : nullptr; }

TreeNode* TreeNode::PreviousSibling() const { return parent_ != nullptr ? parent_->child(index_ - 1) : nullptr; }

int TreeNode::Depth() const {
  int depth = 0;
  for (const TreeNode* node = parent(); node != nullptr; node = node->parent()) ++depth;
  return depth;
}

TreeNode* TreeNode::Next() const {
  if (!children_.empty()) return children_.front().get();
  for (const TreeNode* node = this; node != nullptr && !node->is_root_; node = node->parent_) {
    if (TreeNode* sibling = node->NextSibling()) return sibling;
  }
  return nullptr;
}

TreeNode* TreeNode::Previous() const {
  if (TreeNode* sibling = PreviousSibling()) return sibling->LastDescendant();
  return parent();
}

TreeNode* TreeNode::LastDescendant() const {
  const TreeNode* node = this;
  while (!node->children_.empty()) node = node->children_.back().get();
  return const_cast<TreeNode*>(node);
}

int TreeNode::SubtreeSize() const {
  int count = 0;
  std::vector<const TreeNode*> pending{this};
  while (!pending.empty()) {
    const TreeNode* node = pending.back();
    pending.pop_back();
    ++count;
    for (const auto& child : node->children_) pending.push_back(child.get());
  }
  return count;
}

TreeNode& TreeNode::AddChild(std::unique_ptr<TreeNode> node) { return InsertChild(child_count(), std::move(node)); }

TreeNode& TreeNode::InsertChild(int index, std::unique_ptr<TreeNode> node) {
  if (index < 0 || index > child_count()) index = child_count();
  TreeNode& added = *node;
  added.parent_ = this;
  children_.insert(children_.begin() + index, std::move(node));
  for (std::size_t i = static_cast<std::size_t>(index); i < children_.size(); ++i) {
    children_[i]->index_ = static_cast<int>(i);
  }
  if (!is_root_) expandable_ = true;
  return added;
}

std::unique_ptr<TreeNode> TreeNode::Detach() {
  if (parent_ == nullptr) return nullptr;
  TreeNode& from = *parent_;
  auto at = from.children_.begin() + index_;
  std::unique_ptr<TreeNode> self = std::move(*at);
  from.children_.erase(at);
  for (std::size_t i = static_cast<std::size_t>(index_); i < from.children_.size(); ++i) {
    from.children_[i]->index_ = static_cast<int>(i);
  }
  if (!from.is_root_ && from.children_.empty()) from.expandable_ = false;
  parent_ = nullptr;
  index_ = 0;
  return self;
}

void TreeNode::ClearChildren() {
  // Detached first so the nodes die through the iterative destructor.
  std::vector<std::unique_ptr<TreeNode>> old = std::move(children_);
  children_.clear();
  old.clear();
}

bool TreeNode::Contains(const TreeNode& node) const {
  for (const TreeNode* at = &node; at != nullptr; at = at->parent_) {
    if (at == this) return true;
  }
  return false;
}

StationTree::StationTree() : root_(std::make_unique<TreeNode>()) { root_->is_root_ = true; }

const std::vector<std::unique_ptr<TreeNode>>& StationTree::top_nodes() const { return root_->children_; }

int StationTree::TopCount() const { return root_->child_count(); }

TreeNode* StationTree::Top(int index) const { return root_->child(index); }

TreeNode& StationTree::AddTop(std::unique_ptr<TreeNode> node) { return root_->AddChild(std::move(node)); }

TreeNode& StationTree::InsertTop(int index, std::unique_ptr<TreeNode> node) {
  return root_->InsertChild(index, std::move(node));
}

void StationTree::Clear() { root_->ClearChildren(); }

TreeNode* StationTree::First() const { return Top(0); }

TreeNode* StationTree::Last() const { return empty() ? nullptr : root_->LastDescendant(); }

int StationTree::NodeCount() const { return root_->SubtreeSize() - 1; }

int StationTree::IndexOf(const TreeNode& node) const {
  if (&node == root_.get() || !root_->Contains(node)) return -1;
  // The nodes before it: on every level its earlier siblings' subtrees, plus
  // each ancestor itself.
  int index = 0;
  for (const TreeNode* at = &node; at != root_.get(); at = at->parent_) {
    for (int i = 0; i < at->index_; ++i) index += at->parent_->children_[static_cast<std::size_t>(i)]->SubtreeSize();
    if (at->parent_ != root_.get()) ++index;
  }
  return index;
}

TreeNode* StationTree::NodeAt(int index) const {
  if (index < 0) return nullptr;
  const TreeNode* container = root_.get();
  for (;;) {
    bool descended = false;
    for (const auto& child : container->children_) {
      const int size = child->SubtreeSize();
      if (index >= size) {
        index -= size;
        continue;
      }
      if (index == 0) return child.get();
      --index;
      container = child.get();
      descended = true;
      break;
    }
    if (!descended) return nullptr;
  }
}

std::vector<int> StationTree::PathOf(const TreeNode& node) const {
  std::vector<int> path;
  if (&node == root_.get() || !root_->Contains(node)) return path;
  for (const TreeNode* at = &node; at != root_.get(); at = at->parent_) path.insert(path.begin(), at->index_);
  return path;
}

TreeNode* StationTree::NodeAtPath(std::span<const int> path) const {
  if (path.empty()) return nullptr;
  TreeNode* node = root_.get();
  for (int index : path) {
    node = node->child(index);
    if (node == nullptr) return nullptr;
  }
  return node;
}

bool StationTree::Move(TreeNode& node, TreeNode* new_parent, int index) {
  TreeNode& to = new_parent != nullptr ? *new_parent : *root_;
  if (&node == root_.get() || !root_->Contains(node) || !root_->Contains(to) || node.Contains(to)) return false;
  to.InsertChild(index, node.Detach());
  return true;
}

std::optional<int> TopNodeID(std::string_view id_text) { return ParseInteger(id_text.substr(0, id_text.find(','))); }

bool IsUserTreeID(std::string_view id_text) {
  const std::optional<int> id = TopNodeID(id_text);
  return !id || *id < -100;
}

int NodeID(const TreeNode& node) { return node.parent() != nullptr ? node.id_ : TopNodeID(node.id_text_).value_or(-1); }

void SetNodeID(TreeNode& node, int id) {
  node.id_ = id;
  if (node.parent() == nullptr) node.id_text_ = std::to_string(id);
}

TreeNode& TopNode(TreeNode& node) {
  TreeNode* top = &node;
  while (top->parent() != nullptr) top = top->parent();
  return *top;
}

const TreeNode& TopNode(const TreeNode& node) { return TopNode(const_cast<TreeNode&>(node)); }

bool IsStationNode(const TreeNode& node) { return node.parent() != nullptr && NodeID(node) >= 0; }

bool IsGroupNode(const TreeNode& node) { return node.parent() != nullptr && NodeID(node) < 0; }

bool IsUserTree(const TreeNode& node) { return IsUserTreeID(TopNode(node).id_text()); }

bool IsFavorites(const TreeNode& node) { return NodeID(TopNode(node)) == kFavoritesID; }

bool IsRecentlyPlayed(const TreeNode& node) { return NodeID(TopNode(node)) == kRecentlyPlayedID; }

bool IsEditableSystemTree(const TreeNode& node) {
  const int id = NodeID(TopNode(node));
  return id >= -99 && id <= -51;
}

bool IsLockedSystemTree(const TreeNode& node) {
  const int id = NodeID(TopNode(node));
  return id >= -49 && id <= -11;
}

bool IsChannelsTree(const TreeNode& node) { return NodeID(TopNode(node)) == kChannelsTreeID; }

}  // namespace tazmel
