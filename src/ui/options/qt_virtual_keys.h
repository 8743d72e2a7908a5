#pragma once

#include <Qt>

namespace tazmel {

// The Windows virtual-key code the settings store for a Qt key; 0 for a key
// without one. Keypad digits and operators need the keypad modifier.
int VirtualKeyOfQtKey(int qt_key, Qt::KeyboardModifiers modifiers);
// The hotkey modifier flags (1 Alt, 2 Ctrl, 4 Shift) held.
int HotkeyModifiersOf(Qt::KeyboardModifiers modifiers);

}  // namespace tazmel
