#include "stations/tree_editor.h"

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "core/system.h"
#include "fake_prompts.h"
#include "stations/tree_outline.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using test::FakePrompts;
using test::NodeNamed;
using test::TempDir;
using test::WriteFile;

// "Top(Group(Station,…),…) Top2(…)": captions only, for placement checks.
std::string NodeShape(const TreeNode& node) {
  std::string text = node.caption();
  if (!node.HasChildren()) return text;
  text += "(";
  for (const auto& child : node.children()) text += NodeShape(*child) + (child->NextSibling() ? "," : "");
  return text + ")";
}

std::string TreeShape(const StationTree& tree) {
  std::string text;
  for (const auto& top : tree.top_nodes()) text += (text.empty() ? "" : " ") + NodeShape(*top);
  return text;
}

// A user tree, an editable system tree (Favorites), a plain system tree and a
// locked one; station 13 stands in three of them.
constexpr std::string_view kTree = R"(
Favorites [-99] fav.dat
  Fav One [12]
  Fav Group [-1]
Mine [-101] mine.dat
  Rock [-1]
    Radio Two [13]
    Radio Three [14]
  Jazz [-1]
  Solo [15]
Channels [-11] chan.dat
  Chan One [13]
System [-5] sys.dat
  Pop [-1]
    Pop Two [13]
)";

class TreeEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { Build(kTree); }
  // A fresh editor on the outline; hooks set so far carry over.
  void Build(std::string_view outline) {
    TreeEditorHooks hooks = editor_ ? editor_->hooks() : TreeEditorHooks{};
    editor_.emplace(dir_.path(), prompts_, std::move(hooks));
    test::BuildTree(editor_->tree(), outline);
  }
  TreeNode* N(std::string_view caption) const { return NodeNamed(editor_->tree(), caption); }
  // An empty name selects nothing.
  void Select(std::string_view caption) { editor_->Select(caption.empty() ? nullptr : N(caption)); }
  void ExpandNode(std::string_view caption) {
    if (!caption.empty()) editor_->Expand(*N(caption));
  }
  std::string Shape() const { return TreeShape(editor_->tree()); }
  // A top node still on disk: `file` holds its subtree.
  void AddUnloadedTop(std::string_view line, const std::string& file, std::string_view content) {
    test::BuildTree(scratch_, line);
    auto top = scratch_.top_nodes().back()->Detach();
    top->set_expandable(true);
    editor_->tree().AddTop(std::move(top));
    WriteFile(dir_ / file, content);
  }

  TempDir dir_;
  FakePrompts prompts_;
  std::optional<TreeEditor> editor_;
  StationTree scratch_;
};

// ---- permissions and menu ----

// Locked, editable and may-be-cut follow the kind of tree and the node's
// place in it.
TEST_F(TreeEditorTest, PermissionsFollowTheTopNode) {
  struct Case {
    const char* node;
    bool locked, editable;
  } cases[] = {
      {"Favorites", false, false}, {"Fav Group", false, true}, {"Mine", false, true},    {"Radio Two", false, true},
      {"Channels", true, false},   {"Chan One", true, false},  {"System", false, false}, {"Pop", false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.node);
    EXPECT_EQ(TreeEditor::IsLocked(*N(c.node)), c.locked);
    EXPECT_EQ(TreeEditor::IsEditable(*N(c.node)), c.editable);
    EXPECT_EQ(editor_->MayBeCut(*N(c.node)), c.editable);
  }
}

// A registered veto keeps the nodes it refuses until it is removed again.
TEST_F(TreeEditorTest, CutVetoRefusesUntilRemoved) {
  const int handle = editor_->AddCutVeto([](const TreeNode& node) { return node.caption() == "Rock"; });
  EXPECT_FALSE(editor_->MayBeCut(*N("Rock")));
  EXPECT_TRUE(editor_->MayBeCut(*N("Jazz")));
  Select("Rock");
  EXPECT_FALSE(editor_->Delete());
  editor_->RemoveCutVeto(handle);
  EXPECT_TRUE(editor_->Delete());
  EXPECT_EQ(N("Rock"), nullptr);
}

std::string Flags(const TreeMenuState& s) {
  std::string text;
  auto add = [&](bool on, const char* name) { text += on ? (text.empty() ? "" : " ") + std::string(name) : ""; };
  add(s.add_radio, "add");
  add(s.modify_radio, "modradio");
  add(s.modify_group, "modgroup");
  add(s.cut, "cut");
  add(s.paste, "paste");
  add(s.incorporate, "merge");
  add(s.test_radio, "test");
  add(s.add_favorite_visible, "fav+");
  add(s.remove_favorite_visible, "fav-");
  add(s.remove_favorite_enabled, "fav-on");
  return text;
}

