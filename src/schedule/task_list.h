#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// The values stored in Tasklist.dat; the window shows translated texts for
// them but keeps these values with its items.
enum class TaskAction : std::uint8_t { kPlay = 0, kRecord = 1 };
enum class TaskFrequency : std::uint8_t { kOnce = 0, kDaily = 1, kWeekly = 2 };

// One end of a task. A Once task uses the date, a Weekly task the weekday,
// every task the time of day.
struct TaskMoment {
  int year = 2000;
  int month = 1;
  int day = 1;
  int weekday = 0;  // 0 Sunday .. 6 Saturday
  int seconds_of_day = 0;
  bool operator==(const TaskMoment&) const = default;
};

struct Task {
  bool enabled = true;
  TaskAction action = TaskAction::kPlay;
  // Play: "<station id>-<station name>"; Record: the record file.
  std::string name;
  TaskFrequency frequency = TaskFrequency::kOnce;
  TaskMoment start;
  TaskMoment end;
  bool operator==(const Task&) const = default;
};

// Why a task cannot be scheduled.
enum class TaskProblem : std::uint8_t {
  kNone,
  // A Once task whose end is not after its start would start and never
  // stop; any task whose end equals its start likewise.
  kEndNotAfterStart,
  kEmptyName,
};
TaskProblem CheckTask(const Task& task);

// The name as it can be stored: TAB, CR and LF would split the line, so each
// becomes a blank.
std::string CleanTaskName(std::string_view name);

// The station a play task plays: the number before the first "-" of its
// name, 0 when that is not a number.
int TaskStationId(std::string_view name);

// The fifth field in the file's fixed form:
// Once   "yyyy-mm-dd,hh:mm:ss ~ yyyy-mm-dd,hh:mm:ss"
// Daily  "hh:mm:ss ~ hh:mm:ss"
// Weekly "w,hh:mm:ss ~ w,hh:mm:ss" with w 0 (Sunday) .. 6.
std::string TaskTimeText(const Task& task);
// Reads it back; false when it is not in that form or holds an impossible
// date or time.
bool ParseTaskTimeText(std::string_view text, TaskFrequency frequency, TaskMoment& start, TaskMoment& end);

// One line of the file without its line end, and back.
std::string FormatTaskLine(const Task& task);
std::optional<Task> ParseTaskLine(std::string_view line);

// The whole file. A line that cannot be read is kept, word for word and in
// its place, so that writing the list back loses nothing.
struct TaskFile {
  struct Entry {
    std::optional<Task> task;  // empty for a line that cannot be read
    std::string raw;           // that line as it stood
  };
  std::vector<Entry> entries;

  std::vector<Task> Tasks() const;
  // Replaces the readable tasks by `tasks` (in the new order) and keeps the
  // unreadable lines where they stood among them, the rest at the end.
  void SetTasks(const std::vector<Task>& tasks);
};

TaskFile ParseTaskFile(std::string_view text);
// CR LF after every line.
std::string FormatTaskFile(const TaskFile& file);

inline constexpr std::string_view kTaskFileName = "Tasklist.dat";
// A missing file is an empty list; nullopt when the file exists but cannot
// be read.
std::optional<TaskFile> LoadTaskFile(const std::filesystem::path& path);
// Writes the whole file under a temporary name and renames it into place.
bool SaveTaskFile(const std::filesystem::path& path, const TaskFile& file);

}  // namespace tazmel
