#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "playback/mpv/mpv_core.h"
#include "playback/mpv/mpv_session.h"
#include "playback/player_controls.h"

namespace tazmel {

class Dispatcher;
class Registry;

// The three controls open the documents of their family themselves, named
// by the address's extension or, behind a web address the media engine
// cannot read, by their root element.
//
// The RealPlayer-like control on libmpv. Opens RAM, RPM and SMIL documents
// itself. States: contacting when a source is set, buffering once the clip
// is open (and while the cache refills), playing, paused; stopped at the
// end, after a lost stream and after Stop.
class MpvRealPlayer : public RealPlayerControl, private MpvSessionListener {
 public:
  // nullptr when libmpv cannot be started. `registry` (may be null) holds
  // the player's network preferences; it must outlive the control.
  static std::unique_ptr<MpvRealPlayer> Create(Dispatcher& dispatcher, const MpvOptions& options,
                                               const Registry* registry = nullptr);

  int GetPlayState() const override { return state_; }
  std::string GetSource() const override { return source_; }
  void SetSource(std::string_view address) override;
  void DoPlay() override;
  void DoStop() override;
  void DoPlayPause() override;
  void SetVolume(int volume) override;
  int GetVolume() const override { return volume_; }
  void SetMute(bool mute) override;
  bool GetMute() const override { return mute_; }
  std::int64_t GetPosition() const override;
  std::int64_t GetLength() const override;
  void SetPosition(std::int64_t ms) override;
  int GetBandwidth1() const override { return session_.ClipBitrate(); }
  int GetBandwidth2() const override { return session_.ArrivalRate(); }
  int GetClipWidth() const override { return session_.VideoWidth(); }
  int GetClipHeight() const override { return session_.VideoHeight(); }
  std::string GetTitle() const override { return session_.Title(); }
  std::string GetAuthor() const override { return session_.Author(); }
  std::string GetCopyright() const override { return session_.Copyright(); }
  std::string NowPlayingTitle() const override { return session_.StreamTitle(); }
  void SetVisible(bool visible) override { visible_ = visible; }
  PlayerError LastError() const override { return session_.LastError(); }

  const MpvSession& Session() const { return session_; }

 private:
  explicit MpvRealPlayer(Dispatcher& dispatcher);
  void StartClip();
  void CloseClip();
  void Resume();
  void ReportState(int state);
  void ReportClipClosed();

  void OnSessionStarting() override;
  void OnSessionConnecting() override {}
  void OnSessionOpened() override;
  void OnSessionBuffering(bool start) override;
  void OnSessionBufferingProgress(int percent) override;
  void OnSessionPlaying() override;
  void OnSessionEnded(MpvClipEnd end, int error) override;
  void OnSessionMetadata() override;
  void OnSessionPosition() override;

  MpvSession session_;
  int state_ = kStopped;
  std::string source_;
  int volume_ = 100;
  bool mute_ = false;
  bool clip_open_ = false;
  bool visible_ = true;
  // The clip texts last reported, so that only changes are.
  struct ClipTexts {
    std::string title;
    std::string author;
    std::string copyright;
  };
  ClipTexts texts_;
};

// The Windows Media Player 6.4-like control on libmpv. Opens ASX, WAX, WVX
// and WPL documents itself. Open states run locating, connecting, opening,
// open (with a new stream); a stream buffers before it plays. Setting the
// file name to the closing placeholder closes the clip.
class MpvWmp6 : public Wmp6Control, private MpvSessionListener {
 public:
  static std::unique_ptr<MpvWmp6> Create(Dispatcher& dispatcher, const MpvOptions& options,
                                         const Registry* registry = nullptr);

  int GetPlayState() const override { return play_state_; }
  int GetOpenState() const override { return open_state_; }
  std::string GetFileName() const override { return file_name_; }
  void SetFileName(std::string_view address) override;
  void Play() override;
  void Pause() override;
  void Stop() override;
  void SetVolume(int volume) override;
  void SetBalance(int balance) override;
  void SetMute(bool mute) override { session_.SetMute(mute); }
  double GetCurrentPosition() const override { return session_.Position(); }
  void SetCurrentPosition(double seconds) override;
  double GetDuration() const override { return session_.Duration(); }
  int GetBandwidth() const override { return session_.ClipBitrate(); }
  int GetBufferingProgress() const override { return session_.BufferingPercent(); }
  int GetImageSourceWidth() const override { return session_.VideoWidth(); }
  int GetImageSourceHeight() const override { return session_.VideoHeight(); }
  bool GetIsBroadcast() const override { return session_.IsLive(); }
  std::string GetMediaInfoString(int type) const override;
  std::string NowPlayingTitle() const override { return session_.StreamTitle(); }
  void SetDisplaySize(int size) override { display_size_ = size; }
  void SetVisible(bool visible) override { visible_ = visible; }
  PlayerError LastError() const override { return session_.LastError(); }

