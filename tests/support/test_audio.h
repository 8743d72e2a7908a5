#pragma once

#include <string>

namespace tazmel::test {

// A sine tone as an MP3 file's bytes, encoded with LAME: 44100 Hz stereo,
// constant bit rate, no leading information frame, so that any slice of
// whole frames is a valid stream as well.
std::string MakeToneMp3(double seconds, int frequency_hz = 440, int bitrate_kbps = 128);

// The same tone as a 16-bit PCM WAV file's bytes (44-byte header).
std::string MakeToneWav(double seconds, int frequency_hz = 440);

// The MP3 bytes behind an ID3v2.3 tag holding one TLAN (language) frame
// with `language` in ISO-8859-1, e.g. "ger".
std::string WithId3Language(const std::string& mp3, const std::string& language);

}  // namespace tazmel::test
