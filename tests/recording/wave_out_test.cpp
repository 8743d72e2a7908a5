#include "recording/wave_out.h"

#include <deque>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "recording/wav_bytes.h"
#include "support/manual_dispatcher.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;
using test::ManualDispatcher;
using test::Pattern;
using test::PcmWav;
using test::TempDir;
using test::WriteFile;

// What the fake sound card saw; it outlives the device for tests that
// destroy the player.
struct DeviceLog {
  int opens = 0;
  int resets = 0;
  int closes = 0;
  bool open = false;
  std::vector<WaveFormat> formats;
  std::vector<std::string> written;  // every piece's bytes, in order
  std::deque<std::uint64_t> queued;  // pieces not yet played
  WaveOutDevice::PieceDone on_done;
  std::string open_error;
  std::string write_error;
};

// Stands in for the sound card: keeps the pieces it is given and finishes
// them when the test says so, through the player's notification.
class FakeDevice : public WaveOutDevice {
 public:
  explicit FakeDevice(std::shared_ptr<DeviceLog> log) : log_(std::move(log)) {}

  std::string Open(const WaveFormat& format, PieceDone on_done) override {
    ++log_->opens;
    log_->formats.push_back(format);
    if (!log_->open_error.empty()) return log_->open_error;
    log_->open = true;
    log_->on_done = std::move(on_done);
    return {};
  }
  std::string Write(std::uint64_t piece, std::vector<char> data) override {
    EXPECT_TRUE(log_->open);
    if (!log_->write_error.empty()) return log_->write_error;
    log_->written.emplace_back(data.begin(), data.end());
    log_->queued.push_back(piece);
    return {};
  }
  void Reset() override {
    ++log_->resets;
    log_->queued.clear();
  }
  void Close() override {
    if (log_->open) ++log_->closes;
    log_->open = false;
    log_->queued.clear();
  }

 private:
  std::shared_ptr<DeviceLog> log_;
};

const WaveFormat kStereo = MakeWaveFormat(TSamplesPerSec::sp44k, TBitsperSample::bs16Bit, TChannels::ctStereo);

class WaveOutTest : public ::testing::Test {
 protected:
  WaveOutTest() : out_(std::make_unique<TWaveOut>(dispatcher_, std::make_unique<FakeDevice>(log_))) {}

  // A stereo file whose data are `size` distinct bytes; returns them.
  std::string MakeWav(const std::string& name, std::size_t size) {
    const std::string data = Pattern(size);
    WriteFile(dir_ / name, PcmWav(kStereo, data));
    return data;
  }

  // The sound card finishes its oldest piece; the player hears of it when
  // the user-interface thread runs.
  void FinishOldest() {
    ASSERT_FALSE(log_->queued.empty());
    const std::uint64_t piece = log_->queued.front();
    log_->queued.pop_front();
    log_->on_done(piece);
    dispatcher_.RunPosted();
  }

  TempDir dir_;
  ManualDispatcher dispatcher_;
  std::shared_ptr<DeviceLog> log_ = std::make_shared<DeviceLog>();
  std::unique_ptr<TWaveOut> out_;
};

// Playing once: two full pieces at the start, then the rest less its last
// 200 bytes, then nothing; the sound then no longer counts as playing.
TEST_F(WaveOutTest, PlayOncePieceSequence) {
  const std::string data = MakeWav("a.wav", 250000);
  out_->PlayOnce(dir_ / "a.wav");
  ASSERT_TRUE(out_->Active());
  EXPECT_FALSE(out_->Repeated());
  EXPECT_EQ(log_->formats, std::vector<WaveFormat>{kStereo});
  EXPECT_EQ(log_->written, (std::vector<std::string>{data.substr(0, 102400), data.substr(102400, 102400)}));

  FinishOldest();
  ASSERT_EQ(log_->written.size(), 3u);
  EXPECT_EQ(log_->written[2], data.substr(204800, 45000));
  FinishOldest();
  FinishOldest();
  EXPECT_EQ(log_->written.size(), 3u);
  EXPECT_FALSE(out_->SoundPlaying());
  EXPECT_TRUE(out_->Active());
}

