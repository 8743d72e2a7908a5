// The control driver's half that listens: each control's events in its own
// vocabulary, turned into typed ControlEvents.

#include <utility>

#include "core/text_utils.h"
#include "playback/control_driver.h"

namespace tazmel {
namespace {

using Type = ControlEvent::Type;

std::string Trimmed(const std::string& text) { return std::string(TrimBlanks(text)); }

ControlEvent Event(Type type, PlayerId player, bool by_us = false) {
  ControlEvent event;
  event.type = type;
  event.player = player;
  event.by_us = by_us;
  return event;
}

}  // namespace

void ControlDriver::Emit(ControlEvent event) {
  if (sink_) sink_(event);
}

// A control's handler that does nothing once the driver is going away.
template <typename Handler>
auto ControlDriver::Guarded(Handler handler) {
  return [this, handler = std::move(handler)](auto&&... args) {
    if (!closing_) handler(std::forward<decltype(args)>(args)...);
  };
}

// A clip opened on a Windows Media control: RealPlayer, should it still
// play, gives way.
void ControlDriver::OpenedNewStream(PlayerId player) {
  wm_opening_ = true;
  wm_switching_ = false;
  if (RealActive()) {
    real_switching_ = true;
    StopReal(true);
  }
  Emit(Event(Type::kClipOpened, player));
}

void ControlDriver::WireReal(RealPlayerControl& real) {
  constexpr PlayerId kId = PlayerId::kReal;
  real.OnClipOpened = Guarded([this](const std::string& short_name, const std::string& url) {
    real_switching_ = false;
    if (Wmp6Active() || Wmp9Active()) {
      wm_switching_ = true;
      StopWindowsMedia();
    }
    ControlEvent event = Event(Type::kClipOpened, kId);
    event.short_name = short_name;
    event.url = url;
    Emit(std::move(event));
  });
  real.OnShowStatus = Guarded([this](const std::string&) {
    switch (players_.real->GetPlayState()) {
      case RealPlayerControl::kStopped:
        Emit(Event(Type::kStopped, kId, real_switching_));
        break;
      case RealPlayerControl::kContacting:
        Emit(Event(Type::kConnecting, kId));
        break;
      case RealPlayerControl::kBuffering:
        Emit(Event(Type::kBusy, kId));
        break;
      case RealPlayerControl::kPaused:
        Emit(Event(Type::kPaused, kId));
        break;
      default:
        break;
    }
  });
  real.OnBuffering = Guarded([this](int, int percent) {
    ControlEvent event = Event(Type::kBufferingPercent, kId);
    event.value = percent;
    Emit(std::move(event));
  });
  real.OnPlayStateChange = Guarded([this](int new_state) {
    if (new_state != RealPlayerControl::kPlaying) return;
    ControlEvent event = Event(Type::kPlaying, kId);
    event.plays_now = true;
    Emit(std::move(event));
  });
  real.OnPositionChange = Guarded([this](std::int64_t pos_ms, std::int64_t len_ms) {
    ControlEvent event = Event(Type::kPosition, kId);
    event.position_ms = pos_ms;
    event.length_ms = len_ms;
    Emit(std::move(event));
  });
  real.OnTitleChange = Guarded([this](const std::string& text) { real_title_ = Trimmed(text); });
  real.OnAuthorChange = Guarded([this](const std::string& text) { real_author_ = Trimmed(text); });
  real.OnCopyrightChange = Guarded([this](const std::string& text) { real_copyright_ = Trimmed(text); });
  real.OnErrorMessage = Guarded([this](int, const std::string&) { Emit(Event(Type::kFailed, kId)); });
  real.OnClipClosed = Guarded([this] {
    // A finite clip that closed on its own has ended, even when the last
    // position event fell short of the length.
    ControlEvent event = Event(Type::kEnded, kId, real_switching_);
    event.finite = players_.real && players_.real->GetLength() > 0;
    Emit(std::move(event));
  });
}

void ControlDriver::WireWmp6(Wmp6Control& wmp6) {
  constexpr PlayerId kId = PlayerId::kWmp6;
  wmp6.OnOpenStateChange = Guarded([this](int, int new_state) {
    switch (new_state) {
      case Wmp6Control::kClosedOpen:
        wm_opening_ = false;
        Emit(Event(Type::kClosed, kId, wm_switching_));
        break;
      case Wmp6Control::kLocating:
        Emit(Event(Type::kLocating, kId));
        break;
      case Wmp6Control::kConnecting:
        Emit(Event(Type::kConnecting, kId));
        break;
      case Wmp6Control::kOpening:
        Emit(Event(Type::kOpening, kId));
        break;
      case Wmp6Control::kOpen:
        wm_opening_ = false;
        break;
      default:
        break;
    }
  });
  wmp6.OnPlayStateChange = Guarded([this](int, int new_state) {
    switch (new_state) {
      case Wmp6Control::kStopped:
        wm_opening_ = false;  // a stopped control opens nothing
        Emit(Event(Type::kStopped, kId, wm_switching_));
        break;
      case Wmp6Control::kPaused:
        Emit(Event(Type::kPaused, kId));
        break;
      case Wmp6Control::kPlaying:
        wm_opening_ = false;
        Emit(Event(Type::kPlaying, kId));  // streams play once buffering ends
        break;
      case Wmp6Control::kClosed:
        Emit(Event(Type::kClosed, kId, wm_switching_));
        break;
      default:
        break;
    }
  });
  wmp6.OnBuffering = Guarded([this](bool start) {
    if (!start) wm_opening_ = false;
    Emit(Event(start ? Type::kBufferingStarted : Type::kBufferingEnded, kId));
  });
  wmp6.OnNewStream = Guarded([this] { OpenedNewStream(kId); });
  wmp6.OnEndOfStream = Guarded([this](int) {
    // A live stream that ends has dropped and may come back.
    ControlEvent event = Event(Type::kEnded, kId, wm_switching_);
    event.finite = players_.wmp6->GetDuration() > 0 && !players_.wmp6->GetIsBroadcast();
    Emit(std::move(event));
  });
  wmp6.OnError = Guarded([this] {
    wm_opening_ = false;
    // Closing a clip with the placeholder is our own doing, not a failure.
    Emit(Event(Type::kFailed, kId, players_.wmp6->GetFileName() == Wmp6Control::kClosingPlaceholder));
  });
}

void ControlDriver::WireWmp9(Wmp9Control& wmp9) {
  constexpr PlayerId kId = PlayerId::kWmp9;
  wmp9.OnOpenStateChange = Guarded([this](int new_state) {
    switch (new_state) {
      case Wmp9Control::kLocating:
        Emit(Event(Type::kLocating, kId));
        break;
      case Wmp9Control::kConnecting:
        Emit(Event(Type::kConnecting, kId));
        break;
      case Wmp9Control::kOpening:
        Emit(Event(Type::kOpening, kId));
        break;
      case Wmp9Control::kMediaOpen:
        OpenedNewStream(kId);
        break;
      default:
        break;
    }
  });
  wmp9.OnPlayStateChange = Guarded([this](int new_state) {
    switch (new_state) {
      case Wmp9Control::kStopped:
        wm_opening_ = false;  // a stopped control opens nothing
        Emit(Event(Type::kStopped, kId, wm_switching_));
        break;
      case Wmp9Control::kPaused:
        Emit(Event(Type::kPaused, kId));
        break;
      case Wmp9Control::kPlaying: {
        wm_opening_ = false;
        // Streams start playing when their buffering ends; a clip from the
        // cache never buffers.
        ControlEvent event = Event(Type::kPlaying, kId);
        event.plays_now = players_.wmp9->GetSourceProtocol() == "Cache";
        Emit(std::move(event));
        break;
      }
      case Wmp9Control::kMediaEnded: {
        ControlEvent event = Event(Type::kEnded, kId, wm_switching_);
        event.finite = players_.wmp9->GetDuration() > 0;  // a live stream that ends has dropped
        Emit(std::move(event));
        Emit(Event(Type::kClosed, kId, wm_switching_));
        break;
      }
      default:
        break;
    }
  });
  wmp9.OnBuffering = Guarded([this](bool start) {
    if (start) {
      Emit(Event(Type::kBufferingStarted, kId));
    } else if (players_.wmp9->GetPlayState() != Wmp9Control::kStopped) {
      Emit(Event(Type::kBufferingEnded, kId));
    }
  });
  wmp9.OnMediaError = Guarded([this] {
    wm_opening_ = false;
    Emit(Event(Type::kFailed, kId));
  });
  wmp9.OnAudioLanguageChange = Guarded([this](int language_id) {
    ControlEvent event = Event(Type::kAudioLanguage, kId);
    event.value = language_id;
    Emit(std::move(event));
  });
}

}  // namespace tazmel
