#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stations/text_table.h"

namespace tazmel {

class ProgramPaths;

// IDs 1..100000 live in the scrambled system table, later ones in the user
// table.
inline constexpr int kFirstUserStationID = 100001;
inline bool IsUserStationID(int id) { return id >= kFirstUserStationID; }

// The fifteen text fields of a station line, in line order. Text is kept as
// data-code-page bytes.
struct StationRecord {
  std::string VID;
  std::string VRadioName;
  std::string VGenre;
  std::string VCountry;
  std::string VState;
  std::string VCity;
  std::string VLanguage;
  std::string VFormat;    // player kind: "0" Auto, "1" RP, "2" WMP, "3" WMP6, "4" WMP9
  std::string VValidity;  // "1" Bad .. "4" Best, else Unknown
  std::string VSpeed;
  std::string VFrequency;
  std::string VProxy;
  std::string VHomepage;
  std::string VSchedule;
  std::string VStreamURL;  // addresses joined by "||"

  bool operator==(const StationRecord&) const = default;
};

// XORs every byte with the key "qv_tmx"; the same call undoes it.
std::string ScrambleRest(std::string_view rest);
// A plain line as a scrambled system table stores it: the ID stays plain.
std::string ScrambleLine(std::string_view plain_line);

// Splits a line into the fields: the name from the left, the two address
// fields from the right, the middle fields from the left again, so name and
// addresses stay right in lines with fewer fields.
StationRecord ParseStationLine(std::string_view line, bool scrambled);
// The fifteen fields joined by TAB, never scrambled.
std::string FormatStationLine(const StationRecord& record);

// Address lists: "a||b". An empty text is an empty list; a trailing "||"
// gives a last, empty entry.
std::vector<std::string> SplitUrls(std::string_view text);
std::string JoinUrls(const std::vector<std::string>& urls);
// The first address, trimmed.
std::string FirstUrl(std::string_view text);

// The hint text: labelled lines (CR LF between them). System stations
// (scrambled tables) never show their stream address.
std::string StationSummary(const StationRecord& record, bool scrambled);

// The address Program List opens for a station: its schedule page, else its
// home page (blanks trimmed), completed to "http://.../" as
// CompleteWebAddress does. Nothing when both are empty or the completed
// address is not an http or https address with a host, so no other kind of
// link from the station data reaches the browser.
std::optional<std::string> ProgramListAddress(const StationRecord& record);

// A text table of station lines, with the current record's fields.
class TRadioTable : public TTextTable {
 public:
  bool Encry() const { return encry_; }
  // Scrambled tables are trusted as delivered and never re-indexed.
  void SetEncry(bool encry) {
    encry_ = encry;
    SetNeedCheckIndex(!encry);
  }

  // Points the table at the system or user table of the data folder by the
  // ID rule and opens it.
  bool OpenFor(int id, const ProgramPaths& paths);
  // The same for a data folder given as a path. False, and nothing is
  // created, when that table does not exist.
  bool OpenIn(int id, const std::filesystem::path& data_folder);

  StationRecord& Fields() { return fields_; }
  const StationRecord& Fields() const { return fields_; }
  void ClearFields() { fields_ = StationRecord{}; }
  void ParseRecord(std::string_view line) { fields_ = ParseStationLine(line, encry_); }
  std::string FormatRecord() const { return FormatStationLine(fields_); }

  // A missing ID or record gives empty fields.
  bool LoadByID(int id);
  bool LoadRecord(int record);
  bool SaveByID(int id) { return UpdateByID(id, FormatRecord()); }
  bool SaveRecord(int record) { return UpdateRecord(record, FormatRecord()); }
  bool AppendStation() { return AppendRecord(FormatRecord()); }
  bool InsertStation(int record) { return InsertRecord(record, FormatRecord()); }

  // 0 none; 1 the name matched; 2 the address list contains the address;
  // 3 both. Stops at the first line that matches at all and loads its ID,
  // name and addresses into the fields. Case of ASCII letters is ignored.
  int FindByNameOrUrl(std::string_view name, std::string_view address);
  // Line number (1-based) of the next line after `after` whose name /
  // address list contains the text, ignoring ASCII case; 0 if none or the
  // text is empty. The hit is loaded into the fields.
  int FindName(std::string_view text, int after);
  int FindUrl(std::string_view text, int after);

 private:
  template <typename Field>
  int FindNext(std::string_view text, int after, Field field);

  bool encry_ = false;
  StationRecord fields_;
};

}  // namespace tazmel
