// libFuzzer target: the MPEG frame reader takes any bytes without reading
// outside them, and a record it calls valid is one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "music/mpeg_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tazmel;
  const ByteReader read = [data, size](std::uint64_t offset, unsigned char* out, std::size_t count) -> std::size_t {
    if (offset >= size) return 0;
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(count, size - offset));
    std::memcpy(out, data + offset, take);
    return take;
  };
  TMPEGData record;
  const int result = ReadMPEGInfoFrom(record, read, size);
  if (result == 0 && size > 5 && !record.Valid()) std::abort();
  if (record.FileLength < 0 || static_cast<std::uint64_t>(record.FileLength) > size) std::abort();
  return 0;
}
