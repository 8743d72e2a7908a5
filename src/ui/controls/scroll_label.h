#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>

class QShortcut;
class QTimer;

namespace tazmel {

enum TScrollMode { smLeftToRight, smRightToLeft, smTopToBottom, smBottomToTop };
enum TDrawType { dtNone, dtLowered, dtRaised, dtShadow };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };

// The scroll offset after one tick: the text travels `step` pixels and,
// once it has left the label plus `gap` pixels, starts its next pass.
int NextScrollOffset(TScrollMode mode, int offset, int step, QSize label, QSize text, int gap);

// The gap between two passes: the distance the text would travel while the
// pause lasts. Zero for a zero delay.
int RepeatGap(int repeat_delay, unsigned scroll_delay, int scroll_step);

// A label over a skin background that can scroll its text in four
// directions and draws it with a shadow.
class TScrollLabel : public QWidget {
  Q_OBJECT

 public:
  explicit TScrollLabel(QWidget* parent = nullptr);
  ~TScrollLabel() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  bool Scroll() const { return scroll_; }
  void SetScroll(bool value);
  bool ScrollAuto() const { return scroll_auto_; }
  void SetScrollAuto(bool value);
  unsigned ScrollDelay() const { return scroll_delay_; }
  void SetScrollDelay(unsigned value);
  int ScrollStep() const { return scroll_step_; }
  void SetScrollStep(int value) { scroll_step_ = value; }
  TScrollMode ScrollMode() const { return scroll_mode_; }
  void SetScrollMode(TScrollMode value);
  int RepeatDelay() const { return repeat_delay_; }
  void SetRepeatDelay(int value);
  bool Ellipses() const { return ellipses_; }
  void SetEllipses(bool value);
  TDrawType DrawType() const { return draw_type_; }
  void SetDrawType(TDrawType value);
  int ShadowOffset() const { return shadow_offset_; }
  void SetShadowOffset(int value);
  QColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(const QColor& value);
  // Background sources are owned by the skin and must outlive the label.
  const QPixmap* BackBmp() const { return back_bmp_; }
  void SetBackBmp(const QPixmap* value);
  const QImage* BackJpg() const { return back_jpg_; }
  void SetBackJpg(const QImage* value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool value);
  QWidget* FocusControl() const { return focus_control_; }
  void SetFocusControl(QWidget* value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value) { auto_size_ = value; }
  QString Caption() const { return caption_; }
  void SetCaption(const QString& value);
  QFont Font() const { return font(); }
  void SetFont(const QFont& value);
  QColor Color() const { return color_; }
  void SetColor(const QColor& value);
  // The colour of the text itself (a Qt font has none).
  QColor FontColor() const { return font_color_; }
  void SetFontColor(const QColor& value);

  // The part of the background source that lies under the label.
  void SetBackRect(const QRect& rect);
  QRect BackRect() const { return back_rect_; }

  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;

  // One step of the scroll timer.
  void ScrollTick();
  int Offset() const { return offset_; }
  int Gap() const { return gap_; }
  bool TimerRunning() const;
  int TimerInterval() const;

  // The text's extent in the label's font, as drawn.
  QSize TextExtent();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int TextFlags() const;
  QString MeasuredText() const;
  void UpdateTimer();
  void UpdateShortcut();
  void PaintBackground(QPainter& painter);
  void PaintText(QPainter& painter);

  bool active_ = false;
  bool scroll_ = false;
  bool scroll_auto_ = false;
  unsigned scroll_delay_ = 100;
  int scroll_step_ = 3;
  TScrollMode scroll_mode_ = smRightToLeft;
  int repeat_delay_ = 0;
  bool ellipses_ = true;
  TDrawType draw_type_ = dtLowered;
  int shadow_offset_ = 1;
  QColor shadow_color_ = Qt::white;
  const QPixmap* back_bmp_ = nullptr;
  const QImage* back_jpg_ = nullptr;
  TAlignment alignment_ = taLeftJustify;
  TTextLayout layout_ = tlTop;
  bool word_wrap_ = false;
  bool transparent_ = false;
  bool show_accel_char_ = true;
  QPointer<QWidget> focus_control_;
  bool auto_size_ = true;
  QString caption_;
  QColor color_;
  QColor font_color_ = Qt::black;

  int offset_ = 0;
  int gap_ = 0;
  QRect back_rect_;
  bool centered_ = false;
  QTimer* timer_;
  QShortcut* shortcut_ = nullptr;
  QImage buffer_;
};

}  // namespace tazmel
