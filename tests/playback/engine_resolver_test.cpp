// The engine waiting for a real page download on a real-time loop: the
// attempt waits, the loop does not.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "core/program_paths.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/scripted_players.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "support/scoped_env.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

class CountingView : public EngineView {
 public:
  void Show(const EngineViewState& state) override { shown = state; }
  EngineViewState shown;
};

// While the server trickles a page, holding its end back until a timer of
// the loop has fired, the loop keeps running: the timer fires, and the
// stream the page names starts once it has arrived.
TEST(EngineResolverTest, LoopRunsWhileAPageDownloads) {
  test::ScopedEnv lower("http_proxy", std::nullopt);
  test::ScopedEnv upper("HTTP_PROXY", std::nullopt);
  test::TempDir dir;
  ProgramPaths paths(dir.path());
  Registry registry(dir / "registry.ini");
  test::LoopDispatcher dispatcher;
  test::ScriptedFactory factory;
  CountingView view;
  BrowserPageFetcher pages(dispatcher, registry);
  test::TestHttpServer server;

  std::atomic<int> ticks{0};
  std::atomic<int> ticks_before_end{-1};
  server.ServeHandler("/slow.html", [&](test::TestHttpConnection& connection) {
    if (!connection.WriteHead(200, {{"Content-Type", "text/html"}})) return;
    for (int i = 0; i < 5; ++i) {
      if (!connection.Write("<p>line " + std::to_string(i) + "</p>\n")) return;
      connection.SleepFor(20ms);
    }
    // The rest only once the loop has shown it runs meanwhile.
    for (int i = 0; i < 1000 && ticks == 0 && !connection.Stopping(); ++i) connection.SleepFor(10ms);
    ticks_before_end = ticks.load();
    connection.Write("<a href=\"mms://s.example/live\">listen</a>");
  });

  std::unique_ptr<Timer> timer = dispatcher.CreateTimer([&] { ++ticks; });
  PlaybackEngine engine(EngineServices{.dispatcher = dispatcher,
                                       .factory = factory,
                                       .view = view,
                                       .paths = paths,
                                       .pages = &pages,
                                       .wmp9_installed = [] { return true; }});
  timer->Start(10ms);
  engine.PlayAddresses(server.Url("/slow.html"), "Slow", MediaKind::kUnknown);
  // The request returned with the page still on its way.
  EXPECT_EQ(factory.wmp9, nullptr);
  EXPECT_TRUE(view.shown.wait_cursor);

  ASSERT_TRUE(dispatcher.RunUntil([&] { return factory.wmp9 != nullptr; }, 15s));
  EXPECT_GT(ticks_before_end.load(), 0);
  EXPECT_EQ(factory.wmp9->url, "mms://s.example/live");
  EXPECT_FALSE(view.shown.wait_cursor);
  timer->Stop();
}

}  // namespace
}  // namespace tazmel
