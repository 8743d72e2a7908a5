#include "schedule/announcer.h"

#include "schedule/talking_clock.h"

namespace tazmel {

TalkingClock::TalkingClock(Dispatcher& dispatcher, SoundFilePlayer& player, PlayerMute& mute,
                           std::filesystem::path sound_folder)
    : dispatcher_(dispatcher), player_(player), mute_(mute), sound_folder_(std::move(sound_folder)) {}

TalkingClock::~TalkingClock() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (speaking_ && restore_mute_) mute_.SetMuted(was_muted_);
}

bool TalkingClock::Announce(const LocalTime& now, std::string_view language_code, bool mute_player) {
  if (speaking_) return false;
  if (thread_.joinable()) thread_.join();  // the last one's thread has ended
  const std::vector<std::filesystem::path> files = AnnouncementFiles(
      ComposeAnnouncement(now.hour, now.minute, WordingForLanguage(language_code)), sound_folder_, language_code);
  speaking_ = true;
  restore_mute_ = mute_player;
  if (mute_player) {
    was_muted_ = mute_.Muted();
    mute_.SetMuted(true);
  }
  stop_ = false;
  thread_ = std::thread([this, files, alive = std::weak_ptr<int>(alive_)] {
    for (const std::filesystem::path& file : files) {
      if (stop_) break;
      player_.PlayToEnd(file, stop_);
    }
    // The destructor joins this thread before the token goes, so posting
    // here is safe; the call checks that the clock is still there.
    dispatcher_.Post([this, alive] {
      if (alive.lock()) Finished();
    });
  });
  return true;
}

void TalkingClock::Finished() {
  if (!speaking_) return;
  if (thread_.joinable()) thread_.join();
  speaking_ = false;
  if (restore_mute_) mute_.SetMuted(was_muted_);
  if (on_finished) on_finished();
}

}  // namespace tazmel
