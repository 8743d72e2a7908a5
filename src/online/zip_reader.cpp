#include "online/zip_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace tazmel {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;

std::uint16_t U16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8);
}
std::uint32_t U32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(U16(b, at)) | static_cast<std::uint32_t>(U16(b, at + 2)) << 16;
}

// The end record is the last 22 bytes plus a comment of up to 64 KiB.
std::optional<std::size_t> FindEnd(std::string_view a) {
  if (a.size() < kEndSize) return std::nullopt;
  const std::size_t lowest = a.size() > kEndSize + 0xFFFF ? a.size() - kEndSize - 0xFFFF : 0;
  for (std::size_t at = a.size() - kEndSize + 1; at-- > lowest;) {
    if (U32(a, at) == kEndSignature && at + kEndSize + U16(a, at + 20) == a.size()) return at;
  }
  return std::nullopt;
}

// Inflates raw deflate data into exactly `size` bytes; more output, less
// output or trailing garbage inside the compressed span fails.
bool Inflate(std::string_view in, std::size_t size, std::string& out) {
  out.assign(size, '\0');
  z_stream z{};
  if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(size);
  int rc = inflate(&z, Z_FINISH);
  if (rc == Z_BUF_ERROR && z.avail_out == 0 && size == 0) {
    // An empty file still needs its end block read; a spare byte catches it.
    unsigned char spare = 0;
    z.next_out = &spare;
    z.avail_out = 1;
    rc = inflate(&z, Z_FINISH);
    if (z.avail_out == 0) rc = Z_DATA_ERROR;
  }
  const bool done = rc == Z_STREAM_END && z.total_out == size;
  inflateEnd(&z);
  return done;
}

ZipEntry::Kind KindOf(std::uint16_t made_by, std::uint32_t external, std::string_view name) {
  if (!name.empty() && name.back() == '/') return ZipEntry::Kind::kFolder;
  // Made on Unix (3): the high half holds the st_mode bits.
  if ((made_by >> 8) == 3) {
    const std::uint32_t type = (external >> 16) & 0170000;
    if (type == 0040000) return ZipEntry::Kind::kFolder;
    if (type != 0 && type != 0100000) return ZipEntry::Kind::kOther;
  }
  if (external & 0x10) return ZipEntry::Kind::kFolder;  // the DOS folder bit
  return ZipEntry::Kind::kFile;
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  std::size_t at = 0;
  while (at < bytes.size()) {
    const auto chunk = static_cast<uInt>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
    crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data() + at), chunk);
    at += chunk;
  }
  return static_cast<std::uint32_t>(crc);
}

ZipResult ReadZip(std::string_view a, const ZipLimits& limits) {
  ZipResult result;
  auto fail = [&result](std::string why) {
    result.entries.clear();
    result.error = std::move(why);
    return std::move(result);
  };
  const std::optional<std::size_t> end = FindEnd(a);
  if (!end) return fail("no end of central directory");
  const std::size_t count = U16(a, *end + 10);
  const std::uint32_t dir_size = U32(a, *end + 12);
  const std::uint32_t dir_offset = U32(a, *end + 16);
  if (U16(a, *end + 4) != 0 || U16(a, *end + 6) != 0 || U16(a, *end + 8) != count) {
    return fail("split archives are not read");
  }
  if (count == 0xFFFF || dir_offset == 0xFFFFFFFF) return fail("ZIP64 archives are not read");
  if (count > limits.max_entries) return fail("more than " + std::to_string(limits.max_entries) + " entries");
  if (static_cast<std::uint64_t>(dir_offset) + dir_size > *end) return fail("central directory out of range");

  std::uint64_t total = 0;
  std::size_t at = dir_offset;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string number = "entry " + std::to_string(i + 1);
    if (at + kCentralSize > *end || U32(a, at) != kCentralSignature) return fail(number + ": bad directory record");
    const std::uint16_t made_by = U16(a, at + 4);
    const std::uint16_t flags = U16(a, at + 8);
    const std::uint16_t method = U16(a, at + 10);
    const std::uint32_t crc = U32(a, at + 16);
    const std::uint32_t packed = U32(a, at + 20);
    const std::uint32_t size = U32(a, at + 24);
    const std::size_t name_length = U16(a, at + 28);
    const std::size_t extra_length = U16(a, at + 30);
    const std::size_t comment_length = U16(a, at + 32);
    const std::uint32_t external = U32(a, at + 38);
    const std::uint32_t local = U32(a, at + 42);
    const std::size_t next = at + kCentralSize + name_length + extra_length + comment_length;
    if (next > *end) return fail(number + ": directory record out of range");
    ZipEntry entry;
    entry.name.assign(a.substr(at + kCentralSize, name_length));
    entry.kind = KindOf(made_by, external, entry.name);
    at = next;

    if (flags & 0x1) return fail(number + ": encrypted");
    if (method != kStored && method != kDeflated)
      return fail(number + ": unsupported method " + std::to_string(method));
    if (packed == 0xFFFFFFFF || size == 0xFFFFFFFF) return fail(number + ": ZIP64 sizes are not read");
    if (method == kStored && packed != size) return fail(number + ": stored sizes differ");
    total += size;
    if (total > limits.max_total_bytes) return fail("the entries unpack to more than the limit");

    if (static_cast<std::uint64_t>(local) + kLocalSize > dir_offset || U32(a, local) != kLocalSignature) {
      return fail(number + ": bad local header");
    }
    const std::size_t local_name = U16(a, local + 26);
    const std::size_t local_extra = U16(a, local + 28);
    const std::uint64_t data_at = static_cast<std::uint64_t>(local) + kLocalSize + local_name + local_extra;
    if (data_at + packed > dir_offset) return fail(number + ": data out of range");
    // The name the local header gives must be the one the directory lists,
    // so no reader of either sees another file.
    if (a.substr(local + kLocalSize, local_name) != entry.name) return fail(number + ": names differ");
    const std::string_view stored = a.substr(static_cast<std::size_t>(data_at), packed);
    if (method == kStored) {
      entry.data.assign(stored);
    } else if (!Inflate(stored, size, entry.data)) {
      return fail(number + ": damaged compressed data");
    }
    if (Crc32(entry.data) != crc) return fail(number + ": CRC mismatch");
    result.entries.push_back(std::move(entry));
  }
  return result;
}

}  // namespace tazmel
