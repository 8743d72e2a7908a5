#include "recording/lame_coder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "recording/wav_bytes.h"
#include "recording/wave_file.h"
#include "support/loop_dispatcher.h"
#include "support/shell.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using test::Chunk;
using test::ChunkSized;
using test::FmtBody;
using test::Le32;
using test::ReadFile;
using test::Riff;
using test::Shell;
using test::TempDir;
using test::WriteFile;

// What ffprobe says of an MP3 file.
struct Probe {
  std::string codec;
  int rate = 0;
  int channels = 0;
  double duration = -1;
};

Probe FfProbe(const std::filesystem::path& file) {
  const std::string out = Shell(
      "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels "
      "-show_entries format=duration -of default=nw=1 '" +
      file.string() + "' 2>/dev/null");
  Probe probe;
  const auto value = [&out](const std::string& key) {
    const std::size_t at = out.find(key + "=");
    return at == std::string::npos ? std::string()
                                   : out.substr(at + key.size() + 1, out.find('\n', at) - at - key.size() - 1);
  };
  probe.codec = value("codec_name");
  probe.rate = std::atoi(value("sample_rate").c_str());
  probe.channels = std::atoi(value("channels").c_str());
  const std::string duration = value("duration");
  if (!duration.empty() && duration != "N/A") probe.duration = std::atof(duration.c_str());
  return probe;
}

// mpg123 decodes the whole file without complaint.
bool Mpg123Decodes(const std::filesystem::path& file) {
  return Shell("mpg123 -q -t '" + file.string() + "' >/dev/null 2>&1; echo $?") == "0\n";
}

// A sine tone's PCM samples, `bits` 8 (unsigned) or 16.
std::string Tone(double seconds, int rate, int channels, int bits) {
  std::string out;
  const int frames = static_cast<int>(seconds * rate);
  for (int i = 0; i < frames; ++i) {
    const double v = 0.5 * std::sin(2 * M_PI * 440 * i / rate);
    for (int c = 0; c < channels; ++c) {
      if (bits == 8) {
        out += static_cast<char>(static_cast<int>(128 + 127 * v));
      } else {
        out += test::Le16(static_cast<std::uint16_t>(static_cast<std::int16_t>(32767 * v)));
      }
    }
  }
  return out;
}

WaveFormat Format(int rate, int channels, int bits) {
  WaveFormat f;
  f.channels = static_cast<std::uint16_t>(channels);
  f.samples_per_sec = static_cast<std::uint32_t>(rate);
  f.bits_per_sample = static_cast<std::uint16_t>(bits);
  f.block_align = static_cast<std::uint16_t>(channels * bits / 8);
  f.avg_bytes_per_sec = f.block_align * f.samples_per_sec;
  return f;
}

// The 58-byte header our recorder writes, with fact and an 18-byte fmt.
std::string Recorded(const WaveFormat& f, const std::string& data) {
  return Riff("WAVE", Chunk("fmt ", FmtBody(f)) +
                          Chunk("fact", Le32(static_cast<std::uint32_t>(data.size() / f.block_align))) +
                          Chunk("data", data));
}

class LameCoderTest : public ::testing::Test {
 protected:
  // Converts `input` into `output` and records the events.
  bool Convert(const std::filesystem::path& input, const std::filesystem::path& output) {
    coder_.SetInputFiles({input});
    coder_.OutputFiles() = {output};
    events_.clear();
    progress_.clear();
    coder_.OnBeginProcess = [this] { events_ += "begin;"; };
    coder_.OnBeginFile = [this](std::uint16_t i, const std::filesystem::path&) {
      events_ += "file" + std::to_string(i) + ";";
    };
    coder_.OnProgress = [this](std::uint16_t percent) { progress_.push_back(percent); };
    coder_.OnEndFile = [this](std::uint16_t i, const std::filesystem::path&) {
      events_ += "done" + std::to_string(i) + ";";
    };
    coder_.OnEndProcess = [this] { events_ += "end;"; };
    return coder_.ConvertFiles(dispatcher_);
  }

