#include "online/data_install.h"

#include <gtest/gtest.h>

#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

ZipEntry File(std::string name, std::string data = "x") {
  return {std::move(name), ZipEntry::Kind::kFile, std::move(data)};
}

class PlanArchiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The user has a tree of his own and favourites.
    test::WriteFile(data_ / "treeuser.dat", "0/0/-101/Mine=tree_user1.dat\r\n");
    test::WriteFile(data_ / "treesys.dat", "0/0/-99/Favorites=favorites.dat\r\n");
    test::WriteFile(data_ / "favorites.dat", "0/0/-99/Favorites\r\n");
  }
  ArchivePlan Plan(std::vector<ZipEntry> entries) { return PlanArchive(std::move(entries), "eng", data_); }

  test::TempDir dir_;
  std::filesystem::path data_ = dir_ / "data/eng";
};

// Every way out of data/<code>/, and every user file, refuses the whole
// archive, however harmless the other entries are.
TEST_F(PlanArchiveTest, RefusesEscapesAndUserFiles) {
  struct Case {
    const char* what;
    ZipEntry entry;
  };
  const Case cases[] = {
      {"absolute", File("/etc/cron.d/x")},
      {"dot dot", File("data/eng/../../User.ini")},
      {"dot dot inside", File("data/eng/../eng/genre.dat")},
      {"dot", File("data/eng/./genre.dat")},
      {"backslash", File("data\\eng\\genre.dat")},
      {"drive", File("C:/data/eng/genre.dat")},
      {"other language", File("data/chs/genre.dat")},
      {"program folder", File("tazmel")},
      {"settings", File("User.ini")},
      {"subfolder", File("data/eng/sub/genre.dat")},
      {"empty part", File("data//eng/genre.dat")},
      {"link", {"data/eng/genre2.dat", ZipEntry::Kind::kOther, "/etc/passwd"}},
      {"other folder", {"data/eng/sub/", ZipEntry::Kind::kFolder, ""}},
      {"user table", File("data/eng/datauser.dat")},
      {"user table index", File("data/eng/DataUser.idp")},
      {"user tree list", File("data/eng/treeuser.dat")},
      {"user tree", File("data/eng/Tree_User1.dat")},
      {"not data", File("data/eng/notes.txt\n")},
  };
  for (const Case& c : cases) {
    const ArchivePlan plan = Plan({File("data/eng/genre.dat"), c.entry});
    EXPECT_FALSE(plan.ok()) << c.what;
    EXPECT_TRUE(plan.files.empty()) << c.what;
  }
  EXPECT_FALSE(Plan({File("data/eng/genre.dat"), File("data/eng/GENRE.dat")}).ok()) << "repeated";
  EXPECT_FALSE(Plan({File("data/eng/data.dat"), File("data/eng/data.idp")}).ok()) << "table without .idi";
  EXPECT_FALSE(Plan({}).ok()) << "nothing";
}

// A clean archive installs its files; the user's existing favourites stay.
TEST_F(PlanArchiveTest, KeepsFavoritesAndTakesTheRest) {
  const ArchivePlan plan = Plan({{"data/", ZipEntry::Kind::kFolder, ""},
                                 {"data/eng/", ZipEntry::Kind::kFolder, ""},
                                 File("data/eng/data.dat"),
                                 File("data/eng/data.idp"),
                                 File("data/eng/data.idi"),
                                 File("data/eng/treesys.dat", "new"),
                                 File("data/eng/favorites.dat", "theirs"),
                                 File("data/eng/recent.dat", "r")});
  ASSERT_TRUE(plan.ok()) << plan.error;
  std::vector<std::string> names;
  for (const StagedFile& f : plan.files) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"data.dat", "data.idp", "data.idi", "treesys.dat", "recent.dat"}));
}

// A staged table must match its index; a commit replaces files whatever
// their case and leaves the user's files alone.
TEST_F(PlanArchiveTest, StagesVerifiesAndCommits) {
  const std::filesystem::path built = dir_ / "built";
  std::filesystem::create_directories(built);
  StationRecord station;
  station.VID = "1";
  station.VRadioName = "One";
  station.VStreamURL = "http://127.0.0.1/one";
  ASSERT_TRUE(WriteTextTable(built / "data.dat", {ScrambleLine(FormatStationLine(station))}));
  std::vector<ZipEntry> entries;
  for (const char* name : {"data.dat", "data.idp", "data.idi"}) {
    entries.push_back(File(std::string("data/eng/") + name, test::ReadFile(built / name)));
  }
  entries.push_back(File("data/eng/treesys.dat", "new list\r\n"));

  test::WriteFile(data_ / "TreeSys.dat", "old list\r\n");
  std::filesystem::remove(data_ / "treesys.dat");
  test::WriteFile(data_ / "datauser.dat", "100001\tmine\r\n");

  // A table whose index belongs to another table is refused at staging.
  std::vector<ZipEntry> mixed = entries;
  mixed[0].data = ScrambleLine(FormatStationLine(station)) + "\r\n" + ScrambleLine("2\tTwo") + "\r\n";
  const std::filesystem::path staging = StagingFolder(data_);
  std::string error;
  EXPECT_FALSE(StageArchive(Plan(std::move(mixed)), staging, error));
  EXPECT_FALSE(std::filesystem::exists(staging));

  const ArchivePlan plan = Plan(std::move(entries));
  ASSERT_TRUE(plan.ok()) << plan.error;
  ASSERT_TRUE(StageArchive(plan, staging, error)) << error;
  ASSERT_TRUE(CommitStaged(staging, data_, error)) << error;
  EXPECT_FALSE(std::filesystem::exists(staging));
  EXPECT_EQ(test::ReadFile(data_ / "TreeSys.dat"), "new list\r\n");
  EXPECT_FALSE(std::filesystem::exists(data_ / "treesys.dat") &&
               !std::filesystem::equivalent(data_ / "treesys.dat", data_ / "TreeSys.dat"));
  EXPECT_EQ(test::ReadFile(data_ / "datauser.dat"), "100001\tmine\r\n");
  EXPECT_EQ(VerifyTextTable(data_ / "data.dat", true), "");
}

}  // namespace
}  // namespace tazmel
