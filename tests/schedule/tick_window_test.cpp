#include "schedule/tick_window.h"

#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schedule/zone.h"
#include "support/manual_clock.h"

namespace tazmel {
namespace {

using std::chrono::milliseconds;
using test::ManualClock;
using test::UtcMsOfLocal;

struct Day {
  const char* name;
  int year, month, day;
};

// Daily events of the table, as seconds of the day.
constexpr int kEvents[] = {8 * 3600, 0, 23 * 3600 + 59 * 60 + 59, 2 * 3600 + 30 * 60};

struct Firing {
  int event;
  std::int64_t local_ms;  // of the tick that fired it
  std::int64_t utc_ms;
};

// Ticks from half an hour before the day's midnight to half an hour before
// the next, every `gap` ms, starting `phase` ms into a second.
std::vector<Firing> RunDay(const Day& day, int phase_ms, int gap_ms) {
  const std::int64_t begin = UtcMsOfLocal(day.year, day.month, day.day, 0, 0, 0) - 1'800'000 + phase_ms;
  const std::int64_t end = UtcMsOfLocal(day.year, day.month, day.day + 1, 0, 0, 0) - 1'800'000;
  ManualClock clock(begin);
  TickWindow window;
  std::vector<Firing> fired;
  while (clock.UtcMs() < end) {
    const LocalTime now = clock.LocalNow();
    if (const auto span = window.Advance(now)) {
      for (int event : kEvents) {
        if (DailyDue(*span, event)) fired.push_back({event, now.local_ms, now.utc_ms});
      }
    }
    clock.Advance(milliseconds(gap_ms));
  }
  return fired;
}

// Each event once, at the first tick at or after its time; the hour skipped
// in spring fires at the first tick after the jump, the hour repeated in
// autumn only in its first pass.
TEST(TickWindowTest, EveryDailyEventFiresOnceAcrossPhasesGapsAndDaylightSavingDays) {
  test::ScopedZone zone(test::kEuropeanZone);
  const Day days[] = {
      {"winter", 2026, 1, 14}, {"summer", 2026, 6, 10}, {"spring forward", 2026, 3, 29}, {"fall back", 2026, 10, 25}};
  for (const Day& day : days) {
    const std::int64_t local_midnight = DaysFromCivil(day.year, day.month, day.day) * kDayMs;
    for (int phase : {0, 1, 500, 999}) {
      for (int gap : {250, 1000, 1700, 5000}) {
        SCOPED_TRACE(std::string(day.name) + " phase " + std::to_string(phase) + " gap " + std::to_string(gap));
        const std::vector<Firing> fired = RunDay(day, phase, gap);
        for (int event : kEvents) {
          int count = 0;
          for (const Firing& f : fired) {
            if (f.event != event) continue;
            ++count;
            // The run ends at 23:30, so 23:59:59 is the one of the day before.
            std::int64_t due = local_midnight + std::int64_t{event} * 1000;
            if (event > 23 * 3600 + 30 * 60) due -= kDayMs;
            EXPECT_GE(f.local_ms, due) << "event " << event;
            if (day.month == 3 && event == 2 * 3600 + 30 * 60) {
              // 02:30 does not exist that night: the first tick after 03:00.
              EXPECT_LT(f.local_ms, local_midnight + 3 * 3'600'000 + gap) << "event " << event;
            } else {
              EXPECT_LT(f.local_ms, due + gap) << "event " << event;
            }
            if (day.month == 10 && event == 2 * 3600 + 30 * 60) {
              EXPECT_LT(f.utc_ms, UtcMsOfLocal(2026, 10, 25, 2, 30, 0, 0)) << "fired in the repeated hour";
            }
          }
          EXPECT_EQ(count, 1) << "event " << event;
        }
      }
    }
  }
}

// The clock set by hand while the ticks go on, with an 08:00:00 event.
TEST(TickWindowTest, ClockStepsNeitherRepeatNorLoseEventsWithinTheirBounds) {
  test::ScopedZone zone(test::kEuropeanZone);
  struct Case {
    const char* name;
    int step_at;       // seconds of the day when the clock is set
    int step_seconds;  // how far
    int expected;      // firings of 08:00:00 until 09:00
  };
  const Case cases[] = {
      {"set back 10 min after it fired", 8 * 3600 + 5, -600, 1},
      {"set back 2 h after it fired", 8 * 3600 + 5, -7200, 1},
      {"set back a day after it fired", 8 * 3600 + 5, -86400, 2},
      {"set back 10 min before it fired", 7 * 3600 + 59 * 60, -600, 1},
      {"set forward 30 s across it (a late tick)", 7 * 3600 + 59 * 60 + 45, 30, 1},
      {"set forward 30 min across it", 7 * 3600 + 59 * 60, 1800, 0},
      {"set forward onto its second", 7 * 3600 + 10, 3590, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ManualClock clock(UtcMsOfLocal(2026, 6, 10, 7, 0, 0) + 400);
    const std::int64_t stop_local = DaysFromCivil(2026, 6, 10) * kDayMs + 9 * 3'600'000;
    TickWindow window;
    int count = 0;
    bool stepped = false;
    // Guards against a runaway loop when the clock is set far back.
    for (int ticks = 0; ticks < 200'000; ++ticks) {
      const LocalTime now = clock.LocalNow();
      if (!stepped && now.local_ms >= DaysFromCivil(2026, 6, 10) * kDayMs + std::int64_t{c.step_at} * 1000) {
        stepped = true;
        clock.StepWall(milliseconds(std::int64_t{c.step_seconds} * 1000));
        continue;
      }
      if (const auto span = window.Advance(now)) count += DailyDue(*span, 8 * 3600) ? 1 : 0;
      if (stepped && now.local_ms >= stop_local) break;
      clock.Advance(milliseconds(1000));
    }
    EXPECT_EQ(count, c.expected);
  }
}

// Moving the machine from UTC to UTC+8 while running skips eight hours of
// local time in one tick; what they held is not caught up.
TEST(TickWindowTest, ZoneChangeDoesNotCatchUpTheSkippedHours) {
  std::int64_t utc = DaysFromCivil(2026, 6, 10) * kDayMs + 3 * 3'600'000;  // 03:00 UTC
  TickWindow window;
  int fired = 0;
  {
    test::ScopedZone zone("UTC0");
    for (int i = 0; i < 10; ++i, utc += 1000) {
      if (const auto span = window.Advance(LocalTimeFromUtc(utc))) fired += DailyDue(*span, 8 * 3600);
    }
  }
  test::ScopedZone zone("CST-8");  // now 11:00 local
  for (int i = 0; i < 10; ++i, utc += 1000) {
    if (const auto span = window.Advance(LocalTimeFromUtc(utc))) fired += DailyDue(*span, 8 * 3600);
  }
  EXPECT_EQ(fired, 0);
  // 12:00 local still comes.
  for (int i = 0; i < 3600; ++i, utc += 1000) {
    if (const auto span = window.Advance(LocalTimeFromUtc(utc))) fired += DailyDue(*span, 12 * 3600);
  }
  EXPECT_EQ(fired, 1);
}

TEST(TickWindowTest, FirstTickCoversOnlyItsOwnSecond) {
  test::ScopedZone zone("UTC0");
  TickWindow window;
  const auto span = window.Advance(LocalTimeFromUtc(8 * 3'600'000 + 700));
  ASSERT_TRUE(span);
  EXPECT_TRUE(DailyDue(*span, 8 * 3600));
  EXPECT_FALSE(DailyDue(*span, 8 * 3600 - 1));
  EXPECT_FALSE(window.Advance(LocalTimeFromUtc(8 * 3'600'000 + 700)));  // the same instant again
}

TEST(TickWindowTest, WeeklyAndOnceEventsMatchTheirDay) {
  // 2026-12-13 is a Sunday.
  const std::int64_t sunday = DaysFromCivil(2026, 12, 13);
  EXPECT_EQ(WeekdayOfDay(sunday), 0);
  EXPECT_EQ(WeekdayOfDay(DaysFromCivil(1969, 12, 31)), 3);
  for (int offset = 0; offset < 7; ++offset) {
    const std::int64_t at = (sunday + offset) * kDayMs + 8 * 3'600'000;
    const TickSpan span{at - 1000, at};
    EXPECT_EQ(WeeklyDue(span, 0, 8 * 3600), offset == 0) << offset;
    EXPECT_EQ(WeeklyDue(span, offset, 8 * 3600), true) << offset;
    EXPECT_EQ(OnceDue(span, sunday + 2, 8 * 3600), offset == 2) << offset;
  }
}

}  // namespace
}  // namespace tazmel
