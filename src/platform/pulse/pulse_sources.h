#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wave_device.h"

namespace tazmel {

// A playback stream on the server, as far as choosing what to record needs.
struct PulsePlayback {
  std::uint32_t sink = 0;  // the sink's index
  long process_id = 0;     // 0 when the client did not say
  std::string media_name;
};

// The name of the prompt-sound stream PulseWaveOut opens; the player's own
// stream is preferred over it when both play.
inline constexpr char kPromptStreamName[] = "Tazmel sound";

// Among `streams`, the sink index that this process's playback plays into:
// the first stream of `process_id` other than the prompt sounds, else the
// first prompt stream; nothing when the process plays nothing.
std::optional<std::uint32_t> OwnPlaybackSink(const std::vector<PulsePlayback>& streams, long process_id);

// Lists the server's sources with their cards, the default sink and the
// sink this process plays into. Connects for the call and waits at most
// `timeout`; nothing on failure, with PulseAudio's reason in `error`.
// `server` in PULSE_SERVER syntax, empty for the usual lookup.
std::optional<SoundSources> QueryPulseSources(const std::string& server, std::chrono::milliseconds timeout,
                                              std::string* error = nullptr);

}  // namespace tazmel
