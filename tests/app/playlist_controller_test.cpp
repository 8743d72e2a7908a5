#include "app/playlist_controller.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <vector>

#include "core/ini_file.h"
#include "stations/radio_table.h"
#include "stations/tree_editor.h"
#include "ui/playlist/find_dialog.h"
#include "ui/playlist/group_dialog.h"
#include "ui/playlist/radio_tree_model.h"
#include "ui/playlist/radio_tree_view.h"
#include "ui/playlist/set_channel_dialog.h"
#include "ui/playlist/tree_menu.h"
#include "ui/radio_tree_fixture.h"

namespace tazmel {
namespace {

using test::RadioTreeFixture;

class PlayListControllerTest : public ::testing::Test, protected RadioTreeFixture {
 protected:
  void SetUp() override {
    editor().hooks().play_station = [this](int id) { played_.push_back(id); };
    controller_ = std::make_unique<PlayListController>(
        PlayListParts{.tree = editor(), .paths = paths(), .language = language_, .prompts = prompts()},
        PlayListHooks{
            .open_web_page =
                [this](const std::string& address) {
                  opened_.push_back(address);
                  return true;
                },
            .reload_channels = {},
            .close_window = {},
            .tree_visible = {},
            .music_button = {},
            .music_find = {},
            .music_find_closed = {},
            .add_radio = [this](int after_id, const std::string&,
                                const std::string&) { editor_calls_.push_back("add " + std::to_string(after_id)); },
            .edit_radio = [this](int id) { editor_calls_.push_back("edit " + std::to_string(id)); },
            .editor_busy = [this] { return editor_busy_; },
            .editor_follow = {}});
    // The window's panel with both panes; the list stands in for the music
    // pane, which gives the same keys other meanings.
    auto* layout = new QVBoxLayout(&host_);
    layout->addWidget(&view());
    music_ = new QListWidget(&host_);
    music_->addItems({QStringLiteral("a.mp3"), QStringLiteral("b.mp3")});
    layout->addWidget(music_);
    host_.resize(300, 400);
    host_.show();
    host_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host_));
  }
  void TearDown() override {
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (window != &host_) window->hide();
    }
  }

  TRadioTreeView& view() { return controller_->TreeView(); }
  TTreeMenu& menu() { return controller_->TreeMenu(); }
  QAction* Item(const char* name) { return menu().Action(QString::fromLatin1(name)); }
  void SelectInView(TreeNode* node) {
    view().Model().Refresh();
    view().setCurrentIndex(view().Model().IndexOf(node));
    ASSERT_EQ(editor().selected(), node);
  }
  void Key(QWidget* pane, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    pane->setFocus();
    ASSERT_TRUE(pane->hasFocus());
    QTest::keyClick(pane, key, modifiers);
  }

  IniFile language_;
  std::vector<int> played_;
  std::vector<std::string> opened_;
  std::vector<std::string> editor_calls_;
  bool editor_busy_ = false;
  QWidget host_;
  QListWidget* music_ = nullptr;
  std::unique_ptr<PlayListController> controller_;
};

