// The video window on a private X server, showing a clip that libmpv
// really plays into its panel.

#include <gtest/gtest.h>

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/qt_dispatcher.h"
#include "playback/mpv/mpv_controls.h"
#include "support/child_process.h"
#include "support/x_server.h"
#include "temp_dir.h"
#include "ui/controls/drop_target.h"
#include "ui/playback/video_window.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using test::ChildProcess;

constexpr QSize kClip(320, 240);

const char* Path() { return std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin"; }

// One X server, one clip and one Qt application for the whole program; the
// server outlives the application.
struct Session {
  test::TempDir dir;
  std::optional<ChildProcess> xvfb;
  fs::path clip;
  std::unique_ptr<QtDispatcher> dispatcher;
  std::string problem;
};

void Open(Session& s) {
  if (test::FindProgram("Xvfb", Path()).empty() || test::FindProgram("ffmpeg", Path()).empty()) {
    s.problem = "needs Xvfb and ffmpeg (scripts/setup.sh test)";
    return;
  }
  const std::optional<std::string> display = test::StartXvfb(s.xvfb, s.dir.path() / "xvfb.log", 91, 99);
  if (!display) {
    s.problem = "no free X display in :91..:99";
    return;
  }
  s.clip = s.dir.path() / "clip.avi";
  ChildProcess ffmpeg({"ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=320x240:rate=10", "-t", "2", "-c:v",
                       "mpeg4", s.clip.string()},
                      test::EnvironmentWith({}));
  if (ffmpeg.WaitExit(60s) != 0 || !fs::exists(s.clip)) s.problem = "ffmpeg made no clip";
  setenv("DISPLAY", display->c_str(), 1);
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  test::QtApp();
  s.dispatcher = std::make_unique<QtDispatcher>();
}

// Never destroyed: the X server must outlive the application, which goes
// when the last test has run.
Session& TheSession() {
  static Session* session = [] {
    auto* s = new Session;
    Open(*s);
    return s;
  }();
  return *session;
}

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 20s) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QTest::qWait(20);
  }
  return true;
}

// The window with the clip playing in it, looped, through the Windows
// Media Player 9-like component.
class VideoWindowX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    Session& s = TheSession();
    if (!s.problem.empty()) GTEST_SKIP() << s.problem;
    video_ = std::make_unique<TfrmVideo>();
    video_->DropTarget().Register(video_.get());
    // The plain X11 output: Mesa's GLX context, torn down with a player,
    // closes the descriptor of Qt's own X connection on Xvfb, and its
    // drivers leave allocations the sanitizer run cannot name.
    MpvOptions options{.hidden = false,
                       .audio_output = "null",
                       .window_id = video_->VideoWindowId(),
                       .extra_options = {{"loop-file", "inf"}, {"vo", "x11"}}};
    player_ = MpvWmp9::Create(*s.dispatcher, options);
    ASSERT_NE(player_, nullptr);
    video_->picture_size = [this] { return QSize(player_->GetImageSourceWidth(), player_->GetImageSourceHeight()); };
    player_->SetURL(s.clip.string());
    ASSERT_TRUE(WaitFor([this] { return player_->GetImageSourceWidth() > 0; })) << "the clip shows no picture";
    video_->ShowPicture();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(video_.get()));
  }

  void TearDown() override {
    player_.reset();
    video_.reset();
  }

  QAction* Item(const char* name) const { return video_->Menu().findChild<QAction*>(QString::fromLatin1(name)); }

  QRect Screen() const { return video_->screen()->geometry(); }

  std::unique_ptr<TfrmVideo> video_;
  std::unique_ptr<MpvWmp9> player_;
};

TEST(VideoGripTest, CornersTakeTwelvePixelsEdgesEight) {
  const QSize size(300, 200);
  struct Case {
    QPoint at;
    Qt::Edges edges;
  };
  const Case cases[] = {
      {{295, 40}, Qt::RightEdge},  // 5 pixels from the right, 40 from the top
      {{3, 3}, Qt::TopEdge | Qt::LeftEdge},
      {{11, 11}, Qt::TopEdge | Qt::LeftEdge},
      {{12, 12}, {}},
      {{289, 189}, Qt::BottomEdge | Qt::RightEdge},
      {{288, 188}, {}},
      {{5, 195}, Qt::BottomEdge | Qt::LeftEdge},
      {{295, 5}, Qt::TopEdge | Qt::RightEdge},
      {{150, 193}, Qt::BottomEdge},
      {{150, 7}, Qt::TopEdge},
      {{150, 8}, {}},
      {{7, 100}, Qt::LeftEdge},
      {{150, 100}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VideoGripAt(c.at, size), c.edges) << c.at.x() << "," << c.at.y();
  }
}

