#include "ui/controls/my_list_box.h"

#include <QEvent>
#include <QScrollBar>
#include <algorithm>

namespace tazmel {

TMyListBox::TMyListBox(QWidget* parent) : QListWidget(parent) { setVerticalScrollMode(ScrollPerItem); }

void TMyListBox::ReportVertScroll() {
  if (!OnVertScroll) return;
  const QScrollBar* bar = verticalScrollBar();
  // The scroll range runs over the items, the last one included.
  const int range_min = 0;
  const int range_max = std::max(count() - 1, 0);
  // An empty list still has a line height; never divide by zero.
  const int item_height = std::max(count() > 0 ? sizeHintForRow(0) : fontMetrics().height(), 1);
  const int visible = viewport()->height() / item_height;
  // When every item fits, the bar has nowhere to go rather than a range
  // that ends before it starts.
  const int max_pos = std::max(range_max - visible + 1, range_min);
  OnVertScroll(this, range_min, max_pos, bar->value());
}

bool TMyListBox::viewportEvent(QEvent* event) {
  const bool result = QListWidget::viewportEvent(event);
  if (event->type() == QEvent::Paint) ReportVertScroll();
  return result;
}

}  // namespace tazmel
