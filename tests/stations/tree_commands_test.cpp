// Tree commands across a restart, the permissions of odd top IDs, the icon
// of new user trees, and the page Program List opens.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fake_prompts.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"
#include "stations/tree_generator.h"
#include "stations/tree_outline.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::BuildTree;
using test::FakePrompts;
using test::NodeNamed;
using test::TempDir;

const std::string kLookAlike(kEqualsLookAlike);

class TreeCommandsTest : public ::testing::Test {
 protected:
  // Writes the outline's trees to the data folder and reads the lists back,
  // every top node unloaded, as at start-up.
  void UseFiles(std::string_view outline) {
    StationTree tree;
    BuildTree(tree, outline);
    SaveTopLists(tree, dir_.path());
    for (const auto& top : tree.top_nodes()) SaveSubtree(*top, dir_.path());
    editor_.ReloadTree(-1, -1);
  }
  TreeNode* N(std::string_view caption) const { return NodeNamed(editor_.tree(), caption); }
  // Saves with Yes and starts again from the files.
  void Restart() {
    prompts_.answers = {true};
    editor_.SaveTreeChanges();
    editor_.ReloadTree(-1, -1);
  }

  TempDir dir_;
  FakePrompts prompts_;
  TreeEditor editor_{dir_.path(), prompts_};
};

