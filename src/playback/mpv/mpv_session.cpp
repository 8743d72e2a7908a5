#include "playback/mpv/mpv_session.h"

#include <algorithm>
#include <new>
#include <stop_token>
#include <system_error>

#include "core/code_page.h"
#include "core/dispatcher.h"
#include "core/file_utils.h"
#include "core/text_utils.h"
#include "online/http_client.h"
#include "playback/mpv/mpv_errors.h"

namespace tazmel {
namespace {

// Documents may name documents, but not without end; and a clip tries only
// so many entries before it gives up.
constexpr int kMaxDocumentDepth = 4;
// Failing entries after the first few are tried this far apart, so that a
// list of dead links neither hammers its servers nor keeps the thread busy.
constexpr int kUnpacedEntries = 3;
constexpr std::chrono::milliseconds kEntryPace{50};

bool IsWebAddress(std::string_view address) {
  const std::string lower = AsciiLowerCopy(address.substr(0, 8));
  return lower.starts_with("http://") || lower.starts_with("https://");
}

// Addresses come from station data that a server delivers. The media
// engine would also open its own pseudo-protocols from them: read or close
// one of our file descriptors (fd://, fdclose://), stdin ("-"), generated
// sources (av://, lavf://) and more. Only network streams and files pass.
bool IsPlayableAddress(std::string_view address) {
  address = TrimControls(address);
  if (address.empty() || address == "-") return false;
  const std::size_t end = address.find("://");
  if (end == address.npos) return true;  // a local path
  static constexpr std::string_view kSchemes[] = {"http",  "https", "mms",   "mmsh",  "mmst", "rtsp",
                                                  "rtsps", "rtmp",  "rtmps", "rtmpt", "file"};
  const std::string scheme = AsciiLowerCopy(address.substr(0, end));
  return std::find(std::begin(kSchemes), std::end(kSchemes), scheme) != std::end(kSchemes);
}

std::string SchemeOf(std::string_view address) {
  const std::size_t end = address.find("://");
  if (end == address.npos) return "file";
  return AsciiLowerCopy(address.substr(0, end));
}

}  // namespace

// A document download on a worker thread. Stopping the thread cancels the
// transfer; the thread is joined when the fetch goes, so it never outlives
// what it reports to.
struct MpvSession::Fetch {
  std::atomic<bool> done{false};
  std::jthread thread;  // last: joined before `done` goes
};

MpvSession::MpvSession(Dispatcher& dispatcher, MpvSessionListener& listener, MpvDocFamily family)
    : dispatcher_(dispatcher), listener_(listener), family_(family) {
  balance_refresh_ = dispatcher_.CreateTimer([this] {
    // Seeking to where we are drops what the sound server holds, so the new
    // balance is heard at once rather than after the buffer has played.
    if (clip_.playing && !clip_.paused) core_->Command({"seek", "0", "relative+exact"});
  });
  balance_refresh_->SetSingleShot(true);
  stall_watch_ = dispatcher_.CreateTimer([this] { CheckStall(); });
  entry_pace_ = dispatcher_.CreateTimer([this] { PlayNextEntryNow(clip_.paced_error); });
  entry_pace_->SetSingleShot(true);
}

MpvSession::~MpvSession() {
  balance_refresh_.reset();
  stall_watch_.reset();
  entry_pace_.reset();
  // All stop at once; then each is joined as it goes.
  CancelFetches();
  fetches_.clear();
  core_.reset();
}

bool MpvSession::Init(const MpvOptions& options) {
  core_ = MpvCore::Create(dispatcher_, options, this);
  audio_.stream_volume = options.audio_output == "pulse" || options.audio_output == "pipewire";
  return core_ != nullptr;
}

void MpvSession::Open(std::string_view address) {
  CancelFetches();
  DropPendingEvents();
  ++serial_;
  // A document still to be fetched must not leave the old clip playing.
  core_->Command({"stop"});
  stall_watch_->Stop();
  entry_pace_->Stop();
  clip_ = {};
  clip_.active = true;
  last_error_ = PlayerError::kNone;
  // The proxy in force when the clip starts; the engine may have given the
  // station a proxy of its own just before.
  proxy_ = registry_ != nullptr ? ReadPlayerHttpProxy(*registry_, preferences_) : PlayerProxy{};
  ApplyNetworkPreferences();
  clip_.waiting.push_back({std::string(address), 0});
  listener_.OnSessionStarting();
  PlayNextEntry(kMpvErrorLoadingFailed);
}

// The proxy and buffer of the player's preferences, set before every load.
// The proxy's host was checked to be a plain name or address, so it cannot
// change the meaning of the option it goes into. No proxy means a direct
// connection: the media engine's HTTP layer would otherwise fall back to the
// http_proxy environment variable, so its own proxy option is given a value
// that names none.
void MpvSession::ApplyNetworkPreferences() {
  if (proxy_.host.empty()) {
    core_->SetString("http-proxy", "");
    core_->SetString("stream-lavf-o", "http_proxy=");
  } else {
    core_->SetString("stream-lavf-o", "");
    core_->SetString("http-proxy", "http://" + proxy_.host + ":" + std::to_string(proxy_.port) + "/");
  }
  const int buffer_s = registry_ != nullptr ? ReadPlayerBufferSeconds(*registry_, preferences_) : 0;
  initial_wait_s_ = buffer_s;
  if (buffer_s > 0) {
    // Wait for that much at the start and after running dry; read a little
    // further ahead than that so the wait can end.
    core_->SetString("cache-pause-initial", "yes");
    core_->SetDouble("cache-pause-wait", buffer_s);
    core_->SetDouble("cache-secs", buffer_s + 10.0);
  } else {
    core_->SetString("cache-pause-initial", "no");
    core_->SetDouble("cache-pause-wait", 1.0);
    core_->SetDouble("cache-secs", kDefaultCacheSeconds);
  }
}

void MpvSession::Close() {
  CancelFetches();
  DropPendingEvents();
  ++serial_;
  core_->Command({"stop"});
  stall_watch_->Stop();
  entry_pace_->Stop();
  clip_ = {};
}

void MpvSession::Pause() {
  if (!clip_.active) return;
  stall_watch_->Stop();
  clip_.paused = true;
  clip_.playing = false;
  core_->SetFlag("pause", true);
}

void MpvSession::Resume() {
  if (!clip_.active) return;
  clip_.paused = false;
  core_->SetFlag("pause", false);
  if (!clip_.entry.restarted) return;  // still starting: its playback restart decides
  // Cache changes are not followed while paused: look now. A refill still
  // under way reports its end as usual; otherwise the control's own resume
  // report stands for the end of any buffering reported before the pause.
  clip_.buffering = core_->Observed().paused_for_cache;
  clip_.playing = !clip_.buffering;
  if (clip_.buffering) WatchForStall();
}

void MpvSession::Seek(double seconds) {
  if (!clip_.entry.loaded) return;
  core_->SetDouble("time-pos", std::max(0.0, seconds));
}

void MpvSession::PlayNextEntry(int error) {
  if (clip_.entries_tried >= kUnpacedEntries && !clip_.waiting.empty()) {
    clip_.paced_error = error;
    entry_pace_->Start(kEntryPace);
    return;
  }
  PlayNextEntryNow(error);
}

void MpvSession::PlayNextEntryNow(int error) {
  while (!clip_.waiting.empty() && clip_.entries_tried < kMaxEntriesTried) {
    Entry entry = std::move(clip_.waiting.front());
    clip_.waiting.pop_front();
    ++clip_.entries_tried;
    const PlaylistDocKind kind = PlaylistDocKindByExtension(entry.address);
    if (FamilyOpens(kind)) {
      if (entry.depth >= kMaxDocumentDepth) continue;
      StartDocument(entry, kind, false);
      return;
    }
    clip_.current = std::move(entry);
    clip_.current_id = -1;
    clip_.current_sniffed = false;
    clip_.entry_ids.clear();
    clip_.entry = {};
    clip_.logged.reset();
    clip_.playing = clip_.paused = false;
    core_->SetFlag("pause", false);
    if (!IsPlayableAddress(clip_.current.address)) continue;
    if (std::optional<std::int64_t> id = core_->LoadFile(GbToUtf8(clip_.current.address))) {
      clip_.entry_ids.insert(*id);
      clip_.current_id = *id;
      return;
    }
  }
  // After an entry that played, failing ones that follow do not turn the
  // clip into an error.
  EndClip(clip_.any_played ? MpvClipEnd::kMediaEnded : MpvClipEnd::kError, error);
}

void MpvSession::TakeOverExpandedList(const MpvEndFile& end) {
  // The engine expanded a PLS or M3U in place and would go on through every
  // entry by itself. Its entries become ours instead, bounded and paced as
  // a document's are; loading the first of them drops the engine's copy.
  // The inserted entries follow one another; only the first few indexes
  // need a look.
  clip_.entry = {};
  std::vector<Entry> taken;
  const std::int64_t count = core_->GetInt64("playlist/count").value_or(0);
  const std::int64_t scan = std::min<std::int64_t>(count, 2 * kMaxDocumentEntries);
  for (std::int64_t i = 0; clip_.current.depth < kMaxDocumentDepth && i < scan; ++i) {
    if (taken.size() >= kMaxDocumentEntries) break;
    const std::string item = "playlist/" + std::to_string(i);
    const std::optional<std::int64_t> id = core_->GetInt64((item + "/id").c_str());
    if (!id || *id < end.insert_id || *id >= end.insert_id + end.insert_count) continue;
    if (std::optional<std::string> name = core_->GetString((item + "/filename").c_str())) {
      taken.push_back({IsValidUtf8(*name) ? Utf8ToGb(*name) : *name, clip_.current.depth + 1});
    }
  }
  for (auto it = taken.rbegin(); it != taken.rend(); ++it) clip_.waiting.push_front(std::move(*it));
  PlayNextEntry(kMpvErrorUnknownFormat);
}

bool MpvSession::FamilyOpens(PlaylistDocKind kind) const {
  switch (kind) {
    case PlaylistDocKind::kAsx:
    case PlaylistDocKind::kWpl:
      return family_ == MpvDocFamily::kWindowsMedia;
    case PlaylistDocKind::kRam:
    case PlaylistDocKind::kSmil:
      return family_ == MpvDocFamily::kRealMedia;
    case PlaylistDocKind::kNone:
      break;
  }
  return false;
}

void MpvSession::StartDocument(const Entry& entry, PlaylistDocKind kind, bool sniffed) {
  const std::uint64_t serial = serial_;
  clip_.logged.reset();
  if (!IsWebAddress(entry.address)) {
    // A local document is small and near: read it here. Its outcome is
    // reported through the event queue like everything else.
    std::string path = entry.address;
    if (AsciiLowerCopy(std::string_view(path).substr(0, 7)) == "file://") path.erase(0, 7);
    std::optional<std::string> text = ReadWholeFile(GbToUtf8(path), kMaxPlaylistDocBytes);
    OnDocument(serial, entry, kind, sniffed, std::move(text));
    return;
  }
  // Finished downloads are joined here so the list stays short.
  std::erase_if(fetches_, [](const std::unique_ptr<Fetch>& fetch) { return fetch->done.load(); });
  HttpRequest request;
  request.url = GbToUtf8(entry.address);
  request.proxy_host = proxy_.host;
  request.proxy_port = proxy_.port;
  auto fetch = std::make_unique<Fetch>();
  std::atomic<bool>* done = &fetch->done;
  try {
    fetch->thread =
        std::jthread([this, done, request = std::move(request), serial, entry, kind, sniffed,
                      alive = std::weak_ptr<int>(alive_), dispatcher = &dispatcher_](std::stop_token stop) mutable {
          std::atomic<bool> cancel{false};
          const std::stop_callback on_stop(stop, [&cancel] { cancel = true; });
          request.cancel = &cancel;
          try {
            HttpResult result = HttpGet(request);
            std::optional<std::string> text;
            Entry located = entry;
            std::optional<PlayerError> failure;
            if (!result.ok) {
              failure = result.status >= 400 ? PlayerError::kNotFound
                                             : PlayerErrorOfLogLine("http", result.error).value_or(PlayerError::kOther);
            } else {
              text = std::move(result.body);
              // Relative entries count from where the document really came from.
              if (!result.effective_url.empty()) located.address = Utf8ToGb(result.effective_url);
            }
            if (!stop.stop_requested()) {
              dispatcher->Post(
                  [this, alive, serial, located = std::move(located), kind, sniffed, text = std::move(text), failure] {
                    if (alive.expired()) return;
                    try {
                      if (serial == serial_) clip_.logged = failure;
                      OnDocument(serial, located, kind, sniffed, text);
                    } catch (const std::bad_alloc&) {
                      // The clip stays where it was.
                    }
                  });
            }
          } catch (const std::bad_alloc&) {
            // No document; the session gives up on it when it dies.
          }
          *done = true;
        });
  } catch (const std::system_error&) {
    // No thread for the download: the document cannot be had.
    OnDocument(serial, entry, kind, sniffed, std::nullopt);
    return;
  }
  fetches_.push_back(std::move(fetch));
}

void MpvSession::OnDocument(std::uint64_t serial, Entry entry, PlaylistDocKind kind, bool sniffed,
                            std::optional<std::string> text) {
  if (serial != serial_) return;
  if (!text) {
    PlayNextEntry(kMpvErrorLoadingFailed);
    return;
  }
  if (sniffed) kind = PlaylistDocKindByContent(*text);
  std::vector<std::string> entries = FamilyOpens(kind) ? ParsePlaylistDoc(kind, *text) : std::vector<std::string>{};
  if (entries.size() > kMaxDocumentEntries) entries.resize(kMaxDocumentEntries);
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    // Addresses here are in the data code page; a document's text is UTF-8
    // (XML's own, and what character references decode to), unless its
    // bytes say otherwise, when they are taken to be the data code page.
    const std::string named = IsValidUtf8(*it) ? Utf8ToGb(*it) : *it;
    clip_.waiting.push_front({ResolvePlaylistEntry(entry.address, named), entry.depth + 1});
  }
  PlayNextEntry(kMpvErrorUnknownFormat);
}

