#include "skin/skin_ini.h"

#include <algorithm>
#include <system_error>

#include "core/file_utils.h"
#include "core/ini_file.h"
#include "core/text_utils.h"

namespace tazmel {
namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 21> kMainButtonKeys = {
    "bPageUp",           "bPageDown",  "bMainMenu", "bHide",  "bClose",   "bRecord",     "bOpenFile",
    "bPlayListFormShow", "bMute",      "bPrevious", "bStop",  "bPause",   "bPlay",       "bNext",
    "bAddVolume",        "bDecVolume", "bMP3",      "bAbout", "bWebsite", "bVoiceClock", "bMulti"};

constexpr std::array<std::string_view, kPlayListButtonCount> kPlayListButtonKeys = {
    "bAddRadio",   "bAddGroup",          "bModify",   "bDel",       "bFind",
    "bSetChannel", "bPlayListFormClose", "bScrollUp", "bScrollDown"};

constexpr std::array<std::string_view, kPlayListPieceCount> kPieceKeys = {
    "top_left",    "top_left_tile",      "top_middle_title",  "top_right_tile", "top_right",
    "bottom_left", "bottom_middle_tile", "bottom_right",      "left_top",       "left_middle_tile",
    "left_bottom", "right_top",          "right_middle_tile", "right_bottom"};

constexpr std::array<std::string_view, kNamedNodeIconCount> kNodeIconKeys = {
    "Radio_Icon",     "SubGroup_Icon", "Pick_Icon",    "Recently_Icon",  "TV_Icon",
    "MyLibrary_Icon", "Genre_Icon",    "Country_Icon", "Composite_Icon", "NetRadio_Icon"};
constexpr std::array<std::string_view, kNamedNodeIconCount> kNodeIconDefaults = {
    "radio.ico",     "group.ico", "pick.ico",    "recently.ico",  "tv.ico",
    "mylibrary.ico", "genre.ico", "country.ico", "composite.ico", "netradio.ico"};

constexpr std::array<std::string_view, kScrollLabelSectionCount> kLabelSections = {
    "NameLabel", "StateLabel", "SpeedLabel", "ElapsedLabel", "ClockLabel"};

// Splits at commas; a part that is no integer reads as 0.
std::vector<int> CommaIntegers(std::string_view text, std::size_t max_parts) {
  std::vector<int> parts;
  while (parts.size() < max_parts) {
    std::size_t comma = text.find(',');
    parts.push_back(ParseInteger(text.substr(0, comma)).value_or(0));
    if (comma == text.npos) break;
    text.remove_prefix(comma + 1);
  }
  return parts;
}

SkinRect RectOr(const IniFile& ini, std::string_view section, std::string_view key, SkinRect fallback = {}) {
  std::optional<std::string> text = ini.Value(section, key);
  return text ? ParseSkinRect(*text) : fallback;
}

std::optional<SkinRect> OptionalRect(const IniFile& ini, std::string_view section, std::string_view key) {
  std::optional<std::string> text = ini.Value(section, key);
  if (!text) return std::nullopt;
  return ParseSkinRect(*text);
}

SkinColor ColorOr(const IniFile& ini, std::string_view section, std::string_view key, SkinColor fallback) {
  std::optional<std::string> text = ini.Value(section, key);
  return text ? ParseSkinColor(*text) : fallback;
}

std::optional<SkinColor> OptionalColor(const IniFile& ini, std::string_view section, std::string_view key) {
  std::optional<std::string> text = ini.Value(section, key);
  if (!text) return std::nullopt;
  return ParseSkinColor(*text);
}

std::optional<int> OptionalInteger(const IniFile& ini, std::string_view section, std::string_view key) {
  std::optional<std::string> text = ini.Value(section, key);
  return text ? ParseInteger(*text) : std::nullopt;
}

std::string FileOr(const IniFile& ini, std::string_view key, std::string_view fallback) {
  return ini.ReadString("Skin", key, fallback);
}

ScrollLabelSkin ReadScrollLabel(const IniFile& ini, std::string_view section) {
  ScrollLabelSkin label;
  label.bounds = RectOr(ini, section, "BoundsRect");
  switch (ini.ReadInteger(section, "Alignment", 0)) {
    case 1:
      label.alignment = LabelAlignment::kCenter;
      break;
    case 2:
      label.alignment = LabelAlignment::kRight;
      break;
    default:
      label.alignment = LabelAlignment::kLeft;
      break;
  }
  label.font_name = ini.Value(section, "FontName");
  label.font_size = OptionalInteger(ini, section, "FontSize");
  label.font_color = ColorOr(ini, section, "FontColor", label.font_color);
  label.font_bold = ini.ReadInteger(section, "FontBold", 0) == 1;
  label.ellipses = ini.ReadBool(section, "Elipses", false);
  switch (ini.ReadInteger(section, "DrawType", 0)) {
    case 1:
      label.draw_type = LabelDrawType::dtLowered;
      break;
    case 2:
      label.draw_type = LabelDrawType::dtRaised;
      break;
    case 3:
      label.draw_type = LabelDrawType::dtShadow;
      break;
    default:
      label.draw_type = LabelDrawType::dtNone;
      break;
  }
  label.shadow_offset = ini.ReadInteger(section, "ShadowOffset", 1);
  label.shadow_color = ColorOr(ini, section, "ShadowColor", label.shadow_color);
  label.scroll_delay = ini.ReadInteger(section, "ScrollDelay", 150);
  label.scroll_step = ini.ReadInteger(section, "ScrollStep", 3);
  label.repeat_delay = ini.ReadInteger(section, "ScrollRepeatDelay", 0);
  int auto_scroll = ini.ReadInteger(section, "AutoScroll", 0);
  label.scroll_auto = auto_scroll == 1;
  label.scroll = auto_scroll == 2;
  switch (ini.ReadInteger(section, "ScrollMode", 1)) {
    case 1:
      label.scroll_mode = LabelScrollMode::smRightToLeft;
      break;
    case 2:
      label.scroll_mode = LabelScrollMode::smTopToBottom;
      break;
    case 3:
      label.scroll_mode = LabelScrollMode::smBottomToTop;
      break;
    default:
      label.scroll_mode = LabelScrollMode::smLeftToRight;
      break;
  }
  return label;
}

// The list section falls back to the tree's values key by key.
ListSkin ReadListSkin(const IniFile& ini, std::string_view section, const ListSkin& base) {
  ListSkin skin = base;
  if (auto name = ini.Value(section, "FontName")) skin.font_name = *name;
  if (auto size = OptionalInteger(ini, section, "FontSize")) skin.font_size = size;
  skin.font_color = ColorOr(ini, section, "FontColor", base.font_color);
  skin.color = ColorOr(ini, section, "Color", base.color);
  skin.playing_item_font_color = ColorOr(ini, section, "PlayingItemFontColor", base.playing_item_font_color);
  skin.selected_item_font_color = ColorOr(ini, section, "SelectedItemFontColor", base.selected_item_font_color);
  skin.selected_item_back_color = ColorOr(ini, section, "SelectedItemBackColor", base.selected_item_back_color);
  return skin;
}

BarSkin ReadBar(const IniFile& ini, std::string_view section) {
  return {RectOr(ini, section, "BoundsRect"), ini.ReadInteger(section, "Orientation", 0)};
}

}  // namespace

