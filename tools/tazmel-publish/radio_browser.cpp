#include "radio_browser.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "core/file_utils.h"
#include "core/text_utils.h"

namespace tazmel::publish {
namespace {

#include "names.inc"

// "a,b:Name|c:Other" -> {a: Name, b: Name, c: Other}.
std::unordered_map<std::string, std::string> Table(std::string_view text, char keys) {
  std::unordered_map<std::string, std::string> table;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('|'), text.size());
    const std::string_view entry = text.substr(0, end);
    const std::size_t colon = entry.rfind(':');
    const std::string name(entry.substr(colon + 1));
    std::string_view list = entry.substr(0, colon);
    while (!list.empty()) {
      const std::size_t comma = keys == ',' ? std::min(list.find(','), list.size()) : list.size();
      table.emplace(std::string(list.substr(0, comma)), name);
      list.remove_prefix(std::min(comma + 1, list.size()));
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return table;
}

const auto& Countries() {
  static const auto table = Table(kCountries, ':');
  return table;
}
const auto& Languages() {
  static const auto table = Table(kLanguages, ',');
  return table;
}
const auto& Genres() {
  static const auto table = Table(kGenres, ',');
  return table;
}

// Capitals at the starts of ASCII words: "deep space" -> "Deep Space".
std::string TitleCase(std::string text) {
  bool start = true;
  for (char& c : text) {
    if (start && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    start = c == ' ' || c == '-' || c == '/' || c == '(';
  }
  return text;
}

std::string Lower(std::string_view text) { return AsciiLowerCopy(CleanText(text)); }

std::string Field(const nlohmann::json& station, const char* key) {
  const auto it = station.find(key);
  if (it == station.end() || it->is_null()) return {};
  if (it->is_string()) return it->get<std::string>();
  if (it->is_number_integer()) return std::to_string(it->get<long long>());
  return {};
}

bool IsWebAddress(std::string_view url) {
  const std::string lower = AsciiLowerCopy(url.substr(0, 8));
  return lower.starts_with("http://") || lower.starts_with("https://");
}

// The first part of a comma (or semicolon) separated list.
std::string_view FirstItem(std::string_view list) {
  return TrimBlanks(list.substr(0, std::min(list.find_first_of(",;"), list.size())));
}

}  // namespace

std::string CleanText(std::string_view text) {
  std::string out;
  bool blank = false;
  for (const char c : text) {
    if (static_cast<unsigned char>(c) <= ' ' || c == 0x7F) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

std::string GenreFromTags(std::string_view tags) {
  const std::string first = Lower(FirstItem(tags));
  if (first.empty()) return "Other";
  const auto it = Genres().find(first);
  return it != Genres().end() ? it->second : TitleCase(first);
}

std::string LanguageName(std::string_view language) {
  const std::string first = Lower(FirstItem(language));
  if (first.empty()) return "Unknown";
  const auto it = Languages().find(first);
  return it != Languages().end() ? it->second : TitleCase(first);
}

std::string CountryName(std::string_view code, std::string_view fallback) {
  std::string upper = CleanText(code);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (const auto it = Countries().find(upper); it != Countries().end()) return it->second;
  const std::string name = CleanText(fallback);
  return name.empty() ? "Unknown" : name;
}

bool IdTable::Load(const std::filesystem::path& file, std::string& error) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return true;
  const std::optional<std::string> text = ReadWholeFile(file);
  if (!text) {
    error = "cannot read " + file.string();
    return false;
  }
  int number = 0;
  ForEachLine(*text, [&](std::string_view line) {
    ++number;
    if (!error.empty() || line.empty() || line.starts_with('#')) return;
    const std::size_t tab = line.find('\t');
    const std::optional<int> id = tab == line.npos ? std::nullopt : ParseInteger(line.substr(tab + 1));
    if (!id || *id < 1 || *id > 100000) {
      error = file.string() + ":" + std::to_string(number) + ": expected UUID<TAB>ID";
      return;
    }
    ids_[std::string(line.substr(0, tab))] = *id;
    highest_ = std::max(highest_, *id);
  });
  return error.empty();
}

bool IdTable::Save(const std::filesystem::path& file) const {
  std::vector<std::pair<int, std::string>> rows;
  for (const auto& [uuid, id] : ids_) rows.emplace_back(id, uuid);
  std::sort(rows.begin(), rows.end());
  std::string text = "# station UUID<TAB>Tazmel station ID; keep this file with the station list\n";
  for (const auto& [id, uuid] : rows) text += uuid + "\t" + std::to_string(id) + "\n";
  return WriteFileAtomically(file, text);
}

std::optional<int> IdTable::IdFor(const std::string& uuid) {
  if (const auto it = ids_.find(uuid); it != ids_.end()) return it->second;
  if (highest_ >= 100000) return std::nullopt;
  ids_[uuid] = ++highest_;
  return highest_;
}

std::optional<std::vector<StationRecord>> ReadRadioBrowser(std::string_view json, IdTable& ids, ImportCounts& counts,
                                                           std::string& error) {
  const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
  if (document.is_discarded() || !document.is_array()) {
    error = "not a radio-browser station list (a JSON array of stations)";
    return std::nullopt;
  }
  std::vector<StationRecord> stations;
  std::vector<std::pair<long long, int>> votes;  // (-votes, id): most first, ties by ID
  std::unordered_set<std::string> seen;
  for (const nlohmann::json& s : document) {
    if (!s.is_object()) continue;
    ++counts.read;
    const std::string check = Field(s, "lastcheckok");
    if (check == "0") {
      ++counts.failed_check;
      continue;
    }
    const std::string uuid = CleanText(Field(s, "stationuuid"));
    std::string name = CleanText(Field(s, "name"));
    // "||" separates addresses: no address may hold it.
    std::vector<std::string> urls;
    for (const char* key : {"url_resolved", "url"}) {
      const std::string url = CleanText(Field(s, key));
      if (IsWebAddress(url) && url.find("||") == std::string::npos &&
          std::find(urls.begin(), urls.end(), url) == urls.end()) {
        urls.push_back(url);
      }
    }
    if (uuid.empty() || name.empty() || urls.empty()) {
      ++counts.unusable;
      continue;
    }
    if (!seen.insert(uuid).second) {
      ++counts.duplicates;
      continue;
    }
    const std::optional<int> id = ids.IdFor(uuid);
    if (!id) {
      error = "more than 100000 stations: the system table has no room";
      return std::nullopt;
    }
    StationRecord r;
    r.VID = std::to_string(*id);
    r.VRadioName = std::move(name);
    r.VGenre = GenreFromTags(Field(s, "tags"));
    r.VCountry = CountryName(Field(s, "countrycode"), Field(s, "country"));
    r.VState = CleanText(Field(s, "state"));
    r.VLanguage = LanguageName(Field(s, "language"));
    r.VFormat = "0";
    const std::string bitrate = CleanText(Field(s, "bitrate"));
    if (const std::optional<int> kbps = ParseInteger(bitrate); kbps && *kbps > 0) r.VSpeed = bitrate + "K";
    const std::string homepage = CleanText(Field(s, "homepage"));
    if (IsWebAddress(homepage)) r.VHomepage = homepage;
    r.VStreamURL = urls.front();
    for (std::size_t i = 1; i < urls.size(); ++i) r.VStreamURL += "||" + urls[i];
    const std::optional<int> vote_count = ParseInteger(Field(s, "votes"));
    votes.emplace_back(-static_cast<long long>(vote_count.value_or(0)), *id);
    stations.push_back(std::move(r));
  }
  std::sort(votes.begin(), votes.end());
  for (std::size_t i = 0; i < votes.size() && i < 10; ++i) counts.most_voted.push_back(votes[i].second);
  std::sort(stations.begin(), stations.end(),
            [](const StationRecord& a, const StationRecord& b) { return *ParseInteger(a.VID) < *ParseInteger(b.VID); });
  return stations;
}

}  // namespace tazmel::publish
