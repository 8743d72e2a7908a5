#include "ui/playback/video_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "playback/media_kind.h"
#include "ui/controls/drop_target.h"
#include "ui/controls/scroll_label.h"

namespace tazmel {
namespace {

constexpr int kCornerGrip = 12;
constexpr int kEdgeGrip = 8;
constexpr QSize kInitialClient(285, 259);
// Smaller than this the title bar's buttons would cover the title.
constexpr QSize kMinimumSize(2 * 22 + 40, TfrmVideo::kTitleHeight + 16);

void Paint(QWidget& widget, const QColor& color) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, color);
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

QPoint GlobalPos(const QEvent* event) { return static_cast<const QMouseEvent*>(event)->globalPosition().toPoint(); }

Qt::MouseButton Button(const QEvent* event) { return static_cast<const QMouseEvent*>(event)->button(); }

QRect ScreenRect(const QWidget& widget) {
  const QScreen* screen = widget.screen() != nullptr ? widget.screen() : QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry() : QRect();
}

}  // namespace

Qt::Edges VideoGripAt(QPoint point, QSize size) {
  const int x = point.x();
  const int y = point.y();
  const int w = size.width();
  const int h = size.height();
  if (x > w - kCornerGrip && y > h - kCornerGrip) return Qt::BottomEdge | Qt::RightEdge;
  if (x < kCornerGrip && y > h - kCornerGrip) return Qt::BottomEdge | Qt::LeftEdge;
  if (x > w - kCornerGrip && y < kCornerGrip) return Qt::TopEdge | Qt::RightEdge;
  if (x < kCornerGrip && y < kCornerGrip) return Qt::TopEdge | Qt::LeftEdge;
  if (x > w - kEdgeGrip) return Qt::RightEdge;
  if (y > h - kEdgeGrip) return Qt::BottomEdge;
  if (y < kEdgeGrip) return Qt::TopEdge;
  if (x < kEdgeGrip) return Qt::LeftEdge;
  return {};
}

