#include "core/clock.h"

#include <ctime>

namespace tazmel {

std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t doe = days - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

LocalTime LocalTimeFromUtc(std::int64_t utc_ms) {
  // Floor division, so instants before 1970 keep a positive millisecond.
  std::int64_t seconds = utc_ms / 1000;
  int millis = static_cast<int>(utc_ms % 1000);
  if (millis < 0) {
    millis += 1000;
    --seconds;
  }
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  LocalTime out;
  out.utc_ms = utc_ms;
  if (!localtime_r(&t, &tm)) {
    out.local_ms = utc_ms;
    return out;
  }
  out.utc_offset_seconds = static_cast<int>(tm.tm_gmtoff);
  out.local_ms = utc_ms + static_cast<std::int64_t>(tm.tm_gmtoff) * 1000;
  out.year = tm.tm_year + 1900;
  out.month = tm.tm_mon + 1;
  out.day = tm.tm_mday;
  out.hour = tm.tm_hour;
  out.minute = tm.tm_min;
  out.second = tm.tm_sec;
  out.millisecond = millis;
  out.weekday = tm.tm_wday;
  out.daylight_saving = tm.tm_isdst > 0;
  return out;
}

LocalTime SystemClock::LocalNow() const {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return LocalTimeFromUtc(static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

std::chrono::steady_clock::time_point SystemClock::MonotonicNow() const { return std::chrono::steady_clock::now(); }

}  // namespace tazmel
