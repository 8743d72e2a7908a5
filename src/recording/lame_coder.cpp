#include "recording/lame_coder.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <lame/lame.h>

#include "core/file_utils.h"
#include "core/unique_fd.h"

namespace tazmel {
namespace {

// Frames of one MPEG-1 layer III granule pair.
constexpr std::size_t kFramesPerChunk = 1152;
// Chunks read and encoded between two looks at pending events.
constexpr std::size_t kChunksPerRead = 8;

std::uint16_t Le16(const unsigned char* in) { return static_cast<std::uint16_t>(in[0] | in[1] << 8); }
std::uint32_t Le32(const unsigned char* in) {
  return static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
         static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24;
}

bool ReadAt(int fd, std::int64_t offset, void* out, std::size_t count) {
  auto* bytes = static_cast<char*>(out);
  while (count > 0) {
    const ssize_t n = ::pread(fd, bytes, count, offset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    count -= static_cast<std::size_t>(n);
    offset += n;
  }
  return true;
}

MPEG_mode LameModeOf(TLameMode mode) {
  switch (mode) {
    case TLameMode::JSTEREO:
      return JOINT_STEREO;
    case TLameMode::DUALCHANNEL:
      return DUAL_CHANNEL;
    case TLameMode::MONO:
      return MONO;
    case TLameMode::STEREO:
      break;
  }
  return STEREO;
}

// The encoder's algorithm quality for each preset (0 best .. 9 fastest);
// voice also cuts what speech does not need.
int AlgorithmQuality(MPEG_QUALITY quality) {
  switch (quality) {
    case MPEG_QUALITY::LOW_QUALITY:
      return 7;
    case MPEG_QUALITY::HIGH_QUALITY:
      return 2;
    case MPEG_QUALITY::NORMAL_QUALITY:
    case MPEG_QUALITY::VOICE_QUALITY:
      break;
  }
  return 5;
}

}  // namespace

std::optional<WavSamples> ReadWavSamples(const std::filesystem::path& file, std::string* error) {
  if (error) error->clear();
  UniqueFd fd(file.c_str(), O_RDONLY | O_NONBLOCK);
  struct stat st {};
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const std::int64_t size = st.st_size;
  unsigned char riff[12];
  if (!ReadAt(fd.Get(), 0, riff, sizeof riff) || std::memcmp(riff, "RIFF", 4) != 0 ||
      std::memcmp(riff + 8, "WAVE", 4) != 0) {
    return std::nullopt;
  }
  WavSamples out;
  bool have_format = false;
  const auto fail = [error](const char* why) -> std::optional<WavSamples> {
    if (error) *error = why;
    return std::nullopt;
  };
  // Each chunk moves the offset on by at least its 8-byte header, and every
  // size is checked against the file's, so the walk ends on any input.
  for (std::int64_t offset = sizeof riff;;) {
    unsigned char chunk[8];
    if (offset + 8 > size || !ReadAt(fd.Get(), offset, chunk, sizeof chunk)) return fail("No data chunk");
    const std::uint32_t chunk_size = Le32(chunk + 4);
    offset += 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      unsigned char record[16];
      if (chunk_size < sizeof record || !ReadAt(fd.Get(), offset, record, sizeof record)) {
        return fail("Bad format chunk");
      }
      out.format.format_tag = Le16(record);
      out.format.channels = Le16(record + 2);
      out.format.samples_per_sec = Le32(record + 4);
      out.format.avg_bytes_per_sec = Le32(record + 8);
      out.format.block_align = Le16(record + 12);
      out.format.bits_per_sample = Le16(record + 14);
      have_format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!have_format) return fail("No format chunk");
      const WaveFormat& f = out.format;
      if (f.format_tag != kWaveFormatPcm || (f.bits_per_sample != 8 && f.bits_per_sample != 16) || f.channels < 1 ||
          f.channels > 2 || f.block_align != f.channels * f.bits_per_sample / 8 || f.samples_per_sec == 0) {
        return fail("Not 8- or 16-bit PCM");
      }
      out.data_start = offset;
      out.data_length = std::min<std::int64_t>(chunk_size, size - offset);
      out.data_length -= out.data_length % f.block_align;
      return out;
    }
    // Chunks are padded to an even size.
    offset += chunk_size + (chunk_size & 1);
  }
}

TLameCoder::TLameCoder() = default;

TLameCoder::~TLameCoder() { CloseStream(); }

void TLameCoder::SetInputFiles(std::vector<std::filesystem::path> files) {
  input_files_ = std::move(files);
  output_files_.clear();
  for (const auto& file : input_files_)
    output_files_.push_back(std::filesystem::path(file).replace_extension(DefaultExt));
}

