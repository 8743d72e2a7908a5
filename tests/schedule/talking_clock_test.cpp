#include "schedule/talking_clock.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace tazmel {
namespace {

using Words = std::vector<std::string>;

TEST(TalkingClockTest, ChineseCountingInTens) {
  struct Case {
    int h, m;
    Words words;
  };
  const Case cases[] = {
      {0, 0, {"now", "0", "hour", "just"}},
      {9, 5, {"now", "9", "hour", "0", "5", "minute"}},
      {10, 0, {"now", "10", "hour", "just"}},
      {12, 0, {"now", "10", "2", "hour", "just"}},
      {13, 10, {"now", "10", "3", "hour", "10", "minute"}},
      {20, 30, {"now", "2", "10", "hour", "3", "10", "minute"}},
      {23, 47, {"now", "2", "10", "3", "hour", "4", "10", "7", "minute"}},
      {10, 59, {"now", "10", "hour", "5", "10", "9", "minute"}},
      {1, 11, {"now", "1", "hour", "10", "1", "minute"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComposeAnnouncement(c.h, c.m, ClockWording::kChinese), c.words) << c.h << ":" << c.m;
  }
}

TEST(TalkingClockTest, EnglishTwentyFourHourReading) {
  struct Case {
    int h, m;
    Words words;
  };
  const Case cases[] = {
      {0, 0, {"now", "0", "oclock"}},          {9, 5, {"now", "9", "oh", "5"}}, {10, 0, {"now", "10", "oclock"}},
      {13, 10, {"now", "13", "10"}},           {19, 19, {"now", "19", "19"}},   {20, 30, {"now", "20", "30"}},
      {23, 47, {"now", "20", "3", "40", "7"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ComposeAnnouncement(c.h, c.m, ClockWording::kEnglish), c.words) << c.h << ":" << c.m;
  }
}

// Every announcement of the day uses only words of the set, so a shipped
// set with all of them speaks every time completely.
TEST(TalkingClockTest, WordListsCoverEveryMinuteOfTheDay) {
  for (ClockWording wording : {ClockWording::kChinese, ClockWording::kEnglish}) {
    const Words list = AnnouncementWords(wording);
    for (int minute = 0; minute < 1440; ++minute) {
      for (const std::string& word : ComposeAnnouncement(minute / 60, minute % 60, wording)) {
        ASSERT_NE(std::find(list.begin(), list.end(), word), list.end()) << word << " at minute " << minute;
      }
    }
  }
  EXPECT_EQ(WordingForLanguage("eng"), ClockWording::kEnglish);
  EXPECT_EQ(WordingForLanguage("ENG"), ClockWording::kEnglish);
  EXPECT_EQ(WordingForLanguage("chs"), ClockWording::kChinese);
  EXPECT_EQ(WordingForLanguage("cht"), ClockWording::kChinese);
}

TEST(TalkingClockTest, MissingWordsComeFromChsOrAreLeftOut) {
  test::TempDir dir;
  test::WriteFile(dir / "cht/now.wav", "x");
  test::WriteFile(dir / "cht/10.wav", "x");
  test::WriteFile(dir / "chs/Hour.WAV", "x");  // found without regard to case
  test::WriteFile(dir / "chs/now.wav", "x");
  const auto files = AnnouncementFiles({"now", "10", "hour", "just"}, dir.path(), "cht");
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0], dir / "cht/now.wav");
  EXPECT_EQ(files[1], dir / "cht/10.wav");
  EXPECT_EQ(files[2], dir / "chs/Hour.WAV");
  EXPECT_TRUE(AnnouncementFiles({"now"}, dir / "nothing", "eng").empty());
}

// The shipped word sets hold every word of their wording, each a WAV file
// with sound in it.
TEST(TalkingClockTest, ShippedWordSetsAreComplete) {
  const std::filesystem::path sound = std::filesystem::path(TAZMEL_TEST_SOURCE_DIR) / "../share/sound";
  for (const auto& [code, wording] :
       {std::pair<const char*, ClockWording>{"chs", ClockWording::kChinese}, {"eng", ClockWording::kEnglish}}) {
    const Words words = AnnouncementWords(wording);
    const auto files = AnnouncementFiles(words, sound, code);
    ASSERT_EQ(files.size(), words.size()) << code;
    for (std::size_t i = 0; i < words.size(); ++i) {
      EXPECT_EQ(files[i].parent_path().filename(), code) << words[i];
      const std::string bytes = test::ReadFile(files[i]);
      ASSERT_GT(bytes.size(), 44u + 2000u) << files[i];
      EXPECT_EQ(bytes.substr(0, 4), "RIFF") << files[i];
      EXPECT_EQ(bytes.substr(8, 4), "WAVE") << files[i];
    }
  }
}

// Announcements over a day of one-second spans, by interval.
TEST(TalkingClockTest, AutomaticAnnouncementsComeAtEachMultipleOnce) {
  struct Case {
    int interval;
    std::vector<int> first_minutes;  // announced minutes of the day, the first few
    int per_day;
  };
  const Case cases[] = {
      {60, {0, 60, 120}, 24}, {15, {0, 15, 30, 45, 60}, 96},
      {30, {0, 30, 60}, 48},  {0, {0, 60}, 24},  // not set: hourly
      {-5, {0, 60}, 24},                         // not set: hourly
      {7, {0, 7, 14}, 206},                      // 1440 / 7 rounded up: each day starts at midnight
      {5000, {0}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.interval);
    std::vector<int> minutes;
    const std::int64_t day0 = 20000 * kDayMs;
    for (std::int64_t s = 0; s < 86400; ++s) {
      const TickSpan span{day0 + s * 1000 - 1000 + 250, day0 + s * 1000 + 250};
      if (TalkClockDue(span, c.interval)) minutes.push_back(static_cast<int>(s / 60));
    }
    ASSERT_EQ(static_cast<int>(minutes.size()), c.per_day);
    EXPECT_EQ(std::vector<int>(minutes.begin(), minutes.begin() + static_cast<long>(c.first_minutes.size())),
              c.first_minutes);
  }
}

}  // namespace
}  // namespace tazmel
