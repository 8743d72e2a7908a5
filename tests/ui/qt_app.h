#pragma once

#include <QApplication>
#include <cstdlib>

namespace tazmel::test {

// One offscreen QApplication for the whole test program. It is never
// destroyed: input devices QTest registers would otherwise outlive it at
// exit.
inline QApplication& QtApp() {
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace tazmel::test
