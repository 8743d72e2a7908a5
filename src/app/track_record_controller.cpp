#include "app/track_record_controller.h"

#include <QAction>
#include <QDateTime>

#include "core/code_page.h"
#include "core/ini_file.h"
#include "core/system.h"
#include "core/text_utils.h"
#include "playback/engine.h"
#include "ui/main/main_window.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

constexpr char kItem[] = "nTrackRecord";

bool IsHttp(std::string_view address) {
  const std::string lower = AsciiLowerCopy(address.substr(0, 8));
  return lower.starts_with("http://") || lower.starts_with("https://");
}

}  // namespace

TrackRecordController::TrackRecordController(Parts parts)
    : parts_(std::move(parts)),
      recorder_(parts_.dispatcher,
                {.track_started = {}, .ended = [this](const StreamRecordResult& result) { Ended(result); }}) {
  if (QAction* action = parts_.window.Action(kItem)) {
    connect(action, &QAction::triggered, this, [this] { Toggle(); });
  }
  ShowState();
}

TrackRecordController::~TrackRecordController() = default;

void TrackRecordController::Toggle() {
  if (recorder_.Recording()) {
    recorder_.Stop();
  } else {
    Start();
  }
  ShowState();
}

void TrackRecordController::Start() {
  const std::vector<std::string>& addresses = parts_.engine.AddressList();
  const int index = parts_.engine.AddressIndex();
  const bool have = parts_.engine.IsActive() && index >= 0 && index < static_cast<int>(addresses.size()) &&
                    IsHttp(addresses[static_cast<std::size_t>(index)]);
  if (!have) {
    Tell("TrackRecordNothing", "Only a station playing over HTTP can be recorded by title.", "");
    return;
  }
  // The recorder window's save folder, or its default.
  std::filesystem::path folder(GbToUtf8(ReadProfileString(parts_.user_ini, "Record", "SavePath", "")));
  if (folder.empty()) folder = parts_.program_folder / "Record";
  std::string name = GbToUtf8(parts_.engine.GetCurrentTitle());
  const std::string stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")).toStdString();
  name = name.empty() ? stamp : name + " " + stamp;
  recorder_.Start({.url = addresses[static_cast<std::size_t>(index)], .folder = folder, .untitled_name = name});
}

void TrackRecordController::Ended(const StreamRecordResult& result) {
  ShowState();
  if (!result.ok) Tell("TrackRecordFailed", "Recording by title stopped: %s", result.error);
}

void TrackRecordController::ShowState() {
  if (QAction* action = parts_.window.Action(kItem)) action->setChecked(recorder_.Recording());
}

void TrackRecordController::Tell(const std::string& key, const char* english, const std::string& value) {
  std::string text = parts_.language.ReadString("frmMain", key);
  if (text.empty()) text = english;
  text = FormatSlot(text, Utf8ToGb(value));
  if (!parts_.balloon(QStringLiteral("Tazmel"), FromGb(text))) parts_.prompts.ShowInfo(text);
}

}  // namespace tazmel
