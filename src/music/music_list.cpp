#include "music/music_list.h"

#include <algorithm>
#include <system_error>

#include "core/code_page.h"
#include "core/file_utils.h"
#include "core/text_utils.h"

namespace tazmel {
namespace {

// Folders nested deeper than this are left out: a bind mount can make a
// tree without end even when links are not followed.
constexpr int kMaxFolderDepth = 64;

std::string AsciiUpperCopy(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

int DigitCount(int number) {
  int digits = 1;
  while (number >= 10) {
    number /= 10;
    ++digits;
  }
  return digits;
}

}  // namespace

MusicList::MusicList(PlayableTest playable) : playable_(std::move(playable)) {}

bool MusicList::Load(const std::filesystem::path& file, int index) {
  const std::optional<std::string> content = ReadWholeFile(file);
  if (!content) return false;
  rows_.clear();
  ForEachLine(*content, [this](std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // A blank line names nothing to play.
    if (!line.empty()) rows_.emplace_back(line);
  });
  playing_item_ = index >= 0 && index < size() ? index : 0;
  found_item_ = -1;
  return true;
}

bool MusicList::Save(const std::filesystem::path& file) const {
  if (rows_.empty()) {
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return true;
  }
  std::string content;
  std::size_t total = 0;
  for (const std::string& row : rows_) total += row.size() + 2;
  content.reserve(total);
  for (const std::string& row : rows_) {
    content += row;
    content += "\r\n";
  }
  return WriteFileAtomically(file, content);
}

void MusicList::Add(std::string path, int& position, int& count) {
  ++count;
  if (position < 0 || position >= size()) {
    rows_.push_back(std::move(path));
    if (position >= 0) position = size();
  } else {
    rows_.insert(rows_.begin() + position, std::move(path));
    ++position;
  }
}

void MusicList::ScanFolder(const std::filesystem::path& folder, int& position, int& count, int depth) {
  if (depth > kMaxFolderDepth) return;
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec);
  if (ec) return;
  struct Entry {
    std::string name;
    bool folder;
  };
  std::vector<Entry> entries;
  for (const std::filesystem::directory_iterator end; it != end; it.increment(ec)) {
    if (ec) break;
    const std::filesystem::directory_entry& entry = *it;
    std::string name = entry.path().filename().string();
    if (name.empty() || name.front() == '.') continue;
    std::error_code type_ec;
    // A linked folder is not followed (it may lead back up); a linked file
    // is a file like any other.
    if (entry.is_symlink(type_ec)) {
      if (std::filesystem::is_directory(entry.path(), type_ec)) continue;
      entries.push_back({std::move(name), false});
    } else {
      entries.push_back({std::move(name), entry.is_directory(type_ec)});
    }
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.name < b.name; });
  for (Entry& entry : entries) {
    std::filesystem::path path = folder / entry.name;
    if (entry.folder) {
      ScanFolder(path, position, count, depth + 1);
    } else if (!playable_ || playable_(entry.name)) {
      Add(Utf8ToGb(path.string()), position, count);
    }
  }
}

int MusicList::AddPaths(const std::vector<std::string>& paths, int position) {
  int count = 0;
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_directory(status)) {
      if (!playable_ || playable_(path)) Add(Utf8ToGb(path), position, count);
      continue;
    }
    std::string folder = path;
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    ScanFolder(folder, position, count, 0);
  }
  return count;
}

void MusicList::InsertRow(std::string row, int position) {
  int count = 0;
  Add(std::move(row), position, count);
}

void MusicList::Clear() { rows_.clear(); }

std::string MusicList::PlayingPath() const {
  if (playing_item_ < 0 || playing_item_ >= size()) return {};
  return row(playing_item_);
}

int MusicList::SetPlayingItem(int index) {
  if (index < 0 || index >= size()) return -1;
  playing_item_ = index;
  return index;
}

int MusicList::PlayFrom(int current) {
  if (empty()) return -1;
  if (current >= size()) current = 0;
  if (current < 0) current = size() - 1;
  playing_item_ = current;
  return current;
}

