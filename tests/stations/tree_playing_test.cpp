#include <algorithm>
#include <deque>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/messages.h"
#include "core/system.h"
#include "fake_prompts.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"
#include "stations/tree_outline.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::BuildTree;
using test::FakePrompts;
using test::NodeNamed;
using test::Outline;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

// Outline lines for stations `first`..`last` named S<n> with ID n, one level
// below a top node.
std::string Stations(int first, int last) {
  std::string lines;
  for (int n = first; n <= last; ++n) lines += "  S" + std::to_string(n) + " [" + std::to_string(n) + "]\n";
  return lines;
}

// The node's subtree in outline form, the node itself first.
std::string SubtreeOutline(const TreeNode& node) {
  std::string text;
  for (const TreeNode* at = &node; at != nullptr && node.Contains(*at); at = at->Next()) {
    text += std::string(2 * static_cast<std::size_t>(at->Depth()), ' ') + at->caption() + " [" +
            std::to_string(NodeID(*at)) + "]\n";
  }
  return text;
}

std::string MenuOutline(const std::vector<StationMenuItem>& items, int depth = 0) {
  std::string text;
  for (const StationMenuItem& item : items) {
    text += std::string(2 * static_cast<std::size_t>(depth), ' ') + item.caption + " " + std::to_string(item.tag) +
            (item.is_station ? " *" : "") + "\n" + MenuOutline(item.children, depth + 1);
  }
  return text;
}

class TreePlayingTest : public ::testing::Test {
 protected:
  TreePlayingTest() {
    prompts_.strict = true;
    fs::create_directories(data_);
    editor_.hooks().play_station = [this](int id) { played_.push_back(id); };
    editor_.hooks().repaint = [this](const TreeNode& node) { repainted_.push_back(node.caption()); };
  }

  // A tree in memory, every top node loaded, on a fresh editor state.
  void UseTree(std::string_view outline) {
    editor_.ReloadTree(-1, -1);
    BuildTree(editor_.tree(), outline);
  }

  // Writes the outline's trees as list and subtree files and reads the lists
  // back, as at start-up: every top node waits unloaded.
  void UseFiles(std::string_view outline) {
    StationTree tree;
    BuildTree(tree, outline);
    SaveTopLists(tree, data_);
    for (const auto& top : tree.top_nodes()) SaveSubtree(*top, data_);
    editor_.ReloadTree(-1, -1);
  }

  // Everything the files hold, every subtree loaded.
  std::string OnDisk() const {
    StationTree tree;
    LoadTopLists(tree, data_);
    for (const auto& top : tree.top_nodes()) EnsureLoaded(*top, data_);
    return Outline(tree);
  }

  TreeNode& Node(std::string_view caption) {
    TreeNode* node = NodeNamed(editor_.tree(), caption);
    if (node == nullptr) throw std::runtime_error("no node " + std::string(caption));
    return *node;
  }

  void LoadAll() {
    for (const auto& top : editor_.tree().top_nodes()) editor_.EnsureLoaded(*top);
  }

  void PlayNamed(std::string_view caption) {
    editor_.Select(&Node(caption));
    editor_.Play();
  }

  std::string PlayingCaption() const {
    return editor_.playing_node() != nullptr ? editor_.playing_node()->caption() : "";
  }

  TempDir dir_;
  const fs::path data_ = dir_ / "data";
  FakePrompts prompts_;
  std::vector<int> played_;
  std::vector<std::string> repainted_;
  TreeEditor editor_{data_, prompts_};
};

class RecentlyPlayedTest : public TreePlayingTest {};
class StepPlayingTest : public TreePlayingTest {};
class FavoritesTest : public TreePlayingTest {};
class StationMenuTest : public TreePlayingTest {};
class ChannelStationsTest : public TreePlayingTest {};
class SaveTreeTest : public TreePlayingTest {};

