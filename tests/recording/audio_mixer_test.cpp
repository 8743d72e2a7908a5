#include "recording/audio_mixer.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recording/mixer_choice.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

SoundSource Monitor(std::string sink, std::string card = {}) {
  SoundSource s;
  s.name = sink + ".monitor";
  s.description = "Monitor of " + sink;
  s.card = card;
  s.card_description = card.empty() ? "" : "Card " + card;
  s.monitor_of = sink;
  return s;
}

SoundSource Input(std::string name, bool microphone, std::string card = {}, std::uint16_t channels = 2) {
  SoundSource s;
  s.name = name;
  s.description = "Input " + name;
  s.card = card;
  s.card_description = card.empty() ? "" : "Card " + card;
  s.microphone = microphone;
  s.channels = channels;
  return s;
}

// A card with two outputs, a microphone and a line input; two card-less
// sinks with the same description, and a card-less microphone.
SoundSources Machine(std::string own_sink = {}) {
  SoundSources m;
  m.sources = {Monitor("hdmi", "pci"),   Input("pci-mic", true, "pci", 1),
               Monitor("analog", "pci"), Input("pci-line", false, "pci"),
               Monitor("twin_a"),        Monitor("twin_b"),
               Input("usb-mic", true)};
  m.sources[4].description = m.sources[5].description = "Monitor of Twin";
  m.default_sink = "analog";
  m.own_sink = std::move(own_sink);
  return m;
}

std::vector<std::string> Names(const std::vector<MixerDevice>& devices) {
  std::vector<std::string> names;
  for (const MixerDevice& d : devices) names.push_back(d.product_name);
  return names;
}

// A card's sources share one mixer; every card-less source has its own. The
// output of the sink that is heard is marked, and follows our playback.
TEST(MixerTreeTest, DevicesAndLines) {
  const std::vector<MixerDevice> devices = BuildMixerDevices(Machine());
  EXPECT_EQ(Names(devices),
            (std::vector<std::string>{"Card pci", "Monitor of Twin", "Monitor of Twin", "Input usb-mic"}));
  ASSERT_EQ(devices[0].destinations.size(), 1u);
  const MixerDestination& rec = devices[0].destinations[0];
  EXPECT_EQ(rec.line.component_type, kDstWaveIn);
  struct Expect {
    std::uint32_t type;
    std::string name;
    std::uint16_t channels;
    std::string source;
    bool own_output;
  };
  // Of the card's two outputs the heard one is the plain "Stereo Mix".
  const std::vector<Expect> expected = {{kSrcWaveOut, "Stereo Mix (hdmi)", 2, "hdmi.monitor", false},
                                        {kSrcMicrophone, "Microphone", 1, "pci-mic", false},
                                        {kSrcWaveOut, "Stereo Mix", 2, "analog.monitor", true},
                                        {kSrcAnalog, "Input pci-line", 2, "pci-line", false}};
  ASSERT_EQ(rec.connections.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rec.connections[i].component_type, expected[i].type);
    EXPECT_EQ(rec.connections[i].name, expected[i].name);
    EXPECT_EQ(rec.connections[i].channels, expected[i].channels);
    EXPECT_EQ(rec.connections[i].source, expected[i].source);
    EXPECT_EQ(rec.connections[i].own_output, expected[i].own_output);
  }
  EXPECT_EQ(devices[1].default_source, "twin_a.monitor");

  // Our playback on another sink moves the mark there.
  const std::vector<MixerDevice> playing = BuildMixerDevices(Machine("twin_b"));
  EXPECT_FALSE(playing[0].destinations[0].connections[2].own_output);
  // Neither heard: the first is the plain one.
  EXPECT_EQ(playing[0].destinations[0].connections[0].name, "Stereo Mix");
  EXPECT_EQ(playing[0].destinations[0].connections[2].name, "Stereo Mix (analog)");
  EXPECT_TRUE(playing[2].destinations[0].connections[0].own_output);
  EXPECT_EQ(PreferredDevice(playing), 2);
  EXPECT_EQ(PreferredDevice(devices), 0);
}

