// The real program on a private X server: a global hotkey pressed by
// another client reaches it and plays.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include "core/ini_file.h"
#include "core/program_paths.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/program_folder.h"
#include "support/test_audio.h"
#include "support/x_server.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildProcess;

const char* Path() { return std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin"; }

// Ctrl+Alt+P typed on the desktop plays the last station, though the
// program's window never has the focus.
TEST(HotkeyX11Test, CtrlAltPPlays) {
  if (test::FindProgram("Xvfb", Path()).empty() || test::FindProgram("xdotool", Path()).empty()) {
    GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup.sh look)";
  }
  test::TempDir home;
  test::StageProgramFolder(home.path());
  test::TestHttpServer server;
  const std::string mp3 = test::MakeToneMp3(2.0);
  server.ServeLoop("/live.mp3", mp3);
  ProgramPaths paths(home.path());
  ASSERT_TRUE(test::WriteLoopbackStation(paths, server.Url("/live.mp3")));
  ASSERT_TRUE(test::WriteEnglishUserIni(home.path(), paths));
  ASSERT_TRUE(WriteProfileString(paths.UserIni(), "Player", "CurPlayID", "100001"));
  ASSERT_TRUE(WriteProfileString(paths.UserIni(), "Options", "EnabledHotkeys", "1"));

  std::optional<ChildProcess> xvfb;
  const std::optional<std::string> display = test::StartXvfb(xvfb, home / "xvfb.log", 51, 59);
  ASSERT_TRUE(display) << "no free display in :51..:59";
  const std::vector<std::string> env = test::EnvironmentWith({{"DISPLAY", *display},
                                                              {"QT_QPA_PLATFORM", "xcb"},
                                                              {"TAZMEL_HOME", home.path().string()},
                                                              {"HOME", home.path().string()},
                                                              {"XDG_CONFIG_HOME", (home / "config").string()},
                                                              {"TAZMEL_AUDIO_OUTPUT", "null"},
                                                              {"LANG", "C.UTF-8"}},
                                                             {"WAYLAND_DISPLAY"});
  test::ChildOptions logged;
  logged.log = home / "tazmel.log";
  ChildProcess program({TAZMEL_EXECUTABLE}, env, logged);
  ASSERT_TRUE(program.Started());

  // Pressed until it arrives: the grabs exist only once the program is up.
  bool played = false;
  const auto deadline = std::chrono::steady_clock::now() + 30s;
  while (!played && std::chrono::steady_clock::now() < deadline) {
    ChildProcess key({"xdotool", "key", "ctrl+alt+p"}, env);
    key.WaitExit(5s);
    for (int i = 0; i < 20 && !played; ++i) {
      std::this_thread::sleep_for(100ms);
      played = !server.RequestTargets().empty();
    }
  }
  EXPECT_TRUE(played) << "no request reached the station's server";
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitExit(20s), 0);
}

}  // namespace
}  // namespace tazmel
