#include "ui/tester/test_dialog.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "ui/controls/scroll_label.h"

namespace tazmel {

TfrmTest::TfrmTest(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("frmTest"));
  setWindowTitle(QStringLiteral("Test Radio"));

  InfoLbl_ = new QLabel(this);
  InfoLbl_->setObjectName(QStringLiteral("InfoLbl"));
  GoLbl_ = new QLabel(this);
  GoLbl_->setObjectName(QStringLiteral("GoLbl"));
  // Room for all six dots, so the status word never moves.
  GoLbl_->setMinimumWidth(QFontMetrics(GoLbl_->font()).horizontalAdvance(QStringLiteral("......")));
  GoLbl_->hide();
  NameLbl_ = new TScrollLabel(this);
  NameLbl_->setObjectName(QStringLiteral("NameLbl"));
  // Station names are data: an "&" in them is drawn as it is.
  NameLbl_->SetShowAccelChar(false);
  NameLbl_->SetScrollAuto(true);
  NameLbl_->setMinimumHeight(QFontMetrics(font()).height() + 4);

  auto button = [this](const char* name, const QString& text, void (TfrmTest::*signal)()) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    connect(b, &QPushButton::clicked, this, signal);
    return b;
  };
  btnStart_ = button("btnStart", QStringLiteral("Go"), &TfrmTest::startClicked);
  btnPause_ = button("btnPause", QStringLiteral("Pause"), &TfrmTest::pauseClicked);
  btnStop_ = button("btnStop", QStringLiteral("Stop"), &TfrmTest::stopClicked);
  btnPause_->setEnabled(false);
  btnStop_->setEnabled(false);

  mmoOutput_ = new QPlainTextEdit(this);
  mmoOutput_->setObjectName(QStringLiteral("mmoOutput"));
  mmoOutput_->setReadOnly(true);
  mmoOutput_->setLineWrapMode(QPlainTextEdit::NoWrap);
  mmoOutput_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmoOutput_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  mmoOutput_->setTabStopDistance(QFontMetrics(mmoOutput_->font()).horizontalAdvance(QLatin1Char(' ')) * 8);

  auto* status = new QHBoxLayout;
  status->setSpacing(2);
  status->addWidget(InfoLbl_);
  status->addWidget(GoLbl_);
  status->addStretch();
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnStart_);
  buttons->addWidget(btnPause_);
  buttons->addWidget(btnStop_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(status);
  layout->addWidget(NameLbl_);
  layout->addLayout(buttons);
  layout->addWidget(mmoOutput_, 1);
  resize(420, 320);
}

TfrmTest::~TfrmTest() = default;

void TfrmTest::SetStatus(const QString& text) { InfoLbl_->setText(text); }

void TfrmTest::SetDots(int count, bool visible) {
  GoLbl_->setText(QString(count, QLatin1Char('.')));
  GoLbl_->setVisible(visible);
}

void TfrmTest::SetStation(const QString& path) {
  NameLbl_->SetCaption(path);
  NameLbl_->setToolTip(path);
}

void TfrmTest::SetButtons(bool go, bool pause, bool stop) {
  btnStart_->setEnabled(go);
  btnPause_->setEnabled(pause);
  btnStop_->setEnabled(stop);
}

void TfrmTest::SetPauseText(const QString& text) { btnPause_->setText(text); }

void TfrmTest::AppendLog(const QString& line) { mmoOutput_->appendPlainText(line); }

void TfrmTest::ClearLog() { mmoOutput_->clear(); }

QPushButton& TfrmTest::Button(const char* name) const { return *findChild<QPushButton*>(QString::fromLatin1(name)); }

void TfrmTest::closeEvent(QCloseEvent* event) {
  if (may_close && !may_close()) {
    event->ignore();
    return;
  }
  event->accept();
}

}  // namespace tazmel
