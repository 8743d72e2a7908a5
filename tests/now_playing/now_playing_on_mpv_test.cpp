// The song a loopback ICY stream names, through the engine on the real
// components, into the title history and onto the session bus, where gdbus
// reads it and drives the engine.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

#include "app/mpris_service.h"
#include "app/now_playing.h"
#include "app/qt_dispatcher.h"
#include "core/program_paths.h"
#include "mpv/test_media.h"
#include "now_playing/bus_tools.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/mpv/mpv_factory.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/http_server.h"
#include "temp_dir.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

using test::CallArgs;
using test::RunGdbus;
using test::RunUntil;

// An endless MP3 stream whose ICY title the test changes while it runs.
class TitledStream {
 public:
  void SetTitle(std::string title) {
    std::lock_guard lock(mutex_);
    title_ = std::move(title);
  }
  void Serve(test::TestHttpConnection& connection) {
    if (connection.Header("Icy-MetaData") != "1") return;
    if (!connection.WriteHead(200, {{"Content-Type", "audio/mpeg"},
                                    {"icy-name", "Loopback Radio"},
                                    {"icy-metaint", std::to_string(test::kMetaInt)}})) {
      return;
    }
    const std::string& audio = test::LongTone();
    std::size_t offset = 0;
    while (!connection.Stopping()) {
      // Exactly one interval of audio between two metadata blocks, the
      // clip wrapping inside it: a short block would shift every later one.
      std::string block;
      while (block.size() < test::kMetaInt) {
        const std::size_t take = std::min(test::kMetaInt - block.size(), audio.size() - offset);
        block.append(audio, offset, take);
        offset = (offset + take) % audio.size();
      }
      std::string meta;
      {
        std::lock_guard lock(mutex_);
        meta = "StreamTitle='" + title_ + "';";
      }
      meta.resize((meta.size() + 15) / 16 * 16, '\0');
      block += static_cast<char>(meta.size() / 16);
      block += meta;
      if (!connection.Write(block)) return;
      connection.SleepFor(std::chrono::milliseconds(200));
    }
  }

 private:
  std::mutex mutex_;
  std::string title_;
};

class ForwardingView : public EngineView {
 public:
  void Show(const EngineViewState& state) override {
    if (on_show) on_show(state);
  }
  std::function<void(const EngineViewState&)> on_show;
};

// The desktop's commands straight onto the engine.
class EnginePort : public MprisPlayerPort {
 public:
  explicit EnginePort(PlaybackEngine*& engine) : engine_(engine) {}
  void PlayPause() override {}
  void Play() override { engine_->Play(); }
  void Pause() override { engine_->Pause(); }
  void Stop() override { engine_->Stop(); }
  void Next() override {}
  void Previous() override {}
  void SetVolume(int percent) override { engine_->SetVolume(percent); }
  long long PositionUs() const override { return 0; }
  void SeekToUs(long long) override {}
  void Raise() override {}
  void Quit() override {}

 private:
  PlaybackEngine*& engine_;
};

class NowPlayingOnMpvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus: run under dbus-run-session";
    std::filesystem::create_directories(paths_.DataFolder());
    StationRecord station;
    station.VID = "100001";
    station.VRadioName = "Loopback FM";
    station.VFormat = "0";
    station.VStreamURL = server_.Url("/live");
    ASSERT_TRUE(WriteTextTable(paths_.UserTablePath(), {FormatStationLine(station)}));
    server_.ServeHandler("/live", [this](test::TestHttpConnection& c) { stream_.Serve(c); });

    RegisterPlayerControls(registry_);
    factory_ = std::make_unique<MpvPlayerFactory>(dispatcher_, registry_, test::TestOptions());
    engine_ = std::make_unique<PlaybackEngine>(EngineServices{
        .dispatcher = dispatcher_,
        .factory = *factory_,
        .view = view_,
        .paths = paths_,
        .wmp9_installed = [this] { return IsWmp9Installed(registry_); },
    });
    engine_ptr_ = engine_.get();
    now_playing_ = std::make_unique<NowPlaying>(*engine_, history_);
    service_ = MprisService::Register(port_);
    ASSERT_NE(service_, nullptr);
    view_.on_show = [this](const EngineViewState& state) {
      now_playing_->Update(state);
      service_->Update(now_playing_->Mpris());
    };
  }

  void TearDown() override {
    view_.on_show = nullptr;
    if (engine_) engine_->Stop();
    engine_.reset();
    RunUntil([] { return false; }, 50);
  }

  QString GetPlayer(const QString& property) {
    const test::ToolResult result =
        RunGdbus(CallArgs(service_->ServiceName(), QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                          {QStringLiteral("org.mpris.MediaPlayer2.Player"), property}));
    EXPECT_EQ(result.code, 0) << result.err.toStdString();
    return result.out;
  }
  bool CallPlayer(const char* method) {
    return RunGdbus(CallArgs(service_->ServiceName(),
                             QStringLiteral("org.mpris.MediaPlayer2.Player.") + QString::fromLatin1(method)))
               .code == 0;
  }

  test::TempDir home_;
  ProgramPaths paths_{home_.path()};
  TitleHistory history_{home_ / "History"};
  test::TestHttpServer server_;
  TitledStream stream_;
  QtDispatcher dispatcher_;
  Registry registry_{home_ / "registry.ini"};
  ForwardingView view_;
  std::unique_ptr<MpvPlayerFactory> factory_;
  std::unique_ptr<PlaybackEngine> engine_;
  PlaybackEngine* engine_ptr_ = nullptr;
  EnginePort port_{engine_ptr_};
  std::unique_ptr<NowPlaying> now_playing_;
  std::unique_ptr<MprisService> service_;
};

TEST_F(NowPlayingOnMpvTest, IcyTitleChangesReachHistoryAndBus) {
  stream_.SetTitle("First Artist - Opening Song");
  engine_->PlayStation(100001);
  ASSERT_TRUE(RunUntil([&] { return now_playing_->Song() == "First Artist - Opening Song"; }, 20000))
      << now_playing_->Song();
  EXPECT_TRUE(GetPlayer(QStringLiteral("PlaybackStatus")).contains(QStringLiteral("'Playing'")));
  const QString first = GetPlayer(QStringLiteral("Metadata"));
  EXPECT_TRUE(first.contains(QStringLiteral("'xesam:title': <'Opening Song'>"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("'xesam:artist': <['First Artist']>"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("'xesam:album': <'Loopback FM'>"))) << first.toStdString();

  // The stream repeats its title every block and the engine sends many
  // snapshots meanwhile; the desktop hears of the new song once.
  test::BusMonitor monitor(service_->ServiceName());
  ASSERT_TRUE(monitor.WaitReady()) << monitor.Text().toStdString();
  stream_.SetTitle("Second Artist - Next Song");
  ASSERT_TRUE(monitor.WaitFor(QStringLiteral("'Next Song'"), 20000))
      << monitor.Text().toStdString() << now_playing_->Song() << "/" << engine_->CurrentRecord().VRadioName << "/"
      << service_->State().title.toStdString();
  RunUntil([] { return false; }, 1500);
  EXPECT_EQ(monitor.Count(QStringLiteral("'Next Song'")), 1) << monitor.Text().toStdString();
  const QString second = GetPlayer(QStringLiteral("Metadata"));
  EXPECT_TRUE(second.contains(QStringLiteral("'xesam:artist': <['Second Artist']>"))) << second.toStdString();

  const std::vector<TitleEntry> kept = history_.Load("station-100001");
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[0].title, "First Artist - Opening Song");
  EXPECT_EQ(kept[1].title, "Second Artist - Next Song");

  // Pause and Play from the bus drive the engine.
  ASSERT_TRUE(CallPlayer("Pause"));
  ASSERT_TRUE(RunUntil([&] { return service_->State().playback_status == QStringLiteral("Paused"); }, 10000));
  EXPECT_TRUE(GetPlayer(QStringLiteral("PlaybackStatus")).contains(QStringLiteral("'Paused'")));
  ASSERT_TRUE(CallPlayer("Play"));
  ASSERT_TRUE(RunUntil([&] { return service_->State().playback_status == QStringLiteral("Playing"); }, 10000));
  ASSERT_TRUE(CallPlayer("Stop"));
  ASSERT_TRUE(RunUntil([&] { return service_->State().playback_status == QStringLiteral("Stopped"); }, 10000));
  EXPECT_TRUE(now_playing_->Song().empty());
}

}  // namespace
}  // namespace tazmel
