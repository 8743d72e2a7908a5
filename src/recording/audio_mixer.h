#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/wave_device.h"

namespace tazmel {

// Line and control kinds, by the values the mixer records have always used.
inline constexpr std::uint32_t kDstWaveIn = 7;
inline constexpr std::uint32_t kSrcUndefined = 0x1000;
inline constexpr std::uint32_t kSrcMicrophone = 0x1003;
inline constexpr std::uint32_t kSrcWaveOut = 0x1008;
inline constexpr std::uint32_t kSrcAnalog = 0x100A;
inline constexpr std::uint32_t kTargetWaveIn = 2;
inline constexpr std::uint32_t kControlVolume = 0x50030001;
inline constexpr std::uint32_t kControlMute = 0x20010002;
inline constexpr std::uint32_t kControlMux = 0x71010001;
inline constexpr std::uint32_t kControlMixer = 0x70010001;
inline constexpr std::uint32_t kControlListClass = 0x70000000;
inline constexpr std::uint32_t kControlUniform = 0x1;
inline constexpr std::uint32_t kControlMultiple = 0x2;
inline constexpr std::uint32_t kControlDisabled = 0x80000000;
inline constexpr std::uint32_t kVolumeMax = 65535;

struct MixerListItem {
  std::uint32_t line_id = 0;  // the source line the item stands for
  std::string name;
};

// A control with its current values: one per channel, or one per list item
// for a list control.
struct MixerControl {
  std::uint32_t control_id = 0;
  std::uint32_t control_type = 0;
  std::uint32_t flags = 0;
  std::uint32_t multiple_items = 0;
  std::string name;
  std::vector<std::uint32_t> values;
  std::vector<MixerListItem> items;
};

struct MixerLine {
  std::uint32_t component_type = 0;
  std::uint16_t channels = 2;
  std::uint32_t line_id = 0;
  std::string name;
  std::uint32_t target_type = 0;
  std::string target_pname;
  std::vector<MixerControl> controls;
  // The sound system's source behind a source line; "" for a destination.
  std::string source;
  // The output of the sink this program's playback plays into: recording
  // it follows the playback when it moves.
  bool own_output = false;
};

struct MixerDestination {
  MixerLine line;
  std::vector<MixerLine> connections;
};

// One wave-in device with its mixer: a card with all its sources, or a
// source that belongs to no card.
struct MixerDevice {
  std::string product_name;
  std::string default_source;  // recorded from when no source is chosen
  std::vector<MixerDestination> destinations;
};

// The mixers of the sound system: per device one wave-in destination
// ("Recording") whose single-select list chooses the source recorded from
// and whose volume scales every source; each source line has a volume and a
// mute. A sink's output is a wave-out source named "Stereo Mix", an input
// port that is no line a microphone. Every value belongs to our own capture
// stream; the sources themselves, their mutes and the system's default are
// never touched.
std::vector<MixerDevice> BuildMixerDevices(const SoundSources& sources);

// One mixer of a list of devices, open one at a time, with its tree and the
// two operations on lines. A connection index of -1 stands for the
// destination line itself.
class TAudioMixer {
 public:
  explicit TAudioMixer(std::vector<MixerDevice> devices);

  int MixerId() const { return mixer_id_; }
  // Ids outside 0 .. count - 1 change nothing; any other reopens the mixer
  // with fresh values.
  void SetMixerId(int id);
  int DeviceCount() const { return static_cast<int>(devices_.size()); }
  const std::vector<MixerDevice>& Devices() const { return devices_; }

  std::string Manufacturer() const { return "PulseAudio"; }
  std::string ProductName() const;
  int NumberOfLine() const { return static_cast<int>(destinations_.size()); }

  int DestinationCount() const { return static_cast<int>(destinations_.size()); }
  const MixerDestination* Destination(int index) const;

  struct Volume {
    std::int64_t left = -1, right = -1, mute = -1;
    bool stereo = false;
    bool volume_disabled = true;
    bool mute_disabled = true;
    bool mute_is_select = false;
  };
  // Nothing when the line does not exist.
  std::optional<Volume> GetVolume(int destination, int connection) const;
  // -1 leaves a value alone (right -1: as left). A mute goes to the line's
  // own switch; a line without one is chosen or dropped in the
  // destination's list instead.
  bool SetVolume(int destination, int connection, std::int64_t mute, std::int64_t left, std::int64_t right);
  // Selects the source in the destination's list (on a multiple-select
  // list, alone).
  bool SelectSource(int destination, int connection);

  // What the open mixer records from the destination: the selected source,
  // its gain (destination volume x line volume) and mute. Nothing when the
  // destination has no selected source.
  std::optional<WaveInSource> CaptureOf(int destination) const;

 private:
  MixerLine* Line(int destination, int connection);
  const MixerLine* Line(int destination, int connection) const;
  MixerControl* ListControl(int destination, bool any_list);

  std::vector<MixerDevice> devices_;
  int mixer_id_ = -1;
  std::vector<MixerDestination> destinations_;
};

// The diagnostic report of every mixer and wave-in device, one entry per
// line, for Temp.txt.
std::vector<std::string> MixerReportLines(const std::vector<MixerDevice>& devices);
// Writes the report with its first line naming `mail`, CR LF separated, to
// Temp.txt in `folder`; the file's path, or nothing when it could not be
// written or there was nothing to write.
std::optional<std::filesystem::path> WriteMixerReport(const std::vector<MixerDevice>& devices,
                                                      const std::filesystem::path& folder, const std::string& mail);

}  // namespace tazmel
