#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stations/radio_table.h"

namespace tazmel::publish {

// Station IDs kept from one publication to the next, keyed by the
// directory's station UUID, so favourites and channels keep pointing at the
// same stations. File: "uuid<TAB>id" per line.
class IdTable {
 public:
  bool Load(const std::filesystem::path& file, std::string& error);
  bool Save(const std::filesystem::path& file) const;
  // The station's ID; a new station takes the next free one. Nothing once
  // the system table's range (1..100000) is used up.
  std::optional<int> IdFor(const std::string& uuid);

 private:
  std::map<std::string, int> ids_;
  int highest_ = 0;
};

struct ImportCounts {
  std::size_t read = 0;
  std::size_t failed_check = 0;  // lastcheckok 0: left out
  std::size_t unusable = 0;      // no name, no http(s) address or no UUID
  std::size_t duplicates = 0;    // a UUID seen before
  std::vector<int> most_voted;   // the IDs of the ten stations with most votes
};

// Stations of a radio-browser.info export (the json/stations form), as UTF-8
// records in ID order with names, genres, countries and languages
// normalised. Nothing when the text is not such an export.
std::optional<std::vector<StationRecord>> ReadRadioBrowser(std::string_view json, IdTable& ids, ImportCounts& counts,
                                                           std::string& error);

// The normalisations, one value each.
std::string CleanText(std::string_view text);                               // one line, single blanks, trimmed
std::string GenreFromTags(std::string_view tags);                           // the first tag, one spelling per genre
std::string LanguageName(std::string_view language);                        // "eng", "en", "english" -> "English"
std::string CountryName(std::string_view code, std::string_view fallback);  // "DE" -> "Germany"

}  // namespace tazmel::publish
