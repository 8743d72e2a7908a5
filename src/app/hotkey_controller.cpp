#include "app/hotkey_controller.h"

#include <QAction>
#include <QKeyEvent>

#include "app/global_hotkeys.h"
#include "app/main_window_controller.h"
#include "settings/hotkeys.h"
#include "ui/main/main_window.h"
#include "ui/options/qt_virtual_keys.h"

namespace tazmel {

HotkeyController::HotkeyController(TfrmMain& window, MainWindowController& commands)
    : window_(window),
      commands_(commands),
      grabs_(std::make_unique<GlobalHotkeys>([this](const HotkeyBinding& pressed) { Pressed(pressed); })) {
  window_.installEventFilter(this);
}

HotkeyController::~HotkeyController() { window_.removeEventFilter(this); }

void HotkeyController::SetEnabledHotkeys(bool on) {
  enabled_ = on;
  UnregisterHotkeys();
  if (!on) return;
  std::vector<HotkeyBinding> wanted;
  for (const HotkeyBinding& binding : bindings_) {
    if (IsGlobalCombination(binding)) wanted.push_back(binding);
  }
  grabs_->Register(wanted);
}

void HotkeyController::UnregisterHotkeys() { grabs_->Unregister(); }

void HotkeyController::Pressed(const HotkeyBinding& pressed) {
  if (!enabled_) return;
  if (const std::optional<int> index = FindHotkey(bindings_, pressed)) Run(*index, false);
}

void HotkeyController::Run(int index, bool in_window) {
  const auto trigger = [this](const char* name) {
    if (QAction* action = window_.Action(name); action && action->isEnabled()) action->trigger();
  };
  switch (index) {
    case 0:
      commands_.PlayCommand();
      break;
    case 1:
      trigger("nStop");
      break;
    case 2:
      trigger("nPreview");
      break;
    case 3:
      trigger("nNext");
      break;
    case 4:
      commands_.ToggleMute();
      break;
    case 5:
      window_.StepVolume(+1);
      break;
    case 6:
      window_.StepVolume(-1);
      break;
    case 7:
      emit window_.recordClicked();
      break;
    case 8:
      if (in_window) {
        commands_.HideCommand();
      } else {
        commands_.HideAllCommand();
      }
      break;
    case 19:
      commands_.PageChannels(-1);
      break;
    case 20:
      commands_.PageChannels(+1);
      break;
    // The talking clock's own command arrives with the talking clock.
    case 21:
      trigger("nTalkingClock");
      break;
    case 22:
      trigger("nSearch");
      break;
    default:
      // Num1 .. Num9, Num0: the channel buttons in their order.
      if (index >= 9 && index <= 18) commands_.PlayChannel(index - 9);
      break;
  }
}

// Ctrl + key inside the main window runs the entry with that key, whatever
// its global modifiers are.
bool HotkeyController::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers held =
        key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::MetaModifier);
    if (held == Qt::ControlModifier && !key->isAutoRepeat()) {
      if (const std::optional<int> index =
              FindWindowShortcut(bindings_, VirtualKeyOfQtKey(key->key(), key->modifiers()))) {
        Run(*index, true);
        return true;
      }
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tazmel