void MpvSession::CancelFetches() {
  for (auto& fetch : fetches_) fetch->thread.request_stop();
}

void MpvSession::OnMpvStartFile(std::int64_t entry_id) {
  clip_.entry = {.started = clip_.entry_ids.contains(entry_id)};
  if (clip_.entry.started && !clip_.connecting_reported) {
    clip_.connecting_reported = true;
    listener_.OnSessionConnecting();
  }
}

void MpvSession::OnMpvFileLoaded() {
  if (!clip_.entry.started) return;
  clip_.entry.loaded = true;
  clip_.network = core_->GetFlag("demuxer-via-network").value_or(false);
  // A live stream can neither seek nor tell its size; its "duration" only
  // tracks the end of what has been cached.
  clip_.live =
      clip_.network && !core_->GetFlag("seekable").value_or(false) && !core_->GetInt64("file-size").has_value();
  clip_.scheme = SchemeOf(core_->GetString("path").value_or(clip_.current.address));
  ReadDuration();
  listener_.OnSessionOpened();
  if (clip_.network && !clip_.buffering) {
    clip_.buffering = true;
    listener_.OnSessionBuffering(true);
  }
}

void MpvSession::OnMpvPlaybackRestart() {
  if (!clip_.entry.started || !clip_.entry.loaded) return;
  clip_.entry.restarted = true;
  if (clip_.playing || clip_.paused) {
    listener_.OnSessionPosition();  // a seek finished
    return;
  }
  // With a buffer time the media engine pauses for its cache right after
  // the restart; its notice may come only after this event, so a stream
  // that has less than the buffer time cached waits for it.
  const bool short_of_buffer = clip_.network && initial_wait_s_ > 0 &&
                               core_->GetDouble("demuxer-cache-duration").value_or(0) < initial_wait_s_ - 0.5;
  if (core_->Observed().paused_for_cache || short_of_buffer) {
    if (!clip_.buffering) {
      clip_.buffering = true;
      listener_.OnSessionBuffering(true);
    }
    return;
  }
  FinishBuffering();
}

