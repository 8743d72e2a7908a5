#pragma once

#include <QMainWindow>
#include <string>
#include <vector>

#include "core/messages.h"

class QActionGroup;
class QLabel;
class QMenu;

namespace tazmel {

// The main window until the skinned one arrives: a caption, a menu with
// Play, Stop, the language list and Exit, and a few lines of state.
class TfrmMain : public QMainWindow {
  Q_OBJECT

 public:
  explicit TfrmMain(QWidget* parent = nullptr);

  void SetLanguages(const std::vector<LanguageChoice>& languages, const std::string& current);
  void SetStatusLines(const QStringList& lines);

 signals:
  // Every way of closing the window ends here; the owner runs the close
  // sequence and decides when the process ends.
  void closeRequested();
  void languageChosen(const QString& code);
  void playRequested();
  void stopRequested();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QMenu* nLanguage_;
  QActionGroup* languageGroup_ = nullptr;
  QLabel* lblStatus_;
};

}  // namespace tazmel
