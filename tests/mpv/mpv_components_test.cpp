#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "mpv/control_probe.h"
#include "mpv/own_sound_server.h"
#include "mpv/test_media.h"
#include "support/http_server.h"
#include "support/loop_dispatcher.h"
#include "support/test_audio.h"
#include "temp_dir.h"

namespace tazmel::test {
namespace {

using namespace std::chrono_literals;
using Tokens = std::vector<std::string>;

// Each control's vocabulary for the same happenings.
struct ControlCase {
  const char* name;
  std::unique_ptr<ControlProbe> (*make)(Dispatcher&, const MpvOptions&);
  Tokens local_play;   // a local file from its start to its end
  Tokens stream_play;  // a web clip from its start to playing
  std::string playing;
  std::string paused;
  Tokens ended;             // the clip played out
  std::string stopped;      // a lost stream, or Stop
  std::string not_on_drop;  // what a lost stream must not report
  const char* doc_extension;
  std::string (*make_doc)(const Tokens& entries);
  std::string (*make_sniffed_doc)(const Tokens& entries);
};

void PrintTo(const ControlCase& c, std::ostream* os) { *os << c.name; }

std::string AsxDoc(const Tokens& entries) {
  std::string doc = "<?xml version=\"1.0\"?>\n<!-- list -->\n<ASX version=\"3.0\">\n";
  for (const std::string& entry : entries) doc += "  <Entry><Ref HREF=\"" + entry + "\"/></Entry>\n";
  return doc + "</ASX>\n";
}

std::string RamDoc(const Tokens& entries) {
  std::string doc = "# list\r\n";
  for (const std::string& entry : entries) doc += entry + "\r\n";
  return doc;
}

std::string SmilDoc(const Tokens& entries) {
  std::string doc = "<smil><body><seq>\n";
  for (const std::string& entry : entries) doc += "<audio src=\"" + entry + "\"/>\n";
  return doc + "</seq></body></smil>\n";
}

const ControlCase kCases[] = {
    {"RealPlayer",
     [](Dispatcher& d, const MpvOptions& o) -> std::unique_ptr<ControlProbe> {
       auto control = MpvRealPlayer::Create(d, o);
       return control ? std::make_unique<RealPlayerProbe>(std::move(control)) : nullptr;
     },
     {"state:1", "opened", "state:2", "state:3", "position", "state:0", "closed"},
     {"state:1", "opened", "state:2", "buffering", "state:3"},
     "state:3",
     "state:4",
     {"state:0", "closed"},
     "state:0",
     "error",
     ".ram",
     RamDoc,
     SmilDoc},
    {"Wmp6",
     [](Dispatcher& d, const MpvOptions& o) -> std::unique_ptr<ControlProbe> {
       auto control = MpvWmp6::Create(d, o);
       return control ? std::make_unique<Wmp6Probe>(std::move(control)) : nullptr;
     },
     {"open:3", "open:4", "open:5", "open:6", "newstream", "play:2", "play:0", "eos"},
     {"open:3", "open:4", "open:6", "newstream", "buffer:1", "buffer:0", "play:2"},
     "play:2",
     "play:1",
     {"play:0", "eos"},
     "play:0",
     "eos",
     ".asx",
     AsxDoc,
     AsxDoc},
    {"Wmp9",
     [](Dispatcher& d, const MpvOptions& o) -> std::unique_ptr<ControlProbe> {
       auto control = MpvWmp9::Create(d, o);
       return control ? std::make_unique<Wmp9Probe>(std::move(control)) : nullptr;
     },
     {"open:9", "open:10", "open:12", "open:13", "play:3", "play:8"},
     {"open:9", "open:10", "open:13", "play:6", "buffer:1", "buffer:0", "play:3"},
     "play:3",
     "play:2",
     {"play:8"},
     "play:1",
     "play:8",
     ".asx",
     AsxDoc,
     AsxDoc},
};

class MpvComponentsTest : public ::testing::TestWithParam<ControlCase> {
 protected:
  void SetUp() override {
    probe_ = GetParam().make(dispatcher_, TestOptions());
    ASSERT_NE(probe_, nullptr);
  }

