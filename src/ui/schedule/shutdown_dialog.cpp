#include "ui/schedule/shutdown_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/translator.h"

namespace tazmel {
namespace {

QLabel* Hint(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

}  // namespace

TfrmShutDown::TfrmShutDown(const IniFile* language, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("frmShutDown"));
  setWindowTitle(QStringLiteral("Auto shut down"));
  // Whoever sits at the machine must see it, whatever else is open.
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  setWindowModality(Qt::ApplicationModal);
  auto* hint1 = Hint(this, "lblHint1", QStringLiteral("Countdowning for closing the computer now,"));
  auto* hint2 = Hint(this, "lblHint2", QStringLiteral("if you want to quit, please quickly press the \"Cancel\""));
  auto* hint3 = Hint(this, "lblHint3", QStringLiteral("button to stop the Auto Close Program."));
  countdown_ = new QLabel(this);
  countdown_->setObjectName(QStringLiteral("lblCountdown"));
  countdown_->setAlignment(Qt::AlignCenter);
  QFont big = countdown_->font();
  big.setBold(true);
  big.setPointSize(big.pointSize() * 3);
  countdown_->setFont(big);
  QPalette blue = countdown_->palette();
  blue.setColor(QPalette::WindowText, Qt::blue);
  countdown_->setPalette(blue);
  auto* buttons = new QDialogButtonBox(this);
  ok_ = buttons->addButton(QDialogButtonBox::Ok);
  ok_->setObjectName(QStringLiteral("btnOk"));
  cancel_ = buttons->addButton(QDialogButtonBox::Cancel);
  cancel_->setObjectName(QStringLiteral("btnCancel"));
  cancel_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] {
    dismissing_ = true;
    hide();
    dismissing_ = false;
    emit confirmed();
  });
  connect(cancel_, &QPushButton::clicked, this, &TfrmShutDown::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint1);
  layout->addWidget(hint2);
  layout->addWidget(hint3);
  layout->addWidget(countdown_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  if (language != nullptr) TranslateWindow(*this, *language);
}

void TfrmShutDown::ShowSeconds(int seconds_left) {
  countdown_->setText(QString::number(seconds_left));
  if (!isVisible()) {
    show();
    raise();
    activateWindow();
    cancel_->setFocus();
  }
}

void TfrmShutDown::Dismiss() {
  dismissing_ = true;
  hide();
  dismissing_ = false;
}

void TfrmShutDown::reject() {
  const bool tell = !dismissing_ && isVisible();
  QDialog::reject();
  if (tell) emit cancelled();
}

}  // namespace tazmel
