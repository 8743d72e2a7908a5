#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "playback/mpv/mpv_controls.h"

namespace tazmel::test {

// One of the three controls behind a common face, logging its events as
// tokens in its own vocabulary: "state:N" / "play:N", "open:N",
// "buffering", "buffer:1" / "buffer:0", "opened", "closed", "newstream",
// "eos", "error", "title:T", "position", "lang:N" (the language
// identifier, decimal).
class ControlProbe {
 public:
  virtual ~ControlProbe() = default;
  // The control's own way to start an address, resume, pause and stop.
  virtual void Start(const std::string& address) = 0;
  virtual void Resume() = 0;
  virtual void Pause() = 0;
  virtual void Stop() = 0;
  virtual double Duration() const = 0;  // s
  virtual double Position() const = 0;  // s
  virtual std::string Title() const = 0;
  virtual const MpvSession& Session() const = 0;
  virtual PlayerError LastError() const = 0;
  // What LastError() said when the last error event was handled, as the
  // engine reads it there.
  PlayerError ErrorAtEvent() const { return error_at_event_; }

  const std::vector<std::string>& Log() const { return log_; }
  bool Has(std::string_view token) const { return std::find(log_.begin(), log_.end(), token) != log_.end(); }
  void ClearLog() { log_.clear(); }
  std::string LogText() const {
    std::string text;
    for (const std::string& token : log_) text += token + " ";
    return text;
  }

 protected:
  void Add(std::string token) { log_.push_back(std::move(token)); }
  void AddError() {
    Add("error");
    error_at_event_ = LastError();
  }

 private:
  std::vector<std::string> log_;
  PlayerError error_at_event_ = PlayerError::kNone;
};

class RealPlayerProbe : public ControlProbe {
 public:
  explicit RealPlayerProbe(std::unique_ptr<MpvRealPlayer> control) : control_(std::move(control)) {
    control_->OnPlayStateChange = [this](int state) { Add("state:" + std::to_string(state)); };
    control_->OnBuffering = [this](int, int) { Add("buffering"); };
    control_->OnErrorMessage = [this](int, const std::string&) { AddError(); };
    control_->OnTitleChange = [this](const std::string& title) { Add("title:" + title); };
    control_->OnClipOpened = [this](const std::string&, const std::string&) { Add("opened"); };
    control_->OnClipClosed = [this] { Add("closed"); };
    control_->OnPositionChange = [this](std::int64_t, std::int64_t) { Add("position"); };
  }
  void Start(const std::string& address) override {
    if (control_->GetSource() == address && control_->GetPlayState() == RealPlayerControl::kStopped) {
      control_->DoPlay();
    } else {
      control_->SetSource(address);
    }
  }
  void Resume() override { control_->DoPlayPause(); }
  void Pause() override { control_->DoPlayPause(); }
  void Stop() override { control_->DoStop(); }
  double Duration() const override { return control_->GetLength() / 1000.0; }
  double Position() const override { return control_->GetPosition() / 1000.0; }
  std::string Title() const override { return control_->GetTitle(); }
  const MpvSession& Session() const override { return control_->Session(); }
  PlayerError LastError() const override { return control_->LastError(); }
  MpvRealPlayer& Control() { return *control_; }

 private:
  std::unique_ptr<MpvRealPlayer> control_;
};

class Wmp6Probe : public ControlProbe {
 public:
  explicit Wmp6Probe(std::unique_ptr<MpvWmp6> control) : control_(std::move(control)) {
    control_->OnPlayStateChange = [this](int, int state) { Add("play:" + std::to_string(state)); };
    control_->OnOpenStateChange = [this](int, int state) { Add("open:" + std::to_string(state)); };
    control_->OnBuffering = [this](bool start) { Add(start ? "buffer:1" : "buffer:0"); };
    control_->OnNewStream = [this] { Add("newstream"); };
    control_->OnEndOfStream = [this](int) { Add("eos"); };
    control_->OnError = [this] { AddError(); };
  }
  void Start(const std::string& address) override {
    if (control_->GetFileName() == address) {
      control_->Play();
    } else {
      control_->SetFileName(address);
    }
  }
  void Resume() override { control_->Play(); }
  void Pause() override { control_->Pause(); }
  void Stop() override { control_->Stop(); }
  double Duration() const override { return control_->GetDuration(); }
  double Position() const override { return control_->GetCurrentPosition(); }
  std::string Title() const override { return control_->GetMediaInfoString(Wmp6Control::kTitle); }
  const MpvSession& Session() const override { return control_->Session(); }
  PlayerError LastError() const override { return control_->LastError(); }
  MpvWmp6& Control() { return *control_; }

 private:
  std::unique_ptr<MpvWmp6> control_;
};

class Wmp9Probe : public ControlProbe {
 public:
  explicit Wmp9Probe(std::unique_ptr<MpvWmp9> control) : control_(std::move(control)) {
    control_->OnPlayStateChange = [this](int state) { Add("play:" + std::to_string(state)); };
    control_->OnOpenStateChange = [this](int state) { Add("open:" + std::to_string(state)); };
    control_->OnBuffering = [this](bool start) { Add(start ? "buffer:1" : "buffer:0"); };
    control_->OnMediaError = [this] { AddError(); };
    control_->OnAudioLanguageChange = [this](int id) { Add("lang:" + std::to_string(id)); };
  }
  void Start(const std::string& address) override {
    if (control_->GetURL() == address) {
      control_->Play();
    } else {
      control_->SetURL(address);
    }
  }
  void Resume() override { control_->Play(); }
  void Pause() override { control_->Pause(); }
  void Stop() override { control_->Stop(); }
  double Duration() const override { return control_->GetDuration(); }
  double Position() const override { return control_->GetCurrentPosition(); }
  std::string Title() const override { return control_->GetItemInfo("Title"); }
  const MpvSession& Session() const override { return control_->Session(); }
  PlayerError LastError() const override { return control_->LastError(); }
  MpvWmp9& Control() { return *control_; }

 private:
  std::unique_ptr<MpvWmp9> control_;
};

// Whether `expected` occurs in `log` in order, other tokens in between.
inline bool InOrder(const std::vector<std::string>& log, const std::vector<std::string>& expected) {
  auto at = log.begin();
  for (const std::string& token : expected) {
    at = std::find(at, log.end(), token);
    if (at == log.end()) return false;
    ++at;
  }
  return true;
}

}  // namespace tazmel::test
