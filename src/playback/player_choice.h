#pragma once

#include <memory>

#include "playback/player_controls.h"

namespace tazmel {

// The controls created so far; each lives until the host goes away.
struct PlayerSet {
  std::unique_ptr<RealPlayerControl> real;
  std::unique_ptr<Wmp6Control> wmp6;
  std::unique_ptr<Wmp9Control> wmp9;
};

enum class PlayerId { kNone, kReal, kWmp6, kWmp9 };

struct PlayerChoice {
  PlayerId player = PlayerId::kNone;
  char kind = '0';  // the kind actually used: '1', '3', '4'; unchanged when kNone
};

// Creates what the kind needs (with every fallback) and picks the control to
// play on. `kind` is the requested kind after classification.
PlayerChoice ChoosePlayer(char kind, PlayerSet& players, PlayerFactory& factory, bool wmp9_installed);

}  // namespace tazmel