// Play hands a selected station to the engine and moves the playing mark;
// anything else is not played.
TEST_F(TreePlayingTest, PlayHandsTheStationToTheEngine) {
  UseTree("Mine [-101] mine.dat\n  Rock [-1]\n    A [1]\n  B [2]\n");
  PlayNamed("A");
  PlayNamed("B");
  PlayNamed("Rock");
  PlayNamed("Mine");
  editor_.Select(nullptr);
  editor_.Play();
  EXPECT_EQ(played_, (std::vector<int>{1, 2}));
  EXPECT_EQ(PlayingCaption(), "B");
  EXPECT_EQ(repainted_, (std::vector<std::string>{"A", "A", "B"}));
}

// The newest first, at most 20, each station once: a station played again
// moves to the top.
TEST_F(RecentlyPlayedTest, KeepsTwentyNewestOnce) {
  UseTree("All [-101] all.dat\n" + Stations(1, 25) + "Recent [-97] recent.dat\n");
  for (int n = 1; n <= 21; ++n) PlayNamed("S" + std::to_string(n));
  const TreeNode& recent = Node("Recent");
  ASSERT_EQ(recent.child_count(), 20);
  EXPECT_EQ(recent.child(0)->caption(), "S21");
  EXPECT_EQ(recent.child(19)->caption(), "S2");

  PlayNamed("S5");
  std::string expected = "Recent [-97]\n  S5 [5]\n";
  for (int n = 21; n >= 2; --n) {
    if (n != 5) expected += "  S" + std::to_string(n) + " [" + std::to_string(n) + "]\n";
  }
  EXPECT_EQ(SubtreeOutline(recent), expected);
  EXPECT_TRUE(editor_.recent_changed());
  EXPECT_FALSE(editor_.tree_modified());
}

// Playing an entry of Recently played itself leaves the list as it is.
TEST_F(RecentlyPlayedTest, PlayingAnEntryChangesNothing) {
  UseTree("Recent [-97] recent.dat\n  X [1]\n  Y [2]\n");
  PlayNamed("Y");
  EXPECT_EQ(SubtreeOutline(Node("Recent")), "Recent [-97]\n  X [1]\n  Y [2]\n");
  EXPECT_FALSE(editor_.recent_changed());
  EXPECT_EQ(played_, std::vector<int>{2});
}

// The first play after start-up loads the saved list before adding to it,
// and an entry that goes takes the references to it along.
TEST_F(RecentlyPlayedTest, LoadsSavedListAndForgetsRemovedEntries) {
  UseFiles("Recent [-97] recent.dat\n  X [1]\n  Y [2]\nMine [-101] mine.dat\n  Y [2]\n  Z [3]\n");
  editor_.EnsureLoaded(Node("Mine"));
  PlayNamed("Z");
  EXPECT_EQ(SubtreeOutline(Node("Recent")), "Recent [-97]\n  Z [3]\n  X [1]\n  Y [2]\n");

  editor_.Select(Node("Recent").child(2));
  editor_.Copy();
  editor_.Select(Node("Mine").child(0));
  editor_.Play();
  EXPECT_EQ(SubtreeOutline(Node("Recent")), "Recent [-97]\n  Y [2]\n  Z [3]\n  X [1]\n");
  EXPECT_EQ(editor_.clipboard_node(), nullptr);
  EXPECT_EQ(editor_.playing_node(), Node("Mine").child(0));
}

