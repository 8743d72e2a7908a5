// The attempt, failover and reconnect core: one try of one address, the
// resolver's download it may wait for, the next address after a failure and
// the reconnect after a drop.

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include "playback/engine_core.h"

namespace tazmel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kFailoverDelay{1000};
constexpr std::string_view kWaitingSound = "waiting.wav";
constexpr std::string_view kErrorSound = "error.wav";

// The address names a file on this machine (a plain path or a file://
// address of one).
bool IsExistingFile(std::string_view address) {
  if (address.starts_with("file://")) address.remove_prefix(7);
  if (address.empty()) return false;
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::path(address), ec);
}

StartFailure FromPlayerError(PlayerError error) {
  switch (error) {
    case PlayerError::kRefused:
      return StartFailure::kRefused;
    case PlayerError::kNotFound:
      return StartFailure::kNotFound;
    case PlayerError::kUnknownFormat:
      return StartFailure::kUnknownFormat;
    case PlayerError::kNoSoundOutput:
      return StartFailure::kNoSoundOutput;
    case PlayerError::kTimedOut:
      return StartFailure::kTimedOut;
    case PlayerError::kOther:
      return StartFailure::kPlayerFailed;
    case PlayerError::kNone:
      break;
  }
  return StartFailure::kNone;
}

StartFailure FromPageProblem(PageProblem problem) {
  switch (problem) {
    case PageProblem::kUnreachable:
      return StartFailure::kPageUnreachable;
    case PageProblem::kNoStreams:
      return StartFailure::kNoStreams;
    case PageProblem::kBinary:
      return StartFailure::kBinaryFile;
    case PageProblem::kNone:
      break;
  }
  return StartFailure::kNone;
}

}  // namespace

const std::string& PlaybackEngine::Core::Address() const {
  return request_.urls[static_cast<std::size_t>(request_.url_index)];
}

void PlaybackEngine::Core::PlayCurrent(bool resume) {
  if (request_.url_index < 0 || request_.url_index >= static_cast<int>(request_.urls.size())) return;
  const unsigned serial = ++attempt_serial_;
  // A download for an older attempt is of no use any more.
  if (attempt_.resolving && services_.pages) services_.pages->CancelAll();
  attempt_ = {};
  attempt_.local = IsExistingFile(Address());
  if (!attempt_.local) display_.SetWaitCursor(true);
  if (!resume) display_.SetNowPlaying("");

  // Resuming goes back to the paused control as it was.
  if (resume && player_ != PlayerId::kNone) {
    attempt_.start = services_.dispatcher.Now();
    driver_.ApplyAudio(player_, audio_);
    driver_.Resume(player_);
    SetMute(audio_.mute);
    display_.SetWaitCursor(false);
    return;
  }
  if (driver_.StopActiveForSwitch()) {
    progress_timer_->Stop();
    StoppedDisplay();
  }
  if (!attempt_.local) {
    PlaySound(kWaitingSound, true);
    display_.SetState(StateSlot::kWaiting);
  }
  // The kind from the address and, for an unknown stream address, from what
  // it downloads to. The attempt waits for the page; the window does not.
  if (request_.kind == MediaKind::kUnknown) request_.kind = GetMediaKind(Address());
  if (request_.kind == MediaKind::kUnknown && !attempt_.local && services_.pages) {
    attempt_.resolving = true;
    services_.pages->Fetch(Address(), [this, alive = std::weak_ptr<int>(alive_), serial](PageReply reply) {
      if (alive.expired()) return;
      EngineDisplayModel::Batch batch(display_);
      OnPage(serial, reply);
    });
    return;
  }
  StartChosen();
}

void PlaybackEngine::Core::OnPage(unsigned serial, const PageReply& reply) {
  // Another attempt or a stop came while the page downloaded.
  if (serial != attempt_serial_) return;
  attempt_.resolving = false;
  std::vector<std::string> list = request_.urls;
  const std::string address = Address();
  const MediaKind found = ResolveMediaKind(reply, address, list, request_.url_index, &attempt_.page_problem);
  if (!list.empty() && request_.url_index < static_cast<int>(list.size())) request_.urls = std::move(list);
  if (found == MediaKind::kUnknown) {
    request_.kind = GetMediaKind(Address());
  } else {
    request_.kind = found;
    learning_.LearnKind(request_.source, request_.record, found);
  }
  StartChosen();
}

