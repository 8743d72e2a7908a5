#include "settings/settings.h"

#include <gtest/gtest.h>

#include "core/time_utils.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr double kNow = 45000.25;

// With no Options section everything that defaults to on is on.
TEST(SettingsTest, DefaultsFromEmptyFile) {
  const Settings s = ReadSettings(IniFile(), kNow);
  EXPECT_TRUE(s.options.enabled_hotkeys);
  EXPECT_TRUE(s.options.reconnect);
  EXPECT_TRUE(s.options.show_hint);
  EXPECT_TRUE(s.options.auto_update);
  EXPECT_TRUE(s.options.tray_icon_visible);
  EXPECT_TRUE(s.options.enabled_animate);
  EXPECT_FALSE(s.options.auto_play);
  EXPECT_EQ(s.options.retry_delay, 3);
  EXPECT_EQ(s.options.talk_clock_interval, 60);
  EXPECT_EQ(s.player.root_node_index, -1);
  EXPECT_EQ(s.player.select_node_index, -1);
  EXPECT_EQ(s.player.volume, 80);
  EXPECT_EQ(s.skin_name, "Default");
  EXPECT_TRUE(s.playlist.visible);
  EXPECT_TRUE(s.playlist.tree_visible);
  EXPECT_FALSE(s.main_window.left.has_value());
  EXPECT_DOUBLE_EQ(s.last_update_time, kNow - 0.5 + 10.0 / 86400);
  EXPECT_EQ(s.hotkeys, DefaultHotkeyBindings());
  EXPECT_EQ(s.hotkeys[0], (HotkeyBinding{3, 0x50}));
}

// What is written reads back the same, every key.
TEST(SettingsTest, RoundTrip) {
  Settings s;
  s.player = {4, 17, 2, 0, "2,http://radio.example/live", 35, -40};
  s.options.always_on_top = true;
  s.options.enabled_hotkeys = false;
  s.options.retry_num = 5;
  s.options.shutdown_time = 23 * 3600 + 30 * 60;
  s.options.timing_record_start_time = 7 * 3600 + 5;
  s.options.talk_clock_interval = 15;
  s.options.mute_talk_clock = true;
  s.last_update_time = 39392.75;
  s.skin_name = "Blue";
  s.cur_lng = "cht";
  s.main_window = {10, -20};
  s.playlist = {300, 40, 330, 200, false, false, false};
  s.hotkeys[3] = {0, 0};
  s.hotkeys[21] = {4, 0x70};

  IniFile ini;
  WriteSettings(s, ini);
  const Settings back = ReadSettings(IniFile::FromText(ini.Text()), kNow);
  EXPECT_EQ(back.player.cur_user_url, s.player.cur_user_url);
  EXPECT_EQ(back.player.balance, -40);
  EXPECT_EQ(back.player.select_node_index, 17);
  EXPECT_TRUE(back.options.always_on_top);
  EXPECT_FALSE(back.options.enabled_hotkeys);
  EXPECT_EQ(back.options.shutdown_time, s.options.shutdown_time);
  EXPECT_EQ(back.options.timing_record_start_time, s.options.timing_record_start_time);
  EXPECT_EQ(back.options.talk_clock_interval, 15);
  EXPECT_TRUE(back.options.mute_talk_clock);
  EXPECT_DOUBLE_EQ(back.last_update_time, 39392.75);
  EXPECT_EQ(back.skin_name, "Blue");
  EXPECT_EQ(back.cur_lng, "cht");
  EXPECT_EQ(back.main_window.top, -20);
  EXPECT_EQ(back.playlist.height, 200);
  EXPECT_FALSE(back.playlist.click_mode);
  EXPECT_EQ(back.hotkeys, s.hotkeys);
  EXPECT_EQ(ini.ReadString("Options", "ShutDownTime"), "23:30:00");
  EXPECT_EQ(ini.ReadString("Hotkeys", "Next"), "0,0");
}

// CurUserUrl is written only for a typed address.
TEST(SettingsTest, CurUserUrlOnlyForTypedAddress) {
  Settings s;
  s.player.cur_play_id = 1234;
  s.player.cur_user_url = "1,rtsp://x";
  IniFile ini;
  WriteSettings(s, ini);
  EXPECT_FALSE(ini.Value("Player", "CurUserUrl").has_value());
}