TLameVersion TLameCoder::LameVersion() const {
  lame_version_t version{};
  get_lame_version_numerical(&version);
  TLameVersion out;
  out.DLLMajorVersion = out.MajorVersion = static_cast<std::uint8_t>(version.major);
  out.DLLMinorVersion = out.MinorVersion = static_cast<std::uint8_t>(version.minor);
  return out;
}

int TLameCoder::OpenStream() { return OpenStreamFor(SampleRate, Mode); }

int TLameCoder::OpenStreamFor(std::uint32_t rate, TLameMode mode) {
  CloseStream();
  lame_ = lame_init();
  if (!lame_) return -1;
  channels_ = mode == TLameMode::MONO ? 1 : 2;
  lame_set_in_samplerate(lame_, static_cast<int>(rate));
  lame_set_out_samplerate(lame_, static_cast<int>(rate));  // no resampling
  lame_set_num_channels(lame_, channels_);
  lame_set_mode(lame_, LameModeOf(mode));
  lame_set_quality(lame_, AlgorithmQuality(Quality));
  lame_set_lowpassfreq(lame_, Quality == MPEG_QUALITY::VOICE_QUALITY ? 12000 : 0);
  lame_set_brate(lame_, static_cast<int>(Bitrate));
  lame_set_VBR(lame_, enable_vbr_ ? vbr_default : vbr_off);
  lame_set_VBR_q(lame_, std::clamp(VBRQuality, 0, 9));
  lame_set_VBR_min_bitrate_kbps(lame_, static_cast<int>(Bitrate));
  lame_set_VBR_max_bitrate_kbps(lame_, static_cast<int>(MaxBitrate));
  lame_set_bWriteVbrTag(lame_, WriteVBRHeader ? 1 : 0);
  lame_set_extension(lame_, Private ? 1 : 0);
  lame_set_error_protection(lame_, CRC ? 1 : 0);
  lame_set_copyright(lame_, Copyright ? 1 : 0);
  lame_set_original(lame_, Original ? 1 : 0);
  lame_set_emphasis(lame_, 0);
  lame_set_findReplayGain(lame_, 0);
  lame_set_write_id3tag_automatic(lame_, 0);
  int result = lame_init_params(lame_);
  // A rate MPEG audio lacks would be resampled on the quiet; we never
  // resample, so such a stream is refused.
  if (result >= 0 && lame_get_out_samplerate(lame_) != static_cast<int>(rate)) result = -1;
  if (result < 0) {
    CloseStream();
    return result;
  }
  samples_per_chunk_ = static_cast<std::size_t>(lame_get_framesize(lame_)) * static_cast<std::size_t>(channels_);
  return 0;
}

int TLameCoder::EncodeChunk(const std::int16_t* samples, std::size_t count, std::vector<unsigned char>& out) {
  if (!lame_) return -1;
  const std::size_t frames = count / static_cast<std::size_t>(channels_);
  // LAME's own bound: 1.25 x the frames + 7200 bytes.
  const std::size_t room = frames + frames / 4 + 7200;
  const std::size_t before = out.size();
  out.resize(before + room);
  const int written = channels_ == 2
                          ? lame_encode_buffer_interleaved(lame_, const_cast<short*>(samples), static_cast<int>(frames),
                                                           out.data() + before, static_cast<int>(room))
                          : lame_encode_buffer(lame_, samples, samples, static_cast<int>(frames), out.data() + before,
                                               static_cast<int>(room));
  out.resize(before + static_cast<std::size_t>(std::max(written, 0)));
  return written < 0 ? written : 0;
}

int TLameCoder::Flush(std::vector<unsigned char>& out) {
  if (!lame_) return -1;
  const std::size_t before = out.size();
  out.resize(before + 7200);
  const int written = lame_encode_flush(lame_, out.data() + before, 7200);
  out.resize(before + static_cast<std::size_t>(std::max(written, 0)));
  return written < 0 ? written : 0;
}

void TLameCoder::CloseStream() {
  if (lame_) lame_close(lame_);
  lame_ = nullptr;
  samples_per_chunk_ = 0;
}

bool TLameCoder::ConvertFiles(Dispatcher& dispatcher) {
  cancelled_ = false;
  last_error_.clear();
  if (OnBeginProcess) OnBeginProcess();
  for (std::size_t i = 0; i < input_files_.size() && i < output_files_.size(); ++i) {
    if (!ConvertFile(dispatcher, i)) return false;
  }
  if (OnEndProcess) OnEndProcess();
  return true;
}

