#pragma once

// The engine's inner state, shared by engine.cpp (requests, attempts,
// failover, reports) and engine_events.cpp (the controls' events, ticks and
// displays). Not part of the engine's interface.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/dispatcher.h"
#include "playback/engine.h"
#include "playback/player_choice.h"
#include "stations/radio_table.h"

namespace tazmel {

struct PlaybackEngine::State {
  explicit State(EngineServices services);
  ~State();
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  // Requests (engine.cpp).
  void PlayStation(int id);
  void PlayMusicList();
  void PlayAddresses(std::string_view text, std::string_view display_name, char kind);
  void Play();
  void Pause();
  void Stop();
  void Step(bool forward, int source);
  bool IsActive() const;

  void SetVolume(int volume);
  void SetBalance(int balance);
  void SetMute(bool mute);
  void BeginSeek();
  bool CanSeek() const;
  void SeekTo(double fraction);
  void RefreshProgress();
  std::string GetUserUrl() const;
  void SetUserUrl(std::string_view text);
  std::string GetCurrentTitle() const;
  void ReportPlaying();
  void SetOptions(const EngineOptions& options);

  EngineServices services_;
  EngineOptions options_;

  // The current request.
  int play_source_ = 0;
  std::vector<std::string> urls_;
  int url_index_ = 0;
  char kind_ = '0';
  StationRecord record_;  // rblData

  // Flags of the running attempt.
  bool local_ = false;
  bool continue_ = false;
  bool paused_ = false;
  bool ended_ = true;
  bool opening_ = false;
  bool real_switching_ = false;
  bool wm_switching_ = false;
  std::chrono::steady_clock::time_point attempt_start_{};
  std::string bandwidth_;  // "128K"
  int audio_language_ = -1;
  // Counts attempts and stops: an attempt that waited for the resolver's
  // download gives up when another one began meanwhile.
  unsigned attempt_serial_ = 0;
  // Downloads of the resolver under way; each keeps the event loop running.
  int resolving_ = 0;

  int volume_ = 80;
  int balance_ = 0;
  bool mute_ = false;
  int last_reported_ = 0;
  int retry_count_ = 0;
  std::string real_title_;
  std::string real_author_;
  std::string real_copyright_;
  bool real_position_events_ = true;
  bool ticks_before_seek_ = false;  // the progress timer ran when a drag began

  PlayerSet players_;
  PlayerId player_ = PlayerId::kNone;  // the control of the current attempt
  bool real_wired_ = false;
  bool wmp6_wired_ = false;
  bool wmp9_wired_ = false;

  enum class Ticks { kBuffering, kPosition };
  Ticks ticks_ = Ticks::kPosition;
  int tray_interval_ = 100;

  TRadioTable table_;
  std::unique_ptr<Timer> progress_timer_;
  std::unique_ptr<Timer> end_clip_timer_;
  std::unique_ptr<Timer> failover_timer_;  // 1000 ms before the next address
  std::unique_ptr<Timer> retry_timer_;     // RetryDelay while reconnecting

  // Attempts and failover (engine.cpp).
  void BeginRequest();
  void PlayCurrent(bool resume);
  bool Classify(unsigned serial);
  void StopRunning();
  void StopReal(bool clear_source);
  void StopWmp6();
  void StopWmp9();
  void StartFresh(PlayerId player, const std::string& address);
  void Resume(PlayerId player);
  void HandleError();
  void ArmReconnect();
  void OnRetryTick();
  void OnFailoverTick();
  void SendReport(char kind);
  char StoredKind() const;
  bool RealActive() const;
  bool Wmp6Active() const;
  bool Wmp9Active() const;
  const std::string& Address() const;

  // Station proxy hook points: a station's own proxy goes into the player's
  // network settings before a fresh start and the player's settings come
  // back when it stops. No proxy store exists yet, so both do nothing.
  void ApplyStationProxy(PlayerId player);
  void RestoreProxy(PlayerId player);

  // Volume, balance and mute on the control the kind names.
  void ApplyAudioTo(PlayerId player);
  void ApplyVolume();
  void ApplyBalance();
  void ApplyMute();

  // Sounds and the user table.
  void PlaySound(std::string_view name, bool looped);
  void StopSounds();
  // Applies `change` to rblData and, for a user station, to its stored
  // record, which is written back when it changed.
  void UpdateUserStation(const std::function<void(StationRecord&)>& change);

  // Displays (engine_events.cpp).
  void StoppedDisplay();
  void StopSoundsAndStoppedDisplay();
  void BufferingDisplay();
  void ShowTitleDisplay();
  void SetTray(bool on, int interval_ms);

  // Controls' events (engine_events.cpp).
  void WireNewControls();
  void WireReal(RealPlayerControl& real);
  void WireWmp6(Wmp6Control& wmp6);
  void WireWmp9(Wmp9Control& wmp9);
  void Hide(PlayerId player);
  void NowPlaying(PlayerId player);
  void FillDirectRecord(PlayerId player);
  void LearnStation();
  void LocalClipInfo(PlayerId player, const std::string& short_name, const std::string& url);
  void OpenedNewStream(PlayerId player);
  void OnProgressTick();
  void PositionDisplay(double position, double duration);
  void RealPosition(std::int64_t pos_ms, std::int64_t len_ms);
  std::string BandwidthText(PlayerId player) const;
};

// "n Kbps" for a rate in bit/s; "" when the rate is not above 1000 and
// `only_above_1000` says so.
std::string KbpsText(int bits_per_second, bool only_above_1000, std::string_view unit = " Kbps");

}  // namespace tazmel
