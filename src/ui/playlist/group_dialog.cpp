#include "ui/playlist/group_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tazmel {

TfrmGroup::TfrmGroup(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmGroup"));
  setWindowTitle(QStringLiteral("Group Editor"));
  auto* label = new QLabel(QStringLiteral("Imput Group Name:"), this);
  label->setObjectName(QStringLiteral("lblInput"));
  input_ = new QLineEdit(this);
  input_->setObjectName(QStringLiteral("edtInput"));
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOk"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0, 1, 2);
  grid->addWidget(input_, 1, 0, 1, 2);
  grid->addWidget(ok, 2, 0);
  grid->addWidget(cancel, 2, 1);
  connect(ok, &QPushButton::clicked, this, [this] {
    const QString name = input_->text();
    hide();
    if (!name.isEmpty()) emit nameEntered(mode_, name);
  });
  connect(cancel, &QPushButton::clicked, this, &QDialog::hide);
}

void TfrmGroup::ShowFor(Mode mode, const QString& current) {
  mode_ = mode;
  if (mode == Mode::kModify) input_->setText(current);
  input_->selectAll();
  if (QWidget* owner = parentWidget(); owner != nullptr && !isVisible()) {
    adjustSize();
    move(owner->window()->frameGeometry().center() - rect().center());
  }
  show();
  raise();
  activateWindow();
  input_->setFocus();
}

void TfrmGroup::SetText(const QString& text) { input_->setText(text); }

}  // namespace tazmel
