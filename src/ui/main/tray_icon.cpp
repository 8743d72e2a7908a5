#include "ui/main/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMetaMethod>
#include <utility>

namespace tazmel {

TrayIcon::TrayIcon(QObject* parent) : QObject(parent), tray_(this) {
  tray_.setObjectName("tiTray");
  animation_.setObjectName("tmrTrayAnimation");
  menu_delay_.setObjectName("tmrDelay");
  menu_delay_.setSingleShot(true);
  connect(&tray_, &QSystemTrayIcon::activated, this, &TrayIcon::OnActivated);
  connect(&animation_, &QTimer::timeout, this, &TrayIcon::AdvanceFrame);
  connect(&menu_delay_, &QTimer::timeout, this, [this] { emit stationMenuRequested(QCursor::pos()); });
}

void TrayIcon::SetFrames(std::vector<QIcon> frames) {
  frames_ = std::move(frames);
  frame_ = 0;
  ApplyVisibility();
  ApplyAnimation();
}

void TrayIcon::SetFrame(int frame) {
  if (frame < 0 || frame >= FrameCount()) frame = 0;
  if (frame == frame_) return;
  frame_ = frame;
  ShowFrame();
  emit frameChanged(frame);
}

void TrayIcon::ShowFrame() {
  // A hidden icon is not redrawn on every animation step: the frame it
  // would show is handed over when it goes up.
  if (!tray_.isVisible() || frames_.empty()) return;
  const QIcon& icon = frames_[static_cast<std::size_t>(frame_)];
  if (tray_.icon().cacheKey() != icon.cacheKey()) tray_.setIcon(icon);
}

void TrayIcon::AdvanceFrame() {
  if (FrameCount() > 0) SetFrame((frame_ + 1) % FrameCount());
}

void TrayIcon::SetHint(const QString& hint) { tray_.setToolTip(hint); }

void TrayIcon::SetVisible(bool visible) {
  visible_ = visible;
  ApplyVisibility();
  ApplyAnimation();
}

void TrayIcon::ApplyVisibility() {
  // Showing an icon-less tray icon only earns a warning, so it waits for the
  // skin's frames.
  const bool show = visible_ && !frames_.empty();
  if (show) tray_.setIcon(frames_[static_cast<std::size_t>(frame_)]);
  tray_.setVisible(show);
}

bool TrayIcon::IsShown() const { return tray_.isVisible() && QSystemTrayIcon::isSystemTrayAvailable(); }

bool TrayIcon::ShowBalloon(const QString& title, const QString& text) {
  if (!IsShown()) return false;
  tray_.showMessage(title, text, QSystemTrayIcon::Information);
  return true;
}

void TrayIcon::SetContextMenu(QMenu* menu) { tray_.setContextMenu(menu); }

void TrayIcon::SetEnabledAnimate(bool on) {
  enabled_animate_ = on;
  ApplyAnimation();
}

void TrayIcon::SetPlayingAnimation(bool on, int interval_ms) {
  // The window passes the engine's state on every change it shows, several
  // times a second; asking the X server for a tray each time costs a round
  // trip, so only a change of state is applied.
  if (on == playing_ && (interval_ms <= 0 || interval_ms == interval_ms_)) return;
  playing_ = on;
  if (interval_ms > 0) interval_ms_ = interval_ms;
  ApplyAnimation();
}

void TrayIcon::ApplyAnimation() {
  // Frames nobody can see are not stepped: without a tray (many desktops
  // have none) the 100 ms steps while playing were the window's most
  // frequent wake-up.
  const auto seen = [this] { return isSignalConnected(QMetaMethod::fromSignal(&TrayIcon::frameChanged)) || IsShown(); };
  if (playing_ && enabled_animate_ && FrameCount() > 1 && seen()) {
    // A running animation keeps its phase when only the interval changes.
    if (!animation_.isActive() || animation_.interval() != interval_ms_) animation_.start(interval_ms_);
    return;
  }
  animation_.stop();
  SetFrame(0);
}

void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
  switch (reason) {
    case QSystemTrayIcon::DoubleClick:
      CancelDelayedMenu();
      emit showRequested();
      break;
    case QSystemTrayIcon::MiddleClick:
      if (!tray_click_tree_) {
        emit toggleVisibilityRequested();
      } else if (IsMenuPending()) {
        // Trays that report each click of a middle double click on its own
        // send a second middle click instead of a double click.
        CancelDelayedMenu();
        emit showRequested();
      } else {
        menu_delay_.start(menu_delay_ms_.value_or(QApplication::doubleClickInterval()));
      }
      break;
    case QSystemTrayIcon::Context:  // the tray shows the context menu itself
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::Unknown:
      break;
  }
}

}  // namespace tazmel
