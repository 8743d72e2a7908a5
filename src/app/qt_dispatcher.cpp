#include "app/qt_dispatcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace tazmel {
namespace {

class QtTimer : public Timer {
 public:
  explicit QtTimer(std::function<void()> on_tick) : on_tick_(std::move(on_tick)) {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { on_tick_(); });
  }

  void Start(std::chrono::milliseconds interval) override { timer_.start(interval); }
  void Stop() override { timer_.stop(); }
  bool Active() const override { return timer_.isActive(); }
  std::chrono::milliseconds Interval() const override { return timer_.intervalAsDuration(); }
  void SetSingleShot(bool single_shot) override { timer_.setSingleShot(single_shot); }

 private:
  QTimer timer_;
  std::function<void()> on_tick_;
};

}  // namespace

QtDispatcher::QtDispatcher() = default;
QtDispatcher::~QtDispatcher() = default;

std::chrono::steady_clock::time_point QtDispatcher::Now() const { return std::chrono::steady_clock::now(); }

std::unique_ptr<Timer> QtDispatcher::CreateTimer(std::function<void()> on_tick) {
  return std::make_unique<QtTimer>(std::move(on_tick));
}

void QtDispatcher::Post(std::function<void()> call) {
  QMetaObject::invokeMethod(&context_, std::move(call), Qt::QueuedConnection);
}

void QtDispatcher::ProcessEvents(std::chrono::milliseconds max_wait) {
  // The timer guarantees an event, so waiting for one never outlasts
  // max_wait even when nothing else arrives.
  QTimer deadline;
  deadline.setSingleShot(true);
  deadline.start(max_wait);
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

}  // namespace tazmel
