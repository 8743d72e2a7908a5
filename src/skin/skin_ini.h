#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

class IniFile;

// A rectangle in the coordinates of the bitmap it refers to; right and bottom
// are exclusive.
struct SkinRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsZero() const { return left == 0 && top == 0 && right == 0 && bottom == 0; }
  bool operator==(const SkinRect&) const = default;
};

// A colour as r + 256 * g + 65536 * b, the byte order of the skin files.
using SkinColor = std::uint32_t;
constexpr SkinColor MakeSkinColor(int r, int g, int b) {
  return static_cast<SkinColor>((r & 0xFF) | (g & 0xFF) << 8 | (b & 0xFF) << 16);
}
constexpr int SkinRed(SkinColor c) { return static_cast<int>(c & 0xFF); }
constexpr int SkinGreen(SkinColor c) { return static_cast<int>(c >> 8 & 0xFF); }
constexpr int SkinBlue(SkinColor c) { return static_cast<int>(c >> 16 & 0xFF); }

// "l,t,r,b": each part trimmed, a part that is no integer or is missing reads
// as 0, parts past the fourth are ignored.
SkinRect ParseSkinRect(std::string_view text);
// "r,g,b": each part trimmed, non-integers read as 0, every component taken
// modulo 256. A text without commas is the blue component alone.
SkinColor ParseSkinColor(std::string_view text);

// Indices into the main button table.
enum MainButton : int {
  kNum1 = 0,  // channel buttons 0..9
  kPageUp = 10,
  kPageDown,
  kMainMenu,
  kHide,
  kClose,
  kRecord,
  kOpenFile,
  kPlayListFormShow,
  kMute,
  kPrevious,
  kStop,
  kPause,
  kPlay,
  kNext,
  kAddVolume,
  kDecVolume,
  kMP3,
  kAbout,
  kWebsite,
  kVoiceClock,
  kMulti,
};
inline constexpr int kMainButtonCount = 31;
inline constexpr int kChannelCount = 10;
inline constexpr int kPlayListButtonCount = 9;
inline constexpr int kPlayListPieceCount = 14;
inline constexpr int kNamedNodeIconCount = 10;
inline constexpr int kTrayIconCount = 8;

// Skin key of main button i ("bNum1" .. "bMulti").
std::string MainButtonKey(int index);
// Skin key of playlist button i ("bAddRadio" .. "bScrollDown").
std::string_view PlayListButtonKey(int index);
// Skin key of frame piece i ("top_left" .. "right_bottom").
std::string_view PlayListPieceKey(int index);

enum class BarOrientation : int { kLeftToRight = 0, kRightToLeft = 1, kTopToBottom = 2, kBottomToTop = 3 };

struct BarSkin {
  SkinRect bounds;
  int orientation = 0;  // BarOrientation as the file gives it; other values kept
  bool IsVertical() const { return orientation == 2 || orientation == 3; }
};

enum class LabelAlignment { kLeft, kCenter, kRight };
enum class LabelDrawType { dtNone, dtLowered, dtRaised, dtShadow };
enum class LabelScrollMode { smLeftToRight, smRightToLeft, smTopToBottom, smBottomToTop };

// The TScrollLabel properties a skin sets, in the order they are applied.
struct ScrollLabelSkin {
  SkinRect bounds;
  LabelAlignment alignment = LabelAlignment::kLeft;
  std::optional<std::string> font_name;  // none: the system hint font's
  std::optional<int> font_size;          // none: the system hint font's
  SkinColor font_color = MakeSkinColor(0, 0, 0);
  bool font_bold = false;
  bool ellipses = false;
  LabelDrawType draw_type = LabelDrawType::dtNone;
  int shadow_offset = 1;
  SkinColor shadow_color = MakeSkinColor(255, 255, 255);
  int scroll_delay = 150;
  int scroll_step = 3;
  int repeat_delay = 0;
  bool scroll_auto = false;
  bool scroll = false;
  LabelScrollMode scroll_mode = LabelScrollMode::smRightToLeft;
};

enum ScrollLabelSection : int { kNameLabel, kStateLabel, kSpeedLabel, kElapsedLabel, kClockLabel };
inline constexpr int kScrollLabelSectionCount = 5;
std::string_view ScrollLabelSectionName(int section);

// Fonts and colours of the station tree or the music list.
struct ListSkin {
  std::optional<std::string> font_name;
  std::optional<int> font_size;
  SkinColor font_color = MakeSkinColor(0, 0, 0);
  SkinColor color = MakeSkinColor(255, 255, 255);
  SkinColor playing_item_font_color = MakeSkinColor(0, 174, 239);
  SkinColor selected_item_font_color = MakeSkinColor(255, 255, 255);
  SkinColor selected_item_back_color = MakeSkinColor(8, 36, 107);
};

