#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "mpv/control_probe.h"
#include "mpv/own_sound_server.h"
#include "mpv/test_media.h"
#include "platform/registry.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "support/loop_dispatcher.h"
#include "temp_dir.h"

namespace tazmel::test {
namespace {

class MpvControlsTest : public ::testing::Test {
 protected:
  template <typename Control>
  std::unique_ptr<Control> Make() {
    return Control::Create(dispatcher_, TestOptions());
  }

  LoopDispatcher dispatcher_;
  TempDir temp_;
  TestHttpServer server_;
};

// Each control's volume scale reaches the media engine as 0..100 (here its
// software volume, as the null output has no volume of its own), clamped at
// both ends; mute reaches it too.
TEST_F(MpvControlsTest, VolumeScalesReachTheEngine) {
  auto wmp6 = Make<MpvWmp6>();
  auto wmp9 = Make<MpvWmp9>();
  auto real = Make<MpvRealPlayer>();
  ASSERT_TRUE(wmp6 && wmp9 && real);
  struct Case {
    std::function<void()> set;
    const MpvSession& session;
    double volume;
  } cases[] = {
      {[&] { wmp6->SetVolume(-2000); }, wmp6->Session(), 80}, {[&] { wmp6->SetVolume(0); }, wmp6->Session(), 100},
      {[&] { wmp6->SetVolume(-10000); }, wmp6->Session(), 0}, {[&] { wmp6->SetVolume(-25000); }, wmp6->Session(), 0},
      {[&] { wmp6->SetVolume(-4550); }, wmp6->Session(), 55}, {[&] { wmp9->SetVolume(35); }, wmp9->Session(), 35},
      {[&] { wmp9->SetVolume(150); }, wmp9->Session(), 100},  {[&] { real->SetVolume(-5); }, real->Session(), 0},
      {[&] { real->SetVolume(64); }, real->Session(), 64},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    cases[i].set();
    EXPECT_EQ(cases[i].session.Core().GetDouble("volume"), cases[i].volume) << "case " << i;
  }
  real->SetVolume(150);
  EXPECT_EQ(real->GetVolume(), 100);

  wmp6->SetMute(true);
  EXPECT_EQ(wmp6->Session().Core().GetFlag("mute"), true);
  wmp6->SetMute(false);
  EXPECT_EQ(wmp6->Session().Core().GetFlag("mute"), false);
  real->SetMute(true);
  EXPECT_TRUE(real->GetMute());
  EXPECT_EQ(real->Session().Core().GetFlag("mute"), true);
}

// Balance becomes the engine's stereo balance filter, -1..1 from either
// Windows Media scale; centre removes it. A clip plays through it.
TEST_F(MpvControlsTest, BalanceBecomesAFilter) {
  auto wmp6 = Make<MpvWmp6>();
  auto wmp9 = Make<MpvWmp9>();
  ASSERT_TRUE(wmp6 && wmp9);
  wmp6->SetBalance(-5000);
  EXPECT_NE(wmp6->Session().Core().GetString("af").value_or("").find("balance_out=-0.50"), std::string::npos)
      << wmp6->Session().Core().GetString("af").value_or("");
  wmp9->SetBalance(100);
  EXPECT_NE(wmp9->Session().Core().GetString("af").value_or("").find("balance_out=1.00"), std::string::npos);
  wmp9->SetBalance(0);
  EXPECT_EQ(wmp9->Session().Core().GetString("af").value_or("?"), "");

  Wmp6Probe probe(std::move(wmp6));
  const auto file = temp_ / "tone.mp3";
  WriteFile(file, ShortTone());
  probe.Start(file.string());
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("eos") || probe.Has("error"); }, 20s));
  EXPECT_TRUE(InOrder(probe.Log(), {"play:2", "eos"})) << probe.LogText();
}

// The closing placeholder closes a playing clip and reports closed, not an
// error; the file name then holds the placeholder.
TEST_F(MpvControlsTest, Wmp6ClosingPlaceholderCloses) {
  Wmp6Probe probe(Make<MpvWmp6>());
  server_.ServeHandler("/live", [](TestHttpConnection& c) { StreamMp3(c, "Song"); });
  probe.Start(server_.Url("/live"));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("play:2"); }, 20s)) << probe.LogText();
  EXPECT_TRUE(probe.Control().GetIsBroadcast());
  probe.ClearLog();
  probe.Control().SetFileName(Wmp6Control::kClosingPlaceholder);
  EXPECT_EQ(probe.Control().GetFileName(), Wmp6Control::kClosingPlaceholder);
  EXPECT_EQ(probe.Control().GetPlayState(), Wmp6Control::kClosed);
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("open:0"); }, 10s)) << probe.LogText();
  dispatcher_.RunFor(300ms);
  EXPECT_TRUE(InOrder(probe.Log(), {"play:6", "open:0"})) << probe.LogText();
  EXPECT_FALSE(probe.Has("error"));
  EXPECT_FALSE(probe.Has("play:2"));
  EXPECT_EQ(probe.Session().Core().GetFlag("idle-active"), true);
}