  bool WaitFor(const std::string& token, std::chrono::milliseconds timeout = 20s) {
    return dispatcher_.RunUntil([&] { return probe_->Has(token); }, timeout);
  }
  bool WaitForAny(const Tokens& tokens, std::chrono::milliseconds timeout = 20s) {
    return dispatcher_.RunUntil(
        [&] {
          for (const std::string& token : tokens) {
            if (probe_->Has(token)) return true;
          }
          return false;
        },
        timeout);
  }
  // Runs until the clip ended, failed or was lost.
  bool WaitForEnd() {
    const ControlCase& c = GetParam();
    return WaitForAny({c.ended.back(), c.stopped, "error"});
  }

  LoopDispatcher dispatcher_;
  TempDir temp_;
  TestHttpServer server_;
  std::unique_ptr<ControlProbe> probe_;
};

// A local MP3 opens, plays with its duration, and ends as a finished clip
// in the control's own vocabulary, with no buffering or error on the way.
TEST_P(MpvComponentsTest, LocalFilePlaysToItsEnd) {
  const auto file = temp_ / "tone.mp3";
  WriteFile(file, ShortTone());
  probe_->Start(file.string());
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  EXPECT_NEAR(probe_->Duration(), kShortToneSeconds, 0.15);
  EXPECT_FALSE(probe_->Session().IsNetwork());
  ASSERT_TRUE(WaitForEnd()) << probe_->LogText();
  ASSERT_TRUE(WaitFor(GetParam().ended.back())) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), GetParam().local_play)) << probe_->LogText();
  for (const char* token : {"error", "buffer:1", "buffering"}) EXPECT_FALSE(probe_->Has(token)) << token;
}

// A finite clip on a web server buffers before it plays, knows its
// duration, and ends as a finished clip rather than a lost stream. Its
// length is still known when its end is reported (the engine tells an
// ended clip from a dropped stream by it), until the control is stopped.
TEST_P(MpvComponentsTest, WebClipBuffersPlaysAndEnds) {
  server_.Serve("/tone.mp3", {200, "audio/mpeg", ShortTone(), {}});
  probe_->Start(server_.Url("/tone.mp3"));
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), GetParam().stream_play)) << probe_->LogText();
  EXPECT_NEAR(probe_->Duration(), kShortToneSeconds, 0.15);
  EXPECT_FALSE(probe_->Session().IsLive());
  ASSERT_TRUE(WaitForEnd()) << probe_->LogText();
  ASSERT_TRUE(WaitFor(GetParam().ended.back())) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), GetParam().ended)) << probe_->LogText();
  EXPECT_FALSE(probe_->Has("error"));
  EXPECT_NEAR(probe_->Duration(), kShortToneSeconds, 0.15);
  probe_->Stop();
  EXPECT_EQ(probe_->Duration(), 0);
}

// An endless ICY stream is live: duration 0, not seekable; its stream
// title becomes the clip title; Stop reports stopped.
TEST_P(MpvComponentsTest, IcyStreamIsLiveWithTitle) {
  server_.ServeHandler("/live", [](TestHttpConnection& c) { StreamMp3(c, "Song A"); });
  probe_->Start(server_.Url("/live"));
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), GetParam().stream_play)) << probe_->LogText();
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return probe_->Title() == "Song A"; }, 20s)) << probe_->Title();
  EXPECT_TRUE(probe_->Session().IsLive());
  EXPECT_EQ(probe_->Duration(), 0);
  EXPECT_GT(probe_->Session().ClipBitrate(), 100000);
  probe_->ClearLog();
  probe_->Stop();
  EXPECT_TRUE(probe_->Log().empty()) << "raised inside the call: " << probe_->LogText();
  ASSERT_TRUE(WaitFor(GetParam().stopped)) << probe_->LogText();
  dispatcher_.RunFor(300ms);
  EXPECT_FALSE(probe_->Has(GetParam().playing)) << probe_->LogText();
  EXPECT_FALSE(probe_->Has("error"));
}

// A missing clip and a refused connection end in the error event alone: no
// stop report that would make the engine reconnect an address it gave up.
TEST_P(MpvComponentsTest, UnreachableAddressesReportErrors) {
  const std::string addresses[] = {server_.Url("/missing.mp3"),
                                   "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/live"};
  for (const std::string& address : addresses) {
    probe_->ClearLog();
    probe_->Start(address);
    ASSERT_TRUE(WaitFor("error")) << address << ": " << probe_->LogText();
    dispatcher_.RunFor(200ms);
    EXPECT_FALSE(probe_->Has(GetParam().stopped)) << address << ": " << probe_->LogText();
    EXPECT_FALSE(probe_->Has(GetParam().playing)) << address << ": " << probe_->LogText();
  }
}

