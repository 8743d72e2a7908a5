// libFuzzer target: update.inf answers of any shape parse without crashing,
// and every address made from them is a web address on the base's terms.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "online/update_info.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tazmel;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto info = ParseUpdateInfo(text);
  if (!info) return 0;
  if (info->data_size < 0) std::abort();
  for (const std::string_view base : {"http://h/eng/", "https://h/eng/"}) {
    for (const std::string* address : {&info->data_url, &info->app_url, &info->check_url}) {
      const std::string resolved = ResolveServerAddress(base, *address);
      if (resolved.empty()) continue;
      if (!IsWebAddress(resolved)) std::abort();
      if (base.starts_with("https") && !(resolved[4] == 's' || resolved[4] == 'S')) std::abort();
    }
  }
  return 0;
}
