// Messages through a notification server of the test's own on the private
// session bus, and the tray balloon when there is none or it fails.
#include "app/desktop_notifier.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>
#include <vector>

#include "now_playing/bus_tools.h"
#include "ui/qt_app.h"

namespace tazmel {

// The server: keeps every Notify it gets and answers with the bubble's id,
// or with an error when told to.
class FakeNotificationServer : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

 public:
  struct Received {
    QString app;
    unsigned replaces = 0;
    QString summary;
    QString body;
  };
  std::vector<Received> received;
  bool fail = false;

 public slots:
  unsigned Notify(const QString& app, unsigned replaces, const QString&, const QString& summary, const QString& body,
                  const QStringList&, const QVariantMap&, int) {
    received.push_back({app, replaces, summary, body});
    if (fail) {
      sendErrorReply(QDBusError::Failed, QStringLiteral("no bubbles today"));
      return 0;
    }
    return replaces != 0 ? replaces : static_cast<unsigned>(40 + received.size());
  }
  QStringList GetCapabilities() { return {QStringLiteral("body")}; }
};

namespace {

const QString kName = QStringLiteral("org.freedesktop.Notifications");

class NotificationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus: run under dbus-run-session";
  }
  void TearDown() override { StopServer(); }

  void StartServer() {
    server_bus_ = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("notification-server")));
    ASSERT_TRUE(server_bus_->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server_,
                                            QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(server_bus_->registerService(kName));
  }
  void StopServer() {
    if (!server_bus_) return;
    server_bus_->unregisterService(kName);
    server_bus_->unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
    server_bus_.reset();
    QDBusConnection::disconnectFromBus(QStringLiteral("notification-server"));
  }

  DesktopNotifier::Balloon Balloon() {
    return [this](const QString& summary, const QString& body) {
      balloons_.push_back(summary + QStringLiteral("|") + body);
      return tray_;
    };
  }

  FakeNotificationServer server_;
  std::unique_ptr<QDBusConnection> server_bus_;
  std::vector<QString> balloons_;
  bool tray_ = true;
};

TEST_F(NotificationsTest, ServerShowsTheMessageAndReplacesTheSongBubble) {
  StartServer();
  DesktopNotifier notifier(Balloon());
  ASSERT_TRUE(notifier.ServerKnown());
  EXPECT_TRUE(notifier.Show(QStringLiteral("Loopback FM"), QStringLiteral("Artist - Song A"), true));
  ASSERT_TRUE(test::RunUntil([&] { return server_.received.size() == 1; }));
  EXPECT_EQ(server_.received[0].app, QStringLiteral("Tazmel"));
  EXPECT_EQ(server_.received[0].summary, QStringLiteral("Loopback FM"));
  EXPECT_EQ(server_.received[0].body, QStringLiteral("Artist - Song A"));
  EXPECT_EQ(server_.received[0].replaces, 0u);
  // The reply's id must be back before the next song can replace it.
  test::RunUntil([] { return false; }, 200);
  notifier.Show(QStringLiteral("Loopback FM"), QStringLiteral("Artist - Song B"), true);
  notifier.Show(QStringLiteral("Recorder"), QStringLiteral("Stopped"));  // its own bubble
  ASSERT_TRUE(test::RunUntil([&] { return server_.received.size() == 3; }));
  EXPECT_EQ(server_.received[1].replaces, 41u);
  EXPECT_EQ(server_.received[2].replaces, 0u);
  test::RunUntil([] { return false; }, 200);
  EXPECT_TRUE(balloons_.empty());
}

// No server: the balloon at once, and its answer is the result; a server
// that fails the call: the balloon after the reply; a server that goes
// away: noticed, balloons again.
TEST_F(NotificationsTest, FallsBackToTheBalloon) {
  {
    DesktopNotifier notifier(Balloon());
    EXPECT_FALSE(notifier.ServerKnown());
    EXPECT_TRUE(notifier.Show(QStringLiteral("Tazmel"), QStringLiteral("Updated")));
    tray_ = false;
    EXPECT_FALSE(notifier.Show(QStringLiteral("Tazmel"), QStringLiteral("No tray")));
    EXPECT_EQ(balloons_, (std::vector<QString>{QStringLiteral("Tazmel|Updated"), QStringLiteral("Tazmel|No tray")}));
  }
  balloons_.clear();
  tray_ = true;

  StartServer();
  server_.fail = true;
  DesktopNotifier notifier(Balloon());
  bool fell_back = false;
  QObject::connect(&notifier, &DesktopNotifier::fellBack, [&] { fell_back = true; });
  EXPECT_TRUE(notifier.Show(QStringLiteral("Tazmel"), QStringLiteral("Refused")));
  ASSERT_TRUE(test::RunUntil([&] { return fell_back; }));
  EXPECT_EQ(balloons_, (std::vector<QString>{QStringLiteral("Tazmel|Refused")}));

  StopServer();
  ASSERT_TRUE(test::RunUntil([&] { return !notifier.ServerKnown(); }));
  notifier.Show(QStringLiteral("Tazmel"), QStringLiteral("Gone"));
  EXPECT_EQ(balloons_.back(), QStringLiteral("Tazmel|Gone"));
}

// A notifier without a bus is a balloon.
TEST_F(NotificationsTest, NoBusMeansBalloons) {
  QDBusConnection none =
      QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/tazmel-bus"), QStringLiteral("none"));
  DesktopNotifier notifier(Balloon(), none);
  EXPECT_TRUE(notifier.Show(QStringLiteral("Tazmel"), QStringLiteral("Hello")));
  EXPECT_EQ(balloons_, (std::vector<QString>{QStringLiteral("Tazmel|Hello")}));
  QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}

}  // namespace
}  // namespace tazmel

#include "notifications_test.moc"
