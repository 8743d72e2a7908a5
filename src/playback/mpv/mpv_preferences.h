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
// A host or port no player could use (see IsUsableProxy) gives none.
PlayerProxy ReadPlayerHttpProxy(const Registry& registry, PlayerPreferences player);

// The buffer time the player's preferences name, in seconds; 0 for the
// player's default (start as soon as data decodes).
int ReadPlayerBufferSeconds(const Registry& registry, PlayerPreferences player);

}  // namespace tazmel
