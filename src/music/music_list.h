#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// The music list: file paths and stream addresses in order, the row being
// played, the row the last search found, and the folder last added. Rows
// are text in the data code page, as the playlist file and the engine take
// addresses; files added by path (local path bytes, UTF-8) are converted
// on the way in. Nothing here touches the files the rows name.
class MusicList {
 public:
  // Whether a file name may join the list (by its extension).
  using PlayableTest = std::function<bool(std::string_view path)>;

  explicit MusicList(PlayableTest playable = {});

  const std::vector<std::string>& rows() const { return rows_; }
  int size() const { return static_cast<int>(rows_.size()); }
  bool empty() const { return rows_.empty(); }
  const std::string& row(int index) const { return rows_[static_cast<std::size_t>(index)]; }

  int playing_item() const { return playing_item_; }
  int found_item() const { return found_item_; }
  void set_found_item(int index) { found_item_ = index; }
  const std::string& last_folder() const { return last_folder_; }
  void set_last_folder(std::string folder) { last_folder_ = std::move(folder); }

  // Replaces the rows with the lines of `file` when it exists (false
  // otherwise, rows kept); the playing row becomes `index`, or 0 when the
  // list has no such row.
  bool Load(const std::filesystem::path& file, int index);
  // Writes every row, CR LF after each, through a temporary file renamed
  // into place. An empty list empties an existing file and creates none.
  bool Save(const std::filesystem::path& file) const;

  // Adds files and folders at `position` (-1 appends; several rows keep
  // their order). A file joins when it is playable; anything else is taken
  // as a folder and scanned depth first, names sorted, dot-names skipped,
  // linked folders not followed. Returns how many rows were added.
  int AddPaths(const std::vector<std::string>& paths, int position);
  // One row as it is (a dropped link) at `position`, -1 appending.
  void InsertRow(std::string row, int position);
  void Clear();
  // Another text for one row (a file renamed on disk).
  void Replace(int index, std::string row) { rows_[static_cast<std::size_t>(index)] = std::move(row); }

  // The row at PlayingItem, "" when there is none.
  std::string PlayingPath() const;
  // PlayingItem := index when it is a row; returns it, else -1.
  int SetPlayingItem(int index);
  // Play from the current row: at or beyond the end becomes 0, a negative
  // one the last row. Returns the new PlayingItem, -1 for an empty list.
  int PlayFrom(int current);
  // One row on, with wrap-around; the new PlayingItem, -1 for an empty list.
  int StepPlaying(bool forward);

  // Removes the given rows; returns the row to select afterwards (-1 when
  // the list is empty). PlayingItem stays as it is.
  int Delete(std::vector<int> selected, int current);

  // Moves the selected rows, in order, to `target`. Returns false (nothing
  // moved) when the target is not a row.
  bool MoveRows(std::vector<int> selected, int target);

  struct FindResult {
    int found = -1;    // the matching row, -1 for none
    int current = -1;  // the row to make current
  };
  // Searches from the row after (Down) or before (Up) `current` for the
  // pattern in "<number>.<display name>"; sets FoundItem.
  FindResult Find(std::string_view pattern, int current, bool down, bool exact, bool match_case);

  // The whole row for an address (it contains "//"); else the file name
  // without its folder, cut before its last ".".
  static std::string DisplayName(std::string_view row);
  // "<number padded to the row count's digits>. <display name>".
  std::string RowText(int index) const;

 private:
  void Add(std::string path, int& position, int& count);
  void ScanFolder(const std::filesystem::path& folder, int& position, int& count, int depth);

  PlayableTest playable_;
  std::vector<std::string> rows_;
  int playing_item_ = 0;
  int found_item_ = -1;
  std::string last_folder_;
};

}  // namespace tazmel
