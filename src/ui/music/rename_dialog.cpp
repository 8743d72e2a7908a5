#include "ui/music/rename_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/playlist/find_dialog.h"

namespace tazmel {

TfrmRename::TfrmRename(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmRename"));
  setWindowTitle(QStringLiteral("Rename"));
  auto* grid = new QGridLayout(this);
  auto* old_label = new QLabel(QStringLiteral("Old:"), this);
  old_label->setObjectName(QStringLiteral("lblOld"));
  auto* new_label = new QLabel(QStringLiteral("New:"), this);
  new_label->setObjectName(QStringLiteral("lblNew"));
  OldEdit_ = new QLineEdit(this);
  OldEdit_->setObjectName(QStringLiteral("OldEdit"));
  OldEdit_->setReadOnly(true);
  NewEdit_ = new QLineEdit(this);
  NewEdit_->setObjectName(QStringLiteral("NewEdit"));
  old_label->setBuddy(OldEdit_);
  new_label->setBuddy(NewEdit_);
  grid->addWidget(old_label, 0, 0);
  grid->addWidget(OldEdit_, 0, 1);
  grid->addWidget(new_label, 1, 0);
  grid->addWidget(NewEdit_, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("btnOk"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  grid->addLayout(buttons, 2, 0, 1, 2);
  grid->setColumnMinimumWidth(1, 360);
  auto accept = [this] {
    emit renameRequested(OldName(), NewName());
    hide();
  };
  connect(ok, &QPushButton::clicked, this, accept);
  connect(OldEdit_, &QLineEdit::returnPressed, this, accept);
  connect(NewEdit_, &QLineEdit::returnPressed, this, accept);
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
}

void TfrmRename::ShowFor(const QString& name) {
  OldEdit_->setText(name);
  NewEdit_->setText(name);
  if (!isVisible()) {
    adjustSize();
    CentreOnOwner(*this);
  }
  show();
  raise();
  activateWindow();
  NewEdit_->setFocus();
}

QString TfrmRename::OldName() const { return OldEdit_->text(); }
QString TfrmRename::NewName() const { return NewEdit_->text(); }

}  // namespace tazmel
