#pragma once

// Checks a station's addresses by playing them on hidden controls of its
// own, one address after the other, until one plays or all have failed.
// An address that neither plays nor fails within the limit counts as
// failed. Everything runs on the user-interface thread; results arrive from
// the controls' events and timers, never inside a call made here.

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "playback/control_driver.h"
#include "playback/media_kind.h"

namespace tazmel {

class Clock;
class Dispatcher;
class PageFetcher;
class StationProxyOverrides;
class Timer;

struct StationCheckServices {
  Dispatcher& dispatcher;
  // The limit is measured on its monotonic clock: a check across midnight
  // or a clock change still gets its whole time.
  const Clock& clock;
  PlayerFactory& factory;
  // Downloads an address whose kind its text does not tell; without it
  // such addresses go to the player choice unknown.
  PageFetcher* pages = nullptr;
  std::function<bool()> wmp9_installed;
  StationProxyOverrides* proxies = nullptr;
};

struct StationCheckResult {
  bool good = false;
  int address_index = 0;  // the address that played, or the last tried
  long long seconds = 0;  // whole seconds from its attempt to playing
  std::string bandwidth;  // "128K"; "" while unknown
  int audio_language = -1;
};

class StationCheck {
 public:
  // More than this many whole seconds without playing fails an address.
  static constexpr std::chrono::seconds kLimit{180};
  static constexpr std::chrono::milliseconds kNextAddressDelay{1000};

  explicit StationCheck(StationCheckServices services);
  ~StationCheck();
  StationCheck(const StationCheck&) = delete;
  StationCheck& operator=(const StationCheck&) = delete;

  // Starts with the first address. `kind` is the kind to try first;
  // `stored_kind` the one later addresses start from. False, and nothing
  // starts, when no address is left after dropping blank ones.
  bool Start(std::vector<std::string> addresses, MediaKind kind, MediaKind stored_kind, std::string proxy);
  // Stops the players; no result is reported.
  void Abort();
  bool Running() const { return running_; }

  // The address about to be tried (after the first failed).
  std::function<void(int index)> on_address;
  // The first address's kind was unknown and classification or a download
  // found one (Windows Media as the family).
  std::function<void(MediaKind kind)> on_kind;
  // The check ended: an address played, or every one failed.
  std::function<void(const StationCheckResult& result)> on_done;

 private:
  void Attempt();
  void StartChosen();
  void OnEvent(const ControlEvent& event);
  void Succeed(PlayerId player);
  void Fail();
  void OnWatch();
  void Finish(StationCheckResult result);
  long long SecondsSinceStart() const;
  const std::string& Address() const { return addresses_[static_cast<std::size_t>(index_)]; }

  StationCheckServices services_;
  // Made with the first check: the controls exist only once needed.
  std::unique_ptr<ControlDriver> driver_;
  std::unique_ptr<Timer> watch_timer_;
  std::unique_ptr<Timer> next_timer_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  std::vector<std::string> addresses_;
  int index_ = 0;
  MediaKind kind_ = MediaKind::kUnknown;
  MediaKind stored_kind_ = MediaKind::kUnknown;
  bool kind_reported_ = false;
  std::string proxy_;
  bool running_ = false;
  bool attempt_running_ = false;
  bool local_ = false;
  // Counts attempts: a download or an event of an earlier attempt finds a
  // newer serial and is dropped.
  unsigned serial_ = 0;
  int audio_language_ = -1;
  std::chrono::steady_clock::time_point start_{};
};

}  // namespace tazmel