SkinRect ParseSkinRect(std::string_view text) {
  std::vector<int> parts = CommaIntegers(text, 4);
  parts.resize(4, 0);
  // Far beyond any screen, yet small enough that sums and differences of
  // window sizes and coordinates stay inside int.
  constexpr int kLimit = 1 << 20;
  for (int& part : parts) part = std::clamp(part, -kLimit, kLimit);
  return {parts[0], parts[1], parts[2], parts[3]};
}

SkinColor ParseSkinColor(std::string_view text) {
  if (text.find(',') == text.npos) return MakeSkinColor(0, 0, ParseInteger(text).value_or(0));
  std::vector<int> parts = CommaIntegers(text, 3);
  parts.resize(3, 0);
  return MakeSkinColor(parts[0], parts[1], parts[2]);
}

std::string MainButtonKey(int index) {
  if (index < 0 || index >= kMainButtonCount) return {};
  if (index < kChannelCount) return "bNum" + std::to_string(index + 1);
  return std::string(kMainButtonKeys[index - kChannelCount]);
}

std::string_view PlayListButtonKey(int index) {
  return index >= 0 && index < kPlayListButtonCount ? kPlayListButtonKeys[index] : std::string_view();
}

std::string_view PlayListPieceKey(int index) {
  return index >= 0 && index < kPlayListPieceCount ? kPieceKeys[index] : std::string_view();
}

std::string_view ScrollLabelSectionName(int section) {
  return section >= 0 && section < kScrollLabelSectionCount ? kLabelSections[section] : std::string_view();
}

