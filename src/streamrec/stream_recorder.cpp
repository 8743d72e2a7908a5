#include "streamrec/stream_recorder.h"

#include <curl/curl.h>

#include <memory>
#include <optional>
#include <utility>

#include "core/text_utils.h"

namespace tazmel {

namespace {

struct CurlDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

bool IsPlaylistType(std::string_view content_type) {
  const std::string type = AsciiLowerCopy(TrimBlanks(content_type.substr(0, content_type.find(';'))));
  return type.find("mpegurl") != std::string::npos || type.find("scpls") != std::string::npos ||
         type.find("pls+xml") != std::string::npos || type.starts_with("text/");
}

// Playlists larger than this are no station's playlist.
constexpr std::size_t kMaxPlaylistBytes = 64 * 1024;
constexpr int kMaxPlaylistHops = 3;

}  // namespace

std::string PlaylistStreamAddress(std::string_view document) {
  if (document.find("#EXT-X-") != std::string_view::npos) return {};  // HLS: segments, no continuous stream
  std::string found;
  ForEachLine(document, [&](std::string_view line) {
    if (!found.empty()) return;
    line = TrimControls(TrimBlanks(line));
    // "File1=http://..." in a PLS file, the address itself in M3U.
    if (AsciiLowerCopy(line.substr(0, 4)) == "file") {
      const std::size_t equals = line.find('=');
      if (equals != std::string_view::npos) line = TrimBlanks(line.substr(equals + 1));
    }
    const std::string lower = AsciiLowerCopy(line.substr(0, 8));
    if (lower.starts_with("http://") || lower.starts_with("https://")) found = std::string(line);
  });
  return found;
}

// What the transfer's callbacks share, on the worker thread only.
struct StreamRecorder::Shared {
  StreamRecordRequest request;
  std::stop_token stop;
  std::size_t metaint = 0;
  std::string content_type;
  std::optional<IcyDemux> demux;
  std::unique_ptr<TrackSplitter> splitter;
  std::string head;  // the first bytes, while the format is still unknown
  bool playlist = false;
  std::string document;  // the playlist's text
  std::size_t reported = 0;
  std::function<void(const TrackFile&)> report;

  void Begin(StreamFormat format) {
    TrackSplitterOptions options;
    options.folder = request.folder;
    options.format = format;
    options.overlap_seconds = request.overlap_seconds;
    options.untitled_name = request.untitled_name;
    splitter = std::make_unique<TrackSplitter>(std::move(options));
    if (metaint > 0) {
      demux.emplace(metaint);
    } else {
      splitter->NoTitles();
    }
  }

  void Take(std::string_view bytes) {
    if (!demux) {
      splitter->Audio(bytes);
    } else {
      demux->Feed(
          bytes, [this](std::string_view audio) { splitter->Audio(audio); },
          [this](std::string_view meta) {
            const IcyTitle title = ParseStreamTitle(meta);
            if (title.found) splitter->Title(title.title);
          });
    }
    while (reported < splitter->Files().size()) report(splitter->Files()[reported++]);
  }

  bool Write(std::string_view bytes) {
    if (!splitter && (playlist || IsPlaylistType(content_type))) {
      // A playlist where a stream was expected: read it, then follow it.
      playlist = true;
      document.append(bytes);
      return document.size() <= kMaxPlaylistBytes;
    }
    if (!splitter) {
      StreamFormat format = FormatFromContentType(content_type);
      if (format == StreamFormat::kUnknown) {
        // Without a usable type, the audio's own first bytes tell; the
        // metadata blocks come only after `metaint` of them.
        head.append(bytes);
        const std::string_view audio =
            metaint > 0 ? std::string_view(head).substr(0, std::min(head.size(), metaint)) : std::string_view(head);
        format = SniffFormat(audio);
        if (format == StreamFormat::kUnknown && audio.size() < 8192) return true;
        if (format == StreamFormat::kUnknown) format = StreamFormat::kMp3;
        Begin(format);
        const std::string held = std::move(head);
        Take(held);
        return splitter->Ok();
      }
      Begin(format);
    }
    Take(bytes);
    return splitter->Ok();
  }
};

StreamRecorder::StreamRecorder(Dispatcher& dispatcher, Events events)
    : dispatcher_(dispatcher), events_(std::move(events)) {}

StreamRecorder::~StreamRecorder() {
  alive_.reset();
  worker_ = {};  // asks the transfer to stop and joins it
}

bool StreamRecorder::Start(StreamRecordRequest request) {
  if (recording_) return false;
  worker_ = {};
  recording_ = true;
  worker_ = std::jthread(
      [this, request = std::move(request)](std::stop_token stop) mutable { Run(std::move(stop), std::move(request)); });
  return true;
}

void StreamRecorder::Stop() { worker_.request_stop(); }

// One connection to `url`; true when it turned out to be a playlist read
// whole, which the caller follows. Otherwise `result` says how it ended.
bool StreamRecorder::Transfer(const std::string& url, Shared& shared, const std::stop_token& stop,
                              StreamRecordResult& result) {
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  std::unique_ptr<curl_slist, SlistDeleter> headers(curl_slist_append(nullptr, "Icy-MetaData: 1"));
  if (!curl || !headers) {
    result.error = "No transfer could be set up";
  } else {
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Tazmel");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // Direct, like the players without a proxy, even when http_proxy is set.
    curl_easy_setopt(h, CURLOPT_PROXY, "");
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(shared.request.connect_timeout_seconds));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(shared.request.stall_timeout_seconds));
    // Old Shoutcast servers answer "ICY 200 OK".
    curl_easy_setopt(h, CURLOPT_HTTP09_ALLOWED, 1L);

