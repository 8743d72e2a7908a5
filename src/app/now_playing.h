#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "app/mpris_service.h"
#include "playback/engine_view.h"
#include "playback/title_history.h"

namespace tazmel {

class PlaybackEngine;

// Follows the engine's snapshots for the song a stream names: keeps each new
// one in the station's title history and tells what the media player
// interface reports.
class NowPlaying {
 public:
  using LocalNow = std::function<std::tm()>;
  NowPlaying(const PlaybackEngine& engine, TitleHistory& history, LocalNow now = {});

  // True when the snapshot brought a new song (it is then in the history).
  bool Update(const EngineViewState& view);
  MprisState Mpris() const;

  // The history of what is playing, or of what played last.
  const std::string& HistoryKey() const { return key_; }
  const std::string& StationName() const { return station_; }
  const std::string& Song() const { return song_; }

 private:
  const PlaybackEngine& engine_;
  TitleHistory& history_;
  LocalNow now_;
  EngineViewState view_;
  std::string key_;
  std::string station_;
  std::string song_;
  unsigned track_ = 0;
};

}  // namespace tazmel
