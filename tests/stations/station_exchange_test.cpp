#include "stations/station_exchange.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "core/file_utils.h"
#include "core/text_utils.h"
#include "fake_prompts.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"
#include "stations/tree_outline.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using test::FakePrompts;
using test::NodeNamed;
using test::TempDir;
using test::WriteFile;

// A user station line: ID, name, twelve middle fields, the address list.
std::string Station(std::string_view id, std::string_view name, std::string_view urls) {
  std::string line = id.empty() ? std::string(name) : std::string(id) + "\t" + std::string(name);
  for (int i = 0; i < 12; ++i) line += "\tf";
  return line + "\t" + std::string(urls);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

class ExchangeTest : public ::testing::Test {
 protected:
  void SetUp() override { prompts_.default_answer = true; }

  void Build(std::string_view outline) {
    editor_.emplace(dir_.path(), prompts_);
    test::BuildTree(editor_->tree(), outline);
  }
  void UserTable(const std::vector<std::string>& lines) { ASSERT_TRUE(WriteTextTable(dir_ / "datauser.dat", lines)); }
  std::vector<std::string> TableLines() const { return Lines(*ReadWholeFile(dir_ / "datauser.dat")); }
  TreeNode* N(std::string_view caption) const { return NodeNamed(editor_->tree(), caption); }
  std::string Outline() const { return test::Outline(editor_->tree()); }

  std::string Export(std::string_view branch) {
    BranchExport job(*editor_, *N(branch), dir_ / "out.txt");
    EXPECT_EQ(job.RunToEnd(), ExchangeStatus::kDone);
    return ReadWholeFile(dir_ / "out.txt").value_or("<none>");
  }
  ExchangeStatus Import(std::string_view target, const std::string& text) {
    WriteFile(dir_ / "in.txt", text);
    StationImport job(*editor_, *N(target), dir_ / "in.txt");
    return job.RunToEnd();
  }

  TempDir dir_;
  FakePrompts prompts_;
  std::optional<TreeEditor> editor_;
};

// ---- export ----

TEST_F(ExchangeTest, BranchExportWritesUserStationsAndTheGroupsBelow) {
  Build(R"(
Mine [-101] mine.dat
  Rock [-1]
    One [100001]
    System [42]
    Hard	rock [-1]
      Two [100002]
    Gone [100009]
)");
  UserTable({Station("100001", "One", "http://one/"), Station("100002", "Two", "http://two/")});
  // The branch's own caption is left out; a TAB in a caption would make a
  // group read back as a station.
  EXPECT_EQ(Export("Rock"), Station("100001", "One", "http://one/") + "\r\n" + "Hard rock\r\n" + "\t" +
                                Station("100002", "Two", "http://two/") + "\r\n");
  EXPECT_EQ(Export("One"), Station("100001", "One", "http://one/") + "\r\n");
}

TEST_F(ExchangeTest, ExportAllWritesEachStationNodeFlat) {
  Build(R"(
Mine [-101] mine.dat
  A [-1]
    One [100001]
  B [-1]
    One [100001]
    System [42]
Other [-102] other.dat
  One [100001]
)");
  UserTable({Station("100001", "One", "http://one/")});
  AllExport job(*editor_, dir_ / "all.txt");
  ASSERT_EQ(job.RunToEnd(), ExchangeStatus::kDone);
  const std::string line = Station("100001", "One", "http://one/") + "\r\n";
  EXPECT_EQ(*ReadWholeFile(dir_ / "all.txt"), line + line + line);
  EXPECT_EQ(job.position(), job.maximum());
}

// ---- import ----

TEST_F(ExchangeTest, RoundTripAndASecondImportMakeNoDuplicates) {
  Build(R"(
Mine [-101] mine.dat
  Rock [-1]
    One [100001]
    Sub [-1]
      Two [100002]
    Three [100003]
)");
  UserTable({Station("100001", "One", "http://one/"), Station("100002", "Two", "http://two/"),
             Station("100003", "Three", "http://three/")});
  const std::string exported = Export("Rock");

  // Into another folder with a table of its own: station 100001 there is
  // someone else's, so the imported ones get new IDs.
  TempDir other;
  editor_.emplace(other.path(), prompts_);
  test::BuildTree(editor_->tree(), "Theirs [-101] theirs.dat\n  Inbox [-1]\n");
  ASSERT_TRUE(WriteTextTable(other / "datauser.dat", {Station("100001", "Local", "http://local/")}));
  WriteFile(other / "in.txt", exported);
  for (int run = 0; run < 2; ++run) {
    StationImport job(*editor_, *N("Inbox"), other / "in.txt");
    ASSERT_EQ(job.RunToEnd(), ExchangeStatus::kDone);
    EXPECT_EQ(job.appended(), run == 0 ? 3 : 0);
    EXPECT_EQ(job.replaced(), run == 0 ? 0 : 3);
    EXPECT_EQ(test::Outline(editor_->tree()),
              "Theirs [-101] theirs.dat\n  Inbox [-1]\n    One [100002]\n    Sub [-1]\n      Two [100003]\n"
              "    Three [100004]\n")
        << run;
    EXPECT_EQ(Lines(*ReadWholeFile(other / "datauser.dat")),
              (std::vector<std::string>{
                  Station("100001", "Local", "http://local/"), Station("100002", "One", "http://one/"),
                  Station("100003", "Two", "http://two/"), Station("100004", "Three", "http://three/")}))
        << run;
    EXPECT_EQ(VerifyTextTable(other / "datauser.dat", false), "");
  }
  // Saved at the end: the subtree file of the target's tree.
  StationTree saved;
  LoadTopLists(saved, other.path());
  ASSERT_EQ(saved.TopCount(), 1);
  ASSERT_TRUE(LoadSubtree(*saved.Top(0), other.path()));
  EXPECT_EQ(saved.Top(0)->SubtreeSize(), 6);
}

TEST_F(ExchangeTest, ReplacesOnlyOnAnExactNameOrAnEqualAddress) {
  struct Case {
    const char* what;
    std::string line;
    int expected_id;  // 0: appended as 100003
  } cases[] = {
      {"same name, other case", Station("", "RADIO one", "http://new/"), 100001},
      {"ID in front is dropped", Station("7", "Radio One", "http://new/"), 100001},
      {"name is only part of one", Station("", "Radio", "http://new/"), 0},
      {"name is longer", Station("", "Radio One Two", "http://new/"), 0},
      {"one of the addresses equal", Station("", "X", "http://new/||HTTP://jazz.example/live "), 100002},
      {"address is part of one", Station("", "X", "http://jazz.example/li"), 0},
      {"address list contains it as a prefix", Station("", "X", "http://jazz.example"), 0},
      {"empty addresses match nothing", Station("", "X", "||"), 0},
      {"the digit 0 is a name", Station("", "0", "http://zero/"), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Build("Mine [-101] mine.dat\n  Box [-1]\n");
    UserTable({Station("100001", "Radio One", "http://one.example/a"),
               Station("100002", "Jazz", "http://other/||http://jazz.example/live")});
    ASSERT_EQ(Import("Box", c.line + "\r\n"), ExchangeStatus::kDone);
    const int id = c.expected_id == 0 ? 100003 : c.expected_id;
    const std::vector<std::string> lines = TableLines();
    ASSERT_EQ(lines.size(), c.expected_id == 0 ? 3u : 2u);
    std::string rest = c.line;
    if (c.line.starts_with("7\t")) rest = c.line.substr(2);
    EXPECT_EQ(lines[static_cast<std::size_t>(id - 100001)], std::to_string(id) + "\t" + rest);
    ASSERT_EQ(N("Box")->child_count(), 1);
    EXPECT_EQ(NodeID(*N("Box")->child(0)), id);
  }
}

TEST_F(ExchangeTest, PlacesGroupsAndStationsByIndentation) {
  Build(R"(
Mine [-101] mine.dat
  Box [-1]
    Old [100001]
  Here [100002]
Other [-102] other.dat
  Old [100001]
)");
  UserTable({Station("100001", "Old", "http://old/"), Station("100002", "Here", "http://here/")});
  const std::string file =
      "Jazz\r\n"
      "\t" +
      Station("", "New", "http://new/") +
      "\r\n"
      "  \r\n"
      "\t\t\t" +
      Station("", "Lost", "http://lost/") +
      "\r\n"
      "\t" +
      Station("", "Renamed", "http://old/") +
      "\r\n"
      "Blues\r\n";
  ASSERT_EQ(Import("Box", file), ExchangeStatus::kDone);
  // After a group at the target's level, unindented lines are its siblings;
  // a line three levels deeper keeps its record but gets no node; the
  // station found by address is renamed everywhere.
  EXPECT_EQ(Outline(),
            "Mine [-101] mine.dat\n  Box [-1]\n    Renamed [100001]\n    Jazz [-1]\n"
            "      New [100003]\n      Renamed [100001]\n    Blues [-1]\n  Here [100002]\n"
            "Other [-102] other.dat\n  Renamed [100001]\n");
  EXPECT_EQ(TableLines().size(), 4u);
  // The changed tree is offered for saving once the import is through.
  EXPECT_EQ(prompts_.questions.size(), 1u);

  // On a station node, entries go in front of it.
  ASSERT_EQ(Import("Here", Station("", "Before", "http://before/") + "\r\n"), ExchangeStatus::kDone);
  EXPECT_EQ(N("Here")->PreviousSibling()->caption(), "Before");
}

TEST_F(ExchangeTest, InvalidBytesAreRefusedWithTheirLineBeforeAnyChange) {
  Build("Mine [-101] mine.dat\n  Box [-1]\n");
  UserTable({Station("100001", "One", "http://one/")});
  const std::optional<std::string> before = ReadWholeFile(dir_ / "datauser.dat");
  // Valid GB18030 (two Chinese characters) on line 1, a lone 0xFF on line 3.
  WriteFile(dir_ / "in.txt", Station("", "\xD6\xD0\xCE\xC4", "http://a/") + "\r\nGroup\r\n" +
                                 Station("", "Bad\xFF", "http://b/") + "\r\n");
  StationImport job(*editor_, *N("Box"), dir_ / "in.txt");
  EXPECT_EQ(job.RunToEnd(), ExchangeStatus::kFailed);
  EXPECT_EQ(job.error().invalid_line, 3);
  EXPECT_EQ(ReadWholeFile(dir_ / "datauser.dat"), before);
  EXPECT_FALSE(N("Box")->HasChildren());
  EXPECT_FALSE(std::filesystem::exists(UserTableBackupFiles(dir_.path())[0]));
}

TEST_F(ExchangeTest, BackupOfTheTableAndItsIndexesIsWrittenFirst) {
  Build("Mine [-101] mine.dat\n  Box [-1]\n");
  UserTable({Station("100001", "One", "http://one/")});
  std::vector<std::string> old;
  for (const char* name : {"datauser.dat", "datauser.idp", "datauser.idi"}) old.push_back(*ReadWholeFile(dir_ / name));
  ASSERT_EQ(Import("Box", Station("", "Two", "http://two/") + "\r\n"), ExchangeStatus::kDone);
  const std::vector<std::filesystem::path> backups = UserTableBackupFiles(dir_.path());
  ASSERT_EQ(backups.size(), 3u);
  for (std::size_t i = 0; i < backups.size(); ++i) EXPECT_EQ(ReadWholeFile(backups[i]), old[i]) << backups[i];
  EXPECT_NE(*ReadWholeFile(dir_ / "datauser.dat"), old[0]);
}

TEST_F(ExchangeTest, StopMidwayKeepsTableAndTreeInStep) {
  Build("Mine [-101] mine.dat\n  Box [-1]\n");
  UserTable({Station("100001", "One", "http://one/")});
  std::string file;
  for (int i = 0; i < 1000; ++i) file += Station("", "S" + std::to_string(i), "http://s/" + std::to_string(i)) + "\r\n";
  WriteFile(dir_ / "in.txt", file);
  StationImport job(*editor_, *N("Box"), dir_ / "in.txt");
  // The preparation's slices, then one batch of lines.
  while (job.position() == 0) ASSERT_EQ(job.Step(std::chrono::seconds(0)), ExchangeStatus::kRunning);
  job.Stop();
  EXPECT_EQ(job.Step(std::chrono::seconds(1)), ExchangeStatus::kStopped);

  const int placed = N("Box")->child_count();
  EXPECT_GT(placed, 0);
  EXPECT_LT(placed, 1000);
  EXPECT_EQ(VerifyTextTable(dir_ / "datauser.dat", false), "");
  TRadioTable table;
  table.SetTableName(dir_ / "datauser.dat");
  ASSERT_TRUE(table.Open());
  EXPECT_EQ(table.RecordCount(), placed + 1);
  for (const auto& child : N("Box")->children()) {
    ASSERT_TRUE(table.LoadByID(NodeID(*child))) << child->caption();
    EXPECT_EQ(table.Fields().VRadioName, child->caption());
  }
}

TEST_F(ExchangeTest, AReloadOfTheTreeStopsTheJob) {
  Build("Mine [-101] mine.dat\n  Box [-1]\n");
  std::string file;
  for (int i = 0; i < 500; ++i) file += Station("", "S" + std::to_string(i), "http://s/" + std::to_string(i)) + "\r\n";
  WriteFile(dir_ / "in.txt", file);
  StationImport job(*editor_, *N("Box"), dir_ / "in.txt");
  while (job.position() == 0) ASSERT_EQ(job.Step(std::chrono::seconds(0)), ExchangeStatus::kRunning);
  // Nothing can be cut while it runs.
  EXPECT_FALSE(editor_->MayBeCut(*N("Box")));
  editor_->ReloadTree(0, 0);
  EXPECT_EQ(job.Step(std::chrono::seconds(1)), ExchangeStatus::kStopped);
  EXPECT_EQ(VerifyTextTable(dir_ / "datauser.dat", false), "");
}

}  // namespace
}  // namespace tazmel
