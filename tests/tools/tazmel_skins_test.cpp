#include <gtest/gtest.h>

#include <QImage>
#include <QImageReader>
#include <QRegion>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "temp_dir.h"
#include "ui/qt_app.h"
#include "ui/skins/crop_window.h"
#include "ui/skins/skin_state.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;

const fs::path kSkinsRoot = fs::path(TAZMEL_STAGE_DIR) / "Skins";

QString QtPath(const fs::path& p) { return QString::fromStdString(p.string()); }

struct Named {
  std::string name;
  QRect rect;
};

class ShippedSkinTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    test::QtApp();
    ASSERT_TRUE(skin_.LoadSkin(kSkinsRoot, GetParam())) << GetParam();
  }

  const SkinIni& ini() const { return skin_.Ini(); }
  fs::path Folder() const { return kSkinsRoot / GetParam(); }

  // Everything of the main face that reacts to the mouse or shows state.
  std::vector<Named> MainControls() const {
    std::vector<Named> out;
    for (int i = 0; i < kMainButtonCount; ++i) out.push_back({MainButtonKey(i), ToQRect(ini().main_buttons[i])});
    out.push_back({"VolumeBar", ToQRect(ini().volume_bar.bounds)});
    out.push_back({"EquationBar", ToQRect(ini().equation_bar.bounds)});
    out.push_back({"ProgressBar", ToQRect(ini().progress_bar.bounds)});
    out.push_back({"sPlayState", ToQRect(ini().sPlayState)});
    out.push_back({"sSoundState", ToQRect(ini().sSoundState)});
    out.push_back({"sRecordState", ToQRect(ini().sRecordState)});
    return out;
  }

  SkinState skin_;
};

TEST_P(ShippedSkinTest, MainRectsAreSetAndInsideTheFace) {
  const QRect face = skin_.MainFace().rect();
  std::vector<Named> rects = MainControls();
  ASSERT_TRUE(ini().sElapsedTime && ini().sClock);
  rects.push_back({"sElapsedTime", ToQRect(*ini().sElapsedTime)});
  rects.push_back({"sClock", ToQRect(*ini().sClock)});
  for (int section : {kNameLabel, kStateLabel, kSpeedLabel}) {
    rects.push_back({std::string(ScrollLabelSectionName(section)), ToQRect(ini().labels[section].bounds)});
  }
  for (int i = 0; i < kChannelCount; ++i) rects.push_back({"NumLabel", ToQRect(ini().num_labels[i])});
  for (const Named& r : rects) {
    EXPECT_FALSE(r.rect.isEmpty()) << r.name;
    EXPECT_TRUE(face.contains(r.rect)) << r.name;
  }
  // Elapsed time and clock are shown by the digit displays; their text labels
  // are left without room so the two never draw over each other.
  EXPECT_TRUE(ini().labels[kElapsedLabel].bounds.IsZero());
  EXPECT_TRUE(ini().labels[kClockLabel].bounds.IsZero());
}

TEST_P(ShippedSkinTest, ControlsDoNotOverlap) {
  const std::vector<Named> rects = MainControls();
  for (std::size_t i = 0; i < rects.size(); ++i) {
    for (std::size_t j = i + 1; j < rects.size(); ++j) {
      EXPECT_FALSE(rects[i].rect.intersects(rects[j].rect)) << rects[i].name << " / " << rects[j].name;
    }
  }
}

