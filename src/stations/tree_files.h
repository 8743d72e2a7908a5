#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "stations/station_tree.h"

namespace tazmel {

// The tree files of a data folder: the top-node lists treesys.dat and
// treeuser.dat ("image/state/id/caption=file" per line) and one subtree file
// per top node ("image/state/id/caption", one TAB per level). Files are
// written whole with CR LF line ends; LF or CR LF is read; names are looked
// up without regard to case.

// Larger tree files are taken as damaged and not read.
inline constexpr std::uintmax_t kMaxTreeFileBytes = 64u << 20;

// Clears the tree and adds one expandable top node per line of treesys.dat,
// then of treeuser.dat. Missing files add nothing; empty lines are skipped.
void LoadTopLists(StationTree& tree, const std::filesystem::path& data_folder);

// Rewrites both lists: top nodes of user trees go to treeuser.dat, all
// others to treesys.dat, each with its ID text as it was read. False when
// either write failed.
bool SaveTopLists(const StationTree& tree, const std::filesystem::path& data_folder);

// Reads the subtree file of the node's top node under the node, replacing the
// children it had; the first line only gives the node its image and state
// index. The node then is expandable exactly when it has children. False
// when the file is missing, unreadable or not a plain name in the folder
// (the children stay as they were).
bool LoadSubtree(TreeNode& node, const std::filesystem::path& data_folder);

// Writes the node itself and everything below it to its top node's subtree
// file. False when the write failed, the file name is not a plain name in
// the folder, or the file exists but could not be read when it was loaded
// (it is never replaced by what little is in memory).
bool SaveSubtree(const TreeNode& node, const std::filesystem::path& data_folder);

// LoadSubtree for an expandable top node without children in memory; true
// when it loaded.
bool EnsureLoaded(TreeNode& node, const std::filesystem::path& data_folder);

// One-time move away from the single legacy tree.dat. Next to an existing
// treesys.dat only its user-tree lines are kept (they replace treeuser.dat);
// otherwise it becomes treesys.dat. tree.dat is deleted once its lines are
// safely written. True when tree.dat was migrated and removed.
bool MigrateLegacyTreeFile(const std::filesystem::path& data_folder);

// A name a subtree file may have: a plain file name inside the data folder
// that is none of the folder's tables or list files, so reading or saving a
// subtree can never reach them.
bool IsSubtreeFileName(std::string_view name);

// "tree_user<N>.dat" with the smallest N >= 1 that no top node uses.
std::string NewUserTreeFileName(const StationTree& tree);

// A list line's caption ends at its first "=", so a top node's caption
// keeps none: each becomes the full-width equals sign U+FF1D, which looks
// alike and stays one character in GBK, GB18030 and Big5 (here the bytes
// A3 BD; neither is "="). Line breaks become blanks.
inline constexpr std::string_view kEqualsLookAlike = "\xA3\xBD";
std::string TopCaption(std::string_view caption);

}  // namespace tazmel
