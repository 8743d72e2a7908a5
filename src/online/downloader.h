#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace tazmel {

// The update worker's HTTP client: GET with redirects and no proxy. Abort
// may come from another thread while a request runs: it only raises a flag
// that the transfer's progress callback reads, so curl closes its own
// connection; every later request fails at once without touching the
// network. Only 2xx answers count; an https address is never redirected
// down to http.
class TDownloader {
 public:
  TDownloader() = default;
  // Aborts, then waits until no request is in progress.
  ~TDownloader();
  TDownloader(const TDownloader&) = delete;
  TDownloader& operator=(const TDownloader&) = delete;

  // The body into `out` (emptied first); false on any failure, a body
  // longer than `max_bytes` included.
  bool GetStream(const std::string& url, std::string& out, std::size_t max_bytes);
  // The body as text, at most 64 KiB; empty on any failure.
  std::string GetString(const std::string& url);
  // The body split at CR LF, LF or CR; false on failure.
  bool GetLines(const std::string& url, std::vector<std::string>& lines);

  void Abort();
  bool Aborted() const { return aborted_.load(); }

  // For the whole of one request, redirects included.
  void SetTimeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

  static constexpr std::size_t kMaxTextBytes = 64 * 1024;

 private:
  class InProgress;

  std::atomic<bool> aborted_{false};
  std::atomic<int> in_progress_{0};
  std::chrono::milliseconds timeout_{30000};
};

}  // namespace tazmel
