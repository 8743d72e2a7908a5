#include "recording/wave_file.h"

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "recording/wav_bytes.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::Chunk;
using test::ChunkSized;
using test::FmtBody;
using test::Le16;
using test::Le32;
using test::ReadFile;
using test::Riff;
using test::TempDir;
using test::WriteFile;
using Mode = TWaveFileStream::Mode;

const WaveFormat kStereo22k = MakeWaveFormat(TSamplesPerSec::sp22k, TBitsperSample::bs16Bit, TChannels::ctStereo);

// The record as bytes: tag 1, 2 channels, 22050 Hz, 88200 B/s, align 4, 16 bits, extra 0.
const std::string kStereo22kRecord = "\x01\x00\x02\x00\x22\x56\x00\x00\x88\x58\x01\x00\x04\x00\x10\x00\x00\x00"s;

// A few bytes of a file, without reading the rest (which may be huge).
std::string FileBytes(const fs::path& file, std::size_t from, std::size_t count) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from));
  std::string bytes(count, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// Block alignment and average rate follow from the three choices.
TEST(WaveFormatTest, DerivedFromChoices) {
  struct Case {
    TSamplesPerSec rate;
    TBitsperSample bits;
    TChannels channels;
    std::uint32_t hz;
    std::uint16_t align;
    std::uint32_t average;
  };
  const Case cases[] = {
      {TSamplesPerSec::sp8k, TBitsperSample::bs8Bit, TChannels::ctMono, 8000, 1, 8000},
      {TSamplesPerSec::sp11k, TBitsperSample::bs16Bit, TChannels::ctMono, 11025, 2, 22050},
      {TSamplesPerSec::sp44k, TBitsperSample::bs16Bit, TChannels::ctStereo, 44100, 4, 176400},
      {TSamplesPerSec::sp96k, TBitsperSample::bs8Bit, TChannels::ctStereo, 96000, 2, 192000},
  };
  for (const Case& c : cases) {
    const WaveFormat format = MakeWaveFormat(c.rate, c.bits, c.channels);
    EXPECT_EQ(format.samples_per_sec, c.hz);
    EXPECT_EQ(format.block_align, c.align) << c.hz;
    EXPECT_EQ(format.avg_bytes_per_sec, c.average) << c.hz;
    EXPECT_EQ(format.format_tag, kWaveFormatPcm);
    EXPECT_EQ(format.extra_size, 0);
  }
  EXPECT_EQ(WaveFormat{}, MakeWaveFormat(TSamplesPerSec::sp44k, TBitsperSample::bs16Bit, TChannels::ctStereo));
}

// Values outside the tables read as the nearest rate, 8 bits and mono.
TEST(WaveFormatTest, ValuesReadAsTablePositions) {
  EXPECT_EQ(SamplesPerSecOf(44100), TSamplesPerSec::sp44k);
  EXPECT_EQ(SamplesPerSecOf(44000), TSamplesPerSec::sp44k);
  EXPECT_EQ(SamplesPerSecOf(11000), TSamplesPerSec::sp11k);
  EXPECT_EQ(SamplesPerSecOf(0), TSamplesPerSec::sp8k);
  EXPECT_EQ(SamplesPerSecOf(400000), TSamplesPerSec::sp96k);
  EXPECT_EQ(BitsperSampleOf(16), TBitsperSample::bs16Bit);
  EXPECT_EQ(BitsperSampleOf(24), TBitsperSample::bs8Bit);
  EXPECT_EQ(ChannelsOf(2), TChannels::ctStereo);
  EXPECT_EQ(ChannelsOf(6), TChannels::ctMono);
}

// The record is little-endian; a short one decodes with the rest zero.
TEST(WaveFormatTest, RecordBytes) {
  const auto record = EncodeWaveFormat(kStereo22k);
  EXPECT_EQ(std::string(record.begin(), record.end()), kStereo22kRecord);
  EXPECT_EQ(DecodeWaveFormat(kStereo22kRecord), kStereo22k);
  const WaveFormat short_record = DecodeWaveFormat(kStereo22kRecord.substr(0, 4));
  EXPECT_EQ(short_record.channels, 2);
  EXPECT_EQ(short_record.samples_per_sec, 0u);
}

// The 58-byte header for `data_length` bytes of kStereo22k, spelt out.
std::string Stereo22kHeader(std::uint32_t data_length) {
  return "RIFF" + Le32(data_length + 50) + "WAVE" + "fmt " + Le32(18) + kStereo22kRecord + "fact" + Le32(4) +
         Le32(data_length / 4) + "data" + Le32(data_length);
}

// The header is whole from the start and follows every append, so a file
// cut off while it is being written reads as far as it got.
TEST(WaveFileWriteTest, HeaderValidWhileOpen) {
  TempDir dir;
  WriteFile(dir / "a.wav", "old content that is longer than the new header by far, and then some more bytes");
  auto opened = TWaveFileStream::Create(dir / "a.wav", kStereo22k, Mode::kWrite);
  ASSERT_TRUE(opened.stream) << opened.error;
  EXPECT_EQ(ReadFile(dir / "a.wav"), Stereo22kHeader(0));
  ASSERT_TRUE(opened.stream->Append("abcd", 4));
  EXPECT_EQ(opened.stream->DataStart(), 58);
  EXPECT_EQ(opened.stream->WritePosition(), 62);
  EXPECT_EQ(ReadFile(dir / "a.wav"), Stereo22kHeader(4) + "abcd");
  ASSERT_TRUE(opened.stream->Append("efghijkl", 8));
  EXPECT_EQ(ReadFile(dir / "a.wav"), Stereo22kHeader(12) + "abcdefghijkl");

  auto reader = TWaveFileStream::Create(dir / "a.wav", {}, Mode::kRead);
  ASSERT_TRUE(reader.stream) << reader.error;
  EXPECT_EQ(reader.stream->Format(), kStereo22k);
  EXPECT_EQ(reader.stream->DataSize(), 12);
}

// A taken name gets the first free number; other entries (a folder, a link
// to nowhere) count as taken.
TEST(WaveFileWriteTest, FreeFileName) {
  TempDir dir;
  EXPECT_EQ(FreeFileName(dir / "a.wav"), dir / "a.wav");
  WriteFile(dir / "a.wav", "x");
  EXPECT_EQ(FreeFileName(dir / "a.wav"), dir / "a (2).wav");
  std::filesystem::create_directory(dir / "a (2).wav");
  std::filesystem::create_symlink(dir / "nowhere", dir / "a (3).wav");
  EXPECT_EQ(FreeFileName(dir / "a.wav"), dir / "a (4).wav");
  WriteFile(dir / "Jazz 2026-12-10 15.00.00.mp3", "x");
  EXPECT_EQ(FreeFileName(dir / "Jazz 2026-12-10 15.00.00.mp3"), dir / "Jazz 2026-12-10 15.00.00 (2).mp3");
}

// Closing writes the whole header from the file's size, byte for byte.
TEST(WaveFileWriteTest, HeaderOnClose) {
  TempDir dir;
  auto opened = TWaveFileStream::Create(dir / "a.wav", kStereo22k, Mode::kWrite);
  ASSERT_TRUE(opened.stream) << opened.error;
  ASSERT_TRUE(opened.stream->Append("abcdefghij", 10));
  ASSERT_TRUE(opened.stream->Append("klmnop", 6));
  ASSERT_TRUE(opened.stream->Close());
  const std::string expected = "RIFF"s + "\x42\x00\x00\x00"s + "WAVE" + "fmt " + "\x12\x00\x00\x00"s +
                               kStereo22kRecord + "fact" + "\x04\x00\x00\x00"s + "\x04\x00\x00\x00"s + "data" +
                               "\x10\x00\x00\x00"s + "abcdefghijklmnop";
  EXPECT_EQ(ReadFile(dir / "a.wav"), expected);
}

// Destruction finishes the header too; a partial last frame is not counted.
TEST(WaveFileWriteTest, DestroyFinishesHeader) {
  TempDir dir;
  {
    auto opened = TWaveFileStream::Create(dir / "a.wav", kStereo22k, Mode::kWrite);
    ASSERT_TRUE(opened.stream) << opened.error;
    ASSERT_TRUE(opened.stream->Append("1234567", 7));
  }
  EXPECT_EQ(FileBytes(dir / "a.wav", 4, 4), Le32(57));
  EXPECT_EQ(FileBytes(dir / "a.wav", 46, 4), Le32(1));
  EXPECT_EQ(FileBytes(dir / "a.wav", 54, 4), Le32(7));
}

// A caller's format without block alignment gives no frame count, and an
// extra size is not written for the 18-byte record.
TEST(WaveFileWriteTest, OddCallerFormat) {
  TempDir dir;
  WaveFormat format = kStereo22k;
  format.block_align = 0;
  format.extra_size = 22;
  {
    auto opened = TWaveFileStream::Create(dir / "a.wav", format, Mode::kWrite);
    ASSERT_TRUE(opened.stream) << opened.error;
    ASSERT_TRUE(opened.stream->Append("12345678", 8));
  }
  EXPECT_EQ(FileBytes(dir / "a.wav", 46, 4), Le32(0));
  EXPECT_EQ(FileBytes(dir / "a.wav", 36, 2), Le16(0));
}

// Sizes past 4 GiB do not wrap round to small numbers.
TEST(WaveFileWriteTest, HugeFileSizesSaturate) {
  TempDir dir;
  auto opened = TWaveFileStream::Create(dir / "a.wav", kStereo22k, Mode::kWrite);
  ASSERT_TRUE(opened.stream) << opened.error;
  fs::resize_file(dir / "a.wav", (std::uintmax_t{1} << 32) + 100);  // sparse
  ASSERT_TRUE(opened.stream->Close());
  const std::string all_ones = "\xFF\xFF\xFF\xFF"s;
  EXPECT_EQ(FileBytes(dir / "a.wav", 4, 4), all_ones);
  EXPECT_EQ(FileBytes(dir / "a.wav", 46, 4), Le32(0x4000000A));  // (2^32 + 42) / 4
  EXPECT_EQ(FileBytes(dir / "a.wav", 54, 4), all_ones);
}

// A folder that does not exist gives the system's reason and no stream.
TEST(WaveFileWriteTest, UnwritablePlace) {
  TempDir dir;
  auto opened = TWaveFileStream::Create(dir / "missing" / "a.wav", kStereo22k, Mode::kWrite);
  EXPECT_FALSE(opened.stream);
  EXPECT_EQ(opened.error, "No such file or directory");
}

// What the recorder writes reads back: the fact chunk is walked over.
TEST(WaveFileReadTest, ReadsWhatWasWritten) {
  TempDir dir;
  {
    auto opened = TWaveFileStream::Create(dir / "a.wav", kStereo22k, Mode::kWrite);
    ASSERT_TRUE(opened.stream) << opened.error;
    ASSERT_TRUE(opened.stream->Append("abcdefgh", 8));
  }
  auto opened = TWaveFileStream::Create(dir / "a.wav", WaveFormat{}, Mode::kRead);
  ASSERT_TRUE(opened.stream) << opened.error;
  EXPECT_EQ(opened.stream->Format(), kStereo22k);
  EXPECT_EQ(opened.stream->DataStart(), 58);
  EXPECT_EQ(opened.stream->DataSize(), 8);
  char buffer[8];
  EXPECT_EQ(opened.stream->Read(buffer, 8), 8);
  EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
}

// The chunk walk: fmt chunks of every usual size, odd-sized chunks taken
// as written, a zero id ending the walk like "data".
TEST(WaveFileReadTest, ChunkWalk) {
  WaveFormat extensible = kStereo22k;
  extensible.format_tag = 0xFFFE;
  extensible.extra_size = 22;
  const std::string fmt16 = Chunk("fmt ", FmtBody(kStereo22k).substr(0, 16));
  struct Case {
    const char* name;
    std::string chunks;
    WaveFormat format;
    std::int64_t data_start;
  };
  const Case cases[] = {
      {"fmt 16", fmt16 + Chunk("data", "PCM"), kStereo22k, 12 + 24 + 8},
      {"fmt 18", Chunk("fmt ", FmtBody(kStereo22k)) + Chunk("data", "PCM"), kStereo22k, 12 + 26 + 8},
      {"fmt 40", Chunk("fmt ", FmtBody(extensible) + std::string(22, 'x')) + Chunk("data", "PCM"), extensible,
       12 + 48 + 8},
      {"odd size kept", fmt16 + Chunk("LIST", "abc") + Chunk("data", "PCM"), kStereo22k, 12 + 24 + 11 + 8},
      {"fact skipped", fmt16 + Chunk("fact", Le32(9)) + Chunk("data", "PCM"), kStereo22k, 12 + 24 + 12 + 8},
      {"zero id", fmt16 + ChunkSized("\0\0\0\0"s, 1000, "PCM"), kStereo22k, 12 + 24 + 8},
      {"data first", Chunk("data", "PCM"), WaveFormat{0, 0, 0, 0, 0, 0, 0}, 12 + 8},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir / "a.wav", Riff("WAVE", c.chunks));
    auto opened = TWaveFileStream::Create(dir / "a.wav", WaveFormat{}, Mode::kRead);
    ASSERT_TRUE(opened.stream) << c.name << ": " << opened.error;
    EXPECT_EQ(opened.stream->Format(), c.format) << c.name;
    EXPECT_EQ(opened.stream->DataStart(), c.data_start) << c.name;
    EXPECT_EQ(opened.stream->ReadPosition(), c.data_start) << c.name;
    char buffer[16];
    EXPECT_EQ(std::string(buffer, opened.stream->Read(buffer, sizeof buffer)), "PCM") << c.name;
  }
}

