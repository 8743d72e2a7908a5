// The schedule in the whole program: a play task on a manual clock plays a
// loopback station through the real engine, the exit question while it
// runs, and the timed shutdown with a power-off that the system refuses.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimeEdit>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/application.h"
#include "app/schedule_controller.h"
#include "core/ini_file.h"
#include "core/program_paths.h"
#include "schedule/zone.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/http_server.h"
#include "support/manual_clock.h"
#include "support/program_folder.h"
#include "support/scoped_env.h"
#include "support/test_audio.h"
#include "temp_dir.h"
#include "ui/controls/scroll_label.h"
#include "ui/main/main_window.h"
#include "ui/main/tray_icon.h"
#include "ui/qt_app.h"
#include "ui/schedule/shutdown_dialog.h"
#include "ui/schedule/task_dialog.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace Qt::StringLiterals;
using test::TestHttpConnection;

bool WaitUntil(const std::function<bool()>& done) { return test::WaitUntil(done, 15000); }

// Runs `action` and answers No (or OK) to the first message box it opens;
// the box's text, or nothing when none opened.
QString TextOfMessageBoxDuring(const std::function<void()>& action) {
  QString text;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && text.isEmpty()) {
      text = box->text();
      box->reject();
    }
  });
  poll.start(10);
  action();
  return text;
}

class ScheduleAppTest : public ::testing::Test {
 protected:
  ScheduleAppTest() {
    test::QtApp();
    test::StageProgramFolder(home_.path());
    server_.ServeLoop("/live.mp3", mp3_);
    EXPECT_TRUE(test::WriteLoopbackStation(paths_, server_.Url("/live.mp3")));
    EXPECT_TRUE(test::WriteEnglishUserIni(home_.path(), paths_));
  }