int MusicList::StepPlaying(bool forward) {
  if (empty()) return -1;
  int next = forward ? playing_item_ + 1 : playing_item_ - 1;
  // Rows deleted meanwhile may leave PlayingItem beyond the end.
  if (next >= size()) next = forward ? 0 : size() - 1;
  if (next < 0) next = size() - 1;
  playing_item_ = next;
  return next;
}

int MusicList::Delete(std::vector<int> selected, int current) {
  if (empty()) return -1;
  std::sort(selected.begin(), selected.end());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  std::vector<bool> remove(rows_.size(), false);
  for (int index : selected) {
    if (index >= 0 && index < size()) remove[static_cast<std::size_t>(index)] = true;
  }
  // The row that followed the current one, in the list as it will be.
  int follow = -1;
  int kept_before = 0;
  for (int i = 0; i < size(); ++i) {
    if (remove[static_cast<std::size_t>(i)]) continue;
    if (i > current && follow < 0) follow = kept_before;
    ++kept_before;
  }
  std::vector<std::string> kept;
  kept.reserve(static_cast<std::size_t>(kept_before));
  for (int i = 0; i < size(); ++i) {
    if (!remove[static_cast<std::size_t>(i)]) kept.push_back(std::move(rows_[static_cast<std::size_t>(i)]));
  }
  rows_ = std::move(kept);
  if (rows_.empty()) return -1;
  if (current <= 0) return 0;
  return follow >= 0 ? follow : size() - 1;
}

bool MusicList::MoveRows(std::vector<int> selected, int target) {
  if (target < 0 || target >= size()) return false;
  std::sort(selected.begin(), selected.end());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  // Positions of the original rows while they move.
  std::vector<int> order(rows_.size());
  for (int i = 0; i < size(); ++i) order[static_cast<std::size_t>(i)] = i;
  for (int original : selected) {
    if (original < 0 || original >= size()) continue;
    const auto at = std::find(order.begin(), order.end(), original);
    const int from = static_cast<int>(at - order.begin());
    order.erase(at);
    order.insert(order.begin() + std::min(target, static_cast<int>(order.size())), original);
    if (from >= target) ++target;
    target = std::min(target, size() - 1);
  }
  std::vector<std::string> moved;
  moved.reserve(rows_.size());
  for (int original : order) moved.push_back(std::move(rows_[static_cast<std::size_t>(original)]));
  rows_ = std::move(moved);
  return true;
}

MusicList::FindResult MusicList::Find(std::string_view pattern, int current, bool down, bool exact, bool match_case) {
  const std::string wanted = match_case ? std::string(pattern) : AsciiUpperCopy(pattern);
  FindResult result;
  auto matches = [&](int i) {
    std::string text = std::to_string(i + 1) + "." + DisplayName(row(i));
    if (!match_case) text = AsciiUpperCopy(text);
    return exact ? text == wanted : text.find(wanted) != std::string::npos;
  };
  if (down) {
    for (int i = std::max(current + 1, 0); i < size() && result.found < 0; ++i) {
      if (matches(i)) result.found = i;
    }
  } else {
    for (int i = std::min(current - 1, size() - 1); i >= 0 && result.found < 0; --i) {
      if (matches(i)) result.found = i;
    }
  }
  found_item_ = result.found;
  if (result.found >= 0) {
    result.current = result.found;
  } else if (!empty()) {
    result.current = down ? size() - 1 : 0;
  }
  return result;
}

std::string MusicList::DisplayName(std::string_view row) {
  if (row.find("//") != std::string_view::npos) return std::string(row);
  const std::size_t slash = row.rfind('/');
  std::string_view name = slash == std::string_view::npos ? row : row.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string_view::npos) name = name.substr(0, dot);
  return std::string(name);
}

std::string MusicList::RowText(int index) const {
  const int width = std::min(DigitCount(size()), 20);
  return SpacePad(index + 1, width) + ". " + DisplayName(row(index));
}

}  // namespace tazmel
