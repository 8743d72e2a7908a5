#include "playback/tester/control_tester_players.h"

#include <filesystem>
#include <system_error>

namespace tazmel {

ControlTesterPlayers::ControlTesterPlayers(PlayerFactory& factory, bool wmp9_installed, StationProxyOverrides* proxies)
    : wmp9_installed_(wmp9_installed),
      driver_(std::make_unique<ControlDriver>(factory, [this](const ControlEvent& event) { OnEvent(event); })) {
  driver_->SetStationProxies(proxies);
}

ControlTesterPlayers::~ControlTesterPlayers() {
  sink_ = nullptr;
  driver_->StopAll();
}

bool ControlTesterPlayers::Start(int attempt, MediaKind kind, const std::string& address, const std::string& proxy) {
  // An address nothing classifies goes to the Windows Media control: the
  // components read playlists and pages themselves.
  if (kind == MediaKind::kUnknown) kind = MediaKind::kWindowsMedia;
  const PlayerChoice choice = driver_->Choose(kind, wmp9_installed_);
  if (choice.player == PlayerId::kNone) return false;
  std::error_code error;
  local_ = std::filesystem::is_regular_file(std::filesystem::path(address), error);
  attempt_ = attempt;
  player_ = choice.player;
  reported_ = false;
  audio_language_ = -1;
  AudioSettings audio;
  if (volume_) audio.volume = volume_();
  driver_->ApplyAudio(player_, audio);
  driver_->SetStationProxy(proxy);
  driver_->Start(player_, address);
  return true;
}

void ControlTesterPlayers::StopAll() {
  // What the controls say about being stopped is our own doing.
  reported_ = true;
  driver_->StopAll();
}

void ControlTesterPlayers::RestoreProxies() { driver_->SetStationProxy({}); }

void ControlTesterPlayers::OnEvent(const ControlEvent& event) {
  if (reported_ || event.by_us || event.player != player_) return;
  using Type = ControlEvent::Type;
  switch (event.type) {
    case Type::kPlaying:
      if (event.plays_now || local_) Report(true);
      break;
    case Type::kBufferingEnded:
      Report(true);
      break;
    case Type::kFailed:
      Report(false);
      break;
    case Type::kStopped:
    case Type::kClosed:
      // A stream that stopped by itself before it played did not start.
      if (driver_->LastError(player_) != PlayerError::kNone) Report(false);
      break;
    case Type::kAudioLanguage:
      audio_language_ = event.value;
      break;
    default:
      break;
  }
}

void ControlTesterPlayers::Report(bool good) {
  reported_ = true;
  Outcome outcome;
  outcome.attempt = attempt_;
  outcome.good = good;
  outcome.audio_language = audio_language_;
  if (good) outcome.bandwidth = driver_->LearntBandwidth(player_);
  if (sink_) sink_(outcome);
}

}  // namespace tazmel
