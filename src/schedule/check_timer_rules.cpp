#include "schedule/check_timer_rules.h"

#include <cmath>

#include "schedule/talking_clock.h"

namespace tazmel {

bool TakeAutoPlay(bool& pending, bool auto_play) {
  const bool play = pending && auto_play;
  pending = false;
  return play;
}

double StartupLastUpdateTime(double last_update, double now) {
  const double latest = now - kUpdatePeriodDays + kFirstCheckDelayDays;
  if (!std::isfinite(last_update) || last_update > latest) return latest;
  return last_update;
}

UpdateCheckDecision DecideUpdateCheck(double last_update, double now, bool auto_update, bool first_check_pending) {
  UpdateCheckDecision decision;
  decision.last_update = last_update;
  if (!std::isfinite(now)) return decision;
  if (!std::isfinite(last_update) || last_update > now + kUpdateClockStepDays) {
    decision.last_update = now - kUpdatePeriodDays + kFirstCheckDelayDays;
  }
  if ((auto_update || first_check_pending) && now - decision.last_update > kUpdatePeriodDays) {
    decision.start = true;
    decision.last_update = now;
  }
  return decision;
}

std::optional<int> SecondsOfDay(double date_time) {
  if (!std::isfinite(date_time)) return std::nullopt;
  // The fraction carries the time of day for dates before 1899 as well,
  // without its sign.
  const double fraction = std::fabs(date_time - std::trunc(date_time));
  long seconds = std::lround(fraction * 86400.0);
  if (seconds >= 86400) seconds = 0;
  return static_cast<int>(seconds);
}

TimedActionsDue DueTimedActions(const TickSpan& span, const TimedOptions& o) {
  TimedActionsDue due;
  due.shutdown = o.timing_shutdown && DailyDue(span, o.shutdown_time);
  due.play = o.timing_play && DailyDue(span, o.timing_play_time);
  due.record_start = o.timing_record && DailyDue(span, o.timing_record_start_time);
  due.record_end = o.timing_record && DailyDue(span, o.timing_record_end_time);
  due.talk = o.auto_talk_clock && TalkClockDue(span, o.talk_clock_interval);
  return due;
}

}  // namespace tazmel
