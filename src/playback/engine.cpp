// The engine's requests, reports and sounds, and its public face.

#include "playback/engine.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/file_utils.h"
#include "core/program_paths.h"
#include "core/text_utils.h"
#include "playback/engine_core.h"

namespace tazmel {
namespace {

using std::chrono::milliseconds;

// "\x12\xAB" -> "12AB".
std::string UpperHex(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  char pair[3];
  for (unsigned char byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02X", byte);
    out += pair;
  }
  return out;
}

}  // namespace

// Every entry into the engine — a request, a timer, a control's event, a
// download's reply — holds a display batch, so the view gets one snapshot
// per event.
PlaybackEngine::Core::Core(EngineServices services)
    : services_(std::move(services)),
      display_(services_.view),
      learning_(services_.paths),
      driver_(services_.factory, [this](const ControlEvent& event) {
        EngineDisplayModel::Batch batch(display_);
        OnControlEvent(event);
      }) {
  driver_.SetStationProxies(services_.proxies);
  Dispatcher& dispatcher = services_.dispatcher;
  auto batched = [this](void (Core::*tick)()) {
    return [this, tick] {
      EngineDisplayModel::Batch batch(display_);
      (this->*tick)();
    };
  };
  progress_timer_ = dispatcher.CreateTimer(batched(&Core::OnProgressTick));
  end_clip_timer_ = dispatcher.CreateTimer([this] {
    EngineDisplayModel::Batch batch(display_);
    if (request_.source.IsMusicList()) Step(true, PlaySource::MusicList());
  });
  end_clip_timer_->SetSingleShot(true);
  failover_timer_ = dispatcher.CreateTimer(batched(&Core::OnFailoverTick));
  failover_timer_->SetSingleShot(true);
  retry_timer_ = dispatcher.CreateTimer(batched(&Core::OnRetryTick));
}

PlaybackEngine::Core::~Core() {
  progress_timer_->Stop();
  end_clip_timer_->Stop();
  failover_timer_->Stop();
  retry_timer_->Stop();
  if (attempt_.resolving && services_.pages) services_.pages->CancelAll();
}

// A new request starts afresh: what the last one had pending (the next
// address, a reconnect and its count) no longer applies, and playing is no
// longer ended, so the new stream may reconnect.
void PlaybackEngine::Core::BeginRequest() {
  flow_ = {.continue_playing = true, .paused = false, .ended = false};
  failover_timer_->Stop();
  StopRetrying();
  display_.SetFailure(StartFailure::kNone);
}

void PlaybackEngine::Core::PlayStation(int id) {
  flow_.continue_playing = true;
  StationRecord record = learning_.Load(id);
  std::vector<std::string> urls = SplitUrls(record.VStreamURL);
  // A station without an address starts nothing and leaves what plays alone.
  if (urls.empty()) return;
  BeginRequest();
  const MediaKind kind = MediaKindFromFormat(record.VFormat);
  request_ = {.source = PlaySource::Station(id),
              .urls = std::move(urls),
              .url_index = 0,
              .kind = kind,
              .record = std::move(record)};
  SendReport('P');
  PlayCurrent(false);
}

void PlaybackEngine::Core::PlayMusicList() {
  BeginRequest();
  request_ = {};
  request_.source = PlaySource::MusicList();
  std::string entry = services_.navigator ? services_.navigator->CurrentMusicEntry() : std::string();
  if (!entry.empty()) request_.urls.push_back(std::move(entry));
  PlayCurrent(false);
}

void PlaybackEngine::Core::PlayAddresses(std::string_view text, std::string_view display_name, MediaKind kind) {
  BeginRequest();
  request_ = {};
  request_.kind = kind;
  request_.record.VRadioName = std::string(display_name);
  ForEachLine(text, [this](std::string_view line) {
    if (!TrimBlanks(line).empty()) request_.urls.emplace_back(line);
  });
  PlayCurrent(false);
}

void PlaybackEngine::Core::Play() {
  flow_.ended = false;
  flow_.continue_playing = true;
  if (flow_.paused) {
    flow_.paused = false;
    PlayCurrent(true);
  } else if (request_.source.IsStation()) {
    PlayStation(request_.source.StationId());
  } else if (request_.source.IsMusicList()) {
    PlayMusicList();
  } else {
    BeginRequest();
    PlayCurrent(false);
  }
}

void PlaybackEngine::Core::Pause() {
  flow_.ended = true;
  if (driver_.Pause() == PauseOutcome::kPaused) flow_.paused = true;
}

void PlaybackEngine::Core::Stop() {
  flow_ = {};
  ++attempt_serial_;
  if (std::exchange(attempt_.resolving, false) && services_.pages) services_.pages->CancelAll();
  failover_timer_->Stop();
  StopRetrying();
  end_clip_timer_->Stop();
  progress_timer_->Stop();
  driver_.StopAll();
  display_.SetWaitCursor(false);
  StoppedDisplay();
  StopSounds();
  SendReport('S');
}

// The playlist speaks in numbers: a station ID, 0, or -1 for the music list.
void PlaybackEngine::Core::Step(bool forward, PlaySource source) {
  flow_.ended = false;
  if (!services_.navigator) return;
  const int from = source.SettingsId();
  const int entry = forward ? services_.navigator->NextEntry(from) : services_.navigator->PreviousEntry(from);
  if (!flow_.continue_playing) return;
  if (entry > 0) {
    PlayStation(entry);
  } else if (entry == -1) {
    PlayMusicList();
  }
}

// ---------------------------------------------------------------------------
// Reports and sounds.

void PlaybackEngine::Core::SendReport(char kind) {
  const PlaySource source = request_.source;
  if (source.IsTyped() || !services_.reports) return;
  const int id = source.SettingsId();
  std::string text(1, kind);
  // A user station the service may not know yet also carries its address.
  const std::vector<std::string>& urls = request_.urls;
  if (source.IsStation() && IsUserStationID(id) && id != last_reported_ && !urls.empty() && !urls.front().empty()) {
    text += std::to_string(id) + "Z" + UpperHex(urls.front());
  } else {
    text += std::to_string(id);
  }
  last_reported_ = id;
  services_.reports->SetPendingReport(std::move(text));
  if (kind == 'S') services_.reports->WakeUp();
}

void PlaybackEngine::Core::PlaySound(std::string_view name, bool looped) {
  if (!options_.enable_sound || !services_.sound) return;
  namespace fs = std::filesystem;
  const fs::path sound = FindNoCase(services_.paths.ProgramFolder(), "sound");
  fs::path file = FindNoCase(FindNoCase(sound, services_.paths.LanguageCode()), name);
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) file = FindNoCase(FindNoCase(sound, "chs"), name);
  if (looped) {
    services_.sound->PlayLooped(file);
  } else {
    services_.sound->PlayOnce(file);
  }
}

