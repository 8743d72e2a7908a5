#include "ui/controls/scroll_label.h"

#include <QScrollBar>

#include <gtest/gtest.h>
#include <QEnterEvent>
#include <QImage>
#include <QPixmap>
#include <QPointingDevice>

#include <QCoreApplication>
#include <QEvent>
#include <array>
#include <functional>
#include <optional>
#include <vector>

#include "ui/controls/my_list_box.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;
using test::FlushPaints;
using test::PaintCounter;

// The horizontal span of pixels of one colour.
struct Span {
  int left;
  int right;
  int top;
  int bottom;
};

std::optional<Span> ColourSpan(const QImage& image, QColor colour) {
  std::optional<Span> span;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) != colour) continue;
      if (!span) span = Span{x, x, y, y};
      span->left = std::min(span->left, x);
      span->right = std::max(span->right, x);
      span->top = std::min(span->top, y);
      span->bottom = std::max(span->bottom, y);
    }
  }
  return span;
}

// A 100 x 20 label, black background, red text without antialiasing so
// that every text pixel has exactly the font colour.
class ScrollLabelTest : public ::testing::Test {
 protected:
  ScrollLabelTest() {
    label_.resize(100, 20);
    QFont font(u"DejaVu Sans"_s, 10);
    font.setStyleStrategy(QFont::NoAntialias);
    label_.SetFont(font);
    label_.SetColor(Qt::black);
    label_.SetFontColor(Qt::red);
    label_.SetDrawType(dtNone);
  }
  QImage Render() { return label_.grab().toImage().convertToFormat(QImage::Format_RGB32); }
  std::optional<Span> Ink() { return ColourSpan(Render(), Qt::red); }

  QApplication& app_ = test::QtApp();  // before any widget
  TScrollLabel label_;
};

// Scroll switches the timer with it; Active alone does not scroll, and
// ScrollAuto carries Scroll along.
TEST_F(ScrollLabelTest, TimerFollowsActiveAndScroll) {
  EXPECT_FALSE(label_.TimerRunning());
  label_.SetActive(true);
  EXPECT_FALSE(label_.TimerRunning());
  label_.SetScroll(true);
  EXPECT_TRUE(label_.Active());
  EXPECT_TRUE(label_.TimerRunning());
  label_.SetActive(false);
  EXPECT_FALSE(label_.TimerRunning());
  label_.SetScroll(false);
  label_.SetScrollAuto(true);
  EXPECT_TRUE(label_.Scroll());
  EXPECT_TRUE(label_.TimerRunning());
  label_.SetScrollDelay(250);
  EXPECT_EQ(label_.TimerInterval(), 250);
}

// The offset wraps once the text has fully left the label plus the gap.
TEST(ScrollOffsetTest, WrapsAfterFullPass) {
  const QSize label(100, 20);
  const QSize text(160, 12);
  struct Case {
    TScrollMode mode;
    int offset;
    int gap;
    int expected;
  };
  const Case cases[] = {
      {smRightToLeft, 254, 0, 257},  {smRightToLeft, 257, 0, 260}, {smRightToLeft, 258, 0, 0},
      {smRightToLeft, 258, 30, 261}, {smLeftToRight, 97, 0, 100},  {smLeftToRight, 98, 0, -160},
      {smTopToBottom, 17, 0, 20},    {smTopToBottom, 18, 0, -12},  {smBottomToTop, 29, 0, 32},
      {smBottomToTop, 30, 0, 0},     {smBottomToTop, 30, 5, 33},   {smLeftToRight, -160, 0, -157},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NextScrollOffset(c.mode, c.offset, 3, label, text, c.gap), c.expected)
        << "mode " << c.mode << " offset " << c.offset << " gap " << c.gap;
  }
}

// The gap is the travel during the pause, computed from the delay and the
// step as they stand when RepeatDelay is set; a zero delay gives no gap.
TEST_F(ScrollLabelTest, RepeatGapFromDelayAndStep) {
  EXPECT_EQ(RepeatGap(1500, 150, 3), 30);
  EXPECT_EQ(RepeatGap(1000, 300, 3), 10);
  EXPECT_EQ(RepeatGap(100, 0, 3), 0);
  label_.SetScrollDelay(150);
  label_.SetScrollStep(3);
  label_.SetRepeatDelay(1500);
  EXPECT_EQ(label_.Gap(), 30);
  label_.SetScrollDelay(100);
  EXPECT_EQ(label_.Gap(), 30);
  label_.SetScrollDelay(0);
  label_.SetRepeatDelay(10);
  EXPECT_EQ(label_.Gap(), 0);
}

