#include "schedule/task_scheduler.h"

#include <optional>

#include "core/clock.h"

namespace tazmel {

namespace {

std::optional<std::int64_t> InstantIn(const TickSpan& span, TaskFrequency frequency, const TaskMoment& m) {
  switch (frequency) {
    case TaskFrequency::kOnce: {
      const std::int64_t at = DaysFromCivil(m.year, m.month, m.day) * kDayMs + std::int64_t{m.seconds_of_day} * 1000;
      if (!span.Contains(at)) return std::nullopt;
      return at;
    }
    case TaskFrequency::kDaily:
      return FirstPeriodicIn(span, kDayMs, std::int64_t{m.seconds_of_day} * 1000);
    case TaskFrequency::kWeekly:
      if (m.weekday < 0 || m.weekday > 6) return std::nullopt;
      return FirstPeriodicIn(span, 7 * kDayMs, WeeklyPhaseMs(m.weekday, m.seconds_of_day));
  }
  return std::nullopt;
}

}  // namespace

RunTimeTasks BuildRunTimeTasks(const std::vector<Task>& tasks) {
  RunTimeTasks out;
  for (const Task& task : tasks) {
    if (!task.enabled || CheckTask(task) != TaskProblem::kNone) continue;
    (task.action == TaskAction::kRecord ? out.record : out.play).push_back(task);
  }
  return out;
}

void TaskScheduler::SetTasks(RunTimeTasks tasks) {
  std::vector<std::uint64_t> recordings(tasks.record.size(), 0);
  for (std::size_t i = 0; i < tasks.record.size(); ++i) {
    for (std::size_t j = 0; j < tasks_.record.size(); ++j) {
      if (recordings_[j] != 0 && tasks_.record[j] == tasks.record[i]) {
        recordings[i] = recordings_[j];
        recordings_[j] = 0;
        break;
      }
    }
  }
  tasks_ = std::move(tasks);
  recordings_ = std::move(recordings);
}

TaskScheduler::Due TaskScheduler::DueIn(const Task& task, const TickSpan& span) {
  const std::optional<std::int64_t> start = InstantIn(span, task.frequency, task.start);
  const std::optional<std::int64_t> end = InstantIn(span, task.frequency, task.end);
  Due due;
  due.start = start.has_value();
  due.end = end.has_value();
  due.start_first = start && end && *start < *end;
  return due;
}

void TaskScheduler::RunPlay(const Task& task, const Due& due) {
  const auto start = [&] { actions_.PlayStation(TaskStationId(task.name)); };
  if (due.start_first) start();
  if (due.end) actions_.StopPlay();
  if (due.start && !due.start_first) start();
}

void TaskScheduler::RunRecord(std::size_t index, const Due& due) {
  const Task& task = tasks_.record[index];
  const auto start = [&] {
    const std::uint64_t recording = actions_.StartRecording(task.name);
    // A start refused because another recording runs leaves that one to
    // whoever started it.
    if (recording != 0) recordings_[index] = recording;
  };
  if (due.start_first) start();
  if (due.end && recordings_[index] != 0) {
    const std::uint64_t recording = recordings_[index];
    recordings_[index] = 0;
    actions_.StopRecording(recording);
  }
  if (due.start && !due.start_first) start();
}

void TaskScheduler::CheckTasks(const TickSpan& span) {
  for (const Task& task : tasks_.play) {
    const Due due = DueIn(task, span);
    if (due.start || due.end) RunPlay(task, due);
  }
  for (std::size_t i = 0; i < tasks_.record.size(); ++i) {
    const Due due = DueIn(tasks_.record[i], span);
    if (due.start || due.end) RunRecord(i, due);
  }
}

}  // namespace tazmel