void MpvSession::FinishBuffering() {
  stall_watch_->Stop();
  if (clip_.buffering) {
    clip_.buffering = false;
    listener_.OnSessionBuffering(false);
  }
  clip_.playing = true;
  clip_.any_played = clip_.entry.played = true;
  listener_.OnSessionPlaying();
}

void MpvSession::OnMpvPropertyChange(MpvProperty property) {
  if (!clip_.entry.started) return;
  const MpvObserved& observed = core_->Observed();
  switch (property) {
    case MpvProperty::kPausedForCache:
      if (!clip_.entry.restarted || clip_.paused) break;
      if (observed.paused_for_cache && !clip_.buffering) {
        clip_.buffering = true;
        clip_.playing = false;
        WatchForStall();
        listener_.OnSessionBuffering(true);
      } else if (!observed.paused_for_cache && clip_.buffering) {
        FinishBuffering();
      }
      break;
    case MpvProperty::kCacheBufferingState:
      if (clip_.buffering) listener_.OnSessionBufferingProgress(observed.cache_buffering_state);
      break;
    case MpvProperty::kTimePos:
      if (clip_.entry.loaded) ReadDuration();
      if (clip_.playing) listener_.OnSessionPosition();
      break;
    case MpvProperty::kMetadata:
      listener_.OnSessionMetadata();
      break;
  }
}

