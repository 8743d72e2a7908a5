#include "ui/skins/skin_state.h"

#include <QColor>
#include <QFile>
#include <QFontMetrics>
#include <QIcon>
#include <QImageReader>
#include <QToolTip>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <system_error>

#include "core/file_utils.h"
#include "core/ini_file.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace fs = std::filesystem;

namespace {

// A skin may name icons up to "Icon<k>" without end; no tree needs more.
constexpr int kMaxNodeIcons = 1000;

QString QtPath(const fs::path& path) { return QFile::decodeName(path.c_str()); }

// The name of a face's double-size drawing: "main.bmp" -> "main@2x.bmp".
std::string DoubleSizeName(const std::string& file_name) {
  const std::size_t dot = file_name.rfind('.');
  const std::size_t slash = file_name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return file_name + "@2x";
  return file_name.substr(0, dot) + "@2x" + file_name.substr(dot);
}

bool FileExists(const std::optional<fs::path>& path) {
  std::error_code ec;
  return path && fs::is_regular_file(*path, ec);
}

std::uint32_t LittleEndian(const QByteArray& bytes, int at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

// Whether a bitmap file holds all the pixel rows its header promises. The
// image reader decodes a cut-off bitmap without complaint and leaves the
// missing rows undefined (mostly transparent), which would give a window
// nobody can see.
bool BitmapComplete(const fs::path& path) {
  QFile file(QtPath(path));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray head = file.read(54);
  if (head.size() < 26 || !head.startsWith("BM")) return true;  // not a bitmap: the reader judges alone
  const std::uint64_t pixels_at = LittleEndian(head, 10, 4);
  const std::uint32_t header_size = LittleEndian(head, 14, 4);
  std::uint64_t width = 0, height = 0, bits = 0, compression = 0, image_size = 0;
  if (header_size == 12) {
    width = LittleEndian(head, 18, 2);
    height = LittleEndian(head, 20, 2);
    bits = LittleEndian(head, 24, 2);
  } else if (header_size >= 40 && head.size() >= 38) {
    width = static_cast<std::uint64_t>(std::abs(static_cast<std::int32_t>(LittleEndian(head, 18, 4))));
    height = static_cast<std::uint64_t>(std::abs(static_cast<std::int32_t>(LittleEndian(head, 22, 4))));
    bits = LittleEndian(head, 28, 2);
    compression = LittleEndian(head, 30, 4);
    image_size = LittleEndian(head, 34, 4);
  } else {
    return false;
  }
  // Uncompressed rows (and bit-field ones) are padded to four bytes; run
  // lengths have only the size the header gives.
  const bool run_lengths = compression == 1 || compression == 2;
  const std::uint64_t needed = pixels_at + (run_lengths ? image_size : (width * bits + 31) / 32 * 4 * height);
  return static_cast<std::uint64_t>(file.size()) >= needed;
}

// A face that is present must be readable: nullopt means "unreadable", a
// null image "missing".
std::optional<QImage> ReadFace(const std::optional<fs::path>& path) {
  if (!FileExists(path)) return QImage();
  if (!BitmapComplete(*path)) return std::nullopt;
  QImageReader reader(QtPath(*path));
  QImage image;
  if (!reader.read(&image) || image.isNull()) return std::nullopt;
  return image;
}

enum class IconStatus { kMissing, kLoaded, kUnreadable };

// The 16 x 16 image of an icon file, or its first image scaled to that size.
IconStatus ReadIcon(const std::optional<fs::path>& path, QImage& icon, QIcon* all_sizes = nullptr) {
  if (!FileExists(path)) return IconStatus::kMissing;
  QImageReader reader(QtPath(*path));
  QImage first;
  const int count = std::max(reader.imageCount(), 1);
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !reader.jumpToImage(i)) break;
    QImage image;
    if (!reader.read(&image) || image.isNull()) break;
    if (image.size() == QSize(kNodeIconSize, kNodeIconSize)) {
      icon = image.convertToFormat(QImage::Format_ARGB32);
      if (all_sizes) *all_sizes = QIcon(QtPath(*path));
      return IconStatus::kLoaded;
    }
    if (first.isNull()) first = image;
  }
  if (first.isNull()) return IconStatus::kUnreadable;
  if (all_sizes) *all_sizes = QIcon(QtPath(*path));
  icon = first.scaled(kNodeIconSize, kNodeIconSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
             .convertToFormat(QImage::Format_ARGB32);
  return IconStatus::kLoaded;
}

// The window's shape is cut from the face in whole screen-independent
// pixels; where it keeps a pixel whose double-size drawing holds the mask
// colour (a rounded corner drawn finer), that colour would show. Such
// pixels take the face's own colour instead.
void MatchShape(QImage& hi, const QImage& face, const std::optional<SkinColor>& mask) {
  if (hi.isNull() || !mask) return;
  const QRgb key = ToQColor(*mask).rgb() & 0xFFFFFF;
  hi = hi.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < hi.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(hi.scanLine(y));
    for (int x = 0; x < hi.width(); ++x) {
      if ((line[x] & 0xFFFFFF) != key) continue;
      const QRgb below = face.pixel(x / 2, y / 2);
      if ((below & 0xFFFFFF) != key) line[x] = below;
    }
  }
}

}  // namespace

