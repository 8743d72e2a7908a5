// The main window's online items: the update check, the problem report,
// the about box, and the submissions they send.
#include <QAction>
#include <QApplication>

#include "app/main_window_controller.h"
#include "app/update_scheduler.h"
#include "core/ini_file.h"
#include "core/program_paths.h"
#include "core/system.h"
#include "core/time_utils.h"
#include "core/web_pages.h"
#include "online/page_fetcher.h"
#include "online/request_query.h"
#include "online/submission.h"
#include "ui/main/main_window.h"
#include "ui/online/online_dialogs.h"

namespace tazmel {

void MainWindowController::ConnectOnline() {
  TfrmMain& w = parts_.window;
  connect(w.Action("nUpdate"), &QAction::triggered, this, [this] { UpdateCommand(); });
  connect(w.Action("nQuestion"), &QAction::triggered, this, [this] { QuestionCommand(); });
  connect(w.Action("nAbout"), &QAction::triggered, this, [this] { AboutCommand(); });
  // Without an update host there is nothing to check.
  w.Action("nUpdate")->setEnabled(parts_.update != nullptr && !parts_.update->Host().empty());
  w.Action("nQuestion")->setEnabled(parts_.pages != nullptr);
  w.Action("nAbout")->setEnabled(true);
}

void MainWindowController::UpdateCommand() {
  if (parts_.update) parts_.update->ManualUpdate(NowDateTimeNumber());
}

void MainWindowController::Submit(const std::string& type, const std::string& data,
                                  std::function<void(std::string)> done) {
  if (!parts_.pages || !parts_.update) {
    done({});
    return;
  }
  parts_.pages->Fetch(SubmissionAddress(HomePage(), type, parts_.update->Fields(), data),
                      [done = std::move(done)](PageReply reply) {
                        done(reply.status == PageReply::Status::kOk ? std::move(reply.body) : std::string());
                      });
}

void MainWindowController::QuestionCommand() {
  RunBusy([this] {
    TfrmQuestion dialog(
        parts_.window.windowTitle(), &parts_.language,
        [this](const std::string& type, const std::string& data, std::function<void(std::string)> done) {
          Submit(type, data, std::move(done));
        },
        parts_.prompts, [this](const std::string& address) { OpenWebPage(address); }, &parts_.window);
    dialog.exec();
  });
}

void MainWindowController::AboutCommand() {
  RunBusy([this] {
    const std::string data_version =
        ReadProfileString(parts_.paths.UserIni(), "Update", "Data_" + parts_.paths.LanguageCode(), "2007-11-06");
    TfrmAbout dialog(
        {.title = parts_.window.windowTitle(),
         .version = ProgramVersion(),
         .data = data_version,
         .web_site = HomePage(),
         .author = AuthorLine()},
        &parts_.language, [this](const std::string& address) { OpenWebPage(address); }, &parts_.window);
    dialog.exec();
  });
}

}  // namespace tazmel
