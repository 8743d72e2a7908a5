// The station editor's logic over a user table in a temporary data folder.
#include "stations/station_editor_model.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "core/program_paths.h"
#include "fake_prompts.h"
#include "stations/text_table.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

StationRecord Station(std::string id, std::string name, std::string urls) {
  StationRecord r;
  r.VID = std::move(id);
  r.VRadioName = std::move(name);
  r.VStreamURL = std::move(urls);
  return r;
}

class StationEditorModelTest : public ::testing::Test {
 protected:
  StationEditorModelTest() {
    paths_.SetLanguageCode("eng");
    std::filesystem::create_directories(paths_.DataFolder());
    hooks_.add_node = [this](int id, const std::string& name) {
      tree_[id] = name;
      return true;
    };
    hooks_.rename_nodes = [this](int id, const std::string& name) { tree_[id] = name; };
    hooks_.remove_nodes = [this](int id) { return tree_.erase(id) > 0; };
  }

  void WriteUserTable(const std::vector<StationRecord>& records) {
    std::vector<std::string> lines;
    for (const StationRecord& r : records) lines.push_back(FormatStationLine(r));
    ASSERT_TRUE(WriteTextTable(paths_.UserTablePath(), lines));
  }

  std::vector<std::string> TableLines() const {
    std::ifstream in(paths_.UserTablePath(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  StationEditorModel& model() {
    if (!model_) model_ = std::make_unique<StationEditorModel>(paths_, prompts_, hooks_);
    return *model_;
  }

  test::TempDir dir_;
  ProgramPaths paths_{dir_.path()};
  test::FakePrompts prompts_;
  StationEditorHooks hooks_;
  std::map<int, std::string> tree_;
  std::unique_ptr<StationEditorModel> model_;
};

// When the question is asked and what it names; No adds nothing.
TEST_F(StationEditorModelTest, AppendAsksBeforeAddingAStationThatSeemsToExist) {
  struct Case {
    const char* what;
    std::string name;
    std::string urls;
    std::string question;  // "" for none
  };
  const std::string tail = "\r\n\r\nIt has existed, want to append a new record?";
  const Case cases[] = {
      {"same name, other case", "JAZZ ONE", "http://new/", "ID=100001\r\n[Jazz One]" + tail},
      {"same address", "Other", "http://a.example/live", "ID=100001\r\n[http://a.example/live]" + tail},
      {"both", "jazz one", "HTTP://A.EXAMPLE/LIVE", "ID=100001\r\n[Jazz One]\r\n[HTTP://A.EXAMPLE/LIVE]" + tail},
      {"the second stored address", "Other", "http://b.example/", "ID=100001\r\n[http://b.example/]" + tail},
      // Only whole names and whole addresses count.
      {"part of the name", "Jazz", "http://new/", ""},
      {"part of an address", "Other", "http://a.example/", ""},
      {"no address at all", "Other", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteUserTable({Station("100001", "Jazz One", "http://a.example/live||http://b.example/")});
    tree_.clear();
    prompts_.questions.clear();
    prompts_.answers = {false};
    model_.reset();
    model().NewStation(0);
    const auto outcome = model().Append(Station("", c.name, c.urls));
    if (c.question.empty()) {
      EXPECT_TRUE(prompts_.questions.empty());
      EXPECT_EQ(outcome, StationEditorModel::Outcome::kDone);
      EXPECT_EQ(model().Count(), 2);
      EXPECT_EQ(tree_.count(100002), 1u);
    } else {
      ASSERT_EQ(prompts_.questions.size(), 1u);
      EXPECT_EQ(prompts_.questions[0], c.question);
      EXPECT_EQ(outcome, StationEditorModel::Outcome::kCancelled);
      EXPECT_EQ(model().Count(), 1);
      EXPECT_TRUE(tree_.empty());
    }
  }
}

TEST_F(StationEditorModelTest, YesAddsTheStationWithTheNextFreeIdAndShowsIt) {
  WriteUserTable({Station("100001", "Jazz One", "http://a/")});
  prompts_.answers = {true};
  model().NewStation(100001);
  ASSERT_EQ(model().Append(Station("", "Jazz One", "http://a/")), StationEditorModel::Outcome::kDone);
  EXPECT_EQ(model().Position(), 2);
  EXPECT_EQ(model().Shown().VID, "100002");
  EXPECT_EQ(model().PositionText(), "2/2");
  EXPECT_EQ(tree_.at(100002), "Jazz One");
}

TEST_F(StationEditorModelTest, AnEmptyNameIsRefusedWithTheMessage) {
  model().NewStation(0);
  EXPECT_EQ(model().Append(Station("", "", "http://a/")), StationEditorModel::Outcome::kNoName);
  EXPECT_EQ(prompts_.infos, std::vector<std::string>{"Please inpute Station Name."});
  EXPECT_EQ(model().Count(), 0);
}

// Typed or pasted TABs and line breaks never make a second field or record.
TEST_F(StationEditorModelTest, SeparatorsInFieldsNeverSplitTheRecord) {
  WriteUserTable({Station("100001", "Before", "http://before/")});
  StationRecord form = Station("", "Two\tWords\r\nRadio", "http://a/x\r\n||http://b/\ty");
  form.VGenre = "Jazz\nBlues";
  form.VHomepage = "http://home/\t";
  form.VSchedule = "line1\rline2";
  model().NewStation(0);
  ASSERT_EQ(model().Append(form), StationEditorModel::Outcome::kDone);
  ASSERT_TRUE(model().First());
  form = model().Shown();
  form.VFrequency = "101.1\tFM";
  ASSERT_EQ(model().Modify(form), StationEditorModel::Outcome::kDone);

  const std::vector<std::string> lines = TableLines();
  ASSERT_EQ(lines.size(), 2u);
  const StationRecord stored = ParseStationLine(lines[1].substr(0, lines[1].size() - 1), false);
  EXPECT_EQ(stored.VRadioName, "Two Words  Radio");
  EXPECT_EQ(stored.VGenre, "Jazz Blues");
  EXPECT_EQ(stored.VHomepage, "http://home/ ");
  EXPECT_EQ(stored.VSchedule, "line1 line2");
  EXPECT_EQ(stored.VStreamURL, "http://a/x||http://b/ y");
  EXPECT_EQ(ParseStationLine(lines[0].substr(0, lines[0].size() - 1), false).VFrequency, "101.1 FM");
  EXPECT_EQ(std::count(lines[1].begin(), lines[1].end(), '\t'), 14);
}

TEST_F(StationEditorModelTest, InsertModifyAndDeleteKeepTheTreeInStep) {
  WriteUserTable({Station("100001", "A", "http://a/"), Station("100002", "B", "http://b/")});
  tree_ = {{100001, "A"}, {100002, "B"}};
  ASSERT_TRUE(model().OpenStation(100002));
  EXPECT_TRUE(model().Editable());
  EXPECT_EQ(model().Position(), 2);

  ASSERT_EQ(model().Insert(Station("", "Between", "http://c/")), StationEditorModel::Outcome::kDone);
  EXPECT_EQ(model().Shown().VRadioName, "Between");
  EXPECT_EQ(model().PositionText(), "2/3");

  StationRecord renamed = model().Shown();
  renamed.VRadioName = "Renamed";
  ASSERT_EQ(model().Modify(renamed), StationEditorModel::Outcome::kDone);
  EXPECT_EQ(tree_.at(100003), "Renamed");

  prompts_.answers = {false, true};
  EXPECT_EQ(model().Delete(model().Shown()), StationEditorModel::Outcome::kCancelled);
  EXPECT_EQ(prompts_.questions.back(), "Really Delete \"Renamed\" ?");
  EXPECT_EQ(model().Delete(model().Shown()), StationEditorModel::Outcome::kDone);
  EXPECT_EQ(tree_.count(100003), 0u);
  EXPECT_EQ(model().Shown().VRadioName, "B") << "the next record shows";
}

TEST_F(StationEditorModelTest, SteppingStopsAtBothEnds) {
  WriteUserTable({Station("100001", "A", ""), Station("100002", "B", "")});
  ASSERT_TRUE(model().OpenStation(100002));
  EXPECT_TRUE(model().Next());
  EXPECT_EQ(model().Position(), 2);
  EXPECT_TRUE(model().First());
  EXPECT_TRUE(model().Previous());
  EXPECT_EQ(model().Position(), 1);
  EXPECT_EQ(model().Shown().VRadioName, "A");
}

TEST_F(StationEditorModelTest, FindGoesOnFromTheHitAndAMissOrEmptyTextFindsNothing) {
  WriteUserTable({Station("100001", "Jazz A", "http://x/"), Station("100002", "Rock", "http://y/jazz"),
                  Station("100003", "jazz B", "http://z/")});
  ASSERT_TRUE(model().OpenStation(100001));
  ASSERT_TRUE(model().FindName("JAZZ"));
  EXPECT_EQ(model().Shown().VID, "100003");
  EXPECT_FALSE(model().FindName("JAZZ"));
  EXPECT_TRUE(model().Shown().VRadioName.empty());
  ASSERT_TRUE(model().First());
  EXPECT_FALSE(model().FindName(""));
  EXPECT_FALSE(model().FindUrl(""));
  ASSERT_TRUE(model().FindUrl("jazz"));
  EXPECT_EQ(model().Shown().VID, "100002");
}

TEST_F(StationEditorModelTest, SystemStationsOpenReadOnly) {
  ASSERT_TRUE(
      WriteTextTable(paths_.SystemTablePath(), {ScrambleLine(FormatStationLine(Station("7", "Sys", "http://s/")))}));
  ASSERT_TRUE(model().OpenStation(7));
  EXPECT_FALSE(model().Editable());
  EXPECT_EQ(model().Shown().VRadioName, "Sys");
  EXPECT_EQ(model().Modify(model().Shown()), StationEditorModel::Outcome::kNothing);
  EXPECT_EQ(model().Append(Station("", "New", "")), StationEditorModel::Outcome::kNothing);
  EXPECT_FALSE(std::filesystem::exists(paths_.UserTablePath()));
}

TEST(EditorWordListsTest, PlacesOutlineGivesCountriesStatesAndCities) {
  test::TempDir dir;
  std::ofstream(dir / "country.txt", std::ios::binary) << "China\r\n\tBeijing\r\n\tGuangdong\r\n\t\tGuangzhou\r\n\t\tSh"
                                                          "enzhen\r\n  \r\nUSA\r\n\tGuangdong\r\n\t\tNowhere\r\n";
  std::ofstream(dir / "genre.txt", std::ios::binary) << " Jazz \r\n\r\nNews\r\n";
  const EditorWordLists lists = LoadEditorWordLists(dir.path());
  EXPECT_EQ(lists.genres, (std::vector<std::string>{"Jazz", "News"}));
  EXPECT_TRUE(lists.languages.empty()) << "a missing file gives an empty list";
  EXPECT_EQ(CountriesOf(lists.places), (std::vector<std::string>{"China", "USA"}));
  EXPECT_EQ(StatesOf(lists.places, "China"), (std::vector<std::string>{"Beijing", "Guangdong"}));
  EXPECT_EQ(CitiesOf(lists.places, "China", "Guangdong"), (std::vector<std::string>{"Guangzhou", "Shenzhen"}));
  EXPECT_EQ(CitiesOf(lists.places, "USA", "Guangdong"), std::vector<std::string>{"Nowhere"});
  EXPECT_TRUE(CitiesOf(lists.places, "China", "Beijing").empty());
  EXPECT_TRUE(StatesOf(lists.places, "Atlantis").empty());
}

TEST(StationSubmissionTextTest, FieldsAreTrimmedInTheirOrderWithTheValidityWord) {
  StationRecord r = Station("100004", " Name ", " http://a/ || http://b/");
  r.VGenre = "Jazz";
  r.VCountry = "China";
  r.VFormat = "2";
  r.VSchedule = "http://s/ ";
  EXPECT_EQ(StationSubmissionText(r, "Good"),
            "100004\tName\tJazz\tChina\t\t\t\t2\tGood\t\t\t\t\thttp://s/\thttp://a/||http://b/");
}

}  // namespace
}  // namespace tazmel
