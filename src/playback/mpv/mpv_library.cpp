#include "playback/mpv/mpv_library.h"

#include <dlfcn.h>

#include <optional>

namespace tazmel {

std::optional<MpvLibrary> OpenMpvLibrary(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    void* handle = ::dlopen(name.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) continue;
    MpvLibrary library;
    bool complete = true;
#define TAZMEL_MPV_RESOLVE(function)                                                                  \
  library.function = reinterpret_cast<decltype(library.function)>(::dlsym(handle, "mpv_" #function)); \
  complete = complete && library.function != nullptr;
    TAZMEL_MPV_FUNCTIONS(TAZMEL_MPV_RESOLVE)
#undef TAZMEL_MPV_RESOLVE
    // Event and node layouts follow the headers' major version.
    if (complete && library.client_api_version() >> 16 == MPV_CLIENT_API_VERSION >> 16) {
      // Kept loaded for the life of the process: handles may live until
      // exit.
      return library;
    }
    ::dlclose(handle);
  }
  return std::nullopt;
}

const MpvLibrary* LoadMpvLibrary() {
  // The library the build found, by its path, then by its soname (a moved
  // or reinstalled library of the same version).
  static const std::optional<MpvLibrary> library = OpenMpvLibrary({TAZMEL_MPV_PATH, TAZMEL_MPV_SONAME});
  return library ? &*library : nullptr;
}

}  // namespace tazmel
