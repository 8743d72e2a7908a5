// The whole program in process: start-up with the shipped skins, the main
// window's buttons playing a user station from a loopback server through the
// real engine and components (no sound server), and the close saving it.
#include "app/application.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <filesystem>
#include <functional>

#include "core/ini_file.h"
#include "core/program_paths.h"
#include "core/text_utils.h"
#include "core/web_pages.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/http_server.h"
#include "support/program_folder.h"
#include "support/scoped_env.h"
#include "support/test_audio.h"
#include "temp_dir.h"
#include "ui/controls/scroll_label.h"
#include "ui/main/main_window.h"
#include "ui/main/tray_icon.h"
#include "ui/playback/video_window.h"
#include "ui/playlist/playlist_window.h"
#include "ui/qt_app.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::TestHttpConnection;

// Playing from the loopback server: generous for loaded machines.
bool WaitUntil(const std::function<bool()>& done) { return test::WaitUntil(done, 15000); }

// Runs `action` and answers the first message box it opens; the box's text,
// or nothing when none opened.
QString TextOfMessageBoxDuring(const std::function<void()>& action) {
  QString text;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      text = box->text();
      box->accept();
    }
  });
  poll.start(10);
  action();
  return text;
}

TfrmVideo* VideoHost() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* video = qobject_cast<TfrmVideo*>(window)) return video;
  }
  return nullptr;
}

class ApplicationTest : public ::testing::Test {
 protected:
  ApplicationTest() {
    test::QtApp();
    test::StageProgramFolder(home_.path());
    server_.ServeLoop("/live.mp3", mp3_);
    EXPECT_TRUE(test::WriteLoopbackStation(paths_, server_.Url("/live.mp3")));
    // The shipped settings with English, one preset and the given extras.
    EXPECT_TRUE(test::WriteEnglishUserIni(home_.path(), paths_));
    Set("Channel", "1", "100001-Loopback FM");
  }

  void Set(const char* section, const char* key, const std::string& value) {
    EXPECT_TRUE(WriteProfileString(paths_.UserIni(), section, key, value));
  }
  std::string Get(const char* section, const char* key) { return ReadProfileString(paths_.UserIni(), section, key); }

  // The centre of main button `index` of the loaded skin.
  QPoint ButtonCentre(TfrmMain& window, int index) {
    const SkinRect r = window.Skin().Ini().main_buttons[static_cast<std::size_t>(index)];
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  test::TempDir home_;
  ProgramPaths paths_{home_.path()};
  test::ScopedEnv config_{"XDG_CONFIG_HOME", (home_ / "config").string()};
  test::ScopedEnv audio_{"TAZMEL_AUDIO_OUTPUT", "null"};
  std::string mp3_ = test::MakeToneMp3(2.0);
  test::TestHttpServer server_;
};

// A channel button plays its preset: the labels show the station and
// "Playing"; the close remembers the station as the source to play next.
TEST_F(ApplicationTest, ChannelButtonPlaysItsStation) {
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  ASSERT_TRUE(window.SkinLoaded());
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.NumLabel(0).text(), u"1"_s);

  QTest::mouseClick(&window, Qt::LeftButton, {}, ButtonCentre(window, kNum1));
  EXPECT_TRUE(WaitUntil([&] { return window.StateLabel().Caption() == u"Playing"_s; }))
      << window.StateLabel().Caption().toStdString();
  EXPECT_TRUE(window.RadioNameLabel().Caption().contains(u"Loopback FM"_s))
      << window.RadioNameLabel().Caption().toStdString();
  EXPECT_EQ(window.PlayState(), SkinState::kPlaying);
  EXPECT_EQ(window.Tray().Hint(), u"Tazmel - [ Loopback FM ]"_s);

  // Stop from the skin's button, then the close saves.
  QTest::mouseClick(&window, Qt::LeftButton, {}, ButtonCentre(window, kStop));
  EXPECT_TRUE(WaitUntil([&] { return window.PlayState() == SkinState::kStopped; }));
  app.Close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(Get("Player", "CurPlayID"), "100001");
  EXPECT_EQ(Get("Skin", "SkinName"), "Default");
}

