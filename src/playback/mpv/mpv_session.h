#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "playback/mpv/mpv_core.h"
#include "playback/mpv/mpv_preferences.h"
#include "playback/player_controls.h"
#include "playback/playlist_docs.h"

namespace tazmel {

class Dispatcher;
class Registry;
class Timer;

// How a clip ended.
enum class MpvClipEnd {
  kMediaEnded,  // the clip (or the last entry of its document) played out
  kDropped,     // a live stream was lost: the server stalled or went away
  kError,       // the clip, or every entry of its document, failed to play
};

// What a session tells its control. Calls come from the session's drains
// and from calls into the session; a control turns them into its own events
// and hands those to MpvSession::Emit, never straight to the engine.
class MpvSessionListener {
 public:
  virtual ~MpvSessionListener() = default;
  // Open() began: nothing of the new clip has been tried yet, and events of
  // the old one are gone.
  virtual void OnSessionStarting() = 0;
  // The engine started on the first entry of an Open().
  virtual void OnSessionConnecting() = 0;
  // An entry was opened; it may follow earlier entries of a document.
  virtual void OnSessionOpened() = 0;
  virtual void OnSessionBuffering(bool start) = 0;
  virtual void OnSessionBufferingProgress(int percent) = 0;
  virtual void OnSessionPlaying() = 0;
  virtual void OnSessionEnded(MpvClipEnd end, int error) = 0;
  virtual void OnSessionMetadata() = 0;
  // The position moved on by a second, or a seek finished.
  virtual void OnSessionPosition() = 0;
};

// Which playlist documents a control expands itself.
enum class MpvDocFamily { kWindowsMedia, kRealMedia };

// One clip at a time on one libmpv instance: opens an address (expanding the
// family's playlist documents and falling through failing entries so that
// the control sees one clip), follows opening, buffering and playing,
// decides how a clip ended, and keeps volume, balance and mute applied.
// Also holds the control's event queue: events are delivered later, in
// order, from a posted call, and a new clip drops the old clip's
// undelivered events. Threads, queues and serials: docs/ARCHITECTURE.md.
class MpvSession : private MpvCoreListener {
 public:
  // A network stream that has played, has run dry and receives nothing for
  // this long is taken as lost, rather than waiting for the engine's own
  // network time-out while the listener hears nothing.
  static constexpr std::chrono::seconds kStallLimit{5};
  // A clip tries at most this many entries before it gives up, and takes at
  // most kMaxDocumentEntries from one document or expanded list: lists of
  // thousands of dead links are found in the wild, and each entry costs a
  // connection.
  static constexpr int kMaxEntriesTried = 64;
  static constexpr std::size_t kMaxDocumentEntries = 100;

  MpvSession(Dispatcher& dispatcher, MpvSessionListener& listener, MpvDocFamily family);
  ~MpvSession() override;
  MpvSession(const MpvSession&) = delete;
  MpvSession& operator=(const MpvSession&) = delete;

  // Starts the engine; false when it cannot be created.
  bool Init(const MpvOptions& options);
  // Every Open() follows the player's HTTP proxy preference in the registry
  // (for streams and for web documents alike); no proxy without a registry.
  // It must outlive the session.
  void SetPreferences(const Registry* registry, PlayerPreferences player) {
    registry_ = registry;
    preferences_ = player;
  }

  // Plays the address (data code page bytes), replacing any clip.
  void Open(std::string_view address);
  // Ends the clip; nothing of it is reported any more.
  void Close();
  void Pause();
  void Resume();
  void Seek(double seconds);

  void SetVolume(int volume);    // 0..100
  void SetBalance(int balance);  // -100..100
  void SetMute(bool mute);

  bool HasClip() const { return clip_.active; }
  bool Paused() const { return clip_.paused; }
  bool Playing() const { return clip_.playing; }
  // The clip comes over the network / is a live stream (not seekable, of
  // unknown size). Known once an entry has been opened.
  bool IsNetwork() const { return clip_.network; }
  // Why the last clip failed or was lost; kNone from each Open() on until
  // then.
  PlayerError LastError() const { return last_error_; }
  bool IsLive() const { return clip_.live; }

  double Position() const;  // s
  // s; 0 for a live stream. After the clip played to its end, still its
  // length, until the next Open() or Close().
  double Duration() const;
  int ClipBitrate() const;             // bit/s
  int ArrivalRate() const;             // bit/s
  int BufferingPercent() const;        // 0..100
  std::string SourceProtocol() const;  // "file", "http", ...
  int VideoWidth() const;
  int VideoHeight() const;
  // Clip texts in the data code page, trimmed.
  std::string Title() const;
  // Only the song an ICY stream names now, never the station's name.
  std::string StreamTitle() const;
  std::string Author() const;
  std::string Copyright() const;
  std::string Genre() const;
  std::string ProviderUrl() const;
  // The language of the audio being played, as the media names it (an ISO
  // 639 code such as "de" or "ger"): the audio track's, else the clip's
  // language tag (how an MP3's ID3 language arrives). Empty when unknown.
  std::string AudioLanguage() const;