// The enabled menu items for each kind of selection, with and without a
// node on the clipboard.
TEST_F(TreeEditorTest, MenuStateEnablesByKindOfSelection) {
  struct Case {
    const char* selected;
    const char* clipboard;
    const char* flags;
  } cases[] = {
      {"", "", "add fav+"},
      {"", "Solo", "add paste merge fav+"},
      {"Radio Two", "", "add modradio cut test fav+"},
      {"Rock", "Solo", "add modgroup cut paste merge test fav+"},
      {"Radio Two", "Solo", "add modradio cut paste test fav+"},
      {"Chan One", "Solo", "modradio fav+"},
      {"Channels", "Solo", "test fav+"},
      {"Pop", "Solo", "add paste merge test fav+"},
      {"Fav One", "", "add modradio cut test fav- fav-on"},
      {"Favorites", "", "add test fav-"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.selected) + " / " + c.clipboard);
    Select(c.clipboard);
    if (*c.clipboard) editor_->Copy();
    Select(c.selected);
    EXPECT_EQ(Flags(editor_->MenuState()), c.flags);
    Build(kTree);
  }
}

// ---- groups ----

// Where Add Group puts the new node, by kind and state of the selection.
TEST_F(TreeEditorTest, AddGroupPlacement) {
  constexpr std::string_view kSmall = R"(
Mine [-101] mine.dat
  Rock [-1]
    Radio Two [13]
  Jazz [-1]
  Solo [15]
Empty [-102] empty.dat
)";
  struct Case {
    const char* selected;
    const char* expand;
    const char* shape;
    bool new_selected;
  } cases[] = {
      {"", "", "Mine(Rock(Radio Two),Jazz,Solo) Empty New", false},
      {"Solo", "", "Mine(Rock(Radio Two),Jazz,New,Solo) Empty", false},
      {"Rock", "Rock", "Mine(Rock(Radio Two,New),Jazz,Solo) Empty", false},
      {"Rock", "", "Mine(New,Rock(Radio Two),Jazz,Solo) Empty", false},
      {"Jazz", "", "Mine(Rock(Radio Two),Jazz(New),Solo) Empty", true},
      {"Mine", "", "New Mine(Rock(Radio Two),Jazz,Solo) Empty", false},
      {"Mine", "Mine", "Mine(Rock(Radio Two),Jazz,Solo,New) Empty", false},
      {"Empty", "", "Mine(Rock(Radio Two),Jazz,Solo) Empty(New)", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.selected) + " expanded " + c.expand);
    Build(kSmall);
    ExpandNode(c.expand);
    Select(c.selected);
    TreeNode* added = editor_->AddGroup("New");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(Shape(), c.shape);
    EXPECT_EQ(editor_->selected() == added, c.new_selected);
    EXPECT_TRUE(editor_->tree_modified());
    if (added->parent()) {
      EXPECT_EQ(NodeID(*added), kNewGroupID);
      EXPECT_EQ(added->image_index(), 1);
    } else {
      // A new user tree after the top icons (2), with a file of its own.
      EXPECT_EQ(added->id_text(), "-101");
      EXPECT_EQ(added->file_name(), "tree_user1.dat");
      EXPECT_EQ(added->image_index(), 3);
    }
    EXPECT_EQ(added->state_index(), -1);
  }
}

// Nothing is added inside a locked tree.
TEST_F(TreeEditorTest, AddGroupRefusesLockedTree) {
  Select("Chan One");
  EXPECT_EQ(editor_->AddGroup("New"), nullptr);
  EXPECT_FALSE(editor_->tree_modified());
}

// Only an editable node that is not a station gets a new caption.
TEST_F(TreeEditorTest, ModifyGroupRenamesEditableGroupsOnly) {
  struct Case {
    const char* node;
    bool renamed;
  } cases[] = {{"Rock", true},       {"Mine", true}, {"Fav Group", true}, {"Solo", false},
               {"Favorites", false}, {"Pop", false}, {"Channels", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.node);
    Build(kTree);
    Select(c.node);
    EXPECT_EQ(editor_->ModifyGroup("Renamed"), c.renamed);
    EXPECT_EQ(editor_->selected()->caption(), c.renamed ? "Renamed" : c.node);
  }
}

// ---- copy, cut and paste ----

constexpr std::string_view kTwoTrees = R"(
Mine [-101] mine.dat
  Rock [-1]
    Radio Two [13]
  Jazz [-1]
  Solo [15]
Other [-102] other.dat
  Pop [-1]
    Pop Two [16]
Channels [-11] chan.dat
  Chan One [17]
)";

