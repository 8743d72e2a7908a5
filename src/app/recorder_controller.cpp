#include "app/recorder_controller.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <system_error>

#include "core/code_page.h"
#include "core/dispatcher.h"
#include "core/file_utils.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/system.h"
#include "core/text_utils.h"
#include "platform/pulse/pulse_sources.h"
#include "platform/pulse/pulse_wave_in.h"
#include "recording/audio_mixer.h"
#include "recording/lame_coder.h"
#include "recording/mixer_choice.h"
#include "recording/recorder.h"
#include "ui/recording/recorder_window.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

namespace fs = std::filesystem;

constexpr char kSection[] = "Record";
// Where the mixer report invites people to send it.
constexpr char kFeedbackMail[] = "feedback@tazmel.example.org";

// File names are the file system's bytes; Qt shows them in the locale's
// encoding.
QString FromPath(const fs::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }
fs::path ToPath(const QString& text) { return fs::path(QFile::encodeName(text).toStdString()); }
// Sound-system names are UTF-8.
QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// "Name (*.x)|*.x|..." from message slots.
QString Filter(std::initializer_list<std::pair<int, const char*>> entries) {
  QString filter;
  for (const auto& [slot, pattern] : entries) {
    if (!filter.isEmpty()) filter += u'|';
    filter += FromGb(Msg(slot)) + QStringLiteral(" (") + QString::fromLatin1(pattern) + QStringLiteral(")|") +
              QString::fromLatin1(pattern);
  }
  return filter;
}

// A copy that is whole or not there: written beside the target, renamed
// over it at the end.
bool CopyWhole(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::equivalent(from, to, ec)) return true;
  const fs::path part = to.string() + ".part";
  if (!fs::copy_file(from, part, fs::copy_options::overwrite_existing, ec)) {
    fs::remove(part, ec);
    return false;
  }
  fs::rename(part, to, ec);
  if (ec) fs::remove(part, ec);
  return !ec;
}

}  // namespace

RecorderController::RecorderController(RecorderParts parts, RecorderHooks hooks)
    : parts_(std::move(parts)), hooks_(std::move(hooks)) {
  if (!hooks_.query_sources) {
    hooks_.query_sources = [] { return QueryPulseSources({}, std::chrono::seconds(3)); };
  }
  if (!hooks_.make_device) hooks_.make_device = [] { return std::make_unique<PulseWaveIn>(); };
  if (!hooks_.save_dialog) {
    hooks_.save_dialog = [this](const QString& filter, int entry) -> std::optional<fs::path> {
      QFileDialog dialog(window_);
      dialog.setObjectName("dlgSave");
      std::string title = parts_.language.ReadString("frmRecorder", "dlgSave");
      dialog.setWindowTitle(title.empty() ? QStringLiteral("Save Record File") : FromGb(title));
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setDefaultSuffix(QStringLiteral("wav"));
      const QStringList filters = NameFiltersFromFilterText(filter);
      dialog.setNameFilters(filters);
      if (entry >= 1 && entry <= filters.size()) dialog.selectNameFilter(filters[entry - 1]);
      if (recorder_) dialog.setDirectory(FromPath(recorder_->SaveFolder()));
      if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
      return ToPath(dialog.selectedFiles().front());
    };
  }
  if (!hooks_.folder_dialog) {
    hooks_.folder_dialog = [this](const QString& prompt, const fs::path& start) -> std::optional<fs::path> {
      const QString folder = QFileDialog::getExistingDirectory(window_, prompt, FromPath(start));
      if (folder.isEmpty()) return std::nullopt;
      return ToPath(folder);
    };
  }
  if (!hooks_.open_report) {
    hooks_.open_report = [](const fs::path& report) {
      QDesktopServices::openUrl(QUrl::fromLocalFile(FromPath(report)));
    };
  }
}

RecorderController::~RecorderController() {
  // A reading still under way finishes into an expired token.
  if (query_.joinable()) query_.join();
  if (recorder_) {
    recorder_->on_stopped = nullptr;
    recorder_->on_error = nullptr;
  }
  recorder_.reset();
  delete window_.data();
}

