#include "app/tree_generator_controller.h"

#include <QApplication>
#include <QWidget>

#include "core/messages.h"
#include "core/system.h"
#include "ui/playlist/tree_generator_window.h"
#include "ui/translator.h"

namespace tazmel {

TreeGeneratorController::TreeGeneratorController(TreeGeneratorParts parts) : parts_(std::move(parts)) {
  generator_.on_progress = [this](int record, int count) {
    if (window_) window_->ShowProgress(record, count);
  };
  generator_.pump_events = [] { QApplication::processEvents(); };
}

TreeGeneratorController::~TreeGeneratorController() {
  generator_.RequestStop();
  delete window_.data();
}

TfrmTreeGenerator* TreeGeneratorController::Window() const { return window_; }

void TreeGeneratorController::Show(QWidget* owner) {
  if (!window_) {
    window_ = new TfrmTreeGenerator(owner);
    TranslateWindow(*window_, parts_.language);
    if (parts_.skin) parts_.skin(*window_);
    window_->on_go = [this] { Go(); };
    window_->on_abort_question = [this] {
      if (!parts_.prompts.AskQuestion(Msg(87))) return false;
      generator_.RequestStop();
      return true;
    };
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void TreeGeneratorController::Go() {
  if (!window_ || generator_.running()) return;
  QPointer<TfrmTreeGenerator> window = window_;
  window->SetRunning(true);
  const TreeGeneratorOptions options = window->Options();
  bool done = false;
  parts_.change([&] { done = generator_.Run(parts_.tree, options); });
  if (!window) return;
  window->SetRunning(false);
  if (done) {
    parts_.prompts.ShowInfo(Msg(62));
    window->ResetProgress();
    window->close();
  }
}

}  // namespace tazmel