// Where CopyNode puts the copy, by kind and state of the destination.
TEST_F(TreeEditorTest, CopyNodePlacement) {
  struct Case {
    const char* source;
    const char* destination;
    const char* expand;
    const char* shape;  // empty: no copy
  } cases[] = {
      {"Solo", "Pop Two", "", "Mine(Rock(Radio Two),Jazz,Solo) Other(Pop(Solo,Pop Two)) Channels(Chan One)"},
      {"Rock", "Pop", "", "Mine(Rock(Radio Two),Jazz,Solo) Other(Rock(Radio Two),Pop(Pop Two)) Channels(Chan One)"},
      {"Rock", "Pop", "Pop", "Mine(Rock(Radio Two),Jazz,Solo) Other(Pop(Pop Two,Rock(Radio Two))) Channels(Chan One)"},
      {"Solo", "Jazz", "", "Mine(Rock(Radio Two),Jazz(Solo),Solo) Other(Pop(Pop Two)) Channels(Chan One)"},
      {"Solo", "Other", "", "Mine(Rock(Radio Two),Jazz,Solo) Other(Pop(Pop Two),Solo) Channels(Chan One)"},
      {"Rock", "Other", "", "Mine(Rock(Radio Two),Jazz,Solo) Rock(Radio Two) Other(Pop(Pop Two)) Channels(Chan One)"},
      {"Other", "Jazz", "",
       "Mine(Rock(Radio Two),Jazz(Other(Pop(Pop Two))),Solo) Other(Pop(Pop Two)) Channels(Chan One)"},
      {"Rock", "", "", "Mine(Rock(Radio Two),Jazz,Solo) Other(Pop(Pop Two)) Channels(Chan One) Rock(Radio Two)"},
      {"Jazz", "Jazz", "", "Mine(Rock(Radio Two),Jazz(Jazz),Solo) Other(Pop(Pop Two)) Channels(Chan One)"},
      {"Rock", "Radio Two", "", ""},
      {"Rock", "Rock", "Rock", ""},
      {"Mine", "Solo", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " -> " + c.destination);
    Build(kTwoTrees);
    ExpandNode(c.expand);
    const std::string before = Shape();
    TreeNode* copy = editor_->CopyNode(*N(c.source), *c.destination ? N(c.destination) : nullptr);
    EXPECT_EQ(copy != nullptr, *c.shape != '\0');
    EXPECT_EQ(Shape(), *c.shape ? c.shape : before);
  }
}

// A copy below the top keeps the source's icon and ID (a top node becomes a
// plain group); a copy at the top level is a new user tree. The copy itself
// has no state icon, the nodes below it keep theirs.
TEST_F(TreeEditorTest, CopyNodeDataDependsOnWhereTheCopyLands) {
  Build(kTwoTrees);
  N("Radio Two")->set_state_index(4);
  TreeNode* station = editor_->CopyNode(*N("Solo"), N("Jazz"));
  EXPECT_EQ(NodeID(*station), 15);
  EXPECT_EQ(station->image_index(), 0);

  TreeNode* group = editor_->CopyNode(*N("Other"), N("Jazz"));
  EXPECT_EQ(NodeID(*group), kNewGroupID);
  EXPECT_EQ(group->image_index(), 1);

  N("Rock")->set_state_index(3);
  TreeNode* top = editor_->CopyNode(*N("Rock"), nullptr);
  EXPECT_EQ(top->id_text(), "-101");
  EXPECT_EQ(top->file_name(), "tree_user1.dat");
  EXPECT_EQ(top->image_index(), 3);
  EXPECT_EQ(top->state_index(), -1);
  EXPECT_EQ(top->child(0)->state_index(), 4);
  EXPECT_EQ(NodeID(*top->child(0)), 13);
}

// Pasting into the clipboard node's own subtree, onto itself while expanded,
// into a locked tree, or a cut node onto itself changes nothing.
TEST_F(TreeEditorTest, PasteThatWouldLandInsideItselfDoesNothing) {
  struct Case {
    const char* clipboard;
    bool cut;
    const char* selected;
    const char* expand;
  } cases[] = {
      {"Rock", false, "Radio Two", ""}, {"Rock", true, "Radio Two", ""}, {"Rock", false, "Rock", "Rock"},
      {"Mine", true, "Solo", ""},       {"Jazz", true, "Jazz", ""},      {"Solo", false, "Chan One", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.clipboard) + " -> " + c.selected);
    Build(kTwoTrees);
    ExpandNode(c.expand);
    Select(c.clipboard);
    c.cut ? editor_->Cut() : editor_->Copy();
    Select(c.selected);
    const std::string before = Shape();
    EXPECT_EQ(editor_->Paste(), nullptr);
    EXPECT_EQ(Shape(), before);
    EXPECT_FALSE(editor_->tree_modified());
    EXPECT_EQ(editor_->clipboard_node(), N(c.clipboard));
  }
}

// With nothing selected the copy becomes a new user tree with the first free
// file name, and is selected.
TEST_F(TreeEditorTest, PasteWithoutSelectionMakesNewUserTree) {
  Build(kTwoTrees);
  Select("Rock");
  editor_->Copy();
  Select("");
  TreeNode* copy = editor_->Paste();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy, editor_->tree().Top(3));
  EXPECT_EQ(copy->file_name(), "tree_user1.dat");
  EXPECT_EQ(NodeID(*copy), kNewUserTreeID);
  EXPECT_EQ(editor_->selected(), copy);
  EXPECT_EQ(editor_->clipboard_node(), N("Rock"));  // a copy stays on the clipboard
  EXPECT_TRUE(editor_->tree_modified());
}

