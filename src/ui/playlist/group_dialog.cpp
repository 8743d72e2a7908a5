#include "ui/playlist/group_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "stations/station_tree.h"
#include "stations/tree_editor.h"
#include "ui/playlist/find_dialog.h"
#include "ui/text_edge.h"

namespace tazmel {

TfrmGroup::TfrmGroup(QWidget* owner) : QDialog(owner) { BuildControls(); }

void TfrmGroup::BuildControls() {
  setObjectName("frmGroup");
  setWindowTitle(QStringLiteral("Group Editor"));
  setModal(false);

  auto* label = new QLabel(QStringLiteral("Imput Group Name:"), this);
  label->setObjectName("lblInput");
  edtInput_ = new QLineEdit(this);
  edtInput_->setObjectName("edtInput");
  edtInput_->setMinimumWidth(260);
  label->setBuddy(edtInput_);

  // OK is the default button: Enter in the edit presses it.
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName("btnOk");
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName("btnCancel");
  cancel->setAutoDefault(false);
  connect(ok, &QPushButton::clicked, this, &TfrmGroup::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label);
  layout->addWidget(edtInput_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmGroup::ShowAdd() { ShowWithMode(Mode::kAdd); }

void TfrmGroup::ShowModify(const QString& caption) {
  edtInput_->setText(caption);
  ShowWithMode(Mode::kModify);
}

void TfrmGroup::ShowWithMode(Mode mode) {
  mode_ = mode;
  if (!isVisible()) {
    show();
    // Once shown its frame is known.
    CentreOnOwner(*this);
  }
  raise();
  activateWindow();
  edtInput_->setFocus();
  edtInput_->selectAll();
}

void TfrmGroup::FollowSelection(const TreeNode* node) {
  if (!isVisible() || node == nullptr || IsStationNode(*node) || !TreeEditor::IsEditable(*node)) return;
  edtInput_->setText(FromGb(node->caption()));
  edtInput_->selectAll();
}

QString TfrmGroup::Text() const { return edtInput_->text(); }

void TfrmGroup::OnOk() {
  const QString name = edtInput_->text();
  if (!name.isEmpty()) emit groupEntered(mode_, name);
  accept();
}

}  // namespace tazmel
