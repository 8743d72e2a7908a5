#include "platform/pulse/pulse_wave_out.h"

#include <deque>
#include <optional>
#include <string_view>
#include <utility>

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>
#include <pulse/timeval.h>

#include "platform/pulse/pulse_sources.h"

namespace tazmel {
namespace {

// Enough to ride over scheduling hiccups, short enough that the last piece
// is reported done shortly before it has sounded.
constexpr pa_usec_t kTargetLatency = 250 * PA_USEC_PER_MSEC;
constexpr std::uint16_t kWaveFormatFloat = 3;
constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

std::string PulseError(int error) { return std::string("PulseAudio: ") + pa_strerror(error); }

// What Open() reports before the first attempt to connect has ended.
constexpr std::string_view kNotConnectedText = "PulseAudio: Not connected";

struct LoopFree {
  void operator()(pa_threaded_mainloop* loop) const {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
  }
};
struct ContextUnref {
  void operator()(pa_context* context) const { pa_context_unref(context); }
};
struct StreamUnref {
  void operator()(pa_stream* stream) const { pa_stream_unref(stream); }
};
struct OperationUnref {
  void operator()(pa_operation* operation) const { pa_operation_unref(operation); }
};
using Operation = std::unique_ptr<pa_operation, OperationUnref>;

// Holds the main-loop lock for a scope.
class LoopLock {
 public:
  explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop) { pa_threaded_mainloop_lock(loop_); }
  ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
  LoopLock(const LoopLock&) = delete;
  LoopLock& operator=(const LoopLock&) = delete;

 private:
  pa_threaded_mainloop* loop_;
};

// The server's sample format for a WAV format; nothing for what it cannot
// play or what does not add up to the stated block alignment.
std::optional<pa_sample_spec> PulseSampleOf(const WaveFormat& format) {
  pa_sample_spec sample{};
  const bool integer = format.format_tag == kWaveFormatPcm || format.format_tag == kWaveFormatExtensible;
  if (integer && format.bits_per_sample == 8) {
    sample.format = PA_SAMPLE_U8;
  } else if (integer && format.bits_per_sample == 16) {
    sample.format = PA_SAMPLE_S16LE;
  } else if (integer && format.bits_per_sample == 24) {
    sample.format = PA_SAMPLE_S24LE;
  } else if (integer && format.bits_per_sample == 32) {
    sample.format = PA_SAMPLE_S32LE;
  } else if (format.format_tag == kWaveFormatFloat && format.bits_per_sample == 32) {
    sample.format = PA_SAMPLE_FLOAT32LE;
  } else {
    return std::nullopt;
  }
  if (format.channels == 0 || format.channels > PA_CHANNELS_MAX) return std::nullopt;
  sample.channels = static_cast<std::uint8_t>(format.channels);
  sample.rate = format.samples_per_sec;
  if (!pa_sample_spec_valid(&sample) || pa_frame_size(&sample) != format.block_align) return std::nullopt;
  return sample;
}

}  // namespace

// The loop with its connection, and the stream of the sound being played
// with the pieces waiting for the server. After construction everything is
// guarded by the main loop's lock; the callbacks run on the loop's thread
// with it held.
struct PulseWaveOut::Impl {
  struct Piece {
    std::uint64_t id;
    std::vector<char> data;
    std::size_t offset = 0;
  };

  explicit Impl(std::string server_address) : server(std::move(server_address)) {
    loop.reset(pa_threaded_mainloop_new());
    if (!loop) {
      link_error = PulseError(PA_ERR_INTERNAL);
      link = Link::kDown;
      return;
    }
    api = pa_threaded_mainloop_get_api(loop.get());
    if (pa_threaded_mainloop_start(loop.get()) < 0) {
      link_error = PulseError(PA_ERR_INTERNAL);
      link = Link::kDown;
      return;
    }
    LoopLock lock(loop.get());
    Connect();
  }

  ~Impl() {
    if (!loop) return;
    {
      LoopLock lock(loop.get());
      DropStream();
      DropContext();
      FreeTimer(retry_timer);
    }
    // With the loop's thread gone nothing else touches the handles.
    pa_threaded_mainloop_stop(loop.get());
  }

  // --- the connection

  void Connect() {
    DropContext();
    link = Link::kConnecting;
    context.reset(pa_context_new(api, "Tazmel"));
    if (!context) {
      LinkFailed(PulseError(PA_ERR_INTERNAL));
      return;
    }
    pa_context_set_state_callback(context.get(), &Impl::OnContextState, this);
    connect_timer =
        pa_context_rttime_new(context.get(), pa_rtclock_now() + Usec(kConnectTimeout), &Impl::OnConnectTimeout, this);
    if (pa_context_connect(context.get(), server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) <
            0 &&
        link == Link::kConnecting) {
      LinkFailed(PulseError(pa_context_errno(context.get())));
    }
  }

