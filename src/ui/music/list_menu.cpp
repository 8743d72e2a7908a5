#include "ui/music/list_menu.h"

#include <QAction>
#include <QKeySequence>

namespace tazmel {

TListMenu::TListMenu(QWidget& pane) : QMenu(&pane) {
  setObjectName(QStringLiteral("pmListMenu"));
  struct Item {
    const char* name;
    const char* caption;
    QKeySequence shortcut;
  };
  auto add = [this, &pane](const Item& item) {
    QAction* action = addAction(QString::fromLatin1(item.caption));
    action->setObjectName(QString::fromLatin1(item.name));
    if (!item.shortcut.isEmpty()) {
      action->setShortcut(item.shortcut);
      action->setShortcutContext(Qt::WidgetShortcut);
      pane.addAction(action);
    }
    return action;
  };
  // Enter is the pane's own key (it also plays without the menu).
  add({"nPlay_LB", "&Play", QKeySequence()})->setShortcut(QKeySequence(Qt::Key_Enter));
  addSeparator();
  add({"nAddFiles_LB", "&Add File(s)...", QKeySequence(Qt::ALT | Qt::Key_A)});
  add({"nAddFolder_LB", "Add F&older...", QKeySequence(Qt::ALT | Qt::Key_D)});
  addSeparator();
  add({"nDelete_LB", "&Delete", QKeySequence(Qt::Key_Delete)});
  add({"nClearAll_LB", "&Clear All", QKeySequence(Qt::CTRL | Qt::Key_E)});
  // Shown as a line; Ctrl+A selects every row through the pane's own key.
  add({"nSelectAll_LB", "", QKeySequence()})->setSeparator(true);
  add({"nFind_LB", "&Find...", QKeySequence(Qt::CTRL | Qt::Key_F)});
  add({"nFindNext_LB", "Find &Next", QKeySequence(Qt::Key_F3)});
  addSeparator();
  add({"nFileInfomation_LB", "&View File Info...", QKeySequence(Qt::ALT | Qt::Key_I)});
  add({"nRename", "&Rename...", QKeySequence(Qt::ALT | Qt::Key_C)});
}

QAction* TListMenu::Action(const QString& name) const {
  for (QAction* action : actions()) {
    if (action->objectName() == name) return action;
  }
  return nullptr;
}

}  // namespace tazmel
