#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/clock.h"
#include "core/dispatcher.h"

namespace tazmel {

// Plays one sound file to its end, blocking; called on the announcement's
// own thread. Returns early once `stop` is set.
class SoundFilePlayer {
 public:
  virtual ~SoundFilePlayer() = default;
  virtual bool PlayToEnd(const std::filesystem::path& file, const std::atomic<bool>& stop) = 0;
};

// The player's mute, on the user-interface thread.
class PlayerMute {
 public:
  virtual ~PlayerMute() = default;
  virtual bool Muted() const = 0;
  virtual void SetMuted(bool muted) = 0;
};

// The talking clock: one announcement at a time, its words played one after
// the other on a thread of its own. With muting asked for, the player is
// muted while it speaks and gets its own mute state back afterwards.
class TalkingClock {
 public:
  TalkingClock(Dispatcher& dispatcher, SoundFilePlayer& player, PlayerMute& mute, std::filesystem::path sound_folder);
  ~TalkingClock();
  TalkingClock(const TalkingClock&) = delete;
  TalkingClock& operator=(const TalkingClock&) = delete;

  // Announces the hour and minute of `now` in the language's words (the
  // time is read once, by the caller); false, doing nothing, while an
  // announcement runs.
  bool Announce(const LocalTime& now, std::string_view language_code, bool mute_player);
  bool Speaking() const { return speaking_; }

  // After an announcement ended and the mute was given back.
  std::function<void()> on_finished;

 private:
  void Finished();

  Dispatcher& dispatcher_;
  SoundFilePlayer& player_;
  PlayerMute& mute_;
  std::filesystem::path sound_folder_;
  bool speaking_ = false;
  bool restore_mute_ = false;
  bool was_muted_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tazmel
