#include "ui/playlist/playlist_window.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QListView>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>
#include <string>

#include "support/manual_dispatcher.h"
#include "temp_dir.h"
#include "ui/qt_app.h"
#include "ui/skins/skin_state.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const QColor kFaceColour(0x40, 0x40, 0x40);
const QColor kButtonColour(0x20, 0x40, 0xC0);
const QColor kPressedColour(0xE0, 0x30, 0x30);
const QColor kThumbColour(0x30, 0xD0, 0x30);

void Save(const QImage& image, const fs::path& path) {
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(image.save(QString::fromStdString(path.string()), "BMP")) << path;
}

// A 100 x 60 playlist face with a 10-pixel frame, the panel at
// (10, 10)-(80, 50) and the orbit right of it. Buttons: Add Radio in
// bottom_left, Find below the panel (in no moving piece), Close in
// top_right, the scroll buttons in right_top and right_bottom. Buttons are
// blue on the face and red in the add face, so a pixel tells which look is
// drawn.
struct SkinOptions {
  bool zoom = true;
  bool lock = true;
  // Frame pieces, orbit and panel of negative, zero, one-pixel and huge
  // sizes instead of the frame.
  bool hostile = false;
  bool move_resize = false;
};

constexpr char kHostilePieces[] =
    "top_left=50,50,10,10\ntop_left_tile=0,0,1,1\ntop_middle_title=0,0,2147483647,2147483647\n"
    "top_right_tile=-2147483648,0,2147483647,1\ntop_right=10,10,10,10\nbottom_left=-5,-5,3,3\n"
    "bottom_middle_tile=0,0,1,2147483647\nbottom_right=2147483640,2147483640,2147483647,2147483647\n"
    "left_top=0,0,0,0\nleft_middle_tile=0,0,1,1\nleft_bottom=0,0,-20,-20\nright_top=0,0,100,60\n"
    "right_middle_tile=1,1,2,2\nright_bottom=-2147483648,-2147483648,-2147483640,-2147483640\n"
    "Rect=-100,-100,50,30\nScrollBarOrbit=0,2147483647,-2147483648,0\n";

std::string SkinIni(const SkinOptions& o) {
  std::string ini = "[Skin]\nPlayListFormCanZoom=" + std::to_string(o.zoom) +
                    "\nMoveResizeStyle=" + std::to_string(o.move_resize) +
                    "\nLockPlayListForm=" + std::to_string(o.lock) + "\n";
  if (o.hostile)
    return ini + "[PlayListForm]\n" + kHostilePieces + "FormMinWidth=-5\n[AddFace]\nbScrollMove=0,0,9,99\n";
  ini +=
      "[PlayListForm]\ntop_left=0,0,10,10\ntop_left_tile=10,0,20,10\ntop_middle_title=20,0,80,10\n"
      "top_right_tile=80,0,90,10\ntop_right=90,0,100,10\nbottom_left=0,50,10,60\n"
      "bottom_middle_tile=10,50,90,60\nbottom_right=90,50,100,60\nleft_top=0,10,10,20\n"
      "left_middle_tile=0,20,10,40\nleft_bottom=0,40,10,50\nright_top=90,10,100,20\n"
      "right_middle_tile=90,20,100,40\nright_bottom=90,40,100,50\n"
      "Rect=10,10,80,50\nScrollBarOrbit=82,12,88,48\n"
      "bAddRadio=1,51,9,59\nbFind=30,51,40,59\nbPlayListFormClose=91,1,99,9\n"
      "bScrollUp=91,11,99,19\nbScrollDown=91,41,99,49\n"
      "FormMinWidth=120\nFormMinHeight=80\nZoomMove=10,10\n";
  ini +=
      "[AddFace]\nbScrollMove=0,0,6,8\nbScrollMove_Down=0,0,6,8\nbAddRadio_Down=10,0,18,8\n"
      "bFind_Down=20,0,30,8\nbPlayListFormClose_Down=40,0,48,8\nbScrollUp_Down=50,0,58,8\n"
      "bScrollDown_Down=60,0,68,8\n";
  return ini;
}