// Pieces of the add face.
struct AddFaceSkin {
  SkinRect bRecord, bRecord_Down, bMute, bMute_Down, bMP3, bMP3_Down;
  SkinRect bPlayListFormHide, bPlayListFormHide_Down;
  SkinRect bVolumeMove, bVolumeMove_Down, bEquationMove, bEquationMove_Down;
  SkinRect bProgressMove, bProgressMove_Down;
  SkinRect sReady, sPause;
  SkinRect bScrollMove, bScrollMove_Down;
  // Pressed looks of the nine playlist buttons, in button order.
  std::array<SkinRect, kPlayListButtonCount> playlist_buttons_down{};
};

// How a window is cut to shape; no mask colour means the window stays a
// plain rectangle.
struct CropRule {
  std::optional<SkinColor> mask_color;
  int crop_type = 1;
  SkinRect not_crop;
};

// Everything a skin.ini says, with the defaults of missing keys filled in.
struct SkinIni {
  // Section Skin.
  std::string face_main = "main.bmp";
  std::string face_playlist = "playlist.bmp";
  std::string face_main_down = "main_down.bmp";
  std::string face_add = "add.bmp";
  std::string face_nums = "nums.bmp";
  std::string face_clock_nums = "nums_clock.bmp";
  std::optional<SkinColor> color_mask_add;
  bool playlist_can_zoom = true;
  CropRule main_crop;
  CropRule playlist_crop;
  bool move_resize_style = false;
  bool lock_playlist_form = false;
  int playlist_align = 0;

  // Section MainForm.
  std::array<SkinRect, kMainButtonCount> main_buttons{};
  int step_num = 40;
  SkinRect sPlayState, sSoundState, sRecordState;
  std::array<SkinRect, kChannelCount> num_labels{};
  std::optional<SkinRect> sElapsedTime, sClock;
  std::optional<std::string> nums_font_name;
  std::optional<int> nums_font_size;
  SkinColor nums_font_color = MakeSkinColor(0, 0, 0);
  bool nums_font_bold = true;

  AddFaceSkin add;
  BarSkin volume_bar, equation_bar, progress_bar;
  std::array<ScrollLabelSkin, kScrollLabelSectionCount> labels{};

  // Section PlayListForm.
  std::array<SkinRect, kPlayListPieceCount> pieces{};
  SkinRect scroll_bar_orbit;
  std::array<SkinRect, kPlayListButtonCount> playlist_buttons{};
  SkinRect rect;
  std::optional<int> form_min_width, form_min_height;  // raised to the face size by the loader
  int grip_width = 0, grip_height = 0;                 // first two numbers of ZoomMove

  ListSkin tree;
  ListSkin list;

  // One volume key step in percent.
  int VolumeStepPercent() const { return 100 / step_num; }
};

// The flags a skin inherits from the one loaded before it when it lacks the
// keys.
struct SkinCarryOver {
  bool move_resize_style = false;
  bool lock_playlist_form = false;
};

SkinIni ReadSkinIni(const IniFile& ini, SkinCarryOver previous = {});

// Bounds of the playlist's panel in a window of the given size: the skin's
// Rect with its right and bottom edges following the window's growth.
SkinRect StretchPanelBounds(SkinRect rect, int window_width, int window_height, int face_width, int face_height);

// Where PlayListFormAlign puts the playlist window (left, top, right,
// bottom in screen coordinates) beside the main window: 1 left, 2 right,
// 3 above, 4 below; beside it takes the main window's height, above or below
// its width, when that is not below the playlist's minimum. Other values
// leave the playlist where it is.
SkinRect AlignPlayList(int align, SkinRect main_window, SkinRect playlist, int min_width, int min_height);

// The file name for node icon k, from the named keys for 0..9 and from
// "Icon<k>" (default "<k>.ico") after them.
std::string NodeIconFile(const IniFile& ini, int k);
// Tray icon n (1..8) is the file "<n>.ico".
std::string TrayIconFile(int n);

// A skin name is one folder name: not empty, not "." or "..", no slash,
// backslash or NUL.
bool IsSafeSkinName(std::string_view name);

// The file a skin.ini names, inside `skin_folder`: backslashes read as folder
// separators, each part matched without regard to case. None when the name is
// empty, absolute, has a ".." part, or leads (also through a link) outside
// `skins_root`.
std::optional<std::filesystem::path> SkinFilePath(const std::filesystem::path& skins_root,
                                                  const std::filesystem::path& skin_folder, std::string_view name);

// Adds the names of the subfolders of `skins_folder` to `list` and returns how
// many were added. Names that could not serve as a skin name are left out.
int ListSkins(const std::filesystem::path& skins_folder, std::vector<std::string>& list);
// The skin menu's order: sorted by name.
void SortSkinNames(std::vector<std::string>& names);
// Whether a listed name is the current skin (names compared without case).
bool IsCurrentSkin(std::string_view listed, std::string_view current);

}  // namespace tazmel
