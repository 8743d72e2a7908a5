#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tazmel {

class IniFile;

// The countdown before the timed power-off. It only shows the figures it is
// given; the count itself runs in the automatic shutdown, which the buttons
// (and closing the window, which counts as Cancel) answer.
class TfrmShutDown : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmShutDown(const IniFile* language, QWidget* parent = nullptr);

  void ShowSeconds(int seconds_left);
  // Closes without telling anybody: the countdown has already ended.
  void Dismiss();

  QLabel* Countdown() const { return countdown_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 signals:
  void confirmed();
  void cancelled();

 protected:
  void reject() override;

 private:
  QLabel* countdown_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool dismissing_ = false;
};

}  // namespace tazmel
