#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

#include "support/shell.h"

// MP3 files made for the tests by sox and lame, and what the independent
// tools (mpg123, mutagen, id3v2, mp3info, ffprobe) say about them.
namespace tazmel::test {

inline std::string Quote(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// A tone of `seconds` at `rate` Hz with `channels`, encoded by lame with
// `lame_options`. False when either tool failed.
inline bool MakeMp3(const std::filesystem::path& mp3, const std::string& lame_options, double seconds = 2,
                    int rate = 44100, int channels = 2) {
  const std::filesystem::path wav = mp3.string() + ".wav";
  const std::string command = "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 " +
                              Quote(wav) + " synth " + std::to_string(seconds) +
                              " sine 300-3000 >/dev/null 2>&1 && lame --quiet " + lame_options + " " + Quote(wav) +
                              " " + Quote(mp3) + " >/dev/null 2>&1 && echo ok";
  const bool ok = Shell(command) == "ok\n";
  std::filesystem::remove(wav);
  return ok;
}

// The decoded audio's checksum: unchanged as long as the frames are.
inline std::string AudioSum(const std::filesystem::path& mp3) {
  return Shell("mpg123 -q -s " + Quote(mp3) + " 2>/dev/null | md5sum");
}

// Runs a Python 3 script with mutagen (the system's Python, where the
// Debian package lives); the file is its first argument.
inline std::string Mutagen(const std::string& script, const std::filesystem::path& file) {
  const std::filesystem::path py = file.string() + ".py";
  if (FILE* out = std::fopen(py.c_str(), "w")) {
    std::fputs(script.c_str(), out);
    std::fclose(out);
  }
  std::string result = Shell("/usr/bin/python3 " + Quote(py) + " " + Quote(file) + " 2>&1");
  std::filesystem::remove(py);
  return result;
}

}  // namespace tazmel::test
