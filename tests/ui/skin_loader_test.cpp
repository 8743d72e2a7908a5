#include <gtest/gtest.h>

#include <QBitmap>
#include <QImage>
#include <QImageReader>
#include <QWidget>
#include <filesystem>
#include <string>

#include "temp_dir.h"
#include "ui/qt_app.h"
#include "ui/skins/crop_window.h"
#include "ui/skins/skin_state.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

namespace fs = std::filesystem;
using test::TempDir;
using test::WriteFile;

QString QtPath(const fs::path& p) { return QString::fromStdString(p.string()); }

QImage Filled(int w, int h, QColor color) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(color);
  return image;
}

void SaveImage(const QImage& image, const fs::path& path, const char* format) {
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(image.save(QtPath(path), format)) << path;
}

class SkinLoaderTest : public ::testing::Test {
 protected:
  SkinLoaderTest() {
    test::QtApp();
    MakeSkin("Default", "[Skin]\n", 20, 10);
  }

  // A skin folder with a main face of w x h and a playlist face.
  void MakeSkin(const std::string& name, std::string_view ini, int w, int h, QColor main_color = Qt::white) {
    fs::path folder = skins_ / name;
    WriteFile(folder / "skin.ini", ini);
    SaveImage(Filled(w, h, main_color), folder / "main.bmp", "BMP");
    SaveImage(Filled(30, 40, Qt::gray), folder / "playlist.bmp", "BMP");
  }

  TempDir dir_;
  fs::path skins_ = dir_ / "Skins";
  SkinState skin_;
};

// A skin whose main face file does not exist fails, and Default takes over.
TEST_F(SkinLoaderTest, MissingMainFaceFallsBackToDefault) {
  MakeSkin("Broken", "[Skin]\nFace_MainForm=nope.bmp\n", 50, 50);
  std::string name = "Broken";
  EXPECT_FALSE(skin_.LoadSkin(skins_, name));
  EXPECT_FALSE(skin_.Loaded());
  ASSERT_TRUE(ChooseSkin(skin_, skins_, name));
  EXPECT_EQ(name, "Default");
  EXPECT_EQ(skin_.MainFace().size(), QSize(20, 10));

  // Nothing of a failed skin replaces what is loaded.
  std::string other = "Broken";
  EXPECT_FALSE(skin_.LoadSkin(skins_, other));
  EXPECT_EQ(skin_.MainFace().size(), QSize(20, 10));
}

// The loads that fail: no folder, no skin.ini, no playlist face, or a face
// file that exists but is no picture.
TEST_F(SkinLoaderTest, LoadFailures) {
  MakeSkin("NoIni", "", 5, 5);
  fs::remove(skins_ / "NoIni" / "skin.ini");
  MakeSkin("NoPlaylist", "[Skin]\n", 5, 5);
  fs::remove(skins_ / "NoPlaylist" / "playlist.bmp");
  MakeSkin("BadAdd", "[Skin]\n", 5, 5);
  WriteFile(skins_ / "BadAdd" / "add.bmp", "not a bitmap");
  for (std::string_view name : {"Nowhere", "NoIni", "NoPlaylist", "BadAdd"}) {
    SkinState skin;
    EXPECT_FALSE(skin.LoadSkin(skins_, name)) << name;
  }
  SkinState skin;
  EXPECT_TRUE(skin.LoadSkin(skins_, "default")) << "names match without case";
}

