#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tazmel {

// What the first confirmed MPEG audio frame of a file says.
struct TMPEGData {
  std::uint32_t Duration = 0;    // seconds
  std::int64_t FileLength = 0;   // bytes
  std::uint8_t Version = 0;      // 0 unknown, 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
  std::uint8_t Layer = 0;        // 0 unknown, else 1..3
  std::int32_t SampleRate = 0;   // Hz
  std::int32_t BitRate = 0;      // kbit/s; the average for a VBR file
  std::uint8_t ChannelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  bool Copyright = false;
  bool Original = false;
  bool ProtectionBit = false;  // set: no CRC follows the header
  bool Padding = false;
  std::uint32_t FrameLength = 0;  // bytes of the first frame
  std::string Encoder;

  bool Valid() const { return Version > 0 && Layer > 0 && BitRate > 0 && SampleRate > 0; }
};

// Decodes one 32-bit frame header into the record (Duration, FileLength and
// Encoder stay); whether it is a valid header.
bool DecodeHeader(std::uint32_t header, TMPEGData& record);

// Fills the record from the file: -1 when it does not exist, is no regular
// file or holds no confirmed frame header (a free-format stream included);
// the error number when it cannot be opened or read; 0 otherwise (also for
// a file of at most 5 bytes).
int ReadMPEGInfo(TMPEGData& record, const std::string& path);

// The same over any bytes: `read` copies up to `count` bytes from `offset`
// and returns how many it copied; `size` is the whole length. For the
// fuzzers; the file reader uses it too.
using ByteReader = std::function<std::size_t(std::uint64_t offset, unsigned char* out, std::size_t count)>;
int ReadMPEGInfoFrom(TMPEGData& record, const ByteReader& read, std::uint64_t size);

}  // namespace tazmel
