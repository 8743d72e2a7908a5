#include "schedule/check_timer_rules.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace tazmel {
namespace {

constexpr double kHour = 1.0 / 24;
constexpr double kNow = 46000.5;  // a date-time number, midday

// The pending mark used to be cleared only when AutoPlay was set, so setting
// AutoPlay hours later started playback at once.
TEST(CheckTimerRulesTest, AutoPlayOnlyAtTheFirstTick) {
  for (bool auto_play : {false, true}) {
    bool pending = true;
    EXPECT_EQ(TakeAutoPlay(pending, auto_play), auto_play);
    EXPECT_FALSE(pending);
    EXPECT_FALSE(TakeAutoPlay(pending, true));
  }
}

TEST(CheckTimerRulesTest, StartUpMovesLastUpdateTimeBackSoAStartChecksSoon) {
  const double latest = kNow - 0.5 + kFirstCheckDelayDays;
  struct Case {
    double stored;
    double kept;
  };
  const Case cases[] = {
      {kNow - 3, kNow - 3},    // long ago: stays, checks at once
      {kNow - kHour, latest},  // recent: moved back
      {kNow + 30, latest},     // ahead of the clock
      {std::numeric_limits<double>::quiet_NaN(), latest},
      {std::numeric_limits<double>::infinity(), latest},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(StartupLastUpdateTime(c.stored, kNow), c.kept) << c.stored;
}

// One tick's rule; a NaN stored time or a clock set back used to stop the
// checks (the comparison never came true again).
TEST(CheckTimerRulesTest, UpdateChecksGoOnAfterBadTimesAndClockSteps) {
  struct Case {
    const char* name;
    double last;
    bool auto_update, first_pending;
    bool start;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"13 h ago", kNow - 13 * kHour, true, false, true},
      {"11 h ago", kNow - 11 * kHour, true, false, false},
      {"13 h ago, auto off, first pending", kNow - 13 * kHour, false, true, true},
      {"13 h ago, auto off", kNow - 13 * kHour, false, false, false},
      {"not a number", nan, true, false, false},
      {"a day ahead", kNow + 1, true, false, false},
      {"a minute ahead", kNow + kHour / 60, true, false, false},
  };
  for (const Case& c : cases) {
    const UpdateCheckDecision d = DecideUpdateCheck(c.last, kNow, c.auto_update, c.first_pending);
    EXPECT_EQ(d.start, c.start) << c.name;
    EXPECT_TRUE(std::isfinite(d.last_update)) << c.name;
  }

  // After a bad value the check follows 5 min 10 s later, and then every 12 h.
  for (double bad : {nan, kNow + 1}) {
    double last = bad;
    double first_check = -1;
    int checks = 0;
    for (int minute = 0; minute < 25 * 60; ++minute) {
      const double now = kNow + minute / 1440.0;
      const UpdateCheckDecision d = DecideUpdateCheck(last, now, true, false);
      last = d.last_update;
      if (d.start) {
        if (checks++ == 0) first_check = now;
      }
    }
    EXPECT_EQ(checks, 3) << bad;
    EXPECT_NEAR(first_check, kNow + 6.0 / 1440, 1e-9) << bad;  // the first whole minute after 5:10
  }
}

// A day of one-second ticks (half a second into each): each timed action
// on at most once, at its time; off, never.
TEST(CheckTimerRulesTest, TimedActionsComeOnceAtTheirTimes) {
  TimedOptions options;
  options.timing_shutdown = true;
  options.shutdown_time = 23 * 3600 + 59 * 60 + 59;
  options.timing_play = true;
  options.timing_play_time = 0;
  options.timing_record = true;
  options.timing_record_start_time = 8 * 3600;
  options.timing_record_end_time = 8 * 3600 + 1;
  options.auto_talk_clock = true;
  options.talk_clock_interval = 30;
  std::vector<int> shutdown, play, start, end;
  int talks = 0;
  TimedOptions off;
  off.talk_clock_interval = 30;
  TickWindow window;
  const std::int64_t day = 20000 * kDayMs;
  for (std::int64_t s = -5; s < 86400; ++s) {
    LocalTime now;
    now.utc_ms = now.local_ms = day + s * 1000 + 500;
    const auto span = window.Advance(now);
    ASSERT_TRUE(span);
    const TimedActionsDue due = DueTimedActions(*span, options);
    if (due.shutdown) shutdown.push_back(static_cast<int>(s));
    if (due.play) play.push_back(static_cast<int>(s));
    if (due.record_start) start.push_back(static_cast<int>(s));
    if (due.record_end) end.push_back(static_cast<int>(s));
    talks += due.talk;
    const TimedActionsDue none = DueTimedActions(*span, off);
    ASSERT_FALSE(none.shutdown || none.play || none.record_start || none.record_end || none.talk) << s;
  }
  EXPECT_EQ(shutdown, (std::vector<int>{-1, options.shutdown_time}));  // the day before, then this day
  EXPECT_EQ(play, std::vector<int>{0});
  EXPECT_EQ(start, std::vector<int>{8 * 3600});
  EXPECT_EQ(end, std::vector<int>{8 * 3600 + 1});
  EXPECT_EQ(talks, 48);
}

TEST(CheckTimerRulesTest, SecondsOfDayOfStoredTimes) {
  EXPECT_EQ(SecondsOfDay(46000.75), 18 * 3600);
  EXPECT_EQ(SecondsOfDay(0.0), 0);
  EXPECT_EQ(SecondsOfDay(-1.25), 6 * 3600);
  EXPECT_EQ(SecondsOfDay(0.99999999), 0);  // rounds to the next midnight
  EXPECT_FALSE(SecondsOfDay(std::numeric_limits<double>::quiet_NaN()));
}

}  // namespace
}  // namespace tazmel
