// Shows the Test Radio window translated from a language file, idle and in
// the middle of a run with a few log lines, and saves each as a PNG: for
// looking at it on a private X server (scripts/tester_window.sh).
#include <QApplication>
#include <QPushButton>
#include <iostream>

#include "core/code_page.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "ui/tester/test_dialog.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace {

bool Save(QWidget& window, const QString& path) {
  window.show();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  return window.grab().save(path);
}

QString Text(int slot) { return tazmel::FromGb(tazmel::Msg(slot)); }

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: tester_dialog_shots LANGUAGE.ini OUT_PREFIX\n";
    return 2;
  }
  tazmel::IniFile language;
  language.Load(argv[1]);
  tazmel::Messages().Load(language);
  const QString prefix = QString::fromLocal8Bit(argv[2]);

  tazmel::TfrmTest window;
  tazmel::TranslateWindow(window, language);
  bool ok = Save(window, prefix + QStringLiteral("idle.png"));

  // As the controller shows a run: Testing with dots, Pause and Stop
  // enabled, the station's path, one line per station tested.
  window.SetStatus(Text(92));
  window.SetDots(4, true);
  window.SetButtons(false, true, true);
  window.SetPauseText(Text(17));
  const std::string group = tazmel::Utf8ToGb("我的电台");
  window.SetStation(tazmel::FromGb(group + " -> Jazz -> Loopback FM 101.5"));
  for (const std::string& line :
       {std::string("100001\tLoopback FM\t") + tazmel::Msg(88) + "\t2\t1/1",
        std::string("100002\t") + group + "\t" + tazmel::Msg(89) + "\t241\t2/2",
        std::string("100003\tEvening Jazz Radio With A Long Name\t") + tazmel::Msg(88) + "\t9\t3/3"}) {
    window.AppendLog(tazmel::FromGb(line));
  }
  ok = ok && Save(window, prefix + QStringLiteral("testing.png"));

  window.SetStatus(Text(36));
  window.SetDots(0, false);
  window.SetPauseText(Text(91));
  ok = ok && Save(window, prefix + QStringLiteral("paused.png"));
  return ok ? 0 : 1;
}