  const MpvSession& Session() const { return session_; }

 private:
  explicit MpvWmp6(Dispatcher& dispatcher);
  void ReportPlayState(int state);
  void ReportOpenState(int state);

  void OnSessionStarting() override;
  void OnSessionConnecting() override { ReportOpenState(kConnecting); }
  void OnSessionOpened() override;
  void OnSessionBuffering(bool start) override;
  void OnSessionBufferingProgress(int) override {}
  void OnSessionPlaying() override { ReportPlayState(kPlaying); }
  void OnSessionEnded(MpvClipEnd end, int error) override;
  void OnSessionMetadata() override {}
  void OnSessionPosition() override {}

  MpvSession session_;
  int play_state_ = kClosed;
  int open_state_ = kClosedOpen;
  std::string file_name_;
  int display_size_ = 0;
  bool visible_ = true;
};

// The Windows Media Player 9-like control on libmpv. Opens ASX, WAX, WVX and
// WPL documents itself. Open states run locating, connecting, opening, media
// open; a stream buffers before it plays; the end of a clip is "media
// ended", a lost stream "stopped".
// Raises the audio language change with the identifier of the language the
// playing audio is tagged with, when that becomes known or changes.
class MpvWmp9 : public Wmp9Control, private MpvSessionListener {
 public:
  static std::unique_ptr<MpvWmp9> Create(Dispatcher& dispatcher, const MpvOptions& options,
                                         const Registry* registry = nullptr);

  int GetPlayState() const override { return play_state_; }
  int GetOpenState() const override { return open_state_; }
  std::string GetURL() const override { return url_; }
  void SetURL(std::string_view address) override;
  void Play() override;
  void Pause() override;
  void Stop() override;
  void SetVolume(int volume) override { session_.SetVolume(volume); }
  void SetBalance(int balance) override { session_.SetBalance(balance); }
  void SetMute(bool mute) override { session_.SetMute(mute); }
  double GetCurrentPosition() const override { return session_.Position(); }
  void SetCurrentPosition(double seconds) override;
  double GetDuration() const override { return session_.Duration(); }
  int GetBandWidth() const override { return session_.ArrivalRate(); }
  int GetBitRate() const override { return session_.ClipBitrate(); }
  int GetBufferingProgress() const override { return session_.BufferingPercent(); }
  std::string GetSourceProtocol() const override { return session_.SourceProtocol(); }
  std::string GetItemInfo(std::string_view name) const override;
  std::string NowPlayingTitle() const override { return session_.StreamTitle(); }
  int GetImageSourceWidth() const override { return session_.VideoWidth(); }
  int GetImageSourceHeight() const override { return session_.VideoHeight(); }
  bool GetFullScreen() const override { return full_screen_; }
  void SetFullScreen(bool full) override { full_screen_ = full; }
  void SetVisible(bool visible) override { visible_ = visible; }
  PlayerError LastError() const override { return session_.LastError(); }

  const MpvSession& Session() const { return session_; }

 private:
  explicit MpvWmp9(Dispatcher& dispatcher);
  void ReportPlayState(int state);
  void ReportOpenState(int state);
  void ReportAudioLanguage();

  void OnSessionStarting() override;
  void OnSessionConnecting() override { ReportOpenState(kConnecting); }
  void OnSessionOpened() override;
  void OnSessionBuffering(bool start) override;
  void OnSessionBufferingProgress(int) override {}
  void OnSessionPlaying() override { ReportPlayState(kPlaying); }
  void OnSessionEnded(MpvClipEnd end, int error) override;
  void OnSessionMetadata() override { ReportAudioLanguage(); }
  void OnSessionPosition() override {}

  MpvSession session_;
  int play_state_ = kUndefined;
  int open_state_ = kOpenUndefined;
  int audio_language_ = 0;  // last reported for this clip; 0 none
  std::string url_;
  bool full_screen_ = false;
  bool visible_ = true;
};

}  // namespace tazmel
