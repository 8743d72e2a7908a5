// Shows the about box, the problem report and the proxy list translated
// from a language file and saves each as a PNG: for looking at them on a
// private X server (scripts/online_dialogs.sh).
#include <QApplication>
#include <QPlainTextEdit>
#include <QTimer>
#include <iostream>

#include "core/ini_file.h"
#include "core/messages.h"
#include "core/system.h"
#include "ui/online/online_dialogs.h"

namespace {

struct NoPrompts : tazmel::UserPrompts {
  bool AskQuestion(std::string_view) override { return false; }
  void ShowInfo(std::string_view) override {}
};

bool Save(QWidget& dialog, const QString& path) {
  dialog.show();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  return dialog.grab().save(path);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: online_dialog_shots LANGUAGE.ini OUT_PREFIX\n";
    return 2;
  }
  tazmel::IniFile language;
  language.Load(argv[1]);
  tazmel::Messages().Load(language);
  const QString prefix = QString::fromLocal8Bit(argv[2]);
  auto silent = [](const std::string&, const std::string&, std::function<void(std::string)>) {};
  NoPrompts prompts;

  tazmel::TfrmAbout about({.title = QStringLiteral("Tazmel"),
                           .version = "0.1.0.0",
                           .data = "2030-01-01",
                           .web_site = "https://tazmel.org",
                           .author = "The Tazmel developers"},
                          &language, {});
  tazmel::TfrmQuestion question(QStringLiteral("Tazmel"), &language, silent, prompts, {});
  question.Report()->setPlainText(QStringLiteral("The station list does not update."));
  tazmel::TfrmGetProxy proxy("/nonexistent/proxy.txt", &language, silent);
  proxy.Memo()->setPlainText(QStringLiteral("proxy.example.org:3128\n10.0.0.1:8080"));
  const bool ok = Save(about, prefix + QStringLiteral("about.png")) &&
                  Save(question, prefix + QStringLiteral("question.png")) &&
                  Save(proxy, prefix + QStringLiteral("proxy.png"));
  return ok ? 0 : 1;
}