// Files that are no WAV files, or whose headers run past their end, are
// refused with the reason; none loops or reads beyond the file.
TEST(WaveFileReadTest, Refused) {
  const std::string fmt = Chunk("fmt ", FmtBody(kStereo22k));
  const std::string invalid(kInvalidWaveFileText);
  const std::string cut(kStreamReadErrorText);
  struct Case {
    const char* name;
    std::string bytes;
    std::string error;
  };
  const Case cases[] = {
      {"other form", Riff("AVI ", fmt + Chunk("data", "x")), invalid},
      {"other container", "RIFX" + Riff("WAVE", fmt).substr(4), invalid},
      {"text", "just some text that is long enough", invalid},
      {"empty", "", cut},
      {"shorter than the signature", "RIFF\x04\x00\x00\x00WAV"s, cut},
      {"no data chunk", Riff("WAVE", fmt), cut},
      {"chunk runs past the end", Riff("WAVE", fmt + ChunkSized("LIST", 0xFFFFFFF0u, "abc") + Chunk("data", "x")), cut},
      {"fmt runs past the end", Riff("WAVE", ChunkSized("fmt ", 0xFFFFFFFFu, FmtBody(kStereo22k))), cut},
      {"fmt cut short", Riff("WAVE", ChunkSized("fmt ", 18, FmtBody(kStereo22k).substr(0, 10))), cut},
      {"chunk header cut short", Riff("WAVE", fmt + "dat"), cut},
  };
  for (const Case& c : cases) {
    TempDir dir;
    WriteFile(dir / "a.wav", c.bytes);
    auto opened = TWaveFileStream::Create(dir / "a.wav", WaveFormat{}, Mode::kRead);
    EXPECT_FALSE(opened.stream) << c.name;
    EXPECT_EQ(opened.error, c.error) << c.name;
  }
}

