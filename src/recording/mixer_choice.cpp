#include "recording/mixer_choice.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace tazmel {
namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsStereoMix(const std::string& name) {
  const std::string lower = Lower(name);
  return lower.find("stereo") != std::string::npos && lower.find("mix") != std::string::npos;
}

bool HasWaveInDestination(const MixerDevice& device) {
  return std::any_of(device.destinations.begin(), device.destinations.end(),
                     [](const tazmel::MixerDestination& d) { return d.line.component_type == kDstWaveIn; });
}

}  // namespace

MixerChoice::MixerChoice(TAudioMixer& mixer, std::string stereo_mix_text, std::string microphone_text)
    : mixer_(mixer), stereo_mix_text_(std::move(stereo_mix_text)), microphone_text_(std::move(microphone_text)) {}

std::string MixerChoice::DisplayName(const std::string& line_name) const {
  // A card's further outputs keep the sink's name after the text.
  constexpr std::string_view kNamed = "Stereo Mix (";
  if (line_name.starts_with(kNamed)) return stereo_mix_text_ + line_name.substr(kNamed.size() - 2);
  if (IsStereoMix(line_name)) return stereo_mix_text_;
  if (Lower(line_name) == "microphone") return microphone_text_;
  return line_name;
}

int MixerChoice::PreferredSource(int destination) const {
  const tazmel::MixerDestination* d = mixer_.Destination(destination);
  if (!d) return -1;
  const auto& lines = d->connections;
  const auto first = [&lines](auto match) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (match(lines[i])) return static_cast<int>(i);
    }
    return -1;
  };
  for (auto match : {+[](const MixerLine& l) { return l.component_type == kSrcWaveOut && l.own_output; },
                     +[](const MixerLine& l) { return l.component_type == kSrcWaveOut; },
                     +[](const MixerLine& l) { return l.component_type == kSrcUndefined; }}) {
    if (const int found = first(match); found >= 0) return found;
  }
  int last_analog = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].component_type != kSrcAnalog) continue;
    if (IsStereoMix(lines[i].name) || Lower(lines[i].name) == stereo_mix_text_) return static_cast<int>(i);
    last_analog = static_cast<int>(i);
  }
  return last_analog;
}

void MixerChoice::FillDevices(const std::vector<std::string>& wave_in_names) {
  if (wave_in_names.empty()) return;
  const std::string selected = device_ >= 0 ? devices_[static_cast<std::size_t>(device_)] : std::string();
  devices_ = wave_in_names;
  device_map_.assign(devices_.size(), -1);
  std::size_t j = 0;
  const std::vector<MixerDevice>& mixers = mixer_.Devices();
  for (std::size_t i = 0; i < mixers.size() && j < devices_.size(); ++i) {
    if (devices_[j] == mixers[i].product_name && HasWaveInDestination(mixers[i])) {
      device_map_[j++] = static_cast<int>(i);
    }
  }
  if (device_ >= static_cast<int>(devices_.size()) || device_ < 0 ||
      devices_[static_cast<std::size_t>(device_)] != selected) {
    device_ = 0;
  }
  DeviceChanged();
}

int MixerChoice::MixerDestination() const {
  if (destination_ < 0 || destination_ >= static_cast<int>(destination_map_.size())) return -1;
  return destination_map_[static_cast<std::size_t>(destination_)];
}

void MixerChoice::SelectDevice(int index) {
  device_ = index >= 0 && index < static_cast<int>(devices_.size()) ? index : -1;
  DeviceChanged();
}

void MixerChoice::SelectDestination(int index) {
  destination_ = index >= 0 && index < static_cast<int>(destinations_.size()) ? index : -1;
  DestinationChanged();
}

void MixerChoice::SelectConnection(int index) {
  connection_ = index >= 0 && index < static_cast<int>(connections_.size()) ? index : -1;
  SourceChanged();
}

