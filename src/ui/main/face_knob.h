#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

namespace tazmel {

// A slider knob over the main face (pbVolSlide, pbEquSlide, pbProSlide):
// paints its normal or dragged look and reports drags along the bar's
// axis. The window places it; a knob of zero size still tracks its value.
class TFaceKnob : public QWidget {
  Q_OBJECT

 public:
  explicit TFaceKnob(QWidget* parent = nullptr);

  void SetLooks(QImage normal, QImage dragged);
  bool Dragging() const { return dragging_; }

  // Press, then every move with the pointer's travel since the last report
  // (screen pixels, x and y), then release.
  std::function<void()> OnDragStart;
  std::function<void(int dx, int dy)> OnDragMove;
  std::function<void()> OnDragEnd;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage normal_, dragged_;
  bool dragging_ = false;
  QPoint last_;
};

}  // namespace tazmel
