#pragma once

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "core/dispatcher.h"

namespace tazmel::test {

// A dispatcher on a manual clock: time moves only in Advance(), which fires
// due timers in time order and runs posted calls between them. Posting is
// thread-safe; everything else belongs to the test's thread.
class ManualDispatcher : public Dispatcher {
 public:
  using Clock = std::chrono::steady_clock;

  std::chrono::steady_clock::time_point Now() const override { return now_; }

  std::unique_ptr<Timer> CreateTimer(std::function<void()> on_tick) override {
    auto timer = std::make_unique<ManualTimer>(this, std::move(on_tick));
    timers_.push_back(timer.get());
    return timer;
  }

  void Post(std::function<void()> call) override {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(call));
  }

  // Runs what was posted; never waits, since only the test moves time.
  void ProcessEvents(std::chrono::milliseconds) override {
    ++process_events_calls_;
    RunPosted();
  }

  // Runs posted calls, including those they post, until none is left.
  void RunPosted() {
    for (;;) {
      std::function<void()> call;
      {
        std::lock_guard lock(mutex_);
        if (posted_.empty()) return;
        call = std::move(posted_.front());
        posted_.pop_front();
      }
      call();
    }
  }

  // Moves the clock forward, firing every timer that falls due on the way at
  // its own time.
  void Advance(std::chrono::milliseconds step) {
    const Clock::time_point end = now_ + step;
    RunPosted();
    for (;;) {
      ManualTimer* next = nullptr;
      for (ManualTimer* timer : timers_) {
        if (timer->active_ && timer->due_ <= end && (!next || timer->due_ < next->due_)) next = timer;
      }
      if (!next) break;
      now_ = std::max(now_, next->due_);
      next->Fire();
      RunPosted();
    }
    now_ = end;
  }

  int ProcessEventsCalls() const { return process_events_calls_; }

 private:
  class ManualTimer : public Timer {
   public:
    ManualTimer(ManualDispatcher* owner, std::function<void()> on_tick) : owner_(owner), on_tick_(std::move(on_tick)) {}
    ~ManualTimer() override { std::erase(owner_->timers_, this); }

    void Start(std::chrono::milliseconds interval) override {
      interval_ = interval;
      active_ = true;
      due_ = owner_->now_ + std::max(interval, std::chrono::milliseconds(1));
    }
    void Stop() override { active_ = false; }
    bool Active() const override { return active_; }
    std::chrono::milliseconds Interval() const override { return interval_; }
    void SetSingleShot(bool single_shot) override { single_shot_ = single_shot; }

    void Fire() {
      if (single_shot_) {
        active_ = false;
      } else {
        due_ += std::max(interval_, std::chrono::milliseconds(1));
      }
      on_tick_();
    }

    ManualDispatcher* owner_;
    std::function<void()> on_tick_;
    std::chrono::milliseconds interval_{0};
    Clock::time_point due_{};
    bool active_ = false;
    bool single_shot_ = false;
  };

  Clock::time_point now_{std::chrono::hours(1000)};
  std::vector<ManualTimer*> timers_;
  std::mutex mutex_;
  std::deque<std::function<void()>> posted_;
  int process_events_calls_ = 0;
};

}  // namespace tazmel::test
