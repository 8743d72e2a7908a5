#include "ui/main/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QActionGroup>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <fstream>

#include "app/engine_controls.h"
#include "app/qt_dispatcher.h"
#include "core/program_paths.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/mpv/mpv_factory.h"
#include "support/manual_dispatcher.h"
#include "temp_dir.h"
#include "ui/controls/scroll_label.h"
#include "ui/main/face_knob.h"
#include "ui/playback/engine_display.h"
#include "ui/playback/video_window.h"
#include "ui/qt_app.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const QColor kMainColour(0x20, 0x30, 0x40);
const QColor kPressedColour(0xF0, 0xA0, 0x20);
const QColor kAddColour(0x10, 0xC0, 0x90);
const QColor kPauseColour(0x90, 0x10, 0xC0);

void SaveFilled(const fs::path& file, int width, int height, const QColor& colour) {
  QImage image(width, height, QImage::Format_RGB888);
  image.fill(colour);
  ASSERT_TRUE(image.save(QString::fromStdString(file.string()), "BMP"));
}

// A 200 x 100 face: channel buttons along the top, the other buttons in two
// rows below, three 110-pixel bars with 10-pixel knobs at the bottom. Main,
// pressed and add faces are single colours, so a pixel tells which face
// drew it.
std::string SkinIniText(int volume_orientation, int step_num) {
  std::string ini = "[Skin]\n[MainForm]\n";
  for (int i = 0; i < 10; ++i) {
    ini += "bNum" + std::to_string(i + 1) + "=" + std::to_string(5 + 12 * i) + ",5," + std::to_string(15 + 12 * i) +
           ",15\n";
  }
  ini +=
      "bPageUp=130,5,140,15\nbPageDown=145,5,155,15\nbMainMenu=160,5,170,15\nbHide=175,5,185,15\n"
      "bClose=188,5,198,15\nbRecord=5,20,15,30\nbOpenFile=20,20,30,30\nbPlayListFormShow=35,20,45,30\n"
      "bMute=50,20,60,30\nbPrevious=65,20,75,30\nbStop=80,20,90,30\nbPause=95,20,105,30\nbPlay=110,20,120,30\n"
      "bNext=125,20,135,30\nbAddVolume=140,20,150,30\nbDecVolume=155,20,165,30\nbMP3=170,20,180,30\n"
      "bAbout=5,35,15,45\nbWebsite=20,35,30,45\nbVoiceClock=35,35,45,45\nbMulti=50,35,60,45\n"
      "sPlayState=70,35,80,45\n";
  ini += "StepNum=" + std::to_string(step_num) + "\n";
  ini +=
      "[AddFace]\nbVolumeMove=0,0,10,10\nbVolumeMove_Down=0,0,10,10\nbEquationMove=0,0,10,10\n"
      "bEquationMove_Down=0,0,10,10\nbProgressMove=0,0,10,10\nbProgressMove_Down=0,0,10,10\n"
      "bMute=0,0,10,10\nbMute_Down=0,0,10,10\nsReady=0,0,10,10\nsPause=20,0,30,10\n";
  const bool vertical = volume_orientation >= 2;
  ini += std::string("[VolumeBar]\nBoundsRect=") + (vertical ? "140,35,150,95" : "20,60,130,70") +
         "\nOrientation=" + std::to_string(volume_orientation) + "\n";
  ini += "[EquationBar]\nBoundsRect=20,75,130,85\n[ProgressBar]\nBoundsRect=20,88,130,98\n";
  ini += "[NameLabel]\nBoundsRect=90,35,135,45\n";
  return ini;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    dispatcher_ = std::make_unique<QtDispatcher>();
    video_ = std::make_unique<TfrmVideo>();
    paths_ = std::make_unique<ProgramPaths>(dir_.path());
    registry_ = std::make_unique<Registry>(dir_.path() / "registry.ini");
    factory_ = std::make_unique<MpvPlayerFactory>(
        *dispatcher_, *registry_,
        MpvOptions{.hidden = true, .audio_output = "null", .window_id = 0, .extra_options = {}});
    display_ = std::make_unique<EngineDisplay>(*video_, [this] {
      if (on_display_) on_display_();
    });
    engine_ = std::make_unique<PlaybackEngine>(EngineServices{.dispatcher = *dispatcher_,
                                                              .factory = *factory_,
                                                              .view = *display_,
                                                              .paths = *paths_,
                                                              .sound = nullptr,
                                                              .navigator = nullptr,
                                                              .reports = nullptr,
                                                              .pages = nullptr,
                                                              .wmp9_installed = [] { return true; },
                                                              .user_default_language_id = 0x0409});
    controls_ = std::make_unique<EngineControls>(*engine_);
  }

  // Writes Skins/Default with the fixture faces and opens the window on it.
  void OpenWindow(int volume_orientation = 0, int step_num = 40) {
    const fs::path skin = dir_.path() / "Skins" / "Default";
    fs::create_directories(skin);
    std::ofstream(skin / "skin.ini") << SkinIniText(volume_orientation, step_num);
    SaveFilled(skin / "main.bmp", 200, 100, kMainColour);
    SaveFilled(skin / "main_down.bmp", 200, 100, kPressedColour);
    QImage add(40, 40, QImage::Format_RGB888);
    add.fill(kAddColour);
    for (int y = 0; y < 10; ++y) {
      for (int x = 20; x < 30; ++x) add.setPixelColor(x, y, kPauseColour);
    }
    ASSERT_TRUE(add.save(QString::fromStdString((skin / "add.bmp").string()), "BMP"));
    SaveFilled(skin / "playlist.bmp", 50, 50, kMainColour);
    window_ = std::make_unique<TfrmMain>();
    window_->SetControls(controls_.get());
    window_->SetDispatcher(window_time_);
    std::string name = "Default";
    ASSERT_TRUE(window_->ChooseSkin(dir_.path() / "Skins", name));
    window_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
  }

  QColor PixelAt(int x, int y) { return window_->grab().toImage().pixelColor(x, y); }

  void Click(QPoint at) { QTest::mouseClick(window_.get(), Qt::LeftButton, {}, at); }

  test::TempDir dir_;
  std::unique_ptr<ProgramPaths> paths_;
  std::unique_ptr<QtDispatcher> dispatcher_;
  std::unique_ptr<Registry> registry_;
  std::unique_ptr<MpvPlayerFactory> factory_;
  std::unique_ptr<TfrmVideo> video_;
  std::unique_ptr<EngineDisplay> display_;
  // What a change of the engine's display does; nothing unless a test says.
  std::function<void()> on_display_;
  std::unique_ptr<PlaybackEngine> engine_;
  std::unique_ptr<EngineControls> controls_;
  // The window's own timers run on a manual clock.
  test::ManualDispatcher window_time_;
  std::unique_ptr<TfrmMain> window_;
};