TfrmVideo::TfrmVideo(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      caption_(QStringLiteral("Tazmel Video")) {
  setObjectName(QStringLiteral("frmVideo"));
  setWindowTitle(caption_);
  Paint(*this, Qt::black);
  setContentsMargins(kBorderWidth, kBorderWidth, kBorderWidth, kBorderWidth);
  setMinimumSize(kMinimumSize);

  pnlTitle_ = new QWidget(this);
  pnlTitle_->setObjectName(QStringLiteral("pnlTitle"));
  pnlTitle_->setFixedHeight(kTitleHeight);
  Paint(*pnlTitle_, QColor(0xc0, 0xc0, 0xc0));

  slblTitle_ = new TScrollLabel(pnlTitle_);
  slblTitle_->setObjectName(QStringLiteral("slblTitle"));
  slblTitle_->SetTransparent(true);
  slblTitle_->SetLayout(tlCenter);
  slblTitle_->SetDrawType(dtNone);
  slblTitle_->SetAutoSize(false);
  slblTitle_->SetScroll(true);
  slblTitle_->SetScrollAuto(true);
  slblTitle_->SetActive(true);
  // A title that stands still can be read.
  slblTitle_->OnMouseEnter = [this] { slblTitle_->SetActive(false); };
  slblTitle_->OnMouseLeave = [this] { slblTitle_->SetActive(slblTitle_->Scroll()); };

  pnlBtns_ = new QWidget(pnlTitle_);
  pnlBtns_->setObjectName(QStringLiteral("pnlBtns"));
  auto button = [this](const char* name, QStyle::StandardPixmap icon) {
    auto* b = new QToolButton(pnlBtns_);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoRaise(true);
    b->setFixedSize(22, 22);
    b->setIcon(style()->standardIcon(icon));
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  btnMax_ = button("btnMax", QStyle::SP_TitleBarMaxButton);
  btnClose_ = button("btnClose", QStyle::SP_TitleBarCloseButton);
  auto* buttons = new QHBoxLayout(pnlBtns_);
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->setSpacing(0);
  buttons->addWidget(btnMax_);
  buttons->addWidget(btnClose_);
  connect(btnMax_, &QToolButton::clicked, this, &TfrmVideo::FullScreen);
  connect(btnClose_, &QToolButton::clicked, this, &TfrmVideo::ClosePicture);

  auto* title = new QHBoxLayout(pnlTitle_);
  title->setContentsMargins(2, 0, 0, 0);
  title->setSpacing(0);
  title->addWidget(slblTitle_, 1);
  title->addWidget(pnlBtns_, 0, Qt::AlignVCenter);

  pnlStretch_ = new QWidget(this);
  pnlStretch_->setObjectName(QStringLiteral("pnlStretch"));
  Paint(*pnlStretch_, Qt::black);
  pnlVideo_ = new QWidget(pnlStretch_);
  pnlVideo_->setObjectName(QStringLiteral("pnlVideo"));
  // The media library draws into this window directly; it needs a window of
  // its own without turning the whole top-level window native.
  pnlVideo_->setAttribute(Qt::WA_NativeWindow);
  pnlVideo_->setAttribute(Qt::WA_DontCreateNativeAncestors);
  Paint(*pnlVideo_, Qt::black);
  auto* stretch = new QVBoxLayout(pnlStretch_);
  stretch->setContentsMargins(0, 0, 0, 0);
  stretch->addWidget(pnlVideo_);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(pnlTitle_);
  layout->addWidget(pnlStretch_, 1);

  pmMenu_ = new QMenu(this);
  pmMenu_->setObjectName(QStringLiteral("pmMenu"));
  auto item = [this](const char* name, const char* caption, auto slot) {
    QAction* action = pmMenu_->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, this, slot);
    return action;
  };
  item("nFullScreen", "Full Screen", [this] { FullScreen(); });
  item("nCancelFullScreen", "Exit Full Screen", [this] { ExitFullScreen(); })->setVisible(false);
  item("nOriginalSize", "Original Size", [this] { SizeToPicture(1); });
  item("nDoubleSize", "Double Size", [this] { SizeToPicture(2); });
  pmMenu_->addSeparator();
  item("nPlayPause", "Play/Pause", [this] { emit playPauseRequested(); });
  item("nStop", "Stop", [this] { emit stopRequested(); });
  connect(pmMenu_, &QMenu::aboutToShow, this, &TfrmVideo::PrepareMenu);

  dropURLFiles_ = new TDropURLFilesTarget(this);
  dropURLFiles_->setObjectName(QStringLiteral("dropURLFiles"));
  dropURLFiles_->SetDragtypes(Qt::CopyAction | Qt::LinkAction);
  dropURLFiles_->SetShowImage(true);
  dropURLFiles_->OnDrop = [this](Qt::KeyboardModifiers, Qt::DropAction, QPoint) {
    // A link in a scheme the media library would take as its own (memory,
    // fd, ...) must not reach it.
    if (!dropURLFiles_->DroppedURL().empty() && !IsDroppableLink(dropURLFiles_->DroppedURL())) return;
    emit linksDropped();
  };

  SetClientSize(kInitialClient);
  if (const QRect screen = ScreenRect(*this); !screen.isEmpty()) move(screen.center() - rect().center());
}

TfrmVideo::~TfrmVideo() { SetHooked(false); }

std::int64_t TfrmVideo::VideoWindowId() { return static_cast<std::int64_t>(pnlVideo_->winId()); }

void TfrmVideo::SetTitle(const QString& title) {
  showing_title_ = !title.isEmpty();
  slblTitle_->SetCaption(title);
  setWindowTitle(showing_title_ ? title : caption_);
}

void TfrmVideo::SetClientSize(QSize client) { resize(client + QSize(2 * kBorderWidth, 2 * kBorderWidth)); }

void TfrmVideo::ShowPicture() {
  if (!sized_) {
    // The first picture takes its own size, centred; a full screen asked
    // for earlier still comes back below.
    const bool wanted = full_screen_wanted_;
    SizeToPicture(1);
    full_screen_wanted_ = wanted;
    if (const QRect screen = ScreenRect(*this); sized_ && !screen.isEmpty()) move(screen.center() - rect().center());
  }
  if (full_screen_wanted_) FullScreen();
  show();
}

void TfrmVideo::ClosePicture() {
  LeaveFullScreen();
  hide();
}

void TfrmVideo::FullScreen() {
  full_screen_wanted_ = true;
  if (full_screen_) return;
  normal_geometry_ = geometry();
  full_screen_ = true;
  resizing_ = dragging_ = false;
  // Only the picture covers the screen.
  pnlTitle_->hide();
  setContentsMargins(0, 0, 0, 0);
  setWindowState(windowState() | Qt::WindowFullScreen);
  // Without a window manager nobody else sizes the window.
  setGeometry(ScreenRect(*this));
}

void TfrmVideo::ExitFullScreen() {
  full_screen_wanted_ = false;
  LeaveFullScreen();
}

void TfrmVideo::LeaveFullScreen() {
  if (!full_screen_) return;
  full_screen_ = false;
  setWindowState(windowState() & ~Qt::WindowFullScreen);
  setContentsMargins(kBorderWidth, kBorderWidth, kBorderWidth, kBorderWidth);
  pnlTitle_->show();
  setGeometry(normal_geometry_);
}

void TfrmVideo::SizeToPicture(int factor) {
  full_screen_wanted_ = false;
  LeaveFullScreen();
  const QSize picture = picture_size ? picture_size() : QSize();
  if (picture.isEmpty()) return;
  // The picture's own pixels: at a scale factor above 1 that is fewer
  // logical ones.
  const qreal ratio = devicePixelRatioF() > 0 ? devicePixelRatioF() : 1.0;
  SetClientSize(
      QSize(qRound(factor * picture.width() / ratio), qRound(factor * picture.height() / ratio) + kTitleHeight));
  sized_ = true;
}

void TfrmVideo::PrepareMenu() {
  pmMenu_->findChild<QAction*>(QStringLiteral("nCancelFullScreen"))->setVisible(full_screen_);
  pmMenu_->findChild<QAction*>(QStringLiteral("nFullScreen"))->setVisible(!full_screen_);
}

void TfrmVideo::PopupMenu(QPoint global) {
  PrepareMenu();
  pmMenu_->popup(global);
}

// Any caption other than the title shown is the language's: kept for the
// next time the title empties, while a title shown stays.
void TfrmVideo::changeEvent(QEvent* event) {
  if (event->type() == QEvent::WindowTitleChange) {
    if (!showing_title_) {
      caption_ = windowTitle();
    } else if (windowTitle() != slblTitle_->Caption()) {
      caption_ = windowTitle();
      setWindowTitle(slblTitle_->Caption());
    }
  }
  QWidget::changeEvent(event);
}

void TfrmVideo::showEvent(QShowEvent* event) {
  SetHooked(true);
  QWidget::showEvent(event);
}

void TfrmVideo::hideEvent(QHideEvent* event) {
  SetHooked(false);
  resizing_ = dragging_ = false;
  QWidget::hideEvent(event);
}

// Closing only hides; playback goes on.
void TfrmVideo::closeEvent(QCloseEvent* event) {
  LeaveFullScreen();
  QWidget::closeEvent(event);
}

// While shown, the window watches the whole program's input: its grips and
// title bar, and the keys and clicks that steer the picture.
void TfrmVideo::SetHooked(bool hooked) {
  if (hooked == hooked_ || qApp == nullptr) return;
  hooked_ = hooked;
  if (hooked) {
    qApp->installEventFilter(this);
  } else {
    qApp->removeEventFilter(this);
  }
}

bool TfrmVideo::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr) return false;
  const bool buttons = widget == pnlBtns_ || pnlBtns_->isAncestorOf(widget);
  if (!buttons && (widget == this || isAncestorOf(widget))) {
    if (Grip(event)) return true;
    if (widget == slblTitle_ && TitleMouse(event)) return true;
  }
  return Hook(widget, event);
}

