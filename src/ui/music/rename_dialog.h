#pragma once

#include <QDialog>

class QLineEdit;

namespace tazmel {

// `TfrmRename`: the old name (read-only) and the new one; OK or Enter in
// an edit asks the owner to rename, then the dialog hides either way.
class TfrmRename : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmRename(QWidget* owner);

  // Both edits get `name`; shown centred on the owner without blocking.
  void ShowFor(const QString& name);
  QString OldName() const;
  QString NewName() const;
  QLineEdit* NewEdit() const { return NewEdit_; }

 signals:
  void renameRequested(const QString& old_name, const QString& new_name);

 private:
  QLineEdit* OldEdit_ = nullptr;
  QLineEdit* NewEdit_ = nullptr;
};

}  // namespace tazmel