void MixerChoice::DeviceChanged() {
  destinations_.clear();
  destination_map_.clear();
  connections_.clear();
  destination_ = connection_ = -1;
  // No device, or one without a mixer of its own: its lists stay empty
  // rather than showing another device's sources.
  if (device_ < 0 || device_ >= static_cast<int>(device_map_.size())) return;
  const int mixer_id = device_map_[static_cast<std::size_t>(device_)];
  if (mixer_id < 0) return;
  mixer_.SetMixerId(mixer_id);
  for (int d = 0; d < mixer_.DestinationCount(); ++d) {
    const tazmel::MixerDestination* destination = mixer_.Destination(d);
    if (destination->line.component_type != kDstWaveIn) continue;
    destinations_.push_back(destination->line.name);
    destination_map_.push_back(d);
  }
  if (!destinations_.empty()) {
    destination_ = 0;
    DestinationChanged();
  }
}

void MixerChoice::DestinationChanged() {
  connections_.clear();
  connection_ = -1;
  const int d = MixerDestination();
  const tazmel::MixerDestination* destination = mixer_.Destination(d);
  if (!destination) return;
  for (const MixerLine& line : destination->connections) connections_.push_back(DisplayName(line.name));
  if (connections_.empty()) return;
  connection_ = PreferredSource(d);
  SourceChanged();
}

void MixerChoice::SourceChanged() {
  const int d = MixerDestination();
  const std::optional<TAudioMixer::Volume> volume = mixer_.GetVolume(d, connection_);
  if (!volume) return;
  slider_enabled_ = !volume->volume_disabled;
  if (slider_enabled_) slider_position_ = kSliderMax - static_cast<int>(volume->left);
  ApplySource(volume->left);
}

// The line's own mute is switched off, so that what is chosen is heard; the
// list selects it.
void MixerChoice::ApplySource(std::int64_t volume) {
  const int d = MixerDestination();
  mixer_.SetVolume(d, connection_, 0, volume, volume);
  if (connection_ >= 0) mixer_.SelectSource(d, connection_);
}

void MixerChoice::MoveSlider(int position) {
  slider_position_ = std::clamp(position, 0, kSliderMax);
  if (MixerDestination() < 0) return;
  ApplySource(kSliderMax - slider_position_);
}

bool MixerChoice::TryMixer(int mixer_id) {
  const auto entry = std::find(device_map_.begin(), device_map_.end(), mixer_id);
  if (mixer_id < 0 || entry == device_map_.end()) return false;
  mixer_.SetMixerId(mixer_id);
  for (int d = 0; d < mixer_.DestinationCount(); ++d) {
    if (mixer_.Destination(d)->line.component_type != kDstWaveIn || PreferredSource(d) < 0) continue;
    device_ = static_cast<int>(entry - device_map_.begin());
    DeviceChanged();
    const auto listed = std::find(destination_map_.begin(), destination_map_.end(), d);
    SelectDestination(static_cast<int>(listed - destination_map_.begin()));
    ApplySource(kDefaultVolume);
    slider_position_ = kSliderMax - kDefaultVolume;
    return true;
  }
  return false;
}

bool MixerChoice::DefaultChoice(int preferred) {
  if (preferred >= 0 && preferred < static_cast<int>(device_map_.size()) &&
      TryMixer(device_map_[static_cast<std::size_t>(preferred)])) {
    return true;
  }
  for (int mixer_id : device_map_) {
    if (TryMixer(mixer_id)) return true;
  }
  return false;
}

std::optional<WaveInSource> MixerChoice::Capture() const {
  if (device_ < 0) return std::nullopt;
  if (const int d = MixerDestination(); d >= 0) {
    if (std::optional<WaveInSource> source = mixer_.CaptureOf(d)) return source;
  }
  const std::vector<MixerDevice>& mixers = mixer_.Devices();
  if (device_ >= static_cast<int>(mixers.size())) return std::nullopt;
  WaveInSource source;
  source.name = mixers[static_cast<std::size_t>(device_)].default_source;
  return source;
}

int PreferredDevice(const std::vector<MixerDevice>& devices) {
  for (std::size_t i = 0; i < devices.size(); ++i) {
    for (const tazmel::MixerDestination& d : devices[i].destinations) {
      for (const MixerLine& line : d.connections) {
        if (line.own_output) return static_cast<int>(i);
      }
    }
  }
  return devices.empty() ? -1 : 0;
}

}  // namespace tazmel
