#include <algorithm>

#include "playback/mpv/mpv_controls.h"

namespace tazmel {

MpvWmp6::MpvWmp6(Dispatcher& dispatcher) : session_(dispatcher, *this, MpvDocFamily::kWindowsMedia) {}

std::unique_ptr<MpvWmp6> MpvWmp6::Create(Dispatcher& dispatcher, const MpvOptions& options, const Registry* registry) {
  std::unique_ptr<MpvWmp6> player(new MpvWmp6(dispatcher));
  if (!player->session_.Init(options)) return nullptr;
  player->session_.SetPreferences(registry, PlayerPreferences::kWmp6);
  return player;
}

void MpvWmp6::ReportPlayState(int state) {
  const int old_state = play_state_;
  if (old_state == state) return;
  play_state_ = state;
  session_.Emit([this, old_state, state] {
    play_state_ = state;
    if (OnPlayStateChange) OnPlayStateChange(old_state, state);
  });
}

void MpvWmp6::ReportOpenState(int state) {
  const int old_state = open_state_;
  if (old_state == state) return;
  open_state_ = state;
  session_.Emit([this, old_state, state] {
    open_state_ = state;
    if (OnOpenStateChange) OnOpenStateChange(old_state, state);
  });
}

void MpvWmp6::SetFileName(std::string_view address) {
  file_name_ = std::string(address);
  if (address.empty() || address == kClosingPlaceholder) {
    // The placeholder is how the clip is closed: report closed, not the
    // error a real attempt to open it would give.
    session_.Close();
    ReportPlayState(kClosed);
    ReportOpenState(kClosedOpen);
    return;
  }
  session_.Open(file_name_);
}

void MpvWmp6::OnSessionStarting() {
  ReportPlayState(kWaiting);
  ReportOpenState(kLocating);
}

void MpvWmp6::Play() {
  if (session_.Paused()) {
    session_.Resume();
    // A stream buffers again after a pause; the engine starts showing it
    // as playing when that buffering ends.
    if (session_.IsNetwork()) {
      session_.Emit([this] {
        if (OnBuffering) OnBuffering(true);
      });
      session_.Emit([this] {
        if (OnBuffering) OnBuffering(false);
      });
    }
    ReportPlayState(kPlaying);
  } else if (!session_.HasClip() && !file_name_.empty() && file_name_ != kClosingPlaceholder) {
    session_.Open(file_name_);
  }
}

void MpvWmp6::Pause() {
  if (play_state_ != kPlaying || !session_.HasClip()) return;
  session_.Pause();
  ReportPlayState(kPaused);
}

void MpvWmp6::Stop() {
  session_.Close();
  if (play_state_ != kClosed) ReportPlayState(kStopped);
}

void MpvWmp6::SetVolume(int volume) {
  // Hundredths of a decibel below full, -10000..0, map onto 0..100 the way
  // the engine maps them out.
  const int clamped = std::clamp(volume, -10000, 0);
  session_.SetVolume((clamped + 10000 + 50) / 100);
}

void MpvWmp6::SetBalance(int balance) { session_.SetBalance(std::clamp(balance, -10000, 10000) / 100); }

void MpvWmp6::SetCurrentPosition(double seconds) {
  if (GetDuration() > 0 && !GetIsBroadcast()) session_.Seek(seconds);
}

std::string MpvWmp6::GetMediaInfoString(int type) const {
  switch (type) {
    case kTitle:
      return session_.Title();
    case kAuthor:
      return session_.Author();
    case kCopyright:
      return session_.Copyright();
    default:
      return {};
  }
}

void MpvWmp6::OnSessionOpened() {
  ReportOpenState(kOpening);
  ReportOpenState(kOpen);
  session_.Emit([this] {
    if (OnNewStream) OnNewStream();
  });
}

void MpvWmp6::OnSessionBuffering(bool start) {
  session_.Emit([this, start] {
    if (OnBuffering) OnBuffering(start);
  });
}

void MpvWmp6::OnSessionEnded(MpvClipEnd end, int) {
  switch (end) {
    case MpvClipEnd::kMediaEnded:
      // Stopped first, so that whatever the end of the stream starts next
      // is not followed by a stale stop.
      ReportPlayState(kStopped);
      session_.Emit([this] {
        if (OnEndOfStream) OnEndOfStream(0);
      });
      break;
    case MpvClipEnd::kDropped:
      ReportPlayState(kStopped);
      break;
    case MpvClipEnd::kError:
      // The error stands for the stop; a stop report on top of it would have
      // the engine reconnect an address it has just given up.
      play_state_ = kStopped;
      open_state_ = kClosedOpen;
      session_.Emit([this] {
        play_state_ = kStopped;
        open_state_ = kClosedOpen;
        if (OnError) OnError();
      });
      break;
  }
}

}  // namespace tazmel
