// The data tool's three commands of the tree menu: export the selected
// branch, export all, import below the selected node.
#include <QFile>
#include <QFileDialog>
#include <QPointer>
#include <memory>
#include <optional>

#include "app/playlist_controller.h"
#include "core/file_utils.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/system.h"
#include "stations/station_exchange.h"
#include "stations/station_tree.h"
#include "stations/tree_editor.h"
#include "ui/data/data_window.h"
#include "ui/playlist/radio_tree_model.h"
#include "ui/playlist/radio_tree_view.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;

std::optional<fs::path> AskFile(TfrmData& window, bool save, const QString& proposed) {
  QFileDialog& dialog = save ? window.SaveDialog() : window.OpenDialog();
  if (!proposed.isEmpty()) dialog.selectFile(proposed);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return fs::path(QFile::encodeName(dialog.selectedFiles().front()).toStdString());
}

// "Line %d of the file is not valid text", from the window's section.
std::string InvalidLineText(const IniFile& language, int line) {
  std::string text = language.ReadString("frmData", "InvalidLine");
  if (text.empty()) text = "Line %d of the file is not valid text; nothing was imported.";
  if (const std::size_t at = text.find("%d"); at != std::string::npos) text.replace(at, 2, std::to_string(line));
  return text;
}

}  // namespace

TfrmData* PlayListController::DataWindow() const { return data_; }

void PlayListController::StopDataTool() {
  if (data_) data_->RequestStop();
}

void PlayListController::RunDataCommand(DataCommand command) {
  TreeEditor& tree = parts_.tree;
  TreeNode* selected = tree.selected();
  const TreeMenuState state = tree.MenuState();
  if (!view_ || selected == nullptr) return;
  if (command == DataCommand::kExportAll ? !state.data_export_all : !state.data_import) return;

  // Made for this command and gone with it (unless its owner went first).
  QPointer<TfrmData> window = new TfrmData(view_->window());
  data_ = window;
  TranslateWindow(*window, parts_.language);
  SkinNewDialog(*window);
  if (!hooks_.data_file) hooks_.data_file = AskFile;
  struct Free {
    QPointer<TfrmData>& window;
    ~Free() { delete window.data(); }
  } free_window{window};

  const bool save = command != DataCommand::kImport;
  QString proposed;
  if (command == DataCommand::kExportBranch) proposed = FromGb(CleanFileName(selected->caption()) + ".txt");
  if (command == DataCommand::kExportAll) proposed = QStringLiteral("data.txt");
  const std::optional<fs::path> file = hooks_.data_file(*window, save, proposed);
  if (!file || !window || !view_ || tree.selected() != selected) return;

  std::unique_ptr<ExchangeJob> job;
  switch (command) {
    case DataCommand::kImport:
      job = std::make_unique<StationImport>(tree, *selected, *file);
      break;
    case DataCommand::kExportBranch:
      job = std::make_unique<BranchExport>(tree, *selected, *file);
      break;
    case DataCommand::kExportAll:
      job = std::make_unique<AllExport>(tree, *file);
      break;
  }
  const int slot = command == DataCommand::kImport ? 59 : 58;
  const QString caption = FromGb(Msg(slot)) + QStringLiteral(" - ") + QFile::decodeName(file->string().c_str());

  // The whole run is one change of the tree for the view: it is shown
  // again, restored, when the job ends.
  running_ = true;
  view_->setUpdatesEnabled(false);
  view_->Model().BeginChange();
  const ExchangeStatus status = window->Run(*job, caption);
  const ExchangeError error = job->error();
  job.reset();
  if (view_) {
    view_->Model().EndChange();
    view_->setUpdatesEnabled(true);
  }
  running_ = false;

  if (status == ExchangeStatus::kDone) {
    parts_.prompts.ShowInfo(Msg(62));
  } else if (error.invalid_line > 0) {
    parts_.prompts.ShowInfo(InvalidLineText(parts_.language, error.invalid_line));
  }
  UpdateMenuState();
}

}  // namespace tazmel
