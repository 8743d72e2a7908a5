#include "ui/playlist/radio_tree_view.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <vector>

#include "stations/station_tree.h"
#include "stations/tree_editor.h"
#include "ui/playlist/radio_tree_model.h"
#include "ui/skins/skin_state.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

// A drag inside the tree carries no data: the source is the node the drag
// started from.
constexpr char kNodeMime[] = "application/x-tazmel-tree-node";
constexpr int kIndent = 19;
constexpr int kDragScrollMs = 100;

}  // namespace

int HalfPageScroll(int value, int maximum, int row_top, int row_height, int client_height) {
  if (row_height <= 0) return value;
  const int step = client_height / row_height / 2;
  int wanted = value;
  if (row_top + row_height > client_height) {
    wanted = value + step;
  } else if (row_top < 0) {
    wanted = value - step;
  }
  return std::clamp(wanted, 0, std::max(0, maximum));
}

int DragScrollStep(int y, int client_height, int row_height) {
  if (row_height <= 0) return 0;
  if (y < 2 * row_height) return -1;
  if (y > client_height - 2 * row_height) return 1;
  return 0;
}

// Hot tracking: the row under the pointer is drawn underlined.
class TRadioTreeView::HotDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QPersistentModelIndex hot;
  bool enabled = true;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (enabled && index == hot) option->font.setUnderline(true);
  }
};

TRadioTreeView::TRadioTreeView(TreeEditor& editor, QWidget* parent)
    : QTreeView(parent), model_(*new RadioTreeModel(editor, this)) {
  setObjectName(QStringLiteral("rtvRadio"));
  setModel(&model_);
  delegate_ = new HotDelegate(this);
  setItemDelegate(delegate_);
  setHeaderHidden(true);
  setUniformRowHeights(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::NoFrame);
  setIndentation(kIndent);
  setIconSize(QSize(kNodeIconSize, kNodeIconSize));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDropIndicatorShown(true);
  setAutoScroll(false);
  setMouseTracking(true);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setTextElideMode(Qt::ElideNone);

  drag_scroll_.setInterval(kDragScrollMs);
  connect(&drag_scroll_, &QTimer::timeout, this, &TRadioTreeView::DragScrollTick);

  connect(&model_, &RadioTreeModel::aboutToReset, this, [this] {
    saved_scroll_ = verticalScrollBar()->value();
    delegate_->hot = QPersistentModelIndex();
  });
  connect(&model_, &RadioTreeModel::restoreRequested, this, &TRadioTreeView::Restore);
  connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
    TreeNode* node = model_.NodeOf(index);
    if (node == nullptr || restoring_) return;
    model_.editor().Expand(*node);
    // The rows come now, not at the next layout.
    if (model_.canFetchMore(index)) model_.fetchMore(index);
  });
  connect(this, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
    if (TreeNode* node = model_.NodeOf(index); node != nullptr && !restoring_) model_.editor().Collapse(*node);
  });
  connect(this, &QAbstractItemView::clicked, this, &TRadioTreeView::OnClicked);

  listener_ = model_.editor().AddRemovalListener([this](const TreeNode* removed) {
    if (last_hint_node_ != nullptr && (removed == nullptr || removed->Contains(*last_hint_node_))) {
      last_hint_node_ = nullptr;
    }
    if (drag_source_ != nullptr && (removed == nullptr || removed->Contains(*drag_source_))) drag_source_ = nullptr;
    if (previous_selected_ != nullptr && (removed == nullptr || removed->Contains(*previous_selected_))) {
      previous_selected_ = nullptr;
    }
  });
  Restore();
}

TRadioTreeView::~TRadioTreeView() { model_.editor().RemoveRemovalListener(listener_); }

TreeNode* TRadioTreeView::NodeAt(const QPoint& viewport_pos) const { return model_.NodeOf(indexAt(viewport_pos)); }

void TRadioTreeView::SetClickMode(bool on) {
  click_mode_ = on;
  delegate_->enabled = on;
  delegate_->hot = QPersistentModelIndex();
  viewport()->update();
}

