#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace tazmel {

class TScrollLabel;

// The station tester's window: the status word with its dots, the station
// being tested, Go, Pause and Stop, and the log. It shows what its
// controller hands it and sends the buttons up as signals.
class TfrmTest : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmTest(QWidget* parent = nullptr);
  ~TfrmTest() override;

  void SetStatus(const QString& text);
  // 0..6 dots 2 pixels right of the status word.
  void SetDots(int count, bool visible);
  void SetStation(const QString& path);
  void SetButtons(bool go, bool pause, bool stop);
  void SetPauseText(const QString& text);
  void AppendLog(const QString& line);
  void ClearLog();

  // Asked when the window is to close; false keeps it open.
  std::function<bool()> may_close;

  QPushButton& Button(const char* name) const;
  QLabel& Status() const { return *InfoLbl_; }
  QLabel& Dots() const { return *GoLbl_; }
  TScrollLabel& Station() const { return *NameLbl_; }
  QPlainTextEdit& Log() const { return *mmoOutput_; }

 signals:
  void startClicked();
  void pauseClicked();
  void stopClicked();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QLabel* InfoLbl_ = nullptr;
  QLabel* GoLbl_ = nullptr;
  TScrollLabel* NameLbl_ = nullptr;
  QPushButton* btnStart_ = nullptr;
  QPushButton* btnPause_ = nullptr;
  QPushButton* btnStop_ = nullptr;
  QPlainTextEdit* mmoOutput_ = nullptr;
};

}  // namespace tazmel
