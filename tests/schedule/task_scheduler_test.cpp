#include "schedule/task_scheduler.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "schedule/zone.h"
#include "support/manual_clock.h"

namespace tazmel {
namespace {

using std::chrono::milliseconds;

// Records what the tasks asked for. The recorder runs one recording at a
// time and numbers each one it starts.
class FakeActions : public TaskActionPort {
 public:
  void PlayStation(int station_id) override { log.push_back("play " + std::to_string(station_id)); }
  void StopPlay() override { log.push_back("stop play"); }
  std::uint64_t StartRecording(const std::string& file) override {
    if (recording != 0) {
      log.push_back("record refused " + file);
      return 0;
    }
    recording = ++serial;
    log.push_back("record " + file + " #" + std::to_string(recording));
    return recording;
  }
  void StopRecording(std::uint64_t which) override {
    log.push_back("stop record #" + std::to_string(which));
    if (which == recording) recording = 0;
  }
  // The user starts a recording by hand.
  void UserRecords() {
    recording = ++serial;
    log.push_back("user record #" + std::to_string(recording));
  }

  std::vector<std::string> log;
  std::uint64_t recording = 0;
  std::uint64_t serial = 0;
};

Task MakeTask(TaskAction action, std::string name, TaskFrequency frequency, TaskMoment start, TaskMoment end) {
  Task task;
  task.action = action;
  task.name = std::move(name);
  task.frequency = frequency;
  task.start = start;
  task.end = end;
  return task;
}

// Runs one-second ticks (plus a phase) over local wall time from `from` for
// `seconds`, in UTC so that the spans are plain.
class Ticker {
 public:
  Ticker(TaskScheduler& scheduler, std::int64_t utc_ms) : scheduler_(scheduler), clock_(utc_ms) {}
  void Run(std::int64_t seconds) {
    for (std::int64_t i = 0; i < seconds; ++i) {
      if (const auto span = window_.Advance(clock_.LocalNow())) scheduler_.CheckTasks(*span);
      clock_.Advance(milliseconds(1000));
    }
  }
  test::ManualClock& Clock() { return clock_; }