class PlayListWindowTest : public ::testing::Test {
 protected:
  void LoadSkin(const SkinOptions& options = {}) {
    const fs::path folder = dir_ / "Skins" / "Test";
    test::WriteFile(folder / "skin.ini", SkinIni(options));
    QImage main(50, 30, QImage::Format_RGB32);
    main.fill(Qt::white);
    Save(main, folder / "main.bmp");
    QImage face(100, 60, QImage::Format_RGB32);
    face.fill(kFaceColour);
    for (const QRect& button :
         {QRect(1, 51, 8, 8), QRect(30, 51, 10, 8), QRect(91, 1, 8, 8), QRect(91, 11, 8, 8), QRect(91, 41, 8, 8)}) {
      for (int y = button.top(); y <= button.bottom(); ++y) {
        for (int x = button.left(); x <= button.right(); ++x) face.setPixelColor(x, y, kButtonColour);
      }
    }
    Save(face, folder / "playlist.bmp");
    QImage add(70, 8, QImage::Format_RGB32);
    add.fill(kPressedColour);
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 6; ++x) add.setPixelColor(x, y, kThumbColour);
    }
    Save(add, folder / "add.bmp");
    ASSERT_TRUE(skin_.LoadSkin(dir_ / "Skins", "Test"));
    window_.SetSkin(&skin_);
    window_.SetDispatcher(dispatcher_);
    window_.ApplySkin();
  }

  // A list of `rows` rows as the pane, 20 rows high at most on show.
  QListView* AddListPane(int rows, bool as_tree = true) {
    auto* model = new QStandardItemModel(&window_);
    for (int i = 0; i < rows; ++i) model->appendRow(new QStandardItem(QStringLiteral("Row %1").arg(i)));
    auto* view = new QListView;
    view->setModel(model);
    if (as_tree) {
      window_.SetPanes(view, nullptr);
    } else {
      window_.SetPanes(nullptr, view);
    }
    return view;
  }

  // Shown, exposed, and the panes laid out.
  void Show() {
    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    test::FlushPaints();
  }

  void Mouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
  }
  void Press(QPoint at) { Mouse(&window_, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton); }
  void Drag(QPoint at) { Mouse(&window_, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton); }
  void Release(QPoint at) { Mouse(&window_, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }

  QPoint Centre(int button) const {
    const SkinRect r = window_.ButtonRect(button);
    return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  QColor PixelAt(QPoint p) { return window_.grab().toImage().pixelColor(p); }

  // The application exists before the window does.
  QApplication& app_ = test::QtApp();
  test::TempDir dir_;
  SkinState skin_;
  test::ManualDispatcher dispatcher_;
  TfrmPlayList window_;
};

// The buttons follow their pieces when the window grows: bottom_left down,
// top_right right, right_bottom both ways; Find, below the panel, stays.
TEST_F(PlayListWindowTest, ButtonsFollowTheResize) {
  window_.resize(60, 40);
  LoadSkin();
  EXPECT_EQ(window_.size(), QSize(120, 80));  // raised to the minimum
  window_.resize(160, 100);
  Show();
  EXPECT_EQ(window_.ButtonRect(kBtnAddRadio), (SkinRect{1, 91, 9, 99}));
  EXPECT_EQ(window_.ButtonRect(kBtnClose), (SkinRect{151, 1, 159, 9}));
  EXPECT_EQ(window_.ButtonRect(kBtnScrollDown), (SkinRect{151, 81, 159, 89}));
  EXPECT_EQ(window_.ButtonRect(kBtnFind), (SkinRect{30, 51, 40, 59}));
  EXPECT_EQ(window_.Stretch()->geometry(), QRect(10, 10, 130, 80));
}

// Press, leave and release: the pressed look shows on the press, the
// normal look comes back on leaving and stays on coming back, and only a
// release inside after a press that stayed runs the command.
TEST_F(PlayListWindowTest, ButtonPressLeaveRelease) {
  LoadSkin();
  Show();
  QSignalSpy commands(&window_, &TfrmPlayList::buttonCommand);
  const QPoint find = Centre(kBtnAddRadio);

  Press(find);
  EXPECT_EQ(window_.PressedButton(), kBtnAddRadio);
  EXPECT_EQ(PixelAt(find), kPressedColour);
  Drag(find + QPoint(20, 0));
  EXPECT_EQ(PixelAt(find), kButtonColour);
  Drag(find);  // back inside: still the normal look
  EXPECT_EQ(PixelAt(find), kButtonColour);
  Release(find);
  EXPECT_EQ(commands.count(), 0);
  EXPECT_EQ(window_.PressedButton(), kBtnAddRadio);  // kept until the next press

  Press(find);
  Release(find);
  ASSERT_EQ(commands.count(), 1);
  EXPECT_EQ(commands.at(0).at(0).toInt(), kBtnAddRadio);
  EXPECT_EQ(PixelAt(find), kButtonColour);

  // The edge of a button is not the button: nothing is pressed there.
  const SkinRect r = window_.ButtonRect(kBtnFind);
  Press(QPoint(r.left, r.top + 2));
  EXPECT_EQ(window_.PressedButton(), -1);
  Release(QPoint(r.left, r.top + 2));
  EXPECT_EQ(commands.count(), 1);
}

// The close button tells the owner first, then hides the window.
TEST_F(PlayListWindowTest, CloseButtonAnnouncesAndHides) {
  LoadSkin();
  Show();
  QSignalSpy closing(&window_, &TfrmPlayList::closing);
  QSignalSpy shown(&window_, &TfrmPlayList::visibilityChanged);
  Press(Centre(kBtnClose));
  Release(Centre(kBtnClose));
  EXPECT_EQ(closing.count(), 1);
  EXPECT_FALSE(window_.isVisible());
  ASSERT_EQ(shown.count(), 1);
  EXPECT_FALSE(shown.at(0).at(0).toBool());
}

// A held scroll button scrolls once at once, again after 500 ms, then
// every 50 ms; leaving the button stops the repeat.
TEST_F(PlayListWindowTest, ScrollButtonRepeats) {
  LoadSkin();
  QListView* pane = AddListPane(200);
  Show();
  QScrollBar* bar = pane->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 20);
  const QPoint down = Centre(kBtnScrollDown);

  Press(down);
  EXPECT_EQ(bar->value(), 1);
  EXPECT_TRUE(window_.RepeatActive());
  dispatcher_.Advance(499ms);
  EXPECT_EQ(bar->value(), 1);
  dispatcher_.Advance(1ms);
  EXPECT_EQ(bar->value(), 2);
  dispatcher_.Advance(100ms);
  EXPECT_EQ(bar->value(), 4);
  Drag(down + QPoint(-30, 0));
  EXPECT_FALSE(window_.RepeatActive());
  dispatcher_.Advance(500ms);
  EXPECT_EQ(bar->value(), 4);
  Release(down + QPoint(-30, 0));

  // A click on the up button scrolls one line and leaves no repeat.
  Press(Centre(kBtnScrollUp));
  Release(Centre(kBtnScrollUp));
  EXPECT_EQ(bar->value(), 3);
  EXPECT_FALSE(window_.RepeatActive());
  dispatcher_.Advance(1s);
  EXPECT_EQ(bar->value(), 3);
}

