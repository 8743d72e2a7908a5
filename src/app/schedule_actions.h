#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "schedule/announcer.h"
#include "schedule/auto_shutdown.h"
#include "schedule/task_scheduler.h"

namespace tazmel {

class PlaybackEngine;
class RecorderController;

// Tasks act on the player and the recorder. Each recording started here
// gets a number; stopping by number stops only that recording, so a task's
// end never cuts off a recording the user (or another task) started later.
class AppTaskActions : public TaskActionPort {
 public:
  struct Player {
    std::function<void(int station_id)> play_station;
    std::function<void()> stop;
  };
  AppTaskActions(Player player, RecorderController& recorder) : player_(std::move(player)), recorder_(recorder) {}

  void PlayStation(int station_id) override;
  void StopPlay() override;
  std::uint64_t StartRecording(const std::string& file) override;
  void StopRecording(std::uint64_t recording) override;

  // The recorder's indicator went off: whatever number was out is spent.
  void RecordingChanged(bool on);

 private:
  bool RecorderBusy() const;

  Player player_;
  RecorderController& recorder_;
  std::uint64_t last_number_ = 0;
  std::uint64_t current_ = 0;  // the running recording started here, or 0
};

// The talking clock mutes the engine.
class EnginePlayerMute : public PlayerMute {
 public:
  explicit EnginePlayerMute(PlaybackEngine& engine) : engine_(engine) {}
  bool Muted() const override;
  void SetMuted(bool muted) override;

 private:
  PlaybackEngine& engine_;
};

// The automatic shutdown's port, each step filled in by the application.
struct ShutdownHooks {
  std::function<void(int seconds_left)> show_countdown;
  std::function<void()> close_countdown;
  std::function<void()> prepare;
  std::function<void(std::function<void(const PowerOffResult&)>)> power_off;
  std::function<void()> quit;
  std::function<void(const PowerOffResult&)> refused;
};
class HookShutdownPort : public ShutdownPort {
 public:
  explicit HookShutdownPort(ShutdownHooks hooks) : hooks_(std::move(hooks)) {}
  void ShowCountdown(int seconds_left) override { hooks_.show_countdown(seconds_left); }
  void CloseCountdown() override { hooks_.close_countdown(); }
  void PrepareForPowerOff() override { hooks_.prepare(); }
  void PowerOff(std::function<void(const PowerOffResult&)> done) override { hooks_.power_off(std::move(done)); }
  void Quit() override { hooks_.quit(); }
  void PowerOffRefused(const PowerOffResult& result) override { hooks_.refused(result); }

 private:
  ShutdownHooks hooks_;
};

}  // namespace tazmel
