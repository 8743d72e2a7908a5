#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>

#include "app/application.h"
#include "app/signal_bridge.h"
#include "app/window_system.h"
#include "core/program_paths.h"
#include "ui/main/main_window.h"

int main(int argc, char* argv[]) {
  using namespace tazmel;
  const ProgramPaths paths(ResolveProgramFolder(ProgramFolderSources::FromEnvironment()));

  // Must be decided before Qt picks its platform plugin.
  if (const auto platform = ChooseQtPlatform(WindowSystemEnvironment::FromProcess())) {
    setenv("QT_QPA_PLATFORM", platform->c_str(), 1);
  }
  QApplication qt(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tazmel"));
  QApplication::setQuitOnLastWindowClosed(false);
  // The media engine parses numbers with the C locale.
  std::setlocale(LC_NUMERIC, "C");

  SignalBridge signals_bridge;
  Application app(paths);
  QObject::connect(&signals_bridge, &SignalBridge::terminationRequested, &app, &Application::CloseUnattended);
  QObject::connect(&app, &Application::closed, &qt, &QApplication::quit, Qt::QueuedConnection);
  // Start-up timing: the benchmark waits for this line.
  if (std::getenv("TAZMEL_REPORT_PAINT") != nullptr) {
    QObject::connect(&app.MainWindow(), &TfrmMain::firstPainted, [] {
      std::fputs("first-paint\n", stdout);
      std::fflush(stdout);
    });
  }
  app.Start();
  return QApplication::exec();
}