// The thumb follows the pane's first visible row; dragged to the orbit's
// bottom it scrolls the pane to its end; an empty pane keeps it on top.
TEST_F(PlayListWindowTest, ThumbFollowsAndDrags) {
  LoadSkin();
  window_.resize(160, 200);
  QListView* pane = AddListPane(300);
  Show();
  QScrollBar* bar = pane->verticalScrollBar();
  const ScrollTrack& track = window_.Track();
  QWidget* thumb = window_.Thumb();
  EXPECT_EQ(thumb->geometry(), QRect(track.ThumbLeft(), track.orbit.top, 6, 8));

  bar->setValue(bar->maximum());
  EXPECT_EQ(thumb->y(), track.BottomTop());
  bar->setValue(bar->maximum() / 2);
  EXPECT_NEAR(thumb->y(), track.orbit.top + track.Travel() / 2, 1);

  bar->setValue(0);
  Mouse(thumb, QEvent::MouseButtonPress, QPoint(3, 4), Qt::LeftButton, Qt::LeftButton);
  Mouse(thumb, QEvent::MouseMove, QPoint(3, 4 + track.Travel()), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(thumb->y(), track.BottomTop());
  Mouse(thumb, QEvent::MouseButtonRelease, QPoint(3, 4), Qt::LeftButton, Qt::NoButton);

  // Half way down the orbit, a click puts the rows half way too.
  Press(QPoint(track.ThumbLeft() + 2, track.orbit.top + track.Travel() / 2 + 8 * 2 / 3));
  Release(QPoint(track.ThumbLeft() + 2, track.orbit.top + track.Travel() / 2 + 8 * 2 / 3));
  EXPECT_NEAR(bar->value(), bar->maximum() / 2, 1);

  AddListPane(0);
  EXPECT_EQ(thumb->y(), track.orbit.top);
  Press(QPoint(track.ThumbLeft() + 2, track.orbit.bottom - 1));
  EXPECT_EQ(thumb->y(), track.orbit.top);
}

// The grip sizes the window past its thresholds and never below the
// skin's minimum.
TEST_F(PlayListWindowTest, GripResizesWithinTheMinimum) {
  LoadSkin();
  window_.resize(200, 150);
  Show();
  QLabel* grip = window_.Grip();
  ASSERT_TRUE(grip->isVisible());
  EXPECT_EQ(grip->geometry(), QRect(190, 140, 10, 10));
  Mouse(grip, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
  Mouse(grip, QEvent::MouseMove, QPoint(15, 15), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(window_.size(), QSize(200, 150));  // 10 pixels: under both thresholds
  Mouse(grip, QEvent::MouseMove, QPoint(25, 20), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(window_.size(), QSize(220, 165));
  EXPECT_EQ(grip->geometry(), QRect(210, 155, 10, 10));
  Mouse(grip, QEvent::MouseMove, QPoint(-300, -300), Qt::NoButton, Qt::LeftButton);
  EXPECT_EQ(window_.size(), QSize(120, 80));
  Mouse(grip, QEvent::MouseButtonRelease, QPoint(-300, -300), Qt::LeftButton, Qt::NoButton);
  Mouse(grip, QEvent::MouseMove, QPoint(100, 100), Qt::NoButton, Qt::NoButton);
  EXPECT_EQ(window_.size(), QSize(120, 80));
}

// Sized by its edges (the window manager here cannot size it), the window
// follows the dragged edges and keeps the minimum by moving them back.
TEST_F(PlayListWindowTest, EdgesSizeWithinTheMinimum) {
  LoadSkin({.move_resize = true});
  EXPECT_FALSE(window_.Grip()->isVisibleTo(&window_));
  const QRect start(100, 100, 200, 150);
  const struct {
    QPoint press, offset;
    QRect expected;
  } cases[] = {
      {{3, 3}, {50, 30}, {150, 130, 150, 120}},      // top-left corner
      {{3, 3}, {100, 100}, {180, 170, 120, 80}},     // past the minimum: left and top give way
      {{197, 75}, {-100, 0}, {100, 100, 120, 150}},  // right edge, out to the minimum
      {{100, 147}, {0, 40}, {100, 100, 200, 190}},   // bottom edge
      {{100, 3}, {0, -20}, {100, 80, 200, 170}},     // top edge
  };
  for (const auto& c : cases) {
    window_.setGeometry(start);
    Show();
    ASSERT_TRUE(test::WaitUntil([&] { return window_.geometry() == start; }));
    Press(c.press);
    Mouse(&window_, QEvent::MouseMove, c.press + c.offset, Qt::NoButton, Qt::LeftButton);
    EXPECT_TRUE(test::WaitUntil([&] { return window_.geometry() == c.expected; }, 2000))
        << c.press.x() << "," << c.press.y() << ": " << window_.x() << "," << window_.y() << " " << window_.width()
        << "x" << window_.height();
    Release(c.press + c.offset);
  }
}

// A saved size below the skin's minimum comes back at the minimum; a
// skin that does not zoom keeps the face's size and hides the grip.
TEST_F(PlayListWindowTest, RestoredSizeAndFixedSkin) {
  LoadSkin();
  window_.RestoreGeometry(QRect(40, 50, 60, 300));
  EXPECT_EQ(window_.geometry(), QRect(40, 50, 120, 300));

  LoadSkin({.zoom = false});
  window_.RestoreGeometry(QRect(40, 50, 400, 300));
  EXPECT_EQ(window_.size(), QSize(100, 60));
  EXPECT_FALSE(window_.Grip()->isVisibleTo(&window_));
  EXPECT_EQ(window_.Stretch()->geometry(), QRect(10, 10, 70, 40));
  EXPECT_EQ(window_.ButtonRect(kBtnAddRadio), (SkinRect{1, 51, 9, 59}));
}

// A hostile skin's pieces, panel and orbit neither hang nor crash the
// window at any size, the thumb dragged included.
TEST_F(PlayListWindowTest, HostileSkinStaysUsable) {
  LoadSkin({.hostile = true});
  QListView* pane = AddListPane(50);
  Show();
  for (const QSize size : {QSize(100, 60), QSize(2000, 1500), QSize(101, 61)}) {
    window_.resize(size);
    test::FlushPaints();
    EXPECT_FALSE(window_.grab().isNull());
  }
  Press(QPoint(5, 5));
  Drag(QPoint(50, 50));
  Release(QPoint(50, 50));
  Mouse(window_.Thumb(), QEvent::MouseButtonPress, QPoint(0, 0), Qt::LeftButton, Qt::LeftButton);
  Mouse(window_.Thumb(), QEvent::MouseMove, QPoint(0, 5000), Qt::NoButton, Qt::LeftButton);
  Mouse(window_.Thumb(), QEvent::MouseButtonRelease, QPoint(0, 5000), Qt::LeftButton, Qt::NoButton);
  EXPECT_GE(pane->verticalScrollBar()->value(), 0);
  EXPECT_GE(window_.width(), 100);  // the face's width bounds a smaller minimum
}

// Exactly one pane shows; the thumb follows the one shown.
TEST_F(PlayListWindowTest, ModeSwitchShowsOnePane) {
  LoadSkin();
  window_.resize(160, 200);
  auto* tree = new QTreeView;
  auto* tree_model = new QStandardItemModel(&window_);
  for (int i = 0; i < 300; ++i) tree_model->appendRow(new QStandardItem(QStringLiteral("Group %1").arg(i)));
  tree->setModel(tree_model);
  auto* music = new QListView;
  auto* music_model = new QStandardItemModel(&window_);
  for (int i = 0; i < 300; ++i) music_model->appendRow(new QStandardItem(QStringLiteral("Song %1").arg(i)));
  music->setModel(music_model);
  window_.SetPanes(tree, music);
  Show();
  EXPECT_EQ(tree->parentWidget(), window_.Stretch());
  EXPECT_TRUE(tree->isVisible());
  EXPECT_FALSE(music->isVisible());
  EXPECT_EQ(tree->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

  QSignalSpy switched(&window_, &TfrmPlayList::treeVisibilityChanged);
  window_.SetTreeVisible(false);
  EXPECT_FALSE(window_.IsTreeVisible());
  EXPECT_FALSE(tree->isVisible());
  EXPECT_TRUE(music->isVisible());
  EXPECT_EQ(music->geometry(), window_.Stretch()->rect());
  ASSERT_EQ(switched.count(), 1);
  EXPECT_FALSE(switched.at(0).at(0).toBool());
  music->verticalScrollBar()->setValue(music->verticalScrollBar()->maximum());
  EXPECT_EQ(window_.Thumb()->y(), window_.Track().BottomTop());
  // The tree's bar no longer moves the thumb.
  tree->verticalScrollBar()->setValue(3);
  EXPECT_EQ(window_.Thumb()->y(), window_.Track().BottomTop());
  window_.SetTreeVisible(false);
  EXPECT_EQ(switched.count(), 1);
}

// Docked and locked, a drag by hand moves the main window by the same
// amount; the flag does not outlive a move whose release never came.
TEST_F(PlayListWindowTest, MovesTogetherWhileTouching) {
  LoadSkin({.lock = true});
  QWidget main(nullptr, Qt::Window | Qt::FramelessWindowHint);
  main.setGeometry(300, 200, 50, 30);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  window_.SetMainWindow(&main);
  window_.move(300, 230);  // its top at the main window's bottom
  Show();
  ASSERT_TRUE(test::WaitUntil([&] { return window_.pos() == QPoint(300, 230); }));

  const QPoint background(50, 5);
  Press(background);
  EXPECT_TRUE(window_.MovesMainWindow());
  Mouse(&window_, QEvent::MouseMove, background + QPoint(30, 40), Qt::NoButton, Qt::LeftButton);
  EXPECT_TRUE(test::WaitUntil([&] { return main.pos() == QPoint(330, 240); })) << main.x() << "," << main.y();
  EXPECT_EQ(window_.pos(), QPoint(330, 270));
  Release(background);
  EXPECT_FALSE(window_.MovesMainWindow());

  // No release reaches the window (a system move took it): the next move
  // seen with the button up ends the drag.
  Press(background);
  EXPECT_TRUE(window_.MovesMainWindow());
  Mouse(&window_, QEvent::MouseMove, background, Qt::NoButton, Qt::NoButton);
  EXPECT_FALSE(window_.MovesMainWindow());
  window_.move(400, 400);
  ASSERT_TRUE(test::WaitUntil([&] { return window_.pos() == QPoint(400, 400); }));
  test::FlushPaints();
  EXPECT_EQ(main.pos(), QPoint(330, 240));

  // Not touching: the main window stays.
  Press(background);
  EXPECT_FALSE(window_.MovesMainWindow());
  Release(background);
}

// Unlocked, the window snaps flush to the main window within 11 pixels
// and aligns with its side; 12 pixels off it stays.
TEST_F(PlayListWindowTest, SnapsWhenUnlocked) {
  LoadSkin({.lock = false});
  QWidget main(nullptr, Qt::Window | Qt::FramelessWindowHint);
  main.setGeometry(300, 200, 200, 30);
  main.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
  window_.SetMainWindow(&main);
  Show();
  const struct {
    QPoint to, expected;
  } cases[] = {
      {{305, 241}, {300, 230}},  // below, 11 off, aligned left
      {{390, 242}, {390, 242}},  // 12 off: stays
      {{505, 205}, {500, 200}},  // right, aligned top
  };
  for (const auto& c : cases) {
    window_.move(c.to);
    EXPECT_TRUE(test::WaitUntil([&] { return window_.pos() == c.expected; }, 2000))
        << c.to.x() << "," << c.to.y() << " -> " << window_.x() << "," << window_.y();
  }
}

}  // namespace
}  // namespace tazmel
