#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

namespace tazmel {

// Turns SIGTERM and SIGINT into a Qt signal on the user-interface thread.
// The handler only writes a byte into a socket pair; the work happens when
// the event loop reads it.
class SignalBridge : public QObject {
  Q_OBJECT

 public:
  explicit SignalBridge(QObject* parent = nullptr);
  ~SignalBridge() override;

 signals:
  void terminationRequested();

 private:
  void Drain();

  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tazmel
