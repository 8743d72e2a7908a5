// The station menu of the main window, built from a real tree on disk.

#include <QMenu>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/code_page.h"
#include "fake_prompts.h"
#include "stations/tree_editor.h"
#include "stations/tree_files.h"
#include "stations/tree_outline.h"
#include "temp_dir.h"
#include "ui/main/main_window.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

QMenu* Submenu(const QMenu& menu, const QString& title) {
  for (QMenu* sub : menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) {
    if (sub->title() == title) return sub;
  }
  return nullptr;
}

QStringList Texts(const QMenu& menu) {
  QStringList texts;
  for (const QAction* action : menu.actions()) texts << action->text();
  return texts;
}

// Trees not loaded yet are read when their submenu opens, once; Recently
// played shows its saved entries after a restart, and its stations play.
TEST(StationMenuTest, SubmenusFillWhenTheyOpen) {
  test::QtApp();
  test::TempDir dir;
  test::FakePrompts prompts;
  {
    StationTree tree;
    test::BuildTree(tree, Utf8ToGb("Recent [-97] recent.dat\n  Old [7]\n  北京 [8]\nMine [-101] mine.dat\n  G [-1]\n"
                                   "    S [9]\n"));
    SaveTopLists(tree, dir.path());
    for (const auto& top : tree.top_nodes()) SaveSubtree(*top, dir.path());
  }
  TreeEditor editor(dir.path(), prompts);
  editor.ReloadTree(-1, -1);
  TfrmMain window;
  window.station_menu_source = [&editor] {
    std::vector<StationMenuItem> menu;
    editor.BuildStationMenu(menu);
    return menu;
  };
  window.PopupStationMenu(QPoint(10, 10));
  QMenu& menu = *window.TreeMenu();
  QMenu* recent = Submenu(menu, u"Recent"_s);
  QMenu* mine = Submenu(menu, u"Mine"_s);
  ASSERT_NE(recent, nullptr);
  ASSERT_NE(mine, nullptr);
  EXPECT_TRUE(recent->actions().isEmpty());
  EXPECT_FALSE(editor.tree().Top(0)->HasChildren());

  emit recent->aboutToShow();
  emit recent->aboutToShow();
  EXPECT_EQ(Texts(*recent), (QStringList{u"Old"_s, u"北京"_s}));
  EXPECT_FALSE(editor.tree().Top(1)->HasChildren());  // Mine stays on disk

  QSignalSpy chosen(&window, &TfrmMain::stationChosen);
  recent->actions().at(1)->trigger();
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen.first().first().toInt(), 8);

  emit mine->aboutToShow();
  QMenu* group = Submenu(*mine, u"G"_s);
  ASSERT_NE(group, nullptr);
  emit group->aboutToShow();
  EXPECT_EQ(Texts(*group), QStringList{u"S"_s});
  menu.hide();
}

// Submenus made as they open take the palette their menu was given.
TEST(StationMenuTest, SubmenusTakeTheMenuPalette) {
  test::QtApp();
  TfrmMain window;
  window.station_menu_source = [] {
    StationMenuItem group{.caption = "G", .tag = -1, .is_station = false, .children = {}, .load_children = {}};
    group.children.push_back({.caption = "Inner", .tag = -1, .is_station = false, .children = {}, .load_children = {}});
    return std::vector<StationMenuItem>{group};
  };
  QPalette palette = window.TreeMenu()->palette();
  palette.setColor(QPalette::Window, QColor(0x20, 0x30, 0x40));
  window.TreeMenu()->setPalette(palette);
  window.PopupStationMenu(QPoint(10, 10));
  QMenu* group = Submenu(*window.TreeMenu(), u"G"_s);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->palette().color(QPalette::Window), QColor(0x20, 0x30, 0x40));
  emit group->aboutToShow();
  QMenu* inner = Submenu(*group, u"Inner"_s);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner->palette().color(QPalette::Window), QColor(0x20, 0x30, 0x40));
  window.TreeMenu()->hide();
}

}  // namespace
}  // namespace tazmel
