#include "playback/mpv/mpv_session.h"

#include <algorithm>
#include <charconv>

#include "core/code_page.h"
#include "core/dispatcher.h"
#include "core/file_utils.h"
#include "core/text_utils.h"
#include "online/http_client.h"

namespace tazmel {
namespace {

// Documents may name documents, but not without end; and a clip tries only
// so many entries before it gives up.
constexpr int kMaxDocumentDepth = 4;
constexpr int kMaxEntriesTried = 64;

bool IsWebAddress(std::string_view address) {
  const std::string lower = AsciiLowerCopy(address.substr(0, 8));
  return lower.starts_with("http://") || lower.starts_with("https://");
}

// Addresses come from station data that a server delivers. The media
// engine would also open its own pseudo-protocols from them: read or close
// one of our file descriptors (fd://, fdclose://), stdin ("-"), generated
// sources (av://, lavf://) and more. Only network streams and files pass.
bool IsPlayableAddress(std::string_view address) {
  while (!address.empty() && static_cast<unsigned char>(address.front()) <= ' ') address.remove_prefix(1);
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

bool IsValidUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t trail = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      trail = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      trail = 2;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      trail = 3;
    } else if (lead >= 0x80) {
      return false;
    }
    if (text.size() - i <= trail) return false;
    for (std::size_t k = 1; k <= trail; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += trail + 1;
  }
  return true;
}

std::string_view TrimSpace(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
  return text;
}

}  // namespace

// A document download on a worker thread. The session cancels and joins it
// before it dies, so the thread never outlives what it reports to.
struct MpvSession::Fetch {
  std::thread thread;
  std::atomic<bool> cancel{false};
  std::atomic<bool> done{false};
};

MpvSession::MpvSession(Dispatcher& dispatcher, MpvSessionListener& listener, MpvDocFamily family)
    : dispatcher_(dispatcher), listener_(listener), family_(family) {
  balance_refresh_ = dispatcher_.CreateTimer([this] {
    // Seeking to where we are drops what the sound server holds, so the new
    // balance is heard at once rather than after the buffer has played.
    if (playing_ && !paused_) core_->Command({"seek", "0", "relative+exact"});
  });
  balance_refresh_->SetSingleShot(true);
}

MpvSession::~MpvSession() {
  balance_refresh_.reset();
  for (auto& fetch : fetches_) fetch->cancel = true;
  for (auto& fetch : fetches_) fetch->thread.join();
  core_.reset();
}

bool MpvSession::Init(const MpvOptions& options) {
  core_ = MpvCore::Create(dispatcher_, options, this);
  stream_volume_ = options.audio_output == "pulse" || options.audio_output == "pipewire";
  return core_ != nullptr;
}

void MpvSession::ResetClipState() {
  waiting_.clear();
  entries_tried_ = 0;
  any_played_ = false;
  current_ = {};
  current_id_ = -1;
  current_sniffed_ = false;
  entry_ids_.clear();
  connecting_reported_ = false;
  started_ = loaded_ = restarted_ = entry_played_ = false;
  buffering_ = playing_ = paused_ = false;
  network_ = live_ = false;
  scheme_.clear();
  known_duration_ = ended_duration_ = 0;
}

void MpvSession::Open(std::string_view address) {
  CancelFetches();
  DropPendingEvents();
  ++serial_;
  // A document still to be fetched must not leave the old clip playing.
  core_->Command({"stop"});
  ResetClipState();
  clip_active_ = true;
  // The proxy in force when the clip starts; the engine may have given the
  // station a proxy of its own just before.
  proxy_ = registry_ != nullptr ? ReadPlayerHttpProxy(*registry_, preferences_) : PlayerProxy{};
  core_->SetString("http-proxy",
                   proxy_.host.empty() ? "" : "http://" + proxy_.host + ":" + std::to_string(proxy_.port) + "/");
  waiting_.push_back({std::string(address), 0});
  listener_.OnSessionStarting();
  PlayNextEntry(kMpvErrorLoadingFailed);
}

void MpvSession::Close() {
  CancelFetches();
  DropPendingEvents();
  ++serial_;
  core_->Command({"stop"});
  ResetClipState();
  clip_active_ = false;
}

void MpvSession::Pause() {
  if (!clip_active_) return;
  paused_ = true;
  playing_ = false;
  core_->SetFlag("pause", true);
}

void MpvSession::Resume() {
  if (!clip_active_) return;
  paused_ = false;
  core_->SetFlag("pause", false);
  if (!restarted_) return;  // still starting: its playback restart decides
  // Cache changes are not followed while paused: look now. A refill still
  // under way reports its end as usual; otherwise the control's own resume
  // report stands for the end of any buffering reported before the pause.
  buffering_ = core_->Observed().paused_for_cache;
  playing_ = !buffering_;
}

