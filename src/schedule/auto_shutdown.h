#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "core/dispatcher.h"

namespace tazmel {

// What asking the system to power off gave.
struct PowerOffResult {
  enum class Outcome : unsigned char { kAccepted, kRefused, kUnavailable };
  Outcome outcome = Outcome::kUnavailable;
  std::string detail;  // the system's reason, for the message
  bool Accepted() const { return outcome == Outcome::kAccepted; }
};

// The windows and the system as the automatic shutdown sees them.
class ShutdownPort {
 public:
  virtual ~ShutdownPort() = default;
  // The countdown window: opened with 30, then every figure down to 0.
  virtual void ShowCountdown(int seconds_left) = 0;
  virtual void CloseCountdown() = 0;
  // Stops a recording and the lengthy jobs, saves the settings and a
  // changed station tree without asking (nobody may be there to answer),
  // mutes the player. The windows stay.
  virtual void PrepareForPowerOff() = 0;
  // Asks the system; `done` comes later on the user-interface thread (the
  // request may wait on the system bus, never on this thread).
  virtual void PowerOff(std::function<void(const PowerOffResult&)> done) = 0;
  // Accepted: the program ends as on a normal exit.
  virtual void Quit() = 0;
  // Refused: the user is told why, the windows and the tray icon stay, the
  // player's mute is given back.
  virtual void PowerOffRefused(const PowerOffResult& result) = 0;
};

// The timed shutdown: a 30-second countdown the user can cancel or cut
// short, then the power-off. Its start is posted, so the countdown window
// (modal in the program) never opens inside the check timer's tick.
class AutoShutdown {
 public:
  static constexpr int kCountdownSeconds = 30;

  AutoShutdown(Dispatcher& dispatcher, ShutdownPort& port);
  ~AutoShutdown();
  AutoShutdown(const AutoShutdown&) = delete;
  AutoShutdown& operator=(const AutoShutdown&) = delete;

  // Does nothing while a shutdown is in progress.
  void Trigger();
  bool InProgress() const { return in_progress_; }
  int SecondsLeft() const { return seconds_left_; }

  // The countdown window's buttons.
  void Confirm();
  void Cancel();

 private:
  void Start();
  void Tick();
  void Finish(bool confirmed);
  void PowerOffDone(const PowerOffResult& result);

  Dispatcher& dispatcher_;
  ShutdownPort& port_;
  std::unique_ptr<Timer> timer_;
  bool in_progress_ = false;
  bool counting_ = false;
  bool powering_off_ = false;
  int seconds_left_ = 0;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tazmel
