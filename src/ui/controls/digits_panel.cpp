#include "ui/controls/digits_panel.h"

#include <QPainter>
#include <algorithm>

namespace tazmel {
namespace {

// A composition larger than this is not drawn: a huge Length or strip would
// otherwise ask for an image of gigabytes.
constexpr long long kMaxCompositionPixels = 16 * 1024 * 1024;

// Stores a new value; true when it differs from the old one.
template <typename T>
bool Change(T& member, const T& value) {
  if (member == value) return false;
  member = value;
  return true;
}

}  // namespace

int DigitCell(QChar c) {
  if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c.unicode() - '0';
  if (c == QLatin1Char('.') || c == QLatin1Char(':')) return 10;
  return 11;
}

TDigitsPanel::TDigitsPanel(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(100, 20);
}

void TDigitsPanel::SetDigits(const QImage& value) {
  digits_ = value.convertToFormat(QImage::Format_RGB32);
  cell_width_ = digits_.width() / kCells;
  cell_height_ = digits_.height();
  // The strip's lower-left pixel is its transparent colour.
  if (!digits_.isNull()) color_ = QColor::fromRgb(digits_.pixel(0, digits_.height() - 1));
  ApplyAutoSize();
  Recompose();
}

void TDigitsPanel::SetBackBitmap(const QPixmap* value) {
  if (Change(back_bitmap_, value)) update();
}

void TDigitsPanel::SetValue(const QString& value) {
  // Compared once padded: the clock and the elapsed time are set every
  // second, mostly to what is already shown.
  QString padded = value;
  if (padded.size() < length_) padded += QString(length_ - padded.size(), QLatin1Char(' '));
  if (Change(value_, padded)) Recompose();
}

void TDigitsPanel::SetLength(int value) {
  if (!Change(length_, std::max(value, 0))) return;
  ApplyAutoSize();
  Recompose();
}

void TDigitsPanel::SetMargin(std::uint8_t value) {
  if (!Change(margin_, value)) return;
  ApplyAutoSize();
  Recompose();
}

void TDigitsPanel::SetBevelOuter(TBevelCut value) {
  if (!Change(bevel_outer_, value)) return;
  ApplyAutoSize();
  update();
}

void TDigitsPanel::SetBevelInner(TBevelCut value) {
  if (!Change(bevel_inner_, value)) return;
  ApplyAutoSize();
  update();
}

void TDigitsPanel::SetBevelWidth(std::uint8_t value) {
  if (!Change(bevel_width_, value)) return;
  ApplyAutoSize();
  update();
}

void TDigitsPanel::SetColor(const QColor& value) {
  if (Change(color_, value)) Recompose();
}

void TDigitsPanel::SetTransparent(bool value) {
  if (Change(transparent_, value)) Recompose();
}

void TDigitsPanel::SetAutoSize(bool value) {
  auto_size_ = value;
  ApplyAutoSize();
}

void TDigitsPanel::SetBackRect(const QRect& rect) {
  if (Change(back_rect_, rect)) update();
}

void TDigitsPanel::Recompose() {
  shown_.reset();
  update();
}

int TDigitsPanel::BevelCount() const { return (bevel_outer_ != bvNone) + (bevel_inner_ != bvNone); }

void TDigitsPanel::ApplyAutoSize() {
  if (!auto_size_) return;
  const long long frame = bevel_width_ * 2LL * BevelCount();
  // Cells of a double-size strip count half on screen.
  const double ratio = std::max(1.0, digits_.devicePixelRatio());
  const long long cell_width = static_cast<long long>(cell_width_ / ratio);
  const long long cell_height = static_cast<long long>(cell_height_ / ratio);
  const long long width = frame + margin_ + (cell_width + margin_) * length_;
  const long long height = frame + cell_height + 2LL * margin_;
  const auto clamp = [](long long v) { return static_cast<int>(std::clamp<long long>(v, 0, QWIDGETSIZE_MAX)); };
  resize(clamp(width), clamp(height));
}

// Built in the strip's own pixels: a double-size strip gives a double-size
// composition (margins doubled too), which the stretch draws sharply.
QImage TDigitsPanel::Composition() const {
  const int margin = static_cast<int>(margin_ * std::max(1.0, digits_.devicePixelRatio()));
  QImage strip = digits_;
  strip.setDevicePixelRatio(1);
  const long long width = margin + static_cast<long long>(cell_width_ + margin) * length_;
  const long long height = cell_height_ + 2LL * margin;
  if (width <= 0 || height <= 0 || width * height > kMaxCompositionPixels) return {};
  QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
  image.fill(color_);
  if (cell_width_ <= 0) return image;
  QPainter painter(&image);
  const int shown = std::min<int>(length_, static_cast<int>(value_.size()));
  for (int i = 0; i < shown; ++i) {
    const QRect cell(DigitCell(value_[i]) * cell_width_, 0, cell_width_, cell_height_);
    painter.drawImage(QPoint(margin + i * (cell_width_ + margin), margin), strip, cell);
  }
  return image;
}

void TDigitsPanel::DrawBevel(QPainter& painter, QRect& rect, TBevelCut cut) const {
  if (cut == bvNone) return;
  if (cut != bvSpace) {
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    const QColor top_left = cut == bvRaised ? light : dark;
    const QColor bottom_right = cut == bvRaised ? dark : light;
    QRect frame = rect;
    for (int i = 0; i < bevel_width_ && frame.width() > 0 && frame.height() > 0; ++i) {
      painter.fillRect(QRect(frame.left(), frame.top(), frame.width(), 1), top_left);
      painter.fillRect(QRect(frame.left(), frame.top(), 1, frame.height()), top_left);
      painter.fillRect(QRect(frame.left() + 1, frame.bottom(), frame.width() - 1, 1), bottom_right);
      painter.fillRect(QRect(frame.right(), frame.top() + 1, 1, frame.height() - 1), bottom_right);
      frame.adjust(1, 1, -1, -1);
    }
  }
  rect.adjust(bevel_width_, bevel_width_, -bevel_width_, -bevel_width_);
}

void TDigitsPanel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The skin background goes first so that the bevels stay visible on it.
  if (transparent_ && back_bitmap_ && !back_bitmap_->isNull()) {
    // The source rectangle counts the bitmap's own pixels.
    const qreal ratio = back_bitmap_->devicePixelRatio();
    painter.drawPixmap(QRectF(rect()), *back_bitmap_,
                       QRectF(back_rect_.topLeft() * ratio, QSizeF(back_rect_.size()) * ratio));
  } else {
    painter.fillRect(rect(), color_);
  }
  QRect area = rect();
  DrawBevel(painter, area, bevel_outer_);
  DrawBevel(painter, area, bevel_inner_);
  if (area.width() <= 0 || area.height() <= 0) return;

  // Built once per change of what the cells show, not per paint: the
  // window repaints its face (and so this panel) far more often than the
  // value changes.
  if (!shown_) shown_ = Shown();
  if (shown_->isNull()) return;
  painter.drawImage(area, *shown_);
}

QImage TDigitsPanel::Shown() const {
  QImage composition = Composition();
  if (composition.isNull() || !transparent_) return composition;
  // Pixels of the cell background let the skin show through.
  composition = composition.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = color_.rgb();
  for (int y = 0; y < composition.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(composition.scanLine(y));
    for (int x = 0; x < composition.width(); ++x) {
      if ((line[x] | 0xff000000u) == (key | 0xff000000u)) line[x] = 0;
    }
  }
  return composition;
}

}  // namespace tazmel
