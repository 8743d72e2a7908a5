#pragma once

// A station's own proxy put into one player's preferences for as long as
// something plays it, and the user's own preferences brought back after.
//
// One override per player, shared by everyone who plays stations (the
// engine, later the tester and the editor): the user's settings are saved
// when the first holder applies a station proxy and written back when the
// last holder lets go. While several hold it, the latest applied proxy is in
// force; when one lets go, the proxy of the latest remaining holder is put
// back. The saved copy is also kept in the registry file, so a crash while a
// station proxy is applied is mended at the next start by RecoverAfterCrash.

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "playback/player_choice.h"
#include "playback/player_network.h"

namespace tazmel {

class StationProxyOverrides {
 public:
  explicit StationProxyOverrides(Registry& registry);

  // Puts the station proxy text ("host[:port]") into the player's settings
  // for `holder`; an empty or unusable text releases the holder's claim
  // instead (a station without a usable proxy plays with the user's own).
  void Apply(PlayerId player, int holder, std::string_view station_proxy);
  // Lets go of the holder's claim; the last one out restores the user's
  // settings.
  void Restore(PlayerId player, int holder);

  bool Overridden(PlayerId player) const;

  // Runs `edit` on the user's own settings: every station proxy in force is
  // lifted first and applied again afterwards, over what `edit` wrote, which
  // becomes the saved copy. The Options dialog and Use Proxy read and write
  // through this, so a station's proxy never becomes the user's setting.
  template <typename Edit>
  auto WithUserSettings(Edit&& edit) {
    Suspend();
    struct Resume {
      StationProxyOverrides& self;
      ~Resume() { self.ResumeAll(); }
    } resume{*this};
    return edit(network_);
  }

  // Writes back any saved copy a previous run left behind.
  void RecoverAfterCrash();

  // A holder ID for a new client.
  int NewHolder() { return next_holder_++; }

 private:
  struct Saved {
    RealProxySet real;
    Wmp9ProxySet wmp9;
    Wmp6ProxySet wmp6;
    bool wmp9_read = false;
    bool wmp6_read = false;
  };
  struct Claim {
    int holder = 0;
    std::string host;
    std::string port;
  };
  struct State {
    std::vector<Claim> claims;  // oldest first
    std::optional<Saved> saved;
  };

  Saved ReadUser(PlayerId player) const;
  void WriteUser(PlayerId player, const Saved& saved);
  void SetStation(PlayerId player, const Claim& claim);
  void Persist(PlayerId player, const Saved* saved);
  std::optional<Saved> Persisted(PlayerId player) const;
  void Suspend();
  void ResumeAll();

  Registry& registry_;
  PlayerNetwork network_;
  std::map<PlayerId, State> states_;
  int next_holder_ = 1;
};

}  // namespace tazmel
