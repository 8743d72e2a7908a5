// tazmel-play as a user runs it: a station of a program folder or a typed
// address, served from a loopback HTTP server, played without a sound server.
#include <signal.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/program_paths.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/child_process.h"
#include "support/http_server.h"
#include "support/test_audio.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;
using test::TestHttpConnection;

class TazmelPlayTest : public ::testing::Test {
 protected:
  TazmelPlayTest() {
    server_.ServeLoop("/live.mp3", mp3_);
    std::filesystem::create_directories(paths_.DataFolder());
  }

  ChildProcess Run(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {TAZMEL_PLAY};
    argv.insert(argv.end(), args.begin(), args.end());
    return ChildProcess(argv,
                        {"HOME=" + home_.path().string(), "XDG_CONFIG_HOME=" + (home_ / "config").string(),
                         "TAZMEL_AUDIO_OUTPUT=null", "LANG=C.UTF-8"},
                        /*capture=*/true);
  }

  test::TempDir home_;
  ProgramPaths paths_{home_.path()};
  std::string mp3_ = test::MakeToneMp3(2.0);
  test::TestHttpServer server_;
};

// A user station by its ID plays under its name; the run ends after the
// given seconds with exit status 0 because playback reached "Playing".
TEST_F(TazmelPlayTest, PlaysAStationByItsId) {
  StationRecord record;
  record.VID = "100001";
  record.VRadioName = "Loopback FM";
  record.VStreamURL = server_.Url("/live.mp3");
  ASSERT_TRUE(WriteTextTable(paths_.UserTablePath(), {FormatStationLine(record)}));

  ChildProcess player = Run({"--seconds", "3", "--home", home_.path().string(), "100001"});
  ASSERT_TRUE(player.Started());
  EXPECT_EQ(player.WaitExit(30s), 0);
  const std::string& out = player.Output();
  EXPECT_NE(out.find("title    Loopback FM"), std::string::npos) << out;
  EXPECT_NE(out.find("state    Playing"), std::string::npos) << out;
  EXPECT_NE(out.find("elapsed  00:00:01"), std::string::npos) << out;
}

// Addresses that cannot play end the run by themselves with status 1; a
// station ID the folder lacks is refused at once.
TEST_F(TazmelPlayTest, FailuresExitWithOne) {
  test::TestHttpResponse gone;
  gone.status = 404;
  server_.Serve("/gone.mp3", gone);
  ChildProcess missing = Run({"--home", home_.path().string(), server_.Url("/gone.mp3")});
  EXPECT_EQ(missing.WaitExit(60s), 1) << missing.Output();
  EXPECT_EQ(missing.Output().find("state    Playing"), std::string::npos);

  ChildProcess no_station = Run({"--home", home_.path().string(), "100077"});
  EXPECT_EQ(no_station.WaitExit(30s), 1);
  EXPECT_NE(no_station.Output().find("100077"), std::string::npos) << no_station.Output();

  ChildProcess bad_kind = Run({"--kind", "7", server_.Url("/live.mp3")});
  EXPECT_EQ(bad_kind.WaitExit(30s), 2);
  EXPECT_NE(bad_kind.Output().find("usage:"), std::string::npos);
}

// Asked for help, it prints its usage on stdout (stderr is dropped here)
// and succeeds, wherever the option stands.
TEST_F(TazmelPlayTest, HelpGoesToStdout) {
  for (const std::string args : {"--help", "-h", "--seconds 3 --help", "--help 100001"}) {
    SCOPED_TRACE(args);
    ChildProcess help({"/bin/sh", "-c", std::string("exec \"$0\" ") + args + " 2>/dev/null", TAZMEL_PLAY},
                      {"HOME=" + home_.path().string(), "LANG=C.UTF-8"}, /*capture=*/true);
    EXPECT_EQ(help.WaitExit(30s), 0);
    EXPECT_TRUE(help.Output().starts_with("usage: tazmel-play")) << help.Output();
  }
}

// SIGINT stops playback and ends the run; it still counts as played.
TEST_F(TazmelPlayTest, InterruptStops) {
  ChildProcess player = Run({"--home", home_.path().string(), "--kind", "1", server_.Url("/live.mp3")});
  ASSERT_TRUE(player.WaitForOutput("state    Playing", 30s)) << player.Output();
  player.Signal(SIGINT);
  EXPECT_EQ(player.WaitExit(30s), 0);
  EXPECT_NE(player.Output().find("signal   stopping"), std::string::npos) << player.Output();
}

}  // namespace
}  // namespace tazmel