// A click on a bar puts the knob's leading edge at the point; the value is
// measured from the bar's start end, whichever way the bar runs.
TEST_F(MainWindowTest, BarClickJumpsTheVolume) {
  const struct {
    int orientation;
    QPoint at;
    int volume;
  } cases[] = {
      {0, {75, 65}, 55},   // middle: knob left at 75 of a 100-pixel travel
      {0, {20, 65}, 0},    // the start end
      {1, {75, 65}, 45},   // right to left: measured from the right end
      {1, {21, 65}, 99},   // near the left end is nearly full
      {1, {20, 65}, 100},  // the left edge, edges included
      {2, {145, 65}, 60},  // top to bottom, 50-pixel travel
      {3, {145, 65}, 40},  // bottom to top
  };
  for (const auto& c : cases) {
    engine_->SetVolume(0);
    OpenWindow(c.orientation);
    QTest::mousePress(window_.get(), Qt::LeftButton, {}, c.at);
    EXPECT_EQ(engine_->Volume(), c.volume) << "orientation " << c.orientation << " at " << c.at.x();
    EXPECT_EQ(window_->VolumeLabel().Caption(), QString(u"Volume:%1%"_s).arg(c.volume));
    EXPECT_TRUE(window_->VolumeLabel().isVisible());
    EXPECT_FALSE(window_->RadioNameLabel().isVisible());
    // The value goes with the button, and the station name comes back.
    QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, c.at);
    EXPECT_FALSE(window_->VolumeLabel().isVisible());
    EXPECT_TRUE(window_->RadioNameLabel().isVisible());
  }
}

