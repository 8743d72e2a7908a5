#include "skin/skin_ini.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/ini_file.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

SkinIni Read(std::string_view text, SkinCarryOver previous = {}) {
  return ReadSkinIni(IniFile::FromText(text), previous);
}

// Rectangles: trimmed parts, non-integers and missing parts read as 0;
// parts are held to +-2^20, so a hostile skin cannot overflow the geometry.
TEST(SkinValueTest, RectTexts) {
  struct Case {
    std::string_view text;
    SkinRect want;
  } cases[] = {
      {"1,2,3,4", {1, 2, 3, 4}},
      {" 1 , 2 ,3 , 4 ", {1, 2, 3, 4}},
      {"5", {5, 0, 0, 0}},
      {"1,x,3", {1, 0, 3, 0}},
      {"1,2,3,4,5", {1, 2, 3, 4}},
      {"", {0, 0, 0, 0}},
      {"-3,,7", {-3, 0, 7, 0}},
      {"x", {0, 0, 0, 0}},
      {"2147483647,-2147483648,1048577,-1048576", {1 << 20, -(1 << 20), 1 << 20, -(1 << 20)}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSkinRect(c.text), c.want) << c.text;
}

// Colours: r + 256g + 65536b, components modulo 256, a lone number is blue.
TEST(SkinValueTest, ColorTexts) {
  struct Case {
    std::string_view text;
    SkinColor want;
  } cases[] = {
      {"255", 0xFF0000},        // pure blue
      {"0,174,239", 0xEFAE00},  // default playing-item colour
      {"255,255,255", 0xFFFFFF}, {"1,2", 0x000201}, {"a, 2 ,3", 0x030200}, {"256,257,-1", 0xFF0100}, {"", 0}, {"zz", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseSkinColor(c.text), c.want) << c.text;
  SkinColor blue = ParseSkinColor("255");
  EXPECT_EQ(SkinRed(blue), 0);
  EXPECT_EQ(SkinGreen(blue), 0);
  EXPECT_EQ(SkinBlue(blue), 255);
}

// An empty skin.ini gives every documented default.
TEST(SkinIniTest, DefaultsOfAnEmptyFile) {
  SkinIni s = Read("");
  EXPECT_EQ(s.face_main, "main.bmp");
  EXPECT_EQ(s.face_playlist, "playlist.bmp");
  EXPECT_EQ(s.face_main_down, "main_down.bmp");
  EXPECT_EQ(s.face_add, "add.bmp");
  EXPECT_EQ(s.face_nums, "nums.bmp");
  EXPECT_EQ(s.face_clock_nums, "nums_clock.bmp");
  EXPECT_FALSE(s.color_mask_add);
  EXPECT_FALSE(s.main_crop.mask_color);
  EXPECT_FALSE(s.playlist_crop.mask_color);
  EXPECT_EQ(s.main_crop.crop_type, 1);
  EXPECT_EQ(s.playlist_crop.crop_type, 1);
  EXPECT_TRUE(s.playlist_can_zoom);
  EXPECT_EQ(s.playlist_align, 0);
  EXPECT_EQ(s.step_num, 40);
  EXPECT_FALSE(s.sElapsedTime);
  EXPECT_FALSE(s.sClock);
  EXPECT_FALSE(s.nums_font_name);
  EXPECT_TRUE(s.nums_font_bold);
  EXPECT_FALSE(s.form_min_width);

  const ScrollLabelSkin& label = s.labels[kStateLabel];
  EXPECT_EQ(label.alignment, LabelAlignment::kLeft);
  EXPECT_EQ(label.shadow_offset, 1);
  EXPECT_EQ(label.shadow_color, MakeSkinColor(255, 255, 255));
  EXPECT_EQ(label.scroll_delay, 150);
  EXPECT_EQ(label.scroll_step, 3);
  EXPECT_EQ(label.repeat_delay, 0);
  EXPECT_EQ(label.scroll_mode, LabelScrollMode::smRightToLeft);
  EXPECT_FALSE(label.scroll_auto || label.scroll || label.font_bold || label.ellipses);

  EXPECT_EQ(s.tree.color, MakeSkinColor(255, 255, 255));
  EXPECT_EQ(s.tree.playing_item_font_color, MakeSkinColor(0, 174, 239));
  EXPECT_EQ(s.tree.selected_item_font_color, MakeSkinColor(255, 255, 255));
  EXPECT_EQ(s.tree.selected_item_back_color, MakeSkinColor(8, 36, 107));
}

// Mask keys count when present, whatever their value; a rectangle and type
// come with them.
TEST(SkinIniTest, CropRules) {
  SkinIni s = Read(
      "[Skin]\nColorMask_MainForm=255\nCropRegionType_MainForm=2\nNotCropRegion_MainForm=1,2,3,4\n"
      "ColorMask_PlayListForm=\nColorMask_Add=255,0,255\n");
  ASSERT_TRUE(s.main_crop.mask_color);
  EXPECT_EQ(*s.main_crop.mask_color, MakeSkinColor(0, 0, 255));
  EXPECT_EQ(s.main_crop.crop_type, 2);
  EXPECT_EQ(s.main_crop.not_crop, (SkinRect{1, 2, 3, 4}));
  ASSERT_TRUE(s.playlist_crop.mask_color);
  EXPECT_EQ(*s.playlist_crop.mask_color, 0u);
  EXPECT_EQ(s.color_mask_add, MakeSkinColor(255, 0, 255));
}

// The 31 button keys fill the table in their documented order.
TEST(SkinIniTest, MainButtonTableOrder) {
  std::string text = "[MainForm]\n";
  for (int i = 0; i < kMainButtonCount; ++i) {
    text += MainButtonKey(i) + "=" + std::to_string(i) + ",0,0,0\n";
  }
  SkinIni s = Read(text);
  for (int i = 0; i < kMainButtonCount; ++i) EXPECT_EQ(s.main_buttons[i].left, i) << MainButtonKey(i);
  EXPECT_EQ(MainButtonKey(0), "bNum1");
  EXPECT_EQ(MainButtonKey(9), "bNum10");
  EXPECT_EQ(MainButtonKey(kPageUp), "bPageUp");
  EXPECT_EQ(MainButtonKey(kRecord), "bRecord");
  EXPECT_EQ(MainButtonKey(kDecVolume), "bDecVolume");
  EXPECT_EQ(MainButtonKey(kMP3), "bMP3");
  EXPECT_EQ(MainButtonKey(kMulti), "bMulti");
  EXPECT_EQ(MainButtonKey(31), "");
}

// StepNum 0 (and nonsense below it) means 40 steps; steps divide 100 down.
TEST(SkinIniTest, VolumeSteps) {
  struct Case {
    std::string_view value;
    int steps, percent;
  } cases[] = {{"0", 40, 2}, {"30", 30, 3}, {"-5", 40, 2}, {"x", 40, 2}, {"100", 100, 1}};
  for (const Case& c : cases) {
    SkinIni s = Read("[MainForm]\nStepNum=" + std::string(c.value));
    EXPECT_EQ(s.step_num, c.steps) << c.value;
    EXPECT_EQ(s.VolumeStepPercent(), c.percent) << c.value;
  }
}

// Number labels take their own key or the button moved in by one pixel; the
// digit displays exist only with their keys.
TEST(SkinIniTest, NumberLabelsAndDisplays) {
  SkinIni s = Read("[MainForm]\nbNum1=10,20,30,40\nbNum2=50,20,70,40\nNumLabel2=1,1,5,5\nsClock=1,2,3,4\n");
  EXPECT_EQ(s.num_labels[0], (SkinRect{11, 21, 30, 40}));
  EXPECT_EQ(s.num_labels[1], (SkinRect{1, 1, 5, 5}));
  EXPECT_EQ(s.num_labels[2], (SkinRect{1, 1, 0, 0}));
  EXPECT_FALSE(s.sElapsedTime);
  EXPECT_EQ(s.sClock, (SkinRect{1, 2, 3, 4}));
}

// Scroll-label keys map onto the label's properties.
TEST(SkinIniTest, ScrollLabelProperties) {
  struct Case {
    std::string_view keys;
    LabelAlignment alignment;
    LabelDrawType draw;
    LabelScrollMode mode;
    bool scroll_auto, scroll, bold;
  } cases[] = {
      {"Alignment=1\nDrawType=1\nScrollMode=2\nAutoScroll=1\nFontBold=1", LabelAlignment::kCenter,
       LabelDrawType::dtLowered, LabelScrollMode::smTopToBottom, true, false, true},
      {"Alignment=2\nDrawType=2\nScrollMode=3\nAutoScroll=2\nFontBold=2", LabelAlignment::kRight,
       LabelDrawType::dtRaised, LabelScrollMode::smBottomToTop, false, true, false},
      {"Alignment=7\nDrawType=3\nScrollMode=0\nAutoScroll=3", LabelAlignment::kLeft, LabelDrawType::dtShadow,
       LabelScrollMode::smLeftToRight, false, false, false},
      {"DrawType=9\nScrollMode=9", LabelAlignment::kLeft, LabelDrawType::dtNone, LabelScrollMode::smLeftToRight, false,
       false, false},
  };
  for (const Case& c : cases) {
    SkinIni s = Read("[ClockLabel]\n" + std::string(c.keys));
    const ScrollLabelSkin& l = s.labels[kClockLabel];
    EXPECT_EQ(l.alignment, c.alignment) << c.keys;
    EXPECT_EQ(l.draw_type, c.draw) << c.keys;
    EXPECT_EQ(l.scroll_mode, c.mode) << c.keys;
    EXPECT_EQ(l.scroll_auto, c.scroll_auto) << c.keys;
    EXPECT_EQ(l.scroll, c.scroll) << c.keys;
    EXPECT_EQ(l.font_bold, c.bold) << c.keys;
  }
  SkinIni s = Read(
      "[NameLabel]\nBoundsRect=1,2,3,4\nFontName=Sans\nFontSize=9\nFontColor=255\nElipses=5\nShadowOffset=2\n"
      "ShadowColor=1,2,3\nScrollDelay=50\nScrollStep=1\nScrollRepeatDelay=900\n");
  const ScrollLabelSkin& l = s.labels[kNameLabel];
  EXPECT_EQ(l.bounds, (SkinRect{1, 2, 3, 4}));
  EXPECT_EQ(l.font_name, "Sans");
  EXPECT_EQ(l.font_size, 9);
  EXPECT_EQ(l.font_color, MakeSkinColor(0, 0, 255));
  EXPECT_TRUE(l.ellipses);
  EXPECT_EQ(l.shadow_offset, 2);
  EXPECT_EQ(l.shadow_color, MakeSkinColor(1, 2, 3));
  EXPECT_EQ(l.scroll_delay, 50);
  EXPECT_EQ(l.scroll_step, 1);
  EXPECT_EQ(l.repeat_delay, 900);
}

// Missing List keys take the Tree's values, present ones their own.
TEST(SkinIniTest, ListInheritsTreeKeyByKey) {
  SkinIni s = Read(
      "[Tree]\nFontName=TreeFont\nFontSize=11\nFontColor=1,1,1\nColor=2,2,2\nPlayingItemFontColor=3,3,3\n"
      "SelectedItemFontColor=4,4,4\nSelectedItemBackColor=5,5,5\n"
      "[List]\nFontColor=9,9,9\nSelectedItemBackColor=255\nFontSize=bad\n");
  EXPECT_EQ(s.list.font_name, "TreeFont");
  EXPECT_EQ(s.list.font_size, 11);
  EXPECT_EQ(s.list.font_color, MakeSkinColor(9, 9, 9));
  EXPECT_EQ(s.list.color, MakeSkinColor(2, 2, 2));
  EXPECT_EQ(s.list.playing_item_font_color, MakeSkinColor(3, 3, 3));
  EXPECT_EQ(s.list.selected_item_font_color, MakeSkinColor(4, 4, 4));
  EXPECT_EQ(s.list.selected_item_back_color, MakeSkinColor(0, 0, 255));
}

// Bars, add-face pieces, playlist pieces and buttons land where they belong.
TEST(SkinIniTest, BarsPiecesAndPlayListForm) {
  SkinIni s = Read(
      "[VolumeBar]\nBoundsRect=1,2,3,4\nOrientation=3\n[ProgressBar]\nOrientation=9\n"
      "[AddFace]\nbScrollMove_Down=1,1,2,2\nbScrollDown_Down=7,7,8,8\nsPause=3,3,4,4\n"
      "[PlayListForm]\nright_bottom=9,9,9,9\nbScrollDown=6,6,6,6\nRect=1,2,3,4\nFormMinWidth=300\n"
      "ZoomMove=12,14,99,99\n");
  EXPECT_EQ(s.volume_bar.bounds, (SkinRect{1, 2, 3, 4}));
  EXPECT_TRUE(s.volume_bar.IsVertical());
  EXPECT_EQ(s.progress_bar.orientation, 9);
  EXPECT_FALSE(s.progress_bar.IsVertical());
  EXPECT_EQ(s.add.bScrollMove_Down, (SkinRect{1, 1, 2, 2}));
  EXPECT_EQ(s.add.playlist_buttons_down[8], (SkinRect{7, 7, 8, 8}));
  EXPECT_EQ(s.add.sPause, (SkinRect{3, 3, 4, 4}));
  EXPECT_EQ(s.pieces[13], (SkinRect{9, 9, 9, 9}));
  EXPECT_EQ(PlayListPieceKey(13), "right_bottom");
  EXPECT_EQ(s.playlist_buttons[8], (SkinRect{6, 6, 6, 6}));
  EXPECT_EQ(s.rect, (SkinRect{1, 2, 3, 4}));
  EXPECT_EQ(s.form_min_width, 300);
  EXPECT_FALSE(s.form_min_height);
  EXPECT_EQ(s.grip_width, 12);
  EXPECT_EQ(s.grip_height, 14);
}

// MoveResizeStyle and LockPlayListForm carry over from the previous skin
// when missing.
TEST(SkinIniTest, FlagsCarryOver) {
  SkinIni kept = Read("", {true, true});
  EXPECT_TRUE(kept.move_resize_style);
  EXPECT_TRUE(kept.lock_playlist_form);
  SkinIni own = Read("[Skin]\nMoveResizeStyle=0\nLockPlayListForm=0\n", {true, true});
  EXPECT_FALSE(own.move_resize_style);
  EXPECT_FALSE(own.lock_playlist_form);
}

// Node icons: named keys for 0..9, then Icon<k> defaulting to "<k>.ico".
TEST(SkinIniTest, IconFileNames) {
  IniFile ini = IniFile::FromText("[Skin]\nGenre_Icon=g.ico\nIcon11=eleven.ico\n");
  EXPECT_EQ(NodeIconFile(ini, 0), "radio.ico");
  EXPECT_EQ(NodeIconFile(ini, 1), "group.ico");
  EXPECT_EQ(NodeIconFile(ini, 6), "g.ico");
  EXPECT_EQ(NodeIconFile(ini, 9), "netradio.ico");
  EXPECT_EQ(NodeIconFile(ini, 10), "10.ico");
  EXPECT_EQ(NodeIconFile(ini, 11), "eleven.ico");
  EXPECT_EQ(TrayIconFile(3), "3.ico");
}

// The panel grows with the window; at the face size it is the Rect itself.
TEST(PlayListGeometryTest, StretchPanel) {
  const SkinRect rect{10, 20, 190, 280};
  EXPECT_EQ(StretchPanelBounds(rect, 200, 300, 200, 300), rect);
  EXPECT_EQ(StretchPanelBounds(rect, 250, 320, 200, 300), (SkinRect{10, 20, 240, 300}));
}

// The four alignments beside a 100 x 50 main window at (500, 400), with the
// minimum size deciding whether the playlist takes the main window's size.
TEST(PlayListGeometryTest, Alignments) {
  const SkinRect main_window{500, 400, 600, 450};
  const SkinRect playlist{0, 0, 80, 200};
  struct Case {
    int align, min_width, min_height;
    SkinRect want;
  } cases[] = {
      {1, 80, 40, {420, 400, 500, 450}},
      {1, 80, 60, {420, 400, 500, 600}},
      {2, 80, 40, {600, 400, 680, 450}},
      {3, 90, 40, {500, 200, 600, 400}},
      {3, 120, 40, {500, 200, 580, 400}},
      {4, 90, 40, {500, 450, 600, 650}},
      {0, 0, 0, playlist},
      {5, 0, 0, playlist},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AlignPlayList(c.align, main_window, playlist, c.min_width, c.min_height), c.want) << c.align;
  }
}

TEST(SkinNameTest, SafeNames) {
  using namespace std::string_view_literals;
  for (std::string_view bad : {""sv, "."sv, ".."sv, "a/b"sv, "..\\x"sv, "/etc"sv, "a\0b"sv}) {
    EXPECT_FALSE(IsSafeSkinName(bad)) << bad;
  }
  for (std::string_view good : {"Default", "My Skin", "..x", "皮肤"}) EXPECT_TRUE(IsSafeSkinName(good)) << good;
}

class SkinFilePathTest : public ::testing::Test {
 protected:
  SkinFilePathTest() {
    WriteFile(skins_ / "Blue" / "Main.BMP", "x");
    WriteFile(skins_ / "Blue" / "parts" / "a.bmp", "x");
    WriteFile(dir_ / "secret.bmp", "x");
  }
  TempDir dir_;
  fs::path skins_ = dir_ / "Skins";
};

// Names inside the skin resolve without regard to case and with backslashes;
// names that lead out of the Skins folder resolve to nothing.
TEST_F(SkinFilePathTest, StaysInsideSkins) {
  fs::path blue = skins_ / "Blue";
  EXPECT_EQ(SkinFilePath(skins_, blue, "main.bmp"), blue / "Main.BMP");
  EXPECT_EQ(SkinFilePath(skins_, blue, "PARTS\\a.bmp"), blue / "parts" / "a.bmp");
  EXPECT_EQ(SkinFilePath(skins_, blue, "missing.bmp"), blue / "missing.bmp");
  for (std::string_view bad : {"", "..\\..\\secret.bmp", "../../secret.bmp", "parts/../../../secret.bmp", "/etc/passwd",
                               "C:\\secret.bmp", "\\secret.bmp"}) {
    EXPECT_FALSE(SkinFilePath(skins_, blue, bad)) << bad;
  }
  // A link inside the skin that points outside is refused as well.
  fs::create_symlink(dir_ / "secret.bmp", blue / "link.bmp");
  EXPECT_FALSE(SkinFilePath(skins_, blue, "link.bmp"));
}

// Only folders count; the menu sorts them and checks the current one by name
// without case.
TEST(ListSkinsTest, FoldersSortedAndMatched) {
  TempDir dir;
  fs::create_directories(dir / "Skins" / "zeta");
  fs::create_directories(dir / "Skins" / "Default");
  fs::create_directories(dir / "Skins" / "alpha");
  WriteFile(dir / "Skins" / "readme.txt", "x");
  std::vector<std::string> names = {"kept"};
  EXPECT_EQ(ListSkins(dir / "Skins", names), 3);
  ASSERT_EQ(names.size(), 4u);
  names.erase(names.begin());
  SortSkinNames(names);
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Default", "zeta"}));
  EXPECT_TRUE(IsCurrentSkin("Default", "DEFAULT"));
  EXPECT_FALSE(IsCurrentSkin("Default", "Default2"));
  std::vector<std::string> none;
  EXPECT_EQ(ListSkins(dir / "nowhere", none), 0);
}

}  // namespace
}  // namespace tazmel
