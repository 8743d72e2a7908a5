#include "platform/pulse/pulse_wave_out.h"

#include <deque>
#include <optional>
#include <utility>

#include <pulse/pulseaudio.h>
#include <pulse/rtclock.h>

namespace tazmel {
namespace {

// Enough to ride over scheduling hiccups, short enough that the last piece
// is reported done shortly before it has sounded.
constexpr pa_usec_t kTargetLatency = 250 * PA_USEC_PER_MSEC;
constexpr std::uint16_t kWaveFormatFloat = 3;
constexpr std::uint16_t kWaveFormatExtensible = 0xFFFE;

std::string PulseError(int error) { return std::string("PulseAudio: ") + pa_strerror(error); }

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

// One connection with its stream and the pieces waiting for the server.
// Everything but the handles' set-up and teardown is guarded by the main
// loop's lock; the callbacks run on the loop's thread with it held.
struct PulseWaveOut::Connection {
  struct Piece {
    std::uint64_t id;
    std::vector<char> data;
    std::size_t offset = 0;
  };

  ~Connection() {
    if (!loop) return;
    {
      LoopLock lock(loop.get());
      if (stream) {
        pa_stream_set_state_callback(stream.get(), nullptr, nullptr);
        pa_stream_set_write_callback(stream.get(), nullptr, nullptr);
        pa_stream_disconnect(stream.get());
      }
      if (context) {
        pa_context_set_state_callback(context.get(), nullptr, nullptr);
        pa_context_disconnect(context.get());
      }
      if (timeout) pa_threaded_mainloop_get_api(loop.get())->time_free(timeout);
      pieces.clear();
      on_done = nullptr;
    }
    // With the loop's thread gone nothing else touches the handles.
    pa_threaded_mainloop_stop(loop.get());
    stream.reset();
    context.reset();
  }

  static void OnContextState(pa_context* c, void* userdata) {
    auto* self = static_cast<Connection*>(userdata);
    const pa_context_state_t state = pa_context_get_state(c);
    if (state == PA_CONTEXT_FAILED || state == PA_CONTEXT_TERMINATED) self->Fail(pa_context_errno(c));
    pa_threaded_mainloop_signal(self->loop.get(), 0);
  }

  static void OnStreamState(pa_stream* s, void* userdata) {
    auto* self = static_cast<Connection*>(userdata);
    const pa_stream_state_t state = pa_stream_get_state(s);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
      self->Fail(pa_context_errno(pa_stream_get_context(s)));
    }
    pa_threaded_mainloop_signal(self->loop.get(), 0);
  }

  static void OnWritable(pa_stream*, std::size_t, void* userdata) { static_cast<Connection*>(userdata)->Feed(); }

  static void OnTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* self = static_cast<Connection*>(userdata);
    self->timed_out = true;
    pa_threaded_mainloop_signal(self->loop.get(), 0);
  }

  // Waits, with the lock held, until `ready` holds or the connection fails
  // or times out.
  template <typename Ready>
  std::string WaitUntil(Ready ready) {
    while (!ready() && !failed && !timed_out) pa_threaded_mainloop_wait(loop.get());
    if (failed) return error;
    if (timed_out) return PulseError(PA_ERR_TIMEOUT);
    return {};
  }

  // A lost connection finishes every queued piece, so that the owner moves
  // on to its next write and learns of the error there.
  void Fail(int code) {
    if (failed) return;
    failed = true;
    error = PulseError(code == PA_OK ? PA_ERR_CONNECTIONTERMINATED : code);
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
    if (failed || !stream || pa_stream_get_state(stream.get()) != PA_STREAM_READY) return;
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
      Fail(pa_context_errno(context.get()));
    } else {
      carry.assign(out.begin() + static_cast<std::ptrdiff_t>(whole), out.end());
      // A sound shorter than the prebuffer would otherwise never start.
      if (whole > 0 && pieces.empty()) Operation(pa_stream_trigger(stream.get(), nullptr, nullptr));
    }
    for (std::uint64_t id : done) {
      if (on_done) on_done(id);
    }
  }

  std::unique_ptr<pa_threaded_mainloop, LoopFree> loop;
  std::unique_ptr<pa_context, ContextUnref> context;
  std::unique_ptr<pa_stream, StreamUnref> stream;
  pa_time_event* timeout = nullptr;
  bool timed_out = false;
  bool failed = false;
  std::string error;
  std::size_t frame = 1;
  PieceDone on_done;
  std::deque<Piece> pieces;
  std::vector<char> carry;
};

