#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <stop_token>
#include <string>
#include <string_view>

namespace tazmel {

struct HttpRequest {
  std::string url;
  // Empty: no proxy at all, not even one named by the environment.
  std::string proxy_host;
  int proxy_port = 0;  // 0: the port given in proxy_host, else curl's default
  // For the whole transfer, redirects included.
  std::chrono::milliseconds timeout{10000};
  // A longer reply is cut off and fails, so an endless stream ends soon.
  std::size_t max_bytes = 512 * 1024;
  std::string user_agent = "Mozilla/3.0 (compatible; Indy Library)";
  // When set and it turns true, the transfer stops and fails.
  const std::atomic<bool>* cancel = nullptr;
  // The same for a worker's stop token.
  std::stop_token stop;
  // An https address may only be redirected to https addresses.
  bool keep_https = false;
};

struct HttpResult {
  bool ok = false;
  long status = 0;   // HTTP status of the last reply; 0 when none came
  std::string body;  // what arrived, also on failure (at most max_bytes)
  std::string effective_url;
  std::string content_type;
  bool truncated = false;  // the reply went past max_bytes
  std::string error;       // empty when ok
};

// The address with every byte libcurl would refuse percent-encoded: the
// bytes above 0x7E (code-page text in a path or query), blanks and controls.
// What is already encoded stays as it is.
std::string EncodeUrlBytes(std::string_view url);

// A blocking HTTP(S) GET that follows up to 10 redirects. The address goes
// through EncodeUrlBytes first. A status of 400 or
// above is a failure. Safe to call from any thread; each call uses a
// transfer of its own.
HttpResult HttpGet(const HttpRequest& request);

}  // namespace tazmel
