#pragma once

#include <string>

namespace tazmel::test {

// A sine tone as an MP3 file's bytes, encoded with LAME: 44100 Hz stereo,
// constant bit rate, no leading information frame, so that any slice of
// whole frames is a valid stream as well.
std::string MakeToneMp3(double seconds, int frequency_hz = 440, int bitrate_kbps = 128);

// The same tone as a 16-bit PCM WAV file's bytes (44-byte header).
std::string MakeToneWav(double seconds, int frequency_hz = 440);

}  // namespace tazmel::test
