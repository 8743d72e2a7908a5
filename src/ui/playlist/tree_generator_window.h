#pragma once

#include <QDialog>
#include <array>
#include <functional>

#include "stations/tree_generator.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace tazmel {

// The tree generator's window: the new group's name, up to five levels to
// file stations by, the tables to read, Go and a vertical progress bar. It
// is made once and kept; the playlist controller runs the generation.
class TfrmTreeGenerator : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmTreeGenerator(QWidget* owner = nullptr);

  TreeGeneratorOptions Options() const;
  // While generating, the choices are locked and the name is read-only on
  // the button face's colour.
  void SetRunning(bool running);
  bool Running() const { return running_; }
  void ShowProgress(int record, int count);
  void ResetProgress();
  QProgressBar& ProgressBar() const { return *pbProBar_; }

  // Go pressed.
  std::function<void()> on_go;
  // Closing while generating: true lets the window close (the run stops).
  std::function<bool()> on_abort_question;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // Esc asks the same question as the title bar's close button.
  void reject() override;

 private:
  QLineEdit* edtGroup_;
  std::array<QComboBox*, kGeneratorLevelCount> cbbLevel_{};
  QComboBox* cbbTable_;
  QPushButton* btnStart_;
  QProgressBar* pbProBar_;
  bool running_ = false;
};

}  // namespace tazmel
