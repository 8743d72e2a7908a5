// libFuzzer target: a text table whose three files and a run of operations
// all come from the input. Nothing may crash or touch bytes outside the
// files, and a checked table must end with index files that match its text.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "stations/text_table.h"

namespace {

namespace fs = std::filesystem;

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(reinterpret_cast<const char*>(data), size) {}
  std::uint8_t Byte() {
    if (data_.empty()) return 0;
    const std::uint8_t b = static_cast<std::uint8_t>(data_.front());
    data_.remove_prefix(1);
    return b;
  }
  std::string_view Bytes(std::size_t n) {
    n = std::min(n, data_.size());
    std::string_view part = data_.substr(0, n);
    data_.remove_prefix(n);
    return part;
  }
  bool empty() const { return data_.empty(); }

 private:
  std::string_view data_;
};

void Write(const fs::path& path, std::string_view bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// A record line keyed from the input; its bytes may include line breaks,
// which a checked table must refuse.
std::string Line(Input& in) { return std::to_string(in.Byte() % 16) + "\t" + std::string(in.Bytes(in.Byte() % 24)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  char pattern[] = "/tmp/tazmel-table-fuzz-XXXXXX";
  if (!::mkdtemp(pattern)) return 0;
  const fs::path dir = pattern;
  const fs::path table_path = dir / "t.dat";
  const bool checked = in.Byte() & 1;
  Write(table_path, in.Bytes(in.Byte()));
  if (in.Byte() & 1) {
    // Index files from the input too, as a damaged or foreign index would be.
    Write(dir / "t.idp", in.Bytes(in.Byte()));
    Write(dir / "t.idi", in.Bytes(in.Byte()));
  }
  {
    tazmel::TTextTable table;
    table.SetTableName(table_path);
    table.SetNeedCheckIndex(checked);
    if (table.Open()) {
      while (!in.empty()) {
        const int record = in.Byte() % 12 - 1;
        switch (in.Byte() % 10) {
          case 0:
            (void)table.ReadRecord(record);
            break;
          case 1:
            (void)table.ReadByID(record);
            break;
          case 2:
            (void)table.UpdateRecord(record, Line(in));
            break;
          case 3:
            (void)table.InsertRecord(record, Line(in));
            break;
          case 4:
            (void)table.DeleteRecord(record);
            break;
          case 5:
            (void)table.AppendRecord(Line(in));
            break;
          case 6:
            (void)table.NewID(in.Byte() % 8);
            break;
          case 7:
            (void)table.RecordCount();
            break;
          case 8:
            (void)table.UpdateByID(record, Line(in));
            break;
          case 9:
            (void)table.FindRecNo(record);
            break;
        }
      }
      if (checked && table.CheckIndex() && !tazmel::VerifyTextTable(table_path, false).empty()) std::abort();
    }
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