// Looping reads on from where the last piece ended and starts over after
// the shortened last piece; pieces hold whole frames; data too short for a
// piece plays nothing and does not spin.
TEST_F(WaveOutTest, LoopedPieceSequences) {
  struct Piece {
    std::size_t offset, size;
  };
  struct Case {
    std::size_t data_size;
    int finished;  // pieces the card finishes
    std::vector<Piece> expected;
  };
  const Case cases[] = {
      // Shorter than a piece: its data less the last 200 bytes, over and over.
      {1000, 4, {{0, 800}, {0, 800}, {0, 800}, {0, 800}, {0, 800}, {0, 800}}},
      // 803 bytes would end inside a frame of 4 bytes.
      {1003, 1, {{0, 800}, {0, 800}, {0, 800}}},
      {250000, 4, {{0, 102400}, {102400, 102400}, {204800, 45000}, {0, 102400}, {102400, 102400}, {204800, 45000}}},
      // The 100 bytes after a full piece make no piece: the loop starts over
      // at once rather than running dry.
      {102500, 2, {{0, 102400}, {0, 102400}, {0, 102400}, {0, 102400}}},
      {204900, 3, {{0, 102400}, {102400, 102400}, {0, 102400}, {102400, 102400}, {0, 102400}}},
      {200, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.data_size);
    log_->written.clear();
    const std::string data = MakeWav("loop.wav", c.data_size);
    out_->PlayLooped(dir_ / "loop.wav");
    ASSERT_TRUE(out_->Active());
    EXPECT_TRUE(out_->Repeated());
    for (int i = 0; i < c.finished; ++i) FinishOldest();
    std::vector<std::string> expected;
    for (const Piece& p : c.expected) expected.push_back(data.substr(p.offset, p.size));
    EXPECT_EQ(log_->written, expected);
    out_->StopSound();
  }
}

// The device's notice may come from its own thread; nothing happens until
// the user-interface thread runs it.
TEST_F(WaveOutTest, NoticesRunOnTheDispatcher) {
  MakeWav("a.wav", 300000);
  out_->PlayOnce(dir_ / "a.wav");
  const std::uint64_t piece = log_->queued.front();
  std::thread device_thread([&] { log_->on_done(piece); });
  device_thread.join();
  EXPECT_EQ(out_->QueuedPieces(), 2u);
  EXPECT_EQ(log_->written.size(), 2u);
  dispatcher_.RunPosted();
  EXPECT_EQ(out_->QueuedPieces(), 2u);
  EXPECT_EQ(log_->written.size(), 3u);
}

// Stopping resets and closes the device and releases every piece; notices
// that arrive afterwards, or from an earlier playing, change nothing.
TEST_F(WaveOutTest, StopReleasesEverything) {
  MakeWav("a.wav", 300000);
  out_->PlayLooped(dir_ / "a.wav");
  const std::deque<std::uint64_t> first_pieces = log_->queued;
  const WaveOutDevice::PieceDone first_notice = log_->on_done;
  out_->StopSound();
  EXPECT_FALSE(out_->Active());
  EXPECT_FALSE(out_->SoundPlaying());
  EXPECT_EQ(out_->QueuedPieces(), 0u);
  EXPECT_EQ(log_->resets, 1);
  EXPECT_EQ(log_->closes, 1);
  EXPECT_FALSE(log_->open);

  for (std::uint64_t piece : first_pieces) first_notice(piece);
  dispatcher_.RunPosted();
  EXPECT_EQ(log_->written.size(), 2u);

  out_->PlayLooped(dir_ / "a.wav");
  EXPECT_EQ(log_->written.size(), 4u);
  for (std::uint64_t piece : first_pieces) first_notice(piece);
  dispatcher_.RunPosted();
  EXPECT_EQ(log_->written.size(), 4u);
  EXPECT_EQ(out_->QueuedPieces(), 2u);
}

// A notice that arrives after the player is gone is dropped safely, and the
// player closed its device on the way out.
TEST_F(WaveOutTest, NoticeAfterDestruction) {
  MakeWav("a.wav", 300000);
  out_->PlayLooped(dir_ / "a.wav");
  const std::uint64_t piece = log_->queued.front();
  const WaveOutDevice::PieceDone notice = log_->on_done;
  notice(piece);  // posted, not yet run
  out_.reset();
  EXPECT_EQ(log_->closes, 1);
  notice(piece);
  dispatcher_.RunPosted();
  EXPECT_EQ(log_->written.size(), 2u);
}

// A file that does not exist plays nothing and leaves what plays alone.
TEST_F(WaveOutTest, MissingFileDoesNothing) {
  out_->PlayOnce(dir_ / "missing.wav");
  EXPECT_FALSE(out_->Active());
  EXPECT_EQ(log_->opens, 0);

  MakeWav("a.wav", 1000);
  out_->PlayLooped(dir_ / "a.wav");
  out_->PlayOnce(dir_ / "missing.wav");
  EXPECT_TRUE(out_->Active());
  EXPECT_TRUE(out_->Repeated());
  EXPECT_EQ(out_->FileName(), dir_ / "a.wav");
  EXPECT_EQ(log_->resets, 0);
}

