#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "online/request_query.h"
#include "online/update_thread.h"
#include "playback/listening_reports.h"

namespace tazmel {

class Dispatcher;
class ProgramPaths;
struct Settings;

// The update host: $TAZMEL_UPDATE_HOST when set (even empty, which turns
// updates off), else [Update] UpdateHost of User.ini, then of Tazmel.ini,
// else the build's default (CMake cache variable TAZMEL_UPDATE_HOST).
std::string ConfiguredUpdateHost(const ProgramPaths& paths);
std::string DefaultUpdateHost();

struct UpdateHooks {
  // A result for the user: the tray's balloon when the icon shows, else a
  // message box.
  std::function<void(const std::string& text)> show_message;
  std::function<bool(const std::string& text)> ask;
  std::function<void(const std::string& address)> open_web_page;
  // Saves a changed station tree (it may ask first) before data may come.
  std::function<void()> save_tree_changes;
  // Reads the station tree of the data folder anew.
  std::function<void()> reload_tree;
  std::function<void(bool enabled)> enable_update_item;
};

// The main window's side of the update service: when checks start, the
// worker's life, and what its five notifications show. Everything runs on
// the user-interface thread.
class UpdateScheduler : public ListeningReports {
 public:
  // All three outlive the scheduler.
  UpdateScheduler(Dispatcher& dispatcher, const ProgramPaths& paths, Settings& settings, std::string host,
                  int system_language_id, UpdateHooks hooks);
  ~UpdateScheduler() override;  // terminates and joins the workers
  UpdateScheduler(const UpdateScheduler&) = delete;
  UpdateScheduler& operator=(const UpdateScheduler&) = delete;

  // The end of start-up: the first check comes within 5 min 10 s, and at
  // once (with the data forced) when the station tree is empty.
  void StartupDone(double now, bool tree_empty);
  void StartUpdate(bool force);
  // "On Line &Update...": the item stays disabled for a minute after.
  void ManualUpdate(double now);
  // The check timer's steps: the 12-hour schedule and the countdown.
  void Tick(double now);
  // The worker of the old language goes; a language without data is
  // checked at once.
  void LanguageChanged(bool tree_empty);
  void Shutdown();

  bool Running() const { return running_; }
  int ManualCountdown() const { return countdown_; }
  bool FirstCheckPending() const { return first_check_pending_; }
  const std::string& Host() const { return host_; }
  ClientFields& Fields() { return fields_; }
  // For the tests: the report interval's minute, the time-outs.
  UpdateThreadConfig& ConfigTemplate() { return template_; }

  void SetPendingReport(std::string text) override;
  void WakeUp() override;

 private:
  bool OnNotify(UpdateState state, const TUpdateFileRec& rec);
  void Retire();
  void ReapRetired();

  Dispatcher& dispatcher_;
  const ProgramPaths& paths_;
  Settings& settings_;
  std::string host_;
  UpdateHooks hooks_;
  ClientFields fields_;
  UpdateThreadConfig template_;
  std::unique_ptr<TUpdateThread> thread_;
  // Terminated workers of an old language, joined once they have ended.
  std::vector<std::unique_ptr<TUpdateThread>> retired_;
  bool running_ = false;
  bool first_check_pending_ = false;
  int countdown_ = 0;
};

}  // namespace tazmel
