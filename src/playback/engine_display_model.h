#pragma once

#include <string>

#include "playback/engine_view.h"

namespace tazmel {

// The states the state label shows, by what they mean; the text comes from
// the current messages whenever the snapshot is rendered.
enum class StateSlot {
  kNone,
  kWaiting,
  kLocating,
  kConnecting,
  kOpening,
  kPlaying,
  kStopped,
  kPaused,
  kBuffering,  // with a percentage
};

// Why a start failed, as the user reads it.
enum class StartFailure {
  kNone,
  kRefused,
  kNotFound,
  kUnknownFormat,
  kNoSoundOutput,
  kTimedOut,
  kPlayerFailed,  // the player gave no reason
  kPageUnreachable,
  kNoStreams,
  kBinaryFile,
  kNoPlayer,
};

// Message slots the engine's texts come from.
inline constexpr int kWaitingSlot = 30;
inline constexpr int kLocatingSlot = 31;
inline constexpr int kConnectingSlot = 32;
inline constexpr int kOpeningSlot = 33;
inline constexpr int kPlayingSlot = 34;
inline constexpr int kStoppedSlot = 35;
inline constexpr int kPausedSlot = 36;
inline constexpr int kClipTitleSlot = 37;  // "Title:" of a local clip's hint
inline constexpr int kClipAuthorSlot = 38;
inline constexpr int kClipCopyrightSlot = 39;
inline constexpr int kClipLengthSlot = 40;
inline constexpr int kClipFileSlot = 41;
inline constexpr int kBufferingSlot = 42;
inline constexpr int kRefusedSlot = 140;
inline constexpr int kNotFoundSlot = 141;
inline constexpr int kUnknownFormatSlot = 142;
inline constexpr int kNoSoundOutputSlot = 143;
inline constexpr int kTimedOutSlot = 144;
inline constexpr int kPlayerFailedSlot = 145;
inline constexpr int kPageUnreachableSlot = 146;
inline constexpr int kNoStreamsSlot = 147;
inline constexpr int kBinaryFileSlot = 148;
inline constexpr int kNoPlayerSlot = 149;
inline constexpr int kNextTrySlot = 150;  // "%s" is the number of seconds

// The engine's display: collects what one event changes and pushes it to
// the view as one snapshot when the event's handling ends.
class EngineDisplayModel {
 public:
  explicit EngineDisplayModel(EngineView& view) : view_(view) {}
  EngineDisplayModel(const EngineDisplayModel&) = delete;
  EngineDisplayModel& operator=(const EngineDisplayModel&) = delete;

  // Every entry into the engine holds one; the outermost pushes.
  class Batch {
   public:
    explicit Batch(EngineDisplayModel& model) : model_(model) { ++model_.depth_; }
    ~Batch() {
      if (--model_.depth_ == 0) model_.Push();
    }
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

   private:
    EngineDisplayModel& model_;
  };

  void SetState(StateSlot slot, int percent = 0);
  void SetSpeed(std::string text);
  void SetElapsed(std::string text);
  void SetProgress(double fraction);
  void SetTransport(TransportState state);
  void SetTray(bool on, int interval_ms);
  void SetTrayOn(bool on);
  void SetTitle(std::string title, std::string hint);
  void SetNowPlaying(std::string title);
  void SetVideo(bool shown);
  void SetWaitCursor(bool wait);
  // Why the last start failed; kNone clears it.
  void SetFailure(StartFailure failure);
  // Seconds until the next try; 0 while none is due.
  void SetNextTry(int seconds);

  // Renders the texts again from the current messages.
  void Retranslate();
  // Shows the snapshot again even when nothing changed: a window that has
  // just been rebuilt (a new skin) asks for what it must show.
  void ShowAgain();

  const EngineViewState& Shown() const { return shown_; }

 private:
  void Push();
  EngineViewState Render() const;

  EngineView& view_;
  EngineViewState draft_;  // the texts that carry no meaning of their own
  StateSlot slot_ = StateSlot::kNone;
  int percent_ = 0;
  StartFailure failure_ = StartFailure::kNone;
  int next_try_s_ = 0;
  std::string base_hint_;
  EngineViewState shown_;
  int depth_ = 0;
  bool show_again_ = false;
};

// The state label's text for a slot.
std::string StateText(StateSlot slot, int percent);
// The reason's text, with when the next try comes; "" for neither.
std::string FailureText(StartFailure failure, int next_try_s);

}  // namespace tazmel
