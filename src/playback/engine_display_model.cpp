#include "playback/engine_display_model.h"

#include <utility>

#include "core/messages.h"

namespace tazmel {
namespace {

int SlotOf(StateSlot slot) {
  switch (slot) {
    case StateSlot::kWaiting:
      return kWaitingSlot;
    case StateSlot::kLocating:
      return kLocatingSlot;
    case StateSlot::kConnecting:
      return kConnectingSlot;
    case StateSlot::kOpening:
      return kOpeningSlot;
    case StateSlot::kPlaying:
      return kPlayingSlot;
    case StateSlot::kStopped:
      return kStoppedSlot;
    case StateSlot::kPaused:
      return kPausedSlot;
    case StateSlot::kBuffering:
      return kBufferingSlot;
    case StateSlot::kNone:
      break;
  }
  return 0;
}

int SlotOf(StartFailure failure) {
  switch (failure) {
    case StartFailure::kRefused:
      return kRefusedSlot;
    case StartFailure::kNotFound:
      return kNotFoundSlot;
    case StartFailure::kUnknownFormat:
      return kUnknownFormatSlot;
    case StartFailure::kNoSoundOutput:
      return kNoSoundOutputSlot;
    case StartFailure::kTimedOut:
      return kTimedOutSlot;
    case StartFailure::kPlayerFailed:
      return kPlayerFailedSlot;
    case StartFailure::kPageUnreachable:
      return kPageUnreachableSlot;
    case StartFailure::kNoStreams:
      return kNoStreamsSlot;
    case StartFailure::kBinaryFile:
      return kBinaryFileSlot;
    case StartFailure::kNoPlayer:
      return kNoPlayerSlot;
    case StartFailure::kNone:
      break;
  }
  return 0;
}

}  // namespace

std::string StateText(StateSlot slot, int percent) {
  if (slot == StateSlot::kNone) return {};
  if (slot == StateSlot::kBuffering) return Msg(kBufferingSlot) + "(" + std::to_string(percent) + "%)";
  return Msg(SlotOf(slot));
}

std::string FailureText(StartFailure failure, int next_try_s) {
  std::string text = failure == StartFailure::kNone ? std::string() : Msg(SlotOf(failure));
  if (next_try_s > 0) {
    std::string next = Msg(kNextTrySlot);
    if (const std::size_t at = next.find("%s"); at != std::string::npos) {
      next.replace(at, 2, std::to_string(next_try_s));
    }
    text += (text.empty() ? "" : " - ") + next;
  }
  return text;
}

void EngineDisplayModel::SetState(StateSlot slot, int percent) {
  slot_ = slot;
  percent_ = percent;
  Push();
}

void EngineDisplayModel::SetSpeed(std::string text) {
  draft_.speed = std::move(text);
  Push();
}

void EngineDisplayModel::SetElapsed(std::string text) {
  draft_.elapsed = std::move(text);
  Push();
}

void EngineDisplayModel::SetProgress(double fraction) {
  draft_.progress = fraction;
  Push();
}

void EngineDisplayModel::SetTransport(TransportState state) {
  draft_.transport = state;
  Push();
}

void EngineDisplayModel::SetTray(bool on, int interval_ms) {
  draft_.tray_animation = on;
  draft_.tray_interval = interval_ms;
  Push();
}

void EngineDisplayModel::SetTrayOn(bool on) {
  draft_.tray_animation = on;
  Push();
}

void EngineDisplayModel::SetTitle(std::string title, std::string hint) {
  draft_.title = std::move(title);
  base_hint_ = std::move(hint);
  Push();
}

void EngineDisplayModel::SetNowPlaying(std::string title) {
  draft_.now_playing = std::move(title);
  Push();
}

void EngineDisplayModel::SetVideo(bool shown) {
  draft_.video = shown;
  Push();
}

void EngineDisplayModel::SetWaitCursor(bool wait) {
  draft_.wait_cursor = wait;
  Push();
}

void EngineDisplayModel::SetFailure(StartFailure failure) {
  failure_ = failure;
  Push();
}

void EngineDisplayModel::SetNextTry(int seconds) {
  next_try_s_ = seconds;
  Push();
}

void EngineDisplayModel::Retranslate() { Push(); }

void EngineDisplayModel::ShowAgain() {
  show_again_ = true;
  Push();
}

EngineViewState EngineDisplayModel::Render() const {
  EngineViewState state = draft_;
  state.state = StateText(slot_, percent_);
  state.reason = FailureText(failure_, next_try_s_);
  state.hint = base_hint_;
  if (!state.reason.empty()) state.hint += (state.hint.empty() ? "" : "\r\n") + state.reason;
  return state;
}

// Outside a batch every change shows at once; inside one, when it ends.
// Nothing that changed nothing is pushed.
void EngineDisplayModel::Push() {
  if (depth_ > 0) return;
  EngineViewState state = Render();
  if (state == shown_ && !std::exchange(show_again_, false)) return;
  show_again_ = false;
  shown_ = std::move(state);
  view_.Show(shown_);
}

}  // namespace tazmel
