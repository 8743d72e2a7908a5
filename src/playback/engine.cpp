#include "playback/engine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "core/text_utils.h"
#include "playback/engine_state.h"
#include "playback/media_kind.h"
#include "playback/resolver.h"

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

std::string ValidityFromSeconds(long long seconds) {
  if (seconds <= 9) return "4";
  if (seconds >= 30) return "2";
  return "3";
}

std::string KbpsText(int bits_per_second, bool only_above_1000, std::string_view unit) {
  if (only_above_1000 && bits_per_second <= 1000) return {};
  return std::to_string(bits_per_second / 1000) + std::string(unit);
}

// ---------------------------------------------------------------------------
// State: creation and requests.

PlaybackEngine::State::State(EngineServices services) : services_(std::move(services)) {
  Dispatcher& dispatcher = services_.dispatcher;
  progress_timer_ = dispatcher.CreateTimer([this] { OnProgressTick(); });
  end_clip_timer_ = dispatcher.CreateTimer([this] {
    if (play_source_ == -1) Step(true, -1);
  });
  end_clip_timer_->SetSingleShot(true);
  failover_timer_ = dispatcher.CreateTimer([this] { OnFailoverTick(); });
  failover_timer_->SetSingleShot(true);
  retry_timer_ = dispatcher.CreateTimer([this] { OnRetryTick(); });
}

PlaybackEngine::State::~State() {
  progress_timer_->Stop();
  end_clip_timer_->Stop();
  failover_timer_->Stop();
  retry_timer_->Stop();
  RestoreProxy(PlayerId::kReal);
  RestoreProxy(PlayerId::kWmp6);
  RestoreProxy(PlayerId::kWmp9);
  // Nothing a control raises while it goes away may reach a half-destroyed
  // engine.
  if (RealPlayerControl* real = players_.real.get()) {
    real->OnPlayStateChange = nullptr;
    real->OnShowStatus = nullptr;
    real->OnBuffering = nullptr;
    real->OnPositionChange = nullptr;
    real->OnErrorMessage = nullptr;
    real->OnTitleChange = nullptr;
    real->OnAuthorChange = nullptr;
    real->OnCopyrightChange = nullptr;
    real->OnClipOpened = nullptr;
    real->OnClipClosed = nullptr;
  }
  if (Wmp6Control* wmp6 = players_.wmp6.get()) {
    wmp6->OnOpenStateChange = nullptr;
    wmp6->OnPlayStateChange = nullptr;
    wmp6->OnBuffering = nullptr;
    wmp6->OnNewStream = nullptr;
    wmp6->OnEndOfStream = nullptr;
    wmp6->OnError = nullptr;
  }
  if (Wmp9Control* wmp9 = players_.wmp9.get()) {
    wmp9->OnOpenStateChange = nullptr;
    wmp9->OnPlayStateChange = nullptr;
    wmp9->OnBuffering = nullptr;
    wmp9->OnMediaError = nullptr;
    wmp9->OnAudioLanguageChange = nullptr;
  }
}

// A new request starts afresh: what the last one had pending (the next
// address, a reconnect and its count) no longer applies, and playing is no
// longer ended, so the new stream may reconnect.
void PlaybackEngine::State::BeginRequest() {
  continue_ = true;
  ended_ = false;
  paused_ = false;
  retry_count_ = 0;
  failover_timer_->Stop();
  retry_timer_->Stop();
}

void PlaybackEngine::State::PlayStation(int id) {
  continue_ = true;
  TRadioTable& table = table_;
  table.ClearFields();
  if (table.OpenFor(id, services_.paths)) table.LoadByID(id);
  table.Close();
  StationRecord record = table.Fields();
  std::vector<std::string> urls = SplitUrls(record.VStreamURL);
  // A station without an address starts nothing and leaves what plays alone.
  if (urls.empty()) return;
  BeginRequest();
  record_ = std::move(record);
  urls_ = std::move(urls);
  url_index_ = 0;
  kind_ = StoredKind();
  play_source_ = id;
  SendReport('P');
  PlayCurrent(false);
}

