#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include "stations/station_exchange.h"

class QFileDialog;
class QProgressBar;

namespace tazmel {

// "Data Tool": the progress of one export or import. While a job runs the
// window is application-modal and the job works in short slices between
// events, so the window keeps painting; Escape stops the job, the window
// itself cannot be closed. It keeps the open and save dialogs of the
// commands, so their titles and filters are translated with it.
class TfrmData : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmData(QWidget* owner = nullptr);

  // Shows the window with `caption`, runs the job to its end and hides the
  // window again; the job's final status.
  ExchangeStatus Run(ExchangeJob& job, const QString& caption);
  // Sets the stop flag of the running job (the main window is closing).
  void RequestStop();
  bool Running() const { return job_ != nullptr; }

  QFileDialog& OpenDialog() const { return *dlgOpen_; }
  QFileDialog& SaveDialog() const { return *dlgSave_; }
  QProgressBar& ProgressBar() const { return *ProgressBar_; }

 signals:
  // After each slice, with the progress shown.
  void progressed(int position, int maximum);

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Slice();

  QProgressBar* ProgressBar_ = nullptr;
  QFileDialog* dlgOpen_ = nullptr;
  QFileDialog* dlgSave_ = nullptr;
  QTimer slice_;
  ExchangeJob* job_ = nullptr;
  ExchangeStatus status_ = ExchangeStatus::kDone;
};

}  // namespace tazmel
