#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tazmel {

class Dispatcher;

// How the player components set up their media engine.
struct MpvOptions {
  // A hidden instance (station tester, editor) renders no video.
  bool hidden = false;
  // The audio output driver; tests use "null".
  std::string audio_output = "pulse";
  // The native window video goes into; 0 renders no video.
  std::int64_t window_id = 0;
  // Engine options set after ours, before start (name, value); a test
  // shortens "network-timeout" this way.
  std::vector<std::pair<std::string, std::string>> extra_options;
};

// Error codes of the engine that steer the components.
inline constexpr int kMpvErrorLoadingFailed = -13;
inline constexpr int kMpvErrorUnknownFormat = -17;
inline constexpr int kMpvErrorAudioOutputFailed = -14;

// Why a file ended, as the engine reports it.
enum class MpvEndReason { kEof, kStop, kQuit, kError, kRedirect, kUnknown };

struct MpvEndFile {
  MpvEndReason reason = MpvEndReason::kUnknown;
  int error = 0;  // the engine's error code for kError, else 0
  std::int64_t entry_id = 0;
  // For kRedirect: the first of the entries that replaced this one, and how
  // many there are.
  std::int64_t insert_id = 0;
  int insert_count = 0;
};

// The properties the components follow as they change.
enum class MpvProperty { kPausedForCache, kCacheBufferingState, kTimePos, kMetadata };

// The latest values of the followed properties.
struct MpvObserved {
  bool paused_for_cache = false;
  int cache_buffering_state = 0;  // percent
  std::optional<std::int64_t> time_pos_seconds;
  // Metadata as the engine gives it: keys as the demuxer names them, UTF-8.
  std::vector<std::pair<std::string, std::string>> metadata;
};

// What a core reports, always on the thread that owns it, from a drain the
// engine's wakeup posted. A listener may destroy the core from any of these.
class MpvCoreListener {
 public:
  virtual ~MpvCoreListener() = default;
  virtual void OnMpvStartFile(std::int64_t entry_id) = 0;
  virtual void OnMpvFileLoaded() = 0;
  virtual void OnMpvPlaybackRestart() = 0;
  virtual void OnMpvEndFile(const MpvEndFile& end) = 0;
  virtual void OnMpvAudioReconfig() = 0;
  virtual void OnMpvPropertyChange(MpvProperty property) = 0;
  // A warning or error line of the engine's log; `prefix` names the part
  // of the engine ("ffmpeg", "stream", ...), `text` ends with a line feed.
  virtual void OnMpvLogMessage(std::string_view /*prefix*/, std::string_view /*text*/) {}
};

// One libmpv instance. The engine's wakeup callback (a foreign thread) only
// posts a drain through the Dispatcher; the drain runs on the owning thread,
// reads every pending event and turns it into a listener call. A drain that
// was posted before the core died does nothing.
class MpvCore {
 public:
  // nullptr when the engine cannot be created or started (for example under
  // a non-C LC_NUMERIC, which libmpv refuses).
  static std::unique_ptr<MpvCore> Create(Dispatcher& dispatcher, const MpvOptions& options, MpvCoreListener* listener);
  ~MpvCore();
  MpvCore(const MpvCore&) = delete;
  MpvCore& operator=(const MpvCore&) = delete;

  // Replaces whatever plays with `url`; returns the new playlist entry's ID.
  std::optional<std::int64_t> LoadFile(const std::string& url);
  bool Command(std::initializer_list<std::string_view> args);

  bool SetFlag(const char* name, bool value);
  bool SetDouble(const char* name, double value);
  bool SetString(const char* name, const std::string& value);
  std::optional<bool> GetFlag(const char* name) const;
  std::optional<double> GetDouble(const char* name) const;
  std::optional<std::int64_t> GetInt64(const char* name) const;
  std::optional<std::string> GetString(const char* name) const;

  const MpvObserved& Observed() const { return observed_; }
  const MpvOptions& Options() const { return options_; }
  // The engine's text for one of its error codes.
  static std::string ErrorText(int error);

  // Runs the drain now; the posted drain calls it.
  void Drain();

 private:
  struct Handle;
  struct Wakeup;
  MpvCore(Dispatcher& dispatcher, MpvOptions options, MpvCoreListener* listener);
  bool Start();
  void HandleProperty(int id, const void* data, int format);

  Dispatcher& dispatcher_;
  MpvOptions options_;
  MpvCoreListener* listener_;
  std::unique_ptr<Handle> handle_;
  // Shared with posted drains; the core's death expires it.
  std::shared_ptr<Wakeup> wakeup_;
  MpvObserved observed_;
};

}  // namespace tazmel