// Opening the menu applies the enabling of the selected node; the items of
// windows that come later stay disabled whatever is selected.
TEST_F(PlayListControllerTest, MenuEnablingFollowsTheSelection) {
  struct Case {
    const char* select;  // caption; "" for no selection
    bool add_group, modify_group, set_channel, cut, add_favorite, remove_favorite;
  } cases[] = {
      {"", true, false, false, false, true, false},         {"Locked One", false, false, true, false, true, false},
      {"Fav One", true, false, true, true, false, true},    {"Favorites", true, false, false, false, false, true},
      {"Mix", true, true, false, true, true, false},        {"Mine", true, true, false, true, true, false},
      {"Radio Two", true, false, true, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.select);
    editor().Select(*c.select ? Node(c.select) : nullptr);
    menu().popup(host_.mapToGlobal(QPoint(10, 10)));
    EXPECT_EQ(Item("nAddGroup")->isEnabled(), c.add_group);
    EXPECT_EQ(Item("nModifyGroup")->isEnabled(), c.modify_group);
    EXPECT_EQ(Item("nSetChannel")->isEnabled(), c.set_channel);
    EXPECT_EQ(Item("nCut")->isEnabled(), c.cut);
    EXPECT_EQ(Item("nDel")->isEnabled(), c.cut);
    EXPECT_FALSE(Item("nPaste")->isEnabled()) << "nothing cut or copied yet";
    EXPECT_EQ(Item("nAddFavorite")->isVisible(), c.add_favorite);
    EXPECT_EQ(Item("nDelFavorite")->isVisible(), c.remove_favorite);
    EXPECT_EQ(Item("nAddRadio")->isEnabled(), c.add_group);
    EXPECT_EQ(Item("nEditRadio")->isEnabled(), c.set_channel);
    for (const char* later : {"nTestRadio"}) {
      EXPECT_FALSE(Item(later)->isEnabled()) << later;
    }
    const bool selected = *c.select != '\0';
    const bool locked = std::string_view(c.select) == "Locked One";
    EXPECT_EQ(Item("nImportData")->isEnabled(), selected && !locked);
    EXPECT_EQ(Item("nExportData")->isEnabled(), selected && !locked);
    EXPECT_EQ(Item("nExportAllData")->isEnabled(), selected);
    for (const char* always : {"nPlay", "nProgramList", "nCopy", "nFind", "nFindNext", "nClickMode", "nSort",
                               "nSortSubtree", "nSortAll", "nExpandSubtree", "nCollapseAll", "nTreeGenerator"}) {
      EXPECT_TRUE(Item(always)->isEnabled()) << always;
    }
    menu().hide();
  }

  editor().Select(Node("Radio Two"));
  editor().Copy();
  editor().Select(Node("Locked One"));
  menu().popup(host_.mapToGlobal(QPoint(10, 10)));
  EXPECT_FALSE(Item("nPaste")->isEnabled()) << "never into a locked tree";
  menu().hide();
  editor().Select(Node("Mix"));
  menu().popup(host_.mapToGlobal(QPoint(10, 10)));
  EXPECT_TRUE(Item("nPaste")->isEnabled());
  EXPECT_TRUE(Item("nIncorporate")->isEnabled());
  menu().hide();
}

// The menu has every item of the tree's menu, in its order with its
// separators and submenus.
// Add Radio goes after the selected station (0 for another node); Modify
// Radio edits the selected station; a busy editor takes neither.
TEST_F(PlayListControllerTest, AddAndModifyRadioOpenTheEditor) {
  editor().Select(Node("Radio Two"));
  controller_->RunMenuCommand(QStringLiteral("nAddRadio"));
  controller_->RunMenuCommand(QStringLiteral("nEditRadio"));
  controller_->ButtonCommand(2);
  editor().Select(Node("Mix"));
  controller_->RunMenuCommand(QStringLiteral("nAddRadio"));
  controller_->RunMenuCommand(QStringLiteral("nEditRadio"));
  controller_->ButtonCommand(0);
  editor_busy_ = true;
  controller_->ButtonCommand(0);
  EXPECT_EQ(editor_calls_, (std::vector<std::string>{"add 100003", "edit 100003", "edit 100003", "add 0", "add 0"}));
}

