#include "core/time_utils.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "core/text_utils.h"

namespace tazmel {

std::string TimeText(long long s) {
  if (s < 0) return {};
  const long long days = s / 86400;
  std::string out;
  if (s >= 86400) out = ZeroPad(days, 2) + ":";
  out += ZeroPad(s / 3600 % 24, 2) + ":" + ZeroPad(s / 60 % 60, 2) + ":" + ZeroPad(s % 60, 2);
  return out;
}

std::string DurationText(long long s) {
  if (s < 0) return {};
  if (s == 0) return "00:00:00";
  const std::string sec = std::to_string(s % 60);
  if (s < 60) return sec;
  const std::string min = std::to_string(s / 60 % 60);
  if (s < 3600) return min + ":" + sec;
  const std::string hour = std::to_string(s / 3600 % 24);
  if (s < 86400) return hour + ":" + min + ":" + sec;
  return std::to_string(s / 86400) + ":" + hour + ":" + min + ":" + sec;
}

std::string TimeStampText(const std::tm& t) {
  char buffer[96];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d.%02d.%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                t.tm_hour, t.tm_min, t.tm_sec);
  return buffer;
}

std::string TimeStampText() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return TimeStampText(local);
}

std::string FormatTimeOfDay(int s) {
  s = ((s % 86400) + 86400) % 86400;
  return std::to_string(s / 3600) + ":" + ZeroPad(s / 60 % 60, 2) + ":" + ZeroPad(s % 60, 2);
}

std::optional<int> ParseTimeOfDay(std::string_view text) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  while (count < 3) {
    std::size_t colon = text.find(':');
    std::string_view part = text.substr(0, colon);
    if (part.empty() || part.size() > 2) return std::nullopt;
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
    }
    std::from_chars(part.data(), part.data() + part.size(), parts[count++]);
    if (colon == text.npos) break;
    text.remove_prefix(colon + 1);
    if (count == 3) return std::nullopt;
  }
  if (count < 2 || parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return std::nullopt;
  return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

namespace {
// Days from 1899-12-30 to 1970-01-01.
constexpr double kUnixEpochDays = 25569.0;
// The representable range: years 100 to 9999.
constexpr double kMinDateTimeNumber = -657434.0;
constexpr double kMaxDateTimeNumber = 2958466.0;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}
}  // namespace

double DateTimeNumberFromTime(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  const long long days = DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                       static_cast<unsigned>(local.tm_mday));
  const double fraction = (local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec) / 86400.0;
  const double whole = static_cast<double>(days) + kUnixEpochDays;
  return whole < 0 ? whole - fraction : whole + fraction;
}

std::time_t TimeFromDateTimeNumber(double days) {
  if (!(days >= kMinDateTimeNumber && days < kMaxDateTimeNumber)) days = kUnixEpochDays;
  // Before 1899-12-30 the whole part still counts days and the fraction,
  // without its sign, the time of day: -1.25 is 1899-12-29 06:00.
  const double whole = std::trunc(days);
  const long long unix_days = static_cast<long long>(whole - kUnixEpochDays);
  const int secs = static_cast<int>(std::lround(std::fabs(days - whole) * 86400.0));
  std::tm local{};
  // Let mktime normalise the day count into a calendar date, in local time.
  local.tm_year = 70;
  local.tm_mon = 0;
  local.tm_mday = static_cast<int>(1 + unix_days);
  local.tm_sec = secs;
  local.tm_isdst = -1;
  return std::mktime(&local);
}

double NowDateTimeNumber() { return DateTimeNumberFromTime(std::time(nullptr)); }

std::string FormatDateTimeNumber(double days) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, days, std::chars_format::general, 15);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

std::optional<double> ParseDateTimeNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() ||
      !(value >= kMinDateTimeNumber && value < kMaxDateTimeNumber)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace tazmel
