#include "ui/main/tray_icon.h"

#include <QColor>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPixmap>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/qt_app.h"

namespace tazmel {
namespace {

using namespace Qt::StringLiterals;

using Reason = QSystemTrayIcon::ActivationReason;

using test::WaitUntil;

void Spin(int ms) {
  WaitUntil([] { return false; }, ms);
}

std::vector<QIcon> Frames(int count) {
  std::vector<QIcon> frames;
  for (int i = 0; i < count; ++i) {
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor::fromHsv(i * 60, 255, 255));
    frames.emplace_back(pixmap);
  }
  return frames;
}

// Everything the controller asks of the main window, in arrival order.
class TrayIconTest : public ::testing::Test {
 protected:
  TrayIconTest() {
    QObject::connect(&tray_, &TrayIcon::showRequested, [this] { events_.push_back("show"); });
    QObject::connect(&tray_, &TrayIcon::toggleVisibilityRequested, [this] { events_.push_back("toggle"); });
    QObject::connect(&tray_, &TrayIcon::stationMenuRequested, [this](QPoint at) {
      events_.push_back("menu");
      menu_at_ = at;
    });
    QObject::connect(&tray_, &TrayIcon::frameChanged, [this](int frame) { frames_.push_back(frame); });
  }

  QApplication& app_ = test::QtApp();  // before the tray icon
  TrayIcon tray_;
  std::vector<std::string> events_;
  QPoint menu_at_;
  std::vector<int> frames_;
};

TEST_F(TrayIconTest, ClickRules) {
  constexpr int kDelay = 40;
  struct Case {
    const char* name;
    bool click_tree;
    std::vector<Reason> clicks;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"option off: middle toggles", false, {Reason::MiddleClick}, {"toggle"}},
      {"option off: each middle click toggles",
       false,
       {Reason::MiddleClick, Reason::MiddleClick},
       {"toggle", "toggle"}},
      {"double click shows", false, {Reason::DoubleClick}, {"show"}},
      {"middle then double click: no menu", true, {Reason::MiddleClick, Reason::DoubleClick}, {"show"}},
      {"middle clicked twice: no menu", true, {Reason::MiddleClick, Reason::MiddleClick}, {"show"}},
      {"left and right buttons ask nothing", true, {Reason::Trigger, Reason::Context}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    events_.clear();
    tray_.SetTrayClickTree(c.click_tree);
    tray_.SetMenuDelay(kDelay);
    for (Reason reason : c.clicks) tray_.OnActivated(reason);
    Spin(3 * kDelay);
    EXPECT_EQ(events_, c.expected);
    EXPECT_FALSE(tray_.IsMenuPending());
  }
}

// With the option on, a lone middle click waits out the double-click time
// before the station menu comes, at the cursor.
TEST_F(TrayIconTest, MiddleClickPopsStationMenuAfterDelay) {
  EXPECT_FALSE(tray_.TrayClickTree());
  tray_.SetTrayClickTree(true);
  tray_.SetMenuDelay(60);
  tray_.OnActivated(Reason::MiddleClick);
  EXPECT_TRUE(tray_.IsMenuPending());
  EXPECT_TRUE(events_.empty());

  ASSERT_TRUE(WaitUntil([this] { return !events_.empty(); }));
  EXPECT_EQ(events_, std::vector<std::string>{"menu"});
  EXPECT_EQ(menu_at_, QCursor::pos());
  EXPECT_FALSE(tray_.IsMenuPending());
}

TEST_F(TrayIconTest, MiddleClickWaitsSystemDoubleClickTimeByDefault) {
  tray_.SetTrayClickTree(true);
  QElapsedTimer clock;
  clock.start();
  tray_.OnActivated(Reason::MiddleClick);
  ASSERT_TRUE(WaitUntil([this] { return !events_.empty(); }, QApplication::doubleClickInterval() + 2000));
  // Qt's default coarse timers may fire up to 5% early.
  EXPECT_GE(clock.elapsed(), QApplication::doubleClickInterval() * 9 / 10);
}

// While playing, the frames cycle from the still icon onwards; stopping
// returns to the still icon and nothing moves afterwards.
TEST_F(TrayIconTest, AnimationCyclesFramesAndStopsOnStillIcon) {
  tray_.SetFrames(Frames(3));
  tray_.SetPlayingAnimation(true, 10);
  EXPECT_TRUE(tray_.IsAnimating());
  ASSERT_TRUE(WaitUntil([this] { return frames_.size() >= 4; }));
  EXPECT_EQ(std::vector<int>(frames_.begin(), frames_.begin() + 4), (std::vector<int>{1, 2, 0, 1}));

  ASSERT_TRUE(WaitUntil([this] { return tray_.Frame() == 2; }));
  tray_.SetPlayingAnimation(false, 0);
  EXPECT_FALSE(tray_.IsAnimating());
  EXPECT_EQ(tray_.Frame(), 0);
  EXPECT_EQ(frames_.back(), 0);
  const std::size_t changes = frames_.size();
  Spin(50);
  EXPECT_EQ(frames_.size(), changes);
}

// The animation setting applies at once, in both directions.
TEST_F(TrayIconTest, EnabledAnimateGatesAnimation) {
  tray_.SetFrames(Frames(3));
  tray_.SetEnabledAnimate(false);
  tray_.SetPlayingAnimation(true, 10);
  Spin(60);
  EXPECT_FALSE(tray_.IsAnimating());
  EXPECT_TRUE(frames_.empty());

  tray_.SetEnabledAnimate(true);
  ASSERT_TRUE(WaitUntil([this] { return tray_.Frame() == 1; }));
  tray_.SetEnabledAnimate(false);
  EXPECT_EQ(tray_.Frame(), 0);
  EXPECT_FALSE(tray_.IsAnimating());
}

// Frames nobody can see are not stepped: with no tray to show the icon and
// no one listening for frames, playing leaves the still icon alone.
TEST(TrayIconUnseenTest, NoAnimationWithoutTrayOrListener) {
  test::QtApp();
  TrayIcon tray;
  tray.SetFrames(Frames(3));
  tray.SetVisible(true);
  tray.SetPlayingAnimation(true, 5);
  EXPECT_EQ(tray.IsAnimating(), tray.IsShown());
  if (!tray.IsShown()) {
    Spin(30);
    EXPECT_EQ(tray.Frame(), 0);
  }
}

// New frames from a skin start over at the still icon; with a single frame
// there is nothing to cycle.
TEST_F(TrayIconTest, NewFramesRestartAtStillIcon) {
  tray_.SetFrames(Frames(3));
  tray_.SetPlayingAnimation(true, 10);
  ASSERT_TRUE(WaitUntil([this] { return tray_.Frame() == 2; }));
  tray_.SetFrames(Frames(1));
  EXPECT_EQ(tray_.Frame(), 0);
  EXPECT_EQ(tray_.FrameCount(), 1);
  EXPECT_FALSE(tray_.IsAnimating());
  frames_.clear();
  Spin(50);
  EXPECT_TRUE(frames_.empty());

  tray_.SetFrames({});
  tray_.SetPlayingAnimation(true, 10);
  EXPECT_FALSE(tray_.IsAnimating());
  EXPECT_EQ(tray_.Frame(), 0);
}

std::vector<std::string>* captured_messages = nullptr;

void CaptureMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
  if (captured_messages != nullptr) captured_messages->push_back(text.toStdString());
}

