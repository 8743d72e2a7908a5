#include "stations/radio_table.h"

#include <gtest/gtest.h>

#include "core/file_utils.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using test::TempDir;
using test::WriteFile;

StationRecord Full() {
  return {"100001",
          "Radio One",
          "Pop",
          "United Kingdom",
          "England",
          "London",
          "English",
          "2",
          "4",
          "128K",
          "FM 98.8",
          "proxy:8080",
          "https://home/",
          "https://schedule/",
          "http://a/1.mp3||mms://b/2"};
}

TEST(StationLineTest, FullRecordRoundTrips) {
  const StationRecord r = Full();
  const std::string line = FormatStationLine(r);
  EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 14);
  EXPECT_EQ(ParseStationLine(line, false), r);
}

// Fields are cut from both ends, so short lines keep name and addresses.
TEST(StationLineTest, ShortLines) {
  StationRecord only_name = ParseStationLine("5\tName", false);
  EXPECT_EQ(only_name.VID, "5");
  EXPECT_EQ(only_name.VRadioName, "Name");
  EXPECT_EQ(only_name.VStreamURL, "");
  EXPECT_EQ(only_name.VGenre, "");

  // Twelve fields: the last three middle fields are missing.
  const std::string twelve = "7\tJazz FM\tJazz\tUK\t\tLondon\tEnglish\t0\t2\t64K\tsched\thttp://jazz/";
  const StationRecord r = ParseStationLine(twelve, false);
  EXPECT_EQ(r.VRadioName, "Jazz FM");
  EXPECT_EQ(r.VSchedule, "sched");
  EXPECT_EQ(r.VStreamURL, "http://jazz/");
  EXPECT_EQ(r.VSpeed, "64K");
  EXPECT_EQ(r.VProxy, "");
  EXPECT_EQ(r.VHomepage, "");

  EXPECT_EQ(ParseStationLine("", false), StationRecord{});
  EXPECT_EQ(ParseStationLine("42", false).VID, "42");
}

// Scrambling is its own inverse, repeats the key every six bytes, and
// keeps the ID plain; scrambled bytes may be TAB, CR or LF.
TEST(ScrambleTest, RoundTripAndKeyPeriod) {
  const std::string rest = "abcdefgh\t\r\n\xD6\xD0";
  const std::string scrambled = ScrambleRest(rest);
  EXPECT_EQ(ScrambleRest(scrambled), rest);
  EXPECT_EQ(scrambled[0], static_cast<char>('a' ^ 'q'));
  EXPECT_EQ(scrambled[6], static_cast<char>('g' ^ 'q'));
  EXPECT_EQ(ScrambleRest("qv_tmx"), std::string(6, '\0'));

  const StationRecord r = Full();
  const std::string line = ScrambleLine(FormatStationLine(r));
  EXPECT_EQ(line.substr(0, 7), "100001\t");
  EXPECT_EQ(ParseStationLine(line, true), r);
}

