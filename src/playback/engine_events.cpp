// The engine's reactions to the controls' events, its ticks and its
// displays.

#include <algorithm>
#include <chrono>
#include <string>

#include "core/messages.h"
#include "core/system.h"
#include "core/time_utils.h"
#include "playback/engine_core.h"

namespace tazmel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kTickInterval{500};
constexpr int kBusyTrayInterval = 300;
constexpr int kPlayingTrayInterval = 100;
constexpr const char* kCrLf = "\r\n";

}  // namespace

void PlaybackEngine::Core::OnControlEvent(const ControlEvent& event) {
  using Type = ControlEvent::Type;
  const PlayerId player = event.player;
  switch (event.type) {
    case Type::kLocating:
      display_.SetState(StateSlot::kLocating);
      break;
    case Type::kConnecting:
      display_.SetState(StateSlot::kConnecting);
      display_.SetTransport(TransportState::kBusy);
      break;
    case Type::kOpening:
      display_.SetState(StateSlot::kOpening);
      break;
    case Type::kBusy:
      display_.SetTransport(TransportState::kBusy);
      break;
    case Type::kClipOpened:
      if (attempt_.local) LocalClipInfo(player, event.short_name, event.url);
      break;
    case Type::kClosed:
      Hide(player);
      if (!event.by_us) StopSoundsAndStoppedDisplay();
      break;
    case Type::kStopped:
      Hide(player);
      if (!event.by_us) {
        StopSoundsAndStoppedDisplay();
        // A stream that stopped by itself may say why (it timed out, say).
        if (driver_.LastError(player) != PlayerError::kNone) NoteFailure(FailureOf(player));
      }
      ArmReconnect();
      break;
    case Type::kPaused:
      progress_timer_->Stop();
      display_.SetTrayOn(false);
      display_.SetState(StateSlot::kPaused);
      display_.SetTransport(TransportState::kPaused);
      break;
    case Type::kPlaying:
      if (event.plays_now || attempt_.local) NowPlaying(player);
      break;
    case Type::kBufferingStarted:
      ticks_.mode = Ticks::Mode::kBuffering;
      progress_timer_->Start(kTickInterval);
      BufferingDisplay();
      break;
    case Type::kBufferingPercent:
      if (event.value > 0) display_.SetState(StateSlot::kBuffering, event.value);
      display_.SetSpeed(driver_.BufferingSpeed(player));
      BufferingDisplay();
      break;
    case Type::kBufferingEnded:
      StopSounds();
      NowPlaying(player);
      break;
    case Type::kEnded:
      // A clip of finite length played to its end: nothing to reconnect to.
      if (event.finite && !event.by_us) flow_.ended = true;
      // The next clip of the music list starts outside this event.
      if (flow_.continue_playing && !event.by_us && request_.source.IsMusicList()) {
        end_clip_timer_->Start(milliseconds(1));
      }
      break;
    case Type::kFailed:
      Hide(player);
      StopSoundsAndStoppedDisplay();
      if (!event.by_us) HandleError(player);
      break;
    case Type::kPosition:
      if (!ticks_.real_position_events) break;
      PositionDisplay(static_cast<double>(event.position_ms) / 1000.0, static_cast<double>(event.length_ms) / 1000.0);
      if (auto speed = driver_.PlayingSpeed(player, attempt_.local)) display_.SetSpeed(std::move(*speed));
      break;
    case Type::kAudioLanguage:
      attempt_.audio_language = event.value;
      break;
  }
}

// ---------------------------------------------------------------------------
// Displays.

void PlaybackEngine::Core::StoppedDisplay() {
  display_.SetNowPlaying("");
  display_.SetSpeed("");
  display_.SetState(StateSlot::kStopped);
  display_.SetTrayOn(false);
  display_.SetElapsed(TimeText(0));
  display_.SetProgress(0);
  display_.SetTransport(TransportState::kStopped);
  TrimWorkingSet();
}

void PlaybackEngine::Core::StopSoundsAndStoppedDisplay() {
  StopSounds();
  StoppedDisplay();
}

void PlaybackEngine::Core::BufferingDisplay() {
  display_.SetTray(true, kBusyTrayInterval);
  display_.SetTransport(TransportState::kBusy);
  const bool sounding = services_.sound && services_.sound->SoundPlaying();
  if (!sounding && !attempt_.local) PlaySound("waiting.wav", true);
}