void MpvSession::OnMpvEndFile(const MpvEndFile& end) {
  if (!clip_.entry_ids.contains(end.entry_id)) return;  // an entry we already left
  clip_.entry_ids.erase(end.entry_id);
  if (end.reason == MpvEndReason::kRedirect) {
    TakeOverExpandedList(end);
    return;
  }
  const bool was_loaded = clip_.entry.loaded;
  const bool was_played = clip_.entry.played;
  clip_.entry = {};
  switch (end.reason) {
    case MpvEndReason::kError:
      if (was_played && clip_.live) {
        // A live stream that failed after it had played (its sound output
        // went away, say) was lost as one that ran dry is: the same stop.
        EndClip(MpvClipEnd::kDropped, end.error);
        return;
      }
      // Without a sound output no entry can play; a clip that ends on it
      // has not played, even when the engine had begun.
      if (end.error == kMpvErrorAudioOutputFailed) {
        EndClip(MpvClipEnd::kError, end.error);
        return;
      }
      // A web address the engine could not read may be a document of ours
      // (not so an entry of a PLS the engine expanded).
      if (end.error == kMpvErrorUnknownFormat && end.entry_id == clip_.current_id && !clip_.current_sniffed &&
          IsWebAddress(clip_.current.address) && clip_.current.depth < kMaxDocumentDepth) {
        clip_.current_sniffed = true;
        StartDocument(clip_.current, PlaylistDocKind::kNone, true);
        return;
      }
      PlayNextEntry(end.error);
      return;
    case MpvEndReason::kEof:
      if (!was_loaded) {
        PlayNextEntry(kMpvErrorLoadingFailed);
      } else if (clip_.live) {
        // A live stream has no end: the connection was lost.
        EndClip(MpvClipEnd::kDropped, 0);
      } else if (!clip_.waiting.empty()) {
        PlayNextEntry(0);
      } else {
        EndClip(MpvClipEnd::kMediaEnded, 0);
      }
      return;
    case MpvEndReason::kStop:
    case MpvEndReason::kQuit:
    case MpvEndReason::kUnknown:
    case MpvEndReason::kRedirect:
      // Our own stops forget the entry first, so this one ended by itself.
      EndClip(MpvClipEnd::kDropped, 0);
      return;
  }
}

