#include "ui/playlist/radio_tree_view.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <string>

#include "stations/tree_editor.h"
#include "ui/playlist/radio_tree_model.h"
#include "ui/radio_tree_fixture.h"

namespace tazmel {
namespace {

using test::RadioTreeFixture;

// The half-page rule of bringing a row into view, with 10 rows of 20 pixels
// visible.
TEST(HalfPageScrollTest, Table) {
  struct Case {
    int value, maximum, row_top;
    int expected;
  } cases[] = {
      {0, 90, 0, 0},      // first row in view
      {0, 90, 180, 0},    // last visible row
      {0, 90, 200, 5},    // just below: half of the ten rows
      {0, 90, 190, 5},    // cut by the bottom edge
      {20, 90, -20, 15},  // just above
      {88, 90, 200, 90},  // limited to the maximum
      {3, 90, -20, 0},    // limited to the top
      {0, 0, 200, 0},     // nothing to scroll
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HalfPageScroll(c.value, c.maximum, c.row_top, 20, 200), c.expected) << c.value << " " << c.row_top;
  }
  EXPECT_EQ(HalfPageScroll(7, 90, 500, 0, 200), 7) << "no rows yet";
  EXPECT_EQ(HalfPageScroll(7, 90, 30, 20, 30), 7) << "a view less than a row high moves by nothing";
}

// While dragging, two rows at either edge scroll the tree.
TEST(DragScrollStepTest, Table) {
  struct Case {
    int y, expected;
  } cases[] = {{0, -1}, {39, -1}, {40, 0}, {160, 0}, {161, 1}, {199, 1}, {250, 1}, {-5, -1}};
  for (const Case& c : cases) EXPECT_EQ(DragScrollStep(c.y, 200, 20), c.expected) << c.y;
  EXPECT_EQ(DragScrollStep(0, 200, 0), 0);
}

class RadioTreeViewTest : public ::testing::Test, protected RadioTreeFixture {
 protected:
  void SetUp() override {
    view_ = std::make_unique<TRadioTreeView>(editor());
    view_->SetStationPaths(&paths());
    view_->resize(240, 200);
    view_->show();
    editor().Expand(*Top("By genre"));
    editor().Expand(*Node("Rock"));
    view_->Model().Refresh();
  }
  QRect RowOf(const TreeNode* node) { return view_->visualRect(view_->Model().IndexOf(node)); }

