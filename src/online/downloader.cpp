#include "online/downloader.h"

#include <thread>

#include "core/text_utils.h"
#include "online/http_client.h"

namespace tazmel {

class TDownloader::InProgress {
 public:
  explicit InProgress(TDownloader& owner) : owner_(owner) { ++owner_.in_progress_; }
  ~InProgress() { --owner_.in_progress_; }
  InProgress(const InProgress&) = delete;
  InProgress& operator=(const InProgress&) = delete;

 private:
  TDownloader& owner_;
};

TDownloader::~TDownloader() {
  Abort();
  while (in_progress_.load() > 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void TDownloader::Abort() { aborted_.store(true); }

bool TDownloader::GetStream(const std::string& url, std::string& out, std::size_t max_bytes) {
  InProgress busy(*this);
  out.clear();
  if (aborted_.load() || url.empty()) return false;
  HttpRequest request;
  request.url = url;
  request.timeout = timeout_;
  request.max_bytes = max_bytes;
  request.cancel = &aborted_;
  request.keep_https = true;
  HttpResult result = HttpGet(request);
  if (!result.ok || result.status < 200 || result.status > 299) return false;
  out = std::move(result.body);
  return true;
}

std::string TDownloader::GetString(const std::string& url) {
  std::string text;
  if (!GetStream(url, text, kMaxTextBytes)) return {};
  return text;
}

bool TDownloader::GetLines(const std::string& url, std::vector<std::string>& lines) {
  lines.clear();
  std::string text;
  if (!GetStream(url, text, kMaxTextBytes)) return false;
  ForEachLine(text, [&lines](std::string_view line) { lines.emplace_back(line); });
  return true;
}

}  // namespace tazmel
