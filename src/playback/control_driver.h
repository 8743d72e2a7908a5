#pragma once

// The engine's hands on the three player controls: the only place that
// knows their vocabularies (how each starts, stops, pauses and resumes, when
// each counts as active, how volume and balance map onto it, where its
// figures come from) and that turns their events into typed ControlEvents.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "playback/media_kind.h"
#include "playback/player_choice.h"
#include "playback/player_controls.h"

namespace tazmel {

class StationProxyOverrides;

struct ControlEvent {
  enum class Type {
    kLocating,    // the opening's progress, for the state text
    kConnecting,  // ... and the control is busy
    kOpening,
    kBusy,        // busy without a text of its own
    kClipOpened,  // a clip opened (RealPlayer names it)
    kClosed,      // closed; nothing to reconnect
    kStopped,     // stopped; a stream that stopped by itself may come back
    kPaused,
    kPlaying,           // `plays_now`: playing needs no end of buffering first
    kBufferingStarted,  // the figures come from the engine's ticks
    kBufferingPercent,  // RealPlayer reports `value` percent itself
    kBufferingEnded,    // and now it plays
    kEnded,             // the clip reached its end; `finite` unless live
    kFailed,
    kPosition,       // RealPlayer reports its position itself
    kAudioLanguage,  // `value`: the audio's language ID
  };
  Type type = Type::kBusy;
  PlayerId player = PlayerId::kNone;
  // The engine's own doing: a control stopped for a switch, or closed on
  // purpose; no failure and nothing to show.
  bool by_us = false;
  bool finite = false;
  bool plays_now = false;
  int value = 0;
  std::int64_t position_ms = 0;
  std::int64_t length_ms = 0;
  std::string short_name;
  std::string url;
};

struct AudioSettings {
  int volume = 80;  // 0..100
  int balance = 0;  // -100..100
  bool mute = false;
};

// What a stream tells about itself.
struct StreamInfo {
  std::string title;
  std::string homepage;
  std::string copyright;
  std::string genre;
};

// What a local file tells about itself.
struct FileInfo {
  std::string name;  // the title, else the file name without extension
  std::string author;
  std::string copyright;
  std::string file;
  long long length_s = 0;
  std::optional<std::string> speed;  // for the speed label, when it sets one
};

struct ClipPosition {
  double position_s = 0;
  double duration_s = 0;  // 0 for a live stream
};

enum class PauseOutcome { kNothing, kPaused, kStopped };

// "n Kbps" for a rate in bit/s; "" when the rate is not above 1000 and
// `only_above_1000` says so.
std::string KbpsText(int bits_per_second, bool only_above_1000, std::string_view unit = " Kbps");

class ControlDriver {
 public:
  using EventSink = std::function<void(const ControlEvent&)>;

  // `sink` receives every event of every control, on the user-interface
  // thread, never inside a call made here.
  ControlDriver(PlayerFactory& factory, EventSink sink);
  ~ControlDriver();
  ControlDriver(const ControlDriver&) = delete;
  ControlDriver& operator=(const ControlDriver&) = delete;

  // Creates what the kind needs and wires the controls made.
  PlayerChoice Choose(MediaKind kind, bool wmp9_installed);

  bool AnyActive() const;
  // Stops what is active before another attempt; their stop events come
  // marked `by_us`. True when something was stopped.
  bool StopActiveForSwitch();
  // Stops every control there is.
  void StopAll();
  // Where a station's own proxy goes, and the proxy text of the station
  // about to start ("" for none); without overrides no proxy is touched.
  void SetStationProxies(StationProxyOverrides* overrides);
  void SetStationProxy(std::string proxy) { station_proxy_ = std::move(proxy); }
  void Start(PlayerId player, const std::string& address);
  void Resume(PlayerId player);
  PauseOutcome Pause();
  void Hide(PlayerId player);

  // Volume, balance and mute onto the control about to play.
  void ApplyAudio(PlayerId player, const AudioSettings& audio);
  // Changes while playing go to the control the kind names.
  void ApplyVolume(MediaKind kind, const AudioSettings& audio);
  void ApplyBalance(MediaKind kind, const AudioSettings& audio);
  void ApplyMute(MediaKind kind, const AudioSettings& audio);

  bool CanSeek(MediaKind kind) const;
  void SeekTo(MediaKind kind, double fraction);
  double Progress(PlayerId player) const;  // 0..1

  // Whether the engine's ticks read the figures (RealPlayer reports its
  // own).
  static bool NeedsTicks(PlayerId player) { return player == PlayerId::kWmp6 || player == PlayerId::kWmp9; }
  ClipPosition Position(PlayerId player) const;
  int BufferingProgress(PlayerId player) const;
  std::string BufferingSpeed(PlayerId player) const;
  // The speed label while playing; nullopt leaves it alone.
  std::optional<std::string> PlayingSpeed(PlayerId player, bool local) const;
  // The speed label when a local clip starts playing; nullopt leaves it.
  std::optional<std::string> LocalStartSpeed(PlayerId player) const;
  // The clip's rate as a station learns it ("128K"); "" while unknown.
  std::string LearntBandwidth(PlayerId player) const;
  bool HasPicture(PlayerId player) const;
  // The song a live stream names now; "" for none.
  std::string NowPlayingTitle(PlayerId player) const;
  // The picture's width and height in pixels; 0 × 0 without one.
  std::pair<int, int> PictureSize(PlayerId player) const;
  // The stream's tags; RealPlayer's, which arrive as events, are used up.
  StreamInfo TakeStreamInfo(PlayerId player);
  FileInfo LocalFileInfo(PlayerId player, const std::string& short_name, const std::string& url);
  PlayerError LastError(PlayerId player) const;

 private:
  // A station's own proxy goes into the player's network settings before a
  // fresh start and the player's settings come back when it stops.
  void ApplyStationProxy(PlayerId player);
  void RestoreProxy(PlayerId player);

  bool RealActive() const;
  bool Wmp6Active() const;
  bool Wmp9Active() const;
  void StopReal(bool clear_source);
  void StopWindowsMedia();
  void OpenedNewStream(PlayerId player);
  void Emit(ControlEvent event);
  template <typename Handler>
  auto Guarded(Handler handler);
  void WireReal(RealPlayerControl& real);
  void WireWmp6(Wmp6Control& wmp6);
  void WireWmp9(Wmp9Control& wmp9);

  PlayerFactory& factory_;
  EventSink sink_;
  StationProxyOverrides* proxies_ = nullptr;
  int proxy_holder_ = 0;
  std::string station_proxy_;
  // Set while going away: what a control raises then reaches nobody.
  bool closing_ = false;
  // A Windows Media clip is opening (the controls tell only later).
  bool wm_opening_ = false;
  // The engine stopped the control for a switch; its events until the next
  // clip opens are the engine's own doing.
  bool real_switching_ = false;
  bool wm_switching_ = false;
  // RealPlayer's tags arrive as events ahead of playing.
  std::string real_title_;
  std::string real_author_;
  std::string real_copyright_;
  PlayerSet players_;
  bool real_wired_ = false;
  bool wmp6_wired_ = false;
  bool wmp9_wired_ = false;
};

}  // namespace tazmel
