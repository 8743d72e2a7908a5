#include "app/application.h"

#include <QApplication>
#include <QScreen>

#include "app/qt_dispatcher.h"
#include "core/file_utils.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/time_utils.h"
#include "online/browser_fetch.h"
#include "platform/language_ids.h"
#include "platform/pulse/pulse_wave_out.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "recording/wave_out.h"
#include "stations/tree_files.h"
#include "ui/main_window.h"
#include "ui/playback/engine_display.h"
#include "ui/playback/video_window.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {

Application::Application(ProgramPaths paths) : paths_(std::move(paths)) {}

Application::~Application() = default;

void Application::Start() {
  main_window_ = std::make_unique<TfrmMain>();
  prompts_.SetOwner(main_window_.get());
  connect(main_window_.get(), &TfrmMain::closeRequested, this, &Application::Close);
  connect(main_window_.get(), &TfrmMain::languageChosen, this, &Application::SwitchLanguage);
  connect(main_window_.get(), &TfrmMain::playRequested, this, [this] { engine_->Play(); });
  connect(main_window_.get(), &TfrmMain::stopRequested, this, [this] { engine_->Stop(); });

  // A first start gets the shipped settings as the user's own, before
  // anything is read; a failed copy just means defaults.
  std::error_code ec;
  if (!std::filesystem::exists(paths_.UserIni(), ec)) CopyFileExact(paths_.TazmelIni(), paths_.UserIni());

  system_language_id_ = SystemDefaultLanguageId();
  const std::string cur_lng = ReadProfileString(paths_.UserIni(), "Language", "CurLng");
  LoadLanguage(ChooseLanguage(cur_lng, system_language_id_));

  // The station tree comes with the playlist window; until that window
  // exists the tree lives here, so its files migrate and its changes and
  // playing position are kept as at a full start.
  tree_ = std::make_unique<TreeEditor>(paths_.DataFolder(), prompts_);
  MigrateLegacyTreeFile(paths_.DataFolder());
  CreatePlayer();

  settings_ = LoadSettings(paths_.TazmelIni(), paths_.UserIni(), NowDateTimeNumber()).settings;
  ApplySettings();
  tree_->ReloadTree(settings_.player.root_node_index, settings_.player.select_node_index);
  ShowState();

  if (!settings_.options.auto_hide) main_window_->show();
}

// Reads the language file once for the message slots and every window. A
// missing or unreadable file leaves all texts as they are.
void Application::LoadLanguage(const std::string& code) {
  paths_.SetLanguageCode(code);
  IniFile language;
  if (language.Load(paths_.LanguageFile()) == IniFile::LoadStatus::kLoaded) {
    Messages().Load(language);
    for (QWidget* window : QApplication::topLevelWidgets()) {
      // Program windows are named "frm..."; menus and dialogs of Qt's own
      // are translated with the window that owns them.
      if (window->objectName().startsWith("frm")) TranslateWindow(*window, language);
    }
  }
  QApplication::setApplicationDisplayName(main_window_->windowTitle());
  main_window_->SetLanguages(ListLanguages(paths_.LanguageFolder()), paths_.LanguageCode());
}

void Application::SwitchLanguage(const QString& code) {
  ++busy_;
  // The station data follows the language: keep changes, then read the new
  // folder's tree.
  tree_->SaveTreeChanges();
  LoadLanguage(code.toStdString());
  tree_->set_data_folder(paths_.DataFolder());
  tree_->ReloadTree(-1, -1);
  ShowState();
  if (--busy_ == 0 && close_pending_) CloseUnattended();
}