// The first picture sizes the window to the clip under the title bar; the
// menu's size commands scale it, at any later size.
TEST_F(VideoWindowX11Test, SizeCommandsFollowThePicture) {
  EXPECT_TRUE(video_->isVisible());
  EXPECT_EQ(video_->ClientSize(), QSize(kClip.width(), kClip.height() + TfrmVideo::kTitleHeight));
  Item("nDoubleSize")->trigger();
  EXPECT_EQ(video_->ClientSize(), QSize(640, 480 + 23));
  EXPECT_EQ(video_->size(), QSize(642, 505));  // and the 1-pixel border
  video_->resize(500, 300);
  video_->ShowPicture();  // a later picture keeps the user's size
  EXPECT_EQ(video_->size(), QSize(500, 300));
  Item("nOriginalSize")->trigger();
  EXPECT_EQ(video_->ClientSize(), QSize(320, 263));
}

// Full screen covers the screen with the picture alone and comes back to
// the exact geometry before it, by Esc, a click, the menu or a size
// command; a hidden window brings a wanted full screen back with the next
// picture.
TEST_F(VideoWindowX11Test, FullScreenAndBackRestoresGeometry) {
  const QRect before(40, 50, 400, 300);
  video_->setGeometry(before);
  QTest::qWait(50);
  auto back = [&](const char* how, const std::function<void()>& leave) {
    video_->FullScreen();
    ASSERT_TRUE(WaitFor([&] { return video_->geometry() == Screen(); })) << how;
    EXPECT_TRUE(video_->IsFullScreen());
    EXPECT_FALSE(video_->findChild<QWidget*>(u"pnlTitle"_s)->isVisible()) << how;
    video_->PrepareMenu();
    EXPECT_TRUE(Item("nCancelFullScreen")->isVisible()) << how;
    EXPECT_FALSE(Item("nFullScreen")->isVisible()) << how;
    leave();
    ASSERT_TRUE(WaitFor([&] { return video_->geometry() == before; }))
        << how << ": " << video_->geometry().width() << "x" << video_->geometry().height();
    EXPECT_FALSE(video_->IsFullScreen()) << how;
    EXPECT_FALSE(video_->FullScreenWanted()) << how;
    video_->PrepareMenu();
    EXPECT_FALSE(Item("nCancelFullScreen")->isVisible()) << how;
  };
  back("Esc", [&] { QTest::keyClick(video_->findChild<QWidget*>(u"pnlVideo"_s), Qt::Key_Escape); });
  back("menu", [&] { Item("nCancelFullScreen")->trigger(); });
  // A left click anywhere in the program, here another window.
  QLineEdit other;
  other.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
  back("click elsewhere", [&] { QTest::mouseClick(&other, Qt::LeftButton); });

  // The title bar's double click, then the window hidden while full
  // screen: out of it, and back in with the next picture.
  QTest::mouseDClick(video_->findChild<QWidget*>(u"slblTitle"_s), Qt::LeftButton, {}, QPoint(40, 12));
  ASSERT_TRUE(WaitFor([&] { return video_->IsFullScreen(); }));
  video_->ClosePicture();
  EXPECT_FALSE(video_->isVisible());
  EXPECT_EQ(video_->geometry(), before);
  video_->ShowPicture();
  ASSERT_TRUE(WaitFor([&] { return video_->geometry() == Screen(); }));
  Item("nOriginalSize")->trigger();  // a size command leaves full screen too
  EXPECT_FALSE(video_->FullScreenWanted());
  ASSERT_TRUE(WaitFor([&] { return video_->ClientSize() == QSize(320, 263); }));
}

