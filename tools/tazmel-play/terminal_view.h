#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

#include "playback/engine_view.h"

namespace tazmel {

// Prints what changed in each of the engine's snapshots as lines with the
// milliseconds since start: the state, speed, elapsed time, title, and why a
// start failed. Texts arrive in the data code page and leave as UTF-8.
class TerminalView : public EngineView {
 public:
  explicit TerminalView(std::FILE* out);

  void Show(const EngineViewState& state) override;

  // Lines of the program itself (errors, retries), same format.
  void Print(std::string_view what, std::string_view text);

  bool ReachedPlaying() const { return reached_playing_; }
  TransportState Transport() const { return shown_.transport; }
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
  EngineViewState shown_;
  bool reached_playing_ = false;
};

}  // namespace tazmel
