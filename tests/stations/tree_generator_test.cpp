#include "stations/tree_generator.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/system.h"
#include "fake_prompts.h"
#include "stations/radio_table.h"
#include "stations/station_tree.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"
#include "stations/tree_outline.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using L = GeneratorLevel;
using test::BuildTree;
using test::FakePrompts;
using test::NodeNamed;
using test::Outline;
using test::TempDir;

StationRecord Station(int id, std::string name, std::string genre = "", std::string country = "",
                      std::string city = "") {
  StationRecord r;
  r.VID = std::to_string(id);
  r.VRadioName = std::move(name);
  r.VGenre = std::move(genre);
  r.VCountry = std::move(country);
  r.VCity = std::move(city);
  r.VStreamURL = "http://127.0.0.1/" + r.VID;
  return r;
}

// Writes the scrambled system table and the plain user table of `folder`.
void WriteTables(const fs::path& folder, const std::vector<StationRecord>& system,
                 const std::vector<StationRecord>& user) {
  std::vector<std::string> lines;
  for (const StationRecord& r : system) lines.push_back(ScrambleLine(FormatStationLine(r)));
  ASSERT_TRUE(WriteTextTable(folder / "data.dat", lines));
  lines.clear();
  for (const StationRecord& r : user) lines.push_back(FormatStationLine(r));
  ASSERT_TRUE(WriteTextTable(folder / "datauser.dat", lines));
}

TreeGeneratorOptions Options(std::vector<GeneratorLevel> levels, GeneratorTables tables = GeneratorTables::kAll) {
  TreeGeneratorOptions options;
  std::copy(levels.begin(), levels.end(), options.levels.begin());
  options.tables = tables;
  return options;
}

// One line per node from `node` down: depth, caption, ID and icon.
std::string SubtreeOutline(const TreeNode& node) {
  std::string text;
  for (const TreeNode* at = &node; at != nullptr && node.Contains(*at); at = at->Next()) {
    text += std::string(2 * static_cast<std::size_t>(at->Depth() - node.Depth()), ' ') + at->caption() + " [" +
            std::to_string(NodeID(*at)) + "] " + std::to_string(at->image_index()) + "\n";
  }
  return text;
}

// Each level value in turn, the None gaps that are skipped, and the station
// without a name that gets no path.
TEST(GeneratorPathTest, ValuesPerLevel) {
  StationRecord r = Station(1, "Radio", "Pop", "", "Paris");
  r.VFormat = "4";
  r.VValidity = "2";
  r.VSpeed = "128K";
  r.VLanguage = "French";
  StationRecord unnamed = r;
  unnamed.VRadioName.clear();
  struct Case {
    std::vector<GeneratorLevel> levels;
    const StationRecord* record;
    std::optional<std::vector<std::string>> path;
  };
  const Case cases[] = {
      {{L::kGenre, L::kCountry}, &r, std::vector<std::string>{"Pop", "Unknown"}},
      {{L::kGenre, L::kNone, L::kCity, L::kNone, L::kNone}, &r, std::vector<std::string>{"Pop", "Paris"}},
      {{L::kNone, L::kLanguage, L::kState, L::kSpeed}, &r, std::vector<std::string>{"French", "Unknown", "128K"}},
      {{L::kFormat, L::kValidity}, &r, std::vector<std::string>{"WMP9", "Good"}},
      {{L::kNone}, &r, std::vector<std::string>{}},
      {{L::kGenre}, &unnamed, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StationPath(c.levels, *c.record), c.path) << testing::PrintToString(c.path);
  }
}

// The player kind and quality digits map to their names; anything else is
// Auto or Unknown.
TEST(GeneratorPathTest, FormatAndValidityNames) {
  const std::pair<const char*, const char*> formats[] = {{"0", "Auto"}, {"1", "RP"},  {"2", "WMP"},  {"3", "WMP6"},
                                                         {"4", "WMP9"}, {"", "Auto"}, {"5", "Auto"}, {"11", "Auto"}};
  const std::pair<const char*, const char*> validities[] = {{"1", "Bad"},     {"2", "Good"},    {"3", "Better"},
                                                            {"4", "Best"},    {"0", "Unknown"}, {"", "Unknown"},
                                                            {"x", "Unknown"}, {"44", "Unknown"}};
  StationRecord r = Station(1, "Radio");
  for (const auto& [digit, name] : formats) {
    r.VFormat = digit;
    EXPECT_EQ(LevelValue(L::kFormat, r), name) << "format " << digit;
  }
  for (const auto& [digit, name] : validities) {
    r.VValidity = digit;
    EXPECT_EQ(LevelValue(L::kValidity, r), name) << "validity " << digit;
  }
}

