#include "platform/pulse/pulse_sources.h"

#include <cstdlib>
#include <map>
#include <memory>

#include <unistd.h>

#include <pulse/pulseaudio.h>

namespace tazmel {
namespace {

struct MainloopFree {
  void operator()(pa_mainloop* loop) const { pa_mainloop_free(loop); }
};
struct ContextFree {
  void operator()(pa_context* context) const {
    pa_context_disconnect(context);
    pa_context_unref(context);
  }
};

std::string PropOf(const pa_proplist* props, const char* key) {
  const char* value = props ? pa_proplist_gets(props, key) : nullptr;
  return value ? value : "";
}

// Ports that carry a line or a digital signal; every other input is taken
// for a microphone.
bool LinePort(const pa_source_info& info) {
  if (!info.active_port) return false;
  switch (info.active_port->type) {
    case PA_DEVICE_PORT_TYPE_LINE:
    case PA_DEVICE_PORT_TYPE_AUX:
    case PA_DEVICE_PORT_TYPE_RADIO:
    case PA_DEVICE_PORT_TYPE_VIDEO:
    case PA_DEVICE_PORT_TYPE_TV:
    case PA_DEVICE_PORT_TYPE_SPDIF:
    case PA_DEVICE_PORT_TYPE_HDMI:
    case PA_DEVICE_PORT_TYPE_NETWORK:
      return true;
    default:
      return false;
  }
}

// Everything the server answers, gathered on one main loop; `pending`
// counts the answers still to come.
struct Query {
  pa_context* context = nullptr;
  int pending = 0;
  bool failed = false;
  std::string default_sink;
  std::map<std::uint32_t, std::pair<std::string, std::string>> cards;  // index -> name, description
  std::map<std::uint32_t, std::string> sinks;                          // index -> name
  struct Source {
    std::uint32_t card;
    std::uint8_t channels;
    std::string name, description, monitor_of;
    bool line = false;
  };
  std::vector<Source> sources;
  std::vector<PulsePlayback> playbacks;

  void Ask(pa_operation* operation) {
    if (!operation) {
      failed = true;
      return;
    }
    ++pending;
    pa_operation_unref(operation);
  }

  void Start() {
    Ask(pa_context_get_server_info(context, &OnServer, this));
    Ask(pa_context_get_card_info_list(context, &OnCard, this));
    Ask(pa_context_get_sink_info_list(context, &OnSink, this));
    Ask(pa_context_get_source_info_list(context, &OnSource, this));
    Ask(pa_context_get_sink_input_info_list(context, &OnSinkInput, this));
  }

  static void OnServer(pa_context*, const pa_server_info* info, void* userdata) {
    auto* self = static_cast<Query*>(userdata);
    if (info && info->default_sink_name) self->default_sink = info->default_sink_name;
    --self->pending;
  }
  static void OnCard(pa_context*, const pa_card_info* info, int eol, void* userdata) {
    auto* self = static_cast<Query*>(userdata);
    if (eol) {
      self->failed |= eol < 0;
      --self->pending;
      return;
    }
    std::string description = PropOf(info->proplist, PA_PROP_DEVICE_DESCRIPTION);
    self->cards[info->index] = {info->name ? info->name : "", description.empty() ? info->name : description};
  }
  static void OnSink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* self = static_cast<Query*>(userdata);
    if (eol) {
      self->failed |= eol < 0;
      --self->pending;
      return;
    }
    self->sinks[info->index] = info->name ? info->name : "";
  }
  static void OnSource(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* self = static_cast<Query*>(userdata);
    if (eol) {
      self->failed |= eol < 0;
      --self->pending;
      return;
    }
    Source source{info->card,
                  info->sample_spec.channels,
                  info->name ? info->name : "",
                  info->description ? info->description : "",
                  info->monitor_of_sink_name ? info->monitor_of_sink_name : "",
                  LinePort(*info)};
    self->sources.push_back(std::move(source));
  }
  static void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* userdata) {
    auto* self = static_cast<Query*>(userdata);
    if (eol) {
      self->failed |= eol < 0;
      --self->pending;
      return;
    }
    PulsePlayback playback;
    playback.sink = info->sink;
    playback.process_id = std::atol(PropOf(info->proplist, PA_PROP_APPLICATION_PROCESS_ID).c_str());
    playback.media_name = info->name ? info->name : "";
    self->playbacks.push_back(std::move(playback));
  }
};

}  // namespace

std::optional<std::uint32_t> OwnPlaybackSink(const std::vector<PulsePlayback>& streams, long process_id) {
  std::optional<std::uint32_t> prompt;
  for (const PulsePlayback& stream : streams) {
    if (stream.process_id != process_id) continue;
    if (stream.media_name != kPromptStreamName) return stream.sink;
    if (!prompt) prompt = stream.sink;
  }
  return prompt;
}

std::optional<SoundSources> QueryPulseSources(const std::string& server, std::chrono::milliseconds timeout,
                                              std::string* error) {
  const auto fail = [error](int code) -> std::optional<SoundSources> {
    if (error) *error = std::string("PulseAudio: ") + pa_strerror(code);
    return std::nullopt;
  };
  std::unique_ptr<pa_mainloop, MainloopFree> loop(pa_mainloop_new());
  if (!loop) return fail(PA_ERR_INTERNAL);
  std::unique_ptr<pa_context, ContextFree> context(pa_context_new(pa_mainloop_get_api(loop.get()), "Tazmel"));
  if (!context) return fail(PA_ERR_INTERNAL);
  if (pa_context_connect(context.get(), server.empty() ? nullptr : server.c_str(), PA_CONTEXT_NOAUTOSPAWN, nullptr) <
      0) {
    return fail(pa_context_errno(context.get()));
  }

  Query query;
  query.context = context.get();
  bool started = false;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    const pa_context_state_t state = pa_context_get_state(context.get());
    if (!PA_CONTEXT_IS_GOOD(state)) return fail(pa_context_errno(context.get()));
    if (state == PA_CONTEXT_READY && !started) {
      started = true;
      query.Start();
      if (query.failed) return fail(pa_context_errno(context.get()));
    }
    if (started && query.pending == 0) break;
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return fail(PA_ERR_TIMEOUT);
    if (pa_mainloop_prepare(loop.get(), static_cast<int>(left.count())) < 0 || pa_mainloop_poll(loop.get()) < 0 ||
        pa_mainloop_dispatch(loop.get()) < 0) {
      return fail(PA_ERR_INTERNAL);
    }
  }
  if (query.failed) return fail(pa_context_errno(context.get()));

  SoundSources out;
  out.default_sink = query.default_sink;
  if (const auto own = OwnPlaybackSink(query.playbacks, static_cast<long>(::getpid()))) {
    const auto sink = query.sinks.find(*own);
    if (sink != query.sinks.end()) out.own_sink = sink->second;
  }
  for (const Query::Source& found : query.sources) {
    SoundSource source;
    source.name = found.name;
    source.description = found.description.empty() ? found.name : found.description;
    if (const auto card = query.cards.find(found.card); card != query.cards.end()) {
      source.card = card->second.first;
      source.card_description = card->second.second;
    }
    source.monitor_of = found.monitor_of;
    source.microphone = source.monitor_of.empty() && !found.line;
    source.channels = found.channels;
    out.sources.push_back(std::move(source));
  }
  return out;
}

}  // namespace tazmel
