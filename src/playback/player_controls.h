#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tazmel {

// The three player components, each speaking the vocabulary of the control
// it stands for. Events are raised on the user-interface thread only, never
// from inside a call the engine made (they are posted and run later), so a
// handler may call back into the control. Reads of figures return the latest
// known value; a control that has nothing to report returns 0 or "".

// Why the last clip of a control failed to start or stopped playing, for
// the user to read; kNone while nothing failed since the last start.
enum class PlayerError {
  kNone,
  kRefused,        // nobody answers at that address
  kNotFound,       // the server answers, but has no such stream (404)
  kUnknownFormat,  // what arrived is no media the player knows
  kNoSoundOutput,  // the sound server or card could not be opened
  kTimedOut,       // the stream stopped sending
  kOther,
};

// RealPlayer-like control.
class RealPlayerControl {
 public:
  enum PlayState { kStopped = 0, kContacting = 1, kBuffering = 2, kPlaying = 3, kPaused = 4 };

  virtual ~RealPlayerControl() = default;

  virtual int GetPlayState() const = 0;
  virtual std::string GetSource() const = 0;
  // Setting a source starts playing it (the control auto-starts); an empty
  // source closes the clip.
  virtual void SetSource(std::string_view address) = 0;
  virtual void DoPlay() = 0;
  virtual void DoStop() = 0;
  virtual void DoPlayPause() = 0;
  virtual void SetVolume(int volume) = 0;  // 0..100
  virtual int GetVolume() const = 0;
  virtual void SetMute(bool mute) = 0;
  virtual bool GetMute() const = 0;
  virtual std::int64_t GetPosition() const = 0;  // ms
  virtual std::int64_t GetLength() const = 0;    // ms; 0 for a live stream
  virtual void SetPosition(std::int64_t ms) = 0;
  // First figure: the clip's own bit rate; second: the rate data arrives at.
  virtual int GetBandwidth1() const = 0;  // bit/s
  virtual int GetBandwidth2() const = 0;  // bit/s
  virtual int GetClipWidth() const = 0;
  virtual int GetClipHeight() const = 0;
  virtual std::string GetTitle() const = 0;
  virtual std::string GetAuthor() const = 0;
  virtual std::string GetCopyright() const = 0;
  // The song a live stream names now (its ICY title); "" when it names none.
  virtual std::string NowPlayingTitle() const { return {}; }
  virtual void SetVisible(bool visible) = 0;
  // Why the last clip failed; see PlayerError.
  virtual PlayerError LastError() const { return PlayerError::kNone; }

  std::function<void(int new_state)> OnPlayStateChange;
  std::function<void(const std::string& status)> OnShowStatus;
  std::function<void(int flags, int percent)> OnBuffering;
  std::function<void(std::int64_t pos_ms, std::int64_t len_ms)> OnPositionChange;
  std::function<void(int code, const std::string& message)> OnErrorMessage;
  std::function<void(const std::string& text)> OnTitleChange;
  std::function<void(const std::string& text)> OnAuthorChange;
  std::function<void(const std::string& text)> OnCopyrightChange;
  std::function<void(const std::string& short_name, const std::string& url)> OnClipOpened;
  std::function<void()> OnClipClosed;
};

// Windows Media Player 6.4-like control.
class Wmp6Control {
 public:
  enum PlayState {
    kStopped = 0,
    kPaused = 1,
    kPlaying = 2,
    kWaiting = 3,
    kScanForward = 4,
    kScanReverse = 5,
    kClosed = 6
  };
  enum OpenState {
    kClosedOpen = 0,
    kLoadingAsx = 1,
    kLoadingNsc = 2,
    kLocating = 3,
    kConnecting = 4,
    kOpening = 5,
    kOpen = 6
  };
  enum MediaInfo { kTitle = 8, kAuthor = 9, kCopyright = 10 };
  // Setting FileName to this closes the clip.
  static constexpr std::string_view kClosingPlaceholder = "file://\\";

  virtual ~Wmp6Control() = default;