class TreeGeneratorTest : public ::testing::Test {
 protected:
  TempDir dir_;
  FakePrompts prompts_ = [] {
    FakePrompts yes;
    yes.default_answer = true;
    return yes;
  }();
  TreeEditor editor_{dir_.path(), prompts_};
  TreeGenerator generator_;
};

// Stations are filed in table order, system table first, under groups that
// match their captions exactly; an empty value files under Unknown, a None
// level in between adds no step, and a station without a name is left out.
TEST_F(TreeGeneratorTest, FilesStationsUnderExactCaptions) {
  WriteTables(dir_.path(),
              {Station(1, "One", "Pop", ""), Station(2, "Two", "pop", "France"), Station(3, "", "Rock", "Chile"),
               Station(4, "Four", "Rock", "France"), Station(5, "Five", "Pop", "France")},
              {Station(100001, "User", "Pop", "")});
  BuildTree(editor_.tree(), "Favorites [-99] fav.dat\n");

  EXPECT_TRUE(generator_.Run(editor_, Options({L::kGenre, L::kNone, L::kCountry})));

  EXPECT_EQ(Outline(editor_.tree()),
            "Favorites [-99] fav.dat\n"
            "New Group [-101] tree_user1.dat\n"
            "  Pop [-1]\n"
            "    Unknown [-1]\n"
            "      One [1]\n"
            "      User [100001]\n"
            "    France [-1]\n"
            "      Five [5]\n"
            "  pop [-1]\n"
            "    France [-1]\n"
            "      Two [2]\n"
            "  Rock [-1]\n"
            "    France [-1]\n"
            "      Four [4]\n");
  EXPECT_FALSE(generator_.running());
}

// Input handled between records can remove the node being filled (from
// Favorites, by trimming Recently played, or by reloading the whole tree):
// the run stops instead of filing into freed nodes.
TEST_F(TreeGeneratorTest, StopsWhenItsNodeIsRemovedMeanwhile) {
  std::string recent = "Recent [-97] recent.dat\n";
  for (int i = 1; i <= 20; ++i) recent += "  R" + std::to_string(i) + " [" + std::to_string(100 + i) + "]\n";
  struct Case {
    std::string name;
    std::string outline;
    const char* select;
    std::function<void()> interfere;
  } cases[] = {
      {"favorites", "Favorites [-99] fav.dat\n  Fav [12]\n", "Fav", [this] { editor_.RemoveFromFavorites(); }},
      {"recent", recent + "Mine [-101] mine.dat\n  X [50]\n", "R20",
       [this] {
         TreeNode* keep = editor_.selected();
         editor_.Select(NodeNamed(editor_.tree(), "X"));
         editor_.Play();
         editor_.Select(keep);
       }},
      {"reload", "Mine [-101] mine.dat\n  X [50]\n", "X", [this] { editor_.ReloadTree(0, 0); }},
  };
  WriteTables(dir_.path(), {Station(1, "One", "Pop"), Station(2, "Two", "Rock"), Station(3, "Three", "Pop")}, {});
  for (const Case& c : cases) {
    editor_.ReloadTree(-1, -1);
    BuildTree(editor_.tree(), c.outline);
    editor_.Select(NodeNamed(editor_.tree(), c.select));
    int pumped = 0;
    generator_.pump_events = [&] {
      if (++pumped == 2) c.interfere();
    };
    EXPECT_FALSE(generator_.Run(editor_, Options({L::kGenre}, GeneratorTables::kSystem))) << c.name;
    EXPECT_EQ(NodeNamed(editor_.tree(), "New Group"), nullptr) << c.name;
    EXPECT_FALSE(generator_.running()) << c.name;
  }
}

// With every level None the new node holds the chosen table's stations
// directly, in table order, even one without a name.
TEST_F(TreeGeneratorTest, NoLevelsListsStationsDirectly) {
  WriteTables(dir_.path(), {Station(1, "System", "Pop")},
              {Station(100003, "C"), Station(100001, ""), Station(100002, "A")});

  EXPECT_TRUE(generator_.Run(editor_, Options({}, GeneratorTables::kUser)));

  EXPECT_EQ(Outline(editor_.tree()),
            "New Group [-101] tree_user1.dat\n"
            "  C [100003]\n"
            "   [100001]\n"
            "  A [100002]\n");
}

