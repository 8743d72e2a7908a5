#pragma once

// A private X server for tests that need a real one (X11 grabs, native
// windows libmpv draws into).
#include <filesystem>
#include <optional>
#include <string>

#include "support/child_process.h"

namespace tazmel::test {

// Xvfb (800x600, no TCP) on the first free display of :first..:last, ready
// once it names its display; the display's name, or nothing.
std::optional<std::string> StartXvfb(std::optional<ChildProcess>& server, const std::filesystem::path& log, int first,
                                     int last);

}  // namespace tazmel::test
