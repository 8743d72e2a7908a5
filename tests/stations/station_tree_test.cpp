#include "stations/station_tree.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "stations/tree_files.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Two GB18030 captions: a two-byte pair and a four-byte sequence.
constexpr char kChinese[] = "\xD6\xD0\xCE\xC4";
constexpr char kFourByte[] = "\x81\x30\x89\x38";

// One line per node below `node` (the node itself first), two blanks per
// level: "image/state/id caption".
std::string Outline(const TreeNode& node) {
  std::string text;
  const int base = node.Depth();
  for (const TreeNode* at = &node; at != nullptr && node.Contains(*at); at = at->Next()) {
    text += std::string(2 * (at->Depth() - base), ' ') + std::to_string(at->image_index()) + "/" +
            std::to_string(at->state_index()) + "/" + std::to_string(NodeID(*at)) + " " + at->caption() + "\n";
  }
  return text;
}

std::string TopLine(const TreeNode& top) {
  return std::to_string(top.image_index()) + "/" + std::to_string(top.state_index()) + "/" + top.id_text() + "/" +
         top.caption() + "=" + top.file_name() + (top.expandable() ? " +" : "");
}

std::vector<std::string> TopLines(const StationTree& tree) {
  std::vector<std::string> lines;
  for (const auto& top : tree.top_nodes()) lines.push_back(TopLine(*top));
  return lines;
}

std::unique_ptr<TreeNode> MakeTop(std::string caption, std::string id_text, std::string file_name) {
  auto top = std::make_unique<TreeNode>(std::move(caption), 2, -1, 0);
  top->set_id_text(std::move(id_text));
  top->set_file_name(std::move(file_name));
  top->set_expandable(true);
  return top;
}

TreeNode& Add(TreeNode& parent, std::string caption, int id) {
  return parent.AddChild(std::make_unique<TreeNode>(std::move(caption), id < 0 ? 1 : 0, -1, id));
}

class TreeFilesTest : public ::testing::Test {
 protected:
  // A tree with one user top node reading `file_name`, whose subtree file
  // holds `content`; returns the loaded top node.
  TreeNode& LoadSubtreeText(std::string_view content, const std::string& file_name = "tree_user1.dat") {
    WriteFile(dir_ / file_name, content);
    TreeNode& top = tree_.AddTop(MakeTop("Mine", "-101", file_name));
    EXPECT_TRUE(LoadSubtree(top, dir_.path()));
    return top;
  }

  TempDir dir_;
  StationTree tree_;
};

// System lines come before user lines whatever the file names' letter case,
// and every top node waits expandable for its subtree.
TEST_F(TreeFilesTest, SystemListThenUserList) {
  WriteFile(dir_ / "treesys.dat",
            "0/-1/-11/Channels=channels.dat\r\n3/-1/-99/Favorites=fav.dat\r\n4/-1/-50/All=all.dat");
  WriteFile(dir_ / "TreeUser.DAT", "5/-1/-101/My stations=tree_user1.dat\n\n6/-1/-102/More=tree_user2.dat\n");
  LoadTopLists(tree_, dir_.path());
  EXPECT_EQ(TopLines(tree_), (std::vector<std::string>{
                                 "0/-1/-11/Channels=channels.dat +",
                                 "3/-1/-99/Favorites=fav.dat +",
                                 "4/-1/-50/All=all.dat +",
                                 "5/-1/-101/My stations=tree_user1.dat +",
                                 "6/-1/-102/More=tree_user2.dat +",
                             }));

  // Loading again starts from an empty tree.
  fs::remove(dir_ / "TreeUser.DAT");
  LoadTopLists(tree_, dir_.path());
  EXPECT_EQ(tree_.TopCount(), 3);
}

