#include "skin/face_geometry.h"

#include <gtest/gtest.h>

namespace tazmel {
namespace {

// A 110 x 10 track at (20, 60) or a 10 x 60 one at (140, 35), knob 10 x 10.
BarGeometry Bar(int orientation) {
  BarSkin bar;
  bar.orientation = orientation;
  bar.bounds = orientation >= 2 ? SkinRect{140, 35, 150, 95} : SkinRect{20, 60, 130, 70};
  return BarGeometry(bar, 10, 10);
}

// Knobs are placed from the bar's start end and read back to the same
// fraction; the fill reaches the knob's far edge, centre or near edge.
TEST(BarGeometryTest, PlacementAndFillPerOrientation) {
  const struct {
    int orientation;
    SkinRect knob_at_quarter;
    SkinRect fill_far, fill_centre, fill_near;
  } cases[] = {
      {0, {45, 60, 55, 70}, {20, 60, 55, 70}, {20, 60, 50, 70}, {20, 60, 45, 70}},
      {1, {95, 60, 105, 70}, {95, 60, 130, 70}, {100, 60, 130, 70}, {105, 60, 130, 70}},
      // 12.5 pixels round to the even 12 on the 50-pixel travel.
      {2, {140, 47, 150, 57}, {140, 35, 150, 57}, {140, 35, 150, 52}, {140, 35, 150, 47}},
      {3, {140, 73, 150, 83}, {140, 73, 150, 95}, {140, 78, 150, 95}, {140, 83, 150, 95}},
  };
  for (const auto& c : cases) {
    const BarGeometry bar = Bar(c.orientation);
    const SkinRect knob = bar.KnobAt(0.25);
    EXPECT_EQ(knob, c.knob_at_quarter) << c.orientation;
    EXPECT_NEAR(bar.FractionOf(knob), c.orientation >= 2 ? 0.24 : 0.25, 0.001) << c.orientation;
    EXPECT_EQ(bar.Fill(knob, BarGeometry::FillTo::kFarEdge), c.fill_far) << c.orientation;
    EXPECT_EQ(bar.Fill(knob, BarGeometry::FillTo::kCentre), c.fill_centre) << c.orientation;
    EXPECT_EQ(bar.Fill(knob, BarGeometry::FillTo::kNearEdge), c.fill_near) << c.orientation;
  }
}

// Moves and clicks keep the knob inside the bar; a knob as long as the bar
// (or a zero-length bar) reads as 0 instead of dividing by zero.
TEST(BarGeometryTest, ClampsAndDegenerateBars) {
  const BarGeometry bar = Bar(0);
  EXPECT_EQ(bar.Moved(bar.KnobAt(0.5), -500).left, 20);
  EXPECT_EQ(bar.Moved(bar.KnobAt(0.5), 500).left, 120);
  EXPECT_EQ(bar.ClickedAt(129, 65).left, 120);
  EXPECT_TRUE(bar.Contains(130, 70));  // edges included
  EXPECT_FALSE(bar.Contains(131, 65));

  BarSkin tight;
  tight.bounds = {0, 0, 10, 10};
  const BarGeometry full(tight, 10, 10);
  EXPECT_EQ(full.FractionOf(full.KnobAt(0.7)), 0);
  const BarGeometry empty(BarSkin{}, 0, 0);
  EXPECT_EQ(empty.FractionOf(empty.ClickedAt(5, 5)), 0);
}

// Knob values: volume halves go to the even neighbour; balance is measured
// from the middle with the texts of its three cases.
TEST(FaceValuesTest, VolumeAndBalance) {
  EXPECT_EQ(VolumeFromFraction(0.125), 12);
  EXPECT_EQ(VolumeFromFraction(0.375), 38);
  EXPECT_EQ(VolumeFromFraction(0.5), 50);
  EXPECT_EQ(VolumeText(50), "Volume:50%");
  const struct {
    double fraction;
    int balance;
    const char* text;
  } cases[] = {{0.25, -50, "Equation:50%Left"},
               {0.0, -100, "Equation:100%Left"},
               {0.5, 0, "Equation:Center"},
               {0.8, 60, "Equation:60%Right"},
               {0.498046875, 0, "Equation:0%Left"}};
  for (const auto& c : cases) {
    const BalanceValue value = BalanceFromFraction(c.fraction);
    EXPECT_EQ(value.balance, c.balance) << c.fraction;
    EXPECT_EQ(value.text, c.text) << c.fraction;
  }
  EXPECT_DOUBLE_EQ(BalanceFraction(-50), 0.25);
  EXPECT_DOUBLE_EQ(VolumeFraction(150), 1.0);
}

// Hints that follow the state; the channel buttons and bMulti have no slot.
TEST(FaceValuesTest, HintSlots) {
  MainHintState plain;
  MainHintState busy{.music_mode = true, .recording = true, .playlist_visible = true, .muted = true};
  const struct {
    int button;
    int plain_slot;
    int busy_slot;
  } cases[] = {{kRecord, 8, 9}, {kPlayListFormShow, 12, 11}, {kMute, 14, 13},  {kMP3, 46, 47},
               {kClose, 7, 7},  {kNum1 + 4, -1, -1},         {kMulti, -1, -1}, {kVoiceClock, 49, 49}};
  for (const auto& c : cases) {
    EXPECT_EQ(MainButtonHintSlot(c.button, plain), c.plain_slot) << c.button;
    EXPECT_EQ(MainButtonHintSlot(c.button, busy), c.busy_slot) << c.button;
  }
}

// The first button holding the point wins; right and bottom edges are
// outside.
TEST(FaceValuesTest, HitMainButton) {
  SkinIni skin;
  skin.main_buttons[kStop] = {10, 10, 20, 20};
  skin.main_buttons[kPlay] = {15, 15, 30, 30};
  EXPECT_EQ(HitMainButton(skin, 10, 10), kStop);
  EXPECT_EQ(HitMainButton(skin, 16, 16), kStop);  // lower index first
  EXPECT_EQ(HitMainButton(skin, 20, 20), kPlay);
  EXPECT_FALSE(HitMainButton(skin, 30, 30).has_value());
}

// Docked means an edge of the playlist touches the opposite edge of the
// main window.
TEST(FaceValuesTest, PlayListDocking) {
  const SkinRect main{100, 100, 450, 236};
  const struct {
    SkinRect playlist;
    bool docked;
  } cases[] = {{{450, 100, 800, 400}, true},  {{-250, 100, 100, 400}, true}, {{100, 236, 450, 500}, true},
               {{100, -100, 450, 100}, true}, {{451, 100, 800, 400}, false}, {{100, 237, 450, 500}, false}};
  for (const auto& c : cases) EXPECT_EQ(IsPlayListDocked(main, c.playlist), c.docked) << c.playlist.left;
}

}  // namespace
}  // namespace tazmel
