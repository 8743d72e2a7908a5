#pragma once

#include <QMenu>
#include <QString>

class QAction;
class QWidget;

namespace tazmel {

struct TreeMenuState;

// The station tree's context menu `pmTreeMenu`. Items carry their names as
// object names, so the translator finds them; their shortcuts act only while
// the tree pane has the focus (the music pane gives the same keys other
// meanings).
class TTreeMenu : public QMenu {
  Q_OBJECT

 public:
  // `pane` is the tree view: the menu becomes its child, and the shortcuts
  // are bound to it.
  explicit TTreeMenu(QWidget& pane);

  // The item of that name (also inside the submenus); null for an unknown one.
  QAction* Action(const QString& name) const;

  // Enabling and visibility from the tree's state, the check of Click Mode.
  void ApplyState(const TreeMenuState& state, bool click_mode);
};

}  // namespace tazmel
