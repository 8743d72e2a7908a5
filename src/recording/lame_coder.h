#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/dispatcher.h"
#include "platform/wave_format.h"

struct lame_global_struct;

namespace tazmel {

enum class MPEG_QUALITY { NORMAL_QUALITY = 0, LOW_QUALITY = 1, HIGH_QUALITY = 2, VOICE_QUALITY = 3 };
enum class TLameMode { STEREO = 0, JSTEREO = 1, DUALCHANNEL = 2, MONO = 3 };

struct TLameVersion {
  std::uint8_t DLLMajorVersion = 0, DLLMinorVersion = 0, MajorVersion = 0, MinorVersion = 0;
};

// Where a WAV file's samples are and what they are; read from its chunks.
struct WavSamples {
  WaveFormat format;
  std::int64_t data_start = 0;
  std::int64_t data_length = 0;  // bounded by the file's size
};
// Nothing for a file that is no RIFF/WAVE file; `error` says why a WAV
// file cannot be converted ("" for a file that is no WAV file at all).
std::optional<WavSamples> ReadWavSamples(const std::filesystem::path& file, std::string* error);

// MP3 encoding through libmp3lame: a stream fed chunk by chunk while
// recording, and the batch conversion of WAV files. Every encoder setting
// is made here explicitly, as LAME's own defaults differ from ours (it
// would mark frames "original", write an information frame and ID3 tags).
class TLameCoder {
 public:
  TLameCoder();
  ~TLameCoder();
  TLameCoder(const TLameCoder&) = delete;
  TLameCoder& operator=(const TLameCoder&) = delete;

  std::uint32_t SampleRate = 44100;
  std::uint32_t Bitrate = 128;
  std::uint32_t MaxBitrate = 320;
  MPEG_QUALITY Quality = MPEG_QUALITY::NORMAL_QUALITY;
  TLameMode Mode = TLameMode::STEREO;
  bool Private = false;
  bool CRC = true;
  bool Copyright = false;
  bool Original = false;
  bool WriteVBRHeader = false;
  int VBRQuality = 4;
  std::string DefaultExt = ".mp3";

  bool EnableVBR() const { return enable_vbr_; }
  // Also sets WriteVBRHeader to the same value.
  void SetEnableVBR(bool on) {
    enable_vbr_ = on;
    WriteVBRHeader = on;
  }

  const std::vector<std::filesystem::path>& InputFiles() const { return input_files_; }
  // Also derives OutputFiles: each input with its extension replaced by
  // DefaultExt.
  void SetInputFiles(std::vector<std::filesystem::path> files);
  std::vector<std::filesystem::path>& OutputFiles() { return output_files_; }

  TLameVersion LameVersion() const;

  // --- streaming
  // 0 on success, else LAME's (negative) result code.
  int OpenStream();
  // The sample values (frames x channels) one chunk holds.
  std::size_t SamplesPerChunk() const { return samples_per_chunk_; }
  // Encodes `count` interleaved 16-bit sample values, appending the MP3
  // bytes to `out`; 0 or LAME's result code.
  int EncodeChunk(const std::int16_t* samples, std::size_t count, std::vector<unsigned char>& out);
  // The last frames; 0 or LAME's result code.
  int Flush(std::vector<unsigned char>& out);
  void CloseStream();
  bool StreamOpen() const { return lame_ != nullptr; }

  // --- batch conversion
  std::function<void()> OnBeginProcess;
  std::function<void(std::uint16_t index, const std::filesystem::path& input)> OnBeginFile;
  std::function<void(std::uint16_t percent)> OnProgress;
  std::function<void(std::uint16_t index, const std::filesystem::path& output)> OnEndFile;
  std::function<void()> OnEndProcess;

  // Converts every input file into its output file, letting `dispatcher`
  // run pending events after each chunk. A WAV file is encoded at its own
  // rate and channels from its data chunk (8 or 16 bits); any other file as
  // raw 16-bit samples at SampleRate and Mode. Each output is written under
  // a temporary name and renamed into place once whole, so neither a
  // cancel nor an error leaves a partial target, and converting a file
  // onto itself works. False on an error (LastError()) or a cancel.
  bool ConvertFiles(Dispatcher& dispatcher);
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }
  const std::string& LastError() const { return last_error_; }

 private:
  int OpenStreamFor(std::uint32_t rate, TLameMode mode);
  bool ConvertFile(Dispatcher& dispatcher, std::size_t index);

  lame_global_struct* lame_ = nullptr;
  int channels_ = 2;
  std::size_t samples_per_chunk_ = 0;
  bool enable_vbr_ = false;
  bool cancelled_ = false;
  std::string last_error_;
  std::vector<std::filesystem::path> input_files_;
  std::vector<std::filesystem::path> output_files_;
};

}  // namespace tazmel