PulseWaveOut::PulseWaveOut(std::string server) : server_(std::move(server)) {}

PulseWaveOut::~PulseWaveOut() { Close(); }

std::string PulseWaveOut::Open(const WaveFormat& format, PieceDone on_done) {
  Close();
  const std::optional<pa_sample_spec> sample = PulseSampleOf(format);
  if (!sample) return PulseError(PA_ERR_NOTSUPPORTED);

  auto connection = std::make_unique<Connection>();
  Connection& c = *connection;
  c.on_done = std::move(on_done);
  c.frame = pa_frame_size(&*sample);
  c.loop.reset(pa_threaded_mainloop_new());
  if (!c.loop) return PulseError(PA_ERR_INTERNAL);
  c.context.reset(pa_context_new(pa_threaded_mainloop_get_api(c.loop.get()), "Tazmel"));
  if (!c.context) return PulseError(PA_ERR_INTERNAL);
  pa_context_set_state_callback(c.context.get(), &Connection::OnContextState, &c);
  if (pa_context_connect(c.context.get(), server_.empty() ? nullptr : server_.c_str(), PA_CONTEXT_NOAUTOSPAWN,
                         nullptr) < 0) {
    return PulseError(pa_context_errno(c.context.get()));
  }
  if (pa_threaded_mainloop_start(c.loop.get()) < 0) return PulseError(PA_ERR_INTERNAL);

  std::string error;
  {
    LoopLock lock(c.loop.get());
    c.timeout = pa_context_rttime_new(c.context.get(), pa_rtclock_now() + kConnectTimeout.count() * PA_USEC_PER_SEC,
                                      &Connection::OnTimeout, &c);
    error = c.WaitUntil([&c] { return pa_context_get_state(c.context.get()) == PA_CONTEXT_READY; });
    if (error.empty()) {
      pa_channel_map map;
      pa_channel_map_init_extend(&map, sample->channels, PA_CHANNEL_MAP_WAVEEX);
      c.stream.reset(pa_stream_new(c.context.get(), "Tazmel sound", &*sample, &map));
      if (!c.stream) error = PulseError(pa_context_errno(c.context.get()));
    }
    if (error.empty()) {
      pa_stream_set_state_callback(c.stream.get(), &Connection::OnStreamState, &c);
      pa_stream_set_write_callback(c.stream.get(), &Connection::OnWritable, &c);
      pa_buffer_attr attr;
      attr.maxlength = static_cast<std::uint32_t>(-1);
      attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kTargetLatency, &*sample));
      attr.prebuf = static_cast<std::uint32_t>(-1);
      attr.minreq = static_cast<std::uint32_t>(-1);
      attr.fragsize = static_cast<std::uint32_t>(-1);
      if (pa_stream_connect_playback(c.stream.get(), nullptr, &attr, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0) {
        error = PulseError(pa_context_errno(c.context.get()));
      }
    }
    if (error.empty()) {
      error = c.WaitUntil([&c] { return pa_stream_get_state(c.stream.get()) == PA_STREAM_READY; });
    }
    if (c.timeout) {
      pa_threaded_mainloop_get_api(c.loop.get())->time_free(c.timeout);
      c.timeout = nullptr;
    }
  }
  if (!error.empty()) return error;
  connection_ = std::move(connection);
  return {};
}

std::string PulseWaveOut::Write(std::uint64_t piece, std::vector<char> data) {
  if (!connection_) return PulseError(PA_ERR_BADSTATE);
  Connection& c = *connection_;
  LoopLock lock(c.loop.get());
  if (c.failed) return c.error;
  c.pieces.push_back({piece, std::move(data)});
  c.Feed();
  return c.failed ? c.error : std::string();
}

void PulseWaveOut::Reset() {
  if (!connection_) return;
  Connection& c = *connection_;
  LoopLock lock(c.loop.get());
  c.pieces.clear();
  c.carry.clear();
  // Drops what the server still holds; nothing waits for the answer.
  if (!c.failed && c.stream && pa_stream_get_state(c.stream.get()) == PA_STREAM_READY) {
    Operation(pa_stream_flush(c.stream.get(), nullptr, nullptr));
  }
}

void PulseWaveOut::Close() { connection_.reset(); }

}  // namespace tazmel
