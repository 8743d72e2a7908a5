// The engine with the real components on libmpv (no sound, no video)
// against a loopback HTTP server.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/program_paths.h"
#include "online/browser_fetch.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/engine_display_model.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "support/test_audio.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::TestHttpConnection;
using test::TestHttpHeaders;

// Remembers what the engine showed, each change in order.
class RecordingView : public EngineView {
 public:
  void Show(const EngineViewState& state) override {
    if (state.state != shown.state) Add("state", state.state);
    if (state.title != shown.title) Add("title", state.title);
    if (state.reason != shown.reason) Add("reason", state.reason);
    shown = state;
    speed = state.speed;
    elapsed = state.elapsed;
    title = state.title;
    transport = state.transport;
  }

  bool Saw(std::string_view what, std::string_view text) const {
    for (const auto& [w, t] : events) {
      if (w == what && t == text) return true;
    }
    return false;
  }
  int Count(std::string_view what, std::string_view text) const {
    int count = 0;
    for (const auto& [w, t] : events) count += w == what && t == text;
    return count;
  }

  std::vector<std::pair<std::string, std::string>> events;
  EngineViewState shown;
  std::string speed, elapsed, title;
  TransportState transport = TransportState::kStopped;

 private:
  void Add(std::string_view what, std::string_view text) { events.emplace_back(what, text); }
};

// An endless MP3 stream with ICY metadata every `kMetaInt` bytes when the
// client asks for it, paced a little faster than real time.
constexpr int kMetaInt = 4096;

void StreamMp3(TestHttpConnection& connection, const std::string& mp3, const std::string& title,
               std::size_t stall_after = 0) {
  const bool icy = connection.Header("Icy-MetaData").value_or("0") == "1";
  TestHttpHeaders headers = {{"Content-Type", "audio/mpeg"}, {"icy-name", "Loopback Radio"}};
  if (icy) headers.push_back({"icy-metaint", std::to_string(kMetaInt)});
  if (!connection.WriteHead(200, headers)) return;
  std::size_t offset = 0, sent = 0;
  while (!connection.Stopping()) {
    std::string chunk;
    for (int block = 0; block < 4; ++block) {
      const std::size_t take = std::min<std::size_t>(kMetaInt, mp3.size() - offset);
      chunk.append(mp3, offset, take);
      offset = (offset + take) % mp3.size();
      if (icy) {
        // Every block repeats the title, so a listener tuning in sees it
        // early.
        std::string meta = "StreamTitle='" + title + "';";
        meta.resize((meta.size() + 15) / 16 * 16, '\0');
        chunk += static_cast<char>(meta.size() / 16);
        chunk += meta;
      }
      if (!icy && take < static_cast<std::size_t>(kMetaInt)) break;
    }
    if (!connection.Write(chunk)) return;
    sent += chunk.size();
    if (stall_after > 0 && sent >= stall_after) {
      // The server hangs without closing: only a time-out tells.
      while (!connection.Stopping()) connection.SleepFor(100ms);
      return;
    }
    connection.SleepFor(100ms);
  }
}

class EngineOnMpvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mp3_ = test::MakeToneMp3(4.0);
    std::filesystem::create_directories(paths_.DataFolder());
    RegisterPlayerControls(registry_);
    MpvOptions options;
    options.hidden = true;
    options.audio_output = "null";
    // A hung server is given up after two seconds instead of a minute.
    options.extra_options = {{"network-timeout", "2"}};
    factory_ = std::make_unique<MpvPlayerFactory>(dispatcher_, registry_, options);
    engine_ = std::make_unique<PlaybackEngine>(EngineServices{
        .dispatcher = dispatcher_,
        .factory = *factory_,
        .view = view_,
        .paths = paths_,
        .pages = &pages_,
        .wmp9_installed = [this] { return IsWmp9Installed(registry_); },
    });
    engine_->SetOptions({.reconnect = true, .retry_num = 0, .retry_delay = 1, .enable_sound = false});
  }

  void TearDown() override {
    engine_->Stop();
    engine_.reset();
    dispatcher_.RunFor(50ms);
  }

  void AddUserStations(const std::vector<StationRecord>& records) {
    std::vector<std::string> lines;
    for (const StationRecord& record : records) lines.push_back(FormatStationLine(record));
    ASSERT_TRUE(WriteTextTable(paths_.UserTablePath(), lines));
  }

  static StationRecord Station(int id, std::string name, std::string urls, std::string format = "0") {
    StationRecord record;
    record.VID = std::to_string(id);
    record.VRadioName = std::move(name);
    record.VFormat = std::move(format);
    record.VStreamURL = std::move(urls);
    return record;
  }

  StationRecord LoadUserStation(int id) {
    TRadioTable table;
    EXPECT_TRUE(table.OpenFor(id, paths_));
    table.LoadByID(id);
    return table.Fields();
  }

  bool WaitFor(std::string_view what, std::string_view text, std::chrono::milliseconds timeout = 15s) {
    return dispatcher_.RunUntil([&] { return view_.Saw(what, text); }, timeout);
  }

  const std::string& Playing() const { return Msg(kPlayingSlot); }
  const std::string& Stopped() const { return Msg(kStoppedSlot); }

  test::TempDir home_;
  ProgramPaths paths_{home_.path()};
  test::LoopDispatcher dispatcher_;
  Registry registry_{home_ / "registry.ini"};
  RecordingView view_;
  BrowserPageFetcher pages_{dispatcher_, registry_};
  test::TestHttpServer server_;
  std::string mp3_;
  std::unique_ptr<MpvPlayerFactory> factory_;
  std::unique_ptr<PlaybackEngine> engine_;
};