// Cut and Paste moves the node while it may still be cut; a veto raised in
// between keeps the source (and the clipboard) and leaves a copy.
TEST_F(TreeEditorTest, CutPasteMovesOnlyWhileAllowed) {
  for (const bool vetoed : {false, true}) {
    SCOPED_TRACE(vetoed ? "vetoed" : "allowed");
    Build(kTwoTrees);
    Select("Rock");
    editor_->Cut();
    const int handle = editor_->AddCutVeto([&](const TreeNode&) { return vetoed; });
    Select("Pop Two");
    TreeNode* copy = editor_->Paste();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Shape(), vetoed ? "Mine(Rock(Radio Two),Jazz,Solo) Other(Pop(Rock(Radio Two),Pop Two)) Channels(Chan One)"
                              : "Mine(Jazz,Solo) Other(Pop(Rock(Radio Two),Pop Two)) Channels(Chan One)");
    EXPECT_EQ(editor_->clipboard_node(), vetoed ? N("Rock") : nullptr);
    EXPECT_FALSE(editor_->cut_pending());
    EXPECT_EQ(editor_->selected(), copy);
    EXPECT_TRUE(N("Pop")->expanded());  // the selected copy is shown
    editor_->RemoveCutVeto(handle);
  }
}

// A cut node cannot be pasted into a locked tree: the menu item is off.
TEST_F(TreeEditorTest, PasteIntoLockedTreeIsImpossible) {
  Build(kTwoTrees);
  Select("Solo");
  editor_->Cut();
  Select("Chan One");
  EXPECT_FALSE(editor_->MenuState().paste);
}

// ---- delete ----

// Deleting a node forgets the playing, found and clipboard nodes that lie in
// its subtree, and only those.
TEST_F(TreeEditorTest, DeleteNodeClearsReferencesInsideIt) {
  struct Case {
    const char* deleted;
    const char* left;  // the references still set
  } cases[] = {{"Jazz", "playing found clipboard"},
               {"Radio Two", "found clipboard"},
               {"Rock", ""},
               {"Mine", ""},
               {"Radio Three", "playing clipboard"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deleted);
    Build(kTree);
    Select("Rock");
    editor_->Cut();
    Select("Radio Two");
    editor_->Play();
    Select("");
    ASSERT_NE(editor_->Find({.text = "Three"}), nullptr);
    editor_->DeleteNode(*N(c.deleted));
    std::string left;
    if (editor_->playing_node()) left += "playing";
    if (editor_->found_node()) left += std::string(left.empty() ? "" : " ") + "found";
    if (editor_->clipboard_node()) left += std::string(left.empty() ? "" : " ") + "clipboard";
    EXPECT_EQ(left, c.left);
    EXPECT_EQ(editor_->cut_pending(), editor_->clipboard_node() != nullptr);
    EXPECT_TRUE(editor_->tree_modified());
  }
}

// After deleting the selection the next sibling is selected, else the
// previous one, else the parent; the dialogs that follow the selection hear
// of it.
TEST_F(TreeEditorTest, DeleteSelectsNeighbourAndFollows) {
  struct Case {
    const char* deleted;
    const char* selected;  // empty: none
  } cases[] = {{"Rock", "Jazz"}, {"Solo", "Jazz"}, {"Pop Two", "Pop"}, {"Mine", "Channels"}, {"System", "Channels"}};
  std::vector<TreeNode*> followed;
  editor_->hooks().selection_follow = [&](TreeNode* node) { followed.push_back(node); };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.deleted);
    Build(kTree);
    followed.clear();
    Select(c.deleted);
    editor_->DeleteNode(*editor_->selected());
    EXPECT_EQ(editor_->selected(), N(c.selected));
    EXPECT_EQ(followed, std::vector<TreeNode*>{N(c.selected)});
  }
  Build("Only [-101] only.dat\n");
  Select("Only");
  EXPECT_TRUE(editor_->Delete());
  EXPECT_EQ(editor_->selected(), nullptr);
}

// A deleted top node's subtree file is remembered once for removal; deleting
// a group remembers nothing.
TEST_F(TreeEditorTest, DeleteTopNodeRemembersItsFile) {
  editor_->DeleteNode(*N("Rock"));
  EXPECT_TRUE(editor_->deleted_tree_files().empty());
  editor_->DeleteNode(*N("Mine"));
  editor_->DeleteNode(*N("Favorites"));
  EXPECT_EQ(editor_->deleted_tree_files(), (std::vector<std::string>{"mine.dat", "fav.dat"}));
}

// ---- incorporate ----

constexpr std::string_view kMergeTree = R"(
Mine [-101] mine.dat
  Source [-1]
    Rock [-1]
      Radio Two [13]
      Radio Two [17]
      Radio Three [14]
    Solo [15]
  Target [-1]
    Rock [-1]
      Radio Two [13]
      Radio Four [16]
)";

