#include "music/mpeg_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/unique_fd.h"
#include "music/id3_tag.h"

namespace tazmel {
namespace {

constexpr std::array<std::array<int, 3>, 4> kSampleRates = {{
    {0, 0, 0},
    {44100, 48000, 32000},
    {22050, 24000, 16000},
    {11025, 12000, 8000},
}};

// [MPEG-1 layer I, II, III, MPEG-2/2.5 layer I, layers II and III].
constexpr std::array<std::array<int, 16>, 5> kBitRates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
}};

constexpr std::size_t kChunk = 64 * 1024;

std::uint32_t BigEndian(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

int SamplesPerFrame(const TMPEGData& record) {
  if (record.Layer == 1) return 384;
  if (record.Layer == 3 && record.Version != 1) return 576;
  return 1152;
}

// Where the side information of the first frame ends: the place of a
// Xing or Info header.
std::uint64_t XingOffset(const TMPEGData& record) {
  const bool mono = record.ChannelMode == 3;
  std::uint64_t offset = 4 + (record.ProtectionBit ? 0 : 2);
  if (record.Version == 1) return offset + (mono ? 17 : 32);
  return offset + (mono ? 9 : 17);
}

class Reader {
 public:
  Reader(const ByteReader& read, std::uint64_t size) : read_(read), size_(size) {}

  // Exactly `count` bytes at `offset`, or false.
  bool Get(std::uint64_t offset, std::size_t count, unsigned char* out) const {
    if (offset > size_ || count > size_ - offset) return false;
    return read_(offset, out, count) == count;
  }

 private:
  const ByteReader& read_;
  std::uint64_t size_;
};

void SpecialHeaders(TMPEGData& record, const Reader& reader, std::uint64_t pos, std::uint64_t audio_end) {
  std::uint64_t frames = 0;
  std::uint64_t bytes = 0;
  // An Info header marks a constant rate: only its frame count is used.
  bool constant = false;
  unsigned char x[132] = {};
  const std::uint64_t xing = pos + XingOffset(record);
  if (reader.Get(xing, 8, x) && (std::memcmp(x, "Xing", 4) == 0 || std::memcmp(x, "Info", 4) == 0)) {
    constant = std::memcmp(x, "Info", 4) == 0;
    const std::uint32_t flags = BigEndian(x + 4);
    std::uint64_t at = xing + 8;
    unsigned char field[4];
    if ((flags & 1) != 0 && reader.Get(at, 4, field)) {
      frames = BigEndian(field);
      at += 4;
    }
    if ((flags & 2) != 0 && reader.Get(at, 4, field)) {
      bytes = BigEndian(field);
      at += 4;
    }
    if ((flags & 4) != 0) at += 100;
    if ((flags & 8) != 0) at += 4;
    // The encoder's own tag follows the Xing fields.
    unsigned char name[9];
    if (reader.Get(at, 9, name) &&
        (std::memcmp(name, "LAME", 4) == 0 || std::memcmp(name, "Lavc", 4) == 0 || std::memcmp(name, "Lavf", 4) == 0)) {
      std::string text(reinterpret_cast<const char*>(name), 9);
      while (!text.empty() && (static_cast<unsigned char>(text.back()) <= ' ' || text.back() > '~')) text.pop_back();
      for (char& c : text) {
        if (c < ' ' || c > '~') c = '?';
      }
      record.Encoder = text;
    }
  } else if (reader.Get(pos + 36, 18, x) && std::memcmp(x, "VBRI", 4) == 0) {
    bytes = BigEndian(x + 10);
    frames = BigEndian(x + 14);
    record.Encoder = "FhG";
  }
  if (frames > 0) {
    const std::uint64_t samples = frames * static_cast<std::uint64_t>(SamplesPerFrame(record));
    record.Duration = static_cast<std::uint32_t>(samples / static_cast<std::uint64_t>(record.SampleRate));
    if (bytes == 0 || bytes > audio_end - pos) bytes = audio_end - pos;
    // The average rate: what the frames hold over how long they play.
    const std::uint64_t rate = bytes * 8 * static_cast<std::uint64_t>(record.SampleRate) / (samples * 1000);
    if (rate > 0 && !constant) record.BitRate = static_cast<std::int32_t>(rate);
    return;
  }
  record.Duration =
      static_cast<std::uint32_t>((audio_end - pos) * 8 / (static_cast<std::uint64_t>(record.BitRate) * 1000));
}

// Names the encoder from the bytes of the first frame when no encoder tag
// did.
void GuessEncoder(TMPEGData& record, const Reader& reader, std::uint64_t pos) {
  unsigned char b[8];
  if (!record.Encoder.empty() || !reader.Get(pos, 8, b)) return;
  switch (b[3]) {
    case 4:
      record.Encoder = b[6] == 15 ? "Mp3 Compressor" : "Xing 2.20";
      break;
    case 68:
      record.Encoder = b[7] == 0 ? "l3Enc" : b[6] == 1 ? "Audioactive P. Studio" : "mp3 Producer";
      break;
    case 108:
      record.Encoder = "Audio Catalyst";
      break;
    case 76:
      record.Encoder = "Audio Catalyst VBR";
      break;
    default:
      break;
  }
}

}  // namespace

