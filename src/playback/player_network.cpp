#include "playback/player_network.h"

#include <algorithm>
#include <optional>

#include "core/text_utils.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "playback/media_kind.h"

namespace tazmel {
namespace {

constexpr std::string_view kRealPreferences = "\\Software\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\";
constexpr std::string_view kRealOldBrowserKey =
    "HKEY_CLASSES_ROOT\\Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\GetHTTPProxyFromBrowser";
constexpr std::string_view kRealBufferKey =
    "HKEY_CURRENT_USER\\Software\\RealNetworks\\RealMediaSDK\\6.0\\Preferences\\BufferedPlayTime";
constexpr std::string_view kWmp9ProxyRoot =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences\\ProxySettings\\";
constexpr std::string_view kWmp9Preferences = "HKEY_CURRENT_USER\\Software\\Microsoft\\MediaPlayer\\Preferences";
constexpr std::string_view kWmp6Local = "HKEY_CURRENT_USER\\Software\\Microsoft\\NetShow\\Player\\Local";
constexpr std::string_view kWmp6General = "HKEY_CURRENT_USER\\Software\\Microsoft\\NetShow\\Player\\General";

constexpr std::string_view kRealNames[RealProxySet::kCount] = {
    "HTTPProxyHost",          "HTTPProxyPort",       "HTTPProxySupport", "RTSPPNMProxyAutoConfig",
    "UseSystemProxySettings", "HTTPProxyAutoConfig", "RTSPProxySupport", "RTSPProxyPort",
    "RTSPProxyHost",          "PNAProxySupport",     "PNAProxyPort",     "PNAProxyHost"};

std::string Wmp9Key(std::string_view protocol) { return std::string(kWmp9ProxyRoot) + std::string(protocol); }

bool ReadInt(const Registry& registry, std::string_view key, std::string_view name, int& out) {
  const std::optional<int> value = registry.ReadInteger(key, name);
  if (!value) return false;
  out = *value;
  return true;
}

int SecondsOr(std::string_view text, int fallback) { return ParseInteger(TrimBlanks(text)).value_or(fallback); }

}  // namespace

ProxyAddress SplitProxyText(std::string_view text) {
  auto [host, port] = SplitHostPort(text);
  return {std::move(host), std::move(port)};
}

int ProxyPortOr80(std::string_view port) { return ParseInteger(TrimBlanks(port)).value_or(80); }

bool IsValidProxyHost(std::string_view host) {
  if (host.empty() || host.size() > 253) return false;
  if (host.front() == '[') {
    if (host.size() < 4 || host.back() != ']') return false;
    return std::all_of(host.begin() + 1, host.end() - 1, [](char c) {
      return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
    });
  }
  return std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '_' ||
           c == '.';
  });
}

bool IsUsableProxy(std::string_view host, int port) { return IsValidProxyHost(host) && port >= 1 && port <= 65535; }

std::string PlayerNetwork::RealKey(int member) const {
  const bool per_user = IsRealPlayer608Installed(registry_);
  if (member == RealProxySet::kHttpFromBrowser && !per_user) return std::string(kRealOldBrowserKey);
  return std::string(per_user ? "HKEY_CURRENT_USER" : "HKEY_CLASSES_ROOT") + std::string(kRealPreferences) +
         std::string(kRealNames[member]);
}

bool PlayerNetwork::Wmp9Installed() const { return IsWmp9Installed(registry_); }

RealProxySet PlayerNetwork::SaveRealProxy() const {
  RealProxySet set;
  for (int m = 0; m < RealProxySet::kCount; ++m) {
    set[m] = registry_.ReadString(RealKey(m), Registry::kDefaultValue).value_or("");
  }
  return set;
}

