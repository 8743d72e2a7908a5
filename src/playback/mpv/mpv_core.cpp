#include "playback/mpv/mpv_core.h"

#include <mpv/client.h>

#include <atomic>
#include <new>
#include <string>

#include "core/dispatcher.h"
#include "playback/mpv/mpv_library.h"

namespace tazmel {

static_assert(kMpvErrorLoadingFailed == MPV_ERROR_LOADING_FAILED);
static_assert(kMpvErrorUnknownFormat == MPV_ERROR_UNKNOWN_FORMAT);
static_assert(kMpvErrorAudioOutputFailed == MPV_ERROR_AO_INIT_FAILED);

// Engine options, chosen for a radio player that sits in the tray for hours:
//   ytdl=no, load-scripts=no, config=no  no helper programs, user scripts or
//       user config: a failing address must not start youtube-dl, and the
//       player must behave the same on every machine.
//   idle=yes  the instance outlives its clips; it is created once and reused.
//   input-default-bindings=no, input-vo-keyboard=no, terminal=no, osd-level=0
//       the window is ours: no key bindings, no console, no on-screen text.
//   input-cursor=no  the mouse over the picture reaches the video window
//       (its grips, menu and double click), not the library's own window.
//   vo=null (hidden or no window) / wid  where video goes.
//   audio-display=no, cover-art-auto=no  cover art in an MP3 is not a video,
//       or the video window would open for plain audio.
//   sub-auto=no  no folder scans for subtitle files next to local clips.
//   pulse-buffer=1000  a large server-side buffer lets the engine sleep
//       between refills; with the default small one it wakes many times a
//       second and costs several times the CPU. Volume and mute then go
//       through the stream's own volume on the server (ao-volume, ao-mute),
//       which acts at once instead of after the buffer has drained.
//   audio-client-name=Tazmel  how the sound server lists the stream.
//   volume-max=100  the controls' volume scales end at 100 %.
//   network-timeout=20  a stalled stream is given up after 20 s (the default
//       is a minute) so the engine can reconnect; the cache plays out first.
//   demuxer-max-bytes=16MiB, demuxer-max-back-bytes=64KiB,
//   demuxer-donate-buffer=no  the defaults (150 MiB ahead, 50 MiB behind)
//       let a live stream grow the memory for an hour; a radio needs a few
//       seconds ahead and nothing behind. Without donate=no the played part
//       is still kept in the unused room ahead: a 128 kbit/s stream grew the
//       memory by 2.7 MB a minute (the packets' overhead included) until the
//       16 MiB were full. A seek back reads from the source again. The
//       64 KiB kept behind are where libmpv keeps a stream's title changes
//       until playback reaches them: with nothing behind, an ICY stream's
//       song never changes after its first.
//   The initial cache pause stays off (mpv's default): playback starts as
//   soon as data decodes, which is the fast start we want.
namespace {

struct OptionValue {
  const char* name;
  const char* value;
};

constexpr OptionValue kCommonOptions[] = {
    {"config", "no"},
    {"ytdl", "no"},
    {"load-scripts", "no"},
    {"idle", "yes"},
    {"input-default-bindings", "no"},
    {"input-vo-keyboard", "no"},
    {"input-cursor", "no"},
    {"terminal", "no"},
    {"osd-level", "0"},
    {"audio-display", "no"},
    {"cover-art-auto", "no"},
    {"sub-auto", "no"},
    {"pulse-buffer", "1000"},
    {"audio-client-name", "Tazmel"},
    {"volume-max", "100"},
    {"network-timeout", "20"},
    {"demuxer-max-bytes", "16MiB"},
    {"demuxer-max-back-bytes", "64KiB"},
    {"demuxer-donate-buffer", "no"},
};

struct ObservedProperty {
  const char* name;
  mpv_format format;
};

// Indexed by MpvProperty. time-pos is followed in whole seconds so that the
// engine reports it once a second rather than once per audio packet.
constexpr ObservedProperty kObserved[] = {
    {"paused-for-cache", MPV_FORMAT_FLAG},
    {"cache-buffering-state", MPV_FORMAT_INT64},
    {"time-pos", MPV_FORMAT_INT64},
    {"metadata", MPV_FORMAT_NODE},
};
static_assert(std::size(kObserved) == static_cast<std::size_t>(MpvProperty::kMetadata) + 1);

MpvEndReason EndReasonOf(mpv_end_file_reason reason) {
  switch (reason) {
    case MPV_END_FILE_REASON_EOF:
      return MpvEndReason::kEof;
    case MPV_END_FILE_REASON_STOP:
      return MpvEndReason::kStop;
    case MPV_END_FILE_REASON_QUIT:
      return MpvEndReason::kQuit;
    case MPV_END_FILE_REASON_ERROR:
      return MpvEndReason::kError;
    case MPV_END_FILE_REASON_REDIRECT:
      return MpvEndReason::kRedirect;
  }
  return MpvEndReason::kUnknown;
}

std::vector<std::pair<std::string, std::string>> MetadataOf(const mpv_node* node) {
  std::vector<std::pair<std::string, std::string>> result;
  if (node == nullptr || node->format != MPV_FORMAT_NODE_MAP || node->u.list == nullptr) return result;
  const mpv_node_list* list = node->u.list;
  for (int i = 0; i < list->num; ++i) {
    if (list->keys[i] == nullptr || list->values[i].format != MPV_FORMAT_STRING) continue;
    result.emplace_back(list->keys[i], list->values[i].u.string ? list->values[i].u.string : "");
  }
  return result;
}

// The library once a core has started; every call below runs on a started
// core, so it is loaded.
const MpvLibrary& Mpv() { return *LoadMpvLibrary(); }

}  // namespace

struct MpvCore::Handle {
  mpv_handle* mpv = nullptr;
  ~Handle() {
    if (mpv != nullptr) Mpv().terminate_destroy(mpv);
  }
};

// What the wakeup callback may touch. The callback is unregistered before
// the core dies; drains posted earlier hold only a weak reference.
struct MpvCore::Wakeup {
  Dispatcher* dispatcher = nullptr;
  MpvCore* core = nullptr;
  std::weak_ptr<Wakeup> self;
  std::atomic<bool> drain_posted{false};