TEST(UrlListTest, SplitJoinFirst) {
  EXPECT_TRUE(SplitUrls("").empty());
  EXPECT_EQ(SplitUrls("a"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(SplitUrls("a||b||"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(JoinUrls({"a", "b"}), "a||b");
  EXPECT_EQ(JoinUrls({}), "");
  EXPECT_EQ(FirstUrl("  a  ||b"), "a");
  EXPECT_EQ(FirstUrl(" only "), "only");
  EXPECT_EQ(FirstUrl("||b"), "||b");
}

// System stations never show their address; user stations do, on the
// eighth of twelve lines.
TEST(StationSummaryTest, LineCounts) {
  const StationRecord r = Full();
  const std::string user = StationSummary(r, false);
  const std::string system = StationSummary(r, true);
  auto lines = [](const std::string& t) { return std::count(t.begin(), t.end(), '\n') + 1; };
  EXPECT_EQ(lines(user), 12);
  EXPECT_EQ(lines(system), 11);
  EXPECT_NE(user.find("StreamURL :  http://a/1.mp3\r\n"), std::string::npos);
  EXPECT_EQ(system.find("http://a/1.mp3"), std::string::npos);
  EXPECT_EQ(user.substr(0, 17), "Name :  Radio One");
  EXPECT_NE(user.find("Place :  United Kingdom England London"), std::string::npos);
  EXPECT_NE(user.find("Format :  WMP\r\n"), std::string::npos);
  EXPECT_NE(user.find("Validity :  Best"), std::string::npos);
  EXPECT_EQ(user.substr(user.size() - 20), "Frequency :  FM 98.8");

  StationRecord odd = r;
  odd.VFormat = "";
  odd.VValidity = "9";
  const std::string text = StationSummary(odd, false);
  EXPECT_NE(text.find("Format :  Auto"), std::string::npos);
  EXPECT_NE(text.find("Validity :  Unknown"), std::string::npos);
}

class RadioTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(path_,
              "100001\tRadio One\tPop\tUK\t\t\t\t0\t\t\t\t\t\t\thttp://one.example/Live.mp3\r\n"
              "100002\tJazz\tJazz\tUS\t\t\t\t0\t\t\t\t\t\t\thttp://jazz.example/a||http://JAZZ.example/b\r\n"
              "100003\tNews Talk\tNews\tUS\t\t\t\t0\t\t\t\t\t\t\thttp://news.example/\r\n");
    table_.SetTableName(path_);
    ASSERT_TRUE(table_.Open());
  }
  TempDir dir_;
  std::filesystem::path path_ = dir_ / "datauser.dat";
  TRadioTable table_;
};

TEST_F(RadioTableTest, FindByNameOrUrl) {
  struct Case {
    const char *name, *address;
    int result;
    const char* id;
  } cases[] = {
      {"JAZZ", "jazz.example/B", 3, "100002"},
      {"jazz", "nowhere", 1, "100002"},
      {"Unknown", "ONE.example/live", 2, "100001"},
      {"Unknown", "nowhere", 0, ""},
      {"", "", 0, ""},
  };
  for (const Case& c : cases) {
    table_.ClearFields();
    EXPECT_EQ(table_.FindByNameOrUrl(c.name, c.address), c.result) << c.name;
    EXPECT_EQ(table_.Fields().VID, c.id) << c.name;
  }
  // The found addresses keep their letter case.
  table_.FindByNameOrUrl("x", "one.example");
  EXPECT_EQ(table_.Fields().VStreamURL, "http://one.example/Live.mp3");
}

TEST_F(RadioTableTest, FindNameAndUrlContinueAfterAHit) {
  EXPECT_EQ(table_.FindName("A", 0), 1);  // "Radio One"
  EXPECT_EQ(table_.FindName("a", 1), 2);
  EXPECT_EQ(table_.Fields().VRadioName, "Jazz");
  EXPECT_EQ(table_.FindName("a", 2), 3);
  EXPECT_EQ(table_.FindName("a", 3), 0);
  EXPECT_EQ(table_.FindUrl("JAZZ.EXAMPLE/B", 0), 2);
  EXPECT_EQ(table_.FindUrl("news", 0), 3);
}

// An empty text is part of every name and address list, yet finds nothing
// and leaves the fields alone, from any start.
TEST_F(RadioTableTest, FindNameAndUrlWithEmptyTextFindNothing) {
  for (int after : {0, 1, 2}) {
    table_.ClearFields();
    EXPECT_EQ(table_.FindName("", after), 0) << after;
    EXPECT_EQ(table_.FindUrl("", after), 0) << after;
    EXPECT_EQ(table_.Fields(), StationRecord{}) << after;
  }
}

// A scrambled rest may hold a line feed ("{" XOR "q"); the searches take
// records from the index and compare the unscrambled fields.
TEST(ScrambledTableTest, FindNameAndUrlReadUnscrambledRecords) {
  TempDir dir;
  const std::filesystem::path path = dir / "data.dat";
  ASSERT_TRUE(WriteTextTable(
      path, {ScrambleLine("1\t{Alpha\tPop\thttp://a.example/"), ScrambleLine("2\tBeta\tJazz\thttp://b.example/")}));
  ASSERT_NE(ReadWholeFile(path)->find("1\t\n"), std::string::npos);
  TRadioTable table;
  table.SetTableName(path);
  table.SetEncry(true);
  ASSERT_TRUE(table.Open());
  EXPECT_EQ(table.FindName("{alpha", 0), 1);
  EXPECT_EQ(table.FindName("BETA", 0), 2);
  EXPECT_EQ(table.Fields().VRadioName, "Beta");
  EXPECT_EQ(table.FindName("a", 1), 2);
  EXPECT_EQ(table.FindUrl("b.example", 0), 2);
  EXPECT_EQ(table.FindUrl("b.example", 2), 0);
}

TEST_F(RadioTableTest, LoadAndSave) {
  ASSERT_TRUE(table_.LoadByID(100003));
  EXPECT_EQ(table_.Fields().VRadioName, "News Talk");
  table_.Fields().VValidity = "4";
  table_.Fields().VSpeed = "128K";
  ASSERT_TRUE(table_.SaveByID(100003));
  table_.ClearFields();
  ASSERT_TRUE(table_.LoadRecord(3));
  EXPECT_EQ(table_.Fields().VSpeed, "128K");
  EXPECT_EQ(table_.NewID(100000), 100004);
  EXPECT_FALSE(table_.LoadByID(5));
  EXPECT_EQ(table_.Fields(), StationRecord{});
}

// The ID rule picks the scrambled system table or the plain user table.
TEST(RadioTableIdRuleTest, OpenFor) {
  TempDir dir;
  ProgramPaths paths(dir.path());
  paths.SetLanguageCode("eng");
  std::filesystem::create_directories(paths.DataFolder());
  TRadioTable table;
  ASSERT_TRUE(table.OpenFor(100000, paths));
  EXPECT_TRUE(table.Encry());
  EXPECT_FALSE(table.NeedCheckIndex());
  EXPECT_EQ(table.TableName(), paths.DataFolder() / "data.dat");
  ASSERT_TRUE(table.OpenFor(100001, paths));
  EXPECT_FALSE(table.Encry());
  EXPECT_EQ(table.TableName(), paths.DataFolder() / "datauser.dat");
}

}  // namespace
}  // namespace tazmel