// Dragging the balance knob a quarter of its travel from the middle gives
// 50 % left; back in the middle is the centre.
TEST_F(MainWindowTest, BalanceDragShowsTheEquationText) {
  engine_->SetBalance(0);
  OpenWindow();
  TFaceKnob& knob = window_->Knob(SkinState::Bar::kEquation);
  ASSERT_EQ(knob.geometry(), QRect(70, 75, 10, 10));
  QTest::mousePress(&knob, Qt::LeftButton, {}, QPoint(5, 5));
  // The held knob gets every move, wherever the pointer is (window
  // coordinates here).
  auto move_to = [&](QPoint at) {
    const QPoint global = window_->mapToGlobal(at);
    QMouseEvent move(QEvent::MouseMove, knob.mapFromGlobal(QPointF(global)), QPointF(global), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&knob, &move);
  };
  move_to({50, 80});
  EXPECT_EQ(window_->VolumeLabel().Caption(), u"Equation:50%Left"_s);
  EXPECT_EQ(engine_->Balance(), -50);
  EXPECT_EQ(knob.x(), 45);
  move_to({75, 80});
  EXPECT_EQ(window_->VolumeLabel().Caption(), u"Equation:Center"_s);
  EXPECT_EQ(engine_->Balance(), 0);
  move_to({190, 80});  // held at the bar's end
  EXPECT_EQ(window_->VolumeLabel().Caption(), u"Equation:100%Right"_s);
  QTest::mouseRelease(&knob, Qt::LeftButton, {}, knob.mapFrom(window_.get(), QPoint(190, 80)));
  EXPECT_FALSE(window_->VolumeLabel().isVisible());
}

// A button acts when it is released over itself, not when the pointer left
// it before the release.
TEST_F(MainWindowTest, ButtonActsOnlyWhenReleasedInside) {
  OpenWindow();
  QSignalSpy stop(window_->Action("nStop"), &QAction::triggered);
  QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(85, 25));
  EXPECT_EQ(window_->PressedButton(), kStop);
  QTest::mouseMove(window_.get(), QPoint(150, 80));
  QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(150, 80));
  EXPECT_EQ(stop.count(), 0);
  EXPECT_EQ(window_->PressedButton(), -1);
  Click({85, 25});
  EXPECT_EQ(stop.count(), 1);
}

// Each skin button reaches its own command: the menu action of that name,
// or the paging signal with its direction.
TEST_F(MainWindowTest, ButtonsReachTheirCommands) {
  OpenWindow();
  const struct {
    QPoint at;
    const char* action;
  } actions[] = {{{55, 25}, "nMute"},  {{70, 25}, "nPreview"}, {{85, 25}, "nStop"},  {{100, 25}, "nPause"},
                 {{115, 25}, "nPlay"}, {{130, 25}, "nNext"},   {{180, 10}, "nHide"}, {{25, 40}, "nWebSite"}};
  for (const auto& c : actions) {
    QSignalSpy triggered(window_->Action(c.action), &QAction::triggered);
    QSignalSpy paged(window_.get(), &TfrmMain::channelPageRequested);
    Click(c.at);
    EXPECT_EQ(triggered.count(), 1) << c.action;
    EXPECT_EQ(paged.count(), 0) << c.action;
  }
  const struct {
    QPoint at;
    int direction;
  } pages[] = {{{135, 10}, -1}, {{150, 10}, +1}};
  for (const auto& c : pages) {
    QSignalSpy paged(window_.get(), &TfrmMain::channelPageRequested);
    Click(c.at);
    ASSERT_EQ(paged.count(), 1);
    EXPECT_EQ(paged.first().first().toInt(), c.direction);
  }
}