  // Runs on one of libmpv's threads.
  static void Callback(void* context) {
    auto* wakeup = static_cast<Wakeup*>(context);
    if (wakeup->drain_posted.exchange(true)) return;
    try {
      wakeup->dispatcher->Post([weak = wakeup->self] {
        // No reference is held while draining: a listener that destroys the
        // core expires `weak`, which is how the drain learns to stop.
        MpvCore* core = nullptr;
        if (std::shared_ptr<Wakeup> alive = weak.lock()) core = alive->core;
        if (core == nullptr) return;
        try {
          core->Drain();
        } catch (const std::bad_alloc&) {
          // Out of memory: the events still waiting come with the next drain.
          if (std::shared_ptr<Wakeup> alive = weak.lock()) alive->drain_posted = false;
        }
      });
    } catch (const std::bad_alloc&) {
      wakeup->drain_posted = false;  // the next wakeup tries again
    }
  }
};

MpvCore::MpvCore(Dispatcher& dispatcher, MpvOptions options, MpvCoreListener* listener)
    : dispatcher_(dispatcher), options_(std::move(options)), listener_(listener) {}

std::unique_ptr<MpvCore> MpvCore::Create(Dispatcher& dispatcher, const MpvOptions& options, MpvCoreListener* listener) {
  std::unique_ptr<MpvCore> core(new MpvCore(dispatcher, options, listener));
  if (!core->Start()) return nullptr;
  return core;
}

MpvCore::~MpvCore() {
  // After this returns no wakeup callback runs or will run.
  if (handle_ && handle_->mpv != nullptr) Mpv().set_wakeup_callback(handle_->mpv, nullptr, nullptr);
  handle_.reset();
  wakeup_.reset();
}

bool MpvCore::Start() {
  if (LoadMpvLibrary() == nullptr) return false;
  handle_ = std::make_unique<Handle>();
  handle_->mpv = Mpv().create();
  if (handle_->mpv == nullptr) return false;
  mpv_handle* mpv = handle_->mpv;
  for (const OptionValue& option : kCommonOptions) {
    // An option this build lacks only costs its benefit.
    Mpv().set_option_string(mpv, option.name, option.value);
  }
  if (Mpv().set_option_string(mpv, "ao", options_.audio_output.c_str()) < 0) return false;
  if (options_.hidden || options_.window_id == 0) {
    if (Mpv().set_option_string(mpv, "vo", "null") < 0) return false;
  } else {
    std::int64_t wid = options_.window_id;
    if (Mpv().set_option(mpv, "wid", MPV_FORMAT_INT64, &wid) < 0) return false;
  }
  for (const auto& [name, value] : options_.extra_options) {
    if (Mpv().set_option_string(mpv, name.c_str(), value.c_str()) < 0) return false;
  }
  if (Mpv().initialize(mpv) < 0) return false;
  for (std::size_t i = 0; i < std::size(kObserved); ++i) {
    Mpv().observe_property(mpv, i, kObserved[i].name, kObserved[i].format);
  }
  // Only the network layers' warnings tell why an address failed to open.
  Mpv().request_log_messages(mpv, "warn");
  wakeup_ = std::make_shared<Wakeup>();
  wakeup_->dispatcher = &dispatcher_;
  wakeup_->core = this;
  wakeup_->self = wakeup_;
  Mpv().set_wakeup_callback(mpv, &Wakeup::Callback, wakeup_.get());
  // Events may already be waiting; the callback only fires for new ones.
  Wakeup::Callback(wakeup_.get());
  return true;
}

void MpvCore::Drain() {
  std::weak_ptr<Wakeup> alive = wakeup_;
  // Cleared first: an event arriving while we drain posts another drain.
  wakeup_->drain_posted = false;
  for (;;) {
    mpv_event* event = Mpv().wait_event(handle_->mpv, 0);
    if (event->event_id == MPV_EVENT_NONE || event->event_id == MPV_EVENT_SHUTDOWN) break;
    switch (event->event_id) {
      case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event->data);
        listener_->OnMpvStartFile(start ? start->playlist_entry_id : 0);
        break;
      }
      case MPV_EVENT_FILE_LOADED:
        listener_->OnMpvFileLoaded();
        break;
      case MPV_EVENT_PLAYBACK_RESTART:
        listener_->OnMpvPlaybackRestart();
        break;
      case MPV_EVENT_AUDIO_RECONFIG:
        listener_->OnMpvAudioReconfig();
        break;
      case MPV_EVENT_END_FILE: {
        const auto* data = static_cast<const mpv_event_end_file*>(event->data);
        if (data == nullptr) break;
        MpvEndFile end;
        end.reason = EndReasonOf(data->reason);
        end.error = data->error;
        end.entry_id = data->playlist_entry_id;
        end.insert_id = data->playlist_insert_id;
        end.insert_count = data->playlist_insert_num_entries;
        listener_->OnMpvEndFile(end);
        break;
      }
      case MPV_EVENT_LOG_MESSAGE: {
        const auto* line = static_cast<const mpv_event_log_message*>(event->data);
        if (line != nullptr && line->prefix != nullptr && line->text != nullptr) {
          listener_->OnMpvLogMessage(line->prefix, line->text);
        }
        break;
      }
      case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* property = static_cast<const mpv_event_property*>(event->data);
        if (property == nullptr || event->reply_userdata >= std::size(kObserved)) break;
        HandleProperty(static_cast<int>(event->reply_userdata), property->data, property->format);
        break;
      }
      default:
        break;
    }
    if (alive.expired()) return;
  }
}

