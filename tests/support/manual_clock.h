#pragma once

#include <chrono>
#include <cstdint>

#include "core/clock.h"

namespace tazmel::test {

// A wall clock and a monotonic clock moved by hand. The local fields come
// from the process's time zone (set TZ, e.g. to a POSIX rule, and call
// tzset), so daylight-saving days behave as on a real machine.
class ManualClock : public Clock {
 public:
  explicit ManualClock(std::int64_t utc_ms = 0) : utc_ms_(utc_ms) {}

  LocalTime LocalNow() const override { return LocalTimeFromUtc(utc_ms_); }
  std::chrono::steady_clock::time_point MonotonicNow() const override { return monotonic_; }

  // Time passes: both clocks move.
  void Advance(std::chrono::milliseconds step) {
    utc_ms_ += step.count();
    monotonic_ += step;
  }
  // The wall clock is set (forward or back); the monotonic clock stays.
  void StepWall(std::chrono::milliseconds step) { utc_ms_ += step.count(); }
  void SetUtcMs(std::int64_t utc_ms) { utc_ms_ = utc_ms; }
  std::int64_t UtcMs() const { return utc_ms_; }

 private:
  std::int64_t utc_ms_;
  std::chrono::steady_clock::time_point monotonic_{std::chrono::hours(1000)};
};

}  // namespace tazmel::test
