#pragma once

#include <QObject>

#include "core/dispatcher.h"

namespace tazmel {

// The dispatcher on the Qt event loop of the thread that creates it.
class QtDispatcher : public Dispatcher {
 public:
  QtDispatcher();
  ~QtDispatcher() override;

  std::chrono::steady_clock::time_point Now() const override;
  std::unique_ptr<Timer> CreateTimer(std::function<void()> on_tick) override;
  void Post(std::function<void()> call) override;
  void ProcessEvents(std::chrono::milliseconds max_wait) override;

 private:
  // Posted calls run in this object's thread; destroying it drops the
  // calls still queued.
  QObject context_;
};

}  // namespace tazmel
