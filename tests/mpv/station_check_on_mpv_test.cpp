// The station check on the real components (libmpv, no sound, no video)
// against a loopback HTTP server: a live stream passes, dead addresses fail.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "core/clock.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "playback/mpv/mpv_factory.h"
#include "playback/player_choice.h"
#include "playback/station_check.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "support/test_audio.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

// An endless MP3 stream, paced a little faster than real time.
void StreamMp3(test::TestHttpConnection& connection, const std::string& mp3) {
  if (!connection.WriteHead(200, {{"Content-Type", "audio/mpeg"}, {"icy-name", "Loopback Radio"}})) return;
  std::size_t offset = 0;
  while (!connection.Stopping()) {
    const std::size_t take = std::min<std::size_t>(16384, mp3.size() - offset);
    if (!connection.Write(std::string_view(mp3).substr(offset, take))) return;
    offset = (offset + take) % mp3.size();
    connection.SleepFor(100ms);
  }
}

class StationCheckOnMpvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mp3_ = test::MakeToneMp3(4.0);
    RegisterPlayerControls(registry_);
    MpvOptions options;
    options.hidden = true;
    options.audio_output = "null";
    options.extra_options = {{"network-timeout", "2"}};
    factory_ = std::make_unique<MpvPlayerFactory>(dispatcher_, registry_, options);
    check_ = std::make_unique<StationCheck>(
        StationCheckServices{.dispatcher = dispatcher_,
                             .clock = clock_,
                             .factory = *factory_,
                             .pages = &pages_,
                             .wmp9_installed = [this] { return IsWmp9Installed(registry_); },
                             .proxies = nullptr});
    check_->on_done = [this](const StationCheckResult& result) { result_ = result; };
    server_.ServeHandler("/live", [this](test::TestHttpConnection& c) { StreamMp3(c, mp3_); });
  }

  void TearDown() override {
    check_.reset();
    dispatcher_.RunFor(50ms);
  }

  bool RunToResult() {
    return dispatcher_.RunUntil([this] { return result_.has_value(); }, 30s);
  }

  test::TempDir dir_;
  Registry registry_{dir_ / "registry.ini"};
  test::LoopDispatcher dispatcher_;
  SystemClock clock_;
  BrowserPageFetcher pages_{dispatcher_, registry_};
  std::unique_ptr<MpvPlayerFactory> factory_;
  std::unique_ptr<StationCheck> check_;
  test::TestHttpServer server_;
  std::string mp3_;
  std::optional<StationCheckResult> result_;
};

TEST_F(StationCheckOnMpvTest, ALiveStreamPassesAndItsKindIsFoundByTheDownload) {
  std::optional<MediaKind> found;
  check_->on_kind = [&found](MediaKind kind) { found = kind; };
  ASSERT_TRUE(check_->Start({server_.Url("/live")}, MediaKind::kUnknown, MediaKind::kUnknown, ""));
  ASSERT_TRUE(RunToResult());
  EXPECT_TRUE(result_->good);
  EXPECT_EQ(result_->address_index, 0);
  EXPECT_LE(result_->seconds, 9);
  ASSERT_TRUE(found.has_value());
  EXPECT_NE(*found, MediaKind::kUnknown);
}

TEST_F(StationCheckOnMpvTest, DeadAddressesFailOneAfterTheOtherUntilOnePlays) {
  std::vector<int> tried;
  check_->on_address = [&tried](int index) { tried.push_back(index); };
  const std::string refused = "http://127.0.0.1:1/none.mp3";
  ASSERT_TRUE(check_->Start({refused, server_.Url("/missing.mp3"), server_.Url("/live")}, MediaKind::kWindowsMedia,
                            MediaKind::kWindowsMedia, ""));
  ASSERT_TRUE(RunToResult());
  EXPECT_TRUE(result_->good);
  EXPECT_EQ(result_->address_index, 2);
  EXPECT_EQ(tried, (std::vector<int>{1, 2}));
  EXPECT_EQ(server_.RequestCount("/missing.mp3"), 1);
}

TEST_F(StationCheckOnMpvTest, AStationWhoseAddressesAreAllDeadFails) {
  ASSERT_TRUE(check_->Start({server_.Url("/missing.mp3")}, MediaKind::kUnknown, MediaKind::kUnknown, ""));
  ASSERT_TRUE(RunToResult());
  EXPECT_FALSE(result_->good);
  EXPECT_FALSE(check_->Running());
}

}  // namespace
}  // namespace tazmel
