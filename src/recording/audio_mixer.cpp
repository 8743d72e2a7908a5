#include "recording/audio_mixer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string_view>

namespace tazmel {
namespace {

// The fixed-size text fields of the mixer records: cut, at a character's
// start, to fit with the closing zero.
constexpr std::size_t kNameChars = 64;
constexpr std::size_t kProductChars = 32;
// Every standard rate from 11025 to 96000 Hz in 8 and 16 bits, mono and
// stereo, as the wave-in capabilities mask them.
constexpr std::uint32_t kAllFormats = 0xFFFFF;

std::string Cut(const std::string& text, std::size_t size) {
  if (text.size() < size) return text;
  std::size_t end = size - 1;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string Hex(std::uint32_t value) {
  char out[16];
  std::snprintf(out, sizeof out, "%X", value);
  return out;
}

MixerControl Control(std::uint32_t id, std::uint32_t type, std::string name, std::vector<std::uint32_t> values) {
  MixerControl control;
  control.control_id = id;
  control.control_type = type;
  control.name = std::move(name);
  control.values = std::move(values);
  return control;
}

// The sink a monitor carries, as people know it: its description without
// the server's "Monitor of ".
std::string SinkName(const SoundSource& monitor) {
  constexpr std::string_view kPrefix = "Monitor of ";
  const std::string& text = monitor.description;
  if (text.starts_with(kPrefix) && text.size() > kPrefix.size()) return text.substr(kPrefix.size());
  return text.empty() ? monitor.monitor_of : text;
}

bool IsVolumeOrMute(const MixerControl& control) {
  return (control.control_type == kControlVolume || control.control_type == kControlMute) &&
         !(control.flags & kControlMultiple);
}

}  // namespace

std::vector<MixerDevice> BuildMixerDevices(const SoundSources& sources) {
  const std::string& heard = sources.own_sink.empty() ? sources.default_sink : sources.own_sink;
  std::vector<MixerDevice> devices;
  std::vector<std::string> keys;  // the card, or the source of a card-less one
  std::vector<std::vector<const SoundSource*>> members;
  for (const SoundSource& source : sources.sources) {
    const std::string key = source.card.empty() ? "\n" + source.name : source.card;
    auto it = std::find(keys.begin(), keys.end(), key);
    if (it == keys.end()) {
      keys.push_back(key);
      members.emplace_back();
      it = keys.end() - 1;
    }
    members[static_cast<std::size_t>(it - keys.begin())].push_back(&source);
  }

  for (const std::vector<const SoundSource*>& group : members) {
    const SoundSource& first = *group.front();
    MixerDevice device;
    device.product_name = Cut(first.card.empty() ? first.description : first.card_description, kProductChars);
    device.default_source = first.name;

    MixerDestination destination;
    std::uint32_t control_id = 1;
    MixerLine& line = destination.line;
    line.component_type = kDstWaveIn;
    line.channels = 2;
    line.line_id = 0xFFFF0000;
    line.name = "Recording";
    line.target_type = kTargetWaveIn;
    line.target_pname = device.product_name;
    line.controls.push_back(Control(control_id++, kControlVolume, "Recording Volume", {kVolumeMax, kVolumeMax}));

    MixerControl list = Control(control_id++, kControlMux, "Recording Source", {});
    list.flags = kControlUniform | kControlMultiple;
    // A card with several outputs lists one plain "Stereo Mix" (the one
    // heard, else the first) and the others with their sink's name after
    // it, so that the list tells them apart.
    std::size_t plain = group.size();
    std::size_t monitors = 0;
    for (std::size_t i = 0; i < group.size(); ++i) {
      if (group[i]->monitor_of.empty()) continue;
      ++monitors;
      if (group[i]->monitor_of == heard || plain == group.size()) plain = i;
    }
    for (std::size_t i = 0; i < group.size(); ++i) {
      const SoundSource& source = *group[i];
      MixerLine connection;
      connection.line_id = static_cast<std::uint32_t>(i);
      connection.channels = static_cast<std::uint16_t>(std::clamp<int>(source.channels, 1, 2));
      connection.source = source.name;
      if (!source.monitor_of.empty()) {
        connection.component_type = kSrcWaveOut;
        connection.name =
            monitors > 1 && i != plain ? Cut("Stereo Mix (" + SinkName(source) + ")", kNameChars) : "Stereo Mix";
        connection.own_output = source.monitor_of == heard;
      } else if (source.microphone) {
        connection.component_type = kSrcMicrophone;
        connection.name = "Microphone";
      } else {
        connection.component_type = kSrcAnalog;
        connection.name = Cut(source.description, kNameChars);
      }
      connection.target_type = kTargetWaveIn;
      connection.target_pname = device.product_name;
      const std::vector<std::uint32_t> full(connection.channels, kVolumeMax);
      connection.controls.push_back(Control(control_id++, kControlVolume, connection.name + " Volume", full));
      connection.controls.push_back(Control(control_id++, kControlMute, connection.name + " Mute", {0}));
      list.items.push_back({connection.line_id, connection.name});
      list.values.push_back(i == 0 ? 1 : 0);
      destination.connections.push_back(std::move(connection));
    }
    list.multiple_items = static_cast<std::uint32_t>(list.items.size());
    line.controls.push_back(std::move(list));
    device.destinations.push_back(std::move(destination));
    devices.push_back(std::move(device));
  }
  return devices;
}

TAudioMixer::TAudioMixer(std::vector<MixerDevice> devices) : devices_(std::move(devices)) { SetMixerId(0); }

void TAudioMixer::SetMixerId(int id) {
  if (id < 0 || id >= DeviceCount()) return;
  mixer_id_ = id;
  destinations_ = devices_[static_cast<std::size_t>(id)].destinations;
}

std::string TAudioMixer::ProductName() const {
  return mixer_id_ < 0 ? std::string() : devices_[static_cast<std::size_t>(mixer_id_)].product_name;
}

const MixerDestination* TAudioMixer::Destination(int index) const {
  if (index < 0 || index >= DestinationCount()) return nullptr;
  return &destinations_[static_cast<std::size_t>(index)];
}

const MixerLine* TAudioMixer::Line(int destination, int connection) const {
  const MixerDestination* d = Destination(destination);
  if (!d || connection < -1 || connection >= static_cast<int>(d->connections.size())) return nullptr;
  return connection == -1 ? &d->line : &d->connections[static_cast<std::size_t>(connection)];
}

MixerLine* TAudioMixer::Line(int destination, int connection) {
  return const_cast<MixerLine*>(static_cast<const TAudioMixer*>(this)->Line(destination, connection));
}

MixerControl* TAudioMixer::ListControl(int destination, bool any_list) {
  for (MixerControl& control : destinations_[static_cast<std::size_t>(destination)].line.controls) {
    const bool list = any_list ? control.control_type >= kControlListClass
                               : control.control_type == kControlMux || control.control_type == kControlMixer;
    if (list) return &control;
  }
  return nullptr;
}

std::optional<TAudioMixer::Volume> TAudioMixer::GetVolume(int destination, int connection) const {
  const MixerLine* line = Line(destination, connection);
  if (!line) return std::nullopt;
  Volume v;
  bool have_volume = false;
  for (const MixerControl& control : line->controls) {
    if (have_volume && v.mute >= 0) break;
    if (!IsVolumeOrMute(control) || control.values.empty()) continue;
    if (control.control_type == kControlVolume && !have_volume) {
      have_volume = true;
      v.volume_disabled = control.flags & kControlDisabled;
      v.left = control.values[0];
      v.stereo = line->channels >= 2 && control.values.size() >= 2;
      v.right = v.stereo ? control.values[1] : v.left;
    } else if (control.control_type == kControlMute && v.mute < 0) {
      v.mute_disabled = control.flags & kControlDisabled;
      v.mute = control.values[0] != 0 ? 1 : 0;
    }
  }
  if (v.mute < 0 && connection >= 0) {
    // The line's select state in the destination's list; every item is
    // looked at, whatever the channel count.
    for (const MixerControl& control : destinations_[static_cast<std::size_t>(destination)].line.controls) {
      if (control.control_type < kControlListClass) continue;
      for (std::size_t i = 0; i < control.items.size() && i < control.values.size(); ++i) {
        if (control.items[i].line_id != line->line_id) continue;
        v.mute = control.values[i];
        v.mute_disabled = control.flags & kControlDisabled;
        v.mute_is_select = true;
        break;
      }
      if (v.mute >= 0) break;
    }
  }
  return v;
}

bool TAudioMixer::SetVolume(int destination, int connection, std::int64_t mute, std::int64_t left, std::int64_t right) {
  MixerLine* line = Line(destination, connection);
  if (!line) return false;
  const auto level = [](std::int64_t value) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(value, 0, kVolumeMax));
  };
  bool volume_done = left == -1, mute_done = mute == -1, mute_found = false;
  for (MixerControl& control : line->controls) {
    if (volume_done && mute_done) break;
    if (!IsVolumeOrMute(control)) continue;
    if (control.control_type == kControlVolume && !volume_done) {
      volume_done = true;
      for (std::size_t i = 0; i < control.values.size(); ++i) {
        control.values[i] = level(i == 1 && right != -1 ? right : left);
      }
    } else if (control.control_type == kControlMute && !mute_done) {
      mute_done = mute_found = true;
      std::fill(control.values.begin(), control.values.end(), mute != 0 ? 1u : 0u);
    }
  }
  if (mute != -1 && !mute_found && connection >= 0) {
    if (MixerControl* list = ListControl(destination, false)) {
      for (std::size_t i = 0; i < list->items.size() && i < list->values.size(); ++i) {
        if (list->items[i].line_id != line->line_id) continue;
        if (mute != 0) std::fill(list->values.begin(), list->values.end(), 0u);
        // A single-select list always has one item chosen.
        if (mute != 0 || list->control_type == kControlMixer) list->values[i] = mute != 0 ? 1 : 0;
        break;
      }
    }
  }
  return true;
}