// Names that are no readable file give a reason instead of a stream, and a
// FIFO does not block the open.
TEST(WaveFileReadTest, NotAFile) {
  TempDir dir;
  fs::create_directory(dir / "folder.wav");
  ASSERT_EQ(::mkfifo((dir / "fifo.wav").c_str(), 0600), 0);
  EXPECT_EQ(TWaveFileStream::Create(dir / "missing.wav", {}, Mode::kRead).error, "No such file or directory");
  EXPECT_EQ(TWaveFileStream::Create(dir / "folder.wav", {}, Mode::kRead).error, kInvalidWaveFileText);
  EXPECT_EQ(TWaveFileStream::Create(dir / "fifo.wav", {}, Mode::kRead).error, kInvalidWaveFileText);
}

// Reads stop at the end of the file and raise the end-of-data flag only
// there; rewinding starts over at the data.
TEST(WaveFileReadTest, ReadsAndEndOfData) {
  TempDir dir;
  WriteFile(dir / "a.wav", test::PcmWav(kStereo22k, "0123456789"));
  auto opened = TWaveFileStream::Create(dir / "a.wav", WaveFormat{}, Mode::kRead);
  ASSERT_TRUE(opened.stream) << opened.error;
  TWaveFileStream& stream = *opened.stream;
  char buffer[16];
  EXPECT_EQ(stream.Read(buffer, 0), -1);
  EXPECT_EQ(stream.Read(buffer, -5), -1);
  EXPECT_EQ(stream.DataSize(), 10);

  EXPECT_EQ(stream.Read(buffer, 6), 6);
  EXPECT_FALSE(stream.EndOfData());
  EXPECT_EQ(stream.DataRemaining(), 4);
  EXPECT_EQ(stream.Read(buffer, 16), 4);
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_TRUE(stream.EndOfData());
  EXPECT_EQ(stream.Read(buffer, 16), 0);

  stream.Rewind();
  EXPECT_FALSE(stream.EndOfData());
  EXPECT_EQ(stream.DataRemaining(), 10);
  EXPECT_EQ(stream.Read(buffer, 10), 10);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_TRUE(stream.EndOfData());
}

// Each mode refuses the other's operation.
TEST(WaveFileReadTest, ModesKeepApart) {
  TempDir dir;
  auto writer = TWaveFileStream::Create(dir / "a.wav", kStereo22k, Mode::kWrite);
  ASSERT_TRUE(writer.stream) << writer.error;
  char buffer[4];
  EXPECT_EQ(writer.stream->Read(buffer, 4), -1);
  writer.stream.reset();
  auto reader = TWaveFileStream::Create(dir / "a.wav", kStereo22k, Mode::kRead);
  ASSERT_TRUE(reader.stream) << reader.error;
  EXPECT_FALSE(reader.stream->Append("x", 1));
  reader.stream.reset();
  EXPECT_EQ(fs::file_size(dir / "a.wav"), 58u);
}

}  // namespace
}  // namespace tazmel
