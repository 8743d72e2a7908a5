#include "playback/mpv/mpv_errors.h"

#include <algorithm>
#include <iterator>

#include "playback/mpv/mpv_core.h"

namespace tazmel {
namespace {

struct LogReason {
  std::string_view words;
  PlayerError error;
};

// As FFmpeg's tcp and http protocols and the system's resolver word them.
constexpr LogReason kLogReasons[] = {
    {"Connection refused", PlayerError::kRefused},
    {"No route to host", PlayerError::kRefused},
    {"Network is unreachable", PlayerError::kRefused},
    {"Host is unreachable", PlayerError::kRefused},
    {"Failed to resolve hostname", PlayerError::kRefused},
    {"HTTP error 4", PlayerError::kNotFound},
    {"HTTP error 5", PlayerError::kNotFound},
    {"Server returned 4", PlayerError::kNotFound},
    {"Server returned 5", PlayerError::kNotFound},
    {"timed out", PlayerError::kTimedOut},
};

constexpr std::string_view kNetworkPrefixes[] = {"ffmpeg", "tcp", "http", "https", "tls", "stream"};

}  // namespace

std::optional<PlayerError> PlayerErrorOfLogLine(std::string_view prefix, std::string_view text) {
  if (std::find(std::begin(kNetworkPrefixes), std::end(kNetworkPrefixes), prefix) == std::end(kNetworkPrefixes)) {
    return std::nullopt;
  }
  for (const LogReason& reason : kLogReasons) {
    if (text.find(reason.words) != text.npos) return reason.error;
  }
  return std::nullopt;
}

PlayerError PlayerErrorOfCode(int error, std::optional<PlayerError> logged) {
  switch (error) {
    case 0:
      return PlayerError::kNone;
    case kMpvErrorLoadingFailed:
      return logged.value_or(PlayerError::kOther);
    case kMpvErrorUnknownFormat:
      return PlayerError::kUnknownFormat;
    case kMpvErrorAudioOutputFailed:
      return PlayerError::kNoSoundOutput;
    default:
      return PlayerError::kOther;
  }
}

}  // namespace tazmel