// A live stream whose server stalls is reported stopped (so the engine
// reconnects), not as a clip that ended.
TEST_P(MpvComponentsTest, StalledStreamReportsStopped) {
  server_.ServeHandler("/stall", [](TestHttpConnection& c) { StreamMp3(c, "", 3 * kMetaInt); });
  probe_ = GetParam().make(dispatcher_, TestOptions("1"));
  ASSERT_NE(probe_, nullptr);
  probe_->Start(server_.Url("/stall"));
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  ASSERT_TRUE(WaitForAny({GetParam().stopped, GetParam().not_on_drop, "error"}, 30s)) << probe_->LogText();
  dispatcher_.RunFor(200ms);
  EXPECT_TRUE(probe_->Has(GetParam().stopped)) << probe_->LogText();
  EXPECT_FALSE(probe_->Has(GetParam().not_on_drop)) << probe_->LogText();
  EXPECT_FALSE(probe_->Has("error")) << probe_->LogText();
}

// A live stream that fails after it has played (here its sound output goes
// away, which the media engine reports as an error) was lost as well: it
// is reported stopped, as a stall is, rather than ended or failed.
TEST_P(MpvComponentsTest, LiveStreamFailingAfterPlayingReportsStopped) {
  OwnSoundServer sound_server(temp_ / "pulse-runtime");
  if (!sound_server.Start()) GTEST_SKIP() << "no PulseAudio server could be started";
  MpvOptions options = TestOptions();
  options.audio_output = "pulse";
  options.extra_options.emplace_back("pulse-host", sound_server.Address());
  probe_ = GetParam().make(dispatcher_, options);
  ASSERT_NE(probe_, nullptr);
  server_.ServeHandler("/live", [](TestHttpConnection& c) { StreamMp3(c, ""); });
  probe_->Start(server_.Url("/live"));
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  ASSERT_TRUE(probe_->Session().IsLive());
  ASSERT_TRUE(sound_server.Stop());
  ASSERT_TRUE(WaitForAny({GetParam().stopped, GetParam().not_on_drop, "error"}, 30s)) << probe_->LogText();
  dispatcher_.RunFor(200ms);
  EXPECT_TRUE(probe_->Has(GetParam().stopped)) << probe_->LogText();
  EXPECT_FALSE(probe_->Has(GetParam().not_on_drop)) << probe_->LogText();
  EXPECT_FALSE(probe_->Has("error")) << probe_->LogText();
  EXPECT_EQ(probe_->LastError(), PlayerError::kNoSoundOutput);
}

// A start that fails says why, by the time its error event is handled;
// the next start clears the reason.
TEST_P(MpvComponentsTest, FailureSaysWhy) {
  server_.Serve("/text.mp3", {200, "audio/mpeg", "hello, this is text and no audio at all\n", {}});
  server_.Serve("/broken.mp3", {500, "text/plain", "oops", {}});
  server_.Serve("/page", {200, "text/html", "<html><body>No streams here</body></html>", {}});
  server_.Serve("/tone.mp3", {200, "audio/mpeg", ShortTone(), {}});
  const struct {
    std::string address;
    PlayerError error;
  } cases[] = {
      {"http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/live", PlayerError::kRefused},
      {server_.Url("/missing.mp3"), PlayerError::kNotFound},
      {server_.Url("/broken.mp3"), PlayerError::kNotFound},
      {server_.Url("/text.mp3"), PlayerError::kUnknownFormat},
      {server_.Url("/page"), PlayerError::kUnknownFormat},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    probe_->ClearLog();
    probe_->Start(c.address);
    EXPECT_EQ(probe_->LastError(), PlayerError::kNone);
    ASSERT_TRUE(WaitFor("error")) << probe_->LogText();
    EXPECT_EQ(probe_->ErrorAtEvent(), c.error);
    EXPECT_EQ(probe_->LastError(), c.error);
  }
  probe_->Start(server_.Url("/tone.mp3"));
  EXPECT_EQ(probe_->LastError(), PlayerError::kNone);
  ASSERT_TRUE(WaitForEnd()) << probe_->LogText();
  EXPECT_EQ(probe_->LastError(), PlayerError::kNone);
}

