#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tazmel {

// Player time texts for a number of seconds (empty for negative values).
// TimeText pads every part to two digits: 61 -> "00:01:01",
// 90061 -> "01:01:01:01". DurationText uses plain numbers: 61 -> "1:1".
std::string TimeText(long long seconds);
std::string DurationText(long long seconds);

// "yyyy-mm-dd hh.nn.ss" of the given local time, for file names.
std::string TimeStampText(const std::tm& local);
std::string TimeStampText();  // now

// Time of day as seconds since midnight, written "H:MM:SS". Reading accepts
// "H:MM:SS" and "H:MM"; anything else is nullopt.
std::string FormatTimeOfDay(int seconds_of_day);
std::optional<int> ParseTimeOfDay(std::string_view text);

// Date-time numbers: days since 1899-12-30, the fraction being the time of
// day, in local time. Written with "." as decimal separator whatever the
// locale, so files move between machines.
double DateTimeNumberFromTime(std::time_t t);
std::time_t TimeFromDateTimeNumber(double days);
double NowDateTimeNumber();
std::string FormatDateTimeNumber(double days);
std::optional<double> ParseDateTimeNumber(std::string_view text);

}  // namespace tazmel