// Skin names and skin.ini file names never reach outside the Skins folder.
// A face cut short (a broken copy or download) is refused like a missing
// skin.ini, whichever face it is and wherever the file ends, so Default
// comes instead of a face with undecoded pixels.
TEST_F(SkinLoaderTest, TruncatedFaceRefusesTheSkin) {
  const struct {
    const char* file;
    double kept;  // fraction of the file left
  } cases[] = {{"main.bmp", 0.5},      {"main.bmp", 0.05}, {"main.bmp", 0.999}, {"playlist.bmp", 0.5},
               {"main_down.bmp", 0.5}, {"add.bmp", 0.5},   {"nums.bmp", 0.5}};
  for (const auto& c : cases) {
    MakeSkin("Cut", "[Skin]\n", 40, 30, Qt::red);
    const fs::path faces = skins_ / "Cut";
    for (const char* extra : {"main_down.bmp", "add.bmp", "nums.bmp"}) {
      SaveImage(Filled(40, 30, Qt::blue), faces / extra, "BMP");
    }
    const fs::path cut = faces / c.file;
    const auto size = fs::file_size(cut);
    fs::resize_file(cut, static_cast<std::uintmax_t>(static_cast<double>(size) * c.kept));
    SkinState skin;
    std::string name = "Cut";
    EXPECT_FALSE(skin.LoadSkin(skins_, name)) << c.file << " " << c.kept;
    ASSERT_TRUE(ChooseSkin(skin, skins_, name));
    EXPECT_EQ(name, "Default") << c.file << " " << c.kept;
    fs::remove_all(faces);
  }
}

TEST_F(SkinLoaderTest, HostileNamesStayInside) {
  // A complete skin beside Skins/ that a name might try to reach.
  WriteFile(dir_ / "Outside" / "skin.ini", "[Skin]\n");
  SaveImage(Filled(7, 7, Qt::red), dir_ / "Outside" / "main.bmp", "BMP");
  SaveImage(Filled(7, 7, Qt::red), dir_ / "Outside" / "playlist.bmp", "BMP");
  for (std::string_view name : {"../Outside", "..\\Outside", "..", "", "/tmp"}) {
    std::string chosen(name);
    EXPECT_FALSE(skin_.LoadSkin(skins_, name)) << name;
    EXPECT_TRUE(ChooseSkin(skin_, skins_, chosen));
    EXPECT_EQ(chosen, "Default");
  }
  MakeSkin("Sneaky", "[Skin]\nFace_MainForm=..\\..\\Outside\\main.bmp\nFace_MainForm_Down=../../Outside/main.bmp\n", 5,
           5);
  EXPECT_FALSE(skin_.LoadSkin(skins_, "Sneaky"));
  MakeSkin("Sneaky2", "[Skin]\nFace_MainForm_Down=../../Outside/main.bmp\n", 5, 5, Qt::white);
  ASSERT_TRUE(skin_.LoadSkin(skins_, "Sneaky2"));
  // The pressed face outside was not read; the main face stands in.
  EXPECT_EQ(skin_.PressedFace(), skin_.MainFace());
}

