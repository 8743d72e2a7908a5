#include "design.h"

#include <algorithm>

namespace tazmel::skins {
namespace {

// The frame of a playlist face: bands of the given thickness cut into the
// fourteen pieces, the buttons in the bottom band and on the scroll track.
PlayListLayout MakePlayList(QSize size, int title, int bottom, int left, int right) {
  PlayListLayout p;
  p.size = size;
  p.title_height = title;
  p.bottom_height = bottom;
  p.left_width = left;
  p.right_width = right;
  const int w = size.width(), h = size.height();
  const int title_left = 100;       // logo and wordmark
  const int middle = (w - 40) / 2;  // 40 px centre piece with the grip dots
  const int right_piece = w - 50;   // close button
  const int bottom_left = 170;      // six command buttons
  const int list_bottom = h - bottom;
  p.pieces = {
      Ltrb(0, 0, title_left, title),
      Ltrb(title_left, 0, middle, title),
      Ltrb(middle, 0, middle + 40, title),
      Ltrb(middle + 40, 0, right_piece, title),
      Ltrb(right_piece, 0, w, title),
      Ltrb(0, list_bottom, bottom_left, h),
      Ltrb(bottom_left, list_bottom, right_piece, h),
      Ltrb(right_piece, list_bottom, w, h),
      Ltrb(0, title, left, title + 20),
      Ltrb(0, title + 20, left, list_bottom - 20),
      Ltrb(0, list_bottom - 20, left, list_bottom),
      Ltrb(w - right, title, w, title + 24),
      Ltrb(w - right, title + 24, w, list_bottom - 24),
      Ltrb(w - right, list_bottom - 24, w, list_bottom),
  };
  const int row = list_bottom + (bottom - 16) / 2;
  const int xs[] = {8, 30, 52, 74, 100, 122};
  for (int i = 0; i < 6; ++i) p.buttons[i] = QRect(xs[i], row, 20, 16);
  p.buttons[6] = QRect(w - 24, (title - 14) / 2, 16, 14);
  p.buttons[7] = Ltrb(w - 16, title + 2, w - 2, title + 16);
  p.buttons[8] = Ltrb(w - 16, list_bottom - 16, w - 2, list_bottom - 2);
  p.orbit = Ltrb(w - 13, title + 19, w - 5, list_bottom - 19);
  p.rect = Ltrb(left, title, w - right, list_bottom);
  p.thumb = QSize(6, 22);
  p.grip = QSize(12, 12);
  p.wordmark = QRect(27, (title - 10) / 2, 48, 10);
  return p;
}

void SetKinds(MainLayout& m) {
  m.kinds.fill(ButtonKind::kTile);
  for (int i = 0; i < kChannelCount; ++i) m.kinds[i] = ButtonKind::kChannel;
  for (int i : {kMainMenu, kHide, kClose, kAbout, kWebsite, kVoiceClock}) m.kinds[i] = ButtonKind::kFlat;
  m.kinds[kPlay] = ButtonKind::kPrimary;
  m.kinds[kMulti] = ButtonKind::kLogo;
}

}  // namespace

SkinDesign DefaultDesign() {
  SkinDesign d;
  d.name = "Default";
  Theme& t = d.theme;
  t.body_top = QColor(0x2A, 0x30, 0x38);
  t.body_bottom = QColor(0x1E, 0x22, 0x27);
  t.outline = QColor(0x0E, 0x10, 0x13);
  t.top_edge = QColor(0x44, 0x4C, 0x57);
  t.panel = QColor(0x14, 0x17, 0x1B);
  t.panel_border = QColor(0x0B, 0x0D, 0x10);
  t.text = QColor(0xE6, 0xE9, 0xED);
  t.text_dim = QColor(0x9A, 0xA4, 0xAF);
  t.accent = QColor(0xF0, 0xA0, 0x20);
  t.accent_ink = QColor(0x1E, 0x22, 0x27);
  t.button_top = QColor(0x35, 0x3C, 0x46);
  t.button_bottom = QColor(0x2B, 0x31, 0x39);
  t.button_border = QColor(0x15, 0x18, 0x1C);
  t.button_pressed = QColor(0x17, 0x1A, 0x1F);
  t.glyph = QColor(0xC9, 0xD0, 0xD8);
  t.danger = QColor(0xE5, 0x48, 0x4D);
  t.groove = QColor(0x10, 0x12, 0x15);
  t.knob = QColor(0xE6, 0xE9, 0xED);
  t.knob_border = QColor(0x0E, 0x10, 0x13);
  t.digit_ghost = QColor(0x22, 0x24, 0x25);
  t.dark = true;

  MainLayout& m = d.main;
  m.size = QSize(350, 136);
  SetKinds(m);
  for (int i = 0; i < kChannelCount; ++i) m.buttons[i] = Ltrb(8 + 20 * i, 72, 26 + 20 * i, 88);
  m.buttons[kPageUp] = Ltrb(210, 72, 226, 88);
  m.buttons[kPageDown] = Ltrb(228, 72, 244, 88);
  m.buttons[kOpenFile] = Ltrb(256, 72, 276, 88);
  m.buttons[kPlayListFormShow] = Ltrb(278, 72, 298, 88);
  m.buttons[kMP3] = Ltrb(300, 72, 320, 88);
  m.buttons[kRecord] = Ltrb(322, 72, 342, 88);
  m.buttons[kMulti] = Ltrb(8, 4, 22, 18);
  m.buttons[kWebsite] = Ltrb(250, 4, 266, 18);
  m.buttons[kAbout] = Ltrb(268, 4, 284, 18);
  m.buttons[kMainMenu] = Ltrb(288, 4, 304, 18);
  m.buttons[kHide] = Ltrb(308, 4, 324, 18);
  m.buttons[kClose] = Ltrb(326, 4, 342, 18);
  m.buttons[kPrevious] = Ltrb(8, 108, 30, 128);
  m.buttons[kStop] = Ltrb(32, 108, 54, 128);
  m.buttons[kPause] = Ltrb(56, 108, 78, 128);
  m.buttons[kPlay] = Ltrb(80, 108, 108, 128);
  m.buttons[kNext] = Ltrb(110, 108, 132, 128);
  m.buttons[kMute] = Ltrb(142, 108, 162, 128);
  m.buttons[kDecVolume] = Ltrb(166, 110, 180, 126);
  m.buttons[kAddVolume] = Ltrb(254, 110, 268, 126);
  m.buttons[kVoiceClock] = Ltrb(318, 47, 336, 63);
  m.volume_bar = Ltrb(182, 113, 252, 123);
  m.equation_bar = Ltrb(280, 113, 342, 123);
  m.progress_bar = Ltrb(8, 93, 342, 103);
  m.knob = QSize(10, 10);
  m.progress_knob = QSize(10, 10);
  m.panels = {Ltrb(8, 24, 250, 66), Ltrb(256, 24, 342, 66)};
  m.name_label = Ltrb(14, 28, 244, 44);
  m.play_state = Ltrb(14, 49, 26, 61);
  m.state_label = Ltrb(30, 47, 112, 63);
  m.speed_label = Ltrb(112, 47, 168, 63);
  m.elapsed_digits = Ltrb(170, 47, 244, 63);
  m.clock_digits = Ltrb(262, 28, 336, 44);
  m.record_state = Ltrb(262, 48, 276, 62);
  m.sound_state = Ltrb(280, 48, 294, 62);
  m.wordmark = QRect(27, 6, 48, 10);

  d.playlist = MakePlayList(QSize(350, 160), 22, 26, 8, 18);
  d.nums = {QSize(7, 12), 1.4f};
  d.clock_nums = {QSize(7, 12), 1.4f};
  d.step_num = 40;
  d.playlist_align = 4;
  d.tree = {QColor(0xD5, 0xDA, 0xE0), QColor(0x23, 0x27, 0x2E), t.accent,
            QColor(255, 255, 255),    QColor(0x3B, 0x5B, 0x8C), 9};
  return d;
}

SkinDesign DaylightDesign() {
  SkinDesign d;
  d.name = "Daylight";
  Theme& t = d.theme;
  t.body_top = QColor(0xFA, 0xFB, 0xFC);
  t.body_bottom = QColor(0xE9, 0xEC, 0xF0);
  t.outline = QColor(0xA9, 0xB1, 0xBC);
  t.top_edge = QColor(0xFF, 0xFF, 0xFF);
  t.panel = QColor(0xFF, 0xFF, 0xFF);
  t.panel_border = QColor(0xCF, 0xD5, 0xDD);
  t.text = QColor(0x1F, 0x29, 0x33);
  t.text_dim = QColor(0x5F, 0x6B, 0x78);
  t.accent = QColor(0x2F, 0x6F, 0xEB);
  t.accent_ink = QColor(0xFF, 0xFF, 0xFF);
  t.button_top = QColor(0xFF, 0xFF, 0xFF);
  t.button_bottom = QColor(0xF0, 0xF2, 0xF5);
  t.button_border = QColor(0xC3, 0xCA, 0xD3);
  t.button_pressed = QColor(0xDD, 0xE6, 0xF7);
  t.glyph = QColor(0x34, 0x3F, 0x4C);
  t.danger = QColor(0xD9, 0x36, 0x3E);
  t.groove = QColor(0xD3, 0xD8, 0xDF);
  t.knob = QColor(0xFF, 0xFF, 0xFF);
  t.knob_border = QColor(0x8A, 0x94, 0xA1);
  t.digit_ghost = QColor(0xEC, 0xEF, 0xF4);
  t.dark = false;

  MainLayout& m = d.main;
  m.size = QSize(300, 180);
  SetKinds(m);
  for (int i = 0; i < kChannelCount; ++i) {
    const int col = i % 5, row = i / 5;
    m.buttons[i] = QRect(8 + 29 * col, 130 + 22 * row, 26, 18);
  }
  m.buttons[kPageUp] = Ltrb(154, 130, 172, 148);
  m.buttons[kPageDown] = Ltrb(154, 152, 172, 170);
  m.buttons[kOpenFile] = Ltrb(180, 130, 202, 148);
  m.buttons[kPlayListFormShow] = Ltrb(204, 130, 226, 148);
  m.buttons[kMP3] = Ltrb(228, 130, 250, 148);
  m.buttons[kRecord] = Ltrb(252, 130, 274, 148);
  m.buttons[kVoiceClock] = Ltrb(276, 130, 292, 148);
  m.buttons[kMulti] = Ltrb(8, 5, 22, 19);
  m.buttons[kWebsite] = Ltrb(200, 5, 216, 19);
  m.buttons[kAbout] = Ltrb(218, 5, 234, 19);
  m.buttons[kMainMenu] = Ltrb(240, 5, 256, 19);
  m.buttons[kHide] = Ltrb(258, 5, 274, 19);
  m.buttons[kClose] = Ltrb(276, 5, 292, 19);
  m.buttons[kPrevious] = Ltrb(8, 96, 34, 122);
  m.buttons[kPlay] = Ltrb(38, 94, 72, 124);
  m.buttons[kPause] = Ltrb(76, 96, 102, 122);
  m.buttons[kStop] = Ltrb(106, 96, 132, 122);
  m.buttons[kNext] = Ltrb(136, 96, 162, 122);
  m.buttons[kMute] = Ltrb(172, 98, 194, 120);
  m.buttons[kAddVolume] = Ltrb(268, 96, 292, 108);
  m.buttons[kDecVolume] = Ltrb(268, 110, 292, 122);
  m.volume_bar = Ltrb(198, 104, 262, 114);
  m.equation_bar = Ltrb(180, 156, 218, 166);
  m.progress_bar = Ltrb(8, 80, 292, 90);
  m.knob = QSize(12, 10);
  m.progress_knob = QSize(8, 10);
  m.panels = {Ltrb(8, 26, 292, 76), Ltrb(223, 151, 292, 171)};
  m.name_label = Ltrb(16, 30, 284, 46);
  m.play_state = Ltrb(16, 55, 28, 67);
  m.state_label = Ltrb(32, 53, 104, 69);
  m.speed_label = Ltrb(104, 53, 160, 69);
  m.sound_state = Ltrb(164, 54, 178, 68);
  m.record_state = Ltrb(180, 54, 194, 68);
  m.elapsed_digits = Ltrb(210, 53, 284, 69);
  m.clock_digits = Ltrb(225, 153, 291, 168);
  m.wordmark = QRect(27, 7, 48, 10);
  m.title_divider = Ltrb(8, 23, 292, 24);

  d.playlist = MakePlayList(QSize(260, 170), 24, 26, 8, 18);
  d.nums = {QSize(7, 12), 1.5f};
  d.clock_nums = {QSize(6, 11), 1.3f};
  d.step_num = 50;
  d.playlist_align = 2;
  d.tree = {QColor(0x1F, 0x29, 0x33), QColor(0xFF, 0xFF, 0xFF), t.accent,
            QColor(255, 255, 255),    QColor(0x2F, 0x6F, 0xEB), 9};
  return d;
}

QRect AddLayout::Find(const std::string& key) const {
  for (const AddPiece& piece : pieces) {
    if (piece.key == key) return piece.rect;
  }
  return QRect();
}

AddLayout PackAddFace(const SkinDesign& d) {
  const MainLayout& m = d.main;
  const PlayListLayout& p = d.playlist;
  std::vector<std::pair<std::string, QSize>> wanted;
  auto pair = [&](const std::string& key, QSize size) {
    wanted.push_back({key, size});
    wanted.push_back({key + "_Down", size});
  };
  pair("bRecord", m.buttons[kRecord].size());
  pair("bMute", m.buttons[kMute].size());
  pair("bMP3", m.buttons[kMP3].size());
  pair("bPlayListFormHide", m.buttons[kPlayListFormShow].size());
  pair("bVolumeMove", m.knob);
  pair("bEquationMove", m.knob);
  pair("bProgressMove", m.progress_knob);
  wanted.push_back({"sReady", m.play_state.size()});
  wanted.push_back({"sPause", m.play_state.size()});
  pair("bScrollMove", p.thumb);
  for (int i = 0; i < kPlayListButtonCount; ++i) {
    wanted.push_back({std::string(PlayListButtonKey(i)) + "_Down", p.buttons[i].size()});
  }

  // Shelves left to right, 2 px apart so no piece bleeds into the next.
  constexpr int kWidth = 160, kGap = 2;
  AddLayout out;
  int x = kGap, y = kGap, shelf = 0;
  for (const auto& [key, size] : wanted) {
    if (x + size.width() + kGap > kWidth) {
      x = kGap;
      y += shelf + kGap;
      shelf = 0;
    }
    out.pieces.push_back({key, QRect(QPoint(x, y), size)});
    x += size.width() + kGap;
    shelf = std::max(shelf, size.height());
  }
  out.size = QSize(kWidth, y + shelf + kGap);
  return out;
}

}  // namespace tazmel::skins
