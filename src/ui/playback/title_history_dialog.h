#pragma once

#include <QDialog>
#include <QString>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace tazmel {

// The songs the station being played named lately, newest first, with a
// button that copies the chosen one's title; and the switch for a message
// about each new song while the window is hidden. Kept by its owner and
// shown without blocking.
class TfrmTitleHistory : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmTitleHistory(QWidget* owner);

  // Entries are (time, title), oldest first as they are kept.
  void ShowEntries(const QString& station, const std::vector<std::pair<QString, QString>>& entries);
  void SetNotifyTitles(bool on);

  // The title of the chosen row (the newest when none is chosen); "" for an
  // empty list.
  QString ChosenTitle() const;
  // Puts ChosenTitle on the clipboard.
  void CopyTitle();

  QTreeWidget& List() { return *lvTitles_; }

 signals:
  void notifyTitlesChanged(bool on);

 private:
  QLabel* lblStation_ = nullptr;
  QTreeWidget* lvTitles_ = nullptr;
  QPushButton* btnCopy_ = nullptr;
  QCheckBox* chkNotifyTitles_ = nullptr;
};

}  // namespace tazmel
