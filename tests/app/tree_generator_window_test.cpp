#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <vector>

#include "app/playlist_controller.h"
#include "app/tree_generator_controller.h"
#include "core/ini_file.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "stations/tree_editor.h"
#include "ui/playlist/radio_tree_view.h"
#include "ui/playlist/tree_generator_window.h"
#include "ui/playlist/tree_menu.h"
#include "ui/radio_tree_fixture.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

constexpr int kStations = 40;

// The tree pane with its controller over the fixture's tree, and a user
// table of kStations stations in two genres.
class TreeGeneratorWindowTest : public ::testing::Test, protected test::RadioTreeFixture {
 protected:
  void SetUp() override {
    std::vector<std::string> lines;
    for (int i = 0; i < kStations; ++i) {
      StationRecord r;
      r.VID = std::to_string(100001 + i);
      r.VRadioName = "Station " + std::to_string(i);
      r.VGenre = i % 2 == 0 ? "Pop" : "Jazz";
      r.VStreamURL = "http://127.0.0.1/" + r.VID;
      lines.push_back(FormatStationLine(r));
    }
    ASSERT_TRUE(WriteTextTable(editor().data_folder() / "datauser.dat", lines));
    controller_ = std::make_unique<PlayListController>(
        PlayListParts{.tree = editor(), .paths = paths(), .language = language_, .prompts = prompts()},
        PlayListHooks{});
    auto* layout = new QVBoxLayout(&host_);
    layout->addWidget(&controller_->TreeView());
    host_.resize(300, 400);
    host_.show();
  }

  void TearDown() override {
    if (TfrmTreeGenerator* w = Window()) w->hide();
  }

  TfrmTreeGenerator* Window() const { return controller_->TreeGenerator().Window(); }

  // Opens the window from the tree menu on `selected` and sets it for a
  // run of the user table by genre.
  TfrmTreeGenerator& OpenByGenre(const char* selected, const QString& group = u"By Genre Made"_s) {
    editor().Select(Node(selected));
    controller_->RunMenuCommand(u"nTreeGenerator"_s);
    TfrmTreeGenerator* w = Window();
    EXPECT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->ProgressBar().value(), 0);
    w->findChild<QLineEdit*>(u"edtGroup"_s)->setText(group);
    w->findChild<QComboBox*>(u"cbbLevel1"_s)->setCurrentIndex(1);  // Genre
    w->findChild<QComboBox*>(u"cbbTable"_s)->setCurrentIndex(2);   // User Data
    return *w;
  }

  static int Stations(const TreeNode& node) {
    int count = NodeID(node) > 0 ? 1 : 0;
    for (const auto& child : node.children()) count += Stations(*child);
    return count;
  }

  IniFile language_;
  QWidget host_;
  std::unique_ptr<PlayListController> controller_;
};

// Go files every user station under its genre in a new group in front of
// the selected node, says so and closes the window.
TEST_F(TreeGeneratorWindowTest, GoBuildsTheGroupAndShowsTheResult) {
  TfrmTreeGenerator& w = OpenByGenre("Rock");
  QTest::mouseClick(w.findChild<QPushButton*>(u"btnStart"_s), Qt::LeftButton);
  EXPECT_EQ(prompts().infos, std::vector<std::string>{"Successfully done, Congratulations!"});
  EXPECT_FALSE(w.isVisible());
  TreeNode* made = Node("By Genre Made");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->parent(), Node("By genre"));
  EXPECT_EQ(made->ChildIndex() + 1, Node("Rock")->ChildIndex());
  ASSERT_EQ(made->child_count(), 2);
  EXPECT_EQ(made->children()[0]->caption(), "Pop");
  EXPECT_EQ(made->children()[1]->caption(), "Jazz");
  EXPECT_EQ(Stations(*made), kStations);
  EXPECT_TRUE(editor().tree_modified());
  // Shown again, the window starts from an empty bar and takes choices.
  controller_->RunMenuCommand(u"nTreeGenerator"_s);
  EXPECT_EQ(w.ProgressBar().value(), 0);
  EXPECT_TRUE(w.findChild<QPushButton*>(u"btnStart"_s)->isEnabled());
  EXPECT_FALSE(w.findChild<QLineEdit*>(u"edtGroup"_s)->isReadOnly());
}

// Closing the window during a run asks; No lets the run finish, Yes stops
// it and keeps the part built so far, without a message.
TEST_F(TreeGeneratorWindowTest, ClosingMidRunAsks) {
  struct Case {
    bool stop;
  };
  for (const Case c : {Case{false}, Case{true}}) {
    prompts().infos.clear();
    prompts().questions.clear();
    prompts().answers = {c.stop};
    const std::string group = c.stop ? "Stopped" : "Finished";
    TfrmTreeGenerator& w = OpenByGenre("Jazz", QString::fromStdString(group));
    bool locked = false;
    QTimer::singleShot(0, &w, [&] {
      locked = w.Running() && !w.findChild<QPushButton*>(u"btnStart"_s)->isEnabled() &&
               !w.findChild<QComboBox*>(u"cbbLevel1"_s)->isEnabled() &&
               w.findChild<QLineEdit*>(u"edtGroup"_s)->isReadOnly() && w.ProgressBar().value() >= 1;
      w.close();
    });
    QTest::mouseClick(w.findChild<QPushButton*>(u"btnStart"_s), Qt::LeftButton);
    EXPECT_TRUE(locked) << c.stop;
    EXPECT_EQ(prompts().questions, std::vector<std::string>{"Executing a task, really want to abort?"}) << c.stop;
    EXPECT_FALSE(w.isVisible()) << c.stop;
    EXPECT_FALSE(w.Running()) << c.stop;
    TreeNode* made = Node(group);
    ASSERT_NE(made, nullptr);
    if (c.stop) {
      EXPECT_TRUE(prompts().infos.empty());
      EXPECT_LT(Stations(*made), kStations);
    } else {
      EXPECT_EQ(prompts().infos, std::vector<std::string>{"Successfully done, Congratulations!"});
      EXPECT_EQ(Stations(*made), kStations);
    }
    EXPECT_TRUE(editor().tree_modified());
  }
}

}  // namespace
}  // namespace tazmel
