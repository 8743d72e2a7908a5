#include "playback/mpv/mpv_factory.h"

#include "playback/media_kind.h"
#include "playback/mpv/mpv_controls.h"

namespace tazmel {

MpvPlayerFactory::MpvPlayerFactory(Dispatcher& dispatcher, const Registry& registry, MpvOptions options)
    : dispatcher_(dispatcher), registry_(registry), options_(std::move(options)) {}

std::unique_ptr<RealPlayerControl> MpvPlayerFactory::CreateRealPlayer() {
  if (!IsControlCreatable(registry_, kRealPlayerFile)) return nullptr;
  return MpvRealPlayer::Create(dispatcher_, options_, &registry_);
}

std::unique_ptr<Wmp6Control> MpvPlayerFactory::CreateWmp6() {
  if (!IsControlCreatable(registry_, kWmp6File)) return nullptr;
  return MpvWmp6::Create(dispatcher_, options_, &registry_);
}

std::unique_ptr<Wmp9Control> MpvPlayerFactory::CreateWmp9() {
  if (!IsControlCreatable(registry_, kWmp9File)) return nullptr;
  return MpvWmp9::Create(dispatcher_, options_, &registry_);
}

}  // namespace tazmel