void PlaybackEngine::Core::StopSounds() {
  if (services_.sound) services_.sound->StopSound();
}

// ---------------------------------------------------------------------------
// Volume, balance, mute, seeking and the user address text.

void PlaybackEngine::Core::SetVolume(int volume) {
  audio_.volume = std::clamp(volume, 0, 100);
  driver_.ApplyVolume(request_.kind, audio_);
}

void PlaybackEngine::Core::SetBalance(int balance) {
  audio_.balance = std::clamp(balance, -100, 100);
  driver_.ApplyBalance(request_.kind, audio_);
}

void PlaybackEngine::Core::SetMute(bool mute) {
  audio_.mute = mute;
  driver_.ApplyMute(request_.kind, audio_);
  if (!mute) driver_.ApplyVolume(request_.kind, audio_);
}

void PlaybackEngine::Core::BeginSeek() {
  if (request_.kind == MediaKind::kRealPlayer) {
    ticks_.real_position_events = false;
  } else {
    ticks_.resume_after_seek = ticks_.resume_after_seek || progress_timer_->Active();
    progress_timer_->Stop();
  }
}

void PlaybackEngine::Core::SeekTo(double fraction) {
  driver_.SeekTo(request_.kind, std::clamp(fraction, 0.0, 1.0));
  if (request_.kind == MediaKind::kRealPlayer) {
    ticks_.real_position_events = true;
    return;
  }
  // The drag held the ticks back; they come back whether or not the clip
  // could move, but only if they ran before it.
  if (std::exchange(ticks_.resume_after_seek, false)) progress_timer_->Start(milliseconds(500));
}

void PlaybackEngine::Core::RefreshProgress() {
  display_.SetProgress(std::clamp(driver_.Progress(player_), 0.0, 1.0));
  display_.ShowAgain();
}

std::string PlaybackEngine::Core::GetUserUrl() const {
  if (request_.source.IsStation() || request_.urls.empty()) return {};
  return std::string(1, MediaKindDigit(request_.kind)) + "," + request_.urls.front();
}

// The settings' CurUserUrl: "kind digit,address", or an address alone.
void PlaybackEngine::Core::SetUserUrl(std::string_view text) {
  std::string rest(text);
  const std::string first = CutFirst(rest, ",");
  std::string address;
  if (first.size() == 1) {
    request_.kind = MediaKindFromDigit(first[0]);
    address = CutFirst(rest, ",");
  } else {
    request_.kind = MediaKind::kUnknown;
    address = first;
  }
  request_.urls.clear();
  if (!address.empty()) request_.urls.push_back(std::move(address));
  request_.url_index = 0;
}

void PlaybackEngine::Core::RestorePlaySource(PlaySource source, std::string_view user_url) {
  request_.source = source;
  if (source.IsTyped()) {
    request_.record = StationRecord{};
    SetUserUrl(user_url);
  }
}

std::string PlaybackEngine::Core::GetCurrentTitle() const {
  if (!request_.record.VRadioName.empty()) return request_.record.VRadioName;
  if (request_.url_index < 0 || request_.url_index >= static_cast<int>(request_.urls.size())) return {};
  const std::string& address = Address();
  const std::size_t slash = address.find_last_of("/\\");
  return slash == std::string::npos ? address : address.substr(slash + 1);
}

