#include "ui/data/data_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QProgressBar>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "core/messages.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

// Long enough to get work done, short enough for the window to repaint and
// take Escape several times a second.
constexpr std::chrono::milliseconds kSliceBudget(25);

QFileDialog* MakeFileDialog(QWidget* owner, const char* name, const QString& title, bool save) {
  auto* dialog = new QFileDialog(owner);
  dialog->setObjectName(QString::fromLatin1(name));
  dialog->setWindowTitle(title);
  dialog->setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog->setDefaultSuffix(QStringLiteral("txt"));
  // The save dialog asks before it overwrites a file (Qt's default).
  // "Text Files (*.txt)" and "All Files (*.*)"; Qt reads the patterns from
  // the parentheses, where "*" is every file.
  dialog->setNameFilters({FromGb(Msg(134)) + QStringLiteral(" (*.txt)"), FromGb(Msg(50)) + QStringLiteral(" (*)")});
  return dialog;
}

}  // namespace

TfrmData::TfrmData(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmData"));
  setWindowTitle(QStringLiteral("Data Tool"));
  // A title bar without close, minimise or help buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowModality(Qt::ApplicationModal);

  ProgressBar_ = new QProgressBar(this);
  ProgressBar_->setObjectName(QStringLiteral("ProgressBar"));
  ProgressBar_->setTextVisible(false);
  ProgressBar_->setMinimumWidth(360);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ProgressBar_);

  dlgOpen_ = MakeFileDialog(this, "dlgOpen", QStringLiteral("Open File"), false);
  dlgSave_ = MakeFileDialog(this, "dlgSave", QStringLiteral("Save File"), true);

  slice_.setInterval(0);
  connect(&slice_, &QTimer::timeout, this, &TfrmData::Slice);
}

ExchangeStatus TfrmData::Run(ExchangeJob& job, const QString& caption) {
  job_ = &job;
  status_ = ExchangeStatus::kRunning;
  setWindowTitle(caption);
  ProgressBar_->setRange(0, 1);
  ProgressBar_->setValue(0);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  slice_.start();
  exec();
  slice_.stop();
  QApplication::restoreOverrideCursor();
  job_ = nullptr;
  return status_;
}

void TfrmData::RequestStop() {
  if (job_ != nullptr) job_->Stop();
}

void TfrmData::Slice() {
  if (job_ == nullptr) return;
  status_ = job_->Step(kSliceBudget);
  ProgressBar_->setRange(0, std::max(1, job_->maximum()));
  ProgressBar_->setValue(std::min(job_->position(), std::max(1, job_->maximum())));
  emit progressed(job_->position(), job_->maximum());
  if (status_ != ExchangeStatus::kRunning) {
    slice_.stop();
    done(QDialog::Accepted);
  }
}

// Escape: the stop flag, never a close while the job runs.
void TfrmData::reject() {
  if (job_ != nullptr) {
    job_->Stop();
    return;
  }
  QDialog::reject();
}

void TfrmData::closeEvent(QCloseEvent* event) {
  if (job_ != nullptr) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace tazmel