// The new node goes in front of the selection: beside a node below the top
// it is a group; in front of a top node, or last without a selection, it is
// a new user tree with the next icon and the first free file name. It is
// selected and the tree is marked changed.
TEST_F(TreeGeneratorTest, NewNodeInFrontOfSelection) {
  struct Case {
    const char* selected;  // null: no selection
    const char* outline;
    int icon;
  };
  const Case cases[] = {
      {"Mine",
       "Favorites [-99] fav.dat\n  Radio One [12]\nNew Group [-101] tree_user2.dat\n  One [1]\n"
       "Mine [-101] tree_user1.dat\n  Rock [-1]\n    Radio Two [13]\n",
       3},
      {nullptr,
       "Favorites [-99] fav.dat\n  Radio One [12]\nMine [-101] tree_user1.dat\n  Rock [-1]\n    Radio Two [13]\n"
       "New Group [-101] tree_user2.dat\n  One [1]\n",
       3},
      {"Radio Two",
       "Favorites [-99] fav.dat\n  Radio One [12]\nMine [-101] tree_user1.dat\n  Rock [-1]\n"
       "    New Group [-1]\n      One [1]\n    Radio Two [13]\n",
       1},
  };
  WriteTables(dir_.path(), {Station(1, "One")}, {});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.selected ? c.selected : "no selection");
    TreeEditor editor(dir_.path(), prompts_);
    BuildTree(
        editor.tree(),
        "Favorites [-99] fav.dat\n  Radio One [12]\nMine [-101] tree_user1.dat\n  Rock [-1]\n    Radio Two [13]\n");
    editor.Select(c.selected ? NodeNamed(editor.tree(), c.selected) : nullptr);

    EXPECT_TRUE(generator_.Run(editor, Options({}, GeneratorTables::kSystem)));

    EXPECT_EQ(Outline(editor.tree()), c.outline);
    ASSERT_NE(editor.selected(), nullptr);
    EXPECT_EQ(editor.selected()->caption(), "New Group");
    EXPECT_EQ(editor.selected()->image_index(), c.icon);
    EXPECT_EQ(editor.selected()->state_index(), -1);
    EXPECT_TRUE(editor.tree_modified());
  }
}

// A stop requested during the second record ends the run before the third:
// what was filed stays, the user table is not read, and the tree is marked
// changed. While running, the new node, its contents and its ancestors are
// kept from being cut; other nodes are not.
TEST_F(TreeGeneratorTest, StopKeepsPartialTree) {
  WriteTables(
      dir_.path(),
      {Station(1, "One", "Pop"), Station(2, "Two", "Rock"), Station(3, "Three", "Pop"), Station(4, "Four", "Jazz")},
      {Station(100001, "User", "Pop")});
  BuildTree(editor_.tree(), "Favorites [-99] fav.dat\n  Radio One [12]\nMine [-101] tree_user1.dat\n  Rock [-1]\n");
  editor_.Select(NodeNamed(editor_.tree(), "Rock"));
  std::vector<std::pair<int, int>> progress;
  int pumps = 0;
  generator_.pump_events = [&] { ++pumps; };
  generator_.on_progress = [&](int record, int count) {
    progress.emplace_back(record, count);
    if (record == 1) {
      const StationTree& tree = editor_.tree();
      EXPECT_TRUE(generator_.running());
      EXPECT_TRUE(generator_.KeepsNode(*NodeNamed(tree, "New Group")));
      EXPECT_TRUE(generator_.KeepsNode(*NodeNamed(tree, "Mine")));
      EXPECT_FALSE(generator_.KeepsNode(*NodeNamed(tree, "Rock")));
      EXPECT_FALSE(generator_.KeepsNode(*NodeNamed(tree, "Favorites")));
    }
    if (record == 2) generator_.RequestStop();
  };

  EXPECT_FALSE(generator_.Run(editor_, Options({L::kGenre})));

  EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}}));
  EXPECT_EQ(pumps, 2);
  EXPECT_EQ(Outline(editor_.tree()),
            "Favorites [-99] fav.dat\n  Radio One [12]\nMine [-101] tree_user1.dat\n"
            "  New Group [-1]\n    Pop [-1]\n      One [1]\n    Rock [-1]\n      Two [2]\n  Rock [-1]\n");
  EXPECT_TRUE(editor_.tree_modified());
  EXPECT_FALSE(generator_.KeepsNode(*NodeNamed(editor_.tree(), "New Group")));

  // The next run starts with the flag cleared.
  generator_.on_progress = nullptr;
  EXPECT_TRUE(generator_.Run(editor_, Options({L::kGenre})));
}

