#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <memory>
#include <ostream>

// Failed comparisons of Qt text print the text, not its bytes.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace tazmel::test {

// One offscreen QApplication for the whole test program, created on first
// use and destroyed when the last test has run, while Qt's own globals
// (the input devices QTest registers among them) still exist.
class QtAppEnvironment : public ::testing::Environment {
 public:
  static std::unique_ptr<QApplication>& App() {
    static std::unique_ptr<QApplication> app;
    return app;
  }
  void TearDown() override { App().reset(); }
};

inline QApplication& QtApp() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  auto& app = QtAppEnvironment::App();
  if (!app) {
    app = std::make_unique<QApplication>(argc, argv);
    ::testing::AddGlobalTestEnvironment(new QtAppEnvironment);
  }
  return *app;
}

// Runs the event loop until `done` holds or `timeout_ms` passes; false on
// the time-out.
inline bool WaitUntil(const std::function<bool()>& done, int timeout_ms = 5000) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > timeout_ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
  int paints = 0;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

// Delivers every pending update, so the paints they cause are counted.
inline void FlushPaints() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}

}  // namespace tazmel::test