TEST_P(ShippedSkinTest, AddFacePiecesFitWhereTheyAreDrawn) {
  const AddFaceSkin& a = ini().add;
  const QRect face = skin_.AddFace().rect();
  auto size_of = [](SkinRect r) { return QSize(r.Width(), r.Height()); };
  // Piece, its pressed partner, and the size it must have on the window.
  struct Pair {
    const char* name;
    SkinRect normal, down;
    QSize target;
  };
  const Pair pairs[] = {
      {"bRecord", a.bRecord, a.bRecord_Down, size_of(ini().main_buttons[kRecord])},
      {"bMute", a.bMute, a.bMute_Down, size_of(ini().main_buttons[kMute])},
      {"bMP3", a.bMP3, a.bMP3_Down, size_of(ini().main_buttons[kMP3])},
      {"bPlayListFormHide", a.bPlayListFormHide, a.bPlayListFormHide_Down,
       size_of(ini().main_buttons[kPlayListFormShow])},
      {"bVolumeMove", a.bVolumeMove, a.bVolumeMove_Down, size_of(a.bVolumeMove)},
      {"bEquationMove", a.bEquationMove, a.bEquationMove_Down, size_of(a.bEquationMove)},
      {"bProgressMove", a.bProgressMove, a.bProgressMove_Down, size_of(a.bProgressMove)},
      {"bScrollMove", a.bScrollMove, a.bScrollMove_Down, size_of(a.bScrollMove)},
      {"sReady/sPause", a.sReady, a.sPause, size_of(ini().sPlayState)},
  };
  std::vector<std::pair<std::string, QRect>> all;
  for (const Pair& p : pairs) {
    EXPECT_FALSE(ToQRect(p.normal).isEmpty()) << p.name;
    EXPECT_EQ(size_of(p.normal), p.target) << p.name;
    EXPECT_EQ(size_of(p.down), p.target) << p.name;
    all.push_back({p.name, ToQRect(p.normal)});
    all.push_back({std::string(p.name) + " down", ToQRect(p.down)});
  }
  for (int i = 0; i < kPlayListButtonCount; ++i) {
    EXPECT_EQ(size_of(a.playlist_buttons_down[i]), size_of(ini().playlist_buttons[i])) << PlayListButtonKey(i);
    all.push_back({std::string(PlayListButtonKey(i)), ToQRect(a.playlist_buttons_down[i])});
  }
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_TRUE(face.contains(all[i].second)) << all[i].first;
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      EXPECT_FALSE(all[i].second.intersects(all[j].second)) << all[i].first << " / " << all[j].first;
    }
  }
  // A thumb taller than its bar would be drawn outside the track.
  for (auto bar : {SkinState::Bar::kVolume, SkinState::Bar::kEquation, SkinState::Bar::kProgress}) {
    const BarSkin& b = bar == SkinState::Bar::kVolume     ? ini().volume_bar
                       : bar == SkinState::Bar::kEquation ? ini().equation_bar
                                                          : ini().progress_bar;
    EXPECT_TRUE(ToQRect(b.bounds).contains(skin_.ThumbRect(bar))) << static_cast<int>(bar);
  }
  // The thumbs are see-through around their round shape.
  const QImage thumb = skin_.ThumbLook(SkinState::Bar::kVolume, false);
  EXPECT_EQ(qAlpha(thumb.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(thumb.pixel(thumb.width() / 2, thumb.height() / 2)), 255);
}

TEST_P(ShippedSkinTest, PlayListPiecesAndButtonsLieInTheFrame) {
  const QRect face = skin_.PlayListFace().rect();
  for (int i = 0; i < kPlayListPieceCount; ++i) {
    EXPECT_FALSE(ToQRect(ini().pieces[i]).isEmpty()) << PlayListPieceKey(i);
    EXPECT_TRUE(face.contains(ToQRect(ini().pieces[i]))) << PlayListPieceKey(i);
  }
  for (const SkinRect& r : {ini().scroll_bar_orbit, ini().rect}) {
    EXPECT_FALSE(ToQRect(r).isEmpty());
    EXPECT_TRUE(face.contains(ToQRect(r)));
  }
  EXPECT_LE(ini().add.bScrollMove.Width(), ini().scroll_bar_orbit.Width());
  EXPECT_GT(ini().grip_width, 0);
  EXPECT_GT(ini().grip_height, 0);
  // A button must lie wholly inside one frame piece, otherwise it stays put
  // while the frame around it moves when the window grows.
  for (int b = 0; b < kPlayListButtonCount; ++b) {
    const QRect button = ToQRect(ini().playlist_buttons[b]);
    EXPECT_TRUE(face.contains(button)) << PlayListButtonKey(b);
    int holders = 0;
    for (int i = 0; i < kPlayListPieceCount; ++i) holders += ToQRect(ini().pieces[i]).contains(button);
    EXPECT_EQ(holders, 1) << PlayListButtonKey(b);
  }
}

