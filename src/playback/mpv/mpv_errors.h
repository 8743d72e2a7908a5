#pragma once

#include <optional>
#include <string_view>

#include "playback/player_controls.h"

namespace tazmel {

// The reason a warning or error line of the media engine's log gives for a
// network address that failed to open; nothing for a line that tells none.
// The engine reports every such failure as "loading failed", and only these
// lines (from its network layers) tell them apart.
std::optional<PlayerError> PlayerErrorOfLogLine(std::string_view prefix, std::string_view text);

// Why a clip failed, from the engine's error code; "loading failed" takes
// the reason its log gave, when one did.
PlayerError PlayerErrorOfCode(int error, std::optional<PlayerError> logged);

}  // namespace tazmel