void MpvSession::Seek(double seconds) {
  if (!loaded_) return;
  core_->SetDouble("time-pos", std::max(0.0, seconds));
}

void MpvSession::PlayNextEntry(int error) {
  while (!waiting_.empty() && entries_tried_ < kMaxEntriesTried) {
    Entry entry = std::move(waiting_.front());
    waiting_.pop_front();
    ++entries_tried_;
    const PlaylistDocKind kind = PlaylistDocKindByExtension(entry.address);
    if (FamilyOpens(kind)) {
      if (entry.depth >= kMaxDocumentDepth) continue;
      StartDocument(entry, kind, false);
      return;
    }
    current_ = std::move(entry);
    current_id_ = -1;
    current_sniffed_ = false;
    entry_ids_.clear();
    started_ = loaded_ = restarted_ = entry_played_ = false;
    playing_ = paused_ = false;
    core_->SetFlag("pause", false);
    if (!IsPlayableAddress(current_.address)) continue;
    if (std::optional<std::int64_t> id = core_->LoadFile(GbToUtf8(current_.address))) {
      entry_ids_.insert(*id);
      current_id_ = *id;
      return;
    }
  }
  // After an entry that played, failing ones that follow do not turn the
  // clip into an error.
  EndClip(any_played_ ? MpvClipEnd::kMediaEnded : MpvClipEnd::kError, error);
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
  std::erase_if(fetches_, [](const std::unique_ptr<Fetch>& fetch) {
    if (!fetch->done) return false;
    fetch->thread.join();
    return true;
  });
  HttpRequest request;
  request.url = GbToUtf8(entry.address);
  request.proxy_host = proxy_.host;
  request.proxy_port = proxy_.port;
  auto fetch = std::make_unique<Fetch>();
  request.cancel = &fetch->cancel;
  Fetch* raw = fetch.get();
  try {
    fetch->thread = std::thread([this, raw, request = std::move(request), serial, entry, kind, sniffed,
                                 alive = std::weak_ptr<int>(alive_), dispatcher = &dispatcher_] {
      try {
        HttpResult result = HttpGet(request);
        std::optional<std::string> text;
        Entry located = entry;
        if (result.ok) {
          text = std::move(result.body);
          // Relative entries count from where the document really came from.
          if (!result.effective_url.empty()) located.address = Utf8ToGb(result.effective_url);
        }
        dispatcher->Post([this, alive, serial, located = std::move(located), kind, sniffed, text = std::move(text)] {
          if (alive.expired()) return;
          try {
            OnDocument(serial, located, kind, sniffed, text);
          } catch (...) {
            // Out of memory: the clip stays where it was.
          }
        });
      } catch (...) {
        // Out of memory: no document; the session gives up on it when it dies.
      }
      raw->done = true;
    });
  } catch (...) {
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
  const std::vector<std::string> entries =
      FamilyOpens(kind) ? ParsePlaylistDoc(kind, *text) : std::vector<std::string>{};
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    // Addresses here are in the data code page; a document's text is UTF-8
    // (XML's own, and what character references decode to), unless its
    // bytes say otherwise, when they are taken to be the data code page.
    const std::string named = IsValidUtf8(*it) ? Utf8ToGb(*it) : *it;
    waiting_.push_front({ResolvePlaylistEntry(entry.address, named), entry.depth + 1});
  }
  PlayNextEntry(kMpvErrorUnknownFormat);
}

void MpvSession::CancelFetches() {
  for (auto& fetch : fetches_) fetch->cancel = true;
}

void MpvSession::OnMpvStartFile(std::int64_t entry_id) {
  started_ = entry_ids_.contains(entry_id);
  loaded_ = restarted_ = entry_played_ = false;
  if (started_ && !connecting_reported_) {
    connecting_reported_ = true;
    listener_.OnSessionConnecting();
  }
}

void MpvSession::OnMpvFileLoaded() {
  if (!started_) return;
  loaded_ = true;
  network_ = core_->GetFlag("demuxer-via-network").value_or(false);
  // A live stream can neither seek nor tell its size; its "duration" only
  // tracks the end of what has been cached.
  live_ = network_ && !core_->GetFlag("seekable").value_or(false) && !core_->GetInt64("file-size").has_value();
  scheme_ = SchemeOf(core_->GetString("path").value_or(current_.address));
  ReadDuration();
  listener_.OnSessionOpened();
  if (network_ && !buffering_) {
    buffering_ = true;
    listener_.OnSessionBuffering(true);
  }
}

void MpvSession::OnMpvPlaybackRestart() {
  if (!started_ || !loaded_) return;
  restarted_ = true;
  if (playing_ || paused_) {
    listener_.OnSessionPosition();  // a seek finished
    return;
  }
  if (core_->Observed().paused_for_cache) {
    if (!buffering_) {
      buffering_ = true;
      listener_.OnSessionBuffering(true);
    }
    return;
  }
  FinishBuffering();
}

