#pragma once

#include <QListWidget>
#include <functional>

namespace tazmel {

using TVertScrollEvent = std::function<void(QObject* sender, int min_pos, int max_pos, int cur_pos)>;

// A list box that reports its vertical scroll state whenever it is drawn,
// so that a skinned scroll bar can follow it.
class TMyListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit TMyListBox(QWidget* parent = nullptr);

  TVertScrollEvent OnVertScroll;

  // Raises OnVertScroll with the current state.
  void ReportVertScroll();

 protected:
  bool viewportEvent(QEvent* event) override;
};

}  // namespace tazmel
