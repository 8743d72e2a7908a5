#pragma once

#include <string>

namespace tazmel {

class Registry;

// Whose network preferences a component follows.
enum class PlayerPreferences { kRealPlayer, kWmp6, kWmp9 };

// An HTTP proxy; no proxy when the host is empty.
struct PlayerProxy {
  std::string host;
  int port = 0;
  bool operator==(const PlayerProxy&) const = default;
};

// The HTTP proxy the player's own preferences in the registry name: its
// given proxy when that is switched on, the browser's when the player takes
// the browser's (or detects one automatically), else none.
PlayerProxy ReadPlayerHttpProxy(const Registry& registry, PlayerPreferences player);

}  // namespace tazmel
