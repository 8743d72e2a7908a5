#pragma once

#include <optional>
#include <string>

#include "skin/skin_ini.h"

namespace tazmel {

// A slider on the main face: its track, the axis its value grows along and
// the knob that travels inside it. Positions are the knob's top-left corner
// in face coordinates.
class BarGeometry {
 public:
  BarGeometry(const BarSkin& bar, int knob_width, int knob_height);

  // Track length along the axis (L) and knob size along it (K).
  int Length() const;
  int KnobSize() const;
  bool Vertical() const { return bar_.IsVertical(); }

  // Knob placed for a value fraction 0..1: offset fraction * (L - K),
  // rounded, from the bar's start end; centred across the bar.
  SkinRect KnobAt(double fraction) const;
  // The fraction a knob at `knob` stands for: distance from the bar's start
  // end to the knob's near side over L - K. 0 when the knob fills the bar.
  double FractionOf(const SkinRect& knob) const;
  // The knob moved along the axis by `delta` pixels (screen direction),
  // kept inside the bar.
  SkinRect Moved(const SkinRect& knob, int delta) const;
  // A click at (x, y): the knob's left edge (top edge for a vertical bar)
  // jumps to the point, kept inside the bar.
  SkinRect ClickedAt(int x, int y) const;
  // Whether a point lies on the track, edges included.
  bool Contains(int x, int y) const;

  // What the bar fills from its start end: up to the knob's far edge, its
  // centre or its near edge.
  enum class FillTo { kFarEdge, kCentre, kNearEdge };
  SkinRect Fill(const SkinRect& knob, FillTo to) const;

 private:
  SkinRect Clamped(SkinRect knob) const;

  BarSkin bar_;
  int knob_width_;
  int knob_height_;
};

// The volume a knob fraction gives: fraction x 100, halves to the even
// neighbour.
int VolumeFromFraction(double fraction);

// Balance from a knob fraction, with the text the volume label shows
// (message slots 24-26; the volume's is slot 27).
struct BalanceValue {
  int balance = 0;  // -100 (left) .. 100 (right)
  std::string text;
};
BalanceValue BalanceFromFraction(double fraction);
std::string VolumeText(int volume);
// Fractions for placing knobs from engine values.
double VolumeFraction(int volume);
double BalanceFraction(int balance);

// The first main button (0..30) whose area holds the point, edges of the
// area excluded on the right and bottom. None outside every button.
std::optional<int> HitMainButton(const SkinIni& skin, int x, int y);

// What decides the main window's hints besides the pointer.
struct MainHintState {
  bool music_mode = false;
  bool recording = false;
  bool playlist_visible = false;
  bool muted = false;
};
// The message slot of main button `index`'s hint; -1 when it has none (the
// channel buttons in radio mode show their station name instead).
int MainButtonHintSlot(int index, const MainHintState& state);

// The playlist window counts as docked when one of its edges touches the
// opposite edge of the main window. Rectangles are screen coordinates with
// exclusive right and bottom edges.
bool IsPlayListDocked(const SkinRect& main_window, const SkinRect& playlist);

}  // namespace tazmel
