#include "stations/station_search.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/code_page.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;

// Fields are given in UTF-8 and stored in the data code page, as the
// tables hold them.
StationRecord Station(int id, std::string_view name, std::string_view genre = "", std::string_view country = "",
                      std::string_view language = "", std::string_view city = "") {
  StationRecord r;
  r.VID = std::to_string(id);
  r.VRadioName = Utf8ToGb(name);
  r.VGenre = Utf8ToGb(genre);
  r.VCountry = Utf8ToGb(country);
  r.VCity = Utf8ToGb(city);
  r.VLanguage = Utf8ToGb(language);
  r.VStreamURL = "http://127.0.0.1/" + r.VID;
  return r;
}

std::vector<int> Ids(const StationSearchIndex& index, std::string_view query, std::size_t limit = 100) {
  std::vector<int> ids;
  for (const std::size_t at : index.Find(query, limit)) ids.push_back(index.at(at).id);
  return ids;
}

// A handful of stations that tell the rules apart.
StationSearchIndex Fixture() {
  StationSearchIndex index;
  for (const StationRecord& r : {
           Station(1, "Jazz FM", "Jazz", "United Kingdom", "English", "London"),
           Station(2, "Radio Paris Jazz", "Jazz", "France", "French", "Paris"),
           Station(3, "Classic Radio", "Classical", "France", "French"),
           Station(4, "Smooth Sounds", "Jazz", "Germany", "German"),
           Station(5, "中国之声", "新闻", "中国", "汉语", "北京"),
           Station(6, "Radio  Paris", "Talk", "France", "French"),
           Station(7, "FM Jazz", "Pop", "Italy", "Italian"),
       }) {
    EXPECT_TRUE(index.Add(r));
  }
  return index;
}

TEST(StationSearchTest, MatchingRules) {
  const StationSearchIndex index = Fixture();
  struct Case {
    const char* query;
    std::vector<int> ids;
    const char* why;
  };
  const Case cases[] = {
      {"", {}, "no words, no results"},
      {"   \t ", {}, "blanks only"},
      {"JAZZ", {1, 7, 2, 4}, "ASCII case ignored; name starts with it, then name holds it, then other fields"},
      {"jazz fm", {1, 7}, "every word must match; the name starting with the query comes first"},
      {"fm jazz", {7, 1}, "word order decides only the prefix rank"},
      {"  jazz   fm ", {1, 7}, "blanks around and between words do not count"},
      {"radio paris", {6, 2}, "a name with two blanks still starts with the query"},
      {"france", {3, 6, 2}, "country only: by name"},
      {"paris", {6, 2}, "name hits, by name"},
      {"london", {1}, "city"},
      {"german", {4}, "language"},
      {"jazz france", {2}, "words may match different fields"},
      {"jazz italy", {7}, "place and name"},
      {"中国", {5}, "Chinese name, country"},
      {"新闻", {5}, "Chinese genre"},
      {"汉语", {5}, "Chinese language"},
      {"北京 新闻", {5}, "Chinese words in city and genre"},
      {"classicalradio", {}, "a word never spans two fields"},
      {"radio classical", {3}, "name word and genre word"},
      {"rock", {}, "nothing matches"},
  };
  for (const Case& c : cases) EXPECT_EQ(Ids(index, c.query), c.ids) << c.query << ": " << c.why;
}

// The data code page's trail bytes include ASCII letters: 0x81 0x41 is one
// character. Compared as UTF-8 it is never found by the letter "a".
TEST(StationSearchTest, TrailBytesAreNotLetters) {
  StationSearchIndex index;
  StationRecord r;
  r.VID = "9";
  r.VRadioName = std::string("\x81\x41\x81\x42", 4);
  ASSERT_TRUE(index.Add(r));
  EXPECT_TRUE(Ids(index, "a").empty());
  EXPECT_TRUE(Ids(index, "ab").empty());
  EXPECT_EQ(Ids(index, GbToUtf8(std::string("\x81\x41", 2))), std::vector<int>{9});
}

TEST(StationSearchTest, LimitKeepsTheBestAndCountsAll) {
  const StationSearchIndex index = Fixture();
  std::size_t total = 0;
  const std::vector<std::size_t> found = index.Find("jazz", 2, &total);
  EXPECT_EQ(total, 4U);
  ASSERT_EQ(found.size(), 2U);
  EXPECT_EQ(index.at(found[0]).id, 1);
  EXPECT_EQ(index.at(found[1]).id, 7);
  EXPECT_EQ(index.at(found[0]).place, "United Kingdom, London");
}

// Both tables of a data folder: the scrambled system table and the plain
// user table. Records the ID rule would look up elsewhere, repeated IDs
// and nameless records are left out.
TEST(StationSearchTest, LoadsBothTablesByTheIdRule) {
  test::TempDir dir;
  std::vector<std::string> system;
  for (const StationRecord& r :
       {Station(1, "Sys One", "Pop"), Station(2, "Sys Two", "Rock"),
        Station(kFirstUserStationID + 5, "Stray User ID", "Pop"), Station(1, "Sys Again"), Station(3, "  ", "Pop")}) {
    system.push_back(ScrambleLine(FormatStationLine(r)));
  }
  std::vector<std::string> user;
  for (const StationRecord& r :
       {Station(kFirstUserStationID, "My Pop", "Pop"), Station(42, "Stray System ID", "Pop")}) {
    user.push_back(FormatStationLine(r));
  }
  ASSERT_TRUE(WriteTextTable(dir.path() / "data.dat", system));
  ASSERT_TRUE(WriteTextTable(dir.path() / "datauser.dat", user));

  const StationSearchIndex index = StationSearchIndex::Load(dir.path());
  EXPECT_EQ(index.size(), 3U);
  EXPECT_EQ(Ids(index, "pop"), (std::vector<int>{kFirstUserStationID, 1}));
  EXPECT_EQ(Ids(index, "sys"), (std::vector<int>{1, 2}));
  EXPECT_TRUE(Ids(index, "stray").empty());
  EXPECT_TRUE(Ids(index, "again").empty());
}

TEST(StationSearchTest, MissingTablesGiveAnEmptyIndexAndCreateNothing) {
  test::TempDir dir;
  EXPECT_EQ(StationSearchIndex::Load(dir.path()).size(), 0U);
  EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
}  // namespace tazmel
