#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

namespace tazmel {

class TreeNode;

// The group dialog of the tree: the name for Add Group or Modify Group.
// Created once by its owner and kept, shown without blocking and centred on
// the owner; while it is shown it follows the tree's selection (see
// FollowSelection), which is why it is no modal question. The edit keeps
// its text between uses.
class TfrmGroup : public QDialog {
  Q_OBJECT

 public:
  // "A" and "M" of the tree commands.
  enum class Mode { kAdd, kModify };
  Q_ENUM(Mode)

  explicit TfrmGroup(QWidget* owner);

  // Add Group: mode kAdd, the text of the last use, all of it selected.
  void ShowAdd();
  // Modify Group: mode kModify with the node's caption, all selected.
  void ShowModify(const QString& caption);
  // The selection follow: while the dialog is shown, an editable node that
  // is not a station gives its caption to the edit; other nodes change
  // nothing.
  void FollowSelection(const TreeNode* node);

  Mode mode() const { return mode_; }
  QString Text() const;

 signals:
  // OK with a name: the owner runs AddGroup or ModifyGroup with it; the
  // dialog then closes. OK with an empty edit only closes it.
  void groupEntered(tazmel::TfrmGroup::Mode mode, const QString& name);

 private:
  void BuildControls();
  void ShowWithMode(Mode mode);
  void OnOk();

  QLineEdit* edtInput_ = nullptr;
  Mode mode_ = Mode::kAdd;
};

}  // namespace tazmel