void PlaybackEngine::State::PlayMusicList() {
  BeginRequest();
  play_source_ = -1;
  record_ = StationRecord{};
  urls_.clear();
  std::string entry = services_.navigator ? services_.navigator->CurrentMusicEntry() : std::string();
  if (!entry.empty()) urls_.push_back(std::move(entry));
  url_index_ = 0;
  kind_ = '0';
  PlayCurrent(false);
}

void PlaybackEngine::State::PlayAddresses(std::string_view text, std::string_view display_name, char kind) {
  BeginRequest();
  play_source_ = 0;
  record_ = StationRecord{};
  record_.VRadioName = std::string(display_name);
  urls_.clear();
  ForEachLine(text, [this](std::string_view line) {
    if (!TrimBlanks(line).empty()) urls_.emplace_back(line);
  });
  url_index_ = 0;
  kind_ = kind;
  PlayCurrent(false);
}

void PlaybackEngine::State::Play() {
  ended_ = false;
  continue_ = true;
  if (paused_) {
    paused_ = false;
    PlayCurrent(true);
  } else if (play_source_ > 0) {
    PlayStation(play_source_);
  } else if (play_source_ == -1) {
    PlayMusicList();
  } else {
    BeginRequest();
    PlayCurrent(false);
  }
}

void PlaybackEngine::State::Pause() {
  ended_ = true;
  if (RealPlayerControl* real = players_.real.get(); real && real->GetPlayState() == RealPlayerControl::kPlaying) {
    real->DoPlayPause();
    paused_ = true;
  } else if (Wmp6Control* wmp6 = players_.wmp6.get(); wmp6 && wmp6->GetPlayState() == Wmp6Control::kPlaying) {
    // A live broadcast cannot hold its place; it stops instead.
    if (wmp6->GetIsBroadcast()) {
      wmp6->Stop();
    } else {
      wmp6->Pause();
      paused_ = true;
    }
  } else if (Wmp9Control* wmp9 = players_.wmp9.get(); wmp9 && wmp9->GetPlayState() == Wmp9Control::kPlaying) {
    wmp9->Pause();
    paused_ = true;
  }
}

void PlaybackEngine::State::Stop() {
  ended_ = true;
  continue_ = false;
  paused_ = false;
  opening_ = false;
  ++attempt_serial_;
  failover_timer_->Stop();
  retry_timer_->Stop();
  end_clip_timer_->Stop();
  if (players_.real) StopReal(false);
  if (players_.wmp6) StopWmp6();
  if (players_.wmp9) StopWmp9();
  StoppedDisplay();
  StopSounds();
  SendReport('S');
}

void PlaybackEngine::State::Step(bool forward, int source) {
  ended_ = false;
  if (!services_.navigator) return;
  const int entry = forward ? services_.navigator->NextEntry(source) : services_.navigator->PreviousEntry(source);
  if (!continue_) return;
  if (entry > 0) {
    PlayStation(entry);
  } else if (entry == -1) {
    PlayMusicList();
  }
}

bool PlaybackEngine::State::RealActive() const {
  if (!players_.real) return false;
  const int state = players_.real->GetPlayState();
  return state >= RealPlayerControl::kContacting && state <= RealPlayerControl::kPlaying;
}

bool PlaybackEngine::State::Wmp6Active() const {
  if (!players_.wmp6) return false;
  const int open = players_.wmp6->GetOpenState();
  return opening_ || players_.wmp6->GetPlayState() == Wmp6Control::kPlaying ||
         (open >= Wmp6Control::kLoadingAsx && open <= Wmp6Control::kOpening);
}

bool PlaybackEngine::State::Wmp9Active() const {
  if (!players_.wmp9) return false;
  const int state = players_.wmp9->GetPlayState();
  return opening_ || state == Wmp9Control::kPaused || state == Wmp9Control::kPlaying ||
         state == Wmp9Control::kBuffering;
}

bool PlaybackEngine::State::IsActive() const { return RealActive() || Wmp6Active() || Wmp9Active(); }

const std::string& PlaybackEngine::State::Address() const { return urls_[static_cast<std::size_t>(url_index_)]; }

