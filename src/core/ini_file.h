#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tazmel {

// An INI profile file with the behaviour the settings and language files rely
// on: section and key names match without regard to ASCII case, the first
// occurrence wins, blanks around names and values are trimmed, an empty value
// is a present key. Writing a key keeps every other line byte for byte
// (comments, unknown keys, odd lines) and appends a missing section at the
// end. Text is kept as raw bytes in the data code page.
class IniFile {
 public:
  enum class LoadStatus { kLoaded, kMissing, kUnreadable };

  // Files above this size are treated as unreadable: no settings or language
  // file comes near it, and refusing them keeps start-up fast on garbage.
  static constexpr std::uintmax_t kMaxFileBytes = 32u << 20;

  IniFile() = default;
  static IniFile FromText(std::string_view text);

  // Replaces the content with the file's. A missing file gives an empty
  // document; an unreadable or oversized one also does, and says so.
  LoadStatus Load(const std::filesystem::path& path);

  // Writes the whole document to a temporary name beside `path` and renames
  // it into place, so a reader never sees half a file.
  bool Save(const std::filesystem::path& path) const;

  std::string Text() const;

  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const;
  // Key names of a section in file order, first occurrences only.
  std::vector<std::string> Keys(std::string_view section) const;

  std::string ReadString(std::string_view section, std::string_view key, std::string_view default_value = {}) const;
  // Decimal integer; anything else, or a missing key, gives the default.
  int ReadInteger(std::string_view section, std::string_view key, int default_value) const;
  // An integer where non-zero is true.
  bool ReadBool(std::string_view section, std::string_view key, bool default_value) const;

  // Returns false for names that cannot be stored (empty, or holding line
  // breaks, "=" in a key, "]" in a section). A value is cut at its first line
  // break so that it cannot inject further lines.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  bool WriteInteger(std::string_view section, std::string_view key, int value);
  bool WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  enum class Kind : std::uint8_t { kOther, kSection, kKey };
  struct Line {
    std::string text;  // without the line end
    std::string eol;   // "\r\n", "\n" or "" for a last line without one
    Kind kind = Kind::kOther;
    std::string_view Name() const;   // trimmed section or key name
    std::string_view Value() const;  // trimmed value of a key line
  };

  static Line ParseLine(std::string text, std::string eol);
  // Index of the first header line of `section`, or -1.
  std::ptrdiff_t FindSection(std::string_view section) const;
  // Index of the first line of `key` under that header, or -1.
  std::ptrdiff_t FindKey(std::string_view section, std::string_view key) const;
  // One past the last line of the section that starts at `header`.
  std::size_t SectionEnd(std::size_t header) const;
  // Lookups go through case-folded maps built on first use after a change,
  // so even a file near the size limit answers each read at once.
  void EnsureIndex() const;

  std::vector<Line> lines_;
  mutable bool indexed_ = false;
  mutable std::unordered_map<std::string, std::size_t> section_index_;
  mutable std::unordered_map<std::string, std::size_t> key_index_;  // "section\nkey"
};

// One-shot helpers in the manner of the platform profile functions: each
// reads the file anew; a write loads, changes one key and saves atomically.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                              std::string_view default_value = {});
int ReadProfileInteger(const std::filesystem::path& file, std::string_view section, std::string_view key,
                       int default_value);
// Fails without touching the file when it exists but cannot be read.
bool WriteProfileString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace tazmel
