#include "stations/station_search.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <system_error>

#include "core/code_page.h"
#include "core/file_utils.h"
#include "core/text_utils.h"

namespace fs = std::filesystem;

namespace tazmel {
namespace {

constexpr char kFieldBreak = '\x01';

std::vector<std::string_view> Words(std::string_view folded) {
  std::vector<std::string_view> words;
  while (!folded.empty()) {
    const std::size_t blank = folded.find(' ');
    words.push_back(folded.substr(0, blank));
    if (blank == std::string_view::npos) break;
    folded.remove_prefix(blank + 1);
  }
  return words;
}

std::string JoinPlace(const StationRecord& r) {
  std::string place;
  for (const std::string* part : {&r.VCountry, &r.VState, &r.VCity}) {
    const std::string_view text = TrimBlanks(*part);
    if (text.empty()) continue;
    if (!place.empty()) place += ", ";
    place += GbToUtf8(text);
  }
  return place;
}

}  // namespace

std::string FoldSearchText(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    if (IsBlankOrControl(c)) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += AsciiLower(c);
    }
  }
  if (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

bool StationSearchIndex::Add(const StationRecord& r) {
  const std::optional<int> id = ParseInteger(TrimBlanks(r.VID));
  if (!id || !ids_.insert(*id).second) return false;
  SearchStation station{.id = *id,
                        .name = GbToUtf8(TrimBlanks(r.VRadioName)),
                        .genre = GbToUtf8(TrimBlanks(r.VGenre)),
                        .place = JoinPlace(r),
                        .language = GbToUtf8(TrimBlanks(r.VLanguage))};
  Folded folded;
  folded.text = FoldSearchText(station.name);
  folded.name_size = folded.text.size();
  for (const std::string* field : {&station.genre, &station.place, &station.language}) {
    folded.text += kFieldBreak;
    folded.text += FoldSearchText(*field);
  }
  stations_.push_back(std::move(station));
  folded_.push_back(std::move(folded));
  names_sorted_ = false;
  return true;
}

StationSearchIndex StationSearchIndex::Load(const fs::path& data_folder) {
  StationSearchIndex index;
  TRadioTable table;
  for (const bool user : {false, true}) {
    // A missing table reads as empty; opening it would create empty files.
    const fs::path path = FindNoCase(data_folder, user ? "datauser.dat" : "data.dat");
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) continue;
    table.SetTableName(path);
    table.SetEncry(!user);
    if (!table.Open()) continue;
    const int count = table.RecordCount();
    for (int record = 1; record <= count; ++record) {
      if (!table.LoadRecord(record)) continue;
      const StationRecord& station = table.Fields();
      const std::optional<int> id = ParseInteger(TrimBlanks(station.VID));
      // Playing goes by the ID rule: a record in the other table's range
      // would play whatever that table holds under its ID.
      if (!id || *id < 1 || IsUserStationID(*id) != user) continue;
      if (FoldSearchText(station.VRadioName).empty()) continue;
      index.Add(station);
    }
    table.Close();
  }
  index.SortNames();
  return index;
}

void StationSearchIndex::SortNames() const {
  if (names_sorted_) return;
  std::vector<std::uint32_t> by_name(stations_.size());
  std::iota(by_name.begin(), by_name.end(), 0U);
  std::sort(by_name.begin(), by_name.end(), [this](std::uint32_t a, std::uint32_t b) {
    const std::string_view name_a = std::string_view(folded_[a].text).substr(0, folded_[a].name_size);
    const std::string_view name_b = std::string_view(folded_[b].text).substr(0, folded_[b].name_size);
    if (name_a != name_b) return name_a < name_b;
    return stations_[a].id < stations_[b].id;
  });
  name_order_.assign(stations_.size(), 0);
  for (std::uint32_t place = 0; place < by_name.size(); ++place) name_order_[by_name[place]] = place;
  by_name_ = std::move(by_name);
  names_sorted_ = true;
}

std::vector<std::size_t> StationSearchIndex::Find(std::string_view query, std::size_t limit, std::size_t* total) const {
  const std::string folded_query = FoldSearchText(query);
  const std::vector<std::string_view> words = Words(folded_query);
  if (total) *total = 0;
  if (words.empty()) return {};
  SortNames();

  // Rank in the high bits, name order in the low ones: one integer sort.
  std::vector<std::uint64_t> hits;
  for (std::size_t i = 0; i < folded_.size(); ++i) {
    const std::string_view text = folded_[i].text;
    bool all = true;
    bool all_in_name = true;
    for (const std::string_view word : words) {
      // The name comes first, so a first hit past it means none in it.
      const std::size_t at = text.find(word);
      if (at == std::string_view::npos) {
        all = false;
        break;
      }
      if (at + word.size() > folded_[i].name_size) all_in_name = false;
    }
    if (!all) continue;
    const std::uint64_t rank = text.substr(0, folded_[i].name_size).starts_with(folded_query) ? 0 : all_in_name ? 1 : 2;
    hits.push_back(rank << 32 | name_order_[i]);
  }
  if (total) *total = hits.size();
  const std::size_t kept = std::min(limit, hits.size());
  std::partial_sort(hits.begin(), hits.begin() + static_cast<std::ptrdiff_t>(kept), hits.end());
  hits.resize(kept);

  std::vector<std::size_t> result;
  result.reserve(kept);
  for (const std::uint64_t hit : hits) result.push_back(by_name_[hit & 0xFFFFFFFFU]);
  return result;
}

}  // namespace tazmel