void MpvSession::FinishBuffering() {
  if (buffering_) {
    buffering_ = false;
    listener_.OnSessionBuffering(false);
  }
  playing_ = true;
  any_played_ = entry_played_ = true;
  listener_.OnSessionPlaying();
}

void MpvSession::OnMpvPropertyChange(MpvProperty property) {
  if (!started_) return;
  const MpvObserved& observed = core_->Observed();
  switch (property) {
    case MpvProperty::kPausedForCache:
      if (!restarted_ || paused_) break;
      if (observed.paused_for_cache && !buffering_) {
        buffering_ = true;
        playing_ = false;
        listener_.OnSessionBuffering(true);
      } else if (!observed.paused_for_cache && buffering_) {
        FinishBuffering();
      }
      break;
    case MpvProperty::kCacheBufferingState:
      if (buffering_) listener_.OnSessionBufferingProgress(observed.cache_buffering_state);
      break;
    case MpvProperty::kTimePos:
      if (loaded_) ReadDuration();
      if (playing_) listener_.OnSessionPosition();
      break;
    case MpvProperty::kMetadata:
      listener_.OnSessionMetadata();
      break;
  }
}

void MpvSession::OnMpvEndFile(const MpvEndFile& end) {
  if (!entry_ids_.contains(end.entry_id)) return;  // an entry we already left
  entry_ids_.erase(end.entry_id);
  if (end.reason == MpvEndReason::kRedirect) {
    // The engine expanded a PLS or M3U in place: its entries are ours.
    for (int i = 0; i < end.insert_count; ++i) entry_ids_.insert(end.insert_id + i);
    return;
  }
  const bool was_loaded = loaded_;
  const bool was_played = entry_played_;
  started_ = loaded_ = restarted_ = entry_played_ = false;
  if (end.reason == MpvEndReason::kEof || end.reason == MpvEndReason::kError) {
    // Within an expanded PLS or M3U the engine goes on to the next entry
    // by itself.
    const std::vector<std::int64_t> ids = core_->PlaylistIds();
    const auto at = std::find(ids.begin(), ids.end(), end.entry_id);
    if (at != ids.end() && std::any_of(at + 1, ids.end(), [&](std::int64_t id) { return entry_ids_.contains(id); })) {
      return;
    }
  }
  switch (end.reason) {
    case MpvEndReason::kError:
      if (was_played && live_) {
        // A live stream that failed after it had played (its sound output
        // went away, say) was lost as one that ran dry is: the same stop.
        EndClip(MpvClipEnd::kDropped, 0);
        return;
      }
      // A web address the engine could not read may be a document of ours
      // (not so an entry of a PLS the engine expanded).
      if (end.error == kMpvErrorUnknownFormat && end.entry_id == current_id_ && !current_sniffed_ &&
          IsWebAddress(current_.address) && current_.depth < kMaxDocumentDepth) {
        current_sniffed_ = true;
        StartDocument(current_, PlaylistDocKind::kNone, true);
        return;
      }
      PlayNextEntry(end.error);
      return;
    case MpvEndReason::kEof:
      if (!was_loaded) {
        PlayNextEntry(kMpvErrorLoadingFailed);
      } else if (live_) {
        // A live stream has no end: the connection was lost.
        EndClip(MpvClipEnd::kDropped, 0);
      } else if (!waiting_.empty()) {
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
  if (live_) {
    known_duration_ = 0;
  } else if (std::optional<double> duration = core_->GetDouble("duration")) {
    known_duration_ = std::max(0.0, *duration);
  }
}

void MpvSession::EndClip(MpvClipEnd end, int error) {
  ended_duration_ = end == MpvClipEnd::kMediaEnded ? known_duration_ : 0;
  clip_active_ = false;
  waiting_.clear();
  entry_ids_.clear();
  started_ = loaded_ = restarted_ = entry_played_ = false;
  buffering_ = playing_ = paused_ = false;
  listener_.OnSessionEnded(end, error);
}

void MpvSession::OnMpvAudioReconfig() {
  // A new audio output starts at its own volume.
  ApplyVolume();
}

void MpvSession::SetVolume(int volume) {
  volume_ = std::clamp(volume, 0, 100);
  ApplyVolume();
}

void MpvSession::SetMute(bool mute) {
  mute_ = mute;
  ApplyVolume();
}

void MpvSession::SetBalance(int balance) {
  balance_ = std::clamp(balance, -100, 100);
  ApplyBalance();
}

void MpvSession::ApplyVolume() {
  // The sound server's volume for our stream acts at once; the engine's
  // software volume only reaches what has not been buffered yet (up to a
  // second with our buffer). So the stream's volume is used whenever the
  // output has one of its own, and the software volume stays at 100 then;
  // before the output exists there is nothing to set, and the output's
  // reconfiguration applies it. Other outputs (null, or ALSA, whose volume
  // would be the system mixer's) use the software volume.
  bool software = !stream_volume_;
  if (stream_volume_ && core_->GetString("current-ao").has_value()) {
    software = !(core_->SetDouble("ao-volume", volume_) && core_->SetFlag("ao-mute", mute_));
  }
  core_->SetDouble("volume", software ? volume_ : 100);
  core_->SetFlag("mute", software && mute_);
}

void MpvSession::ApplyBalance() {
  std::string filter;
  if (balance_ != 0) {
    // -1..1 towards the right; written without the locale's decimal mark.
    char number[16];
    const auto [end, ec] = std::to_chars(number, number + sizeof number, balance_ / 100.0, std::chars_format::fixed, 2);
    filter = "@balance:lavfi=[stereotools=balance_out=" + std::string(number, end) + "]";
  }
  if (filter == applied_filter_) return;
  if (!core_->SetString("af", filter)) return;
  applied_filter_ = filter;
  // The filter acts before the sound server's buffer, which would play the
  // old balance for another second. Once a slider has come to rest that
  // buffer is dropped, at the cost of a moment's silence; moves in quick
  // succession share one drop.
  if (stream_volume_ && playing_) balance_refresh_->Start(std::chrono::milliseconds(150));
}

double MpvSession::Position() const {
  if (!loaded_) return 0;
  return std::max(0.0, core_->GetDouble("time-pos").value_or(0));
}

double MpvSession::Duration() const {
  if (!loaded_) return clip_active_ ? 0 : ended_duration_;
  if (live_) return 0;
  return std::max(0.0, core_->GetDouble("duration").value_or(0));
}

int MpvSession::ClipBitrate() const {
  if (!loaded_) return 0;
  // The nominal rates of the tracks; the measured ones jitter.
  const double audio =
      core_->GetDouble("current-tracks/audio/demux-bitrate").value_or(core_->GetDouble("audio-bitrate").value_or(0));
  const double video =
      core_->GetDouble("current-tracks/video/demux-bitrate").value_or(core_->GetDouble("video-bitrate").value_or(0));
  return static_cast<int>(std::clamp(audio + video, 0.0, 2e9));
}

int MpvSession::ArrivalRate() const {
  if (!loaded_ || !network_) return 0;
  const std::int64_t bytes_per_second = core_->GetInt64("cache-speed").value_or(0);
  return static_cast<int>(std::clamp<std::int64_t>(bytes_per_second * 8, 0, 2'000'000'000));
}

int MpvSession::BufferingPercent() const {
  if (buffering_) return std::clamp(core_->Observed().cache_buffering_state, 0, 100);
  return playing_ || paused_ ? 100 : 0;
}

std::string MpvSession::SourceProtocol() const { return scheme_; }

int MpvSession::VideoWidth() const {
  return loaded_ ? static_cast<int>(core_->GetInt64("video-params/w").value_or(0)) : 0;
}

int MpvSession::VideoHeight() const {
  return loaded_ ? static_cast<int>(core_->GetInt64("video-params/h").value_or(0)) : 0;
}

std::string MpvSession::MetadataText(std::initializer_list<std::string_view> keys) const {
  if (!clip_active_) return {};
  for (std::string_view key : keys) {
    for (const auto& [name, value] : core_->Observed().metadata) {
      if (!EqualsNoCase(name, key)) continue;
      const std::string_view text = TrimSpace(value);
      // Stations send their titles in their own code page, which the engine
      // may hand on as it is; bytes that are not UTF-8 are most likely
      // already the data code page.
      if (!text.empty()) return IsValidUtf8(text) ? Utf8ToGb(text) : std::string(text);
    }
  }
  return {};
}

// ICY streams name the song in icy-title and the station in icy-name.
std::string MpvSession::Title() const { return MetadataText({"icy-title", "title", "icy-name"}); }
std::string MpvSession::Author() const { return MetadataText({"artist", "author", "album_artist", "icy-name"}); }
std::string MpvSession::Copyright() const { return MetadataText({"copyright"}); }
std::string MpvSession::Genre() const { return MetadataText({"genre", "icy-genre"}); }
std::string MpvSession::ProviderUrl() const { return MetadataText({"icy-url"}); }

std::string MpvSession::AudioLanguage() const {
  if (!loaded_) return {};
  for (const char* property : {"current-tracks/audio/lang", "metadata/by-key/language"}) {
    const std::string value(TrimSpace(core_->GetString(property).value_or("")));
    if (!value.empty()) return value;
  }
  return {};
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
