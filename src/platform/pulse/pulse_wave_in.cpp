#include "platform/pulse/pulse_wave_in.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <utility>
#include <vector>

#include <unistd.h>

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

#include "platform/pulse/pulse_sources.h"

namespace tazmel {
namespace {

std::string PulseError(int error) { return std::string("PulseAudio: ") + pa_strerror(error); }

std::optional<pa_sample_spec> RecordSampleOf(const WaveFormat& format) {
  pa_sample_spec sample{};
  if (format.format_tag != kWaveFormatPcm) return std::nullopt;
  if (format.bits_per_sample == 8) {
    sample.format = PA_SAMPLE_U8;
  } else if (format.bits_per_sample == 16) {
    sample.format = PA_SAMPLE_S16LE;
  } else {
    return std::nullopt;
  }
  if (format.channels == 0 || format.channels > PA_CHANNELS_MAX) return std::nullopt;
  sample.channels = static_cast<std::uint8_t>(format.channels);
  sample.rate = format.samples_per_sec;
  if (!pa_sample_spec_valid(&sample) || pa_frame_size(&sample) != format.block_align) return std::nullopt;
  return sample;
}

void Forget(pa_operation* operation) {
  if (operation) pa_operation_unref(operation);
}

}  // namespace

// Everything after construction is guarded by the main loop's lock; the
// callbacks run on the loop's thread with it held.
struct PulseWaveIn::Impl {
  explicit Impl(std::string server_address) : server(std::move(server_address)) {
    loop = pa_threaded_mainloop_new();
    if (!loop) return;
    api = pa_threaded_mainloop_get_api(loop);
    if (pa_threaded_mainloop_start(loop) < 0) {
      pa_threaded_mainloop_free(loop);
      loop = nullptr;
    }
  }

  ~Impl() {
    if (!loop) return;
    pa_threaded_mainloop_lock(loop);
    DropStream();
    DropContext();
    pa_threaded_mainloop_unlock(loop);
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
  }

  // Waits, lock held, until `done` or the time-out; the callbacks signal.
  template <typename Done>
  bool WaitFor(Done done) {
    bool timed_out = false;
    struct Alarm {
      pa_threaded_mainloop* loop;
      bool* flag;
    } alarm{loop, &timed_out};
    pa_time_event* timer = pa_context_rttime_new(
        context, pa_rtclock_now() + static_cast<pa_usec_t>(kConnectTimeout.count()) * PA_USEC_PER_SEC,
        [](pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
          auto* a = static_cast<Alarm*>(userdata);
          *a->flag = true;
          pa_threaded_mainloop_signal(a->loop, 0);
        },
        &alarm);
    while (!done() && !timed_out) pa_threaded_mainloop_wait(loop);
    if (timer) api->time_free(timer);
    return done();
  }

