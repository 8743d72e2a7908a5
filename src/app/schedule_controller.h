#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/clock.h"
#include "core/dispatcher.h"
#include "schedule/announcer.h"
#include "schedule/auto_shutdown.h"
#include "schedule/check_timer_rules.h"
#include "schedule/task_scheduler.h"
#include "schedule/tick_window.h"
#include "settings/settings.h"

namespace tazmel {

// The timed options as the check timer reads them: the one place that turns
// Settings::Options into TimedOptions.
TimedOptions TimedOptionsFrom(const Settings::Options& options);

// What the schedule acts on; owned elsewhere, outliving the controller.
struct ScheduleParts {
  Dispatcher& dispatcher;
  const Clock& clock;
  // Play and record tasks, and the timed recording of the options.
  TaskActionPort& actions;
  PlayerMute& mute;
  SoundFilePlayer& sound;
  ShutdownPort& shutdown;
  const Settings::Options& options;
  // Tasklist.dat and sound/ live here.
  std::filesystem::path program_folder;
};

struct ScheduleHooks {
  // Timed play: the current source plays.
  std::function<void()> play_current;
  // The user-interface language, whose words the talking clock speaks.
  std::function<std::string()> language_code;
  // Whether the player is playing, for TaskRunning.
  std::function<bool()> player_active;
};

// The check timer's timed work, one call per tick: one TickWindow span feeds
// the tasks, the timed actions of the options and the automatic talking
// clock, so each event fires exactly once whatever the ticks' phase.
class ScheduleController {
 public:
  ScheduleController(ScheduleParts parts, ScheduleHooks hooks);
  ~ScheduleController();
  ScheduleController(const ScheduleController&) = delete;
  ScheduleController& operator=(const ScheduleController&) = delete;

  // Reads Tasklist.dat into the run-time lists (at start-up and after
  // Apply); a missing or unreadable file means no tasks.
  void LoadTasks();
  void Tick();

  // The Talking Clock item: the time now, whatever the options say.
  bool SpeakNow();
  // Whether a task (or the timed recording) is at work: a recording it
  // started still runs, or a play task started and has not reached its end.
  bool TaskRunning() const;

  // The recorder tells when its recording ended, whoever stopped it.
  void RecordingEnded();
  std::filesystem::path TaskFilePath() const;
  TaskScheduler& Scheduler() { return *scheduler_; }
  AutoShutdown& Shutdown() { return *shutdown_; }
  TalkingClock& Talker() { return *talker_; }

 private:
  // Between the scheduler and the real port: remembers which recordings and
  // which playback the schedule itself started.
  class TrackingActions;

  ScheduleParts parts_;
  ScheduleHooks hooks_;
  TickWindow window_;
  std::unique_ptr<TrackingActions> tracking_;
  std::unique_ptr<TaskScheduler> scheduler_;
  std::unique_ptr<TalkingClock> talker_;
  std::unique_ptr<AutoShutdown> shutdown_;
  std::uint64_t timed_recording_ = 0;
};

}  // namespace tazmel