bool PlayerNetwork::RestoreRealProxy(RealProxySet set) {
  // One save of the file for all the values.
  Registry::Batch batch(registry_);
  const bool written = [&] {
    // Taking the proxy from the browser is written as the browser's current
    // proxy, made explicit.
    if (set[RealProxySet::kHttpFromBrowser] == "1") {
      const ProxySetting browser = BrowserProxy(registry_);
      if (!browser.host.empty() || !browser.port.empty()) {
        set[RealProxySet::kHttpHost] = browser.host;
        set[RealProxySet::kHttpPort] = browser.port;
        set[RealProxySet::kHttpSupport] = "1";
      } else {
        set[RealProxySet::kHttpSupport] = "0";
      }
    }
    for (int m = 0; m < RealProxySet::kCount; ++m) {
      if (!registry_.WriteString(RealKey(m), Registry::kDefaultValue, set[m])) return false;
    }
    return true;
  }();
  return batch.Commit() && written;
}

bool PlayerNetwork::SetRealProxy(std::string_view host, std::string_view port) {
  RealProxySet set;
  const std::string h(host);
  const std::string p(port);
  const std::string flag = host.empty() ? "0" : "1";
  set[RealProxySet::kHttpHost] = h;
  set[RealProxySet::kHttpPort] = p;
  set[RealProxySet::kHttpSupport] = flag;
  set[RealProxySet::kRtspPnmAutoConfig] = "0";
  set[RealProxySet::kHttpFromBrowser] = "0";
  set[RealProxySet::kHttpAutoConfig] = "0";
  set[RealProxySet::kRtspSupport] = flag;
  set[RealProxySet::kRtspPort] = p;
  set[RealProxySet::kRtspHost] = h;
  set[RealProxySet::kPnaSupport] = flag;
  set[RealProxySet::kPnaPort] = p;
  set[RealProxySet::kPnaHost] = h;
  return RestoreRealProxy(set);
}

bool PlayerNetwork::SaveWmp9Proxy(Wmp9ProxySet& set) const {
  const std::string http = Wmp9Key("HTTP"), mms = Wmp9Key("MMS"), rtsp = Wmp9Key("RTSP");
  if (!ReadInt(registry_, http, "ProxyStyle", set.http_style) ||
      !ReadInt(registry_, mms, "ProxyStyle", set.mms_style) ||
      !ReadInt(registry_, rtsp, "ProxyStyle", set.rtsp_style) ||
      !ReadInt(registry_, rtsp, "ProxyPort", set.rtsp_port) || !ReadInt(registry_, mms, "ProxyPort", set.mms_port) ||
      !ReadInt(registry_, http, "ProxyPort", set.http_port)) {
    return false;
  }
  set.rtsp_name = registry_.ReadString(rtsp, "ProxyName").value_or("");
  set.mms_name = registry_.ReadString(mms, "ProxyName").value_or("");
  set.http_name = registry_.ReadString(http, "ProxyName").value_or("");
  return true;
}

bool PlayerNetwork::RestoreWmp9Proxy(const Wmp9ProxySet& set) {
  // One save of the file for all the values.
  Registry::Batch batch(registry_);
  const bool written = [&] {
    struct Row {
      std::string_view protocol;
      int style;
      int port;
      const std::string& name;
    };
    for (const Row& row : {Row{"HTTP", set.http_style, set.http_port, set.http_name},
                           Row{"MMS", set.mms_style, set.mms_port, set.mms_name},
                           Row{"RTSP", set.rtsp_style, set.rtsp_port, set.rtsp_name}}) {
      const std::string key = Wmp9Key(row.protocol);
      if (!registry_.WriteInteger(key, "ProxyStyle", row.style) || !registry_.WriteString(key, "ProxyName", row.name) ||
          !registry_.WriteInteger(key, "ProxyPort", row.port)) {
        return false;
      }
    }
    return true;
  }();
  return batch.Commit() && written;
}

bool PlayerNetwork::SetWmp9Proxy(std::string_view host, std::string_view port) {
  const int style = host.empty() ? 0 : 2;
  const int number = ProxyPortOr80(port);
  const std::string name(host);
  return RestoreWmp9Proxy({style, style, style, number, number, number, name, name, name});
}

