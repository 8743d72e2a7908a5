#include "app/update_scheduler.h"

#include <algorithm>
#include <cstdlib>

#include "core/ini_file.h"
#include "core/messages.h"
#include "core/program_paths.h"
#include "core/text_utils.h"
#include "online/data_install.h"
#include "settings/settings.h"

namespace tazmel {
namespace {

constexpr double kTwelveHours = 0.5;
constexpr double kFirstCheckDelay = (5 * 60 + 10) / 86400.0;
constexpr int kManualCountdown = 60;

}  // namespace

std::string DefaultUpdateHost() { return TAZMEL_UPDATE_HOST; }

std::string ConfiguredUpdateHost(const ProgramPaths& paths) {
  if (const char* env = std::getenv("TAZMEL_UPDATE_HOST")) return std::string(TrimBlanks(env));
  for (const std::filesystem::path& ini : {paths.UserIni(), paths.TazmelIni()}) {
    IniFile file;
    file.Load(ini);
    if (std::optional<std::string> host = file.Value("Update", "UpdateHost")) return std::string(TrimBlanks(*host));
  }
  return DefaultUpdateHost();
}

UpdateScheduler::UpdateScheduler(Dispatcher& dispatcher, const ProgramPaths& paths, Settings& settings,
                                 std::string host, int system_language_id, UpdateHooks hooks)
    : dispatcher_(dispatcher),
      paths_(paths),
      settings_(settings),
      host_(std::move(host)),
      hooks_(std::move(hooks)),
      fields_(ProgramVersion(), paths.LanguageCode(), system_language_id) {}

UpdateScheduler::~UpdateScheduler() { Shutdown(); }

void UpdateScheduler::Shutdown() {
  if (thread_) thread_->Terminate();
  for (auto& old : retired_) old->Terminate();
  thread_.reset();
  retired_.clear();
  running_ = false;
}

void UpdateScheduler::StartupDone(double now, bool tree_empty) {
  first_check_pending_ = true;
  settings_.last_update_time = std::min(settings_.last_update_time, now - kTwelveHours + kFirstCheckDelay);
  if (tree_empty) StartUpdate(true);
}

void UpdateScheduler::StartUpdate(bool force) {
  ReapRetired();
  if (host_.empty() || running_) return;
  running_ = true;
  const bool download = force || settings_.options.auto_update || countdown_ > 0;
  if (download && hooks_.save_tree_changes) hooks_.save_tree_changes();
  if (thread_ && thread_->Restart(force, download)) return;
  // A worker that ended (nothing to report) or is ending makes way.
  thread_.reset();
  UpdateThreadConfig config = template_;
  const std::string code = paths_.LanguageCode();
  config.base_address = CompleteWebAddress(host_) + code + "/";
  config.language_code = code;
  config.data_key = "Data_" + code;
  config.data_folder = paths_.DataFolder();
  config.user_ini = paths_.UserIni();
  config.force_data = force;
  config.interactive = download;
  config.send_reports = ReadProfileInteger(paths_.UserIni(), "Update", "SendReports", 1) != 0;
  fields_.SetLanguageCode(code);
  thread_ = std::make_unique<TUpdateThread>(
      dispatcher_, std::move(config), fields_,
      [this](UpdateState state, const TUpdateFileRec& rec) { return OnNotify(state, rec); },
      [this] { thread_.reset(); });
  thread_->Resume();
}

void UpdateScheduler::ManualUpdate(double now) {
  if (hooks_.enable_update_item) hooks_.enable_update_item(false);
  settings_.last_update_time = now;
  countdown_ = kManualCountdown;
  StartUpdate(false);
}

void UpdateScheduler::Tick(double now) {
  ReapRetired();
  if ((settings_.options.auto_update || first_check_pending_) && now - settings_.last_update_time > kTwelveHours) {
    settings_.last_update_time = now;
    first_check_pending_ = false;
    StartUpdate(false);
  }
  if (!running_ && countdown_ > 0 && --countdown_ == 0 && hooks_.enable_update_item) hooks_.enable_update_item(true);
}

void UpdateScheduler::LanguageChanged(bool tree_empty) {
  Retire();
  if (running_) {
    // The old worker's answers are not coming any more.
    running_ = false;
    if (countdown_ > 0) {
      countdown_ = 0;
      if (hooks_.enable_update_item) hooks_.enable_update_item(true);
    }
  }
  if (tree_empty) StartUpdate(true);
}

void UpdateScheduler::Retire() {
  if (!thread_) return;
  thread_->Terminate();
  retired_.push_back(std::move(thread_));
}

void UpdateScheduler::ReapRetired() {
  std::erase_if(retired_, [](const std::unique_ptr<TUpdateThread>& old) { return old->Ended(); });
}

void UpdateScheduler::SetPendingReport(std::string text) {
  if (thread_) thread_->QueueReport(std::move(text));
}

void UpdateScheduler::WakeUp() {
  if (thread_) thread_->Wake();
}

bool UpdateScheduler::OnNotify(UpdateState state, const TUpdateFileRec& rec) {
  auto show = [this](int slot, std::string_view value) {
    if (hooks_.show_message) hooks_.show_message(FormatSlot(Msg(slot), value));
  };
  switch (state) {
    case UpdateState::kDataUpdated: {
      std::string error;
      if (!CommitStaged(rec.staging, paths_.DataFolder(), error)) return false;
      WriteProfileString(paths_.UserIni(), "Update", "Data_" + paths_.LanguageCode(), rec.Ver);
      if (hooks_.reload_tree) hooks_.reload_tree();
      show(53, rec.Ver);
      return true;
    }
    case UpdateState::kUpToDate:
      if (countdown_ > 0) show(54, {});
      return false;
    case UpdateState::kNewerProgram:
      if (hooks_.ask && hooks_.ask(FormatSlot(Msg(52), rec.Ver)) && hooks_.open_web_page) {
        hooks_.open_web_page(rec.Url);
      }
      return false;
    case UpdateState::kError:
      if (countdown_ > 0) {
        show(55, {});
        countdown_ = 0;
        if (hooks_.enable_update_item) hooks_.enable_update_item(true);
      }
      return false;
    case UpdateState::kFinished:
      running_ = false;
      return false;
  }
  return false;
}

}  // namespace tazmel
