#include "stations/radio_table.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <system_error>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "core/text_utils.h"

namespace tazmel {
namespace {

constexpr std::string_view kScrambleKey = "qv_tmx";
constexpr std::uintmax_t kMaxScanBytes = 1u << 30;

// Cuts the text before the first TAB off the front (all of it when none).
std::string CutLeft(std::string_view& rest) {
  const std::size_t tab = rest.find('\t');
  std::string field(rest.substr(0, tab));
  rest = tab == rest.npos ? std::string_view() : rest.substr(tab + 1);
  return field;
}

// Cuts the text after the last TAB off the back (all of it when none).
std::string CutRight(std::string_view& rest) {
  const std::size_t tab = rest.rfind('\t');
  if (tab == rest.npos) {
    std::string field(rest);
    rest = {};
    return field;
  }
  std::string field(rest.substr(tab + 1));
  rest = rest.substr(0, tab);
  return field;
}

bool ContainsNoCase(std::string_view haystack, std::string_view needle) {
  return AsciiLowerCopy(haystack).find(AsciiLowerCopy(needle)) != std::string::npos;
}

// Calls `line(number, text)` for each line of a station table file, in
// order; stops when it returns true.
template <typename F>
void ScanLines(const std::filesystem::path& file, F&& line) {
  std::optional<std::string> text = ReadWholeFile(file, kMaxScanBytes);
  if (!text) return;
  int number = 0;
  ForEachLine(*text, [&](std::string_view current) { return line(++number, current); });
}

}  // namespace

std::string ScrambleRest(std::string_view rest) {
  std::string out(rest);
  std::size_t k = 0;
  for (char& c : out) {
    c = static_cast<char>(c ^ kScrambleKey[k]);
    if (++k == kScrambleKey.size()) k = 0;
  }
  return out;
}

std::string ScrambleLine(std::string_view plain_line) {
  const std::size_t tab = plain_line.find('\t');
  if (tab == plain_line.npos) return std::string(plain_line);
  return std::string(plain_line.substr(0, tab + 1)) + ScrambleRest(plain_line.substr(tab + 1));
}

StationRecord ParseStationLine(std::string_view line, bool scrambled) {
  StationRecord r;
  std::string_view rest = line;
  r.VID = CutLeft(rest);
  const std::string plain = scrambled ? ScrambleRest(rest) : std::string();
  if (scrambled) rest = plain;
  r.VRadioName = CutLeft(rest);
  r.VStreamURL = CutRight(rest);
  r.VSchedule = CutRight(rest);
  for (std::string* field : {&r.VGenre, &r.VCountry, &r.VState, &r.VCity, &r.VLanguage, &r.VFormat, &r.VValidity,
                             &r.VSpeed, &r.VFrequency, &r.VProxy, &r.VHomepage}) {
    *field = CutLeft(rest);
  }
  return r;
}

std::string FormatStationLine(const StationRecord& r) {
  const std::array<const std::string*, 15> fields = {
      &r.VID,       &r.VRadioName, &r.VGenre,     &r.VCountry, &r.VState,    &r.VCity,     &r.VLanguage, &r.VFormat,
      &r.VValidity, &r.VSpeed,     &r.VFrequency, &r.VProxy,   &r.VHomepage, &r.VSchedule, &r.VStreamURL};
  std::string line = *fields[0];
  for (std::size_t i = 1; i < fields.size(); ++i) (line += '\t') += *fields[i];
  return line;
}

std::vector<std::string> SplitUrls(std::string_view text) {
  std::vector<std::string> urls;
  if (text.empty()) return urls;
  for (std::size_t at; (at = text.find("||")) != text.npos; text.remove_prefix(at + 2)) {
    urls.emplace_back(text.substr(0, at));
  }
  urls.emplace_back(text);
  return urls;
}

std::string JoinUrls(const std::vector<std::string>& urls) {
  std::string text;
  for (std::size_t i = 0; i < urls.size(); ++i) {
    if (i > 0) text += "||";
    text += urls[i];
  }
  return text;
}

std::string FirstUrl(std::string_view text) {
  const std::size_t at = text.find("||");
  return std::string(TrimBlanks(at == text.npos || at == 0 ? text : text.substr(0, at)));
}

std::string StationSummary(const StationRecord& r, bool scrambled) {
  auto choice = [](const std::string& value, std::initializer_list<std::pair<const char*, int>> slots, int other) {
    for (const auto& [digit, slot] : slots) {
      if (value == digit) return Msg(slot);
    }
    return Msg(other);
  };
  std::vector<std::pair<int, std::string>> lines = {
      {65, r.VRadioName},
      {66, r.VGenre},
      {67, r.VLanguage},
      {68, r.VCountry + " " + r.VState + " " + r.VCity},
      {69, choice(r.VFormat, {{"1", 78}, {"2", 79}, {"3", 80}, {"4", 81}}, 77)},
      {70, r.VSpeed},
      {71, choice(r.VValidity, {{"1", 82}, {"2", 83}, {"3", 84}, {"4", 85}}, 86)},
  };
  if (!scrambled) lines.emplace_back(72, FirstUrl(r.VStreamURL));
  lines.insert(lines.end(), {{73, r.VHomepage}, {74, r.VSchedule}, {75, r.VProxy}, {76, r.VFrequency}});
  std::string text;
  for (const auto& [slot, value] : lines) {
    if (!text.empty()) text += "\r\n";
    text += Msg(slot) + "  " + value;
  }
  return text;
}

bool TRadioTable::OpenFor(int id, const ProgramPaths& paths) {
  const bool user = IsUserStationID(id);
  SetTableName(user ? paths.UserTablePath() : paths.SystemTablePath());
  SetEncry(!user);
  return Open();
}

bool TRadioTable::OpenIn(int id, const std::filesystem::path& data_folder) {
  const bool user = IsUserStationID(id);
  const std::filesystem::path path = FindNoCase(data_folder, user ? "datauser.dat" : "data.dat");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  SetTableName(path);
  SetEncry(!user);
  return Open();
}

namespace {

// "ftp://...", "file:///..." or "javascript:..." name a scheme of their own
// that completing would only hide; "host:8000/..." is a host with a port.
bool NamesOtherScheme(std::string_view page) {
  if (const std::size_t at = page.find("://"); at != std::string_view::npos) {
    const std::string scheme = AsciiLowerCopy(page.substr(0, at));
    return scheme != "http" && scheme != "https";
  }
  std::size_t letters = 0;
  while (letters < page.size() && std::isalpha(static_cast<unsigned char>(page[letters])) != 0) ++letters;
  return letters > 0 && letters < page.size() && page[letters] == ':' &&
         (letters + 1 == page.size() || std::isdigit(static_cast<unsigned char>(page[letters + 1])) == 0);
}

}  // namespace

std::optional<std::string> ProgramListAddress(const StationRecord& record) {
  std::string_view page = TrimBlanks(record.VSchedule);
  if (page.empty()) page = TrimBlanks(record.VHomepage);
  if (page.empty() || NamesOtherScheme(page)) return std::nullopt;
  const std::string address = CompleteWebAddress(page);
  const std::string lower = AsciiLowerCopy(address);
  std::size_t host = 0;
  if (lower.starts_with("http://")) {
    host = 7;
  } else if (lower.starts_with("https://")) {
    host = 8;
  } else {
    return std::nullopt;
  }
  if (host >= address.size() || address[host] == '/') return std::nullopt;
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return std::nullopt;
  }
  return address;
}

