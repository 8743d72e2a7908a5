#pragma once

// What the engine talks to, recorded for its tests: the view, the sound
// output, the playlist, the listening reports, a program folder with small
// station tables, and the resolver's download answered from a page map.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/program_paths.h"
#include "playback/engine.h"
#include "playback/scripted_players.h"
#include "stations/radio_table.h"
#include "stations/text_table.h"
#include "support/manual_dispatcher.h"
#include "temp_dir.h"

namespace tazmel::test {

// Keeps every snapshot; the fields below follow the latest, `states` and
// `cursor` list each change.
class RecordingView : public EngineView {
 public:
  void Show(const EngineViewState& state) override {
    if (states.empty() || state.state != shown.state) states.push_back(state.state);
    if (cursor.empty() || state.wait_cursor != cursor.back()) cursor.push_back(state.wait_cursor);
    shown = state;
    speed = state.speed;
    elapsed = state.elapsed;
    progress = state.progress;
    transport = state.transport;
    tray_on = state.tray_animation;
    tray_interval = state.tray_interval;
    title = state.title;
    hint = state.hint;
    reason = state.reason;
    video = state.video;
    ++shows;
  }

  std::string State() const { return states.empty() ? std::string() : states.back(); }
  int CountState(std::string_view text) const {
    return static_cast<int>(std::count(states.begin(), states.end(), text));
  }

  EngineViewState shown;
  int shows = 0;
  std::vector<std::string> states;
  std::string speed;
  std::string elapsed;
  double progress = -1;
  TransportState transport = TransportState::kStopped;
  bool tray_on = false;
  int tray_interval = 0;
  std::string title;
  std::string hint;
  std::string reason;
  bool video = false;
  std::vector<bool> cursor;
};

// The resolver's downloads answered from a page map. A reply arrives later
// through the dispatcher, as a real one would; while `hold` is set replies
// wait until the test releases them.
class ScriptedPages : public PageFetcher {
 public:
  explicit ScriptedPages(Dispatcher& dispatcher) : dispatcher_(dispatcher) {}

  void Fetch(const std::string& url, std::function<void(PageReply)> done) override {
    fetched.push_back(url);
    PageReply reply;
    if (auto it = pages.find(url); it != pages.end()) {
      reply.status = PageReply::Status::kOk;
      reply.body = it->second;
    }
    if (hold) {
      held.push_back([done = std::move(done), reply = std::move(reply)] { done(reply); });
    } else {
      dispatcher_.Post([done = std::move(done), reply = std::move(reply)] { done(reply); });
    }
  }
  void CancelAll() override { ++cancels; }

  // Delivers the held reply `index` (in the order asked), or all of them.
  void Release(std::size_t index) { std::exchange(held.at(index), nullptr)(); }
  void ReleaseAll() {
    for (std::size_t i = 0; i < held.size(); ++i) {
      if (held[i]) Release(i);
    }
  }

  std::map<std::string, std::string> pages;
  std::vector<std::string> fetched;
  bool hold = false;
  std::vector<std::function<void()>> held;
  int cancels = 0;

 private:
  Dispatcher& dispatcher_;
};

// Logs "once <file>", "loop <file>" and "stop", files relative to `root`.
class RecordingSound : public SoundOutput {
 public:
  void PlayOnce(const std::filesystem::path& file) override {
    log.push_back("once " + Relative(file));
    playing = false;
  }
  void PlayLooped(const std::filesystem::path& file) override {
    log.push_back("loop " + Relative(file));
    playing = true;
  }
  void StopSound() override {
    log.push_back("stop");
    playing = false;
  }
  bool SoundPlaying() const override { return playing; }

  // Only the sounds started.
  std::vector<std::string> Played() const {
    std::vector<std::string> played;
    for (const std::string& entry : log) {
      if (entry != "stop") played.push_back(entry);
    }
    return played;
  }

  std::filesystem::path root;
  std::vector<std::string> log;
  bool playing = false;

