// Shows the task list, the shutdown countdown and the clock adjustment
// translated from a language file and saves each as a PNG: for looking at
// them on a private X server (scripts/schedule_dialogs.sh).
#include <QApplication>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>

#include "app/qt_dispatcher.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/system.h"
#include "ui/schedule/adjust_time_dialog.h"
#include "ui/schedule/list_view_ex.h"
#include "ui/schedule/shutdown_dialog.h"
#include "ui/schedule/task_dialog.h"

namespace {

struct NoPrompts : tazmel::UserPrompts {
  bool AskQuestion(std::string_view) override { return false; }
  void ShowInfo(std::string_view) override {}
};

struct NoSetter : tazmel::ClockSetter {
  tazmel::ClockSetResult SetUtc(std::int64_t) override { return tazmel::ClockSetResult::kFailed; }
};

bool Save(QWidget& dialog, const QString& path, const std::function<void()>& after_show = {}) {
  dialog.show();
  if (after_show) after_show();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  return dialog.grab().save(path);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 4) {
    std::cerr << "usage: schedule_dialog_shots LANGUAGE.ini SCRATCH_DIR OUT_PREFIX\n";
    return 2;
  }
  tazmel::IniFile language;
  language.Load(argv[1]);
  tazmel::Messages().Load(language);
  const std::filesystem::path tasks = std::filesystem::path(argv[2]) / "Tasklist.dat";
  std::ofstream(tasks, std::ios::binary)
      << "1\t0\t1234-Jazz FM\t2\t0,08:00:00 ~ 0,09:30:00\r\n"
         "1\t1\tmorning-news.mp3\t1\t07:00:00 ~ 07:15:00\r\n"
         "0\t0\t100001-Loopback FM\t0\t2026-05-01,20:00:00 ~ 2026-05-01,21:00:00\r\n";
  const QString prefix = QString::fromLocal8Bit(argv[3]);
  NoPrompts prompts;
  tazmel::QtDispatcher dispatcher;

  tazmel::TfrmTask task(tasks, prompts, &language, {});
  tazmel::TfrmShutDown shutdown(&language);
  shutdown.ShowSeconds(29);
  tazmel::TfrmAdjustTime adjust(dispatcher, std::make_shared<NoSetter>(), prompts, &language);
  const bool ok =
      Save(task, prefix + QStringLiteral("tasks.png"), [&] { task.List()->topLevelItem(0)->setSelected(true); }) &&
      Save(shutdown, prefix + QStringLiteral("shutdown.png")) && Save(adjust, prefix + QStringLiteral("adjust.png"));
  return ok ? 0 : 1;
}
