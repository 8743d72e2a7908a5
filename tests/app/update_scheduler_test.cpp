#include "app/update_scheduler.h"

#include <gtest/gtest.h>

#include "core/ini_file.h"
#include "core/program_paths.h"
#include "online/zip_writer.h"
#include "settings/settings.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "support/scoped_env.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

constexpr double kSecond = 1.0 / 86400;
constexpr double kStart = 45000.0;  // a date value; only differences count

std::string Archive(const test::TempDir& dir, const std::string& code) {
  const std::filesystem::path built = dir / "built";
  std::filesystem::create_directories(built);
  StationRecord s;
  s.VID = "1";
  s.VRadioName = "Fresh";
  s.VStreamURL = "http://127.0.0.1/fresh";
  WriteTextTable(built / "data.dat", {ScrambleLine(FormatStationLine(s))});
  ZipWriter zip;
  for (const char* name : {"data.dat", "data.idp", "data.idi"}) {
    zip.Add("data/" + code + "/" + name, test::ReadFile(built / name));
  }
  zip.Add("data/" + code + "/treesys.dat", "0/0/-52,1/By genre=genre.dat\r\n");
  zip.Add("data/" + code + "/genre.dat", "0/0/-52,1/By genre\r\n1/1/1/Fresh\r\n");
  return zip.Finish();
}

class UpdateSchedulerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::WriteFile(dir_ / "Tazmel.ini", "");
    test::WriteFile(dir_ / "User.ini", "[Update]\r\nData_eng=2007-11-06\r\n");
    test::WriteFile(dir_ / "data/eng/treesys.dat", "0/0/-52,1/Old=genre.dat\r\n");
    paths_.SetLanguageCode("eng");
    settings_.options.auto_update = false;
    settings_.last_update_time = kStart - 1;  // long ago
    Serve("eng", "[Data]\r\nVer=2007-11-06\r\nUrl=data.zip\r\nSize=1\r\n");
  }

  void Serve(const std::string& code, const std::string& inf) {
    server_.Serve("/" + code + "/update.inf", {200, "text/plain", inf});
  }

  std::unique_ptr<UpdateScheduler> Make(std::string host = "") {
    if (host.empty()) host = server_.Url("/");
    auto s = std::make_unique<UpdateScheduler>(
        loop_, paths_, settings_, host, 1033,
        UpdateHooks{.show_message = [this](const std::string& t) { shown_.push_back(t); },
                    .ask =
                        [this](const std::string& t) {
                          asked_.push_back(t);
                          return true;
                        },
                    .open_web_page = [this](const std::string& a) { opened_.push_back(a); },
                    .save_tree_changes = [this] { ++saves_; },
                    .reload_tree = [this] { ++reloads_; },
                    .enable_update_item = [this](bool on) { item_enabled_ = on; }});
    s->ConfigTemplate().text_timeout = 2s;
    return s;
  }

  void Settle(UpdateScheduler& s) {
    EXPECT_TRUE(loop_.RunUntil([&] { return !s.Running(); }, 10s));
  }

  test::TempDir dir_;
  ProgramPaths paths_{dir_.path()};
  Settings settings_;
  test::TestHttpServer server_;
  test::LoopDispatcher loop_;
  std::vector<std::string> shown_, asked_, opened_;
  int saves_ = 0;
  int reloads_ = 0;
  bool item_enabled_ = true;
};

// A manual check that finds nothing new says so and keeps the item off for
// a minute of ticks; an automatic one shows nothing.
TEST_F(UpdateSchedulerTest, ManualAndAutomaticUpToDate) {
  auto s = Make();
  s->ManualUpdate(kStart);
  EXPECT_FALSE(item_enabled_);
  Settle(*s);
  EXPECT_EQ(shown_, (std::vector<std::string>{"You already have the latest version of Tazmel."}));
  EXPECT_EQ(saves_, 1);
  for (int i = 0; i < 59; ++i) s->Tick(kStart + i * kSecond);
  EXPECT_FALSE(item_enabled_);
  s->Tick(kStart + 60 * kSecond);
  EXPECT_TRUE(item_enabled_);

  settings_.options.auto_update = true;
  s->Tick(kStart + 0.5 + 61 * kSecond);
  Settle(*s);
  EXPECT_EQ(shown_.size(), 1u);
  EXPECT_EQ(server_.RequestCount("/eng/update.inf"), 2);
}

// A manual check that fails says so and frees the item at once.
TEST_F(UpdateSchedulerTest, ManualError) {
  auto s = Make();
  server_.Serve("/eng/update.inf", {404, "text/html", "<html>gone</html>"});
  s->ManualUpdate(kStart);
  Settle(*s);
  EXPECT_EQ(shown_, (std::vector<std::string>{"Errors in updating."}));
  EXPECT_EQ(s->ManualCountdown(), 0);
  EXPECT_TRUE(item_enabled_);
}

