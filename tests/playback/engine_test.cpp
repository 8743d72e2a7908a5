#include "playback/engine.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "core/messages.h"
#include "playback/engine_display_model.h"
#include "playback/engine_fixture.h"
#include "playback/station_learning.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;
using test::EngineTest;
using test::ScriptedWmp6;
using test::ScriptedWmp9;
using test::WriteFile;
using Strings = std::vector<std::string>;

// Tries of an address on a WMP 9 control: the first sets the address, the
// later ones find it there and only call Play.
int Tries(const ScriptedWmp9& wmp9, std::string_view address) {
  return wmp9.log.Count("SetURL:" + std::string(address)) + wmp9.log.Count("Play");
}

// A station whose first address fails plays error.wav, waits 1000 ms and
// tries the next address with the station's stored kind; the title counts
// the address and the hint shows the address and kind in use.
TEST_F(EngineTest, FailsOverToTheNextAddressAfterOneSecond) {
  WriteUserTable({Line(100001, "Two", "0", "mms://a.example/live||rtsp://b.example/live")});
  engine().PlayStation(100001);
  ScriptedWmp9& wmp9 = Wmp9();
  EXPECT_EQ(wmp9.url, "mms://a.example/live");
  EXPECT_EQ(view_.title, "Two(1)");
  EXPECT_EQ(sound_.Played(), Strings{"loop sound/chs/waiting.wav"});  // no sound/eng/waiting.wav

  wmp9.RaiseError();
  EXPECT_EQ(view_.State(), "Stopped");
  EXPECT_EQ(sound_.Played().back(), "once sound/eng/error.wav");
  clock_.Advance(999ms);
  EXPECT_EQ(factory_.real, nullptr);
  clock_.Advance(1ms);

  // Back to kind "0", the RealPlayer address goes to RealPlayer, not to the
  // WMP 9 control the first address used.
  ASSERT_NE(factory_.real, nullptr);
  EXPECT_EQ(factory_.real->source, "rtsp://b.example/live");
  EXPECT_EQ(engine().AddressIndex(), 1);
  EXPECT_EQ(engine().Kind(), MediaKind::kRealPlayer);
  EXPECT_EQ(view_.title, "Two(2)");
  EXPECT_NE(view_.hint.find("StreamURL :  rtsp://b.example/live"), std::string::npos) << view_.hint;
  EXPECT_NE(view_.hint.find("Format :  RP"), std::string::npos) << view_.hint;
}

// With sounds switched off nothing is played, failures included.
TEST_F(EngineTest, SoundsOnlyWhenEnabled) {
  options_.enable_sound = false;
  WriteUserTable({Line(100001, "One", "2", "mms://a.example/live")});
  engine().PlayStation(100001);
  Wmp9().RaiseError();
  EXPECT_TRUE(sound_.Played().empty());
}

// A station whose only address fails is graded Bad and retried every
// RetryDelay seconds: RetryNum 0 without end, 2 exactly twice. It was
// started by PlayStation alone, as a double-click in the tree starts it.
TEST_F(EngineTest, ReconnectsUpToRetryNum) {
  struct Case {
    int retry_num;
    int retries;  // within six delays
  };
  for (const Case c : {Case{0, 6}, Case{2, 2}}) {
    SCOPED_TRACE("RetryNum " + std::to_string(c.retry_num));
    Restart();
    options_.retry_num = c.retry_num;
    options_.retry_delay = 3;
    WriteUserTable({Line(100001, "One", "2", "mms://a.example/live")});
    engine().PlayStation(100001);
    ScriptedWmp9& wmp9 = Wmp9();
    wmp9.RaiseError();
    EXPECT_EQ(Stored(100001).VValidity, "1");
    EXPECT_EQ(sound_.Played().back(), "once sound/eng/error.wav");

    clock_.Advance(2999ms);
    EXPECT_EQ(Tries(wmp9, "mms://a.example/live"), 1);
    clock_.Advance(1ms);
    // Each try fails; after the last one a failure still arriving late
    // changes nothing.
    for (int delay = 1; delay < 6; ++delay) {
      wmp9.RaiseError();
      clock_.Advance(3s);
    }
    EXPECT_EQ(Tries(wmp9, "mms://a.example/live") - 1, c.retries);
  }
}

// A new attempt that is not playing within RetryDelay is started again, and
// one that plays ends the reconnecting.
TEST_F(EngineTest, ReconnectEndsOncePlaying) {
  WriteUserTable({Line(100001, "One", "2", "mms://a.example/live")});
  engine().PlayStation(100001);
  ScriptedWmp9& wmp9 = Wmp9();
  wmp9.RaiseStreamStarts();
  // The stream drops: the control stops by itself.
  wmp9.RaisePlayState(Wmp9Control::kStopped);
  clock_.Advance(3s);
  EXPECT_EQ(Tries(wmp9, "mms://a.example/live"), 2);
  clock_.Advance(3s);  // still silent: once more
  EXPECT_EQ(Tries(wmp9, "mms://a.example/live"), 3);
  wmp9.RaiseStreamStarts();
  clock_.Advance(30s);
  EXPECT_EQ(Tries(wmp9, "mms://a.example/live"), 3);
  EXPECT_EQ(view_.State(), "Playing");
}

