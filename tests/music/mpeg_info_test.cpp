#include "music/mpeg_info.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <sstream>

#include "core/file_utils.h"
#include "music/music_media.h"
#include "temp_dir.h"

using namespace std::string_literals;

namespace tazmel {
namespace {

using test::MakeMp3;
using test::Quote;
using test::Shell;
using test::TempDir;

TEST(MpegHeaderTest, DecodesFieldsAndFrameLengths) {
  const struct {
    std::uint32_t header;
    int version, layer, rate, bit_rate, mode;
    bool padding, protection;
    int frame_length;
  } cases[] = {
      {0xFFFB9064, 1, 3, 44100, 128, 1, false, true, 417},
      {0xFFFB9264, 1, 3, 44100, 128, 1, true, true, 418},
      {0xFFF35000, 2, 3, 22050, 40, 0, false, true, 130},   // 72000 for MPEG-2 layer III
      {0xFFE310C0, 3, 3, 11025, 8, 3, false, true, 52},     // MPEG-2.5
      {0xFFFF9000, 1, 1, 44100, 288, 0, false, true, 312},  // layer I: 4-byte slots
      {0xFFFD9000, 1, 2, 44100, 160, 0, false, true, 522},
      {0xFFFA9000, 1, 3, 44100, 128, 0, false, false, 417},  // CRC follows
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    TMPEGData record;
    ASSERT_TRUE(DecodeHeader(c.header, record));
    EXPECT_EQ(record.Version, c.version);
    EXPECT_EQ(record.Layer, c.layer);
    EXPECT_EQ(record.SampleRate, c.rate);
    EXPECT_EQ(record.BitRate, c.bit_rate);
    EXPECT_EQ(record.ChannelMode, c.mode);
    EXPECT_EQ(record.Padding, c.padding);
    EXPECT_EQ(record.ProtectionBit, c.protection);
    EXPECT_EQ(record.FrameLength, static_cast<std::uint32_t>(c.frame_length));
  }
  TMPEGData record;
  for (std::uint32_t bad :
       {0xFFE80000u /* reserved version */, 0xFFFB0064u /* free format */, 0xFFFBF064u /* bit rate 15 */,
        0xFFFB9C64u /* rate 3 */, 0xFFF90000u /* layer 0 */, 0x7FFB9064u}) {
    EXPECT_FALSE(DecodeHeader(bad, record)) << bad;
  }
}

struct ToolView {
  std::string version, layer, mode;
  int rate = 0;
  double duration = 0;
  double bit_rate = 0;
  int channels = 0;
};

ToolView AskTools(const std::filesystem::path& mp3) {
  ToolView view;
  std::istringstream info(Shell("mp3info -p '%v|%L|%o' " + Quote(mp3) + " 2>/dev/null"));
  std::getline(info, view.version, '|');
  std::getline(info, view.layer, '|');
  std::getline(info, view.mode);
  std::istringstream probe(
      Shell("ffprobe -v error -select_streams a:0 -show_entries "
            "stream=sample_rate,channels,bit_rate:format=duration -of default=nw=1 " +
            Quote(mp3)));
  for (std::string line; std::getline(probe, line);) {
    const std::string key = line.substr(0, line.find('='));
    const std::string value = line.substr(line.find('=') + 1);
    if (key == "sample_rate") view.rate = std::stoi(value);
    if (key == "channels") view.channels = std::stoi(value);
    if (key == "bit_rate" && value != "N/A") view.bit_rate = std::stod(value) / 1000;
    if (key == "duration") view.duration = std::stod(value);
  }
  return view;
}

double VersionNumber(int version) { return version == 1 ? 1 : version == 2 ? 2 : 2.5; }
const char* kModes[] = {"stereo", "joint stereo", "dual channel", "mono"};
const char* kLayers[] = {"", "I", "II", "III"};

// lame's files of every sample rate, mono and VBR, as mp3info and ffprobe
// see them.
TEST(MpegInfoTest, AgreesWithMp3infoAndFfprobe) {
  TempDir dir;
  const struct {
    const char* options;
    int rate, channels;
    bool vbr;
  } cases[] = {
      {"-b 128", 44100, 2, false}, {"-b 160 -m s", 48000, 2, false}, {"-b 96 -m m", 32000, 1, false},
      {"-b 64", 24000, 2, false},  {"-b 32 -m m", 22050, 1, false},  {"-b 48", 16000, 2, false},
      {"-b 32", 12000, 2, false},  {"-b 24 -m m", 11025, 1, false},  {"-b 16 -m m", 8000, 1, false},
      {"-V 2", 44100, 2, true},    {"-V 5 -m m", 22050, 1, true},    {"--abr 100 --add-id3v2 --tt x", 44100, 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options + std::string(" @ ") + std::to_string(c.rate));
    const auto mp3 = dir / "t.mp3";
    ASSERT_TRUE(MakeMp3(mp3, std::string(c.options) + " --resample " + std::to_string(c.rate / 1000.0), 10, c.rate,
                        c.channels));
    const ToolView tools = AskTools(mp3);
    TMPEGData record;
    ASSERT_EQ(ReadMPEGInfo(record, mp3.string()), 0);
    EXPECT_EQ(VersionNumber(record.Version), std::stod(tools.version));
    EXPECT_EQ(kLayers[record.Layer], tools.layer);
    EXPECT_EQ(kModes[record.ChannelMode], tools.mode);
    EXPECT_EQ(record.SampleRate, tools.rate);
    EXPECT_EQ(record.ChannelMode == 3 ? 1 : 2, tools.channels);
    EXPECT_EQ(record.FileLength, static_cast<std::int64_t>(std::filesystem::file_size(mp3)));
    EXPECT_LE(std::abs(record.Duration - tools.duration), 1.0) << tools.duration;
    EXPECT_NEAR(record.BitRate, tools.bit_rate, tools.bit_rate * (c.vbr ? 0.06 : 0.02));
    // lame names itself in its Info frame, which it leaves out when the
    // frames are too small to hold it.
    const bool lame_tag = ReadWholeFile(mp3)->substr(0, 400).find("LAME") != std::string::npos;
    EXPECT_EQ(record.Encoder.substr(0, 4), lame_tag ? "LAME" : "");
  }
}

TEST(MpegInfoTest, FreeFormatAndFilesWithoutFramesGiveMinusOne) {
  TempDir dir;
  const auto free = dir / "free.mp3";
  ASSERT_TRUE(MakeMp3(free, "--freeformat -b 400"));
  TMPEGData record;
  EXPECT_EQ(ReadMPEGInfo(record, free.string()), -1);
  EXPECT_FALSE(record.Valid());

  const auto text = dir / "text.mp3";
  ASSERT_TRUE(WriteFileAtomically(text, std::string(5000, 'x')));
  EXPECT_EQ(ReadMPEGInfo(record, text.string()), -1);
  EXPECT_EQ(record.FileLength, 5000);
  EXPECT_EQ(ReadMPEGInfo(record, (dir / "missing.mp3").string()), -1);
  ASSERT_TRUE(WriteFileAtomically(text, "\xFF\xFB\x90"));
  EXPECT_EQ(ReadMPEGInfo(record, text.string()), 0);
  EXPECT_EQ(record.FileLength, 0);

  // A FIFO must not hold the reader.
  const auto fifo = dir / "x.mp3";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ReadMPEGInfo(record, fifo.string()), -1);
}

// A false sync inside the tag, a lone frame that reaches the end.
TEST(MpegInfoTest, SkipsTheTagAndConfirmsTheNextFrame) {
  TempDir dir;
  const auto mp3 = dir / "t.mp3";
  ASSERT_TRUE(MakeMp3(mp3, "-b 64 -m m", 3, 44100, 1));
  const std::string audio = *ReadWholeFile(mp3);
  // Tag body with a valid-looking 320 kbit/s header in it.
  std::string body = "TXXX\0\0\0\x14\0\0\0"s + "\xFF\xFB\xE0\x64" + std::string(16, '\0');
  body.resize(100, '\0');
  const std::string tagged = "ID3\3\0\0\0\0\0\x64"s + body + audio;
  ASSERT_TRUE(WriteFileAtomically(mp3, tagged));
  TMPEGData record;
  ASSERT_EQ(ReadMPEGInfo(record, mp3.string()), 0);
  EXPECT_EQ(record.BitRate, 64);
  EXPECT_EQ(record.ChannelMode, 3);

  // One 417-byte frame and nothing after it.
  std::string lone = "\xFF\xFB\x90\x64"s;
  lone.resize(417, '\0');
  ASSERT_TRUE(WriteFileAtomically(mp3, lone));
  EXPECT_EQ(ReadMPEGInfo(record, mp3.string()), -1);
  EXPECT_EQ(record.BitRate, 128);
  EXPECT_EQ(record.FrameLength, 417u);
}

}  // namespace
}  // namespace tazmel