// New data is installed, the tree reloads and the version is shown; a newer
// program is offered and its page opened.
TEST_F(UpdateSchedulerTest, DataUpdatedAndNewerProgram) {
  const std::string archive = Archive(dir_, "eng");
  server_.Serve("/eng/data.zip", {200, "application/zip", archive});
  Serve("eng", "[Data]\r\nVer=2009-02-03\r\nUrl=data.zip\r\nSize=" + std::to_string(archive.size()) + "\r\n");
  auto s = Make();
  s->ManualUpdate(kStart);
  Settle(*s);
  EXPECT_EQ(shown_, (std::vector<std::string>{"Data have been updated to 2009-02-03."}));
  EXPECT_EQ(reloads_, 1);
  EXPECT_EQ(ReadProfileString(paths_.UserIni(), "Update", "Data_eng", ""), "2009-02-03");
  EXPECT_EQ(test::ReadFile(dir_ / "data/eng/genre.dat"), "0/0/-52,1/By genre\r\n1/1/1/Fresh\r\n");

  Serve("eng", "[App]\r\nVer=99.1\r\nUrl=download.html\r\n");
  for (int i = 0; i <= 60; ++i) s->Tick(kStart + i * kSecond);
  s->ManualUpdate(kStart + 61 * kSecond);
  Settle(*s);
  EXPECT_EQ(asked_, (std::vector<std::string>{"A newer version(99.1) was found. Update?"}));
  EXPECT_EQ(opened_, (std::vector<std::string>{server_.Url("/eng/download.html")}));
}

// With automatic updates off, one check runs about five minutes after
// start and none later; nothing without a host.
TEST_F(UpdateSchedulerTest, FirstCheckOnlyWhenAutoUpdateOff) {
  settings_.last_update_time = kStart;  // checked just now, in the last run
  auto s = Make();
  s->StartupDone(kStart, false);
  s->Tick(kStart + 300 * kSecond);
  EXPECT_FALSE(s->Running());
  s->Tick(kStart + 311 * kSecond);
  EXPECT_TRUE(s->Running());
  Settle(*s);
  EXPECT_EQ(saves_, 0) << "not interactive: no data wanted";
  for (double t = kStart + 1; t < kStart + 3; t += 0.25) s->Tick(t);
  Settle(*s);
  EXPECT_EQ(server_.RequestCount("/eng/update.inf"), 1);
  EXPECT_TRUE(shown_.empty());

  test::ScopedEnv env("TAZMEL_UPDATE_HOST", "");
  EXPECT_EQ(ConfiguredUpdateHost(paths_), "");
  auto off =
      std::make_unique<UpdateScheduler>(loop_, paths_, settings_, ConfiguredUpdateHost(paths_), 1033, UpdateHooks{});
  off->StartUpdate(true);
  EXPECT_FALSE(off->Running());
}

// An empty tree at start, or a switch to a language without data, asks for
// the data at once, from the new language's folder.
TEST_F(UpdateSchedulerTest, ForcedWhenTreeEmpty) {
  const std::string archive = Archive(dir_, "chs");
  server_.Serve("/chs/data.zip", {200, "application/zip", archive});
  Serve("chs", "[Data]\r\nVer=2007-11-06\r\nUrl=data.zip\r\nSize=" + std::to_string(archive.size()) + "\r\n");
  auto s = Make();
  s->StartupDone(kStart, false);
  paths_.SetLanguageCode("chs");
  WriteProfileString(paths_.UserIni(), "Update", "Data_chs", "2007-11-06");
  s->LanguageChanged(true);
  EXPECT_TRUE(s->Running());
  Settle(*s);
  EXPECT_EQ(server_.RequestCount("/chs/data.zip"), 1) << "forced although not newer";
  EXPECT_TRUE(std::filesystem::exists(dir_ / "data/chs/data.dat"));
  EXPECT_EQ(reloads_, 1);
}

// The host comes from the environment, then User.ini, then Tazmel.ini.
TEST_F(UpdateSchedulerTest, HostSources) {
  {
    test::ScopedEnv env("TAZMEL_UPDATE_HOST", "http://env.example/");
    EXPECT_EQ(ConfiguredUpdateHost(paths_), "http://env.example/");
  }
  test::ScopedEnv unset("TAZMEL_UPDATE_HOST", std::nullopt);
  EXPECT_EQ(ConfiguredUpdateHost(paths_), DefaultUpdateHost());
  test::WriteFile(dir_ / "Tazmel.ini", "[Update]\r\nUpdateHost=shipped.example\r\n");
  EXPECT_EQ(ConfiguredUpdateHost(paths_), "shipped.example");
  WriteProfileString(paths_.UserIni(), "Update", "UpdateHost", "user.example");
  EXPECT_EQ(ConfiguredUpdateHost(paths_), "user.example");
}

}  // namespace
}  // namespace tazmel