TEST_P(ShippedSkinTest, PressedFaceChangesOnlyTheControls) {
  const QImage normal = skin_.MainFace().convertToFormat(QImage::Format_RGB32);
  const QImage pressed = skin_.PressedFace().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(normal.size(), pressed.size());
  QRegion controls;
  // Buttons show their pressed look, bars their fill, indicators their on
  // look: all from the pressed face.
  for (const Named& r : MainControls()) {
    controls += r.rect;
    EXPECT_NE(normal.copy(r.rect), pressed.copy(r.rect)) << r.name;
  }
  int differing_outside = 0;
  for (int y = 0; y < normal.height(); ++y) {
    for (int x = 0; x < normal.width(); ++x) {
      if (!controls.contains(QPoint(x, y)) && normal.pixel(x, y) != pressed.pixel(x, y)) ++differing_outside;
    }
  }
  EXPECT_EQ(differing_outside, 0);
}

TEST_P(ShippedSkinTest, CornersAreCutAndTheMaskStaysInThem) {
  struct Window {
    const char* name;
    const QImage& face;
    const CropRule& rule;
  };
  for (const Window& w : {Window{"main", skin_.MainFace(), ini().main_crop},
                          Window{"playlist", skin_.PlayListFace(), ini().playlist_crop}}) {
    ASSERT_TRUE(w.rule.mask_color) << w.name;
    const QSize size = w.face.size();
    const QRegion region = CropRegion(w.face, size, *w.rule.mask_color, w.rule.not_crop, w.rule.crop_type);
    for (QPoint corner : {QPoint(0, 0), QPoint(size.width() - 1, 0), QPoint(0, size.height() - 1),
                          QPoint(size.width() - 1, size.height() - 1)}) {
      EXPECT_FALSE(region.contains(corner)) << w.name;
    }
    EXPECT_TRUE(region.contains(QPoint(size.width() / 2, size.height() / 2))) << w.name;
    EXPECT_TRUE(region.contains(QPoint(size.width() / 2, 0))) << w.name << " top edge";
    // Mask pixels outside the scanned corners would show as magenta dots.
    const QRgb mask = ToQColor(*w.rule.mask_color).rgb();
    const QRect inner = ToQRect(w.rule.not_crop);
    const QImage pixels = w.face.convertToFormat(QImage::Format_RGB32);
    int stray = 0;
    for (int y = 0; y < size.height(); ++y) {
      for (int x = 0; x < size.width(); ++x) {
        const bool in_corner = (x < inner.left() || x > inner.right()) && (y < inner.top() || y > inner.bottom());
        if (!in_corner && pixels.pixel(x, y) == mask) ++stray;
      }
    }
    EXPECT_EQ(stray, 0) << w.name;
  }
}

TEST_P(ShippedSkinTest, DigitStripsHoldTwelveDistinctCells) {
  for (const QImage* strip : {&skin_.NumsFace(), &skin_.ClockNumsFace()}) {
    ASSERT_FALSE(strip->isNull());
    ASSERT_EQ(strip->width() % 12, 0);
    const int cell = strip->width() / 12;
    const QImage rgb = strip->convertToFormat(QImage::Format_RGB32);
    std::vector<QImage> cells;
    for (int i = 0; i < 12; ++i) cells.push_back(rgb.copy(i * cell, 0, cell, rgb.height()));
    for (int i = 0; i < 12; ++i) {
      for (int j = i + 1; j < 12; ++j) EXPECT_NE(cells[i], cells[j]) << i << " / " << j;
    }
    // The blank cell is all transparent colour, taken from the lower left.
    QImage blank(cells[11].size(), QImage::Format_RGB32);
    blank.fill(rgb.pixel(0, rgb.height() - 1));
    EXPECT_EQ(cells[11], blank);
  }
}