void PlaybackEngine::Core::ShowTitleDisplay() {
  const Request& r = request_;
  std::string title = r.record.VRadioName;
  if (r.urls.size() >= 2) title += "(" + std::to_string(r.url_index + 1) + ")";
  StationRecord shown = r.record;
  shown.VFormat = std::string(1, MediaKindDigit(r.kind));
  if (r.url_index >= 0 && r.url_index < static_cast<int>(r.urls.size())) shown.VStreamURL = Address();
  // System stations never show where they stream from.
  const bool system_station = r.source.IsStation() && !IsUserStationID(r.source.StationId());
  display_.SetTitle(std::move(title), StationSummary(shown, system_station));
}

void PlaybackEngine::Core::Hide(PlayerId player) {
  driver_.Hide(player);
  progress_timer_->Stop();
  ticks_.resume_after_seek = false;  // a drag under way must not start them again
}

// ---------------------------------------------------------------------------
// Now playing.

void PlaybackEngine::Core::NowPlaying(PlayerId player) {
  if (player == PlayerId::kNone) return;
  flow_.retry_count = 0;
  driver_.ApplyVolume(request_.kind, audio_);
  driver_.ApplyBalance(request_.kind, audio_);
  StopSounds();
  if (ControlDriver::NeedsTicks(player)) {
    ticks_.mode = Ticks::Mode::kPosition;
    progress_timer_->Start(kTickInterval);
  }
  if (attempt_.local) {
    if (auto speed = driver_.LocalStartSpeed(player)) display_.SetSpeed(std::move(*speed));
  }
  display_.SetVideo(options_.video_form_visible && driver_.HasPicture(player));
  attempt_.bandwidth = driver_.LearntBandwidth(player);
  if (!attempt_.local) {
    if (request_.source.IsTyped()) {
      FillFromStream(request_.record, driver_.TakeStreamInfo(player), attempt_.bandwidth);
    } else if (request_.source.IsStation()) {
      // The monotonic clock: an attempt across midnight or a clock change
      // still measures the seconds it really took.
      const long long seconds =
          std::chrono::duration_cast<std::chrono::seconds>(services_.dispatcher.Now() - attempt_.start).count();
      learning_.LearnStart(request_.source, request_.record,
                           {.seconds = seconds,
                            .bandwidth = attempt_.bandwidth,
                            .audio_language = attempt_.audio_language,
                            .user_language = services_.user_default_language_id});
    }
    ShowTitleDisplay();
    display_.SetNowPlaying(driver_.NowPlayingTitle(player));
  }
  NoteFailure(StartFailure::kNone);
  display_.SetNextTry(0);
  display_.SetState(StateSlot::kPlaying);
  display_.SetTray(true, kPlayingTrayInterval);
  display_.SetTransport(TransportState::kPlaying);
  display_.SetProgress(0);
  TrimWorkingSet();
}

void PlaybackEngine::Core::LocalClipInfo(PlayerId player, const std::string& short_name, const std::string& url) {
  const FileInfo info = driver_.LocalFileInfo(player, short_name, url);
  const std::string length_text = DurationText(info.length_s);
  std::string hint = Msg(kClipTitleSlot) + info.name + kCrLf + Msg(kClipAuthorSlot) + info.author + kCrLf +
                     Msg(kClipCopyrightSlot) + info.copyright + kCrLf + Msg(kClipLengthSlot) + length_text + kCrLf +
                     Msg(kClipFileSlot) + info.file;
  display_.SetTitle(info.name + "(" + length_text + ")", std::move(hint));
  if (player == PlayerId::kReal) {
    request_.record.VRadioName = info.name;
  } else if (info.speed) {
    display_.SetSpeed(*info.speed);
  }
}

// ---------------------------------------------------------------------------
// Ticks.

void PlaybackEngine::Core::PositionDisplay(double position, double duration) {
  display_.SetElapsed(TimeText(static_cast<long long>(std::max(position, 0.0))));
  // A stream's song changes without an event of any control; the position
  // updates come often enough to catch it.
  if (!attempt_.local) display_.SetNowPlaying(driver_.NowPlayingTitle(player_));
  if (duration > 0) {
    display_.SetProgress(std::clamp(position / duration, 0.0, 1.0));
    if (position >= duration) flow_.ended = true;
  }
}

// The Windows Media controls' figures are read twice a second.
void PlaybackEngine::Core::OnProgressTick() {
  if (!ControlDriver::NeedsTicks(player_)) return;
  if (ticks_.mode == Ticks::Mode::kBuffering) {
    display_.SetState(StateSlot::kBuffering, driver_.BufferingProgress(player_));
    if (!attempt_.local) display_.SetSpeed(driver_.BufferingSpeed(player_));
    return;
  }
  const ClipPosition at = driver_.Position(player_);
  PositionDisplay(at.position_s, at.duration_s);
  if (auto speed = driver_.PlayingSpeed(player_, attempt_.local)) display_.SetSpeed(std::move(*speed));
}

}  // namespace tazmel