// While a button is held its pressed look comes from the pressed face.
TEST_F(MainWindowTest, HeldButtonShowsThePressedFace) {
  OpenWindow();
  EXPECT_EQ(PixelAt(85, 25), kMainColour);
  QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(85, 25));
  EXPECT_EQ(PixelAt(85, 25), kPressedColour);
  QTest::mouseMove(window_.get(), QPoint(150, 80));
  EXPECT_EQ(PixelAt(85, 25), kMainColour);
  QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(150, 80));
}

// One volume step is 100 div StepNum; 0 counts as 40.
TEST_F(MainWindowTest, VolumeStepFollowsStepNum) {
  const struct {
    int step_num;
    int step;
  } cases[] = {{0, 2}, {40, 2}, {30, 3}, {7, 14}};
  for (const auto& c : cases) {
    engine_->SetVolume(50);
    OpenWindow(0, c.step_num);
    Click({145, 25});
    EXPECT_EQ(engine_->Volume(), 50 + c.step) << "StepNum " << c.step_num;
    Click({160, 25});
    EXPECT_EQ(engine_->Volume(), 50) << "StepNum " << c.step_num;
  }
}

// Holding the volume button steps every 100 ms until the release (ten
// steps a second, and the release is one more), and the volume stops at
// 100.
TEST_F(MainWindowTest, HeldVolumeButtonRepeats) {
  engine_->SetVolume(80);
  OpenWindow();
  QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(145, 25));
  EXPECT_TRUE(window_->VolumeLabel().isVisible());
  window_time_.Advance(300ms);
  EXPECT_EQ(engine_->Volume(), 86);
  window_time_.Advance(1000ms);
  EXPECT_EQ(engine_->Volume(), 100);
  EXPECT_EQ(window_->VolumeLabel().Caption(), u"Volume:100%"_s);
  QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(145, 25));
  EXPECT_FALSE(window_->VolumeLabel().isVisible());

  engine_->SetVolume(50);
  QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(160, 25));
  window_time_.Advance(1000ms);
  EXPECT_EQ(engine_->Volume(), 30);
  QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(160, 25));
  EXPECT_EQ(engine_->Volume(), 28);
  window_time_.Advance(1000ms);
  EXPECT_EQ(engine_->Volume(), 28);
  EXPECT_FALSE(window_->VolumeLabel().isVisible());
}

// A step from the menu (or a hotkey) has no button up: its value shows for
// a moment and then gives the place back to the station name; a second
// step starts the moment anew.
TEST_F(MainWindowTest, MenuVolumeStepShowsTheValueForAMoment) {
  engine_->SetVolume(50);
  OpenWindow();
  const auto moment = std::chrono::milliseconds(TfrmMain::kVolumeTextShowMs);
  window_->Action("nIncVol")->trigger();
  EXPECT_EQ(engine_->Volume(), 52);
  EXPECT_EQ(window_->VolumeLabel().Caption(), u"Volume:52%"_s);
  EXPECT_TRUE(window_->VolumeLabel().isVisible());
  EXPECT_FALSE(window_->RadioNameLabel().isVisible());
  window_time_.Advance(moment - 100ms);
  window_->Action("nDecVol")->trigger();
  window_time_.Advance(moment - 100ms);
  EXPECT_TRUE(window_->VolumeLabel().isVisible());
  EXPECT_EQ(window_->VolumeLabel().Caption(), u"Volume:50%"_s);
  window_time_.Advance(100ms);
  EXPECT_FALSE(window_->VolumeLabel().isVisible());
  EXPECT_TRUE(window_->RadioNameLabel().isVisible());

  // A held volume button keeps the value up past the moment of an earlier
  // menu step.
  window_->Action("nIncVol")->trigger();
  QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(145, 25));
  window_time_.Advance(moment * 2);
  EXPECT_TRUE(window_->VolumeLabel().isVisible());
  QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(145, 25));
  EXPECT_FALSE(window_->VolumeLabel().isVisible());
}