SkinIni ReadSkinIni(const IniFile& ini, SkinCarryOver previous) {
  SkinIni s;
  s.face_main = FileOr(ini, "Face_MainForm", s.face_main);
  s.face_playlist = FileOr(ini, "Face_PlayListForm", s.face_playlist);
  s.face_main_down = FileOr(ini, "Face_MainForm_Down", s.face_main_down);
  s.face_add = FileOr(ini, "Face_Add", s.face_add);
  s.face_nums = FileOr(ini, "Face_Nums", s.face_nums);
  s.face_clock_nums = FileOr(ini, "Face_ClockNums", s.face_clock_nums);
  s.color_mask_add = OptionalColor(ini, "Skin", "ColorMask_Add");
  s.playlist_can_zoom = ini.ReadBool("Skin", "PlayListFormCanZoom", true);
  s.main_crop = {OptionalColor(ini, "Skin", "ColorMask_MainForm"),
                 ini.ReadInteger("Skin", "CropRegionType_MainForm", 1), RectOr(ini, "Skin", "NotCropRegion_MainForm")};
  s.playlist_crop = {OptionalColor(ini, "Skin", "ColorMask_PlayListForm"),
                     ini.ReadInteger("Skin", "CropRegionType_PlayListForm", 1),
                     RectOr(ini, "Skin", "NotCropRegion_PlayListForm")};
  s.move_resize_style = ini.ReadBool("Skin", "MoveResizeStyle", previous.move_resize_style);
  s.lock_playlist_form = ini.ReadBool("Skin", "LockPlayListForm", previous.lock_playlist_form);
  s.playlist_align = ini.ReadInteger("Skin", "PlayListFormAlign", 0);

  for (int i = 0; i < kMainButtonCount; ++i) s.main_buttons[i] = RectOr(ini, "MainForm", MainButtonKey(i));
  s.step_num = ini.ReadInteger("MainForm", "StepNum", 40);
  // Zero steps would divide by zero; a negative count makes no sense either.
  if (s.step_num <= 0) s.step_num = 40;
  s.sPlayState = RectOr(ini, "MainForm", "sPlayState");
  s.sSoundState = RectOr(ini, "MainForm", "sSoundState");
  s.sRecordState = RectOr(ini, "MainForm", "sRecordState");
  for (int i = 0; i < kChannelCount; ++i) {
    SkinRect shifted = s.main_buttons[i];
    shifted.left += 1;
    shifted.top += 1;
    s.num_labels[i] = RectOr(ini, "MainForm", "NumLabel" + std::to_string(i + 1), shifted);
  }
  s.sElapsedTime = OptionalRect(ini, "MainForm", "sElapsedTime");
  s.sClock = OptionalRect(ini, "MainForm", "sClock");
  s.nums_font_name = ini.Value("MainForm", "NumsFontName");
  s.nums_font_size = OptionalInteger(ini, "MainForm", "NumsFontSize");
  s.nums_font_color = ColorOr(ini, "MainForm", "NumsFontColor", s.nums_font_color);
  s.nums_font_bold = ini.ReadBool("MainForm", "NumsFontBold", true);

  AddFaceSkin& a = s.add;
  struct Piece {
    std::string_view key;
    SkinRect* rect;
  };
  for (auto [key, rect] :
       {Piece{"bRecord", &a.bRecord}, Piece{"bRecord_Down", &a.bRecord_Down}, Piece{"bMute", &a.bMute},
        Piece{"bMute_Down", &a.bMute_Down}, Piece{"bMP3", &a.bMP3}, Piece{"bMP3_Down", &a.bMP3_Down},
        Piece{"bPlayListFormHide", &a.bPlayListFormHide}, Piece{"bPlayListFormHide_Down", &a.bPlayListFormHide_Down},
        Piece{"bVolumeMove", &a.bVolumeMove}, Piece{"bVolumeMove_Down", &a.bVolumeMove_Down},
        Piece{"bEquationMove", &a.bEquationMove}, Piece{"bEquationMove_Down", &a.bEquationMove_Down},
        Piece{"bProgressMove", &a.bProgressMove}, Piece{"bProgressMove_Down", &a.bProgressMove_Down},
        Piece{"sReady", &a.sReady}, Piece{"sPause", &a.sPause}, Piece{"bScrollMove", &a.bScrollMove},
        Piece{"bScrollMove_Down", &a.bScrollMove_Down}}) {
    *rect = RectOr(ini, "AddFace", key);
  }
  for (int i = 0; i < kPlayListButtonCount; ++i) {
    a.playlist_buttons_down[i] = RectOr(ini, "AddFace", std::string(kPlayListButtonKeys[i]) + "_Down");
  }

  s.volume_bar = ReadBar(ini, "VolumeBar");
  s.equation_bar = ReadBar(ini, "EquationBar");
  s.progress_bar = ReadBar(ini, "ProgressBar");
  for (int i = 0; i < kScrollLabelSectionCount; ++i) s.labels[i] = ReadScrollLabel(ini, kLabelSections[i]);

  for (int i = 0; i < kPlayListPieceCount; ++i) s.pieces[i] = RectOr(ini, "PlayListForm", kPieceKeys[i]);
  s.scroll_bar_orbit = RectOr(ini, "PlayListForm", "ScrollBarOrbit");
  for (int i = 0; i < kPlayListButtonCount; ++i) {
    s.playlist_buttons[i] = RectOr(ini, "PlayListForm", kPlayListButtonKeys[i]);
  }
  s.rect = RectOr(ini, "PlayListForm", "Rect");
  s.form_min_width = OptionalInteger(ini, "PlayListForm", "FormMinWidth");
  s.form_min_height = OptionalInteger(ini, "PlayListForm", "FormMinHeight");
  SkinRect zoom_move = RectOr(ini, "PlayListForm", "ZoomMove");
  s.grip_width = zoom_move.left;
  s.grip_height = zoom_move.top;

  s.tree = ReadListSkin(ini, "Tree", ListSkin{});
  s.list = ReadListSkin(ini, "List", s.tree);
  return s;
}

