#pragma once

#include <memory>

#include "playback/media_kind.h"
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
  // The kind actually used: kRealPlayer, kWmp6 or kWmp9; unchanged when
  // no control could be had.
  MediaKind kind = MediaKind::kUnknown;
};

// Creates what the kind needs (with every fallback) and picks the control to
// play on. `kind` is the requested kind after classification.
PlayerChoice ChoosePlayer(MediaKind kind, PlayerSet& players, PlayerFactory& factory, bool wmp9_installed);

}  // namespace tazmel
