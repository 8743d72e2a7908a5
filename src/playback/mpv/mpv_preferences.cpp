#include "playback/mpv/mpv_preferences.h"

#include <string_view>

#include "core/text_utils.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "playback/media_kind.h"
#include "playback/player_network.h"

namespace tazmel {
namespace {

constexpr std::string_view kWmp9HttpProxyKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences\\ProxySettings\\HTTP";
constexpr std::string_view kWmp6ProxyKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\NetShow\\Player\\Local";
constexpr std::string_view kRealPreferences = "\\Software\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\";
constexpr std::string_view kRealBrowserProxyKey =
    "HKEY_CLASSES_ROOT\\Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\GetHTTPProxyFromBrowser";

PlayerProxy Given(std::string_view host, int port) {
  const std::string_view name = TrimBlanks(host);
  if (!IsUsableProxy(name, port)) return {};
  return {std::string(name), port};
}

PlayerProxy Browser(const Registry& registry) {
  const ProxySetting proxy = BrowserProxy(registry);
  return Given(proxy.host, ProxyPortNumber(proxy.port));
}

PlayerProxy Wmp9Proxy(const Registry& registry) {
  switch (registry.ReadInteger(kWmp9HttpProxyKey, "ProxyStyle").value_or(0)) {
    case 1:  // the browser's settings
    case 3:  // automatic detection: the browser's is what we can detect
      return Browser(registry);
    case 2:
      return Given(registry.ReadString(kWmp9HttpProxyKey, "ProxyName").value_or(""),
                   registry.ReadInteger(kWmp9HttpProxyKey, "ProxyPort").value_or(80));
    default:
      return {};
  }
}

PlayerProxy Wmp6Proxy(const Registry& registry) {
  if (!registry.ReadBool(kWmp6ProxyKey, "ProxyEnabled")) return {};
  if (registry.ReadBool(kWmp6ProxyKey, "EnableAutoProxy")) return Browser(registry);
  return Given(registry.ReadString(kWmp6ProxyKey, "ProxyHost").value_or(""),
               registry.ReadInteger(kWmp6ProxyKey, "ProxyPort").value_or(80));
}

PlayerProxy RealProxy(const Registry& registry) {
  // Each preference is a key of its own whose default value holds it; the
  // newer players keep them per user.
  const bool per_user = IsRealPlayer608Installed(registry);
  const std::string root = per_user ? "HKEY_CURRENT_USER" : "HKEY_CLASSES_ROOT";
  const auto read = [&](std::string_view name) {
    return registry.ReadString(root + std::string(kRealPreferences) + std::string(name), Registry::kDefaultValue)
        .value_or("");
  };
  if (TrimBlanks(read("HTTPProxySupport")) == "1") {
    return Given(read("HTTPProxyHost"), ProxyPortNumber(read("HTTPProxyPort")));
  }
  const std::string from_browser =
      per_user ? read("UseSystemProxySettings")
               : registry.ReadString(kRealBrowserProxyKey, Registry::kDefaultValue).value_or("");
  return TrimBlanks(from_browser) == "1" ? Browser(registry) : PlayerProxy{};
}

}  // namespace

PlayerProxy ReadPlayerHttpProxy(const Registry& registry, PlayerPreferences player) {
  switch (player) {
    case PlayerPreferences::kRealPlayer:
      return RealProxy(registry);
    case PlayerPreferences::kWmp6:
      return Wmp6Proxy(registry);
    case PlayerPreferences::kWmp9:
      return Wmp9Proxy(registry);
  }
  return {};
}

int ReadPlayerBufferSeconds(const Registry& registry, PlayerPreferences player) {
  switch (player) {
    case PlayerPreferences::kRealPlayer:
      return RealBufferSeconds(registry);
    case PlayerPreferences::kWmp6:
      return Wmp6BufferSeconds(registry);
    case PlayerPreferences::kWmp9:
      return Wmp9BufferSeconds(registry);
  }
  return 0;
}

}  // namespace tazmel
