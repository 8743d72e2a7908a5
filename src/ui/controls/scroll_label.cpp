#include "ui/controls/scroll_label.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QtMath>
#include <algorithm>

namespace tazmel {
namespace {

// Stores a new value; true when it differs from the old one.
template <typename T>
bool Change(T& member, const T& value) {
  if (member == value) return false;
  member = value;
  return true;
}

}  // namespace

int NextScrollOffset(TScrollMode mode, int offset, int step, QSize label, QSize text, int gap) {
  offset += step;
  switch (mode) {
    case smLeftToRight:
      if (offset > label.width() + gap) offset = -text.width();
      break;
    case smRightToLeft:
      if (offset > text.width() + label.width() + gap) offset = 0;
      break;
    case smTopToBottom:
      if (offset > label.height() + gap) offset = -text.height();
      break;
    case smBottomToTop:
      if (offset > text.height() + label.height() + gap) offset = 0;
      break;
  }
  return offset;
}

int RepeatGap(int repeat_delay, unsigned scroll_delay, int scroll_step) {
  // A zero timer interval would divide by zero; there is no pause to express.
  if (scroll_delay == 0) return 0;
  return static_cast<int>(static_cast<long long>(repeat_delay) * scroll_step / static_cast<long long>(scroll_delay));
}

TScrollLabel::TScrollLabel(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
  color_ = palette().color(QPalette::Window);
  setAttribute(Qt::WA_OpaquePaintEvent);
  timer_->setInterval(static_cast<int>(scroll_delay_));
  connect(timer_, &QTimer::timeout, this, &TScrollLabel::ScrollTick);
}

TScrollLabel::~TScrollLabel() = default;

void TScrollLabel::SetActive(bool value) {
  active_ = value;
  UpdateTimer();
}

void TScrollLabel::SetScroll(bool value) {
  if (scroll_ == value) return;
  scroll_ = value;
  active_ = value;
  UpdateTimer();
  update();
}

void TScrollLabel::SetScrollAuto(bool value) {
  if (scroll_auto_ == value) return;
  scroll_auto_ = value;
  SetScroll(value);
}

void TScrollLabel::SetScrollDelay(unsigned value) {
  if (scroll_delay_ == value) return;
  scroll_delay_ = value;
  timer_->setInterval(static_cast<int>(std::min<unsigned>(value, 0x7fffffff)));
}

void TScrollLabel::SetScrollMode(TScrollMode value) {
  if (scroll_mode_ == value) return;
  scroll_mode_ = value;
  offset_ = 0;
  update();
}

void TScrollLabel::SetRepeatDelay(int value) {
  if (repeat_delay_ == value) return;
  repeat_delay_ = value;
  gap_ = RepeatGap(repeat_delay_, scroll_delay_, scroll_step_);
}

void TScrollLabel::SetEllipses(bool value) {
  if (Change(ellipses_, value)) update();
}
void TScrollLabel::SetDrawType(TDrawType value) {
  if (Change(draw_type_, value)) update();
}
void TScrollLabel::SetShadowOffset(int value) {
  if (Change(shadow_offset_, value)) update();
}
void TScrollLabel::SetShadowColor(const QColor& value) {
  if (Change(shadow_color_, value)) update();
}
void TScrollLabel::SetBackBmp(const QPixmap* value) {
  if (Change(back_bmp_, value)) update();
}
void TScrollLabel::SetBackJpg(const QImage* value) {
  if (Change(back_jpg_, value)) update();
}
void TScrollLabel::SetAlignment(TAlignment value) {
  if (!Change(alignment_, value)) return;
  centered_ = value == taCenter;
  update();
}
void TScrollLabel::SetLayout(TTextLayout value) {
  if (Change(layout_, value)) update();
}
void TScrollLabel::SetWordWrap(bool value) {
  if (Change(word_wrap_, value)) update();
}
void TScrollLabel::SetTransparent(bool value) {
  if (Change(transparent_, value)) update();
}
void TScrollLabel::SetShowAccelChar(bool value) {
  if (!Change(show_accel_char_, value)) return;
  UpdateShortcut();
  update();
}
void TScrollLabel::SetFocusControl(QWidget* value) {
  focus_control_ = value;
  UpdateShortcut();
}
void TScrollLabel::SetCaption(const QString& value) {
  if (!Change(caption_, value)) return;
  offset_ = 0;
  UpdateShortcut();
  update();
}
void TScrollLabel::SetFont(const QFont& value) {
  if (font() == value && font().resolveMask() == value.resolveMask()) return;
  setFont(value);
  update();
}
void TScrollLabel::SetColor(const QColor& value) {
  if (Change(color_, value)) update();
}
void TScrollLabel::SetFontColor(const QColor& value) {
  if (Change(font_color_, value)) update();
}

void TScrollLabel::SetBackRect(const QRect& rect) {
  if (Change(back_rect_, rect)) update();
}

void TScrollLabel::ScrollTick() {
  // Only a moving text needs a new picture.
  if (!scroll_) return;
  if (Change(offset_, NextScrollOffset(scroll_mode_, offset_, scroll_step_, size(), TextExtent(), gap_))) update();
}

bool TScrollLabel::TimerRunning() const { return timer_->isActive(); }

int TScrollLabel::TimerInterval() const { return timer_->interval(); }

void TScrollLabel::UpdateTimer() {
  if (active_ && scroll_) {
    if (!timer_->isActive()) timer_->start();
  } else {
    timer_->stop();
  }
}

void TScrollLabel::UpdateShortcut() {
  delete shortcut_;
  shortcut_ = nullptr;
  if (!show_accel_char_ || !focus_control_) return;
  const QKeySequence keys = QKeySequence::mnemonic(caption_);
  if (keys.isEmpty()) return;
  shortcut_ = new QShortcut(keys, this);
  connect(shortcut_, &QShortcut::activated, this, [this] {
    if (focus_control_ && focus_control_->isEnabled() && focus_control_->focusPolicy() != Qt::NoFocus) {
      focus_control_->setFocus(Qt::ShortcutFocusReason);
    }
  });
}

int TScrollLabel::TextFlags() const {
  int flags = Qt::AlignTop | Qt::TextExpandTabs;
  if (word_wrap_) flags |= Qt::TextWordWrap;
  if (show_accel_char_) flags |= Qt::TextShowMnemonic;
  switch (alignment_) {
    case taLeftJustify:
      flags |= Qt::AlignLeft;
      break;
    case taRightJustify:
      flags |= Qt::AlignRight;
      break;
    case taCenter:
      flags |= Qt::AlignHCenter;
      break;
  }
  return flags;
}

// An empty caption, or a lone accelerator mark, still has a line's height.
QString TScrollLabel::MeasuredText() const {
  if (caption_.isEmpty() || (show_accel_char_ && caption_ == QStringLiteral("&"))) return QStringLiteral(" ");
  return caption_;
}

QSize TScrollLabel::TextExtent() {
  const QFontMetrics metrics(font());
  const int flags = (TextFlags() & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
  return metrics.boundingRect(QRect(0, 0, std::max(width(), 1), std::max(height(), 1)), flags, MeasuredText()).size();
}

void TScrollLabel::paintEvent(QPaintEvent*) {
  // The buffer has the screen's pixels, so text stays sharp on a scaled
  // screen.
  const qreal ratio = devicePixelRatioF();
  // Rounded up, so a fractional scale leaves no edge unpainted.
  const QSize pixels(qCeil(width() * ratio), qCeil(height() * ratio));
  if (buffer_.size() != pixels || buffer_.devicePixelRatio() != ratio) {
    buffer_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    buffer_.setDevicePixelRatio(ratio);
  }
  if (buffer_.isNull()) return;
  {
    QPainter painter(&buffer_);
    painter.setFont(font());
    PaintBackground(painter);
    PaintText(painter);
  }
  QPainter(this).drawImage(0, 0, buffer_);
}

void TScrollLabel::PaintBackground(QPainter& painter) {
  painter.fillRect(rect(), color_);
  if (!transparent_) return;
  if (back_bmp_ && !back_bmp_->isNull()) {
    // The source rectangle counts the bitmap's own pixels.
    const qreal ratio = back_bmp_->devicePixelRatio();
    painter.drawPixmap(QRectF(rect()), *back_bmp_,
                       QRectF(back_rect_.topLeft() * ratio, QSizeF(back_rect_.size()) * ratio));
  } else if (back_jpg_ && !back_jpg_->isNull()) {
    painter.drawImage(QPoint(-back_rect_.left(), -back_rect_.top()), *back_jpg_);
  }
}

void TScrollLabel::PaintText(QPainter& painter) {
  const QFontMetrics metrics(font());
  QRect area = rect();
  int flags = TextFlags();
  const QSize extent = TextExtent();
  if (layout_ != tlTop) {
    const int delta = height() - metrics.boundingRect(area, flags, MeasuredText()).height();
    area.translate(0, layout_ == tlCenter ? delta / 2 : delta);
  }
  if (scroll_auto_ && extent.width() > width() && !scroll_) {
    scroll_ = active_ = true;
    UpdateTimer();
  } else if (scroll_auto_ && extent.width() <= width() && scroll_) {
    scroll_ = active_ = false;
    UpdateTimer();
  }

  QString text = caption_;
  if (scroll_) {
    if (centered_) flags = (flags & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
    flags |= Qt::TextDontClip;
    const int text_width = std::max(extent.width(), area.width());
    switch (scroll_mode_) {
      case smLeftToRight:
        area = QRect(area.left() + offset_, area.top(), text_width, area.height());
        break;
      case smRightToLeft:
        area = QRect(area.left() + area.width() - offset_, area.top(), text_width, area.height());
        break;
      case smTopToBottom:
        area = QRect(area.left(), area.top() + offset_, area.width(), std::max(extent.height(), area.height()));
        break;
      case smBottomToTop:
        area = QRect(area.left(), area.top() + area.height() - offset_, area.width(),
                     std::max(extent.height(), area.height()));
        break;
    }
  } else if (ellipses_ && !word_wrap_) {
    text = metrics.elidedText(text, Qt::ElideRight, area.width(), flags);
  }
  if (layoutDirection() == Qt::RightToLeft) flags |= Qt::TextForceRightToLeft;

  if (!isEnabled()) {
    painter.setPen(palette().color(QPalette::Light));
    painter.drawText(area.translated(1, 1), flags, text);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawText(area, flags, text);
    return;
  }
  if (draw_type_ == dtLowered || draw_type_ == dtShadow) {
    painter.setPen(shadow_color_);
    painter.drawText(area.translated(shadow_offset_, shadow_offset_), flags, text);
  } else if (draw_type_ == dtRaised) {
    painter.setPen(shadow_color_);
    painter.drawText(area.translated(-shadow_offset_, -shadow_offset_), flags, text);
  }
  painter.setPen(font_color_);
  painter.drawText(area, flags, text);
}

void TScrollLabel::enterEvent(QEnterEvent* event) {
  QWidget::enterEvent(event);
  if (OnMouseEnter) OnMouseEnter();
}

void TScrollLabel::leaveEvent(QEvent* event) {
  QWidget::leaveEvent(event);
  if (OnMouseLeave) OnMouseLeave();
}

}  // namespace tazmel
