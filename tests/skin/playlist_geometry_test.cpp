#include "skin/playlist_geometry.h"

#include <gtest/gtest.h>

#include <climits>
#include <utility>
#include <vector>

namespace tazmel {
namespace {

// A 100 x 60 face with a 10-pixel frame: corners of 10 x 10, the title
// between x 20 and 80, tiles of 10 pixels beside it, and the panel inside.
constexpr int kFaceW = 100, kFaceH = 60;
constexpr SkinRect kPanel{10, 10, 90, 50};

std::array<SkinRect, kPlayListPieceCount> Pieces() {
  std::array<SkinRect, kPlayListPieceCount> p{};
  p[kTopLeft] = {0, 0, 10, 10};
  p[kTopLeftTile] = {10, 0, 20, 10};
  p[kTopMiddleTitle] = {20, 0, 80, 10};
  p[kTopRightTile] = {80, 0, 90, 10};
  p[kTopRight] = {90, 0, 100, 10};
  p[kBottomLeft] = {0, 50, 10, 60};
  p[kBottomMiddleTile] = {10, 50, 90, 60};
  p[kBottomRight] = {90, 50, 100, 60};
  p[kLeftTop] = {0, 10, 10, 20};
  p[kLeftMiddleTile] = {0, 20, 10, 40};
  p[kLeftBottom] = {0, 40, 10, 50};
  p[kRightTop] = {90, 10, 100, 20};
  p[kRightMiddleTile] = {90, 20, 100, 40};
  p[kRightBottom] = {90, 40, 100, 50};
  return p;
}

FrameSize Size(int w, int h) { return {w, h, kFaceW, kFaceH}; }

FrameOp Copy(SkinRect src, SkinRect dest) { return {src, dest, false, dest.left, dest.top}; }
FrameOp Tile(SkinRect src, SkinRect dest) { return {src, dest, true, dest.left, dest.top}; }

// A window 31 wider and 20 higher than the face (half the growth: 15): the
// pieces move and tile in the painter's order, the panel's Rect last.
TEST(ZoomFrameOpsTest, PiecesShiftAndTileWithTheGrowth) {
  const std::vector<FrameOp> expected = {
      Copy({0, 0, 10, 10}, {0, 0, 10, 10}),
      Tile({10, 0, 20, 10}, {10, 0, 35, 10}),
      Copy({20, 0, 80, 10}, {35, 0, 95, 10}),
      Tile({80, 0, 90, 10}, {95, 0, 121, 10}),
      Copy({90, 0, 100, 10}, {121, 0, 131, 10}),
      Copy({0, 50, 10, 60}, {0, 70, 10, 80}),
      Tile({10, 50, 90, 60}, {10, 70, 121, 80}),
      Copy({90, 50, 100, 60}, {121, 70, 131, 80}),
      Copy({0, 10, 10, 20}, {0, 10, 10, 20}),
      Tile({0, 20, 10, 40}, {0, 20, 10, 60}),
      Copy({0, 40, 10, 50}, {0, 60, 10, 70}),
      Copy({90, 10, 100, 20}, {121, 10, 131, 20}),
      Tile({90, 20, 100, 40}, {121, 20, 131, 60}),
      Copy({90, 40, 100, 50}, {121, 60, 131, 70}),
      Copy(kPanel, kPanel),
  };
  EXPECT_EQ(ZoomFrameOps(Pieces(), kPanel, Size(131, 80)), expected);
}

// Tiles start at the destination's corner and the last one is cut by it;
// at the face's own size every piece lands where it is on the face.
TEST(ZoomFrameOpsTest, TilesAndFaceSize) {
  const std::vector<FrameOp> ops = ZoomFrameOps(Pieces(), kPanel, Size(131, 80));
  const std::vector<std::pair<int, int>> top_left_tiles = {{10, 0}, {20, 0}, {30, 0}};
  EXPECT_EQ(TileOrigins(ops[1]), top_left_tiles);
  EXPECT_EQ(TileCount(ops[6]), 2);  // 111 pixels of an 80-pixel tile
  EXPECT_EQ(TileCount(ops[9]), 2);
  EXPECT_EQ(TileCount(ops[0]), 1);

  for (const FrameOp& op : ZoomFrameOps(Pieces(), kPanel, Size(kFaceW, kFaceH))) {
    EXPECT_EQ(op.source, op.dest);
  }
}

// The fixed painter copies the four bands around the panel; a panel that
// fills the face leaves nothing to copy.
TEST(FixedFrameOpsTest, FourBandsAroundThePanel) {
  const std::vector<FrameOp> bands = {Copy({0, 0, 100, 10}, {0, 0, 100, 10}), Copy({0, 50, 100, 60}, {0, 50, 100, 60}),
                                      Copy({0, 10, 10, 50}, {0, 10, 10, 50}),
                                      Copy({90, 10, 100, 50}, {90, 10, 100, 50})};
  EXPECT_EQ(FixedFrameOps(kPanel, kFaceW, kFaceH), bands);
  EXPECT_TRUE(FixedFrameOps({0, 0, kFaceW, kFaceH}, kFaceW, kFaceH).empty());
}

// A hostile skin: negative, zero, one-pixel and huge pieces. Nothing drawn
// lies outside the window or reads outside the face, empty pieces draw
// nothing, and the tiles are bounded by the window's area.
TEST(ZoomFrameOpsTest, HostilePiecesStayBounded) {
  const struct {
    const char* what;
    SkinRect piece;  // given to every piece at once
    SkinRect panel;
    std::size_t ops;  // how many steps survive
  } cases[] = {
      {"negative", {50, 50, 10, 10}, {90, 50, 10, 10}, 0},
      {"zero width", {10, 10, 10, 40}, {0, 0, 0, 0}, 0},
      {"zero height", {10, 10, 40, 10}, {0, 0, 0, 0}, 0},
      {"one pixel", {0, 0, 1, 1}, {0, 0, 1, 1}, 15},
      {"huge", {0, 0, INT_MAX, INT_MAX}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 15},
      {"far outside", {INT_MAX - 5, INT_MAX - 5, INT_MAX, INT_MAX}, {0, 0, 0, 0}, 0},
      {"far before", {INT_MIN, INT_MIN, INT_MIN + 5, INT_MIN + 5}, {0, 0, 0, 0}, 0},
      {"straddling the face", {-20, -20, 5, 5}, {0, 0, 0, 0}, 14},
  };
  const int w = 3000, h = 2000;
  for (const auto& c : cases) {
    std::array<SkinRect, kPlayListPieceCount> pieces{};
    pieces.fill(c.piece);
    const std::vector<FrameOp> ops = ZoomFrameOps(pieces, c.panel, {w, h, kFaceW, kFaceH});
    EXPECT_EQ(ops.size(), c.ops) << c.what;
    for (const FrameOp& op : ops) {
      EXPECT_GT(op.dest.Width(), 0) << c.what;
      EXPECT_GT(op.dest.Height(), 0) << c.what;
      EXPECT_TRUE(op.dest.left >= 0 && op.dest.top >= 0 && op.dest.right <= w && op.dest.bottom <= h) << c.what;
      EXPECT_TRUE(op.source.left >= 0 && op.source.top >= 0 && op.source.right <= kFaceW && op.source.bottom <= kFaceH)
          << c.what;
      EXPECT_LE(TileCount(op), static_cast<std::int64_t>(w) * h) << c.what;
    }
  }
}

// A tile whose band starts before the window keeps its phase: the first
// tile drawn starts where the repetition from the band's start puts it.
TEST(ZoomFrameOpsTest, TilePhaseSurvivesTheCut) {
  std::array<SkinRect, kPlayListPieceCount> pieces{};
  pieces[kLeftMiddleTile] = {-7, 0, 10, 10};  // 10 x 10 after the face cut, band from x -7
  const std::vector<FrameOp> ops = ZoomFrameOps(pieces, {}, Size(kFaceW, kFaceH));
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].dest, (SkinRect{0, 0, 10, 10}));
  EXPECT_EQ(ops[0].origin_x, -7);
  EXPECT_EQ(TileCount(ops[0]), 2);
}