// On a sound server, volume and mute go to the server's volume of our
// stream, which acts at once (the software volume would wait for a second
// of buffered sound); the software volume stays at full. A volume set
// before the output exists reaches it when it starts.
TEST_F(MpvControlsTest, SoundServerStreamCarriesVolumeAndMute) {
  OwnSoundServer sound_server(temp_ / "pulse-runtime");
  if (!sound_server.Start()) GTEST_SKIP() << "no PulseAudio server could be started";
  MpvOptions options = TestOptions();
  options.audio_output = "pulse";
  options.extra_options.emplace_back("pulse-host", sound_server.Address());
  Wmp9Probe probe(MpvWmp9::Create(dispatcher_, options));
  const MpvCore& core = probe.Session().Core();
  probe.Control().SetVolume(30);
  const auto file = temp_ / "long.mp3";
  WriteFile(file, LongTone());
  probe.Start(file.string());
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("play:3") || probe.Has("error"); }, 20s)) << probe.LogText();
  ASSERT_TRUE(probe.Has("play:3")) << probe.LogText();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return core.GetDouble("ao-volume").has_value(); }, 10s));
  EXPECT_NEAR(core.GetDouble("ao-volume").value_or(-1), 30, 1);
  EXPECT_EQ(core.GetDouble("volume"), 100);

  probe.Control().SetVolume(70);
  EXPECT_NEAR(core.GetDouble("ao-volume").value_or(-1), 70, 1);
  probe.Control().SetMute(true);
  EXPECT_EQ(core.GetFlag("ao-mute"), true);
  EXPECT_EQ(core.GetFlag("mute"), false);
  EXPECT_EQ(core.GetDouble("volume"), 100);
  probe.Control().SetMute(false);
  EXPECT_EQ(core.GetFlag("ao-mute"), false);

  // A balance change while playing drops the buffered sound once the
  // change has come to rest; playing goes on.
  probe.ClearLog();
  probe.Control().SetBalance(-100);
  probe.Control().SetBalance(-60);
  dispatcher_.RunFor(500ms);
  EXPECT_NE(core.GetString("af").value_or("").find("balance_out=-0.60"), std::string::npos);
  EXPECT_FALSE(probe.Has("error") || probe.Has("play:1")) << probe.LogText();
  EXPECT_EQ(probe.Control().GetPlayState(), Wmp9Control::kPlaying);
}

// An empty RealPlayer source closes the clip: stopped and clip closed.
TEST_F(MpvControlsTest, RealPlayerEmptySourceCloses) {
  RealPlayerProbe probe(Make<MpvRealPlayer>());
  const auto file = temp_ / "long.mp3";
  WriteFile(file, LongTone());
  probe.Start(file.string());
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("state:3"); }, 20s)) << probe.LogText();
  probe.ClearLog();
  probe.Control().SetSource("");
  EXPECT_EQ(probe.Control().GetSource(), "");
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("closed"); }, 10s)) << probe.LogText();
  EXPECT_TRUE(InOrder(probe.Log(), {"state:0", "closed"})) << probe.LogText();
  EXPECT_EQ(probe.Control().GetPlayState(), RealPlayerControl::kStopped);
}

// A handler may destroy the control it is told by: nothing more of the
// control runs, not even the status report that goes with a state change.
TEST_F(MpvControlsTest, RealPlayerMayBeDestroyedInsideAnEvent) {
  auto real = Make<MpvRealPlayer>();
  ASSERT_TRUE(real);
  int statuses = 0;
  real->OnPlayStateChange = [&](int) { real.reset(); };
  real->OnShowStatus = [&](const std::string&) { ++statuses; };
  const auto file = temp_ / "tone.mp3";
  WriteFile(file, ShortTone());
  real->SetSource(file.string());
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return real == nullptr; }, 10s));
  dispatcher_.RunFor(100ms);
  EXPECT_EQ(statuses, 0);
}