// Same-named groups merge, and a station with the same ID and caption is not
// added twice; after Cut the source goes.
TEST_F(TreeEditorTest, IncorporateMergesWithoutDuplicates) {
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "cut" : "copy");
    Build(kMergeTree);
    Select("Source");
    cut ? editor_->Cut() : editor_->Copy();
    Select("Target");
    EXPECT_TRUE(editor_->Incorporate());
    const std::string target =
        "  Target [-1]\n"
        "    Rock [-1]\n"
        "      Radio Two [13]\n"
        "      Radio Four [16]\n"
        "      Radio Two [17]\n"
        "      Radio Three [14]\n"
        "    Solo [15]\n";
    EXPECT_EQ(test::Outline(editor_->tree()),
              "Mine [-101] mine.dat\n" +
                  (cut ? std::string()
                       : "  Source [-1]\n    Rock [-1]\n      Radio Two [13]\n      Radio Two [17]\n"
                         "      Radio Three [14]\n    Solo [15]\n") +
                  target);
    EXPECT_EQ(editor_->clipboard_node(), cut ? nullptr : N("Source"));
    EXPECT_FALSE(editor_->cut_pending());
    EXPECT_TRUE(editor_->tree_modified());
  }
}

// Escape (raised while pending input runs) stops the merge before the next
// node, and the cut source stays on the clipboard.
TEST_F(TreeEditorTest, IncorporateStopsOnEscapeKeepingClipboard) {
  Build(kMergeTree);
  int pumped = 0;
  editor_->hooks().pump_events = [&] {
    if (++pumped == 4) editor_->RequestAbort();
  };
  editor_->RequestAbort();  // an Escape from before the merge does not count
  Select("Source");
  editor_->Cut();
  Select("Target");
  EXPECT_FALSE(editor_->Incorporate());
  EXPECT_EQ(pumped, 4);
  EXPECT_EQ(NodeShape(*N("Target")), "Target(Rock(Radio Two,Radio Four,Radio Two))");
  EXPECT_EQ(editor_->clipboard_node(), N("Source"));
  EXPECT_FALSE(editor_->cut_pending());
  EXPECT_FALSE(editor_->abort_requested());
  EXPECT_TRUE(editor_->tree_modified());
}

// Input handled between merged nodes can delete the merge target: the merge
// stops instead of writing into freed nodes, and the clipboard stays.
TEST_F(TreeEditorTest, IncorporateStopsWhenTargetIsDeletedMeanwhile) {
  Build(kMergeTree);
  Select("Source");
  editor_->Cut();
  Select("Target");
  int pumped = 0;
  editor_->hooks().pump_events = [&] {
    if (++pumped == 2) editor_->Delete();  // Del on the still selected target
  };
  EXPECT_FALSE(editor_->Incorporate());
  EXPECT_EQ(N("Target"), nullptr);
  EXPECT_EQ(editor_->clipboard_node(), N("Source"));
  EXPECT_NE(N("Source"), nullptr);
}

// Only a Cut made before the merge moves its source: a node cut while the
// merge runs stays where it is.
TEST_F(TreeEditorTest, IncorporateDeletesOnlyItsOwnCutSource) {
  Build(std::string(kMergeTree) + "Other [-101] other.dat\n  Precious [-1]\n");
  Select("Source");
  editor_->Copy();
  Select("Target");
  int pumped = 0;
  editor_->hooks().pump_events = [&] {
    if (++pumped != 1) return;
    TreeNode* target = editor_->selected();
    Select("Precious");
    editor_->Cut();
    editor_->Select(target);
  };
  EXPECT_TRUE(editor_->Incorporate());
  EXPECT_NE(N("Precious"), nullptr);
  EXPECT_NE(N("Source"), nullptr);
}

// Nothing is merged into the clipboard node itself, into its subtree, into a
// station, and nothing from a station.
TEST_F(TreeEditorTest, IncorporateRefusesImpossibleTargets) {
  struct Case {
    const char* clipboard;
    const char* selected;
  } cases[] = {{"Source", "Source"}, {"Source", "Rock"}, {"Target", "Solo"}, {"Solo", "Target"}, {"Source", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.clipboard) + " -> " + c.selected);
    Build(kMergeTree);
    Select(c.clipboard);
    editor_->Cut();
    Select(c.selected);
    const std::string before = Shape();
    EXPECT_FALSE(editor_->Incorporate());
    EXPECT_EQ(Shape(), before);
    EXPECT_EQ(editor_->clipboard_node(), N(c.clipboard));
  }
}

// Merging a cut group into its own parent: a same-named group inside it gets
// a new home and is not merged into the group that is deleted afterwards.
TEST_F(TreeEditorTest, IncorporateIntoAncestorKeepsContents) {
  Build("Mine [-101] mine.dat\n  G [-1]\n    G [-1]\n      Radio [13]\n    Solo [15]\n");
  Select("G");
  editor_->Cut();
  Select("Mine");
  EXPECT_TRUE(editor_->Incorporate());
  EXPECT_EQ(Shape(), "Mine(G(Radio),Solo)");
}

