#include "app/window_system.h"

#include <gtest/gtest.h>

namespace tazmel {
namespace {

// A Wayland session with XWayland gets the xcb platform; the user's own
// choice, a plain X11 session and a session without X stay with Qt's.
TEST(WindowSystemTest, WaylandSessionsUseXcbWhenXWaylandIsThere) {
  using Env = WindowSystemEnvironment;
  struct Case {
    const char* name;
    Env env;
    std::optional<std::string> platform;
  };
  const Case cases[] = {
      {"wayland with xwayland", Env{std::nullopt, ":0", "wayland-0", "wayland"}, "xcb"},
      {"session type only", Env{std::nullopt, ":1", std::nullopt, "wayland"}, "xcb"},
      {"empty platform counts as unset", Env{"", ":0", "wayland-0", std::nullopt}, "xcb"},
      {"user chose wayland", Env{"wayland", ":0", "wayland-0", "wayland"}, std::nullopt},
      {"user chose offscreen", Env{"offscreen", ":0", "wayland-0", std::nullopt}, std::nullopt},
      {"no xwayland", Env{std::nullopt, std::nullopt, "wayland-0", "wayland"}, std::nullopt},
      {"empty display", Env{std::nullopt, "", "wayland-0", "wayland"}, std::nullopt},
      {"plain x11", Env{std::nullopt, ":0", std::nullopt, "x11"}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChooseQtPlatform(c.env), c.platform);
  }
}

}  // namespace
}  // namespace tazmel
