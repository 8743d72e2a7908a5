#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "skin/skin_ini.h"

namespace tazmel {

// Indices into the frame pieces (SkinIni::pieces), in the skin's key order.
enum PlayListPiece : int {
  kTopLeft = 0,
  kTopLeftTile,
  kTopMiddleTitle,
  kTopRightTile,
  kTopRight,
  kBottomLeft,
  kBottomMiddleTile,
  kBottomRight,
  kLeftTop,
  kLeftMiddleTile,
  kLeftBottom,
  kRightTop,
  kRightMiddleTile,
  kRightBottom,
};

// Indices of the nine playlist buttons.
enum PlayListButton : int {
  kBtnAddRadio = 0,
  kBtnAddGroup,
  kBtnModify,
  kBtnDel,
  kBtnFind,
  kBtnSetChannel,
  kBtnClose,
  kBtnScrollUp,
  kBtnScrollDown,
};

// One drawing step of the frame: the face's `source` copied to `dest` in
// window coordinates. A tiled step repeats the source from dest's top-left
// corner until dest is covered; `dest` is already cut to the window, and
// `origin` is where the repetition starts (so that the first tile's phase
// survives the cut).
struct FrameOp {
  SkinRect source;
  SkinRect dest;
  bool tiled = false;
  int origin_x = 0;
  int origin_y = 0;
  bool operator==(const FrameOp&) const = default;
};

// How many source copies a tiled step draws; a plain copy counts as one.
// Bounded by the destination's area, whatever the piece's size.
std::int64_t TileCount(const FrameOp& op);
// The top-left corners of those copies, for checking small cases.
std::vector<std::pair<int, int>> TileOrigins(const FrameOp& op);

// The sizes the frame steps depend on.
struct FrameSize {
  int window_width = 0;
  int window_height = 0;
  int face_width = 0;
  int face_height = 0;
  int Dx() const { return window_width - face_width; }
  int Dy() const { return window_height - face_height; }
  // Half the width growth, rounded toward zero.
  int Half() const { return Dx() / 2; }
};

// The zoom painter's steps in drawing order: the fourteen pieces, then the
// panel's Rect. Empty pieces (zero or negative width or height) give no
// step; steps wholly outside the window are dropped.
std::vector<FrameOp> ZoomFrameOps(const std::array<SkinRect, kPlayListPieceCount>& pieces, SkinRect panel,
                                  const FrameSize& size);
// The fixed painter's four bands around the panel, the window having the
// face's size.
std::vector<FrameOp> FixedFrameOps(SkinRect panel, int face_width, int face_height);

// A button's window rectangle: its face rectangle shifted with the piece it
// lies wholly inside (bottom_left, bottom_right, right_top, right_bottom,
// left_bottom, top_right, first match wins); one straddling two pieces, or
// inside none of those, stays where the face has it. Coordinates beyond
// 2^24 are cut to it.
SkinRect ShiftedButton(SkinRect face_rect, const std::array<SkinRect, kPlayListPieceCount>& pieces, int dx, int dy);

// The first button whose rectangle holds the point strictly inside (edges
// excluded on all four sides); none when no button does.
std::optional<int> HitPlayListButton(const std::array<SkinRect, kPlayListButtonCount>& buttons, int x, int y);
// Strictly inside, as the hit test counts it.
bool StrictlyInside(SkinRect r, int x, int y);

// Window edges a sizing drag moves, as bits.
enum SizingEdge : int { kEdgeNone = 0, kEdgeLeft = 1, kEdgeTop = 2, kEdgeRight = 4, kEdgeBottom = 8 };
// The sizing area under a client point of a window of width w, height h:
// 12-pixel corners, 8-pixel right and bottom edges, 7-pixel top and left
// edges; kEdgeNone inside.
int SizingAreaAt(int x, int y, int w, int h);
// A sizing rectangle (screen coordinates, exclusive right/bottom) kept at
// least min_width x min_height: a dragged left or top edge moves back, a
// dragged right or bottom edge moves out.
SkinRect LimitSizingRect(SkinRect r, int edges, int min_width, int min_height);

// One step of the grip drag: the window's size for a pointer offset
// (dx, dy) from where the grip was pressed. Below the minimum the size is
// the minimum; otherwise a width change needs more than 14 pixels, a height
// change at least 15.
struct GripSize {
  int width = 0;
  int height = 0;
  bool operator==(const GripSize&) const = default;
};
GripSize GripResize(int width, int height, int dx, int dy, int min_width, int min_height);

// The 12-pixel snapping of the playlist window (top-left `left`, `top`,
// size w x h) against the main window `main` (exclusive right/bottom).
// Returns the adjusted top-left corner.
inline constexpr int kSnapDistance = 12;
struct SnapPoint {
  int left = 0;
  int top = 0;
  bool operator==(const SnapPoint&) const = default;
};
SnapPoint SnapPlayList(int left, int top, int w, int h, SkinRect main);

// The scroll-bar track in window coordinates: anchored to the right edge,
// stretched with the height. Coordinates and sizes beyond 2^24 are cut to
// it, so that placing the thumb never overflows.
struct ScrollTrack {
  SkinRect orbit;  // in the window
  int thumb_width = 0;
  int thumb_height = 0;
  // How far the thumb's top can travel; never negative.
  int Travel() const;
  int ThumbLeft() const;
  int BottomTop() const;
};
ScrollTrack MakeScrollTrack(SkinRect face_orbit, const FrameSize& size, int thumb_width, int thumb_height);

// The thumb's top for a pane at cur_pos of max_pos (the highest first
// visible row): the top at 0 or an empty pane, the bottom at or past the
// end, between them in proportion, halves to the even pixel.
int ThumbTopFor(const ScrollTrack& track, int max_pos, int cur_pos);

// Where a thumb dragged (or clicked) to `wanted_top` leaves the pane.
struct ThumbScroll {
  enum class Kind { kToTop, kToBottom, kPosition, kNone };
  Kind kind = Kind::kNone;
  int position = 0;   // for kPosition
  int thumb_top = 0;  // where the thumb is drawn
  bool operator==(const ThumbScroll&) const = default;
};
// range_max is the pane's highest row index (count - 1); max_pos its
// highest first visible row. With range_max <= 0 the thumb goes to the top
// and the pane is left alone.
ThumbScroll ThumbDragTo(const ScrollTrack& track, int wanted_top, int max_pos, int range_max);
// A click at y inside the orbit puts the thumb's top at y - 2/3 of its
// height and scrolls as a drag there would.
ThumbScroll OrbitClick(const ScrollTrack& track, int y, int max_pos, int range_max);
// Whether a window point lies in the orbit, edges included.
bool InOrbit(const ScrollTrack& track, int x, int y);

}  // namespace tazmel