// Without main_down.bmp a pressed button looks like a released one; with it
// the piece comes from the pressed face.
TEST_F(SkinLoaderTest, PressedFaceAndSlicing) {
  MakeSkin("Plain", "[MainForm]\nbPlay=2,2,6,5\n", 10, 10);
  ASSERT_TRUE(skin_.LoadSkin(skins_, "Plain"));
  EXPECT_EQ(skin_.ButtonLook(kPlay, true), skin_.ButtonLook(kPlay, false));
  EXPECT_EQ(skin_.ButtonLook(kPlay, false).size(), QSize(4, 3));
  EXPECT_TRUE(skin_.ButtonLook(kStop, false).isNull()) << "a zero rectangle is no piece";

  MakeSkin("Pressed",
           "[Skin]\nColorMask_Add=255,0,255\n[MainForm]\nbPlay=2,2,6,5\nsPlayState=0,0,2,2\n"
           "[AddFace]\nbVolumeMove=0,0,2,2\nsPause=2,0,4,2\n[VolumeBar]\nBoundsRect=10,10,50,20\n",
           10, 10);
  SaveImage(Filled(10, 10, Qt::black), skins_ / "Pressed" / "main_down.bmp", "BMP");
  QImage add = Filled(4, 2, Qt::green);
  add.setPixelColor(0, 0, QColor(255, 0, 255));
  SaveImage(add, skins_ / "Pressed" / "add.bmp", "BMP");
  ASSERT_TRUE(skin_.LoadSkin(skins_, "Pressed"));
  EXPECT_EQ(skin_.ButtonLook(kPlay, true).pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(skin_.ButtonLook(kPlay, false).pixelColor(0, 0), QColor(Qt::white));
  EXPECT_EQ(skin_.PlayStateLook(SkinState::kPlaying).pixelColor(0, 0), QColor(Qt::black));
  EXPECT_EQ(skin_.PlayStateLook(SkinState::kStopped).pixelColor(0, 0), QColor(Qt::white));
  EXPECT_EQ(skin_.PlayStateLook(SkinState::kPaused).pixelColor(0, 0), QColor(Qt::green));
  // The ColorMask_Add colour is see-through in a thumb.
  QImage thumb = skin_.ThumbLook(SkinState::Bar::kVolume, false);
  EXPECT_EQ(qAlpha(thumb.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(thumb.pixel(1, 1)), 255);
  // A horizontal bar centres its 2 x 2 thumb across the bar's height of 10.
  EXPECT_EQ(skin_.ThumbRect(SkinState::Bar::kVolume), QRect(10, 14, 2, 2));
}

// A 6 x 6 face with mask-coloured pixels in a corner, in the top strip and
// inside the crop rectangle (2,2)-(4,4): each crop type cuts only its areas.
TEST(CropWindowTest, CropTypesScanTheirAreas) {
  test::QtApp();
  const QColor magenta(255, 0, 255);
  QImage face = Filled(6, 6, Qt::white);
  const QPoint corner(0, 0), strip(3, 0), inside(3, 3), plain(1, 1);
  for (QPoint p : {corner, strip, inside}) face.setPixelColor(p, magenta);
  const SkinRect rect{2, 2, 4, 4};
  struct Case {
    int type;
    bool corner_cut, strip_cut, inside_cut;
  } cases[] = {{0, true, true, true}, {1, true, true, false}, {2, true, false, false}, {3, false, false, false}};
  for (const Case& c : cases) {
    QRegion region = CropRegion(face, QSize(6, 6), MakeSkinColor(255, 0, 255), rect, c.type);
    EXPECT_EQ(!region.contains(corner), c.corner_cut) << c.type;
    EXPECT_EQ(!region.contains(strip), c.strip_cut) << c.type;
    EXPECT_EQ(!region.contains(inside), c.inside_cut) << c.type;
    EXPECT_TRUE(region.contains(plain)) << c.type;
  }

  // The colour text "255" is pure blue, and only exact matches are cut.
  QImage blue = Filled(3, 1, Qt::white);
  blue.setPixelColor(0, 0, QColor(0, 0, 255));
  blue.setPixelColor(1, 0, QColor(0, 0, 254));
  QRegion region = CropRegion(blue, QSize(3, 1), ParseSkinColor("255"), {}, 0);
  EXPECT_EQ(ToQColor(ParseSkinColor("255")), QColor(Qt::blue));
  EXPECT_FALSE(region.contains(QPoint(0, 0)));
  EXPECT_TRUE(region.contains(QPoint(1, 0)));

  // A window larger than its source, and a crop rectangle far outside both,
  // cut only pixels the source has.
  region = CropRegion(face, QSize(9, 9), MakeSkinColor(255, 0, 255), {-50, -50, 500, 500}, 2);
  EXPECT_EQ(region, QRegion(0, 0, 9, 9));
  region = CropRegion(face, QSize(9, 9), MakeSkinColor(255, 0, 255), {}, 0);
  EXPECT_FALSE(region.contains(inside));
  EXPECT_TRUE(region.contains(QPoint(8, 8)));

  QWidget window;
  window.resize(6, 6);
  CropWindow(window, face, MakeSkinColor(255, 0, 255), rect, 0);
  EXPECT_FALSE(window.mask().contains(inside));
}

// The playlist's crop rectangle stretches with the window; an all-zero one
// scans every pixel.
TEST(CropWindowTest, PlayListCropRule) {
  CropRule zero{MakeSkinColor(255, 0, 255), 2, {}};
  PlayListCrop crop = PlayListCropFor(zero, QSize(100, 80), QSize(60, 50));
  EXPECT_EQ(crop.type, 1);
  EXPECT_TRUE(crop.rect.IsZero());
  CropRule set{MakeSkinColor(255, 0, 255), 2, {5, 5, 55, 45}};
  crop = PlayListCropFor(set, QSize(100, 80), QSize(60, 50));
  EXPECT_EQ(crop.type, 2);
  EXPECT_EQ(crop.rect, (SkinRect{5, 5, 95, 75}));

  QImage face = Filled(4, 4, Qt::white);
  face.setPixelColor(2, 2, QColor(255, 0, 255));
  PlayListCrop all = PlayListCropFor(zero, QSize(4, 4), QSize(4, 4));
  EXPECT_FALSE(CropRegion(face, QSize(4, 4), MakeSkinColor(255, 0, 255), all.rect, all.type).contains(QPoint(2, 2)));
}

// Tree colours reach the list where its section lacks them.
TEST_F(SkinLoaderTest, ListTakesTreeColours) {
  MakeSkin("Lists", "[Tree]\nColor=255\nFontName=Serif\n[List]\nFontColor=1,2,3\n", 5, 5);
  ASSERT_TRUE(skin_.LoadSkin(skins_, "Lists"));
  EXPECT_EQ(ToQColor(skin_.Ini().list.color), QColor(Qt::blue));
  EXPECT_EQ(ToQColor(skin_.Ini().list.font_color), QColor(1, 2, 3));
  EXPECT_EQ(skin_.ListFont(skin_.Ini().list).family(), u"Serif"_s);
}

// Node icons come from the skin, else from Default; tray icons 1..8 are the
// ones found; a broken icon file keeps the old icons.
TEST_F(SkinLoaderTest, NodeAndTrayIcons) {
  ASSERT_TRUE(QImageReader::supportedImageFormats().contains("ico"));
  SaveImage(Filled(16, 16, Qt::red), skins_ / "Default" / "group.ico", "ICO");
  SaveImage(Filled(16, 16, Qt::red), skins_ / "Default" / "2.ico", "ICO");
  MakeSkin("Icons", "[Skin]\nIcon10=ten.ico\n", 5, 5);
  SaveImage(Filled(32, 32, Qt::green), skins_ / "Icons" / "radio.ico", "ICO");
  SaveImage(Filled(16, 16, Qt::blue), skins_ / "Icons" / "ten.ico", "ICO");
  SaveImage(Filled(16, 16, Qt::blue), skins_ / "Icons" / "1.ico", "ICO");
  ASSERT_TRUE(skin_.LoadSkin(skins_, "Icons"));
  // radio.ico (scaled to 16 x 16), group.ico from Default, then ten.ico.
  ASSERT_EQ(skin_.NodeIcons().size(), 3u);
  EXPECT_EQ(skin_.NodeIcons()[0].size(), QSize(16, 16));
  EXPECT_EQ(skin_.NodeIcons()[0].pixelColor(8, 8), QColor(Qt::green));
  EXPECT_EQ(skin_.NodeIcons()[1].pixelColor(8, 8), QColor(Qt::red));
  EXPECT_EQ(skin_.NodeIcons()[2].pixelColor(8, 8), QColor(Qt::blue));
  ASSERT_EQ(skin_.TrayIcons().size(), 2u);
  EXPECT_EQ(skin_.TrayIcons()[0].pixelColor(8, 8), QColor(Qt::blue));

  MakeSkin("BrokenIcon", "[Skin]\nRadio_Icon=../../../etc/passwd\nSubGroup_Icon=bad.ico\n", 5, 5);
  WriteFile(skins_ / "BrokenIcon" / "bad.ico", "garbage");
  ASSERT_TRUE(skin_.LoadSkin(skins_, "BrokenIcon"));
  EXPECT_EQ(skin_.NodeIcons().size(), 3u);
  EXPECT_EQ(skin_.NodeIcons()[0].pixelColor(8, 8), QColor(Qt::green));
  EXPECT_EQ(skin_.TrayIcons().size(), 2u);
}

// On a screen that scales by two, pieces come from the double-size drawing
// when the skin has one of exactly twice the size; the face itself and its
// coordinates stay as they are.
TEST_F(SkinLoaderTest, DoubleSizeFacesServeScaledScreens) {
  const struct {
    int ratio;
    QSize hi_size;
    QColor expected;
    qreal expected_ratio;
  } cases[] = {
      {2, {40, 20}, Qt::blue, 2},   // used
      {2, {41, 20}, Qt::white, 1},  // not exactly twice: ignored
      {1, {40, 20}, Qt::white, 1},  // a plain screen keeps the face
  };
  for (const auto& c : cases) {
    MakeSkin("Sharp", "[Skin]\n[MainForm]\nbStop=2,2,6,6\n", 20, 10);
    SaveImage(Filled(c.hi_size.width(), c.hi_size.height(), Qt::blue), skins_ / "Sharp" / "main@2x.bmp", "BMP");
    SkinState skin;
    skin.SetPixelRatio(c.ratio);
    ASSERT_TRUE(skin.LoadSkin(skins_, "Sharp"));
    EXPECT_EQ(skin.MainFace().size(), QSize(20, 10));
    const QImage look = skin.ButtonLook(kStop, false);
    EXPECT_EQ(look.devicePixelRatio(), c.expected_ratio) << c.hi_size.width();
    EXPECT_EQ(look.deviceIndependentSize(), QSizeF(4, 4));
    EXPECT_EQ(look.pixelColor(0, 0), c.expected) << c.hi_size.width();
    // Without a pressed face the pressed look is the drawing of the face.
    EXPECT_EQ(skin.ButtonLook(kStop, true).pixelColor(0, 0), c.expected);
  }
}

// Where the window's shape keeps a pixel, its double-size drawing never
// shows the mask colour (finer rounded corners would leave coloured dots).
TEST_F(SkinLoaderTest, DoubleSizeFaceFollowsTheShape) {
  MakeSkin("Round", "[Skin]\nColorMask_MainForm=255,0,255\n", 20, 10);
  QImage face = Filled(20, 10, Qt::white);
  face.setPixelColor(0, 0, Qt::magenta);
  SaveImage(face, skins_ / "Round" / "main.bmp", "BMP");
  QImage hi = Filled(40, 20, Qt::white);
  for (const QPoint p : {QPoint(0, 0), QPoint(1, 1), QPoint(2, 2), QPoint(3, 0)}) hi.setPixelColor(p, Qt::magenta);
  SaveImage(hi, skins_ / "Round" / "main@2x.bmp", "BMP");
  SkinState skin;
  skin.SetPixelRatio(2);
  ASSERT_TRUE(skin.LoadSkin(skins_, "Round"));
  const QImage& drawn = skin.DrawingFace(skin.MainFace());
  ASSERT_EQ(drawn.size(), QSize(40, 20));
  EXPECT_EQ(drawn.devicePixelRatio(), 2);
  EXPECT_EQ(drawn.pixelColor(0, 0), QColor(Qt::magenta));  // cut away anyway
  EXPECT_EQ(drawn.pixelColor(1, 1), QColor(Qt::magenta));
  EXPECT_EQ(drawn.pixelColor(2, 2), QColor(Qt::white));  // kept by the shape
  EXPECT_EQ(drawn.pixelColor(3, 0), QColor(Qt::white));
}

}  // namespace
}  // namespace tazmel
