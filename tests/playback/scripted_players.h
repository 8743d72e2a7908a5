#pragma once

// Scripted stand-ins for the three player controls: what they report is set
// by the test, every call the engine makes is logged, and an event happens
// only when the test raises it, the way real controls deliver them later.

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "playback/player_controls.h"

namespace tazmel::test {

// The calls a control received, as "Name" or "Name:argument".
class CallLog {
 public:
  void Add(std::string call) { calls_.push_back(std::move(call)); }
  void Add(std::string_view name, std::string_view argument) {
    calls_.push_back(std::string(name) + ":" + std::string(argument));
  }
  const std::vector<std::string>& calls() const { return calls_; }
  int Count(std::string_view call) const { return static_cast<int>(std::count(calls_.begin(), calls_.end(), call)); }
  // The argument of the latest "Name:..." call, or "" when none came.
  std::string Last(std::string_view name) const {
    const std::string prefix = std::string(name) + ":";
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it) {
      if (it->starts_with(prefix)) return it->substr(prefix.size());
    }
    return {};
  }
  void Clear() { calls_.clear(); }

 private:
  std::vector<std::string> calls_;
};

class ScriptedRealPlayer : public RealPlayerControl {
 public:
  int GetPlayState() const override { return play_state; }
  std::string GetSource() const override { return source; }
  void SetSource(std::string_view address) override {
    source = address;
    log.Add("SetSource", address);
  }
  void DoPlay() override { log.Add("DoPlay"); }
  void DoStop() override {
    play_state = kStopped;
    log.Add("DoStop");
  }
  void DoPlayPause() override { log.Add("DoPlayPause"); }
  void SetVolume(int value) override {
    volume = value;
    log.Add("SetVolume", std::to_string(value));
  }
  int GetVolume() const override { return volume; }
  void SetMute(bool value) override {
    mute = value;
    log.Add("SetMute", value ? "1" : "0");
  }
  bool GetMute() const override { return mute; }
  std::int64_t GetPosition() const override { return position_ms; }
  std::int64_t GetLength() const override { return length_ms; }
  void SetPosition(std::int64_t ms) override { log.Add("SetPosition", std::to_string(ms)); }
  int GetBandwidth1() const override { return bandwidth1; }
  int GetBandwidth2() const override { return bandwidth2; }
  int GetClipWidth() const override { return 0; }
  int GetClipHeight() const override { return 0; }
  std::string GetTitle() const override { return {}; }
  std::string GetAuthor() const override { return {}; }
  std::string GetCopyright() const override { return {}; }
  void SetVisible(bool value) override { visible = value; }
  PlayerError LastError() const override { return last_error; }

  // The control's state changes and it says so.
  void RaisePlayState(int state) {
    play_state = state;
    if (OnShowStatus) OnShowStatus("");
    if (OnPlayStateChange) OnPlayStateChange(state);
  }
  void RaiseError() {
    play_state = kStopped;
    if (OnErrorMessage) OnErrorMessage(-1, "failed");
  }

  CallLog log;
  PlayerError last_error = PlayerError::kNone;
  int play_state = kStopped;
  std::string source;
  int volume = -1;
  bool mute = false;
  std::int64_t position_ms = 0;
  std::int64_t length_ms = 0;
  int bandwidth1 = 0;
  int bandwidth2 = 0;
  bool visible = true;
};

class ScriptedWmp6 : public Wmp6Control {
 public:
  int GetPlayState() const override { return play_state; }
  int GetOpenState() const override { return open_state; }
  std::string GetFileName() const override { return file_name; }
  void SetFileName(std::string_view address) override {
    file_name = address;
    if (address == kClosingPlaceholder) {
      play_state = kStopped;
      open_state = kClosedOpen;
    }
    log.Add("SetFileName", address);
  }
  void Play() override { log.Add("Play"); }
  void Pause() override { log.Add("Pause"); }
  void Stop() override { log.Add("Stop"); }
  void SetVolume(int value) override {
    volume = value;
    log.Add("SetVolume", std::to_string(value));
  }
  void SetBalance(int value) override { log.Add("SetBalance", std::to_string(value)); }
  void SetMute(bool value) override { log.Add("SetMute", value ? "1" : "0"); }
  double GetCurrentPosition() const override { return position; }
  void SetCurrentPosition(double seconds) override { log.Add("SetCurrentPosition", std::to_string(seconds)); }
  double GetDuration() const override { return duration; }
  int GetBandwidth() const override { return bandwidth; }
  int GetBufferingProgress() const override { return buffering_progress; }
  int GetImageSourceWidth() const override { return 0; }
  int GetImageSourceHeight() const override { return 0; }
  bool GetIsBroadcast() const override { return broadcast; }
  std::string GetMediaInfoString(int) const override { return {}; }
  void SetDisplaySize(int) override {}
  void SetVisible(bool value) override { visible = value; }
  PlayerError LastError() const override { return last_error; }

