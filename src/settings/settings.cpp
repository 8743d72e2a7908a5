#include "settings/settings.h"

#include "core/text_utils.h"
#include "core/time_utils.h"

namespace tazmel {
namespace {

constexpr char kPlayer[] = "Player";
constexpr char kOptions[] = "Options";
constexpr char kUpdate[] = "Update";
constexpr char kSkin[] = "Skin";
constexpr char kLanguage[] = "Language";
constexpr char kFrmMain[] = "frmMain";
constexpr char kFrmPlayList[] = "frmPlayList";
constexpr char kHotkeys[] = "Hotkeys";

int ReadTime(const IniFile& ini, const char* key, int default_value) {
  std::optional<std::string> text = ini.Value(kOptions, key);
  return text ? ParseTimeOfDay(*text).value_or(default_value) : default_value;
}

std::optional<int> ReadOptionalInt(const IniFile& ini, const char* section, const char* key) {
  std::optional<std::string> text = ini.Value(section, key);
  return text ? ParseInteger(*text) : std::nullopt;
}

void WriteOptionalInt(IniFile& ini, const char* section, const char* key, std::optional<int> value) {
  if (value) ini.WriteInteger(section, key, *value);
}

// Every Options key with its member, so reading and writing cannot drift.
struct BoolOption {
  const char* key;
  bool Settings::Options::*member;
};
struct IntOption {
  const char* key;
  int Settings::Options::*member;
  bool is_time;
};

constexpr BoolOption kBoolOptions[] = {
    {"AlwaysOnTop", &Settings::Options::always_on_top},
    {"TimingShutDown", &Settings::Options::timing_shutdown},
    {"EnabledHotkeys", &Settings::Options::enabled_hotkeys},
    {"Reconnect", &Settings::Options::reconnect},
    {"ShowHint", &Settings::Options::show_hint},
    {"EnableSound", &Settings::Options::enable_sound},
    {"AutoUpdate", &Settings::Options::auto_update},
    {"AutoPlay", &Settings::Options::auto_play},
    {"AutoHide", &Settings::Options::auto_hide},
    {"VideoFormVisible", &Settings::Options::video_form_visible},
    {"EnabledAnimate", &Settings::Options::enabled_animate},
    {"TrayIconVisible", &Settings::Options::tray_icon_visible},
    {"TimingPlay", &Settings::Options::timing_play},
    {"TimingRecord", &Settings::Options::timing_record},
    {"AutoTalkClock", &Settings::Options::auto_talk_clock},
    {"MuteTalkClock", &Settings::Options::mute_talk_clock},
    {"NotifyNewTitle", &Settings::Options::notify_new_title},
};

constexpr IntOption kIntOptions[] = {
    {"ShutDownTime", &Settings::Options::shutdown_time, true},
    {"RetryNum", &Settings::Options::retry_num, false},
    {"RetryDelay", &Settings::Options::retry_delay, false},
    {"TimingPlayTime", &Settings::Options::timing_play_time, true},
    {"TimingRecordStartTime", &Settings::Options::timing_record_start_time, true},
    {"TimingRecordEndTime", &Settings::Options::timing_record_end_time, true},
    {"TalkClockInterval", &Settings::Options::talk_clock_interval, false},
};

}  // namespace

double DefaultLastUpdateTime(double now) { return now - 0.5 + 10.0 / 86400.0; }

HotkeyBinding ParseHotkeyValue(const std::optional<std::string>& value, const TDefHotkey& def) {
  if (value && value->empty()) return {};
  std::string rest = value.value_or("");
  std::string modifiers = CutFirst(rest, ",");
  return {ParseInteger(modifiers).value_or(def.Modifiers), ParseInteger(rest).value_or(def.Key)};
}

std::string FormatHotkeyValue(const HotkeyBinding& b) {
  return std::to_string(b.modifiers) + "," + std::to_string(b.key);
}

Settings ReadSettings(const IniFile& ini, double now) {
  Settings s;
  const Settings defaults;

  auto& p = s.player;
  p.root_node_index = ini.ReadInteger(kPlayer, "RootNodeIndex", defaults.player.root_node_index);
  p.select_node_index = ini.ReadInteger(kPlayer, "SelectNodeIndex", defaults.player.select_node_index);
  p.select_item_index = ini.ReadInteger(kPlayer, "SelectItemIndex", defaults.player.select_item_index);
  p.cur_play_id = ini.ReadInteger(kPlayer, "CurPlayID", defaults.player.cur_play_id);
  p.cur_user_url = ini.ReadString(kPlayer, "CurUserUrl");
  p.volume = ini.ReadInteger(kPlayer, "Volume", defaults.player.volume);
  p.balance = ini.ReadInteger(kPlayer, "Balance", defaults.player.balance);

  for (const BoolOption& o : kBoolOptions) {
    s.options.*o.member = ini.ReadBool(kOptions, o.key, defaults.options.*o.member);
  }
  for (const IntOption& o : kIntOptions) {
    const int def = defaults.options.*o.member;
    s.options.*o.member = o.is_time ? ReadTime(ini, o.key, def) : ini.ReadInteger(kOptions, o.key, def);
  }

  std::optional<std::string> last = ini.Value(kUpdate, "LastUpdateTime");
  std::optional<double> parsed = last ? ParseDateTimeNumber(*last) : std::nullopt;
  s.last_update_time = parsed.value_or(DefaultLastUpdateTime(now));

  s.skin_name = ini.ReadString(kSkin, "SkinName", defaults.skin_name);
  s.cur_lng = ini.ReadString(kLanguage, "CurLng");

  s.main_window.left = ReadOptionalInt(ini, kFrmMain, "Left");
  s.main_window.top = ReadOptionalInt(ini, kFrmMain, "Top");
  s.playlist.left = ReadOptionalInt(ini, kFrmPlayList, "Left");
  s.playlist.top = ReadOptionalInt(ini, kFrmPlayList, "Top");
  s.playlist.width = ReadOptionalInt(ini, kFrmPlayList, "Width");
  s.playlist.height = ReadOptionalInt(ini, kFrmPlayList, "Height");
  s.playlist.visible = ini.ReadBool(kFrmPlayList, "Visible", defaults.playlist.visible);
  s.playlist.tree_visible = ini.ReadBool(kFrmPlayList, "TreeVisible", defaults.playlist.tree_visible);
  s.playlist.click_mode = ini.ReadBool(kFrmPlayList, "ClickMode", defaults.playlist.click_mode);

  for (int i = 0; i < kHotkeyCount; ++i) {
    const TDefHotkey& def = DefaultHotkeys()[i];
    s.hotkeys[i] = ParseHotkeyValue(ini.Value(kHotkeys, def.Name), def);
  }
  return s;
}

void WriteSettings(const Settings& s, IniFile& ini) {
  WriteOptionalInt(ini, kFrmMain, "Left", s.main_window.left);
  WriteOptionalInt(ini, kFrmMain, "Top", s.main_window.top);
  WriteOptionalInt(ini, kFrmPlayList, "Left", s.playlist.left);
  WriteOptionalInt(ini, kFrmPlayList, "Top", s.playlist.top);
  WriteOptionalInt(ini, kFrmPlayList, "Width", s.playlist.width);
  WriteOptionalInt(ini, kFrmPlayList, "Height", s.playlist.height);
  ini.WriteBool(kFrmPlayList, "Visible", s.playlist.visible);
  ini.WriteBool(kFrmPlayList, "TreeVisible", s.playlist.tree_visible);
  ini.WriteBool(kFrmPlayList, "ClickMode", s.playlist.click_mode);

  const auto& p = s.player;
  ini.WriteInteger(kPlayer, "RootNodeIndex", p.root_node_index);
  ini.WriteInteger(kPlayer, "SelectNodeIndex", p.select_node_index);
  ini.WriteInteger(kPlayer, "SelectItemIndex", p.select_item_index);
  ini.WriteInteger(kPlayer, "CurPlayID", p.cur_play_id);
  if (p.cur_play_id == 0) ini.WriteString(kPlayer, "CurUserUrl", p.cur_user_url);
  ini.WriteInteger(kPlayer, "Volume", p.volume);
  ini.WriteInteger(kPlayer, "Balance", p.balance);

  for (const BoolOption& o : kBoolOptions) ini.WriteBool(kOptions, o.key, s.options.*o.member);
  for (const IntOption& o : kIntOptions) {
    const int v = s.options.*o.member;
    if (o.is_time) {
      ini.WriteString(kOptions, o.key, FormatTimeOfDay(v));
    } else {
      ini.WriteInteger(kOptions, o.key, v);
    }
  }

  ini.WriteString(kSkin, "SkinName", s.skin_name);
  ini.WriteString(kLanguage, "CurLng", s.cur_lng);
  ini.WriteString(kUpdate, "LastUpdateTime", FormatDateTimeNumber(s.last_update_time));
  for (int i = 0; i < kHotkeyCount; ++i) {
    ini.WriteString(kHotkeys, DefaultHotkeys()[i].Name, FormatHotkeyValue(s.hotkeys[i]));
  }
}

LoadedSettings LoadSettings(const std::filesystem::path& tazmel_ini, const std::filesystem::path& user_ini,
                            double now) {
  LoadedSettings loaded;
  IniFile shipped;
  shipped.Load(tazmel_ini);
  loaded.forced = shipped.ReadBool(kUpdate, "ForceConfig", false);
  if (loaded.forced) WriteProfileString(tazmel_ini, kUpdate, "ForceConfig", "0");

  IniFile source;
  if (loaded.forced) {
    source = std::move(shipped);
  } else if (source.Load(user_ini) == IniFile::LoadStatus::kUnreadable) {
    // A file that cannot be read gives every default, and the fallbacks for
    // the tree and list positions and window visibility are those defaults.
    loaded.settings = Settings{};
    loaded.settings.last_update_time = DefaultLastUpdateTime(now);
    return loaded;
  }
  loaded.settings = ReadSettings(source, now);
  if (loaded.forced) SaveSettings(loaded.settings, user_ini);
  return loaded;
}

bool SaveSettings(const Settings& settings, const std::filesystem::path& user_ini) {
  IniFile ini;
  if (ini.Load(user_ini) == IniFile::LoadStatus::kUnreadable) return false;
  WriteSettings(settings, ini);
  return ini.Save(user_ini);
}

Rect DefaultMainWindowPlace(int work_width, int work_height, int main_width, int main_height) {
  return {(work_width - 2 * main_width) / 2, (work_height - main_height) / 2, main_width, main_height};
}

Rect DefaultPlayListPlace(const Rect& main) { return {main.left + main.width, main.top, main.width + 30, main.height}; }

}  // namespace tazmel
