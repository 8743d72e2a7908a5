// The engine's reactions to the three controls' events, its ticks and its
// displays.

#include <algorithm>
#include <chrono>
#include <string>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/system.h"
#include "core/text_utils.h"
#include "core/time_utils.h"
#include "platform/language_ids.h"
#include "playback/engine_state.h"

namespace tazmel {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kTickInterval{500};
constexpr int kBusyTrayInterval = 300;
constexpr int kPlayingTrayInterval = 100;
constexpr const char* kCrLf = "\r\n";

std::string Trimmed(const std::string& text) { return std::string(TrimBlanks(text)); }

std::string BufferingText(int percent) { return Msg(42) + "(" + std::to_string(percent) + "%)"; }

}  // namespace

// ---------------------------------------------------------------------------
// Displays.

void PlaybackEngine::State::SetTray(bool on, int interval_ms) {
  tray_interval_ = interval_ms;
  services_.view.SetTrayAnimation(on, interval_ms);
}

void PlaybackEngine::State::StoppedDisplay() {
  EngineView& view = services_.view;
  view.ShowSpeed("");
  view.ShowState(Msg(35));
  SetTray(false, tray_interval_);
  view.ShowElapsed(TimeText(0));
  view.ShowProgress(0);
  view.SetTransport(TransportState::kStopped);
  TrimWorkingSet();
}

void PlaybackEngine::State::StopSoundsAndStoppedDisplay() {
  StopSounds();
  StoppedDisplay();
}

void PlaybackEngine::State::BufferingDisplay() {
  SetTray(true, kBusyTrayInterval);
  services_.view.SetTransport(TransportState::kBusy);
  const bool sounding = services_.sound && services_.sound->SoundPlaying();
  if (!sounding && !local_) PlaySound("waiting.wav", true);
}

void PlaybackEngine::State::ShowTitleDisplay() {
  std::string title = record_.VRadioName;
  if (urls_.size() >= 2) title += "(" + std::to_string(url_index_ + 1) + ")";
  StationRecord shown = record_;
  shown.VFormat = std::string(1, kind_);
  if (url_index_ >= 0 && url_index_ < static_cast<int>(urls_.size())) shown.VStreamURL = Address();
  // System stations never show where they stream from.
  const bool system_station = play_source_ > 0 && !IsUserStationID(play_source_);
  services_.view.ShowTitle(title, StationSummary(shown, system_station));
}

// ---------------------------------------------------------------------------
// Wiring.

void PlaybackEngine::State::WireNewControls() {
  if (players_.real && !real_wired_) {
    WireReal(*players_.real);
    real_wired_ = true;
  }
  if (players_.wmp6 && !wmp6_wired_) {
    WireWmp6(*players_.wmp6);
    wmp6_wired_ = true;
  }
  if (players_.wmp9 && !wmp9_wired_) {
    WireWmp9(*players_.wmp9);
    wmp9_wired_ = true;
  }
}

void PlaybackEngine::State::Hide(PlayerId player) {
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
  progress_timer_->Stop();
  ticks_before_seek_ = false;  // a drag under way must not start them again
}

