#pragma once

// Hotkey texts ("Ctrl + Alt + P"), their parsing, which combinations may be
// grabbed system-wide, and which table entry a pressed combination runs.
// Key codes are the Windows virtual-key codes the settings files store.

#include <optional>
#include <string>
#include <string_view>

#include "settings/hotkey_table.h"

namespace tazmel {

// The key's name, "" for a key without one.
std::string KeyName(int key);
// The code of a key name; 0 for a name that is none.
int KeyCodeOfName(std::string_view name);

// "Ctrl + ", "Alt + ", "Shift + " as set, then the key's name; "" for (0, 0).
std::string HotkeyText(int modifiers, int key);
std::string HotkeyText(const HotkeyBinding& binding);
// The reverse; "" gives (0, 0).
HotkeyBinding ParseHotkeyText(std::string_view text);

// Whether a combination may become a system-wide grab: it needs Ctrl or Alt,
// or a function key, so that typing in other programs is never taken.
bool IsGlobalCombination(const HotkeyBinding& binding);

// Table indexes in the order a pressed combination is tested.
inline constexpr int kHotkeyTestOrder[kHotkeyCount] = {0,  1,  2,  3,  4,  7,  8,  5,  6,  9,  10, 11,
                                                       12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};
// The first entry, in test order, whose combination is the one pressed.
std::optional<int> FindHotkey(const HotkeyBindings& bindings, const HotkeyBinding& pressed);
// Inside the main window with Ctrl alone: the first entry whose key is it.
std::optional<int> FindWindowShortcut(const HotkeyBindings& bindings, int key);

// The capture field's text for a key pressed with those modifiers held:
// a named key pressed alone (not F1..F12) gets "Ctrl + Alt + " in front.
// Modifiers pressed alone give the modifier text, ending in a blank.
std::string CaptureText(int modifiers, int key);

}  // namespace tazmel
