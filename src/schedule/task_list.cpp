#include "schedule/task_list.h"

#include "core/clock.h"
#include "core/file_utils.h"
#include "core/text_utils.h"

namespace tazmel {

namespace {

// A task list holds a few dozen short lines; a file this large is not one.
constexpr std::uintmax_t kMaxTaskFileBytes = 8u << 20;

bool ReadDigits(std::string_view text, std::size_t pos, std::size_t count, int& value) {
  if (pos + count > text.size()) return false;
  value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// "hh:mm:ss" exactly.
bool ParseClock(std::string_view text, int& seconds_of_day) {
  int h = 0;
  int m = 0;
  int s = 0;
  if (text.size() != 8 || text[2] != ':' || text[5] != ':') return false;
  if (!ReadDigits(text, 0, 2, h) || !ReadDigits(text, 3, 2, m) || !ReadDigits(text, 6, 2, s)) return false;
  if (h > 23 || m > 59 || s > 59) return false;
  seconds_of_day = h * 3600 + m * 60 + s;
  return true;
}

// "yyyy-mm-dd" exactly, a real calendar date.
bool ParseDate(std::string_view text, TaskMoment& moment) {
  int y = 0;
  int mo = 0;
  int d = 0;
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  if (!ReadDigits(text, 0, 4, y) || !ReadDigits(text, 5, 2, mo) || !ReadDigits(text, 8, 2, d)) return false;
  if (y < 1 || mo < 1 || mo > 12 || d < 1) return false;
  int cy = 0;
  int cm = 0;
  int cd = 0;
  CivilFromDays(DaysFromCivil(y, mo, d), cy, cm, cd);
  if (cy != y || cm != mo || cd != d) return false;  // 2026-02-30 and the like
  moment.year = y;
  moment.month = mo;
  moment.day = d;
  return true;
}

bool ParseMoment(std::string_view text, TaskFrequency frequency, TaskMoment& moment) {
  switch (frequency) {
    case TaskFrequency::kOnce:
      return text.size() == 19 && text[10] == ',' && ParseDate(text.substr(0, 10), moment) &&
             ParseClock(text.substr(11), moment.seconds_of_day);
    case TaskFrequency::kDaily:
      return ParseClock(text, moment.seconds_of_day);
    case TaskFrequency::kWeekly:
      if (text.size() != 10 || text[1] != ',' || text[0] < '0' || text[0] > '6') return false;
      moment.weekday = text[0] - '0';
      return ParseClock(text.substr(2), moment.seconds_of_day);
  }
  return false;
}

std::string ClockText(int s) { return ZeroPad(s / 3600, 2) + ":" + ZeroPad(s / 60 % 60, 2) + ":" + ZeroPad(s % 60, 2); }

std::string MomentText(const TaskMoment& m, TaskFrequency frequency) {
  switch (frequency) {
    case TaskFrequency::kOnce:
      return ZeroPad(m.year, 4) + "-" + ZeroPad(m.month, 2) + "-" + ZeroPad(m.day, 2) + "," +
             ClockText(m.seconds_of_day);
    case TaskFrequency::kDaily:
      return ClockText(m.seconds_of_day);
    case TaskFrequency::kWeekly:
      return std::to_string(m.weekday) + "," + ClockText(m.seconds_of_day);
  }
  return {};
}

std::int64_t OnceInstant(const TaskMoment& m) {
  return DaysFromCivil(m.year, m.month, m.day) * 86400 + m.seconds_of_day;
}

}  // namespace

TaskProblem CheckTask(const Task& task) {
  if (task.name.empty()) return TaskProblem::kEmptyName;
  switch (task.frequency) {
    case TaskFrequency::kOnce:
      if (OnceInstant(task.end) <= OnceInstant(task.start)) return TaskProblem::kEndNotAfterStart;
      break;
    case TaskFrequency::kDaily:
      if (task.end.seconds_of_day == task.start.seconds_of_day) return TaskProblem::kEndNotAfterStart;
      break;
    case TaskFrequency::kWeekly:
      if (task.end.weekday == task.start.weekday && task.end.seconds_of_day == task.start.seconds_of_day) {
        return TaskProblem::kEndNotAfterStart;
      }
      break;
  }
  return TaskProblem::kNone;
}

std::string CleanTaskName(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

int TaskStationId(std::string_view name) {
  const std::size_t dash = name.find('-');
  return ParseInteger(name.substr(0, dash)).value_or(0);
}

std::string TaskTimeText(const Task& task) {
  return MomentText(task.start, task.frequency) + " ~ " + MomentText(task.end, task.frequency);
}

bool ParseTaskTimeText(std::string_view text, TaskFrequency frequency, TaskMoment& start, TaskMoment& end) {
  const std::size_t sep = text.find(" ~ ");
  if (sep == text.npos) return false;
  TaskMoment s;
  TaskMoment e;
  if (!ParseMoment(text.substr(0, sep), frequency, s) || !ParseMoment(text.substr(sep + 3), frequency, e)) {
    return false;
  }
  start = s;
  end = e;
  return true;
}

std::string FormatTaskLine(const Task& task) {
  return std::string(task.enabled ? "1" : "0") + "\t" + std::to_string(static_cast<int>(task.action)) + "\t" +
         CleanTaskName(task.name) + "\t" + std::to_string(static_cast<int>(task.frequency)) + "\t" + TaskTimeText(task);
}

std::optional<Task> ParseTaskLine(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  for (int i = 0; i < 4; ++i) {
    const std::size_t tab = line.find('\t', pos);
    if (tab == line.npos) return std::nullopt;
    fields.push_back(line.substr(pos, tab - pos));
    pos = tab + 1;
  }
  const std::string_view time_text = line.substr(pos);
  Task task;
  // Anything but "0" has always counted as checked.
  task.enabled = fields[0] != "0";
  if (fields[1] == "0") {
    task.action = TaskAction::kPlay;
  } else if (fields[1] == "1") {
    task.action = TaskAction::kRecord;
  } else {
    return std::nullopt;
  }
  task.name = std::string(fields[2]);
  if (fields[3].size() != 1 || fields[3][0] < '0' || fields[3][0] > '2') return std::nullopt;
  task.frequency = static_cast<TaskFrequency>(fields[3][0] - '0');
  if (!ParseTaskTimeText(time_text, task.frequency, task.start, task.end)) return std::nullopt;
  return task;
}

std::vector<Task> TaskFile::Tasks() const {
  std::vector<Task> out;
  for (const Entry& entry : entries) {
    if (entry.task) out.push_back(*entry.task);
  }
  return out;
}

void TaskFile::SetTasks(const std::vector<Task>& tasks) {
  // Each kept line goes back after as many tasks as stood before it.
  std::vector<std::pair<std::size_t, std::string>> kept;
  std::size_t readable = 0;
  for (Entry& entry : entries) {
    if (entry.task) {
      ++readable;
    } else {
      kept.emplace_back(readable, std::move(entry.raw));
    }
  }
  entries.clear();
  std::size_t next_kept = 0;
  for (std::size_t i = 0; i <= tasks.size(); ++i) {
    while (next_kept < kept.size() && (kept[next_kept].first <= i || i == tasks.size())) {
      entries.push_back({std::nullopt, std::move(kept[next_kept].second)});
      ++next_kept;
    }
    if (i < tasks.size()) {
      Task task = tasks[i];
      task.name = CleanTaskName(task.name);
      entries.push_back({task, FormatTaskLine(task)});
    }
  }
}

TaskFile ParseTaskFile(std::string_view text) {
  TaskFile file;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    std::string_view line = text.substr(pos, end == text.npos ? text.npos : end - pos);
    pos = end == text.npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    file.entries.push_back({ParseTaskLine(line), std::string(line)});
  }
  return file;
}

std::string FormatTaskFile(const TaskFile& file) {
  std::string out;
  for (const TaskFile::Entry& entry : file.entries) {
    out += entry.task ? FormatTaskLine(*entry.task) : entry.raw;
    out += "\r\n";
  }
  return out;
}

std::optional<TaskFile> LoadTaskFile(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return ec ? std::nullopt : std::optional<TaskFile>(TaskFile{});
  std::optional<std::string> text = ReadWholeFile(path, kMaxTaskFileBytes);
  if (!text) return std::nullopt;
  return ParseTaskFile(*text);
}

bool SaveTaskFile(const std::filesystem::path& path, const TaskFile& file) {
  return WriteFileAtomically(path, FormatTaskFile(file));
}

}  // namespace tazmel