  std::string Connect() {
    if (context && pa_context_get_state(context) == PA_CONTEXT_READY) return {};
    DropContext();
    context = pa_context_new(api, "Tazmel");
    if (!context) return PulseError(PA_ERR_INTERNAL);
    pa_context_set_state_callback(
        context,
        [](pa_context*, void* userdata) { pa_threaded_mainloop_signal(static_cast<Impl*>(userdata)->loop, 0); }, this);
    if (pa_context_connect(context, server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
      const std::string error = PulseError(pa_context_errno(context));
      DropContext();
      return error;
    }
    const bool up = WaitFor([this] {
      const pa_context_state_t state = pa_context_get_state(context);
      return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (up && pa_context_get_state(context) == PA_CONTEXT_READY) {
      pa_context_set_state_callback(context, &Impl::OnContextState, this);
      pa_context_set_subscribe_callback(context, &Impl::OnServerEvent, this);
      return {};
    }
    const std::string error = PulseError(up ? pa_context_errno(context) : PA_ERR_TIMEOUT);
    DropContext();
    return error;
  }

  void DropContext() {
    if (!context) return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
  }

  std::string OpenStream(const pa_sample_spec& sample, const WaveInSource& source, std::size_t bytes,
                         Events callbacks) {
    pa_channel_map map;
    pa_channel_map_init_extend(&map, sample.channels, PA_CHANNEL_MAP_WAVEEX);
    stream = pa_stream_new(context, "Tazmel recording", &sample, &map);
    if (!stream) return PulseError(pa_context_errno(context));
    pa_stream_set_state_callback(
        stream, [](pa_stream*, void* userdata) { pa_threaded_mainloop_signal(static_cast<Impl*>(userdata)->loop, 0); },
        this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(
        pa_usec_to_bytes(static_cast<pa_usec_t>(kFragment.count()) * PA_USEC_PER_MSEC, &sample));
    // Corked until our gain is set, so that not one sample escapes it.
    auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY | PA_STREAM_START_CORKED);
    if (!source.follow_own_output) flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_DONT_MOVE);
    if (pa_stream_connect_record(stream, source.name.empty() ? nullptr : source.name.c_str(), &attr, flags) < 0) {
      const std::string error = PulseError(pa_context_errno(context));
      DropStream();
      return error;
    }
    const bool settled = WaitFor([this] {
      const pa_stream_state_t state = pa_stream_get_state(stream);
      return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (!settled || pa_stream_get_state(stream) != PA_STREAM_READY) {
      const std::string error = PulseError(settled ? pa_context_errno(context) : PA_ERR_TIMEOUT);
      DropStream();
      return error;
    }
    buffer_bytes = bytes;
    pending.clear();
    pending.reserve(bytes);
    events = std::move(callbacks);
    failed = false;
    follow = source.follow_own_output;
    const char* device = pa_stream_get_device_name(stream);
    current_source = device ? device : source.name;
    pa_stream_set_state_callback(stream, &Impl::OnStreamState, this);
    pa_stream_set_read_callback(stream, &Impl::OnReadable, this);
    pa_stream_set_moved_callback(stream, &Impl::OnMoved, this);
    ApplyVolume(source.volume, source.mute);
    Forget(pa_stream_cork(stream, 0, nullptr, nullptr));
    if (follow) {
      Forget(pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
      FollowPlayback();
    }
    return {};
  }

  void DropStream() {
    events = {};
    pending.clear();
    current_source.clear();
    if (follow && context && pa_context_get_state(context) == PA_CONTEXT_READY) {
      Forget(pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_NULL, nullptr, nullptr));
    }
    follow = false;
    if (!stream) return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_moved_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
  }

  void ApplyVolume(double volume, bool mute) {
    if (!stream || pa_stream_get_state(stream) != PA_STREAM_READY) return;
    const std::uint32_t index = pa_stream_get_index(stream);
    pa_cvolume levels;
    pa_cvolume_set(&levels, pa_stream_get_sample_spec(stream)->channels,
                   pa_sw_volume_from_linear(std::clamp(volume, 0.0, 1.0)));
    Forget(pa_context_set_source_output_volume(context, index, &levels, nullptr, nullptr));
    Forget(pa_context_set_source_output_mute(context, index, mute ? 1 : 0, nullptr, nullptr));
  }

  void Fail(int code) {
    if (failed) return;
    failed = true;
    if (events.on_failed) events.on_failed(PulseError(code == PA_OK ? PA_ERR_CONNECTIONTERMINATED : code));
  }

  static void OnContextState(pa_context* c, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    pa_threaded_mainloop_signal(self->loop, 0);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(c)) && self->stream) self->Fail(pa_context_errno(c));
  }

  static void OnStreamState(pa_stream* s, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(s))) self->Fail(pa_context_errno(self->context));
  }

  // Moves the gathered bytes on in whole buffers; a gap the server reports
  // is kept as silence, so the file's length stays true to the time.
  static void OnReadable(pa_stream* s, std::size_t, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    while (pa_stream_readable_size(s) > 0) {
      const void* data = nullptr;
      std::size_t size = 0;
      if (pa_stream_peek(s, &data, &size) < 0) {
        self->Fail(pa_context_errno(self->context));
        return;
      }
      if (size == 0) break;
      const char* bytes = static_cast<const char*>(data);
      std::size_t used = 0;
      while (used < size) {
        const std::size_t take = std::min(size - used, self->buffer_bytes - self->pending.size());
        if (bytes) {
          self->pending.insert(self->pending.end(), bytes + used, bytes + used + take);
        } else {
          self->pending.insert(self->pending.end(), take, self->Silence());
        }
        used += take;
        if (self->pending.size() == self->buffer_bytes) {
          std::vector<char> full;
          full.reserve(self->buffer_bytes);
          full.swap(self->pending);
          if (self->events.on_data) self->events.on_data(std::move(full));
        }
      }
      pa_stream_drop(s);
    }
  }

