#pragma once

// The bitmaps of a skin, drawn from its design at an integer scale.

#include <QImage>

#include "design.h"

namespace tazmel::skins {

// What the main face shows. The normal face is the default; the pressed face
// sets `pressed`; the add face's pieces are cut from faces drawn in the other
// states.
struct MainState {
  bool pressed = false;  // every button pressed, bars filled, indicators on
  int play_state = 3;    // 0 connecting, 1 playing, 2 paused, 3 stopped
  bool recording = false;
  bool muted = false;
  bool music_list = false;
  bool playlist_hidden = false;
};

QImage RenderMain(const SkinDesign& design, int scale, const MainState& state);
QImage RenderPlayList(const SkinDesign& design, int scale, bool pressed);
QImage RenderAdd(const SkinDesign& design, int scale);
QImage RenderDigits(const SkinDesign& design, const DigitStrip& strip, int scale);

}  // namespace tazmel::skins