 private:
  std::string Relative(const std::filesystem::path& file) const {
    return file.lexically_relative(root).generic_string();
  }
};

// Stations come from `next_station`; the music list moves through `music`.
class ScriptedNavigator : public PlaylistNavigator {
 public:
  int NextEntry(int source) override {
    calls.push_back("next " + std::to_string(source));
    if (source != -1 && !music_mode) return next_station;
    ++current;
    return -1;
  }
  int PreviousEntry(int source) override {
    calls.push_back("previous " + std::to_string(source));
    return music_mode ? -1 : next_station;
  }
  std::string CurrentMusicEntry() override { return current < music.size() ? music[current] : std::string(); }

  std::vector<std::string> music;
  std::size_t current = 0;
  bool music_mode = false;
  int next_station = 0;
  std::vector<std::string> calls;
};

// Reports in order, "wake" where the service was woken.
class RecordingReports : public ListeningReports {
 public:
  void SetPendingReport(std::string text) override { sent.push_back(std::move(text)); }
  void WakeUp() override { sent.push_back("wake"); }
  std::vector<std::string> sent;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() {
    paths_.SetLanguageCode("eng");
    std::filesystem::create_directories(dir_ / "data" / "eng");
    // Waiting exists only in the fallback folder, error in both.
    WriteFile(dir_ / "sound" / "chs" / "waiting.wav", "RIFF");
    WriteFile(dir_ / "sound" / "chs" / "error.wav", "RIFF");
    WriteFile(dir_ / "sound" / "eng" / "error.wav", "RIFF");
    sound_.root = dir_.path();
    options_.enable_sound = true;
  }

  PlaybackEngine& engine() {
    if (!engine_) {
      engine_ = std::make_unique<PlaybackEngine>(EngineServices{
          .dispatcher = clock_,
          .factory = factory_,
          .view = view_,
          .paths = paths_,
          .sound = &sound_,
          .navigator = &navigator_,
          .reports = &reports_,
          .pages = &pages_,
          .wmp9_installed = [this] { return wmp9_installed_; },
          .user_default_language_id = 0x0409,
      });
      engine_->SetOptions(options_);
    }
    return *engine_;
  }

  // A fresh engine with fresh controls and records; tables and clock stay.
  void Restart() {
    engine_.reset();
    factory_ = ScriptedFactory();
    view_ = RecordingView();
    sound_.log.clear();
    navigator_ = ScriptedNavigator();
    reports_.sent.clear();
    pages_.fetched.clear();
    pages_.held.clear();
    pages_.hold = false;
  }

  static std::string Line(int id, std::string_view name, std::string_view format, std::string_view urls,
                          std::string_view language = "", std::string_view country = "") {
    StationRecord r;
    r.VID = std::to_string(id);
    r.VRadioName = name;
    r.VFormat = format;
    r.VStreamURL = urls;
    r.VLanguage = language;
    r.VCountry = country;
    return FormatStationLine(r);
  }
  void WriteUserTable(const std::vector<std::string>& lines) {
    ASSERT_TRUE(WriteTextTable(dir_ / "data" / "eng" / "datauser.dat", lines));
  }
  void WriteSystemTable(const std::vector<std::string>& lines) {
    std::vector<std::string> scrambled;
    for (const std::string& line : lines) scrambled.push_back(ScrambleLine(line));
    ASSERT_TRUE(WriteTextTable(dir_ / "data" / "eng" / "data.dat", scrambled));
  }
  StationRecord Stored(int id) {
    TRadioTable table;
    EXPECT_TRUE(table.OpenFor(id, paths_));
    EXPECT_TRUE(table.LoadByID(id));
    return table.Fields();
  }

  ScriptedWmp9& Wmp9() {
    if (!factory_.wmp9) throw std::runtime_error("no WMP 9 control was created");
    return *factory_.wmp9;
  }

  TempDir dir_;
  ProgramPaths paths_{dir_.path()};
  ManualDispatcher clock_;
  ScriptedFactory factory_;
  RecordingView view_;
  RecordingSound sound_;
  ScriptedNavigator navigator_;
  RecordingReports reports_;
  EngineOptions options_;
  bool wmp9_installed_ = true;
  ScriptedPages pages_{clock_};
  std::unique_ptr<PlaybackEngine> engine_;
};

}  // namespace tazmel::test
