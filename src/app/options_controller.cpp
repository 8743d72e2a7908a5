#include "app/options_controller.h"

#include <QAction>
#include <QCoreApplication>
#include <cstdlib>

#include "app/hotkey_controller.h"
#include "online/browser_fetch.h"
#include "platform/autostart.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/station_proxy.h"
#include "settings/settings.h"
#include "ui/main/main_window.h"
#include "ui/main/tray_icon.h"
#include "ui/options/options_dialog.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {

OptionsController::OptionsController(OptionsParts parts) : parts_(parts) {
  program_ = ToGb(QCoreApplication::applicationFilePath());
}

OptionsController::~OptionsController() = default;

OptionsState OptionsController::CurrentState() const {
  OptionsState state;
  state.options = parts_.settings.options;
  state.hotkeys = parts_.hotkeys.Bindings();
  state.options.enabled_hotkeys = parts_.hotkeys.Enabled();
  state.tray_click_tree = parts_.window.Tray().TrayClickTree();
  state.auto_run = AutostartExists();
  const ProxySetting browser = BrowserProxy(parts_.registry);
  state.browser = {browser.host, browser.port};
  // The user's own settings, never a station's proxy in force meanwhile. A
  // failing read leaves the rest as they are.
  parts_.proxies.WithUserSettings([&state](PlayerNetwork& network) {
    state.wmp9_installed = network.Wmp9Installed();
    state.real = network.SaveRealProxy();
    if (!network.SaveWmp9Proxy(state.wmp)) return;
    if (!state.wmp9_installed) {
      Wmp6ProxySet wmp6;
      if (!network.SaveWmp6Proxy(wmp6)) return;
      state.wmp.http_style = StyleOfWmp6Mode(wmp6.mode);
      state.wmp.http_port = wmp6.port;
      state.wmp.http_name = wmp6.host;
    }
    network.ReadBufferTime(state.buffer);
  });
  return state;
}

void OptionsController::Show(int page) {
  if (!dialog_) {
    dialog_ = std::make_unique<TfrmOptions>();
    TranslateWindow(*dialog_, parts_.language);
    dialog_->FormatCaptions(QCoreApplication::applicationName());
    connect(dialog_.get(), &TfrmOptions::applyRequested, this,
            [this] { dialog_->ApplyFinished(Apply(dialog_->Collect())); });
    connect(dialog_.get(), &TfrmOptions::proxyListRequested, this, [this] {
      if (parts_.open_proxy_list) parts_.open_proxy_list(dialog_.get());
    });
  }
  dialog_->Load(CurrentState());
  dialog_->ShowPage(page);
  dialog_->show();
  dialog_->raise();
  dialog_->activateWindow();
}

bool OptionsController::ApplyProxies(const OptionsState& s) {
  return parts_.proxies.WithUserSettings([&s](PlayerNetwork& network) {
    if (s.advanced) {
      return network.RestoreRealProxy(s.real) && network.RestoreWmp9Proxy(s.wmp) &&
             network.RestoreWmp6Proxy({Wmp6ModeOfStyle(s.wmp.http_style), s.wmp.http_port, s.wmp.http_name});
    }
    // A checked box without an address is no proxy at all.
    if (s.proxy && !s.proxy_host.empty()) {
      return network.SetRealProxy(s.proxy_host, s.proxy_port) && network.SetWmp9Proxy(s.proxy_host, s.proxy_port) &&
             network.SetWmp6Proxy(s.proxy_host, s.proxy_port);
    }
    return network.SetRealProxy("", "") && network.SetWmp9Proxy("", "");
  });
}

bool OptionsController::ApplyAutoRun(bool on) {
  if (!on) return RemoveAutostart();
  std::optional<std::filesystem::path> home;
  if (const char* value = std::getenv("TAZMEL_HOME"); value != nullptr && *value != '\0') home = value;
  return WriteAutostart(AutostartEntry(ToGb(QCoreApplication::applicationName()), program_, home));
}

void OptionsController::ApplyToProgram(const OptionsState& s) {
  Settings::Options& o = parts_.settings.options;
  const bool enabled_hotkeys = s.options.enabled_hotkeys;
  const bool always_on_top = o.always_on_top;
  o = s.options;
  o.always_on_top = always_on_top;  // the menu's, not the dialog's
  parts_.engine.SetOptions({.reconnect = o.reconnect,
                            .retry_num = o.retry_num,
                            .retry_delay = o.retry_delay,
                            .enable_sound = o.enable_sound,
                            .video_form_visible = o.video_form_visible});
  TrayIcon& tray = parts_.window.Tray();
  tray.SetEnabledAnimate(o.enabled_animate);
  tray.SetVisible(o.tray_icon_visible);
  tray.SetTrayClickTree(s.tray_click_tree);
  parts_.settings.hotkeys = s.hotkeys;
  parts_.hotkeys.SetBindings(s.hotkeys);
  parts_.hotkeys.SetEnabledHotkeys(enabled_hotkeys);
}

bool OptionsController::Apply(const OptionsState& state) {
  // Each step on its own: a failing write must not keep the others back.
  const bool proxies = ApplyProxies(state);
  const bool auto_run = ApplyAutoRun(state.auto_run);
  const bool buffer =
      PlayerNetwork(parts_.registry).WriteBufferTime(state.buffer.custom, std::to_string(state.buffer.seconds));
  ApplyToProgram(state);
  return proxies && auto_run && buffer;
}

bool OptionsController::PlayersProxyEnabled() const {
  return parts_.proxies.WithUserSettings(
      [](PlayerNetwork& network) { return network.GetRealProxy().enabled || network.GetWmpProxy().enabled; });
}

void OptionsController::SetPlayersProxyEnabled(bool on) {
  parts_.proxies.WithUserSettings([on](PlayerNetwork& network) { return network.SetPlayersProxyEnabled(on); });
}

}  // namespace tazmel
