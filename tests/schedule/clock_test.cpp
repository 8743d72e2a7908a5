#include "core/clock.h"

#include <gtest/gtest.h>

#include "schedule/zone.h"

namespace tazmel {
namespace {

TEST(ClockTest, LocalFieldsAndOffsetFollowTheZone) {
  test::ScopedZone zone(test::kEuropeanZone);
  struct Case {
    std::int64_t utc_ms;
    int offset, y, mo, d, h, mi, s, ms, weekday;
  };
  // 2026-03-29 00:59:59.999 UTC is the last moment of winter time.
  const std::int64_t spring = DaysFromCivil(2026, 3, 29) * 86'400'000 + 3'599'999;
  const Case cases[] = {
      {spring, 3600, 2026, 3, 29, 1, 59, 59, 999, 0},
      {spring + 1, 7200, 2026, 3, 29, 3, 0, 0, 0, 0},
      {-1, 3600, 1970, 1, 1, 0, 59, 59, 999, 4},
  };
  for (const Case& c : cases) {
    const LocalTime t = LocalTimeFromUtc(c.utc_ms);
    EXPECT_EQ(t.utc_offset_seconds, c.offset) << c.utc_ms;
    EXPECT_EQ(t.local_ms, c.utc_ms + c.offset * 1000LL);
    EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond, t.weekday}),
              (std::vector<int>{c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms, c.weekday}));
  }
}

TEST(ClockTest, CivilDaysRoundTrip) {
  for (std::int64_t day = -800000; day < 800000; day += 997) {
    int y = 0;
    int m = 0;
    int d = 0;
    CivilFromDays(day, y, m, d);
    ASSERT_EQ(DaysFromCivil(y, m, d), day);
  }
  EXPECT_EQ(DaysFromCivil(2024, 2, 29), 19782);
}

}  // namespace
}  // namespace tazmel