// ---- drag and drop ----

// Where a dropped node goes, and the drops that are refused.
TEST_F(TreeEditorTest, DropMoveRules) {
  struct Case {
    const char* source;
    const char* target;  // empty: no node under the pointer
    const char* expand;
    const char* shape;  // empty: nothing moves
  } cases[] = {
      {"Solo", "Pop Two", "", "Mine(Rock(Radio Two),Jazz) Other(Pop(Solo,Pop Two)) Channels(Chan One)"},
      {"Solo", "Pop", "", "Mine(Rock(Radio Two),Jazz) Other(Solo,Pop(Pop Two)) Channels(Chan One)"},
      {"Solo", "Pop", "Pop", "Mine(Rock(Radio Two),Jazz) Other(Pop(Pop Two,Solo)) Channels(Chan One)"},
      {"Solo", "Jazz", "", "Mine(Rock(Radio Two),Jazz(Solo)) Other(Pop(Pop Two)) Channels(Chan One)"},
      {"Solo", "Other", "", "Mine(Rock(Radio Two),Jazz) Other(Pop(Pop Two),Solo) Channels(Chan One)"},
      {"Solo", "Rock", "", "Mine(Solo,Rock(Radio Two),Jazz) Other(Pop(Pop Two)) Channels(Chan One)"},
      {"Radio Two", "Solo", "", "Mine(Rock,Jazz,Radio Two,Solo) Other(Pop(Pop Two)) Channels(Chan One)"},
      {"Mine", "", "", "Other(Pop(Pop Two)) Channels(Chan One) Mine(Rock(Radio Two),Jazz,Solo)"},
      {"Channels", "Mine", "", "Channels(Chan One) Mine(Rock(Radio Two),Jazz,Solo) Other(Pop(Pop Two))"},
      {"Rock", "Radio Two", "", ""},
      {"Rock", "Rock", "", ""},
      {"Solo", "Chan One", "", ""},
      {"Chan One", "Jazz", "", ""},
      {"Solo", "", "", ""},
      {"Mine", "Pop", "", ""},
      {"Channels", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source) + " -> " + c.target);
    Build(kTwoTrees);
    ExpandNode(c.expand);
    const std::string before = Shape();
    EXPECT_EQ(editor_->DropMove(*N(c.source), *c.target ? N(c.target) : nullptr), *c.shape != '\0');
    EXPECT_EQ(Shape(), *c.shape ? c.shape : before);
    EXPECT_EQ(editor_->tree_modified(), *c.shape != '\0');
  }
}

// A node dropped onto a top node that is still on disk lands after the
// loaded children.
TEST_F(TreeEditorTest, DropMoveLoadsTargetTree) {
  Build(kTwoTrees);
  AddUnloadedTop("Far [-103] far.dat", "far.dat", "2/-1/-103/Far\r\n\t0/-1/9/Deep\r\n");
  EXPECT_TRUE(editor_->DropMove(*N("Solo"), N("Far")));
  EXPECT_EQ(NodeShape(*N("Far")), "Far(Deep,Solo)");
}

// ---- sorting ----

// Captions sort by bytes with ASCII letters folded; equal captions keep
// their order.
TEST_F(TreeEditorTest, SortOrderFoldsAsciiAndIsStable) {
  Build(
      "Mine [-101] mine.dat\n  beta [1]\n  Alpha [2]\n  \xB0\xA1 [3]\n  _x [4]\n  alpha [5]\n  Zed [6]\n  a [7]\n"
      "  9 [8]\n  10 [9]\n");
  Select("Mine");
  editor_->Sort();
  std::string ids;
  for (const auto& child : N("Mine")->children()) ids += std::to_string(NodeID(*child)) + " ";
  EXPECT_EQ(ids, "9 8 4 7 2 5 1 6 3 ");
}

// Sort orders one level, Sort Subtree every level below the selection, Sort
// All the whole tree with the top nodes; only Sort and Sort All count as a
// change, and not for a selection in a locked tree.
TEST_F(TreeEditorTest, SortReachAndModifiedFlag) {
  constexpr std::string_view kUnsorted = R"(
Zeta [-101] z.dat
  b [-1]
    y [1]
    x [2]
  a [-1]
    d [3]
    c [4]
Locked [-20] l.dat
  n [7]
  m [8]
Alpha [-102] a.dat
  q [5]
  p [6]
)";
  struct Case {
    const char* selected;
    void (TreeEditor::*sort)();
    const char* shape;
    bool modified;
  } cases[] = {
      {"Zeta", &TreeEditor::Sort, "Zeta(a(d,c),b(y,x)) Locked(n,m) Alpha(q,p)", true},
      {"Zeta", &TreeEditor::SortSubtree, "Zeta(a(c,d),b(x,y)) Locked(n,m) Alpha(q,p)", false},
      {"Zeta", &TreeEditor::SortAll, "Alpha(p,q) Locked(m,n) Zeta(a(c,d),b(x,y))", true},
      {"Locked", &TreeEditor::Sort, "Zeta(b(y,x),a(d,c)) Locked(m,n) Alpha(q,p)", false},
      {"n", &TreeEditor::SortAll, "Alpha(p,q) Locked(m,n) Zeta(a(c,d),b(x,y))", false},
      {"", &TreeEditor::SortAll, "Alpha(p,q) Locked(m,n) Zeta(a(c,d),b(x,y))", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.shape);
    Build(kUnsorted);
    Select(c.selected);
    ((*editor_).*c.sort)();
    EXPECT_EQ(Shape(), c.shape);
    EXPECT_EQ(editor_->tree_modified(), c.modified);
  }
}