bool PlayerNetwork::SaveWmp6Proxy(Wmp6ProxySet& set) const {
  int auto_proxy = 0, enabled = 0;
  if (!ReadInt(registry_, kWmp6Local, "EnableAutoProxy", auto_proxy) ||
      !ReadInt(registry_, kWmp6Local, "ProxyEnabled", enabled)) {
    return false;
  }
  set.mode = enabled == 1 ? (auto_proxy == 1 ? 1 : auto_proxy == 0 ? 2 : 0) : 0;
  if (!ReadInt(registry_, kWmp6Local, "ProxyPort", set.port)) return false;
  set.host = registry_.ReadString(kWmp6Local, "ProxyHost").value_or("");
  return true;
}

bool PlayerNetwork::RestoreWmp6Proxy(const Wmp6ProxySet& set) {
  // One save of the file for all the values.
  Registry::Batch batch(registry_);
  const bool written = [&] {
    Registry& r = registry_;
    switch (set.mode) {
      case 1:
      case 3:
        return r.WriteInteger(kWmp6Local, "EnableAutoProxy", 1) && r.WriteInteger(kWmp6Local, "ProxyEnabled", 1) &&
               r.WriteInteger(kWmp6Local, "AppliedAutoProxy", 1);
      case 2:
        return r.WriteInteger(kWmp6Local, "EnableAutoProxy", 0) && r.WriteInteger(kWmp6Local, "ProxyEnabled", 1) &&
               r.WriteString(kWmp6Local, "ProxyHost", set.host) && r.WriteInteger(kWmp6Local, "ProxyPort", set.port) &&
               r.WriteInteger(kWmp6Local, "AppliedAutoProxy", 1);
      default:
        return r.WriteInteger(kWmp6Local, "EnableAutoProxy", 0) && r.WriteInteger(kWmp6Local, "ProxyEnabled", 0);
    }
  }();
  return batch.Commit() && written;
}

bool PlayerNetwork::SetWmp6Proxy(std::string_view host, std::string_view port) {
  return RestoreWmp6Proxy({2, ProxyPortOr80(port), std::string(host)});
}

ShownProxy PlayerNetwork::GetRealProxy() const {
  const RealProxySet set = SaveRealProxy();
  struct Protocol {
    int support, host, port;
  };
  constexpr Protocol kHttp{RealProxySet::kHttpSupport, RealProxySet::kHttpHost, RealProxySet::kHttpPort};
  constexpr Protocol kRtsp{RealProxySet::kRtspSupport, RealProxySet::kRtspHost, RealProxySet::kRtspPort};
  constexpr Protocol kPna{RealProxySet::kPnaSupport, RealProxySet::kPnaHost, RealProxySet::kPnaPort};
  for (const Protocol& p : {kHttp, kRtsp, kPna}) {
    if (set[p.support] == "1") return {set[p.host], set[p.port], true};
  }
  for (const Protocol& p : {kRtsp, kPna, kHttp}) {
    if (!set[p.host].empty()) return {set[p.host], set[p.port], false};
  }
  return {};
}

ShownProxy PlayerNetwork::GetWmpProxy() const {
  if (!Wmp9Installed()) {
    Wmp6ProxySet set;
    SaveWmp6Proxy(set);
    return {set.host, std::to_string(set.port), set.mode == 2};
  }
  Wmp9ProxySet set;
  SaveWmp9Proxy(set);
  struct Row {
    int style;
    int port;
    const std::string& name;
  };
  const Row http{set.http_style, set.http_port, set.http_name};
  const Row mms{set.mms_style, set.mms_port, set.mms_name};
  const Row rtsp{set.rtsp_style, set.rtsp_port, set.rtsp_name};
  for (const Row& r : {http, mms, rtsp}) {
    if (r.style == 2) return {r.name, std::to_string(r.port), true};
  }
  for (const Row& r : {mms, rtsp, http}) {
    if (!r.name.empty()) return {r.name, std::to_string(r.port), false};
  }
  return {};
}

