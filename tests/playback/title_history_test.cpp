// The stations' title histories: what a file holds after each change, and
// what is read back.
#include "playback/title_history.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "core/file_utils.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

std::tm At(int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = 2026 - 1900;
  t.tm_mon = 11;
  t.tm_mday = 10;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

class TitleHistoryTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::filesystem::path folder_ = dir_.path() / "History";
  TitleHistory history_{folder_};
};

TEST_F(TitleHistoryTest, KeepsTitlesWithTimesAcrossReads) {
  ASSERT_TRUE(history_.Add("station-100001", "Artist - Song A", At(23, 5, 9)));
  ASSERT_TRUE(history_.Add("station-100001", "Song B", At(23, 9, 0)));
  ASSERT_TRUE(history_.Add("station-7", "Elsewhere", At(1, 2, 3)));

  const std::vector<TitleEntry> expected = {{"2026-12-10 23:05:09", "Artist - Song A"},
                                            {"2026-12-10 23:09:00", "Song B"}};
  EXPECT_EQ(TitleHistory(folder_).Load("station-100001"), expected);
  EXPECT_EQ(ReadWholeFile(history_.FileFor("station-100001")),
            "2026-12-10 23:05:09\tArtist - Song A\r\n2026-12-10 23:09:00\tSong B\r\n");
  EXPECT_EQ(history_.Load("station-7").size(), 1u);
  EXPECT_TRUE(history_.Load("station-8").empty());
}

// A reconnect names the same song again: it is one entry, not two. A song
// that comes back after another is a new entry.
TEST_F(TitleHistoryTest, RepeatOfTheNewestIsNotAddedAgain) {
  history_.Add("k", "Same", At(1, 0, 0));
  history_.Add("k", "Same", At(1, 0, 30));
  history_.Add("k", "Other", At(1, 3, 0));
  history_.Add("k", "Same", At(1, 6, 0));
  const std::vector<TitleEntry> entries = history_.Load("k");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].time, "2026-12-10 01:00:00");
  EXPECT_EQ(entries[2].title, "Same");
}

TEST_F(TitleHistoryTest, KeepsOnlyTheNewestFifty) {
  for (int i = 0; i < 55; ++i) ASSERT_TRUE(history_.Add("k", "Song " + std::to_string(i), At(2, i, 0)));
  const std::vector<TitleEntry> entries = history_.Load("k");
  ASSERT_EQ(entries.size(), TitleHistory::kMaxEntries);
  EXPECT_EQ(entries.front().title, "Song 5");
  EXPECT_EQ(entries.back().title, "Song 54");
  // The file itself holds no more than it shows.
  const std::string text = ReadWholeFile(history_.FileFor("k")).value_or("");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 50);
}

// A station's text is one field of one line whatever it holds; a file
// edited by hand (or cut short) loses only its broken lines; a file of
// more than fifty lines is read as its newest fifty.
TEST_F(TitleHistoryTest, OddTitlesAndBrokenFiles) {
  ASSERT_TRUE(history_.Add("k", "Line\r\nbreak\tand tab", At(3, 0, 0)));
  EXPECT_EQ(history_.Load("k").at(0).title, "Line  break and tab");
  EXPECT_FALSE(history_.Add("k", "", At(3, 1, 0)));
  EXPECT_FALSE(history_.Add("", "No key", At(3, 1, 0)));

  std::string text = "no tab here\r\n\tno time\r\ntime only\t\r\n";
  for (int i = 0; i < 60; ++i) text += "t" + std::to_string(i) + "\tsong " + std::to_string(i) + "\n";
  text += "2026-12-10 04:00:00\tcut sh";
  ASSERT_TRUE(WriteFileAtomically(history_.FileFor("broken"), text));
  const std::vector<TitleEntry> entries = history_.Load("broken");
  ASSERT_EQ(entries.size(), 50u);
  EXPECT_EQ(entries.front().title, "song 11");
  EXPECT_EQ(entries.back().title, "cut sh");
}

// The old list stays when the new one cannot be written.
TEST_F(TitleHistoryTest, UnwritableFolderKeepsTheOldList) {
  ASSERT_TRUE(history_.Add("k", "First", At(5, 0, 0)));
  std::filesystem::permissions(folder_, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  if (::access(folder_.c_str(), W_OK) == 0) GTEST_SKIP() << "running with rights that ignore permissions";
  EXPECT_FALSE(history_.Add("k", "Second", At(5, 1, 0)));
  EXPECT_EQ(history_.Load("k").size(), 1u);
}

TEST(TitleHistoryKey, NamesEachSourceItsOwnFile) {
  EXPECT_EQ(TitleHistory::KeyFor(PlaySource::Station(100001), "http://a/"), "station-100001");
  EXPECT_EQ(TitleHistory::KeyFor(PlaySource::Station(7), ""), "station-7");
  EXPECT_EQ(TitleHistory::KeyFor(PlaySource::MusicList(), "/music/a.mp3"), "");
  EXPECT_EQ(TitleHistory::KeyFor(PlaySource::Typed(), ""), "");
  const std::string typed = TitleHistory::KeyFor(PlaySource::Typed(), "http://radio.example:8000/live");
  EXPECT_TRUE(typed.starts_with("address-")) << typed;
  EXPECT_EQ(typed.find_first_of("/:\\"), std::string::npos) << typed;
  EXPECT_EQ(typed, TitleHistory::KeyFor(PlaySource::Typed(), "http://radio.example:8000/live"));
  EXPECT_NE(typed, TitleHistory::KeyFor(PlaySource::Typed(), "http://radio.example:8000/live2"));
}

}  // namespace
}  // namespace tazmel