  virtual int GetPlayState() const = 0;
  virtual int GetOpenState() const = 0;
  virtual std::string GetFileName() const = 0;
  // Setting a file name starts playing it.
  virtual void SetFileName(std::string_view address) = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  virtual void Stop() = 0;
  virtual void SetVolume(int volume) = 0;    // -10000..0 (hundredths of dB)
  virtual void SetBalance(int balance) = 0;  // -10000..10000
  virtual void SetMute(bool mute) = 0;
  virtual double GetCurrentPosition() const = 0;  // s
  virtual void SetCurrentPosition(double seconds) = 0;
  virtual double GetDuration() const = 0;  // s; 0 for a live stream
  virtual int GetBandwidth() const = 0;    // bit/s
  virtual int GetBufferingProgress() const = 0;
  virtual int GetImageSourceWidth() const = 0;
  virtual int GetImageSourceHeight() const = 0;
  virtual bool GetIsBroadcast() const = 0;
  virtual std::string GetMediaInfoString(int type) const = 0;
  virtual std::string NowPlayingTitle() const { return {}; }
  virtual void SetDisplaySize(int size) = 0;
  virtual void SetVisible(bool visible) = 0;
  // Why the last clip failed; see PlayerError.
  virtual PlayerError LastError() const { return PlayerError::kNone; }

  std::function<void(int old_state, int new_state)> OnOpenStateChange;
  std::function<void(int old_state, int new_state)> OnPlayStateChange;
  std::function<void(bool start)> OnBuffering;
  std::function<void()> OnNewStream;
  std::function<void(int result)> OnEndOfStream;
  std::function<void()> OnError;
};

// Windows Media Player 9-like control.
class Wmp9Control {
 public:
  enum PlayState {
    kUndefined = 0,
    kStopped = 1,
    kPaused = 2,
    kPlaying = 3,
    kScanForward = 4,
    kScanReverse = 5,
    kBuffering = 6,
    kWaiting = 7,
    kMediaEnded = 8,
    kTransitioning = 9,
    kReady = 10,
    kReconnecting = 11
  };
  enum OpenState {
    kOpenUndefined = 0,
    kPlaylistChanging = 1,
    kMediaChanging = 8,
    kLocating = 9,
    kConnecting = 10,
    kMediaLoading = 11,
    kOpening = 12,
    kMediaOpen = 13
  };

  virtual ~Wmp9Control() = default;

  virtual int GetPlayState() const = 0;
  virtual int GetOpenState() const = 0;
  virtual std::string GetURL() const = 0;
  // Setting the address starts playing it.
  virtual void SetURL(std::string_view address) = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  virtual void Stop() = 0;
  virtual void SetVolume(int volume) = 0;    // 0..100
  virtual void SetBalance(int balance) = 0;  // -100..100
  virtual void SetMute(bool mute) = 0;
  virtual double GetCurrentPosition() const = 0;  // s
  virtual void SetCurrentPosition(double seconds) = 0;
  virtual double GetDuration() const = 0;  // s; 0 for a live stream
  virtual int GetBandWidth() const = 0;    // bit/s the data arrives at
  virtual int GetBitRate() const = 0;      // bit/s of the clip
  virtual int GetBufferingProgress() const = 0;
  // "Cache" when the clip plays from the local cache, else the scheme
  // ("http", "mms", "file", ...).
  virtual std::string GetSourceProtocol() const = 0;
  // "Title", "Author", "Copyright", "WM/Genre", "ProviderURL".
  virtual std::string GetItemInfo(std::string_view name) const = 0;
  virtual std::string NowPlayingTitle() const { return {}; }
  virtual int GetImageSourceWidth() const = 0;
  virtual int GetImageSourceHeight() const = 0;
  virtual bool GetFullScreen() const = 0;
  virtual void SetFullScreen(bool full) = 0;
  virtual void SetVisible(bool visible) = 0;
  // Why the last clip failed; see PlayerError.
  virtual PlayerError LastError() const { return PlayerError::kNone; }

  std::function<void(int new_state)> OnOpenStateChange;
  std::function<void(int new_state)> OnPlayStateChange;
  std::function<void(bool start)> OnBuffering;
  std::function<void()> OnMediaError;
  std::function<void(int language_id)> OnAudioLanguageChange;
};

// Creates the controls; nullptr when a control cannot be created (missing,
// unregistered, or the media library failed).
class PlayerFactory {
 public:
  virtual ~PlayerFactory() = default;
  virtual std::unique_ptr<RealPlayerControl> CreateRealPlayer() = 0;
  virtual std::unique_ptr<Wmp6Control> CreateWmp6() = 0;
  virtual std::unique_ptr<Wmp9Control> CreateWmp9() = 0;
};

}  // namespace tazmel
