#include "ui/playlist/find_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/text_edge.h"

namespace tazmel {
namespace {

// A radio group as the translator knows it: its buttons, in order, are the
// items "<name>.Item<i>"; button ids follow the same order.
QGroupBox* RadioGroup(QWidget* parent, const char* name, const QString& title, std::initializer_list<QString> items,
                      QButtonGroup*& buttons) {
  auto* group = new QGroupBox(title, parent);
  group->setObjectName(QString::fromLatin1(name));
  group->setProperty("radioGroup", true);
  buttons = new QButtonGroup(group);
  auto* layout = new QVBoxLayout(group);
  int id = 0;
  for (const QString& item : items) {
    auto* radio = new QRadioButton(item, group);
    buttons->addButton(radio, id++);
    layout->addWidget(radio);
  }
  return group;
}

}  // namespace

TreeFindOptions FindDialogOptions::ForTree() const {
  return {.text = ToGb(text), .down = down, .exact = exact, .match_case = match_case};
}

void CentreOnOwner(QWidget& dialog) {
  QWidget* owner = dialog.parentWidget();
  if (owner == nullptr) return;
  // Measured as it will show: polished, with its layout's fixed size.
  dialog.ensurePolished();
  if (QLayout* layout = dialog.layout()) layout->activate();
  dialog.adjustSize();
  const QRect frame = dialog.frameGeometry();
  QRect place(QPoint(0, 0), frame.size());
  place.moveCenter(owner->window()->frameGeometry().center());
  if (const QScreen* screen = owner->screen()) {
    const QRect area = screen->availableGeometry();
    place.moveLeft(std::max(area.left(), std::min(place.left(), area.right() + 1 - place.width())));
    place.moveTop(std::max(area.top(), std::min(place.top(), area.bottom() + 1 - place.height())));
  }
  dialog.move(place.topLeft());
}

TfrmFind::TfrmFind(QWidget* owner) : QDialog(owner) { BuildControls(); }

void TfrmFind::BuildControls() {
  setObjectName("frmFind");
  setWindowTitle(QStringLiteral("Find"));
  setModal(false);

  auto* label = new QLabel(QStringLiteral("Fi&nd what:"), this);
  label->setObjectName("lblInput");
  edtInput_ = new QLineEdit(this);
  edtInput_->setObjectName("edtInput");
  edtInput_->setMinimumWidth(200);
  label->setBuddy(edtInput_);

  QGroupBox* turn =
      RadioGroup(this, "rgTurn", QStringLiteral("Direction"), {QStringLiteral("&Up"), QStringLiteral("&Down")}, turn_);
  turn_->button(1)->setChecked(true);
  QGroupBox* mode =
      RadioGroup(this, "rgMode", QStringLiteral("Mode"), {QStringLiteral("&Vague"), QStringLiteral("&Exact")}, mode_);
  mode_->button(0)->setChecked(true);
  chkMatchCase_ = new QCheckBox(QStringLiteral("Match &Case"), this);
  chkMatchCase_->setObjectName("chkMatchCase");

  // Find is the default button: Enter in the edit presses it.
  btnFind_ = new QPushButton(QStringLiteral("&Find"), this);
  btnFind_->setObjectName("btnFind");
  btnFind_->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName("btnCancel");
  cancel->setAutoDefault(false);
  connect(btnFind_, &QPushButton::clicked, this, [this] { emit findRequested(Options()); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* input = new QHBoxLayout;
  input->addWidget(label);
  input->addWidget(edtInput_, 1);
  auto* groups = new QHBoxLayout;
  groups->addWidget(turn);
  groups->addWidget(mode);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(btnFind_);
  buttons->addWidget(cancel);
  buttons->addStretch();
  auto* layout = new QGridLayout(this);
  layout->addLayout(input, 0, 0);
  layout->addLayout(groups, 1, 0);
  layout->addWidget(chkMatchCase_, 2, 0);
  layout->addLayout(buttons, 0, 1, 3, 1);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmFind::ShowFor() {
  if (!isVisible()) {
    show();
    // Once shown its frame is known.
    CentreOnOwner(*this);
  }
  was_shown_ = true;
  raise();
  activateWindow();
  edtInput_->setFocus();
  edtInput_->selectAll();
}

FindDialogOptions TfrmFind::Options() const {
  return {.text = edtInput_->text(),
          .down = turn_->checkedId() != 0,
          .exact = mode_->checkedId() == 1,
          .match_case = chkMatchCase_->isChecked()};
}

void TfrmFind::done(int result) {
  QDialog::done(result);
  emit closed();
}

}  // namespace tazmel