// The player choice and the start on the control chosen.
void PlaybackEngine::Core::StartChosen() {
  const PlayerChoice choice =
      driver_.Choose(request_.kind, services_.wmp9_installed ? services_.wmp9_installed() : true);
  if (!attempt_.local && request_.record.VRadioName.empty()) {
    request_.record.VRadioName = Address();
    request_.record.VStreamURL = Address();
  }
  attempt_.start = services_.dispatcher.Now();
  request_.kind = choice.kind;
  if (choice.player == PlayerId::kNone) {
    // No control could be created: nothing will ever answer, so do not leave
    // the waiting state behind.
    StopSoundsAndStoppedDisplay();
    NoteFailure(StartFailure::kNoPlayer);
    display_.SetWaitCursor(false);
    return;
  }
  player_ = choice.player;
  driver_.ApplyAudio(player_, audio_);
  driver_.SetStationProxy(attempt_.local ? std::string() : request_.record.VProxy);
  driver_.Start(player_, Address());
  SetMute(audio_.mute);
  ShowTitleDisplay();
  display_.SetWaitCursor(false);
}

// ---------------------------------------------------------------------------
// Failures, failover and reconnecting.

// The control's own reason first; the resolver's, should the control give
// none; else that the player failed.
StartFailure PlaybackEngine::Core::FailureOf(PlayerId player) const {
  if (const StartFailure failure = FromPlayerError(driver_.LastError(player)); failure != StartFailure::kNone) {
    return failure;
  }
  if (const StartFailure failure = FromPageProblem(attempt_.page_problem); failure != StartFailure::kNone) {
    return failure;
  }
  return StartFailure::kPlayerFailed;
}

void PlaybackEngine::Core::NoteFailure(StartFailure failure) {
  flow_.failure = failure;
  display_.SetFailure(failure);
}

void PlaybackEngine::Core::HandleError(PlayerId player) {
  NoteFailure(FailureOf(player));
  if (!request_.source.IsStation()) return;
  if (request_.url_index + 1 < static_cast<int>(request_.urls.size())) {
    ++request_.url_index;
    PlaySound(kErrorSound, false);
    request_.kind = MediaKindFromFormat(request_.record.VFormat);
    failover_timer_->Start(kFailoverDelay);
    return;
  }
  request_.url_index = 0;
  PlaySound(kErrorSound, false);
  ArmReconnect();
  learning_.MarkBad(request_.source, request_.record);
}

void PlaybackEngine::Core::OnFailoverTick() {
  if (flow_.ended || !flow_.continue_playing) return;
  PlayCurrent(false);
}

void PlaybackEngine::Core::ArmReconnect() {
  if (retry_timer_->Active() || failover_timer_->Active()) return;
  if (!options_.reconnect || flow_.ended || attempt_.local) return;
  // The count runs from the request or the last time the stream played: a
  // failure that arrives after the last retry must not start it anew.
  // RetryNum 0 reconnects without end.
  if (options_.retry_num > 0 && flow_.retry_count >= options_.retry_num) return;
  // A zero delay would retry without pause.
  const int delay_s = std::max(options_.retry_delay, 1);
  retry_timer_->Start(milliseconds(delay_s * 1000LL));
  display_.SetNextTry(delay_s);
}

void PlaybackEngine::Core::StopRetrying() {
  retry_timer_->Stop();
  display_.SetNextTry(0);
}

// The retry timer repeats: while it runs, a try that does not get going is
// followed by the next one a delay later.
void PlaybackEngine::Core::OnRetryTick() {
  if (!options_.reconnect || flow_.ended || IsActive()) {
    StopRetrying();
    return;
  }
  // The next address is about to be tried anyway, or an attempt is still
  // downloading its address: another attempt would start inside it.
  if (failover_timer_->Active() || attempt_.resolving) return;
  if (options_.retry_num <= 0 || flow_.retry_count < options_.retry_num) {
    ++flow_.retry_count;
    // The last try allowed has no next one to announce.
    if (options_.retry_num > 0 && flow_.retry_count >= options_.retry_num) display_.SetNextTry(0);
    PlayCurrent(false);
  } else {
    StopRetrying();
  }
}

}  // namespace tazmel
