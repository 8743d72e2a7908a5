// libFuzzer target: the ID3 writers on a file of any bytes. Whatever the
// file holds, writing a tag and removing both again gives back the bytes
// after the old ID3v2 tag; a tag that claims more than the file has is
// refused and the file stays as it was.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "music/id3_tag.h"

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tazmel;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("tazmel-id3-fuzz-" + std::to_string(::getpid()) + ".mp3")).string();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
  }
  const Id3v2Layout layout = ParseId3v2Header(bytes);
  const bool oversized = layout.present && layout.total > bytes.size();
  std::string audio = layout.present && !oversized ? bytes.substr(static_cast<std::size_t>(layout.total)) : bytes;
  const bool had_v1 = audio.size() >= 128 && audio.compare(audio.size() - 128, 3, "TAG") == 0;

  TID3Tag tag;
  tag.FileName = path;
  tag.ReadID3v2();
  tag.SetV2(TID3Tag::kV2Title, tag.V2Title() + "x");
  tag.SetV2(TID3Tag::kV2Comment, std::string(size % 300, 'c'));
  const bool written = tag.WriteID3v2();
  if (oversized) {
    if (written || Slurp(path) != bytes) std::abort();
    std::filesystem::remove(path);
    return 0;
  }
  if (!written) std::abort();
  tag.SetV1(TID3Tag::kV1Title, "fuzz");
  if (!tag.WriteID3v1()) std::abort();
  if (!tag.DeleteID3v1() || !tag.DeleteID3v2()) std::abort();
  // The ID3v1 write went over an old tag, which the delete then took.
  if (had_v1) audio.resize(audio.size() - 128);
  if (Slurp(path) != audio) std::abort();
  std::filesystem::remove(path);
  return 0;
}
