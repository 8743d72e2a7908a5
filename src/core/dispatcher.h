#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace tazmel {

// A repeating or one-shot timer owned by the user-interface thread. Its tick
// runs there; stopping it from inside the tick is allowed, and so is
// destroying it after Stop().
class Timer {
 public:
  virtual ~Timer() = default;
  // (Re)starts with the interval; a running timer starts counting anew.
  virtual void Start(std::chrono::milliseconds interval) = 0;
  virtual void Stop() = 0;
  virtual bool Active() const = 0;
  virtual std::chrono::milliseconds Interval() const = 0;
  // A one-shot timer stops itself before its tick runs.
  virtual void SetSingleShot(bool single_shot) = 0;
};

// Time and the event loop as the logic sees them. The application implements
// it on the Qt event loop; tests use a manual clock.
class Dispatcher {
 public:
  virtual ~Dispatcher() = default;
  // A monotonic clock: unaffected by midnight or clock changes.
  virtual std::chrono::steady_clock::time_point Now() const = 0;
  virtual std::unique_ptr<Timer> CreateTimer(std::function<void()> on_tick) = 0;
  // Queues a call for the user-interface thread. Safe from any thread; the
  // only thing foreign-thread callbacks may do.
  virtual void Post(std::function<void()> call) = 0;
  // Runs what is pending (posted calls, timers due, window events), waiting
  // up to `max_wait` for something to arrive when nothing is. A long
  // operation on the user-interface thread calls it to stay responsive.
  virtual void ProcessEvents(std::chrono::milliseconds max_wait) = 0;
};

}  // namespace tazmel
