#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tazmel {

class Dispatcher;
class Registry;

inline constexpr std::string_view kInternetSettingsKey =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// The web browser's proxy; both empty for none.
struct ProxySetting {
  std::string host;
  std::string port;
  bool operator==(const ProxySetting&) const = default;
};

// "ProxyServer" of the Internet settings when "ProxyEnable" is set, split at
// the first ":" (port "8080" without one). Otherwise the environment's
// http_proxy / HTTP_PROXY ("http://host:port/", "host:port" or "host").
ProxySetting BrowserProxy(const Registry& registry);

// The port as a number; 80 when it is not a valid port number.
int ProxyPortNumber(std::string_view port);

// Downloads the address through the browser's proxy (10 s at most, 512 KiB
// at most) and returns the reply; "" on any failure, including a reply cut
// off at the limit. The transfer runs on a worker thread while the calling
// user-interface thread keeps running `dispatcher.ProcessEvents`, so the
// windows stay responsive. Calls may nest: an event handled while waiting
// may start another fetch.
std::string BrowserProxyFetch(const std::string& url, Dispatcher& dispatcher, const Registry& registry);

// BrowserProxyFetch bound to the dispatcher and registry, in the form the
// stream address resolver takes. Both must outlive the callable.
std::function<std::string(const std::string&)> MakeBrowserFetch(Dispatcher& dispatcher, const Registry& registry);

}  // namespace tazmel
