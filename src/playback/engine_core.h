#pragma once

// The engine's inside, not part of its interface: requests (engine.cpp),
// the attempt, failover and reconnect core (engine_attempt.cpp) and the
// reactions to the controls' events and ticks (engine_events.cpp).

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/dispatcher.h"
#include "playback/control_driver.h"
#include "playback/engine.h"
#include "playback/engine_display_model.h"
#include "playback/resolver.h"
#include "playback/station_learning.h"
#include "stations/radio_table.h"

namespace tazmel {

class PlaybackEngine::Core {
 public:
  explicit Core(EngineServices services);
  ~Core();
  Core(const Core&) = delete;
  Core& operator=(const Core&) = delete;

  // Requests (engine.cpp).
  void PlayStation(int id);
  void PlayMusicList();
  void PlayAddresses(std::string_view text, std::string_view display_name, MediaKind kind);
  void Play();
  void Pause();
  void Stop();
  void Step(bool forward, PlaySource source);
  bool IsActive() const { return driver_.AnyActive(); }
  std::pair<int, int> PictureSize() const { return driver_.PictureSize(player_); }
  void SetVolume(int volume);
  void SetBalance(int balance);
  void SetMute(bool mute);
  void BeginSeek();
  bool CanSeek() const { return driver_.CanSeek(request_.kind); }
  void SeekTo(double fraction);
  void RefreshProgress();
  std::string GetUserUrl() const;
  void SetUserUrl(std::string_view text);
  void RestorePlaySource(PlaySource source, std::string_view user_url);
  std::string GetCurrentTitle() const;
  void ReportPlaying();
  void SetOptions(const EngineOptions& options);
  void Retranslate();

  EngineDisplayModel& display() { return display_; }
  const ControlDriver& driver() const { return driver_; }

  // What is being played.
  struct Request {
    PlaySource source;
    std::vector<std::string> urls;
    int url_index = 0;
    MediaKind kind = MediaKind::kUnknown;
    StationRecord record;  // rblData
  };
  // Whether playing goes on: set by a request, ended by Stop or a clip's end.
  struct Flow {
    bool continue_playing = false;
    bool paused = false;
    bool ended = true;
    int retry_count = 0;                         // reconnects since the request or the last play
    StartFailure failure = StartFailure::kNone;  // why the last start failed
  };
  // One try of one address; a new try starts from scratch.
  struct Attempt {
    bool local = false;      // a file on this machine
    bool resolving = false;  // waiting for the resolver's download
    std::chrono::steady_clock::time_point start{};
    std::string bandwidth;  // "128K"
    int audio_language = -1;
    PageProblem page_problem = PageProblem::kNone;
  };
  // The progress ticks and the slider.
  struct Ticks {
    enum class Mode { kBuffering, kPosition };
    Mode mode = Mode::kPosition;
    bool real_position_events = true;  // RealPlayer reports during no drag
    bool resume_after_seek = false;    // the ticks ran when a drag began
  };

  EngineServices services_;
  EngineOptions options_;
  Request request_;
  Flow flow_;
  Attempt attempt_;
  Ticks ticks_;
  AudioSettings audio_;
  PlayerId player_ = PlayerId::kNone;  // the control of the current attempt
  // Counts attempts and stops: a download's reply for an older attempt is
  // dropped.
  unsigned attempt_serial_ = 0;
  int last_reported_ = 0;

 private:
  // Attempts, failover and reconnecting (engine_attempt.cpp).
  void BeginRequest();
  void PlayCurrent(bool resume);
  void OnPage(unsigned serial, const PageReply& reply);
  void StartChosen();
  void HandleError(PlayerId player);
  StartFailure FailureOf(PlayerId player) const;
  void NoteFailure(StartFailure failure);
  void ArmReconnect();
  void StopRetrying();
  void OnRetryTick();
  void OnFailoverTick();
  const std::string& Address() const;

  // Reports, sounds.
  void SendReport(char kind);
  void PlaySound(std::string_view name, bool looped);
  void StopSounds();

  // Displays and the controls' events (engine_events.cpp).
  void OnControlEvent(const ControlEvent& event);
  void StoppedDisplay();
  void StopSoundsAndStoppedDisplay();
  void BufferingDisplay();
  void ShowTitleDisplay();
  void Hide(PlayerId player);
  void NowPlaying(PlayerId player);
  void LocalClipInfo(PlayerId player, const std::string& short_name, const std::string& url);
  void OnProgressTick();
  void PositionDisplay(double position, double duration);

  EngineDisplayModel display_;
  StationLearning learning_;
  ControlDriver driver_;
  // Posted download replies hold it weakly: one arriving after the engine
  // went away finds it expired.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::unique_ptr<Timer> progress_timer_;
  std::unique_ptr<Timer> end_clip_timer_;
  std::unique_ptr<Timer> failover_timer_;  // 1000 ms before the next address
  std::unique_ptr<Timer> retry_timer_;     // RetryDelay while reconnecting
};

}  // namespace tazmel
