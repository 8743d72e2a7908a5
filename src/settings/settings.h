#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "core/ini_file.h"
#include "settings/hotkey_table.h"

namespace tazmel {

// Everything the main window reads once at start-up and writes once at close.
// Times of day are seconds since midnight; date-time numbers are days since
// 1899-12-30.
struct Settings {
  struct Player {
    int root_node_index = -1;
    int select_node_index = -1;
    int select_item_index = 0;
    int cur_play_id = 0;  // station ID, 0 a typed address, -1 the music list
    std::string cur_user_url;
    int volume = 80;
    int balance = 0;
  } player;

  struct Options {
    bool always_on_top = false;
    bool timing_shutdown = false;
    int shutdown_time = 0;
    bool enabled_hotkeys = true;
    bool reconnect = true;
    int retry_num = 0;
    int retry_delay = 3;
    bool show_hint = true;
    bool enable_sound = false;
    bool auto_update = true;
    bool auto_play = false;
    bool auto_hide = false;
    bool video_form_visible = true;
    bool enabled_animate = true;
    bool tray_icon_visible = true;
    bool timing_play = false;
    int timing_play_time = 0;
    bool timing_record = false;
    int timing_record_start_time = 0;
    int timing_record_end_time = 0;
    bool auto_talk_clock = false;
    int talk_clock_interval = 60;
    bool mute_talk_clock = false;
    // A message about each new song while the window is hidden.
    bool notify_new_title = false;
  } options;

  double last_update_time = 0;
  std::string skin_name = "Default";
  std::string cur_lng;  // written at close; read separately, before the rest

  // Window places; unset until read or placed, then the windows' defaults
  // (DefaultMainWindowPlace and friends) apply.
  struct MainWindow {
    std::optional<int> left;
    std::optional<int> top;
  } main_window;

  struct PlayList {
    std::optional<int> left;
    std::optional<int> top;
    std::optional<int> width;
    std::optional<int> height;
    bool visible = true;
    bool tree_visible = true;
    bool click_mode = true;
  } playlist;

  HotkeyBindings hotkeys = DefaultHotkeyBindings();
};

// "Now minus 12 hours plus 10 seconds", the first-run LastUpdateTime.
double DefaultLastUpdateTime(double now);

// Reads the main window's settings from `ini` in their fixed order.
Settings ReadSettings(const IniFile& ini, double now);

// Writes them in their fixed order; every other line of `ini` stays.
void WriteSettings(const Settings& settings, IniFile& ini);

// The start-up flow: a set ForceConfig in Tazmel.ini is cleared there, the
// settings then come from Tazmel.ini and go straight into User.ini;
// otherwise they come from User.ini. An unreadable file gives the defaults.
struct LoadedSettings {
  Settings settings;
  bool forced = false;
};
LoadedSettings LoadSettings(const std::filesystem::path& tazmel_ini, const std::filesystem::path& user_ini, double now);

// Writes the settings into User.ini, keeping its other keys and sections.
// Fails, leaving the file alone, when it exists but cannot be read or when
// the new file cannot be written.
bool SaveSettings(const Settings& settings, const std::filesystem::path& user_ini);

// Hotkeys section rules: a present key with an empty value means no hotkey;
// otherwise "modifiers,key" where each part that is not a number falls back
// to the table default.
HotkeyBinding ParseHotkeyValue(const std::optional<std::string>& value, const TDefHotkey& def);
std::string FormatHotkeyValue(const HotkeyBinding& binding);

// Default window places: the main window and the playlist window centred as
// a pair in the work area; the playlist to the main window's right.
struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};
Rect DefaultMainWindowPlace(int work_width, int work_height, int main_width, int main_height);
Rect DefaultPlayListPlace(const Rect& main_window);

}  // namespace tazmel
