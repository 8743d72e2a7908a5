#include "app/global_hotkeys.h"

#include <xcb/xcb.h>
#include <xcb/xproto.h>
#include <QCoreApplication>
#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <memory>

namespace tazmel {
namespace {

constexpr std::uint32_t kNumLockKeysym = 0xff7f;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

std::uint16_t XModifiers(int modifiers) {
  std::uint16_t x = 0;
  if (modifiers & kModCtrl) x |= XCB_MOD_MASK_CONTROL;
  if (modifiers & kModAlt) x |= XCB_MOD_MASK_1;
  if (modifiers & kModShift) x |= XCB_MOD_MASK_SHIFT;
  return x;
}

}  // namespace

std::uint32_t KeysymOfVirtualKey(int key) {
  if (key >= '0' && key <= '9') return static_cast<std::uint32_t>(key);
  if (key >= 'A' && key <= 'Z') return static_cast<std::uint32_t>(key - 'A' + 'a');
  if (key >= 96 && key <= 105) return 0xffb0 + static_cast<std::uint32_t>(key - 96);    // KP_0 ..
  if (key >= 112 && key <= 123) return 0xffbe + static_cast<std::uint32_t>(key - 112);  // F1 ..
  switch (key) {
    case 33:
      return 0xff55;  // Prior
    case 34:
      return 0xff56;  // Next
    case 35:
      return 0xff57;  // End
    case 36:
      return 0xff50;  // Home
    case 37:
      return 0xff51;  // Left
    case 38:
      return 0xff52;  // Up
    case 39:
      return 0xff53;  // Right
    case 40:
      return 0xff54;  // Down
    case 106:
      return 0xffaa;  // KP_Multiply
    case 107:
      return 0xffab;  // KP_Add
    case 109:
      return 0xffad;  // KP_Subtract
    case 110:
      return 0xffae;  // KP_Decimal
    case 111:
      return 0xffaf;  // KP_Divide
    case 186:
      return ';';
    case 187:
      return '=';
    case 188:
      return ',';
    case 189:
      return '-';
    case 190:
      return '.';
    case 191:
      return '/';
    case 192:
      return '`';
    case 219:
      return '[';
    case 220:
      return '\\';
    case 221:
      return ']';
    case 222:
      return '\'';
    default:
      return 0;
  }
}

GlobalHotkeys::GlobalHotkeys(std::function<void(const HotkeyBinding&)> pressed) : pressed_(std::move(pressed)) {
  auto* app = qGuiApp;
  if (app == nullptr) return;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  if (x11 == nullptr || x11->connection() == nullptr) return;
  connection_ = x11->connection();
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
  if (screens.rem == 0) {
    connection_ = nullptr;
    return;
  }
  root_ = screens.data->root;
  ReadKeyboard();
  QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalHotkeys::~GlobalHotkeys() {
  if (connection_ == nullptr) return;
  Unregister();
  if (QCoreApplication::instance() != nullptr) QCoreApplication::instance()->removeNativeEventFilter(this);
}

void GlobalHotkeys::ReadKeyboard() {
  const xcb_setup_t* setup = xcb_get_setup(connection_);
  min_keycode_ = setup->min_keycode;
  const int count = setup->max_keycode - setup->min_keycode + 1;
  keysyms_.clear();
  keysyms_per_keycode_ = 0;
  XcbReply<xcb_get_keyboard_mapping_reply_t> mapping(xcb_get_keyboard_mapping_reply(
      connection_, xcb_get_keyboard_mapping(connection_, min_keycode_, static_cast<std::uint8_t>(count)), nullptr));
  if (mapping) {
    keysyms_per_keycode_ = mapping->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    keysyms_.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(mapping.get()));
  }
  // Which modifier bit Num Lock sets differs between keyboards.
  num_lock_mask_ = 0;
  const std::uint8_t num_lock = KeycodeOf(kNumLockKeysym);
  XcbReply<xcb_get_modifier_mapping_reply_t> modifiers(
      xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr));
  if (modifiers && num_lock != 0) {
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(modifiers.get());
    const int per = modifiers->keycodes_per_modifier;
    for (int mod = 0; mod < 8; ++mod) {
      for (int i = 0; i < per; ++i) {
        if (codes[mod * per + i] == num_lock) num_lock_mask_ = static_cast<std::uint16_t>(1u << mod);
      }
    }
  }
}