// Steps from a freshly read tree: groups and unloaded trees are entered,
// empty groups passed, and the ends wrap as the playing position requires.
TEST_F(StepPlayingTest, WalksInDisplayOrder) {
  const std::string tree =
      "Sys [-60] sys.dat\n  A [1]\n  Empty [-1]\n  G [-1]\n    Inner [-1]\n    B [2]\n"
      "Mine [-101] mine.dat\n  C [3]\n  Hollow [-1]\n  D [4]\n";
  const std::string tree_and_bare = tree + "Bare [-102] bare.dat\n";
  struct Case {
    const std::string& outline;
    std::string steps;  // n: next, p: previous
    std::vector<std::string> playing;
  } cases[] = {
      {tree, "nnnnn", {"A", "B", "C", "D", "A"}},
      {tree, "pppp", {"D", "C", "B", "A"}},
      {tree, "nnpnp", {"A", "B", "A", "B", "A"}},
      // A step that finds nothing before the end goes round: from the first
      // station (only its top node lies before it) and from a last station
      // followed by an empty tree.
      {tree, "npp", {"A", "D", "C"}},
      {tree_and_bare, "nnnnnn", {"A", "B", "C", "D", "A", "B"}},
      {tree_and_bare, "p", {"D"}},
  };
  for (const Case& c : cases) {
    UseFiles(c.outline);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const int id = c.steps[i] == 'n' ? editor_.PlayNextStation() : editor_.PlayPreviousStation();
      EXPECT_EQ(PlayingCaption(), c.playing[i]) << c.steps << " step " << i;
      EXPECT_EQ(id, editor_.playing_node() ? NodeID(*editor_.playing_node()) : 0) << c.steps << " step " << i;
    }
  }
}

// The landing station is shown: every node above it is expanded.
TEST_F(StepPlayingTest, ExpandsTheWayToTheStation) {
  UseFiles("Sys [-60] sys.dat\n  G [-1]\n    H [-1]\n      B [2]\n");
  EXPECT_EQ(editor_.PlayPreviousStation(), 2);
  for (const char* caption : {"Sys", "G", "H"}) EXPECT_TRUE(Node(caption).expanded()) << caption;
  EXPECT_TRUE(played_.empty());  // the caller plays what a step returns
}

// An empty tree, or one without stations, has nothing to step to.
TEST_F(StepPlayingTest, NothingToPlay) {
  for (const char* outline : {"", "Only [-101] only.dat\n  G [-1]\n"}) {
    UseTree(outline);
    EXPECT_EQ(editor_.PlayNextStation(), 0) << outline;
    EXPECT_EQ(editor_.PlayPreviousStation(), 0) << outline;
    EXPECT_EQ(editor_.playing_node(), nullptr) << outline;
  }
}

// Next scrolls to the top when it starts there, Previous to the bottom and
// one line up for every group or top node it passes on the way back.
TEST_F(StepPlayingTest, ScrollRequests) {
  const std::string tree = "Sys [-60] sys.dat\n  A [1]\n  G [-1]\n    H [-1]\n    B [2]\nLast [-101] last.dat\n";
  using S = TreeScroll;
  struct Case {
    const char* playing;  // empty: none
    bool next;
    std::vector<TreeScroll> scrolls;
    const char* lands;
  } cases[] = {
      {"", true, {S::kToTop}, "A"},
      {"A", true, {}, "B"},
      {"B", true, {S::kToTop}, "A"},                 // only an empty tree follows: round to the top
      {"", false, {S::kToBottom, S::kLineUp}, "B"},  // the empty last tree is passed
      {"B", false, {S::kLineUp, S::kLineUp}, "A"},
      {"A", false, {S::kLineUp, S::kToBottom, S::kLineUp}, "B"},
  };
  std::vector<TreeScroll> scrolls;
  editor_.hooks().scroll = [&](TreeScroll where) { scrolls.push_back(where); };
  std::vector<std::string> shown;
  editor_.hooks().make_visible = [&](const TreeNode& node) { shown.push_back(node.caption()); };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.playing) + (c.next ? " next" : " previous"));
    UseFiles(tree);
    LoadAll();
    if (*c.playing != '\0') PlayNamed(c.playing);
    scrolls.clear();
    shown.clear();
    if (c.next) {
      editor_.PlayNextStation();
    } else {
      editor_.PlayPreviousStation();
    }
    EXPECT_EQ(scrolls, c.scrolls);
    EXPECT_EQ(PlayingCaption(), c.lands);
    EXPECT_EQ(shown, std::vector<std::string>{c.lands});
  }
}

