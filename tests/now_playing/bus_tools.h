#pragma once

// The desktop's side of the session bus, as gdbus sees it: calls and a
// signal monitor run as child programs while the test's own event loop keeps
// answering them.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

namespace tazmel::test {

struct ToolResult {
  int code = -1;
  QString out;
  QString err;
};

// Runs gdbus to its end; the event loop runs meanwhile, so the call can be
// answered by this process.
inline ToolResult RunGdbus(const QStringList& args, int timeout_ms = 15000) {
  QProcess process;
  process.start(QStringLiteral("gdbus"), args);
  QEventLoop loop;
  QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
  QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
  if (process.state() != QProcess::NotRunning) loop.exec();
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished();
    return {-1, {}, QStringLiteral("timed out")};
  }
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

inline QStringList CallArgs(const QString& dest, const QString& method, const QStringList& args = {}) {
  return QStringList{QStringLiteral("call"),          QStringLiteral("--session"),
                     QStringLiteral("--dest"),        dest,
                     QStringLiteral("--object-path"), QStringLiteral("/org/mpris/MediaPlayer2"),
                     QStringLiteral("--method"),      method} +
         args;
}

// Lets the event loop run until `done` holds or the time is up.
inline bool RunUntil(const std::function<bool()>& done, int timeout_ms = 10000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeout_ms) return false;
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// `gdbus monitor` on the player object: what it printed, line by line.
class BusMonitor {
 public:
  explicit BusMonitor(const QString& dest) {
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.start(QStringLiteral("gdbus"),
                   {QStringLiteral("monitor"), QStringLiteral("--session"), QStringLiteral("--dest"), dest,
                    QStringLiteral("--object-path"), QStringLiteral("/org/mpris/MediaPlayer2")});
    QObject::connect(&process_, &QProcess::readyRead, [this] { text_ += QString::fromUtf8(process_.readAll()); });
  }
  ~BusMonitor() {
    process_.kill();
    process_.waitForFinished();
  }
  // gdbus has placed its match rule once it says whom it watches.
  bool WaitReady() {
    return RunUntil([this] { return text_.contains(QStringLiteral("owned by")); });
  }
  int Count(const QString& what) const { return text_.count(what); }
  bool WaitFor(const QString& what, int timeout_ms = 10000) {
    return RunUntil([&] { return text_.contains(what); }, timeout_ms);
  }
  const QString& Text() const { return text_; }

 private:
  QProcess process_;
  QString text_;
};

}  // namespace tazmel::test
