#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/dispatcher.h"
#include "playback/engine_view.h"
#include "playback/listening_reports.h"
#include "playback/player_choice.h"
#include "playback/player_controls.h"
#include "playback/playlist_navigator.h"
#include "recording/sound_output.h"
#include "stations/radio_table.h"

namespace tazmel {

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
  // The resolver's download: the reply as text, "" on any failure.
  std::function<std::string(const std::string& url)> fetch;
  // Whether the Windows Media Player 9-like component is new enough.
  std::function<bool()> wmp9_installed;
  int user_default_language_id = 0x0409;
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
  void PlayAddresses(std::string_view text, std::string_view display_name, char kind);
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
  int PlaySource() const;  // station ID, 0 typed addresses, -1 music list

  void BeginSeek();
  bool CanSeek() const;
  void SeekTo(double fraction);
  void RefreshProgress();

  std::string GetUserUrl() const;
  void SetUserUrl(std::string_view text);
  // The source the last run played (`CurPlayID`, with `CurUserUrl` for a
  // typed address), so that Play starts it again.
  void RestorePlaySource(int source, std::string_view user_url);
  std::string GetCurrentTitle() const;
  void ReportPlaying();

  void SetOptions(const EngineOptions& options);
  const EngineOptions& Options() const;

  // For the windows and tests: the current request.
  const std::vector<std::string>& AddressList() const;
  int AddressIndex() const;
  char Kind() const;
  const StationRecord& CurrentRecord() const;  // rblData

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// "4" up to 9 seconds, "2" from 30 seconds, "3" in between.
std::string ValidityFromSeconds(long long seconds);

}  // namespace tazmel
