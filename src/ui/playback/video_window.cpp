#include "ui/playback/video_window.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tazmel {

TfrmVideo::TfrmVideo(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("frmVideo");
  setWindowTitle("Tazmel");
  resize(480, 360);

  lblTitle_ = new QLabel(this);
  lblTitle_->setObjectName("lblTitle");

  pnlVideo_ = new QWidget(this);
  pnlVideo_->setObjectName("pnlVideo");
  // The media library draws into this window directly; it needs a window of
  // its own without turning the whole top-level window native.
  pnlVideo_->setAttribute(Qt::WA_NativeWindow);
  pnlVideo_->setAttribute(Qt::WA_DontCreateNativeAncestors);
  pnlVideo_->setStyleSheet("background: black");
  pnlVideo_->setAutoFillBackground(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lblTitle_);
  layout->addWidget(pnlVideo_, 1);
}

std::int64_t TfrmVideo::VideoWindowId() { return static_cast<std::int64_t>(pnlVideo_->winId()); }

void TfrmVideo::SetTitle(const QString& title) {
  lblTitle_->setText(title);
  setWindowTitle(title.isEmpty() ? QStringLiteral("Tazmel") : title);
}

}  // namespace tazmel