void TRadioTreeView::ApplySkin(const SkinState* skin) {
  model_.SetSkin(skin);
  if (skin == nullptr || !skin->Loaded()) {
    setPalette(QPalette());
    setFont(QFont());
    return;
  }
  const ListSkin& tree = skin->Ini().tree;
  QPalette palette = this->palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Base, ToQColor(tree.color));
    palette.setColor(group, QPalette::Window, ToQColor(tree.color));
    palette.setColor(group, QPalette::Text, ToQColor(tree.font_color));
    palette.setColor(group, QPalette::Highlight, ToQColor(tree.selected_item_back_color));
    palette.setColor(group, QPalette::HighlightedText, ToQColor(tree.selected_item_font_color));
  }
  setPalette(palette);
  setFont(skin->ListFont(tree));
}

QString TRadioTreeView::HintFor(const TreeNode& node) {
  if (paths_ == nullptr || !IsStationNode(node)) return {};
  const int id = NodeID(node);
  if (!table_.OpenFor(id, *paths_) || !table_.LoadByID(id) || table_.Fields().VID.empty()) return {};
  QString text = FromGb(StationSummary(table_.Fields(), table_.Encry()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

void TRadioTreeView::DragScrollTick() {
  if (drag_step_ < 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
  if (drag_step_ > 0) verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

int TRadioTreeView::RowHeight() const {
  const QModelIndex first = model_.index(0, 0);
  if (!first.isValid()) return 0;
  const int height = rowHeight(first);
  return height > 0 ? height : sizeHintForRow(0);
}

void TRadioTreeView::MakeVisible(const TreeNode& node) {
  const QModelIndex index = model_.IndexOf(&node);
  if (!index.isValid()) return;
  executeDelayedItemsLayout();
  const QRect row = visualRect(index);
  QScrollBar* bar = verticalScrollBar();
  if (!row.isEmpty()) {
    bar->setValue(HalfPageScroll(bar->value(), bar->maximum(), row.top(), row.height(), viewport()->height()));
  }
  // A row far away is still out of sight after half a page: bring it to the
  // middle rather than leave the playing station unseen.
  const QRect after = visualRect(index);
  if (after.isEmpty() || after.top() < 0 || after.bottom() >= viewport()->height()) {
    scrollTo(index, QAbstractItemView::PositionAtCenter);
  }
}

void TRadioTreeView::ScrollToFirstRow() { verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum); }
void TRadioTreeView::ScrollToLastRow() {
  executeDelayedItemsLayout();
  verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
}
void TRadioTreeView::ScrollLineUp() { verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); }

// Brings back what the view showed before the model reset: the expanded
// nodes as their flags say, the editor's selection, the scroll position.
void TRadioTreeView::Restore() {
  restoring_ = true;
  std::vector<QModelIndex> pending;
  for (int row = model_.rowCount() - 1; row >= 0; --row) pending.push_back(model_.index(row, 0));
  while (!pending.empty()) {
    const QModelIndex at = pending.back();
    pending.pop_back();
    const TreeNode* node = model_.NodeOf(at);
    if (model_.rowCount(at) == 0) continue;
    // Also below a collapsed node, so that its inner groups open again as
    // they were when it is opened.
    if (node->expanded()) setExpanded(at, true);
    for (int row = model_.rowCount(at) - 1; row >= 0; --row) {
      if (node->child(row)->HasChildren()) pending.push_back(model_.index(row, 0, at));
    }
  }
  const QModelIndex selected = model_.IndexOf(model_.editor().selected());
  if (selected.isValid()) {
    selectionModel()->setCurrentIndex(selected, QItemSelectionModel::ClearAndSelect);
  } else {
    selectionModel()->clear();
  }
  executeDelayedItemsLayout();
  verticalScrollBar()->setValue(saved_scroll_);
  restoring_ = false;
}

void TRadioTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTreeView::currentChanged(current, previous);
  if (restoring_ || model_.Changing()) return;
  TreeNode* node = model_.NodeOf(current);
  if (node != nullptr) model_.editor().Select(node);
}

void TRadioTreeView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    emit abortRequested();
    event->accept();
    return;
  }
  // A command that lets events through (Incorporate) is still changing the
  // tree: only Escape counts then.
  if (model_.Changing()) {
    event->accept();
    return;
  }
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
    emit cutDeleteRequested();
    event->accept();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void TRadioTreeView::keyReleaseEvent(QKeyEvent* event) {
  QTreeView::keyReleaseEvent(event);
  if ((event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) && !event->isAutoRepeat()) {
    emit selectionFollowRequested();
  }
}

void TRadioTreeView::mousePressEvent(QMouseEvent* event) {
  previous_selected_ = model_.editor().selected();
  if (event->button() == Qt::RightButton) {
    // The menu acts on the node under the pointer.
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    event->accept();
    return;
  }
  QTreeView::mousePressEvent(event);
}

void TRadioTreeView::OnClicked(const QModelIndex& index) {
  TreeNode* node = model_.NodeOf(index);
  emit selectionFollowRequested();
  if (!click_mode_ || node == nullptr) return;
  // Auto-expand: the clicked node opens, the one selected before closes
  // unless it holds the new one.
  if (previous_selected_ != nullptr && previous_selected_ != node && !previous_selected_->Contains(*node)) {
    const QModelIndex old = model_.IndexOf(previous_selected_);
    if (old.isValid()) collapse(old);
  }
  if (model_.hasChildren(index)) {
    setExpanded(index, previous_selected_ != node || !isExpanded(index));
  }
  if (node == model_.editor().selected()) emit playRequested();
}

void TRadioTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  if (event->button() != Qt::LeftButton) return;
  TreeNode* node = NodeAt(event->position().toPoint());
  if (node != nullptr && node == model_.editor().selected()) emit playRequested();
}

