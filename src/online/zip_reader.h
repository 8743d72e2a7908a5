#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// One file of an archive, unpacked and checked against its CRC-32.
struct ZipEntry {
  enum class Kind { kFile, kFolder, kOther };  // kOther: a link, device or pipe
  std::string name;                            // as stored: "/"-separated
  Kind kind = Kind::kFile;
  std::string data;
};

struct ZipLimits {
  std::size_t max_entries = 1000;
  // Sum of the sizes the central directory declares; inflation never goes
  // past an entry's declared size, so this bounds the memory a bomb can take.
  std::uint64_t max_total_bytes = 256u << 20;
};

struct ZipResult {
  std::vector<ZipEntry> entries;
  std::string error;  // empty when the whole archive read cleanly
  bool ok() const { return error.empty(); }
};

// Reads a whole ZIP archive held in memory through its central directory:
// stored and deflated entries. Folders and links are listed with their kind
// (a Unix mode in the external attributes tells them), so a caller can
// refuse them.
// Any damage, an unsupported method, encryption, a size or CRC mismatch or a
// limit passed fails the whole archive: no entry is returned then.
ZipResult ReadZip(std::string_view archive, const ZipLimits& limits = {});

// The CRC-32 of zlib and ZIP.
std::uint32_t Crc32(std::string_view bytes);

}  // namespace tazmel