void MpvCore::HandleProperty(int id, const void* data, int format) {
  const bool present = data != nullptr && format != MPV_FORMAT_NONE;
  const auto flag = [&] { return present && format == MPV_FORMAT_FLAG && *static_cast<const int*>(data) != 0; };
  const auto int64 = [&]() -> std::optional<std::int64_t> {
    if (!present || format != MPV_FORMAT_INT64) return std::nullopt;
    return *static_cast<const std::int64_t*>(data);
  };
  const auto property = static_cast<MpvProperty>(id);
  switch (property) {
    case MpvProperty::kPausedForCache:
      observed_.paused_for_cache = flag();
      break;
    case MpvProperty::kCacheBufferingState:
      observed_.cache_buffering_state = static_cast<int>(int64().value_or(0));
      break;
    case MpvProperty::kTimePos:
      observed_.time_pos_seconds = int64();
      break;
    case MpvProperty::kMetadata:
      observed_.metadata = present && format == MPV_FORMAT_NODE ? MetadataOf(static_cast<const mpv_node*>(data))
                                                                : decltype(observed_.metadata){};
      break;
  }
  listener_->OnMpvPropertyChange(property);
}

std::optional<std::int64_t> MpvCore::LoadFile(const std::string& url) {
  const char* args[] = {"loadfile", url.c_str(), "replace", nullptr};
  mpv_node result;
  if (Mpv().command_ret(handle_->mpv, args, &result) < 0) return std::nullopt;
  std::optional<std::int64_t> id;
  if (result.format == MPV_FORMAT_NODE_MAP && result.u.list != nullptr) {
    for (int i = 0; i < result.u.list->num; ++i) {
      if (std::string_view(result.u.list->keys[i]) == "playlist_entry_id" &&
          result.u.list->values[i].format == MPV_FORMAT_INT64) {
        id = result.u.list->values[i].u.int64;
      }
    }
  }
  Mpv().free_node_contents(&result);
  return id;
}