void PlaybackEngine::State::WireReal(RealPlayerControl& real) {
  real.OnClipOpened = [this](const std::string& short_name, const std::string& url) {
    real_switching_ = false;
    if (Wmp6Active()) {
      wm_switching_ = true;
      StopWmp6();
    }
    if (Wmp9Active()) {
      wm_switching_ = true;
      StopWmp9();
    }
    if (local_) LocalClipInfo(PlayerId::kReal, short_name, url);
  };
  real.OnShowStatus = [this](const std::string&) {
    EngineView& view = services_.view;
    switch (players_.real->GetPlayState()) {
      case RealPlayerControl::kStopped:
        Hide(PlayerId::kReal);
        if (!real_switching_) StopSoundsAndStoppedDisplay();
        ArmReconnect();
        break;
      case RealPlayerControl::kContacting:
        view.ShowState(Msg(32));
        view.SetTransport(TransportState::kBusy);
        break;
      case RealPlayerControl::kBuffering:
        view.SetTransport(TransportState::kBusy);
        break;
      case RealPlayerControl::kPaused:
        SetTray(false, tray_interval_);
        view.ShowState(Msg(36));
        view.SetTransport(TransportState::kPaused);
        break;
      default:
        break;
    }
  };
  real.OnBuffering = [this](int, int percent) {
    if (percent > 0) services_.view.ShowState(BufferingText(percent));
    services_.view.ShowSpeed(KbpsText(players_.real->GetBandwidth2(), false));
    BufferingDisplay();
  };
  real.OnPlayStateChange = [this](int new_state) {
    if (new_state == RealPlayerControl::kPlaying) NowPlaying(PlayerId::kReal);
  };
  real.OnPositionChange = [this](std::int64_t pos_ms, std::int64_t len_ms) {
    if (real_position_events_) RealPosition(pos_ms, len_ms);
  };
  real.OnTitleChange = [this](const std::string& text) { real_title_ = Trimmed(text); };
  real.OnAuthorChange = [this](const std::string& text) { real_author_ = Trimmed(text); };
  real.OnCopyrightChange = [this](const std::string& text) { real_copyright_ = Trimmed(text); };
  real.OnErrorMessage = [this](int, const std::string&) {
    Hide(PlayerId::kReal);
    StopSoundsAndStoppedDisplay();
    HandleError();
  };
  real.OnClipClosed = [this] {
    // A finite clip that closed on its own has ended: no reconnect replays
    // it, even when the last position event fell short of the length.
    if (!real_switching_ && players_.real && players_.real->GetLength() > 0) ended_ = true;
    if (continue_ && !real_switching_ && play_source_ == -1) Step(true, -1);
  };
}

void PlaybackEngine::State::WireWmp6(Wmp6Control& wmp6) {
  wmp6.OnOpenStateChange = [this](int, int new_state) {
    EngineView& view = services_.view;
    switch (new_state) {
      case Wmp6Control::kClosedOpen:
        opening_ = false;
        Hide(PlayerId::kWmp6);
        if (!wm_switching_) StopSoundsAndStoppedDisplay();
        break;
      case Wmp6Control::kLocating:
        view.ShowState(Msg(31));
        break;
      case Wmp6Control::kConnecting:
        view.ShowState(Msg(32));
        view.SetTransport(TransportState::kBusy);
        break;
      case Wmp6Control::kOpening:
        view.ShowState(Msg(33));
        break;
      case Wmp6Control::kOpen:
        opening_ = false;
        break;
      default:
        break;
    }
  };
  wmp6.OnPlayStateChange = [this](int, int new_state) {
    switch (new_state) {
      case Wmp6Control::kStopped:
        opening_ = false;  // a stopped control opens nothing
        Hide(PlayerId::kWmp6);
        if (!wm_switching_) StopSoundsAndStoppedDisplay();
        ArmReconnect();
        break;
      case Wmp6Control::kPaused:
        progress_timer_->Stop();
        SetTray(false, tray_interval_);
        services_.view.ShowState(Msg(36));
        services_.view.SetTransport(TransportState::kPaused);
        break;
      case Wmp6Control::kPlaying:
        opening_ = false;
        if (local_) NowPlaying(PlayerId::kWmp6);
        break;
      case Wmp6Control::kClosed:
        Hide(PlayerId::kWmp6);
        if (!wm_switching_) StopSoundsAndStoppedDisplay();
        break;
      default:
        break;
    }
  };
  wmp6.OnBuffering = [this](bool start) {
    if (start) {
      ticks_ = Ticks::kBuffering;
      progress_timer_->Start(kTickInterval);
      BufferingDisplay();
    } else {
      opening_ = false;
      StopSounds();
      NowPlaying(PlayerId::kWmp6);
    }
  };
  wmp6.OnNewStream = [this] { OpenedNewStream(PlayerId::kWmp6); };
  wmp6.OnEndOfStream = [this](int) {
    // A clip of finite length played to its end: nothing to reconnect to.
    // A live stream that ends has dropped and may come back.
    if (players_.wmp6->GetDuration() > 0 && !players_.wmp6->GetIsBroadcast()) ended_ = true;
    if (continue_ && !wm_switching_ && play_source_ == -1) Step(true, -1);
  };
  wmp6.OnError = [this] {
    opening_ = false;
    Hide(PlayerId::kWmp6);
    StopSoundsAndStoppedDisplay();
    // Closing a clip with the placeholder is our own doing, not a failure.
    if (players_.wmp6->GetFileName() != Wmp6Control::kClosingPlaceholder) HandleError();
  };
}

