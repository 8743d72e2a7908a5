#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "playback/mpv/mpv_core.h"
#include "support/http_server.h"
#include "support/test_audio.h"

namespace tazmel::test {

using namespace std::chrono_literals;

// A clip short enough to play to its end in every test that needs an end.
inline constexpr double kShortToneSeconds = 0.5;
inline const std::string& ShortTone() {
  static const std::string tone = MakeToneMp3(kShortToneSeconds);
  return tone;
}

// A clip that outlasts a test; looped, the body of the endless streams.
inline const std::string& LongTone() {
  static const std::string tone = MakeToneMp3(4.0, 660);
  return tone;
}

// An endless MP3 stream over loopback, a little faster than real time. With
// `title`, ICY metadata blocks name it every kMetaInt bytes when the client
// asks for them; with `stall_after`, the server goes silent after that many
// bytes but keeps the connection open.
inline constexpr std::size_t kMetaInt = 4096;

inline void StreamMp3(TestHttpConnection& connection, const std::string& title, std::size_t stall_after = 0) {
  const bool icy = connection.Header("Icy-MetaData") == "1" && !title.empty();
  TestHttpHeaders headers = {{"Content-Type", "audio/mpeg"},
                             {"icy-name", "Loopback Radio"},
                             {"icy-genre", "Tones"},
                             {"icy-url", "http://radio.example/"}};
  if (icy) headers.emplace_back("icy-metaint", std::to_string(kMetaInt));
  if (!connection.WriteHead(200, headers)) return;
  std::string meta = "StreamTitle='" + title + "';";
  meta.resize((meta.size() + 15) / 16 * 16, '\0');
  meta.insert(meta.begin(), static_cast<char>(meta.size() / 16));
  const std::string& audio = LongTone();
  std::size_t offset = 0;
  std::size_t sent = 0;
  while (!connection.Stopping()) {
    const std::size_t chunk = std::min(kMetaInt, audio.size() - offset);
    if (!connection.Write(std::string_view(audio).substr(offset, chunk))) return;
    offset = (offset + chunk) % audio.size();
    sent += chunk;
    if (icy && chunk == kMetaInt && !connection.Write(meta)) return;
    if (stall_after > 0 && sent >= stall_after) {
      connection.SleepFor(10min);  // until the server stops
      return;
    }
    // 4096 bytes every 200 ms: 160 kbit/s for a 128 kbit/s stream.
    connection.SleepFor(200ms);
  }
}

// A hidden instance on the null audio output. `network_timeout` (seconds)
// shortens how long a stalled stream is waited for.
inline MpvOptions TestOptions(const char* network_timeout = nullptr) {
  MpvOptions options;
  options.hidden = true;
  options.audio_output = "null";
  if (network_timeout != nullptr) options.extra_options = {{"network-timeout", network_timeout}};
  return options;
}

}  // namespace tazmel::test
