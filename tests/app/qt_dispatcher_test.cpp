#include "app/qt_dispatcher.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <thread>

namespace tazmel {
namespace {

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "qt_runtime_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

// Runs the loop until `done` or about five seconds have passed.
template <typename Done>
bool Spin(QtDispatcher& dispatcher, Done done) {
  for (int i = 0; i < 500 && !done(); ++i) dispatcher.ProcessEvents(std::chrono::milliseconds(10));
  return done();
}

// A call posted from a foreign thread runs later on the loop's own thread.
TEST(QtDispatcherTest, PostFromAnotherThreadRunsOnTheLoopThread) {
  App();
  QtDispatcher dispatcher;
  std::atomic<QThread*> ran_on{nullptr};
  std::thread poster([&] { dispatcher.Post([&] { ran_on = QThread::currentThread(); }); });
  poster.join();
  EXPECT_EQ(ran_on.load(), nullptr);
  ASSERT_TRUE(Spin(dispatcher, [&] { return ran_on.load() != nullptr; }));
  EXPECT_EQ(ran_on.load(), QThread::currentThread());
}

// A one-shot timer ticks once and is inactive from its tick on; a
// repeating one keeps ticking until stopped from inside its tick.
TEST(QtDispatcherTest, TimersTickAsConfigured) {
  App();
  QtDispatcher dispatcher;
  int single_ticks = 0;
  bool active_in_tick = true;
  std::unique_ptr<Timer> single;
  single = dispatcher.CreateTimer([&] {
    ++single_ticks;
    active_in_tick = single->Active();
  });
  single->SetSingleShot(true);
  single->Start(std::chrono::milliseconds(5));

  int repeats = 0;
  std::unique_ptr<Timer> repeating;
  repeating = dispatcher.CreateTimer([&] {
    if (++repeats == 3) repeating->Stop();
  });
  repeating->Start(std::chrono::milliseconds(5));
  EXPECT_EQ(repeating->Interval(), std::chrono::milliseconds(5));

  ASSERT_TRUE(Spin(dispatcher, [&] { return repeats == 3 && single_ticks == 1; }));
  dispatcher.ProcessEvents(std::chrono::milliseconds(30));
  EXPECT_EQ(single_ticks, 1);
  EXPECT_FALSE(active_in_tick);
  EXPECT_EQ(repeats, 3);
  EXPECT_FALSE(repeating->Active());
}

}  // namespace
}  // namespace tazmel
