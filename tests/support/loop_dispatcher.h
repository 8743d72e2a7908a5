#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/dispatcher.h"

namespace tazmel::test {

// A real-time dispatcher for integration tests that run without Qt. Post() is
// safe from any thread; timers, ProcessEvents(), RunUntil() and RunFor()
// belong to the test's thread, which plays the user-interface thread.
class LoopDispatcher : public Dispatcher {
 public:
  using Clock = std::chrono::steady_clock;

  LoopDispatcher() = default;
  ~LoopDispatcher() override;
  LoopDispatcher(const LoopDispatcher&) = delete;
  LoopDispatcher& operator=(const LoopDispatcher&) = delete;

  Clock::time_point Now() const override { return Clock::now(); }
  std::unique_ptr<Timer> CreateTimer(std::function<void()> on_tick) override;
  void Post(std::function<void()> call) override;
  // Runs posted calls and due timers; when nothing was ready, waits up to
  // `max_wait` (or the next timer, if sooner) for something to arrive.
  void ProcessEvents(std::chrono::milliseconds max_wait) override;

  // Runs the loop until `done` holds (checked after every round) or the
  // time-out passes; returns whether `done` held.
  bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Runs the loop for the whole span.
  void RunFor(std::chrono::milliseconds span);

 private:
  class LoopTimer;

  // Runs what is ready now; returns whether anything ran.
  bool RunReady();
  // The earliest due time of an active timer, or `limit` when later or none.
  Clock::time_point NextDue(Clock::time_point limit) const;

  std::vector<LoopTimer*> timers_;
  std::mutex mutex_;
  std::condition_variable posted_cv_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace tazmel::test