// The player host window has no owner; the components render video into its
// panel and take their registration and versions from the registry file.
void Application::CreatePlayer() {
  dispatcher_ = std::make_unique<QtDispatcher>();
  registry_ = std::make_unique<Registry>(Registry::DefaultFile());
  RegisterPlayerControls(*registry_);
  video_ = std::make_unique<TfrmVideo>();
  MpvOptions options;
  options.window_id = video_->VideoWindowId();
  factory_ = std::make_unique<MpvPlayerFactory>(*dispatcher_, *registry_, options);
  sound_ = std::make_unique<TWaveOut>(*dispatcher_, std::make_unique<PulseWaveOut>());
  display_ = std::make_unique<EngineDisplay>(*video_, [this] { ShowState(); });
  EngineServices services{.dispatcher = *dispatcher_,
                          .factory = *factory_,
                          .view = *display_,
                          .paths = paths_,
                          .sound = sound_.get(),
                          .fetch = MakeBrowserFetch(*dispatcher_, *registry_),
                          .wmp9_installed = [this] { return IsWmp9Installed(*registry_); },
                          .user_default_language_id = system_language_id_};
  engine_ = std::make_unique<PlaybackEngine>(std::move(services));
}

void Application::ApplySettings() {
  const QRect work = main_window_->screen() ? main_window_->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  const Rect fallback =
      DefaultMainWindowPlace(work.width(), work.height(), main_window_->width(), main_window_->height());
  main_window_->move(settings_.main_window.left.value_or(fallback.left + work.left()),
                     settings_.main_window.top.value_or(fallback.top + work.top()));
  main_window_->setWindowFlag(Qt::WindowStaysOnTopHint, settings_.options.always_on_top);

  const auto& options = settings_.options;
  engine_->SetOptions({.reconnect = options.reconnect,
                       .retry_num = options.retry_num,
                       .retry_delay = options.retry_delay,
                       .enable_sound = options.enable_sound,
                       .video_form_visible = options.video_form_visible});
  engine_->SetVolume(settings_.player.volume);
  engine_->SetBalance(settings_.player.balance);
  engine_->RestorePlaySource(settings_.player.cur_play_id, settings_.player.cur_user_url);
}

void Application::CollectSettings() {
  settings_.main_window.left = main_window_->x();
  settings_.main_window.top = main_window_->y();
  // Until the playlist window exists its place stays where it would open.
  const Rect list =
      DefaultPlayListPlace({main_window_->x(), main_window_->y(), main_window_->width(), main_window_->height()});
  auto& playlist = settings_.playlist;
  if (!playlist.left) playlist.left = list.left;
  if (!playlist.top) playlist.top = list.top;
  if (!playlist.width) playlist.width = list.width;
  if (!playlist.height) playlist.height = list.height;
  settings_.cur_lng = paths_.LanguageCode();
  settings_.player.cur_play_id = engine_->PlaySource();
  settings_.player.cur_user_url = engine_->GetUserUrl();
  settings_.player.volume = engine_->Volume();
  settings_.player.balance = engine_->Balance();
}

void Application::ShowState() {
  if (!main_window_) return;
  QString player = display_ ? display_->State() : FromGb(Msg(35));
  if (display_ && !display_->Title().isEmpty()) player += "  " + display_->Title();
  if (display_ && !display_->Speed().isEmpty()) player += "  " + display_->Speed();
  if (display_ && !display_->Elapsed().isEmpty()) player += "  " + display_->Elapsed();
  main_window_->SetStatusLines({
      player,
      QString::fromStdString(paths_.ProgramFolder().string()),
      QString::fromStdString(paths_.DataFolder().string()),
      QString("%1 top nodes").arg(tree_ ? tree_->tree().TopCount() : 0),
  });
}

void Application::CloseUnattended() {
  if (busy_ > 0) {
    close_pending_ = true;
    return;
  }
  prompts_.SetUnattended(true);
  Close();
}

void Application::Close() {
  if (closing_) return;
  closing_ = true;
  ++busy_;
  // Timer, hotkeys, drop target, recorder, tester, generator and data tool
  // stop here once they exist; then the settings are saved, the changed
  // tree first (after asking) with the playing station's position.
  CollectSettings();
  const auto [root_index, select_index] = tree_->GetTreePosition();
  settings_.player.root_node_index = root_index;
  settings_.player.select_node_index = select_index;
  SaveSettings(settings_, paths_.UserIni());
  // Nothing is heard while the program winds down.
  engine_->SetMute(true);
  main_window_->hide();
  video_->hide();
  emit closed();
}

}  // namespace tazmel
