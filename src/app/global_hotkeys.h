#pragma once

#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>
#include <vector>

#include "settings/hotkey_table.h"

struct xcb_connection_t;

namespace tazmel {

// The X11 keysym a Windows virtual-key code stands for; 0 for none.
std::uint32_t KeysymOfVirtualKey(int key);

// System-wide key grabs on the root window, through Qt's own xcb
// connection. Each combination is grabbed for every state of Caps Lock and
// Num Lock, and checked: one that another client holds is left out without
// notice (it never fires). The grabs follow keyboard mapping changes. Where
// there is no X11 display this does nothing.
//
// Only the combinations the table names are grabbed; the media keys are
// left to the desktop's media-player interface.
class GlobalHotkeys : public QAbstractNativeEventFilter {
 public:
  // `pressed` gets the table's (modifiers, key) of a grabbed combination.
  explicit GlobalHotkeys(std::function<void(const HotkeyBinding&)> pressed);
  ~GlobalHotkeys() override;
  GlobalHotkeys(const GlobalHotkeys&) = delete;
  GlobalHotkeys& operator=(const GlobalHotkeys&) = delete;

  bool Available() const { return connection_ != nullptr; }
  // Releases every grab, then grabs these combinations; returns how many
  // could be grabbed.
  int Register(const std::vector<HotkeyBinding>& combinations);
  void Unregister();
  // The combinations grabbed now.
  std::vector<HotkeyBinding> Registered() const;

  bool nativeEventFilter(const QByteArray& event_type, void* message, qintptr* result) override;

 private:
  struct Grab {
    HotkeyBinding binding;
    std::uint8_t keycode = 0;
    std::uint16_t x_modifiers = 0;
  };
  void ReadKeyboard();
  std::uint8_t KeycodeOf(std::uint32_t keysym) const;
  bool GrabAllLockStates(std::uint8_t keycode, std::uint16_t x_modifiers);
  void UngrabAllLockStates(std::uint8_t keycode, std::uint16_t x_modifiers);
  std::vector<std::uint16_t> LockVariants() const;

  std::function<void(const HotkeyBinding&)> pressed_;
  xcb_connection_t* connection_ = nullptr;
  std::uint32_t root_ = 0;
  std::uint8_t min_keycode_ = 0;
  int keysyms_per_keycode_ = 0;
  std::vector<std::uint32_t> keysyms_;
  std::uint16_t num_lock_mask_ = 0;
  std::vector<HotkeyBinding> wanted_;
  std::vector<Grab> grabs_;
};

}  // namespace tazmel
