#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace tazmel {

// The group dialog: created once by its owner and shown without blocking,
// so that it can follow the tree's selection while it is open. OK with a
// name hands it on and closes; OK with an empty edit only closes.
class TfrmGroup : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { kAdd, kModify };

  explicit TfrmGroup(QWidget* owner);

  // Add keeps the edit's text from the last use; Modify puts `current` in.
  // Either way the text is selected and the dialog shows.
  void ShowFor(Mode mode, const QString& current);
  // The selection follow: an editable group's caption while it is open.
  void SetText(const QString& text);
  Mode mode() const { return mode_; }

 signals:
  void nameEntered(tazmel::TfrmGroup::Mode mode, const QString& name);

 private:
  QLineEdit* input_ = nullptr;
  Mode mode_ = Mode::kAdd;
};

}  // namespace tazmel
