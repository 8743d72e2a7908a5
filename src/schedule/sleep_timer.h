#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "core/clock.h"
#include "core/dispatcher.h"

namespace tazmel {

// What the sleep timer needs of the player.
class SleepTimerPort {
 public:
  virtual ~SleepTimerPort() = default;
  virtual int Volume() const = 0;  // 0 .. 100
  virtual void SetVolume(int volume) = 0;
  virtual void StopPlayback() = 0;
};

// Stops playback after a while, fading the volume out over the last
// 30 seconds and giving the user's volume back once stopped, so the next
// play starts at the level the user chose. Time is read from the
// monotonic clock at every tick: a late tick only makes a coarser step.
class SleepTimer {
 public:
  static constexpr std::chrono::seconds kFade{30};
  static constexpr std::chrono::milliseconds kFadeStep{500};

  SleepTimer(Dispatcher& dispatcher, const Clock& clock, SleepTimerPort& port);
  ~SleepTimer();
  SleepTimer(const SleepTimer&) = delete;
  SleepTimer& operator=(const SleepTimer&) = delete;

  // (Re)starts: playback stops `delay` from now. A fade under way is undone
  // first. A delay shorter than the fade fades over what there is.
  void Start(std::chrono::milliseconds delay);
  // Nothing stops; a fade under way gives the volume back at once.
  void Cancel();

  bool Active() const { return active_; }
  bool Fading() const { return fading_; }
  // Until playback stops; zero when not active.
  std::chrono::milliseconds Remaining() const;

  // After every change of Active() (started, cancelled, stopped playback).
  std::function<void()> on_changed;

 private:
  void Tick();
  void Restore();

  Dispatcher& dispatcher_;
  const Clock& clock_;
  SleepTimerPort& port_;
  std::unique_ptr<Timer> timer_;
  bool active_ = false;
  bool fading_ = false;
  std::chrono::steady_clock::time_point deadline_{};
  std::chrono::steady_clock::time_point fade_start_{};
  int user_volume_ = 0;  // the level to give back
  int last_set_ = -1;    // what the fade last set, to notice the user's own moves
};

}  // namespace tazmel