bool TAudioMixer::SelectSource(int destination, int connection) {
  const MixerLine* line = Line(destination, connection);
  if (!line || connection < 0) return false;
  MixerControl* list = ListControl(destination, false);
  if (!list) return false;
  for (std::size_t i = 0; i < list->items.size() && i < list->values.size(); ++i) {
    if (list->items[i].line_id != line->line_id) continue;
    std::fill(list->values.begin(), list->values.end(), 0u);
    list->values[i] = 1;
    return true;
  }
  return false;
}

std::optional<WaveInSource> TAudioMixer::CaptureOf(int destination) const {
  const MixerDestination* d = Destination(destination);
  if (!d) return std::nullopt;
  for (const MixerControl& control : d->line.controls) {
    if (control.control_type < kControlListClass) continue;
    for (std::size_t i = 0; i < control.items.size() && i < control.values.size(); ++i) {
      if (control.values[i] == 0) continue;
      for (std::size_t c = 0; c < d->connections.size(); ++c) {
        if (d->connections[c].line_id != control.items[i].line_id) continue;
        const std::optional<Volume> line = GetVolume(destination, static_cast<int>(c));
        const std::optional<Volume> master = GetVolume(destination, -1);
        const auto gain = [](const std::optional<Volume>& v) {
          return v && v->left >= 0 ? static_cast<double>(v->left) / kVolumeMax : 1.0;
        };
        WaveInSource source;
        source.name = d->connections[c].source;
        source.follow_own_output = d->connections[c].own_output;
        source.volume = gain(master) * gain(line);
        source.mute = line && !line->mute_is_select && line->mute == 1;
        return source;
      }
    }
  }
  return std::nullopt;
}

