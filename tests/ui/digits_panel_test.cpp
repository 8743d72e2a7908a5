#include "ui/controls/digits_panel.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QPixmap>

#include <QCoreApplication>
#include <QEvent>
#include <functional>
#include <vector>

#include "ui/qt_app.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;
using test::FlushPaints;
using test::PaintCounter;

const QColor kKey(1, 2, 3);

QColor CellColour(int cell) { return QColor(20 * cell + 10, 255 - 20 * cell, 100); }

// A strip of 12 cells, each a solid colour of its own over a bottom row in
// the key colour (so the lower-left pixel gives the transparent colour).
QImage Strip(int cell_width, int height, int extra = 0) {
  QImage strip(cell_width * TDigitsPanel::kCells + extra, height, QImage::Format_RGB32);
  strip.fill(kKey);
  for (int cell = 0; cell < TDigitsPanel::kCells; ++cell) {
    for (int y = 0; y < height - 1; ++y) {
      for (int x = 0; x < cell_width; ++x) strip.setPixelColor(cell * cell_width + x, y, CellColour(cell));
    }
  }
  return strip;
}

class DigitsPanelTest : public ::testing::Test {
 protected:
  QImage Render() { return panel_.grab().toImage().convertToFormat(QImage::Format_RGB32); }

  QApplication& app_ = test::QtApp();  // before any widget
  TDigitsPanel panel_;
};

// Digits have their own cells, "." and ":" share cell 10, anything else
// shows cell 11.
TEST(DigitCellTest, CharacterToCell) {
  for (char c = '0'; c <= '9'; ++c) EXPECT_EQ(DigitCell(QLatin1Char(c)), c - '0');
  const std::pair<QChar, int> cases[] = {{u'.', 10}, {u':', 10},          {u' ', 11},         {u'-', 11},
                                         {u'a', 11}, {QChar(0x4e2d), 11}, {QChar(0x0661), 11}};
  for (const auto& [c, cell] : cases) EXPECT_EQ(DigitCell(c), cell) << int{c.unicode()};
}

// Cells are a twelfth of the strip, rounded down; the strip's lower-left
// pixel becomes the cell background colour.
TEST_F(DigitsPanelTest, CellSizeAndColourFromStrip) {
  panel_.SetDigits(Strip(10, 16));
  EXPECT_EQ(panel_.CellWidth(), 10);
  EXPECT_EQ(panel_.CellHeight(), 16);
  EXPECT_EQ(panel_.Color(), kKey);
  panel_.SetDigits(Strip(10, 16, 5));
  EXPECT_EQ(panel_.CellWidth(), 10);
}

// AutoSize counts each bevel present twice its width, the margins and the
// cells; changing a bevel, its width, the margin or the length re-sizes.
TEST_F(DigitsPanelTest, AutoSize) {
  panel_.SetDigits(Strip(10, 16));
  EXPECT_EQ(panel_.size(), QSize(100, 20));
  panel_.SetAutoSize(true);
  EXPECT_EQ(panel_.size(), QSize(8 + 2 + 12 * 8, 8 + 16 + 4));
  struct Case {
    TBevelCut outer;
    TBevelCut inner;
    int bevel_width;
    int margin;
    int length;
    QSize size;
  };
  const Case cases[] = {
      {bvNone, bvNone, 2, 2, 8, QSize(2 + 12 * 8, 16 + 4)},
      {bvSpace, bvNone, 3, 2, 8, QSize(6 + 2 + 12 * 8, 6 + 16 + 4)},
      {bvRaised, bvLowered, 1, 0, 5, QSize(4 + 10 * 5, 4 + 16)},
      {bvLowered, bvRaised, 2, 4, 1, QSize(8 + 4 + 14, 8 + 16 + 8)},
  };
  for (const Case& c : cases) {
    panel_.SetBevelOuter(c.outer);
    panel_.SetBevelInner(c.inner);
    panel_.SetBevelWidth(static_cast<std::uint8_t>(c.bevel_width));
    panel_.SetMargin(static_cast<std::uint8_t>(c.margin));
    panel_.SetLength(c.length);
    EXPECT_EQ(panel_.size(), c.size) << c.outer << c.inner << c.bevel_width << c.margin << c.length;
  }
}

