#include "playback/player_choice.h"

namespace tazmel {
namespace {

using enum MediaKind;

// The kind that plays through a control, given what exists.
PlayerChoice Dispatch(MediaKind kind, const PlayerSet& players) {
  if (kind == kRealPlayer && players.real) return {PlayerId::kReal, kRealPlayer};
  if (kind == kWmp6 && players.wmp6) return {PlayerId::kWmp6, kWmp6};
  if (players.wmp9) return {PlayerId::kWmp9, kWmp9};
  if (players.wmp6) return {PlayerId::kWmp6, kWmp6};
  return {PlayerId::kNone, kind};
}

}  // namespace

PlayerChoice ChoosePlayer(MediaKind kind, PlayerSet& players, PlayerFactory& factory, bool wmp9_installed) {
  if (kind == kRealPlayer && !players.real) {
    players.real = factory.CreateRealPlayer();
    if (!players.real) kind = kWindowsMedia;
  }
  // Only one Windows Media control is ever created: whichever exists serves
  // both "WMP6" and "WMP9" requests.
  if (kind == kWmp6) {
    if (players.wmp9) {
      kind = kWmp9;
    } else {
      if (!players.wmp6) players.wmp6 = factory.CreateWmp6();
      if (!players.wmp6) kind = kWmp9;
    }
  }
  if (kind == kWmp9) {
    if (players.wmp6) {
      kind = kWmp6;
    } else {
      if (!players.wmp9) players.wmp9 = factory.CreateWmp9();
      if (!players.wmp9) kind = kWindowsMedia;
    }
  }
  if (kind != kRealPlayer && !players.wmp6 && !players.wmp9) {
    if (wmp9_installed) {
      players.wmp9 = factory.CreateWmp9();
    } else {
      players.wmp6 = factory.CreateWmp6();
    }
    if (!players.wmp6 && !players.wmp9) {
      kind = kRealPlayer;
      if (!players.real) players.real = factory.CreateRealPlayer();
    }
  }
  return Dispatch(kind, players);
}

}  // namespace tazmel