  void RaisePlayState(int state) {
    const int old = play_state;
    play_state = state;
    if (OnPlayStateChange) OnPlayStateChange(old, state);
  }
  void RaiseOpenState(int state) {
    const int old = open_state;
    open_state = state;
    if (OnOpenStateChange) OnOpenStateChange(old, state);
  }
  void RaiseBuffering(bool start) {
    if (OnBuffering) OnBuffering(start);
  }
  void RaiseError() {
    play_state = kStopped;
    open_state = kClosedOpen;
    if (OnError) OnError();
  }

  CallLog log;
  PlayerError last_error = PlayerError::kNone;
  int play_state = kStopped;
  int open_state = kClosedOpen;
  std::string file_name;
  int volume = 1;  // never a value the engine sends
  double position = 0;
  double duration = 0;
  int bandwidth = 0;
  int buffering_progress = 0;
  bool broadcast = false;
  bool visible = true;
};

class ScriptedWmp9 : public Wmp9Control {
 public:
  int GetPlayState() const override { return play_state; }
  int GetOpenState() const override { return open_state; }
  std::string GetURL() const override { return url; }
  void SetURL(std::string_view address) override {
    url = address;
    log.Add("SetURL", address);
  }
  void Play() override { log.Add("Play"); }
  void Pause() override { log.Add("Pause"); }
  void Stop() override {
    play_state = kStopped;
    log.Add("Stop");
  }
  void SetVolume(int value) override {
    volume = value;
    log.Add("SetVolume", std::to_string(value));
  }
  void SetBalance(int value) override { log.Add("SetBalance", std::to_string(value)); }
  void SetMute(bool value) override { log.Add("SetMute", value ? "1" : "0"); }
  double GetCurrentPosition() const override { return position; }
  void SetCurrentPosition(double seconds) override { log.Add("SetCurrentPosition", std::to_string(seconds)); }
  double GetDuration() const override { return duration; }
  int GetBandWidth() const override { return bandwidth; }
  int GetBitRate() const override { return bit_rate; }
  int GetBufferingProgress() const override { return buffering_progress; }
  std::string GetSourceProtocol() const override { return source_protocol; }
  std::string GetItemInfo(std::string_view name) const override { return name == "Title" ? title : std::string(); }
  int GetImageSourceWidth() const override { return image_width; }
  int GetImageSourceHeight() const override { return image_height; }
  bool GetFullScreen() const override { return false; }
  void SetFullScreen(bool) override {}
  void SetVisible(bool value) override { visible = value; }
  PlayerError LastError() const override { return last_error; }

  void RaisePlayState(int state) {
    play_state = state;
    if (OnPlayStateChange) OnPlayStateChange(state);
  }
  void RaiseOpenState(int state) {
    open_state = state;
    if (OnOpenStateChange) OnOpenStateChange(state);
  }
  void RaiseBuffering(bool start) {
    if (start) play_state = kBuffering;
    if (OnBuffering) OnBuffering(start);
  }
  void RaiseError() {
    play_state = kStopped;
    if (OnMediaError) OnMediaError();
  }
  void RaiseAudioLanguage(int id) {
    if (OnAudioLanguageChange) OnAudioLanguageChange(id);
  }
  // A stream that opens, buffers and plays.
  void RaiseStreamStarts() {
    RaiseOpenState(kMediaOpen);
    RaiseBuffering(true);
    play_state = kPlaying;
    RaiseBuffering(false);
    RaisePlayState(kPlaying);
  }

  CallLog log;
  PlayerError last_error = PlayerError::kNone;
  int play_state = kStopped;
  int open_state = kOpenUndefined;
  std::string url;
  int volume = -1;
  double position = 0;
  double duration = 0;
  int bandwidth = 0;
  int bit_rate = 0;
  int buffering_progress = 0;
  std::string source_protocol = "http";
  std::string title;
  int image_width = 0;
  int image_height = 0;
  bool visible = true;
};

// Hands out scripted controls, or refuses the ones the test says cannot be
// created. Keeps a pointer to each control it made so the test can drive it.
class ScriptedFactory : public PlayerFactory {
 public:
  std::unique_ptr<RealPlayerControl> CreateRealPlayer() override { return Make(real_attempts, real_creatable, real); }
  std::unique_ptr<Wmp6Control> CreateWmp6() override { return Make(wmp6_attempts, wmp6_creatable, wmp6); }
  std::unique_ptr<Wmp9Control> CreateWmp9() override { return Make(wmp9_attempts, wmp9_creatable, wmp9); }

  bool real_creatable = true;
  bool wmp6_creatable = true;
  bool wmp9_creatable = true;
  int real_attempts = 0;
  int wmp6_attempts = 0;
  int wmp9_attempts = 0;
  ScriptedRealPlayer* real = nullptr;
  ScriptedWmp6* wmp6 = nullptr;
  ScriptedWmp9* wmp9 = nullptr;

 private:
  // Counts the attempt and, when allowed, makes the control and keeps a
  // pointer to it for the test.
  template <typename Control>
  static std::unique_ptr<Control> Make(int& attempts, bool creatable, Control*& made) {
    ++attempts;
    if (!creatable) return nullptr;
    auto control = std::make_unique<Control>();
    made = control.get();
    return control;
  }
};

}  // namespace tazmel::test
