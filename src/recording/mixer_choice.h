#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "recording/audio_mixer.h"

namespace tazmel {

// The recorder window's device, destination and source lists and its
// volume slider, kept in step with a TAudioMixer. Selecting in a list runs
// that list's change, as the window's own handlers do.
class MixerChoice {
 public:
  static constexpr int kSliderMax = 65535;
  static constexpr int kDefaultVolume = 7500;

  // The texts that "Stereo Mix" and "Microphone" lines are shown under.
  MixerChoice(TAudioMixer& mixer, std::string stereo_mix_text, std::string microphone_text);

  // The name a source line is listed under.
  std::string DisplayName(const std::string& line_name) const;
  // The source a destination of the open mixer starts with: the output our
  // playback is heard on, a wave-out source, an undefined one, an analogue
  // "stereo mix", the last analogue one; -1 for none.
  int PreferredSource(int destination) const;

  // Lists the wave-in devices (device ids in order) and maps each to the
  // mixer of the same name that has a wave-in destination, in one forward
  // pass; selects the first when none is and runs the device change. An
  // empty list changes nothing.
  void FillDevices(const std::vector<std::string>& wave_in_names);

  const std::vector<std::string>& Devices() const { return devices_; }
  const std::vector<int>& DeviceMap() const { return device_map_; }
  const std::vector<std::string>& Destinations() const { return destinations_; }
  const std::vector<std::string>& Connections() const { return connections_; }
  int Device() const { return device_; }
  int Destination() const { return destination_; }
  int Connection() const { return connection_; }
  // The mixer's index of the selected destination; -1 for none.
  int MixerDestination() const;

  // Each selects (an index outside the list: none) and runs its change.
  void SelectDevice(int index);
  void SelectDestination(int index);
  void SelectConnection(int index);

  bool SliderEnabled() const { return slider_enabled_; }
  int SliderPosition() const { return slider_position_; }
  // The user moved the slider: the volume is kSliderMax - position.
  void MoveSlider(int position);

  // Chooses the first device (trying `preferred` first) whose mixer has a
  // wave-in destination with a preferred source, selects that source at
  // kDefaultVolume; false when none has.
  bool DefaultChoice(int preferred);

  // What to record: the chosen source of the open mixer, else the selected
  // device's own default; nothing without a device.
  std::optional<WaveInSource> Capture() const;

 private:
  bool TryMixer(int mixer_id);
  void DeviceChanged();
  void DestinationChanged();
  void SourceChanged();
  void ApplySource(std::int64_t volume);

  TAudioMixer& mixer_;
  std::string stereo_mix_text_;
  std::string microphone_text_;
  std::vector<std::string> devices_;
  std::vector<int> device_map_;
  std::vector<std::string> destinations_;
  std::vector<int> destination_map_;
  std::vector<std::string> connections_;
  int device_ = -1;
  int destination_ = -1;
  int connection_ = -1;
  bool slider_enabled_ = false;
  int slider_position_ = 80;
};

// The device that holds the output our playback is heard on, else the
// first; -1 for an empty list.
int PreferredDevice(const std::vector<MixerDevice>& devices);

}  // namespace tazmel