bool DecodeHeader(std::uint32_t h, TMPEGData& record) {
  record.Version = 0;
  record.Layer = 0;
  record.SampleRate = 0;
  record.BitRate = 0;
  record.ChannelMode = 0;
  record.Copyright = record.Original = record.ProtectionBit = record.Padding = false;
  record.FrameLength = 0;
  if ((h & 0xFFE00000u) != 0xFFE00000u) return false;
  static constexpr std::array<std::uint8_t, 4> kVersions = {3, 0, 2, 1};
  record.Version = kVersions[(h >> 19) & 3];
  if (record.Version == 0) return false;
  const unsigned layer_bits = (h >> 17) & 3;
  record.Layer = layer_bits == 0 ? 0 : static_cast<std::uint8_t>(4 - layer_bits);
  const unsigned rate_index = (h >> 10) & 3;
  record.SampleRate = rate_index == 3 ? 0 : kSampleRates[record.Version][rate_index];
  record.ProtectionBit = ((h >> 16) & 1) != 0;
  record.Copyright = ((h >> 3) & 1) != 0;
  record.Original = ((h >> 2) & 1) != 0;
  record.ChannelMode = static_cast<std::uint8_t>((h >> 6) & 3);
  record.Padding = ((h >> 9) & 1) != 0;
  if (record.Layer > 0) {
    const std::size_t table = record.Version == 1 ? record.Layer - 1u : record.Layer == 1 ? 3u : 4u;
    record.BitRate = kBitRates[table][(h >> 12) & 15];
  }
  if (record.SampleRate > 0 && record.BitRate > 0) {
    const std::uint64_t bits = static_cast<std::uint64_t>(record.BitRate) * 1000;
    const std::uint64_t rate = static_cast<std::uint64_t>(record.SampleRate);
    const std::uint64_t pad = record.Padding ? 1 : 0;
    std::uint64_t length = 0;
    if (record.Layer == 1) {
      length = (12 * bits / rate + pad) * 4;
    } else if (record.Layer == 3 && record.Version != 1) {
      length = 72 * bits / rate + pad;
    } else {
      length = 144 * bits / rate + pad;
    }
    record.FrameLength = static_cast<std::uint32_t>(length);
  }
  return record.Valid();
}

int ReadMPEGInfoFrom(TMPEGData& record, const ByteReader& read, std::uint64_t size) {
  record = {};
  if (size <= 5) return 0;
  record.FileLength = static_cast<std::int64_t>(size);
  const Reader reader(read, size);
  // The audio lies between the tags.
  std::uint64_t start = 0;
  unsigned char head[10];
  if (reader.Get(0, 10, head)) {
    const Id3v2Layout layout = ParseId3v2Header(std::string_view(reinterpret_cast<const char*>(head), 10));
    if (layout.present && layout.total < size) start = layout.total;
  }
  std::uint64_t audio_end = size;
  unsigned char tag[3];
  if (size >= 128 + start && reader.Get(size - 128, 3, tag) && std::memcmp(tag, "TAG", 3) == 0) audio_end -= 128;

  std::vector<unsigned char> chunk(kChunk + 3);
  for (std::uint64_t base = start; base + 4 <= audio_end; base += kChunk) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk + 3, audio_end - base));
    const std::size_t got = read(base, chunk.data(), want);
    if (got < 4) break;
    for (std::size_t i = 0; i + 4 <= got && i < kChunk; ++i) {
      if (chunk[i] != 0xFF || (chunk[i + 1] & 0xE0) != 0xE0) continue;
      TMPEGData candidate = record;
      const std::uint64_t pos = base + i;
      if (!DecodeHeader(BigEndian(&chunk[i]), candidate)) {
        // A stream that starts with a free-format frame has no bit rate to
        // measure it by; a later false sync must not stand in for it.
        if (pos == start && candidate.Version > 0 && candidate.Layer > 0 && candidate.SampleRate > 0 &&
            ((chunk[i + 2] >> 4) & 15) == 0) {
          return -1;
        }
        continue;
      }
      const std::uint64_t next = pos + candidate.FrameLength;
      if (next == audio_end) {
        // The only frame reaches the end: nothing confirms it.
        record = candidate;
        return -1;
      }
      unsigned char next_head[4];
      TMPEGData following;
      if (!reader.Get(next, 4, next_head) || !DecodeHeader(BigEndian(next_head), following)) continue;
      if (following.Version != candidate.Version || following.Layer != candidate.Layer ||
          following.SampleRate != candidate.SampleRate ||
          (following.ChannelMode == 3) != (candidate.ChannelMode == 3)) {
        continue;
      }
      record = candidate;
      SpecialHeaders(record, reader, pos, audio_end);
      GuessEncoder(record, reader, pos);
      return 0;
    }
  }
  return -1;
}

int ReadMPEGInfo(TMPEGData& record, const std::string& path) {
  record = {};
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  // Not waiting on a FIFO put in the file's place meanwhile.
  UniqueFd fd(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (!fd.Valid()) return errno != 0 ? errno : -1;
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  int error = 0;
  const ByteReader read = [&fd, &error](std::uint64_t offset, unsigned char* out, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
      const ssize_t got = ::pread(fd.Get(), out + done, count - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) error = errno;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  };
  const int result = ReadMPEGInfoFrom(record, read, static_cast<std::uint64_t>(info.st_size));
  return error != 0 ? error : result;
}

}  // namespace tazmel
