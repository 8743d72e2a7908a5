#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "stations/radio_table.h"

namespace tazmel {

// One station as the directory search shows and matches it. Display texts
// are UTF-8: the search compares UTF-8 text, in which no byte of a
// multi-byte character can look like an ASCII letter, as the trail bytes of
// the data code page can.
struct SearchStation {
  int id = 0;
  std::string name;
  std::string genre;
  std::string place;  // country/region, state, city, as far as known
  std::string language;
};

// Every station of the system and user tables of one data folder, with a
// folded copy of the matched fields so a keystroke costs one scan.
class StationSearchIndex {
 public:
  StationSearchIndex() = default;

  // Reads both tables of the folder. Only records the ID rule would find
  // in the table they come from are kept (a system record with a user ID
  // would play another station); a repeated ID keeps its first record.
  static StationSearchIndex Load(const std::filesystem::path& data_folder);

  // Adds one station; false for an ID the index already holds.
  bool Add(const StationRecord& record);

  std::size_t size() const { return stations_.size(); }
  const SearchStation& at(std::size_t index) const { return stations_[index]; }

  // Indexes of the stations that match, best first, at most `limit`.
  // The query is cut at blanks into words; a station matches when every
  // word occurs, ignoring the case of ASCII letters, in its name, genre,
  // place or language (each word in any of them). Stations whose name
  // starts with the whole query come first, then those whose name holds
  // every word, then the rest; within each, by name, then by ID. A query
  // without words finds nothing. `total`, when given, receives the number
  // of matches before the limit.
  std::vector<std::size_t> Find(std::string_view query, std::size_t limit, std::size_t* total = nullptr) const;

 private:
  struct Folded {
    std::string text;  // name, genre, place, language joined by '\x01'
    std::size_t name_size = 0;
  };

  // Each station's place in name order, so ranking sorts integers.
  void SortNames() const;

  std::vector<SearchStation> stations_;
  std::vector<Folded> folded_;
  std::unordered_set<int> ids_;
  mutable std::vector<std::uint32_t> name_order_;  // station -> place
  mutable std::vector<std::uint32_t> by_name_;     // place -> station
  mutable bool names_sorted_ = false;
};

// UTF-8 text as the search compares it: ASCII letters in lower case,
// control characters as blanks, runs of blanks as one, no blanks at the ends.
std::string FoldSearchText(std::string_view utf8);

}  // namespace tazmel