// Volumes are per channel, right following left when not given; -1 leaves
// a value alone; a line's own mute switch takes the mute.
TEST(MixerTreeTest, GetAndSetVolume) {
  TAudioMixer mixer(BuildMixerDevices(Machine()));
  ASSERT_EQ(mixer.MixerId(), 0);
  struct Case {
    int connection;
    std::int64_t mute, left, right;
    std::int64_t want_mute, want_left, want_right;
    bool stereo;
  };
  const Case cases[] = {
      {0, 1, 1000, 2000, 1, 1000, 2000, true},         // both channels
      {0, -1, 3000, -1, 1, 3000, 3000, true},          // right as left, mute kept
      {0, 0, -1, -1, 0, 3000, 3000, true},             // volume kept
      {1, 1, 500, 900, 1, 500, 500, false},            // a mono line has one value
      {-1, -1, 40000, 20000, -1, 40000, 20000, true},  // the destination line: no mute
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.connection);
    ASSERT_TRUE(mixer.SetVolume(0, c.connection, c.mute, c.left, c.right));
    const auto v = mixer.GetVolume(0, c.connection);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->mute, c.want_mute);
    EXPECT_EQ(v->left, c.want_left);
    EXPECT_EQ(v->right, c.want_right);
    EXPECT_EQ(v->stereo, c.stereo);
    EXPECT_FALSE(v->volume_disabled);
    EXPECT_FALSE(v->mute_is_select);
  }
  EXPECT_FALSE(mixer.GetVolume(1, 0));
  EXPECT_FALSE(mixer.GetVolume(0, 4));
  EXPECT_FALSE(mixer.SetVolume(0, 4, 1, 1, 1));
  EXPECT_FALSE(mixer.SetVolume(0, -2, 1, 1, 1));
}

// Reopening gives fresh values; ids out of range change nothing.
TEST(MixerTreeTest, MixerId) {
  TAudioMixer mixer(BuildMixerDevices(Machine()));
  mixer.SetVolume(0, 0, 1, 10, 10);
  for (int id : {-1, 4, 99}) {
    mixer.SetMixerId(id);
    EXPECT_EQ(mixer.MixerId(), 0);
    EXPECT_EQ(mixer.GetVolume(0, 0)->left, 10);
  }
  mixer.SetMixerId(2);
  EXPECT_EQ(mixer.ProductName(), "Monitor of Twin");
  mixer.SetMixerId(0);
  EXPECT_EQ(mixer.GetVolume(0, 0)->left, kVolumeMax);
  EXPECT_EQ(mixer.GetVolume(0, 0)->mute, 0);

  TAudioMixer none({});
  EXPECT_EQ(none.MixerId(), -1);
  EXPECT_EQ(none.DestinationCount(), 0);
  EXPECT_FALSE(none.GetVolume(0, -1));
  EXPECT_FALSE(none.SetVolume(0, -1, 1, 1, 1));
}

// A hand-made device whose source lines have no mute: the select state is
// read from and written to the destination's list, whichever item it is.
MixerDevice ListOnlyDevice(std::uint32_t list_type, int lines) {
  SoundSources sources;
  for (int i = 0; i < lines; ++i) sources.sources.push_back(Input("in" + std::to_string(i), false, "card"));
  MixerDevice device = BuildMixerDevices(sources)[0];
  MixerDestination& d = device.destinations[0];
  for (MixerLine& line : d.connections)
    std::erase_if(line.controls, [](const MixerControl& c) { return c.control_type == kControlMute; });
  for (MixerControl& c : d.line.controls) {
    if (c.control_type == kControlMux) c.control_type = list_type;
  }
  return device;
}

TEST(MixerTreeTest, SelectStateInTheList) {
  for (std::uint32_t type : {kControlMux, kControlMixer}) {
    SCOPED_TRACE(type);
    TAudioMixer mixer({ListOnlyDevice(type, 5)});
    // Every item is found, the odd ones and the last included.
    for (int c = 0; c < 5; ++c) {
      ASSERT_TRUE(mixer.SetVolume(0, c, 1, -1, -1));
      for (int other = 0; other < 5; ++other) {
        const auto v = mixer.GetVolume(0, other);
        ASSERT_TRUE(v);
        EXPECT_TRUE(v->mute_is_select);
        EXPECT_EQ(v->mute, other == c ? 1 : 0) << c << " " << other;
      }
      EXPECT_EQ(mixer.CaptureOf(0)->name, "in" + std::to_string(c));
    }
    // Dropping the chosen item: a multiple-select list lets it go, a
    // single-select one keeps one chosen.
    mixer.SetVolume(0, 4, 0, -1, -1);
    EXPECT_EQ(mixer.GetVolume(0, 4)->mute, type == kControlMixer ? 0 : 1);
  }
}