bool TfrmVideo::Grip(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      if (Button(event) != Qt::LeftButton || full_screen_) return false;
      const Qt::Edges edges = VideoGripAt(mapFromGlobal(GlobalPos(event)), size());
      if (edges == Qt::Edges()) return false;
      if (QWindow* handle = windowHandle(); handle != nullptr && handle->startSystemResize(edges)) return true;
      resizing_ = true;
      resize_edges_ = edges;
      press_global_ = GlobalPos(event);
      press_geometry_ = geometry();
      return true;
    }
    case QEvent::MouseMove: {
      if (!resizing_) return false;
      const QPoint delta = GlobalPos(event) - press_global_;
      QRect g = press_geometry_;
      const QSize least = minimumSize();
      if (resize_edges_ & Qt::LeftEdge) g.setLeft(std::min(g.left() + delta.x(), g.right() + 1 - least.width()));
      if (resize_edges_ & Qt::RightEdge) g.setRight(std::max(g.right() + delta.x(), g.left() - 1 + least.width()));
      if (resize_edges_ & Qt::TopEdge) g.setTop(std::min(g.top() + delta.y(), g.bottom() + 1 - least.height()));
      if (resize_edges_ & Qt::BottomEdge) {
        g.setBottom(std::max(g.bottom() + delta.y(), g.top() - 1 + least.height()));
      }
      setGeometry(g);
      return true;
    }
    case QEvent::MouseButtonRelease:
      if (!resizing_) return false;
      resizing_ = false;
      return true;
    default:
      break;
  }
  return false;
}

