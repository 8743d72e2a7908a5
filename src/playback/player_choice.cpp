#include "playback/player_choice.h"

namespace tazmel {
namespace {

// The kind that plays through a control, given what exists.
PlayerChoice Dispatch(char kind, const PlayerSet& players) {
  if (kind == '1' && players.real) return {PlayerId::kReal, '1'};
  if (kind == '3' && players.wmp6) return {PlayerId::kWmp6, '3'};
  if (players.wmp9) return {PlayerId::kWmp9, '4'};
  if (players.wmp6) return {PlayerId::kWmp6, '3'};
  return {PlayerId::kNone, kind};
}

}  // namespace

PlayerChoice ChoosePlayer(char kind, PlayerSet& players, PlayerFactory& factory, bool wmp9_installed) {
  if (kind == '1' && !players.real) {
    players.real = factory.CreateRealPlayer();
    if (!players.real) kind = '2';
  }
  // Only one Windows Media control is ever created: whichever exists serves
  // both "WMP6" and "WMP9" requests.
  if (kind == '3') {
    if (players.wmp9) {
      kind = '4';
    } else {
      if (!players.wmp6) players.wmp6 = factory.CreateWmp6();
      if (!players.wmp6) kind = '4';
    }
  }
  if (kind == '4') {
    if (players.wmp6) {
      kind = '3';
    } else {
      if (!players.wmp9) players.wmp9 = factory.CreateWmp9();
      if (!players.wmp9) kind = '2';
    }
  }
  if (kind != '1' && !players.wmp6 && !players.wmp9) {
    if (wmp9_installed) {
      players.wmp9 = factory.CreateWmp9();
    } else {
      players.wmp6 = factory.CreateWmp6();
    }
    if (!players.wmp6 && !players.wmp9) {
      kind = '1';
      if (!players.real) players.real = factory.CreateRealPlayer();
    }
  }
  return Dispatch(kind, players);
}

}  // namespace tazmel
