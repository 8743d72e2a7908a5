#include "ui/playback/video_window.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "ui/controls/drop_target.h"

namespace tazmel {

TfrmVideo::TfrmVideo(QWidget* parent) : QWidget(parent, Qt::Window), caption_(QStringLiteral("Tazmel Video")) {
  setObjectName(QStringLiteral("frmVideo"));
  setWindowTitle(caption_);
  resize(480, 360);

  lblTitle_ = new QLabel(this);
  lblTitle_->setObjectName(QStringLiteral("lblTitle"));

  pnlVideo_ = new QWidget(this);
  pnlVideo_->setObjectName(QStringLiteral("pnlVideo"));
  // The media library draws into this window directly; it needs a window of
  // its own without turning the whole top-level window native.
  pnlVideo_->setAttribute(Qt::WA_NativeWindow);
  pnlVideo_->setAttribute(Qt::WA_DontCreateNativeAncestors);
  pnlVideo_->setStyleSheet(QStringLiteral("background: black"));
  pnlVideo_->setAutoFillBackground(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lblTitle_);
  layout->addWidget(pnlVideo_, 1);

  dropURLFiles_ = new TDropURLFilesTarget(this);
  dropURLFiles_->setObjectName(QStringLiteral("dropURLFiles"));
  dropURLFiles_->SetDragtypes(Qt::CopyAction | Qt::LinkAction);
  dropURLFiles_->SetShowImage(true);
  dropURLFiles_->OnDrop = [this](Qt::KeyboardModifiers, Qt::DropAction, QPoint) { emit linksDropped(); };
}

std::int64_t TfrmVideo::VideoWindowId() { return static_cast<std::int64_t>(pnlVideo_->winId()); }

void TfrmVideo::SetTitle(const QString& title) {
  showing_title_ = !title.isEmpty();
  lblTitle_->setText(title);
  setWindowTitle(showing_title_ ? title : caption_);
}

// Any caption other than the title shown is the language's: kept for the
// next time the title empties, while a title shown stays.
void TfrmVideo::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowTitleChange) {
    if (!showing_title_) {
      caption_ = windowTitle();
    } else if (windowTitle() != lblTitle_->text()) {
      caption_ = windowTitle();
      setWindowTitle(lblTitle_->text());
    }
  }
  QWidget::changeEvent(event);
}

}  // namespace tazmel