// Dragging a grip moves that edge or corner by the distance dragged; the
// title bar moves the window.
TEST_F(VideoWindowX11Test, GripsResizeTitleMoves) {
  QWidget* panel = video_->findChild<QWidget*>(u"pnlVideo"_s);
  QWidget* title = video_->findChild<QWidget*>(u"slblTitle"_s);
  struct Case {
    const char* name;
    QWidget* target;
    QPoint at;  // in the window
    QPoint drag;
    QRect expected;  // relative to the start (x, y, width, height changes)
  };
  const QRect start(100, 100, 400, 300);
  const Case cases[] = {
      {"right edge", panel, {395, 140}, {30, 70}, {0, 0, 30, 0}},
      {"bottom-left corner", panel, {4, 296}, {-20, 10}, {-20, 0, 20, 10}},
      {"top edge", title, {200, 3}, {5, -15}, {0, -15, 0, 15}},
      {"title bar", title, {100, 12}, {25, 35}, {25, 35, 0, 0}},
      {"inside", panel, {200, 150}, {25, 35}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    video_->setGeometry(start);
    ASSERT_TRUE(WaitFor([&] { return video_->geometry() == start; })) << c.name;
    const QPoint from = c.target->mapFrom(video_.get(), c.at);
    QTest::mousePress(c.target, Qt::LeftButton, {}, from);
    QTest::mouseMove(c.target, from + c.drag);
    QTest::mouseRelease(c.target, Qt::LeftButton, {}, from + c.drag);
    const QRect e = c.expected;
    const QRect wanted(start.x() + e.x(), start.y() + e.y(), start.width() + e.width(), start.height() + e.height());
    EXPECT_TRUE(WaitFor([&] { return video_->geometry() == wanted; }, 2s))
        << c.name << ": " << video_->geometry().x() << "," << video_->geometry().y() << " "
        << video_->geometry().width() << "x" << video_->geometry().height();
  }
}

// While the window is active, keys steer the picture and reach nothing
// else: not the focused control, not another window's shortcut.
TEST_F(VideoWindowX11Test, KeysStayInTheWindow) {
  QWidget elsewhere;
  elsewhere.setGeometry(600, 400, 100, 100);
  elsewhere.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&elsewhere));
  auto* shortcut = new QAction(&elsewhere);
  shortcut->setShortcut(QKeySequence(Qt::Key_A));
  shortcut->setShortcutContext(Qt::ApplicationShortcut);
  elsewhere.addAction(shortcut);
  QSignalSpy fired(shortcut, &QAction::triggered);
  video_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(video_.get()));
  QWidget* panel = video_->findChild<QWidget*>(u"pnlVideo"_s);
  QTest::keyClick(panel, Qt::Key_A);
  EXPECT_EQ(fired.count(), 0);
  EXPECT_FALSE(video_->IsFullScreen());
  QTest::keyClick(panel, Qt::Key_Return);
  EXPECT_TRUE(video_->IsFullScreen());
  QTest::keyClick(panel, Qt::Key_Space);
  EXPECT_FALSE(video_->IsFullScreen());
  // Once the window is hidden, the program's keys work again.
  video_->ClosePicture();
  elsewhere.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
  QTest::keyClick(&elsewhere, Qt::Key_A);
  EXPECT_EQ(fired.count(), 1);
}

// Links in streaming schemes, files and bare hosts are handed on; the media
// library's own schemes and script or data links are refused.
TEST_F(VideoWindowX11Test, DropsTakeOnlyAllowedSchemes) {
  QSignalSpy dropped(video_.get(), &TfrmVideo::linksDropped);
  struct Case {
    const char* link;
    bool taken;
  };
  const Case cases[] = {
      {"http://radio.example/live.asx", true},
      {"HTTPS://radio.example/a.pls", true},
      {"mms://radio.example/live", true},
      {"rtsp://radio.example/a.rm", true},
      {"pnm://radio.example/a.ra", true},
      {"file:///tmp/a.mp3", true},
      {"radio.example:8000/live", true},
      {"memory://abc", false},
      {"fd://3", false},
      {"av://lavfi:sine", false},
      {"javascript:alert(1)", false},
      {"data:text/plain,x", false},
  };
  for (const Case& c : cases) {
    dropped.clear();
    QMimeData mime;
    mime.setText(QString::fromLatin1(c.link));
    const QPoint at(50, 50);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(video_.get(), &enter);
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, &mime, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(video_.get(), &drop);
    EXPECT_EQ(dropped.count(), c.taken ? 1 : 0) << c.link;
    if (c.taken) {
      EXPECT_EQ(video_->DropTarget().DroppedURL(), c.link);
    }
  }
  // Dropped files are always taken.
  dropped.clear();
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(QString::fromStdString(TheSession().clip.string()))});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &files, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(video_.get(), &enter);
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &files, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(video_.get(), &drop);
  EXPECT_EQ(dropped.count(), 1);
}

}  // namespace
}  // namespace tazmel
