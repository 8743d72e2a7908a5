#pragma once

// The two shipped skins as data: colours and every rectangle at design size
// (1x). The painters draw from this description at any integer scale, so the
// 1x and 2x bitmaps cannot drift apart.

#include <QColor>
#include <QRect>
#include <QSize>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "skin/skin_ini.h"

namespace tazmel::skins {

// Left, top, right, bottom with exclusive right and bottom, as skin.ini
// spells a rectangle.
constexpr QRect Ltrb(int left, int top, int right, int bottom) { return QRect(left, top, right - left, bottom - top); }

struct Theme {
  QColor body_top, body_bottom;  // window gradient
  QColor outline;                // outermost 1 px ring
  QColor top_edge;               // lighter line just inside the top edge
  QColor panel, panel_border;    // display insets; `panel` is also the digit strips' key
  QColor text, text_dim;
  QColor accent, accent_ink;  // accent and glyphs drawn on an accent fill
  QColor button_top, button_bottom, button_border;
  QColor button_pressed;  // inset fill of a pressed tile
  QColor glyph;           // glyphs on released buttons
  QColor danger;          // close button and recording
  QColor groove;          // bar tracks
  QColor knob, knob_border;
  QColor digit_ghost;  // unlit segments
  bool dark = true;
};

// How a button's tile is drawn.
enum class ButtonKind {
  kTile,     // raised tile with a glyph
  kFlat,     // title-strip glyph without a tile
  kPrimary,  // the play button: accent glyph, accent fill when pressed
  kChannel,  // tile without a glyph; the program writes the number on top
  kLogo,     // the logo mark (bMulti)
};

struct MainLayout {
  QSize size;
  int corner_radius = 9;
  std::array<QRect, kMainButtonCount> buttons{};
  std::array<ButtonKind, kMainButtonCount> kinds{};
  QRect volume_bar, equation_bar, progress_bar;
  QSize knob;           // volume and balance thumbs
  QSize progress_knob;  // progress thumb
  QRect play_state, sound_state, record_state;
  std::vector<QRect> panels;  // inset display areas
  QRect name_label, state_label, speed_label;
  QRect elapsed_digits, clock_digits;
  QRect wordmark;       // where the logotype is drawn
  QRect title_divider;  // a hairline under the title strip; empty for none
};

struct PlayListLayout {
  QSize size;
  int corner_radius = 9;
  int title_height = 22;   // top band
  int bottom_height = 26;  // bottom band with the buttons
  int left_width = 8;      // left band
  int right_width = 18;    // right band with the scroll track
  std::array<QRect, kPlayListPieceCount> pieces{};
  std::array<QRect, kPlayListButtonCount> buttons{};
  QRect orbit;
  QRect rect;  // the list panel
  QSize thumb;
  QSize grip;
  QRect wordmark;
};

struct DigitStrip {
  QSize cell;
  float stroke = 1.4f;  // segment thickness at 1x
};

struct ListColors {
  QColor font, back, playing, selected_font, selected_back;
  int font_size = 9;
};

struct SkinDesign {
  std::string name;
  Theme theme;
  MainLayout main;
  PlayListLayout playlist;
  DigitStrip nums, clock_nums;
  int step_num = 40;
  int playlist_align = 4;
  QString font_family = QStringLiteral("DejaVu Sans");
  int name_font_size = 9, small_font_size = 8, nums_font_size = 7;
  ListColors tree;
  QColor mask = QColor(255, 0, 255);      // window corners
  QColor add_mask = QColor(255, 0, 255);  // add face background
};

SkinDesign DefaultDesign();
SkinDesign DaylightDesign();

// Where a piece of the add face sits, at 1x.
struct AddPiece {
  std::string key;  // the AddFace key
  QRect rect;
};

// The add face's pieces in key order and its size, packed in shelves.
struct AddLayout {
  QSize size;
  std::vector<AddPiece> pieces;
  QRect Find(const std::string& key) const;
};
AddLayout PackAddFace(const SkinDesign& design);

}  // namespace tazmel::skins
