#include <algorithm>
#include <cmath>

#include "core/text_utils.h"
#include "playback/mpv/mpv_controls.h"

namespace tazmel {
namespace {

std::string_view StatusText(int state) {
  switch (state) {
    case RealPlayerControl::kContacting:
      return "Contacting...";
    case RealPlayerControl::kBuffering:
      return "Buffering...";
    case RealPlayerControl::kPlaying:
      return "Playing";
    case RealPlayerControl::kPaused:
      return "Paused";
    default:
      return "Stopped";
  }
}

// The clip's short name: "file://" and the path for a local file, else the
// last part of the address's path.
std::string ShortClipName(std::string_view address) {
  if (address.find("://") == address.npos) return "file://" + std::string(address);
  if (address.starts_with("file://")) return std::string(address);
  std::string_view path = address.substr(0, address.find_first_of("?#"));
  const std::size_t slash = path.find_last_of('/');
  const std::string_view last = slash == path.npos ? path : path.substr(slash + 1);
  return std::string(last.empty() ? address : last);
}

}  // namespace

MpvRealPlayer::MpvRealPlayer(Dispatcher& dispatcher) : session_(dispatcher, *this, MpvDocFamily::kRealMedia) {}

std::unique_ptr<MpvRealPlayer> MpvRealPlayer::Create(Dispatcher& dispatcher, const MpvOptions& options,
                                                     const Registry* registry) {
  std::unique_ptr<MpvRealPlayer> player(new MpvRealPlayer(dispatcher));
  if (!player->session_.Init(options)) return nullptr;
  player->session_.SetPreferences(registry, PlayerPreferences::kRealPlayer);
  return player;
}

void MpvRealPlayer::ReportState(int state) {
  state_ = state;
  // Two events: a handler of the first may destroy the control, and the
  // queue checks for that only between events.
  session_.Emit([this, state] {
    state_ = state;
    if (OnPlayStateChange) OnPlayStateChange(state);
  });
  session_.Emit([this, state] {
    state_ = state;
    if (OnShowStatus) OnShowStatus(std::string(StatusText(state)));
  });
}

void MpvRealPlayer::ReportClipClosed() {
  if (!clip_open_) return;
  clip_open_ = false;
  session_.Emit([this] {
    if (OnClipClosed) OnClipClosed();
  });
}

void MpvRealPlayer::SetSource(std::string_view address) {
  if (TrimControls(address).empty()) {
    source_.clear();
    CloseClip();
    return;
  }
  source_ = std::string(address);
  StartClip();
}

void MpvRealPlayer::StartClip() {
  texts_ = {};
  session_.Open(source_);
}

void MpvRealPlayer::OnSessionStarting() {
  ReportClipClosed();
  ReportState(kContacting);
}

void MpvRealPlayer::CloseClip() {
  session_.Close();
  if (state_ != kStopped) ReportState(kStopped);
  ReportClipClosed();
}

void MpvRealPlayer::DoPlay() {
  if (session_.Paused()) {
    Resume();
  } else if (state_ == kStopped && !source_.empty()) {
    StartClip();
  }
}

void MpvRealPlayer::DoStop() { CloseClip(); }

void MpvRealPlayer::DoPlayPause() {
  if (session_.Paused()) {
    Resume();
  } else if (session_.HasClip() && (state_ == kPlaying || state_ == kBuffering)) {
    session_.Pause();
    ReportState(kPaused);
  } else if (state_ == kStopped) {
    DoPlay();
  }
}

void MpvRealPlayer::Resume() {
  session_.Resume();
  ReportState(session_.Playing() ? kPlaying : kBuffering);
}

void MpvRealPlayer::SetVolume(int volume) {
  volume_ = std::clamp(volume, 0, 100);
  session_.SetVolume(volume_);
}

void MpvRealPlayer::SetMute(bool mute) {
  mute_ = mute;
  session_.SetMute(mute);
}

std::int64_t MpvRealPlayer::GetPosition() const { return std::llround(session_.Position() * 1000); }

std::int64_t MpvRealPlayer::GetLength() const { return std::llround(session_.Duration() * 1000); }

void MpvRealPlayer::SetPosition(std::int64_t ms) {
  if (GetLength() > 0) session_.Seek(static_cast<double>(ms) / 1000);
}

void MpvRealPlayer::OnSessionOpened() {
  if (!clip_open_) {
    clip_open_ = true;
    session_.Emit([this, name = ShortClipName(source_), url = source_] {
      if (OnClipOpened) OnClipOpened(name, url);
    });
  }
  if (state_ != kBuffering) ReportState(kBuffering);
}

void MpvRealPlayer::OnSessionBuffering(bool start) {
  if (!start) return;  // playing follows
  if (state_ != kBuffering) ReportState(kBuffering);
  OnSessionBufferingProgress(session_.BufferingPercent());
}

void MpvRealPlayer::OnSessionBufferingProgress(int percent) {
  session_.Emit([this, percent] {
    if (OnBuffering) OnBuffering(0, percent);
  });
}

void MpvRealPlayer::OnSessionPlaying() {
  ReportState(kPlaying);
  // The position and length at once; later ones follow every second.
  OnSessionPosition();
}

void MpvRealPlayer::OnSessionEnded(MpvClipEnd end, int error) {
  if (end == MpvClipEnd::kError) {
    // The error event stands for the stop: a stop report on top of it
    // would have the engine reconnect a clip it has just given up.
    clip_open_ = false;
    state_ = kStopped;
    session_.Emit([this, error, message = MpvCore::ErrorText(error)] {
      state_ = kStopped;
      if (OnErrorMessage) OnErrorMessage(error, message);
    });
    return;
  }
  ReportState(kStopped);
  ReportClipClosed();
}

void MpvRealPlayer::OnSessionMetadata() {
  const auto report = [this](std::string& kept, std::string now,
                             std::function<void(const std::string&)> RealPlayerControl::*event) {
    if (now == kept) return;
    kept = now;
    session_.Emit([this, event, now = std::move(now)] {
      if (this->*event) (this->*event)(now);
    });
  };
  report(texts_.title, session_.Title(), &RealPlayerControl::OnTitleChange);
  report(texts_.author, session_.Author(), &RealPlayerControl::OnAuthorChange);
  report(texts_.copyright, session_.Copyright(), &RealPlayerControl::OnCopyrightChange);
}

void MpvRealPlayer::OnSessionPosition() {
  session_.Emit([this, position = GetPosition(), length = GetLength()] {
    if (OnPositionChange) OnPositionChange(position, length);
  });
}

}  // namespace tazmel
