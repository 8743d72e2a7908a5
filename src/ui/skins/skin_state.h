#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QRect>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "skin/skin_ini.h"

namespace tazmel {

inline constexpr std::string_view kDefaultSkinName = "Default";
inline constexpr int kNodeIconSize = 16;

// The faces, icons and tables of the loaded skin: what both windows draw
// from. A load that fails changes nothing.
class SkinState {
 public:
  enum class Bar { kVolume, kEquation, kProgress };
  // The four buttons with a second look taken from the add face.
  enum class SecondLook { kRecording, kMuted, kMusicList, kPlayListHidden };
  // Play-state indicator: 0 connecting or buffering, 1 playing, 2 paused,
  // 3 stopped.
  enum PlayState : int { kConnecting = 0, kPlaying = 1, kPaused = 2, kStopped = 3 };

  // 2 on screens that scale by two: faces then also load their double-size
  // drawings ("main@2x.bmp") when the skin has them, and every piece comes
  // from those. Set before loading.
  void SetPixelRatio(int ratio) { pixel_ratio_ = ratio; }
  int PixelRatio() const { return pixel_ratio_; }

  // Loads the skin folder `name` of `skins_root`. Fails when the name is not
  // a plain folder name, the folder or its skin.ini is missing, a required
  // face is missing, or a bitmap that exists cannot be read.
  bool LoadSkin(const std::filesystem::path& skins_root, std::string_view name);

  const SkinIni& Ini() const { return ini_; }
  bool Loaded() const { return loaded_; }

  const QImage& MainFace() const { return main_face_; }
  const QImage& PressedFace() const { return pressed_face_; }
  const QImage& PlayListFace() const { return playlist_face_; }
  const QImage& AddFace() const { return add_face_; }
  // The digit strips; null until a skin supplies them, then kept across skins
  // that lack them.
  const QImage& NumsFace() const { return nums_face_; }
  const QImage& ClockNumsFace() const { return clock_nums_face_; }

  // 16 x 16 node icons, in index order.
  const std::vector<QImage>& NodeIcons() const { return node_icons_; }
  // Tray icons 1..8 that were found; the first is the tray icon. The frames
  // hold every size an icon file has.
  const std::vector<QImage>& TrayIcons() const { return tray_icons_; }
  const std::vector<QIcon>& TrayFrames() const { return tray_frames_; }

  // What a face (one of the six above) is drawn with: its double-size
  // drawing when one was loaded, else the face itself.
  const QImage& DrawingFace(const QImage& face) const;
  // A piece of a face in face coordinates, from its drawing; an empty
  // rectangle gives an empty image.
  QImage Piece(const QImage& face, SkinRect r) const;

  // Main window button i, normal or pressed.
  QImage ButtonLook(int index, bool pressed) const;
  // A button's second look from the add face, drawn into its main rectangle.
  QImage SecondLookOf(SecondLook which, bool pressed) const;
  // Index of the main button that shows `which`.
  static int SecondLookButton(SecondLook which);
  // A slider thumb; the ColorMask_Add colour is transparent when the skin
  // sets one.
  QImage ThumbLook(Bar bar, bool dragged) const;
  // The playlist scroll-bar thumb, drawn the same way.
  QImage ScrollThumbLook(bool dragged) const;
  // The thumb's rectangle on the main face at the bar's start, centred across
  // the bar.
  QRect ThumbRect(Bar bar) const;

  QImage PlayStateLook(int state) const;
  QImage SoundStateLook(bool muted) const;
  QImage RecordStateLook(bool recording) const;
  // Playlist button i: normal from the playlist face, pressed from the add
  // face.
  QImage PlayListButtonLook(int index, bool pressed) const;

  // The playlist window's minimum size: the skin's, raised to the face size.
  QSize PlayListMinimumSize() const;

  // Fonts with the system hint font standing in for missing names and sizes.
  QFont LabelFont(const ScrollLabelSkin& label) const;
  QFont NumsFont() const;
  QFont ListFont(const ListSkin& list) const;
  // Row height of the music list: the height of "高" in its font plus 4.
  int ListItemHeight() const;

  int main_pressed_index = -1;
  int playlist_pressed_button = -1;

 private:
  const BarSkin& BarOf(Bar bar) const;
  SkinRect ThumbPiece(Bar bar, bool dragged) const;
  QImage Transparent(QImage piece) const;
  void LoadIcons(const std::filesystem::path& skins_root, const std::filesystem::path& folder, const IniFile& ini);

  bool loaded_ = false;
  SkinIni ini_;
  QImage main_face_, pressed_face_, playlist_face_, add_face_;
  QImage nums_face_, clock_nums_face_;
  std::vector<QImage> node_icons_;
  std::vector<QImage> tray_icons_;
  std::vector<QIcon> tray_frames_;
  int pixel_ratio_ = 1;
  QImage hi_main_face_, hi_pressed_face_, hi_playlist_face_, hi_add_face_;
  QImage hi_nums_face_, hi_clock_nums_face_;
};

// Loads `name`, or Default when that fails. `name` becomes the name of the
// skin now in use ("Default" after a fallback); the result tells whether a
// skin loaded at all.
bool ChooseSkin(SkinState& skin, const std::filesystem::path& skins_root, std::string& name);

// A skin colour as Qt spells it.
QColor ToQColor(SkinColor color);
QRect ToQRect(SkinRect rect);

}  // namespace tazmel