std::vector<std::string> MixerReportLines(const std::vector<MixerDevice>& devices) {
  std::vector<std::string> out;
  const auto controls = [&out](const MixerLine& line) {
    for (std::size_t i = 0; i < line.controls.size(); ++i) {
      out.push_back("\t\t\tCrNum:" + std::to_string(i));
      out.push_back("\t\t\t\tCrN:" + line.controls[i].name);
      out.push_back("\t\t\t\tCrCT: 0x" + Hex(line.controls[i].control_type));
    }
  };
  for (std::size_t id = 0; id < devices.size(); ++id) {
    const MixerDevice& device = devices[id];
    out.push_back("ID:" + std::to_string(id));
    out.push_back("\tPN:" + device.product_name);
    out.push_back("\tNOL:" + std::to_string(device.destinations.size()));
    for (std::size_t d = 0; d < device.destinations.size(); ++d) {
      const MixerDestination& destination = device.destinations[d];
      out.push_back("\tDNum:" + std::to_string(d));
      out.push_back("\t\tDN:" + destination.line.name);
      out.push_back("\t\tDCT:0x" + Hex(destination.line.component_type));
      out.push_back("\t\tDTN: " + destination.line.target_pname);
      out.push_back("\t\tDTT:0x" + Hex(destination.line.target_type));
      controls(destination.line);
      for (std::size_t c = 0; c < destination.connections.size(); ++c) {
        const MixerLine& connection = destination.connections[c];
        out.push_back("\t\tCNum: " + std::to_string(c));
        out.push_back("\t\t\tCN: " + connection.name);
        out.push_back("\t\t\tCCT: 0x" + Hex(connection.component_type));
        controls(connection);
      }
    }
  }
  for (std::size_t id = 0; id < devices.size(); ++id) {
    const MixerDevice& device = devices[id];
    std::uint16_t channels = 2;
    if (!device.destinations.empty() && !device.destinations[0].connections.empty()) {
      channels = device.destinations[0].connections[0].channels;
    }
    out.push_back(device.product_name);
    out.push_back("\tMID=0");
    out.push_back("\tPID=" + std::to_string(id));
    out.push_back("\tDV=0");
    out.push_back("\tPN=" + device.product_name);
    out.push_back("\tF=" + std::to_string(kAllFormats));
    out.push_back("\tCh=" + std::to_string(channels));
    out.push_back("\tR=0");
  }
  return out;
}

std::optional<std::filesystem::path> WriteMixerReport(const std::vector<MixerDevice>& devices,
                                                      const std::filesystem::path& folder, const std::string& mail) {
  const std::vector<std::string> lines = MixerReportLines(devices);
  if (lines.empty()) return std::nullopt;
  const std::filesystem::path file = folder / "Temp.txt";
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << " >>> " << mail << "\r\n";
  for (std::size_t i = 0; i < lines.size(); ++i) out << lines[i] << (i + 1 < lines.size() ? "\r\n" : "");
  out.close();
  if (!out) return std::nullopt;
  return file;
}

}  // namespace tazmel