void PlaybackEngine::Core::ReportPlaying() {
  if (last_reported_ != 0) SendReport('P');
}

// The texts are rendered anew: the state and the reason by the display, the
// station's hint here, since its labels are messages too. A local clip's
// hint keeps its language until the next clip.
void PlaybackEngine::Core::Retranslate() {
  if (!attempt_.local && !display_.Shown().title.empty() && request_.url_index >= 0 &&
      request_.url_index < static_cast<int>(request_.urls.size())) {
    ShowTitleDisplay();
  }
  display_.Retranslate();
}

void PlaybackEngine::Core::SetOptions(const EngineOptions& options) {
  options_ = options;
  if (!options_.enable_sound) StopSounds();
}

// ---------------------------------------------------------------------------
// PlaybackEngine: the public face.

PlaybackEngine::PlaybackEngine(EngineServices services) : core_(std::make_unique<Core>(std::move(services))) {}
PlaybackEngine::~PlaybackEngine() = default;

namespace {

// Runs a request inside one display batch.
template <typename Call>
void Batched(EngineDisplayModel& display, Call call) {
  EngineDisplayModel::Batch batch(display);
  call();
}

}  // namespace

void PlaybackEngine::PlayStation(int id) {
  Batched(core_->display(), [&] { core_->PlayStation(id); });
}
void PlaybackEngine::PlayMusicList() {
  Batched(core_->display(), [&] { core_->PlayMusicList(); });
}
void PlaybackEngine::PlayAddresses(std::string_view text, std::string_view display_name, MediaKind kind) {
  Batched(core_->display(), [&] { core_->PlayAddresses(text, display_name, kind); });
}
void PlaybackEngine::Play() {
  Batched(core_->display(), [&] { core_->Play(); });
}
void PlaybackEngine::Pause() {
  Batched(core_->display(), [&] { core_->Pause(); });
}
void PlaybackEngine::Stop() {
  Batched(core_->display(), [&] { core_->Stop(); });
}
void PlaybackEngine::Next() {
  Batched(core_->display(), [&] { core_->Step(true, PlaySource::Typed()); });
}
void PlaybackEngine::Previous() {
  Batched(core_->display(), [&] { core_->Step(false, PlaySource::Typed()); });
}
bool PlaybackEngine::IsActive() const { return core_->IsActive(); }

void PlaybackEngine::SetVolume(int volume) { core_->SetVolume(volume); }
void PlaybackEngine::SetBalance(int balance) { core_->SetBalance(balance); }
void PlaybackEngine::SetMute(bool mute) { core_->SetMute(mute); }
int PlaybackEngine::Volume() const { return core_->audio_.volume; }
int PlaybackEngine::Balance() const { return core_->audio_.balance; }
bool PlaybackEngine::Mute() const { return core_->audio_.mute; }
bool PlaybackEngine::Paused() const { return core_->flow_.paused; }
PlaySource PlaybackEngine::Source() const { return core_->request_.source; }
std::pair<int, int> PlaybackEngine::PictureSize() const { return core_->PictureSize(); }

void PlaybackEngine::BeginSeek() { core_->BeginSeek(); }
bool PlaybackEngine::CanSeek() const { return core_->CanSeek(); }
ClipPosition PlaybackEngine::Position() const { return core_->driver().Position(core_->player_); }
void PlaybackEngine::SeekTo(double fraction) {
  Batched(core_->display(), [&] { core_->SeekTo(fraction); });
}
void PlaybackEngine::RefreshProgress() {
  Batched(core_->display(), [&] { core_->RefreshProgress(); });
}

std::string PlaybackEngine::GetUserUrl() const { return core_->GetUserUrl(); }
void PlaybackEngine::SetUserUrl(std::string_view text) { core_->SetUserUrl(text); }
void PlaybackEngine::RestorePlaySource(PlaySource source, std::string_view user_url) {
  core_->RestorePlaySource(source, user_url);
}
std::string PlaybackEngine::GetCurrentTitle() const { return core_->GetCurrentTitle(); }
void PlaybackEngine::ReportPlaying() { core_->ReportPlaying(); }

void PlaybackEngine::SetOptions(const EngineOptions& options) { core_->SetOptions(options); }
const EngineOptions& PlaybackEngine::Options() const { return core_->options_; }
void PlaybackEngine::Retranslate() {
  Batched(core_->display(), [&] { core_->Retranslate(); });
}

const std::vector<std::string>& PlaybackEngine::AddressList() const { return core_->request_.urls; }
int PlaybackEngine::AddressIndex() const { return core_->request_.url_index; }
MediaKind PlaybackEngine::Kind() const { return core_->request_.kind; }
const StationRecord& PlaybackEngine::CurrentRecord() const { return core_->request_.record; }

}  // namespace tazmel