// The stream's ICY headers and titles reach each control's clip texts:
// RealPlayer's title event, WMP9's item information.
TEST_F(MpvControlsTest, IcyTextsReachClipInformation) {
  server_.ServeHandler("/live", [](TestHttpConnection& c) { StreamMp3(c, "Artist - Song"); });
  RealPlayerProbe real(Make<MpvRealPlayer>());
  real.Start(server_.Url("/live"));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return real.Has("title:Artist - Song"); }, 20s)) << real.LogText();
  EXPECT_EQ(real.Control().GetLength(), 0);
  real.Stop();

  auto wmp9 = Make<MpvWmp9>();
  ASSERT_TRUE(wmp9);
  wmp9->SetURL(server_.Url("/live"));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return wmp9->GetItemInfo("Title") == "Artist - Song"; }, 20s));
  EXPECT_EQ(wmp9->GetItemInfo("ProviderURL"), "http://radio.example/");
  EXPECT_EQ(wmp9->GetItemInfo("WM/Genre"), "Tones");
  EXPECT_EQ(wmp9->GetItemInfo("Author"), "Loopback Radio");
  EXPECT_EQ(wmp9->GetItemInfo("Copyright"), "");
  EXPECT_EQ(wmp9->GetSourceProtocol(), "http");
  EXPECT_GT(wmp9->GetBitRate(), 100000);
}

// Stream titles reach the clip texts in the data code page, whether the
// station sends UTF-8 or its own code page.
TEST_F(MpvControlsTest, IcyTitlesInEitherEncoding) {
  const std::string kNiHaoGb = "\xC4\xE3\xBA\xC3";
  server_.ServeHandler("/utf8", [](TestHttpConnection& c) { StreamMp3(c, "\xE4\xBD\xA0\xE5\xA5\xBD"); });
  server_.ServeHandler("/gb", [&](TestHttpConnection& c) { StreamMp3(c, kNiHaoGb); });
  for (const char* path : {"/utf8", "/gb"}) {
    auto wmp6 = Make<MpvWmp6>();
    ASSERT_TRUE(wmp6);
    wmp6->SetFileName(server_.Url(path));
    dispatcher_.RunUntil([&] { return wmp6->GetMediaInfoString(Wmp6Control::kTitle) == kNiHaoGb; }, 20s);
    EXPECT_EQ(wmp6->GetMediaInfoString(Wmp6Control::kTitle), kNiHaoGb) << path;
  }
}

// The Windows Media Player 9-like control names the language the audio is
// tagged with (here an MP3's ID3 language) once the clip is open, before it
// plays, and again for every new clip; an unknown language or an untagged
// clip names none.
TEST_F(MpvControlsTest, Wmp9ReportsTheAudioLanguage) {
  struct Case {
    const char* tag;    // nullptr: no tag
    const char* token;  // nullptr: no language reported
  } cases[] = {
      {"deu", "lang:1031"}, {"deu", "lang:1031"}, {"fre", "lang:1036"}, {"und", nullptr}, {nullptr, nullptr},
  };
  Wmp9Probe probe(Make<MpvWmp9>());
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const std::string path = "/clip" + std::to_string(i) + ".mp3";
    server_.Serve(path, {200, "audio/mpeg", c.tag ? WithId3Language(ShortTone(), c.tag) : ShortTone(), {}});
    probe.ClearLog();
    probe.Start(server_.Url(path));
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("play:8") || probe.Has("error"); }, 20s))
        << i << ": " << probe.LogText();
    const auto languages = std::count_if(probe.Log().begin(), probe.Log().end(),
                                         [](const std::string& token) { return token.starts_with("lang:"); });
    if (c.token != nullptr) {
      EXPECT_TRUE(InOrder(probe.Log(), {"open:13", c.token, "play:3"})) << i << ": " << probe.LogText();
      EXPECT_EQ(languages, 1) << i << ": " << probe.LogText();
    } else {
      EXPECT_EQ(languages, 0) << i << ": " << probe.LogText();
    }
  }
}

// Seeking moves a finite clip; a live stream ignores it.
TEST_F(MpvControlsTest, SeekOnlyWithinFiniteClips) {
  Wmp9Probe probe(Make<MpvWmp9>());
  const auto file = temp_ / "long.mp3";
  WriteFile(file, LongTone());
  probe.Start(file.string());
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("play:3"); }, 20s)) << probe.LogText();
  probe.Control().SetCurrentPosition(3.0);
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return probe.Position() >= 2.9; }, 10s)) << probe.Position();

  Wmp6Probe live(Make<MpvWmp6>());
  server_.ServeHandler("/live", [](TestHttpConnection& c) { StreamMp3(c, "Song"); });
  live.Start(server_.Url("/live"));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return live.Has("play:2"); }, 20s)) << live.LogText();
  live.Control().SetCurrentPosition(30.0);
  dispatcher_.RunFor(200ms);
  EXPECT_LT(live.Position(), 10.0);
}