// Pause and Play resume the same control: no second download, no new
// "Waiting...", no new address.
TEST_F(EngineTest, PauseThenPlayResumesWithoutResolving) {
  pages_.pages["http://radio.example/live"] = "<html>mms://s.example/one</html>";
  WriteUserTable({Line(100001, "Page", "0", "http://radio.example/live")});
  engine().PlayStation(100001);
  clock_.RunPosted();  // the page arrives
  ScriptedWmp9& wmp9 = Wmp9();
  EXPECT_EQ(wmp9.url, "mms://s.example/one");
  wmp9.RaiseStreamStarts();
  EXPECT_EQ(view_.State(), "Playing");

  engine().Pause();
  EXPECT_EQ(wmp9.log.Count("Pause"), 1);
  EXPECT_TRUE(engine().Paused());
  wmp9.RaisePlayState(Wmp9Control::kPaused);
  EXPECT_EQ(view_.State(), "Paused");
  clock_.Advance(10s);  // paused by the user: no reconnect

  engine().Play();
  EXPECT_FALSE(engine().Paused());
  EXPECT_EQ(wmp9.log.Count("Play"), 1);
  EXPECT_EQ(wmp9.log.Count("SetURL:mms://s.example/one"), 1);
  EXPECT_EQ(pages_.fetched, Strings{"http://radio.example/live"});
  EXPECT_EQ(view_.CountState("Waiting..."), 1);
  EXPECT_EQ(sound_.Played(), Strings{"loop sound/chs/waiting.wav"});
}

// A broadcast on WMP 6.4 cannot hold its place: Pause stops it, and the
// next Play starts it afresh.
TEST_F(EngineTest, PausingABroadcastStopsIt) {
  factory_.wmp9_creatable = false;
  engine().PlayAddresses("mms://a.example/live", "Live", MediaKind::kWmp6);
  ASSERT_NE(factory_.wmp6, nullptr);
  ScriptedWmp6& wmp6 = *factory_.wmp6;
  wmp6.broadcast = true;
  wmp6.play_state = Wmp6Control::kPlaying;
  engine().Pause();
  EXPECT_EQ(wmp6.log.Count("Stop"), 1);
  EXPECT_EQ(wmp6.log.Count("Pause"), 0);
  EXPECT_FALSE(engine().Paused());
  engine().Play();
  EXPECT_EQ(wmp6.log.Count("SetFileName:mms://a.example/live"), 2);
  EXPECT_EQ(wmp6.log.Count("Play"), 0);
}

// Play and stop reports: a user station not reported last carries its first
// address in hex, a stop wakes the service, typed addresses report nothing.
TEST_F(EngineTest, ReportsPlayAndStop) {
  WriteUserTable({Line(100001, "Mine", "2", "mms://a/b||mms://c/d")});
  WriteSystemTable({Line(5, "Sys", "2", "mms://sys.example/x")});
  navigator_.music = {"mms://m.example/x"};
  const std::string hex = "6D6D733A2F2F612F62";  // mms://a/b

  engine().PlayStation(100001);
  engine().Stop();
  engine().PlayStation(100001);
  engine().PlayStation(5);
  // A system station never shows where it streams from.
  EXPECT_EQ(view_.hint.find("StreamURL"), std::string::npos) << view_.hint;
  engine().Stop();
  engine().PlayStation(100001);
  engine().PlayAddresses("mms://typed.example/x", "Typed", MediaKind::kUnknown);
  engine().Stop();
  engine().PlayMusicList();
  engine().Stop();
  engine().ReportPlaying();

  EXPECT_EQ(reports_.sent, (Strings{"P100001Z" + hex, "S100001", "wake", "P100001", "P5", "S5", "wake",
                                    "P100001Z" + hex, "S-1", "wake", "P-1"}));
}

// How long a user station took to start playing grades it, measured on the
// dispatcher's monotonic clock (the grades below come out only if the engine
// reads that clock, never the time of day); the rate learnt fills an empty
// speed.
TEST_F(EngineTest, GradesUserStationByStartTime) {
  struct Case {
    std::chrono::seconds delay;
    std::string_view grade;
  };
  const Case cases[] = {{5s, "4"}, {9s, "4"}, {12s, "3"}, {29s, "3"}, {30s, "2"}, {40s, "2"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.delay.count()) + " s");
    Restart();
    WriteUserTable({Line(100001, "S", "2", "mms://a.example/live")});
    engine().PlayStation(100001);
    clock_.Advance(c.delay);
    Wmp9().bit_rate = 128000;
    Wmp9().RaiseStreamStarts();
    const StationRecord stored = Stored(100001);
    EXPECT_EQ(stored.VValidity, c.grade);
    EXPECT_EQ(stored.VSpeed, "128K");
    EXPECT_EQ(stored.VRadioName, "S");
  }
}

