#include "ui/main/face_knob.h"

#include <QMouseEvent>
#include <QPainter>

namespace tazmel {

TFaceKnob::TFaceKnob(QWidget* parent) : QWidget(parent) {
  // Moves without a drag go on to the face, which shows the bar's hint.
  setMouseTracking(true);
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_NoSystemBackground);
}

void TFaceKnob::SetLooks(QImage normal, QImage dragged) {
  normal_ = std::move(normal);
  dragged_ = std::move(dragged);
  update();
}

void TFaceKnob::paintEvent(QPaintEvent*) {
  const QImage& look = dragging_ && !dragged_.isNull() ? dragged_ : normal_;
  if (look.isNull()) return;
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), look);
}

void TFaceKnob::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return event->ignore();
  dragging_ = true;
  last_ = event->globalPosition().toPoint();
  update();
  if (OnDragStart) OnDragStart();
}

void TFaceKnob::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return event->ignore();
  const QPoint now = event->globalPosition().toPoint();
  const QPoint delta = now - last_;
  last_ = now;
  if (OnDragMove && !delta.isNull()) OnDragMove(delta.x(), delta.y());
}

void TFaceKnob::mouseReleaseEvent(QMouseEvent* event) {
  if (!dragging_ || event->button() != Qt::LeftButton) return;
  dragging_ = false;
  update();
  if (OnDragEnd) OnDragEnd();
}

}  // namespace tazmel
