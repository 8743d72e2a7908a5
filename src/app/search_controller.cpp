#include "app/search_controller.h"

#include <QAction>

#include "core/ini_file.h"
#include "core/program_paths.h"
#include "ui/main/main_window.h"
#include "ui/playlist/tree_menu.h"
#include "ui/search/search_dialog.h"
#include "ui/translator.h"

namespace tazmel {

SearchController::SearchController(TfrmMain& window, TTreeMenu* tree_menu, const ProgramPaths& paths,
                                   const IniFile& language)
    : window_(window), paths_(paths), language_(language) {
  if (QAction* item = window_.Action("nSearch")) connect(item, &QAction::triggered, this, &SearchController::Show);
  if (tree_menu != nullptr) {
    if (auto* item = tree_menu->findChild<QAction*>(QStringLiteral("nSearch"))) {
      connect(item, &QAction::triggered, this, &SearchController::Show);
    }
  }
}

SearchController::~SearchController() = default;

void SearchController::Show() {
  if (!dialog_) {
    dialog_ = std::make_unique<TfrmSearch>(&window_);
    TranslateWindow(*dialog_, language_);
    dialog_->Retranslate(language_);
    // The same way in as a station picked from the main window's menu:
    // the tree follows it and the engine plays it.
    connect(dialog_.get(), &TfrmSearch::stationChosen, &window_, &TfrmMain::stationChosen);
  }
  // The data folder follows the language, so it is asked for each time.
  dialog_->ShowFor(paths_.DataFolder());
}

// A new language has its own data folder: an open dialog reads it.
void SearchController::Retranslate(const IniFile& language) {
  if (!dialog_) return;
  dialog_->Retranslate(language);
  if (dialog_->isVisible()) dialog_->ShowFor(paths_.DataFolder());
}

}  // namespace tazmel
