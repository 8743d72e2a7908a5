#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace tazmel {

class TreeEditor;
class TreeNode;

// Stations exchanged as plain text: one entry per CR LF line, in the data
// code page. A station line is a user-table line, with or without its ID;
// a line without TAB is a group caption; each leading TAB or blank is one
// level of indentation. Only user stations are ever written.
//
// Each command is a job that runs in slices (Step), so the window showing
// its progress keeps painting between them; Stop ends it at the next slice.
// A job keeps pointers into the tree: while it runs, nothing may leave the
// tree. It registers a cut veto and stops itself when nodes go anyway (a
// reload of the tree).

enum class ExchangeStatus {
  kRunning,
  kDone,
  kStopped,  // Stop() or the tree changed under the job; no message
  kFailed,   // a file could not be read or written; `error` may say why
};

// What a refused file holds: the first line that is not valid text in the
// data code page (1-based), 0 when none.
struct ExchangeError {
  int invalid_line = 0;
};

class ExchangeJob {
 public:
  explicit ExchangeJob(TreeEditor& editor);
  virtual ~ExchangeJob();
  ExchangeJob(const ExchangeJob&) = delete;
  ExchangeJob& operator=(const ExchangeJob&) = delete;

  // Works for about `budget`, then returns; kRunning until the end.
  ExchangeStatus Step(std::chrono::steady_clock::duration budget);
  // Runs every slice in turn (tests, terminals).
  ExchangeStatus RunToEnd();
  // The stop flag: the job ends at the next item with kStopped, keeping
  // what it did so far.
  void Stop() { stop_ = true; }
  ExchangeStatus status() const { return status_; }
  int position() const { return position_; }
  int maximum() const { return maximum_; }
  const ExchangeError& error() const { return error_; }

 protected:
  // The preparation, in `BeginSteps()` parts of a slice each (reading
  // files, copying the backup), before the first item; false fails the job.
  virtual int BeginSteps() const { return 1; }
  virtual bool Begin(int step) = 0;
  // One item; false when there are no more.
  virtual bool Next() = 0;
  // After the last item, or after a stop: writes out. False fails the job.
  virtual bool Finish(bool stopped) = 0;

  TreeEditor& editor_;
  int position_ = 0;
  int maximum_ = 0;
  ExchangeError error_;

 private:
  ExchangeStatus status_ = ExchangeStatus::kRunning;
  int begun_steps_ = 0;
  bool stop_ = false;
  bool tree_changed_ = false;
  int veto_ = 0;
  int listener_ = 0;
};

// The user table read once into memory: lines by ID, and the lines that
// carry a given name or address, for the import's matching.
class UserStationLines {
 public:
  // Reads the user table of the data folder through its index (so a table
  // edited by hand is normalised first). False when it cannot be read; a
  // missing table is empty.
  bool Load(const std::filesystem::path& data_folder);
  // The line of the first record with that key; null when none.
  const std::string* Find(int id) const;

 private:
  friend class StationImport;
  std::vector<std::string> lines_;
  std::unordered_map<int, std::size_t> by_id_;
};

// Export of the selected node's branch, with its group captions (not the
// node's own) indented below it.
class BranchExport : public ExchangeJob {
 public:
  BranchExport(TreeEditor& editor, TreeNode& branch, std::filesystem::path file);

 protected:
  bool Begin(int step) override;
  bool Next() override;
  bool Finish(bool stopped) override;

 private:
  TreeNode* branch_;
  TreeNode* cursor_ = nullptr;
  std::filesystem::path file_;
  UserStationLines table_;
  std::string text_;
};

// Export of every user station node of the whole tree, flat, one line per
// node (a station under three groups is written three times).
class AllExport : public ExchangeJob {
 public:
  AllExport(TreeEditor& editor, std::filesystem::path file);

 protected:
  bool Begin(int step) override;
  bool Next() override;
  bool Finish(bool stopped) override;

 private:
  TreeNode* cursor_ = nullptr;
  std::filesystem::path file_;
  UserStationLines table_;
  std::string text_;
};

// The names the import keeps its backup under, beside the user table:
// datauser.dat.bak, datauser.idp.bak, datauser.idi.bak.
std::vector<std::filesystem::path> UserTableBackupFiles(const std::filesystem::path& data_folder);

// Import of a file below the selected node. A station replaces the user
// station whose name equals its name (ASCII case ignored) or one of whose
// addresses equals one of its addresses; every other station is appended
// with a new ID. The records are gathered in memory and the user table is
// written once, at the end or at a stop, after the old table and its
// indexes were copied to the backup files; a file that is not valid text in
// the data code page is refused before anything changes.
class StationImport : public ExchangeJob {
 public:
  StationImport(TreeEditor& editor, TreeNode& target, std::filesystem::path file);

  int appended() const { return appended_; }
  int replaced() const { return replaced_; }

 protected:
  int BeginSteps() const override { return 4; }
  bool Begin(int step) override;
  bool Next() override;
  bool Finish(bool stopped) override;

 private:
  // Keys of a parent's children for reuse: stations by ID, groups by
  // caption.
  using ChildKey = std::pair<int, std::string>;
  // Stores a station line's record (replacing or appending); its ID.
  int StoreStation(std::string_view rest, const std::string& name, const std::string& urls);
  // Position of the first table line that matches, or npos.
  std::size_t Match(const std::string& name, const std::string& urls) const;
  void Index(std::size_t position, bool add);
  // Writes the records gathered so far into the user table.
  bool WriteTable();
  void Place(int level, int id, const std::string& caption, bool is_group);
  TreeNode* PlaceUnder(TreeNode& parent, TreeNode* before, int id, const std::string& caption, bool is_group);
  std::map<ChildKey, TreeNode*>& ChildrenOf(TreeNode& parent);

  TreeNode* target_;
  int target_level_ = 0;
  std::filesystem::path file_;
  std::vector<std::string> file_lines_;
  std::size_t next_line_ = 0;
  int level_offset_ = 0;
  TreeNode* previous_ = nullptr;

  UserStationLines table_;
  std::vector<int> ids_;              // key of each table line
  std::vector<bool> replaced_lines_;  // lines of the table the import changed
  std::size_t loaded_count_ = 0;      // lines of the table as read
  std::unordered_map<std::string, std::set<std::size_t>> by_name_;
  std::unordered_map<std::string, std::set<std::size_t>> by_address_;
  std::unordered_set<int> used_ids_;
  int id_cursor_ = 0;
  std::unordered_map<int, std::vector<TreeNode*>> nodes_by_id_;
  std::unordered_map<const TreeNode*, std::map<ChildKey, TreeNode*>> children_;
  int appended_ = 0;
  int replaced_ = 0;
};

}  // namespace tazmel