// The record button and the menu's Recorder item reach the recorder, made
// on first use: with no save folder the button only shows its window;
// closing the window hides it; the program's close writes its settings.
TEST_F(ApplicationTest, RecordButtonAndRecorderItem) {
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  const auto recorder = [] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (w->objectName() == u"frmRecorder"_s) return w;
    }
    return static_cast<QWidget*>(nullptr);
  };
  EXPECT_EQ(recorder(), nullptr);
  QAction* item = window.Action("nRecorder");
  EXPECT_TRUE(item->isEnabled());
  QTest::mouseClick(&window, Qt::LeftButton, {}, ButtonCentre(window, kRecord));
  QWidget* shown = recorder();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(shown->windowTitle(), u"Recorder"_s);
  shown->close();
  EXPECT_FALSE(shown->isVisible());
  item->trigger();
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(recorder(), shown);
  app.Close();
  EXPECT_EQ(Get("Record", "FileFormat"), "1");
  EXPECT_EQ(Get("Record", "Attributes"), "31");
}

// With AutoPlay the last source plays at the first tick of the check timer,
// which also shows the clock.
TEST_F(ApplicationTest, AutoPlayStartsAtTheFirstTick) {
  Set("Options", "AutoPlay", "1");
  Set("Player", "CurPlayID", "100001");
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  EXPECT_TRUE(window.StateLabel().Caption().isEmpty());
  EXPECT_TRUE(WaitUntil([&] { return window.StateLabel().Caption() == u"Playing"_s; }));
  EXPECT_EQ(window.ClockLabel().Caption().size(), 8) << window.ClockLabel().Caption().toStdString();
  app.Close();
}

// A saved skin that is gone gives way to Default; with no skin at all the
// window stays hidden.
TEST_F(ApplicationTest, SkinFallback) {
  Set("Skin", "SkinName", "Vanished");
  {
    Application app(paths_);
    app.Start();
    EXPECT_TRUE(app.MainWindow().isVisible());
    EXPECT_EQ(app.MainWindow().Skin().MainFace().size(),
              QImage(QString::fromStdString((home_ / "Skins/Default/main.bmp").string())).size());
    app.Close();
  }
  EXPECT_EQ(Get("Skin", "SkinName"), "Default");

  fs::remove_all(home_ / "Skins");
  Application app(paths_);
  app.Start();
  EXPECT_FALSE(app.MainWindow().SkinLoaded());
  EXPECT_FALSE(app.MainWindow().isVisible());
  // The tray icon stays to bring a skin back.
  EXPECT_EQ(app.MainWindow().Tray().FrameCount(), 1);
  app.Close();
}

// Hints of every widget come 200 ms after the pointer rests and stay up to
// 20 s, whatever the platform's style would say.
TEST_F(ApplicationTest, HintTiming) {
  Application app(paths_);
  app.Start();
  EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 200);
  EXPECT_EQ(QApplication::style()->styleHint(QStyle::SH_ToolTip_FallAsleepDelay), 20000);
  app.Close();
}

// A saved skin whose main face was cut short is refused whole at start:
// Default shows instead, and is what the close saves.
TEST_F(ApplicationTest, TruncatedFaceGivesWayToDefault) {
  const fs::path face = home_ / "Skins" / "Daylight" / "main.bmp";
  fs::resize_file(face, fs::file_size(face) / 2);
  Set("Skin", "SkinName", "Daylight");
  Application app(paths_);
  app.Start();
  EXPECT_TRUE(app.MainWindow().isVisible());
  EXPECT_EQ(app.MainWindow().SkinName(), "Default");
  EXPECT_EQ(app.MainWindow().size(),
            QImage(QString::fromStdString((home_ / "Skins/Default/main.bmp").string())).size());
  app.Close();
  EXPECT_EQ(Get("Skin", "SkinName"), "Default");
}

