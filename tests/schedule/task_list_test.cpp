#include "schedule/task_list.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/file_utils.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::string_literals;

Task OnceTask() {
  Task t;
  t.action = TaskAction::kPlay;
  t.name = "1234-Jazz";
  t.frequency = TaskFrequency::kOnce;
  t.start = {2026, 12, 24, 0, 20 * 3600};
  t.end = {2026, 12, 24, 0, 21 * 3600 + 30 * 60 + 5};
  return t;
}

TEST(TaskListTest, LinesReadAndWriteInTheFixedForm) {
  struct Case {
    std::string line;
    TaskAction action;
    TaskFrequency frequency;
    TaskMoment start, end;
  };
  const Case cases[] = {
      {"1\t0\t1234-Jazz\t0\t2026-12-24,20:00:00 ~ 2026-12-25,01:02:03",
       TaskAction::kPlay,
       TaskFrequency::kOnce,
       {2026, 12, 24, 0, 72000},
       {2026, 12, 25, 0, 3723}},
      {"0\t1\t/home/u/Rec/news.mp3\t1\t07:00:00 ~ 07:30:00",
       TaskAction::kRecord,
       TaskFrequency::kDaily,
       {2000, 1, 1, 0, 25200},
       {2000, 1, 1, 0, 27000}},
      {"1\t1\tnews.wav\t2\t0,08:00:00 ~ 6,23:59:59",
       TaskAction::kRecord,
       TaskFrequency::kWeekly,
       {2000, 1, 1, 0, 28800},
       {2000, 1, 1, 6, 86399}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const std::optional<Task> task = ParseTaskLine(c.line);
    ASSERT_TRUE(task);
    EXPECT_EQ(task->action, c.action);
    EXPECT_EQ(task->frequency, c.frequency);
    EXPECT_EQ(task->start, c.start);
    EXPECT_EQ(task->end, c.end);
    EXPECT_EQ(FormatTaskLine(*task), c.line);
  }
}

TEST(TaskListTest, UnreadableLinesAreRefused) {
  const char* lines[] = {
      "1\t0\t1-A\t0",                                             // no time
      "1\t0\t1-A\t3\t07:00:00 ~ 08:00:00",                        // frequency
      "1\t2\t1-A\t1\t07:00:00 ~ 08:00:00",                        // action
      "1\t0\t1-A\t1\t7:00:00 ~ 08:00:00",                         // one-digit hour
      "1\t0\t1-A\t1\t24:00:00 ~ 08:00:00",                        // hour
      "1\t0\t1-A\t1\t07:00:00~08:00:00",                          // separator
      "1\t0\t1-A\t0\t2026-02-30,07:00:00 ~ 2026-03-01,08:00:00",  // no such day
      "1\t0\t1-A\t2\t7,07:00:00 ~ 0,08:00:00",                    // weekday
      "1\t0\t1-A\t2\tSunday,07:00:00 ~ Sunday,08:00:00",          // a weekday name
      "1\t0\t1-A\t1\t07:00:00 ~ 08:00:00 ",                       // trailing blank
  };
  for (const char* line : lines) EXPECT_FALSE(ParseTaskLine(line)) << line;
}

// A bad line used to stop the loading, and Apply then wrote back only what
// was read before it.
TEST(TaskListTest, BadLinesAreSkippedAndWrittenBackInPlace) {
  const std::string text =
      "1\t0\t1-A\t1\t07:00:00 ~ 08:00:00\r\n"
      "garbage line\r\n"
      "1\t0\t2-B\t1\t09:00:00 ~ 10:00:00\r\n"
      "\r\n"
      "1\t0\t3-C\t7\t09:00:00 ~ 10:00:00\n"
      "0\t1\trec.wav\t1\t11:00:00 ~ 12:00:00";
  TaskFile file = ParseTaskFile(text);
  ASSERT_EQ(file.entries.size(), 5u);
  const std::vector<Task> tasks = file.Tasks();
  ASSERT_EQ(tasks.size(), 3u);
  EXPECT_EQ(tasks[0].name, "1-A");
  EXPECT_EQ(tasks[1].name, "2-B");
  EXPECT_EQ(tasks[2].name, "rec.wav");
  EXPECT_EQ(FormatTaskFile(file),
            "1\t0\t1-A\t1\t07:00:00 ~ 08:00:00\r\n"
            "garbage line\r\n"
            "1\t0\t2-B\t1\t09:00:00 ~ 10:00:00\r\n"
            "1\t0\t3-C\t7\t09:00:00 ~ 10:00:00\r\n"
            "0\t1\trec.wav\t1\t11:00:00 ~ 12:00:00\r\n");

  // The window deletes the first task and appends one: the kept lines stay
  // after as many tasks as stood before them, or at the end.
  Task added = tasks[0];
  added.name = "9-Z";
  file.SetTasks({tasks[1], tasks[2], added});
  EXPECT_EQ(FormatTaskFile(file),
            "1\t0\t2-B\t1\t09:00:00 ~ 10:00:00\r\n"
            "garbage line\r\n"
            "0\t1\trec.wav\t1\t11:00:00 ~ 12:00:00\r\n"
            "1\t0\t3-C\t7\t09:00:00 ~ 10:00:00\r\n"
            "1\t0\t9-Z\t1\t07:00:00 ~ 08:00:00\r\n");
  file.SetTasks({});
  EXPECT_EQ(FormatTaskFile(file), "garbage line\r\n1\t0\t3-C\t7\t09:00:00 ~ 10:00:00\r\n");
}

TEST(TaskListTest, AnyFirstFieldButZeroIsChecked) {
  for (const auto& [field, enabled] :
       {std::pair<const char*, bool>{"1", true}, {"0", false}, {"x", true}, {"", true}}) {
    const auto task = ParseTaskLine(std::string(field) + "\t0\t1-A\t1\t07:00:00 ~ 08:00:00");
    ASSERT_TRUE(task) << field;
    EXPECT_EQ(task->enabled, enabled) << field;
  }
}

TEST(TaskListTest, NamesLoseLineBreaksAndTabs) {
  EXPECT_EQ(CleanTaskName("a\tb\rc\nd"), "a b c d");
  Task task = OnceTask();
  task.name = "12-Evil\t1\t0\r\n1\t1\tx";
  const std::string line = FormatTaskLine(task);
  EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
  const std::optional<Task> back = ParseTaskLine(line);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->name, "12-Evil 1 0  1 1 x");
  EXPECT_EQ(back->start, task.start);
}