// Starting a sound stops the one playing and opens the device afresh.
TEST_F(WaveOutTest, NewSoundReplacesOld) {
  const std::string looped = MakeWav("loop.wav", 1000);
  const std::string once = MakeWav("once.wav", 600);
  out_->PlayLooped(dir_ / "loop.wav");
  out_->PlayOnce(dir_ / "once.wav");
  EXPECT_EQ(log_->closes, 1);
  EXPECT_EQ(log_->opens, 2);
  EXPECT_FALSE(out_->Repeated());
  EXPECT_EQ(log_->written.back(), once.substr(0, 400));
  EXPECT_EQ(out_->QueuedPieces(), 1u);
}

// Setting a format value the player already has does nothing; another value
// restarts the active player once (which then plays the file's own format).
TEST_F(WaveOutTest, FormatChangeRestartsOnce) {
  MakeWav("a.wav", 300000);
  out_->PlayLooped(dir_ / "a.wav");
  out_->SetChannels(TChannels::ctStereo);
  out_->SetSamplesPerSec(TSamplesPerSec::sp44k);
  out_->SetBitsperSample(TBitsperSample::bs16Bit);
  EXPECT_EQ(log_->opens, 1);
  EXPECT_EQ(log_->closes, 0);

  out_->SetChannels(TChannels::ctMono);
  EXPECT_EQ(log_->opens, 2);
  EXPECT_EQ(log_->closes, 1);
  EXPECT_TRUE(out_->Active());
  EXPECT_EQ(log_->formats.back(), kStereo);
}

// On an idle player a change rebuilds the format from the three values.
TEST_F(WaveOutTest, FormatChangeWhileIdle) {
  out_->SetChannels(TChannels::ctMono);
  out_->SetSamplesPerSec(TSamplesPerSec::sp22k);
  EXPECT_EQ(out_->Format(), MakeWaveFormat(TSamplesPerSec::sp22k, TBitsperSample::bs16Bit, TChannels::ctMono));
  EXPECT_EQ(out_->Channels(), TChannels::ctMono);
  EXPECT_EQ(log_->opens, 0);
}

// Files that are no playable WAV files never reach the device.
TEST_F(WaveOutTest, UnplayableFilesRefused) {
  WaveFormat no_channels = kStereo;
  no_channels.channels = 0;
  WaveFormat no_alignment = kStereo;
  no_alignment.block_align = 0;
  WaveFormat odd_bits = kStereo;
  odd_bits.bits_per_sample = 12;
  const std::string bad_files[] = {
      "not a wave file at all",
      PcmWav(no_channels, Pattern(1000)),
      PcmWav(no_alignment, Pattern(1000)),
      PcmWav(odd_bits, Pattern(1000)),
      test::Riff("WAVE", test::Chunk("data", Pattern(1000))),
  };
  for (const std::string& bytes : bad_files) {
    WriteFile(dir_ / "bad.wav", bytes);
    out_->PlayLooped(dir_ / "bad.wav");
    EXPECT_FALSE(out_->Active());
    EXPECT_EQ(out_->LastError(), kInvalidWaveFileText);
  }
  EXPECT_EQ(log_->opens, 0);
}

// The device's errors leave the player stopped with the device's text, cut
// at a NUL and at 128 bytes.
TEST_F(WaveOutTest, DeviceErrors) {
  MakeWav("a.wav", 300000);
  struct Case {
    std::string error, shown;
  };
  const Case cases[] = {
      {"No sound card", "No sound card"},
      {std::string("Bad\0tail", 8), "Bad"},
      {std::string(300, 'x'), std::string(128, 'x')},
  };
  for (const Case& c : cases) {
    log_->open_error = c.error;
    out_->PlayOnce(dir_ / "a.wav");
    EXPECT_FALSE(out_->Active());
    EXPECT_EQ(out_->LastError(), c.shown);
  }
  EXPECT_TRUE(log_->written.empty());

  log_->open_error.clear();
  out_->PlayLooped(dir_ / "a.wav");
  EXPECT_TRUE(out_->LastError().empty());
  log_->write_error = "Connection terminated";
  FinishOldest();
  EXPECT_FALSE(out_->Active());
  EXPECT_FALSE(log_->open);
  EXPECT_EQ(out_->QueuedPieces(), 0u);
  EXPECT_EQ(out_->LastError(), "Connection terminated");
}

}  // namespace
}  // namespace tazmel
