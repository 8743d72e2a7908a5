#pragma once

#include <QObject>
#include <functional>
#include <memory>

#include "ui/options/options_state.h"

class QWidget;

namespace tazmel {

class HotkeyController;
class IniFile;
class PlaybackEngine;
class Registry;
class StationProxyOverrides;
class TfrmMain;
class TfrmOptions;
struct Settings;

struct OptionsParts {
  TfrmMain& window;
  PlaybackEngine& engine;
  Settings& settings;
  Registry& registry;
  StationProxyOverrides& proxies;
  HotkeyController& hotkeys;
  const IniFile& language;
  // Opens the proxy list dialog over the given window; none leaves the
  // buttons without an effect.
  std::function<void(QWidget* parent)> open_proxy_list = {};
};

// The Options dialog's two ends: what it shows, read afresh on every show,
// and its Apply, which writes the players' network settings and the login
// start at once and puts everything else into the running program (the
// settings reach User.ini when the program closes).
class OptionsController : public QObject {
  Q_OBJECT

 public:
  explicit OptionsController(OptionsParts parts);
  ~OptionsController() override;

  // Shows the dialog, made on first use, on the page (1: Player; -1 keeps).
  void Show(int page = -1);
  TfrmOptions* Dialog() const { return dialog_.get(); }

  OptionsState CurrentState() const;
  // Runs every step even when one fails; false when one did.
  bool Apply(const OptionsState& state);

  // The main window's Use Proxy: checked while a player's own proxy is on;
  // switching it turns all of them on or off.
  bool PlayersProxyEnabled() const;
  void SetPlayersProxyEnabled(bool on);

  // The login start's entry names this program (tests point it elsewhere).
  void SetProgramFile(std::filesystem::path program) { program_ = std::move(program); }

 private:
  bool ApplyProxies(const OptionsState& state);
  bool ApplyAutoRun(bool on);
  void ApplyToProgram(const OptionsState& state);

  OptionsParts parts_;
  std::unique_ptr<TfrmOptions> dialog_;
  std::filesystem::path program_;
};

}  // namespace tazmel
