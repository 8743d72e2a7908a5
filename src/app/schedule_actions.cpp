#include "app/schedule_actions.h"

#include "app/recorder_controller.h"
#include "playback/engine.h"

namespace tazmel {

void AppTaskActions::PlayStation(int station_id) { player_.play_station(station_id); }

void AppTaskActions::StopPlay() { player_.stop(); }

bool AppTaskActions::RecorderBusy() const { return recorder_.IsRecording() || recorder_.StartPending(); }

std::uint64_t AppTaskActions::StartRecording(const std::string& file) {
  if (RecorderBusy()) return 0;
  recorder_.StartRecording(file);
  // No save folder set, or the recorder failed: it only showed its window.
  if (!RecorderBusy()) return 0;
  current_ = ++last_number_;
  return current_;
}

void AppTaskActions::StopRecording(std::uint64_t recording) {
  if (recording == 0 || recording != current_) return;
  current_ = 0;
  if (RecorderBusy()) recorder_.StopRecording();
}

void AppTaskActions::RecordingChanged(bool on) {
  if (!on) current_ = 0;
}

bool EnginePlayerMute::Muted() const { return engine_.Mute(); }
void EnginePlayerMute::SetMuted(bool muted) { engine_.SetMute(muted); }

}  // namespace tazmel