// A short value is padded with blanks to Length; a longer one is kept whole
// but only Length cells are drawn.
TEST_F(DigitsPanelTest, ValuePadding) {
  EXPECT_EQ(panel_.Value(), u"       "_s);
  panel_.SetValue(u"12"_s);
  EXPECT_EQ(panel_.Value(), u"12      "_s);
  panel_.SetValue(u"1234567890"_s);
  EXPECT_EQ(panel_.Value(), u"1234567890"_s);
  panel_.SetDigits(Strip(10, 16));
  EXPECT_EQ(panel_.Composition().width(), 2 + 12 * 8);
}

// 12:34 in eight cells shows 1, 2, the colon cell, 3, 4 and three empty
// cells, each Margin apart, over the strip's background colour.
TEST_F(DigitsPanelTest, DrawsEachCharacterInItsCell) {
  panel_.SetDigits(Strip(10, 16));
  panel_.SetAutoSize(true);
  panel_.SetValue(u"12:34"_s);
  const QImage image = Render();
  const int frame = 2 * 2;  // two bevels of width 2
  const std::vector<int> cells = {1, 2, 10, 3, 4, 11, 11, 11};
  for (int i = 0; i < 8; ++i) {
    const QPoint centre(frame + 2 + i * 12 + 5, frame + 2 + 7);
    EXPECT_EQ(image.pixelColor(centre), CellColour(cells[i])) << "cell " << i;
    EXPECT_EQ(image.pixelColor(centre.x() - 6, centre.y()), kKey) << "margin before cell " << i;
  }
}

// Raised outer bevel: light top-left and dark bottom-right; a transparent
// panel shows the skin face where the cells hold their background colour.
TEST_F(DigitsPanelTest, BevelsAndTransparency) {
  panel_.SetDigits(Strip(10, 16));
  panel_.SetAutoSize(true);
  panel_.SetValue(u"8"_s);
  QImage image = Render();
  EXPECT_EQ(image.pixel(0, 0), panel_.palette().color(QPalette::Light).rgb());
  EXPECT_EQ(image.pixel(image.width() - 1, image.height() - 1), panel_.palette().color(QPalette::Dark).rgb());

  QImage face(400, 100, QImage::Format_RGB32);
  face.fill(QColor(200, 10, 200));
  const QPixmap pixmap = QPixmap::fromImage(face);
  panel_.SetBackBitmap(&pixmap);
  panel_.SetBackRect(QRect(0, 0, panel_.width(), panel_.height()));
  panel_.SetTransparent(true);
  image = Render();
  EXPECT_EQ(image.pixelColor(4 + 1, 4 + 1), QColor(200, 10, 200)) << "margin shows the face";
  EXPECT_EQ(image.pixelColor(4 + 2 + 5, 4 + 2 + 7), CellColour(8));
  EXPECT_EQ(image.pixel(0, 0), panel_.palette().color(QPalette::Light).rgb()) << "bevel stays over the face";
}

// Missing strips and absurd lengths draw nothing rather than fail.
TEST_F(DigitsPanelTest, DegenerateInputs) {
  panel_.SetValue(u"12:34"_s);
  EXPECT_FALSE(Render().isNull());
  panel_.SetDigits(QImage(5, 5, QImage::Format_RGB32));  // narrower than 12 cells
  EXPECT_EQ(panel_.CellWidth(), 0);
  EXPECT_FALSE(Render().isNull());
  panel_.SetDigits(Strip(10, 16));
  panel_.SetLength(50'000'000);
  EXPECT_TRUE(panel_.Composition().isNull());
  panel_.SetAutoSize(true);
  EXPECT_LE(panel_.width(), QWIDGETSIZE_MAX);
  panel_.SetLength(-3);
  EXPECT_FALSE(Render().isNull());
}

