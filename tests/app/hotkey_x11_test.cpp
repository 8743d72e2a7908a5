// The real program on a private X server: a global hotkey pressed by
// another client reaches it and plays.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

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
#include "support/test_audio.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::ChildProcess;

const char* Path() { return std::getenv("PATH") != nullptr ? std::getenv("PATH") : "/usr/bin:/bin"; }

// Xvfb on the first free display of :51..:59; its name, or nothing.
std::optional<std::string> StartXvfb(std::optional<ChildProcess>& server, const fs::path& log) {
  for (int number = 51; number <= 59; ++number) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
    test::ChildOptions options;
    options.log = log;
    options.keep_fd = fds[1];
    const std::string display = ":" + std::to_string(number);
    server.emplace(std::vector<std::string>{"Xvfb", display, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                            "800x600x24", "-nolisten", "tcp", "-noreset"},
                   test::EnvironmentWith({}), options);
    close(fds[1]);
    std::string reported;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (reported.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[16];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      reported.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (reported.find('\n') != std::string::npos) return display;
    server.reset();  // taken: try the next one
  }
  return std::nullopt;
}

// Ctrl+Alt+P typed on the desktop plays the last station, though the
// program's window never has the focus.
TEST(HotkeyX11Test, CtrlAltPPlays) {
  if (test::FindProgram("Xvfb", Path()).empty() || test::FindProgram("xdotool", Path()).empty()) {
    GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup.sh look)";
  }
  test::TempDir home;
  const fs::path stage = TAZMEL_STAGE_DIR;
  for (const char* item : {"Tazmel.ini", "Language", "Skins", "sound"}) {
    fs::copy(stage / item, home / item, fs::copy_options::recursive);
  }
  test::TestHttpServer server;
  const std::string mp3 = test::MakeToneMp3(2.0);
  server.ServeHandler("/live.mp3", [&mp3](test::TestHttpConnection& c) {
    if (!c.WriteHead(200, {{"Content-Type", "audio/mpeg"}})) return;
    while (c.Write(mp3)) c.SleepFor(500ms);
  });
  ProgramPaths paths(home.path());
  StationRecord record;
  record.VID = "100001";
  record.VRadioName = "Loopback FM";
  record.VStreamURL = server.Url("/live.mp3");
  fs::create_directories(paths.DataFolder());
  ASSERT_TRUE(WriteTextTable(paths.UserTablePath(), {FormatStationLine(record)}));
  fs::copy_file(home / "Tazmel.ini", paths.UserIni());
  ASSERT_TRUE(WriteProfileString(paths.UserIni(), "Language", "CurLng", "eng"));
  ASSERT_TRUE(WriteProfileString(paths.UserIni(), "Player", "CurPlayID", "100001"));
  ASSERT_TRUE(WriteProfileString(paths.UserIni(), "Options", "EnabledHotkeys", "1"));

  std::optional<ChildProcess> xvfb;
  const std::optional<std::string> display = StartXvfb(xvfb, home / "xvfb.log");
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