char PlaybackEngine::State::StoredKind() const { return record_.VFormat.empty() ? '0' : record_.VFormat[0]; }

// ---------------------------------------------------------------------------
// Attempts.

void PlaybackEngine::State::PlayCurrent(bool resume) {
  if (url_index_ < 0 || url_index_ >= static_cast<int>(urls_.size())) return;
  const unsigned serial = ++attempt_serial_;
  EngineView& view = services_.view;
  bandwidth_.clear();
  audio_language_ = -1;
  local_ = IsExistingFile(Address());
  if (!local_) view.SetWaitCursor(true);

  // Resuming goes back to the paused control as it was.
  PlayerChoice choice{player_, kind_};
  if (!resume || player_ == PlayerId::kNone) {
    resume = false;
    StopRunning();
    if (!local_) {
      PlaySound(kWaitingSound, true);
      view.ShowState(Msg(30));
    }
    if (!Classify(serial)) {
      view.SetWaitCursor(false);
      return;
    }
    choice =
        ChoosePlayer(kind_, players_, services_.factory, services_.wmp9_installed ? services_.wmp9_installed() : true);
    WireNewControls();
    if (!local_ && record_.VRadioName.empty()) {
      record_.VRadioName = Address();
      record_.VStreamURL = Address();
    }
  }
  attempt_start_ = services_.dispatcher.Now();

  if (choice.player == PlayerId::kNone) {
    // No control could be created: nothing will ever answer, so do not leave
    // the waiting state behind.
    kind_ = choice.kind;
    StopSoundsAndStoppedDisplay();
    view.SetWaitCursor(false);
    return;
  }
  ApplyAudioTo(choice.player);
  kind_ = choice.kind;
  player_ = choice.player;
  if (resume) {
    Resume(player_);
  } else {
    StartFresh(player_, Address());
  }
  SetMute(mute_);
  if (!resume) ShowTitleDisplay();
  view.SetWaitCursor(false);
}

// Steps 1 and 2 of the player choice: the kind from the address and, for an
// unknown stream address, from what it downloads to. False when another
// attempt or a stop came while the download kept the loop running.
bool PlaybackEngine::State::Classify(unsigned serial) {
  if (kind_ == '0') kind_ = GetMediaKind(Address());
  if (kind_ != '0' || local_ || !services_.fetch) return true;

  std::vector<std::string> list = urls_;
  const std::string address = Address();
  ++resolving_;
  const char found = ResolveMediaKind(services_.fetch, address, list, url_index_);
  --resolving_;
  if (serial != attempt_serial_) return false;
  if (!list.empty() && url_index_ < static_cast<int>(list.size())) urls_ = std::move(list);
  if (found == '0') {
    kind_ = GetMediaKind(Address());
    return true;
  }
  kind_ = found;
  const std::string stored(1, found == '3' || found == '4' ? '2' : found);
  if (record_.VFormat != stored) UpdateUserStation([&stored](StationRecord& r) { r.VFormat = stored; });
  return true;
}

void PlaybackEngine::State::StopRunning() {
  if (RealActive()) {
    real_switching_ = true;
    StoppedDisplay();
    StopReal(true);
  }
  if (Wmp6Active()) {
    wm_switching_ = true;
    StoppedDisplay();
    StopWmp6();
  }
  if (Wmp9Active()) {
    wm_switching_ = true;
    StoppedDisplay();
    StopWmp9();
  }
  // What was opening is closed now; the next clip opens anew.
  opening_ = false;
}

void PlaybackEngine::State::StopReal(bool clear_source) {
  if (clear_source) players_.real->SetSource("");
  players_.real->DoStop();
  RestoreProxy(PlayerId::kReal);
}

void PlaybackEngine::State::StopWmp6() {
  players_.wmp6->SetFileName(Wmp6Control::kClosingPlaceholder);
  progress_timer_->Stop();
  RestoreProxy(PlayerId::kWmp6);
}

void PlaybackEngine::State::StopWmp9() {
  players_.wmp9->Stop();
  progress_timer_->Stop();
  RestoreProxy(PlayerId::kWmp9);
}

