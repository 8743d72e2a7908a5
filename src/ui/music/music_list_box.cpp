#include "ui/music/music_list_box.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "music/music_list.h"
#include "ui/skins/skin_state.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

constexpr char kRowsMime[] = "application/x-tazmel-music-rows";

}  // namespace

class TMusicListBox::RowDelegate : public QStyledItemDelegate {
 public:
  explicit RowDelegate(TMusicListBox& owner) : QStyledItemDelegate(&owner), owner_(owner) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const int row = index.row();
    const MusicList& list = owner_.list_;
    const bool marked = row == list.found_item() || (option.state & QStyle::State_Selected);
    const QPalette& palette = owner_.palette();
    QColor back = palette.color(QPalette::Base);
    QColor text = palette.color(QPalette::Text);
    if (marked) {
      back = palette.color(QPalette::Highlight);
      text = palette.color(QPalette::HighlightedText);
    }
    painter->fillRect(option.rect, back);
    if (row < 0 || row >= list.size()) return;
    if (row == list.playing_item()) text = owner_.playing_color_;
    painter->setPen(text);
    painter->setFont(owner_.font());
    const QRect area = option.rect.adjusted(2, 0, -2, 0);
    const QString shown =
        option.fontMetrics.elidedText(FromGb(list.RowText(row)), Qt::ElideRight, area.width(), Qt::TextSingleLine);
    const Qt::Alignment side = owner_.layoutDirection() == Qt::RightToLeft ? Qt::AlignRight : Qt::AlignLeft;
    painter->drawText(area, static_cast<int>(side | Qt::AlignVCenter | Qt::TextSingleLine), shown);
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    return {option.rect.width(), owner_.item_height_};
  }

 private:
  TMusicListBox& owner_;
};

TMusicListBox::TMusicListBox(const MusicList& list, QWidget* parent) : TMyListBox(parent), list_(list) {
  setObjectName(QStringLiteral("lstMusic"));
  setSelectionMode(ExtendedSelection);
  setUniformItemSizes(true);
  setFrameShape(NoFrame);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(DragDrop);
  setContextMenuPolicy(Qt::CustomContextMenu);
  setItemDelegate(new RowDelegate(*this));
  item_height_ = fontMetrics().height() + 4;
  drag_scroll_.setInterval(100);
  connect(&drag_scroll_, &QTimer::timeout, this, [this] {
    verticalScrollBar()->triggerAction(drag_step_ < 0 ? QAbstractSlider::SliderSingleStepSub
                                                      : QAbstractSlider::SliderSingleStepAdd);
  });
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { emit menuRequested(viewport()->mapToGlobal(pos)); });
}

void TMusicListBox::Reload() {
  const int current = currentRow();
  const std::vector<int> selected = SelectedRows();
  const int top = verticalScrollBar()->value();
  // Rows hold no text of their own: the delegate draws from the list.
  if (count() != list_.size()) {
    setUpdatesEnabled(false);
    if (count() > list_.size()) {
      while (count() > list_.size()) delete takeItem(count() - 1);
    } else {
      QStringList blanks;
      for (int i = count(); i < list_.size(); ++i) blanks.append(QString());
      addItems(blanks);
    }
    setUpdatesEnabled(true);
  }
  clearSelection();
  if (current >= 0 && current < count()) setCurrentRow(current, QItemSelectionModel::NoUpdate);
  for (int row : selected) {
    if (row < count()) item(row)->setSelected(true);
  }
  verticalScrollBar()->setValue(top);
  viewport()->update();
}

void TMusicListBox::ApplySkin(const SkinState* skin) {
  skin_ = skin;
  if (skin == nullptr || !skin->Loaded()) {
    setPalette(QPalette());
    setFont(QFont());
    item_height_ = fontMetrics().height() + 4;
    return;
  }
  const ListSkin& colours = skin->Ini().list;
  QPalette palette = this->palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Base, ToQColor(colours.color));
    palette.setColor(group, QPalette::Window, ToQColor(colours.color));
    palette.setColor(group, QPalette::Text, ToQColor(colours.font_color));
    palette.setColor(group, QPalette::Highlight, ToQColor(colours.selected_item_back_color));
    palette.setColor(group, QPalette::HighlightedText, ToQColor(colours.selected_item_font_color));
  }
  setPalette(palette);
  playing_color_ = ToQColor(colours.playing_item_font_color);
  setFont(skin->ListFont(colours));
  item_height_ = skin->ListItemHeight();
  // The fixed row height is taken again.
  doItemsLayout();
}