// Edits made while the run lets events through are followed: a renamed
// group no longer takes stations of its old caption, and groups that moved
// are still found.
TEST_F(TreeGeneratorTest, FollowsEditsMadeMeanwhile) {
  WriteTables(
      dir_.path(),
      {Station(1, "One", "Pop"), Station(2, "Two", "Rock"), Station(3, "Three", "Pop"), Station(4, "Four", "Rock")},
      {});
  generator_.on_progress = [&](int record, int) {
    if (record != 3) return;
    TreeNode* made = NodeNamed(editor_.tree(), "New Group");
    made->child(0)->set_caption("Renamed");
    made->InsertChild(0, std::make_unique<TreeNode>("Dropped", 0, -1, 99));
  };

  EXPECT_TRUE(generator_.Run(editor_, Options({L::kGenre}, GeneratorTables::kSystem)));

  EXPECT_EQ(Outline(editor_.tree()),
            "New Group [-101] tree_user1.dat\n"
            "  Dropped [99]\n"
            "  Renamed [-1]\n"
            "    One [1]\n"
            "  Rock [-1]\n"
            "    Two [2]\n"
            "    Four [4]\n"
            "  Pop [-1]\n"
            "    Three [3]\n");
}

// Missing tables contribute nothing and are not created.
TEST_F(TreeGeneratorTest, MissingTablesReadAsEmpty) {
  EXPECT_TRUE(generator_.Run(editor_, Options({L::kGenre})));
  EXPECT_EQ(Outline(editor_.tree()), "New Group [-101] tree_user1.dat\n");
  EXPECT_FALSE(fs::exists(dir_ / "data.dat"));
  EXPECT_FALSE(fs::exists(dir_ / "datauser.dat"));
}

// The shipped data: a tree by genre and country generated in front of "By
// genre" holds every station once, is saved on Yes, and reads back the same.
TEST(TreeGeneratorShippedDataTest, GeneratedTreeSurvivesSaveAndReload) {
  TempDir dir;
  fs::copy(fs::path(TAZMEL_STAGE_DIR) / "default-data" / "eng", dir.path(), fs::copy_options::recursive);
  FakePrompts prompts;
  prompts.default_answer = true;
  std::string before;
  {
    TreeEditor editor(dir.path(), prompts);
    ASSERT_GT(editor.ReloadTree(-1, -1), 0);
    TreeNode* by_genre = nullptr;
    for (const auto& top : editor.tree().top_nodes()) {
      if (top->caption() == "By genre") by_genre = top.get();
    }
    ASSERT_NE(by_genre, nullptr);
    const int by_genre_index = by_genre->ChildIndex();
    editor.Select(by_genre);
    TreeGenerator generator;
    ASSERT_TRUE(generator.Run(editor, Options({L::kGenre, L::kCountry})));
    const TreeNode* made = editor.tree().Top(by_genre_index);
    ASSERT_EQ(made, editor.selected());
    before = SubtreeOutline(*made);

    // Every station of the table, exactly once.
    std::map<int, int> seen;
    for (const TreeNode* node = made; node != nullptr && made->Contains(*node); node = node->Next()) {
      if (IsStationNode(*node)) ++seen[NodeID(*node)];
    }
    TRadioTable table;
    table.SetTableName(dir / "data.dat");
    table.SetEncry(true);
    ASSERT_TRUE(table.Open());
    const int count = table.RecordCount();
    ASSERT_GT(count, 100);
    std::map<int, int> expected;
    for (int record = 1; record <= count; ++record) {
      ASSERT_TRUE(table.LoadRecord(record));
      ++expected[std::stoi(table.Fields().VID)];
    }
    EXPECT_EQ(seen, expected);
    for (const auto& [id, times] : expected) EXPECT_EQ(times, 1) << id;

    editor.SaveTreeChanges();
    EXPECT_FALSE(editor.tree_modified());
  }

  TreeEditor reread(dir.path(), prompts);
  ASSERT_GT(reread.ReloadTree(-1, -1), 0);
  for (const auto& top : reread.tree().top_nodes()) reread.EnsureLoaded(*top);
  const TreeNode* made = NodeNamed(reread.tree(), "New Group");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->parent(), nullptr);
  EXPECT_EQ(made->id_text(), "-101");
  EXPECT_EQ(made->file_name(), "tree_user1.dat");
  EXPECT_EQ(SubtreeOutline(*made), before);
}

}  // namespace
}  // namespace tazmel