bool TLameCoder::ConvertFile(Dispatcher& dispatcher, std::size_t index) {
  const std::filesystem::path& input = input_files_[index];
  const std::filesystem::path& output = output_files_[index];
  const auto file_index = static_cast<std::uint16_t>(index);

  std::string wav_error;
  const std::optional<WavSamples> wav = ReadWavSamples(input, &wav_error);
  if (!wav && !wav_error.empty()) {
    last_error_ = "Read Error: " + wav_error;
    return false;
  }
  UniqueFd in(input.c_str(), O_RDONLY | O_NONBLOCK);
  struct stat st {};
  if (!in.Valid() || ::fstat(in.Get(), &st) != 0) {
    last_error_ = "Read Error";
    return false;
  }
  WaveFormat format;
  std::int64_t start = 0, total = st.st_size;
  TLameMode mode = Mode;
  std::uint32_t rate = SampleRate;
  if (wav) {
    format = wav->format;
    start = wav->data_start;
    total = wav->data_length;
    rate = format.samples_per_sec;
    if (format.channels == 1) {
      mode = TLameMode::MONO;
    } else if (mode == TLameMode::MONO) {
      mode = TLameMode::JSTEREO;
    }
  } else {
    format.channels = Mode == TLameMode::MONO ? 1 : 2;
    format.bits_per_sample = 16;
    format.block_align = static_cast<std::uint16_t>(2 * format.channels);
    total -= total % format.block_align;
  }
  if (const int result = OpenStreamFor(rate, mode); result != 0) {
    last_error_ = "LAME refused the stream (" + std::to_string(result) + ")";
    return false;
  }
  if (OnBeginFile) OnBeginFile(file_index, input);

  // The output grows under a temporary name beside the target.
  std::string temp_name = (output.parent_path() / ("." + output.filename().string() + ".XXXXXX")).string();
  const int temp_fd = ::mkstemp(temp_name.data());
  UniqueFd out;
  if (temp_fd >= 0) {
    out = UniqueFd(temp_name.c_str(), O_WRONLY);
    ::close(temp_fd);
  }
  if (!out.Valid()) {
    if (temp_fd >= 0) ::unlink(temp_name.c_str());
    CloseStream();
    last_error_ = "Write Error";
    return false;
  }
  const auto give_up = [&](std::string why) {
    CloseStream();
    out.Close();
    ::unlink(temp_name.c_str());
    last_error_ = std::move(why);
    return false;
  };

  const std::size_t frame_bytes = format.block_align;
  const std::size_t chunk_frames = kFramesPerChunk * kChunksPerRead;
  std::vector<unsigned char> raw(chunk_frames * frame_bytes);
  std::vector<std::int16_t> samples;
  std::vector<unsigned char> mp3;
  std::int64_t done = 0;
  while (done < total) {
    const auto n =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(raw.size()), total - done));
    if (!ReadAt(in.Get(), start + done, raw.data(), n)) return give_up("Read Error");
    const std::size_t values = n * 8 / format.bits_per_sample;
    samples.resize(values);
    if (format.bits_per_sample == 8) {
      for (std::size_t i = 0; i < values; ++i) samples[i] = static_cast<std::int16_t>((raw[i] - 128) * 256);
    } else {
      for (std::size_t i = 0; i < values; ++i) samples[i] = static_cast<std::int16_t>(Le16(&raw[2 * i]));
    }
    mp3.clear();
    if (const int result = EncodeChunk(samples.data(), values, mp3); result != 0) {
      return give_up("beEncodeChunk failed " + std::to_string(result));
    }
    if (!WriteAll(out.Get(), mp3.data(), mp3.size())) return give_up("Write Error");
    done += static_cast<std::int64_t>(n);
    if (OnProgress) OnProgress(static_cast<std::uint16_t>(done * 100 / total));
    dispatcher.ProcessEvents(std::chrono::milliseconds(0));
    if (cancelled_) return give_up({});
  }
  mp3.clear();
  if (Flush(mp3) != 0 || !WriteAll(out.Get(), mp3.data(), mp3.size())) return give_up("Write error");
  CloseStream();
  in.Close();
  // The new file gets the usual permissions, not mkstemp's private ones.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(out.Get(), 0666 & ~mask);
  if (!out.Close() || std::rename(temp_name.c_str(), output.c_str()) != 0) {
    ::unlink(temp_name.c_str());
    last_error_ = "Write error";
    return false;
  }
  if (OnEndFile) OnEndFile(file_index, output);
  return true;
}

}  // namespace tazmel