// ---- expanding ----

// Expand All loads the trees still on disk and opens every node with
// children; the subtree commands reach only below the selection.
TEST_F(TreeEditorTest, ExpandAndCollapseReach) {
  Build(kTwoTrees);
  AddUnloadedTop("Far [-103] far.dat", "far.dat", "2/-1/-103/Far\r\n\t1/-1/-1/G\r\n\t\t0/-1/9/Deep\r\n");
  auto expanded = [&] {
    std::string names;
    for (TreeNode* node = editor_->tree().First(); node; node = node->Next()) {
      if (node->expanded()) names += node->caption() + ",";
    }
    return names;
  };
  Select("Mine");
  editor_->ExpandSubtree();
  EXPECT_EQ(expanded(), "Mine,Rock,");
  editor_->ExpandAll();
  EXPECT_EQ(expanded(), "Mine,Rock,Other,Pop,Channels,Far,G,");
  EXPECT_TRUE(editor_->tree_menu_stale());
  Select("Other");
  editor_->CollapseSubtree();
  EXPECT_EQ(expanded(), "Mine,Rock,Channels,Far,G,");
  editor_->CollapseAll();
  EXPECT_EQ(expanded(), "");
}

// ---- searching ----

class TreeEditorFindTest : public TreeEditorTest {
 protected:
  void SetUp() override {
    Build("Mine [-101] mine.dat\n  xabcx [1]\n  ABC [2]\n  Other [3]\n");
    AddUnloadedTop("Far [-102] far.dat", "far.dat", "2/-1/-102/Far\r\n\t0/-1/9/Deep abc\r\n\t0/-1/8/Last\r\n");
  }
};

// Exact and Vague, with and without Match Case, in both directions, from the
// selection or from either end; trees on disk are loaded on the way.
TEST_F(TreeEditorFindTest, FindsByModeCaseAndDirection) {
  struct Case {
    const char* selected;
    TreeFindOptions options;
    const char* found;  // empty: Cannot Find
  } cases[] = {
      {"", {.text = "ABC"}, "xabcx"},
      {"", {.text = "ABC", .match_case = true}, "ABC"},
      {"", {.text = "abc", .exact = true}, "ABC"},
      {"", {.text = "abc", .exact = true, .match_case = true}, ""},
      {"ABC", {.text = "abc", .down = false}, "xabcx"},
      {"xabcx", {.text = "abc", .down = false}, ""},
      {"Other", {.text = "abc"}, "Deep abc"},
      {"", {.text = "abc", .down = false}, "Deep abc"},
      {"Other", {.text = "far", .exact = true}, "Far"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.selected) + " / " + c.options.text);
    SetUp();
    prompts_.infos.clear();
    Select(c.selected);
    TreeNode* found = editor_->Find(c.options);
    EXPECT_EQ(found, *c.found ? N(c.found) : nullptr);
    EXPECT_EQ(editor_->found_node(), found);
    EXPECT_EQ(editor_->selected(), found ? found : N(c.selected));
    EXPECT_EQ(prompts_.infos.size(), found ? 0u : 1u);
  }
}

// Searching Down from the last node finds nothing and says so, quoting the
// search text as typed.
TEST_F(TreeEditorFindTest, DownFromLastNodeReportsCannotFind) {
  editor_->ExpandAll();
  Select("Last");
  EXPECT_EQ(editor_->Find({.text = "ABC"}), nullptr);
  EXPECT_EQ(prompts_.infos, std::vector<std::string>{"Cannot Find \"ABC\""});
}

// The old found row and the new one are repainted; a failed search clears
// the mark.
TEST_F(TreeEditorFindTest, RepaintsOldAndNewFoundRows) {
  std::vector<std::string> repainted;
  editor_->hooks().repaint = [&](const TreeNode& node) { repainted.push_back(node.caption()); };
  editor_->Find({.text = "abc"});
  editor_->FindNext();
  editor_->Find({.text = "nowhere"});
  EXPECT_EQ(repainted, (std::vector<std::string>{"xabcx", "xabcx", "ABC", "ABC"}));
  EXPECT_EQ(editor_->found_node(), nullptr);
}

