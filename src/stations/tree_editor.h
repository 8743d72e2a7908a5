#pragma once

#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "stations/station_tree.h"

namespace tazmel {

class UserPrompts;

// Searching the tree: the find dialog's text and options.
struct TreeFindOptions {
  std::string text;         // data code page bytes
  bool down = true;         // Down or Up
  bool exact = false;       // Exact: the whole caption; Vague: a part of it
  bool match_case = false;  // otherwise ASCII letters compare upper-cased
};

// Which tree-menu commands are enabled, as a pure function of the state.
struct TreeMenuState {
  bool add_radio = false;     // also Add Group
  bool modify_radio = false;  // also Set Channel
  bool modify_group = false;
  bool cut = false;  // also Delete
  bool paste = false;
  bool incorporate = false;
  bool test_radio = false;       // also Tree Generator
  bool data_import = false;      // also Export Data: a node outside locked trees
  bool data_export_all = false;  // a node is selected
  bool add_favorite_visible = false;
  bool remove_favorite_visible = false;
  bool remove_favorite_enabled = false;
};

// One entry of a station menu that mirrors the tree.
struct StationMenuItem {
  std::string caption;  // data code page bytes
  int tag = 0;          // node ID; 0 for top nodes
  bool is_station = false;
  std::vector<StationMenuItem> children;
  // Set instead of `children` for a top node whose tree is not loaded yet:
  // loads it and gives its items, for a submenu that is filled when it
  // opens. It finds the top node again by its place and file name, so it
  // still works after ReloadTree and gives nothing once the tree is gone;
  // it must not outlive the editor.
  std::function<std::vector<StationMenuItem>()> load_children = nullptr;
};

// Scroll requests of the stepping commands, beyond showing the node they
// land on.
enum class TreeScroll { kToTop, kToBottom, kLineUp };

// What the tree logic asks of the window around it. Every hook may be left
// empty; the logic then simply does without it.
struct TreeEditorHooks {
  // Let pending user-interface input run (Incorporate checks Escape).
  std::function<void()> pump_events;
  // Hourglass while a subtree loads or a copy runs.
  std::function<void(bool busy)> busy;
  // Scroll so that the node is visible (the playing node after a step).
  std::function<void(const TreeNode& node)> make_visible;
  // After a click, an Up/Down key release or a delete: the dialogs that
  // follow the selection (channel dialog, task window, editor, group dialog).
  std::function<void(TreeNode* selected)> selection_follow;
  // Hands a station ID to the playback engine.
  std::function<void(int station_id)> play_station;
  // A node's row needs repainting (playing or found mark changed).
  std::function<void(const TreeNode& node)> repaint;
  // A top node's subtree was just read from its file, by any command or by
  // the station menu as a submenu opens: a view shows its rows.
  std::function<void(TreeNode& top)> loaded;
  // Next from no playing station or from the last node scrolls to the top;
  // Previous from there scrolls to the bottom, and one line up for every
  // group or top node it passes. make_visible follows for the landing node.
  std::function<void(TreeScroll where)> scroll;
};

// The station tree of the playlist window with the state its commands share,
// and every command that edits, searches, plays from or saves it. Plain C++:
// a Qt view binds its widgets to this and renders the state.
//
// Permissions follow the number of a node's top node: locked system trees
// (top ID -49..-11) take no edit at all; user trees (below -100) are
// editable everywhere; editable system trees (-99..-51) below their top
// node; other system trees allow structure edits but no renaming. A top ID
// that is not a number counts as -1, an other system tree, although its
// line is stored with the user trees.
class TreeEditor {
 public:
  // `data_folder` holds the tree files; `prompts` asks the save question and
  // shows "Cannot Find".
  TreeEditor(std::filesystem::path data_folder, UserPrompts& prompts, TreeEditorHooks hooks = {});

  StationTree& tree() { return tree_; }
  const StationTree& tree() const { return tree_; }
  const std::filesystem::path& data_folder() const { return data_folder_; }
  // Switching the language switches the folder; ReloadTree then reads it.
  void set_data_folder(std::filesystem::path folder) { data_folder_ = std::move(folder); }
  TreeEditorHooks& hooks() { return hooks_; }

  // ---- shared state ----
  TreeNode* selected() const { return selected_; }
  void Select(TreeNode* node) { selected_ = node; }
  TreeNode* playing_node() const { return playing_node_; }
  TreeNode* found_node() const { return found_node_; }
  TreeNode* clipboard_node() const { return clipboard_node_; }
  bool cut_pending() const { return cut_pending_; }
  bool tree_modified() const { return tree_modified_; }
  void MarkModified() { tree_modified_ = true; }
  bool recent_changed() const { return recent_changed_; }
  bool favorites_changed() const { return favorites_changed_; }
  bool tree_menu_stale() const { return tree_menu_stale_; }
  const std::vector<std::string>& deleted_tree_files() const { return deleted_tree_files_; }
  // Escape in the tree sets it; Incorporate stops on it.
  void RequestAbort() { abort_requested_ = true; }
  bool abort_requested() const { return abort_requested_; }
  // Forgets the found mark (the find dialog closed).
  void ClearFound() { found_node_ = nullptr; }

  // ---- permissions ----
  static bool IsLocked(const TreeNode& node);
  static bool IsEditable(const TreeNode& node);
  // Editable, and no registered veto objects. The data tool, the station
  // tester and the tree generator register a veto while their windows are
  // visible; a veto returns true to keep the node.
  bool MayBeCut(const TreeNode& node) const;
  using CutVeto = std::function<bool(const TreeNode& node)>;
  int AddCutVeto(CutVeto veto);
  void RemoveCutVeto(int handle);

