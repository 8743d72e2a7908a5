#pragma once

#include <QObject>
#include <memory>

#include "settings/hotkey_table.h"

namespace tazmel {

class GlobalHotkeys;
class MainWindowController;
class TfrmMain;

// The 22 player commands given by hotkeys: system-wide grabs while
// EnabledHotkeys is set, and Ctrl + key inside the main window. Both run the
// commands the window's buttons and menu give.
class HotkeyController : public QObject {
  Q_OBJECT

 public:
  HotkeyController(TfrmMain& window, MainWindowController& commands);
  ~HotkeyController() override;

  // The current combinations, as the Options dialog shows and edits them.
  const HotkeyBindings& Bindings() const { return bindings_; }
  void SetBindings(const HotkeyBindings& bindings) { bindings_ = bindings; }
  bool Enabled() const { return enabled_; }
  // Stores the switch, releases every grab and, when on, grabs the table's
  // combinations again. Only those with Ctrl or Alt, or a function key,
  // are grabbed: the others would take typing from every program.
  void SetEnabledHotkeys(bool on);
  void UnregisterHotkeys();

  // Runs the command of a table entry; `in_window` is the main window's own
  // shortcut (HideAll then only hides the window).
  void Run(int index, bool in_window);
  // What a grabbed combination does: the first entry in test order.
  void Pressed(const HotkeyBinding& pressed);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TfrmMain& window_;
  MainWindowController& commands_;
  HotkeyBindings bindings_ = DefaultHotkeyBindings();
  bool enabled_ = false;
  std::unique_ptr<GlobalHotkeys> grabs_;
};

}  // namespace tazmel
