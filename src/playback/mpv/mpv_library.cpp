#include "playback/mpv/mpv_library.h"

#include <dlfcn.h>

#include <optional>

namespace tazmel {
namespace {

std::optional<MpvLibrary> Load() {
  // The name the build was made against first, then the client API's
  // other stable names.
  void* handle = nullptr;
  for (const char* name : {TAZMEL_MPV_SONAME, "libmpv.so.2", "libmpv.so.1", "libmpv.so"}) {
    handle = ::dlopen(name, RTLD_LAZY | RTLD_LOCAL);
    if (handle != nullptr) break;
  }
  if (handle == nullptr) return std::nullopt;
  MpvLibrary library;
  bool complete = true;
#define TAZMEL_MPV_RESOLVE(name)                                                          \
  library.name = reinterpret_cast<decltype(library.name)>(::dlsym(handle, "mpv_" #name)); \
  complete = complete && library.name != nullptr;
  TAZMEL_MPV_FUNCTIONS(TAZMEL_MPV_RESOLVE)
#undef TAZMEL_MPV_RESOLVE
  // Kept loaded for the life of the process: handles may live until exit.
  if (!complete) return std::nullopt;
  return library;
}

}  // namespace

const MpvLibrary* LoadMpvLibrary() {
  static const std::optional<MpvLibrary> library = Load();
  return library ? &*library : nullptr;
}

}  // namespace tazmel