  // Ends the connection without a word from its callbacks.
  void DropContext() {
    FreeTimer(connect_timer);
    if (!context) return;
    pa_context_set_state_callback(context.get(), nullptr, nullptr);
    pa_context_disconnect(context.get());
    context.reset();
  }

  // The connection failed or was lost: the sound is lost with it, and the
  // next attempt comes after `delay`. The context is not dropped here, as
  // this may run inside one of its own callbacks.
  void LinkFailed(std::string text, std::chrono::seconds delay = kRetryDelay) {
    link_error = std::move(text);
    link = delay.count() == 0 ? Link::kConnecting : Link::kDown;
    StreamFailed(link_error);
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), Usec(delay));
    if (retry_timer) {
      api->time_restart(retry_timer, &when);
    } else {
      retry_timer = api->time_new(api, &when, &Impl::OnRetry, this);
    }
  }

  static void OnContextState(pa_context* c, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    switch (pa_context_get_state(c)) {
      case PA_CONTEXT_READY:
        self->FreeTimer(self->connect_timer);
        self->link = Link::kConnected;
        break;
      case PA_CONTEXT_FAILED:
      case PA_CONTEXT_TERMINATED: {
        // A connection that was up is tried again at once (the server may
        // have been restarted); a failed attempt only after a pause.
        const bool was_up = self->link == Link::kConnected;
        const int code = pa_context_errno(c);
        self->LinkFailed(PulseError(code == PA_OK ? PA_ERR_CONNECTIONTERMINATED : code),
                         was_up ? std::chrono::seconds(0) : kRetryDelay);
        break;
      }
      default:
        break;
    }
  }

  static void OnConnectTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    self->FreeTimer(self->connect_timer);
    if (self->link != Link::kConnecting) return;
    // Not a word from the server: give this attempt up.
    pa_context_set_state_callback(self->context.get(), nullptr, nullptr);
    self->LinkFailed(PulseError(PA_ERR_TIMEOUT));
  }

  static void OnRetry(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    self->FreeTimer(self->retry_timer);
    self->Connect();
  }

  // --- the stream

  std::string OpenStream(const pa_sample_spec& sample, PieceDone done) {
    DropStream();
    if (link != Link::kConnected) return link_error.empty() ? std::string(kNotConnectedText) : link_error;
    pa_channel_map map;
    pa_channel_map_init_extend(&map, sample.channels, PA_CHANNEL_MAP_WAVEEX);
    stream.reset(pa_stream_new(context.get(), kPromptStreamName, &sample, &map));
    if (!stream) return PulseError(pa_context_errno(context.get()));
    pa_stream_set_state_callback(stream.get(), &Impl::OnStreamState, this);
    pa_stream_set_write_callback(stream.get(), &Impl::OnWritable, this);
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kTargetLatency, &sample));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    if (pa_stream_connect_playback(stream.get(), nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
      const std::string error = PulseError(pa_context_errno(context.get()));
      DropStream();
      return error;
    }
    frame = pa_frame_size(&sample);
    on_done = std::move(done);
    stream_failed = false;
    stream_error.clear();
    stream_timer =
        pa_context_rttime_new(context.get(), pa_rtclock_now() + Usec(kConnectTimeout), &Impl::OnStreamTimeout, this);
    return {};
  }

  void DropStream() {
    FreeTimer(stream_timer);
    pieces.clear();
    carry.clear();
    on_done = nullptr;
    if (!stream) return;
    pa_stream_set_state_callback(stream.get(), nullptr, nullptr);
    pa_stream_set_write_callback(stream.get(), nullptr, nullptr);
    pa_stream_disconnect(stream.get());
    stream.reset();
  }

  static void OnStreamState(pa_stream* s, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    switch (pa_stream_get_state(s)) {
      case PA_STREAM_READY:
        self->FreeTimer(self->stream_timer);
        self->Feed();
        break;
      case PA_STREAM_FAILED:
      case PA_STREAM_TERMINATED: {
        const int code = pa_context_errno(pa_stream_get_context(s));
        self->StreamFailed(PulseError(code == PA_OK ? PA_ERR_CONNECTIONTERMINATED : code));
        break;
      }
      default:
        break;
    }
  }

  static void OnStreamTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* self = static_cast<Impl*>(userdata);
    self->FreeTimer(self->stream_timer);
    self->StreamFailed(PulseError(PA_ERR_TIMEOUT));
  }

  static void OnWritable(pa_stream*, std::size_t, void* userdata) { static_cast<Impl*>(userdata)->Feed(); }

  // A lost stream finishes every queued piece, so that the owner moves on
  // to its next write and learns of the error there.
  void StreamFailed(const std::string& text) {
    if (!stream || stream_failed) return;
    FreeTimer(stream_timer);
    stream_failed = true;
    stream_error = text;
    std::deque<Piece> dropped;
    dropped.swap(pieces);
    carry.clear();
    for (const Piece& piece : dropped) {
      if (on_done) on_done(piece.id);
    }
  }

  // Hands the server as much as it asks for, in whole frames; a frame split
  // between two pieces waits in `carry` for the rest of its bytes.
  void Feed() {
    if (stream_failed || !stream || pa_stream_get_state(stream.get()) != PA_STREAM_READY) return;
    const std::size_t writable = pa_stream_writable_size(stream.get());
    if (writable == static_cast<std::size_t>(-1) || writable == 0) return;

    std::vector<char> out;
    out.swap(carry);
    std::vector<std::uint64_t> done;
    while (out.size() < writable && !pieces.empty()) {
      Piece& piece = pieces.front();
      const std::size_t take = std::min(writable - out.size(), piece.data.size() - piece.offset);
      out.insert(out.end(), piece.data.begin() + static_cast<std::ptrdiff_t>(piece.offset),
                 piece.data.begin() + static_cast<std::ptrdiff_t>(piece.offset + take));
      piece.offset += take;
      if (piece.offset == piece.data.size()) {
        done.push_back(piece.id);
        pieces.pop_front();
      }
    }
    const std::size_t whole = out.size() - out.size() % frame;
    if (whole > 0 && pa_stream_write(stream.get(), out.data(), whole, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
      StreamFailed(PulseError(pa_context_errno(context.get())));
    } else {
      carry.assign(out.begin() + static_cast<std::ptrdiff_t>(whole), out.end());
      // A sound shorter than the prebuffer would otherwise never start.
      if (whole > 0 && pieces.empty()) Operation(pa_stream_trigger(stream.get(), nullptr, nullptr));
    }
    for (std::uint64_t id : done) {
      if (on_done) on_done(id);
    }
  }

  // --- helpers

  static pa_usec_t Usec(std::chrono::seconds delay) { return static_cast<pa_usec_t>(delay.count()) * PA_USEC_PER_SEC; }

  void FreeTimer(pa_time_event*& timer) {
    if (timer) api->time_free(timer);
    timer = nullptr;
  }

  const std::string server;
  std::unique_ptr<pa_threaded_mainloop, LoopFree> loop;
  pa_mainloop_api* api = nullptr;
  std::unique_ptr<pa_context, ContextUnref> context;
  Link link = Link::kConnecting;
  std::string link_error;  // why the last attempt failed or the connection was lost
  pa_time_event* connect_timer = nullptr;
  pa_time_event* retry_timer = nullptr;

  std::unique_ptr<pa_stream, StreamUnref> stream;
  pa_time_event* stream_timer = nullptr;
  bool stream_failed = false;
  std::string stream_error;
  std::size_t frame = 1;
  PieceDone on_done;
  std::deque<Piece> pieces;
  std::vector<char> carry;
};

