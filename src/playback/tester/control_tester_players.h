#pragma once

#include <memory>

#include "playback/control_driver.h"
#include "playback/tester/station_tester.h"

namespace tazmel {

class PlayerFactory;
class StationProxyOverrides;

// The tester's hidden players: controls of its own, made by `factory` (the
// program's makes them without video), separate from the engine's.
class ControlTesterPlayers : public TesterPlayers {
 public:
  // `proxies` may be null: then station proxies are never applied.
  ControlTesterPlayers(PlayerFactory& factory, bool wmp9_installed, StationProxyOverrides* proxies);
  ~ControlTesterPlayers() override;

  void SetSink(Sink sink) override { sink_ = std::move(sink); }
  // The volume a control starts at (0..100): the engine's current one.
  void SetVolumeSource(std::function<int()> volume) { volume_ = std::move(volume); }
  bool Start(int attempt, MediaKind kind, const std::string& address, const std::string& proxy) override;
  void StopAll() override;
  void RestoreProxies() override;

 private:
  void OnEvent(const ControlEvent& event);
  void Report(bool good);

  bool wmp9_installed_;
  Sink sink_;
  std::function<int()> volume_;
  std::unique_ptr<ControlDriver> driver_;
  PlayerId player_ = PlayerId::kNone;
  int attempt_ = 0;
  bool local_ = false;
  bool reported_ = true;
  int audio_language_ = -1;
};

}  // namespace tazmel