  char Silence() const {
    return pa_stream_get_sample_spec(stream)->format == PA_SAMPLE_U8 ? static_cast<char>(0x80) : 0;
  }

  static void OnMoved(pa_stream* s, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    const char* device = pa_stream_get_device_name(s);
    if (!device || self->current_source == device) return;
    self->current_source = device;
    if (self->events.on_moved) self->events.on_moved(self->current_source);
  }

  static void OnServerEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SINK_INPUT) return;
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE) return;
    self->FollowPlayback();
  }

  // Asks where our playback plays; the answers move the stream on.
  void FollowPlayback() {
    if (!follow || !stream) return;
    playbacks.clear();
    Forget(pa_context_get_sink_input_info_list(context, &Impl::OnPlayback, this));
  }

  static void OnPlayback(pa_context* c, const pa_sink_input_info* info, int eol, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    if (!eol) {
      PulsePlayback playback;
      playback.sink = info->sink;
      const char* pid = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
      playback.process_id = pid ? std::atol(pid) : 0;
      playback.media_name = info->name ? info->name : "";
      self->playbacks.push_back(std::move(playback));
      return;
    }
    if (eol < 0 || !self->follow || !self->stream) return;
    const std::optional<std::uint32_t> sink = OwnPlaybackSink(self->playbacks, static_cast<long>(::getpid()));
    if (sink) Forget(pa_context_get_sink_info_by_index(c, *sink, &Impl::OnPlaybackSink, self));
  }

  static void OnPlaybackSink(pa_context* c, const pa_sink_info* info, int eol, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    if (eol || !info->monitor_source_name || !self->follow || !self->stream) return;
    if (self->current_source == info->monitor_source_name) return;
    Forget(pa_context_move_source_output_by_name(c, pa_stream_get_index(self->stream), info->monitor_source_name,
                                                 nullptr, nullptr));
  }

  const std::string server;
  pa_threaded_mainloop* loop = nullptr;
  pa_mainloop_api* api = nullptr;
  pa_context* context = nullptr;
  pa_stream* stream = nullptr;
  Events events;
  std::size_t buffer_bytes = 0;
  std::vector<char> pending;
  bool failed = false;
  bool follow = false;
  std::string current_source;
  std::vector<PulsePlayback> playbacks;
};

PulseWaveIn::PulseWaveIn(std::string server) : impl_(std::make_unique<Impl>(std::move(server))) {}

PulseWaveIn::~PulseWaveIn() = default;

std::string PulseWaveIn::Open(const WaveFormat& format, const WaveInSource& source, std::size_t buffer_bytes,
                              Events events) {
  Close();
  const std::optional<pa_sample_spec> sample = RecordSampleOf(format);
  if (!sample || buffer_bytes == 0 || buffer_bytes % format.block_align != 0) return PulseError(PA_ERR_NOTSUPPORTED);
  if (!impl_->loop) return PulseError(PA_ERR_INTERNAL);
  pa_threaded_mainloop_lock(impl_->loop);
  std::string error = impl_->Connect();
  if (error.empty()) error = impl_->OpenStream(*sample, source, buffer_bytes, std::move(events));
  pa_threaded_mainloop_unlock(impl_->loop);
  return error;
}

void PulseWaveIn::SetVolume(double volume, bool mute) {
  if (!impl_->loop) return;
  pa_threaded_mainloop_lock(impl_->loop);
  impl_->ApplyVolume(volume, mute);
  pa_threaded_mainloop_unlock(impl_->loop);
}

void PulseWaveIn::Close() {
  if (!impl_->loop) return;
  pa_threaded_mainloop_lock(impl_->loop);
  impl_->DropStream();
  pa_threaded_mainloop_unlock(impl_->loop);
}

std::string PulseWaveIn::Source() const {
  if (!impl_->loop) return {};
  pa_threaded_mainloop_lock(impl_->loop);
  std::string source = impl_->current_source;
  pa_threaded_mainloop_unlock(impl_->loop);
  return source;
}

}  // namespace tazmel