// Fields split at the first three "/" and the first "="; whatever is missing
// or not a number becomes -1.
TEST_F(TreeFilesTest, TopListLineFields) {
  struct Case {
    std::string line;
    int image, state, id;
    std::string id_text, caption, file;
  } cases[] = {
      {"5/-1/-101/My stations=tree_user1.dat", 5, -1, -101, "-101", "My stations", "tree_user1.dat"},
      {"1/2/-60,extra/a/b=c=d", 1, 2, -60, "-60,extra", "a/b", "c=d"},
      {"1/2/-50/no equals", 1, 2, -50, "-50", "", "no equals"},
      {"5/3/-101", 5, 3, -101, "-101", "", ""},
      {"x/y/z/c=f", -1, -1, -1, "z", "c", "f"},
      {"99999999999999/7/99999999999999/c=f", -1, 7, -1, "99999999999999", "c", "f"},
      {"only", -1, -1, -1, "", "", ""},
      {std::string("1/2/-3/") + kChinese + "=f", 1, 2, -3, "-3", kChinese, "f"},
  };
  for (const Case& c : cases) {
    WriteFile(dir_ / "treesys.dat", c.line + "\r\n");
    LoadTopLists(tree_, dir_.path());
    ASSERT_EQ(tree_.TopCount(), 1) << c.line;
    const TreeNode& top = *tree_.Top(0);
    EXPECT_EQ(top.image_index(), c.image) << c.line;
    EXPECT_EQ(top.state_index(), c.state) << c.line;
    EXPECT_EQ(NodeID(top), c.id) << c.line;
    EXPECT_EQ(top.id_text(), c.id_text) << c.line;
    EXPECT_EQ(top.caption(), c.caption) << c.line;
    EXPECT_EQ(top.file_name(), c.file) << c.line;
  }
}

// Saving sorts by ID class, writes each ID text as it was read, and reads
// back unchanged.
TEST_F(TreeFilesTest, TopListsWriteAndReadBack) {
  WriteFile(dir_ / "treesys.dat",
            "5/-1/-101,x/User first=u1.dat\n1/2/-60,extra/a/b=c=d\n7/-1/abc/Named=n.dat\n0/-1/ -11/Ch=ch.dat\n");
  LoadTopLists(tree_, dir_.path());
  ASSERT_TRUE(SaveTopLists(tree_, dir_.path()));
  EXPECT_EQ(ReadFile(dir_ / "treesys.dat"), "1/2/-60,extra/a/b=c=d\r\n0/-1/ -11/Ch=ch.dat\r\n");
  EXPECT_EQ(ReadFile(dir_ / "treeuser.dat"), "5/-1/-101,x/User first=u1.dat\r\n7/-1/abc/Named=n.dat\r\n");

  const std::vector<std::string> before = TopLines(tree_);
  StationTree reread;
  LoadTopLists(reread, dir_.path());
  EXPECT_EQ(TopLines(reread), (std::vector<std::string>{before[1], before[3], before[0], before[2]}));
}

// A top node whose subtree file is missing or unreadable loses its expand
// button at the first attempt, and is not tried again.
TEST_F(TreeFilesTest, UnreadableSubtreeFileGivesLeaf) {
  fs::create_directory(dir_ / "folder.dat");
  WriteFile(dir_ / "huge.dat", "");
  fs::resize_file(dir_ / "huge.dat", kMaxTreeFileBytes + 1);
  for (const char* file : {"missing.dat", "folder.dat", "huge.dat"}) {
    TreeNode& top = tree_.AddTop(MakeTop("T", "-50", file));
    EXPECT_TRUE(EnsureLoaded(top, dir_.path())) << file;
    EXPECT_FALSE(top.expandable()) << file;
    EXPECT_FALSE(top.HasChildren()) << file;
    EXPECT_FALSE(EnsureLoaded(top, dir_.path())) << file;
  }
}

// The documented example: a group holding station 123, then station 456.
TEST_F(TreeFilesTest, SubtreeExample) {
  TreeNode& top = LoadSubtreeText(
      "7/3/-101/ignored caption\r\n\t1/-1/-1/Group\r\n\t\t0/-1/123/Station A\r\n"
      "\t0/-1/456/Station B\r\n");
  EXPECT_EQ(Outline(top),
            "7/3/-101 Mine\n"
            "  1/-1/-1 Group\n"
            "    0/-1/123 Station A\n"
            "  0/-1/456 Station B\n");
  EXPECT_TRUE(top.expandable());
  EXPECT_TRUE(IsGroupNode(*top.child(0)));
  EXPECT_TRUE(IsStationNode(*top.child(1)));
}

