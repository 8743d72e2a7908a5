#include "online/browser_fetch.h"

#include <cstdlib>
#include <memory>
#include <thread>

#include "core/dispatcher.h"
#include "core/text_utils.h"
#include "online/http_client.h"
#include "platform/registry.h"

namespace tazmel {
namespace {

constexpr std::chrono::milliseconds kFetchTimeout{10000};
constexpr std::size_t kFetchMaxBytes = 512 * 1024;
constexpr std::chrono::milliseconds kEventWait{50};

// "http://user@host:port/path" -> "host:port"; "host:port" and "host" stay.
ProxySetting ProxyFromEnvironmentText(std::string_view text) {
  text = TrimBlanks(text);
  if (const std::size_t scheme = text.find("://"); scheme != text.npos) text.remove_prefix(scheme + 3);
  text = text.substr(0, text.find('/'));
  if (const std::size_t at = text.rfind('@'); at != text.npos) text.remove_prefix(at + 1);
  if (text.empty()) return {};
  if (text.starts_with('[')) {
    // A bracketed IPv6 address holds colons of its own.
    const std::size_t close = text.find(']');
    if (close != text.npos) {
      const std::string_view rest = text.substr(close + 1);
      return {std::string(text.substr(0, close + 1)),
              rest.starts_with(':') ? std::string(rest.substr(1)) : std::string("8080")};
    }
  }
  auto [host, port] = SplitHostPort(text);
  return {std::move(host), std::move(port)};
}

ProxySetting ProxyFromEnvironment() {
  for (const char* name : {"http_proxy", "HTTP_PROXY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return ProxyFromEnvironmentText(value);
  }
  return {};
}

// What one fetch shares with its worker; it outlives whichever ends last.
struct PendingFetch {
  bool done = false;  // set on the user-interface thread by a posted call
  std::string text;
};

}  // namespace

ProxySetting BrowserProxy(const Registry& registry) {
  if (!registry.ReadBool(kInternetSettingsKey, "ProxyEnable")) return ProxyFromEnvironment();
  const std::string server = registry.ReadString(kInternetSettingsKey, "ProxyServer").value_or("");
  if (TrimBlanks(server).empty()) return {};
  auto [host, port] = SplitHostPort(server);
  return {std::move(host), std::move(port)};
}

int ProxyPortNumber(std::string_view port) {
  const std::optional<int> number = ParseInteger(port);
  return number && *number > 0 && *number <= 65535 ? *number : 80;
}

std::string BrowserProxyFetch(const std::string& url, Dispatcher& dispatcher, const Registry& registry) {
  if (url.empty()) return {};
  HttpRequest request;
  request.url = url;
  const ProxySetting proxy = BrowserProxy(registry);
  if (!proxy.host.empty()) {
    request.proxy_host = proxy.host;
    request.proxy_port = ProxyPortNumber(proxy.port);
  }
  request.timeout = kFetchTimeout;
  request.max_bytes = kFetchMaxBytes;

  auto pending = std::make_shared<PendingFetch>();
  std::jthread worker;  // joins on every way out, an exception included
  try {
    worker = std::jthread([request = std::move(request), pending, &dispatcher] {
      std::string text;
      try {
        HttpResult result = HttpGet(request);
        if (result.ok) text = std::move(result.body);
      } catch (...) {
        text.clear();  // out of memory: a failed fetch like any other
      }
      dispatcher.Post([pending, text = std::move(text)]() mutable {
        pending->text = std::move(text);
        pending->done = true;
      });
    });
  } catch (...) {
    return {};  // no thread to run the transfer on
  }
  // Everything, even a nested fetch, may run in here; this call's state
  // lives in `pending`, so an inner fetch completing first is harmless and
  // this call's completion may equally arrive inside an inner loop.
  while (!pending->done) dispatcher.ProcessEvents(kEventWait);
  worker.join();
  return std::move(pending->text);
}

std::function<std::string(const std::string&)> MakeBrowserFetch(Dispatcher& dispatcher, const Registry& registry) {
  return [&dispatcher, &registry](const std::string& url) { return BrowserProxyFetch(url, dispatcher, registry); };
}

}  // namespace tazmel