// A sound output that cannot be opened (no sound server at the address
// given) is told apart from a bad clip.
TEST_P(MpvComponentsTest, FailureWithoutSoundOutputSaysSo) {
  MpvOptions options = TestOptions();
  options.audio_output = "pulse";
  options.extra_options.emplace_back("pulse-host", "unix:" + (temp_ / "no-server").string());
  probe_ = GetParam().make(dispatcher_, options);
  ASSERT_NE(probe_, nullptr);
  const auto file = temp_ / "tone.mp3";
  WriteFile(file, ShortTone());
  probe_->Start(file.string());
  ASSERT_TRUE(WaitFor("error")) << probe_->LogText();
  EXPECT_EQ(probe_->ErrorAtEvent(), PlayerError::kNoSoundOutput);
}

// A stream that has played, runs dry and then receives nothing is taken as
// lost well before the media engine's own (here one-minute) network
// time-out: the control reports it stopped, timed out, so the engine
// reconnects.
TEST_P(MpvComponentsTest, StreamRunDryIsDroppedAsTimedOut) {
  server_.ServeHandler("/stall", [](TestHttpConnection& c) { StreamMp3(c, "", 6 * kMetaInt); });
  probe_ = GetParam().make(dispatcher_, TestOptions("60"));
  ASSERT_NE(probe_, nullptr);
  probe_->Start(server_.Url("/stall"));
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  probe_->ClearLog();
  ASSERT_TRUE(WaitForAny({GetParam().stopped, GetParam().not_on_drop, "error"}, 40s)) << probe_->LogText();
  dispatcher_.RunFor(200ms);
  EXPECT_TRUE(probe_->Has(GetParam().stopped)) << probe_->LogText();
  EXPECT_FALSE(probe_->Has(GetParam().not_on_drop)) << probe_->LogText();
  EXPECT_FALSE(probe_->Has("error")) << probe_->LogText();
  EXPECT_EQ(probe_->LastError(), PlayerError::kTimedOut);
  EXPECT_EQ(server_.RequestCount("/stall"), 1);
}

// A document of the control's family whose first entry fails plays its
// second, and the engine sees one clip: no error or stop on the way.
TEST_P(MpvComponentsTest, DocumentFallsThroughToWorkingEntry) {
  server_.Serve("/tone.mp3", {200, "audio/mpeg", ShortTone(), {}});
  const std::string doc_path = std::string("/list") + GetParam().doc_extension;
  server_.Serve(doc_path, {200, "text/plain", GetParam().make_doc({"/missing.mp3", "tone.mp3"}), {}});
  probe_->Start(server_.Url(doc_path));
  ASSERT_TRUE(WaitForEnd()) << probe_->LogText();
  ASSERT_TRUE(WaitFor(GetParam().ended.back())) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), {GetParam().playing, GetParam().ended.back()})) << probe_->LogText();
  EXPECT_FALSE(probe_->Has("error")) << probe_->LogText();
  EXPECT_EQ(server_.RequestCount("/missing.mp3"), 1);
  EXPECT_GE(server_.RequestCount("/tone.mp3"), 1);
}

// A document whose entries all fail ends in one error, after every entry
// was tried.
TEST_P(MpvComponentsTest, DocumentWithOnlyFailingEntriesErrs) {
  const std::string doc_path = std::string("/bad") + GetParam().doc_extension;
  server_.Serve(doc_path, {200, "text/plain", GetParam().make_doc({"/gone1.mp3", "/gone2.mp3"}), {}});
  probe_->Start(server_.Url(doc_path));
  ASSERT_TRUE(WaitFor("error")) << probe_->LogText();
  dispatcher_.RunFor(200ms);
  EXPECT_EQ(std::count(probe_->Log().begin(), probe_->Log().end(), "error"), 1) << probe_->LogText();
  EXPECT_EQ(server_.RequestCount("/gone1.mp3"), 1);
  EXPECT_EQ(server_.RequestCount("/gone2.mp3"), 1);
}