QImage SkinState::Piece(const QImage& face, SkinRect r) const {
  if (face.isNull() || r.Width() <= 0 || r.Height() <= 0) return QImage();
  const QImage& hi = DrawingFace(face);
  if (&hi != &face) {
    QImage piece = hi.copy(QRect(r.left * 2, r.top * 2, r.Width() * 2, r.Height() * 2));
    piece.setDevicePixelRatio(2);
    return piece;
  }
  return face.copy(ToQRect(r));
}

const QImage& SkinState::DrawingFace(const QImage& face) const {
  const std::pair<const QImage*, const QImage*> faces[] = {
      {&main_face_, &hi_main_face_}, {&pressed_face_, &hi_pressed_face_},
      {&add_face_, &hi_add_face_},   {&playlist_face_, &hi_playlist_face_},
      {&nums_face_, &hi_nums_face_}, {&clock_nums_face_, &hi_clock_nums_face_}};
  for (const auto& [normal, hi] : faces) {
    if (normal == &face) return hi->isNull() ? face : *hi;
  }
  return face;
}

QColor ToQColor(SkinColor color) { return QColor(SkinRed(color), SkinGreen(color), SkinBlue(color)); }

QRect ToQRect(SkinRect r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

bool SkinState::LoadSkin(const fs::path& skins_root, std::string_view name) {
  if (!IsSafeSkinName(name)) return false;
  std::error_code ec;
  const fs::path folder = FindNoCase(skins_root, name);
  if (!fs::is_directory(folder, ec)) return false;
  const fs::path ini_path = FindNoCase(folder, "skin.ini");
  if (!fs::is_regular_file(ini_path, ec)) return false;
  IniFile file;
  if (file.Load(ini_path) != IniFile::LoadStatus::kLoaded) return false;
  SkinIni ini = ReadSkinIni(file, {ini_.move_resize_style, ini_.lock_playlist_form});

  auto path_of = [&](const std::string& file_name) { return SkinFilePath(skins_root, folder, file_name); };
  std::optional<QImage> main_face = ReadFace(path_of(ini.face_main));
  if (!main_face || main_face->isNull()) return false;
  std::optional<QImage> playlist_face = ReadFace(path_of(ini.face_playlist));
  if (!playlist_face || playlist_face->isNull()) return false;
  std::optional<QImage> pressed_face = ReadFace(path_of(ini.face_main_down));
  std::optional<QImage> add_face = ReadFace(path_of(ini.face_add));
  std::optional<QImage> nums = ReadFace(path_of(ini.face_nums));
  std::optional<QImage> clock_nums = ReadFace(path_of(ini.face_clock_nums));
  if (!pressed_face || !add_face || !nums || !clock_nums) return false;

  // Double-size drawings of the faces, for screens that scale by two; only
  // one of exactly twice the size is used.
  auto double_size = [&](const std::string& file_name, const QImage& face) {
    if (pixel_ratio_ < 2 || face.isNull()) return QImage();
    std::optional<QImage> hi = ReadFace(path_of(DoubleSizeName(file_name)));
    if (!hi || hi->size() != face.size() * 2) return QImage();
    hi->setDevicePixelRatio(2);
    return std::move(*hi);
  };
  hi_main_face_ = double_size(ini.face_main, *main_face);
  MatchShape(hi_main_face_, *main_face, ini.main_crop.mask_color);
  hi_playlist_face_ = double_size(ini.face_playlist, *playlist_face);
  hi_pressed_face_ = pressed_face->isNull() ? hi_main_face_ : double_size(ini.face_main_down, *pressed_face);
  hi_add_face_ = double_size(ini.face_add, *add_face);
  if (!nums->isNull()) hi_nums_face_ = double_size(ini.face_nums, *nums);
  if (!clock_nums->isNull()) hi_clock_nums_face_ = double_size(ini.face_clock_nums, *clock_nums);

  if (!pressed_face->isNull()) MatchShape(hi_pressed_face_, *pressed_face, ini.main_crop.mask_color);
  MatchShape(hi_playlist_face_, *playlist_face, ini.playlist_crop.mask_color);

  main_face_ = std::move(*main_face);
  playlist_face_ = std::move(*playlist_face);
  // Without a pressed face, pressing a button shows no change.
  pressed_face_ = pressed_face->isNull() ? main_face_ : std::move(*pressed_face);
  add_face_ = std::move(*add_face);
  if (!nums->isNull()) nums_face_ = std::move(*nums);
  if (!clock_nums->isNull()) clock_nums_face_ = std::move(*clock_nums);
  LoadIcons(skins_root, folder, file);
  ini_ = std::move(ini);
  main_pressed_index = -1;
  playlist_pressed_button = -1;
  loaded_ = true;
  return true;
}

void SkinState::LoadIcons(const fs::path& skins_root, const fs::path& folder, const IniFile& ini) {
  const fs::path default_folder = FindNoCase(skins_root, "default");
  // The skin's own file first, then the same name in the Default skin.
  auto read = [&](const std::string& file_name, QImage& icon, QIcon* all_sizes = nullptr) {
    IconStatus status = ReadIcon(SkinFilePath(skins_root, folder, file_name), icon, all_sizes);
    if (status == IconStatus::kMissing) {
      status = ReadIcon(SkinFilePath(skins_root, default_folder, file_name), icon, all_sizes);
    }
    return status;
  };

  std::vector<QImage> icons;
  for (int k = 0; k < kMaxNodeIcons; ++k) {
    QImage icon;
    IconStatus status = read(NodeIconFile(ini, k), icon);
    // A broken icon file ends the icon work; the old icons stay.
    if (status == IconStatus::kUnreadable) return;
    if (status == IconStatus::kMissing && k < static_cast<int>(node_icons_.size())) icon = node_icons_[k];
    const bool found = !icon.isNull();
    if (found) icons.push_back(std::move(icon));
    if (k >= kNamedNodeIconCount && !found) break;
  }
  node_icons_ = std::move(icons);

  tray_icons_.clear();
  tray_frames_.clear();
  for (int n = 1; n <= kTrayIconCount; ++n) {
    QImage icon;
    QIcon all_sizes;
    IconStatus status = read(TrayIconFile(n), icon, &all_sizes);
    if (status == IconStatus::kUnreadable) return;
    if (status == IconStatus::kLoaded) {
      tray_frames_.push_back(all_sizes.isNull() ? QIcon(QPixmap::fromImage(icon)) : all_sizes);
      tray_icons_.push_back(std::move(icon));
    }
  }
}

QImage SkinState::ButtonLook(int index, bool pressed) const {
  if (index < 0 || index >= kMainButtonCount) return QImage();
  return Piece(pressed ? pressed_face_ : main_face_, ini_.main_buttons[index]);
}

int SkinState::SecondLookButton(SecondLook which) {
  switch (which) {
    case SecondLook::kRecording:
      return kRecord;
    case SecondLook::kMuted:
      return kMute;
    case SecondLook::kMusicList:
      return kMP3;
    case SecondLook::kPlayListHidden:
      return kPlayListFormShow;
  }
  return -1;
}

QImage SkinState::SecondLookOf(SecondLook which, bool pressed) const {
  const AddFaceSkin& a = ini_.add;
  switch (which) {
    case SecondLook::kRecording:
      return Piece(add_face_, pressed ? a.bRecord_Down : a.bRecord);
    case SecondLook::kMuted:
      return Piece(add_face_, pressed ? a.bMute_Down : a.bMute);
    case SecondLook::kMusicList:
      return Piece(add_face_, pressed ? a.bMP3_Down : a.bMP3);
    case SecondLook::kPlayListHidden:
      return Piece(add_face_, pressed ? a.bPlayListFormHide_Down : a.bPlayListFormHide);
  }
  return QImage();
}

const BarSkin& SkinState::BarOf(Bar bar) const {
  switch (bar) {
    case Bar::kVolume:
      return ini_.volume_bar;
    case Bar::kEquation:
      return ini_.equation_bar;
    case Bar::kProgress:
      break;
  }
  return ini_.progress_bar;
}

SkinRect SkinState::ThumbPiece(Bar bar, bool dragged) const {
  const AddFaceSkin& a = ini_.add;
  switch (bar) {
    case Bar::kVolume:
      return dragged ? a.bVolumeMove_Down : a.bVolumeMove;
    case Bar::kEquation:
      return dragged ? a.bEquationMove_Down : a.bEquationMove;
    case Bar::kProgress:
      break;
  }
  return dragged ? a.bProgressMove_Down : a.bProgressMove;
}

QImage SkinState::Transparent(QImage piece) const {
  if (piece.isNull() || !ini_.color_mask_add) return piece;
  piece = piece.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = ToQColor(*ini_.color_mask_add).rgb() & 0xFFFFFF;
  for (int y = 0; y < piece.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(piece.scanLine(y));
    for (int x = 0; x < piece.width(); ++x) {
      if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
  }
  return piece;
}

QImage SkinState::ThumbLook(Bar bar, bool dragged) const {
  return Transparent(Piece(add_face_, ThumbPiece(bar, dragged)));
}

QImage SkinState::ScrollThumbLook(bool dragged) const {
  return Transparent(Piece(add_face_, dragged ? ini_.add.bScrollMove_Down : ini_.add.bScrollMove));
}

QRect SkinState::ThumbRect(Bar bar) const {
  const BarSkin& b = BarOf(bar);
  const SkinRect piece = ThumbPiece(bar, false);
  QRect thumb(b.bounds.left, b.bounds.top, piece.Width(), piece.Height());
  if (b.IsVertical()) {
    thumb.moveLeft(b.bounds.left + (b.bounds.Width() - piece.Width()) / 2);
  } else {
    thumb.moveTop(b.bounds.top + (b.bounds.Height() - piece.Height()) / 2);
  }
  return thumb;
}

QImage SkinState::PlayStateLook(int state) const {
  switch (state) {
    case kConnecting:
      return Piece(add_face_, ini_.add.sReady);
    case kPlaying:
      return Piece(pressed_face_, ini_.sPlayState);
    case kPaused:
      return Piece(add_face_, ini_.add.sPause);
    default:
      return Piece(main_face_, ini_.sPlayState);
  }
}

QImage SkinState::SoundStateLook(bool muted) const {
  return Piece(muted ? pressed_face_ : main_face_, ini_.sSoundState);
}

QImage SkinState::RecordStateLook(bool recording) const {
  return Piece(recording ? pressed_face_ : main_face_, ini_.sRecordState);
}

QImage SkinState::PlayListButtonLook(int index, bool pressed) const {
  if (index < 0 || index >= kPlayListButtonCount) return QImage();
  return pressed ? Piece(add_face_, ini_.add.playlist_buttons_down[index])
                 : Piece(playlist_face_, ini_.playlist_buttons[index]);
}

QSize SkinState::PlayListMinimumSize() const {
  return QSize(std::max(ini_.form_min_width.value_or(0), playlist_face_.width()),
               std::max(ini_.form_min_height.value_or(0), playlist_face_.height()));
}

namespace {

QFont SkinFont(const std::optional<std::string>& name, const std::optional<int>& size, bool bold) {
  QFont font = QToolTip::font();
  if (name) font.setFamily(FromGb(*name));
  if (size && *size > 0) font.setPointSize(*size);
  font.setBold(bold);
  return font;
}

}  // namespace

QFont SkinState::LabelFont(const ScrollLabelSkin& label) const {
  return SkinFont(label.font_name, label.font_size, label.font_bold);
}

QFont SkinState::NumsFont() const { return SkinFont(ini_.nums_font_name, ini_.nums_font_size, ini_.nums_font_bold); }

QFont SkinState::ListFont(const ListSkin& list) const { return SkinFont(list.font_name, list.font_size, false); }

int SkinState::ListItemHeight() const {
  return QFontMetrics(ListFont(ini_.list)).size(0, QString::fromUtf8("高")).height() + 4;
}

bool ChooseSkin(SkinState& skin, const fs::path& skins_root, std::string& name) {
  if (skin.LoadSkin(skins_root, name)) return true;
  name = kDefaultSkinName;
  return skin.LoadSkin(skins_root, name);
}

}  // namespace tazmel