void TRadioTreeView::mouseMoveEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  const TreeNode* node = model_.NodeOf(index);
  if (node == nullptr) {
    QToolTip::hideText();
    last_hint_node_ = nullptr;
  } else if (node != last_hint_node_) {
    QToolTip::hideText();
    last_hint_node_ = node;
  }
  if (click_mode_ && QPersistentModelIndex(index) != delegate_->hot) {
    const QModelIndex old = delegate_->hot;
    delegate_->hot = index;
    if (old.isValid()) viewport()->update(visualRect(old));
    if (index.isValid()) viewport()->update(visualRect(index));
  }
  QTreeView::mouseMoveEvent(event);
}

bool TRadioTreeView::viewportEvent(QEvent* event) {
  if (model_.Changing()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::ToolTip:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
        event->accept();
        return true;
      default:
        break;
    }
  }
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const TreeNode* node = NodeAt(help->pos());
    if (node != last_hint_node_) last_hint_node_ = node;
    // Read only now, when the hint is about to show.
    const QString hint = node != nullptr ? HintFor(*node) : QString();
    if (hint.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), hint, viewport());
    }
    return true;
  }
  if (event->type() == QEvent::Leave && delegate_->hot.isValid()) {
    const QModelIndex old = delegate_->hot;
    delegate_->hot = QPersistentModelIndex();
    viewport()->update(visualRect(old));
  }
  return QTreeView::viewportEvent(event);
}

void TRadioTreeView::startDrag(Qt::DropActions) {
  TreeNode* source = model_.editor().selected();
  if (source == nullptr) return;
  drag_source_ = source;
  auto* drag = new QDrag(this);
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kNodeMime), {});
  drag->setMimeData(mime);
  drag->exec(Qt::MoveAction);
  drag_source_ = nullptr;
  drag_scroll_.stop();
}

void TRadioTreeView::dragEnterEvent(QDragEnterEvent* event) {
  // Links from outside are left to the window for now.
  if (event->source() == this && event->mimeData()->hasFormat(QString::fromLatin1(kNodeMime))) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TRadioTreeView::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() != this) {
    event->ignore();
    return;
  }
  drag_step_ = DragScrollStep(event->position().toPoint().y(), viewport()->height(), RowHeight());
  if (drag_step_ != 0 && !drag_scroll_.isActive()) {
    drag_scroll_.start();
    DragScrollTick();
  } else if (drag_step_ == 0) {
    drag_scroll_.stop();
  }
  event->acceptProposedAction();
}

void TRadioTreeView::dragLeaveEvent(QDragLeaveEvent* event) {
  drag_scroll_.stop();
  QTreeView::dragLeaveEvent(event);
}

void TRadioTreeView::dropEvent(QDropEvent* event) {
  drag_scroll_.stop();
  if (event->source() != this || drag_source_ == nullptr) {
    event->ignore();
    return;
  }
  TreeNode* target = NodeAt(event->position().toPoint());
  TreeNode* source = drag_source_;
  event->acceptProposedAction();
  emit nodeDropped(source, target);
}

}  // namespace tazmel
