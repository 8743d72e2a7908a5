#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "mpv/test_media.h"
#include "playback/mpv/mpv_core.h"
#include "playback/mpv/mpv_library.h"
#include "support/loop_dispatcher.h"
#include "temp_dir.h"

namespace tazmel::test {
namespace {

// Destroys the core on the first event it is told of, and counts what it is
// told afterwards.
class DestroyingListener : public MpvCoreListener {
 public:
  std::unique_ptr<MpvCore> core;
  bool destroyed = false;
  int calls_after = 0;

  void OnMpvStartFile(std::int64_t) override { Hear(); }
  void OnMpvFileLoaded() override { Hear(); }
  void OnMpvPlaybackRestart() override { Hear(); }
  void OnMpvEndFile(const MpvEndFile&) override { Hear(); }
  void OnMpvAudioReconfig() override { Hear(); }
  void OnMpvPropertyChange(MpvProperty) override { Hear(); }

 private:
  void Hear() {
    if (destroyed) {
      ++calls_after;
      return;
    }
    destroyed = true;
    core.reset();
  }
};

// A listener may destroy the core from inside an event: the drain that
// told it stops there, though more events were waiting in the same drain.
TEST(MpvCoreTest, ListenerMayDestroyTheCoreInsideAnEvent) {
  LoopDispatcher dispatcher;
  TempDir temp;
  const auto file = temp / "tone.mp3";
  WriteFile(file, ShortTone());
  DestroyingListener listener;
  listener.core = MpvCore::Create(dispatcher, TestOptions(), &listener);
  ASSERT_NE(listener.core, nullptr);
  ASSERT_TRUE(listener.core->LoadFile(file.string()).has_value());
  // Let the clip's events pile up so that one drain finds several.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ASSERT_TRUE(dispatcher.RunUntil([&] { return listener.destroyed; }, std::chrono::seconds(10)));
  dispatcher.RunFor(std::chrono::milliseconds(200));
  EXPECT_EQ(listener.calls_after, 0);
}

// libmpv is taken only when a name opens to a library with every client
// function of the headers' major version: a missing file or a library
// without them gives none (the players then cannot be created), and the
// installed one qualifies.
TEST(MpvLibraryTest, OpensOnlyACompleteClientLibrary) {
  EXPECT_FALSE(OpenMpvLibrary({"libtazmel-no-such-library.so.1"}).has_value());
  EXPECT_FALSE(OpenMpvLibrary({"libc.so.6"}).has_value());
  const MpvLibrary* installed = LoadMpvLibrary();
  ASSERT_NE(installed, nullptr);
  EXPECT_EQ(installed->client_api_version() >> 16, MPV_CLIENT_API_VERSION >> 16);
  EXPECT_EQ(MpvCore::ErrorText(MPV_ERROR_UNKNOWN_FORMAT), "unrecognized file format");
  // The first qualifying name wins; the ones before it are passed over.
  EXPECT_TRUE(OpenMpvLibrary({"libc.so.6", "libmpv.so.2"}).has_value());
}

}  // namespace
}  // namespace tazmel::test
