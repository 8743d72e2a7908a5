#include "online/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <new>

namespace tazmel {
namespace {

constexpr long kMaxRedirects = 10;
constexpr std::chrono::milliseconds kMaxConnectTime{10000};

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlHandle = std::unique_ptr<CURL, CurlDeleter>;

void EnsureCurlInitialised() {
  static std::once_flag once;
  // Never cleaned up: other threads may still hold transfers at exit.
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Transfer {
  const HttpRequest* request;
  HttpResult* result;
};

size_t OnData(char* data, size_t size, size_t count, void* user) noexcept {
  auto* transfer = static_cast<Transfer*>(user);
  const size_t bytes = size * count;
  std::string& body = transfer->result->body;
  const size_t room = transfer->request->max_bytes - std::min(body.size(), transfer->request->max_bytes);
  try {
    body.append(data, std::min(bytes, room));
  } catch (const std::bad_alloc&) {
    return 0;  // out of memory: a short count makes curl fail the transfer
  }
  if (bytes > room) {
    transfer->result->truncated = true;
    return 0;
  }
  return bytes;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
  const auto* transfer = static_cast<Transfer*>(user);
  const std::atomic<bool>* cancel = transfer->request->cancel;
  return (cancel && cancel->load()) || transfer->request->stop.stop_requested() ? 1 : 0;
}

}  // namespace

std::string EncodeUrlBytes(std::string_view url) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (const char c : url) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte > ' ' && byte < 0x7F) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

HttpResult HttpGet(const HttpRequest& request) {
  HttpResult result;
  if (request.url.empty()) {
    result.error = "empty address";
    return result;
  }
  if ((request.cancel && request.cancel->load()) || request.stop.stop_requested()) {
    result.error = "cancelled";
    return result;
  }
  EnsureCurlInitialised();
  CurlHandle curl(curl_easy_init());
  if (!curl) {
    result.error = "cannot create a transfer";
    return result;
  }

  Transfer transfer{&request, &result};
  char error_text[CURL_ERROR_SIZE] = {};
  CURL* h = curl.get();
  const std::string url = EncodeUrlBytes(request.url);
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  // Addresses come from station data and web pages: only the web protocols,
  // so neither a link nor a redirect can read local files.
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  const bool https = url.size() >= 8 && curl_strnequal(url.c_str(), "https://", 8);
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, request.keep_https && https ? "https" : "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  const auto timeout = std::max(request.timeout, std::chrono::milliseconds(1));
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(std::min(timeout, kMaxConnectTime).count()));
  curl_easy_setopt(h, CURLOPT_USERAGENT, request.user_agent.c_str());
  // An empty proxy text keeps curl from taking one from http_proxy itself.
  curl_easy_setopt(h, CURLOPT_PROXY, request.proxy_host.c_str());
  if (!request.proxy_host.empty() && request.proxy_port > 0) {
    curl_easy_setopt(h, CURLOPT_PROXYPORT, static_cast<long>(request.proxy_port));
  }
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnData);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error_text);

  const CURLcode code = curl_easy_perform(h);

  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
  const char* text = nullptr;
  if (curl_easy_getinfo(h, CURLINFO_EFFECTIVE_URL, &text) == CURLE_OK && text) result.effective_url = text;
  text = nullptr;
  if (curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &text) == CURLE_OK && text) result.content_type = text;

  if (result.truncated) {
    result.error = "reply longer than " + std::to_string(request.max_bytes) + " bytes";
  } else if (code != CURLE_OK) {
    result.error = error_text[0] ? error_text : curl_easy_strerror(code);
  } else if (result.status >= 400) {
    result.error = "HTTP status " + std::to_string(result.status);
  } else {
    result.ok = true;
  }
  return result;
}

}  // namespace tazmel