 private:
  TaskScheduler& scheduler_;
  test::ManualClock clock_;
  TickWindow window_;
};

constexpr std::int64_t kSecond = 1000;
std::int64_t UtcMs(int y, int mo, int d, int h, int mi, int s) {
  return (DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s) * kSecond;
}

class TaskSchedulerTest : public ::testing::Test {
 protected:
  test::ScopedZone zone_{"UTC0"};
  FakeActions actions_;
  TaskScheduler scheduler_{actions_};
};

// Sunday 2026-12-13 08:00 to 09:00, run over a whole week.
TEST_F(TaskSchedulerTest, WeeklyTaskRunsOnItsWeekdayOnly) {
  scheduler_.SetTasks(BuildRunTimeTasks({MakeTask(TaskAction::kPlay, "42-Jazz", TaskFrequency::kWeekly,
                                                  {2000, 1, 1, 0, 8 * 3600}, {2000, 1, 1, 0, 9 * 3600})}));
  Ticker ticker(scheduler_, UtcMs(2026, 12, 10, 0, 0, 0) + 300);  // a Thursday
  std::vector<std::string> by_day;
  for (int day = 0; day < 7; ++day) {
    actions_.log.clear();
    ticker.Run(86400);
    std::string joined;
    for (const std::string& entry : actions_.log) joined += entry + ";";
    by_day.push_back(joined);
  }
  EXPECT_EQ(by_day, (std::vector<std::string>{"", "", "", "play 42;stop play;", "", "", ""}));
}

TEST_F(TaskSchedulerTest, OnceTaskRunsOnItsDateAndAPastOneNever) {
  scheduler_.SetTasks(BuildRunTimeTasks(
      {MakeTask(TaskAction::kPlay, "7-News", TaskFrequency::kOnce, {2026, 12, 11, 0, 60}, {2026, 12, 11, 0, 120}),
       MakeTask(TaskAction::kPlay, "8-Old", TaskFrequency::kOnce, {2026, 12, 9, 0, 60}, {2026, 12, 9, 0, 120})}));
  Ticker ticker(scheduler_, UtcMs(2026, 12, 10, 0, 0, 30));
  ticker.Run(2 * 86400);
  EXPECT_EQ(actions_.log, (std::vector<std::string>{"play 7", "stop play"}));
}

TEST_F(TaskSchedulerTest, DisabledAndNeverEndingTasksStayOut) {
  Task disabled = MakeTask(TaskAction::kPlay, "1-A", TaskFrequency::kDaily, {2000, 1, 1, 0, 60}, {2000, 1, 1, 0, 120});
  disabled.enabled = false;
  const Task endless =
      MakeTask(TaskAction::kPlay, "2-B", TaskFrequency::kOnce, {2026, 12, 10, 0, 60}, {2026, 12, 10, 0, 60});
  const Task record =
      MakeTask(TaskAction::kRecord, "r.wav", TaskFrequency::kDaily, {2000, 1, 1, 0, 60}, {2000, 1, 1, 0, 120});
  const RunTimeTasks lists = BuildRunTimeTasks({disabled, endless, record});
  EXPECT_TRUE(lists.play.empty());
  EXPECT_EQ(lists.record, std::vector<Task>{record});
}

// The end of a record task used to stop whatever was recording.
TEST_F(TaskSchedulerTest, RecordTaskStopsOnlyTheRecordingItStarted) {
  scheduler_.SetTasks(BuildRunTimeTasks(
      {MakeTask(TaskAction::kRecord, "a.wav", TaskFrequency::kDaily, {2000, 1, 1, 0, 60}, {2000, 1, 1, 0, 120}),
       MakeTask(TaskAction::kRecord, "b.wav", TaskFrequency::kDaily, {2000, 1, 1, 0, 90}, {2000, 1, 1, 0, 300})}));
  Ticker ticker(scheduler_, UtcMs(2026, 12, 10, 0, 0, 30));
  ticker.Run(100);  // to 00:02:10: a starts, b is refused, a stops
  EXPECT_EQ(actions_.log, (std::vector<std::string>{"record a.wav #1", "record refused b.wav", "stop record #1"}));

  // The user records by hand; b's end does not touch it.
  actions_.log.clear();
  actions_.UserRecords();
  ticker.Run(400);
  EXPECT_EQ(actions_.log, (std::vector<std::string>{"user record #2"}));
  EXPECT_EQ(actions_.recording, 2u);
}

TEST_F(TaskSchedulerTest, ReloadKeepsTheRecordingOfAnUnchangedTask) {
  const Task record =
      MakeTask(TaskAction::kRecord, "a.wav", TaskFrequency::kDaily, {2000, 1, 1, 0, 60}, {2000, 1, 1, 0, 120});
  scheduler_.SetTasks(BuildRunTimeTasks({record}));
  Ticker ticker(scheduler_, UtcMs(2026, 12, 10, 0, 0, 30));
  ticker.Run(40);
  // Apply with a new task in front: the running one is still known.
  scheduler_.SetTasks(BuildRunTimeTasks(
      {MakeTask(TaskAction::kPlay, "1-A", TaskFrequency::kDaily, {2000, 1, 1, 0, 3600}, {2000, 1, 1, 0, 7200}),
       record}));
  ticker.Run(60);
  EXPECT_EQ(actions_.log, (std::vector<std::string>{"record a.wav #1", "stop record #1"}));
}

TEST_F(TaskSchedulerTest, EndRunsBeforeStartAtTheSameMomentAndTimeOrderWithinOneSpan) {
  // One task ends at 00:01:00 as the next begins.
  scheduler_.SetTasks(BuildRunTimeTasks(
      {MakeTask(TaskAction::kPlay, "1-A", TaskFrequency::kDaily, {2000, 1, 1, 0, 60}, {2000, 1, 1, 0, 30}),
       MakeTask(TaskAction::kPlay, "2-B", TaskFrequency::kDaily, {2000, 1, 1, 0, 30}, {2000, 1, 1, 0, 62})}));
  TickWindow window;
  (void)window.Advance(LocalTimeFromUtc(UtcMs(2026, 12, 10, 0, 0, 20)));
  // A late tick covering 00:00:20 .. 00:01:05: each task in the order of
  // its own moments.
  const auto span = window.Advance(LocalTimeFromUtc(UtcMs(2026, 12, 10, 0, 1, 5)));
  ASSERT_TRUE(span);
  scheduler_.CheckTasks(*span);
  EXPECT_EQ(actions_.log, (std::vector<std::string>{"stop play", "play 1", "play 2", "stop play"}));
}

}  // namespace
}  // namespace tazmel
