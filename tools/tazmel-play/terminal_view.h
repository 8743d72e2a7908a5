#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "playback/engine_view.h"

namespace tazmel {

// Prints every notification of the engine as one line with the
// milliseconds since start. Texts arrive in the data code page and leave as
// UTF-8.
class TerminalView : public EngineView {
 public:
  explicit TerminalView(std::FILE* out);

  void ShowState(std::string_view text) override;
  void ShowSpeed(std::string_view text) override;
  void ShowElapsed(std::string_view text) override;
  void ShowProgress(double fraction) override;
  void SetTransport(TransportState state) override;
  void SetTrayAnimation(bool on, int interval_ms) override;
  void ShowTitle(std::string_view title, std::string_view hint) override;
  void ShowVideo(bool show) override;
  void SetWaitCursor(bool wait) override;

  // Lines of the program itself (errors, retries), same format.
  void Print(std::string_view what, std::string_view text);

  bool ReachedPlaying() const { return reached_playing_; }
  TransportState Transport() const { return transport_; }
  std::chrono::steady_clock::time_point LastStateChange() const { return last_state_change_; }
  // The texts the engine shows for "Playing" and "Stopped", to compare with.
  void SetKnownStates(std::string playing, std::string stopped);

 private:
  long long Elapsed() const;

  std::FILE* out_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point last_state_change_ = start_;
  std::string playing_text_;
  std::string stopped_text_;
  std::string last_state_;
  std::string last_speed_;
  std::string last_elapsed_;
  std::string last_title_;
  TransportState transport_ = TransportState::kStopped;
  bool reached_playing_ = false;
};

}  // namespace tazmel
