#pragma once

#include <cstddef>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "playback/play_source.h"

namespace tazmel {

// One song a station named, with when it began ("yyyy-mm-dd hh:nn:ss",
// local time). Texts are in the data code page.
struct TitleEntry {
  std::string time;
  std::string title;

  bool operator==(const TitleEntry&) const = default;
};

// The songs each station named lately, one small file per station in a
// folder of the program folder: "time TAB title" lines, oldest first. Each
// change rewrites the file whole, so a crash leaves the old list or the new
// one, never half of either.
class TitleHistory {
 public:
  static constexpr std::size_t kMaxEntries = 50;

  explicit TitleHistory(std::filesystem::path folder) : folder_(std::move(folder)) {}

  // The file's name for what is playing: the station's ID, or for a typed
  // address a digest of it; "" for sources without a history (the music
  // list, no address).
  static std::string KeyFor(PlaySource source, std::string_view address);

  // The newest kMaxEntries entries, oldest first; lines that are no entry
  // are skipped.
  std::vector<TitleEntry> Load(const std::string& key) const;
  // Appends the title unless it is the newest entry already (a reconnect
  // names the same song again); drops the oldest beyond kMaxEntries. False
  // when the file could not be written.
  bool Add(const std::string& key, const std::string& title, const std::tm& local_time);

  std::filesystem::path FileFor(const std::string& key) const { return folder_ / (key + ".txt"); }

 private:
  std::filesystem::path folder_;
};

std::string HistoryTimeText(const std::tm& local_time);

}  // namespace tazmel
