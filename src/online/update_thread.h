#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "online/downloader.h"
#include "online/request_query.h"

namespace tazmel {

class Dispatcher;

// A worker thread that sleeps between passes. Wakes are remembered: one
// that comes while the thread is busy ends its next sleep or suspension at
// once, so none is lost.
class TBaseThread {
 public:
  TBaseThread() = default;
  virtual ~TBaseThread();  // terminates and joins
  TBaseThread(const TBaseThread&) = delete;
  TBaseThread& operator=(const TBaseThread&) = delete;

  void Resume();  // starts the thread the first time
  void Wake();
  // Marks the thread terminated and wakes it; Join waits for it.
  virtual void Terminate();
  void Join();
  bool Terminated() const;
  // The thread has run to its end.
  bool Ended() const { return ended_.load(); }

 protected:
  virtual void Execute() = 0;
  // Waits up to `duration`, returning early on a wake or termination; the
  // wake is used up.
  void Sleep(std::chrono::milliseconds duration);
  // Waits for the next wake or termination.
  void Suspend();

  // With mutex_ held.
  bool terminated_locked() const { return terminated_; }
  void wake_requested_locked() {
    wake_ = true;
    changed_.notify_all();
  }

  mutable std::mutex mutex_;
  std::condition_variable changed_;

 private:
  bool terminated_ = false;
  bool wake_ = false;
  std::atomic<bool> ended_{false};
  std::thread thread_;
};

enum class UpdateState { kDataUpdated = 1, kUpToDate = 2, kNewerProgram = 3, kError = 4, kFinished = 5 };

// What a notification carries: the archive (with the folder its files were
// staged to, for kDataUpdated) or the new program's page (kNewerProgram).
struct TUpdateFileRec {
  long long Size = 0;
  std::string Ver;
  std::string Url;
  std::filesystem::path staging;
};

struct UpdateThreadConfig {
  std::string base_address;  // ".../<code>/"
  std::string language_code;
  std::string data_key;               // "Data_<code>"
  std::filesystem::path data_folder;  // <program>/data/<code>
  std::filesystem::path user_ini;
  bool force_data = false;
  bool interactive = false;
  bool send_reports = true;
  std::chrono::milliseconds text_timeout{15000};
  std::chrono::milliseconds archive_timeout{300000};
  // One minute of the report interval; tests shorten it.
  std::chrono::milliseconds minute{60000};
};

// Runs on the user-interface thread, with the worker waiting for it. For
// kDataUpdated the answer says whether the staged data was installed.
using UpdateListener = std::function<bool(UpdateState, const TUpdateFileRec&)>;

// Checks update.inf, installs newer station data, registers with the
// server and sends the listening reports. Owned by the main window: the
// worker never frees itself; when it ends, `on_end` is posted and the owner
// destroys it (which joins).
class TUpdateThread : public TBaseThread {
 public:
  TUpdateThread(Dispatcher& dispatcher, UpdateThreadConfig config, ClientFields& fields, UpdateListener listener,
                std::function<void()> on_end);
  ~TUpdateThread() override;

  // Between passes only: takes the flags and starts a new pass. False (and
  // nothing changes) while a pass runs.
  bool Restart(bool force_data, bool interactive);
  // Replaces the queued report; a stop ("S...") goes out at once.
  void QueueReport(std::string text);
  // Aborts the transfer under way and ends the thread.
  void Terminate() override;
  bool Busy() const;

 protected:
  void Execute() override;

 private:
  struct Notifier;

  void Pass();
  // The version check; whether any state was notified.
  void VersionCheck(const struct UpdateInfo& info, bool& notified);
  bool InstallData(const struct UpdateInfo& info, const std::string& archive_url);
  void Register(const struct UpdateInfo& info);
  void ReportLoop();
  bool Notify(UpdateState state, const TUpdateFileRec& rec);

  Dispatcher& dispatcher_;
  UpdateThreadConfig config_;
  ClientFields& fields_;
  std::shared_ptr<Notifier> notifier_;
  std::function<void()> on_end_;
  TDownloader downloader_;

  // Guarded by mutex_.
  bool busy_ = false;
  bool restart_ = false;
  bool ending_ = false;
  std::string queued_report_;

  bool first_pass_ = true;
  std::string report_address_;
  std::chrono::milliseconds report_interval_{0};
};

}  // namespace tazmel
