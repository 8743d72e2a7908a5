#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>
#include <optional>
#include <vector>

class QMenu;

namespace tazmel {

// The main window's notification-area icon: hint, balloons, the skin's icon
// frames animated while playing, and the click rules. Its state is kept even
// where no system tray exists, so the window can ask it what it would show.
class TrayIcon : public QObject {
  Q_OBJECT

 public:
  explicit TrayIcon(QObject* parent = nullptr);

  // Frame 0 is the still icon. Replacing the frames starts over at frame 0.
  void SetFrames(std::vector<QIcon> frames);
  int FrameCount() const { return static_cast<int>(frames_.size()); }
  int Frame() const { return frame_; }

  void SetHint(const QString& hint);
  QString Hint() const { return tray_.toolTip(); }

  // Whether the icon is wanted (the `TrayIconVisible` setting and hide-all).
  void SetVisible(bool visible);
  bool IsVisible() const { return visible_; }
  // Whether it is really in a system tray: wanted, with an icon, and a tray
  // to put it in. Hiding the taskbar button is only safe while this holds.
  bool IsShown() const;

  // A balloon message; false when there is no tray icon to carry it.
  bool ShowBalloon(const QString& title, const QString& text);

  // The right button's menu; not owned.
  void SetContextMenu(QMenu* menu);

  // Animation runs while playing is on and animation is enabled, and
  // someone can see it: the icon is in a tray, or frameChanged is
  // connected.
  void SetEnabledAnimate(bool on);
  bool EnabledAnimate() const { return enabled_animate_; }
  void SetPlayingAnimation(bool on, int interval_ms);
  bool IsAnimating() const { return animation_.isActive(); }

  // The middle button pops up the station menu when on; off at start.
  void SetTrayClickTree(bool on) { tray_click_tree_ = on; }
  bool TrayClickTree() const { return tray_click_tree_; }
  // The wait for a possible double click before the station menu pops up;
  // unset, the system's double-click interval.
  void SetMenuDelay(std::optional<int> delay_ms) { menu_delay_ms_ = delay_ms; }
  bool IsMenuPending() const { return menu_delay_.isActive(); }
  void CancelDelayedMenu() { menu_delay_.stop(); }

 public slots:
  void OnActivated(QSystemTrayIcon::ActivationReason reason);

 signals:
  void showRequested();
  void toggleVisibilityRequested();
  void stationMenuRequested(QPoint cursor);
  void frameChanged(int frame);

 private:
  void SetFrame(int frame);
  // Hands the current frame to the tray icon while it is up.
  void ShowFrame();
  void ApplyVisibility();
  void ApplyAnimation();
  void AdvanceFrame();

  QSystemTrayIcon tray_;
  std::vector<QIcon> frames_;
  int frame_ = 0;
  bool visible_ = false;
  bool enabled_animate_ = true;
  bool playing_ = false;
  int interval_ms_ = 100;
  QTimer animation_;
  bool tray_click_tree_ = false;
  std::optional<int> menu_delay_ms_;
  QTimer menu_delay_;
};

}  // namespace tazmel