// The second skin from the menu changes the window's layout; a skin whose
// faces are missing hides the window.
TEST_F(ApplicationTest, SkinChosenFromTheMenu) {
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  const QSize default_size = window.size();
  emit window.skinChosen(u"Daylight"_s);
  EXPECT_NE(window.size(), default_size);
  EXPECT_TRUE(window.isVisible());

  fs::create_directories(home_ / "Skins" / "Empty");
  test::WriteFile(home_ / "Skins" / "Empty" / "skin.ini", "[Skin]\n");
  fs::remove(home_ / "Skins" / "Default" / "main.bmp");
  emit window.skinChosen(u"Empty"_s);
  EXPECT_FALSE(window.isVisible());
  EXPECT_TRUE(window.Action("nShow")->isVisible());
  window.Action("nShow")->trigger();  // nothing to show until a skin loads
  EXPECT_FALSE(window.isVisible());
  app.Close();
  EXPECT_EQ(Get("Skin", "SkinName"), "Default");
}

// A place saved on a screen that is no longer there is replaced by the
// default place; a place on the screen is kept.
TEST_F(ApplicationTest, SavedPlaceOffEveryScreen) {
  const struct {
    const char* left;
    bool kept;
  } cases[] = {{"30000", false}, {"20", true}};
  for (const auto& c : cases) {
    Set("frmMain", "Left", c.left);
    Set("frmMain", "Top", "20");
    Application app(paths_);
    app.Start();
    const QRect screen = app.MainWindow().screen()->geometry();
    EXPECT_TRUE(screen.contains(app.MainWindow().geometry().center())) << c.left;
    EXPECT_EQ(app.MainWindow().x() == std::stoi(c.left), c.kept) << c.left;
    app.Close();
  }
}

// Without a browser to start, each web page command says so in a message
// box, in the window's own text with the address, instead of doing nothing.
TEST_F(ApplicationTest, WebPageWithoutBrowserIsReported) {
  test::TempDir empty;
  test::ScopedEnv path("PATH", empty.path().string());
  test::ScopedEnv browser("BROWSER", std::nullopt);
  test::ScopedEnv default_browser("DEFAULT_BROWSER", std::nullopt);
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  const std::string pattern = ReadProfileString(home_ / "Language" / "eng.ini", "frmMain", "NoBrowser");
  ASSERT_FALSE(pattern.empty());
  const struct {
    std::function<void()> command;
    std::string page;
  } cases[] = {{[&] { window.Action("nWebSite")->trigger(); }, HomePage()},
               {[&] { window.Action("nSponsorUs")->trigger(); }, SponsorPage()},
               {[&] { emit window.moreSkinsRequested(); }, SkinsPage()}};
  for (const auto& c : cases) {
    EXPECT_EQ(TextOfMessageBoxDuring(c.command), FromGb(FormatSlot(pattern, c.page))) << c.page;
  }
  app.Close();
}

