#pragma once

#include <array>
#include <string_view>

namespace tazmel {

// Modifier flags of a hotkey.
inline constexpr int kModAlt = 1;
inline constexpr int kModCtrl = 2;
inline constexpr int kModShift = 4;

// One player command that a global hotkey can give, with its default keys
// (Windows virtual-key codes, which the settings files store).
struct TDefHotkey {
  std::string_view Name;  // settings key
  int Modifiers;
  int Key;
  std::string_view Caption;
};

struct HotkeyBinding {
  int modifiers = 0;
  int key = 0;
  bool operator==(const HotkeyBinding&) const = default;
  bool IsSet() const { return modifiers != 0 || key != 0; }
};

inline constexpr int kHotkeyCount = 23;

// The fixed table of commands in their settings and options-list order.
const std::array<TDefHotkey, kHotkeyCount>& DefaultHotkeys();

using HotkeyBindings = std::array<HotkeyBinding, kHotkeyCount>;
HotkeyBindings DefaultHotkeyBindings();

}  // namespace tazmel
