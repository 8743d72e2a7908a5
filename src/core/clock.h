#pragma once

#include <chrono>
#include <cstdint>

namespace tazmel {

// One reading of the wall clock: the instant in UTC, the zone's offset at
// that instant and the local calendar fields. `local_ms` is the local wall
// time counted as if it were UTC (utc_ms + offset), which steps by an hour at
// the daylight-saving changes while utc_ms does not.
struct LocalTime {
  std::int64_t utc_ms = 0;     // milliseconds since 1970-01-01 00:00 UTC
  int utc_offset_seconds = 0;  // local minus UTC
  std::int64_t local_ms = 0;   // utc_ms + offset
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  int weekday = 4;  // 0 Sunday .. 6 Saturday
  bool daylight_saving = false;
};

// The reading for a UTC instant in the process's time zone (TZ).
LocalTime LocalTimeFromUtc(std::int64_t utc_ms);

// Days since 1970-01-01 of a civil date (proleptic Gregorian), and back.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);

// The wall clock and the monotonic clock as the logic sees them, beside the
// dispatcher's timers. The program reads the system's clocks; tests set them
// by hand.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual LocalTime LocalNow() const = 0;
  // Unaffected by clock changes, time zones and midnight.
  virtual std::chrono::steady_clock::time_point MonotonicNow() const = 0;
};

class SystemClock : public Clock {
 public:
  LocalTime LocalNow() const override;
  std::chrono::steady_clock::time_point MonotonicNow() const override;
};

}  // namespace tazmel
