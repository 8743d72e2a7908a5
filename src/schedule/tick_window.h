#pragma once

#include <cstdint>
#include <optional>

#include "core/clock.h"

namespace tazmel {

// The span of local wall time one tick of the check timer covers: the
// half-open interval (from_ms, to_ms] of LocalTime::local_ms. An event whose
// local time falls inside fires at this tick, so each event fires exactly
// once however the ticks are spaced or phased.
struct TickSpan {
  std::int64_t from_ms = 0;  // excluded
  std::int64_t to_ms = 0;    // included
  bool Contains(std::int64_t local_ms) const { return local_ms > from_ms && local_ms <= to_ms; }
};

// Turns successive clock readings into tick spans. It keeps the latest local
// time already covered (the high-water mark): when the local clock goes back
// (a clock set back, the repeated hour when daylight saving ends) nothing is
// covered twice; the span resumes once the clock passes the mark again.
class TickWindow {
 public:
  // A gap in real (UTC) time above this between two ticks is a clock set
  // forward or a machine that slept: what it skipped is not caught up, only
  // the current second fires. Shorter gaps (a late tick) are caught up, and
  // so is the hour skipped when daylight saving starts, which takes no real
  // time.
  static constexpr std::int64_t kMaxCatchUpMs = 60'000;
  // A clock set back by more than this is a new start rather than the
  // repeated hour: the mark is dropped so that events fire again.
  static constexpr std::int64_t kMaxHeldBackMs = 3 * 3'600'000;
  // Local time running ahead of real time by more than any daylight-saving
  // shift is the time zone changed: nothing in between is caught up.
  static constexpr std::int64_t kMaxZoneShiftMs = 2 * 3'600'000;

  // The span of this tick, or nullopt when it covers nothing new.
  std::optional<TickSpan> Advance(const LocalTime& now);

  // Forgets the mark; the next tick covers only its own second.
  void Reset() { started_ = false; }

 private:
  bool started_ = false;
  std::int64_t high_water_ms_ = 0;  // local_ms covered so far
  std::int64_t last_utc_ms_ = 0;
};

// Whether the span holds an instant of the periodic series
// phase_ms + k * period_ms (any integer k).
bool SpanHoldsPeriodic(const TickSpan& span, std::int64_t period_ms, std::int64_t phase_ms);
// The earliest such instant in the span.
std::optional<std::int64_t> FirstPeriodicIn(const TickSpan& span, std::int64_t period_ms, std::int64_t phase_ms);

constexpr std::int64_t kDayMs = 86'400'000;

// Local day number (days since 1970-01-01) and weekday (0 Sunday) of a
// local_ms value.
std::int64_t LocalDayOf(std::int64_t local_ms);
int WeekdayOfDay(std::int64_t day);

// A time of day (seconds since midnight) that comes every day.
inline bool DailyDue(const TickSpan& span, int seconds_of_day) {
  return SpanHoldsPeriodic(span, kDayMs, std::int64_t{seconds_of_day} * 1000);
}
// A weekday (0 Sunday .. 6 Saturday) and time of day, every week.
bool WeeklyDue(const TickSpan& span, int weekday, int seconds_of_day);
// The phase of that weekly series, for FirstPeriodicIn.
std::int64_t WeeklyPhaseMs(int weekday, int seconds_of_day);
// One local date (day number) and time of day.
inline bool OnceDue(const TickSpan& span, std::int64_t day, int seconds_of_day) {
  return span.Contains(day * kDayMs + std::int64_t{seconds_of_day} * 1000);
}

}  // namespace tazmel
