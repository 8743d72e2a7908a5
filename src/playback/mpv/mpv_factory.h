#pragma once

#include <memory>

#include "playback/mpv/mpv_core.h"
#include "playback/player_controls.h"

namespace tazmel {

class Dispatcher;
class Registry;

// Creates the three player components on libmpv. A control is created only
// when the component registry lists its file as present and registered, and
// only when libmpv starts. The dispatcher and registry must outlive the
// factory and the controls it made.
class MpvPlayerFactory : public PlayerFactory {
 public:
  MpvPlayerFactory(Dispatcher& dispatcher, const Registry& registry, MpvOptions options = {});

  std::unique_ptr<RealPlayerControl> CreateRealPlayer() override;
  std::unique_ptr<Wmp6Control> CreateWmp6() override;
  std::unique_ptr<Wmp9Control> CreateWmp9() override;

 private:
  Dispatcher& dispatcher_;
  const Registry& registry_;
  MpvOptions options_;
};

}  // namespace tazmel
