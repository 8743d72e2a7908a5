#include "ui/main_window.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QVBoxLayout>

#include "ui/text_edge.h"

namespace tazmel {

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
  setObjectName("frmMain");
  setWindowTitle("Tazmel");

  QMenu* nMain = menuBar()->addMenu("&Tazmel");
  nMain->setObjectName("nMain");
  QAction* nPlay = nMain->addAction("&Play");
  nPlay->setObjectName("nPlay");
  connect(nPlay, &QAction::triggered, this, &TfrmMain::playRequested);
  QAction* nStop = nMain->addAction("&Stop");
  nStop->setObjectName("nStop");
  connect(nStop, &QAction::triggered, this, &TfrmMain::stopRequested);
  nMain->addSeparator();
  nLanguage_ = nMain->addMenu("&Language");
  nLanguage_->setObjectName("nLanguage");
  nMain->addSeparator();
  QAction* nExit = nMain->addAction("E&xit");
  nExit->setObjectName("nExit");
  connect(nExit, &QAction::triggered, this, &QWidget::close);

  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  lblStatus_ = new QLabel(central);
  lblStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(lblStatus_);
  layout->addStretch();
  setCentralWidget(central);
  resize(360, 150);
}

void TfrmMain::SetLanguages(const std::vector<LanguageChoice>& languages, const std::string& current) {
  nLanguage_->clear();
  delete languageGroup_;
  languageGroup_ = new QActionGroup(nLanguage_);
  for (const LanguageChoice& language : languages) {
    QAction* item = nLanguage_->addAction(FromGb(language.name));
    item->setCheckable(true);
    item->setChecked(language.code == current);
    languageGroup_->addAction(item);
    const QString code = QString::fromStdString(language.code);
    connect(item, &QAction::triggered, this, [this, code] { emit languageChosen(code); });
  }
}

void TfrmMain::SetStatusLines(const QStringList& lines) { lblStatus_->setText(lines.join('\n')); }

void TfrmMain::closeEvent(QCloseEvent* event) {
  event->accept();
  emit closeRequested();
}

}  // namespace tazmel
