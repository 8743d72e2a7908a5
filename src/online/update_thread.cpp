#include "online/update_thread.h"

#include <algorithm>

#include "core/dispatcher.h"
#include "core/ini_file.h"
#include "core/text_utils.h"
#include "online/data_install.h"
#include "online/http_client.h"
#include "online/sha256.h"
#include "online/update_info.h"
#include "online/zip_reader.h"

namespace tazmel {

// ---------------------------------------------------------------------------

TBaseThread::~TBaseThread() {
  TBaseThread::Terminate();
  Join();
}

void TBaseThread::Resume() {
  std::lock_guard lock(mutex_);
  if (thread_.joinable() || terminated_) return;
  thread_ = std::thread([this] {
    Execute();
    ended_.store(true);
  });
}

void TBaseThread::Wake() {
  std::lock_guard lock(mutex_);
  wake_ = true;
  changed_.notify_all();
}

void TBaseThread::Terminate() {
  std::lock_guard lock(mutex_);
  terminated_ = true;
  changed_.notify_all();
}

void TBaseThread::Join() {
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool TBaseThread::Terminated() const {
  std::lock_guard lock(mutex_);
  return terminated_;
}

void TBaseThread::Sleep(std::chrono::milliseconds duration) {
  std::unique_lock lock(mutex_);
  changed_.wait_for(lock, duration, [this] { return terminated_ || wake_; });
  wake_ = false;
}

void TBaseThread::Suspend() {
  std::unique_lock lock(mutex_);
  // The wake stays set: the sleep that follows ends at once, so what woke
  // the thread is handled now.
  changed_.wait(lock, [this] { return terminated_ || wake_; });
}

// ---------------------------------------------------------------------------

// The calls the worker makes on the user-interface thread. Once the owner
// cancels, posted calls that have not run do nothing and a waiting worker
// goes on.
struct TUpdateThread::Notifier {
  std::mutex mutex;
  std::condition_variable done;
  bool cancelled = false;
  UpdateListener listener;
  std::function<void()> on_end;
};

TUpdateThread::TUpdateThread(Dispatcher& dispatcher, UpdateThreadConfig config, ClientFields& fields,
                             UpdateListener listener, std::function<void()> on_end)
    : dispatcher_(dispatcher), config_(std::move(config)), fields_(fields), notifier_(std::make_shared<Notifier>()) {
  notifier_->listener = std::move(listener);
  notifier_->on_end = std::move(on_end);
}

TUpdateThread::~TUpdateThread() {
  Terminate();
  Join();
}

void TUpdateThread::Terminate() {
  downloader_.Abort();
  {
    std::lock_guard lock(notifier_->mutex);
    notifier_->cancelled = true;
    notifier_->done.notify_all();
  }
  TBaseThread::Terminate();
}

bool TUpdateThread::Restart(bool force_data, bool interactive) {
  std::lock_guard lock(mutex_);
  if (busy_ || ending_) return false;
  config_.force_data = force_data;
  config_.interactive = interactive;
  restart_ = true;
  wake_requested_locked();
  return true;
}

bool TUpdateThread::Busy() const {
  std::lock_guard lock(mutex_);
  return busy_;
}

void TUpdateThread::QueueReport(std::string text) {
  const bool stop = !text.empty() && text.front() == 'S';
  {
    std::lock_guard lock(mutex_);
    queued_report_ = ReportWithoutCredentials(text);
  }
  if (stop) Wake();
}

bool TUpdateThread::Notify(UpdateState state, const TUpdateFileRec& rec) {
  struct Call {
    bool finished = false;
    bool answer = false;
  };
  auto call = std::make_shared<Call>();
  std::shared_ptr<Notifier> notifier = notifier_;
  dispatcher_.Post([notifier, call, state, rec] {
    {
      std::lock_guard lock(notifier->mutex);
      if (notifier->cancelled) return;
    }
    const bool answer = notifier->listener ? notifier->listener(state, rec) : false;
    std::lock_guard lock(notifier->mutex);
    call->answer = answer;
    call->finished = true;
    notifier->done.notify_all();
  });
  std::unique_lock lock(notifier->mutex);
  notifier->done.wait(lock, [&] { return call->finished || notifier->cancelled; });
  return call->finished && call->answer;
}

void TUpdateThread::Execute() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (terminated_locked()) break;
      busy_ = true;
      restart_ = false;
    }
    Pass();
    {
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    Notify(UpdateState::kFinished, {});
    if (!report_address_.empty() && report_interval_.count() > 0 && !Terminated()) ReportLoop();
    std::lock_guard lock(mutex_);
    // A restart asked for after the pass ended runs another pass rather
    // than being lost with the ending thread.
    if (terminated_locked() || !restart_) {
      ending_ = true;
      break;
    }
  }
  std::shared_ptr<Notifier> notifier = notifier_;
  dispatcher_.Post([notifier] {
    std::function<void()> on_end;
    {
      std::lock_guard lock(notifier->mutex);
      if (notifier->cancelled) return;
      on_end = notifier->on_end;
    }
    if (on_end) on_end();
  });
}