// A local document names its entries relative to its own folder.
TEST_P(MpvComponentsTest, LocalDocumentResolvesRelativeEntries) {
  WriteFile(temp_ / "music" / "tone.mp3", ShortTone());
  const auto doc = temp_ / "lists" / (std::string("local") + GetParam().doc_extension);
  WriteFile(doc, GetParam().make_doc({"../music/tone.mp3"}));
  probe_->Start(doc.string());
  ASSERT_TRUE(WaitForEnd()) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), {GetParam().playing, GetParam().ended.back()})) << probe_->LogText();
}

// A document's entries are text of its own (UTF-8, and so are numeric
// character references); a file it names by a non-ASCII name plays.
TEST_P(MpvComponentsTest, LocalDocumentNamesNonAsciiFiles) {
  WriteFile(temp_ / "\xE6\xAD\x8C" / "\xE6\x9B\xB2.mp3", ShortTone());
  const auto doc = temp_ / (std::string("list") + GetParam().doc_extension);
  WriteFile(doc, GetParam().make_doc({"\xE6\xAD\x8C/\xE6\x9B\xB2.mp3"}));
  probe_->Start(doc.string());
  ASSERT_TRUE(WaitForEnd()) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), {GetParam().playing, GetParam().ended.back()})) << probe_->LogText();
}

// A document behind a web address without a telling extension is
// recognised by its content once the media engine cannot read it.
TEST_P(MpvComponentsTest, DocumentRecognisedByContent) {
  server_.Serve("/tone.mp3", {200, "audio/mpeg", ShortTone(), {}});
  server_.Serve("/listen", {200, "text/xml", GetParam().make_sniffed_doc({"tone.mp3"}), {}});
  probe_->Start(server_.Url("/listen"));
  ASSERT_TRUE(WaitForEnd()) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), {GetParam().playing, GetParam().ended.back()})) << probe_->LogText();
}

// A PLS playlist is expanded by the media engine; its failing first entry
// is skipped without an error.
TEST_P(MpvComponentsTest, PlsPlaylistFallsThrough) {
  server_.Serve("/tone.mp3", {200, "audio/mpeg", ShortTone(), {}});
  server_.Serve("/list.pls", {200,
                              "audio/x-scpls",
                              "[playlist]\nNumberOfEntries=2\nFile1=" + server_.Url("/missing.mp3") +
                                  "\nFile2=" + server_.Url("/tone.mp3") + "\nVersion=2\n",
                              {}});
  probe_->Start(server_.Url("/list.pls"));
  ASSERT_TRUE(WaitForEnd()) << probe_->LogText();
  EXPECT_TRUE(InOrder(probe_->Log(), {GetParam().playing, GetParam().ended.back()})) << probe_->LogText();
  EXPECT_FALSE(probe_->Has("error")) << probe_->LogText();
}

// How many entries of a list of dead links a clip asked the server for.
int DeadRequests(const TestHttpServer& server) {
  const std::vector<std::string> targets = server.RequestTargets();
  return static_cast<int>(
      std::count_if(targets.begin(), targets.end(), [](const std::string& t) { return t.starts_with("/dead/"); }));
}

Tokens DeadLinks(const TestHttpServer& server, int count) {
  Tokens links;
  for (int i = 0; i < count; ++i) links.push_back(server.Url("/dead/" + std::to_string(i)));
  return links;
}

std::string PlsDoc(const Tokens& entries) {
  std::string doc = "[playlist]\nNumberOfEntries=" + std::to_string(entries.size()) + "\n";
  for (std::size_t i = 0; i < entries.size(); ++i) doc += "File" + std::to_string(i + 1) + "=" + entries[i] + "\n";
  return doc + "Version=2\n";
}

