#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <optional>

namespace tazmel {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// The strip cell that shows a character: 0-9 for the digits, 10 for "."
// and ":", 11 (normally empty) for anything else.
int DigitCell(QChar c);

// Shows a short text with digit images cut from a strip of 12 cells.
class TDigitsPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kCells = 12;

  explicit TDigitsPanel(QWidget* parent = nullptr);

  const QImage& Digits() const { return digits_; }
  void SetDigits(const QImage& value);
  // Owned by the skin; must outlive the panel.
  const QPixmap* BackBitmap() const { return back_bitmap_; }
  void SetBackBitmap(const QPixmap* value);
  QString Value() const { return value_; }
  void SetValue(const QString& value);
  int Length() const { return length_; }
  void SetLength(int value);
  std::uint8_t Margin() const { return margin_; }
  void SetMargin(std::uint8_t value);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut value);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut value);
  std::uint8_t BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(std::uint8_t value);
  QColor Color() const { return color_; }
  void SetColor(const QColor& value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);

  void SetBackRect(const QRect& rect);
  QRect BackRect() const { return back_rect_; }

  int CellWidth() const { return cell_width_; }
  int CellHeight() const { return cell_height_; }
  // The cells laid side by side in `Color`, before stretching.
  QImage Composition() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int BevelCount() const;
  void ApplyAutoSize();
  void DrawBevel(QPainter& painter, QRect& rect, TBevelCut cut) const;
  // Drops the drawn cells after a change of what they show, and repaints.
  void Recompose();
  // The composition as painted: keyed out over the skin when transparent.
  QImage Shown() const;

  QImage digits_;
  const QPixmap* back_bitmap_ = nullptr;
  QString value_ = QStringLiteral("       ");
  int length_ = 8;
  std::uint8_t margin_ = 2;
  TBevelCut bevel_outer_ = bvRaised;
  TBevelCut bevel_inner_ = bvLowered;
  std::uint8_t bevel_width_ = 2;
  QColor color_ = Qt::black;
  bool transparent_ = false;
  bool auto_size_ = false;

  int cell_width_ = 0;
  int cell_height_ = 0;
  QRect back_rect_;
  std::optional<QImage> shown_;  // Shown(), kept until the next Recompose()
};

}  // namespace tazmel
