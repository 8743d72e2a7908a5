#include "ui/playlist/radio_tree_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <functional>
#include <string>
#include <vector>

#include "stations/tree_editor.h"
#include "ui/playlist/radio_tree_view.h"
#include "ui/radio_tree_fixture.h"
#include "ui/skins/skin_state.h"

namespace tazmel {
namespace {

using test::ModelTesterLog;
using test::RadioTreeFixture;

class RadioTreeModelTest : public ::testing::Test, protected RadioTreeFixture {
 protected:
  QModelIndex TopIndex(RadioTreeModel& model, std::string_view caption) { return model.IndexOf(Top(caption)); }
  ModelTesterLog log_;
};

// Top nodes come from the list files alone; an unloaded one shows an expand
// button, has no rows until the view fetches it, and a missing subtree file
// takes the button away.
TEST_F(RadioTreeModelTest, UnloadedTopNodesLoadWhenFetched) {
  RadioTreeModel model(editor());
  ASSERT_EQ(model.rowCount(), 5);
  const QModelIndex genre = TopIndex(model, "By genre");
  EXPECT_TRUE(model.hasChildren(genre));
  EXPECT_EQ(model.rowCount(genre), 0);
  EXPECT_TRUE(model.canFetchMore(genre));
  EXPECT_FALSE(Top("By genre")->HasChildren()) << "nothing is read before the view asks";

  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  model.fetchMore(genre);
  ASSERT_EQ(inserted.size(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 1);
  EXPECT_EQ(model.rowCount(genre), 2);
  EXPECT_FALSE(model.canFetchMore(genre));
  EXPECT_EQ(model.index(0, 0, genre).data().toString(), QStringLiteral("Rock"));

  const QModelIndex missing = TopIndex(model, "Missing");
  EXPECT_TRUE(model.hasChildren(missing));
  model.fetchMore(missing);
  EXPECT_FALSE(model.hasChildren(missing));
  EXPECT_EQ(model.rowCount(missing), 0);

  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
  EXPECT_TRUE(ModelTesterLog::Failures().isEmpty()) << ModelTesterLog::Failures().join(u'\n').toStdString();
}

// A subtree loaded behind the model's back (a search, the station menu)
// stays out of the rows until fetched, so the rows the view knows stay true.
TEST_F(RadioTreeModelTest, SubtreeLoadedElsewhereWaitsForTheFetch) {
  RadioTreeModel model(editor());
  TreeNode* locked = Top("Locked");
  const QModelIndex locked_index = model.IndexOf(locked);
  editor().EnsureLoaded(*locked);
  ASSERT_TRUE(locked->HasChildren());
  EXPECT_EQ(model.rowCount(locked_index), 0);
  EXPECT_TRUE(model.canFetchMore(locked_index));
  EXPECT_FALSE(model.IndexOf(locked->child(0)).isValid()) << "a row the model never announced";

  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  model.fetchMore(locked_index);
  EXPECT_EQ(inserted.size(), 1);
  EXPECT_EQ(model.rowCount(locked_index), 1);
  EXPECT_EQ(model.IndexOf(locked->child(0)).row(), 0);

  // After a reset every loaded subtree is shown at once.
  editor().EnsureLoaded(*Top("Mine"));
  model.Refresh();
  EXPECT_EQ(model.rowCount(model.IndexOf(Top("Mine"))), 2);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
  EXPECT_TRUE(ModelTesterLog::Failures().isEmpty()) << ModelTesterLog::Failures().join(u'\n').toStdString();
}

// Captions are decoded from the data code page; a renamed node shows its
// new caption.
TEST_F(RadioTreeModelTest, CaptionsDecodedAndRenamed) {
  RadioTreeModel model(editor());
  TreeNode* station = Node(Utf8ToGb("爵士电台"));
  ASSERT_NE(station, nullptr);
  model.Refresh();
  EXPECT_EQ(model.IndexOf(station).data().toString(), QStringLiteral("爵士电台"));

  editor().Select(Node("Mix"));
  model.BeginChange();
  EXPECT_TRUE(editor().ModifyGroup(Utf8ToGb("混合")));
  model.EndChange();
  EXPECT_EQ(model.IndexOf(Node(Utf8ToGb("混合"))).data().toString(), QStringLiteral("混合"));
}

// The playing node takes the skin's playing colour, the found node the
// selected colours; icons come from the skin's node icons by image index.
TEST_F(RadioTreeModelTest, SkinColoursAndIcons) {
  SkinState skin;
  ASSERT_TRUE(skin.LoadSkin(std::filesystem::path(TAZMEL_STAGE_DIR) / "Skins", "Default"));
  ASSERT_GT(skin.NodeIcons().size(), 1u);
  RadioTreeModel model(editor());
  model.SetSkin(&skin);
  TreeNode* two = Node("Radio Two");
  TreeNode* three = Node("Radio Three");
  editor().Select(two);
  editor().Play();
  editor().Select(nullptr);
  editor().Find({.text = "three"});
  ASSERT_EQ(editor().found_node(), three);
  model.Refresh();

  const ListSkin& colours = skin.Ini().tree;
  EXPECT_EQ(model.IndexOf(two).data(Qt::ForegroundRole).value<QColor>(), ToQColor(colours.playing_item_font_color));
  EXPECT_EQ(model.IndexOf(three).data(Qt::ForegroundRole).value<QColor>(), ToQColor(colours.selected_item_font_color));
  EXPECT_EQ(model.IndexOf(three).data(Qt::BackgroundRole).value<QColor>(), ToQColor(colours.selected_item_back_color));
  EXPECT_FALSE(model.IndexOf(Node("Rock")).data(Qt::BackgroundRole).isValid());
  EXPECT_FALSE(model.IndexOf(two).data(Qt::DecorationRole).value<QIcon>().isNull());
  TreeNode* odd = Node("Solo");
  odd->set_image_index(1000);
  EXPECT_FALSE(model.IndexOf(odd).data(Qt::DecorationRole).isValid()) << "an index beyond the list: no icon";

  model.SetSkin(nullptr);
  EXPECT_FALSE(model.IndexOf(two).data(Qt::ForegroundRole).isValid());
}

// Every structural command, run in the change bracket, leaves the view with
// the expanded nodes the tree's flags give, the editor's selection as the
// current row, and a model the tester finds consistent.
TEST_F(RadioTreeModelTest, CommandsKeepTheViewConsistent) {
  struct Case {
    const char* name;
    const char* select;
    std::function<void(RadioTreeFixture&)> command;
    const char* selected_after;  // caption, or "" for none
  };
  const std::vector<Case> cases = {
      {"delete", "Mix", [](RadioTreeFixture& f) { EXPECT_TRUE(f.editor().Delete()); }, "Solo"},
      {"drop move", "Solo",
       [](RadioTreeFixture& f) { EXPECT_TRUE(f.editor().DropMove(*f.Node("Solo"), f.Node("Radio Two"))); }, "Solo"},
      {"sort", "By genre", [](RadioTreeFixture& f) { f.editor().Sort(); }, "By genre"},
      {"paste", "Rock",
       [](RadioTreeFixture& f) {
         f.editor().Copy();
         f.editor().Select(f.Node("Mix"));
         EXPECT_NE(f.editor().Paste(), nullptr);
       },
       "Rock"},
      {"add group", "Jazz", [](RadioTreeFixture& f) { EXPECT_NE(f.editor().AddGroup("New"), nullptr); }, "Jazz"},
      {"remove stations", "Radio Two", [](RadioTreeFixture& f) { EXPECT_TRUE(f.editor().RemoveStationNodes(100003)); },
       "Radio Three"},
      {"incorporate", "Mix",
       [](RadioTreeFixture& f) {
         f.editor().Select(f.Node("Rock"));
         f.editor().Cut();
         f.editor().Select(f.Node("Mix"));
         EXPECT_TRUE(f.editor().Incorporate());
       },
       "Mix"},
      {"expand all", "Mine", [](RadioTreeFixture& f) { f.editor().ExpandAll(); }, "Mine"},
      {"reload", "Rock", [](RadioTreeFixture& f) { f.editor().ReloadTree(-1, -1); }, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RadioTreeFixture f;
    ModelTesterLog log;
    TRadioTreeView view(f.editor());
    RadioTreeModel& model = view.Model();
    auto tester =
        std::make_unique<QAbstractItemModelTester>(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    view.resize(200, 300);
    view.show();
    f.editor().Select(f.Node(c.select));
    f.editor().Expand(*f.Top("By genre"));
    f.editor().Expand(*f.Node("Rock"));
    f.editor().Expand(*f.Top("Mine"));
    model.Refresh();

    // The tester fetches lazily loaded rows from inside its own reset
    // handler and then takes that insertion for one during the reset; after
    // a reload, whose top nodes are all unloaded, a fresh tester checks.
    const bool reloads = std::string_view(c.name) == "reload";
    if (reloads) tester.reset();
    model.BeginChange();
    c.command(f);
    model.EndChange();
    if (reloads) {
      tester =
          std::make_unique<QAbstractItemModelTester>(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }

    TreeNode* selected = f.editor().selected();
    if (*c.selected_after == '\0') {
      EXPECT_EQ(selected, nullptr);
      EXPECT_FALSE(view.currentIndex().isValid());
    } else {
      ASSERT_NE(selected, nullptr);
      EXPECT_EQ(selected->caption(), c.selected_after);
      EXPECT_EQ(model.NodeOf(view.currentIndex()), selected);
    }
    for (TreeNode* node = f.tree().First(); node != nullptr; node = node->Next()) {
      const QModelIndex at = model.IndexOf(node);
      if (!at.isValid()) continue;
      EXPECT_EQ(view.isExpanded(at), node->expanded() && model.rowCount(at) > 0) << node->caption();
    }
    EXPECT_FALSE(view.grab().isNull());
    EXPECT_TRUE(ModelTesterLog::Failures().isEmpty()) << ModelTesterLog::Failures().join(u'\n').toStdString();
  }
}

// Nodes that go outside a bracket (the station editor's removal, a reload
// from the main window) reset the model before they go; the view paints
// the tree as it is afterwards.
TEST_F(RadioTreeModelTest, RemovalOutsideABracketResetsFirst) {
  TRadioTreeView view(editor());
  RadioTreeModel& model = view.Model();
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
  view.resize(200, 300);
  view.show();
  editor().Expand(*Top("By genre"));
  editor().Expand(*Node("Rock"));
  editor().Select(Node("Radio Three"));
  model.Refresh();

  std::vector<bool> reset_before_removal;
  const int listener = editor().AddRemovalListener([&](const TreeNode*) { reset_before_removal.push_back(false); });
  // The model registered first, so it is told first.
  QObject::connect(&model, &QAbstractItemModel::modelReset, &model, [&] { reset_before_removal.push_back(true); });
  EXPECT_TRUE(editor().RemoveStationNodes(100004));
  editor().RemoveRemovalListener(listener);
  ASSERT_FALSE(reset_before_removal.empty());
  EXPECT_TRUE(reset_before_removal.front());
  test::FlushPaints();
  EXPECT_FALSE(view.grab().isNull());
  EXPECT_EQ(Node("Radio Three"), nullptr);
  EXPECT_TRUE(view.isExpanded(model.IndexOf(Node("Rock"))));

  editor().ReloadTree(-1, -1);
  test::FlushPaints();
  EXPECT_FALSE(view.grab().isNull());
  EXPECT_EQ(model.rowCount(), 5);
  EXPECT_TRUE(ModelTesterLog::Failures().isEmpty()) << ModelTesterLog::Failures().join(u'\n').toStdString();
}

}  // namespace
}  // namespace tazmel
