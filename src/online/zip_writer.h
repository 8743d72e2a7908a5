#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tazmel {

// Builds a ZIP archive in memory. The same entries in the same order give
// the same bytes: every entry carries one fixed time stamp.
class ZipWriter {
 public:
  enum class Method { kStored, kDeflated };
  // Unix mode bits of an entry (made-by Unix); 0100644 is a plain file.
  void Add(std::string_view name, std::string_view data, Method method = Method::kDeflated, unsigned mode = 0100644);
  // The archive with its central directory.
  std::string Finish() const;

 private:
  struct Record {
    std::string name;
    unsigned crc = 0;
    unsigned packed = 0;
    unsigned size = 0;
    unsigned short method = 0;
    unsigned mode = 0;
    unsigned offset = 0;
  };
  std::string body_;
  std::vector<Record> records_;
};

}  // namespace tazmel
