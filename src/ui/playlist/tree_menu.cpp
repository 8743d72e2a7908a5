#include "ui/playlist/tree_menu.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>
#include <initializer_list>

#include "stations/tree_editor.h"

namespace tazmel {
namespace {

struct Item {
  const char* name;
  const char* caption;
  QKeySequence shortcut;
};

// Windows that come later; their items are shown but stay disabled.
constexpr const char* kLaterItems[] = {"nTestRadio"};

}  // namespace

TTreeMenu::TTreeMenu(QWidget& pane) : QMenu(&pane) {
  setObjectName(QStringLiteral("pmTreeMenu"));
  auto add = [&pane](QMenu& menu, std::initializer_list<Item> items) {
    for (const Item& item : items) {
      QAction* action = menu.addAction(QString::fromLatin1(item.caption));
      action->setObjectName(QString::fromLatin1(item.name));
      if (!item.shortcut.isEmpty()) {
        action->setShortcut(item.shortcut);
        action->setShortcutContext(Qt::WidgetShortcut);
        pane.addAction(action);
      }
    }
  };
  add(*this, {{"nAddFavorite", "Add To Fav&orites", QKeySequence(Qt::CTRL | Qt::Key_O)},
              {"nDelFavorite", "Remove From Fav&orites", QKeySequence(Qt::CTRL | Qt::Key_O)},
              {"nPlay", "&Play", QKeySequence(Qt::Key_Enter)},
              {"nProgramList", "Program &List", QKeySequence(Qt::CTRL | Qt::Key_L)}});
  addSeparator();
  add(*this, {{"nCut", "Cu&t", QKeySequence(Qt::CTRL | Qt::Key_X)},
              {"nCopy", "&Copy", QKeySequence(Qt::CTRL | Qt::Key_C)},
              {"nPaste", "&Paste", QKeySequence(Qt::CTRL | Qt::Key_V)},
              {"nDel", "&Delete", QKeySequence(Qt::Key_Delete)},
              {"nIncorporate", "&Incorporate", QKeySequence(Qt::CTRL | Qt::Key_I)}});
  addSeparator();
  add(*this, {{"nFind", "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F)},
              {"nFindNext", "Find &Next", QKeySequence(Qt::Key_F3)}});
  // The whole directory, not only the loaded trees.
  add(*this, {{"nSearch", "Searc&h Stations...", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)}});
  addSeparator();
  add(*this, {{"nSetChannel", "Set C&hannel...", QKeySequence(Qt::CTRL | Qt::Key_H)},
              {"nClickMode", "Clic&k Mode", QKeySequence()}});
  addSeparator();
  add(*this, {{"nAddRadio", "&Add Radio...", QKeySequence(Qt::CTRL | Qt::Key_A)},
              {"nEditRadio", "&Modify Radio...", QKeySequence(Qt::CTRL | Qt::Key_M)}});
  addSeparator();
  add(*this, {{"nAddGroup", "Add &Group...", QKeySequence(Qt::CTRL | Qt::Key_G)},
              {"nModifyGroup", "Modif&y Group...", QKeySequence(Qt::CTRL | Qt::Key_Y)}});
  addSeparator();

  auto* tool = new QMenu(QStringLiteral("&Tool"), this);
  tool->setObjectName(QStringLiteral("nDataTool1"));
  add(*tool, {{"nTestRadio", "Test &Radio...", QKeySequence(Qt::CTRL | Qt::Key_T)},
              {"nTreeGenerator", "Tree &Generator...", QKeySequence()},
              {"nImportData", "&Import Data...", QKeySequence()},
              {"nExportData", "&Export Data...", QKeySequence()},
              {"nExportAllData", "Export &All Data...", QKeySequence()}});
  addMenu(tool);

  auto* view = new QMenu(QStringLiteral("&View"), this);
  view->setObjectName(QStringLiteral("nView1"));
  add(*view, {{"nSort", "&Sort", QKeySequence(Qt::CTRL | Qt::Key_S)},
              {"nSortSubtree", "Sort &Subtree", QKeySequence()},
              {"nSortAll", "Sort &All", QKeySequence()},
              {"nExpandSubtree", "&Expand Subtree", QKeySequence()},
              {"nCollapseSubtree", "&Collapse Subtree", QKeySequence()},
              {"nExpandAll", "E&xpand All", QKeySequence()},
              {"nCollapseAll", "C&ollapse All", QKeySequence()}});
  addMenu(view);

  // The keypad's Enter names the item; the main Return key plays as well.
  Action(QStringLiteral("nPlay"))->setShortcuts({QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)});
  Action(QStringLiteral("nClickMode"))->setCheckable(true);
  Action(QStringLiteral("nDelFavorite"))->setVisible(false);
  Action(QStringLiteral("nDelFavorite"))->setShortcut(QKeySequence());
  for (const char* name : kLaterItems) Action(QString::fromLatin1(name))->setEnabled(false);
}

QAction* TTreeMenu::Action(const QString& name) const { return findChild<QAction*>(name); }

void TTreeMenu::ApplyState(const TreeMenuState& state, bool click_mode) {
  auto set = [this](const char* name, bool enabled) { Action(QString::fromLatin1(name))->setEnabled(enabled); };
  set("nAddGroup", state.add_radio);
  set("nAddRadio", state.add_radio);
  set("nEditRadio", state.modify_radio);
  set("nModifyGroup", state.modify_group);
  set("nSetChannel", state.modify_radio);
  set("nCut", state.cut);
  set("nDel", state.cut);
  set("nPaste", state.paste);
  set("nIncorporate", state.incorporate);
  set("nImportData", state.data_import);
  set("nExportData", state.data_import);
  set("nExportAllData", state.data_export_all);
  // Only one of the two Favorites items shows; the hidden one gives up
  // Ctrl+O, so the key always means the visible one.
  const QKeySequence favorite_key(Qt::CTRL | Qt::Key_O);
  QAction* add_favorite = Action(QStringLiteral("nAddFavorite"));
  QAction* remove_favorite = Action(QStringLiteral("nDelFavorite"));
  add_favorite->setVisible(state.add_favorite_visible);
  add_favorite->setShortcut(state.add_favorite_visible ? favorite_key : QKeySequence());
  remove_favorite->setVisible(state.remove_favorite_visible);
  remove_favorite->setShortcut(state.remove_favorite_visible ? favorite_key : QKeySequence());
  remove_favorite->setEnabled(state.remove_favorite_enabled);
  Action(QStringLiteral("nClickMode"))->setChecked(click_mode);
}

}  // namespace tazmel
