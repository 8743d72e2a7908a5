// The engine plays the music list on the real components: each file to its
// end, then the next row through the end-of-clip step, wrapping around.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "core/program_paths.h"
#include "music/music_list.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/engine_display_model.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "playback/playlist_navigator.h"
#include "support/loop_dispatcher.h"
#include "support/test_audio.h"
#include "temp_dir.h"

namespace tazmel {
namespace {

using namespace std::chrono_literals;

// The music list as the playlist window answers Next and Previous.
class ListNavigator : public PlaylistNavigator {
 public:
  explicit ListNavigator(MusicList& list) : list_(list) {}
  int NextEntry(int) override {
    list_.StepPlaying(true);
    return -1;
  }
  int PreviousEntry(int) override {
    list_.StepPlaying(false);
    return -1;
  }
  std::string CurrentMusicEntry() override { return list_.PlayingPath(); }

 private:
  MusicList& list_;
};

class TitleView : public EngineView {
 public:
  void Show(const EngineViewState& state) override {
    if (state.title != last_ && !state.title.empty()) titles.push_back(state.title);
    last_ = state.title;
  }
  std::vector<std::string> titles;

 private:
  std::string last_;
};

TEST(MusicListOnMpvTest, FilesAdvanceAtTheirEndAndWrapAround) {
  test::TempDir home;
  ProgramPaths paths(home.path());
  std::filesystem::create_directories(paths.DataFolder());
  const auto folder = home / "music";
  std::filesystem::create_directories(folder / "b-sub");
  for (const auto& name : {"a one.mp3", "b-sub/b two.mp3", "c three.mp3"}) {
    std::ofstream(folder / name, std::ios::binary) << test::MakeToneMp3(0.8);
  }
  MusicList list(IsPlayableFileName);
  ASSERT_EQ(list.AddPaths({folder.string()}, -1), 3);

  test::LoopDispatcher dispatcher;
  Registry registry(home / "registry.ini");
  RegisterPlayerControls(registry);
  MpvOptions options;
  options.hidden = true;
  options.audio_output = "null";
  MpvPlayerFactory factory(dispatcher, registry, options);
  TitleView view;
  ListNavigator navigator(list);
  PlaybackEngine engine(EngineServices{.dispatcher = dispatcher,
                                       .factory = factory,
                                       .view = view,
                                       .paths = paths,
                                       .navigator = &navigator,
                                       .wmp9_installed = [&registry] { return IsWmp9Installed(registry); }});
  engine.SetOptions({.reconnect = false, .retry_num = 0, .retry_delay = 1, .enable_sound = false});
  list.SetPlayingItem(0);
  engine.PlayMusicList();
  EXPECT_TRUE(engine.Source().IsMusicList());
  auto saw = [&view](std::string_view prefix) {
    for (const std::string& title : view.titles) {
      if (title.starts_with(prefix)) return true;
    }
    return false;
  };
  ASSERT_TRUE(dispatcher.RunUntil([&] { return saw("c three"); }, 20s)) << view.titles.size();
  // After the last row the first plays again.
  ASSERT_TRUE(dispatcher.RunUntil([&] { return list.playing_item() == 0 && view.titles.size() >= 4; }, 10s));
  ASSERT_GE(view.titles.size(), 3u);
  EXPECT_TRUE(view.titles[0].starts_with("a one"));
  EXPECT_TRUE(view.titles[1].starts_with("b two"));
  EXPECT_TRUE(view.titles[2].starts_with("c three"));
  engine.Stop();
  dispatcher.RunFor(50ms);
}

}  // namespace
}  // namespace tazmel