TEST(SettingsTest, HotkeyValues) {
  const TDefHotkey& play = DefaultHotkeys()[0];
  struct Case {
    std::optional<std::string> value;
    HotkeyBinding binding;
  } cases[] = {
      {std::nullopt, {3, 0x50}},  // missing: defaults
      {"", {0, 0}},               // present and empty: no hotkey
      {"6,65", {6, 65}},
      {"x,65", {3, 65}},
      {"6,y", {6, 0x50}},
      {"6", {6, 0x50}},
      {"1,2,3", {1, 0x50}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseHotkeyValue(c.value, play), c.binding) << c.value.value_or("<none>");
}

// Values that do not parse, including times in a foreign format, give the
// defaults; a broken LastUpdateTime too.
TEST(SettingsTest, UnparsableValuesGiveDefaults) {
  const Settings s = ReadSettings(IniFile::FromText("[Options]\r\nRetryDelay=soon\r\nShutDownTime=11:30 PM\r\n"
                                                    "TimingPlayTime=7.30.00\r\n[Update]\r\nLastUpdateTime=39392,5\r\n"),
                                  kNow);
  EXPECT_EQ(s.options.retry_delay, 3);
  EXPECT_EQ(s.options.shutdown_time, 0);
  EXPECT_EQ(s.options.timing_play_time, 0);
  EXPECT_DOUBLE_EQ(s.last_update_time, DefaultLastUpdateTime(kNow));
}

class SettingsFileTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::filesystem::path tazmel_ini_ = dir_ / "Tazmel.ini";
  std::filesystem::path user_ini_ = dir_ / "User.ini";
};

// ForceConfig: the start uses Tazmel.ini, User.ini gets those values at
// once, and Tazmel.ini afterwards holds ForceConfig=0.
TEST_F(SettingsFileTest, ForceConfigResetsUserSettings) {
  WriteFile(tazmel_ini_, "; shipped\r\n[Update]\r\nForceConfig=1\r\n[Player]\r\nVolume=55\r\n");
  WriteFile(user_ini_, "[Player]\r\nVolume=10\r\n[Channel]\r\n1=100001-Mine\r\n");
  LoadedSettings loaded = LoadSettings(tazmel_ini_, user_ini_, kNow);
  EXPECT_TRUE(loaded.forced);
  EXPECT_EQ(loaded.settings.player.volume, 55);
  EXPECT_EQ(ReadFile(tazmel_ini_), "; shipped\r\n[Update]\r\nForceConfig=0\r\n[Player]\r\nVolume=55\r\n");
  EXPECT_EQ(ReadProfileInteger(user_ini_, "Player", "Volume", 0), 55);
  EXPECT_EQ(ReadProfileString(user_ini_, "Channel", "1"), "100001-Mine");  // other keys stay

  LoadedSettings again = LoadSettings(tazmel_ini_, user_ini_, kNow);
  EXPECT_FALSE(again.forced);
  EXPECT_EQ(again.settings.player.volume, 55);
}

TEST_F(SettingsFileTest, ReadsUserIniNormally) {
  WriteFile(tazmel_ini_, "[Player]\r\nVolume=55\r\n");
  WriteFile(user_ini_, "[player]\r\nvolume=12\r\n");
  EXPECT_EQ(LoadSettings(tazmel_ini_, user_ini_, kNow).settings.player.volume, 12);
}

// An empty Play hotkey stays off after a restart and is written as 0,0.
TEST_F(SettingsFileTest, EmptyHotkeySurvivesRestart) {
  WriteFile(user_ini_, "[Hotkeys]\r\nPlay=\r\n");
  Settings s = LoadSettings(tazmel_ini_, user_ini_, kNow).settings;
  EXPECT_FALSE(s.hotkeys[0].IsSet());
  ASSERT_TRUE(SaveSettings(s, user_ini_));
  EXPECT_EQ(ReadProfileString(user_ini_, "Hotkeys", "Play"), "0,0");
  EXPECT_FALSE(LoadSettings(tazmel_ini_, user_ini_, kNow).settings.hotkeys[0].IsSet());
}

// An unreadable User.ini gives defaults and is not overwritten at close.
TEST_F(SettingsFileTest, UnreadableUserIni) {
  std::filesystem::create_directory(user_ini_);
  Settings s = LoadSettings(tazmel_ini_, user_ini_, kNow).settings;
  EXPECT_EQ(s.player.select_item_index, 0);
  EXPECT_TRUE(s.playlist.visible);
  EXPECT_FALSE(SaveSettings(s, user_ini_));
  EXPECT_TRUE(std::filesystem::is_directory(user_ini_));
}

TEST(WindowPlaceTest, CentredPair) {
  const Rect main = DefaultMainWindowPlace(1920, 1040, 275, 116);
  EXPECT_EQ(main.left, (1920 - 550) / 2);
  EXPECT_EQ(main.top, (1040 - 116) / 2);
  const Rect list = DefaultPlayListPlace(main);
  EXPECT_EQ(list.left, main.left + 275);
  EXPECT_EQ(list.top, main.top);
  EXPECT_EQ(list.width, 305);
  EXPECT_EQ(list.height, 116);
}

}  // namespace
}  // namespace tazmel
