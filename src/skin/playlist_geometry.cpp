#include "skin/playlist_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace tazmel {
namespace {

using I64 = std::int64_t;

// Rectangles in 64 bits: a skin may give coordinates near the int limits,
// and shifting them by the window's growth must not overflow.
struct Box {
  I64 left = 0, top = 0, right = 0, bottom = 0;
  bool Empty() const { return right <= left || bottom <= top; }
  Box Shifted(I64 x, I64 y) const { return {left + x, top + y, right + x, bottom + y}; }
  Box Cut(const Box& b) const {
    return {std::max(left, b.left), std::max(top, b.top), std::min(right, b.right), std::min(bottom, b.bottom)};
  }
};

Box ToBox(SkinRect r) { return {r.left, r.top, r.right, r.bottom}; }

int Narrow(I64 v) {
  return static_cast<int>(std::clamp<I64>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

SkinRect ToRect(const Box& b) { return {Narrow(b.left), Narrow(b.top), Narrow(b.right), Narrow(b.bottom)}; }

// Rectangles handed on to the window stay within a range where adding a
// window's size, a width or a thumb's size cannot overflow.
constexpr I64 kReach = I64{1} << 24;
I64 InReach(I64 v) { return std::clamp(v, -kReach, kReach); }
SkinRect Reachable(const Box& b) {
  return ToRect(Box{InReach(b.left), InReach(b.top), InReach(b.right), InReach(b.bottom)});
}

// A plain copy of `source` to the same place shifted by (sx, sy), cut to the
// window and to the face on both ends.
void AddCopy(std::vector<FrameOp>& ops, SkinRect piece, I64 sx, I64 sy, const Box& window, const Box& face) {
  Box src = ToBox(piece);
  if (src.Empty()) return;
  src = src.Cut(face);
  Box dest = src.Shifted(sx, sy).Cut(window);
  if (dest.Empty()) return;
  src = dest.Shifted(-sx, -sy);
  ops.push_back({ToRect(src), ToRect(dest), false, Narrow(dest.left), Narrow(dest.top)});
}

// `piece` repeated over `dest`. A piece reaching past the face tiles only
// the part the face has.
void AddTile(std::vector<FrameOp>& ops, SkinRect piece, const Box& dest_box, const Box& window, const Box& face) {
  Box src = ToBox(piece);
  if (src.Empty()) return;
  src = src.Cut(face);
  if (src.Empty()) return;
  const Box dest = dest_box.Cut(window);
  if (dest.Empty()) return;
  const I64 pw = src.right - src.left, ph = src.bottom - src.top;
  // The last tile start at or before the cut edge keeps the tiles' phase.
  const I64 ox = dest_box.left + (dest.left - dest_box.left) / pw * pw;
  const I64 oy = dest_box.top + (dest.top - dest_box.top) / ph * ph;
  ops.push_back({ToRect(src), ToRect(dest), true, Narrow(ox), Narrow(oy)});
}

bool Contains(SkinRect outer, SkinRect inner) {
  return outer.Width() > 0 && outer.Height() > 0 && inner.left >= outer.left && inner.right <= outer.right &&
         inner.top >= outer.top && inner.bottom <= outer.bottom;
}

bool Near(I64 value, I64 target) { return target - kSnapDistance < value && value < target + kSnapDistance; }

}  // namespace

std::int64_t TileCount(const FrameOp& op) {
  if (!op.tiled) return 1;
  const I64 pw = op.source.Width(), ph = op.source.Height();
  if (pw <= 0 || ph <= 0 || op.dest.Width() <= 0 || op.dest.Height() <= 0) return 0;
  const I64 across = (static_cast<I64>(op.dest.right) - op.origin_x + pw - 1) / pw;
  const I64 down = (static_cast<I64>(op.dest.bottom) - op.origin_y + ph - 1) / ph;
  return across * down;
}

std::vector<std::pair<int, int>> TileOrigins(const FrameOp& op) {
  std::vector<std::pair<int, int>> origins;
  if (!op.tiled) {
    origins.emplace_back(op.dest.left, op.dest.top);
    return origins;
  }
  if (TileCount(op) == 0) return origins;
  for (I64 y = op.origin_y; y < op.dest.bottom; y += op.source.Height()) {
    for (I64 x = op.origin_x; x < op.dest.right; x += op.source.Width()) {
      origins.emplace_back(static_cast<int>(x), static_cast<int>(y));
    }
  }
  return origins;
}

std::vector<FrameOp> ZoomFrameOps(const std::array<SkinRect, kPlayListPieceCount>& p, SkinRect panel,
                                  const FrameSize& size) {
  std::vector<FrameOp> ops;
  const Box window{0, 0, std::max(0, size.window_width), std::max(0, size.window_height)};
  const Box face{0, 0, std::max(0, size.face_width), std::max(0, size.face_height)};
  const I64 dx = size.Dx(), dy = size.Dy(), half = size.Half();
  auto copy = [&](int piece, I64 sx, I64 sy) { AddCopy(ops, p[piece], sx, sy, window, face); };
  // A tile spans its piece's own rectangle with its right (or bottom) edge
  // moved by the growth, and its whole band shifted by (sx, sy).
  auto tile = [&](int piece, I64 grow_left, I64 grow_right, I64 grow_bottom, I64 sx, I64 sy) {
    const Box b = ToBox(p[piece]);
    AddTile(ops, p[piece], Box{b.left + grow_left, b.top, b.right + grow_right, b.bottom + grow_bottom}.Shifted(sx, sy),
            window, face);
  };
  copy(kTopLeft, 0, 0);
  tile(kTopLeftTile, 0, half, 0, 0, 0);
  copy(kTopMiddleTitle, half, 0);
  tile(kTopRightTile, half, dx, 0, 0, 0);
  copy(kTopRight, dx, 0);
  copy(kBottomLeft, 0, dy);
  tile(kBottomMiddleTile, 0, dx, 0, 0, dy);
  copy(kBottomRight, dx, dy);
  copy(kLeftTop, 0, 0);
  tile(kLeftMiddleTile, 0, 0, dy, 0, 0);
  copy(kLeftBottom, 0, dy);
  copy(kRightTop, dx, 0);
  tile(kRightMiddleTile, 0, 0, dy, dx, 0);
  copy(kRightBottom, dx, dy);
  AddCopy(ops, panel, 0, 0, window, face);
  return ops;
}

std::vector<FrameOp> FixedFrameOps(SkinRect panel, int face_width, int face_height) {
  std::vector<FrameOp> ops;
  const Box face{0, 0, std::max(0, face_width), std::max(0, face_height)};
  const SkinRect bands[] = {{0, 0, face_width, panel.top},
                            {0, panel.bottom, face_width, face_height},
                            {0, panel.top, panel.left, panel.bottom},
                            {panel.right, panel.top, face_width, panel.bottom}};
  for (const SkinRect& band : bands) AddCopy(ops, band, 0, 0, face, face);
  return ops;
}

SkinRect ShiftedButton(SkinRect r, const std::array<SkinRect, kPlayListPieceCount>& p, int dx, int dy) {
  const struct {
    int piece;
    bool right, down;
  } rules[] = {{kBottomLeft, false, true}, {kBottomRight, true, true}, {kRightTop, true, false},
               {kRightBottom, true, true}, {kLeftBottom, false, true}, {kTopRight, true, false}};
  for (const auto& rule : rules) {
    if (!Contains(p[rule.piece], r)) continue;
    return Reachable(ToBox(r).Shifted(rule.right ? dx : 0, rule.down ? dy : 0));
  }
  return Reachable(ToBox(r));
}

bool StrictlyInside(SkinRect r, int x, int y) { return r.left < x && x < r.right && r.top < y && y < r.bottom; }

std::optional<int> HitPlayListButton(const std::array<SkinRect, kPlayListButtonCount>& buttons, int x, int y) {
  for (int i = 0; i < kPlayListButtonCount; ++i) {
    if (StrictlyInside(buttons[i], x, y)) return i;
  }
  return std::nullopt;
}

int SizingAreaAt(int x, int y, int w, int h) {
  if (x > w - 12 && y > h - 12) return kEdgeRight | kEdgeBottom;
  if (x < 12 && y > h - 12) return kEdgeLeft | kEdgeBottom;
  if (x > w - 12 && y < 12) return kEdgeRight | kEdgeTop;
  if (x <= 11 && y <= 11) return kEdgeLeft | kEdgeTop;
  if (x > w - 8) return kEdgeRight;
  if (y > h - 8) return kEdgeBottom;
  if (y <= 7) return kEdgeTop;
  if (x <= 7) return kEdgeLeft;
  return kEdgeNone;
}

SkinRect LimitSizingRect(SkinRect r, int edges, int min_width, int min_height) {
  if (r.Width() < min_width) {
    if (edges & kEdgeLeft) {
      r.left = r.right - min_width;
    } else if (edges & kEdgeRight) {
      r.right = r.left + min_width;
    }
  }
  if (r.Height() < min_height) {
    if (edges & kEdgeTop) {
      r.top = r.bottom - min_height;
    } else if (edges & kEdgeBottom) {
      r.bottom = r.top + min_height;
    }
  }
  return r;
}

GripSize GripResize(int width, int height, int dx, int dy, int min_width, int min_height) {
  GripSize size{width, height};
  const I64 w = static_cast<I64>(width) + dx, h = static_cast<I64>(height) + dy;
  if (w < min_width) {
    size.width = min_width;
  } else if (std::abs(static_cast<I64>(dx)) > 14) {
    size.width = Narrow(w);
  }
  if (h < min_height) {
    size.height = min_height;
  } else if (std::abs(static_cast<I64>(dy)) >= 15) {
    size.height = Narrow(h);
  }
  return size;
}

SnapPoint SnapPlayList(int left_in, int top_in, int w, int h, SkinRect m) {
  I64 left = left_in, top = top_in;
  auto align_left = [&] {
    if (left == m.left || left + w == m.right) return;
    if (Near(left, m.left)) {
      left = m.left;
    } else if (Near(left + w, m.right)) {
      left = static_cast<I64>(m.right) - w;
    }
  };
  auto align_top = [&] {
    if (top == m.top || top == static_cast<I64>(m.bottom) - h) return;
    if (Near(top, m.top)) {
      top = m.top;
    } else if (Near(top + h, m.bottom)) {
      top = static_cast<I64>(m.bottom) - h;
    }
  };
  if (Near(top, m.bottom)) {
    top = m.bottom;
    align_left();
  } else if (Near(top + h, m.top)) {
    top = static_cast<I64>(m.top) - h;
    align_left();
  } else if (Near(left, m.right)) {
    left = m.right;
    align_top();
  } else if (Near(left + w, m.left)) {
    left = static_cast<I64>(m.left) - w;
    align_top();
  }
  return {Narrow(left), Narrow(top)};
}

ScrollTrack MakeScrollTrack(SkinRect o, const FrameSize& size, int thumb_width, int thumb_height) {
  ScrollTrack track;
  const I64 dx = size.Dx(), dy = size.Dy();
  track.orbit = Reachable(Box{o.left + dx, o.top, o.right + dx, static_cast<I64>(o.bottom) + dy});
  track.thumb_width = static_cast<int>(std::clamp<I64>(thumb_width, 0, kReach));
  track.thumb_height = static_cast<int>(std::clamp<I64>(thumb_height, 0, kReach));
  return track;
}

int ScrollTrack::ThumbLeft() const {
  const I64 width = static_cast<I64>(orbit.right) - orbit.left;
  return Narrow(orbit.left + (width - thumb_width) / 2);
}

int ScrollTrack::BottomTop() const { return Narrow(static_cast<I64>(orbit.top) + Travel()); }

int ScrollTrack::Travel() const {
  return std::max(0, Narrow(static_cast<I64>(orbit.bottom) - orbit.top - thumb_height));
}

int ThumbTopFor(const ScrollTrack& t, int max_pos, int cur_pos) {
  if (max_pos <= 0) return t.orbit.top;
  if (cur_pos >= max_pos) return t.BottomTop();
  const double share = static_cast<double>(std::max(0, cur_pos)) / max_pos * t.Travel();
  // nearbyint rounds halves to the even neighbour in the default mode.
  return t.orbit.top + static_cast<int>(std::nearbyint(share));
}

ThumbScroll ThumbDragTo(const ScrollTrack& t, int wanted_top, int max_pos, int range_max) {
  if (range_max <= 0) return {ThumbScroll::Kind::kNone, 0, t.orbit.top};
  if (wanted_top <= t.orbit.top) return {ThumbScroll::Kind::kToTop, 0, t.orbit.top};
  if (wanted_top >= t.BottomTop()) return {ThumbScroll::Kind::kToBottom, 0, t.BottomTop()};
  const double share = static_cast<double>(wanted_top - t.orbit.top) / t.Travel();
  return {ThumbScroll::Kind::kPosition, static_cast<int>(std::trunc(share * std::max(0, max_pos))), wanted_top};
}

ThumbScroll OrbitClick(const ScrollTrack& t, int y, int max_pos, int range_max) {
  return ThumbDragTo(t, Narrow(static_cast<I64>(y) - t.thumb_height * 2 / 3), max_pos, range_max);
}

bool InOrbit(const ScrollTrack& t, int x, int y) {
  return x >= t.orbit.left && x <= t.orbit.right && y >= t.orbit.top && y <= t.orbit.bottom;
}

}  // namespace tazmel