// The grade thresholds on their own.
TEST(ValidityFromSecondsTest, Thresholds) {
  const std::pair<long long, std::string_view> cases[] = {{0, "4"},  {9, "4"},  {10, "3"},
                                                          {29, "3"}, {30, "2"}, {3600, "2"}};
  for (const auto& [seconds, grade] : cases) EXPECT_EQ(ValidityFromSeconds(seconds), grade) << seconds;
}

// The audio language WMP 9 reports fills a user station's empty language and
// country, unless it is the user's own language.
TEST_F(EngineTest, LearnsLanguageOfUserStation) {
  struct Case {
    int audio_language;
    std::string_view language, country;                // stored before
    std::string_view learnt_language, learnt_country;  // stored after
  };
  const Case cases[] = {
      {0x0407, "", "", "German ", "Germany"},
      {0x0407, "Deutsch", "", "Deutsch", "Germany"},
      {0x0407, "Deutsch", "DE", "Deutsch", "DE"},
      {0x0409, "", "", "", ""},  // the user's own language
      {0, "", "", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.audio_language);
    Restart();
    WriteUserTable({Line(100001, "S", "2", "mms://a.example/live", c.language, c.country)});
    engine().PlayStation(100001);
    Wmp9().RaiseAudioLanguage(c.audio_language);
    Wmp9().RaiseStreamStarts();
    const StationRecord stored = Stored(100001);
    EXPECT_EQ(stored.VLanguage, c.learnt_language);
    EXPECT_EQ(stored.VCountry, c.learnt_country);
  }
}

// Volume is clamped to 0..100 and reaches each control in its own scale;
// WMP 6.4 takes hundredths of a decibel below full volume.
TEST_F(EngineTest, VolumeIsClampedAndMappedPerControl) {
  struct Case {
    char control;  // 'R', '6' or '9'
    int set, stored, sent;
  };
  const Case cases[] = {
      {'6', 150, 100, 0},   {'6', 0, 0, -10000}, {'6', -20, 0, -10000}, {'6', 50, 50, -5000},
      {'9', 150, 100, 100}, {'9', 35, 35, 35},   {'R', 70, 70, 70},     {'R', 101, 100, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.control) + " " + std::to_string(c.set));
    Restart();
    factory_.wmp9_creatable = c.control == '9';
    if (c.control == 'R') {
      engine().PlayAddresses("rtsp://a.example/live", "", MediaKind::kRealPlayer);
    } else {
      engine().PlayAddresses("mms://a.example/live", "", c.control == '6' ? MediaKind::kWmp6 : MediaKind::kWmp9);
    }
    engine().SetVolume(c.set);
    EXPECT_EQ(engine().Volume(), c.stored);
    if (c.control == 'R') {
      ASSERT_NE(factory_.real, nullptr);
      EXPECT_EQ(factory_.real->volume, c.sent);
    } else if (c.control == '6') {
      ASSERT_NE(factory_.wmp6, nullptr);
      EXPECT_EQ(factory_.wmp6->volume, c.sent);
    } else {
      EXPECT_EQ(Wmp9().volume, c.sent);
    }
  }
}

// While muted a volume change is kept but reaches the control only on
// unmuting; a start while muted sends no volume either.
TEST_F(EngineTest, MuteHoldsVolumeBack) {
  factory_.wmp9_creatable = false;
  engine().PlayAddresses("mms://a.example/live", "", MediaKind::kWmp6);
  ASSERT_NE(factory_.wmp6, nullptr);
  ScriptedWmp6& wmp6 = *factory_.wmp6;
  engine().SetMute(true);
  EXPECT_EQ(wmp6.log.Last("SetMute"), "1");
  wmp6.log.Clear();

  engine().SetVolume(30);
  engine().Play();
  EXPECT_EQ(engine().Volume(), 30);
  EXPECT_EQ(wmp6.log.Last("SetVolume"), "");

  engine().SetMute(false);
  EXPECT_EQ(wmp6.log.Last("SetMute"), "0");
  EXPECT_EQ(wmp6.volume, -7000);
}