TEST(TaskListTest, StationIdIsTheNumberBeforeTheFirstDash) {
  EXPECT_EQ(TaskStationId("1234-Jazz-FM"), 1234);
  EXPECT_EQ(TaskStationId("100001-Mine"), 100001);
  EXPECT_EQ(TaskStationId("Jazz"), 0);
  EXPECT_EQ(TaskStationId("x1-Jazz"), 0);
  EXPECT_EQ(TaskStationId("-Jazz"), 0);
}

TEST(TaskListTest, TasksThatWouldNeverStopAreRefused) {
  Task once = OnceTask();
  EXPECT_EQ(CheckTask(once), TaskProblem::kNone);
  once.end = once.start;
  EXPECT_EQ(CheckTask(once), TaskProblem::kEndNotAfterStart);
  once.end = {2026, 12, 23, 0, 23 * 3600};  // the day before, later in the day
  EXPECT_EQ(CheckTask(once), TaskProblem::kEndNotAfterStart);
  once.end = {2026, 12, 25, 0, 60};  // past midnight
  EXPECT_EQ(CheckTask(once), TaskProblem::kNone);

  Task daily = OnceTask();
  daily.frequency = TaskFrequency::kDaily;
  daily.end.seconds_of_day = 3600;  // ends after midnight: fine
  EXPECT_EQ(CheckTask(daily), TaskProblem::kNone);
  daily.end.seconds_of_day = daily.start.seconds_of_day;
  EXPECT_EQ(CheckTask(daily), TaskProblem::kEndNotAfterStart);
  daily.name.clear();
  daily.end.seconds_of_day = 0;
  EXPECT_EQ(CheckTask(daily), TaskProblem::kEmptyName);
}

TEST(TaskListTest, FileLoadsSavesWholeAndReportsUnreadable) {
  test::TempDir dir;
  const std::filesystem::path path = dir.path() / std::string(kTaskFileName);
  const std::optional<TaskFile> missing = LoadTaskFile(path);
  ASSERT_TRUE(missing);
  EXPECT_TRUE(missing->entries.empty());

  TaskFile file;
  file.SetTasks({OnceTask()});
  ASSERT_TRUE(SaveTaskFile(path, file));
  EXPECT_EQ(ReadWholeFile(path), "1\t0\t1234-Jazz\t0\t2026-12-24,20:00:00 ~ 2026-12-24,21:30:05\r\n"s);
  // Only the file itself is left in the folder: no temporary.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1);
  const std::optional<TaskFile> loaded = LoadTaskFile(path);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->Tasks(), std::vector<Task>{OnceTask()});

  // A folder in its place cannot be read: that is not an empty list.
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  EXPECT_FALSE(LoadTaskFile(path));
  EXPECT_FALSE(SaveTaskFile(path, file));
}

}  // namespace
}  // namespace tazmel
