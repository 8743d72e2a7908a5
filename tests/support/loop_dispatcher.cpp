#include "support/loop_dispatcher.h"

#include <algorithm>

namespace tazmel::test {

class LoopDispatcher::LoopTimer : public Timer {
 public:
  LoopTimer(LoopDispatcher* owner, std::function<void()> on_tick) : owner_(owner), on_tick_(std::move(on_tick)) {}
  ~LoopTimer() override { std::erase(owner_->timers_, this); }

  void Start(std::chrono::milliseconds interval) override {
    interval_ = interval;
    active_ = true;
    due_ = Clock::now() + std::max(interval, std::chrono::milliseconds(0));
  }
  void Stop() override { active_ = false; }
  bool Active() const override { return active_; }
  std::chrono::milliseconds Interval() const override { return interval_; }
  void SetSingleShot(bool single_shot) override { single_shot_ = single_shot; }

  bool Due(Clock::time_point now) const { return active_ && due_ <= now; }
  Clock::time_point due() const { return due_; }
  bool active() const { return active_; }

  void Fire() {
    if (single_shot_) {
      active_ = false;
    } else {
      // A late tick does not bunch up the ones after it.
      due_ = std::max(due_ + interval_, Clock::now());
    }
    on_tick_();
  }

 private:
  LoopDispatcher* owner_;
  std::function<void()> on_tick_;
  std::chrono::milliseconds interval_{0};
  Clock::time_point due_{};
  bool active_ = false;
  bool single_shot_ = false;
};

LoopDispatcher::~LoopDispatcher() = default;

std::unique_ptr<Timer> LoopDispatcher::CreateTimer(std::function<void()> on_tick) {
  auto timer = std::make_unique<LoopTimer>(this, std::move(on_tick));
  timers_.push_back(timer.get());
  return timer;
}

void LoopDispatcher::Post(std::function<void()> call) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(call));
  }
  posted_cv_.notify_one();
}

bool LoopDispatcher::RunReady() {
  bool ran = false;
  // Only what was posted before this round starts runs in it, so a call that
  // keeps posting itself cannot starve the timers.
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard lock(mutex_);
    batch.swap(posted_);
  }
  for (auto& call : batch) {
    call();
    ran = true;
  }
  // Timers may be created or destroyed by a tick: pick one due timer at a
  // time from the live list.
  const Clock::time_point now = Clock::now();
  for (;;) {
    LoopTimer* next = nullptr;
    for (LoopTimer* timer : timers_) {
      if (timer->Due(now) && (!next || timer->due() < next->due())) next = timer;
    }
    if (!next) break;
    next->Fire();
    ran = true;
  }
  return ran;
}

LoopDispatcher::Clock::time_point LoopDispatcher::NextDue(Clock::time_point limit) const {
  for (const LoopTimer* timer : timers_) {
    if (timer->active()) limit = std::min(limit, timer->due());
  }
  return limit;
}

void LoopDispatcher::ProcessEvents(std::chrono::milliseconds max_wait) {
  if (RunReady()) return;
  const Clock::time_point until = NextDue(Clock::now() + max_wait);
  {
    std::unique_lock lock(mutex_);
    posted_cv_.wait_until(lock, until, [this] { return !posted_.empty(); });
  }
  RunReady();
}

bool LoopDispatcher::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const Clock::time_point end = Clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    const Clock::time_point now = Clock::now();
    if (now >= end) return false;
    ProcessEvents(
        std::min(std::chrono::duration_cast<std::chrono::milliseconds>(end - now) + std::chrono::milliseconds(1),
                 std::chrono::milliseconds(50)));
  }
}

void LoopDispatcher::RunFor(std::chrono::milliseconds span) {
  RunUntil([] { return false; }, span);
}

}  // namespace tazmel::test
