#include "playback/open_url_history.h"

#include <algorithm>
#include <system_error>

#include "core/ini_file.h"
#include "core/text_utils.h"

namespace tazmel {

void OpenUrlHistory::Load(const std::filesystem::path& user_ini) {
  std::error_code ec;
  if (!std::filesystem::exists(user_ini, ec)) return;
  IniFile ini;
  ini.Load(user_ini);
  entries_.clear();
  for (std::size_t i = 0; i < kMaxEntries; ++i) {
    const std::string value = ini.ReadString(kSection, std::to_string(i));
    const std::string_view trimmed = TrimBlanks(value);
    if (!trimmed.empty()) entries_.emplace_back(trimmed);
  }
}

bool OpenUrlHistory::Accept(std::string_view text) {
  if (text.empty()) return false;
  std::string top(text);
  std::erase(entries_, top);
  entries_.insert(entries_.begin(), std::move(top));
  if (entries_.size() > kMaxEntries) entries_.resize(kMaxEntries);
  return true;
}

bool OpenUrlHistory::Save(const std::filesystem::path& user_ini) const {
  if (entries_.empty()) return true;  // nothing to write, so no file to create
  IniFile ini;
  // Saving over a file that could not be read would lose the rest of it.
  if (ini.Load(user_ini) == IniFile::LoadStatus::kUnreadable) return false;
  for (std::size_t i = 0; i < entries_.size() && i < kMaxEntries; ++i) {
    if (!ini.WriteString(kSection, std::to_string(i), entries_[i])) return false;
  }
  return ini.Save(user_ini);
}

}  // namespace tazmel
