#include "playback/title_history.h"

#include <cstdint>
#include <cstdio>
#include <system_error>

#include "core/file_utils.h"

namespace tazmel {
namespace {

constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

// A title is one field of one line: tabs and line breaks in what a station
// sends would split it.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

std::uint64_t Fnv1a(std::string_view text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

}  // namespace

std::string HistoryTimeText(const std::tm& t) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return buffer;
}

std::string TitleHistory::KeyFor(PlaySource source, std::string_view address) {
  if (source.IsStation()) return "station-" + std::to_string(source.StationId());
  if (!source.IsTyped() || address.empty()) return {};
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "address-%016llx", static_cast<unsigned long long>(Fnv1a(address)));
  return buffer;
}

std::vector<TitleEntry> TitleHistory::Load(const std::string& key) const {
  std::vector<TitleEntry> entries;
  if (key.empty()) return entries;
  const std::optional<std::string> text = ReadWholeFile(FileFor(key), kMaxFileBytes);
  if (!text) return entries;
  std::string_view rest = *text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0 || tab + 1 == line.size()) continue;
    entries.push_back({std::string(line.substr(0, tab)), std::string(line.substr(tab + 1))});
  }
  if (entries.size() > kMaxEntries) entries.erase(entries.begin(), entries.end() - kMaxEntries);
  return entries;
}

bool TitleHistory::Add(const std::string& key, const std::string& title, const std::tm& local_time) {
  const std::string line = OneLine(title);
  if (key.empty() || line.empty()) return false;
  std::vector<TitleEntry> entries = Load(key);
  if (!entries.empty() && entries.back().title == line) return true;
  entries.push_back({HistoryTimeText(local_time), line});
  if (entries.size() > kMaxEntries) entries.erase(entries.begin(), entries.end() - kMaxEntries);
  std::string text;
  for (const TitleEntry& entry : entries) text += entry.time + '\t' + entry.title + "\r\n";
  std::error_code error;
  std::filesystem::create_directories(folder_, error);
  return WriteFileAtomically(FileFor(key), text);
}

}  // namespace tazmel