bool TfrmVideo::TitleMouse(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonDblClick:
      if (Button(event) != Qt::LeftButton) return false;
      dragging_ = false;
      FullScreen();
      return true;
    case QEvent::MouseButtonPress:
      if (move_by_system && move_by_system()) {
        if (QWindow* handle = windowHandle(); handle != nullptr && handle->startSystemMove()) return true;
      }
      if (Button(event) != Qt::LeftButton || full_screen_) return false;
      dragging_ = true;
      press_global_ = GlobalPos(event);
      press_geometry_ = geometry();
      return true;
    case QEvent::MouseMove:
      if (!dragging_) return false;
      move(press_geometry_.topLeft() + GlobalPos(event) - press_global_);
      return true;
    case QEvent::MouseButtonRelease:
      if (!dragging_) return false;
      dragging_ = false;
      return true;
    default:
      return false;
  }
}

// Acts only while the window is active or full screen, and never on the
// title bar's label and buttons or on popups (this menu among them), which
// take their own input.
bool TfrmVideo::Hook(QWidget* widget, QEvent* event) {
  if (!full_screen_ && !isActiveWindow()) return false;
  if (widget == slblTitle_ || widget == pnlBtns_ || pnlBtns_->isAncestorOf(widget)) return false;
  if (widget->window()->windowType() == Qt::Popup) return false;
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Taken here, so that no shortcut of another window fires.
      event->accept();
      return true;
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        if (full_screen_) {
          ExitFullScreen();
        } else {
          FullScreen();
        }
      } else if (key == Qt::Key_Escape) {
        ExitFullScreen();
      }
      return true;
    }
    case QEvent::MouseMove:
      return true;
    case QEvent::MouseButtonPress:
      if (Button(event) == Qt::LeftButton) {
        if (full_screen_) ExitFullScreen();
        return true;
      }
      if (Button(event) == Qt::RightButton) {
        PopupMenu(GlobalPos(event));
        return true;
      }
      return false;
    case QEvent::MouseButtonDblClick:
      if (Button(event) == Qt::LeftButton) {
        FullScreen();
        return true;
      }
      if (Button(event) == Qt::RightButton) {
        PopupMenu(GlobalPos(event));
        return true;
      }
      return false;
    default:
      return false;
  }
}

}  // namespace tazmel
