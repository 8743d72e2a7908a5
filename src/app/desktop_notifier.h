#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

class QDBusServiceWatcher;

namespace tazmel {

// Messages for the user outside the window: the desktop's notification
// server (org.freedesktop.Notifications on the session bus) when one is
// there, else the tray icon's balloon.
class DesktopNotifier : public QObject {
  Q_OBJECT

 public:
  // `balloon` shows a tray balloon; false when there is no tray to carry it.
  using Balloon = std::function<bool(const QString& summary, const QString& body)>;
  static constexpr int kCallTimeoutMs = 3000;

  DesktopNotifier(Balloon balloon, QDBusConnection bus = QDBusConnection::sessionBus());
  ~DesktopNotifier() override;

  // Hands the message to the notification server, falling back to the
  // balloon when there is none or it does not answer. `replace` reuses the
  // bubble the last replacing message opened (a new song replaces the
  // last one instead of piling up). False only when neither can show it
  // (no server known and no tray).
  bool Show(const QString& summary, const QString& body, bool replace = false);

  bool ServerKnown() const { return server_known_; }

 signals:
  // A message went to the balloon because no server answered; for tests.
  void fellBack();

 private:
  void Probe();

  Balloon balloon_;
  QDBusConnection bus_;
  QDBusServiceWatcher* watcher_ = nullptr;
  bool server_known_ = false;
  unsigned replaces_id_ = 0;
};

}  // namespace tazmel
