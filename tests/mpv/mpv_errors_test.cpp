#include "playback/mpv/mpv_errors.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

#include "playback/mpv/mpv_core.h"

namespace tazmel {
namespace {

// Log lines as libmpv 0.35 with FFmpeg 5.1 writes them for failed opens.
TEST(MpvErrorsTest, LogLinesTellTheReason) {
  const struct {
    std::string_view prefix;
    std::string_view text;
    std::optional<PlayerError> error;
  } cases[] = {
      {"ffmpeg", "tcp: Connection to tcp://127.0.0.1:1 failed: Connection refused\n", PlayerError::kRefused},
      {"ffmpeg", "tcp: Failed to resolve hostname no-such-host.invalid: Name or service not known\n",
       PlayerError::kRefused},
      {"ffmpeg", "tcp: Connection to tcp://10.1.2.3:80 failed: No route to host\n", PlayerError::kRefused},
      {"ffmpeg", "http: HTTP error 404 File not found\n", PlayerError::kNotFound},
      {"ffmpeg", "http: HTTP error 503 Service Unavailable\n", PlayerError::kNotFound},
      {"ffmpeg", "tcp: Connection to tcp://10.1.2.3:80 failed: Connection timed out\n", PlayerError::kTimedOut},
      // Says nothing of why.
      {"stream", "Failed to open http://127.0.0.1:1/x.mp3.\n", std::nullopt},
      {"ffmpeg", "http: Stream ends prematurely at 100, should be 200\n", std::nullopt},
      // Not the network's: a title or file name may hold any words.
      {"cplayer", "Playing: http://host/Connection refused.mp3\n", std::nullopt},
      {"ao/pulse", "Init failed: Connection refused\n", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(PlayerErrorOfLogLine(c.prefix, c.text), c.error);
  }
}

TEST(MpvErrorsTest, CodesTellTheReason) {
  const struct {
    int code;
    std::optional<PlayerError> logged;
    PlayerError error;
  } cases[] = {
      {kMpvErrorLoadingFailed, std::nullopt, PlayerError::kOther},
      {kMpvErrorLoadingFailed, PlayerError::kNotFound, PlayerError::kNotFound},
      {kMpvErrorUnknownFormat, PlayerError::kRefused, PlayerError::kUnknownFormat},
      {kMpvErrorAudioOutputFailed, std::nullopt, PlayerError::kNoSoundOutput},
      {-20, std::nullopt, PlayerError::kOther},  // video output failed
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(PlayerErrorOfCode(c.code, c.logged), c.error);
  }
}

}  // namespace
}  // namespace tazmel
