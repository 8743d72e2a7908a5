#pragma once

// The playback engine: requests in, one snapshot per change out to the view.
// Its units: the control driver (control_driver.h), the attempt, failover
// and reconnect core (engine_core.h), station learning
// (station_learning.h) and the display model (engine_display_model.h).
// Threads, queues and serials: docs/ARCHITECTURE.md.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/dispatcher.h"
#include "online/page_fetcher.h"
#include "playback/control_driver.h"
#include "playback/engine_view.h"
#include "playback/listening_reports.h"
#include "playback/media_kind.h"
#include "playback/play_source.h"
#include "playback/player_controls.h"
#include "playback/playlist_navigator.h"
#include "recording/sound_output.h"
#include "stations/radio_table.h"

namespace tazmel {

class StationProxyOverrides;

class ProgramPaths;

// Options the main window loads and the Options dialog changes.
struct EngineOptions {
  bool reconnect = true;
  int retry_num = 0;    // 0: no limit
  int retry_delay = 3;  // seconds
  bool enable_sound = false;
  bool video_form_visible = true;
};

// Everything the engine talks to. References must outlive the engine;
// pointers may be null (no such service yet).
struct EngineServices {
  Dispatcher& dispatcher;
  PlayerFactory& factory;
  EngineView& view;
  const ProgramPaths& paths;
  SoundOutput* sound = nullptr;
  PlaylistNavigator* navigator = nullptr;
  ListeningReports* reports = nullptr;
  // The resolver's downloads; without it an unknown address goes to a
  // player as it is.
  PageFetcher* pages = nullptr;
  // Whether the Windows Media Player 9-like component is new enough.
  std::function<bool()> wmp9_installed;
  int user_default_language_id = 0x0409;
  // Where a station's own proxy goes while it plays; none without it.
  StationProxyOverrides* proxies = nullptr;
};

// Turns play requests into a running stream on one of the three controls,
// keeps the view informed, fails over between a station's addresses,
// reconnects, learns about user stations and reports play and stop.
class PlaybackEngine {
 public:
  explicit PlaybackEngine(EngineServices services);
  ~PlaybackEngine();
  PlaybackEngine(const PlaybackEngine&) = delete;
  PlaybackEngine& operator=(const PlaybackEngine&) = delete;

  // Requests.
  void PlayStation(int id);
  void PlayMusicList();
  void PlayAddresses(std::string_view text, std::string_view display_name, MediaKind kind);
  void Play();
  void Pause();
  void Stop();
  void Next();
  void Previous();
  bool IsActive() const;

  void SetVolume(int volume);
  void SetBalance(int balance);
  void SetMute(bool mute);
  int Volume() const;
  int Balance() const;
  bool Mute() const;
  bool Paused() const;
  PlaySource Source() const;

  void BeginSeek();
  bool CanSeek() const;
  // Where the clip being played is; zeros while nothing plays.
  ClipPosition Position() const;
  void SeekTo(double fraction);
  void RefreshProgress();

  std::string GetUserUrl() const;
  void SetUserUrl(std::string_view text);
  // The source the last run played (`CurPlayID`, with `CurUserUrl` for a
  // typed address), so that Play starts it again.
  void RestorePlaySource(PlaySource source, std::string_view user_url);
  std::string GetCurrentTitle() const;
  void ReportPlaying();

  void SetOptions(const EngineOptions& options);
  const EngineOptions& Options() const;

  // The messages changed: the view gets its texts in the new language.
  void Retranslate();

  // For the windows and tests: the current request.
  const std::vector<std::string>& AddressList() const;
  int AddressIndex() const;
  MediaKind Kind() const;
  const StationRecord& CurrentRecord() const;  // rblData
  // The current clip's picture in pixels, 0 × 0 without one (the video
  // window's size commands).
  std::pair<int, int> PictureSize() const;

 private:
  class Core;
  std::unique_ptr<Core> core_;
};

}  // namespace tazmel
