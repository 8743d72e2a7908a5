#include "ui/playlist/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/text_edge.h"

namespace tazmel {
namespace {

QGroupBox* RadioGroup(QWidget* parent, const char* name, const QString& title, QRadioButton*& first,
                      QRadioButton*& second, const QString& first_text, const QString& second_text) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(QString::fromLatin1(name));
  group->setProperty("radioGroup", true);
  first = new QRadioButton(first_text, group);
  second = new QRadioButton(second_text, group);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(first);
  layout->addWidget(second);
  return group;
}

}  // namespace

TfrmFind::TfrmFind(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmFind"));
  setWindowTitle(QStringLiteral("Find"));
  auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
  label->setObjectName(QStringLiteral("lblFind"));
  input_ = new QLineEdit(this);
  input_->setObjectName(QStringLiteral("edtInput"));
  label->setBuddy(input_);
  auto* find = new QPushButton(QStringLiteral("&Find"), this);
  find->setObjectName(QStringLiteral("btnFind"));
  find->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("btnCancel"));
  QRadioButton* down = nullptr;
  QRadioButton* vague = nullptr;
  QGroupBox* turn = RadioGroup(this, "rgTurn", QStringLiteral("Direction"), up_, down, QStringLiteral("&Up"),
                               QStringLiteral("&Down"));
  QGroupBox* mode = RadioGroup(this, "rgMode", QStringLiteral("Mode"), vague, exact_, QStringLiteral("&Vague"),
                               QStringLiteral("&Exact"));
  down->setChecked(true);
  vague->setChecked(true);
  match_case_ = new QCheckBox(QStringLiteral("Match &Case"), this);
  match_case_->setObjectName(QStringLiteral("chkMatchCase"));

  auto* grid = new QGridLayout(this);
  grid->addWidget(label, 0, 0);
  grid->addWidget(input_, 0, 1, 1, 2);
  grid->addWidget(find, 0, 3);
  grid->addWidget(turn, 1, 0);
  grid->addWidget(mode, 1, 1);
  grid->addWidget(match_case_, 1, 2);
  grid->addWidget(cancel, 1, 3, Qt::AlignTop);

  connect(find, &QPushButton::clicked, this, [this] { emit findRequested(Options()); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

TreeFindOptions TfrmFind::Options() const {
  return {.text = ToGb(input_->text()),
          .down = !up_->isChecked(),
          .exact = exact_->isChecked(),
          .match_case = match_case_->isChecked()};
}

void TfrmFind::ShowFor() {
  if (QWidget* owner = parentWidget()) {
    adjustSize();
    const QRect around = owner->window()->frameGeometry();
    move(around.center() - rect().center());
  }
  show();
  raise();
  activateWindow();
  input_->setFocus();
  input_->selectAll();
}

void TfrmFind::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  emit closed();
}

}  // namespace tazmel
