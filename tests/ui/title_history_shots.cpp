// Shows the title history dialog translated from a language file, filled
// with a station's songs, and saves it as a PNG: for looking at it on a
// private X server (scripts/title_history.sh).
#include <QApplication>
#include <QTreeWidget>
#include <iostream>

#include "core/ini_file.h"
#include "ui/playback/title_history_dialog.h"
#include "ui/translator.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: title_history_shots LANGUAGE.ini OUT.png\n";
    return 2;
  }
  tazmel::IniFile language;
  language.Load(argv[1]);
  tazmel::TfrmTitleHistory dialog(nullptr);
  tazmel::TranslateWindow(dialog, language);
  dialog.ShowEntries(QStringLiteral(u"Loopback FM 北京音乐台"),
                     {{QStringLiteral("2026-12-10 22:41:07"), QStringLiteral("Miles Davis - So What")},
                      {QStringLiteral("2026-12-10 22:50:31"), QStringLiteral(u"周杰伦 - 稻香")},
                      {QStringLiteral("2026-12-10 22:54:12"),
                       QStringLiteral("The Very Long Band Name Orchestra - A Song Title That Runs On And On (Live)")},
                      {QStringLiteral("2026-12-10 23:02:45"), QStringLiteral("Station ID")}});
  dialog.SetNotifyTitles(true);
  dialog.show();
  dialog.List().setCurrentItem(dialog.List().topLevelItem(1));
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  return dialog.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
