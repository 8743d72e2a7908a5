// Shows the Data Tool window translated from a language file, with a run
// part-way through, and its save dialog, and saves each as a PNG: for
// looking at them on a private X server (scripts/data_window.sh).
#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <iostream>

#include "core/ini_file.h"
#include "core/messages.h"
#include "core/system.h"
#include "stations/station_exchange.h"
#include "stations/tree_editor.h"
#include "ui/data/data_window.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace {

struct NoPrompts : tazmel::UserPrompts {
  bool AskQuestion(std::string_view) override { return false; }
  void ShowInfo(std::string_view) override {}
};

// A job that stays at 40 % until stopped.
class HeldJob : public tazmel::ExchangeJob {
 public:
  using ExchangeJob::ExchangeJob;

 protected:
  bool Begin(int) override {
    maximum_ = 100;
    position_ = 40;
    return true;
  }
  bool Next() override { return true; }
  bool Finish(bool) override { return true; }
};

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::cerr << "usage: data_window_shots LANGUAGE.ini OUT_PREFIX\n";
    return 2;
  }
  tazmel::IniFile language;
  language.Load(argv[1]);
  tazmel::Messages().Load(language);
  const QString prefix = QString::fromLocal8Bit(argv[2]);
  NoPrompts prompts;
  tazmel::TreeEditor editor("/nonexistent", prompts);

  tazmel::TfrmData window;
  tazmel::TranslateWindow(window, language);
  HeldJob job(editor);
  bool ok = false;
  int slices = 0;
  QObject::connect(&window, &tazmel::TfrmData::progressed, &window, [&](int, int) {
    if (++slices != 20) return;
    // Without a window manager the title bar is not drawn: print it.
    std::cout << window.windowTitle().toStdString() << "\n";
    ok = window.grab().save(prefix + QStringLiteral("running.png"));
    window.RequestStop();
  });
  window.Run(job, tazmel::FromGb(tazmel::Msg(58)) + QStringLiteral(" - /home/user/My stations.txt"));

  QFileDialog& save = window.SaveDialog();
  save.setOption(QFileDialog::DontUseNativeDialog);
  save.selectFile(QStringLiteral("data.txt"));
  save.show();
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  ok = save.grab().save(prefix + QStringLiteral("save.png")) && ok;
  return ok ? 0 : 1;
}