    using HeaderFn = size_t (*)(char*, size_t, size_t, void*);
    HeaderFn on_header = [](char* data, size_t size, size_t count, void* user) -> size_t {
      auto* s = static_cast<Shared*>(user);
      std::string_view line(data, size * count);
      const std::size_t colon = line.find(':');
      if (colon != std::string_view::npos) {
        const std::string name = AsciiLowerCopy(TrimBlanks(line.substr(0, colon)));
        const std::string_view value = TrimControls(TrimBlanks(line.substr(colon + 1)));
        if (name == "icy-metaint") s->metaint = static_cast<std::size_t>(ParseInteger(value).value_or(0));
        if (name == "content-type") s->content_type = std::string(value);
      } else if (line.starts_with("HTTP/") || line.starts_with("ICY")) {
        // A redirect's headers do not count for the final reply.
        s->metaint = 0;
        s->content_type.clear();
      }
      return size * count;
    };
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &shared);

    using WriteFn = size_t (*)(char*, size_t, size_t, void*);
    WriteFn on_write = [](char* data, size_t size, size_t count, void* user) -> size_t {
      auto* s = static_cast<Shared*>(user);
      if (s->stop.stop_requested()) return 0;
      return s->Write(std::string_view(data, size * count)) ? size * count : 0;
    };
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, on_write);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &shared);

    using ProgressFn = int (*)(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    ProgressFn on_progress = [](void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) -> int {
      return static_cast<Shared*>(user)->stop.stop_requested() ? 1 : 0;
    };
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, on_progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &shared);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);

    const CURLcode code = curl_easy_perform(h);
    if (shared.splitter) shared.splitter->Finish();
    const bool stopped = stop.stop_requested();
    if (shared.playlist && code == CURLE_OK && !stopped) return true;
    if (shared.splitter && !shared.splitter->Ok()) {
      result.error = shared.splitter->Error();
    } else if (shared.playlist && !stopped) {
      result.error = "Playlist too large";
    } else if (code == CURLE_OK || stopped) {
      result.ok = true;
    } else {
      long status = 0;
      curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
      result.error = code == CURLE_HTTP_RETURNED_ERROR ? "HTTP " + std::to_string(status) : curl_easy_strerror(code);
    }
    if (shared.splitter) {
      // Any track begun in the last bytes is reported before the end.
      while (shared.reported < shared.splitter->Files().size()) {
        shared.report(shared.splitter->Files()[shared.reported++]);
      }
      result.files = shared.splitter->Files();
    }
  }
  return false;
}

void StreamRecorder::Run(std::stop_token stop, StreamRecordRequest request) {
  std::weak_ptr<int> alive = alive_;
  auto post = [this, alive](std::function<void()> call) {
    dispatcher_.Post([alive, call = std::move(call)] {
      if (!alive.expired()) call();
    });
  };

  auto report = [this, &post](const TrackFile& file) {
    post([this, file] {
      if (events_.track_started) events_.track_started(file);
    });
  };

  StreamRecordResult result;
  std::string url = request.url;
  for (int hop = 0;; ++hop) {
    Shared shared;
    shared.request = request;
    shared.stop = stop;
    shared.report = report;
    if (!Transfer(url, shared, stop, result)) break;
    // The address named a playlist: record what it names.
    url = PlaylistStreamAddress(shared.document);
    if (url.empty() || hop + 1 >= kMaxPlaylistHops) {
      result.ok = false;
      result.error = "No stream address in the playlist";
      break;
    }
  }
  post([this, result = std::move(result)] {
    recording_ = false;
    if (events_.ended) events_.ended(result);
  });
}

}  // namespace tazmel