bool MpvCore::Command(std::initializer_list<std::string_view> args) {
  std::vector<std::string> owned(args.begin(), args.end());
  std::vector<const char*> argv;
  for (const std::string& arg : owned) argv.push_back(arg.c_str());
  argv.push_back(nullptr);
  return Mpv().command(handle_->mpv, argv.data()) >= 0;
}

bool MpvCore::SetFlag(const char* name, bool value) {
  int flag = value ? 1 : 0;
  return Mpv().set_property(handle_->mpv, name, MPV_FORMAT_FLAG, &flag) >= 0;
}

bool MpvCore::SetDouble(const char* name, double value) {
  return Mpv().set_property(handle_->mpv, name, MPV_FORMAT_DOUBLE, &value) >= 0;
}

bool MpvCore::SetString(const char* name, const std::string& value) {
  return Mpv().set_property_string(handle_->mpv, name, value.c_str()) >= 0;
}

std::optional<bool> MpvCore::GetFlag(const char* name) const {
  int flag = 0;
  if (Mpv().get_property(handle_->mpv, name, MPV_FORMAT_FLAG, &flag) < 0) return std::nullopt;
  return flag != 0;
}

std::optional<double> MpvCore::GetDouble(const char* name) const {
  double value = 0;
  if (Mpv().get_property(handle_->mpv, name, MPV_FORMAT_DOUBLE, &value) < 0) return std::nullopt;
  return value;
}

std::optional<std::int64_t> MpvCore::GetInt64(const char* name) const {
  std::int64_t value = 0;
  if (Mpv().get_property(handle_->mpv, name, MPV_FORMAT_INT64, &value) < 0) return std::nullopt;
  return value;
}

std::optional<std::string> MpvCore::GetString(const char* name) const {
  char* value = Mpv().get_property_string(handle_->mpv, name);
  if (value == nullptr) return std::nullopt;
  std::string result(value);
  Mpv().free(value);
  return result;
}

std::string MpvCore::ErrorText(int error) {
  const MpvLibrary* library = LoadMpvLibrary();
  return library ? library->error_string(error) : "libmpv is not available";
}

}  // namespace tazmel