// The window sets the clock and the elapsed time every second, mostly to
// what is shown already: setting a property to its current value must not
// repaint, while a real change does.
TEST_F(DigitsPanelTest, RepaintsOnlyOnChange) {
  QImage face(400, 100, QImage::Format_RGB32);
  face.fill(Qt::gray);
  const QPixmap pixmap = QPixmap::fromImage(face);
  struct Case {
    const char* name;
    std::function<void(TDigitsPanel&)> set;
  };
  const Case cases[] = {
      {"short value (padded when stored)", [](TDigitsPanel& p) { p.SetValue(u"12"_s); }},
      {"value of full length", [](TDigitsPanel& p) { p.SetValue(u"00:01:02"_s); }},
      {"length", [](TDigitsPanel& p) { p.SetLength(6); }},
      {"margin", [](TDigitsPanel& p) { p.SetMargin(3); }},
      {"outer bevel", [](TDigitsPanel& p) { p.SetBevelOuter(bvLowered); }},
      {"inner bevel", [](TDigitsPanel& p) { p.SetBevelInner(bvNone); }},
      {"bevel width", [](TDigitsPanel& p) { p.SetBevelWidth(1); }},
      {"colour", [](TDigitsPanel& p) { p.SetColor(Qt::darkGreen); }},
      {"transparent", [](TDigitsPanel& p) { p.SetTransparent(true); }},
      {"background", [&](TDigitsPanel& p) { p.SetBackBitmap(&pixmap); }},
      {"background rectangle", [](TDigitsPanel& p) { p.SetBackRect(QRect(4, 5, 60, 20)); }},
  };
  panel_.SetDigits(Strip(10, 16));
  panel_.show();
  PaintCounter counter(panel_);
  ASSERT_TRUE(test::WaitUntil([&] { return counter.paints > 0; }));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FlushPaints();
    counter.paints = 0;
    c.set(panel_);
    FlushPaints();
    EXPECT_GT(counter.paints, 0) << "a change repaints";
    counter.paints = 0;
    c.set(panel_);
    FlushPaints();
    EXPECT_EQ(counter.paints, 0) << "the same value again does not";
  }
}

// What the cells show is drawn once per change and kept between paints; a
// change of value, colour or transparency shows at the next paint.
TEST_F(DigitsPanelTest, KeptCellsFollowChanges) {
  panel_.SetDigits(Strip(10, 16));
  panel_.SetAutoSize(true);
  const QPoint first_cell(4 + 2 + 5, 4 + 2 + 7);
  const QPoint first_margin(4 + 1, 4 + 1);
  panel_.SetValue(u"12:34"_s);
  EXPECT_EQ(Render().pixelColor(first_cell), CellColour(1));
  panel_.SetValue(u"56"_s);
  EXPECT_EQ(Render().pixelColor(first_cell), CellColour(5));
  panel_.SetColor(Qt::darkGreen);
  EXPECT_EQ(Render().pixelColor(first_margin), QColor(Qt::darkGreen));

  QImage face(400, 100, QImage::Format_RGB32);
  face.fill(QColor(200, 10, 200));
  const QPixmap pixmap = QPixmap::fromImage(face);
  panel_.SetBackBitmap(&pixmap);
  panel_.SetBackRect(QRect(0, 0, panel_.width(), panel_.height()));
  panel_.SetTransparent(true);
  EXPECT_EQ(Render().pixelColor(first_margin), QColor(200, 10, 200));
  panel_.SetTransparent(false);
  EXPECT_EQ(Render().pixelColor(first_margin), QColor(Qt::darkGreen));
}

}  // namespace
}  // namespace tazmel
