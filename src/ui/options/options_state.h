#pragma once

#include <string>

#include "playback/player_network.h"
#include "settings/hotkey_table.h"
#include "settings/settings.h"

namespace tazmel {

// Everything the Options dialog shows and gives back on Apply.
struct OptionsState {
  Settings::Options options;
  bool tray_click_tree = false;
  bool auto_run = false;

  // The simple proxy for all players.
  bool proxy = false;
  std::string proxy_host;
  std::string proxy_port;
  BufferTime buffer;
  // The advanced pages' working copies. Without Windows Media Player 9 the
  // HTTP row of `wmp` holds the 6.4 player's mode as a style: none 0, the
  // given proxy 2, automatic 3.
  RealProxySet real;
  Wmp9ProxySet wmp;
  bool wmp9_installed = true;
  // The browser's proxy when the dialog was shown: what the RealPlayer
  // "browser" choice makes explicit.
  ProxyAddress browser;
  bool advanced = false;  // the proxy tabs were shown when applying

  HotkeyBindings hotkeys = DefaultHotkeyBindings();
};

// The 6.4 player's mode as the dialog's style and back: automatic is the
// "Auto detect" choice, not the browser's.
inline int StyleOfWmp6Mode(int mode) { return mode == 1 || mode == 3 ? 3 : mode == 2 ? 2 : 0; }
inline int Wmp6ModeOfStyle(int style) { return style == 3 || style == 1 ? 1 : style == 2 ? 2 : 0; }

}  // namespace tazmel