  // Ticks of the check timer, one second apart on the manual clock.
  void Ticks(Application& app, int count) {
    for (int i = 0; i < count; ++i) {
      clock_.Advance(1s);
      app.Schedule()->Tick();
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
  }

  test::ScopedZone zone_{test::kEuropeanZone};
  test::TempDir home_;
  ProgramPaths paths_{home_.path()};
  test::ScopedEnv config_{"XDG_CONFIG_HOME", (home_ / "config").string()};
  test::ScopedEnv audio_{"TAZMEL_AUDIO_OUTPUT", "null"};
  std::string mp3_ = test::MakeToneMp3(2.0);
  test::TestHttpServer server_;
  test::ManualClock clock_{test::UtcMsOfLocal(2026, 4, 6, 7, 59, 57)};
};

// The task plays the station at 08:00:00 exactly once (one connection to
// the server however many ticks follow), the exit question comes while it
// plays and No keeps the program, and its end at 08:00:20 stops it.
TEST_F(ScheduleAppTest, PlayTaskPlaysItsStationOnceAndEnds) {
  std::ofstream(home_ / "Tasklist.dat", std::ios::binary) << "1\t0\t100001-Loopback FM\t1\t08:00:00 ~ 08:00:20\r\n";
  Application app(paths_);
  app.OverrideSchedule({.clock = &clock_, .power_off = {}});
  app.Start();
  app.MainWindow().CheckTimer().stop();
  Ticks(app, 2);
  EXPECT_EQ(server_.RequestCount("/live.mp3"), 0);
  Ticks(app, 1);  // 08:00:00
  ASSERT_TRUE(WaitUntil([&] { return app.MainWindow().StateLabel().Caption() == u"Playing"_s; }))
      << app.MainWindow().StateLabel().Caption().toStdString();
  Ticks(app, 5);
  EXPECT_EQ(server_.RequestCount("/live.mp3"), 1);
  EXPECT_TRUE(app.Schedule()->TaskRunning());

  QSignalSpy closed(&app, &Application::closed);
  EXPECT_EQ(TextOfMessageBoxDuring([&] { app.Close(); }), u"Executing a task, really want to exit?"_s);
  EXPECT_EQ(closed.count(), 0);
  EXPECT_TRUE(app.MainWindow().isVisible());

  Ticks(app, 15);  // 08:00:20
  EXPECT_TRUE(WaitUntil([&] { return app.MainWindow().PlayState() == SkinState::kStopped; }));
  EXPECT_FALSE(app.Schedule()->TaskRunning());
  EXPECT_EQ(TextOfMessageBoxDuring([&] { app.Close(); }), QString());
  EXPECT_EQ(closed.count(), 1);
}

// OK in the countdown saves everything without asking and asks for the
// power-off; refused, the windows and tray icon stay and the user reads why.
TEST_F(ScheduleAppTest, RefusedPowerOffKeepsTheWindowsAndTellsWhy) {
  int power_offs = 0;
  Application app(paths_);
  app.OverrideSchedule(
      {.clock = &clock_, .power_off = [&](std::function<void(const PowerOffResult&)> done) {
         ++power_offs;
         done(PowerOffResult{PowerOffResult::Outcome::kRefused, "Interactive authentication required."});
       }});
  app.Start();
  app.MainWindow().CheckTimer().stop();
  const bool tray_visible = app.MainWindow().Tray().IsVisible();
  fs::remove(paths_.UserIni());

  app.Schedule()->Shutdown().Trigger();
  // The countdown opens from a posted call.
  EXPECT_EQ(app.ShutDownWindow(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return app.ShutDownWindow() && app.ShutDownWindow()->isVisible(); }));
  EXPECT_EQ(app.ShutDownWindow()->Countdown()->text(), u"30"_s);
  const QString told = TextOfMessageBoxDuring([&] {
    app.ShutDownWindow()->OkButton()->click();
    WaitUntil([&] { return !app.Schedule()->Shutdown().InProgress(); });
    test::WaitUntil([] { return QApplication::activeModalWidget() != nullptr; }, 3000);
    QCoreApplication::processEvents();
  });
  EXPECT_EQ(power_offs, 1);
  EXPECT_EQ(told, u"The computer could not be switched off: Interactive authentication required."_s);
  EXPECT_TRUE(fs::exists(paths_.UserIni()));  // saved before asking
  EXPECT_FALSE(app.ShutDownWindow()->isVisible());
  EXPECT_TRUE(app.MainWindow().isVisible());
  EXPECT_EQ(app.MainWindow().Tray().IsVisible(), tray_visible);
  app.Close();
}

// The menu item opens the task list from a posted call; Apply writes the
// file and the scheduler takes the new list at once.
TEST_F(ScheduleAppTest, TaskItemOpensTheListAndApplyReschedules) {
  Application app(paths_);
  app.OverrideSchedule({.clock = &clock_, .power_off = {}});
  app.Start();
  app.MainWindow().CheckTimer().stop();
  QAction* item = app.MainWindow().Action("nTask");
  ASSERT_TRUE(item->isEnabled());
  item->trigger();
  EXPECT_EQ(app.TaskWindow(), nullptr);
  ASSERT_TRUE(WaitUntil([&] { return app.TaskWindow() && app.TaskWindow()->isVisible(); }));
  EXPECT_TRUE(app.Schedule()->Scheduler().Tasks().play.empty());
  TfrmTask& tasks = *app.TaskWindow();
  tasks.FrequencyBox()->setCurrentIndex(1);
  tasks.NameEdit()->setText(u"100001-Loopback FM"_s);
  tasks.StartTime()->setTime(QTime(8, 0, 0));
  tasks.EndTime()->setTime(QTime(8, 30, 0));
  ASSERT_TRUE(tasks.AppendTask());
  ASSERT_TRUE(tasks.Apply());
  ASSERT_EQ(app.Schedule()->Scheduler().Tasks().play.size(), 1u);
  EXPECT_EQ(app.Schedule()->Scheduler().Tasks().play[0].name, "100001-Loopback FM");
  EXPECT_TRUE(fs::exists(home_ / "Tasklist.dat"));
  app.Close();
}

}  // namespace
}  // namespace tazmel
