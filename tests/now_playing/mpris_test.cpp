// The media player object on a private session bus (the test runs under
// dbus-run-session), asked and driven with gdbus as a desktop would.
#include "app/mpris_service.h"

#include <gtest/gtest.h>

#include <QDBusConnectionInterface>
#include <map>
#include <string>

#include "now_playing/bus_tools.h"
#include "playback/engine_view.h"
#include "ui/qt_app.h"

namespace tazmel {
namespace {

using test::CallArgs;
using test::RunGdbus;

class FakePort : public MprisPlayerPort {
 public:
  void PlayPause() override { ++calls["PlayPause"]; }
  void Play() override { ++calls["Play"]; }
  void Pause() override { ++calls["Pause"]; }
  void Stop() override { ++calls["Stop"]; }
  void Next() override { ++calls["Next"]; }
  void Previous() override { ++calls["Previous"]; }
  void SetVolume(int percent) override { volumes.push_back(percent); }
  long long PositionUs() const override { return position_us; }
  void SeekToUs(long long at) override { seeks.push_back(at); }
  void Raise() override { ++calls["Raise"]; }
  void Quit() override { ++calls["Quit"]; }

  std::map<std::string, int> calls;
  std::vector<int> volumes;
  std::vector<long long> seeks;
  long long position_us = 0;
};

MprisState Playing() {
  MprisState state;
  state.playback_status = QStringLiteral("Playing");
  state.track_id = QStringLiteral("/org/mpris/MediaPlayer2/tazmel/track/1");
  state.title = QStringLiteral("Blue Song");
  state.artist = QStringLiteral("The Artists");
  state.album = QStringLiteral("Loopback FM");
  state.can_pause = true;
  state.volume = 0.5;
  return state;
}

class MprisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::QtApp();
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus: run under dbus-run-session";
    service_ = MprisService::Register(port_);
    ASSERT_NE(service_, nullptr);
    ASSERT_EQ(service_->ServiceName(), QString::fromLatin1(kMprisServiceName));
  }

  test::ToolResult Call(const QString& method, const QStringList& args = {}) {
    return RunGdbus(CallArgs(service_->ServiceName(), method, args));
  }
  QString Get(const QString& interface_name, const QString& property) {
    const test::ToolResult result =
        Call(QStringLiteral("org.freedesktop.DBus.Properties.Get"), {interface_name, property});
    EXPECT_EQ(result.code, 0) << result.err.toStdString();
    return result.out.trimmed();
  }
  QString GetPlayer(const QString& property) { return Get(QStringLiteral("org.mpris.MediaPlayer2.Player"), property); }

  FakePort port_;
  std::unique_ptr<MprisService> service_;
};

