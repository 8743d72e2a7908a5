#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include <stdlib.h>

namespace tazmel::test {

// Central European rules as a POSIX TZ string: summer time from the last
// Sunday of March 02:00 to the last Sunday of October 03:00.
inline constexpr const char* kEuropeanZone = "CET-1CEST,M3.5.0,M10.5.0/3";

// Puts the process in a time zone for the life of the object.
class ScopedZone {
 public:
  explicit ScopedZone(const char* tz) {
    if (const char* old = ::getenv("TZ")) old_ = old;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~ScopedZone() {
    if (old_) {
      ::setenv("TZ", old_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    ::tzset();
  }
  ScopedZone(const ScopedZone&) = delete;
  ScopedZone& operator=(const ScopedZone&) = delete;

 private:
  std::optional<std::string> old_;
};

// The UTC instant (ms) of a local wall time; `dst` picks the first (1) or
// second (0) of a repeated hour, -1 lets the system choose.
inline std::int64_t UtcMsOfLocal(int y, int mo, int d, int h, int mi, int s, int dst = -1) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = dst;
  return static_cast<std::int64_t>(std::mktime(&tm)) * 1000;
}

}  // namespace tazmel::test