// Without a system tray (as offscreen) the controller keeps what it was told,
// says that nothing is shown so the caller keeps other ways to reach the
// window, and does not fill the log: Qt may note the missing tray once when
// the icon first goes up, but nothing of ours warns, not even per tick.
TEST_F(TrayIconTest, KeepsStateQuietlyWithoutIconOrTray) {
  std::vector<std::string> messages;
  captured_messages = &messages;
  const QtMessageHandler previous = qInstallMessageHandler(CaptureMessage);
  struct Restore {
    QtMessageHandler handler;
    ~Restore() {
      qInstallMessageHandler(handler);
      captured_messages = nullptr;
    }
  } restore{previous};

  tray_.SetVisible(true);  // before the skin gave any icon
  EXPECT_TRUE(tray_.IsVisible());
  EXPECT_FALSE(tray_.IsShown());
  EXPECT_FALSE(tray_.ShowBalloon(u"Information"_s, u"no icon yet"_s));
  EXPECT_TRUE(messages.empty()) << messages.front();

  tray_.SetFrames(Frames(3));
  EXPECT_EQ(tray_.IsShown(), QSystemTrayIcon::isSystemTrayAvailable());
  messages.clear();

  tray_.SetHint(u"Tazmel - [ News ]"_s);
  tray_.SetPlayingAnimation(true, 5);
  ASSERT_TRUE(WaitUntil([this] { return frames_.size() >= 6; }));
  EXPECT_EQ(tray_.Hint(), u"Tazmel - [ News ]"_s);
  EXPECT_EQ(tray_.ShowBalloon(u"Information"_s, u"text"_s), tray_.IsShown());

  tray_.SetVisible(false);
  EXPECT_FALSE(tray_.IsVisible());
  EXPECT_FALSE(tray_.IsShown());
  EXPECT_FALSE(tray_.ShowBalloon(u"Information"_s, u"hidden"_s));
  tray_.SetVisible(true);
  tray_.SetFrames(Frames(2));
  Spin(30);
  EXPECT_TRUE(tray_.IsVisible());
  EXPECT_TRUE(messages.empty()) << messages.front();
}

}  // namespace
}  // namespace tazmel
