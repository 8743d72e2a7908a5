#include "ui/playback/title_history_dialog.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tazmel {

TfrmTitleHistory::TfrmTitleHistory(QWidget* owner) : QDialog(owner) {
  setObjectName("frmTitleHistory");
  setWindowTitle(QStringLiteral("Title History"));
  auto* layout = new QVBoxLayout(this);

  lblStation_ = new QLabel(this);
  lblStation_->setObjectName("lblStation");
  lblStation_->setTextFormat(Qt::PlainText);
  layout->addWidget(lblStation_);

  lvTitles_ = new QTreeWidget(this);
  lvTitles_->setObjectName("lvTitles");
  lvTitles_->setProperty("listView", true);  // its column captions are translated
  lvTitles_->setRootIsDecorated(false);
  lvTitles_->setColumnCount(2);
  lvTitles_->setHeaderLabels({QStringLiteral("Time"), QStringLiteral("Title")});
  lvTitles_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  lvTitles_->header()->setStretchLastSection(true);
  lvTitles_->setSelectionMode(QAbstractItemView::SingleSelection);
  layout->addWidget(lvTitles_, 1);

  chkNotifyTitles_ = new QCheckBox(QStringLiteral("Tell me of a new title while the window is hidden"), this);
  chkNotifyTitles_->setObjectName("chkNotifyTitles");
  layout->addWidget(chkNotifyTitles_);

  auto* buttons = new QHBoxLayout;
  btnCopy_ = new QPushButton(QStringLiteral("copy title"), this);
  btnCopy_->setObjectName("btnCopy");
  auto* close_button = new QPushButton(QStringLiteral("&Close"), this);
  close_button->setObjectName("btnClose");
  buttons->addWidget(btnCopy_);
  buttons->addStretch(1);
  buttons->addWidget(close_button);
  layout->addLayout(buttons);

  connect(btnCopy_, &QPushButton::clicked, this, &TfrmTitleHistory::CopyTitle);
  connect(lvTitles_, &QTreeWidget::itemDoubleClicked, this, &TfrmTitleHistory::CopyTitle);
  connect(close_button, &QPushButton::clicked, this, &QDialog::hide);
  connect(chkNotifyTitles_, &QCheckBox::toggled, this, &TfrmTitleHistory::notifyTitlesChanged);
  resize(460, 360);
}

void TfrmTitleHistory::ShowEntries(const QString& station, const std::vector<std::pair<QString, QString>>& entries) {
  lblStation_->setText(station);
  lblStation_->setVisible(!station.isEmpty());
  lvTitles_->clear();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    auto* item = new QTreeWidgetItem(lvTitles_, {it->first, it->second});
    item->setToolTip(1, it->second);
  }
  btnCopy_->setEnabled(!entries.empty());
}

void TfrmTitleHistory::SetNotifyTitles(bool on) {
  const QSignalBlocker quiet(chkNotifyTitles_);
  chkNotifyTitles_->setChecked(on);
}

QString TfrmTitleHistory::ChosenTitle() const {
  const QTreeWidgetItem* item = lvTitles_->currentItem();
  if (!item || !item->isSelected()) item = lvTitles_->topLevelItem(0);
  return item ? item->text(1) : QString();
}

void TfrmTitleHistory::CopyTitle() {
  const QString title = ChosenTitle();
  if (!title.isEmpty()) QGuiApplication::clipboard()->setText(title);
}

}  // namespace tazmel