// Choosing a source selects it in the list and switches its own mute off,
// never on; the gain recorded is the destination's times the line's.
TEST(MixerChoiceTest, SourceChangeSelectsAndUnmutes) {
  TAudioMixer mixer(BuildMixerDevices(Machine()));
  MixerChoice choice(mixer, "Stereo Mix!", "Mic!");
  choice.FillDevices(Names(mixer.Devices()));
  ASSERT_EQ(choice.Device(), 0);
  EXPECT_EQ(choice.Connections(),
            (std::vector<std::string>{"Stereo Mix! (hdmi)", "Mic!", "Stereo Mix!", "Input pci-line"}));
  // The heard output, not the first stereo mix, is preferred.
  EXPECT_EQ(choice.Connection(), 2);
  mixer.SetVolume(0, 1, 1, -1, -1);
  choice.SelectConnection(1);
  const auto v = mixer.GetVolume(0, 1);
  EXPECT_EQ(v->mute, 0);
  EXPECT_FALSE(v->mute_is_select);
  std::optional<WaveInSource> capture = choice.Capture();
  ASSERT_TRUE(capture);
  EXPECT_EQ(capture->name, "pci-mic");
  EXPECT_FALSE(capture->mute);
  EXPECT_DOUBLE_EQ(capture->volume, 1.0);

  EXPECT_TRUE(choice.SliderEnabled());
  choice.MoveSlider(MixerChoice::kSliderMax - 32768);
  mixer.SetVolume(0, -1, -1, 32768, 32768);
  capture = choice.Capture();
  EXPECT_NEAR(capture->volume, (32768.0 / 65535) * (32768.0 / 65535), 1e-9);
}

// The default choice starts with the heard output at 7500, and skips a
// mixer whose only destination does not record.
TEST(MixerChoiceTest, DefaultChoice) {
  std::vector<MixerDevice> devices = BuildMixerDevices(Machine("twin_b"));
  devices[1].destinations[0].line.component_type = 4;  // a playing destination
  TAudioMixer mixer(devices);
  MixerChoice choice(mixer, "Stereo Mix", "Microphone");
  choice.FillDevices(Names(devices));
  // The device map skips the mixer without a wave-in destination, so the
  // twins map in order from there on.
  EXPECT_EQ(choice.DeviceMap(), (std::vector<int>{0, 2, -1, -1}));

  ASSERT_TRUE(choice.DefaultChoice(1));
  EXPECT_EQ(choice.Device(), 1);
  EXPECT_EQ(mixer.MixerId(), 2);
  ASSERT_EQ(choice.Connection(), 0);
  const auto v = mixer.GetVolume(0, 0);
  EXPECT_EQ(v->left, MixerChoice::kDefaultVolume);
  EXPECT_EQ(v->mute, 0);
  EXPECT_EQ(choice.SliderPosition(), MixerChoice::kSliderMax - MixerChoice::kDefaultVolume);
  const std::optional<WaveInSource> capture = choice.Capture();
  ASSERT_TRUE(capture);
  EXPECT_EQ(capture->name, "twin_b.monitor");
  EXPECT_TRUE(capture->follow_own_output);
  EXPECT_NEAR(capture->volume, 7500.0 / 65535, 1e-9);
}

// A device without a mixer (or none selected) shows no lists of another
// device's, and records from its own default source.
TEST(MixerChoiceTest, UnmappedDevice) {
  TAudioMixer mixer(BuildMixerDevices(Machine()));
  MixerChoice choice(mixer, "Stereo Mix", "Microphone");
  choice.FillDevices({"Card pci", "Something else", "Monitor of Twin", "Monitor of Twin"});
  EXPECT_EQ(choice.DeviceMap(), (std::vector<int>{0, -1, -1, -1}));
  for (int index : {1, -1, 7}) {
    SCOPED_TRACE(index);
    choice.SelectDevice(index);
    EXPECT_TRUE(choice.Destinations().empty());
    EXPECT_TRUE(choice.Connections().empty());
    EXPECT_EQ(choice.MixerDestination(), -1);
    choice.MoveSlider(100);
    choice.SelectConnection(0);
  }
  choice.SelectDevice(1);
  EXPECT_EQ(choice.Capture()->name, mixer.Devices()[1].default_source);
  choice.SelectDevice(-1);
  EXPECT_FALSE(choice.Capture());
}