// A top-node caption with "=" comes back after a restart, the look-alike in
// its place, with its subtree; below the top "=" stays as it is.
TEST_F(TreeCommandsTest, CaptionsWithEqualsSurviveARestart) {
  struct Case {
    const char* name;
    std::function<void(TreeEditor&)> change;
    std::string caption;  // as it reads back
    int children;         // of that node once loaded again
    int tops;
  } cases[] = {
      {"add group at the top",
       [](TreeEditor& e) {
         e.Select(nullptr);
         e.AddGroup("Rock=Pop");
       },
       "Rock" + kLookAlike + "Pop", 0, 2},
      {"modify a user tree",
       [](TreeEditor& e) {
         e.Select(NodeNamed(e.tree(), "Mine"));
         e.ModifyGroup("a=b=c");
       },
       "a" + kLookAlike + "b" + kLookAlike + "c", 1, 1},
      {"paste to the top level",
       [](TreeEditor& e) {
         e.Select(NodeNamed(e.tree(), "G=x"));
         e.Copy();
         e.Select(nullptr);
         e.Paste();
       },
       "G" + kLookAlike + "x", 1, 2},
      {"generator name",
       [](TreeEditor& e) {
         e.Select(nullptr);
         TreeGeneratorOptions options;
         options.group_name = "Gen=1";
         TreeGenerator().Run(e, options);
       },
       "Gen" + kLookAlike + "1", 0, 2},
      {"modify a group below the top",
       [](TreeEditor& e) {
         e.Select(NodeNamed(e.tree(), "G=x"));
         e.ModifyGroup("G=y");
       },
       "G=y", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseFiles("Mine [-101] mine.dat\n  G=x [-1]\n    S [5]\n");
    editor_.EnsureLoaded(*N("Mine"));
    c.change(editor_);
    Restart();
    for (const auto& top : editor_.tree().top_nodes()) editor_.EnsureLoaded(*top);
    const TreeNode* node = N(c.caption);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(node->child_count(), c.children);
    EXPECT_EQ(editor_.tree().TopCount(), c.tops);
  }
}

// The look-alike replaces "=" in what a list line holds; file names, which
// follow the first "=", keep theirs.
TEST_F(TreeCommandsTest, TopCaptionAndListLines) {
  EXPECT_EQ(TopCaption("a=b"), "a" + kLookAlike + "b");
  EXPECT_EQ(TopCaption("=="), kLookAlike + kLookAlike);
  EXPECT_EQ(TopCaption("two\r\nlines"), "two  lines");
  EXPECT_EQ(TopCaption("plain"), "plain");

  test::WriteFile(dir_ / "treeuser.dat", "3/-1/-101/Odd=name=odd.dat\r\n");
  test::WriteFile(dir_ / "name=odd.dat", "3/-1/-101/Odd\r\n\t0/-1/7/Seven\r\n");
  editor_.ReloadTree(-1, -1);
  ASSERT_EQ(editor_.tree().TopCount(), 1);
  TreeNode& top = *editor_.tree().Top(0);
  EXPECT_EQ(top.caption(), "Odd");
  EXPECT_EQ(top.file_name(), "name=odd.dat");
  editor_.EnsureLoaded(top);
  EXPECT_EQ(top.child_count(), 1);
  // A caption that got its "=" past the commands is still written readably.
  top.set_caption("x=y");
  ASSERT_TRUE(SaveTopLists(editor_.tree(), dir_.path()));
  EXPECT_EQ(test::ReadFile(dir_ / "treeuser.dat"), "3/-1/-101/x" + kLookAlike + "y=name=odd.dat\r\n");
}

// A top ID that is not a number counts as -1 for what may be done: an other
// system tree, open to structure edits but not to renaming or cutting,
// while its line is stored with the user trees.
TEST_F(TreeCommandsTest, TopIDsThatAreNoNumberCountAsMinusOne) {
  struct Case {
    const char* id_text;
    bool editable;
  } cases[] = {{"abc", false}, {"", false}, {"-101,x", true}, {"-102", true}, {"-1", false}, {"-60", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id_text);
    BuildTree(editor_.tree(), "T [0] t.dat\n  G [-1]\n    S [5]\n");
    editor_.tree().Top(0)->set_id_text(c.id_text);
    TreeNode& top = *editor_.tree().Top(0);
    TreeNode& group = *top.child(0);
    EXPECT_EQ(TreeEditor::IsEditable(top), c.editable);
    EXPECT_EQ(TreeEditor::IsEditable(group), c.editable || std::string(c.id_text) == "-60");
    EXPECT_FALSE(TreeEditor::IsLocked(group));
    editor_.Select(&group);
    const TreeMenuState menu = editor_.MenuState();
    EXPECT_TRUE(menu.add_radio);
    EXPECT_TRUE(menu.test_radio);
    EXPECT_EQ(menu.cut, TreeEditor::IsEditable(group));
    EXPECT_EQ(editor_.ModifyGroup("New"), TreeEditor::IsEditable(group));
    editor_.Select(&top);
    EXPECT_EQ(editor_.ModifyGroup("Top"), c.editable);
  }
}

// New user trees take one more than the highest top icon, bounded by the
// skin's icon list once a skin told it, by every command that makes one.
TEST_F(TreeCommandsTest, NewUserTreeIconFollowsTheSkin) {
  struct Case {
    std::optional<int> last_icon;
    int expected;
  } cases[] = {{std::nullopt, 10}, {12, 10}, {9, 9}, {4, 4}};
  const std::vector<std::function<TreeNode*(TreeEditor&)>> makers = {
      [](TreeEditor& e) {
        e.Select(nullptr);
        return e.AddGroup("New");
      },
      [](TreeEditor& e) {
        e.Select(NodeNamed(e.tree(), "G"));
        e.Copy();
        e.Select(nullptr);
        return e.Paste();
      },
      [](TreeEditor& e) {
        e.Select(nullptr);
        TreeGenerator().Run(e, {});
        return e.selected();
      },
  };
  for (const Case& c : cases) {
    for (std::size_t m = 0; m < makers.size(); ++m) {
      SCOPED_TRACE(std::to_string(c.last_icon.value_or(-1)) + " maker " + std::to_string(m));
      TreeEditor editor(dir_.path(), prompts_);
      BuildTree(editor.tree(), "A [-60] a.dat\n  G [-1]\nB [-101] b.dat\n");
      editor.tree().Top(0)->set_image_index(9);
      editor.tree().Top(1)->set_image_index(3);
      if (c.last_icon) editor.set_last_tree_icon(*c.last_icon);
      const TreeNode* made = makers[m](editor);
      ASSERT_NE(made, nullptr);
      ASSERT_EQ(made->parent(), nullptr);
      EXPECT_EQ(made->image_index(), c.expected);
    }
  }
}

// Every way nodes leave the tree tells the removal listeners first, while
// the nodes are still in it (null for the whole tree), and leaves no
// reference of the editor pointing at a node that is gone.
TEST_F(TreeCommandsTest, RemovalsAreToldFirstAndLeaveNoStaleReferences) {
  std::string recent_entries;
  for (int n = 1; n <= 20; ++n) recent_entries += "  R" + std::to_string(n) + " [" + std::to_string(n) + "]\n";
  const std::string outline =
      "Mine [-101] mine.dat\n  Rock [-1]\n    S [50]\n  Jazz [-1]\n    T [51]\n  U [50]\n"
      "Recent [-97] recent.dat\n" +
      recent_entries;
  struct Case {
    const char* name;
    std::function<void(TreeEditor&)> action;
    std::string heard;
  } cases[] = {
      {"delete", [](TreeEditor& e) { e.DeleteNode(*NodeNamed(e.tree(), "Rock")); }, "Rock "},
      // Recently played (a system tree, read first) holds a copy of S since
      // it was played.
      {"remove station", [](TreeEditor& e) { e.RemoveStationNodes(50); }, "S S U "},
      {"recently played keeps twenty",
       [](TreeEditor& e) {
         e.Select(NodeNamed(e.tree(), "T"));
         e.Play();
       },
       "R19 "},  // R20 went when S was played
      {"paste after cut",
       [](TreeEditor& e) {
         e.Select(NodeNamed(e.tree(), "Rock"));
         e.Cut();
         e.Select(NodeNamed(e.tree(), "Jazz"));
         e.Paste();
       },
       "Rock "},
      {"incorporate after cut",
       [](TreeEditor& e) {
         e.Select(NodeNamed(e.tree(), "Rock"));
         e.Cut();
         e.Select(NodeNamed(e.tree(), "Jazz"));
         e.Incorporate();
       },
       "Rock "},
      {"reload", [](TreeEditor& e) { e.ReloadTree(-1, -1); }, "<all> "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseFiles(outline);
    for (const auto& top : editor_.tree().top_nodes()) editor_.EnsureLoaded(*top);
    // Playing, found, clipboard and selection all inside Rock.
    editor_.Select(N("S"));
    editor_.Play();
    editor_.Select(N("Mine"));
    ASSERT_NE(editor_.Find({.text = "S"}), nullptr);
    editor_.Select(N("Rock"));
    editor_.Copy();
    editor_.Select(N("S"));
    std::string heard;
    const int handle = editor_.AddRemovalListener([&](const TreeNode* removed) {
      if (removed == nullptr) {
        heard += "<all> ";
        return;
      }
      heard += removed->caption() + " ";
      EXPECT_GE(editor_.tree().IndexOf(*removed), 0) << removed->caption();
    });
    c.action(editor_);
    editor_.RemoveRemovalListener(handle);
    EXPECT_EQ(heard, c.heard);
    // Compared as pointers only: a stale one must not be looked into.
    std::vector<const TreeNode*> alive;
    for (const TreeNode* node = editor_.tree().First(); node != nullptr; node = node->Next()) alive.push_back(node);
    const std::vector<const TreeNode*> refs = {editor_.playing_node(), editor_.found_node(), editor_.clipboard_node(),
                                               editor_.selected()};
    for (const TreeNode* ref : refs) {
      EXPECT_TRUE(ref == nullptr || std::find(alive.begin(), alive.end(), ref) != alive.end());
    }
  }
}

// Schedule page, else home page, completed; only http and https addresses
// with a host come out.
TEST(ProgramListAddressTest, CompletedWebPagesOnly) {
  struct Case {
    const char* schedule;
    const char* home;
    std::optional<std::string> address;
  } cases[] = {
      {"www.example.com/prog", "home.example", "http://www.example.com/prog/"},
      {"", "https://home.example", "https://home.example/"},
      {"  ", " home.example ", "http://home.example/"},
      {"HTTP://Loud.example/", "", "HTTP://Loud.example/"},
      {"", "", std::nullopt},
      {"http://", "", std::nullopt},
      {"https:///path", "", std::nullopt},
      {"httpd.example.com", "", std::nullopt},  // "http" in front: not completed
      {"http://a.example/\x01", "", std::nullopt},
      {"ftp://files.example/list", "", std::nullopt},
      {"file:///etc/passwd", "", std::nullopt},
      {"javascript:alert(1)", "", std::nullopt},
      {"mailto:", "", std::nullopt},
      {"localhost:8000/today", "", "http://localhost:8000/today/"},
  };
  for (const Case& c : cases) {
    StationRecord record;
    record.VSchedule = c.schedule;
    record.VHomepage = c.home;
    EXPECT_EQ(ProgramListAddress(record), c.address) << c.schedule << "|" << c.home;
  }
}

// The selected station's record comes from the table of its ID, the system
// table scrambled; a group, a missing record or missing tables give nothing
// and create no files.
TEST_F(TreeCommandsTest, ProgramListReadsTheSelectedStation) {
  BuildTree(editor_.tree(), "T [-101] t.dat\n  Sys [5]\n  User [100001]\n  Gone [100009]\n  G [-1]\n");
  for (const char* name : {"Sys", "User", "G"}) {
    editor_.Select(N(name));
    EXPECT_EQ(editor_.ProgramListAddress(), std::nullopt) << name;
  }
  EXPECT_FALSE(fs::exists(dir_ / "data.dat"));
  EXPECT_FALSE(fs::exists(dir_ / "datauser.dat"));

  StationRecord system;
  system.VID = "5";
  system.VRadioName = "Sys";
  system.VHomepage = "sys.example";
  StationRecord user;
  user.VID = "100001";
  user.VRadioName = "User";
  user.VSchedule = "https://user.example/week";
  ASSERT_TRUE(WriteTextTable(dir_ / "data.dat", {ScrambleLine(FormatStationLine(system))}));
  ASSERT_TRUE(WriteTextTable(dir_ / "datauser.dat", {FormatStationLine(user)}));
  struct Case {
    const char* name;
    std::optional<std::string> address;
  } cases[] = {{"Sys", "http://sys.example/"},
               {"User", "https://user.example/week/"},
               {"Gone", std::nullopt},
               {"G", std::nullopt}};
  for (const Case& c : cases) {
    editor_.Select(N(c.name));
    EXPECT_EQ(editor_.ProgramListAddress(), c.address) << c.name;
  }
}

}  // namespace
}  // namespace tazmel