// A list of thousands of dead links, expanded by the media engine (PLS) or
// by the control (its family's document), costs a bounded number of tries
// and ends in one error; nothing is tried after that.
TEST_P(MpvComponentsTest, HugeListOfDeadLinksIsBounded) {
  const Tokens links = DeadLinks(server_, 5000);
  const std::string family_path = std::string("/huge") + GetParam().doc_extension;
  server_.Serve("/huge.pls", {200, "audio/x-scpls", PlsDoc(links), {}});
  server_.Serve(family_path, {200, "text/plain", GetParam().make_doc(links), {}});
  for (const std::string& path : {std::string("/huge.pls"), family_path}) {
    SCOPED_TRACE(path);
    const int before = DeadRequests(server_);
    probe_->ClearLog();
    probe_->Start(server_.Url(path));
    ASSERT_TRUE(WaitFor("error", 60s)) << probe_->LogText();
    const int tried = DeadRequests(server_) - before;
    // The media engine goes on through a list it expanded by itself until
    // the control's takeover reaches it: a few entries, more on a slow
    // machine, never the list.
    EXPECT_LE(tried, 2 * MpvSession::kMaxEntriesTried);
    EXPECT_GE(tried, MpvSession::kMaxEntriesTried / 2);
    dispatcher_.RunFor(300ms);
    EXPECT_EQ(DeadRequests(server_) - before, tried);
    EXPECT_EQ(std::count(probe_->Log().begin(), probe_->Log().end(), "error"), 1) << probe_->LogText();
  }
}

// Stop in the middle of a long list of dead links ends it at once: the
// control reports stopped, and no further entry is asked for.
TEST_P(MpvComponentsTest, StopEndsLongListAtOnce) {
  server_.Serve("/long.pls", {200, "audio/x-scpls", PlsDoc(DeadLinks(server_, 3000)), {}});
  probe_->Start(server_.Url("/long.pls"));
  ASSERT_TRUE(dispatcher_.RunUntil([&] { return DeadRequests(server_) >= 6; }, 30s)) << probe_->LogText();
  probe_->ClearLog();
  probe_->Stop();
  const int at_stop = DeadRequests(server_);
  dispatcher_.RunFor(500ms);
  // One request may already have been on its way.
  EXPECT_LE(DeadRequests(server_), at_stop + 1);
  EXPECT_FALSE(probe_->Has("error")) << probe_->LogText();
  EXPECT_FALSE(probe_->Session().HasClip());
}

// The position advances while playing; pause holds the engine and reports
// paused; resuming reports playing again and lets the clip go on.
TEST_P(MpvComponentsTest, PauseAndResume) {
  const auto file = temp_ / "long.mp3";
  WriteFile(file, LongTone());
  probe_->Start(file.string());
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return probe_->Position() > 0.3; }, 10s)) << probe_->Position();
  probe_->Pause();
  ASSERT_TRUE(WaitFor(GetParam().paused)) << probe_->LogText();
  EXPECT_EQ(probe_->Session().Core().GetFlag("pause"), true);
  probe_->ClearLog();
  probe_->Resume();
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  EXPECT_EQ(probe_->Session().Core().GetFlag("pause"), false);
  const double resumed_at = probe_->Position();
  EXPECT_TRUE(dispatcher_.RunUntil([&] { return probe_->Position() > resumed_at + 0.2; }, 10s));
}

// Starting the same address again after a lost stream reconnects it.
TEST_P(MpvComponentsTest, RestartAfterStop) {
  server_.ServeHandler("/live", [](TestHttpConnection& c) { StreamMp3(c, "Song B"); });
  const std::string address = server_.Url("/live");
  probe_->Start(address);
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  probe_->Stop();
  ASSERT_TRUE(WaitFor(GetParam().stopped)) << probe_->LogText();
  probe_->ClearLog();
  probe_->Start(address);
  ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
  EXPECT_EQ(server_.RequestCount("/live"), 2);
}

// A control destroyed while the media engine still has events for it (a
// drain posted, events queued) leaves nothing behind that runs: right
// after a start, and while playing.
TEST_P(MpvComponentsTest, DestroyedWithEventsPending) {
  server_.ServeHandler("/live", [](TestHttpConnection& c) { StreamMp3(c, "Song C"); });
  for (const bool wait_for_playing : {false, true}) {
    probe_ = GetParam().make(dispatcher_, TestOptions());
    ASSERT_NE(probe_, nullptr);
    probe_->Start(server_.Url("/live"));
    if (wait_for_playing) {
      ASSERT_TRUE(WaitFor(GetParam().playing)) << probe_->LogText();
      probe_->Pause();
    }
    probe_.reset();
    dispatcher_.RunFor(300ms);
  }
}

INSTANTIATE_TEST_SUITE_P(Controls, MpvComponentsTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ControlCase>& param) { return param.param.name; });

}  // namespace
}  // namespace tazmel::test