void PlaybackEngine::State::WireWmp9(Wmp9Control& wmp9) {
  wmp9.OnOpenStateChange = [this](int new_state) {
    EngineView& view = services_.view;
    switch (new_state) {
      case Wmp9Control::kLocating:
        view.ShowState(Msg(31));
        break;
      case Wmp9Control::kConnecting:
        view.ShowState(Msg(32));
        view.SetTransport(TransportState::kBusy);
        break;
      case Wmp9Control::kOpening:
        view.ShowState(Msg(33));
        break;
      case Wmp9Control::kMediaOpen:
        OpenedNewStream(PlayerId::kWmp9);
        break;
      default:
        break;
    }
  };
  wmp9.OnPlayStateChange = [this](int new_state) {
    switch (new_state) {
      case Wmp9Control::kStopped:
        opening_ = false;  // a stopped control opens nothing
        Hide(PlayerId::kWmp9);
        if (!wm_switching_) StopSoundsAndStoppedDisplay();
        ArmReconnect();
        break;
      case Wmp9Control::kPaused:
        progress_timer_->Stop();
        SetTray(false, tray_interval_);
        services_.view.ShowState(Msg(36));
        services_.view.SetTransport(TransportState::kPaused);
        break;
      case Wmp9Control::kPlaying:
        opening_ = false;
        // Streams start playing when their buffering ends; a clip from the
        // cache never buffers.
        if (local_ || players_.wmp9->GetSourceProtocol() == "Cache") NowPlaying(PlayerId::kWmp9);
        break;
      case Wmp9Control::kMediaEnded:
        if (players_.wmp9->GetDuration() > 0) ended_ = true;  // a live stream that ends has dropped
        Hide(PlayerId::kWmp9);
        if (!wm_switching_) StopSoundsAndStoppedDisplay();
        // The next clip starts outside this event.
        if (continue_ && !wm_switching_) end_clip_timer_->Start(milliseconds(1));
        break;
      default:
        break;
    }
  };
  wmp9.OnBuffering = [this](bool start) {
    if (start) {
      ticks_ = Ticks::kBuffering;
      progress_timer_->Start(kTickInterval);
      BufferingDisplay();
    } else if (players_.wmp9->GetPlayState() != Wmp9Control::kStopped) {
      NowPlaying(PlayerId::kWmp9);
    }
  };
  wmp9.OnMediaError = [this] {
    opening_ = false;
    Hide(PlayerId::kWmp9);
    StopSoundsAndStoppedDisplay();
    HandleError();
  };
  wmp9.OnAudioLanguageChange = [this](int language_id) { audio_language_ = language_id; };
}

void PlaybackEngine::State::OpenedNewStream(PlayerId player) {
  opening_ = true;
  wm_switching_ = false;
  if (RealActive()) {
    real_switching_ = true;
    StopReal(true);
  }
  if (local_) LocalClipInfo(player, "", "");
}

// ---------------------------------------------------------------------------
// Now playing.

