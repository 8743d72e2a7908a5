#include "schedule/talking_clock.h"

#include <algorithm>
#include <system_error>

#include "core/file_utils.h"

namespace tazmel {

namespace {

void ChineseNumberWords(int value, bool is_hour, std::vector<std::string>& out) {
  const int tens = value / 10;
  const int ones = value % 10;
  if (is_hour) {
    // 0 is "0"; 1x is "10 x"; 2x is "2 10 x".
    if (value == 0) {
      out.push_back("0");
      return;
    }
    if (tens == 2) out.push_back("2");
    if (tens >= 1) out.push_back("10");
    if (ones != 0) out.push_back(std::to_string(ones));
    return;
  }
  // Minutes: 0x is "0 x", 1x is "10 x", 2x..5x is "t 10 x".
  if (tens == 0 || tens > 1) out.push_back(std::to_string(tens));
  if (tens > 0) out.push_back("10");
  if (ones != 0) out.push_back(std::to_string(ones));
}

void EnglishNumberWords(int value, std::vector<std::string>& out) {
  if (value < 20) {
    out.push_back(std::to_string(value));
    return;
  }
  out.push_back(std::to_string(value / 10 * 10));
  if (value % 10 != 0) out.push_back(std::to_string(value % 10));
}

}  // namespace

ClockWording WordingForLanguage(std::string_view language_code) {
  std::string code(language_code);
  for (char& c : code) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return code == "eng" ? ClockWording::kEnglish : ClockWording::kChinese;
}

std::vector<std::string> ComposeAnnouncement(int hour, int minute, ClockWording wording) {
  hour = ((hour % 24) + 24) % 24;
  minute = ((minute % 60) + 60) % 60;
  std::vector<std::string> words{"now"};
  if (wording == ClockWording::kChinese) {
    ChineseNumberWords(hour, true, words);
    words.push_back("hour");
    if (minute == 0) {
      words.push_back("just");
    } else {
      ChineseNumberWords(minute, false, words);
      words.push_back("minute");
    }
    return words;
  }
  EnglishNumberWords(hour, words);
  if (minute == 0) {
    words.push_back("oclock");
  } else {
    if (minute < 10) words.push_back("oh");
    EnglishNumberWords(minute, words);
  }
  return words;
}

std::vector<std::string> AnnouncementWords(ClockWording wording) {
  std::vector<std::string> words{"now"};
  if (wording == ClockWording::kChinese) {
    for (int i = 0; i <= 10; ++i) words.push_back(std::to_string(i));
    words.insert(words.end(), {"hour", "minute", "just"});
    return words;
  }
  for (int i = 0; i < 20; ++i) words.push_back(std::to_string(i));
  for (int i = 20; i <= 50; i += 10) words.push_back(std::to_string(i));
  words.insert(words.end(), {"oh", "oclock"});
  return words;
}

std::vector<std::filesystem::path> AnnouncementFiles(const std::vector<std::string>& words,
                                                     const std::filesystem::path& sound_folder,
                                                     std::string_view language_code) {
  const std::filesystem::path own = FindNoCase(sound_folder, language_code);
  const std::filesystem::path shared = FindNoCase(sound_folder, "chs");
  std::vector<std::filesystem::path> files;
  for (const std::string& word : words) {
    for (const std::filesystem::path& folder : {own, shared}) {
      const std::filesystem::path file = FindNoCase(folder, word + ".wav");
      std::error_code ec;
      if (std::filesystem::is_regular_file(file, ec)) {
        files.push_back(file);
        break;
      }
    }
  }
  return files;
}

int EffectiveTalkInterval(int minutes) {
  if (minutes <= 0) return 60;
  return minutes > 1440 ? 1440 : minutes;
}

bool TalkClockDue(const TickSpan& span, int interval_minutes) {
  const std::int64_t step_ms = std::int64_t{EffectiveTalkInterval(interval_minutes)} * 60'000;
  // The multiples restart at every midnight, so a day that the interval
  // does not divide still begins with an announcement.
  const std::int64_t first_day = LocalDayOf(span.from_ms + 1);
  const std::int64_t last_day = LocalDayOf(span.to_ms);
  for (std::int64_t day = first_day; day <= last_day; ++day) {
    const TickSpan in_day{std::max(span.from_ms, day * kDayMs - 1), std::min(span.to_ms, (day + 1) * kDayMs - 1)};
    if (FirstPeriodicIn(in_day, step_ms, day * kDayMs)) return true;
  }
  return false;
}

}  // namespace tazmel