// Display names and the last passes of the preferred source.
TEST(MixerChoiceTest, NamesAndPreferredSource) {
  TAudioMixer mixer({});
  MixerChoice choice(mixer, "stereo-mix", "Mic");
  struct Case {
    std::string name, shown;
  };
  for (const Case& c : {Case{"STEREO MIX", "stereo-mix"}, Case{"Mix of stereo things", "stereo-mix"},
                        Case{"Stereo Mix (HDMI 2)", "stereo-mix (HDMI 2)"}, Case{"MICROPHONE", "Mic"},
                        Case{"Microphone 2", "Microphone 2"}, Case{"Line", "Line"}}) {
    EXPECT_EQ(choice.DisplayName(c.name), c.shown) << c.name;
  }

  SoundSources analog;
  analog.sources = {Input("a", false, "c"), Input("b", false, "c"), Input("c", false, "c")};
  std::vector<MixerDevice> devices = BuildMixerDevices(analog);
  auto& lines = devices[0].destinations[0].connections;
  TAudioMixer analog_mixer(devices);
  MixerChoice analog_choice(analog_mixer, "stereo-mix", "Mic");
  EXPECT_EQ(analog_choice.PreferredSource(0), 2);  // the last analogue line
  lines[0].name = "stereo-mix";                    // the shown text, as a name
  lines[1].name = "What U Hear";
  analog_mixer = TAudioMixer(devices);
  EXPECT_EQ(analog_choice.PreferredSource(0), 0);
  lines[2].component_type = kSrcUndefined;
  analog_mixer = TAudioMixer(devices);
  EXPECT_EQ(analog_choice.PreferredSource(0), 2);
  lines[1].component_type = kSrcMicrophone;
  lines[0].component_type = kSrcMicrophone;
  lines[2].component_type = kSrcMicrophone;
  analog_mixer = TAudioMixer(devices);
  EXPECT_EQ(analog_choice.PreferredSource(0), -1);
  EXPECT_EQ(analog_choice.PreferredSource(1), -1);
}

// The report lists every mixer, line and control, then the wave-in
// devices, with the mail address first, CR LF between lines.
TEST(MixerReportTest, TempTxt) {
  SoundSources one;
  one.sources = {Monitor("s", "card")};
  const std::vector<MixerDevice> devices = BuildMixerDevices(one);
  test::TempDir dir;
  const auto file = WriteMixerReport(devices, dir.path(), "mail@example.org");
  ASSERT_TRUE(file);
  EXPECT_EQ(*file, dir / "Temp.txt");
  const std::string expected =
      " >>> mail@example.org\r\nID:0\r\n\tPN:Card card\r\n\tNOL:1\r\n\tDNum:0\r\n\t\tDN:Recording\r\n"
      "\t\tDCT:0x7\r\n\t\tDTN: Card card\r\n\t\tDTT:0x2\r\n"
      "\t\t\tCrNum:0\r\n\t\t\t\tCrN:Recording Volume\r\n\t\t\t\tCrCT: 0x50030001\r\n"
      "\t\t\tCrNum:1\r\n\t\t\t\tCrN:Recording Source\r\n\t\t\t\tCrCT: 0x71010001\r\n"
      "\t\tCNum: 0\r\n\t\t\tCN: Stereo Mix\r\n\t\t\tCCT: 0x1008\r\n"
      "\t\t\tCrNum:0\r\n\t\t\t\tCrN:Stereo Mix Volume\r\n\t\t\t\tCrCT: 0x50030001\r\n"
      "\t\t\tCrNum:1\r\n\t\t\t\tCrN:Stereo Mix Mute\r\n\t\t\t\tCrCT: 0x20010002\r\n"
      "Card card\r\n\tMID=0\r\n\tPID=0\r\n\tDV=0\r\n\tPN=Card card\r\n\tF=1048575\r\n\tCh=2\r\n\tR=0";
  EXPECT_EQ(test::ReadFile(*file), expected);
  EXPECT_FALSE(WriteMixerReport({}, dir.path(), "x"));
  EXPECT_FALSE(WriteMixerReport(devices, dir / "missing", "x"));
}

// Product names are cut to the record's 31 bytes at a character's start.
TEST(MixerTreeTest, LongNamesCut) {
  SoundSources one;
  one.sources = {Input("x", false)};
  one.sources[0].description = std::string(30, 'a') + "\xC3\xA9z";
  EXPECT_EQ(BuildMixerDevices(one)[0].product_name, std::string(30, 'a'));
}

}  // namespace
}  // namespace tazmel