  // Queues an event for delivery from a posted call.
  void Emit(std::function<void()> event);
  // Drops every event not yet delivered.
  void DropPendingEvents() { ++generation_; }

  const MpvCore& Core() const { return *core_; }

 private:
  struct Fetch;
  struct Entry {
    std::string address;
    int depth = 0;  // documents opened to reach it
  };

  // MpvCoreListener
  void OnMpvStartFile(std::int64_t entry_id) override;
  void OnMpvFileLoaded() override;
  void OnMpvPlaybackRestart() override;
  void OnMpvEndFile(const MpvEndFile& end) override;
  void OnMpvAudioReconfig() override;
  void OnMpvPropertyChange(MpvProperty property) override;
  void OnMpvLogMessage(std::string_view prefix, std::string_view text) override;

  // Plays the next waiting entry; ends the clip with kError when none is
  // left.
  void PlayNextEntry(int error);
  void PlayNextEntryNow(int error);
  void TakeOverExpandedList(const MpvEndFile& end);
  void LoadEntry(const Entry& entry);
  void StartDocument(const Entry& entry, PlaylistDocKind kind, bool sniffed);
  void OnDocument(std::uint64_t serial, Entry entry, PlaylistDocKind kind, bool sniffed,
                  std::optional<std::string> text);
  bool FamilyOpens(PlaylistDocKind kind) const;
  void FinishBuffering();
  void WatchForStall();
  void CheckStall();
  void ReadDuration();
  void EndClip(MpvClipEnd end, int error);
  void ApplyVolume();
  void ApplyBalance();
  void CancelFetches();
  void PostFlush();
  void Flush();
  std::string MetadataText(std::initializer_list<std::string_view> keys) const;

  Dispatcher& dispatcher_;
  MpvSessionListener& listener_;
  MpvDocFamily family_;
  std::unique_ptr<MpvCore> core_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  // How far the engine has come with the entry being played.
  struct EntryProgress {
    bool started = false;    // the engine is on one of our entries
    bool loaded = false;     // ... and has opened it
    bool restarted = false;  // ... and playback has begun
    bool played = false;     // ... and has reached playing
  };
  // Everything about one clip; Open() and Close() start it afresh.
  struct ClipState {
    bool active = false;
    std::deque<Entry> waiting;
    int entries_tried = 0;
    bool any_played = false;  // an entry of the clip reached playing
    Entry current;
    std::int64_t current_id = -1;      // the engine's entry for it
    bool current_sniffed = false;      // the current entry's content was looked at
    std::set<std::int64_t> entry_ids;  // the engine's playlist entries that are ours
    bool connecting_reported = false;
    EntryProgress entry;
    bool buffering = false;
    bool playing = false;
    bool paused = false;
    bool network = false;
    bool live = false;
    std::string scheme;
    // The length of the entry being played, as last read; and, once the
    // clip has played to its end, the length it had, which the control
    // still reports as the clip's.
    double known_duration = 0;
    double ended_duration = 0;
    // What the engine's log said about the entry being played.
    std::optional<PlayerError> logged;
    // The clip failed with "loading failed" before its log said why; the
    // reason may follow the end.
    bool error_awaits_log = false;
    // While a stream that played has run dry: when data last came, and how
    // far the cache reached then.
    std::chrono::steady_clock::time_point data_seen;
    double cache_end = 0;
    int paced_error = 0;  // for the entry that waits for its turn
  };
  // Audio settings, applied again to every new audio output.
  struct AudioSettings {
    bool stream_volume = false;  // the output has a volume of its own per stream
    int volume = 100;
    int balance = 0;
    bool mute = false;
    std::string applied_filter;
  };

  std::uint64_t serial_ = 0;  // bumped by Open and Close; stale fetches compare it
  ClipState clip_;
  PlayerError last_error_ = PlayerError::kNone;
  AudioSettings audio_;
  // Drops the sound already buffered after a balance change.
  std::unique_ptr<Timer> balance_refresh_;
  // Runs only while a stream that played has run dry.
  std::unique_ptr<Timer> stall_watch_;
  // Starts the next entry of a clip whose entries keep failing.
  std::unique_ptr<Timer> entry_pace_;

  void ApplyNetworkPreferences();
  // The media engine's own read-ahead when the player names no buffer.
  static constexpr double kDefaultCacheSeconds = 3600000.0;

  const Registry* registry_ = nullptr;
  PlayerPreferences preferences_ = PlayerPreferences::kWmp9;
  PlayerProxy proxy_;          // read at Open()
  double initial_wait_s_ = 0;  // the buffer time read at Open(); 0 for none
  std::vector<std::unique_ptr<Fetch>> fetches_;

  // The event queue.
  struct Pending {
    std::uint64_t generation;
    std::function<void()> event;
  };
  std::deque<Pending> events_;
  std::uint64_t generation_ = 0;
  bool flush_posted_ = false;
};

}  // namespace tazmel