PulseWaveOut::PulseWaveOut(std::string server) : impl_(std::make_unique<Impl>(std::move(server))) {}

PulseWaveOut::~PulseWaveOut() = default;

PulseWaveOut::Link PulseWaveOut::State() const {
  if (!impl_->api) return impl_->link;
  LoopLock lock(impl_->loop.get());
  return impl_->link;
}

std::string PulseWaveOut::Open(const WaveFormat& format, PieceDone on_done) {
  Close();
  const std::optional<pa_sample_spec> sample = PulseSampleOf(format);
  if (!sample) return PulseError(PA_ERR_NOTSUPPORTED);
  if (!impl_->api) return impl_->link_error;
  LoopLock lock(impl_->loop.get());
  return impl_->OpenStream(*sample, std::move(on_done));
}

std::string PulseWaveOut::Write(std::uint64_t piece, std::vector<char> data) {
  if (!impl_->api) return PulseError(PA_ERR_BADSTATE);
  Impl& c = *impl_;
  LoopLock lock(c.loop.get());
  if (!c.stream) return PulseError(PA_ERR_BADSTATE);
  if (c.stream_failed) return c.stream_error;
  c.pieces.push_back({piece, std::move(data)});
  c.Feed();
  return c.stream_failed ? c.stream_error : std::string();
}

void PulseWaveOut::Reset() {
  if (!impl_->api) return;
  Impl& c = *impl_;
  LoopLock lock(c.loop.get());
  c.pieces.clear();
  c.carry.clear();
  // Drops what the server still holds; nothing waits for the answer.
  if (!c.stream_failed && c.stream && pa_stream_get_state(c.stream.get()) == PA_STREAM_READY) {
    Operation(pa_stream_flush(c.stream.get(), nullptr, nullptr));
  }
}

void PulseWaveOut::Close() {
  if (!impl_->api) return;
  LoopLock lock(impl_->loop.get());
  impl_->DropStream();
}

}  // namespace tazmel