  // Told just before nodes leave the tree for good: the subtree about to go,
  // or null when the whole tree is cleared. Commands that keep node
  // pointers across pumped events (Incorporate, the generator) stop on it.
  using RemovalListener = std::function<void(const TreeNode* removed)>;
  int AddRemovalListener(RemovalListener listener);
  void RemoveRemovalListener(int handle);

  // ---- loading ----
  // Loads the subtree of an expandable top node without children, then sets
  // the expandable mark exactly when children exist and marks station menus
  // stale. Nothing for other nodes.
  void EnsureLoaded(TreeNode& node);
  void Expand(TreeNode& node);  // loads first, then sets the expanded flag
  void Collapse(TreeNode& node);

  // ---- editing ----
  TreeNode* AddGroup(std::string name);
  bool ModifyGroup(std::string name);
  // The copy of `source` placed by `destination` (null: a new user tree at
  // the end), or null when it would land inside `source` itself.
  TreeNode* CopyNode(TreeNode& source, TreeNode* destination);
  void Cut();
  void Copy();
  TreeNode* Paste();
  void DeleteNode(TreeNode& node);
  // Delete of the menu: the selected node, when it may be cut.
  bool Delete();
  // Merges the clipboard node's contents into the selected node; false when
  // nothing was done or Escape stopped it.
  bool Incorporate();
  // Drag and drop inside the tree; `target` null is a drop on no node.
  bool DropMove(TreeNode& source, TreeNode* target);
  TreeNode* FindChild(TreeNode* parent, int id, std::string_view caption) const;
  // One more than the highest top-node icon, at most `last_icon`.
  int NextTopIcon(int last_icon) const;
  // The same with the skin's limit; until a skin has given one there is no
  // limit. Every new user tree (Add Group, Paste, Add To Favorites of a top
  // node, the generator) takes its icon from here.
  int NextTopIcon() const { return NextTopIcon(last_tree_icon_); }
  // The last index of the skin's node icon list; set at every skin load.
  void set_last_tree_icon(int last_icon) { last_tree_icon_ = last_icon; }
  int last_tree_icon() const { return last_tree_icon_; }
  static constexpr int kNoIconLimit = std::numeric_limits<int>::max();

  // ---- view commands ----
  void Sort();
  void SortSubtree();
  void SortAll();
  void ExpandSubtree();
  void CollapseSubtree();
  void ExpandAll();
  void CollapseAll();

  // ---- searching ----
  // Selects and returns the match, or shows "Cannot Find" and returns null.
  TreeNode* Find(const TreeFindOptions& options);
  // Searches again with the last options; nothing when never searched or the
  // text is empty.
  TreeNode* FindNext();

  // ---- the station editor's operations ----
  bool AddStationNode(int id, std::string name);
  void RenameStationNodes(int id, std::string_view name);
  bool RemoveStationNodes(int id);

  TreeMenuState MenuState() const;

  // Program List: the page to open for the selected station, read from the
  // station tables of the data folder (see ProgramListAddress in
  // radio_table.h); nothing without a selected station or a usable page.
  std::optional<std::string> ProgramListAddress() const;

  // ---- playing (see tree_playing.cpp) ----
  void Play();
  int PlayNextStation();
  int PlayPreviousStation();
  // A station started elsewhere (a channel button, the station menu, a
  // task) becomes the playing node, so that Next and Previous step on from
  // it. The node is the playing node itself when it already is that
  // station; else the selected node when it is; else the first station node
  // with that ID in display order over the loaded trees outside Recently
  // played; else its entry in Recently played. When no loaded tree holds
  // it, there is no playing node (Next then starts at the top). IDs below 1
  // change nothing. Nothing is loaded, expanded, scrolled or recorded.
  void SetPlayingStation(int station_id);
  void RecordRecent(TreeNode& node);
  void AddToFavorites();
  void RemoveFromFavorites();
  // Refills `menu` when the tree changed, the menu is empty or a subtree was
  // loaded since; true when it was refilled. One item per top node, nested
  // items for what is loaded below it; a top node not loaded yet gets
  // `load_children` (see StationMenuItem).
  bool BuildStationMenu(std::vector<StationMenuItem>& menu);
  // The channels tree's first ten stations: (node ID, caption) per position.
  std::vector<std::pair<int, std::string>> ChannelStations();
  // Rebuilds the tree from the files and restores the playing node; returns
  // the number of nodes.
  int ReloadTree(int top_index, int select_index);
  // Saves changes first; (0, 0) without a playing node.
  std::pair<int, int> GetTreePosition();
  // Asks before writing a changed tree; No keeps everything unsaved.
  void SaveTreeChanges();

 private:
  // Clears the references that lie in `node`'s subtree before it goes and
  // tells the removal listeners.
  void ForgetReferencesInto(const TreeNode& node);
  void NotifyRemoval(const TreeNode* removed);
  void Busy(bool on) const;

  std::filesystem::path data_folder_;
  UserPrompts& prompts_;
  TreeEditorHooks hooks_;
  StationTree tree_;

  TreeNode* selected_ = nullptr;
  TreeNode* playing_node_ = nullptr;
  TreeNode* found_node_ = nullptr;
  TreeNode* clipboard_node_ = nullptr;
  bool cut_pending_ = false;
  bool tree_modified_ = false;
  bool recent_changed_ = false;
  bool favorites_changed_ = false;
  bool tree_menu_stale_ = false;
  bool abort_requested_ = false;
  std::vector<std::string> deleted_tree_files_;
  TreeFindOptions last_find_;
  bool searched_ = false;
  int last_tree_icon_ = kNoIconLimit;
  std::vector<std::pair<int, CutVeto>> cut_vetoes_;
  std::vector<std::pair<int, RemovalListener>> removal_listeners_;
  int next_veto_handle_ = 1;
};

}  // namespace tazmel
