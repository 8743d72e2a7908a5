#pragma once

#include <QObject>
#include <memory>

#include "core/clock.h"
#include "schedule/sleep_timer.h"

namespace tazmel {

class Dispatcher;
class PlaybackEngine;
class TfrmMain;

// The main menu's (and so the tray's) sleep timer: a choice of delays and
// Off, the chosen one checked while it runs.
class SleepTimerController : public QObject {
 public:
  SleepTimerController(TfrmMain& window, PlaybackEngine& engine, Dispatcher& dispatcher);
  ~SleepTimerController() override;

  // Before the settings are saved at closing: a fade under way must not
  // leave the faded volume behind.
  void Cancel() { timer_.Cancel(); }
  const SleepTimer& Timer() const { return timer_; }

 private:
  class EnginePort : public SleepTimerPort {
   public:
    explicit EnginePort(PlaybackEngine& engine) : engine_(engine) {}
    int Volume() const override;
    void SetVolume(int volume) override;
    void StopPlayback() override;

   private:
    PlaybackEngine& engine_;
  };

  void ShowChoice();

  TfrmMain& window_;
  SystemClock clock_;
  EnginePort port_;
  SleepTimer timer_;
  int chosen_minutes_ = 0;
};

}  // namespace tazmel