// A local file plays to its end: no waiting, its name and length as the
// title, and the stopped display at the end without a reconnect.
TEST_F(EngineOnMpvTest, LocalFilePlaysToItsEnd) {
  const std::filesystem::path file = home_ / "Tone Song.mp3";
  std::ofstream(file, std::ios::binary) << test::MakeToneMp3(1.5);
  engine_->PlayAddresses(file.string(), "", MediaKind::kUnknown);
  ASSERT_TRUE(WaitFor("state", Playing()));
  EXPECT_FALSE(view_.Saw("state", Msg(kWaitingSlot)));  // never "Waiting..."
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return view_.title.starts_with("Tone Song("); }, 5s)) << view_.title;
  ASSERT_TRUE(WaitFor("state", Stopped(), 10s));
  dispatcher_.RunFor(1500ms);
  EXPECT_EQ(view_.Count("state", Playing()), 1) << "a finished file is not restarted";
}

// A typed stream address takes the stream's ICY title as its name, and the
// speed and elapsed time come up while it plays.
TEST_F(EngineOnMpvTest, TypedStreamShowsTitleSpeedAndElapsed) {
  server_.ServeHandler("/live", [this](TestHttpConnection& c) { StreamMp3(c, mp3_, "Evening Jazz"); });
  engine_->PlayAddresses(server_.Url("/live"), "", MediaKind::kUnknown);
  ASSERT_TRUE(WaitFor("state", Playing()));
  EXPECT_TRUE(view_.Saw("state", Msg(kWaitingSlot)));  // "Waiting..." first
  ASSERT_TRUE(WaitFor("title", "Evening Jazz", 10s));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return view_.elapsed >= "00:00:01"; }, 10s)) << view_.elapsed;
  EXPECT_NE(view_.speed.find(" Kbps"), std::string::npos) << view_.speed;
  EXPECT_EQ(engine_->GetUserUrl(), "4," + server_.Url("/live"));
}

// A station whose first address is refused and second missing fails over
// in order, then plays its third; the title carries the address number.
TEST_F(EngineOnMpvTest, StationFailsOverToItsNextAddresses) {
  server_.ServeHandler("/ok", [this](TestHttpConnection& c) { StreamMp3(c, mp3_, "x"); });
  const std::string refused = "http://127.0.0.1:" + std::to_string(test::UnusedLoopbackPort()) + "/a";
  AddUserStations(
      {Station(100001, "Failover FM", refused + "||" + server_.Url("/missing") + "||" + server_.Url("/ok"))});
  engine_->PlayStation(100001);
  ASSERT_TRUE(WaitFor("state", Playing(), 20s));
  EXPECT_TRUE(view_.Saw("title", "Failover FM(2)"));
  EXPECT_TRUE(view_.Saw("title", "Failover FM(3)"));
  EXPECT_EQ(engine_->AddressIndex(), 2);
  EXPECT_EQ(server_.RequestCount("/missing"), 1);
  // Playing within seconds of the attempt grades the station best.
  dispatcher_.RunFor(200ms);
  EXPECT_EQ(LoadUserStation(100001).VValidity, "4");
}

// A server that stops sending mid-stream is noticed and reconnected to.
TEST_F(EngineOnMpvTest, StalledStreamReconnects) {
  int connections = 0;
  std::mutex mutex;
  server_.ServeHandler("/stall", [&](TestHttpConnection& c) {
    bool first;
    {
      std::lock_guard lock(mutex);
      first = ++connections == 1;
    }
    StreamMp3(c, mp3_, "x", first ? 48 * 1024 : 0);
  });
  AddUserStations({Station(100001, "Stall FM", server_.Url("/stall"))});
  engine_->PlayStation(100001);
  ASSERT_TRUE(WaitFor("state", Playing()));
  ASSERT_TRUE(WaitFor("state", Stopped(), 30s));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return view_.Count("state", Playing()) >= 2; }, 30s));
  EXPECT_GE(server_.RequestCount("/stall"), 2);
}

