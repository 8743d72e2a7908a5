// libFuzzer target: the INI reader and writer must take any bytes without
// crashing, and a written key must read back as written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using tazmel::IniFile;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniFile ini = IniFile::FromText(text);
  if (ini.Text() != text) std::abort();  // parsing must be lossless

  // Use the first line's bytes as names so sections and keys of the input
  // itself get hit.
  const std::string_view first = text.substr(0, text.find('\n'));
  const std::string_view section = first.substr(0, first.size() / 2);
  const std::string_view key = first.substr(first.size() / 2);
  (void)ini.ReadInteger(section, key, 0);
  (void)ini.Keys(section);
  if (ini.WriteString(section, key, "value")) {
    if (ini.Value(section, key) != std::optional<std::string>("value")) std::abort();
    if (IniFile::FromText(ini.Text()).Value(section, key) != std::optional<std::string>("value")) std::abort();
  }
  return 0;
}
