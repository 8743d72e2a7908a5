// libFuzzer target: the ZIP reader and the archive check must take any
// bytes; whatever they accept stays inside data/<code>/ and unpacks to no
// more than its directory declared.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "online/data_install.h"
#include "online/zip_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tazmel;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ZipResult zip = ReadZip(bytes, {.max_entries = 50, .max_total_bytes = 1u << 20});
  if (!zip.ok() && !zip.entries.empty()) std::abort();
  std::size_t total = 0;
  for (const ZipEntry& entry : zip.entries) total += entry.data.size();
  if (total > (1u << 20)) std::abort();
  const ArchivePlan plan = PlanArchive(std::move(zip.entries), "eng", "/nonexistent/data/eng");
  for (const StagedFile& file : plan.files) {
    if (file.name.empty() || file.name.find('/') != std::string::npos || file.name == ".." ||
        file.name.find('\\') != std::string::npos) {
      std::abort();
    }
  }
  return 0;
}