SkinRect StretchPanelBounds(SkinRect rect, int window_width, int window_height, int face_width, int face_height) {
  return {rect.left, rect.top, window_width + rect.right - face_width, window_height + rect.bottom - face_height};
}

SkinRect AlignPlayList(int align, SkinRect main_window, SkinRect playlist, int min_width, int min_height) {
  int width = playlist.Width(), height = playlist.Height();
  int left = playlist.left, top = playlist.top;
  switch (align) {
    case 1:
    case 2:
      left = align == 1 ? main_window.left - width : main_window.right;
      top = main_window.top;
      if (main_window.Height() >= min_height) height = main_window.Height();
      break;
    case 3:
    case 4:
      left = main_window.left;
      top = align == 3 ? main_window.top - height : main_window.bottom;
      if (main_window.Width() >= min_width) width = main_window.Width();
      break;
    default:
      return playlist;
  }
  return {left, top, left + width, top + height};
}

std::string NodeIconFile(const IniFile& ini, int k) {
  if (k < 0) return {};
  if (k < kNamedNodeIconCount) return ini.ReadString("Skin", kNodeIconKeys[k], kNodeIconDefaults[k]);
  std::string number = std::to_string(k);
  return ini.ReadString("Skin", "Icon" + number, number + ".ico");
}

std::string TrayIconFile(int n) { return std::to_string(n) + ".ico"; }

bool IsSafeSkinName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  return name.find_first_of(std::string_view("/\\\0", 3)) == name.npos;
}

std::optional<fs::path> SkinFilePath(const fs::path& skins_root, const fs::path& skin_folder, std::string_view name) {
  if (name.empty() || name.find('\0') != name.npos) return std::nullopt;
  std::string text(name);
  std::replace(text.begin(), text.end(), '\\', '/');
  // "C:/x" is absolute on the system the skins come from.
  if (text.front() == '/' || (text.size() > 1 && text[1] == ':')) return std::nullopt;
  fs::path path = skin_folder;
  std::string_view rest = text;
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    if (part == "..") return std::nullopt;
    if (!part.empty() && part != ".") path = FindNoCase(path, part);
    rest = slash == rest.npos ? std::string_view() : rest.substr(slash + 1);
  }
  // A link inside a skin may still point elsewhere; compare resolved paths.
  std::error_code ec;
  fs::path root = fs::weakly_canonical(skins_root, ec);
  if (ec) return std::nullopt;
  fs::path real = fs::weakly_canonical(path, ec);
  if (ec) return std::nullopt;
  auto [root_end, real_it] = std::mismatch(root.begin(), root.end(), real.begin(), real.end());
  if (root_end != root.end() || real_it == real.end()) return std::nullopt;
  return path;
}

int ListSkins(const fs::path& skins_folder, std::vector<std::string>& list) {
  int count = 0;
  std::error_code ec;
  for (fs::directory_iterator it(skins_folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_directory(type_ec)) continue;
    std::string name = it->path().filename().string();
    if (!IsSafeSkinName(name)) continue;
    list.push_back(std::move(name));
    ++count;
  }
  return count;
}

void SortSkinNames(std::vector<std::string>& names) {
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string la = AsciiLowerCopy(a), lb = AsciiLowerCopy(b);
    return la != lb ? la < lb : a < b;
  });
}

bool IsCurrentSkin(std::string_view listed, std::string_view current) { return EqualsNoCase(listed, current); }

}  // namespace tazmel
