// The control driver's half that acts: starting, stopping, pausing, audio,
// seeking and the figures, each in the vocabulary of its control.

#include "playback/control_driver.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/file_utils.h"
#include "playback/station_proxy.h"

namespace tazmel {

std::string KbpsText(int bits_per_second, bool only_above_1000, std::string_view unit) {
  if (only_above_1000 && bits_per_second <= 1000) return {};
  return std::to_string(bits_per_second / 1000) + std::string(unit);
}

ControlDriver::ControlDriver(PlayerFactory& factory, EventSink sink) : factory_(factory), sink_(std::move(sink)) {}

ControlDriver::~ControlDriver() {
  closing_ = true;
  RestoreProxy(PlayerId::kReal);
  RestoreProxy(PlayerId::kWmp6);
  RestoreProxy(PlayerId::kWmp9);
}

PlayerChoice ControlDriver::Choose(MediaKind kind, bool wmp9_installed) {
  const PlayerChoice choice = ChoosePlayer(kind, players_, factory_, wmp9_installed);
  if (players_.real && !std::exchange(real_wired_, true)) WireReal(*players_.real);
  if (players_.wmp6 && !std::exchange(wmp6_wired_, true)) WireWmp6(*players_.wmp6);
  if (players_.wmp9 && !std::exchange(wmp9_wired_, true)) WireWmp9(*players_.wmp9);
  return choice;
}

// ---------------------------------------------------------------------------
// Starting, stopping, pausing.

bool ControlDriver::RealActive() const {
  if (!players_.real) return false;
  const int state = players_.real->GetPlayState();
  return state >= RealPlayerControl::kContacting && state <= RealPlayerControl::kPlaying;
}

bool ControlDriver::Wmp6Active() const {
  if (!players_.wmp6) return false;
  const int open = players_.wmp6->GetOpenState();
  return wm_opening_ || players_.wmp6->GetPlayState() == Wmp6Control::kPlaying ||
         (open >= Wmp6Control::kLoadingAsx && open <= Wmp6Control::kOpening);
}

bool ControlDriver::Wmp9Active() const {
  if (!players_.wmp9) return false;
  const int state = players_.wmp9->GetPlayState();
  return wm_opening_ || state == Wmp9Control::kPaused || state == Wmp9Control::kPlaying ||
         state == Wmp9Control::kBuffering;
}

bool ControlDriver::AnyActive() const { return RealActive() || Wmp6Active() || Wmp9Active(); }

void ControlDriver::StopReal(bool clear_source) {
  if (clear_source) players_.real->SetSource("");
  players_.real->DoStop();
  RestoreProxy(PlayerId::kReal);
}

// WMP 6.4 closes its clip by taking the placeholder name; WMP 9 stops.
void ControlDriver::StopWindowsMedia() {
  if (players_.wmp6) {
    players_.wmp6->SetFileName(Wmp6Control::kClosingPlaceholder);
    RestoreProxy(PlayerId::kWmp6);
  }
  if (players_.wmp9) {
    players_.wmp9->Stop();
    RestoreProxy(PlayerId::kWmp9);
  }
}

bool ControlDriver::StopActiveForSwitch() {
  bool stopped = false;
  if (RealActive()) {
    real_switching_ = true;
    StopReal(true);
    stopped = true;
  }
  if (Wmp6Active() || Wmp9Active()) {
    wm_switching_ = true;
    StopWindowsMedia();
    stopped = true;
  }
  // What was opening is closed now; the next clip opens anew.
  wm_opening_ = false;
  return stopped;
}

void ControlDriver::StopAll() {
  if (players_.real) StopReal(false);
  StopWindowsMedia();
  wm_opening_ = false;
}

void ControlDriver::Start(PlayerId player, const std::string& address) {
  ApplyStationProxy(player);
  switch (player) {
    case PlayerId::kReal: {
      RealPlayerControl& real = *players_.real;
      real.SetVisible(true);
      const std::string source = real.GetSource();
      if (source != address && source != "file://" + address) {
        real.SetSource(address);
      } else {
        real.DoPlay();
      }
      break;
    }
    case PlayerId::kWmp6: {
      Wmp6Control& wmp6 = *players_.wmp6;
      wmp6.SetVisible(true);
      if (wmp6.GetFileName() != address) {
        wmp6.SetFileName(address);
      } else {
        wmp6.Play();
      }
      break;
    }
    case PlayerId::kWmp9: {
      Wmp9Control& wmp9 = *players_.wmp9;
      wmp9.SetVisible(true);
      if (wmp9.GetURL() != address) {
        wmp9.SetURL(address);
      } else {
        wmp9.Play();
      }
      break;
    }
    case PlayerId::kNone:
      break;
  }
}

void ControlDriver::Resume(PlayerId player) {
  switch (player) {
    case PlayerId::kReal:
      players_.real->DoPlayPause();
      break;
    case PlayerId::kWmp6:
      players_.wmp6->Play();
      break;
    case PlayerId::kWmp9:
      players_.wmp9->Play();
      break;
    case PlayerId::kNone:
      break;
  }
}

PauseOutcome ControlDriver::Pause() {
  if (RealPlayerControl* real = players_.real.get(); real && real->GetPlayState() == RealPlayerControl::kPlaying) {
    real->DoPlayPause();
    return PauseOutcome::kPaused;
  }
  if (Wmp6Control* wmp6 = players_.wmp6.get(); wmp6 && wmp6->GetPlayState() == Wmp6Control::kPlaying) {
    // A live broadcast cannot hold its place; it stops instead.
    if (wmp6->GetIsBroadcast()) {
      wmp6->Stop();
      return PauseOutcome::kStopped;
    }
    wmp6->Pause();
    return PauseOutcome::kPaused;
  }
  if (Wmp9Control* wmp9 = players_.wmp9.get(); wmp9 && wmp9->GetPlayState() == Wmp9Control::kPlaying) {
    wmp9->Pause();
    return PauseOutcome::kPaused;
  }
  return PauseOutcome::kNothing;
}

void ControlDriver::Hide(PlayerId player) {
  switch (player) {
    case PlayerId::kReal:
      players_.real->SetVisible(false);
      break;
    case PlayerId::kWmp6:
      players_.wmp6->SetVisible(false);
      break;
    case PlayerId::kWmp9:
      players_.wmp9->SetVisible(false);
      break;
    case PlayerId::kNone:
      break;
  }
}

void ControlDriver::SetStationProxies(StationProxyOverrides* overrides) {
  proxies_ = overrides;
  if (proxies_ != nullptr) proxy_holder_ = proxies_->NewHolder();
}

void ControlDriver::ApplyStationProxy(PlayerId player) {
  if (proxies_ != nullptr) proxies_->Apply(player, proxy_holder_, station_proxy_);
}

void ControlDriver::RestoreProxy(PlayerId player) {
  if (proxies_ != nullptr) proxies_->Restore(player, proxy_holder_);
}

// ---------------------------------------------------------------------------
// Volume, balance, mute and seeking. RealPlayer takes 0..100 and has no
// balance; WMP 6.4 takes hundredths of a decibel below full volume and a
// balance of -10000..10000; WMP 9 takes 0..100 and -100..100.

void ControlDriver::ApplyAudio(PlayerId player, const AudioSettings& audio) {
  switch (player) {
    case PlayerId::kReal:
      if (!audio.mute) players_.real->SetVolume(audio.volume);
      players_.real->SetMute(audio.mute);
      break;
    case PlayerId::kWmp6:
      if (!audio.mute) players_.wmp6->SetVolume(audio.volume * 100 - 10000);
      players_.wmp6->SetBalance(audio.balance * 100);
      players_.wmp6->SetMute(audio.mute);
      break;
    case PlayerId::kWmp9:
      if (!audio.mute) players_.wmp9->SetVolume(audio.volume);
      players_.wmp9->SetBalance(audio.balance);
      players_.wmp9->SetMute(audio.mute);
      break;
    case PlayerId::kNone:
      break;
  }
}

void ControlDriver::ApplyVolume(MediaKind kind, const AudioSettings& audio) {
  if (audio.mute) return;
  if (kind == MediaKind::kRealPlayer && players_.real) {
    players_.real->SetVolume(audio.volume);
  } else if (players_.wmp9) {
    players_.wmp9->SetVolume(audio.volume);
  } else if (players_.wmp6) {
    players_.wmp6->SetVolume(audio.volume * 100 - 10000);
  }
}

void ControlDriver::ApplyBalance(MediaKind kind, const AudioSettings& audio) {
  if (kind == MediaKind::kRealPlayer && players_.real) return;
  if (players_.wmp9) {
    players_.wmp9->SetBalance(audio.balance);
  } else if (players_.wmp6) {
    players_.wmp6->SetBalance(audio.balance * 100);
  }
}

void ControlDriver::ApplyMute(MediaKind kind, const AudioSettings& audio) {
  if (kind == MediaKind::kRealPlayer && players_.real) {
    players_.real->SetMute(audio.mute);
  } else if (players_.wmp9) {
    players_.wmp9->SetMute(audio.mute);
  } else if (players_.wmp6) {
    players_.wmp6->SetMute(audio.mute);
  }
}

bool ControlDriver::CanSeek(MediaKind kind) const {
  if (kind == MediaKind::kRealPlayer) return players_.real && players_.real->GetLength() > 0;
  return (players_.wmp6 && players_.wmp6->GetDuration() > 0 && !players_.wmp6->GetIsBroadcast()) ||
         (players_.wmp9 && players_.wmp9->GetDuration() > 0);
}

void ControlDriver::SeekTo(MediaKind kind, double fraction) {
  if (kind == MediaKind::kRealPlayer) {
    if (players_.real && players_.real->GetLength() > 0) {
      players_.real->SetPosition(std::llround(static_cast<double>(players_.real->GetLength()) * fraction));
    }
    return;
  }
  if (players_.wmp9 && players_.wmp9->GetDuration() > 0) {
    players_.wmp9->SetCurrentPosition(players_.wmp9->GetDuration() * fraction);
  } else if (players_.wmp6 && players_.wmp6->GetDuration() > 0 && !players_.wmp6->GetIsBroadcast()) {
    players_.wmp6->SetCurrentPosition(players_.wmp6->GetDuration() * fraction);
  }
}

double ControlDriver::Progress(PlayerId player) const {
  if (player == PlayerId::kReal && players_.real && players_.real->GetLength() > 0) {
    return static_cast<double>(players_.real->GetPosition()) / static_cast<double>(players_.real->GetLength());
  }
  const ClipPosition at = Position(player);
  return at.duration_s > 0 ? at.position_s / at.duration_s : 0;
}

// ---------------------------------------------------------------------------
// Figures.

ClipPosition ControlDriver::Position(PlayerId player) const {
  if (player == PlayerId::kWmp6 && players_.wmp6) {
    return {players_.wmp6->GetCurrentPosition(), players_.wmp6->GetDuration()};
  }
  if (player == PlayerId::kWmp9 && players_.wmp9) {
    return {players_.wmp9->GetCurrentPosition(), players_.wmp9->GetDuration()};
  }
  if (player == PlayerId::kReal && players_.real) {
    return {static_cast<double>(players_.real->GetPosition()) / 1000.0,
            static_cast<double>(players_.real->GetLength()) / 1000.0};
  }
  return {};
}

int ControlDriver::BufferingProgress(PlayerId player) const {
  if (player == PlayerId::kWmp6 && players_.wmp6) return players_.wmp6->GetBufferingProgress();
  if (player == PlayerId::kWmp9 && players_.wmp9) return players_.wmp9->GetBufferingProgress();
  return 0;
}

std::string ControlDriver::BufferingSpeed(PlayerId player) const {
  switch (player) {
    case PlayerId::kReal:
      return KbpsText(players_.real->GetBandwidth2(), false);
    case PlayerId::kWmp6:
      return KbpsText(players_.wmp6->GetBandwidth(), false);
    case PlayerId::kWmp9:
      return KbpsText(players_.wmp9->GetBandWidth(), true);
    case PlayerId::kNone:
      break;
  }
  return {};
}

std::optional<std::string> ControlDriver::PlayingSpeed(PlayerId player, bool local) const {
  switch (player) {
    case PlayerId::kReal:
      return KbpsText(local ? players_.real->GetBandwidth1() : players_.real->GetBandwidth2(), false);
    case PlayerId::kWmp6:
      if (!local) return KbpsText(players_.wmp6->GetBandwidth(), true);
      break;
    case PlayerId::kWmp9:
      if (!local) return KbpsText(players_.wmp9->GetBandWidth(), true);
      break;
    case PlayerId::kNone:
      break;
  }
  return std::nullopt;
}

std::optional<std::string> ControlDriver::LocalStartSpeed(PlayerId player) const {
  if (player == PlayerId::kWmp9 && players_.wmp9) return KbpsText(players_.wmp9->GetBitRate(), true);
  return std::nullopt;
}

std::string ControlDriver::LearntBandwidth(PlayerId player) const {
  int rate = 0;
  switch (player) {
    case PlayerId::kReal:
      rate = players_.real->GetBandwidth1();
      break;
    case PlayerId::kWmp6:
      rate = players_.wmp6->GetBandwidth();
      break;
    case PlayerId::kWmp9:
      rate = players_.wmp9->GetBitRate();
      break;
    case PlayerId::kNone:
      break;
  }
  // A rate the control does not know yet must not be learnt as "0K".
  return rate > 1000 ? std::to_string(rate / 1000) + "K" : std::string();
}

bool ControlDriver::HasPicture(PlayerId player) const {
  switch (player) {
    case PlayerId::kReal:
      return players_.real->GetClipWidth() > 0 && players_.real->GetClipHeight() > 0;
    case PlayerId::kWmp6:
      return players_.wmp6->GetImageSourceWidth() > 0 && players_.wmp6->GetImageSourceHeight() > 0;
    case PlayerId::kWmp9:
      return players_.wmp9->GetImageSourceWidth() > 0 && players_.wmp9->GetImageSourceHeight() > 0;
    case PlayerId::kNone:
      break;
  }
  return false;
}

std::string ControlDriver::NowPlayingTitle(PlayerId player) const {
  switch (player) {
    case PlayerId::kReal:
      return players_.real ? players_.real->NowPlayingTitle() : std::string();
    case PlayerId::kWmp6:
      return players_.wmp6 ? players_.wmp6->NowPlayingTitle() : std::string();
    case PlayerId::kWmp9:
      return players_.wmp9 ? players_.wmp9->NowPlayingTitle() : std::string();
    case PlayerId::kNone:
      break;
  }
  return {};
}

std::pair<int, int> ControlDriver::PictureSize(PlayerId player) const {
  switch (player) {
    // Asked for by the window at any time, also before a control exists.
    case PlayerId::kReal:
      if (players_.real) return {players_.real->GetClipWidth(), players_.real->GetClipHeight()};
      break;
    case PlayerId::kWmp6:
      if (players_.wmp6) return {players_.wmp6->GetImageSourceWidth(), players_.wmp6->GetImageSourceHeight()};
      break;
    case PlayerId::kWmp9:
      if (players_.wmp9) return {players_.wmp9->GetImageSourceWidth(), players_.wmp9->GetImageSourceHeight()};
      break;
    case PlayerId::kNone:
      break;
  }
  return {0, 0};
}

StreamInfo ControlDriver::TakeStreamInfo(PlayerId player) {
  switch (player) {
    case PlayerId::kReal:
      return {std::exchange(real_title_, {}), std::exchange(real_author_, {}), std::exchange(real_copyright_, {}), {}};
    case PlayerId::kWmp6: {
      const Wmp6Control& wmp6 = *players_.wmp6;
      return {wmp6.GetMediaInfoString(Wmp6Control::kTitle),
              wmp6.GetMediaInfoString(Wmp6Control::kAuthor),
              wmp6.GetMediaInfoString(Wmp6Control::kCopyright),
              {}};
    }
    case PlayerId::kWmp9: {
      const Wmp9Control& wmp9 = *players_.wmp9;
      return {wmp9.GetItemInfo("Title"), wmp9.GetItemInfo("ProviderURL"), wmp9.GetItemInfo("Copyright"),
              wmp9.GetItemInfo("WM/Genre")};
    }
    case PlayerId::kNone:
      break;
  }
  return {};
}

FileInfo ControlDriver::LocalFileInfo(PlayerId player, const std::string& short_name, const std::string& url) {
  FileInfo info;
  std::string title;
  switch (player) {
    case PlayerId::kReal:
      title = std::exchange(real_title_, {});
      info.author = std::exchange(real_author_, {});
      info.copyright = real_copyright_;
      info.file = url.empty() ? players_.real->GetSource() : url;
      info.length_s = players_.real->GetLength() / 1000;
      break;
    case PlayerId::kWmp6: {
      const Wmp6Control& wmp6 = *players_.wmp6;
      title = wmp6.GetMediaInfoString(Wmp6Control::kTitle);
      info.author = wmp6.GetMediaInfoString(Wmp6Control::kAuthor);
      info.copyright = wmp6.GetMediaInfoString(Wmp6Control::kCopyright);
      info.file = wmp6.GetFileName();
      info.length_s = static_cast<long long>(wmp6.GetDuration());
      info.speed = KbpsText(wmp6.GetBandwidth(), true);
      break;
    }
    case PlayerId::kWmp9: {
      const Wmp9Control& wmp9 = *players_.wmp9;
      title = wmp9.GetItemInfo("Title");
      info.author = wmp9.GetItemInfo("Author");
      info.copyright = wmp9.GetItemInfo("Copyright");
      info.file = wmp9.GetURL();
      info.length_s = static_cast<long long>(wmp9.GetDuration());
      info.speed = KbpsText(wmp9.GetBitRate(), true, "Kbps");
      break;
    }
    case PlayerId::kNone:
      return info;
  }
  info.name = title;
  if (info.name.empty()) {
    if (player != PlayerId::kReal) {
      info.name = FileNameWithoutExt(info.file);
    } else {
      info.name = short_name.find("file://") != std::string::npos ? FileNameWithoutExt(short_name) : short_name;
    }
  }
  info.length_s = std::max(info.length_s, 0LL);
  return info;
}

PlayerError ControlDriver::LastError(PlayerId player) const {
  switch (player) {
    case PlayerId::kReal:
      return players_.real ? players_.real->LastError() : PlayerError::kNone;
    case PlayerId::kWmp6:
      return players_.wmp6 ? players_.wmp6->LastError() : PlayerError::kNone;
    case PlayerId::kWmp9:
      return players_.wmp9 ? players_.wmp9->LastError() : PlayerError::kNone;
    case PlayerId::kNone:
      break;
  }
  return PlayerError::kNone;
}

}  // namespace tazmel