  std::unique_ptr<TRadioTreeView> view_;
};

// A station's hint is its record's summary, read from the user table; other
// nodes and stations without a record have none.
TEST_F(RadioTreeViewTest, HintsFromTheStationRecord) {
  const QString hint = view_->HintFor(*Node("Radio Two"));
  EXPECT_TRUE(hint.contains(QStringLiteral("Radio Two")));
  EXPECT_TRUE(hint.contains(QStringLiteral("http://two.example/live"))) << "user stations show their address";
  EXPECT_FALSE(hint.contains(u'\r'));
  EXPECT_TRUE(view_->HintFor(*Node("Rock")).isEmpty());
  EXPECT_TRUE(view_->HintFor(*Node("Radio Three")).isEmpty());
  EXPECT_TRUE(view_->HintFor(*Top("By genre")).isEmpty());
}

// The node under the pointer is remembered for its hint and forgotten when
// it leaves the tree, also when the whole tree is reloaded.
TEST_F(RadioTreeViewTest, LastHintNodeForgottenWithItsNode) {
  QTest::mouseMove(view_->viewport(), RowOf(Node("Radio Three")).center());
  ASSERT_EQ(view_->LastHintNode(), Node("Radio Three"));
  EXPECT_TRUE(editor().RemoveStationNodes(100005));
  EXPECT_EQ(view_->LastHintNode(), Node("Radio Three")) << "another station went";
  editor().Select(Node("Rock"));
  editor().DeleteNode(*Node("Rock"));
  EXPECT_EQ(view_->LastHintNode(), nullptr);

  test::FlushPaints();
  QTest::mouseMove(view_->viewport(), RowOf(Top("Mine")).center());
  ASSERT_EQ(view_->LastHintNode(), Top("Mine"));
  editor().ReloadTree(-1, -1);
  EXPECT_EQ(view_->LastHintNode(), nullptr);
}

// Keys and buttons: Escape asks to stop Incorporate, Ctrl+Delete to delete,
// a right press selects, a double-click on the selected node plays, and in
// Click Mode a single click plays too.
TEST_F(RadioTreeViewTest, MouseAndKeys) {
  QSignalSpy abort(view_.get(), &TRadioTreeView::abortRequested);
  QSignalSpy cut_delete(view_.get(), &TRadioTreeView::cutDeleteRequested);
  QSignalSpy play(view_.get(), &TRadioTreeView::playRequested);
  QSignalSpy follow(view_.get(), &TRadioTreeView::selectionFollowRequested);
  view_->setFocus();
  QTest::keyClick(view_.get(), Qt::Key_Escape);
  EXPECT_EQ(abort.size(), 1);
  QTest::keyClick(view_.get(), Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(cut_delete.size(), 1);

  QTest::mousePress(view_->viewport(), Qt::RightButton, {}, RowOf(Node("Radio Two")).center());
  QTest::mouseRelease(view_->viewport(), Qt::RightButton, {}, RowOf(Node("Radio Two")).center());
  EXPECT_EQ(editor().selected(), Node("Radio Two"));

  view_->SetClickMode(false);
  QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, RowOf(Node("Radio Three")).center());
  EXPECT_EQ(editor().selected(), Node("Radio Three"));
  EXPECT_EQ(play.size(), 0);
  EXPECT_EQ(follow.size(), 1);
  QTest::mouseDClick(view_->viewport(), Qt::LeftButton, {}, RowOf(Node("Radio Three")).center());
  EXPECT_EQ(play.size(), 1);

  view_->SetClickMode(true);
  QTest::mouseClick(view_->viewport(), Qt::LeftButton, {}, RowOf(Node("Radio Two")).center());
  EXPECT_EQ(editor().selected(), Node("Radio Two"));
  EXPECT_EQ(play.size(), 2);

  QTest::keyClick(view_.get(), Qt::Key_Down);
  EXPECT_EQ(editor().selected(), Node("Radio Three"));
  EXPECT_GE(follow.size(), 3);
}

// The expander opens a top node: its subtree file is read then, and the
// node's expanded flag follows the view both ways.
TEST_F(RadioTreeViewTest, ExpandingLoadsAndSetsTheFlag) {
  RadioTreeFixture fresh;
  TRadioTreeView view(fresh.editor());
  view.show();
  TreeNode* mine = fresh.Top("Mine");
  ASSERT_FALSE(mine->HasChildren());
  view.expand(view.Model().IndexOf(mine));
  EXPECT_TRUE(mine->HasChildren());
  EXPECT_TRUE(mine->expanded());
  EXPECT_EQ(view.Model().rowCount(view.Model().IndexOf(mine)), 2);
  view.collapse(view.Model().IndexOf(mine));
  EXPECT_FALSE(mine->expanded());
}

// Bringing the playing node into view: half a page for a row just outside,
// the middle of the view for one far away.
TEST_F(RadioTreeViewTest, MakeVisibleScrollsByHalfAPage) {
  TreeNode* mine = Top("Mine");
  editor().EnsureLoaded(*mine);
  for (int i = 0; i < 100; ++i) {
    mine->AddChild(std::make_unique<TreeNode>("Station " + std::to_string(i), 0, -1, 200000 + i));
  }
  editor().Collapse(*Top("By genre"));
  editor().Expand(*mine);
  view_->Model().Refresh();
  const int row_height = RowOf(Top("Favorites")).height();
  ASSERT_GT(row_height, 0);
  view_->resize(240, row_height * 10 + (view_->height() - view_->viewport()->height()));
  ASSERT_EQ(view_->viewport()->height(), row_height * 10);
  QScrollBar* bar = view_->verticalScrollBar();
  bar->setValue(0);

  // Rows: 5 top nodes before Mine's children begin at row 5 (Mine is row 4,
  // its first two children are Mix and Solo).
  TreeNode* just_below = mine->child(5);  // row 10, the first one out of sight
  view_->MakeVisible(*just_below);
  EXPECT_EQ(bar->value(), 5);

  bar->setValue(20);
  TreeNode* just_above = mine->child(14);  // row 19
  view_->MakeVisible(*just_above);
  EXPECT_EQ(bar->value(), 15);

  TreeNode* far = mine->child(90);
  view_->MakeVisible(*far);
  const QRect row = RowOf(far);
  EXPECT_GE(row.top(), 0);
  EXPECT_LE(row.bottom(), view_->viewport()->height());

  view_->ScrollToFirstRow();
  EXPECT_EQ(bar->value(), 0);
  view_->ScrollToLastRow();
  EXPECT_EQ(bar->value(), bar->maximum());
  view_->ScrollLineUp();
  EXPECT_EQ(bar->value(), bar->maximum() - 1);
}

// A reset keeps the first visible row.
TEST_F(RadioTreeViewTest, ResetKeepsTheScrollPosition) {
  TreeNode* mine = Top("Mine");
  editor().EnsureLoaded(*mine);
  for (int i = 0; i < 50; ++i) mine->AddChild(std::make_unique<TreeNode>("S" + std::to_string(i), 0, -1, 300000 + i));
  editor().Expand(*mine);
  view_->Model().Refresh();
  view_->verticalScrollBar()->setValue(12);
  view_->Model().Refresh();
  EXPECT_EQ(view_->verticalScrollBar()->value(), 12);
}

}  // namespace
}  // namespace tazmel