// Find Next does nothing before a search or with an empty text, and goes on
// from the last match otherwise.
TEST_F(TreeEditorFindTest, FindNextRepeatsLastSearch) {
  EXPECT_EQ(editor_->FindNext(), nullptr);
  editor_->Find({.text = ""});
  prompts_.infos.clear();
  EXPECT_EQ(editor_->FindNext(), nullptr);
  EXPECT_TRUE(prompts_.infos.empty());
  Select("");
  editor_->Find({.text = "abc"});
  EXPECT_EQ(editor_->FindNext(), N("ABC"));
  TreeNode* third = editor_->FindNext();  // loads Far on the way
  EXPECT_EQ(third, N("Deep abc"));
}

// ---- the station editor's operations ----

// A station is added before a selected station or into a selected group,
// unless that parent already holds it or the tree is locked.
TEST_F(TreeEditorTest, AddStationNodePlacement) {
  struct Case {
    const char* selected;
    int id;
    const char* name;
    const char* shape;  // empty: nothing added
  } cases[] = {
      {"Solo", 20, "New", "Mine(Rock(Radio Two),Jazz,New,Solo)"},
      {"Jazz", 20, "New", "Mine(Rock(Radio Two),Jazz(New),Solo)"},
      {"Mine", 20, "New", "Mine(Rock(Radio Two),Jazz,Solo,New)"},
      {"Solo", 15, "Solo", ""},
      {"Rock", 13, "Radio Two", ""},
      {"Chan One", 20, "New", ""},
      {"", 20, "New", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.selected) + " + " + c.name);
    Build(kTwoTrees);
    Select(c.selected);
    EXPECT_EQ(editor_->AddStationNode(c.id, c.name), *c.shape != '\0');
    EXPECT_EQ(NodeShape(*N("Mine")), *c.shape ? c.shape : "Mine(Rock(Radio Two),Jazz,Solo)");
    if (*c.shape) {
      EXPECT_EQ(editor_->selected(), N(c.name));
      EXPECT_EQ(NodeID(*editor_->selected()), c.id);
      EXPECT_EQ(editor_->selected()->image_index(), 0);
    }
    EXPECT_EQ(editor_->tree_modified(), *c.shape != '\0');
  }
}

// Removing a station reaches every unlocked tree, loading those on disk;
// locked trees keep it. Emptying a tree counts as a change.
TEST_F(TreeEditorTest, RemoveStationNodesSkipsLockedTrees) {
  AddUnloadedTop("Far [-102] far.dat", "far.dat", "2/-1/-102/Far\r\n\t0/-1/13/Far Two\r\n");
  Select("Radio Two");
  editor_->Play();
  EXPECT_TRUE(editor_->RemoveStationNodes(13));
  EXPECT_EQ(Shape(),
            "Favorites(Fav One,Fav Group) Mine(Rock(Radio Three),Jazz,Solo) Channels(Chan One) System(Pop) Far");
  EXPECT_EQ(editor_->playing_node(), nullptr);
  EXPECT_EQ(editor_->selected(), N("Radio Three"));

  Build(kTree);
  EXPECT_FALSE(editor_->RemoveStationNodes(99));
  EXPECT_FALSE(editor_->tree_modified());
  Build("Favorites [-99] fav.dat\n  Fav One [12]\n");
  EXPECT_TRUE(editor_->RemoveStationNodes(12));
  EXPECT_EQ(Shape(), "Favorites");
  EXPECT_TRUE(editor_->tree_modified());
}

// Renaming reaches every station node with the ID; groups keep theirs.
TEST_F(TreeEditorTest, RenameStationNodesEverywhere) {
  editor_->RenameStationNodes(13, "Renamed");
  EXPECT_EQ(Shape(),
            "Favorites(Fav One,Fav Group) Mine(Rock(Renamed,Radio Three),Jazz,Solo) Channels(Renamed) "
            "System(Pop(Renamed))");
  EXPECT_TRUE(editor_->tree_modified());
}

// FindChild matches ID and exact caption, among the top nodes for no parent;
// NextTopIcon stops at the icon list's end.
TEST_F(TreeEditorTest, FindChildAndNextTopIcon) {
  EXPECT_EQ(editor_->FindChild(N("Rock"), 13, "Radio Two"), N("Radio Two"));
  EXPECT_EQ(editor_->FindChild(N("Rock"), 13, "radio two"), nullptr);
  EXPECT_EQ(editor_->FindChild(N("Rock"), 14, "Radio Two"), nullptr);
  EXPECT_EQ(editor_->FindChild(nullptr, -11, "Channels"), N("Channels"));
  N("System")->set_image_index(6);
  EXPECT_EQ(editor_->NextTopIcon(9), 7);
  EXPECT_EQ(editor_->NextTopIcon(6), 6);
}

}  // namespace
}  // namespace tazmel
