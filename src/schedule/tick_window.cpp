#include "schedule/tick_window.h"

namespace tazmel {

namespace {
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}
}  // namespace

std::optional<TickSpan> TickWindow::Advance(const LocalTime& now) {
  const std::int64_t utc_gap = now.utc_ms - last_utc_ms_;
  const bool restart = !started_ || utc_gap > kMaxCatchUpMs || now.local_ms < high_water_ms_ - kMaxHeldBackMs ||
                       now.local_ms - high_water_ms_ > utc_gap + kMaxZoneShiftMs;
  last_utc_ms_ = now.utc_ms;
  if (restart) {
    // Only the current second: an event due at this very second fires, one
    // due a moment ago does not.
    started_ = true;
    const std::int64_t second_start = FloorDiv(now.local_ms, 1000) * 1000;
    high_water_ms_ = now.local_ms;
    return TickSpan{second_start - 1, now.local_ms};
  }
  if (now.local_ms <= high_water_ms_) return std::nullopt;
  TickSpan span{high_water_ms_, now.local_ms};
  high_water_ms_ = now.local_ms;
  return span;
}

std::optional<std::int64_t> FirstPeriodicIn(const TickSpan& span, std::int64_t period_ms, std::int64_t phase_ms) {
  if (period_ms <= 0 || span.to_ms <= span.from_ms) return std::nullopt;
  // The first instant of the series after from_ms.
  const std::int64_t k = FloorDiv(span.from_ms - phase_ms, period_ms) + 1;
  const std::int64_t instant = phase_ms + k * period_ms;
  if (instant > span.to_ms) return std::nullopt;
  return instant;
}

bool SpanHoldsPeriodic(const TickSpan& span, std::int64_t period_ms, std::int64_t phase_ms) {
  return FirstPeriodicIn(span, period_ms, phase_ms).has_value();
}

std::int64_t LocalDayOf(std::int64_t local_ms) { return FloorDiv(local_ms, kDayMs); }

int WeekdayOfDay(std::int64_t day) {
  // 1970-01-01 was a Thursday.
  return static_cast<int>(((day % 7) + 7 + 4) % 7);
}

std::int64_t WeeklyPhaseMs(int weekday, int seconds_of_day) {
  // Day 0 is a Thursday (4): the first day with this weekday.
  const std::int64_t first_day = (weekday - 4 + 7) % 7;
  return first_day * kDayMs + std::int64_t{seconds_of_day} * 1000;
}

bool WeeklyDue(const TickSpan& span, int weekday, int seconds_of_day) {
  if (weekday < 0 || weekday > 6) return false;
  return SpanHoldsPeriodic(span, 7 * kDayMs, WeeklyPhaseMs(weekday, seconds_of_day));
}

}  // namespace tazmel
