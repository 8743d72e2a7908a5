#include "app/schedule_controller.h"

#include <set>

#include "schedule/talking_clock.h"
#include "schedule/task_list.h"

namespace tazmel {

TimedOptions TimedOptionsFrom(const Settings::Options& options) {
  return TimedOptions{.timing_shutdown = options.timing_shutdown,
                      .shutdown_time = options.shutdown_time,
                      .timing_play = options.timing_play,
                      .timing_play_time = options.timing_play_time,
                      .timing_record = options.timing_record,
                      .timing_record_start_time = options.timing_record_start_time,
                      .timing_record_end_time = options.timing_record_end_time,
                      .auto_talk_clock = options.auto_talk_clock,
                      .talk_clock_interval = options.talk_clock_interval};
}

class ScheduleController::TrackingActions : public TaskActionPort {
 public:
  explicit TrackingActions(TaskActionPort& actions) : actions_(actions) {}

  void PlayStation(int station_id) override {
    actions_.PlayStation(station_id);
    playing_ = true;
  }
  void StopPlay() override {
    actions_.StopPlay();
    playing_ = false;
  }
  std::uint64_t StartRecording(const std::string& file) override {
    const std::uint64_t recording = actions_.StartRecording(file);
    if (recording != 0) live_.insert(recording);
    return recording;
  }
  void StopRecording(std::uint64_t recording) override {
    live_.erase(recording);
    actions_.StopRecording(recording);
  }

  void RecordingEnded() { live_.clear(); }
  bool Recording() const { return !live_.empty(); }
  bool Playing() const { return playing_; }

 private:
  TaskActionPort& actions_;
  std::set<std::uint64_t> live_;
  bool playing_ = false;
};

ScheduleController::ScheduleController(ScheduleParts parts, ScheduleHooks hooks)
    : parts_(std::move(parts)), hooks_(std::move(hooks)) {
  tracking_ = std::make_unique<TrackingActions>(parts_.actions);
  scheduler_ = std::make_unique<TaskScheduler>(*tracking_);
  talker_ =
      std::make_unique<TalkingClock>(parts_.dispatcher, parts_.sound, parts_.mute, parts_.program_folder / "sound");
  shutdown_ = std::make_unique<AutoShutdown>(parts_.dispatcher, parts_.shutdown);
}

ScheduleController::~ScheduleController() = default;

std::filesystem::path ScheduleController::TaskFilePath() const { return parts_.program_folder / kTaskFileName; }

void ScheduleController::LoadTasks() {
  const std::optional<TaskFile> file = LoadTaskFile(TaskFilePath());
  scheduler_->SetTasks(BuildRunTimeTasks(file ? file->Tasks() : std::vector<Task>{}));
}

void ScheduleController::Tick() {
  const LocalTime now = parts_.clock.LocalNow();
  const std::optional<TickSpan> span = window_.Advance(now);
  if (!span) return;
  const TimedActionsDue due = DueTimedActions(*span, TimedOptionsFrom(parts_.options));
  if (due.shutdown) shutdown_->Trigger();
  if (due.play && hooks_.play_current) hooks_.play_current();
  if (due.record_end && timed_recording_ != 0) {
    // Only the recording the timed start began ends here; one the user
    // started by hand goes on.
    const std::uint64_t recording = timed_recording_;
    timed_recording_ = 0;
    tracking_->StopRecording(recording);
  }
  if (due.record_start) {
    const std::uint64_t recording = tracking_->StartRecording({});
    if (recording != 0) timed_recording_ = recording;
  }
  if (due.talk)
    talker_->Announce(now, hooks_.language_code ? hooks_.language_code() : "chs", parts_.options.mute_talk_clock);
  scheduler_->CheckTasks(*span);
}

bool ScheduleController::SpeakNow() {
  return talker_->Announce(parts_.clock.LocalNow(), hooks_.language_code ? hooks_.language_code() : "chs",
                           parts_.options.mute_talk_clock);
}

bool ScheduleController::TaskRunning() const {
  if (tracking_->Recording()) return true;
  return tracking_->Playing() && hooks_.player_active && hooks_.player_active();
}

void ScheduleController::RecordingEnded() {
  tracking_->RecordingEnded();
  timed_recording_ = 0;
}

}  // namespace tazmel
