#include "core/text_utils.h"
#include "playback/mpv/mpv_controls.h"
#include "playback/mpv/mpv_language.h"

namespace tazmel {

MpvWmp9::MpvWmp9(Dispatcher& dispatcher) : session_(dispatcher, *this, MpvDocFamily::kWindowsMedia) {}

std::unique_ptr<MpvWmp9> MpvWmp9::Create(Dispatcher& dispatcher, const MpvOptions& options, const Registry* registry) {
  std::unique_ptr<MpvWmp9> player(new MpvWmp9(dispatcher));
  if (!player->session_.Init(options)) return nullptr;
  player->session_.SetPreferences(registry, PlayerPreferences::kWmp9);
  return player;
}

void MpvWmp9::ReportPlayState(int state) {
  if (play_state_ == state) return;
  play_state_ = state;
  session_.Emit([this, state] {
    play_state_ = state;
    if (OnPlayStateChange) OnPlayStateChange(state);
  });
}

void MpvWmp9::ReportOpenState(int state) {
  if (open_state_ == state) return;
  open_state_ = state;
  session_.Emit([this, state] {
    open_state_ = state;
    if (OnOpenStateChange) OnOpenStateChange(state);
  });
}

void MpvWmp9::SetURL(std::string_view address) {
  url_ = std::string(address);
  if (address.empty()) {
    Stop();
    return;
  }
  session_.Open(url_);
}

void MpvWmp9::OnSessionStarting() {
  // Every address is located anew, also when the last one failed or was
  // stopped before it got further (its locating report may even be one of
  // the events the new address dropped).
  open_state_ = kOpenUndefined;
  audio_language_ = 0;
  ReportOpenState(kLocating);
  ReportPlayState(kTransitioning);
}

void MpvWmp9::Play() {
  if (session_.Paused()) {
    session_.Resume();
    // A stream buffers again after a pause; the engine starts showing it
    // as playing when that buffering ends.
    if (session_.IsNetwork()) {
      ReportPlayState(kBuffering);
      OnSessionBuffering(true);
      OnSessionBuffering(false);
    }
    ReportPlayState(kPlaying);
  } else if (!session_.HasClip() && !url_.empty()) {
    session_.Open(url_);
  }
}

void MpvWmp9::Pause() {
  if (play_state_ != kPlaying || !session_.HasClip()) return;
  session_.Pause();
  ReportPlayState(kPaused);
}

void MpvWmp9::Stop() {
  const bool active = session_.HasClip();
  session_.Close();
  if (active || play_state_ == kPaused) ReportPlayState(kStopped);
}

void MpvWmp9::SetCurrentPosition(double seconds) {
  if (GetDuration() > 0) session_.Seek(seconds);
}

std::string MpvWmp9::GetItemInfo(std::string_view name) const {
  if (EqualsNoCase(name, "Title")) return session_.Title();
  if (EqualsNoCase(name, "Author")) return session_.Author();
  if (EqualsNoCase(name, "Copyright")) return session_.Copyright();
  if (EqualsNoCase(name, "WM/Genre")) return session_.Genre();
  if (EqualsNoCase(name, "ProviderURL")) return session_.ProviderUrl();
  return {};
}

void MpvWmp9::OnSessionOpened() {
  ReportOpenState(kOpening);
  ReportOpenState(kMediaOpen);
  // Known from the start for a tagged clip, so before it plays.
  ReportAudioLanguage();
}

void MpvWmp9::ReportAudioLanguage() {
  const int language = LanguageIdFromMediaCode(session_.AudioLanguage());
  if (language == 0 || language == audio_language_) return;
  audio_language_ = language;
  session_.Emit([this, language] {
    if (OnAudioLanguageChange) OnAudioLanguageChange(language);
  });
}

void MpvWmp9::OnSessionBuffering(bool start) {
  if (start) ReportPlayState(kBuffering);
  session_.Emit([this, start] {
    if (OnBuffering) OnBuffering(start);
  });
}

void MpvWmp9::OnSessionEnded(MpvClipEnd end, int) {
  switch (end) {
    case MpvClipEnd::kMediaEnded:
      ReportPlayState(kMediaEnded);
      break;
    case MpvClipEnd::kDropped:
      ReportPlayState(kStopped);
      break;
    case MpvClipEnd::kError:
      // The error stands for the stop; the control is then ready for the
      // next address. A stop report would have the engine reconnect an
      // address it has just given up.
      session_.Emit([this] {
        if (OnMediaError) OnMediaError();
      });
      ReportPlayState(kReady);
      break;
  }
}

}  // namespace tazmel
