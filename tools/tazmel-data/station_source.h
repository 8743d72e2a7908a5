#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "stations/radio_table.h"

namespace tazmel::data_tool {

// Stations read from a plain TSV file: one station per line, 15 TAB-separated
// fields with VID first; "#" lines are comments, except "# channels: a,b,..."
// which names the ten default channel stations.
struct StationSource {
  std::vector<StationRecord> stations;
  std::vector<int> channels;
};

// How the source file's text is taken. Text that is not valid in it is
// refused with its line, never stored as replacement characters.
enum class SourceText {
  kUtf8ToGb,  // UTF-8, converted to GB18030
  kUtf8,      // UTF-8, kept as it is (converted later)
  kGb,        // already GB18030 (--raw)
};

// Reads and checks the file; on failure returns nullopt with `error` naming
// the line.
std::optional<StationSource> ReadStationSource(const std::filesystem::path& file, SourceText text_kind,
                                               std::string& error);

// English caption -> {simplified, traditional}, UTF-8, from "en\tchs\tcht" lines.
using CaptionTable = std::map<std::string, std::pair<std::string, std::string>>;
std::optional<CaptionTable> ReadCaptions(const std::filesystem::path& file, std::string& error);

// Writes a language's default data folder: the scrambled system table, an
// empty user table, treesys.dat and the subtree files (Favorites, Recently
// played, the ten channels, and trees by genre, country/region and
// language). `language` is "eng", "chs" or "cht"; the Chinese ones get
// translated group captions and attribute values. Source text is UTF-8.
bool WriteDefaultData(const StationSource& source, const CaptionTable& captions, const std::string& language,
                      const std::filesystem::path& folder, std::string& error);

}  // namespace tazmel::data_tool