  // The folder holds exactly these names (no temporary left behind).
  static std::vector<std::string> Entries(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TLameCoder coder_;
  test::LoopDispatcher dispatcher_;
  std::string events_;
  std::vector<int> progress_;
};

// WAV files of every kind the recorder makes, or other tools do, convert at
// their own rate and channels with their whole length; header-only files
// give the flushed frames alone.
TEST_F(LameCoderTest, ConvertsWavKinds) {
  struct Case {
    std::string name;
    std::string bytes;
    int rate, channels;
    double seconds;
  };
  const std::vector<Case> cases = {
      {"58-byte header", Recorded(Format(44100, 2, 16), Tone(1.5, 44100, 2, 16)), 44100, 2, 1.5},
      {"44-byte header", test::PcmWav(Format(44100, 2, 16), Tone(1.0, 44100, 2, 16)), 44100, 2, 1.0},
      {"22050 Hz mono", Recorded(Format(22050, 1, 16), Tone(2.0, 22050, 1, 16)), 22050, 1, 2.0},
      {"8-bit 11025 Hz", Recorded(Format(11025, 1, 8), Tone(2.0, 11025, 1, 8)), 11025, 1, 2.0},
      {"8-bit stereo 44100 Hz", test::PcmWav(Format(44100, 2, 8), Tone(1.0, 44100, 2, 8)), 44100, 2, 1.0},
      {"odd chunk padded",
       Riff("WAVE", Chunk("LIST", "abc") + std::string(1, '\0') +
                        Chunk("fmt ", FmtBody(Format(48000, 2, 16)).substr(0, 16)) +
                        Chunk("data", Tone(1.0, 48000, 2, 16))),
       48000, 2, 1.0},
      {"data size past the end",
       Riff("WAVE",
            Chunk("fmt ", FmtBody(Format(44100, 2, 16))) + ChunkSized("data", 0x7FFFFFF0, Tone(1.0, 44100, 2, 16))),
       44100, 2, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFile(dir / "in.wav", c.bytes);
    ASSERT_TRUE(Convert(dir / "in.wav", dir / "out.mp3")) << coder_.LastError();
    EXPECT_EQ(events_, "begin;file0;done0;end;");
    ASSERT_FALSE(progress_.empty());
    EXPECT_EQ(progress_.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress_.begin(), progress_.end()));
    const Probe probe = FfProbe(dir / "out.mp3");
    EXPECT_EQ(probe.codec, "mp3");
    EXPECT_EQ(probe.rate, c.rate);
    EXPECT_EQ(probe.channels, c.channels);
    // The encoder's delay and padding add up to about three frames (of
    // 1152 samples at 32 kHz and above, of 576 below).
    EXPECT_NEAR(probe.duration, c.seconds, 0.05 + 3.0 * (c.rate >= 32000 ? 1152 : 576) / c.rate);
    EXPECT_TRUE(Mpg123Decodes(dir / "out.mp3"));
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"in.wav", "out.mp3"}));
  }

  for (int header : {44, 58}) {
    SCOPED_TRACE(header);
    TempDir dir;
    const WaveFormat f = Format(44100, 2, 16);
    WriteFile(dir / "in.wav", header == 44 ? test::PcmWav(f, "") : Recorded(f, ""));
    ASSERT_EQ(ReadFile(dir / "in.wav").size(), static_cast<std::size_t>(header));
    ASSERT_TRUE(Convert(dir / "in.wav", dir / "out.mp3")) << coder_.LastError();
    EXPECT_TRUE(progress_.empty());
    EXPECT_EQ(events_, "begin;file0;done0;end;");
    const std::string mp3 = ReadFile(dir / "out.mp3");
    ASSERT_GE(mp3.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(mp3[0]), 0xFF);
    EXPECT_LT(FfProbe(dir / "out.mp3").duration, 0.1);
  }
}

// A file that is no WAV file is taken as raw 16-bit samples from its first
// byte, at the coder's rate and mode.
TEST_F(LameCoderTest, RawSamples) {
  TempDir dir;
  WriteFile(dir / "in.raw", Tone(1.0, 44100, 2, 16));
  ASSERT_TRUE(Convert(dir / "in.raw", dir / "out.mp3")) << coder_.LastError();
  Probe probe = FfProbe(dir / "out.mp3");
  EXPECT_EQ(probe.rate, 44100);
  EXPECT_EQ(probe.channels, 2);
  EXPECT_NEAR(probe.duration, 1.0, 0.1);

  coder_.SampleRate = 22050;
  coder_.Mode = TLameMode::MONO;
  ASSERT_TRUE(Convert(dir / "in.raw", dir / "mono.mp3")) << coder_.LastError();
  probe = FfProbe(dir / "mono.mp3");
  EXPECT_EQ(probe.rate, 22050);
  EXPECT_EQ(probe.channels, 1);
  EXPECT_NEAR(probe.duration, 4.0, 0.1);
}

