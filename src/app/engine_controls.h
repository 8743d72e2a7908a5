#pragma once

#include "playback/engine.h"
#include "ui/main/main_window_port.h"

namespace tazmel {

// The main window's view of the playback engine: the few values it reads
// and sets, nothing else of the engine.
class EngineControls final : public MainWindowPort {
 public:
  explicit EngineControls(PlaybackEngine& engine) : engine_(engine) {}

  int Volume() const override { return engine_.Volume(); }
  void SetVolume(int volume) override { engine_.SetVolume(volume); }
  int Balance() const override { return engine_.Balance(); }
  void SetBalance(int balance) override { engine_.SetBalance(balance); }
  bool Muted() const override { return engine_.Mute(); }
  bool CanSeek() const override { return engine_.CanSeek(); }
  void BeginSeek() override { engine_.BeginSeek(); }
  void SeekTo(double fraction) override { engine_.SeekTo(fraction); }
  void RefreshProgress() override { engine_.RefreshProgress(); }

 private:
  PlaybackEngine& engine_;
};

}  // namespace tazmel