// The video host is there before the language is applied: it starts in the
// chosen language, and links dropped on it play like those dropped on the
// main window.
TEST_F(ApplicationTest, VideoHostTranslatedAndTakesDrops) {
  Set("Language", "CurLng", "chs");
  Application app(paths_);
  app.Start();
  TfrmVideo* video = VideoHost();
  ASSERT_NE(video, nullptr);
  const std::string caption = ReadProfileString(home_ / "Language" / "chs.ini", "frmVideo", "frmVideo");
  ASSERT_FALSE(caption.empty());
  EXPECT_EQ(video->windowTitle(), FromGb(caption));

  QMimeData mime;
  mime.setUrls({QUrl(QString::fromStdString(server_.Url("/live.mp3")))});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::LinkAction, &mime, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(video, &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction | Qt::LinkAction, &mime, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(video, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_TRUE(WaitUntil([&] { return app.MainWindow().PlayState() == SkinState::kPlaying; }));
  app.Close();
}

// The talking clock is offered for the simplified Chinese code however the
// code is written, and for no other language.
TEST_F(ApplicationTest, TalkingClockOfferedForChineseOnly) {
  fs::copy_file(home_ / "Language" / "chs.ini", home_ / "Language" / "CHS.ini");
  const struct {
    const char* code;
    bool offered;
  } cases[] = {{"chs", true}, {"CHS", true}, {"eng", false}};
  for (const auto& c : cases) {
    Set("Language", "CurLng", c.code);
    Application app(paths_);
    app.Start();
    emit app.MainWindow().mainMenuOpening();
    EXPECT_EQ(app.MainWindow().Action("nTalkingClock")->isVisible(), c.offered) << c.code;
    app.Close();
  }
}

// The first Show brings up the playlist window too (when it is to be
// visible), and Show puts every window above the others again when
// always-on-top is on.
TEST_F(ApplicationTest, ShowBringsThePlayListAndKeepsWindowsOnTop) {
  Set("Options", "AutoHide", "1");
  Set("Options", "AlwaysOnTop", "1");
  Set("frmPlayList", "Visible", "1");
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  ASSERT_FALSE(window.isVisible());
  QWidget playlist(nullptr, Qt::Window);
  window.SetPlayListWindow(&playlist);
  window.Action("nShow")->trigger();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(playlist.isVisible());
  for (QWidget* shown : std::initializer_list<QWidget*>{&window, &playlist, VideoHost()}) {
    EXPECT_TRUE(shown->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << shown->objectName().toStdString();
  }
  // Later Shows leave the playlist window as the user left it.
  playlist.hide();
  window.Action("nHide")->trigger();
  window.Action("nShow")->trigger();
  EXPECT_FALSE(playlist.isVisible());
  window.SetPlayListWindow(nullptr);
  app.Close();
}

// The playlist window opens where it was saved, never below the skin's
// minimum; Show PlayList, the playlist button and Switch Mode reach it, Hide
// and Show take it along, and its place and mode are saved at close.
TEST_F(ApplicationTest, PlayListWindowFollowsTheMainMenu) {
  Set("frmPlayList", "Left", "50");
  Set("frmPlayList", "Top", "60");
  Set("frmPlayList", "Width", "10");
  Set("frmPlayList", "Height", "10");
  Application app(paths_);
  app.Start();
  TfrmMain& window = app.MainWindow();
  TfrmPlayList& list = app.PlayListWindow();
  ASSERT_TRUE(window.SkinLoaded());
  const QSize minimum = window.Skin().PlayListMinimumSize();
  EXPECT_TRUE(list.isVisible());
  EXPECT_EQ(list.geometry(), QRect(QPoint(50, 60), minimum));

  QSignalSpy closing(&list, &TfrmPlayList::closing);
  window.Action("nShowTree")->trigger();
  EXPECT_FALSE(list.isVisible());
  EXPECT_EQ(closing.count(), 1);
  QTest::mouseClick(&window, Qt::LeftButton, {}, ButtonCentre(window, kPlayListFormShow));
  EXPECT_TRUE(list.isVisible());

  window.Action("nSwitchMode")->trigger();
  EXPECT_FALSE(list.IsTreeVisible());
  EXPECT_TRUE(window.MusicMode());

  window.Action("nHide")->trigger();
  EXPECT_FALSE(list.isVisible());
  window.Action("nShow")->trigger();
  EXPECT_TRUE(list.isVisible());

  app.Close();
  EXPECT_FALSE(list.isVisible());
  EXPECT_EQ(Get("frmPlayList", "Visible"), "1");
  EXPECT_EQ(Get("frmPlayList", "TreeVisible"), "0");
  EXPECT_EQ(Get("frmPlayList", "Left"), "50");
  EXPECT_EQ(Get("frmPlayList", "Width"), std::to_string(minimum.width()));
}

}  // namespace
}  // namespace tazmel
