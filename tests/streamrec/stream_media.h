#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "streamrec/stream_frames.h"
#include "support/shell.h"
#include "support/test_audio.h"
#include "temp_dir.h"

namespace tazmel::test {

// Audio in each container a station sends, made by the real encoders:
// a LAME tone for MP3 (constant bit rate, no information frame), ffmpeg
// noise for ADTS AAC and Ogg Vorbis (a tone would squeeze to a few bytes).
inline std::string ToneStream(StreamFormat format, double seconds) {
  if (format == StreamFormat::kMp3) return MakeToneMp3(seconds);
  const std::string codec = format == StreamFormat::kAac ? "-c:a aac -b:a 64k -f adts" : "-c:a libvorbis -q:a 4 -f ogg";
  return Shell("ffmpeg -v error -f lavfi -i anoisesrc=colour=pink:amplitude=0.3:duration=" + std::to_string(seconds) +
               " -ac 2 -ar 44100 " + codec + " pipe:1");
}

// One track of an Icecast Ogg stream: its own logical stream, named in its
// comment header.
inline std::string OggTrack(double seconds, const std::string& artist, const std::string& title) {
  return Shell("ffmpeg -v error -f lavfi -i anoisesrc=colour=pink:amplitude=0.3:duration=" + std::to_string(seconds) +
               " -ac 2 -ar 44100 -c:a libvorbis -q:a 4 -metadata artist='" + artist + "' -metadata title='" + title +
               "' -f ogg pipe:1");
}

inline std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// What ffprobe decodes: the audio stream's codec name ("" when none), and
// the seconds of all its packets.
inline std::string ProbeCodec(const std::filesystem::path& file) {
  std::string out = Shell("ffprobe -v error -select_streams a:0 -show_entries stream=codec_name -of csv=p=0 " +
                          Quoted(file) + " 2>/dev/null");
  while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
  return out;
}

inline double ProbeSeconds(const std::filesystem::path& file) {
  const std::string out = Shell("ffprobe -v error -select_streams a:0 -show_entries packet=duration_time -of csv=p=0 " +
                                Quoted(file) + " 2>/dev/null | awk '{s += $1} END {printf \"%f\", s}'");
  return std::atof(out.c_str());
}

inline std::string ProbeTag(const std::filesystem::path& file, const std::string& tag) {
  std::string out =
      Shell("ffprobe -v error -show_entries format_tags=" + tag + " -of csv=p=0 " + Quoted(file) + " 2>/dev/null");
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

}  // namespace tazmel::test
