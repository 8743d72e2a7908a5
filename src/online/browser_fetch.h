#pragma once

#include <functional>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "online/page_fetcher.h"

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

// Downloads pages through the browser's proxy (10 s at most, 512 KiB at
// most), each on a worker thread of its own that posts the reply back
// through the dispatcher. The user-interface thread never waits for a
// transfer; going away stops and joins the workers still running, and the
// replies they posted are dropped. Threads: docs/ARCHITECTURE.md.
class BrowserPageFetcher : public PageFetcher {
 public:
  // Both must outlive the fetcher.
  BrowserPageFetcher(Dispatcher& dispatcher, const Registry& registry);
  ~BrowserPageFetcher() override;
  BrowserPageFetcher(const BrowserPageFetcher&) = delete;
  BrowserPageFetcher& operator=(const BrowserPageFetcher&) = delete;

  void Fetch(const std::string& url, std::function<void(PageReply)> done) override;
  void CancelAll() override;

 private:
  struct Worker {
    unsigned id = 0;
    std::jthread thread;
  };
  void Finish(unsigned id);

  Dispatcher& dispatcher_;
  const Registry& registry_;
  std::list<Worker> workers_;
  unsigned next_id_ = 0;
  // Posted replies hold it weakly: one arriving after the fetcher went away
  // finds it expired.
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tazmel
