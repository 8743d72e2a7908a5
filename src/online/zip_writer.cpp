#include "online/zip_writer.h"

#include <zlib.h>

#include "online/zip_reader.h"

namespace tazmel {
namespace {

// 2007-11-06 00:00 in DOS form.
constexpr unsigned short kDosTime = 0;
constexpr unsigned short kDosDate = ((2007 - 1980) << 9) | (11 << 5) | 6;

void Put16(std::string& out, unsigned value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}
void Put32(std::string& out, unsigned value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

std::string Deflate(std::string_view data) {
  z_stream z{};
  deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

}  // namespace

void ZipWriter::Add(std::string_view name, std::string_view data, Method method, unsigned mode) {
  Record r;
  r.name = std::string(name);
  r.crc = Crc32(data);
  r.size = static_cast<unsigned>(data.size());
  r.method = method == Method::kDeflated ? 8 : 0;
  r.mode = mode;
  r.offset = static_cast<unsigned>(body_.size());
  const std::string packed = method == Method::kDeflated ? Deflate(data) : std::string(data);
  r.packed = static_cast<unsigned>(packed.size());
  Put32(body_, 0x04034b50);
  Put16(body_, 20);
  Put16(body_, 0x0800);  // names are bytes as given
  Put16(body_, r.method);
  Put16(body_, kDosTime);
  Put16(body_, kDosDate);
  Put32(body_, r.crc);
  Put32(body_, r.packed);
  Put32(body_, r.size);
  Put16(body_, static_cast<unsigned>(r.name.size()));
  Put16(body_, 0);
  body_ += r.name;
  body_ += packed;
  records_.push_back(std::move(r));
}

std::string ZipWriter::Finish() const {
  std::string out = body_;
  const auto directory_at = static_cast<unsigned>(out.size());
  for (const Record& r : records_) {
    Put32(out, 0x02014b50);
    Put16(out, (3 << 8) | 20);  // made on Unix, so the mode is read
    Put16(out, 20);
    Put16(out, 0x0800);
    Put16(out, r.method);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, r.crc);
    Put32(out, r.packed);
    Put32(out, r.size);
    Put16(out, static_cast<unsigned>(r.name.size()));
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, r.mode << 16);
    Put32(out, r.offset);
    out += r.name;
  }
  const auto directory_size = static_cast<unsigned>(out.size()) - directory_at;
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<unsigned>(records_.size()));
  Put16(out, static_cast<unsigned>(records_.size()));
  Put32(out, directory_size);
  Put32(out, directory_at);
  Put16(out, 0);
  return out;
}

}  // namespace tazmel
