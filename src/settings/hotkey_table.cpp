#include "settings/hotkey_table.h"

namespace tazmel {

const std::array<TDefHotkey, kHotkeyCount>& DefaultHotkeys() {
  constexpr int kCtrlAlt = kModCtrl | kModAlt;
  static constexpr std::array<TDefHotkey, kHotkeyCount> kTable = {{
      {"Play", kCtrlAlt, 0x50, "Play/Pause"},
      {"Stop", kCtrlAlt, 0x53, "Stop"},
      {"Preview", kCtrlAlt, 0x25, "Preview"},
      {"Next", kCtrlAlt, 0x27, "Next"},
      {"Mute", kCtrlAlt, 0x4D, "Mute"},
      {"IncVol", kCtrlAlt, 0x26, "Increase Volume"},
      {"DecVol", kCtrlAlt, 0x28, "Decrease Volume"},
      {"Record", kCtrlAlt, 0x52, "Record"},
      {"HideAll", kCtrlAlt, 0x48, "Hide All"},
      {"Num1", kCtrlAlt, 0x61, "Channel 1"},
      {"Num2", kCtrlAlt, 0x62, "Channel 2"},
      {"Num3", kCtrlAlt, 0x63, "Channel 3"},
      {"Num4", kCtrlAlt, 0x64, "Channel 4"},
      {"Num5", kCtrlAlt, 0x65, "Channel 5"},
      {"Num6", kCtrlAlt, 0x66, "Channel 6"},
      {"Num7", kCtrlAlt, 0x67, "Channel 7"},
      {"Num8", kCtrlAlt, 0x68, "Channel 8"},
      {"Num9", kCtrlAlt, 0x69, "Channel 9"},
      {"Num0", kCtrlAlt, 0x60, "Channel 10"},
      {"PageUp", kCtrlAlt, 0x21, "Pevious Page Radios"},
      {"PageDown", kCtrlAlt, 0x22, "Next Page Radios"},
      {"Clock", kCtrlAlt, 0x54, "Talking Clock"},
      {"Search", kCtrlAlt, 0x46, "Search Stations"},
  }};
  return kTable;
}

HotkeyBindings DefaultHotkeyBindings() {
  HotkeyBindings bindings;
  for (int i = 0; i < kHotkeyCount; ++i) {
    bindings[i] = {DefaultHotkeys()[i].Modifiers, DefaultHotkeys()[i].Key};
  }
  return bindings;
}

}  // namespace tazmel
