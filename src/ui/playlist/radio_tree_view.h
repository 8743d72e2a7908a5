#pragma once

#include <QModelIndex>
#include <QPoint>
#include <QTimer>
#include <QTreeView>
#include <functional>

#include "stations/radio_table.h"

namespace tazmel {

class ProgramPaths;
class RadioTreeModel;
class SkinState;
class TreeEditor;
class TreeNode;

// The first visible row after the rule for bringing a row into view: a row
// reaching below the client area scrolls down by half the visible rows, one
// above it scrolls up by as much; the result stays within 0..maximum. A row
// in view leaves `value` as it is.
int HalfPageScroll(int value, int maximum, int row_top, int row_height, int client_height);

// While dragging: -1 to scroll a line up (pointer within two rows of the
// top), +1 a line down (within two rows of the bottom), else 0.
int DragScrollStep(int y, int client_height, int row_height);

// The station tree pane of the playlist window. Both panes show no native
// scroll bars and scroll by whole rows; the window's skinned bar follows
// verticalScrollBar(). The view renders the tree and reports what the user
// does; the playlist controller runs the commands.
class TRadioTreeView : public QTreeView {
  Q_OBJECT

 public:
  // The view makes and owns the model over `editor`, which outlives it.
  explicit TRadioTreeView(TreeEditor& editor, QWidget* parent = nullptr);
  ~TRadioTreeView() override;

  RadioTreeModel& Model() const { return model_; }
  TreeNode* NodeAt(const QPoint& viewport_pos) const;

  // Click Mode: hot tracking, auto-expand, and a click plays like a
  // double-click.
  void SetClickMode(bool on);
  bool ClickMode() const { return click_mode_; }

  // Colours, font and node icons of the skin's tree; null or an unloaded skin
  // keeps the desktop look.
  void ApplySkin(const SkinState* skin);
  // Where the hints read station records; without paths there are no hints.
  void SetStationPaths(const ProgramPaths* paths) { paths_ = paths; }
  // The hint of a node: the summary of its station record, empty for groups,
  // top nodes and stations without a record.
  QString HintFor(const TreeNode& node);
  const TreeNode* LastHintNode() const { return last_hint_node_; }

  // The tree logic's scroll requests.
  void MakeVisible(const TreeNode& node);
  void ScrollToFirstRow();
  void ScrollToLastRow();
  void ScrollLineUp();

 signals:
  // A double-click on the selected node, or a click in Click Mode.
  void playRequested();
  // A click, or Up/Down released: the dialogs follow the selection.
  void selectionFollowRequested();
  void abortRequested();      // Escape
  void cutDeleteRequested();  // Ctrl+Delete
  // A node dragged inside the tree and dropped on `target` (null: on no node).
  void nodeDropped(TreeNode* source, TreeNode* target);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void startDrag(Qt::DropActions actions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

 private:
  class HotDelegate;

  void Restore();
  void OnClicked(const QModelIndex& index);
  int RowHeight() const;
  void DragScrollTick();

  RadioTreeModel& model_;
  HotDelegate* delegate_ = nullptr;
  const ProgramPaths* paths_ = nullptr;
  TRadioTable table_;
  const TreeNode* last_hint_node_ = nullptr;
  int listener_ = 0;
  bool click_mode_ = true;
  bool restoring_ = false;
  int saved_scroll_ = 0;
  TreeNode* drag_source_ = nullptr;
  int drag_step_ = 0;
  QTimer drag_scroll_;
  // The selection before the click that changed it (auto-expand).
  TreeNode* previous_selected_ = nullptr;
};

}  // namespace tazmel
