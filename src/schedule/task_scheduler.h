#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "schedule/task_list.h"
#include "schedule/tick_window.h"

namespace tazmel {

// What the tasks do, carried out by the player and the recorder.
class TaskActionPort {
 public:
  virtual ~TaskActionPort() = default;
  // Stops what plays and plays the station.
  virtual void PlayStation(int station_id) = 0;
  virtual void StopPlay() = 0;
  // Starts recording into the file. Returns a non-zero number naming the
  // recording it started, or 0 when it started none (one already runs, or
  // the recorder failed).
  virtual std::uint64_t StartRecording(const std::string& file) = 0;
  // Stops the recording of that number if it still runs; any other
  // recording goes on.
  virtual void StopRecording(std::uint64_t recording) = 0;
};

// The enabled tasks the check timer compares with the clock: play tasks and
// record tasks, each list in file order.
struct RunTimeTasks {
  std::vector<Task> play;
  std::vector<Task> record;
};
// Tasks that are disabled or refused by CheckTask stay out.
RunTimeTasks BuildRunTimeTasks(const std::vector<Task>& tasks);

class TaskScheduler {
 public:
  explicit TaskScheduler(TaskActionPort& actions) : actions_(actions) {}

  // Replaces the lists (at start-up and after every Apply). A record task
  // that is still the same keeps the recording it started, so that its end
  // still stops it.
  void SetTasks(RunTimeTasks tasks);
  const RunTimeTasks& Tasks() const { return tasks_; }

  // Runs the ends and starts that fall in the tick's span: play tasks first,
  // then record tasks, each in list order; within one task in time order,
  // an end before a start at the same moment.
  void CheckTasks(const TickSpan& span);

 private:
  struct Due {
    bool start = false;
    bool end = false;
    bool start_first = false;  // both due, the start the earlier
  };
  static Due DueIn(const Task& task, const TickSpan& span);
  void RunPlay(const Task& task, const Due& due);
  void RunRecord(std::size_t index, const Due& due);

  TaskActionPort& actions_;
  RunTimeTasks tasks_;
  std::vector<std::uint64_t> recordings_;  // per record task, 0 for none
};

}  // namespace tazmel
