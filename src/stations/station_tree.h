#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

class StationTree;

// Node IDs with a fixed meaning. Below the top, an ID >= 0 is a station ID
// and a negative one a group; the ID of a top node names its kind of tree.
inline constexpr int kNewGroupID = -1;
inline constexpr int kNewUserTreeID = -101;
inline constexpr int kFavoritesID = -99;
inline constexpr int kRecentlyPlayedID = -97;
inline constexpr int kChannelsTreeID = -11;

// One node of the station tree. Captions are bytes in the data code page and
// are never converted here. A node without a parent is a top node: its data
// is the node-ID text exactly as the list file held it and the name of its
// subtree file; every other node carries a plain integer ID.
class TreeNode {
 public:
  TreeNode() = default;
  TreeNode(std::string caption, int image_index, int state_index, int id);
  // Iterative, so a very deep subtree cannot exhaust the stack.
  ~TreeNode();
  TreeNode(const TreeNode&) = delete;
  TreeNode& operator=(const TreeNode&) = delete;

  const std::string& caption() const { return caption_; }
  void set_caption(std::string caption) { caption_ = std::move(caption); }
  // The selected-image index always equals the image index.
  int image_index() const { return image_index_; }
  void set_image_index(int index) { image_index_ = index; }
  int state_index() const { return state_index_; }
  void set_state_index(int index) { state_index_ = index; }
  // Shows an expand button even before any children are loaded.
  bool expandable() const { return expandable_; }
  void set_expandable(bool expandable) { expandable_ = expandable; }
  bool expanded() const { return expanded_; }
  void set_expanded(bool expanded) { expanded_ = expanded; }
  // A top node whose subtree file exists but could not be read; saving it
  // would replace the file with nothing.
  bool load_failed() const { return load_failed_; }
  void set_load_failed(bool failed) { load_failed_ = failed; }

  // Top-node data; unused below the top.
  const std::string& id_text() const { return id_text_; }
  void set_id_text(std::string text) { id_text_ = std::move(text); }
  const std::string& file_name() const { return file_name_; }
  void set_file_name(std::string name) { file_name_ = std::move(name); }

  // Null for a top node (and for a node taken out of its tree).
  TreeNode* parent() const;
  const std::vector<std::unique_ptr<TreeNode>>& children() const { return children_; }
  int child_count() const { return static_cast<int>(children_.size()); }
  TreeNode* child(int index) const;
  bool HasChildren() const { return !children_.empty(); }

  // Position among its siblings; top nodes count among the top nodes.
  int ChildIndex() const { return index_; }
  TreeNode* NextSibling() const;
  TreeNode* PreviousSibling() const;
  // 0 for a top node.
  int Depth() const;
  // Display (depth-first pre-)order over everything in memory, running on
  // from one top node's subtree into the next; null past either end.
  TreeNode* Next() const;
  TreeNode* Previous() const;
  // The last node of this subtree in display order (the node itself when it
  // has no children).
  TreeNode* LastDescendant() const;
  // This node and all nodes below it.
  int SubtreeSize() const;

  // Adding a child marks the node expandable, taking the last one away
  // clears the mark, as the tree control does.
  TreeNode& AddChild(std::unique_ptr<TreeNode> node);
  // An index outside 0..child_count() appends.
  TreeNode& InsertChild(int index, std::unique_ptr<TreeNode> node);
  // Takes the node with its subtree out of its parent (or out of the top
  // nodes); null for a node that is not attached, which its caller owns.
  std::unique_ptr<TreeNode> Detach();
  void ClearChildren();
  // True when `node` is this node or lies below it.
  bool Contains(const TreeNode& node) const;

 private:
  friend class StationTree;
  friend int NodeID(const TreeNode& node);
  friend void SetNodeID(TreeNode& node, int id);

  std::string caption_;
  int image_index_ = -1;
  int state_index_ = -1;
  bool expandable_ = false;
  bool expanded_ = false;
  bool load_failed_ = false;
  int id_ = kNewGroupID;
  std::string id_text_;
  std::string file_name_;

  // parent_ of a top node is its tree's hidden root, so sibling and
  // display-order steps work the same across top nodes.
  TreeNode* parent_ = nullptr;
  int index_ = 0;
  bool is_root_ = false;
  std::vector<std::unique_ptr<TreeNode>> children_;
};

// The ordered top nodes of one data folder and everything loaded below them.
class StationTree {
 public:
  StationTree();
  StationTree(const StationTree&) = delete;
  StationTree& operator=(const StationTree&) = delete;

  const std::vector<std::unique_ptr<TreeNode>>& top_nodes() const;
  int TopCount() const;
  TreeNode* Top(int index) const;
  TreeNode& AddTop(std::unique_ptr<TreeNode> node);
  TreeNode& InsertTop(int index, std::unique_ptr<TreeNode> node);
  void Clear();
  bool empty() const { return TopCount() == 0; }

  // First and last node in display order; null for an empty tree.
  TreeNode* First() const;
  TreeNode* Last() const;
  // Every node in memory.
  int NodeCount() const;
  // Position among all nodes in display order, -1 for a node of another
  // tree; NodeAt is its inverse and gives null outside 0..NodeCount()-1.
  int IndexOf(const TreeNode& node) const;
  TreeNode* NodeAt(int index) const;
  // Path of child indexes starting with the top node's index; NodeAtPath
  // gives null for an empty path or an index that does not exist.
  std::vector<int> PathOf(const TreeNode& node) const;
  TreeNode* NodeAtPath(std::span<const int> path) const;

  // Moves a node with its subtree under `new_parent` (null: to the top
  // nodes) at `index`, counted after the node was taken out; an index out of
  // range appends. Refused when the node would end up inside itself or is
  // not part of this tree.
  bool Move(TreeNode& node, TreeNode* new_parent, int index);

 private:
  std::unique_ptr<TreeNode> root_;
};

// The integer before the first "," of a top node's ID text.
std::optional<int> TopNodeID(std::string_view id_text);
// A top node whose ID is below -100 or not a number heads a user tree.
bool IsUserTreeID(std::string_view id_text);

// Top node: TopNodeID of its ID text, -1 when not a number; others: its ID.
int NodeID(const TreeNode& node);
// A top node gets the number as its ID text and keeps its subtree file.
void SetNodeID(TreeNode& node, int id);
TreeNode& TopNode(TreeNode& node);
const TreeNode& TopNode(const TreeNode& node);
bool IsStationNode(const TreeNode& node);
bool IsGroupNode(const TreeNode& node);

// The kind of tree a node lies in, decided by the ID of its top node.
// A user tree's top line goes to treeuser.dat: its ID is below -100 or not
// a number. What may be edited inside follows the number alone (-1 for one
// that is not a number), see TreeEditor::IsEditable.
bool IsUserTree(const TreeNode& node);
bool IsFavorites(const TreeNode& node);
bool IsRecentlyPlayed(const TreeNode& node);
// -99..-51: groups may be renamed, the top node may not.
bool IsEditableSystemTree(const TreeNode& node);
// -49..-11: nothing inside may be changed.
bool IsLockedSystemTree(const TreeNode& node);
// Its first ten children are the channel buttons' default stations.
bool IsChannelsTree(const TreeNode& node);

}  // namespace tazmel