bool PlayerNetwork::SetPlayersProxyEnabled(bool enabled) {
  // One save of the file for all the values.
  Registry::Batch batch(registry_);
  const bool written = [&] {
    const std::string flag = enabled ? "1" : "0";
    for (int m : {RealProxySet::kHttpSupport, RealProxySet::kRtspSupport, RealProxySet::kPnaSupport}) {
      if (!registry_.WriteString(RealKey(m), Registry::kDefaultValue, flag)) return false;
    }
    if (Wmp9Installed()) {
      for (std::string_view protocol : {"HTTP", "MMS", "RTSP"}) {
        if (!registry_.WriteInteger(Wmp9Key(protocol), "ProxyStyle", enabled ? 2 : 0)) return false;
      }
      return true;
    }
    if (!registry_.WriteInteger(kWmp6Local, "EnableAutoProxy", 0)) return false;
    if (!enabled) return registry_.WriteInteger(kWmp6Local, "ProxyEnabled", 0);
    return registry_.WriteInteger(kWmp6Local, "ProxyEnabled", 1) &&
           registry_.WriteInteger(kWmp6Local, "AppliedAutoProxy", 1);
  }();
  return batch.Commit() && written;
}

bool PlayerNetwork::WriteBufferTime(bool custom, std::string_view seconds_text) {
  // One save of the file for all the values.
  Registry::Batch batch(registry_);
  const bool written = [&] {
    if (Wmp9Installed()) {
      const int seconds = custom ? std::clamp(SecondsOr(seconds_text, 15), 1, 60) : 5;
      if (!registry_.WriteInteger(kWmp9Preferences, "CustomBufferTime", seconds * 1000) ||
          !registry_.WriteInteger(kWmp9Preferences, "UseDefaultBufferTime", custom ? 0 : 1)) {
        return false;
      }
    } else {
      const int seconds = custom ? std::clamp(SecondsOr(seconds_text, 15), 1, 30) : 3;
      if (!registry_.WriteInteger(kWmp6General, "Buffering Time", seconds * 1000)) return false;
    }
    const int real = custom ? std::clamp(SecondsOr(seconds_text, 5), 0, 300) : 5;
    return registry_.WriteString(kRealBufferKey, Registry::kDefaultValue, std::to_string(real));
  }();
  return batch.Commit() && written;
}

bool PlayerNetwork::ReadBufferTime(BufferTime& time) const {
  if (Wmp9Installed()) {
    int ms = 0, use_default = 0;
    if (!ReadInt(registry_, kWmp9Preferences, "CustomBufferTime", ms)) return false;
    time.seconds = ms / 1000;
    if (!ReadInt(registry_, kWmp9Preferences, "UseDefaultBufferTime", use_default)) return false;
    time.custom = use_default == 0;
    return true;
  }
  int ms = 0;
  if (!ReadInt(registry_, kWmp6General, "Buffering Time", ms)) return false;
  time.seconds = ms / 1000;
  return true;
}

int Wmp9BufferSeconds(const Registry& registry) {
  if (registry.ReadInteger(kWmp9Preferences, "UseDefaultBufferTime").value_or(1) != 0) return 0;
  return std::clamp(registry.ReadInteger(kWmp9Preferences, "CustomBufferTime").value_or(0) / 1000, 0, 60);
}

int Wmp6BufferSeconds(const Registry& registry) {
  return std::clamp(registry.ReadInteger(kWmp6General, "Buffering Time").value_or(0) / 1000, 0, 30);
}

int RealBufferSeconds(const Registry& registry) {
  const std::string text = registry.ReadString(kRealBufferKey, Registry::kDefaultValue).value_or("");
  return std::clamp(ParseInteger(TrimBlanks(text)).value_or(0), 0, 300);
}

}  // namespace tazmel
