#pragma once

#include <functional>
#include <string>

namespace tazmel {

// What one page download brought back.
struct PageReply {
  enum class Status {
    kOk,
    kUnreachable,  // no answer, an error status, or the transfer failed
    kTooLong,      // the reply went past the size limit: a stream, most likely
  };
  Status status = Status::kUnreachable;
  std::string body;          // what arrived
  std::string content_type;  // the Content-Type header, "" when none came
};

// Downloads pages away from the user-interface thread.
class PageFetcher {
 public:
  virtual ~PageFetcher() = default;
  // Starts downloading `url`. `done` runs exactly once, later, on the
  // user-interface thread (never inside this call), unless the fetcher goes
  // away first.
  virtual void Fetch(const std::string& url, std::function<void(PageReply)> done) = 0;
  // Cuts every download under way short; each still reports, as a failure.
  virtual void CancelAll() = 0;
};

}  // namespace tazmel
