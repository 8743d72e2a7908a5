// Starts the real program in a temporary program folder and ends it the way
// the system does, with SIGTERM.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "core/ini_file.h"
#include "settings/hotkey_table.h"
#include "support/child_process.h"
#include "temp_dir.h"

extern char** environ;

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

using Child = test::ChildProcess;

class ExecutableTest : public ::testing::Test {
 protected:
  Child Start(const std::vector<std::string>& extra_env = {}) {
    std::vector<std::string> env = {"TAZMEL_HOME=" + dir_.path().string(), "QT_QPA_PLATFORM=offscreen",
                                    "HOME=" + dir_.path().string(), "LANG=C.UTF-8"};
    // An extra entry replaces one of the same name.
    for (const std::string& extra : extra_env) {
      const std::string name = extra.substr(0, extra.find('=') + 1);
      std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
      env.push_back(extra);
    }
    if (const char* path = getenv("PATH")) env.push_back(std::string("PATH=") + path);
    return Child({TAZMEL_EXECUTABLE}, env);
  }

  // Waits for a file to appear; false after the deadline.
  static bool WaitFor(const std::filesystem::path& path, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(20ms);
    }
    return true;
  }

  TempDir dir_;
};

// First start copies Tazmel.ini to User.ini byte for byte before anything is
// read; SIGTERM runs the close, which writes every main-window setting.
TEST_F(ExecutableTest, FirstStartAndSigterm) {
  const std::string shipped = "; shipped defaults\r\n[Update]\r\nForceConfig=0\r\n[Options]\r\nRetryNum=4\r\n";
  WriteFile(dir_ / "Tazmel.ini", shipped);
  Child child = Start();
  ASSERT_GT(child.pid(), 0);
  ASSERT_TRUE(WaitFor(dir_ / "User.ini", 30s));
  EXPECT_EQ(ReadFile(dir_ / "User.ini"), shipped);

  child.Signal(SIGTERM);
  ASSERT_EQ(child.WaitExit(30s), 0);

  IniFile user;
  ASSERT_EQ(user.Load(dir_ / "User.ini"), IniFile::LoadStatus::kLoaded);
  const std::pair<const char*, std::vector<const char*>> expected[] = {
      {"frmMain", {"Left", "Top"}},
      {"frmPlayList", {"Left", "Top", "Width", "Height", "Visible", "TreeVisible", "ClickMode"}},
      {"Player",
       {"RootNodeIndex", "SelectNodeIndex", "SelectItemIndex", "CurPlayID", "CurUserUrl", "Volume", "Balance"}},
      {"Options",
       {"AlwaysOnTop",   "TimingShutDown",    "ShutDownTime",     "EnabledHotkeys",        "Reconnect",
        "RetryNum",      "RetryDelay",        "ShowHint",         "EnableSound",           "AutoUpdate",
        "AutoPlay",      "AutoHide",          "VideoFormVisible", "EnabledAnimate",        "TrayIconVisible",
        "TimingPlay",    "TimingPlayTime",    "TimingRecord",     "TimingRecordStartTime", "TimingRecordEndTime",
        "AutoTalkClock", "TalkClockInterval", "MuteTalkClock",    "NotifyNewTitle"}},
      {"Skin", {"SkinName"}},
      {"Language", {"CurLng"}},
      {"Update", {"LastUpdateTime", "ForceConfig"}},
  };
  for (const auto& [section, keys] : expected) {
    for (const char* key : keys) EXPECT_TRUE(user.Value(section, key).has_value()) << section << "/" << key;
  }
  for (const TDefHotkey& h : DefaultHotkeys()) EXPECT_TRUE(user.Value("Hotkeys", h.Name).has_value()) << h.Name;
  EXPECT_EQ(user.ReadInteger("Options", "RetryNum", 0), 4);
  EXPECT_EQ(user.ReadString("Language", "CurLng"), "eng");
  EXPECT_EQ(user.ReadString("Options", "ShutDownTime"), "0:00:00");
  // The comment of the copied file survives the close.
  EXPECT_EQ(ReadFile(dir_ / "User.ini").rfind("; shipped defaults\r\n", 0), 0u);
}

// The playing station's position saved at close is restored at the next
// start and saved again; a saved position that names no station is not.
TEST_F(ExecutableTest, PlayingStationPositionSurvivesARun) {
  struct Case {
    int root, select;              // as the shipped settings of a first start say
    int saved_root, saved_select;  // as the close writes them
  } cases[] = {
      {2, 3, 2, 3},  // the channels tree (third top node), its first station
      {2, 2, 0, 0},  // the channels top node itself: no station is playing
  };
  for (const Case& c : cases) {
    TempDir home;
    WriteFile(home / "Tazmel.ini", "[Language]\r\nCurLng=eng\r\n[Player]\r\nRootNodeIndex=" + std::to_string(c.root) +
                                       "\r\nSelectNodeIndex=" + std::to_string(c.select) + "\r\n");
    std::filesystem::create_directories(home / "data");
    std::filesystem::copy(std::filesystem::path(TAZMEL_STAGE_DIR) / "default-data" / "eng", home / "data" / "eng",
                          std::filesystem::copy_options::recursive);
    Child child = Start({"TAZMEL_HOME=" + home.path().string()});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(WaitFor(home / "User.ini", 30s));
    child.Signal(SIGTERM);
    ASSERT_EQ(child.WaitExit(30s), 0);
    EXPECT_EQ(ReadProfileInteger(home / "User.ini", "Player", "RootNodeIndex", -1), c.saved_root) << c.select;
    EXPECT_EQ(ReadProfileInteger(home / "User.ini", "Player", "SelectNodeIndex", -1), c.saved_select) << c.select;
  }
}

// The language follows the locale when CurLng is empty, and SIGINT closes
// the same way.
TEST_F(ExecutableTest, LanguageFromLocaleAndSigint) {
  WriteFile(dir_ / "Tazmel.ini", "[Language]\r\nCurLng=\r\n");
  Child child = Start({"LC_ALL=zh_HK.UTF-8"});
  ASSERT_GT(child.pid(), 0);
  ASSERT_TRUE(WaitFor(dir_ / "User.ini", 30s));
  child.Signal(SIGINT);
  ASSERT_EQ(child.WaitExit(30s), 0);
  EXPECT_EQ(ReadProfileString(dir_ / "User.ini", "Language", "CurLng"), "cht");
}

}  // namespace
}  // namespace tazmel