bool TRadioTable::LoadByID(int id) {
  const std::string line = ReadByID(id);
  ParseRecord(line);
  return !line.empty();
}

bool TRadioTable::LoadRecord(int record) {
  const std::string line = ReadRecord(record);
  ParseRecord(line);
  return !line.empty();
}

int TRadioTable::FindByNameOrUrl(std::string_view name, std::string_view address) {
  int result = 0;
  ScanLines(TableName(), [&](int, std::string_view line) {
    std::string_view rest = line;
    const std::string id = CutLeft(rest);
    const std::string line_name = CutLeft(rest);
    std::string_view tail = line;
    const std::string urls = CutRight(tail);
    // Empty search texts match nothing rather than every line.
    if (!address.empty() && ContainsNoCase(urls, address)) result = 2;
    if (!name.empty() && EqualsNoCase(line_name, name)) result = result == 2 ? 3 : 1;
    if (result == 0) return false;
    fields_.VID = id;
    fields_.VRadioName = line_name;
    fields_.VStreamURL = urls;
    return true;
  });
  return result;
}

template <typename Field>
int TRadioTable::FindNext(std::string_view text, int after, Field field) {
  // An empty text is contained in every field: it matches nothing instead,
  // as in FindByNameOrUrl.
  if (text.empty()) return 0;
  if (encry_) {
    // Scrambled rests may hold any byte, line breaks included, so records
    // come from the index, never from splitting the text into lines.
    const int count = RecordCount();
    for (int record = std::max(after, 0) + 1; record <= count; ++record) {
      const std::string line = ReadRecord(record);
      if (!ContainsNoCase(field(ParseStationLine(line, true)), text)) continue;
      ParseRecord(line);
      return record;
    }
    return 0;
  }
  int hit = 0;
  ScanLines(TableName(), [&](int number, std::string_view line) {
    if (number <= after || !ContainsNoCase(field(ParseStationLine(line, false)), text)) return false;
    ParseRecord(line);
    hit = number;
    return true;
  });
  return hit;
}

int TRadioTable::FindName(std::string_view text, int after) {
  return FindNext(text, after, [](const StationRecord& r) { return r.VRadioName; });
}

int TRadioTable::FindUrl(std::string_view text, int after) {
  return FindNext(text, after, [](const StationRecord& r) { return r.VStreamURL; });
}

}  // namespace tazmel
