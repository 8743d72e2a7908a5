#include "online/browser_fetch.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "core/dispatcher.h"
#include "core/text_utils.h"
#include "online/http_client.h"
#include "platform/registry.h"

namespace tazmel {
namespace {

constexpr std::chrono::milliseconds kFetchTimeout{10000};
constexpr std::size_t kFetchMaxBytes = 512 * 1024;

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

BrowserPageFetcher::BrowserPageFetcher(Dispatcher& dispatcher, const Registry& registry)
    : dispatcher_(dispatcher), registry_(registry) {}

BrowserPageFetcher::~BrowserPageFetcher() {
  alive_.reset();
  CancelAll();
  workers_.clear();  // joins
}

void BrowserPageFetcher::Fetch(const std::string& url, std::function<void(PageReply)> done) {
  HttpRequest request;
  request.url = url;
  // The registry is read here, on the user-interface thread, not by the worker.
  const ProxySetting proxy = BrowserProxy(registry_);
  if (!proxy.host.empty()) {
    request.proxy_host = proxy.host;
    request.proxy_port = ProxyPortNumber(proxy.port);
  }
  request.timeout = kFetchTimeout;
  request.max_bytes = kFetchMaxBytes;

  const unsigned id = ++next_id_;
  std::weak_ptr<int> alive = alive_;
  auto post = [this, id, alive, done = std::move(done)](PageReply reply) mutable {
    dispatcher_.Post([this, id, alive, done = std::move(done), reply = std::move(reply)]() mutable {
      if (alive.expired()) return;
      Finish(id);
      done(std::move(reply));
    });
  };
  try {
    Worker& worker = workers_.emplace_back(Worker{.id = id, .thread = {}});
    worker.thread = std::jthread([request = std::move(request), post](std::stop_token stop) mutable {
      PageReply reply;
      try {
        request.stop = stop;
        HttpResult result = HttpGet(request);
        reply.status = result.ok          ? PageReply::Status::kOk
                       : result.truncated ? PageReply::Status::kTooLong
                                          : PageReply::Status::kUnreachable;
        reply.body = std::move(result.body);
        reply.content_type = std::move(result.content_type);
      } catch (const std::bad_alloc&) {
        reply = {};  // out of memory: a failed fetch like any other
      }
      post(std::move(reply));
    });
  } catch (const std::system_error&) {
    // No thread to run the transfer on: it fails, reported as promised.
    if (!workers_.empty() && !workers_.back().thread.joinable()) workers_.pop_back();
    post(PageReply{});
  }
}

void BrowserPageFetcher::CancelAll() {
  for (Worker& worker : workers_) worker.thread.request_stop();
}

// The worker has posted its reply and is about to end.
void BrowserPageFetcher::Finish(unsigned id) {
  workers_.remove_if([id](const Worker& worker) { return worker.id == id; });
}

}  // namespace tazmel
