#pragma once

#include <QDialog>

#include "stations/tree_editor.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace tazmel {

// The find dialog shared by both panes: created once by its owner, shown
// without blocking. Find hands the options on with the text converted to
// the data code page; closing it tells the owner to forget the found mark.
class TfrmFind : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmFind(QWidget* owner);

  // Shows the dialog centred on its owner with the focus in the edit.
  void ShowFor();
  TreeFindOptions Options() const;

 signals:
  void findRequested(const TreeFindOptions& options);
  void closed();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  QLineEdit* input_ = nullptr;
  QRadioButton* up_ = nullptr;
  QRadioButton* exact_ = nullptr;
  QCheckBox* match_case_ = nullptr;
};

}  // namespace tazmel
