#include "app/desktop_notifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QStringList>
#include <QVariantMap>

namespace tazmel {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");

}  // namespace

DesktopNotifier::DesktopNotifier(Balloon balloon, QDBusConnection bus)
    : balloon_(std::move(balloon)), bus_(std::move(bus)) {
  if (!bus_.isConnected()) return;
  // A server that comes or goes later is noticed without asking the bus
  // before every message.
  watcher_ = new QDBusServiceWatcher(kService, bus_, QDBusServiceWatcher::WatchForOwnerChange, this);
  connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
          [this](const QString&, const QString&, const QString& owner) {
            server_known_ = !owner.isEmpty();
            replaces_id_ = 0;
          });
  Probe();
}

DesktopNotifier::~DesktopNotifier() = default;

// A server may also be started by the bus on the first call.
void DesktopNotifier::Probe() {
  QDBusConnectionInterface* bus = bus_.interface();
  if (!bus) return;
  if (bus->isServiceRegistered(kService)) {
    server_known_ = true;
    return;
  }
  const QDBusReply<QStringList> activatable = bus->call(QStringLiteral("ListActivatableNames"));
  server_known_ = activatable.isValid() && activatable.value().contains(kService);
}

bool DesktopNotifier::Show(const QString& summary, const QString& body, bool replace) {
  if (!server_known_) return balloon_ && balloon_(summary, body);
  QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                                     kService, QStringLiteral("Notify"));
  call << QStringLiteral("Tazmel") << (replace ? replaces_id_ : 0u) << QStringLiteral("tazmel") << summary << body
       << QStringList() << QVariantMap() << -1;
  auto* pending = new QDBusPendingCallWatcher(bus_.asyncCall(call, kCallTimeoutMs), this);
  connect(pending, &QDBusPendingCallWatcher::finished, this, [this, pending, summary, body, replace] {
    pending->deleteLater();
    const QDBusPendingReply<unsigned> reply = *pending;
    if (reply.isError()) {
      if (balloon_) balloon_(summary, body);
      emit fellBack();
      return;
    }
    if (replace) replaces_id_ = reply.value();
  });
  return true;
}

}  // namespace tazmel
