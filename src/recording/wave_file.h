#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "core/unique_fd.h"
#include "platform/wave_format.h"

namespace tazmel {

// The choices a wave format is built from, in table order.
enum class TSamplesPerSec { sp8k, sp11k, sp12k, sp16k, sp22k, sp24k, sp32k, sp44k, sp48k, sp96k };
enum class TBitsperSample { bs8Bit, bs16Bit };
enum class TChannels { ctMono, ctStereo };

std::uint32_t SamplesPerSecValue(TSamplesPerSec rate);
std::uint16_t BitsperSampleValue(TBitsperSample bits);
std::uint16_t ChannelsValue(TChannels channels);

// The choice a format value reads as: the table's rate nearest to `hz`,
// bs16Bit for 16 bits (bs8Bit otherwise), ctStereo for 2 channels (ctMono
// otherwise).
TSamplesPerSec SamplesPerSecOf(std::uint32_t hz);
TBitsperSample BitsperSampleOf(std::uint16_t bits);
TChannels ChannelsOf(std::uint16_t channels);

inline constexpr std::size_t kWaveFormatSize = 18;
inline constexpr std::int64_t kWaveHeaderSize = 58;
// The largest file whose RIFF and data sizes still fit their 32 bits.
inline constexpr std::int64_t kMaxWaveFileSize = 0xFFFFFFFFll;

// `file` when no such entry exists, else the first free "name (2).ext",
// "name (3).ext", ... beside it.
std::filesystem::path FreeFileName(const std::filesystem::path& file);

// PCM with block alignment and average rate derived from the three choices.
WaveFormat MakeWaveFormat(TSamplesPerSec rate, TBitsperSample bits, TChannels channels);

std::array<char, kWaveFormatSize> EncodeWaveFormat(const WaveFormat& format);
// Decodes the first bytes of a record; fields beyond `bytes` are zero.
WaveFormat DecodeWaveFormat(std::string_view bytes);

// "无效的wave文件" in the data code page.
inline constexpr std::string_view kInvalidWaveFileText = "\xCE\xDE\xD0\xA7\xB5\xC4wave\xCE\xC4\xBC\xFE";
// What a header that runs past the end of the file reports.
inline constexpr std::string_view kStreamReadErrorText = "Stream read error";

struct WaveFileOpenResult;

// A WAV file opened either for writing a recording or for reading one back.
//
// Writing truncates the file and lays down a complete 58-byte header (RIFF,
// fmt with the 18-byte record, fact, data) for no data at all; every append
// brings its sizes up to date, so a file cut off by a crash or a full disk
// still reads as far as it got. The sizes are 32-bit: a writer keeps the
// file within kMaxWaveFileSize and goes on in another file.
//
// Reading checks the RIFF/WAVE signature and walks the chunks up to "data"
// (or a zero chunk id); chunk sizes are taken as written, odd ones are not
// rounded up. A header that runs past the end of the file fails the open.
// The format record is reported as the file holds it; whether it can be
// played is for the player to judge.
class TWaveFileStream {
 public:
  enum class Mode { kWrite, kRead };

  // Failure gives no stream and the reason: the system's text for a file
  // that cannot be opened, kInvalidWaveFileText for a file that is not a
  // WAV file, kStreamReadErrorText for a header cut short.
  static WaveFileOpenResult Create(const std::filesystem::path& file, const WaveFormat& format, Mode mode);

  ~TWaveFileStream();
  TWaveFileStream(const TWaveFileStream&) = delete;
  TWaveFileStream& operator=(const TWaveFileStream&) = delete;

  const std::filesystem::path& FileName() const { return file_name_; }
  Mode GetMode() const { return mode_; }
  const WaveFormat& Format() const { return format_; }
  std::int64_t DataStart() const { return data_start_; }
  std::int64_t ReadPosition() const { return read_pos_; }
  std::int64_t WritePosition() const { return write_pos_; }
  bool EndOfData() const { return end_of_data_; }

  // Write mode: appends at the write position and updates the header's
  // sizes. False on a write error or in read mode.
  bool Append(const void* data, std::size_t count);

  // Read mode: up to `count` bytes from the read position; the number read,
  // 0 at the end, -1 for count <= 0, a read error or write mode. Sets the
  // end-of-data flag once the read position reaches the end of the file.
  std::int64_t Read(void* buffer, std::int64_t count);
  // Back to the first data byte; clears the end-of-data flag.
  void Rewind();

  // File size - data start; 0 when the file cannot be measured.
  std::int64_t DataSize() const;
  // File size - read position, never below 0.
  std::int64_t DataRemaining() const;

  // Write mode: finishes the header. Closes the file; false when the header
  // could not be written or the file not closed. Further calls do nothing.
  bool Close();

 private:
  TWaveFileStream(std::filesystem::path file, Mode mode, const WaveFormat& format);
  std::string OpenForWriting();
  std::string OpenForReading();
  bool FinishHeader();
  bool WriteHeader(std::int64_t data_length);
  std::int64_t FileSize() const;

  std::filesystem::path file_name_;
  Mode mode_;
  WaveFormat format_;
  UniqueFd fd_;
  std::int64_t data_start_ = 0;
  std::int64_t read_pos_ = 0;
  std::int64_t write_pos_ = 0;
  bool end_of_data_ = false;
};

struct WaveFileOpenResult {
  std::unique_ptr<TWaveFileStream> stream;  // null on failure
  std::string error;
};

}  // namespace tazmel
