#include "stations/station_editor_model.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <system_error>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "core/system.h"
#include "core/text_utils.h"

namespace tazmel {
namespace {

constexpr int kNoNameSlot = 114;
constexpr int kExistsSlot = 115;
constexpr int kReallyDeleteSlot = 56;
constexpr const char* kCrLf = "\r\n";

std::vector<std::string> ReadWordFile(const std::filesystem::path& folder, std::string_view name, bool keep_tabs) {
  std::vector<std::string> lines;
  std::ifstream in(FindNoCase(folder, name), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (TrimBlanks(line).empty()) continue;
    // The outline's TABs say what a line is; the other lists are trimmed.
    lines.push_back(keep_tabs ? line : std::string(TrimBlanks(line)));
  }
  return lines;
}

int LeadingTabs(std::string_view line) {
  int tabs = 0;
  while (tabs < static_cast<int>(line.size()) && line[static_cast<std::size_t>(tabs)] == '\t') ++tabs;
  return tabs;
}

std::string Trimmed(std::string_view text) { return std::string(TrimBlanks(text)); }

}  // namespace

std::string CleanFieldText(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

StationRecord CleanRecord(StationRecord r) {
  for (std::string* field :
       {&r.VID, &r.VRadioName, &r.VGenre, &r.VCountry, &r.VState, &r.VCity, &r.VLanguage, &r.VFormat, &r.VValidity,
        &r.VSpeed, &r.VFrequency, &r.VProxy, &r.VHomepage, &r.VSchedule}) {
    *field = CleanFieldText(*field);
  }
  std::vector<std::string> urls = SplitUrls(r.VStreamURL);
  for (std::string& url : urls) url = Trimmed(CleanFieldText(url));
  r.VStreamURL = JoinUrls(urls);
  return r;
}

DuplicateStation FindDuplicateStation(TRadioTable& table, std::string_view name,
                                      const std::vector<std::string>& addresses) {
  DuplicateStation found;
  const int count = table.RecordCount();
  for (int record = 1; record <= count; ++record) {
    const StationRecord r = ParseStationLine(table.ReadRecord(record), false);
    int match = DuplicateStation::kNone;
    for (const std::string& stored : SplitUrls(r.VStreamURL)) {
      const std::string_view entry = TrimBlanks(stored);
      if (entry.empty()) continue;
      for (const std::string& address : addresses) {
        if (EqualsNoCase(entry, TrimBlanks(address))) match = DuplicateStation::kAddress;
      }
    }
    if (!name.empty() && EqualsNoCase(r.VRadioName, name)) match |= DuplicateStation::kName;
    if (match != DuplicateStation::kNone) {
      found = {static_cast<DuplicateStation::Match>(match), r.VID, r.VRadioName};
      break;
    }
  }
  return found;
}

std::string DuplicateText(const DuplicateStation& found, std::string_view address_text) {
  if (found.match == DuplicateStation::kNone) return {};
  std::string text = "ID=" + found.id;
  if (found.match & DuplicateStation::kName) text += std::string(kCrLf) + "[" + found.name + "]";
  if (found.match & DuplicateStation::kAddress) text += std::string(kCrLf) + "[" + std::string(address_text) + "]";
  return text;
}

EditorWordLists LoadEditorWordLists(const std::filesystem::path& folder) {
  return {.genres = ReadWordFile(folder, "genre.txt", false),
          .languages = ReadWordFile(folder, "language.txt", false),
          .speeds = ReadWordFile(folder, "speed.txt", false),
          .places = ReadWordFile(folder, "country.txt", true)};
}

std::vector<std::string> CountriesOf(const std::vector<std::string>& places) {
  std::vector<std::string> countries;
  for (const std::string& line : places) {
    if (LeadingTabs(line) == 0) countries.push_back(line);
  }
  return countries;
}

std::vector<std::string> StatesOf(const std::vector<std::string>& places, std::string_view country) {
  std::vector<std::string> states;
  std::size_t i = 0;
  while (i < places.size() && !(LeadingTabs(places[i]) == 0 && places[i] == country)) ++i;
  for (++i; i < places.size() && LeadingTabs(places[i]) > 0; ++i) {
    if (LeadingTabs(places[i]) == 1) states.push_back(places[i].substr(1));
  }
  return states;
}

std::vector<std::string> CitiesOf(const std::vector<std::string>& places, std::string_view country,
                                  std::string_view state) {
  std::vector<std::string> cities;
  std::size_t i = 0;
  while (i < places.size() && !(LeadingTabs(places[i]) == 0 && places[i] == country)) ++i;
  // The state is looked for only below its own country.
  for (++i; i < places.size() && LeadingTabs(places[i]) > 0; ++i) {
    if (LeadingTabs(places[i]) == 1 && std::string_view(places[i]).substr(1) == state) break;
  }
  if (i >= places.size() || LeadingTabs(places[i]) != 1) return cities;
  for (++i; i < places.size() && LeadingTabs(places[i]) == 2; ++i) cities.push_back(places[i].substr(2));
  return cities;
}

std::string StationSubmissionText(const StationRecord& r, std::string_view validity_text) {
  std::vector<std::string> urls = SplitUrls(r.VStreamURL);
  for (std::string& url : urls) url = Trimmed(url);
  const std::string fields[] = {r.VID,       r.VRadioName, r.VGenre,
                                r.VCountry,  r.VState,     r.VCity,
                                r.VLanguage, r.VFormat,    std::string(validity_text),
                                r.VSpeed,    r.VFrequency, r.VProxy,
                                r.VHomepage, r.VSchedule,  JoinUrls(urls)};
  std::string text;
  for (const std::string& field : fields) {
    if (&field != &fields[0]) text += '\t';
    // A TAB inside a field would shift every field after it.
    text += Trimmed(CleanFieldText(field));
  }
  return text;
}

// ---------------------------------------------------------------------------

StationEditorModel::StationEditorModel(const ProgramPaths& paths, UserPrompts& prompts, StationEditorHooks hooks)
    : paths_(paths), prompts_(prompts), hooks_(std::move(hooks)) {}

bool StationEditorModel::Open() {
  table_.Close();
  const bool user = IsUserStationID(table_id_);
  const std::filesystem::path path = user ? paths_.UserTablePath() : paths_.SystemTablePath();
  std::error_code ec;
  // The user's table is made by the first station added; the system table
  // is the update service's and is never made here.
  if (!user && !std::filesystem::is_regular_file(path, ec)) return false;
  table_.SetTableName(path);
  table_.SetEncry(!user);
  return table_.Open();
}

int StationEditorModel::Count() {
  const int count = Open() ? table_.RecordCount() : 0;
  table_.Close();
  return count;
}

void StationEditorModel::NewStation(int after_id) {
  table_id_ = kFirstUserStationID;
  position_ = -1;
  if (after_id >= 1 && Open()) position_ = table_.FindRecNo(after_id);
  table_.Close();
  table_.ClearFields();
}

bool StationEditorModel::OpenStation(int id) {
  table_id_ = IsUserStationID(id) ? id : std::max(id, 1);
  position_ = 0;
  table_.ClearFields();
  if (!Open()) return false;
  position_ = table_.FindRecNo(id);
  const bool found = position_ > 0 && table_.LoadRecord(position_);
  if (!found) table_.ClearFields();
  table_.Close();
  return found;
}

bool StationEditorModel::ShowPosition(int position) {
  table_.ClearFields();
  if (!Open()) return false;
  const int count = table_.RecordCount();
  position = std::min(position, count);
  position = std::max(position, 1);
  const bool loaded = count > 0 && table_.LoadRecord(position);
  position_ = count > 0 ? position : 0;
  table_.Close();
  return loaded;
}

std::string StationEditorModel::PositionText() { return std::to_string(position_) + "/" + std::to_string(Count()); }

bool StationEditorModel::AskDuplicate(const StationRecord& form) {
  if (!Open()) return true;
  const std::vector<std::string> addresses = SplitUrls(form.VStreamURL);
  const DuplicateStation found = FindDuplicateStation(table_, form.VRadioName, addresses);
  table_.Close();
  const std::string text = DuplicateText(found, addresses.empty() ? std::string() : addresses.front());
  if (text.empty()) return true;
  return prompts_.AskQuestion(text + kCrLf + kCrLf + Msg(kExistsSlot));
}

StationEditorModel::Outcome StationEditorModel::Add(const StationRecord& raw, bool insert) {
  if (!Editable()) return Outcome::kNothing;
  if (insert && position_ <= 0) return Outcome::kNothing;
  const StationRecord form = CleanRecord(raw);
  if (form.VRadioName.empty()) {
    prompts_.ShowInfo(Msg(kNoNameSlot));
    return Outcome::kNoName;
  }
  if (!AskDuplicate(form)) return Outcome::kCancelled;
  if (!Open()) return Outcome::kFailed;
  const int id = table_.NewID(kFirstUserStationID - 1);
  table_.Fields() = form;
  table_.Fields().VID = std::to_string(id);
  bool saved = false;
  if (!insert || position_ > table_.RecordCount()) {
    saved = table_.AppendStation();
    if (!insert) position_ = table_.RecordCount();
  } else {
    saved = table_.InsertStation(position_);
  }
  table_.Close();
  if (saved && hooks_.add_node) hooks_.add_node(id, form.VRadioName);
  ShowPosition(position_);
  return saved ? Outcome::kDone : Outcome::kFailed;
}

StationEditorModel::Outcome StationEditorModel::Append(const StationRecord& form) { return Add(form, false); }
StationEditorModel::Outcome StationEditorModel::Insert(const StationRecord& form) { return Add(form, true); }

StationEditorModel::Outcome StationEditorModel::Modify(const StationRecord& raw) {
  if (!Editable() || position_ <= 0) return Outcome::kNothing;
  const StationRecord form = CleanRecord(raw);
  if (form.VRadioName.empty()) {
    prompts_.ShowInfo(Msg(kNoNameSlot));
    return Outcome::kNoName;
  }
  const std::optional<int> id = ParseInteger(form.VID);
  if (!id) return Outcome::kNothing;
  if (!Open()) return Outcome::kFailed;
  bool saved = false;
  std::string old_name;
  if (table_.LoadRecord(position_)) {
    old_name = table_.Fields().VRadioName;
    table_.Fields() = form;
    saved = table_.SaveRecord(position_);
  }
  table_.Close();
  if (saved && old_name != form.VRadioName && hooks_.rename_nodes) hooks_.rename_nodes(*id, form.VRadioName);
  ShowPosition(position_);
  return saved ? Outcome::kDone : Outcome::kFailed;
}

StationEditorModel::Outcome StationEditorModel::Delete(const StationRecord& form) {
  if (!Editable() || position_ <= 0) return Outcome::kNothing;
  const std::optional<int> id = ParseInteger(form.VID);
  if (!id) return Outcome::kNothing;
  if (!prompts_.AskQuestion(FormatSlot(Msg(kReallyDeleteSlot), form.VRadioName))) return Outcome::kCancelled;
  if (!Open()) return Outcome::kFailed;
  const bool deleted = table_.DeleteRecord(position_);
  table_.Close();
  if (deleted && hooks_.remove_nodes) hooks_.remove_nodes(*id);
  ShowPosition(position_);
  return deleted ? Outcome::kDone : Outcome::kFailed;
}

bool StationEditorModel::FindName(std::string_view text) { return FindFrom(text, &TRadioTable::FindName); }

bool StationEditorModel::FindUrl(std::string_view text) { return FindFrom(text, &TRadioTable::FindUrl); }

bool StationEditorModel::FindFrom(std::string_view text, int (TRadioTable::*find)(std::string_view, int)) {
  // An empty text would be contained in every name; a scrambled table's
  // lines cannot be searched as text.
  if (text.empty() || !Editable() || !Open()) return false;
  const int hit = (table_.*find)(text, std::max(position_, 0));
  table_.Close();
  if (hit == 0) {
    table_.ClearFields();
    return false;
  }
  position_ = hit;
  return true;
}

}  // namespace tazmel
