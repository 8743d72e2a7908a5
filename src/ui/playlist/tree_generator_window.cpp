#include "ui/playlist/tree_generator_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/text_edge.h"

namespace tazmel {

TfrmTreeGenerator::TfrmTreeGenerator(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmTreeGenerator"));
  setWindowTitle(QStringLiteral("Tree Generator"));
  setModal(false);

  auto* grid = new QGridLayout;
  auto label = [this, grid](const QString& name, const QString& caption, int row, QWidget* buddy) {
    auto* l = new QLabel(caption, this);
    l->setObjectName(name);
    l->setBuddy(buddy);
    grid->addWidget(l, row, 0);
    grid->addWidget(buddy, row, 1);
  };

  edtGroup_ = new QLineEdit(QStringLiteral("New Group"), this);
  edtGroup_->setObjectName(QStringLiteral("edtGroup"));
  label(QStringLiteral("lblGroup"), QStringLiteral("&Group name:"), 0, edtGroup_);
  const QStringList levels = {
      QStringLiteral("None"),           QStringLiteral("Genre"),          QStringLiteral("Language"),
      QStringLiteral("Country/Region"), QStringLiteral("State/Province"), QStringLiteral("City"),
      QStringLiteral("Format"),         QStringLiteral("Speed"),          QStringLiteral("Validity")};
  for (int i = 0; i < kGeneratorLevelCount; ++i) {
    const QString n = QString::number(i + 1);
    auto* combo = new QComboBox(this);
    combo->setObjectName(QStringLiteral("cbbLevel") + n);
    combo->addItems(levels);
    cbbLevel_[static_cast<std::size_t>(i)] = combo;
    label(QStringLiteral("lblLevel") + n, QStringLiteral("Level &") + n + u':', i + 1, combo);
  }
  cbbTable_ = new QComboBox(this);
  cbbTable_->setObjectName(QStringLiteral("cbbTable"));
  cbbTable_->addItems({QStringLiteral("All"), QStringLiteral("System Data"), QStringLiteral("User Data")});
  label(QStringLiteral("lblTable"), QStringLiteral("&Table:"), kGeneratorLevelCount + 1, cbbTable_);
  grid->setColumnStretch(1, 1);

  pbProBar_ = new QProgressBar(this);
  pbProBar_->setObjectName(QStringLiteral("pbProBar"));
  pbProBar_->setOrientation(Qt::Vertical);
  pbProBar_->setTextVisible(false);
  pbProBar_->setRange(0, 1);
  pbProBar_->setValue(0);

  btnStart_ = new QPushButton(QStringLiteral("Go"), this);
  btnStart_->setObjectName(QStringLiteral("btnStart"));
  btnStart_->setDefault(true);
  connect(btnStart_, &QPushButton::clicked, this, [this] {
    if (on_go && !running_) on_go();
  });

  auto* top = new QHBoxLayout;
  top->addLayout(grid, 1);
  top->addWidget(pbProBar_);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnStart_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addLayout(buttons);
  setMinimumWidth(300);
}

TreeGeneratorOptions TfrmTreeGenerator::Options() const {
  TreeGeneratorOptions options;
  options.group_name = ToGb(edtGroup_->text());
  for (std::size_t i = 0; i < cbbLevel_.size(); ++i) {
    options.levels[i] = static_cast<GeneratorLevel>(std::max(0, cbbLevel_[i]->currentIndex()));
  }
  options.tables = static_cast<GeneratorTables>(std::max(0, cbbTable_->currentIndex()));
  return options;
}

void TfrmTreeGenerator::SetRunning(bool running) {
  running_ = running;
  btnStart_->setEnabled(!running);
  cbbTable_->setEnabled(!running);
  for (QComboBox* combo : cbbLevel_) combo->setEnabled(!running);
  edtGroup_->setReadOnly(running);
  QPalette palette = edtGroup_->palette();
  palette.setColor(QPalette::Base,
                   running ? this->palette().color(QPalette::Button) : this->palette().color(QPalette::Base));
  edtGroup_->setPalette(palette);
  if (running) {
    setCursor(Qt::WaitCursor);
  } else {
    unsetCursor();
  }
}

void TfrmTreeGenerator::ShowProgress(int record, int count) {
  if (pbProBar_->maximum() != count) pbProBar_->setMaximum(std::max(1, count));
  pbProBar_->setValue(record);
}

void TfrmTreeGenerator::ResetProgress() { pbProBar_->setValue(0); }

void TfrmTreeGenerator::showEvent(QShowEvent* event) {
  ResetProgress();
  QDialog::showEvent(event);
}

void TfrmTreeGenerator::closeEvent(QCloseEvent* event) {
  if (running_ && on_abort_question && !on_abort_question()) {
    event->ignore();
    return;
  }
  // Not QDialog's, which would reject and so ask a second time.
  QWidget::closeEvent(event);
}

void TfrmTreeGenerator::reject() {
  if (running_ && on_abort_question && !on_abort_question()) return;
  QDialog::reject();
}

}  // namespace tazmel