TEST_P(ShippedSkinTest, IconsCarryThreeSizes) {
  EXPECT_EQ(skin_.NodeIcons().size(), static_cast<std::size_t>(kNamedNodeIconCount));
  EXPECT_EQ(skin_.TrayIcons().size(), static_cast<std::size_t>(kTrayIconCount));
  int ico_files = 0;
  for (const auto& entry : fs::directory_iterator(Folder())) {
    if (entry.path().extension() != ".ico") continue;
    ++ico_files;
    QImageReader reader(QtPath(entry.path()));
    ASSERT_EQ(reader.imageCount(), 3) << entry.path();
    std::set<int> sizes;
    for (int i = 0; i < 3; ++i) {
      ASSERT_TRUE(reader.jumpToImage(i));
      const QImage image = reader.read();
      ASSERT_FALSE(image.isNull()) << entry.path() << " image " << i;
      EXPECT_EQ(image.width(), image.height());
      EXPECT_TRUE(image.hasAlphaChannel());
      sizes.insert(image.width());
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48})) << entry.path();
  }
  EXPECT_EQ(ico_files, kNamedNodeIconCount + kTrayIconCount);
  // The tray frames animate: consecutive frames differ.
  for (std::size_t i = 1; i < skin_.TrayIcons().size(); ++i) {
    EXPECT_NE(skin_.TrayIcons()[i - 1], skin_.TrayIcons()[i]) << i;
  }
}

TEST_P(ShippedSkinTest, DoubleSizeBitmapsAreExactlyTwiceAsLarge) {
  for (const char* name : {"main", "main_down", "add", "playlist", "nums", "nums_clock"}) {
    const QImage one(QtPath(Folder() / (std::string(name) + ".bmp")));
    const QImage two(QtPath(Folder() / (std::string(name) + "@2x.bmp")));
    ASSERT_FALSE(one.isNull()) << name;
    EXPECT_EQ(two.size(), one.size() * 2) << name;
    // 24-bit files: the faces carry no alpha, transparency is by mask colour.
    for (const char* suffix : {".bmp", "@2x.bmp"}) {
      const std::string bytes = test::ReadFile(Folder() / (std::string(name) + suffix));
      ASSERT_GT(bytes.size(), 30u);
      EXPECT_EQ(bytes.substr(0, 2), "BM");
      EXPECT_EQ(static_cast<unsigned char>(bytes[28]) | static_cast<unsigned char>(bytes[29]) << 8, 24) << name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedSkinTest, ::testing::Values("Default", "Daylight"));

TEST(ShippedSkinsTest, SecondSkinOwnsADifferentLayout) {
  test::QtApp();
  SkinState first, second;
  ASSERT_TRUE(first.LoadSkin(kSkinsRoot, "Default"));
  ASSERT_TRUE(second.LoadSkin(kSkinsRoot, "Daylight"));
  EXPECT_NE(first.MainFace().size(), second.MainFace().size());
  int moved = 0;
  for (int i = 0; i < kMainButtonCount; ++i) moved += !(first.Ini().main_buttons[i] == second.Ini().main_buttons[i]);
  EXPECT_GT(moved, kMainButtonCount / 2);
  EXPECT_NE(first.Ini().step_num, second.Ini().step_num);
}

// The tool writes the same bytes on every run.
TEST(ShippedSkinsTest, ToolIsDeterministic) {
  test::TempDir a, b;
  for (const test::TempDir* dir : {&a, &b}) {
    const std::string command = std::string("'") + TAZMEL_SKINS_TOOL + "' '" + dir->path().string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(a.path())) {
    if (!entry.is_regular_file()) continue;
    ++files;
    const fs::path twin = b.path() / fs::relative(entry.path(), a.path());
    EXPECT_EQ(test::ReadFile(entry.path()), test::ReadFile(twin)) << entry.path();
  }
  EXPECT_GT(files, 0);
  // And the staged copy was made by the same program.
  EXPECT_EQ(test::ReadFile(a / "Default" / "main.bmp"), test::ReadFile(kSkinsRoot / "Default" / "main.bmp"));
}

}  // namespace
}  // namespace tazmel