// Right to left the text's left edge sits at width - offset: it enters at
// the right edge and moves one step per tick; a full pass returns to 0.
TEST_F(ScrollLabelTest, RightToLeftEntersFromTheRight) {
  label_.SetCaption(u"WWWWWWWWWWWWWWWWWWWW"_s);
  label_.SetScroll(true);
  EXPECT_FALSE(Ink()) << "offset 0 puts the text just beyond the right edge";
  for (int i = 0; i < 4; ++i) label_.ScrollTick();
  ASSERT_EQ(label_.Offset(), 12);
  const std::optional<Span> early = Ink();
  ASSERT_TRUE(early);
  EXPECT_GE(early->left, 100 - 12);
  for (int i = 0; i < 10; ++i) label_.ScrollTick();
  const std::optional<Span> later = Ink();
  ASSERT_TRUE(later);
  EXPECT_EQ(early->left - later->left, 30);

  const int text_width = label_.TextExtent().width();
  ASSERT_GT(text_width, 100);
  int ticks = 0;
  while (label_.Offset() != 0 && ticks < 1000) {
    const int before = label_.Offset();
    label_.ScrollTick();
    ++ticks;
    if (label_.Offset() == 0) {
      EXPECT_GT(before + 3, text_width + 100);
    }
  }
  EXPECT_EQ(label_.Offset(), 0);
}

// A new caption or scroll direction starts the pass again.
TEST_F(ScrollLabelTest, CaptionAndModeResetOffset) {
  label_.SetCaption(u"a long enough caption to scroll"_s);
  label_.SetScroll(true);
  label_.ScrollTick();
  label_.SetCaption(u"another caption"_s);
  EXPECT_EQ(label_.Offset(), 0);
  label_.ScrollTick();
  label_.SetScrollMode(smTopToBottom);
  EXPECT_EQ(label_.Offset(), 0);
}

// A centred label whose text grows too wide scrolls from the left edge,
// and is centred again once the text fits.
TEST_F(ScrollLabelTest, CentredAutoScrollIsLeftAlignedWhileScrolling) {
  label_.SetAlignment(taCenter);
  label_.SetScrollAuto(true);
  label_.SetScrollMode(smLeftToRight);
  label_.SetCaption(u"ab"_s);
  std::optional<Span> ink = Ink();
  ASSERT_TRUE(ink);
  EXPECT_FALSE(label_.Scroll());
  EXPECT_NEAR((ink->left + ink->right) / 2, 50, 3);

  label_.SetCaption(u"a caption much wider than one hundred pixels"_s);
  ink = Ink();
  ASSERT_TRUE(ink);
  EXPECT_TRUE(label_.Scroll());
  EXPECT_LE(ink->left, 2);

  label_.SetCaption(u"ab"_s);
  ink = Ink();
  ASSERT_TRUE(ink);
  EXPECT_FALSE(label_.Scroll());
  EXPECT_NEAR((ink->left + ink->right) / 2, 50, 3);
}

// Lowered and shadow styles put the shadow below right, raised above left,
// ShadowOffset pixels away; none draws no shadow.
TEST_F(ScrollLabelTest, ShadowStyles) {
  label_.SetCaption(u"Tazmel"_s);
  label_.resize(100, 30);  // centred: room for the shadow on every side
  label_.SetAlignment(taCenter);
  label_.SetLayout(tlCenter);
  label_.SetShadowColor(Qt::green);
  label_.SetShadowOffset(2);
  struct Case {
    TDrawType type;
    int dx;
  };
  for (const Case& c : {Case{dtLowered, 2}, Case{dtShadow, 2}, Case{dtRaised, -2}}) {
    label_.SetDrawType(c.type);
    const QImage image = Render();
    const std::optional<Span> text = ColourSpan(image, Qt::red);
    const std::optional<Span> shadow = ColourSpan(image, Qt::green);
    ASSERT_TRUE(text && shadow) << c.type;
    if (c.dx > 0) {
      EXPECT_EQ(shadow->right - text->right, c.dx) << c.type;
      EXPECT_EQ(shadow->bottom - text->bottom, c.dx) << c.type;
    } else {
      EXPECT_EQ(shadow->left - text->left, c.dx) << c.type;
      EXPECT_EQ(shadow->top - text->top, c.dx) << c.type;
    }
  }
  label_.SetDrawType(dtNone);
  EXPECT_FALSE(ColourSpan(Render(), Qt::green));
}

// A transparent label shows its rectangle of the skin face; without a face,
// or when not transparent, it is filled with Color.
TEST_F(ScrollLabelTest, BackgroundFromSkinFace) {
  QImage face(300, 100, QImage::Format_RGB32);
  face.fill(Qt::blue);
  for (int y = 40; y < 60; ++y) {
    for (int x = 200; x < 300; ++x) face.setPixelColor(x, y, QColor(x - 200, y, 7));
  }
  const QPixmap pixmap = QPixmap::fromImage(face);
  label_.SetBackBmp(&pixmap);
  label_.SetBackRect(QRect(200, 40, 100, 20));
  EXPECT_EQ(Render().pixelColor(5, 5), QColor(Qt::black));
  label_.SetTransparent(true);
  QImage image = Render();
  EXPECT_EQ(image.pixelColor(0, 0), QColor(0, 40, 7));
  EXPECT_EQ(image.pixelColor(99, 19), QColor(99, 59, 7));

  label_.SetBackBmp(nullptr);
  label_.SetBackJpg(&face);
  image = Render();
  EXPECT_EQ(image.pixelColor(10, 3), QColor(10, 43, 7));

  label_.SetBackJpg(nullptr);
  EXPECT_EQ(Render().pixelColor(5, 5), QColor(Qt::black));
}