// The media engine forgets the length when the entry ends, before its end
// reaches us (the last changes of an entry may already find it gone); so
// the last length it told is kept.
void MpvSession::ReadDuration() {
  if (clip_.live) {
    clip_.known_duration = 0;
  } else if (std::optional<double> duration = core_->GetDouble("duration")) {
    clip_.known_duration = std::max(0.0, *duration);
  }
}

void MpvSession::EndClip(MpvClipEnd end, int error) {
  stall_watch_->Stop();
  entry_pace_->Stop();
  switch (end) {
    case MpvClipEnd::kError:
      last_error_ = PlayerErrorOfCode(error, clip_.logged);
      clip_.error_awaits_log = error == kMpvErrorLoadingFailed && !clip_.logged;
      break;
    case MpvClipEnd::kDropped:
      // A stall the session noticed has said so already.
      if (last_error_ == PlayerError::kNone) {
        last_error_ = error != 0 ? PlayerErrorOfCode(error, clip_.logged) : clip_.logged.value_or(PlayerError::kOther);
      }
      break;
    case MpvClipEnd::kMediaEnded:
      break;
  }
  clip_.ended_duration = end == MpvClipEnd::kMediaEnded ? clip_.known_duration : 0;
  clip_.active = false;
  clip_.waiting.clear();
  clip_.entry_ids.clear();
  clip_.entry = {};
  clip_.buffering = clip_.playing = clip_.paused = false;
  listener_.OnSessionEnded(end, error);
}

