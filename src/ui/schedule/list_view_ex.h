#pragma once

#include <QPixmap>
#include <QTreeWidget>

namespace tazmel {

// A report-style list: check boxes, grid lines, whole rows selected (several
// at once), read-only. A click on a column header sorts by that column, a
// second click on the same column reverses the direction, and the column
// shows the usual triangle. Column 0 compares the captions; with SortType
// kData the texts compare as integers (non-numbers as 0), otherwise as text
// in the user's locale.
class TListViewEx : public QTreeWidget {
  Q_OBJECT

 public:
  enum class SortType : unsigned char { kText, kData };

  explicit TListViewEx(QWidget* parent = nullptr);

  void SetSortType(SortType type) { sort_type_ = type; }
  SortType GetSortType() const { return sort_type_; }
  void SetHeaderColor(const QColor& color);
  void SetHeaderFont(const QFont& font);
  // Tiled behind the rows; a null picture shows the base colour.
  void SetBackPicture(const QPixmap& picture);

  // The sorted column, -1 before any header click.
  int SortedColumn() const { return sorted_column_; }
  Qt::SortOrder SortedOrder() const { return order_; }

  // A checked row at `index` (at the end when out of range) that sorts by
  // the list's rule.
  QTreeWidgetItem* NewItem(int index = -1);

  // Sorts as a click on the column's header does.
  void ClickHeader(int column);

 private:
  SortType sort_type_ = SortType::kText;
  int sorted_column_ = -1;
  Qt::SortOrder order_ = Qt::AscendingOrder;
};

}  // namespace tazmel
