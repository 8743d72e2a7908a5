#pragma once

#include <QMenu>

namespace tazmel {

// The music list's context menu `pmListMenu`. Items carry their names as
// object names for the translator; their shortcuts act while the music
// pane has the focus.
class TListMenu : public QMenu {
  Q_OBJECT

 public:
  explicit TListMenu(QWidget& pane);
  QAction* Action(const QString& name) const;
};

}  // namespace tazmel