// How lines attach: by level relative to the line before, with too-deep and
// level-0 lines dropped, and odd fields read as -1.
TEST_F(TreeFilesTest, SubtreeLinesTable) {
  struct Case {
    const char* name;
    std::string file, outline;
  } cases[] = {
      {"too deep line dropped, next placed normally", "0/0/0/T\n\t1/0/-1/G\n\t\t\t0/0/1/too deep\n\t\t0/0/2/in G\n",
       "0/0/-101 Mine\n  1/0/-1 G\n    0/0/2 in G\n"},
      {"shallower goes back to the ancestor's level",
       "0/0/0/T\n\t1/0/-1/A\n\t\t1/0/-2/AA\n\t\t\t0/0/1/s\n\t\t0/0/2/t\n\t1/0/-3/B\n",
       "0/0/-101 Mine\n  1/0/-1 A\n    1/0/-2 AA\n      0/0/1 s\n    0/0/2 t\n  1/0/-3 B\n"},
      {"blanks count as levels, mixed with TABs", "0/0/0/T\n 1/0/-1/G\n \t0/0/5/s\n",
       "0/0/-101 Mine\n  1/0/-1 G\n    0/0/5 s\n"},
      {"lines at the top's own level and empty lines are dropped",
       "0/0/0/T\n0/0/9/beside top\n\n\t0/0/1/a\r\n\r\n\t0/0/2/b", "0/0/-101 Mine\n  0/0/1 a\n  0/0/2 b\n"},
      {"caption keeps / and = and GB18030 bytes", std::string("0/0/0/T\n\t0/0/1/a/b=c ") + kChinese + "\n",
       std::string("0/0/-101 Mine\n  0/0/1 a/b=c ") + kChinese + "\n"},
      {"non-numbers and missing fields are -1", "x/y/z/T\n\tx/y/z/bad\n\t1/2\n\t99999999999999/1/-99999999999999/big\n",
       "-1/-1/-101 Mine\n  -1/-1/-1 bad\n  1/2/-1 \n  -1/1/-1 big\n"},
      {"absurd indentation is just too deep", "0/0/0/T\n" + std::string(100000, '\t') + "0/0/1/far\n\t0/0/2/near\n",
       "0/0/-101 Mine\n  0/0/2 near\n"},
      {"an empty file leaves the top as it was", "", "2/-1/-101 Mine\n"},
  };
  for (const Case& c : cases) {
    StationTree tree;
    WriteFile(dir_ / "t.dat", c.file);
    TreeNode& top = tree.AddTop(MakeTop("Mine", "-101", "t.dat"));
    EXPECT_TRUE(LoadSubtree(top, dir_.path())) << c.name;
    EXPECT_EQ(Outline(top), c.outline) << c.name;
  }
}

// What is saved reads back with the same structure, captions, IDs and icons;
// the top node's own line takes its ID from the ID text.
TEST_F(TreeFilesTest, SubtreeSavesAndReadsBack) {
  TreeNode& top = tree_.AddTop(MakeTop("Top", "-101,7", "Tree_User1.DAT"));
  TreeNode& group = Add(top, std::string("Group/with=") + kChinese, -1);
  Add(group, kFourByte, 123).set_state_index(4);
  TreeNode& inner = Add(group, "Inner", -5);
  Add(inner, "deep", 0);
  Add(top, "", 456);
  WriteFile(dir_ / "tree_user1.dat", "stale");
  ASSERT_TRUE(SaveSubtree(top, dir_.path()));

  // The existing file is replaced under its own spelling.
  EXPECT_FALSE(fs::exists(dir_ / "Tree_User1.DAT"));
  EXPECT_EQ(ReadFile(dir_ / "tree_user1.dat"), std::string("2/-1/-101/Top\r\n"
                                                           "\t1/-1/-1/Group/with=") +
                                                   kChinese + "\r\n\t\t0/4/123/" + kFourByte +
                                                   "\r\n"
                                                   "\t\t1/-1/-5/Inner\r\n"
                                                   "\t\t\t0/-1/0/deep\r\n"
                                                   "\t0/-1/456/\r\n");

  StationTree reread;
  TreeNode& copy = reread.AddTop(MakeTop("Top", "-101,7", "tree_user1.dat"));
  ASSERT_TRUE(LoadSubtree(copy, dir_.path()));
  EXPECT_EQ(Outline(copy), Outline(top));

  // A node below the top is written from its own level.
  ASSERT_TRUE(SaveSubtree(inner, dir_.path()));
  EXPECT_EQ(ReadFile(dir_ / "tree_user1.dat"), "1/-1/-5/Inner\r\n\t0/-1/0/deep\r\n");
}