// Buttons follow the piece they lie wholly inside; the first matching
// piece decides; a button across two pieces stays put.
TEST(ShiftedButtonTest, FollowsItsPiece) {
  auto overlapping = Pieces();
  overlapping[kRightTop] = {90, 0, 100, 60};  // holds bottom_right's buttons too
  const struct {
    const char* what;
    SkinRect button;
    bool overlap;
    SkinRect expected;
  } cases[] = {
      {"bottom_left", {2, 52, 8, 58}, false, {2, 72, 8, 78}},
      {"bottom_left's own edges", {0, 50, 10, 60}, false, {0, 70, 10, 80}},
      {"bottom_right", {92, 52, 98, 58}, false, {123, 72, 129, 78}},
      {"right_top", {92, 12, 98, 18}, false, {123, 12, 129, 18}},
      {"right_bottom", {92, 42, 98, 48}, false, {123, 62, 129, 68}},
      {"left_bottom", {2, 42, 8, 48}, false, {2, 62, 8, 68}},
      {"top_right", {92, 2, 98, 8}, false, {123, 2, 129, 8}},
      {"straddling top_right and right_top", {92, 5, 98, 15}, false, {92, 5, 98, 15}},
      {"top_left", {2, 2, 8, 8}, false, {2, 2, 8, 8}},
      {"bottom_right before right_top", {92, 52, 98, 58}, true, {123, 72, 129, 78}},
      {"right_top before right_bottom", {92, 42, 98, 48}, true, {123, 42, 129, 48}},
      {"huge, cut to reach", {INT_MIN, -5, INT_MAX, 5}, false, {-(1 << 24), -5, 1 << 24, 5}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ShiftedButton(c.button, c.overlap ? overlapping : Pieces(), 31, 20), c.expected) << c.what;
  }
}

