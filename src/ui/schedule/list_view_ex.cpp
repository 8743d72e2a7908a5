#include "ui/schedule/list_view_ex.h"

#include <QCollator>
#include <QHeaderView>

namespace tazmel {
namespace {

// Items compare by the list's own rule rather than QTreeWidgetItem's.
class ExItem : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    auto* list = qobject_cast<TListViewEx*>(treeWidget());
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    const QString a = text(column), b = other.text(column);
    if (list && list->GetSortType() == TListViewEx::SortType::kData) {
      return a.trimmed().toLongLong() < b.trimmed().toLongLong();
    }
    static const QCollator collator;
    return collator.compare(a, b) < 0;
  }
};

}  // namespace

TListViewEx::TListViewEx(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAllColumnsShowFocus(true);
  // Grid lines between the cells.
  setStyleSheet(
      QStringLiteral("QTreeView::item { border-right: 1px solid palette(mid); border-bottom: 1px solid palette(mid); }"
                     "QTreeView::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
  // Its column captions are translated like a list's, not a tree's.
  setProperty("listView", true);
  header()->setSectionsClickable(true);
  header()->setSortIndicatorShown(false);
  header()->setTextElideMode(Qt::ElideRight);
  connect(header(), &QHeaderView::sectionClicked, this, &TListViewEx::ClickHeader);
}

QTreeWidgetItem* TListViewEx::NewItem(int index) {
  auto* item = new ExItem;
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
  item->setCheckState(0, Qt::Checked);
  if (index < 0 || index > topLevelItemCount()) index = topLevelItemCount();
  insertTopLevelItem(index, item);
  return item;
}

void TListViewEx::ClickHeader(int column) {
  order_ = column == sorted_column_ && order_ == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
  sorted_column_ = column;
  header()->setSortIndicatorShown(true);
  header()->setSortIndicator(column, order_);
  sortItems(column, order_);
}

void TListViewEx::SetHeaderColor(const QColor& color) {
  QPalette palette = header()->palette();
  palette.setColor(QPalette::Button, color);
  header()->setPalette(palette);
}

void TListViewEx::SetHeaderFont(const QFont& font) { header()->setFont(font); }

void TListViewEx::SetBackPicture(const QPixmap& picture) {
  QPalette palette = viewport()->palette();
  palette.setBrush(QPalette::Base, picture.isNull() ? QBrush(palette.color(QPalette::Base)) : QBrush(picture));
  viewport()->setPalette(palette);
  viewport()->setAutoFillBackground(true);
}

}  // namespace tazmel