TfrmRecorder* RecorderController::Window() const { return window_; }

// ---- entry points -------------------------------------------------------------------

bool RecorderController::IsRecording() const { return window_ && recorder_ && recorder_->Recording(); }

void RecorderController::StartRecording(const std::string& file_name) {
  Create();
  TakeSavePath();
  if (recorder_->SaveFolder().empty()) {
    ShowWindow();
    return;
  }
  if (recorder_->Recording() || recorder_->Converting()) return;
  if (!sources_known_) {
    pending_start_ = file_name;
    return;
  }
  window_->SetRecordFileText(FromPath(fs::path(file_name)));
  StartCommand();
}

void RecorderController::StopRecording() {
  pending_start_.reset();
  if (IsRecording()) StopCommand();
}

void RecorderController::ShowWindow() {
  Create();
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void RecorderController::ToggleRecording() {
  if (IsRecording() || pending_start_) {
    StopRecording();
  } else {
    StartRecording({});
  }
}

void RecorderController::Close() {
  pending_start_.reset();
  if (!recorder_) return;
  if (recorder_->Converting() && recorder_->Coder()) recorder_->Coder()->Cancel();
  recorder_->Stop();
  SaveSettings();
}

void RecorderController::Retranslate() {
  if (!window_) return;
  ShowAttributes();
  window_->SetTempPathCaption(FromGb(Msg(recorder_->Converting() ? 103 : 104)));
  if (!choice_) return;
  // The source names shown under the message texts are made anew.
  const int device = choice_->Device(), destination = choice_->Destination(), connection = choice_->Connection();
  const int slider = choice_->SliderPosition();
  choice_ = std::make_unique<MixerChoice>(*mixer_, GbToUtf8(Msg(138)), GbToUtf8(Msg(139)));
  std::vector<std::string> names;
  for (const MixerDevice& d : mixer_->Devices()) names.push_back(d.product_name);
  choice_->FillDevices(names);
  choice_->SelectDevice(device);
  choice_->SelectDestination(destination);
  choice_->SelectConnection(connection);
  if (choice_->SliderEnabled()) choice_->MoveSlider(slider);
  ShowMixer();
}

// ---- creation and the sources -------------------------------------------------------

void RecorderController::Create() {
  if (window_) return;
  std::unique_ptr<TLameCoder> coder = std::make_unique<TLameCoder>();
  recorder_ =
      std::make_unique<TRecorder>(parts_.dispatcher, hooks_.make_device(), std::move(coder), parts_.program_folder);
  recorder_->on_started = [this] {
    if (window_) window_->SetActivity(RecorderActivity::kRecording);
    ShowCounters();
    if (hooks_.recording_changed) hooks_.recording_changed(true);
  };
  recorder_->on_stopped = [this] {
    if (window_) window_->SetActivity(RecorderActivity::kIdle);
    RefreshRecordFiles(false);
    if (hooks_.recording_changed) hooks_.recording_changed(false);
  };
  recorder_->on_progress = [this] { ShowCounters(); };
  recorder_->on_error = [this](const std::string& error) { ShowError(error); };
  recorder_->Capture().SetOnSourceMoved([this](const std::string& source) { ShowSourceText(source); });
  recorder_->Capture().SetOnFileChanged([this](const std::string& file) {
    if (window_) window_->SetRecordFileText(FromPath(fs::path(file)));
  });

  window_ = new TfrmRecorder(parts_.owner);
  TranslateWindow(*window_, parts_.language);
  window_->SetCounters(QStringLiteral("00:00:00"), QStringLiteral("0.00 MB"));
  ShowAttributes();
  ConnectWindow();
  LoadSettings();
  QuerySources();
}

// The sound server is asked off this thread; the lists fill when it
// answers.
void RecorderController::QuerySources() {
  if (query_.joinable()) query_.join();
  std::weak_ptr<char> alive = alive_;
  query_ = std::jthread([this, alive, query = hooks_.query_sources, &dispatcher = parts_.dispatcher] {
    std::optional<SoundSources> sources = query();
    dispatcher.Post([this, alive, sources = std::move(sources)]() mutable {
      if (alive.lock()) TakeSources(std::move(sources));
    });
  });
}

void RecorderController::TakeSources(std::optional<SoundSources> sources) {
  sources_known_ = true;
  descriptions_.clear();
  if (sources) {
    for (const SoundSource& s : sources->sources) descriptions_[s.name] = s.description;
  }
  mixer_ = std::make_unique<TAudioMixer>(sources ? BuildMixerDevices(*sources) : std::vector<MixerDevice>{});
  choice_ = std::make_unique<MixerChoice>(*mixer_, GbToUtf8(Msg(138)), GbToUtf8(Msg(139)));
  std::vector<std::string> names;
  for (const MixerDevice& d : mixer_->Devices()) names.push_back(d.product_name);
  choice_->FillDevices(names);
  const auto saved = std::find(names.begin(), names.end(), saved_device_);
  if (!saved_device_.empty() && saved != names.end()) {
    choice_->SelectDevice(static_cast<int>(saved - names.begin()));
    const auto in_range = [](int index, std::size_t count) { return index >= 0 && index < static_cast<int>(count); };
    choice_->SelectDestination(in_range(saved_destination_, choice_->Destinations().size()) ? saved_destination_ : 0);
    choice_->SelectConnection(in_range(saved_connection_, choice_->Connections().size()) ? saved_connection_ : 0);
  } else {
    choice_->DefaultChoice(PreferredDevice(mixer_->Devices()));
  }
  ApplySource();
  ShowMixer();
  emit sourcesRead();
  if (pending_start_) {
    const std::string file = *pending_start_;
    pending_start_.reset();
    StartRecording(file);
  }
}

// ---- settings -----------------------------------------------------------------------

void RecorderController::LoadSettings() {
  const fs::path& ini = parts_.user_ini;
  window_->SetFormat(ReadProfileInteger(ini, kSection, "FileFormat", 1) == 0 ? 0 : 1);
  FormatChosen(window_->Format());
  window_->SetSavePath(FromPath(fs::path(GbToUtf8(ReadProfileString(ini, kSection, "SavePath", "")))));
  TakeSavePath();
  AttributesChosen(ReadProfileInteger(ini, kSection, "Attributes", kDefaultAttributes));
  saved_device_ = GbToUtf8(ReadProfileString(ini, kSection, "Device", ""));
  saved_destination_ = ReadProfileInteger(ini, kSection, "Destination", 0);
  saved_connection_ = ReadProfileInteger(ini, kSection, "Connection", 0);
  RefreshRecordFiles(true);
  const std::string last = GbToUtf8(ReadProfileString(ini, kSection, "LastRecordFileName", ""));
  if (!last.empty()) window_->SetRecordFileText(FromPath(fs::path(last)));
}

void RecorderController::SaveSettings() {
  if (!window_) return;
  const fs::path& ini = parts_.user_ini;
  // Settings that cannot be written cost only themselves.
  WriteProfileString(ini, kSection, "FileFormat", std::to_string(window_->Format() == 1 ? 1 : 0));
  WriteProfileString(ini, kSection, "SavePath", Utf8ToGb(ToPath(window_->SavePath()).string()));
  WriteProfileString(ini, kSection, "LastRecordFileName", Utf8ToGb(ToPath(window_->RecordFileText()).string()));
  WriteProfileString(ini, kSection, "Attributes", std::to_string(recorder_->Attributes()));
  if (choice_ && choice_->Device() >= 0) {
    saved_device_ = choice_->Devices()[static_cast<std::size_t>(choice_->Device())];
    saved_destination_ = choice_->Destination();
    saved_connection_ = choice_->Connection();
  }
  WriteProfileString(ini, kSection, "Device", Utf8ToGb(saved_device_));
  WriteProfileString(ini, kSection, "Destination", std::to_string(saved_destination_));
  WriteProfileString(ini, kSection, "Connection", std::to_string(saved_connection_));
}

// ---- the window ----------------------------------------------------------------------

void RecorderController::ConnectWindow() {
  TfrmRecorder* w = window_;
  connect(w, &TfrmRecorder::startClicked, this, &RecorderController::StartCommand);
  connect(w, &TfrmRecorder::stopClicked, this, &RecorderController::StopCommand);
  connect(w, &TfrmRecorder::playClicked, this, &RecorderController::PlayCommand);
  connect(w, &TfrmRecorder::newClicked, this, &RecorderController::NewCommand);
  connect(w, &TfrmRecorder::saveAsClicked, this, &RecorderController::SaveAsCommand);
  connect(w, &TfrmRecorder::clearClicked, this, &RecorderController::ClearCommand);
  connect(w, &TfrmRecorder::setPathClicked, this, &RecorderController::SetPathCommand);
  connect(w, &TfrmRecorder::cancelClicked, this, &RecorderController::CancelCommand);
  connect(w, &TfrmRecorder::defaultClicked, this, &RecorderController::DefaultCommand);
  connect(w, &TfrmRecorder::reportClicked, this, &RecorderController::ReportCommand);
  connect(w, &TfrmRecorder::formatChosen, this, &RecorderController::FormatChosen);
  connect(w, &TfrmRecorder::attributesChosen, this, &RecorderController::AttributesChosen);
  connect(w, &TfrmRecorder::savePathEdited, this, [this] {
    TakeSavePath();
    RefreshRecordFiles(false);
  });
  auto mixer_command = [this](auto select) {
    return [this, select](int index) {
      if (!choice_) return;
      (choice_.get()->*select)(index);
      ApplySource();
      ShowMixer();
    };
  };
  connect(w, &TfrmRecorder::deviceChosen, this, mixer_command(&MixerChoice::SelectDevice));
  connect(w, &TfrmRecorder::destinationChosen, this, mixer_command(&MixerChoice::SelectDestination));
  connect(w, &TfrmRecorder::connectionChosen, this, mixer_command(&MixerChoice::SelectConnection));
  connect(w, &TfrmRecorder::volumeMoved, this, mixer_command(&MixerChoice::MoveSlider));
}

void RecorderController::StartCommand() {
  if (!recorder_ || recorder_->Recording() || recorder_->Converting()) return;
  TakeSavePath();
  const fs::path typed = ToPath(window_->RecordFileText().trimmed());
  // What New chose to replace goes now that a recording takes its place.
  std::error_code ec;
  if (!replace_file_.empty() && typed == replace_file_) fs::remove(replace_file_, ec);
  replace_file_.clear();
  // A station's name is cleaned in its own code page, where a character's
  // second byte may look like a separator, and then becomes a file name.
  const std::string playing = hooks_.playing_name ? GbToUtf8(CleanFileName(hooks_.playing_name())) : std::string();
  const bool started = recorder_->Start(typed.string(), playing);
  window_->SetSavePath(FromPath(recorder_->SaveFolder()));
  if (started) {
    RefreshRecordFiles(false);
    window_->SetRecordFileText(FromPath(recorder_->File()));
    ShowSourceText(recorder_->Capture().CurrentSource());
  }
}

void RecorderController::StopCommand() {
  if (recorder_) recorder_->Stop();
}

void RecorderController::PlayCommand() {
  if (!recorder_) return;
  recorder_->Stop();
  const fs::path file = ToPath(window_->RecordFileText().trimmed());
  if (!file.empty() && hooks_.play_file) hooks_.play_file(file);
}

void RecorderController::NewCommand() {
  const QString filter = Filter({{101, "*.wav"}, {102, "*.mp3"}, {50, "*.*"}});
  const std::optional<fs::path> chosen = hooks_.save_dialog(filter, window_->Format() + 1);
  if (!chosen) return;
  // The dialog asked before overwriting; the old file goes when the next
  // recording starts into it, not before.
  std::error_code ec;
  replace_file_ = fs::exists(*chosen, ec) ? *chosen : fs::path();
  window_->SetRecordFileText(FromPath(*chosen));
}

void RecorderController::SaveAsCommand() {
  if (!recorder_ || recorder_->Recording() || recorder_->Converting()) return;
  const fs::path source = ToPath(window_->RecordFileText().trimmed());
  std::error_code ec;
  if (source.empty() || !fs::is_regular_file(source, ec)) return;
  const bool from_mp3 = Lower(source.extension().string()) == ".mp3";
  const QString filter =
      from_mp3 ? Filter({{102, "*.mp3"}, {50, "*.*"}}) : Filter({{101, "*.wav"}, {102, "*.mp3"}, {50, "*.*"}});
  const std::optional<fs::path> target = hooks_.save_dialog(filter, from_mp3 ? 1 : 2);
  if (!target) return;
  if (Lower(source.extension().string()) == ".wav" && Lower(target->extension().string()) == ".mp3" &&
      recorder_->Coder()) {
    Convert(source, *target);
  } else if (!CopyWhole(source, *target)) {
    ShowError(target->string() + ": the copy could not be written");
  }
  RefreshRecordFiles(false);
}

bool RecorderController::Convert(const fs::path& from, const fs::path& to) {
  TLameCoder& coder = *recorder_->Coder();
  recorder_->SetConverting(true);
  window_->SetActivity(RecorderActivity::kConverting);
  window_->SetTempPathCaption(FromGb(Msg(103)));
  coder.SetInputFiles({from});
  coder.OutputFiles()[0] = to;
  QPointer<TfrmRecorder> window = window_;
  coder.OnProgress = [window](std::uint16_t percent) {
    if (window) window->SetProgress(percent);
  };
  // The window stays live: the coder lets pending events run after every
  // chunk, which is also how Cancel reaches it.
  const bool ok = coder.ConvertFiles(parts_.dispatcher);
  coder.OnProgress = nullptr;
  // No longer converting, Cancel only restores the window.
  recorder_->SetConverting(false);
  CancelCommand();
  if (!ok && !coder.Cancelled()) ShowError(coder.LastError());
  return ok;
}

void RecorderController::CancelCommand() {
  if (!recorder_) return;
  if (recorder_->Converting() && recorder_->Coder()) recorder_->Coder()->Cancel();
  recorder_->SetConverting(false);
  if (!window_) return;
  window_->SetActivity(recorder_->Recording() ? RecorderActivity::kRecording : RecorderActivity::kIdle);
  window_->SetTempPathCaption(FromGb(Msg(104)));
}

void RecorderController::ClearCommand() {
  if (!recorder_ || recorder_->Recording() || recorder_->Converting()) return;
  TakeSavePath();
  const std::string folder = Utf8ToGb(recorder_->SaveFolder().string());
  if (!parts_.prompts.AskQuestion(FormatSlot(Msg(113), folder))) return;
  // Only the recordings listed go, and the folder only when that empties it.
  recorder_->Clear();
  RefreshRecordFiles(true);
}

void RecorderController::SetPathCommand() {
  const fs::path start = ToPath(window_->SavePath());
  if (std::optional<fs::path> folder = hooks_.folder_dialog(FromGb(Msg(112)), start)) {
    window_->SetSavePath(FromPath(*folder));
    TakeSavePath();
    RefreshRecordFiles(false);
  }
}

void RecorderController::DefaultCommand() {
  if (!recorder_ || recorder_->Recording()) return;
  window_->SetFormat(1);
  FormatChosen(1);
  AttributesChosen(kDefaultAttributes);
  if (choice_) choice_->DefaultChoice(PreferredDevice(mixer_->Devices()));
  ApplySource();
  ShowMixer();
}

void RecorderController::ReportCommand() {
  if (!mixer_) return;
  if (std::optional<fs::path> report = WriteMixerReport(mixer_->Devices(), parts_.program_folder, kFeedbackMail)) {
    hooks_.open_report(*report);
  }
}

// MP3 without an encoder falls back to Wave; a record file that is not
// there yet follows the format's extension.
void RecorderController::FormatChosen(int format) {
  if (!recorder_ || recorder_->Recording()) return;
  recorder_->SetFileFormat(format == 1 ? TRecorder::Format::kMp3 : TRecorder::Format::kWave);
  const bool mp3 = recorder_->FileFormat() == TRecorder::Format::kMp3;
  window_->SetFormat(mp3 ? 1 : 0);
  window_->SetAttributes(recorder_->Attributes());
  const QString text = window_->RecordFileText().trimmed();
  std::error_code ec;
  fs::path file = ToPath(text);
  if (!text.isEmpty() && !fs::exists(file, ec)) {
    file.replace_extension(mp3 ? ".mp3" : ".wav");
    window_->SetRecordFileText(FromPath(file));
  }
}

void RecorderController::AttributesChosen(int index) {
  if (!recorder_) return;
  recorder_->SetAttributes(index);
  window_->SetAttributes(recorder_->Attributes());
}

// ---- what the window shows ------------------------------------------------------------

void RecorderController::ShowMixer() {
  if (!window_ || !choice_) return;
  RecorderMixerView view;
  for (const std::string& name : choice_->Devices()) view.devices << FromUtf8(name);
  for (const std::string& name : choice_->Destinations()) view.destinations << FromUtf8(name);
  for (const std::string& name : choice_->Connections()) view.connections << FromUtf8(name);
  view.device = choice_->Device();
  view.destination = choice_->Destination();
  view.connection = choice_->Connection();
  view.slider_enabled = choice_->SliderEnabled();
  view.slider_position = choice_->SliderPosition();
  window_->ShowMixer(view);
}

// The chosen source records from the next start; its gain and mute apply at
// once to a running recording.
void RecorderController::ApplySource() {
  if (!choice_ || !recorder_) return;
  const std::optional<WaveInSource> source = choice_->Capture();
  if (!source) return;
  recorder_->SetSource(*source);
  if (recorder_->Recording()) {
    recorder_->Capture().SetVolume(source->volume, source->mute);
  } else {
    ShowSourceText(source->name);
  }
}

void RecorderController::ShowSourceText(const std::string& source) {
  if (!window_) return;
  const auto known = descriptions_.find(source);
  window_->SetSourceText(FromUtf8(known != descriptions_.end() ? known->second : source));
  window_->SourceLabel().setToolTip(FromUtf8(source));
}

void RecorderController::ShowCounters() {
  if (window_ && recorder_) {
    window_->SetCounters(QString::fromStdString(recorder_->ElapsedText()),
                         QString::fromStdString(recorder_->SizeText()));
  }
}

void RecorderController::RefreshRecordFiles(bool select_last) {
  if (!window_ || !recorder_) return;
  QStringList files;
  for (const fs::path& file : recorder_->RecordFiles()) files << FromPath(file);
  const QString text = window_->RecordFileText();
  window_->SetRecordFiles(files, select_last || text.isEmpty() ? (files.isEmpty() ? QString() : files.back()) : text);
}

void RecorderController::ShowAttributes() {
  QStringList items;
  for (int k = 0; k < kAttributeCount; ++k) items << FromGb(AttributeText(k));
  window_->SetAttributeItems(items);
  if (recorder_) window_->SetAttributes(recorder_->Attributes());
}

// The folder as typed, trimmed of blanks and of one trailing separator.
void RecorderController::TakeSavePath() {
  if (!window_ || !recorder_) return;
  QString text = window_->SavePath().trimmed();
  if (text.size() > 1 && text.endsWith(u'/')) text.chop(1);
  recorder_->SetSaveFolder(ToPath(text));
}

// A recording that broke off is told where the user looks: in a message
// box over the window when it is shown, else in a tray balloon. Shown
// after the current event, not inside the capture's delivery.
void RecorderController::ShowError(const std::string& error) {
  QTimer::singleShot(0, this, [this, error] {
    std::string pattern = parts_.language.ReadString("frmRecorder", "RecordError");
    if (pattern.empty()) pattern = "The recording stopped: %s";
    const QString text = FromGb(FormatSlot(pattern, Utf8ToGb(error)));
    const bool window_shown = window_ && window_->isVisible();
    if (!window_shown && hooks_.balloon && hooks_.balloon(FromGb(Msg(99)), text)) return;
    parts_.prompts.ShowInfo(ToGb(text));
  });
}

}  // namespace tazmel
