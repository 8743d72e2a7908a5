#pragma once

#include <QColor>
#include <QTimer>
#include <vector>

#include "ui/controls/my_list_box.h"

namespace tazmel {

class MusicList;
class SkinState;

// The music list pane `lstMusic`: one row per entry of a MusicList, drawn
// by the pane itself ("<number>. <name>", the playing row in the skin's
// playing colour, found and selected rows in its selected colours).
// Multi-select; rows dragged inside the pane are handed to the owner as a
// move; drops from other programs pass on to the window.
class TMusicListBox : public TMyListBox {
  Q_OBJECT

 public:
  explicit TMusicListBox(const MusicList& list, QWidget* parent = nullptr);

  // The rows changed: the pane takes the list's count again. Current row
  // and selection are put back where they still exist.
  void Reload();
  void ApplySkin(const SkinState* skin);

  // Selected rows in ascending order.
  std::vector<int> SelectedRows() const;
  // The row under a point of the viewport, -1 below the last.
  int RowAt(const QPoint& pos) const;
  // Makes `row` the only selected and the current row, scrolled into view
  // with half a page when it lies outside.
  void MakeCurrent(int row);
  // Repaints one row (nothing for a row the list does not have).
  void RepaintRow(int row);

 signals:
  // The selected rows dropped on row `target`.
  void rowsDropped(int target);
  // Enter or a double-click on a row.
  void playRequested();
  // The Up or Down arrow key released, or a click: the current row moved.
  void currentRowFollowed();
  void menuRequested(const QPoint& global);

 protected:
  void startDrag(Qt::DropActions actions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  class RowDelegate;

  const MusicList& list_;
  const SkinState* skin_ = nullptr;
  QColor playing_color_ = QColor(0, 174, 239);
  int item_height_ = 16;
  QTimer drag_scroll_;
  int drag_step_ = 0;
  bool dragging_ = false;
};

}  // namespace tazmel