std::string PlaybackEngine::State::BandwidthText(PlayerId player) const {
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

void PlaybackEngine::State::NowPlaying(PlayerId player) {
  EngineView& view = services_.view;
  retry_count_ = 0;
  ApplyVolume();
  ApplyBalance();
  StopSounds();
  int width = 0;
  int height = 0;
  switch (player) {
    case PlayerId::kReal:
      width = players_.real->GetClipWidth();
      height = players_.real->GetClipHeight();
      break;
    case PlayerId::kWmp6:
      ticks_ = Ticks::kPosition;
      progress_timer_->Start(kTickInterval);
      width = players_.wmp6->GetImageSourceWidth();
      height = players_.wmp6->GetImageSourceHeight();
      break;
    case PlayerId::kWmp9:
      ticks_ = Ticks::kPosition;
      progress_timer_->Start(kTickInterval);
      if (local_) view.ShowSpeed(KbpsText(players_.wmp9->GetBitRate(), true));
      width = players_.wmp9->GetImageSourceWidth();
      height = players_.wmp9->GetImageSourceHeight();
      break;
    case PlayerId::kNone:
      return;
  }
  view.ShowVideo(options_.video_form_visible && width > 0 && height > 0);
  bandwidth_ = BandwidthText(player);
  if (!local_) {
    if (play_source_ == 0) {
      FillDirectRecord(player);
    } else if (play_source_ > 0) {
      LearnStation();
    }
    ShowTitleDisplay();
  }
  view.ShowState(Msg(34));
  SetTray(true, kPlayingTrayInterval);
  view.SetTransport(TransportState::kPlaying);
  view.ShowProgress(0);
  TrimWorkingSet();
}

void PlaybackEngine::State::FillDirectRecord(PlayerId player) {
  std::string title;
  std::string homepage;
  std::string copyright;
  switch (player) {
    case PlayerId::kReal:
      title = std::move(real_title_);
      homepage = std::move(real_author_);
      copyright = std::move(real_copyright_);
      real_title_.clear();
      real_author_.clear();
      real_copyright_.clear();
      break;
    case PlayerId::kWmp6:
      title = players_.wmp6->GetMediaInfoString(Wmp6Control::kTitle);
      homepage = players_.wmp6->GetMediaInfoString(Wmp6Control::kAuthor);
      copyright = players_.wmp6->GetMediaInfoString(Wmp6Control::kCopyright);
      break;
    case PlayerId::kWmp9:
      title = players_.wmp9->GetItemInfo("Title");
      homepage = players_.wmp9->GetItemInfo("ProviderURL");
      copyright = players_.wmp9->GetItemInfo("Copyright");
      record_.VGenre = players_.wmp9->GetItemInfo("WM/Genre");
      break;
    case PlayerId::kNone:
      return;
  }
  if (!title.empty()) record_.VRadioName = title;
  record_.VSpeed = bandwidth_;
  record_.VHomepage = homepage;
  record_.VSchedule = copyright;
}

void PlaybackEngine::State::LearnStation() {
  if (!IsUserStationID(play_source_)) return;
  // The monotonic clock: an attempt across midnight or a clock change still
  // measures the seconds it really took.
  const long long seconds =
      std::chrono::duration_cast<std::chrono::seconds>(services_.dispatcher.Now() - attempt_start_).count();
  const std::string grade = ValidityFromSeconds(seconds);
  const std::string bandwidth = bandwidth_;
  std::string language;
  std::string country;
  bool has_country = false;
  if (audio_language_ > 0 && audio_language_ != services_.user_default_language_id) {
    const std::string name(LanguageName(audio_language_));
    const std::size_t open = name.find('(');
    if (open == std::string::npos) {
      language = name;
    } else {
      // "Chinese (Taiwan)": the language keeps its blank, the country loses
      // the closing bracket.
      language = name.substr(0, open);
      if (name.size() >= open + 2) country = name.substr(open + 1, name.size() - open - 2);
      has_country = true;
    }
  }
  UpdateUserStation([&](StationRecord& r) {
    r.VValidity = grade;
    if (!bandwidth.empty() && r.VSpeed.empty()) r.VSpeed = bandwidth;
    if (r.VLanguage.empty() || r.VCountry.empty()) {
      if (r.VLanguage.empty()) r.VLanguage = language;
      if (has_country && r.VCountry.empty()) r.VCountry = country;
    }
  });
}

void PlaybackEngine::State::LocalClipInfo(PlayerId player, const std::string& short_name, const std::string& url) {
  std::string title;
  std::string author;
  std::string copyright;
  std::string file;
  long long length = 0;
  std::string speed;
  switch (player) {
    case PlayerId::kReal:
      title = real_title_;
      author = real_author_;
      copyright = real_copyright_;
      file = url.empty() ? players_.real->GetSource() : url;
      length = players_.real->GetLength() / 1000;
      break;
    case PlayerId::kWmp6:
      title = players_.wmp6->GetMediaInfoString(Wmp6Control::kTitle);
      author = players_.wmp6->GetMediaInfoString(Wmp6Control::kAuthor);
      copyright = players_.wmp6->GetMediaInfoString(Wmp6Control::kCopyright);
      file = players_.wmp6->GetFileName();
      length = static_cast<long long>(players_.wmp6->GetDuration());
      speed = KbpsText(players_.wmp6->GetBandwidth(), true);
      break;
    case PlayerId::kWmp9:
      title = players_.wmp9->GetItemInfo("Title");
      author = players_.wmp9->GetItemInfo("Author");
      copyright = players_.wmp9->GetItemInfo("Copyright");
      file = players_.wmp9->GetURL();
      length = static_cast<long long>(players_.wmp9->GetDuration());
      speed = KbpsText(players_.wmp9->GetBitRate(), true, "Kbps");
      break;
    case PlayerId::kNone:
      return;
  }
  std::string name = title;
  if (name.empty()) {
    if (player != PlayerId::kReal) {
      name = FileNameWithoutExt(file);
    } else {
      name = short_name.find("file://") != std::string::npos ? FileNameWithoutExt(short_name) : short_name;
    }
  }
  const std::string length_text = DurationText(std::max(length, 0LL));
  const std::string info = Msg(37) + name + kCrLf + Msg(38) + author + kCrLf + Msg(39) + copyright + kCrLf + Msg(40) +
                           length_text + kCrLf + Msg(41) + file;
  services_.view.ShowTitle(name + "(" + length_text + ")", info);
  if (player == PlayerId::kReal) {
    record_.VRadioName = name;
    real_title_.clear();
    real_author_.clear();
  } else {
    services_.view.ShowSpeed(speed);
  }
}

// ---------------------------------------------------------------------------
// Ticks.

void PlaybackEngine::State::PositionDisplay(double position, double duration) {
  services_.view.ShowElapsed(TimeText(static_cast<long long>(std::max(position, 0.0))));
  if (duration > 0) {
    services_.view.ShowProgress(std::clamp(position / duration, 0.0, 1.0));
    if (position >= duration) ended_ = true;
  }
}

void PlaybackEngine::State::RealPosition(std::int64_t pos_ms, std::int64_t len_ms) {
  PositionDisplay(static_cast<double>(pos_ms) / 1000.0, static_cast<double>(len_ms) / 1000.0);
  RealPlayerControl& real = *players_.real;
  services_.view.ShowSpeed(KbpsText(local_ ? real.GetBandwidth1() : real.GetBandwidth2(), false));
}

void PlaybackEngine::State::OnProgressTick() {
  EngineView& view = services_.view;
  Wmp6Control* wmp6 = player_ == PlayerId::kWmp6 ? players_.wmp6.get() : nullptr;
  Wmp9Control* wmp9 = player_ == PlayerId::kWmp9 ? players_.wmp9.get() : nullptr;
  if (!wmp6 && !wmp9) return;
  if (ticks_ == Ticks::kBuffering) {
    view.ShowState(BufferingText(wmp9 ? wmp9->GetBufferingProgress() : wmp6->GetBufferingProgress()));
    if (!local_) view.ShowSpeed(wmp9 ? KbpsText(wmp9->GetBandWidth(), true) : KbpsText(wmp6->GetBandwidth(), false));
    return;
  }
  if (wmp9) {
    PositionDisplay(wmp9->GetCurrentPosition(), wmp9->GetDuration());
    if (!local_) view.ShowSpeed(KbpsText(wmp9->GetBandWidth(), true));
  } else {
    PositionDisplay(wmp6->GetCurrentPosition(), wmp6->GetDuration());
    if (!local_) view.ShowSpeed(KbpsText(wmp6->GetBandwidth(), true));
  }
}

}  // namespace tazmel