// A playlist window docked at the start of a drag moves with the window;
// once the pointer moves with no button held (the system's move loop may
// have swallowed the release) later moves leave it where it is.
TEST_F(MainWindowTest, DockedPlayListFollowsOnlyTheDrag) {
  OpenWindow();
  QWidget playlist(nullptr, Qt::Window | Qt::FramelessWindowHint);
  playlist.setGeometry(QRect(window_->frameGeometry().right() + 1, window_->y(), 60, 60));
  playlist.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&playlist));
  window_->SetPlayListWindow(&playlist);

  QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(150, 50));
  const QPoint list_at = playlist.pos();
  window_->move(window_->pos() + QPoint(30, 0));
  EXPECT_TRUE(test::WaitUntil([&] { return playlist.pos() == list_at + QPoint(30, 0); })) << playlist.x();

  QMouseEvent hover(QEvent::MouseMove, QPointF(151, 51), window_->mapToGlobal(QPointF(151, 51)), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(window_.get(), &hover);
  const QPoint window_at = window_->pos();
  window_->move(window_at + QPoint(40, 0));
  EXPECT_TRUE(test::WaitUntil([&] { return window_->pos() == window_at + QPoint(40, 0); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(playlist.pos(), list_at + QPoint(30, 0));
  window_->SetPlayListWindow(nullptr);
}

// The volume bar is filled with the pressed face up to the knob's far edge.
TEST_F(MainWindowTest, BarFillFollowsTheKnob) {
  engine_->SetVolume(50);
  OpenWindow();
  const QRect knob = window_->Knob(SkinState::Bar::kVolume).geometry();
  ASSERT_EQ(knob.left(), 70);
  EXPECT_EQ(PixelAt(25, 65), kPressedColour);
  EXPECT_EQ(PixelAt(125, 65), kMainColour);
  Click({110, 65});
  EXPECT_EQ(PixelAt(100, 65), kPressedColour);
}

// After a skin loads the progress knob is where the player says, not
// where the window last put it: with nothing playing, at the start.
TEST_F(MainWindowTest, SkinLoadTakesTheProgressFromThePlayer) {
  OpenWindow();
  on_display_ = [this] {
    if (window_) window_->ShowEngine(display_->Shown());
  };
  window_->SetProgress(0.5);
  ASSERT_EQ(window_->Knob(SkinState::Bar::kProgress).x(), 70);
  std::string name = "Default";
  ASSERT_TRUE(window_->ChooseSkin(dir_.path() / "Skins", name));
  EXPECT_EQ(window_->Knob(SkinState::Bar::kProgress).x(), 20);
  on_display_ = nullptr;
}

// The play-state indicator shows the look of each state.
TEST_F(MainWindowTest, PlayStateIndicator) {
  OpenWindow();
  const struct {
    int state;
    QColor colour;
  } cases[] = {{1, kPressedColour}, {0, kAddColour}, {2, kPauseColour}, {3, kMainColour}};
  for (const auto& c : cases) {
    window_->ShowPlayState(c.state);
    EXPECT_EQ(PixelAt(75, 40), c.colour) << "state " << c.state;
  }
}

// Muting shows the mute button's second look from the add face.
TEST_F(MainWindowTest, MutedLookComesFromTheAddFace) {
  OpenWindow();
  engine_->SetMute(true);
  window_->update();
  EXPECT_EQ(PixelAt(55, 25), kAddColour);
  engine_->SetMute(false);
  window_->update();
  EXPECT_EQ(PixelAt(55, 25), kMainColour);
}

// Channel buttons carry their number, report their index and show the
// station name as their hint; pressing moves the number two pixels.
TEST_F(MainWindowTest, ChannelButtons) {
  OpenWindow();
  std::array<ChannelLabel, kChannelButtonCount> channels{};
  for (int i = 0; i < kChannelButtonCount; ++i) {
    channels[static_cast<std::size_t>(i)] = {std::to_string(i + 11), 100 + i, "Station " + std::to_string(i)};
  }
  window_->ShowChannels(channels);
  EXPECT_EQ(window_->NumLabel(2).text(), u"13"_s);
  QSignalSpy clicked(window_.get(), &TfrmMain::channelClicked);
  const QPoint label_at = window_->NumLabel(2).pos();
  QTest::mousePress(window_.get(), Qt::LeftButton, {}, QPoint(33, 10));
  EXPECT_EQ(window_->NumLabel(2).pos(), label_at + QPoint(2, 2));
  QTest::mouseRelease(window_.get(), Qt::LeftButton, {}, QPoint(33, 10));
  EXPECT_EQ(window_->NumLabel(2).pos(), label_at);
  ASSERT_EQ(clicked.count(), 1);
  EXPECT_EQ(clicked.first().first().toInt(), 2);
  QTest::mouseMove(window_.get(), QPoint(34, 11));
  EXPECT_EQ(window_->CurrentHint(), u"Station 2"_s);
}

// Hints: bars before buttons, texts from the message slots, nothing over the
// bare face.
TEST_F(MainWindowTest, HintsFollowThePointer) {
  OpenWindow();
  const struct {
    QPoint at;
    const char* hint;
  } cases[] = {
      {{85, 25}, "Stop"},         {{60, 65}, "Volume Tune"}, {{60, 80}, "Trcack Equation Tune"}, {{55, 25}, "Mute"},
      {{192, 10}, "Exit Tazmel"}, {{150, 50}, ""},           {{175, 25}, "Switch to Music Mode"}};
  for (const auto& c : cases) {
    QTest::mouseMove(window_.get(), c.at);
    EXPECT_EQ(window_->CurrentHint(), QString::fromUtf8(c.hint)) << c.at.x() << "," << c.at.y();
  }
}

// Menus rebuilt at every popup drop what the last popup made: submenus of
// the station menu and the skin list's action group do not pile up.
TEST_F(MainWindowTest, RebuiltMenusDoNotGrow) {
  OpenWindow();
  window_->station_menu_source = [] {
    StationMenuItem group{.caption = "Jazz", .tag = -1, .is_station = false, .children = {}};
    group.children.push_back({.caption = "Loopback FM", .tag = 100001, .is_station = true, .children = {}});
    return std::vector<StationMenuItem>{group, group};
  };
  QMenu& menu = *window_->TreeMenu();
  for (int i = 0; i < 3; ++i) {
    window_->PopupStationMenu(QPoint(10, 10));
    menu.hide();
    window_->FillSkinMenu({"Daylight", "Default"}, "default");
  }
  EXPECT_EQ(menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly).size(), 2);
  EXPECT_EQ(window_->SkinMenu()->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly).size(), 1);
  const QList<QAction*> skins = window_->SkinMenu()->actions();
  ASSERT_EQ(skins.size(), 4);  // two skins, a separator, "Get more skins"
  EXPECT_FALSE(skins[0]->isChecked());
  EXPECT_TRUE(skins[1]->isChecked());  // names compared without case
  EXPECT_EQ(skins[3]->text(), u"<< Get more skins! >>"_s);

  QSignalSpy chosen(window_.get(), &TfrmMain::stationChosen);
  // A submenu is filled as it opens.
  QMenu* jazz = menu.findChildren<QMenu*>(Qt::FindDirectChildrenOnly).front();
  emit jazz->aboutToShow();
  ASSERT_EQ(jazz->actions().size(), 1);
  jazz->actions().front()->trigger();
  ASSERT_EQ(chosen.count(), 1);
  EXPECT_EQ(chosen.first().first().toInt(), 100001);
}

}  // namespace
}  // namespace tazmel