// A station played on the Windows Media Player 9-like component learns its
// language and country from the language its audio is tagged with (an
// ID3 language in the stream), as that differs from the user's default.
TEST_F(EngineOnMpvTest, StationLearnsLanguageOfTaggedAudio) {
  const std::string tagged = test::WithId3Language(mp3_, "ger");
  server_.ServeHandler("/live", [tagged](TestHttpConnection& c) { StreamMp3(c, tagged, "x"); });
  AddUserStations({Station(100001, "Tagged FM", server_.Url("/live"), "4")});
  engine_->PlayStation(100001);
  ASSERT_TRUE(WaitFor("state", Playing()));
  EXPECT_EQ(engine_->Kind(), MediaKind::kWmp9);
  const StationRecord record = LoadUserStation(100001);
  EXPECT_EQ(record.VLanguage, "German ");
  EXPECT_EQ(record.VCountry, "Germany");
}

// A station whose address is a finite clip on a web server plays it once:
// at its end the clip's length is still known, so the engine takes it as
// ended rather than dropped and does not reconnect. On the RealPlayer-like
// and the Windows Media Player 6.4-like component, which report a stop
// before the end.
TEST_F(EngineOnMpvTest, FiniteWebClipIsNotReplayed) {
  const std::string clip = test::MakeToneMp3(0.5);
  int id = 100001;
  for (const char* format : {"1", "3"}) {
    SCOPED_TRACE(format);
    const std::string path = std::string("/clip") + format + ".mp3";
    server_.Serve(path, {200, "audio/mpeg", clip});
    AddUserStations({Station(id, "Clip FM", server_.Url(path), format)});
    view_.events.clear();
    engine_->PlayStation(id);
    ASSERT_TRUE(WaitFor("state", Playing()));
    ASSERT_TRUE(WaitFor("state", Stopped(), 10s));
    const int requests = server_.RequestCount(path);
    // Past the retry delay: a reconnect would have fetched the clip again.
    dispatcher_.RunFor(1500ms);
    EXPECT_EQ(server_.RequestCount(path), requests);
    EXPECT_EQ(view_.Count("state", Playing()), 1);
    engine_->Stop();
    dispatcher_.RunFor(100ms);
    ++id;
  }
}

// Playlist and page addresses: a .pls goes to the RealPlayer-like
// component, which the media library expands; an .asx to a Windows-Media-
// like one, which expands it itself; an .html page through the resolver.
TEST_F(EngineOnMpvTest, PlaylistsAndPagesReachTheStream) {
  server_.ServeHandler("/stream.mp3", [this](TestHttpConnection& c) { StreamMp3(c, mp3_, "x"); });
  const std::string stream = server_.Url("/stream.mp3");
  const std::string pls = "[playlist]\nNumberOfEntries=1\nFile1=" + stream + "\n";
  const std::string asx = "<ASX version=\"3.0\"><Entry><Ref href=\"" + stream + "\"/></Entry></ASX>";
  const std::string page =
      "<html><body><a href=\"/other.html\">x</a><object classid=\"clsid:6BF52A52-394A-11D3-B153-00C04F79FAA6\">"
      "<param name=\"URL\" value=\"" +
      stream + "\"></object></body></html>";
  server_.Serve("/list.pls", {200, "audio/x-scpls", pls});
  server_.Serve("/live.asx", {200, "video/x-ms-asf", asx});
  server_.Serve("/Player.html", {200, "text/html", page});
  struct Case {
    std::string path;
    MediaKind kind_used;
  };
  for (const Case& c : {Case{"/list.pls", MediaKind::kRealPlayer}, Case{"/live.asx", MediaKind::kWmp9},
                        Case{"/Player.html", MediaKind::kWmp9}}) {
    SCOPED_TRACE(c.path);
    view_.events.clear();
    engine_->PlayAddresses(server_.Url(c.path), "", MediaKind::kUnknown);
    ASSERT_TRUE(WaitFor("state", Playing()));
    EXPECT_EQ(engine_->Kind(), c.kind_used);
    engine_->Stop();
    dispatcher_.RunFor(100ms);
  }
  // The page's address was replaced by the stream it embeds.
  EXPECT_EQ(engine_->AddressList(), std::vector<std::string>{stream});
}

}  // namespace
}  // namespace tazmel