TEST_F(PlayListControllerTest, MenuLayout) {
  QStringList names;
  for (QAction* action : menu().actions()) {
    names << (action->isSeparator() ? QStringLiteral("-")
              : action->menu()      ? action->menu()->objectName()
                                    : action->objectName());
  }
  EXPECT_EQ(names.join(u' '), QStringLiteral("nAddFavorite nDelFavorite nPlay nProgramList - nCut nCopy nPaste nDel "
                                             "nIncorporate - nFind nFindNext nSearch - nSetChannel nClickMode - "
                                             "nAddRadio nEditRadio - nAddGroup nModifyGroup - nDataTool1 nView1"));
  EXPECT_EQ(Item("nSort")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
  EXPECT_EQ(Item("nSearch")->shortcut(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
  EXPECT_EQ(Item("nTestRadio")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_T));
  EXPECT_TRUE(Item("nTreeGenerator")->shortcut().isEmpty());
  EXPECT_EQ(Item("nPlay")->shortcuts(),
            (QList<QKeySequence>{QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)}));
}

// The tree's shortcuts act only while the tree pane has the focus: in the
// music pane the same keys leave the tree alone.
TEST_F(PlayListControllerTest, ShortcutsPerPane) {
  SelectInView(Node("Mix"));
  Key(music_, Qt::Key_C, Qt::ControlModifier);
  Key(music_, Qt::Key_Delete);
  Key(music_, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(editor().clipboard_node(), nullptr);
  EXPECT_NE(Node("Mix"), nullptr);
  EXPECT_EQ(controller_->FindDialog(), nullptr);

  Key(&view(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(editor().clipboard_node(), Node("Mix"));
  EXPECT_FALSE(editor().cut_pending());
  Key(&view(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(editor().cut_pending());
  Key(&view(), Qt::Key_Delete);
  EXPECT_EQ(Node("Mix"), nullptr);
  EXPECT_EQ(view().Model().NodeOf(view().currentIndex()), Node("Solo")) << "the selection moved on in the view too";
  Key(&view(), Qt::Key_F, Qt::ControlModifier);
  ASSERT_NE(controller_->FindDialog(), nullptr);
  EXPECT_TRUE(controller_->FindDialog()->isVisible());
}

// Enter plays the selected station; Del on a node that may not be cut does
// nothing.
TEST_F(PlayListControllerTest, EnterPlaysAndDelObeysTheGuard) {
  SelectInView(Node("Radio Two"));
  Key(&view(), Qt::Key_Return);
  EXPECT_EQ(played_, std::vector<int>{100003});
  EXPECT_EQ(editor().playing_node(), Node("Radio Two"));
  Key(&view(), Qt::Key_Delete);
  EXPECT_NE(Node("Radio Two"), nullptr) << "a system tree's station may not be cut";
}

// The skin button bDel deletes only what the menu's Delete would: a node
// that may be cut, which a visible tool window can refuse.
TEST_F(PlayListControllerTest, DeleteButtonObeysMayBeCut) {
  SelectInView(Node("Radio Two"));
  controller_->ButtonCommand(3);
  EXPECT_NE(Node("Radio Two"), nullptr) << "not editable";

  SelectInView(Node("Mix"));
  const int veto = editor().AddCutVeto([](const TreeNode&) { return true; });
  controller_->ButtonCommand(3);
  EXPECT_NE(Node("Mix"), nullptr) << "refused by a tool window";
  controller_->UpdateMenuState();
  EXPECT_FALSE(Item("nDel")->isEnabled());
  editor().RemoveCutVeto(veto);
  controller_->ButtonCommand(3);
  EXPECT_EQ(Node("Mix"), nullptr);
  EXPECT_TRUE(editor().tree_modified());
}

// Find searches through the dialog, selects the match in the view with its
// groups opened, and says Cannot Find when nothing follows; closing the
// dialog forgets the found mark.
TEST_F(PlayListControllerTest, FindThroughTheDialog) {
  controller_->RunMenuCommand(QStringLiteral("nFind"));
  TfrmFind* find = controller_->FindDialog();
  ASSERT_NE(find, nullptr);
  find->findChild<QLineEdit*>(QStringLiteral("edtInput"))->setText(QStringLiteral("three"));
  find->findChild<QPushButton*>(QStringLiteral("btnFind"))->click();
  TreeNode* three = Node("Radio Three");
  EXPECT_EQ(editor().selected(), three);
  EXPECT_EQ(editor().found_node(), three);
  EXPECT_EQ(view().Model().NodeOf(view().currentIndex()), three);
  EXPECT_TRUE(view().isExpanded(view().Model().IndexOf(Node("Rock"))));

  controller_->RunMenuCommand(QStringLiteral("nFindNext"));
  ASSERT_EQ(prompts().infos.size(), 1u);
  EXPECT_NE(prompts().infos[0].find("\"three\""), std::string::npos);
  find->close();
  EXPECT_EQ(editor().found_node(), nullptr);
}

// The group dialog adds and renames groups, and while open takes the
// caption of an editable group the user selects.
TEST_F(PlayListControllerTest, GroupDialog) {
  SelectInView(Node("Mix"));
  controller_->RunMenuCommand(QStringLiteral("nModifyGroup"));
  TfrmGroup* group = controller_->GroupDialog();
  ASSERT_NE(group, nullptr);
  auto* edit = group->findChild<QLineEdit*>(QStringLiteral("edtInput"));
  EXPECT_EQ(edit->text(), QStringLiteral("Mix"));
  edit->setText(QStringLiteral("Mixed"));
  group->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
  EXPECT_NE(Node("Mixed"), nullptr);
  EXPECT_FALSE(group->isVisible());

  controller_->RunMenuCommand(QStringLiteral("nAddGroup"));
  EXPECT_EQ(edit->text(), QStringLiteral("Mixed")) << "Add keeps the last text";
  QTest::mouseClick(view().viewport(), Qt::LeftButton, {},
                    view().visualRect(view().Model().IndexOf(Top("Mine"))).center());
  EXPECT_EQ(edit->text(), QStringLiteral("Mine")) << "an editable node's caption follows";
  QTest::mouseClick(view().viewport(), Qt::LeftButton, {},
                    view().visualRect(view().Model().IndexOf(Top("Favorites"))).center());
  EXPECT_EQ(edit->text(), QStringLiteral("Mine")) << "Favorites' top may not be renamed";
  SelectInView(Node("Solo"));
  edit->setText(QStringLiteral("Fresh"));
  group->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
  TreeNode* fresh = Node("Fresh");
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(fresh->parent(), Top("Mine"));
  EXPECT_EQ(fresh->NextSibling(), Node("Solo")) << "a new group goes before a selected station";
  EXPECT_EQ(view().Model().NodeOf(view().currentIndex()), editor().selected());
}

// Incorporate lets input through between nodes: Escape stops it, while a
// click that arrives meanwhile changes nothing.
TEST_F(PlayListControllerTest, EscapeStopsIncorporateAndClicksWait) {
  SelectInView(Node("Rock"));
  controller_->RunMenuCommand(QStringLiteral("nCopy"));
  SelectInView(Node("Mix"));
  const QPoint elsewhere = view().visualRect(view().Model().IndexOf(Top("Favorites"))).center();
  QCoreApplication::postEvent(
      view().viewport(), new QMouseEvent(QEvent::MouseButtonPress, elsewhere, view().viewport()->mapToGlobal(elsewhere),
                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(&view(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  controller_->RunMenuCommand(QStringLiteral("nIncorporate"));
  TreeNode* mix = Node("Mix");
  EXPECT_FALSE(mix->HasChildren()) << "stopped before the first node";
  EXPECT_FALSE(editor().abort_requested());
  EXPECT_EQ(editor().selected(), mix);
  EXPECT_EQ(view().Model().NodeOf(view().currentIndex()), mix);

  controller_->RunMenuCommand(QStringLiteral("nIncorporate"));
  EXPECT_EQ(mix->child_count(), 2) << "without Escape the merge runs through";
}

// The player's Next that arrives while Incorporate lets events through
// still steps, inside the running command's bracket.
TEST_F(PlayListControllerTest, PlayerStepDuringIncorporate) {
  SelectInView(Node("Rock"));
  controller_->RunMenuCommand(QStringLiteral("nCopy"));
  SelectInView(Node("Mix"));
  int stepped = -1;
  QTimer::singleShot(0, &view(), [&] { stepped = controller_->PlayNextStation(); });
  controller_->RunMenuCommand(QStringLiteral("nIncorporate"));
  EXPECT_GT(stepped, 0);
  ASSERT_NE(editor().playing_node(), nullptr);
  EXPECT_EQ(NodeID(*editor().playing_node()), stepped);
  EXPECT_EQ(Node("Mix")->child_count(), 2);
  EXPECT_EQ(view().Model().NodeOf(view().currentIndex()), editor().selected());
}

// Ctrl+O means the one Favorites item that shows: add outside Favorites,
// remove inside it.
TEST_F(PlayListControllerTest, CtrlOFollowsTheVisibleFavoritesItem) {
  SelectInView(Node("Solo"));
  Key(&view(), Qt::Key_O, Qt::ControlModifier);
  TreeNode* favorites = Top("Favorites");
  ASSERT_EQ(favorites->child_count(), 2);
  TreeNode* copy = favorites->child(1);
  EXPECT_EQ(copy->caption(), "Solo");
  EXPECT_TRUE(editor().favorites_changed());

  SelectInView(copy);
  Key(&view(), Qt::Key_O, Qt::ControlModifier);
  EXPECT_EQ(favorites->child_count(), 1) << "removed again";
  EXPECT_EQ(Node("Solo")->parent(), Top("Mine")) << "the original stays";
}

// The channel dialog takes the selected station when it opens and follows
// the selection to other stations while it is open; a group leaves it be.
TEST_F(PlayListControllerTest, ChannelDialogFollowsTheSelection) {
  editor().Expand(*Top("By genre"));
  editor().Expand(*Node("Rock"));
  SelectInView(Node("Radio Two"));
  controller_->RunMenuCommand(QStringLiteral("nSetChannel"));
  ASSERT_NE(controller_->ChannelDialog(), nullptr);
  auto* new_edit = controller_->ChannelDialog()->findChild<QLineEdit*>(QStringLiteral("NewEdit"));
  EXPECT_EQ(new_edit->text(), QStringLiteral("100003-Radio Two"));
  auto click = [&](const TreeNode* node) {
    QTest::mouseClick(view().viewport(), Qt::LeftButton, {}, view().visualRect(view().Model().IndexOf(node)).center());
  };
  view().SetClickMode(false);
  click(Node("Radio Three"));
  EXPECT_EQ(new_edit->text(), QStringLiteral("100004-Radio Three"));
  click(Node("Rock"));
  EXPECT_EQ(new_edit->text(), QStringLiteral("100004-Radio Three"));
}

// A node dropped on another moves there, and the view follows.
TEST_F(PlayListControllerTest, DropMovesInTheTree) {
  SelectInView(Node("Solo"));
  emit view().nodeDropped(Node("Solo"), Node("Radio Two"));
  TreeNode* solo = Node("Solo");
  EXPECT_EQ(solo->parent(), Node("Rock"));
  EXPECT_EQ(solo->NextSibling(), Node("Radio Two"));
  EXPECT_EQ(view().Model().NodeOf(view().currentIndex()), solo);
  EXPECT_TRUE(editor().tree_modified());
}

// The menu item reads the selected station's record and hands the page on.
TEST_F(PlayListControllerTest, ProgramListOpensThePage) {
  SelectInView(Node("Radio Two"));
  controller_->RunMenuCommand(QStringLiteral("nProgramList"));
  EXPECT_EQ(opened_, std::vector<std::string>{"http://two.example/"});
  SelectInView(Node("Radio Three"));
  controller_->RunMenuCommand(QStringLiteral("nProgramList"));
  EXPECT_EQ(opened_.size(), 1u) << "no record, no page";
}

// Closing the window saves a changed tree after asking.
TEST_F(PlayListControllerTest, ClosingAsksToSaveChanges) {
  controller_->Closing();
  EXPECT_TRUE(prompts().questions.empty());
  SelectInView(Node("Mix"));
  controller_->ButtonCommand(3);
  prompts().answers.push_back(true);
  controller_->Closing();
  EXPECT_EQ(prompts().questions.size(), 1u);
  EXPECT_FALSE(editor().tree_modified());
}

}  // namespace
}  // namespace tazmel
