#include "ui/playlist/set_channel_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <memory>
#include <utility>

#include "stations/tree_editor.h"
#include "ui/playlist/find_dialog.h"
#include "ui/text_edge.h"

namespace tazmel {

TfrmSetChannel::TfrmSetChannel(std::filesystem::path user_ini, QWidget* owner)
    : QDialog(owner), logic_(std::move(user_ini)) {
  BuildControls();
}

void TfrmSetChannel::BuildControls() {
  setObjectName("frmSetChannel");
  setWindowTitle(QStringLiteral("Set Channel"));
  setModal(false);

  NumCmb_ = new QComboBox(this);
  NumCmb_->setObjectName("NumCmb");
  for (const std::string& number : ChannelDialog::Numbers()) NumCmb_->addItem(FromGb(number));
  NumCmb_->setMaxVisibleItems(15);
  NewEdit_ = new QLineEdit(this);
  NewEdit_->setObjectName("NewEdit");
  NewEdit_->setReadOnly(true);
  NewEdit_->setMinimumWidth(260);
  // Read-only and greyed: what the chosen number holds now.
  OldEdit_ = new QLineEdit(this);
  OldEdit_->setObjectName("OldEdit");
  OldEdit_->setReadOnly(true);
  OldEdit_->setEnabled(false);

  auto* channel = new QLabel(QStringLiteral("&Channel:"), this);
  channel->setObjectName("lblChannel");
  channel->setBuddy(NumCmb_);
  auto* new_name = new QLabel(QStringLiteral("New station:"), this);
  new_name->setObjectName("lblNewName");
  new_name->setBuddy(NewEdit_);
  auto* old_name = new QLabel(QStringLiteral("Current station:"), this);
  old_name->setObjectName("lblOldName");

  // Enter moves through the fields, so neither button is a default one.
  auto* set = new QPushButton(QStringLiteral("Set"), this);
  set->setObjectName("btnSet");
  set->setAutoDefault(false);
  auto* close_button = new QPushButton(QStringLiteral("Close"), this);
  close_button->setObjectName("btnClose");
  close_button->setAutoDefault(false);
  connect(set, &QPushButton::clicked, this, &TfrmSetChannel::OnSet);
  connect(close_button, &QPushButton::clicked, this, &QDialog::reject);
  connect(NumCmb_, &QComboBox::activated, this, [this](int index) {
    logic_.Choose(index);
    Sync();
  });
  for (QWidget* field :
       {static_cast<QWidget*>(NumCmb_), static_cast<QWidget*>(NewEdit_), static_cast<QWidget*>(OldEdit_)}) {
    field->installEventFilter(this);
  }

  auto* grid = new QGridLayout;
  grid->addWidget(channel, 0, 0);
  grid->addWidget(NumCmb_, 0, 1, Qt::AlignLeft);
  grid->addWidget(new_name, 1, 0);
  grid->addWidget(NewEdit_, 1, 1);
  grid->addWidget(old_name, 2, 0);
  grid->addWidget(OldEdit_, 2, 1);
  grid->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(set);
  buttons->addWidget(close_button);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool TfrmSetChannel::Open(const TreeEditor& editor) {
  if (editor.tree().empty()) return false;
  logic_.TakeStation(editor.selected());
  ShowNow();
  return true;
}

void TfrmSetChannel::Prefill(int station_id, const QString& name) {
  // A station node stands below another node.
  TreeNode parent;
  TreeNode& station = parent.AddChild(std::make_unique<TreeNode>(ToGb(name), 0, -1, station_id));
  logic_.TakeStation(&station);
  ShowNow();
}

void TfrmSetChannel::ShowNow() {
  if (!isVisible()) {
    logic_.Show();
    show();
    // Once shown its frame is known.
    CentreOnOwner(*this);
  }
  Sync();
  raise();
  activateWindow();
  NumCmb_->setFocus();
}

void TfrmSetChannel::FollowSelection(const TreeNode* node) {
  if (!isVisible()) return;
  logic_.TakeStation(node);
  Sync();
}

void TfrmSetChannel::Sync() {
  const QSignalBlocker block(NumCmb_);
  NumCmb_->setCurrentIndex(logic_.selected_index());
  NewEdit_->setText(FromGb(logic_.new_text()));
  OldEdit_->setText(FromGb(logic_.old_text()));
}

void TfrmSetChannel::OnSet() {
  if (!logic_.Set()) return;
  Sync();
  emit channelSet();
}

bool TfrmSetChannel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      focusNextChild();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace tazmel
