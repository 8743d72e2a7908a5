#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// The address history of the "Open location" dialog: section `UserUrl` of
// User.ini, keys "0" (most recent) to "9". Texts are data-code-page bytes.
class OpenUrlHistory {
 public:
  static constexpr std::size_t kMaxEntries = 10;
  static constexpr std::string_view kSection = "UserUrl";

  // Replaces the entries with the file's non-empty values, trimmed, when the
  // file exists; a missing file leaves the history as it is.
  void Load(const std::filesystem::path& user_ini);

  // The OK button: false for an empty text (the dialog stays open). A text
  // equal to an entry moves that entry to the top; any other is inserted at
  // the top. Only the most recent kMaxEntries are kept.
  bool Accept(std::string_view text);

  // Writes the entries to keys "0".. in order; keys past the last entry are
  // left alone. False when the file cannot be read or written.
  bool Save(const std::filesystem::path& user_ini) const;

  const std::vector<std::string>& Entries() const { return entries_; }
  // The top entry, the text the dialog ends with; "" when empty.
  std::string Top() const { return entries_.empty() ? std::string() : entries_.front(); }

 private:
  std::vector<std::string> entries_;
};

}  // namespace tazmel