void PlaybackEngine::State::StartFresh(PlayerId player, const std::string& address) {
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

void PlaybackEngine::State::Resume(PlayerId player) {
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

void PlaybackEngine::State::ApplyStationProxy(PlayerId) {}
void PlaybackEngine::State::RestoreProxy(PlayerId) {}

// ---------------------------------------------------------------------------
// Failures, failover and reconnecting.

void PlaybackEngine::State::HandleError() {
  if (play_source_ <= 0) return;
  if (url_index_ + 1 < static_cast<int>(urls_.size())) {
    ++url_index_;
    PlaySound(kErrorSound, false);
    kind_ = StoredKind();
    failover_timer_->Start(kFailoverDelay);
    return;
  }
  url_index_ = 0;
  PlaySound(kErrorSound, false);
  ArmReconnect();
  if (IsUserStationID(play_source_)) UpdateUserStation([](StationRecord& r) { r.VValidity = "1"; });
}

void PlaybackEngine::State::OnFailoverTick() {
  if (ended_ || !continue_) return;
  PlayCurrent(false);
}

void PlaybackEngine::State::ArmReconnect() {
  if (retry_timer_->Active() || failover_timer_->Active()) return;
  if (!options_.reconnect || ended_ || local_) return;
  // The count runs from the request or the last time the stream played: a
  // failure that arrives after the last retry must not start it anew.
  if (options_.retry_num > 0 && retry_count_ >= options_.retry_num) return;
  // A zero delay would retry without pause.
  retry_timer_->Start(milliseconds(std::max(options_.retry_delay, 1) * 1000LL));
}

void PlaybackEngine::State::OnRetryTick() {
  if (!options_.reconnect || ended_ || IsActive()) {
    retry_timer_->Stop();
    return;
  }
  // The next address is about to be tried anyway, or an attempt is still
  // downloading its address: another attempt would start inside it.
  if (failover_timer_->Active() || resolving_ > 0) return;
  if (options_.retry_num <= 0 || retry_count_ < options_.retry_num) {
    ++retry_count_;
    PlayCurrent(false);
  } else {
    retry_timer_->Stop();
  }
}

// ---------------------------------------------------------------------------
// Reports, sounds and the user table.

void PlaybackEngine::State::SendReport(char kind) {
  if (play_source_ == 0 || !services_.reports) return;
  std::string text(1, kind);
  // A user station the service may not know yet also carries its address.
  if (IsUserStationID(play_source_) && play_source_ != last_reported_ && !urls_.empty() && !urls_.front().empty()) {
    text += std::to_string(play_source_) + "Z" + UpperHex(urls_.front());
  } else {
    text += std::to_string(play_source_);
  }
  last_reported_ = play_source_;
  services_.reports->SetPendingReport(std::move(text));
  if (kind == 'S') services_.reports->WakeUp();
}

void PlaybackEngine::State::PlaySound(std::string_view name, bool looped) {
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

void PlaybackEngine::State::StopSounds() {
  if (services_.sound) services_.sound->StopSound();
}

void PlaybackEngine::State::UpdateUserStation(const std::function<void(StationRecord&)>& change) {
  change(record_);
  if (!IsUserStationID(play_source_)) return;
  // Only the learnt fields change: the rest of the stored record stays as
  // the table holds it, whatever rblData shows meanwhile.
  TRadioTable& table = table_;
  table.ClearFields();
  if (table.OpenFor(play_source_, services_.paths) && table.LoadByID(play_source_)) {
    const StationRecord before = table.Fields();
    change(table.Fields());
    if (table.Fields() != before) table.SaveByID(play_source_);
  }
  table.Close();
}

// ---------------------------------------------------------------------------
// Volume, balance, mute, seeking and the user address text.

void PlaybackEngine::State::ApplyAudioTo(PlayerId player) {
  switch (player) {
    case PlayerId::kReal:
      if (!mute_) players_.real->SetVolume(volume_);
      players_.real->SetMute(mute_);
      break;
    case PlayerId::kWmp6:
      if (!mute_) players_.wmp6->SetVolume(volume_ * 100 - 10000);
      players_.wmp6->SetBalance(balance_ * 100);
      players_.wmp6->SetMute(mute_);
      break;
    case PlayerId::kWmp9:
      if (!mute_) players_.wmp9->SetVolume(volume_);
      players_.wmp9->SetBalance(balance_);
      players_.wmp9->SetMute(mute_);
      break;
    case PlayerId::kNone:
      break;
  }
}

void PlaybackEngine::State::ApplyVolume() {
  if (mute_) return;
  if (kind_ == '1' && players_.real) {
    players_.real->SetVolume(volume_);
  } else if (players_.wmp9) {
    players_.wmp9->SetVolume(volume_);
  } else if (players_.wmp6) {
    players_.wmp6->SetVolume(volume_ * 100 - 10000);
  }
}

void PlaybackEngine::State::ApplyBalance() {
  if (kind_ == '1' && players_.real) return;  // RealPlayer has no balance
  if (players_.wmp9) {
    players_.wmp9->SetBalance(balance_);
  } else if (players_.wmp6) {
    players_.wmp6->SetBalance(balance_ * 100);
  }
}

void PlaybackEngine::State::ApplyMute() {
  if (kind_ == '1' && players_.real) {
    players_.real->SetMute(mute_);
  } else if (players_.wmp9) {
    players_.wmp9->SetMute(mute_);
  } else if (players_.wmp6) {
    players_.wmp6->SetMute(mute_);
  }
}

void PlaybackEngine::State::SetVolume(int volume) {
  volume_ = std::clamp(volume, 0, 100);
  ApplyVolume();
}

void PlaybackEngine::State::SetBalance(int balance) {
  balance_ = std::clamp(balance, -100, 100);
  ApplyBalance();
}

void PlaybackEngine::State::SetMute(bool mute) {
  mute_ = mute;
  ApplyMute();
  if (!mute_) ApplyVolume();
}

void PlaybackEngine::State::BeginSeek() {
  if (kind_ == '1') {
    real_position_events_ = false;
  } else {
    ticks_before_seek_ = ticks_before_seek_ || progress_timer_->Active();
    progress_timer_->Stop();
  }
}

bool PlaybackEngine::State::CanSeek() const {
  if (kind_ == '1') return players_.real && players_.real->GetLength() > 0;
  return (players_.wmp6 && players_.wmp6->GetDuration() > 0 && !players_.wmp6->GetIsBroadcast()) ||
         (players_.wmp9 && players_.wmp9->GetDuration() > 0);
}

void PlaybackEngine::State::SeekTo(double fraction) {
  fraction = std::clamp(fraction, 0.0, 1.0);
  if (kind_ == '1') {
    real_position_events_ = true;
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
  // The drag held the ticks back; they come back whether or not the clip
  // could move, but only if they ran before it.
  if (std::exchange(ticks_before_seek_, false)) progress_timer_->Start(milliseconds(500));
}

void PlaybackEngine::State::RefreshProgress() {
  double fraction = 0;
  if (player_ == PlayerId::kReal && players_.real && players_.real->GetLength() > 0) {
    fraction = static_cast<double>(players_.real->GetPosition()) / static_cast<double>(players_.real->GetLength());
  } else if (player_ == PlayerId::kWmp6 && players_.wmp6 && players_.wmp6->GetDuration() > 0) {
    fraction = players_.wmp6->GetCurrentPosition() / players_.wmp6->GetDuration();
  } else if (player_ == PlayerId::kWmp9 && players_.wmp9 && players_.wmp9->GetDuration() > 0) {
    fraction = players_.wmp9->GetCurrentPosition() / players_.wmp9->GetDuration();
  }
  services_.view.ShowProgress(std::clamp(fraction, 0.0, 1.0));
}

std::string PlaybackEngine::State::GetUserUrl() const {
  if (play_source_ > 0 || urls_.empty()) return {};
  return std::string(1, kind_) + "," + urls_.front();
}

void PlaybackEngine::State::SetUserUrl(std::string_view text) {
  std::string rest(text);
  const std::string first = CutFirst(rest, ",");
  std::string address;
  if (first.size() == 1) {
    kind_ = first[0];
    address = CutFirst(rest, ",");
  } else {
    kind_ = '0';
    address = first;
  }
  urls_.clear();
  if (!address.empty()) urls_.push_back(std::move(address));
  url_index_ = 0;
}

std::string PlaybackEngine::State::GetCurrentTitle() const {
  if (!record_.VRadioName.empty()) return record_.VRadioName;
  if (url_index_ < 0 || url_index_ >= static_cast<int>(urls_.size())) return {};
  const std::string& address = Address();
  const std::size_t slash = address.find_last_of("/\\");
  return slash == std::string::npos ? address : address.substr(slash + 1);
}

void PlaybackEngine::State::ReportPlaying() {
  if (last_reported_ != 0) SendReport('P');
}

void PlaybackEngine::State::SetOptions(const EngineOptions& options) {
  options_ = options;
  if (!options_.enable_sound) StopSounds();
}

// ---------------------------------------------------------------------------
// PlaybackEngine: the public face.

PlaybackEngine::PlaybackEngine(EngineServices services) : state_(std::make_unique<State>(std::move(services))) {}
PlaybackEngine::~PlaybackEngine() = default;

void PlaybackEngine::PlayStation(int id) { state_->PlayStation(id); }
void PlaybackEngine::PlayMusicList() { state_->PlayMusicList(); }
void PlaybackEngine::PlayAddresses(std::string_view text, std::string_view display_name, char kind) {
  state_->PlayAddresses(text, display_name, kind);
}
void PlaybackEngine::Play() { state_->Play(); }
void PlaybackEngine::Pause() { state_->Pause(); }
void PlaybackEngine::Stop() { state_->Stop(); }
void PlaybackEngine::Next() { state_->Step(true, 0); }
void PlaybackEngine::Previous() { state_->Step(false, 0); }
bool PlaybackEngine::IsActive() const { return state_->IsActive(); }

void PlaybackEngine::SetVolume(int volume) { state_->SetVolume(volume); }
void PlaybackEngine::SetBalance(int balance) { state_->SetBalance(balance); }
void PlaybackEngine::SetMute(bool mute) { state_->SetMute(mute); }
int PlaybackEngine::Volume() const { return state_->volume_; }
int PlaybackEngine::Balance() const { return state_->balance_; }
bool PlaybackEngine::Mute() const { return state_->mute_; }
bool PlaybackEngine::Paused() const { return state_->paused_; }
int PlaybackEngine::PlaySource() const { return state_->play_source_; }

void PlaybackEngine::BeginSeek() { state_->BeginSeek(); }
bool PlaybackEngine::CanSeek() const { return state_->CanSeek(); }
void PlaybackEngine::SeekTo(double fraction) { state_->SeekTo(fraction); }
void PlaybackEngine::RefreshProgress() { state_->RefreshProgress(); }

std::string PlaybackEngine::GetUserUrl() const { return state_->GetUserUrl(); }
void PlaybackEngine::SetUserUrl(std::string_view text) { state_->SetUserUrl(text); }

void PlaybackEngine::RestorePlaySource(int source, std::string_view user_url) {
  state_->play_source_ = source;
  if (source == 0) {
    state_->record_ = StationRecord{};
    state_->SetUserUrl(user_url);
  }
}
std::string PlaybackEngine::GetCurrentTitle() const { return state_->GetCurrentTitle(); }
void PlaybackEngine::ReportPlaying() { state_->ReportPlaying(); }

void PlaybackEngine::SetOptions(const EngineOptions& options) { state_->SetOptions(options); }
const EngineOptions& PlaybackEngine::Options() const { return state_->options_; }

const std::vector<std::string>& PlaybackEngine::AddressList() const { return state_->urls_; }
int PlaybackEngine::AddressIndex() const { return state_->url_index_; }
char PlaybackEngine::Kind() const { return state_->kind_; }
const StationRecord& PlaybackEngine::CurrentRecord() const { return state_->record_; }

}  // namespace tazmel
