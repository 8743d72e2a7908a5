#include "skin_files.h"

#include <QFile>
#include <QImage>
#include <sstream>
#include <system_error>
#include <vector>

#include "faces.h"
#include "icons.h"

namespace tazmel::skins {
namespace fs = std::filesystem;
namespace {

constexpr const char* kNodeIconFiles[kNamedNodeIconCount] = {
    "radio.ico",     "group.ico", "pick.ico",    "recently.ico",  "tv.ico",
    "mylibrary.ico", "genre.ico", "country.ico", "composite.ico", "netradio.ico"};

std::string RectText(const QRect& r) {
  if (r.isEmpty()) return "0,0,0,0";
  std::ostringstream out;
  out << r.left() << ',' << r.top() << ',' << r.left() + r.width() << ',' << r.top() + r.height();
  return out.str();
}

std::string ColorText(const QColor& c) {
  return std::to_string(c.red()) + ',' + std::to_string(c.green()) + ',' + std::to_string(c.blue());
}

class IniWriter {
 public:
  void Section(const std::string& name) { out_ << (out_.tellp() > 0 ? "\r\n[" : "[") << name << "]\r\n"; }
  void Key(const std::string& key, const std::string& value) { out_ << key << '=' << value << "\r\n"; }
  void Key(const std::string& key, const char* value) { Key(key, std::string(value)); }
  void Key(const std::string& key, int value) { Key(key, std::to_string(value)); }
  void Key(const std::string& key, const QRect& r) { Key(key, RectText(r)); }
  void Key(const std::string& key, const QColor& c) { Key(key, ColorText(c)); }
  std::string Text() const { return out_.str(); }

 private:
  std::ostringstream out_;
};

struct LabelStyle {
  QRect bounds;
  int size;
  QColor color;
  bool bold;
  bool auto_scroll;
};

void WriteLabel(IniWriter& ini, const SkinDesign& d, const std::string& section, const LabelStyle& style) {
  ini.Section(section);
  ini.Key("BoundsRect", style.bounds);
  ini.Key("Alignment", 0);
  ini.Key("FontName", d.font_family.toStdString());
  ini.Key("FontSize", style.size);
  ini.Key("FontColor", style.color);
  ini.Key("FontBold", style.bold ? 1 : 0);
  ini.Key("Elipses", style.auto_scroll ? 0 : 1);
  ini.Key("DrawType", 0);
  // One pixel every 40 ms: a calm, smooth crawl instead of 3 px jumps.
  ini.Key("ScrollDelay", 40);
  ini.Key("ScrollStep", 1);
  ini.Key("ScrollRepeatDelay", style.auto_scroll ? 1500 : 0);
  ini.Key("AutoScroll", style.auto_scroll ? 1 : 0);
  ini.Key("ScrollMode", 1);
}

void WriteList(IniWriter& ini, const SkinDesign& d, const std::string& section) {
  ini.Section(section);
  ini.Key("FontName", d.font_family.toStdString());
  ini.Key("FontSize", d.tree.font_size);
  ini.Key("FontColor", d.tree.font);
  ini.Key("Color", d.tree.back);
  ini.Key("PlayingItemFontColor", d.tree.playing);
  ini.Key("SelectedItemFontColor", d.tree.selected_font);
  ini.Key("SelectedItemBackColor", d.tree.selected_back);
}

QRect Inner(QSize size, int radius) { return Ltrb(radius, radius, size.width() - radius, size.height() - radius); }

QString SaveBmp(const QImage& image, const fs::path& path) {
  const QString name = QFile::decodeName(path.c_str());
  if (!image.convertToFormat(QImage::Format_RGB888).save(name, "BMP")) return "cannot write " + name;
  return {};
}

QString SaveBytes(const QByteArray& bytes, const fs::path& path) {
  QFile file(QFile::decodeName(path.c_str()));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
    return "cannot write " + file.fileName();
  }
  return {};
}

}  // namespace

