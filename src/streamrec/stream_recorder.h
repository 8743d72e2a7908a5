#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/dispatcher.h"
#include "streamrec/track_splitter.h"

namespace tazmel {

struct StreamRecordRequest {
  std::string url;
  std::filesystem::path folder;
  std::string untitled_name = "Stream";  // UTF-8
  double overlap_seconds = 3.0;
  // Connection set-up and "nothing received" limits.
  int connect_timeout_seconds = 15;
  int stall_timeout_seconds = 20;
};

// How a recording ended, as the user-interface thread hears it.
struct StreamRecordResult {
  bool ok = false;    // stopped by the owner, or the stream ended, with every file written
  std::string error;  // what failed otherwise (connection, HTTP status, disk)
  std::vector<TrackFile> files;
};

// Records a station's stream as it is sent, one file per title, over a
// connection of its own: the bytes and the metadata blocks arrive in the
// order the station interleaved them, so a title change is cut at the
// frame where the station put it, whatever the player does meanwhile.
//
// The transfer runs on a thread of its own; reports reach the
// user-interface thread through the dispatcher and are dropped once the
// recorder is gone.
class StreamRecorder {
 public:
  struct Events {
    std::function<void(const TrackFile& file)> track_started;
    std::function<void(const StreamRecordResult& result)> ended;
  };

  StreamRecorder(Dispatcher& dispatcher, Events events);
  ~StreamRecorder();
  StreamRecorder(const StreamRecorder&) = delete;
  StreamRecorder& operator=(const StreamRecorder&) = delete;

  // False while a recording runs. The previous worker, when still winding
  // down, is joined first (it has been told to stop and ends within a
  // second).
  bool Start(StreamRecordRequest request);
  // Asks the transfer to end; `ended` follows with the files.
  void Stop();
  bool Recording() const { return recording_; }

 private:
  struct Shared;
  void Run(std::stop_token stop, StreamRecordRequest request);
  bool Transfer(const std::string& url, Shared& shared, const std::stop_token& stop, StreamRecordResult& result);

  Dispatcher& dispatcher_;
  Events events_;
  bool recording_ = false;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
  std::jthread worker_;
};

// The stream a PLS or M3U playlist names first; empty for none, and for an
// HLS playlist, whose segments are no stream to record this way.
std::string PlaylistStreamAddress(std::string_view document);

}  // namespace tazmel