void MpvSession::OnMpvLogMessage(std::string_view prefix, std::string_view text) {
  const std::optional<PlayerError> reason = PlayerErrorOfLogLine(prefix, text);
  if (!reason) return;
  if (clip_.entry.started) {
    clip_.logged = reason;
  } else if (clip_.error_awaits_log) {
    // The engine may tell why only after it has reported the end; the
    // control's error event, still queued, reads the reason later.
    last_error_ = *reason;
    clip_.error_awaits_log = false;
  }
}

void MpvSession::WatchForStall() {
  if (!clip_.network || !clip_.entry.played || stall_watch_->Active()) return;
  clip_.data_seen = dispatcher_.Now();
  clip_.cache_end = core_->GetDouble("demuxer-cache-time").value_or(0);
  stall_watch_->Start(std::chrono::seconds(1));
}

void MpvSession::CheckStall() {
  if (!clip_.active || !clip_.buffering || clip_.paused || !clip_.entry.played) {
    stall_watch_->Stop();
    return;
  }
  // What arrives extends the cache; the engine's rate figure keeps its
  // last value while nothing is read, so it cannot tell.
  const double cache_end = core_->GetDouble("demuxer-cache-time").value_or(0);
  const auto now = dispatcher_.Now();
  if (cache_end > clip_.cache_end) {
    clip_.data_seen = now;
    clip_.cache_end = cache_end;
    return;
  }
  if (now - clip_.data_seen < kStallLimit) return;
  // Lost. The engine is stopped, and the end it reports for the entry is
  // not ours any more.
  core_->Command({"stop"});
  last_error_ = PlayerError::kTimedOut;
  EndClip(MpvClipEnd::kDropped, 0);
}

void MpvSession::Emit(std::function<void()> event) {
  events_.push_back({generation_, std::move(event)});
  if (!flush_posted_) PostFlush();
}

void MpvSession::PostFlush() {
  flush_posted_ = true;
  dispatcher_.Post([this, alive = std::weak_ptr<int>(alive_)] {
    if (alive.expired()) return;
    try {
      Flush();
    } catch (...) {
      // A handler failed; what is still queued goes out with the next
      // flush rather than never.
      if (!alive.expired() && !events_.empty()) PostFlush();
    }
  });
}

void MpvSession::Flush() {
  flush_posted_ = false;
  const std::weak_ptr<int> alive = alive_;
  while (!events_.empty()) {
    Pending pending = std::move(events_.front());
    events_.pop_front();
    if (pending.generation != generation_) continue;
    pending.event();
    // A handler may have destroyed the control, and with it this session.
    if (alive.expired()) return;
  }
}

}  // namespace tazmel
