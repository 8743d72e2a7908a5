#include "recording/wave_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <limits>

#include <sys/stat.h>

namespace tazmel {
namespace {

constexpr std::uint32_t kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000, 96000};

void PutLe16(char* out, std::uint16_t value) {
  out[0] = static_cast<char>(value & 0xFF);
  out[1] = static_cast<char>(value >> 8);
}

void PutLe32(char* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint16_t GetLe16(const char* in) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(in[0]) | static_cast<unsigned char>(in[1]) << 8);
}

std::uint32_t GetLe32(const char* in) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(in[i]);
  return value;
}

// Header sizes are 32-bit: a file past 4 GiB reports the largest size
// instead of a wrapped, much smaller one.
std::uint32_t SizeField(std::int64_t size) {
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(size, 0, std::numeric_limits<std::uint32_t>::max()));
}

// Transfers until done, retrying interrupted and short transfers; false on
// an error or, when reading, the end of the file before `count` bytes.
bool ReadExactly(int fd, std::int64_t offset, char* out, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::pread(fd, out, count, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    count -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

bool WriteExactly(int fd, std::int64_t offset, const char* data, std::size_t count) {
  while (count > 0) {
    const ssize_t n = ::pwrite(fd, data, count, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    count -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

}  // namespace

std::filesystem::path FreeFileName(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::symlink_status(file, ec))) return file;
  const std::string stem = file.stem().string();
  const std::string extension = file.extension().string();
  for (int n = 2;; ++n) {
    std::filesystem::path next = file.parent_path() / (stem + " (" + std::to_string(n) + ")" + extension);
    if (!std::filesystem::exists(std::filesystem::symlink_status(next, ec))) return next;
  }
}

std::uint32_t SamplesPerSecValue(TSamplesPerSec rate) { return kRates[static_cast<int>(rate)]; }

std::uint16_t BitsperSampleValue(TBitsperSample bits) { return bits == TBitsperSample::bs16Bit ? 16 : 8; }

std::uint16_t ChannelsValue(TChannels channels) { return channels == TChannels::ctStereo ? 2 : 1; }

TSamplesPerSec SamplesPerSecOf(std::uint32_t hz) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(std::size(kRates)); ++i) {
    const auto distance = [hz](std::uint32_t rate) { return rate > hz ? rate - hz : hz - rate; };
    if (distance(kRates[i]) < distance(kRates[best])) best = i;
  }
  return static_cast<TSamplesPerSec>(best);
}

TBitsperSample BitsperSampleOf(std::uint16_t bits) {
  return bits == 16 ? TBitsperSample::bs16Bit : TBitsperSample::bs8Bit;
}

TChannels ChannelsOf(std::uint16_t channels) { return channels == 2 ? TChannels::ctStereo : TChannels::ctMono; }

WaveFormat MakeWaveFormat(TSamplesPerSec rate, TBitsperSample bits, TChannels channels) {
  WaveFormat format;
  format.format_tag = kWaveFormatPcm;
  format.channels = ChannelsValue(channels);
  format.samples_per_sec = SamplesPerSecValue(rate);
  format.bits_per_sample = BitsperSampleValue(bits);
  format.block_align = static_cast<std::uint16_t>(format.channels * (format.bits_per_sample / 8));
  format.avg_bytes_per_sec = format.block_align * format.samples_per_sec;
  format.extra_size = 0;
  return format;
}

std::array<char, kWaveFormatSize> EncodeWaveFormat(const WaveFormat& format) {
  std::array<char, kWaveFormatSize> out{};
  PutLe16(&out[0], format.format_tag);
  PutLe16(&out[2], format.channels);
  PutLe32(&out[4], format.samples_per_sec);
  PutLe32(&out[8], format.avg_bytes_per_sec);
  PutLe16(&out[12], format.block_align);
  PutLe16(&out[14], format.bits_per_sample);
  PutLe16(&out[16], format.extra_size);
  return out;
}

WaveFormat DecodeWaveFormat(std::string_view bytes) {
  std::array<char, kWaveFormatSize> in{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), in.size()), in.begin());
  WaveFormat format;
  format.format_tag = GetLe16(&in[0]);
  format.channels = GetLe16(&in[2]);
  format.samples_per_sec = GetLe32(&in[4]);
  format.avg_bytes_per_sec = GetLe32(&in[8]);
  format.block_align = GetLe16(&in[12]);
  format.bits_per_sample = GetLe16(&in[14]);
  format.extra_size = GetLe16(&in[16]);
  return format;
}

TWaveFileStream::TWaveFileStream(std::filesystem::path file, Mode mode, const WaveFormat& format)
    : file_name_(std::move(file)), mode_(mode), format_(format) {}

TWaveFileStream::~TWaveFileStream() { Close(); }

WaveFileOpenResult TWaveFileStream::Create(const std::filesystem::path& file, const WaveFormat& format, Mode mode) {
  std::unique_ptr<TWaveFileStream> stream(new TWaveFileStream(file, mode, format));
  std::string error = mode == Mode::kWrite ? stream->OpenForWriting() : stream->OpenForReading();
  if (!error.empty()) return {nullptr, std::move(error)};
  return {std::move(stream), {}};
}

