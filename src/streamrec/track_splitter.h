#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "streamrec/stream_frames.h"

namespace tazmel {

struct TrackSplitterOptions {
  std::filesystem::path folder;
  StreamFormat format = StreamFormat::kMp3;
  // Audio kept on both sides of a title change: the new file starts this
  // long before it, the old one ends this long after it. Stations change
  // the title a little before or after the music does.
  double overlap_seconds = 3.0;
  // The file name (without extension) while no title is known.
  std::string untitled_name = "Stream";
};

// One file the splitter wrote.
struct TrackFile {
  std::filesystem::path path;
  std::string title;  // UTF-8; empty for the untitled file
  double seconds = 0;
};

// Writes a received stream, frame by frame and unchanged, into one file
// per title. Titles arrive in stream order between the audio bytes, so a
// change falls exactly where the station put it. No threads, no clock:
// durations come from the frames themselves.
class TrackSplitter {
 public:
  explicit TrackSplitter(TrackSplitterOptions options);
  ~TrackSplitter();
  TrackSplitter(const TrackSplitter&) = delete;
  TrackSplitter& operator=(const TrackSplitter&) = delete;

  // The audio bytes as they came, cut anywhere.
  void Audio(std::string_view bytes);
  // A title as the station sent it (UTF-8 or Latin-1). Repeats of the
  // current title change nothing; an empty title before any other starts
  // the untitled file.
  void Title(std::string_view title);
  // The station sends no ICY titles: everything goes into one file, unless
  // an Ogg stream names its tracks itself.
  void NoTitles();
  // Closes every file; the splitter takes nothing more.
  void Finish();

  // False once a file could not be created or written; the error names
  // the file.
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }
  // Files in the order they were begun, with the audio they got so far.
  const std::vector<TrackFile>& Files() const { return files_; }
  std::uint64_t BytesWritten() const { return bytes_written_; }

 private:
  struct OpenFile {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{nullptr, &std::fclose};
    std::size_t index = 0;    // into files_
    double tail_seconds = 0;  // post-roll still owed (closing file only)
  };

  void OnFrame(const StreamFrame& frame);
  // With `overlap`, the old file goes on for the overlap and the new one
  // starts with the last of it; without, the cut is clean.
  bool Begin(const std::string& title, bool overlap = true);
  void ClearRecent();
  void WriteHeaders();
  void WriteTo(OpenFile& target, std::string_view bytes, double seconds);
  void Close(OpenFile& target);
  std::filesystem::path FreeName(const std::string& stem) const;

  TrackSplitterOptions options_;
  FrameScanner scanner_;
  OpenFile current_;
  OpenFile closing_;
  bool started_ = false;  // a file was begun (titled or not)
  bool no_titles_ = false;
  bool chain_pending_ = false;  // Ogg set-up pages held for their comment
  bool finished_ = false;
  std::string current_title_;
  // Frames seen before any file was begun, and the last overlap of audio.
  std::deque<std::string> recent_;
  std::deque<double> recent_seconds_;
  double recent_total_ = 0;
  std::size_t recent_bytes_ = 0;
  std::string headers_;                 // Ogg set-up pages of the current logical stream
  std::size_t headers_in_current_ = 0;  // of headers_, in the current file
  std::vector<TrackFile> files_;
  std::uint64_t bytes_written_ = 0;
  std::string error_;
};

// "Artist - Title" as a file name stem: invalid characters and control
// characters removed, leading dots and blanks trimmed, at most 200 bytes
// (never splitting a UTF-8 character). Empty when nothing is left.
std::string TrackFileStem(std::string_view utf8_title);

// The title as UTF-8: kept when it is valid UTF-8, else read as Latin-1.
std::string TitleAsUtf8(std::string_view title);

}  // namespace tazmel
