#include "core/time_utils.h"

#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace tazmel {
namespace {

TEST(TimeTextTest, Table) {
  struct Case {
    long long seconds;
    const char* time_text;
    const char* duration_text;
  } cases[] = {
      {-1, "", ""},
      {0, "00:00:00", "00:00:00"},
      {59, "00:00:59", "59"},
      {61, "00:01:01", "1:1"},
      {3600, "01:00:00", "1:0:0"},
      {3661, "01:01:01", "1:1:1"},
      {86399, "23:59:59", "23:59:59"},
      {90061, "01:01:01:01", "1:1:1:1"},
      {100LL * 86400, "100:00:00:00", "100:0:0:0"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TimeText(c.seconds), c.time_text) << c.seconds;
    EXPECT_EQ(DurationText(c.seconds), c.duration_text) << c.seconds;
  }
}

TEST(TimeStampTextTest, FileNameFriendly) {
  std::tm t{};
  t.tm_year = 2007 - 1900;
  t.tm_mon = 10;
  t.tm_mday = 6;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 3;
  EXPECT_EQ(TimeStampText(t), "2007-11-06 09.05.03");
}

// Times of day round-trip through "H:MM:SS"; foreign forms give nothing.
TEST(TimeOfDayTest, FormatAndParse) {
  EXPECT_EQ(FormatTimeOfDay(0), "0:00:00");
  EXPECT_EQ(FormatTimeOfDay(23 * 3600 + 59 * 60 + 58), "23:59:58");
  for (int s : {0, 1, 59, 3600, 45296, 86399}) EXPECT_EQ(ParseTimeOfDay(FormatTimeOfDay(s)), s);
  EXPECT_EQ(ParseTimeOfDay("7:30"), 7 * 3600 + 30 * 60);
  for (const char* bad : {"", "12", "24:00:00", "1:60:00", "1:00:60", "1:2:3:4", "10:00 PM", "1.00.00", "a:b:c",
                          "1::00", "-1:00:00", "100:00:00"}) {
    EXPECT_EQ(ParseTimeOfDay(bad), std::nullopt) << bad;
  }
}

// Date-time numbers count days from 1899-12-30 and are written with "."
// whatever the locale.
// Pins the time zone to UTC for one test and restores it afterwards.
class UtcZone {
 public:
  UtcZone() {
    if (const char* tz = getenv("TZ")) saved_ = tz;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  ~UtcZone() {
    if (saved_) {
      setenv("TZ", saved_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> saved_;
};

TEST(DateTimeNumberTest, RoundTripAndEpoch) {
  UtcZone utc;
  EXPECT_DOUBLE_EQ(DateTimeNumberFromTime(0), 25569.0);
  EXPECT_DOUBLE_EQ(DateTimeNumberFromTime(43200), 25569.5);
  EXPECT_EQ(TimeFromDateTimeNumber(25569.75), 64800);
  EXPECT_EQ(FormatDateTimeNumber(39392.5), "39392.5");
  EXPECT_EQ(ParseDateTimeNumber("39392.5"), 39392.5);
  EXPECT_EQ(ParseDateTimeNumber("39392,5"), std::nullopt);
  EXPECT_EQ(ParseDateTimeNumber("nan"), std::nullopt);
  EXPECT_EQ(ParseDateTimeNumber("1e300"), std::nullopt);
  // Before 1899-12-30 the fraction is the time of day without its sign.
  EXPECT_EQ(TimeFromDateTimeNumber(-1.25), TimeFromDateTimeNumber(-1.0) + 6 * 3600);
  EXPECT_DOUBLE_EQ(DateTimeNumberFromTime(TimeFromDateTimeNumber(-1.25)), -1.25);
  const std::time_t t = 1700000000;
  EXPECT_EQ(TimeFromDateTimeNumber(*ParseDateTimeNumber(FormatDateTimeNumber(DateTimeNumberFromTime(t)))), t);
}

}  // namespace
}  // namespace tazmel
