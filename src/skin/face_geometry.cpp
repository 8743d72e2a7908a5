#include "skin/face_geometry.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/messages.h"
#include "core/text_utils.h"

namespace tazmel {

BarGeometry::BarGeometry(const BarSkin& bar, int knob_width, int knob_height)
    : bar_(bar), knob_width_(std::max(0, knob_width)), knob_height_(std::max(0, knob_height)) {}

int BarGeometry::Length() const { return Vertical() ? bar_.bounds.Height() : bar_.bounds.Width(); }

int BarGeometry::KnobSize() const { return Vertical() ? knob_height_ : knob_width_; }

SkinRect BarGeometry::Clamped(SkinRect knob) const {
  const SkinRect& b = bar_.bounds;
  if (Vertical()) {
    const int top = std::clamp(knob.top, b.top, std::max(b.top, b.bottom - knob_height_));
    const int left = b.left + (b.Width() - knob_width_) / 2;
    return {left, top, left + knob_width_, top + knob_height_};
  }
  const int left = std::clamp(knob.left, b.left, std::max(b.left, b.right - knob_width_));
  const int top = b.top + (b.Height() - knob_height_) / 2;
  return {left, top, left + knob_width_, top + knob_height_};
}

SkinRect BarGeometry::KnobAt(double fraction) const {
  const int span = std::max(0, Length() - KnobSize());
  const int offset = static_cast<int>(std::nearbyint(std::clamp(fraction, 0.0, 1.0) * span));
  const SkinRect& b = bar_.bounds;
  SkinRect knob;
  switch (static_cast<BarOrientation>(bar_.orientation)) {
    case BarOrientation::kRightToLeft:
      knob.left = b.right - offset - knob_width_;
      break;
    case BarOrientation::kTopToBottom:
      knob.top = b.top + offset;
      break;
    case BarOrientation::kBottomToTop:
      knob.top = b.bottom - offset - knob_height_;
      break;
    default:
      knob.left = b.left + offset;
      break;
  }
  return Clamped(knob);
}

double BarGeometry::FractionOf(const SkinRect& knob) const {
  const int span = Length() - KnobSize();
  if (span <= 0) return 0;
  const SkinRect& b = bar_.bounds;
  int offset = 0;
  switch (static_cast<BarOrientation>(bar_.orientation)) {
    case BarOrientation::kRightToLeft:
      offset = b.right - (knob.left + knob_width_);
      break;
    case BarOrientation::kTopToBottom:
      offset = knob.top - b.top;
      break;
    case BarOrientation::kBottomToTop:
      offset = b.bottom - (knob.top + knob_height_);
      break;
    default:
      offset = knob.left - b.left;
      break;
  }
  return std::clamp(static_cast<double>(offset) / span, 0.0, 1.0);
}

SkinRect BarGeometry::Moved(const SkinRect& knob, int delta) const {
  SkinRect moved = knob;
  if (Vertical()) {
    moved.top += delta;
  } else {
    moved.left += delta;
  }
  return Clamped(moved);
}

SkinRect BarGeometry::ClickedAt(int x, int y) const {
  SkinRect knob;
  knob.left = x;
  knob.top = y;
  return Clamped(knob);
}

bool BarGeometry::Contains(int x, int y) const {
  const SkinRect& b = bar_.bounds;
  return x >= b.left && x <= b.right && y >= b.top && y <= b.bottom;
}

SkinRect BarGeometry::Fill(const SkinRect& knob, FillTo to) const {
  SkinRect fill = bar_.bounds;
  // Distance of the chosen knob edge from the knob's near side.
  const int size = KnobSize();
  const int into = to == FillTo::kFarEdge ? size : to == FillTo::kCentre ? size / 2 : 0;
  switch (static_cast<BarOrientation>(bar_.orientation)) {
    case BarOrientation::kRightToLeft:
      fill.left = knob.left + knob_width_ - into;
      break;
    case BarOrientation::kTopToBottom:
      fill.bottom = knob.top + into;
      break;
    case BarOrientation::kBottomToTop:
      fill.top = knob.top + knob_height_ - into;
      break;
    default:
      fill.right = knob.left + into;
      break;
  }
  fill.left = std::clamp(fill.left, bar_.bounds.left, bar_.bounds.right);
  fill.right = std::clamp(fill.right, fill.left, bar_.bounds.right);
  fill.top = std::clamp(fill.top, bar_.bounds.top, bar_.bounds.bottom);
  fill.bottom = std::clamp(fill.bottom, fill.top, bar_.bounds.bottom);
  return fill;
}

// nearbyint rounds halves to the even neighbour in the default rounding
// mode, which is what the knob values use.
int VolumeFromFraction(double fraction) { return static_cast<int>(std::nearbyint(fraction * 100)); }

BalanceValue BalanceFromFraction(double fraction) {
  if (fraction < 0.5) {
    const int c = static_cast<int>(std::nearbyint((0.5 - fraction) * 200));
    return {-c, FormatSlot(Msg(24), std::to_string(c))};
  }
  if (fraction > 0.5) {
    const int c = static_cast<int>(std::nearbyint((fraction - 0.5) * 200));
    return {c, FormatSlot(Msg(25), std::to_string(c))};
  }
  return {0, Msg(26)};
}

std::string VolumeText(int volume) { return FormatSlot(Msg(27), std::to_string(volume)); }

double VolumeFraction(int volume) { return std::clamp(volume, 0, 100) / 100.0; }

double BalanceFraction(int balance) { return (std::clamp(balance, -100, 100) + 100) / 200.0; }

std::optional<int> HitMainButton(const SkinIni& skin, int x, int y) {
  for (int i = 0; i < kMainButtonCount; ++i) {
    const SkinRect& r = skin.main_buttons[static_cast<std::size_t>(i)];
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
  }
  return std::nullopt;
}

int MainButtonHintSlot(int index, const MainHintState& state) {
  switch (index) {
    case kPageUp:
      return 3;
    case kPageDown:
      return 4;
    case kMainMenu:
      return 5;
    case kHide:
      return 6;
    case kClose:
      return 7;
    case kRecord:
      return state.recording ? 9 : 8;
    case kOpenFile:
      return 10;
    case kPlayListFormShow:
      return state.playlist_visible ? 11 : 12;
    case kMute:
      return state.muted ? 13 : 14;
    case kPrevious:
      return 15;
    case kStop:
      return 16;
    case kPause:
      return 17;
    case kPlay:
      return 18;
    case kNext:
      return 19;
    case kAddVolume:
      return 20;
    case kDecVolume:
      return 21;
    case kMP3:
      return state.music_mode ? 47 : 46;
    case kAbout:
      return 22;
    case kWebsite:
      return 48;
    case kVoiceClock:
      return 49;
    default:
      return -1;
  }
}

bool IsPlayListDocked(const SkinRect& m, const SkinRect& p) {
  return p.left == m.right || p.right == m.left || p.top == m.bottom || p.bottom == m.top;
}

}  // namespace tazmel