// Events are posted: a call that changes the state leaves the handlers
// untouched until the loop runs.
TEST_F(MpvControlsTest, EventsAreNeverRaisedInsideCalls) {
  Wmp9Probe probe(Make<MpvWmp9>());
  probe.Start(server_.Url("/missing.mp3"));
  EXPECT_TRUE(probe.Log().empty()) << probe.LogText();
  EXPECT_EQ(probe.Control().GetOpenState(), Wmp9Control::kLocating);
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("error"); }, 20s)) << probe.LogText();
}

// Every new address starts at locating, also after an attempt that failed
// before the media engine was reached (a document that could not be had)
// or was stopped while it was being fetched.
TEST_F(MpvControlsTest, Wmp9EveryStartLocates) {
  Wmp9Probe probe(Make<MpvWmp9>());
  server_.ServeHandler("/slow.asx", [](TestHttpConnection& c) { c.SleepFor(10s); });
  probe.Start(server_.Url("/missing.asx"));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("error"); }, 20s)) << probe.LogText();
  probe.ClearLog();
  probe.Start(server_.Url("/slow.asx"));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("open:9"); }, 10s)) << probe.LogText();
  probe.Stop();
  dispatcher_.RunFor(100ms);
  probe.ClearLog();
  probe.Start(server_.Url("/missing.asx"));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("error"); }, 20s)) << probe.LogText();
  EXPECT_TRUE(InOrder(probe.Log(), {"open:9", "error"})) << probe.LogText();
}

// Addresses naming the media engine's own pseudo-protocols (generated
// sound, our file descriptors, stdin, memory) are refused with an error,
// as a document's entries naming them are.
TEST_F(MpvControlsTest, EnginePseudoProtocolsAreRefused) {
  Wmp9Probe probe(Make<MpvWmp9>());
  const std::string local_doc = (temp_ / "list.asx").string();
  WriteFile(local_doc, "<asx><entry><ref href=\"av://lavfi:sine=frequency=440\"/></entry></asx>");
  for (const std::string& address :
       {std::string("av://lavfi:sine=frequency=440"), std::string("fd://0"), std::string("fdclose://0"),
        std::string("-"), std::string("memory://abc"), std::string("EDL://a.mp3"), local_doc}) {
    probe.ClearLog();
    probe.Start(address);
    ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe.Has("error") || probe.Has("play:3"); }, 20s)) << address;
    EXPECT_TRUE(probe.Has("error")) << address << ": " << probe.LogText();
    EXPECT_FALSE(probe.Has("play:3")) << address << ": " << probe.LogText();
  }
}

// The factory creates only controls the component registry lists as
// registered.
TEST_F(MpvControlsTest, FactoryFollowsTheRegistry) {
  Registry registry(temp_ / "registry.ini");
  MpvPlayerFactory factory(dispatcher_, registry, TestOptions());
  EXPECT_EQ(factory.CreateRealPlayer(), nullptr);
  EXPECT_EQ(factory.CreateWmp6(), nullptr);
  EXPECT_EQ(factory.CreateWmp9(), nullptr);
  RegisterPlayerControls(registry);
  EXPECT_NE(factory.CreateRealPlayer(), nullptr);
  EXPECT_NE(factory.CreateWmp6(), nullptr);
  EXPECT_NE(factory.CreateWmp9(), nullptr);
}

// libmpv refuses to start under a numeric locale other than "C" (here a
// German one, compiled for the test); creating a control then fails
// cleanly instead of crashing.
TEST_F(MpvControlsTest, CreationFailsCleanlyUnderOtherNumericLocale) {
  const std::string command = "localedef -i de_DE -c -f UTF-8 '" + (temp_ / "de_DE.UTF-8").string() + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) GTEST_SKIP() << "localedef could not build de_DE";
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  ::setenv("LOCPATH", temp_.path().c_str(), 1);
  const bool german = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
  ::unsetenv("LOCPATH");
  ASSERT_TRUE(german);
  Registry registry(temp_ / "registry.ini");
  RegisterPlayerControls(registry);
  MpvPlayerFactory factory(dispatcher_, registry, TestOptions());
  auto wmp9 = factory.CreateWmp9();
  auto real = factory.CreateRealPlayer();
  std::setlocale(LC_NUMERIC, saved.c_str());
  EXPECT_EQ(wmp9, nullptr);
  EXPECT_EQ(real, nullptr);
  // Back under "C" the same factory works.
  EXPECT_NE(factory.CreateWmp9(), nullptr);
}

}  // namespace
}  // namespace tazmel::test
