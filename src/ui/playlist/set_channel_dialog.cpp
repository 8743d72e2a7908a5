#include "ui/playlist/set_channel_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "ui/text_edge.h"

namespace tazmel {

TfrmSetChannel::TfrmSetChannel(QWidget* owner, std::filesystem::path user_ini)
    : QDialog(owner), state_(std::move(user_ini)) {
  setObjectName(QStringLiteral("frmSetChannel"));
  setWindowTitle(QStringLiteral("Set Channel"));
  numbers_ = new QComboBox(this);
  numbers_->setObjectName(QStringLiteral("NumCmb"));
  for (const std::string& number : ChannelDialog::Numbers()) numbers_->addItem(FromGb(number));
  new_edit_ = new QLineEdit(this);
  new_edit_->setObjectName(QStringLiteral("NewEdit"));
  new_edit_->setReadOnly(true);
  old_edit_ = new QLineEdit(this);
  old_edit_->setObjectName(QStringLiteral("OldEdit"));
  old_edit_->setReadOnly(true);
  old_edit_->setEnabled(false);
  auto* set = new QPushButton(QStringLiteral("Set"), this);
  set->setObjectName(QStringLiteral("btnSet"));
  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("btnClose"));
  auto* grid = new QGridLayout(this);
  auto label = [this](const char* name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    return l;
  };
  grid->addWidget(label("lblChannel", QStringLiteral("Channel:")), 0, 0);
  grid->addWidget(numbers_, 0, 1);
  grid->addWidget(label("lblNewName", QStringLiteral("New:")), 1, 0);
  grid->addWidget(new_edit_, 1, 1);
  grid->addWidget(label("lblOldName", QStringLiteral("Old:")), 2, 0);
  grid->addWidget(old_edit_, 2, 1);
  grid->addWidget(set, 3, 0);
  grid->addWidget(close, 3, 1);
  connect(numbers_, &QComboBox::activated, this, [this](int index) {
    state_.Choose(index);
    ShowState();
  });
  connect(set, &QPushButton::clicked, this, [this] {
    if (state_.Set()) emit channelSet();
    ShowState();
  });
  connect(close, &QPushButton::clicked, this, &QDialog::hide);
}

void TfrmSetChannel::Prefill(const TreeNode* node) {
  state_.TakeStation(node);
  new_edit_->setText(FromGb(state_.new_text()));
}

void TfrmSetChannel::ShowFor() {
  state_.Show();
  ShowState();
  show();
  raise();
  activateWindow();
}

void TfrmSetChannel::ShowState() {
  numbers_->setCurrentIndex(state_.selected_index());
  old_edit_->setText(FromGb(state_.old_text()));
}

}  // namespace tazmel
