#pragma once

// The station editor's logic without a window: which table it works on,
// the record position, adding, inserting, changing and deleting user
// stations, stepping and finding, the question asked before a station that
// seems to exist already is added, and the word lists offered in its fields.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "stations/radio_table.h"

namespace tazmel {

class ProgramPaths;
class UserPrompts;

// TAB, CR and LF separate fields and records in a table line: typed or
// pasted into a field they become blanks, so a field stays one field.
std::string CleanFieldText(std::string_view text);
// Every field cleaned; the address list's entries one by one.
StationRecord CleanRecord(StationRecord record);

// A station of the table that the one about to be added resembles: the same
// name (ASCII case ignored) and/or an address equal to one of its own.
struct DuplicateStation {
  enum Match { kNone = 0, kName = 1, kAddress = 2, kBoth = 3 };
  Match match = kNone;
  std::string id;
  std::string name;
};

// The first line of the open table that matches. Empty names and empty
// addresses never match, and an address matches only as a whole entry, so
// a short address is not taken for part of a longer one.
DuplicateStation FindDuplicateStation(TRadioTable& table, std::string_view name,
                                      const std::vector<std::string>& addresses);
// "ID=<id>" CR LF "[<name>]" and/or "[<address text>]"; "" for no match.
std::string DuplicateText(const DuplicateStation& found, std::string_view address_text);

// The lists offered in the editor's fields, from Language/<code>/. One
// entry a line; lines that are blank after trimming are skipped.
struct EditorWordLists {
  std::vector<std::string> genres;
  std::vector<std::string> languages;
  std::vector<std::string> speeds;
  // country.txt as read: countries without a leading TAB, their states
  // with one, the states' cities with two.
  std::vector<std::string> places;
};
// Missing files leave their lists empty.
EditorWordLists LoadEditorWordLists(const std::filesystem::path& folder);
std::vector<std::string> CountriesOf(const std::vector<std::string>& places);
std::vector<std::string> StatesOf(const std::vector<std::string>& places, std::string_view country);
std::vector<std::string> CitiesOf(const std::vector<std::string>& places, std::string_view country,
                                  std::string_view state);

// The station as sent to the submission server: the fields trimmed of
// blanks and joined by TAB, the validity as the word shown for it.
std::string StationSubmissionText(const StationRecord& record, std::string_view validity_text);

struct StationEditorHooks {
  std::function<bool(int id, const std::string& name)> add_node;
  std::function<void(int id, const std::string& name)> rename_nodes;
  std::function<bool(int id)> remove_nodes;
};

class StationEditorModel {
 public:
  enum class Outcome {
    kNothing,    // not possible here (no record, read-only table)
    kNoName,     // refused: the name is empty
    kCancelled,  // the user said No
    kFailed,     // the table refused the change; the tree stays as it was
    kDone,
  };

  // The tables of the paths' current data folder, looked up at every access.
  StationEditorModel(const ProgramPaths& paths, UserPrompts& prompts, StationEditorHooks hooks);

  // A new station after `after_id` in the user table; nothing shown.
  void NewStation(int after_id);
  // The station from its own table: user stations editable, system ones
  // read-only. False when the table does not hold it.
  bool OpenStation(int id);

  bool Editable() const { return !table_.Encry(); }
  // 1-based; 0 or below for none.
  int Position() const { return position_; }
  int Count();
  // Clamps into 1..count, loads and remembers that record. False (and
  // empty fields) when the table holds none.
  bool ShowPosition(int position);
  bool First() { return ShowPosition(1); }
  bool Previous() { return ShowPosition(position_ - 1); }
  bool Next() { return ShowPosition(position_ + 1); }
  bool Last() { return ShowPosition(Count()); }
  // The record shown: what the fields of the window are filled from.
  const StationRecord& Shown() const { return table_.Fields(); }
  // "position/count".
  std::string PositionText();

  // `form` is what the window's fields hold (VID as shown), `addresses`
  // the address list.
  Outcome Append(const StationRecord& form);
  Outcome Insert(const StationRecord& form);
  Outcome Modify(const StationRecord& form);
  Outcome Delete(const StationRecord& form);

  // The next record after the position whose name (address list) contains
  // the text; the hit becomes the position. False on a miss or an empty
  // text.
  bool FindName(std::string_view text);
  bool FindUrl(std::string_view text);

 private:
  bool Open();
  // The next record after the current one that `find` matches becomes
  // current.
  bool FindFrom(std::string_view text, int (TRadioTable::*find)(std::string_view, int));
  // The table is chosen by the ID rule: the user's for 0 and new stations.
  int table_id_ = kFirstUserStationID;
  bool AskDuplicate(const StationRecord& form);
  Outcome Add(const StationRecord& form, bool insert);

  const ProgramPaths& paths_;
  UserPrompts& prompts_;
  StationEditorHooks hooks_;
  TRadioTable table_;
  int position_ = 0;
};

}  // namespace tazmel