// WAV files that cannot be converted fail before anything is written, and
// leave an existing target alone.
TEST_F(LameCoderTest, RefusedWavFiles) {
  WaveFormat zero_align = Format(44100, 2, 16);
  zero_align.block_align = 0;
  WaveFormat float_format = Format(44100, 2, 32);
  float_format.format_tag = 3;
  const std::string data = Tone(0.1, 44100, 2, 16);
  const struct {
    std::string name, bytes;
  } cases[] = {
      {"zero block alignment", test::PcmWav(zero_align, data)},
      {"24-bit", test::PcmWav(Format(44100, 2, 24), data)},
      {"float", test::PcmWav(float_format, data)},
      {"no channels", test::PcmWav(Format(44100, 0, 16), data)},
      {"no fmt before data", Riff("WAVE", Chunk("data", data))},
      {"short fmt", Riff("WAVE", Chunk("fmt ", "\x01\x00\x02\x00") + Chunk("data", data))},
      {"no data chunk", Riff("WAVE", Chunk("fmt ", FmtBody(Format(44100, 2, 16))))},
      {"chunk size past the end", Riff("WAVE", ChunkSized("fmt ", 0xFFFFFFF0, FmtBody(Format(44100, 2, 16))))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteFile(dir / "in.wav", c.bytes);
    WriteFile(dir / "out.mp3", "keep me");
    EXPECT_FALSE(Convert(dir / "in.wav", dir / "out.mp3"));
    EXPECT_FALSE(coder_.LastError().empty());
    EXPECT_EQ(events_, "begin;");
    EXPECT_EQ(ReadFile(dir / "out.mp3"), "keep me");
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"in.wav", "out.mp3"}));
  }
}

// A cancel after the first chunk stops at once: no end events, the target
// as it was, no temporary file.
TEST_F(LameCoderTest, CancelLeavesTargetAlone) {
  TempDir dir;
  WriteFile(dir / "in.wav", Recorded(Format(44100, 2, 16), Tone(3.0, 44100, 2, 16)));
  WriteFile(dir / "out.mp3", "keep me");
  coder_.SetInputFiles({dir / "in.wav"});
  coder_.OutputFiles() = {dir / "out.mp3"};
  int chunks = 0;
  bool ended = false;
  coder_.OnProgress = [&](std::uint16_t) {
    if (++chunks == 1) dispatcher_.Post([this] { coder_.Cancel(); });
  };
  coder_.OnEndFile = [&](std::uint16_t, const std::filesystem::path&) { ended = true; };
  coder_.OnEndProcess = [&] { ended = true; };
  EXPECT_FALSE(coder_.ConvertFiles(dispatcher_));
  EXPECT_TRUE(coder_.Cancelled());
  EXPECT_EQ(chunks, 1);
  EXPECT_FALSE(ended);
  EXPECT_EQ(ReadFile(dir / "out.mp3"), "keep me");
  EXPECT_EQ(Entries(dir), (std::vector<std::string>{"in.wav", "out.mp3"}));
}

// Converting a file onto itself replaces it with the MP3 once it is whole;
// several files convert in turn with their own events.
TEST_F(LameCoderTest, OntoItselfAndSeveralFiles) {
  TempDir dir;
  WriteFile(dir / "a.wav", Recorded(Format(44100, 2, 16), Tone(1.0, 44100, 2, 16)));
  ASSERT_TRUE(Convert(dir / "a.wav", dir / "a.wav")) << coder_.LastError();
  EXPECT_EQ(FfProbe(dir / "a.wav").codec, "mp3");
  EXPECT_NEAR(FfProbe(dir / "a.wav").duration, 1.0, 0.1);

  WriteFile(dir / "b.wav", Recorded(Format(22050, 1, 16), Tone(1.0, 22050, 1, 16)));
  WriteFile(dir / "c.wav", Recorded(Format(44100, 2, 16), Tone(0.5, 44100, 2, 16)));
  coder_.SetInputFiles({dir / "b.wav", dir / "c.wav"});
  EXPECT_EQ(coder_.OutputFiles(), (std::vector<std::filesystem::path>{dir / "b.mp3", dir / "c.mp3"}));
  std::string order;
  coder_.OnBeginFile = [&](std::uint16_t i, const std::filesystem::path& in) {
    order += std::to_string(i) + in.filename().string() + ";";
  };
  coder_.OnEndFile = [&](std::uint16_t i, const std::filesystem::path& out) {
    order += std::to_string(i) + out.filename().string() + ";";
  };
  ASSERT_TRUE(coder_.ConvertFiles(dispatcher_)) << coder_.LastError();
  EXPECT_EQ(order, "0b.wav;0b.mp3;1c.wav;1c.mp3;");
  EXPECT_EQ(FfProbe(dir / "b.mp3").rate, 22050);
  EXPECT_EQ(FfProbe(dir / "c.mp3").rate, 44100);
}