TEST_F(MprisTest, ReportsStatusMetadataAndAbilities) {
  service_->Update(Playing());
  EXPECT_EQ(GetPlayer(QStringLiteral("PlaybackStatus")), QStringLiteral("(<'Playing'>,)"));
  const QString metadata = GetPlayer(QStringLiteral("Metadata"));
  EXPECT_TRUE(metadata.contains(QStringLiteral("'xesam:title': <'Blue Song'>"))) << metadata.toStdString();
  EXPECT_TRUE(metadata.contains(QStringLiteral("'xesam:artist': <['The Artists']>"))) << metadata.toStdString();
  EXPECT_TRUE(metadata.contains(QStringLiteral("'xesam:album': <'Loopback FM'>"))) << metadata.toStdString();
  EXPECT_TRUE(
      metadata.contains(QStringLiteral("'mpris:trackid': <objectpath '/org/mpris/MediaPlayer2/tazmel/track/1'>")))
      << metadata.toStdString();
  // No logo is known, and a live stream has no length.
  EXPECT_FALSE(metadata.contains(QStringLiteral("mpris:artUrl"))) << metadata.toStdString();
  EXPECT_FALSE(metadata.contains(QStringLiteral("mpris:length"))) << metadata.toStdString();
  EXPECT_EQ(GetPlayer(QStringLiteral("Volume")), QStringLiteral("(<0.5>,)"));
  EXPECT_EQ(GetPlayer(QStringLiteral("CanPause")), QStringLiteral("(<true>,)"));
  EXPECT_EQ(GetPlayer(QStringLiteral("CanSeek")), QStringLiteral("(<false>,)"));
  EXPECT_EQ(GetPlayer(QStringLiteral("CanControl")), QStringLiteral("(<true>,)"));
  EXPECT_EQ(Get(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Identity")), QStringLiteral("(<'Tazmel'>,)"));

  MprisState stopped;  // nothing played yet
  service_->Update(stopped);
  EXPECT_EQ(GetPlayer(QStringLiteral("PlaybackStatus")), QStringLiteral("(<'Stopped'>,)"));
  const QString none = GetPlayer(QStringLiteral("Metadata"));
  EXPECT_TRUE(none.contains(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"))) << none.toStdString();
  EXPECT_FALSE(none.contains(QStringLiteral("xesam:title"))) << none.toStdString();
}

// Each method reaches the port once; what the state rules out (Pause while
// nothing can pause, Seek on a live stream) does not reach it.
TEST_F(MprisTest, MethodsReachThePort) {
  service_->Update(Playing());
  const struct {
    const char* method;
    const char* port_call;
  } cases[] = {
      {"org.mpris.MediaPlayer2.Player.Play", "Play"},
      {"org.mpris.MediaPlayer2.Player.Pause", "Pause"},
      {"org.mpris.MediaPlayer2.Player.PlayPause", "PlayPause"},
      {"org.mpris.MediaPlayer2.Player.Stop", "Stop"},
      {"org.mpris.MediaPlayer2.Player.Next", "Next"},
      {"org.mpris.MediaPlayer2.Player.Previous", "Previous"},
      {"org.mpris.MediaPlayer2.Raise", "Raise"},
      {"org.mpris.MediaPlayer2.Quit", "Quit"},
  };
  for (const auto& c : cases) {
    const test::ToolResult result = Call(QString::fromLatin1(c.method));
    EXPECT_EQ(result.code, 0) << c.method << ": " << result.err.toStdString();
    EXPECT_EQ(port_.calls[c.port_call], 1) << c.method;
  }

  MprisState stopped;
  service_->Update(stopped);
  EXPECT_EQ(Call(QStringLiteral("org.mpris.MediaPlayer2.Player.Pause")).code, 0);
  EXPECT_EQ(Call(QStringLiteral("org.mpris.MediaPlayer2.Player.Seek"), {QStringLiteral("5000000")}).code, 0);
  EXPECT_EQ(port_.calls["Pause"], 1);
  EXPECT_TRUE(port_.seeks.empty());
}

TEST_F(MprisTest, VolumeWritesAreClampedPercentages) {
  const auto set = [this](const char* value) {
    const test::ToolResult result =
        Call(QStringLiteral("org.freedesktop.DBus.Properties.Set"),
             {QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Volume"), QString::fromLatin1(value)});
    EXPECT_EQ(result.code, 0) << value << ": " << result.err.toStdString();
  };
  set("<0.25>");
  set("<1.7>");
  set("<-0.5>");
  EXPECT_EQ(port_.volumes, (std::vector<int>{25, 100, 0}));
}

// A file that can seek: Seek moves by the offset within the clip, and
// SetPosition only for the track being played.
TEST_F(MprisTest, SeeksWithinTheClip) {
  MprisState file = Playing();
  file.can_seek = true;
  file.length_us = 60'000'000;
  service_->Update(file);
  port_.position_us = 10'000'000;
  EXPECT_EQ(GetPlayer(QStringLiteral("Position")), QStringLiteral("(<int64 10000000>,)"));
  Call(QStringLiteral("org.mpris.MediaPlayer2.Player.Seek"), {QStringLiteral("5000000")});
  Call(QStringLiteral("org.mpris.MediaPlayer2.Player.Seek"), {QStringLiteral("--"), QStringLiteral("-20000000")});
  Call(QStringLiteral("org.mpris.MediaPlayer2.Player.SetPosition"),
       {QStringLiteral("/org/mpris/MediaPlayer2/tazmel/track/1"), QStringLiteral("30000000")});
  Call(QStringLiteral("org.mpris.MediaPlayer2.Player.SetPosition"),
       {QStringLiteral("/org/mpris/MediaPlayer2/tazmel/track/0"), QStringLiteral("40000000")});
  EXPECT_EQ(port_.seeks, (std::vector<long long>{15'000'000, 0, 30'000'000}));
}

// Desktop widgets follow PropertiesChanged: one signal per change, naming
// only what changed, and none for an update that changes nothing.
TEST_F(MprisTest, PropertiesChangedOncePerChange) {
  test::BusMonitor monitor(service_->ServiceName());
  ASSERT_TRUE(monitor.WaitReady()) << monitor.Text().toStdString();
  MprisState state = Playing();
  service_->Update(state);
  service_->Update(state);
  state.volume = 0.75;
  service_->Update(state);
  service_->Update(state);
  state.title = QStringLiteral("Next Song");
  state.track_id = QStringLiteral("/org/mpris/MediaPlayer2/tazmel/track/2");
  service_->Update(state);
  state.playback_status = QStringLiteral("Paused");
  state.can_pause = false;
  service_->Update(state);
  service_->Update(state);
  ASSERT_TRUE(monitor.WaitFor(QStringLiteral("'Paused'"))) << monitor.Text().toStdString();
  test::RunUntil([] { return false; }, 300);  // anything late would show now

  const QString& text = monitor.Text();
  EXPECT_EQ(monitor.Count(QStringLiteral("PropertiesChanged")), 4) << text.toStdString();
  EXPECT_EQ(monitor.Count(QStringLiteral("'Volume': <0.75>")), 1) << text.toStdString();
  EXPECT_EQ(monitor.Count(QStringLiteral("'Next Song'")), 1) << text.toStdString();
  // The volume's signal carries the volume alone.
  const qsizetype volume_line = text.indexOf(QStringLiteral("<0.75>"));
  const QString line =
      text.mid(text.lastIndexOf(QLatin1Char('\n'), volume_line) + 1,
               text.indexOf(QLatin1Char('\n'), volume_line) - text.lastIndexOf(QLatin1Char('\n'), volume_line));
  EXPECT_FALSE(line.contains(QStringLiteral("Metadata"))) << line.toStdString();
  EXPECT_FALSE(line.contains(QStringLiteral("PlaybackStatus"))) << line.toStdString();
}

// A second program takes a name of its own; a program without a bus has
// no object and runs on.
TEST_F(MprisTest, SecondInstanceAndNoBus) {
  FakePort other;
  QDBusConnection second = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("second"));
  ASSERT_TRUE(second.isConnected());
  {
    const std::unique_ptr<MprisService> two = MprisService::Register(other, second);
    ASSERT_NE(two, nullptr);
    EXPECT_TRUE(two->ServiceName().startsWith(QString::fromLatin1(kMprisServiceName) + QStringLiteral(".instance")))
        << two->ServiceName().toStdString();
    EXPECT_EQ(RunGdbus(CallArgs(two->ServiceName(), QStringLiteral("org.mpris.MediaPlayer2.Raise"))).code, 0);
    EXPECT_EQ(other.calls["Raise"], 1);
    EXPECT_EQ(port_.calls["Raise"], 0);
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("second"));

  QDBusConnection none =
      QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/tazmel-bus"), QStringLiteral("none"));
  EXPECT_FALSE(none.isConnected());
  EXPECT_EQ(MprisService::Register(other, none), nullptr);
  QDBusConnection::disconnectFromBus(QStringLiteral("none"));
}

// The title label: the station, then the song it names now.
TEST(TitleWithNowPlaying, JoinsStationAndSong) {
  const struct {
    const char* title;
    const char* song;
    const char* shown;
  } cases[] = {
      {"Loopback FM", "", "Loopback FM"},
      {"Loopback FM(2)", "A - B", "Loopback FM(2) - A - B"},
      {"A - B", "A - B", "A - B"},  // a typed address named after its first song
      {"", "A - B", "A - B"},
  };
  for (const auto& c : cases) {
    EngineViewState state;
    state.title = c.title;
    state.now_playing = c.song;
    EXPECT_EQ(TitleWithNowPlaying(state), c.shown) << c.title;
  }
}

TEST(SplitArtistTitle, ReadsArtistDashTitle) {
  const struct {
    const char* text;
    ArtistTitle expected;
  } cases[] = {
      {"Artist - Title", {"Artist", "Title"}},
      {"  Artist  -  Title  ", {"Artist", "Title"}},
      {"AC-DC - Back in Black", {"AC-DC", "Back in Black"}},
      {"A - B - C", {"A", "B - C"}},  // the first dash divides
      {"Just a title", {"", "Just a title"}},
      {"Artist-Title", {"", "Artist-Title"}},  // no blanks: no division
      {" - Title", {"", "- Title"}},
      {"Artist - ", {"", "Artist -"}},
      {"", {"", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitArtistTitle(c.text), c.expected) << '"' << c.text << '"';
}

}  // namespace
}  // namespace tazmel
