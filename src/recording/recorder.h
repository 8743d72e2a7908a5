#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/dispatcher.h"
#include "platform/wave_device.h"
#include "recording/lame_coder.h"
#include "recording/wave_in.h"

namespace tazmel {

inline constexpr int kAttributeCount = 40;
inline constexpr int kDefaultAttributes = 31;  // 44100 Hz, 16 bits, stereo

// The capture format of attribute entry k (rate-major: rate k / 4, bits
// (k / 2) % 2, channels k % 2).
WaveFormat AttributeFormat(int k);
// Its text from the message slots, e.g. "44100 Hz, 16Bit, Stereo (CD
// Quality,Commend)".
std::string AttributeText(int k);

// The file name of a recording of `text`: the text without the characters
// a file name cannot hold, its extension (from the last ".") replaced by a
// blank, `stamp` and the format's extension; no blank when the text was
// empty.
std::string RecordingName(std::string_view text, std::string_view stamp, bool mp3);

// The recorder's work without its window: starting and stopping a
// recording to WAV (written by the capture) or MP3 (encoded on the fly),
// the counters, and the list of the recordings in the save folder. All on
// the dispatcher's thread.
class TRecorder {
 public:
  enum class Format { kWave = 0, kMp3 = 1 };

  // `coder` may be null: MP3 is then unavailable. Recordings go to
  // `program_folder`/Record until a save folder is set.
  TRecorder(Dispatcher& dispatcher, std::unique_ptr<WaveInDevice> device, std::unique_ptr<TLameCoder> coder,
            std::filesystem::path program_folder);
  ~TRecorder();

  std::function<void()> on_started;
  std::function<void()> on_stopped;
  // A recording could not start or broke off; it has stopped when this
  // runs. The text is for the user.
  std::function<void(const std::string& error)> on_error;
  // The counters changed (after each buffer).
  std::function<void()> on_progress;

  const std::filesystem::path& SaveFolder() const { return save_folder_; }
  void SetSaveFolder(std::filesystem::path folder) { save_folder_ = std::move(folder); }
  Format FileFormat() const { return format_; }
  // MP3 without an encoder falls back to Wave; choosing MP3 picks the
  // attribute entry kDefaultAttributes.
  void SetFileFormat(Format format);
  int Attributes() const { return attributes_; }
  // Indices outside 0 .. kAttributeCount - 1 are ignored.
  void SetAttributes(int k);
  void SetSource(WaveInSource source);
  TLameCoder* Coder() { return coder_.get(); }
  TWaveIn& Capture() { return capture_; }

  // Starts recording into `file_text` (the record file's text): an empty
  // or existing name records under a name made from `playing` (the
  // station's name or the music file's) and the time; a bare name gets the
  // save folder, the time and the format's extension; a path is taken as
  // typed, its extension choosing WAV or MP3. Two starts in one second get
  // " (2)". False on failure, with on_error told.
  bool Start(const std::string& file_text, const std::string& playing);
  void Stop();
  bool Recording() const { return recording_; }
  const std::filesystem::path& File() const { return file_; }
  // Bytes of the running (or last) recording, header included.
  std::int64_t Bytes() const { return bytes_; }
  // "0.17 MB"; "hh:nn:ss" since the start.
  std::string SizeText() const;
  std::string ElapsedText() const;

  // The .wav and .mp3 files directly in the save folder, sorted.
  std::vector<std::filesystem::path> RecordFiles() const;
  // Deletes the listed recordings and nothing else; the folder goes only
  // when that leaves it empty. Refused while recording or converting.
  // False when anything listed could not be deleted.
  bool Clear();

  // Converting through the coder; Clear is refused meanwhile.
  void SetConverting(bool on) { converting_ = on; }
  bool Converting() const { return converting_; }

  // The moment file names are stamped with; the system's by default.
  void SetWallClock(std::function<std::chrono::system_clock::time_point()> clock) { wall_clock_ = std::move(clock); }

 private:
  std::filesystem::path Folder() const;
  void Buffer(const char* data, std::size_t count);
  void Failed(const std::string& error);
  void FinishMp3();

  Dispatcher& dispatcher_;
  TWaveIn capture_;
  std::unique_ptr<TLameCoder> coder_;
  std::filesystem::path program_folder_;
  std::filesystem::path save_folder_;
  Format format_ = Format::kWave;
  int attributes_ = kDefaultAttributes;
  bool recording_ = false;
  bool converting_ = false;
  bool mp3_ = false;
  std::filesystem::path file_;
  int mp3_fd_ = -1;
  std::vector<std::int16_t> chunk_;
  std::vector<unsigned char> encoded_;
  std::int64_t bytes_ = 0;
  std::chrono::steady_clock::time_point started_;
  std::function<std::chrono::system_clock::time_point()> wall_clock_;
};

}  // namespace tazmel