// The user address text: a one-character first field is the kind, the next
// field the address; anything else is an address of kind "0".
TEST_F(EngineTest, UserAddressText) {
  struct Case {
    std::string_view text;
    char kind;
    Strings list;
    std::string_view user_url, title;
  };
  const Case cases[] = {
      {"3,mms://host/a", '3', {"mms://host/a"}, "3,mms://host/a", "a"},
      {"mms://host/a", '0', {"mms://host/a"}, "0,mms://host/a", "a"},
      {"2,mms://host/a,dropped", '2', {"mms://host/a"}, "2,mms://host/a", "a"},
      {"http://host/dir/song.mp3,b", '0', {"http://host/dir/song.mp3"}, "0,http://host/dir/song.mp3", "song.mp3"},
      {"", '0', {}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    engine().SetUserUrl(c.text);
    EXPECT_EQ(MediaKindDigit(engine().Kind()), c.kind);
    EXPECT_EQ(engine().AddressList(), c.list);
    EXPECT_EQ(engine().GetUserUrl(), c.user_url);
    EXPECT_EQ(engine().GetCurrentTitle(), c.title);
  }
  // Stations have no user address text.
  WriteUserTable({Line(100001, "S", "2", "mms://a.example/live")});
  engine().PlayStation(100001);
  EXPECT_EQ(engine().GetUserUrl(), "");
  EXPECT_EQ(engine().GetCurrentTitle(), "S");
}

// The source of the last run comes back with the settings: Play starts that
// station again, or the typed address with its kind.
TEST_F(EngineTest, RestoredPlaySourcePlaysAgain) {
  WriteUserTable({Line(100001, "Saved FM", "2", "mms://a.example/live")});
  engine().RestorePlaySource(PlaySource::Station(100001), "4,mms://ignored/for/stations");
  EXPECT_EQ(engine().Source(), PlaySource::Station(100001));
  engine().Play();
  EXPECT_EQ(engine().AddressList(), Strings{"mms://a.example/live"});
  EXPECT_EQ(engine().CurrentRecord().VRadioName, "Saved FM");

  engine().RestorePlaySource(PlaySource::Typed(), "1,rtsp://b.example/x");
  EXPECT_EQ(engine().Source(), PlaySource::Typed());
  EXPECT_EQ(engine().Kind(), MediaKind::kRealPlayer);
  EXPECT_EQ(engine().AddressList(), Strings{"rtsp://b.example/x"});
}

// A local file is never waited for, downloaded or reconnected; opening it
// shows its name and length.
TEST_F(EngineTest, LocalFileNeverWaitsResolvesOrReconnects) {
  const std::filesystem::path song = dir_ / "music" / "song.xyz";  // an extension no rule knows
  WriteFile(song, "data");
  navigator_.music = {song.string()};
  engine().PlayMusicList();
  ScriptedWmp9& wmp9 = Wmp9();
  EXPECT_EQ(wmp9.url, song.string());
  EXPECT_TRUE(pages_.fetched.empty());
  EXPECT_EQ(view_.CountState("Waiting..."), 0);

  wmp9.duration = 61;
  wmp9.RaiseOpenState(Wmp9Control::kMediaOpen);
  EXPECT_EQ(view_.title, "song(1:1)");
  EXPECT_EQ(view_.hint.substr(0, 20), "Title:song\r\nAuthor:\r");
  wmp9.RaiseBuffering(true);
  wmp9.RaisePlayState(Wmp9Control::kPlaying);
  EXPECT_EQ(view_.State(), "Playing");
  wmp9.RaisePlayState(Wmp9Control::kStopped);
  clock_.Advance(60s);

  EXPECT_EQ(Tries(wmp9, song.string()), 1);
  EXPECT_TRUE(sound_.Played().empty());
  EXPECT_EQ(std::count(view_.cursor.begin(), view_.cursor.end(), true), 0);
}

// At the end of a music-list file the next entry starts, from a 1 ms timer
// rather than inside the control's event.
TEST_F(EngineTest, MusicListGoesOnAtEndOfClip) {
  const std::filesystem::path one = dir_ / "music" / "one.mp3";
  const std::filesystem::path two = dir_ / "music" / "two.mp3";
  WriteFile(one, "1");
  WriteFile(two, "2");
  navigator_.music = {one.string(), two.string()};
  engine().PlayMusicList();
  ScriptedWmp9& wmp9 = Wmp9();
  wmp9.duration = 10;
  wmp9.RaisePlayState(Wmp9Control::kPlaying);

  wmp9.RaisePlayState(Wmp9Control::kMediaEnded);
  EXPECT_TRUE(navigator_.calls.empty());
  EXPECT_EQ(wmp9.url, one.string());
  clock_.Advance(1ms);
  EXPECT_EQ(navigator_.calls, Strings{"next -1"});
  EXPECT_EQ(wmp9.url, two.string());
  EXPECT_EQ(engine().Source(), PlaySource::MusicList());
}

// The same on the RealPlayer-like control: a finite clip that closed is not
// replayed even when its last position event fell short of the length; a
// live clip (length 0) that closed is reconnected.
TEST_F(EngineTest, EndOfFiniteRealPlayerClipStopsReconnect) {
  for (const std::int64_t length_ms : {std::int64_t{60000}, std::int64_t{0}}) {
    SCOPED_TRACE(length_ms);
    Restart();
    const std::string address = "rtsp://host.example/clip.rm";
    WriteUserTable({Line(100001, "S", "1", address)});
    engine().PlayStation(100001);
    ASSERT_TRUE(factory_.real);
    test::ScriptedRealPlayer& real = *factory_.real;
    real.length_ms = length_ms;
    real.RaisePlayState(RealPlayerControl::kPlaying);
    real.position_ms = 59800;
    real.OnPositionChange(real.position_ms, real.length_ms);
    real.OnClipClosed();
    real.RaisePlayState(RealPlayerControl::kStopped);
    clock_.Advance(10s);
    const int tries = real.log.Count("SetSource:" + address) + real.log.Count("DoPlay");
    EXPECT_EQ(tries > 1, length_ms == 0) << tries;
  }
}

// A station clip of finite length that played to its end is not
// reconnected; a live stream that drops is.
TEST_F(EngineTest, EndOfFiniteClipStopsReconnect) {
  struct Case {
    std::string_view name;
    double duration;
    double last_tick_position;
    std::string_view elapsed;
    bool reconnects;
  };
  const Case cases[] = {
      {"last tick at the end", 60, 60, "00:01:00", false},
      {"ended between ticks", 60, 59.8, "00:00:59", false},
      {"live stream dropped", 0, 100, "00:01:40", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    WriteUserTable({Line(100001, "S", "2", "http://host.example/clip.mp3")});
    engine().PlayStation(100001);
    ScriptedWmp9& wmp9 = Wmp9();
    wmp9.duration = c.duration;
    wmp9.RaiseStreamStarts();
    wmp9.position = c.last_tick_position;
    clock_.Advance(500ms);
    EXPECT_EQ(view_.elapsed, c.elapsed);
    wmp9.RaisePlayState(Wmp9Control::kMediaEnded);
    wmp9.RaisePlayState(Wmp9Control::kStopped);
    clock_.Advance(10s);
    EXPECT_EQ(Tries(wmp9, "http://host.example/clip.mp3") > 1, c.reconnects);
  }
}

// An address the rules cannot classify is downloaded: the stream addresses a
// page names take its place in the list; an ASX reply keeps it and teaches
// the user station its kind; a failed download keeps everything.
TEST_F(EngineTest, ResolvesUnknownAddresses) {
  struct Case {
    std::string_view name;
    std::string page;
    Strings list;
    std::string played;
    std::string_view stored_format;
  };
  const Case cases[] = {
      {"page",
       "<html><body>mms://s1.example/One and mms://s2.example/two</body></html>",
       {"mms://s1.example/One", "mms://s2.example/two", "mms://c.example/x"},
       "mms://s1.example/One",
       "0"},
      {"asx",
       "<!-- list --><asx version=\"3.0\"><entry><ref href=\"mms://s.example/x\"/></entry></asx>",
       {"http://radio.example/live", "mms://c.example/x"},
       "http://radio.example/live",
       "2"},
      {"failed download", "", {"http://radio.example/live", "mms://c.example/x"}, "http://radio.example/live", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    pages_.pages["http://radio.example/live"] = c.page;
    WriteUserTable({Line(100001, "Page", "0", "http://radio.example/live||mms://c.example/x")});
    engine().PlayStation(100001);
    clock_.RunPosted();  // the page arrives
    EXPECT_EQ(pages_.fetched, Strings{"http://radio.example/live"});
    EXPECT_EQ(engine().AddressList(), c.list);
    EXPECT_EQ(Wmp9().url, c.played);
    EXPECT_EQ(view_.title, "Page(1)");
    const StationRecord stored = Stored(100001);
    EXPECT_EQ(stored.VFormat, c.stored_format);
    EXPECT_EQ(stored.VStreamURL, "http://radio.example/live||mms://c.example/x");
  }
}

// A stop or a new request that comes while an address is downloaded wins:
// the older attempt starts nothing once the download returns.
TEST_F(EngineTest, RequestDuringDownloadSupersedesTheAttempt) {
  WriteUserTable({Line(100001, "Page", "0", "http://radio.example/live")});
  pages_.pages["http://radio.example/live"] = "mms://s.example/one";

  pages_.hold = true;
  engine().PlayStation(100001);
  engine().Stop();
  pages_.ReleaseAll();
  EXPECT_EQ(factory_.wmp9, nullptr);
  EXPECT_EQ(view_.State(), "Stopped");
  EXPECT_EQ(view_.cursor.back(), false);

  Restart();
  pages_.hold = true;
  engine().PlayStation(100001);
  EXPECT_EQ(view_.cursor.back(), true);  // waiting for the page
  engine().PlayAddresses("mms://other.example/x", "Other", MediaKind::kUnknown);
  pages_.ReleaseAll();
  EXPECT_EQ(Wmp9().log.Count("SetURL:mms://other.example/x"), 1);
  EXPECT_EQ(Wmp9().log.Count("SetURL:mms://s.example/one"), 0);
  EXPECT_EQ(engine().AddressList(), Strings{"mms://other.example/x"});
  EXPECT_EQ(view_.title, "Other");
  EXPECT_EQ(view_.cursor.back(), false);
}

// Two pages downloading at once, the older one answering last or first: only
// the reply for the newest request starts anything.
TEST_F(EngineTest, StaleReplyAfterNewerRequestIsDropped) {
  WriteUserTable({Line(100001, "A", "0", "http://a.example/page"), Line(100002, "B", "0", "http://b.example/page")});
  pages_.pages["http://a.example/page"] = "<html>mms://a.example/stream</html>";
  pages_.pages["http://b.example/page"] = "<html>mms://b.example/stream</html>";
  for (const bool older_first : {true, false}) {
    SCOPED_TRACE(older_first ? "older reply first" : "older reply last");
    Restart();
    pages_.hold = true;
    engine().PlayStation(100001);
    engine().PlayStation(100002);
    ASSERT_EQ(pages_.fetched, (Strings{"http://a.example/page", "http://b.example/page"}));
    pages_.Release(older_first ? 0 : 1);
    pages_.Release(older_first ? 1 : 0);
    EXPECT_EQ(Wmp9().log.Count("SetURL:mms://a.example/stream"), 0);
    EXPECT_EQ(Wmp9().log.Count("SetURL:mms://b.example/stream"), 1);
    EXPECT_EQ(engine().AddressList(), Strings{"mms://b.example/stream"});
    EXPECT_EQ(view_.title, "B");
  }
}

// A reply that arrives after the engine went away reaches nothing.
TEST_F(EngineTest, ReplyAfterTheEngineWentAwayIsDropped) {
  WriteUserTable({Line(100001, "Page", "0", "http://radio.example/live")});
  pages_.pages["http://radio.example/live"] = "mms://s.example/one";
  pages_.hold = true;
  engine().PlayStation(100001);
  const int shows = view_.shows;
  engine_.reset();
  pages_.ReleaseAll();
  EXPECT_EQ(factory_.wmp9, nullptr);
  EXPECT_EQ(view_.shows, shows);
}

// When no control can be created the attempt ends stopped, not waiting.
TEST_F(EngineTest, NoControlEndsStopped) {
  factory_.real_creatable = factory_.wmp6_creatable = factory_.wmp9_creatable = false;
  engine().PlayAddresses("mms://a.example/live", "A", MediaKind::kUnknown);
  EXPECT_EQ(view_.State(), "Stopped");
  EXPECT_EQ(sound_.log.back(), "stop");
  EXPECT_EQ(view_.cursor.back(), false);
  EXPECT_FALSE(engine().IsActive());
}

// A station without an address starts nothing and leaves what plays alone.
TEST_F(EngineTest, StationWithoutAddressStartsNothing) {
  WriteUserTable({Line(100001, "A", "2", "mms://a.example/x"), Line(100002, "Empty", "2", "")});
  engine().PlayStation(100001);
  engine().PlayStation(100002);
  EXPECT_EQ(engine().Source(), PlaySource::Station(100001));
  EXPECT_EQ(engine().AddressList(), Strings{"mms://a.example/x"});
  EXPECT_EQ(engine().CurrentRecord().VRadioName, "A");
  EXPECT_EQ(reports_.sent.size(), 1u);
}

// Next plays the entry the playlist names while a request is in force; after
// Stop it only moves the selection.
TEST_F(EngineTest, NextPlaysOnlyWhileARequestIsInForce) {
  WriteUserTable({Line(100001, "A", "2", "mms://a.example/x"), Line(100002, "B", "2", "mms://b.example/x")});
  engine().PlayStation(100001);
  navigator_.next_station = 100002;
  engine().Next();
  EXPECT_EQ(engine().Source(), PlaySource::Station(100002));
  EXPECT_EQ(Wmp9().url, "mms://b.example/x");

  engine().Stop();
  navigator_.next_station = 100001;
  engine().Previous();
  EXPECT_EQ(navigator_.calls, (Strings{"next 0", "previous 0"}));
  EXPECT_EQ(engine().Source(), PlaySource::Station(100002));
  EXPECT_EQ(Wmp9().url, "mms://b.example/x");
}

// Buffering shows its percentage and the arrival rate on each tick, then
// playing shows the rate learnt and the playing displays.
TEST_F(EngineTest, BufferingAndPlayingDisplays) {
  engine().PlayAddresses("mms://a.example/live", "A", MediaKind::kUnknown);
  ScriptedWmp9& wmp9 = Wmp9();
  wmp9.RaiseOpenState(Wmp9Control::kConnecting);
  EXPECT_EQ(view_.State(), "Connecting...");
  EXPECT_EQ(view_.transport, TransportState::kBusy);
  wmp9.RaiseBuffering(true);
  EXPECT_TRUE(view_.tray_on);
  EXPECT_EQ(view_.tray_interval, 300);
  wmp9.buffering_progress = 45;
  wmp9.bandwidth = 64999;
  clock_.Advance(500ms);
  EXPECT_EQ(view_.State(), "Buffering(45%)");
  EXPECT_EQ(view_.speed, "64 Kbps");

  wmp9.bit_rate = 128000;
  wmp9.title = "Clip title";
  wmp9.play_state = Wmp9Control::kPlaying;
  wmp9.RaiseBuffering(false);
  EXPECT_EQ(view_.State(), "Playing");
  EXPECT_EQ(view_.tray_interval, 100);
  EXPECT_EQ(view_.transport, TransportState::kPlaying);
  EXPECT_EQ(engine().CurrentRecord().VRadioName, "Clip title");
  EXPECT_EQ(engine().CurrentRecord().VSpeed, "128K");
  EXPECT_EQ(view_.title, "Clip title");
  wmp9.position = 75.9;
  clock_.Advance(500ms);
  EXPECT_EQ(view_.elapsed, "00:01:15");
}

// A reconnect that falls due while an attempt still downloads its address
// waits for that attempt: no second download or start from inside the first.
TEST_F(EngineTest, ReconnectWaitsForTheDownload) {
  WriteUserTable(
      {Line(100001, "A", "2", "mms://a.example/live"), Line(100002, "Page", "0", "http://radio.example/live")});
  pages_.pages["http://radio.example/live"] = "<html>mms://s.example/one</html>";
  engine().PlayStation(100001);
  ScriptedWmp9& wmp9 = Wmp9();
  wmp9.RaiseStreamStarts();
  // The stop of the station switched away from arrives during a download
  // that outlasts two reconnect delays.
  pages_.hold = true;
  engine().PlayStation(100002);
  wmp9.RaisePlayState(Wmp9Control::kStopped);
  clock_.Advance(7s);
  pages_.ReleaseAll();
  EXPECT_EQ(pages_.fetched, Strings{"http://radio.example/live"});
  EXPECT_EQ(Tries(wmp9, "mms://s.example/one"), 1);
}

// Dragging the slider holds the position ticks back; letting go brings them
// back only if they were running, so a drag while stopped starts none.
TEST_F(EngineTest, SeekResumesOnlyRunningTicks) {
  struct Case {
    std::string_view name;
    bool stopped;
    std::string_view elapsed;  // shown after letting go
  };
  const Case cases[] = {{"playing", false, "00:00:20"}, {"stopped", true, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    engine().PlayAddresses("http://host.example/clip.mp3", "Clip", MediaKind::kUnknown);
    ScriptedWmp9& wmp9 = Wmp9();
    wmp9.duration = 60;
    wmp9.RaiseStreamStarts();
    if (c.stopped) engine().Stop();
    view_.elapsed.clear();
    engine().BeginSeek();
    wmp9.position = 20;
    clock_.Advance(1s);
    EXPECT_EQ(view_.elapsed, "");
    engine().SeekTo(0.5);
    EXPECT_EQ(wmp9.log.Last("SetCurrentPosition"), "30.000000");
    clock_.Advance(1s);
    EXPECT_EQ(view_.elapsed, c.elapsed);
  }
}

// Each event the engine handles reaches the view as one snapshot, however
// many fields it changes: a stop is one repaint.
TEST_F(EngineTest, OneSnapshotPerEvent) {
  engine().PlayAddresses("mms://a.example/live", "A", MediaKind::kUnknown);
  ScriptedWmp9& wmp9 = Wmp9();
  wmp9.RaiseStreamStarts();
  ASSERT_EQ(view_.State(), "Playing");
  struct Case {
    std::string_view name;
    std::function<void()> event;
  };
  const Case cases[] = {
      {"stop", [&] { engine().Stop(); }},
      {"play", [&] { engine().Play(); }},
      {"connecting", [&] { wmp9.RaiseOpenState(Wmp9Control::kConnecting); }},
      {"buffering starts", [&] { wmp9.RaiseBuffering(true); }},
      {"buffering tick",
       [&] {
         wmp9.buffering_progress = 40;
         clock_.Advance(500ms);
       }},
      {"playing",
       [&] {
         wmp9.play_state = Wmp9Control::kPlaying;
         wmp9.RaiseBuffering(false);
       }},
      {"failure", [&] { wmp9.RaiseError(); }},
  };
  for (const Case& c : cases) {
    const int before = view_.shows;
    c.event();
    EXPECT_EQ(view_.shows - before, 1) << c.name;
  }
  // A tick that changes nothing shown pushes nothing.
  engine().PlayAddresses("mms://a.example/live", "A", MediaKind::kUnknown);
  wmp9.RaiseStreamStarts();
  clock_.Advance(500ms);
  const int before = view_.shows;
  clock_.Advance(500ms);
  EXPECT_EQ(view_.shows, before);
}

// A language switch shows the state and the reason in the new language at
// once, figures included, without waiting for the next change.
TEST_F(EngineTest, RetranslateRendersTheShownStateAgain) {
  struct SavedSlot {
    int slot;
    std::string text = Msg(slot);
    ~SavedSlot() { Messages().SetText(slot, text); }
  };
  constexpr int kNameLabelSlot = 65;  // the station hint's first label
  const SavedSlot saved[] = {{kBufferingSlot}, {kStoppedSlot}, {kRefusedSlot}, {kNameLabelSlot}};
  engine().PlayAddresses("mms://a.example/live", "A", MediaKind::kUnknown);
  ScriptedWmp9& wmp9 = Wmp9();
  const std::string english_label = Msg(kNameLabelSlot);
  ASSERT_TRUE(view_.hint.starts_with(english_label + "  A")) << view_.hint;
  wmp9.RaiseBuffering(true);
  wmp9.buffering_progress = 45;
  clock_.Advance(500ms);
  Messages().SetText(kBufferingSlot, "Puffern");
  EXPECT_EQ(view_.State(), "Buffering(45%)");
  Messages().SetText(kNameLabelSlot, "Sender:");
  engine().Retranslate();
  EXPECT_EQ(view_.State(), "Puffern(45%)");
  EXPECT_TRUE(view_.hint.starts_with("Sender:  A")) << view_.hint;

  wmp9.last_error = PlayerError::kRefused;
  wmp9.RaiseError();
  Messages().SetText(kStoppedSlot, "Gestoppt");
  Messages().SetText(kRefusedSlot, "Verbindung abgelehnt");
  engine().Retranslate();
  EXPECT_EQ(view_.State(), "Gestoppt");
  EXPECT_EQ(view_.reason, "Verbindung abgelehnt");
}

// Why a start failed goes to the title's hint, the state text staying as it
// is: the player's reason first, else the resolver's; while a reconnect is
// due the hint says when it comes, and playing clears it all.
TEST_F(EngineTest, HintSaysWhyAStartFailed) {
  struct Case {
    std::string_view name;
    std::string address;
    PlayerError error;
    std::optional<std::string> page;  // the reply to a download; nullopt: none
    std::string_view reason;
  };
  const std::string page_address = "http://radio.example/live";
  const Case cases[] = {
      {"refused", "mms://a.example/live", PlayerError::kRefused, std::nullopt, "Connection refused"},
      {"not found", "mms://a.example/live", PlayerError::kNotFound, std::nullopt, "Stream not found"},
      {"unknown format", "mms://a.example/live", PlayerError::kUnknownFormat, std::nullopt, "Unknown media format"},
      {"no sound", "mms://a.example/live", PlayerError::kNoSoundOutput, std::nullopt, "No sound output"},
      {"timed out", "mms://a.example/live", PlayerError::kTimedOut, std::nullopt, "Timed out"},
      {"no reason", "mms://a.example/live", PlayerError::kNone, std::nullopt, "Playback failed"},
      {"page unreachable", page_address, PlayerError::kNone, std::nullopt, "Page unreachable"},
      {"page without streams", page_address, PlayerError::kNone, "<html>nothing to play</html>",
       "The page names no stream"},
      {"binary file", page_address, PlayerError::kNone, std::string("ID3\0\x04\0", 6), "Binary file, not a page"},
      {"player before page", page_address, PlayerError::kNotFound, std::nullopt, "Stream not found"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    pages_.pages.clear();
    if (c.page) pages_.pages[page_address] = *c.page;
    WriteUserTable({Line(100001, "One", "0", c.address)});
    engine().PlayStation(100001);
    clock_.RunPosted();
    ScriptedWmp9& wmp9 = Wmp9();
    wmp9.last_error = c.error;
    wmp9.RaiseError();
    EXPECT_EQ(view_.State(), "Stopped");
    EXPECT_EQ(view_.reason, std::string(c.reason) + " - Next try in 3 s");
    EXPECT_TRUE(view_.hint.ends_with("\r\n" + view_.reason)) << view_.hint;
    clock_.Advance(3s);
    wmp9.last_error = PlayerError::kNone;
    wmp9.RaiseStreamStarts();
    EXPECT_EQ(view_.State(), "Playing");
    EXPECT_EQ(view_.reason, "");
    EXPECT_FALSE(view_.hint.ends_with("3 s")) << view_.hint;
  }

  // Nothing to play on at all: said once, with no retry to announce.
  Restart();
  factory_.real_creatable = factory_.wmp6_creatable = factory_.wmp9_creatable = false;
  engine().PlayAddresses("mms://a.example/live", "A", MediaKind::kUnknown);
  EXPECT_EQ(view_.reason, "No player could be created");
}

// A stream that drops and comes back only after several tries keeps saying
// when the next try comes; with RetryNum 2 the last try announces none.
TEST_F(EngineTest, HintCountsDownToTheLastRetry) {
  options_.retry_num = 2;
  WriteUserTable({Line(100001, "One", "2", "mms://a.example/live")});
  engine().PlayStation(100001);
  ScriptedWmp9& wmp9 = Wmp9();
  wmp9.RaiseStreamStarts();
  wmp9.RaisePlayState(Wmp9Control::kStopped);
  EXPECT_EQ(view_.reason, "Next try in 3 s");
  clock_.Advance(3s);  // first retry: a second may follow
  EXPECT_EQ(view_.reason, "Next try in 3 s");
  clock_.Advance(3s);  // the second and last
  EXPECT_EQ(view_.reason, "");
  EXPECT_EQ(Tries(wmp9, "mms://a.example/live"), 3);
}

}  // namespace
}  // namespace tazmel