// A button is hit only strictly inside; overlapping buttons go to the
// first in index order.
TEST(HitPlayListButtonTest, StrictlyInsideFirstWins) {
  std::array<SkinRect, kPlayListButtonCount> buttons{};
  buttons[0] = {10, 10, 20, 20};
  buttons[1] = {15, 15, 30, 30};
  const struct {
    int x, y;
    std::optional<int> hit;
  } cases[] = {{10, 15, std::nullopt},
               {11, 11, 0},
               {16, 16, 0},
               {19, 19, 0},
               {20, 16, 1},
               {29, 29, 1},
               {30, 29, std::nullopt},
               {15, 20, std::nullopt},
               {0, 0, std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(HitPlayListButton(buttons, c.x, c.y), c.hit) << c.x << "," << c.y;
}

// The sizing areas of a 200 x 100 window: 12-pixel corners, 8-pixel right
// and bottom edges, 7-pixel top and left ones.
TEST(SizingAreaTest, CornersThenEdges) {
  const struct {
    int x, y, edges;
  } cases[] = {
      {199, 99, kEdgeRight | kEdgeBottom},
      {189, 89, kEdgeRight | kEdgeBottom},
      {188, 88, kEdgeNone},
      {11, 89, kEdgeLeft | kEdgeBottom},
      {5, 95, kEdgeLeft | kEdgeBottom},
      {12, 89, kEdgeNone},
      {189, 11, kEdgeRight | kEdgeTop},
      {189, 12, kEdgeNone},
      {11, 11, kEdgeLeft | kEdgeTop},
      {12, 11, kEdgeNone},
      {193, 50, kEdgeRight},
      {192, 50, kEdgeNone},
      {100, 93, kEdgeBottom},
      {100, 92, kEdgeNone},
      {100, 7, kEdgeTop},
      {100, 8, kEdgeNone},
      {7, 50, kEdgeLeft},
      {8, 50, kEdgeNone},
  };
  for (const auto& c : cases) EXPECT_EQ(SizingAreaAt(c.x, c.y, 200, 100), c.edges) << c.x << "," << c.y;
}

// A sizing rectangle below the minimum: left and top edges move back,
// right and bottom edges move out, corners do both.
TEST(LimitSizingRectTest, DraggedEdgeGivesWay) {
  const SkinRect small{50, 50, 120, 100};  // 70 x 50 against 100 x 60
  const struct {
    int edges;
    SkinRect expected;
  } cases[] = {
      {kEdgeLeft | kEdgeTop, {20, 40, 120, 100}},
      {kEdgeRight | kEdgeBottom, {50, 50, 150, 110}},
      {kEdgeLeft | kEdgeBottom, {20, 50, 120, 110}},
      {kEdgeLeft, {20, 50, 120, 100}},
      {kEdgeTop, {50, 40, 120, 100}},
  };
  for (const auto& c : cases) EXPECT_EQ(LimitSizingRect(small, c.edges, 100, 60), c.expected) << c.edges;
  const SkinRect roomy{0, 0, 300, 200};
  EXPECT_EQ(LimitSizingRect(roomy, kEdgeLeft | kEdgeTop, 100, 60), roomy);
}

// The grip changes the width after more than 14 pixels, the height after
// 15 or more; below the minimum the minimum holds at once.
TEST(GripResizeTest, ThresholdsAndMinimum) {
  const struct {
    int dx, dy;
    GripSize expected;
  } cases[] = {
      {14, 14, {300, 200}},   {15, 15, {315, 215}}, {-14, -14, {300, 200}},
      {-15, -15, {285, 185}}, {-51, 0, {250, 200}}, {-60, -51, {250, 150}},
      {0, -49, {300, 151}},   {-49, 0, {251, 200}}, {INT_MAX, 0, {INT_MAX, 200}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GripResize(300, 200, c.dx, c.dy, 250, 150), c.expected) << c.dx << "," << c.dy;
  }
}

// Snapping against a main window at (100, 100)-(400, 200): within 11
// pixels of an edge the playlist goes flush, and within 11 pixels of a side
// it also aligns, unless it is already aligned with the other side.
TEST(SnapPlayListTest, TwelvePixelRules) {
  const SkinRect main{100, 100, 400, 200};
  const struct {
    const char* what;
    int left, top, w, h;
    SnapPoint expected;
  } cases[] = {
      {"below, aligned left", 105, 195, 200, 150, {100, 200}},
      {"below, aligned right", 205, 195, 200, 150, {200, 200}},
      {"below at 11", 250, 211, 200, 150, {250, 200}},
      {"below at 12: nothing", 250, 212, 200, 150, {250, 212}},
      {"below from above at 11", 250, 189, 200, 150, {250, 200}},
      {"below from above at 12: nothing", 250, 188, 200, 150, {250, 188}},
      {"below, already right-aligned", 110, 195, 290, 150, {110, 200}},
      {"below, far to the side", 800, 205, 200, 150, {800, 200}},
      {"above", 394, -55, 200, 150, {394, -50}},
      {"above, aligned left", 90, -45, 200, 150, {100, -50}},
      {"right, aligned top", 395, 105, 200, 150, {400, 100}},
      {"left, aligned to the bottom", -95, 45, 200, 150, {-100, 50}},
      {"left, not near either", -95, 150, 200, 150, {-100, 150}},
      {"right, already bottom-aligned", 405, 105, 200, 95, {400, 105}},
      {"far away", 900, 600, 200, 150, {900, 600}},
  };
  for (const auto& c : cases) EXPECT_EQ(SnapPlayList(c.left, c.top, c.w, c.h, main), c.expected) << c.what;
}

// The orbit on a 350 x 160 face at (330, 30)-(345, 140) in a 400 x 300
// window: 50 to the right, 140 taller; the 11 x 20 thumb travels 230.
ScrollTrack Track(int thumb_width = 11, int thumb_height = 20) {
  return MakeScrollTrack({330, 30, 345, 140}, {400, 300, 350, 160}, thumb_width, thumb_height);
}

TEST(ScrollTrackTest, AnchoredRightStretchedDown) {
  const ScrollTrack t = Track();
  EXPECT_EQ(t.orbit, (SkinRect{380, 30, 395, 280}));
  EXPECT_EQ(t.Travel(), 230);
  EXPECT_EQ(t.BottomTop(), 260);
  const struct {
    int thumb_width, left;
  } centring[] = {{11, 382}, {12, 381}, {15, 380}, {20, 378}};  // halves toward zero
  for (const auto& c : centring) EXPECT_EQ(Track(c.thumb_width).ThumbLeft(), c.left) << c.thumb_width;
  // A thumb taller than the orbit has no travel at all.
  EXPECT_EQ(Track(11, 400).Travel(), 0);
  // A hostile orbit and thumb stay where placing the thumb cannot overflow.
  const ScrollTrack hostile = MakeScrollTrack({INT_MIN, INT_MAX, INT_MAX, INT_MIN}, {400, 300, 350, 160}, INT_MAX, 9);
  EXPECT_EQ(hostile.orbit, (SkinRect{-(1 << 24), 1 << 24, 1 << 24, -(1 << 24)}));
  EXPECT_EQ(hostile.thumb_width, 1 << 24);
  EXPECT_EQ(hostile.Travel(), 0);
  EXPECT_EQ(ThumbTopFor(hostile, 10, 5), 1 << 24);
}

// The thumb follows the pane: at the top for an empty pane, at the bottom
// at or past the end, in proportion between, halves to the even pixel.
TEST(ScrollTrackTest, ThumbFollowsThePane) {
  const ScrollTrack t = Track();
  const struct {
    int max_pos, cur_pos, top;
  } cases[] = {
      {0, 0, 30},   {-1, 3, 30}, {10, 10, 260}, {10, 12, 260}, {10, 0, 30}, {10, 5, 145},  // 115
      {4, 1, 88},                                                                          // 57.5 to the even 58
      {4, 3, 202},                                                                         // 172.5 to the even 172
      {10, -2, 30},
  };
  for (const auto& c : cases) EXPECT_EQ(ThumbTopFor(t, c.max_pos, c.cur_pos), c.top) << c.max_pos << "/" << c.cur_pos;
}

// Dragging the thumb: to the top or bottom at or past the ends, else the
// position in proportion, cut toward zero; nothing to scroll leaves the
// thumb at the top.
TEST(ThumbDragTest, EndsAndProportion) {
  using Kind = ThumbScroll::Kind;
  const ScrollTrack t = Track();
  const struct {
    int wanted, max_pos, range_max;
    ThumbScroll expected;
  } cases[] = {
      {30, 100, 119, {Kind::kToTop, 0, 30}},       {10, 100, 119, {Kind::kToTop, 0, 30}},
      {260, 100, 119, {Kind::kToBottom, 0, 260}},  {300, 100, 119, {Kind::kToBottom, 0, 260}},
      {145, 100, 119, {Kind::kPosition, 50, 145}}, {31, 100, 119, {Kind::kPosition, 0, 31}},
      {259, 100, 119, {Kind::kPosition, 99, 259}}, {145, 100, 0, {Kind::kNone, 0, 30}},
      {145, 0, 5, {Kind::kPosition, 0, 145}},      {145, 100, -1, {Kind::kNone, 0, 30}},
  };
  for (const auto& c : cases) EXPECT_EQ(ThumbDragTo(t, c.wanted, c.max_pos, c.range_max), c.expected) << c.wanted;

  // A thumb with no travel goes to one end or the other, never divides.
  const ScrollTrack stuck = Track(11, 400);
  EXPECT_EQ(ThumbDragTo(stuck, 31, 100, 119).kind, Kind::kToBottom);
  EXPECT_EQ(ThumbDragTo(stuck, 30, 100, 119).kind, Kind::kToTop);
}

// A click in the orbit puts the thumb's top two thirds of its height above
// the pointer; the orbit's edges count as inside.
TEST(ThumbDragTest, OrbitClick) {
  using Kind = ThumbScroll::Kind;
  const ScrollTrack t = Track();
  EXPECT_EQ(OrbitClick(t, 150, 100, 119), (ThumbScroll{Kind::kPosition, 46, 137}));
  EXPECT_EQ(OrbitClick(t, 30, 100, 119), (ThumbScroll{Kind::kToTop, 0, 30}));
  EXPECT_EQ(OrbitClick(t, 280, 100, 119), (ThumbScroll{Kind::kToBottom, 0, 260}));
  const struct {
    int x, y;
    bool inside;
  } points[] = {{380, 30, true},   {395, 280, true}, {396, 100, false},
                {379, 100, false}, {385, 29, false}, {385, 281, false}};
  for (const auto& p : points) EXPECT_EQ(InOrbit(t, p.x, p.y), p.inside) << p.x << "," << p.y;
}

}  // namespace
}  // namespace tazmel
