#pragma once

#include <QDialog>
#include <QString>

#include "stations/tree_editor.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

namespace tazmel {

// What the find dialog asks for, as the user entered it. The tree search
// takes it in the data code page through ForTree(); the music list takes
// the text as it is.
struct FindDialogOptions {
  QString text;
  bool down = true;    // Direction: Down (default) or Up
  bool exact = false;  // Mode: Exact, or Vague (default)
  bool match_case = false;

  TreeFindOptions ForTree() const;
  bool operator==(const FindDialogOptions&) const = default;
};

// The find dialog shared by the tree and the music list: created once by
// its owner and kept, shown without blocking. Find (or Enter in the edit)
// asks the owner to search the visible pane; the dialog keeps its text and
// options between uses.
class TfrmFind : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmFind(QWidget* owner);

  // Shows the dialog centred on its owner (or raises it when shown) and
  // focuses the edit with its text selected.
  void ShowFor();
  FindDialogOptions Options() const;
  // Whether it was ever shown: Find Next does nothing before.
  bool WasShown() const { return was_shown_; }

  // The dialog hides through Cancel, Escape or its close button; `closed`
  // follows each time.
  void done(int result) override;

 signals:
  void findRequested(const tazmel::FindDialogOptions& options);
  // The owner clears the found marks of both panes.
  void closed();

 private:
  void BuildControls();

  QLineEdit* edtInput_ = nullptr;
  QButtonGroup* turn_ = nullptr;
  QButtonGroup* mode_ = nullptr;
  QCheckBox* chkMatchCase_ = nullptr;
  QPushButton* btnFind_ = nullptr;
  bool was_shown_ = false;
};

// Places a dialog so that its frame's centre is the owner's frame centre,
// kept on the owner's screen.
void CentreOnOwner(QWidget& dialog);

}  // namespace tazmel
