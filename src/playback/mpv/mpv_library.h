#pragma once

#include <mpv/client.h>

#include <optional>
#include <string>
#include <vector>

namespace tazmel {

// The libmpv functions the components use, resolved when the first player
// starts. The program does not map libmpv and its codec libraries (tens of
// megabytes) until something plays, so it starts faster and smaller; a
// machine without libmpv still runs, its players just cannot be created.
// clang-format off
#define TAZMEL_MPV_FUNCTIONS(X) \
  X(create) \
  X(initialize) \
  X(terminate_destroy) \
  X(set_option) \
  X(set_option_string) \
  X(set_property) \
  X(set_property_string) \
  X(get_property) \
  X(get_property_string) \
  X(observe_property) \
  X(request_log_messages) \
  X(command) \
  X(command_ret) \
  X(wait_event) \
  X(set_wakeup_callback) \
  X(free) \
  X(free_node_contents) \
  X(error_string) \
  X(client_api_version)
// clang-format on

struct MpvLibrary {
#define TAZMEL_MPV_POINTER(name) decltype(&::mpv_##name) name = nullptr;
  TAZMEL_MPV_FUNCTIONS(TAZMEL_MPV_POINTER)
#undef TAZMEL_MPV_POINTER
};

// The loaded library, or null when it (or one of the functions) is missing.
// Loaded once; later calls return the same answer. Thread-safe.
const MpvLibrary* LoadMpvLibrary();

// The first of `names` (paths or sonames) that opens, has every function and
// speaks the client API major version of the headers; none when no name
// does. A library that does not qualify is closed again.
std::optional<MpvLibrary> OpenMpvLibrary(const std::vector<std::string>& names);

}  // namespace tazmel