std::string TWaveFileStream::OpenForWriting() {
  fd_ = UniqueFd(file_name_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (!fd_.Valid()) return std::strerror(errno);
  // The record always says "no extra bytes": the fmt chunk holds 18 bytes.
  format_.extra_size = 0;
  if (!WriteHeader(0)) {
    const std::string error = std::strerror(errno);
    fd_.Close();
    return error;
  }
  data_start_ = read_pos_ = write_pos_ = kWaveHeaderSize;
  return {};
}

std::string TWaveFileStream::OpenForReading() {
  // Non-blocking so that a FIFO under a WAV name cannot stall the open; it
  // is refused below as not a regular file. Writers are not shut out while
  // we read (Linux has no share modes); a file rewritten meanwhile plays oddly.
  fd_ = UniqueFd(file_name_.c_str(), O_RDONLY | O_NONBLOCK);
  if (!fd_.Valid()) return std::strerror(errno);
  struct stat st {};
  if (::fstat(fd_.Get(), &st) != 0) return std::strerror(errno);
  if (!S_ISREG(st.st_mode)) return std::string(kInvalidWaveFileText);

  char riff[12];
  if (!ReadExactly(fd_.Get(), 0, riff, sizeof riff)) return std::string(kStreamReadErrorText);
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
    return std::string(kInvalidWaveFileText);
  }

  // Every round moves at least 8 bytes on and a header past the end of the
  // file fails to read, so the walk ends on any input.
  format_ = DecodeWaveFormat({});
  std::int64_t offset = sizeof riff;
  for (;;) {
    char chunk[8];
    if (!ReadExactly(fd_.Get(), offset, chunk, sizeof chunk)) return std::string(kStreamReadErrorText);
    offset += sizeof chunk;
    const std::uint32_t size = GetLe32(chunk + 4);
    if (std::memcmp(chunk, "data", 4) == 0 || GetLe32(chunk) == 0) break;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      char record[kWaveFormatSize];
      const std::size_t count = std::min<std::size_t>(size, kWaveFormatSize);
      if (!ReadExactly(fd_.Get(), offset, record, count)) return std::string(kStreamReadErrorText);
      format_ = DecodeWaveFormat({record, count});
    }
    offset += size;
  }
  data_start_ = read_pos_ = write_pos_ = offset;
  return {};
}

bool TWaveFileStream::Append(const void* data, std::size_t count) {
  if (mode_ != Mode::kWrite || !fd_.Valid()) return false;
  if (!WriteExactly(fd_.Get(), write_pos_, static_cast<const char*>(data), count)) return false;
  write_pos_ += static_cast<std::int64_t>(count);
  return WriteHeader(write_pos_ - kWaveHeaderSize);
}

std::int64_t TWaveFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || mode_ != Mode::kRead || !fd_.Valid()) return -1;
  char* out = static_cast<char*>(buffer);
  std::int64_t total = 0;
  while (total < count) {
    const ssize_t n = ::pread(fd_.Get(), out + total, static_cast<std::size_t>(count - total), read_pos_);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    total += n;
    read_pos_ += n;
  }
  end_of_data_ = read_pos_ >= FileSize();
  return total;
}

void TWaveFileStream::Rewind() {
  read_pos_ = data_start_;
  end_of_data_ = false;
}

std::int64_t TWaveFileStream::FileSize() const {
  struct stat st {};
  if (!fd_.Valid() || ::fstat(fd_.Get(), &st) != 0) return -1;
  return st.st_size;
}

std::int64_t TWaveFileStream::DataSize() const { return std::max<std::int64_t>(FileSize() - data_start_, 0); }

std::int64_t TWaveFileStream::DataRemaining() const { return std::max<std::int64_t>(FileSize() - read_pos_, 0); }

bool TWaveFileStream::FinishHeader() {
  const std::int64_t file_size = FileSize();
  if (file_size < kWaveHeaderSize) return false;
  return WriteHeader(file_size - kWaveHeaderSize);
}

bool TWaveFileStream::WriteHeader(std::int64_t data_length) {
  const std::int64_t file_size = data_length + kWaveHeaderSize;
  // A caller's format without block alignment gives no frame count rather
  // than a division by zero.
  const std::int64_t frames = format_.block_align ? data_length / format_.block_align : 0;

  char header[kWaveHeaderSize];
  std::memcpy(header, "RIFF", 4);
  PutLe32(header + 4, SizeField(file_size - 8));
  std::memcpy(header + 8, "WAVEfmt ", 8);
  PutLe32(header + 16, kWaveFormatSize);
  const auto record = EncodeWaveFormat(format_);
  std::copy(record.begin(), record.end(), header + 20);
  std::memcpy(header + 38, "fact", 4);
  PutLe32(header + 42, 4);
  PutLe32(header + 46, SizeField(frames));
  std::memcpy(header + 50, "data", 4);
  PutLe32(header + 54, SizeField(data_length));
  return WriteExactly(fd_.Get(), 0, header, sizeof header);
}

bool TWaveFileStream::Close() {
  if (!fd_.Valid()) return true;
  bool ok = mode_ != Mode::kWrite || FinishHeader();
  ok = fd_.Close() && ok;
  return ok;
}

}  // namespace tazmel