void TUpdateThread::Pass() {
  downloader_.SetTimeout(config_.text_timeout);
  std::string text;
  std::optional<UpdateInfo> info;
  // update.inf is fetched as a plain file: a static host serves it.
  if (downloader_.GetStream(config_.base_address + "update.inf", text, kMaxUpdateInfBytes)) {
    info = ParseUpdateInfo(text);
  }
  bool interactive = false;
  {
    std::lock_guard lock(mutex_);
    interactive = config_.interactive;
  }
  if (!info) {
    if (interactive) Notify(UpdateState::kError, {});
    return;
  }
  if (interactive) {
    bool notified = false;
    try {
      VersionCheck(*info, notified);
    } catch (...) {
      // Nothing of the check may escape the thread.
    }
    if (!notified) Notify(UpdateState::kError, {});
  }
  Register(*info);
}

void TUpdateThread::VersionCheck(const UpdateInfo& info, bool& notified) {
  const std::string installed = ReadProfileString(config_.user_ini, "Update", config_.data_key, "");
  bool force = false;
  {
    std::lock_guard lock(mutex_);
    force = config_.force_data;
  }
  bool updated = false;
  bool install_failed = false;
  if (!info.data_url.empty() && info.data_size > 0 && (force || installed < info.data_ver)) {
    const std::string url = ResolveServerAddress(config_.base_address, info.data_url);
    updated = !url.empty() && InstallData(info, url);
    install_failed = !updated;
    notified = updated;
  }
  if (Terminated()) return;
  if (!info.app_url.empty() && CompareVersion(ProgramVersion(), info.app_ver) == -1) {
    const std::string url = ResolveServerAddress(config_.base_address, info.app_url);
    if (!url.empty()) {
      Notify(UpdateState::kNewerProgram, {.Size = 0, .Ver = info.app_ver, .Url = url, .staging = {}});
      notified = true;
      return;
    }
  }
  // An archive that was offered but could not be installed is an error,
  // not "up to date".
  if (!updated && !install_failed) {
    Notify(UpdateState::kUpToDate, {});
    notified = true;
  }
}

bool TUpdateThread::InstallData(const UpdateInfo& info, const std::string& archive_url) {
  if (info.data_size > kMaxArchiveBytes) return false;
  const auto size = static_cast<std::size_t>(info.data_size);
  std::string archive;
  downloader_.SetTimeout(config_.archive_timeout);
  const bool fetched = downloader_.GetStream(archive_url, archive, size + 1);
  downloader_.SetTimeout(config_.text_timeout);
  if (!fetched || archive.size() != size) return false;
  if (!info.data_sha256.empty() && Sha256Hex(archive) != info.data_sha256) return false;
  ZipResult zip = ReadZip(archive);
  archive = {};
  if (!zip.ok()) return false;
  const ArchivePlan plan = PlanArchive(std::move(zip.entries), config_.language_code, config_.data_folder);
  if (!plan.ok()) return false;
  const std::filesystem::path staging = StagingFolder(config_.data_folder);
  std::string error;
  if (!StageArchive(plan, staging, error)) return false;
  const bool installed = Notify(UpdateState::kDataUpdated,
                                {.Size = info.data_size, .Ver = info.data_ver, .Url = archive_url, .staging = staging});
  std::error_code ec;
  std::filesystem::remove_all(staging, ec);
  return installed;
}

void TUpdateThread::Register(const UpdateInfo& info) {
  report_address_.clear();
  report_interval_ = std::chrono::milliseconds(0);
  if (info.check_url.empty()) return;
  const std::string address = ResolveServerAddress(config_.base_address, info.check_url);
  if (address.empty()) return;
  if (first_pass_) {
    first_pass_ = false;
    const std::string identity = ScrambleIdentity(PlainClientIdentity());
    fields_.SetSid(identity);
    const std::string sid = SidFromAnswer(downloader_.GetString(address + RequestQuery("0", fields_, identity)));
    if (!sid.empty()) fields_.SetSid(sid);
  }
  if (!config_.send_reports || info.check_int <= 0) return;
  report_address_ = address + ReportQueryPrefix(fields_.Sid());
  report_interval_ = std::max(info.check_int, 5) * config_.minute;
}

void TUpdateThread::ReportLoop() {
  while (!Terminated()) {
    Sleep(report_interval_);
    std::string text;
    {
      std::lock_guard lock(mutex_);
      if (terminated_locked() || restart_) return;
      text.swap(queued_report_);
    }
    if (!text.empty()) downloader_.GetString(report_address_ + EncodeUrlBytes(text));
    {
      std::lock_guard lock(mutex_);
      if (terminated_locked() || restart_) return;
      if (!queued_report_.empty()) continue;
    }
    Suspend();
  }
}

}  // namespace tazmel