std::string SkinIniText(const SkinDesign& d) {
  const MainLayout& m = d.main;
  const PlayListLayout& p = d.playlist;
  const Theme& t = d.theme;
  IniWriter ini;

  ini.Section("Skin");
  ini.Key("Face_MainForm", "main.bmp");
  ini.Key("Face_MainForm_Down", "main_down.bmp");
  ini.Key("Face_PlayListForm", "playlist.bmp");
  ini.Key("Face_Add", "add.bmp");
  ini.Key("Face_Nums", "nums.bmp");
  ini.Key("Face_ClockNums", "nums_clock.bmp");
  ini.Key("ColorMask_Add", d.add_mask);
  ini.Key("PlayListFormCanZoom", 1);
  // Only the corner squares can hold mask pixels; scanning just those keeps
  // the region cheap to build.
  ini.Key("ColorMask_MainForm", d.mask);
  ini.Key("CropRegionType_MainForm", 2);
  ini.Key("NotCropRegion_MainForm", Inner(m.size, m.corner_radius));
  ini.Key("ColorMask_PlayListForm", d.mask);
  ini.Key("CropRegionType_PlayListForm", 2);
  ini.Key("NotCropRegion_PlayListForm", Inner(p.size, p.corner_radius));
  ini.Key("MoveResizeStyle", 0);
  ini.Key("LockPlayListForm", 1);
  ini.Key("PlayListFormAlign", d.playlist_align);

  ini.Section("MainForm");
  for (int i = 0; i < kMainButtonCount; ++i) ini.Key(MainButtonKey(i), m.buttons[i]);
  ini.Key("StepNum", d.step_num);
  ini.Key("sPlayState", m.play_state);
  ini.Key("sSoundState", m.sound_state);
  ini.Key("sRecordState", m.record_state);
  // The number sits centred on its whole button, not on the default label
  // that is shifted one pixel.
  for (int i = 0; i < kChannelCount; ++i) ini.Key("NumLabel" + std::to_string(i + 1), m.buttons[i]);
  ini.Key("sElapsedTime", m.elapsed_digits);
  ini.Key("sClock", m.clock_digits);
  ini.Key("NumsFontName", d.font_family.toStdString());
  ini.Key("NumsFontSize", d.nums_font_size);
  ini.Key("NumsFontColor", t.text_dim);
  ini.Key("NumsFontBold", 1);

  ini.Section("AddFace");
  for (const AddPiece& piece : PackAddFace(d).pieces) ini.Key(piece.key, piece.rect);

  for (const auto& [section, bar] : {std::pair<std::string, QRect>{"VolumeBar", m.volume_bar},
                                     {"EquationBar", m.equation_bar},
                                     {"ProgressBar", m.progress_bar}}) {
    ini.Section(section);
    ini.Key("BoundsRect", bar);
    ini.Key("Orientation", 0);
  }

  WriteLabel(ini, d, "NameLabel", {m.name_label, d.name_font_size, t.text, true, true});
  WriteLabel(ini, d, "StateLabel", {m.state_label, d.small_font_size, t.text_dim, false, false});
  WriteLabel(ini, d, "SpeedLabel", {m.speed_label, d.small_font_size, t.text_dim, false, false});
  // Elapsed time and clock are shown by the digit displays; the text labels
  // get no room so the two never draw over each other.
  WriteLabel(ini, d, "ElapsedLabel", {QRect(), d.small_font_size, t.text_dim, false, false});
  WriteLabel(ini, d, "ClockLabel", {QRect(), d.small_font_size, t.text_dim, false, false});

  ini.Section("PlayListForm");
  for (int i = 0; i < kPlayListPieceCount; ++i) ini.Key(std::string(PlayListPieceKey(i)), p.pieces[i]);
  ini.Key("ScrollBarOrbit", p.orbit);
  for (int i = 0; i < kPlayListButtonCount; ++i) ini.Key(std::string(PlayListButtonKey(i)), p.buttons[i]);
  ini.Key("Rect", p.rect);
  ini.Key("FormMinWidth", p.size.width());
  ini.Key("FormMinHeight", p.size.height());
  ini.Key("ZoomMove", std::to_string(p.grip.width()) + ',' + std::to_string(p.grip.height()) + ",0,0");

  WriteList(ini, d, "Tree");
  WriteList(ini, d, "List");
  return ini.Text();
}

QString WriteSkin(const SkinDesign& d, const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) return QString::fromStdString("cannot create " + folder.string() + ": " + ec.message());

  const std::string ini = SkinIniText(d);
  if (QString error = SaveBytes(QByteArray::fromStdString(ini), folder / "skin.ini"); !error.isEmpty()) return error;

  MainState normal, pressed;
  pressed.pressed = true;
  for (int scale : {1, 2}) {
    const std::string suffix = scale == 1 ? "" : "@2x";
    const std::vector<std::pair<std::string, QImage>> faces = {
        {"main", RenderMain(d, scale, normal)},
        {"main_down", RenderMain(d, scale, pressed)},
        {"add", RenderAdd(d, scale)},
        {"playlist", RenderPlayList(d, scale, false)},
        {"nums", RenderDigits(d, d.nums, scale)},
        {"nums_clock", RenderDigits(d, d.clock_nums, scale)},
    };
    for (const auto& [name, image] : faces) {
      if (QString error = SaveBmp(image, folder / (name + suffix + ".bmp")); !error.isEmpty()) return error;
    }
  }

  auto sizes = [](auto draw) {
    std::vector<QImage> images;
    for (int pixels : kIconSizes) images.push_back(draw(pixels));
    return images;
  };
  for (int i = 0; i < kNamedNodeIconCount; ++i) {
    const QByteArray ico = IcoFile(sizes([&](int px) { return NodeIcon(i, px, d.theme.accent); }));
    if (QString error = SaveBytes(ico, folder / kNodeIconFiles[i]); !error.isEmpty()) return error;
  }
  for (int n = 1; n <= kTrayIconCount; ++n) {
    const QByteArray ico = IcoFile(sizes([&](int px) { return TrayIcon(n, px, d.theme.accent); }));
    if (QString error = SaveBytes(ico, folder / TrayIconFile(n)); !error.isEmpty()) return error;
  }
  return {};
}

}  // namespace tazmel::skins