// The window hands its labels the same texts and places over and over
// while playing: only a real change repaints, and a tick of a label whose
// text stands still draws nothing.
TEST_F(ScrollLabelTest, RepaintsOnlyOnChange) {
  struct Case {
    const char* name;
    std::function<void(TScrollLabel&)> set;
  };
  const Case cases[] = {
      {"caption", [](TScrollLabel& l) { l.SetCaption(u"Playing"_s); }},
      {"font", [](TScrollLabel& l) { l.SetFont(QFont(u"DejaVu Sans"_s, 8)); }},
      {"background rectangle", [](TScrollLabel& l) { l.SetBackRect(QRect(10, 20, 100, 20)); }},
      {"colour", [](TScrollLabel& l) { l.SetColor(Qt::darkBlue); }},
      {"font colour", [](TScrollLabel& l) { l.SetFontColor(Qt::yellow); }},
  };
  label_.show();
  PaintCounter counter(label_);
  ASSERT_TRUE(test::WaitUntil([&] { return counter.paints > 0; }));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FlushPaints();
    counter.paints = 0;
    c.set(label_);
    FlushPaints();
    EXPECT_GT(counter.paints, 0) << "a change repaints";
    counter.paints = 0;
    c.set(label_);
    FlushPaints();
    EXPECT_EQ(counter.paints, 0) << "the same value again does not";
  }

  counter.paints = 0;
  label_.ScrollTick();
  FlushPaints();
  EXPECT_EQ(counter.paints, 0) << "a tick without scrolling";
  label_.SetScroll(true);
  FlushPaints();
  counter.paints = 0;
  label_.ScrollTick();
  FlushPaints();
  EXPECT_GT(counter.paints, 0) << "a tick that moves the text";
}

// Bottom and centre layouts move the text down from the top.
TEST_F(ScrollLabelTest, LayoutPlacesTextVertically) {
  label_.resize(100, 60);
  label_.SetCaption(u"Xy"_s);
  const std::optional<Span> top = Ink();
  label_.SetLayout(tlCenter);
  const std::optional<Span> centre = Ink();
  label_.SetLayout(tlBottom);
  const std::optional<Span> bottom = Ink();
  ASSERT_TRUE(top && centre && bottom);
  EXPECT_LT(top->top, centre->top);
  EXPECT_LT(centre->top, bottom->top);
  EXPECT_GE(bottom->bottom, 50);
}

// Pointer enter and leave reach the two events.
TEST_F(ScrollLabelTest, MouseEnterAndLeave) {
  int entered = 0;
  int left = 0;
  label_.OnMouseEnter = [&] { ++entered; };
  label_.OnMouseLeave = [&] { ++left; };
  // A device of the test's own: the shared primary device would outlive
  // the application object and fail at exit.
  const QPointingDevice mouse;
  QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1), &mouse);
  QApplication::sendEvent(&label_, &enter);
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&label_, &leave);
  EXPECT_EQ(entered, 1);
  EXPECT_EQ(left, 1);
}

// The music list beside these labels reports its scroll state when drawn:
// the last top position is the item count less the rows that fit, never
// below the first, and an empty list reports without dividing by zero.
TEST(MyListBoxTest, ReportsVerticalScrollState) {
  test::QtApp();
  TMyListBox list;
  list.resize(120, 100);
  std::vector<std::array<int, 3>> reports;
  list.OnVertScroll = [&](QObject* sender, int min_pos, int max_pos, int cur_pos) {
    EXPECT_EQ(sender, &list);
    reports.push_back({min_pos, max_pos, cur_pos});
  };
  list.ReportVertScroll();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports.back(), (std::array<int, 3>{0, 0, 0}));

  for (int i = 0; i < 3; ++i) list.addItem(QString::number(i));
  list.ReportVertScroll();
  EXPECT_EQ(reports.back(), (std::array<int, 3>{0, 0, 0}));

  for (int i = 3; i < 40; ++i) list.addItem(QString::number(i));
  list.scrollToItem(list.item(5), QAbstractItemView::PositionAtTop);
  list.ReportVertScroll();
  const int rows = list.viewport()->height() / list.sizeHintForRow(0);
  EXPECT_EQ(reports.back(), (std::array<int, 3>{0, 40 - rows, 5}));

  reports.clear();
  list.grab();
  EXPECT_FALSE(reports.empty()) << "drawing the list reports";
}

}  // namespace
}  // namespace tazmel