// The frame header carries exactly the flags we set, whatever LAME's own
// defaults: CRC on, private, copyright and original off; no information
// frame and no tags. Flipped flags show as well.
TEST_F(LameCoderTest, FlagsSetExplicitly) {
  struct Case {
    bool crc, priv, copyright, original;
  };
  for (const Case& c : {Case{true, false, false, false}, Case{false, true, true, true}}) {
    TempDir dir;
    WriteFile(dir / "in.wav", Recorded(Format(44100, 2, 16), Tone(0.5, 44100, 2, 16)));
    coder_.CRC = c.crc;
    coder_.Private = c.priv;
    coder_.Copyright = c.copyright;
    coder_.Original = c.original;
    ASSERT_TRUE(Convert(dir / "in.wav", dir / "out.mp3")) << coder_.LastError();
    const std::string mp3 = ReadFile(dir / "out.mp3");
    ASSERT_GE(mp3.size(), 4u);
    const auto byte = [&mp3](int i) { return static_cast<unsigned char>(mp3[static_cast<std::size_t>(i)]); };
    EXPECT_EQ(byte(0), 0xFF);
    EXPECT_EQ(byte(1) & 0xFE, 0xFA);       // MPEG-1 layer III
    EXPECT_EQ((byte(1) & 1) == 0, c.crc);  // protection bit 0 = CRC follows
    EXPECT_EQ(byte(2) >> 4, 9);            // 128 kbit/s
    EXPECT_EQ((byte(2) & 1) != 0, c.priv);
    EXPECT_EQ((byte(3) & 0x08) != 0, c.copyright);
    EXPECT_EQ((byte(3) & 0x04) != 0, c.original);
    EXPECT_EQ(byte(3) >> 6, 0);  // stereo, not joint stereo
    EXPECT_EQ(mp3.find("Xing"), std::string::npos);
    EXPECT_EQ(mp3.find("Info"), std::string::npos);
    EXPECT_EQ(mp3.find("ID3"), std::string::npos);
    EXPECT_NE(mp3.substr(mp3.size() - 128, 3), "TAG");
  }
}

// A stream at a rate MPEG audio lacks is refused with LAME's code; the
// streaming use encodes whole chunks and flushes.
TEST_F(LameCoderTest, Streaming) {
  coder_.SampleRate = 96000;
  EXPECT_NE(coder_.OpenStream(), 0);
  EXPECT_FALSE(coder_.StreamOpen());

  coder_.SampleRate = 44100;
  coder_.Mode = TLameMode::STEREO;
  ASSERT_EQ(coder_.OpenStream(), 0);
  ASSERT_EQ(coder_.SamplesPerChunk(), 2304u);
  const std::string pcm = Tone(1.0, 44100, 2, 16);
  std::vector<std::int16_t> samples(pcm.size() / 2);
  std::memcpy(samples.data(), pcm.data(), pcm.size());
  std::vector<unsigned char> mp3;
  for (std::size_t at = 0; at + coder_.SamplesPerChunk() <= samples.size(); at += coder_.SamplesPerChunk()) {
    ASSERT_EQ(coder_.EncodeChunk(samples.data() + at, coder_.SamplesPerChunk(), mp3), 0);
  }
  ASSERT_EQ(coder_.Flush(mp3), 0);
  coder_.CloseStream();
  TempDir dir;
  WriteFile(dir / "s.mp3", std::string(mp3.begin(), mp3.end()));
  EXPECT_NEAR(FfProbe(dir / "s.mp3").duration, 1.0, 0.1);
  EXPECT_TRUE(Mpg123Decodes(dir / "s.mp3"));
  EXPECT_EQ(coder_.LameVersion().MajorVersion, 3);
}

}  // namespace
}  // namespace tazmel