std::uint8_t GlobalHotkeys::KeycodeOf(std::uint32_t keysym) const {
  if (keysym == 0 || keysyms_per_keycode_ == 0) return 0;
  const std::size_t per = static_cast<std::size_t>(keysyms_per_keycode_);
  for (std::size_t i = 0; i < keysyms_.size(); ++i) {
    if (keysyms_[i] == keysym) return static_cast<std::uint8_t>(min_keycode_ + i / per);
  }
  return 0;
}

std::vector<std::uint16_t> GlobalHotkeys::LockVariants() const {
  std::vector<std::uint16_t> variants = {0, XCB_MOD_MASK_LOCK};
  if (num_lock_mask_ != 0) {
    variants.push_back(num_lock_mask_);
    variants.push_back(static_cast<std::uint16_t>(num_lock_mask_ | XCB_MOD_MASK_LOCK));
  }
  return variants;
}

bool GlobalHotkeys::GrabAllLockStates(std::uint8_t keycode, std::uint16_t x_modifiers) {
  std::vector<xcb_void_cookie_t> cookies;
  for (std::uint16_t lock : LockVariants()) {
    cookies.push_back(xcb_grab_key_checked(connection_, 0, root_, static_cast<std::uint16_t>(x_modifiers | lock),
                                           keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
  }
  bool all = true;
  for (const xcb_void_cookie_t cookie : cookies) {
    // Another client holding it answers with an access error.
    XcbReply<xcb_generic_error_t> error(xcb_request_check(connection_, cookie));
    if (error) all = false;
  }
  if (!all) UngrabAllLockStates(keycode, x_modifiers);
  return all;
}

void GlobalHotkeys::UngrabAllLockStates(std::uint8_t keycode, std::uint16_t x_modifiers) {
  for (std::uint16_t lock : LockVariants()) {
    xcb_ungrab_key(connection_, keycode, root_, static_cast<std::uint16_t>(x_modifiers | lock));
  }
}

int GlobalHotkeys::Register(const std::vector<HotkeyBinding>& combinations) {
  Unregister();
  wanted_ = combinations;
  if (connection_ == nullptr) return 0;
  for (const HotkeyBinding& binding : combinations) {
    const std::uint8_t keycode = KeycodeOf(KeysymOfVirtualKey(binding.key));
    if (keycode == 0) continue;
    const std::uint16_t x_modifiers = XModifiers(binding.modifiers);
    const bool taken = std::any_of(grabs_.begin(), grabs_.end(),
                                   [&](const Grab& g) { return g.keycode == keycode && g.x_modifiers == x_modifiers; });
    if (taken) continue;
    if (GrabAllLockStates(keycode, x_modifiers)) grabs_.push_back({binding, keycode, x_modifiers});
  }
  xcb_flush(connection_);
  return static_cast<int>(grabs_.size());
}

void GlobalHotkeys::Unregister() {
  if (connection_ == nullptr) {
    grabs_.clear();
    return;
  }
  for (const Grab& grab : grabs_) UngrabAllLockStates(grab.keycode, grab.x_modifiers);
  grabs_.clear();
  xcb_flush(connection_);
}

std::vector<HotkeyBinding> GlobalHotkeys::Registered() const {
  std::vector<HotkeyBinding> out;
  for (const Grab& grab : grabs_) out.push_back(grab.binding);
  return out;
}

bool GlobalHotkeys::nativeEventFilter(const QByteArray& event_type, void* message, qintptr*) {
  if (event_type != "xcb_generic_event_t" || message == nullptr) return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & 0x7f) {
    case XCB_KEY_PRESS: {
      const auto* key = static_cast<const xcb_key_press_event_t*>(message);
      if (key->event != root_) return false;
      const std::uint16_t held =
          key->state & static_cast<std::uint16_t>(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT);
      for (const Grab& grab : grabs_) {
        if (grab.keycode == key->detail && grab.x_modifiers == held) {
          // Copied: the callback may register the combinations again.
          const HotkeyBinding binding = grab.binding;
          if (pressed_) pressed_(binding);
          return true;
        }
      }
      return false;
    }
    case XCB_MAPPING_NOTIFY: {
      // The keys may sit on other keycodes now: grab them there.
      const std::vector<HotkeyBinding> wanted = wanted_;
      Unregister();
      ReadKeyboard();
      Register(wanted);
      return false;
    }
    default:
      return false;
  }
}

}  // namespace tazmel