std::vector<int> TMusicListBox::SelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedIndexes()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TMusicListBox::RowAt(const QPoint& pos) const {
  const QModelIndex index = indexAt(pos);
  return index.isValid() ? index.row() : -1;
}

void TMusicListBox::MakeCurrent(int row) {
  if (row < 0 || row >= count()) return;
  const QRect rect = visualItemRect(item(row));
  if (rect.bottom() > viewport()->height() || rect.top() < 0) {
    const int rows_per_page = std::max(viewport()->height() / std::max(item_height_, 1), 1);
    const int step = rows_per_page / 2;
    QScrollBar* bar = verticalScrollBar();
    const int top = bar->value();
    const int wanted = row < top ? std::max(row - step, 0) : row - rows_per_page + 1 + step;
    bar->setValue(std::clamp(wanted, bar->minimum(), bar->maximum()));
  }
  setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void TMusicListBox::RepaintRow(int row) {
  if (row < 0 || row >= count()) return;
  viewport()->update(visualItemRect(item(row)));
}

void TMusicListBox::startDrag(Qt::DropActions) {
  if (SelectedRows().empty()) return;
  auto* drag = new QDrag(this);
  auto* mime = new QMimeData;
  mime->setData(QString::fromLatin1(kRowsMime), {});
  drag->setMimeData(mime);
  dragging_ = true;
  drag->exec(Qt::MoveAction);
  dragging_ = false;
  drag_scroll_.stop();
}

void TMusicListBox::dragEnterEvent(QDragEnterEvent* event) {
  // Only rows of this pane; anything else is the window's to take.
  if (event->source() == this && dragging_) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TMusicListBox::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() != this || !dragging_) {
    event->ignore();
    return;
  }
  const int y = event->position().toPoint().y();
  drag_step_ = y < 2 * item_height_ ? -1 : y > viewport()->height() - 2 * item_height_ ? 1 : 0;
  if (drag_step_ != 0 && !drag_scroll_.isActive()) {
    drag_scroll_.start();
  } else if (drag_step_ == 0) {
    drag_scroll_.stop();
  }
  event->acceptProposedAction();
}

void TMusicListBox::dragLeaveEvent(QDragLeaveEvent* event) {
  drag_scroll_.stop();
  event->accept();
}

void TMusicListBox::dropEvent(QDropEvent* event) {
  drag_scroll_.stop();
  if (event->source() != this || !dragging_) {
    event->ignore();
    return;
  }
  const int target = RowAt(event->position().toPoint());
  // The move is the owner's; the view's own would move items, not rows.
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
  if (target >= 0) emit rowsDropped(target);
}

void TMusicListBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
    emit playRequested();
    return;
  }
  TMyListBox::keyPressEvent(event);
}

void TMusicListBox::keyReleaseEvent(QKeyEvent* event) {
  TMyListBox::keyReleaseEvent(event);
  if (!event->isAutoRepeat() && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
    emit currentRowFollowed();
  }
}

void TMusicListBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    // The menu acts on the row under the pointer.
    setFocus(Qt::MouseFocusReason);
    const int row = RowAt(event->position().toPoint());
    if (row >= 0 && row != currentRow()) setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    event->accept();
    return;
  }
  TMyListBox::mousePressEvent(event);
}

void TMusicListBox::mouseReleaseEvent(QMouseEvent* event) {
  TMyListBox::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton) emit currentRowFollowed();
}

void TMusicListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && RowAt(event->position().toPoint()) >= 0) {
    emit playRequested();
    return;
  }
  TMyListBox::mouseDoubleClickEvent(event);
}

void TMusicListBox::paintEvent(QPaintEvent* event) {
  // Below the last row the pane shows its own colour.
  QPainter painter(viewport());
  painter.fillRect(viewport()->rect(), palette().color(QPalette::Base));
  painter.end();
  TMyListBox::paintEvent(event);
}

}  // namespace tazmel