// A station started elsewhere becomes the playing node by its ID, and the
// steps go on from there.
TEST_F(StepPlayingTest, PlayingStationStartedElsewhere) {
  const std::string tree =
      "Sys [-60] sys.dat\n  A [1]\n  B [2]\n  G [-1]\n    C [2]\n    D [3]\nOnly [-101] only.dat\n  E [4]\n"
      "Recent [-97] recent.dat\n  R2 [2]\n  R5 [5]\n";
  struct Case {
    const char* playing;   // before; empty: none
    const char* selected;  // empty: none
    int id;
    const char* becomes;  // empty: none
    const char* next;
  } cases[] = {
      {"", "", 2, "B", "C"},   {"C", "", 2, "C", "D"},    {"", "C", 2, "C", "D"}, {"A", "D", 2, "B", "C"},
      {"", "", 4, "E", "R2"},  {"A", "", 99, "", "A"},    {"D", "", 0, "D", "E"}, {"D", "", -1, "D", "E"},
      {"", "R2", 1, "A", "B"}, {"", "R2", 2, "R2", "R5"}, {"", "", 5, "R5", "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.playing) + "/" + c.selected + "/" + std::to_string(c.id));
    UseTree(tree);
    if (*c.playing != '\0') PlayNamed(c.playing);
    editor_.Select(*c.selected != '\0' ? &Node(c.selected) : nullptr);
    editor_.SetPlayingStation(c.id);
    EXPECT_EQ(PlayingCaption(), c.becomes);
    editor_.PlayNextStation();
    EXPECT_EQ(PlayingCaption(), c.next);
  }
  // Only what is in memory counts: an unloaded tree is not read for it.
  UseFiles(tree);
  editor_.SetPlayingStation(4);
  EXPECT_EQ(editor_.playing_node(), nullptr);
  EXPECT_FALSE(Node("Only").HasChildren());
}

// The old and the new playing rows are repainted; nothing when the mark
// stays where it is.
TEST_F(StepPlayingTest, PlayingStationRepaintsBothRows) {
  UseTree("Sys [-60] sys.dat\n  A [1]\n  B [2]\n");
  PlayNamed("A");
  repainted_.clear();
  editor_.SetPlayingStation(2);
  editor_.SetPlayingStation(2);
  EXPECT_EQ(repainted_, (std::vector<std::string>{"A", "B"}));
}

// Add copies the selection into Favorites, also a group onto a collapsed
// Favorites tree; a node already in Favorites is not added again.
TEST_F(FavoritesTest, Add) {
  struct Case {
    const char* select;
    std::string favorites;
  } cases[] = {
      {"Three", "Fav [-99]\n  One [12]\n  Three [14]\n"},
      {"Rock", "Fav [-99]\n  One [12]\n  Rock [-1]\n    Two [13]\n"},
      {"One", ""},
      {"Fav", ""},
  };
  for (const Case& c : cases) {
    UseTree("Fav [-99] fav.dat\n  One [12]\nMine [-101] mine.dat\n  Rock [-1]\n    Two [13]\n  Three [14]\n");
    const std::string before = Outline(editor_.tree());
    editor_.Select(&Node(c.select));
    editor_.AddToFavorites();
    if (c.favorites.empty()) {
      EXPECT_EQ(Outline(editor_.tree()), before) << c.select;
    } else {
      EXPECT_EQ(SubtreeOutline(Node("Fav")), c.favorites) << c.select;
      EXPECT_EQ(editor_.tree().TopCount(), 2) << c.select;
    }
    EXPECT_EQ(editor_.favorites_changed(), !c.favorites.empty()) << c.select;
    EXPECT_FALSE(editor_.tree_modified()) << c.select;
  }
}

// Remove deletes an entry of Favorites, never the Favorites tree itself nor
// a node elsewhere.
TEST_F(FavoritesTest, Remove) {
  struct Case {
    const char* select;
    bool removed;
  } cases[] = {{"One", true}, {"Fav", false}, {"Three", false}};
  for (const Case& c : cases) {
    UseTree("Fav [-99] fav.dat\n  One [12]\nMine [-101] mine.dat\n  Three [14]\n");
    editor_.Select(&Node(c.select));
    editor_.RemoveFromFavorites();
    EXPECT_EQ(SubtreeOutline(*editor_.tree().Top(0)), c.removed ? "Fav [-99]\n" : "Fav [-99]\n  One [12]\n")
        << c.select;
    EXPECT_EQ(editor_.tree_modified(), c.removed) << c.select;
    EXPECT_TRUE(editor_.deleted_tree_files().empty()) << c.select;
  }
}

// Without the special trees, playing still works and their commands do
// nothing.
TEST_F(FavoritesTest, MissingSpecialTreesDoNothing) {
  UseTree("Mine [-101] mine.dat\n  A [1]\n");
  PlayNamed("A");
  editor_.AddToFavorites();
  EXPECT_EQ(Outline(editor_.tree()), "Mine [-101] mine.dat\n  A [1]\n");
  EXPECT_FALSE(editor_.recent_changed());
  EXPECT_FALSE(editor_.favorites_changed());
  EXPECT_TRUE(editor_.ChannelStations().empty());
  EXPECT_EQ(played_, std::vector<int>{1});
}

// The menu mirrors the tree; it is refilled when empty, while the tree is
// changed, and once after Recently played or a loaded subtree changed it.
TEST_F(StationMenuTest, MirrorsTreeAndRebuildsOnlyWhenNeeded) {
  UseTree("Recent [-97] recent.dat\nMine [-101] mine.dat\n  Rock [-1]\n    Two [13]\n  Three [14]\n");
  std::vector<StationMenuItem> menu;
  ASSERT_TRUE(editor_.BuildStationMenu(menu));
  EXPECT_EQ(MenuOutline(menu), "Recent 0\nMine 0\n  Rock -1\n    Two 13 *\n  Three 14 *\n");
  EXPECT_FALSE(editor_.BuildStationMenu(menu));

  PlayNamed("Three");
  EXPECT_TRUE(editor_.BuildStationMenu(menu));
  EXPECT_EQ(MenuOutline(menu), "Recent 0\n  Three 14 *\nMine 0\n  Rock -1\n    Two 13 *\n  Three 14 *\n");
  EXPECT_FALSE(editor_.BuildStationMenu(menu));

  editor_.MarkModified();
  EXPECT_TRUE(editor_.BuildStationMenu(menu));
  EXPECT_TRUE(editor_.BuildStationMenu(menu));

  std::vector<StationMenuItem> other;
  EXPECT_TRUE(editor_.BuildStationMenu(other));
}

// Trees not loaded yet come with a loader instead of items: it reads the
// tree when its submenu opens, Recently played's saved entries included, and
// still finds the tree after a reload, but not once it is gone.
TEST_F(StationMenuTest, UnloadedTreesLoadWhenOpened) {
  UseFiles("Recent [-97] recent.dat\n  Old [7]\nFav [-99] fav.dat\n  G [-1]\n    F [8]\nEmpty [-101] none.dat\n");
  fs::remove(data_ / "none.dat");
  std::vector<StationMenuItem> menu;
  ASSERT_TRUE(editor_.BuildStationMenu(menu));
  ASSERT_EQ(menu.size(), 3u);
  for (const StationMenuItem& item : menu) {
    EXPECT_TRUE(item.children.empty()) << item.caption;
    EXPECT_TRUE(item.load_children) << item.caption;
  }
  EXPECT_FALSE(Node("Recent").HasChildren());
  std::vector<std::string> loaded;
  editor_.hooks().loaded = [&](TreeNode& top) { loaded.push_back(top.caption()); };
  EXPECT_EQ(MenuOutline(menu[0].load_children()), "Old 7 *\n");
  EXPECT_TRUE(Node("Recent").HasChildren());
  EXPECT_EQ(loaded, std::vector<std::string>{"Recent"});  // the view hears of it
  EXPECT_EQ(MenuOutline(menu[0].load_children()), "Old 7 *\n");
  EXPECT_EQ(loaded.size(), 1u);
  EXPECT_TRUE(MenuOutline(menu[2].load_children()).empty());

  // Once loaded, the next menu holds the items itself.
  std::vector<StationMenuItem> again;
  ASSERT_TRUE(editor_.BuildStationMenu(again));
  EXPECT_FALSE(again[0].load_children);
  EXPECT_EQ(MenuOutline(again[0].children), "Old 7 *\n");
  EXPECT_FALSE(again[2].load_children);  // its file is missing: known empty

  editor_.ReloadTree(-1, -1);
  EXPECT_EQ(MenuOutline(menu[1].load_children()), "G -1\n  F 8 *\n");
  editor_.DeleteNode(Node("Fav"));
  editor_.DeleteNode(Node("Recent"));
  EXPECT_TRUE(menu[1].load_children().empty());
  EXPECT_TRUE(menu[0].load_children().empty());
}

// A tree nested absurdly deep (a damaged file) gives a menu of bounded depth
// instead of exhausting the stack.
TEST_F(StationMenuTest, DeepTreeGivesBoundedMenu) {
  UseTree("Deep [-101] deep.dat\n");
  TreeNode* node = editor_.tree().Top(0);
  for (int i = 0; i < 200000; ++i) node = &node->AddChild(std::make_unique<TreeNode>("g", 1, -1, -1));
  std::vector<StationMenuItem> menu;
  ASSERT_TRUE(editor_.BuildStationMenu(menu));
  int depth = 0;
  for (const std::vector<StationMenuItem>* level = &menu; !level->empty(); level = &level->front().children) ++depth;
  EXPECT_GT(depth, 8);
  EXPECT_LT(depth, 100);
}

// The channel buttons get the first ten children of the channels tree,
// loaded from its file, or fewer when it has fewer.
TEST_F(ChannelStationsTest, FirstTenChildren) {
  for (int count : {3, 12}) {
    UseFiles("Channels [-11] channels.dat\n" + Stations(1, count));
    std::vector<std::pair<int, std::string>> expected;
    for (int n = 1; n <= std::min(count, 10); ++n) expected.emplace_back(n, "S" + std::to_string(n));
    EXPECT_EQ(editor_.ChannelStations(), expected) << count;
  }
}

// No keeps every change unsaved, Recently played included, and asks again
// at the next save; Yes writes it all and the question stops.
TEST_F(SaveTreeTest, NoKeepsChangesAndAsksAgain) {
  UseFiles("Recent [-97] recent.dat\n  Old [7]\nMine [-101] mine.dat\n  A [1]\n");
  const std::string before = OnDisk();
  editor_.EnsureLoaded(Node("Mine"));
  PlayNamed("A");
  Node("Mine").child(0)->set_caption("A2");
  editor_.MarkModified();

  prompts_.answers = {false};
  editor_.SaveTreeChanges();
  EXPECT_EQ(prompts_.questions, std::vector<std::string>{Msg(63)});
  EXPECT_EQ(OnDisk(), before);
  EXPECT_TRUE(editor_.tree_modified());
  EXPECT_TRUE(editor_.recent_changed());

  prompts_.answers = {true};
  editor_.SaveTreeChanges();
  EXPECT_EQ(prompts_.questions.size(), 2u);
  EXPECT_EQ(OnDisk(), "Recent [-97] recent.dat\n  A [1]\n  Old [7]\nMine [-101] mine.dat\n  A2 [1]\n");

  editor_.SaveTreeChanges();
  EXPECT_EQ(prompts_.questions.size(), 2u);
  EXPECT_FALSE(editor_.tree_modified() || editor_.recent_changed() || editor_.favorites_changed());
}

// Changes of Recently played and Favorites alone are saved without asking,
// and nothing else is written with them.
TEST_F(SaveTreeTest, RecentAndFavoritesWithoutAsking) {
  UseFiles("Favorites [-99] fav.dat\nRecent [-97] recent.dat\nMine [-101] mine.dat\n  A [1]\n  B [2]\n");
  editor_.EnsureLoaded(Node("Mine"));
  Node("B").set_caption("B2");  // unsaved, as no change was recorded
  PlayNamed("A");
  editor_.AddToFavorites();
  editor_.SaveTreeChanges();
  EXPECT_TRUE(prompts_.questions.empty());
  EXPECT_EQ(OnDisk(),
            "Favorites [-99] fav.dat\n  A [1]\nRecent [-97] recent.dat\n  A [1]\n"
            "Mine [-101] mine.dat\n  A [1]\n  B [2]\n");
  EXPECT_FALSE(editor_.recent_changed() || editor_.favorites_changed());
}

// Yes writes the lists and every loaded tree that is not locked; locked and
// unloaded trees keep their files.
TEST_F(SaveTreeTest, WritesLoadedUnlockedTrees) {
  UseFiles("Locked [-20] locked.dat\n  L [5]\nMine [-101] mine.dat\n  A [1]\nLater [-102] later.dat\n  Z [9]\n");
  editor_.EnsureLoaded(Node("Locked"));
  editor_.EnsureLoaded(Node("Mine"));
  Node("L").set_caption("L2");
  Node("A").set_caption("A2");
  auto fresh = std::make_unique<TreeNode>("Fresh", 3, -1, 0);
  fresh->set_id_text("-101");
  fresh->set_file_name("tree_user1.dat");
  editor_.tree().AddTop(std::move(fresh));
  editor_.MarkModified();

  prompts_.answers = {true};
  editor_.SaveTreeChanges();
  EXPECT_EQ(OnDisk(),
            "Locked [-20] locked.dat\n  L [5]\nMine [-101] mine.dat\n  A2 [1]\n"
            "Later [-102] later.dat\n  Z [9]\nFresh [-101] tree_user1.dat\n");
  EXPECT_EQ(ReadFile(data_ / "tree_user1.dat"), "3/-1/-101/Fresh\r\n");
}

// A subtree file that exists but cannot be read (here: over the size limit)
// is never replaced by the little that is in memory, not even for Recently
// played, which saves without asking.
TEST_F(SaveTreeTest, UnreadableTreeFilesAreNotOverwritten) {
  UseFiles("Recent [-97] recent.dat\nMine [-101] mine.dat\n  A [1]\n");
  fs::resize_file(data_ / "recent.dat", kMaxTreeFileBytes + 1);
  fs::resize_file(data_ / "mine.dat", kMaxTreeFileBytes + 1);
  editor_.EnsureLoaded(Node("Recent"));
  editor_.EnsureLoaded(Node("Mine"));
  EXPECT_TRUE(Node("Mine").load_failed());
  editor_.AddGroup("New");
  editor_.MarkModified();
  auto other = std::make_unique<TreeNode>("Other", 3, -1, 0);
  other->set_id_text("-102");
  other->set_file_name("other.dat");
  TreeNode& added = editor_.tree().AddTop(std::move(other));
  added.AddChild(std::make_unique<TreeNode>("B", 0, -1, 2));
  editor_.Select(&Node("B"));
  editor_.Play();  // Recently played changes
  prompts_.answers = {true};
  editor_.SaveTreeChanges();
  EXPECT_EQ(fs::file_size(data_ / "recent.dat"), kMaxTreeFileBytes + 1);
  EXPECT_EQ(fs::file_size(data_ / "mine.dat"), kMaxTreeFileBytes + 1);
  EXPECT_TRUE(fs::exists(data_ / "other.dat"));
}

// A deleted tree's file goes only when the user agrees to save, found
// without regard to case.
TEST_F(SaveTreeTest, DeletedTreeFileRemovedOnlyOnYes) {
  UseFiles("Sys [-60] sys.dat\n  A [1]\nMine [-101] tree_user1.dat\n  B [2]\n");
  fs::rename(data_ / "tree_user1.dat", data_ / "Tree_User1.DAT");

  editor_.DeleteNode(Node("Mine"));
  prompts_.answers = {false};
  editor_.SaveTreeChanges();
  EXPECT_TRUE(fs::exists(data_ / "Tree_User1.DAT"));
  EXPECT_TRUE(editor_.deleted_tree_files().empty());

  editor_.ReloadTree(-1, -1);
  editor_.DeleteNode(Node("Mine"));
  prompts_.answers = {true};
  editor_.SaveTreeChanges();
  EXPECT_FALSE(fs::exists(data_ / "Tree_User1.DAT"));
  EXPECT_EQ(OnDisk(), "Sys [-60] sys.dat\n  A [1]\n");
}

// Names of deleted trees from damaged lists never reach outside the data
// folder, its list files, a folder, or a file another tree still uses.
TEST_F(SaveTreeTest, DeletedTreeFileNamesAreContained) {
  UseFiles(
      "Sys [-60] sys.dat\n  A [1]\nOut [-102] ../outside.dat\nList [-103] TREESYS.DAT\nSub [-104] sub\n"
      "One [-105] shared.dat\nTwo [-106] shared.dat\n");
  WriteFile(dir_ / "outside.dat", "keep");
  fs::remove(data_ / "sub");
  fs::create_directory(data_ / "sub");
  for (const char* caption : {"Out", "List", "Sub", "One"}) editor_.DeleteNode(Node(caption));
  prompts_.answers = {true};
  editor_.SaveTreeChanges();
  EXPECT_EQ(ReadFile(dir_ / "outside.dat"), "keep");
  EXPECT_TRUE(fs::is_directory(data_ / "sub"));
  EXPECT_TRUE(fs::exists(data_ / "shared.dat"));
  EXPECT_EQ(OnDisk(), "Sys [-60] sys.dat\n  A [1]\nTwo [-106] shared.dat\n");
}

// The position saved on exit brings the playing station back at the next
// start, whichever trees were loaded when it was taken.
TEST_F(SaveTreeTest, TreePositionRoundTrip) {
  struct Case {
    const char* playing;
    std::pair<int, int> position;
    int node_count;
  } cases[] = {
      {"A", {1, 2}, 8},
      {"B", {1, 4}, 8},
      {"C", {2, 3}, 5},
      {"", {0, 0}, 4},
  };
  for (const Case& c : cases) {
    UseFiles(
        "Recent [-97] recent.dat\nSys [-60] sys.dat\n  A [1]\n  G [-1]\n    B [2]\n  E [-1]\n"
        "Mine [-101] mine.dat\n  C [3]\nLast [-102] last.dat\n  Z [9]\n");
    LoadAll();
    if (*c.playing != '\0') PlayNamed(c.playing);
    const std::pair<int, int> position = editor_.GetTreePosition();
    EXPECT_EQ(position, c.position) << c.playing;

    editor_.MarkModified();  // forgotten with the tree
    EXPECT_EQ(editor_.ReloadTree(position.first, position.second), c.node_count) << c.playing;
    EXPECT_EQ(PlayingCaption(), c.playing);
    EXPECT_EQ(editor_.selected(), editor_.playing_node()) << c.playing;
    EXPECT_FALSE(editor_.tree_modified()) << c.playing;
  }
  EXPECT_TRUE(prompts_.questions.empty());
}

// Only indexes that name a station restore a playing station.
TEST_F(SaveTreeTest, ReloadRestoresOnlyStations) {
  struct Case {
    int top_index, select_index;
    const char* playing;
  } cases[] = {{0, 2, "A"}, {0, 1, ""}, {-1, 2, ""}, {5, 9, ""}};
  UseFiles("Sys [-60] sys.dat\n  G [-1]\n    A [1]\n");
  for (const Case& c : cases) {
    editor_.ReloadTree(c.top_index, c.select_index);
    EXPECT_EQ(PlayingCaption(), c.playing) << c.top_index << "," << c.select_index;
  }
}

}  // namespace
}  // namespace tazmel
