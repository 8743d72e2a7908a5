// libFuzzer target: the ID3v2 reader takes any bytes; what it read, built
// again as a tag, reads back to the same fields when they are plain text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "music/id3_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tazmel;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Id3v2Content content = ParseId3v2(bytes);
  if (!content.valid) return 0;
  const std::string built = BuildId3v2(content.fields, content.other_frames, 0);
  const Id3v2Content again = ParseId3v2(built);
  if (!again.valid) std::abort();
  for (std::size_t i = 0; i < content.fields.size(); ++i) {
    const std::string& field = content.fields[i];
    bool plain = true;
    for (char c : field) plain = plain && c >= ' ' && c <= '~';
    // A URL keeps its bytes; texts of plain ASCII keep theirs.
    if (plain && again.fields[i] != field) std::abort();
  }
  return 0;
}