// Deep chains load and save level by level, and a chain far deeper than any
// file could hold walks and is freed without running out of stack.
TEST_F(TreeFilesTest, VeryDeepSubtrees) {
  std::string file = "0/0/0/T\n";
  std::string saved = "0/0/-101/Mine\r\n";
  for (int level = 1; level <= 2000; ++level) {
    file += std::string(level, '\t') + "1/0/-1/g\n";
    saved += std::string(level, '\t') + "1/0/-1/g\r\n";
  }
  TreeNode& top = LoadSubtreeText(file);
  EXPECT_EQ(top.LastDescendant()->Depth(), 2000);
  ASSERT_TRUE(SaveSubtree(top, dir_.path()));
  EXPECT_EQ(ReadFile(dir_ / "tree_user1.dat"), saved);

  constexpr int kDepth = 200000;
  auto chain = std::make_unique<StationTree>();
  TreeNode* at = &chain->AddTop(MakeTop("T", "-101", "x.dat"));
  for (int level = 1; level <= kDepth; ++level) at = &Add(*at, "g", -1);
  EXPECT_EQ(at->Depth(), kDepth);
  EXPECT_EQ(chain->IndexOf(*at), kDepth);
  EXPECT_EQ(chain->Last(), at);
  chain.reset();
}

// A subtree file name must stay a plain name inside the data folder: others
// are neither read nor written, and the top node becomes a leaf.
TEST_F(TreeFilesTest, UnsafeSubtreeFileNames) {
  const fs::path data = dir_ / "data";
  WriteFile(dir_ / "outside.dat", "0/0/0/T\n\t0/0/1/planted\n");
  WriteFile(data / "sub" / "inside.dat", "0/0/0/T\n\t0/0/1/nested\n");
  for (const char* name : {"../outside.dat", "..\\outside.dat", "sub/inside.dat", "..", ".", "", "a..b"}) {
    TreeNode& top = tree_.AddTop(MakeTop("T", "-101", name));
    EXPECT_FALSE(LoadSubtree(top, data)) << name;
    EXPECT_FALSE(top.expandable()) << name;
    Add(top, "new", 1);
    EXPECT_FALSE(SaveSubtree(top, data)) << name;
  }
  EXPECT_EQ(ReadFile(dir_ / "outside.dat"), "0/0/0/T\n\t0/0/1/planted\n");
  EXPECT_EQ(ReadFile(data / "sub" / "inside.dat"), "0/0/0/T\n\t0/0/1/nested\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 2);
  EXPECT_EQ(std::distance(fs::directory_iterator(data), fs::directory_iterator()), 1);
}

// The folder's tables and list files are never read or written as a
// subtree: a planted list line cannot wipe the user's stations.
TEST_F(TreeFilesTest, TablesAreNotSubtreeFiles) {
  const std::string stations = "100001\tMine\r\n";
  for (const char* name : {"datauser.dat", "DATA.IDP", "treesys.dat", "treeuser.dat", "tree.dat", "data.idi"}) {
    WriteFile(dir_ / name, stations);
    TreeNode& top = tree_.AddTop(MakeTop("Evil", "-101", name));
    EXPECT_FALSE(LoadSubtree(top, dir_.path())) << name;
    Add(top, "x", 1);
    EXPECT_FALSE(SaveSubtree(top, dir_.path())) << name;
    EXPECT_EQ(ReadFile(dir_ / name), stations) << name;
  }
  TreeNode& fine = tree_.AddTop(MakeTop("Fine", "-101", "data_backup.dat"));
  Add(fine, "x", 1);
  EXPECT_TRUE(SaveSubtree(fine, dir_.path()));
}

// Files saved with CR-only line ends read line by line like the others, and
// captions holding line breaks are written so that they stay one line.
TEST_F(TreeFilesTest, CrOnlyFilesAndBreaksInCaptions) {
  TreeNode& top = LoadSubtreeText("1/-1/-101/Mine\r\t1/-1/-1/Group\r\t\t0/-1/7/Seven\r");
  EXPECT_EQ(Outline(top), "1/-1/-101 Mine\n  1/-1/-1 Group\n    0/-1/7 Seven\n");

  WriteFile(dir_ / "treesys.dat", "2/-1/-99/Favorites=fav.dat\r3/-1/-97/Recent=recent.dat\r");
  StationTree lists;
  LoadTopLists(lists, dir_.path());
  ASSERT_EQ(lists.TopCount(), 2);
  EXPECT_EQ(lists.Top(0)->file_name(), "fav.dat");

  top.child(0)->set_caption("two\r\nlines");
  ASSERT_TRUE(SaveSubtree(top, dir_.path()));
  TreeNode& again = LoadSubtreeText(ReadFile(dir_ / "tree_user1.dat"), "tree_user1.dat");
  EXPECT_EQ(again.child(0)->caption(), "two  lines");
  EXPECT_EQ(again.child(0)->child(0)->caption(), "Seven");
}

// With treesys.dat present only user lines of tree.dat survive, in
// treeuser.dat; without it tree.dat becomes treesys.dat byte for byte.
TEST_F(TreeFilesTest, MigrateLegacyTreeFile) {
  const std::string legacy = "0/-1/-11/Ch=ch.dat\n5/-1/-101/Mine=tree_user1.dat\r\n7/-1/abc/Odd=o.dat\n\n";
  WriteFile(dir_ / "treesys.dat", "system");
  WriteFile(dir_ / "treeuser.dat", "old user");
  WriteFile(dir_ / "Tree.dat", legacy);
  EXPECT_TRUE(MigrateLegacyTreeFile(dir_.path()));
  EXPECT_FALSE(fs::exists(dir_ / "Tree.dat"));
  EXPECT_EQ(ReadFile(dir_ / "treesys.dat"), "system");
  EXPECT_EQ(ReadFile(dir_ / "treeuser.dat"), "5/-1/-101/Mine=tree_user1.dat\r\n7/-1/abc/Odd=o.dat\r\n");

  // No user line: treeuser.dat stays as it was.
  WriteFile(dir_ / "tree.dat", "0/-1/-11/Ch=ch.dat\n");
  EXPECT_TRUE(MigrateLegacyTreeFile(dir_.path()));
  EXPECT_FALSE(fs::exists(dir_ / "tree.dat"));
  EXPECT_EQ(ReadFile(dir_ / "treeuser.dat"), "5/-1/-101/Mine=tree_user1.dat\r\n7/-1/abc/Odd=o.dat\r\n");

  // Without treesys.dat.
  fs::remove(dir_ / "treesys.dat");
  WriteFile(dir_ / "tree.dat", legacy);
  EXPECT_TRUE(MigrateLegacyTreeFile(dir_.path()));
  EXPECT_FALSE(fs::exists(dir_ / "tree.dat"));
  EXPECT_EQ(ReadFile(dir_ / "treesys.dat"), legacy);

  // Nothing to migrate.
  EXPECT_FALSE(MigrateLegacyTreeFile(dir_.path()));
}

// When the user lines cannot be written, tree.dat stays for the next start.
TEST_F(TreeFilesTest, MigrationKeepsLegacyFileWhenWriteFails) {
  WriteFile(dir_ / "treesys.dat", "system");
  WriteFile(dir_ / "treeuser.dat", "locked");
  fs::permissions(dir_ / "treeuser.dat", fs::perms::owner_read);
  WriteFile(dir_ / "tree.dat", "5/-1/-101/Mine=tree_user1.dat\n");
  EXPECT_FALSE(MigrateLegacyTreeFile(dir_.path()));
  EXPECT_TRUE(fs::exists(dir_ / "tree.dat"));
  EXPECT_EQ(ReadFile(dir_ / "treeuser.dat"), "locked");
}

// The smallest free number, compared without regard to case.
TEST(NewUserTreeFileNameTest, SmallestFreeNumber) {
  StationTree tree;
  EXPECT_EQ(NewUserTreeFileName(tree), "tree_user1.dat");
  for (const char* used : {"tree_user1.dat", "TREE_USER2.DAT", "tree_user4.dat"})
    tree.AddTop(MakeTop("T", "-101", used));
  EXPECT_EQ(NewUserTreeFileName(tree), "tree_user3.dat");
}

// The kind of tree follows the top node's ID text, anywhere inside it.
TEST(TopNodeClassTest, ByTopNodeID) {
  struct Case {
    std::string id_text;
    bool user, favorites, recent, editable, locked, channels;
  } cases[] = {
      {"-101", true, false, false, false, false, false}, {"abc", true, false, false, false, false, false},
      {"", true, false, false, false, false, false},     {"-100", false, false, false, false, false, false},
      {"-99", false, true, false, true, false, false},   {"-97,x", false, false, true, true, false, false},
      {"-51", false, false, false, true, false, false},  {"-50", false, false, false, false, false, false},
      {"-49", false, false, false, false, true, false},  {"-11", false, false, false, false, true, true},
      {"-10", false, false, false, false, false, false}, {"3", false, false, false, false, false, false},
  };
  for (const Case& c : cases) {
    StationTree tree;
    TreeNode& top = tree.AddTop(MakeTop("T", c.id_text, "f.dat"));
    const TreeNode& inside = Add(Add(top, "G", -1), "S", 1);
    for (const TreeNode* node : {static_cast<const TreeNode*>(&top), &inside}) {
      EXPECT_EQ(IsUserTree(*node), c.user) << c.id_text;
      EXPECT_EQ(IsFavorites(*node), c.favorites) << c.id_text;
      EXPECT_EQ(IsRecentlyPlayed(*node), c.recent) << c.id_text;
      EXPECT_EQ(IsEditableSystemTree(*node), c.editable) << c.id_text;
      EXPECT_EQ(IsLockedSystemTree(*node), c.locked) << c.id_text;
      EXPECT_EQ(IsChannelsTree(*node), c.channels) << c.id_text;
    }
  }
}

// Station or group is the sign of the ID below the top, never the icon or
// children; a top node is neither, and a new ID keeps its file name.
TEST(NodeIDTest, StationsGroupsAndTopNodes) {
  StationTree tree;
  TreeNode& top = tree.AddTop(MakeTop("T", "-101,extra", "f.dat"));
  TreeNode& station = Add(top, "S", 0);
  station.set_image_index(1);
  TreeNode& group = Add(top, "G", -7);
  EXPECT_TRUE(IsStationNode(station));
  EXPECT_TRUE(IsGroupNode(group));
  EXPECT_FALSE(IsStationNode(top) || IsGroupNode(top));
  EXPECT_EQ(&TopNode(station), &top);
  EXPECT_EQ(NodeID(top), -101);

  SetNodeID(top, -102);
  SetNodeID(station, 77);
  EXPECT_EQ(top.id_text(), "-102");
  EXPECT_EQ(top.file_name(), "f.dat");
  EXPECT_EQ(NodeID(station), 77);
}

// A, a1, a1x, a2, B, C, c1 in display order.
class TreeWalkTest : public ::testing::Test {
 protected:
  TreeWalkTest() {
    TreeNode& a = tree_.AddTop(MakeTop("A", "-50", "a.dat"));
    Add(Add(a, "a1", -1), "a1x", 1);
    Add(a, "a2", 2);
    tree_.AddTop(MakeTop("B", "-51", "b.dat"));
    Add(tree_.AddTop(MakeTop("C", "-52", "c.dat")), "c1", 3);
  }

  std::string Forward() const {
    std::string text;
    for (const TreeNode* at = tree_.First(); at != nullptr; at = at->Next()) text += at->caption() + " ";
    return text;
  }

  std::string Backward() const {
    std::string text;
    for (const TreeNode* at = tree_.Last(); at != nullptr; at = at->Previous()) text += at->caption() + " ";
    return text;
  }

  StationTree tree_;
};

// Next and Previous run across top nodes, both ways, and stop at the ends.
TEST_F(TreeWalkTest, DisplayOrderBothWays) {
  EXPECT_EQ(Forward(), "A a1 a1x a2 B C c1 ");
  EXPECT_EQ(Backward(), "c1 C B a2 a1x a1 A ");
  EXPECT_EQ(StationTree().First(), nullptr);
  EXPECT_EQ(StationTree().Last(), nullptr);
}

// Every node's index, path, depth and siblings lead back to it.
TEST_F(TreeWalkTest, IndexesAndPathsRoundTrip) {
  ASSERT_EQ(tree_.NodeCount(), 7);
  const int depths[] = {0, 1, 2, 1, 0, 0, 1};
  int index = 0;
  for (TreeNode* at = tree_.First(); at != nullptr; at = at->Next(), ++index) {
    EXPECT_EQ(tree_.IndexOf(*at), index) << at->caption();
    EXPECT_EQ(tree_.NodeAt(index), at) << at->caption();
    EXPECT_EQ(tree_.NodeAtPath(tree_.PathOf(*at)), at) << at->caption();
    EXPECT_EQ(at->Depth(), depths[index]) << at->caption();
    if (TreeNode* next = at->NextSibling()) {
      EXPECT_EQ(next->PreviousSibling(), at) << at->caption();
    }
    EXPECT_EQ(at->parent() == nullptr ? tree_.Top(at->ChildIndex()) : at->parent()->child(at->ChildIndex()), at);
  }
  EXPECT_EQ(tree_.NodeAt(-1), nullptr);
  EXPECT_EQ(tree_.NodeAt(7), nullptr);
  EXPECT_EQ(tree_.NodeAtPath(std::vector<int>{}), nullptr);
  EXPECT_EQ(tree_.NodeAtPath(std::vector<int>{0, 5}), nullptr);
  TreeNode other;
  EXPECT_EQ(tree_.IndexOf(other), -1);
  EXPECT_EQ(tree_.Top(1)->NextSibling(), tree_.Top(2));
}

// Moving and removing subtrees keeps parents, positions and expand marks
// right, and a node never moves into itself.
TEST_F(TreeWalkTest, MoveAndRemove) {
  TreeNode& a = *tree_.Top(0);
  TreeNode& a1 = *a.child(0);
  TreeNode& c = *tree_.Top(2);
  ASSERT_TRUE(tree_.Move(a1, &c, 0));
  EXPECT_EQ(a1.parent(), &c);
  EXPECT_EQ(a.child(0)->caption(), "a2");
  EXPECT_EQ(a.child(0)->ChildIndex(), 0);
  EXPECT_EQ(Forward(), "A a2 B C a1 a1x c1 ");

  EXPECT_FALSE(tree_.Move(c, &a1, 0));
  EXPECT_FALSE(tree_.Move(a1, a1.child(0), 0));
  TreeNode stray;
  EXPECT_FALSE(tree_.Move(stray, &c, 0));

  ASSERT_TRUE(tree_.Move(a1, nullptr, 1));
  EXPECT_EQ(a1.parent(), nullptr);
  EXPECT_EQ(Forward(), "A a2 a1 a1x B C c1 ");

  std::unique_ptr<TreeNode> a2 = a.child(0)->Detach();
  EXPECT_EQ(a2->parent(), nullptr);
  EXPECT_FALSE(a.expandable());
  EXPECT_EQ(a2->Detach(), nullptr);
  a.InsertChild(0, std::move(a2));
  EXPECT_TRUE(a.expandable());
  EXPECT_EQ(tree_.IndexOf(*tree_.Top(2)), 4);
  EXPECT_EQ(Backward(), "c1 C B a1x a1 a2 A ");
}

}  // namespace
}  // namespace tazmel
