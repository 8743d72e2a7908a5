#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/tick_window.h"

namespace tazmel {

// How a language reads the time aloud.
enum class ClockWording : unsigned char {
  // Counting in tens like Chinese numerals: 23:47 is "now 2 10 3 hour
  // 4 10 7 minute", a full hour ends in "just".
  kChinese,
  // 24-hour English: 23:47 is "now 20 3 40 7", 09:05 "now 9 oh 5",
  // 10:00 "now 10 oclock"; numbers below 20 are single words.
  kEnglish,
};

// English for "eng", the Chinese counting for every other language (the
// only wording the shared "chs" words can speak).
ClockWording WordingForLanguage(std::string_view language_code);

// The words, as sound file names without ".wav", that announce h:m
// (0..23, 0..59; other values are taken modulo). Both come from one
// reading of the clock, so the minute cannot move on between the hour and
// the minute.
std::vector<std::string> ComposeAnnouncement(int hour, int minute, ClockWording wording = ClockWording::kChinese);

// Every word a wording can use, for the script that makes the word files
// and for checking a shipped set is complete.
std::vector<std::string> AnnouncementWords(ClockWording wording);

// The files to play: each word from sound/<code>/, else from sound/chs/;
// a word found in neither is left out and the rest is still spoken. The
// file name is matched without regard to case.
std::vector<std::filesystem::path> AnnouncementFiles(const std::vector<std::string>& words,
                                                     const std::filesystem::path& sound_folder,
                                                     std::string_view language_code);

// TalkClockInterval as used: 0 or less (only possible by editing the
// settings) means 60, and more than a day means once a day at midnight.
int EffectiveTalkInterval(int minutes);

// Whether an automatic announcement is due in the tick's span: at every
// full multiple of the interval counted from midnight, exactly once each.
bool TalkClockDue(const TickSpan& span, int interval_minutes);

}  // namespace tazmel
