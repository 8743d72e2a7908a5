#pragma once

#include <optional>

#include "schedule/tick_window.h"

namespace tazmel {

// AutoPlay after start-up: only the first tick may start the last source.
// The pending mark is cleared at that tick whether AutoPlay is set or not,
// so switching AutoPlay on later does not start playback out of the blue.
// Returns whether to play now.
bool TakeAutoPlay(bool& pending, bool auto_play);

// Update checks come every 12 hours; the first within 5 min 10 s of start.
// Times are date-time numbers (days since 1899-12-30, local).
inline constexpr double kUpdatePeriodDays = 0.5;
inline constexpr double kFirstCheckDelayDays = (5 * 60 + 10) / 86400.0;
// A stored time later than now by more than this is a clock set back (or a
// file from a machine whose clock ran ahead), not a check just made.
inline constexpr double kUpdateClockStepDays = 1.0 / 24;

// The LastUpdateTime start-up keeps: at most now - 12 h + 5 min 10 s, so that
// a program started after a long pause checks soon; a value that is not a
// number, infinite, or ahead of the clock gives that latest value too.
double StartupLastUpdateTime(double last_update, double now);

struct UpdateCheckDecision {
  bool start = false;      // run StartUpdate (not forced) now
  double last_update = 0;  // the LastUpdateTime to keep
};
// One tick's update rule: due when (AutoUpdate or the first check pending)
// and more than 12 hours passed. A LastUpdateTime that is not a number or
// lies well ahead of the clock (the clock went back) is replaced as at
// start-up, so checks go on instead of waiting for the old time to return.
UpdateCheckDecision DecideUpdateCheck(double last_update, double now, bool auto_update, bool first_check_pending);

// The time of day of a stored date-time number (ShutDownTime,
// TimingPlayTime, ...) in whole seconds, for DailyDue; nullopt when it is not
// a finite number.
std::optional<int> SecondsOfDay(double date_time);

// The timed actions of the options dialog, as the check timer needs them
// (times as seconds of the day).
struct TimedOptions {
  bool timing_shutdown = false;
  int shutdown_time = 0;
  bool timing_play = false;
  int timing_play_time = 0;
  bool timing_record = false;
  int timing_record_start_time = 0;
  int timing_record_end_time = 0;
  bool auto_talk_clock = false;
  int talk_clock_interval = 60;
};
struct TimedActionsDue {
  bool shutdown = false;
  bool play = false;
  bool record_start = false;
  bool record_end = false;
  bool talk = false;
};
// What the tick's span brings, each at most once per occurrence of its time
// (00:00:00 included, once).
TimedActionsDue DueTimedActions(const TickSpan& span, const TimedOptions& options);

}  // namespace tazmel
