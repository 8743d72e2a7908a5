#include "app/application.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstdlib>

#include "app/editor_controller.h"
#include "app/hotkey_controller.h"
#include "app/main_window_controller.h"
#include "app/music_controller.h"
#include "app/now_playing_controller.h"
#include "app/options_controller.h"
#include "app/playlist_controller.h"
#include "app/qt_dispatcher.h"
#include "app/recorder_controller.h"
#include "app/schedule_actions.h"
#include "app/schedule_controller.h"
#include "app/search_controller.h"
#include "app/sleep_timer_controller.h"
#include "app/tester_controller.h"
#include "app/track_record_controller.h"
#include "app/tree_generator_controller.h"
#include "app/update_scheduler.h"
#include "core/file_utils.h"
#include "core/ini_file.h"
#include "core/messages.h"
#include "core/text_utils.h"
#include "core/time_utils.h"
#include "online/browser_fetch.h"
#include "online/submission.h"
#include "platform/language_ids.h"
#include "platform/pulse/pulse_wave_out.h"
#include "platform/registry.h"
#include "playback/engine.h"
#include "playback/media_kind.h"
#include "playback/mpv/mpv_factory.h"
#include "playback/station_proxy.h"
#include "recording/wave_out.h"
#include "schedule/logind_power_off.h"
#include "schedule/pulse_file_player.h"
#include "schedule/timedated_clock_setter.h"
#include "stations/tree_files.h"
#include "ui/controls/drop_target.h"
#include "ui/hint_style.h"
#include "ui/main/main_window.h"
#include "ui/main/tray_icon.h"
#include "ui/music/music_list_box.h"
#include "ui/online/online_dialogs.h"
#include "ui/playback/engine_display.h"
#include "ui/playback/video_window.h"
#include "ui/playlist/find_dialog.h"
#include "ui/playlist/playlist_window.h"
#include "ui/playlist/radio_tree_model.h"
#include "ui/playlist/radio_tree_view.h"
#include "ui/playlist/tree_menu.h"
#include "ui/schedule/adjust_time_dialog.h"
#include "ui/schedule/shutdown_dialog.h"
#include "ui/schedule/task_dialog.h"
#include "ui/skins/skin_state.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

// Next and Previous walk the station tree in tree order while it shows
// (through the tree pane's controller once it exists, so the pane follows
// the step), and the music list otherwise; the end of a music file always
// advances the music list.
class TreeNavigator : public PlaylistNavigator {
 public:
  TreeNavigator(TreeEditor& tree, const std::unique_ptr<PlayListController>& playlist,
                const std::unique_ptr<MusicController>& music, std::function<bool()> tree_visible)
      : tree_(tree), playlist_(playlist), music_(music), tree_visible_(std::move(tree_visible)) {}
  int NextEntry(int source) override {
    if (music_ && (source == -1 || !tree_visible_())) return music_->PlayNextMusic();
    return playlist_ ? playlist_->PlayNextStation() : tree_.PlayNextStation();
  }
  int PreviousEntry(int source) override {
    if (music_ && (source == -1 || !tree_visible_())) return music_->PlayPreviousMusic();
    return playlist_ ? playlist_->PlayPreviousStation() : tree_.PlayPreviousStation();
  }
  std::string CurrentMusicEntry() override { return music_ ? music_->GetPlayingItemPath() : std::string(); }

 private:
  TreeEditor& tree_;
  const std::unique_ptr<PlayListController>& playlist_;
  const std::unique_ptr<MusicController>& music_;
  std::function<bool()> tree_visible_;
};

}  // namespace

Application::Application(ProgramPaths paths)
    : paths_(std::move(paths)),
      dispatcher_(std::make_unique<QtDispatcher>()),
      main_window_(std::make_unique<TfrmMain>()),
      playlist_window_(std::make_unique<TfrmPlayList>()),
      prompts_(main_window_.get()) {
  main_window_->SetDispatcher(*dispatcher_);
  // The playlist window draws from the main window's skin, snaps to it and
  // moves with it; every skin the main window loads reaches it.
  playlist_window_->SetSkin(&main_window_->Skin());
  playlist_window_->SetMainWindow(main_window_.get());
  playlist_window_->SetDispatcher(*dispatcher_);
  main_window_->SetPlayListWindow(playlist_window_.get());
  connect(main_window_.get(), &TfrmMain::skinApplied, playlist_window_.get(), &TfrmPlayList::ApplySkin);
  // New user trees take their icon from the skin's node icons.
  connect(main_window_.get(), &TfrmMain::skinApplied, this, [this] {
    if (tree_ && !main_window_->Skin().NodeIcons().empty())
      tree_->set_last_tree_icon(static_cast<int>(main_window_->Skin().NodeIcons().size()) - 1);
  });
}

Application::~Application() {
  editor_.reset();
  // The tree pane sits in the playlist window and reads the tree: both go
  // while the tree is still there.
  playlist_drop_.reset();
  music_controller_.reset();
  playlist_controller_.reset();
  playlist_window_.reset();
}

void Application::Start() {
  // A first start gets the shipped settings as the user's own, before
  // anything is read; a failed copy just means defaults.
  std::error_code ec;
  if (!std::filesystem::exists(paths_.UserIni(), ec)) CopyFileExact(paths_.TazmelIni(), paths_.UserIni());

  // Hint timing for every widget; the main window's face shows its own.
  if (!qobject_cast<HintStyle*>(QApplication::style())) QApplication::setStyle(new HintStyle);
  // Every window exists before the language is applied, so each is
  // translated with the others.
  video_ = std::make_unique<TfrmVideo>();
  system_language_id_ = SystemDefaultLanguageId();
  const std::string cur_lng = ReadProfileString(paths_.UserIni(), "Language", "CurLng");
  LoadLanguage(ChooseLanguage(cur_lng, system_language_id_));

  registry_ = std::make_unique<Registry>(Registry::DefaultFile());
  // A station's proxy left in force by a run that crashed is undone first.
  proxies_ = std::make_unique<StationProxyOverrides>(*registry_);
  proxies_->RecoverAfterCrash();
  main_window_->DropTarget().Register(main_window_.get());
  video_->DropTarget().Register(video_.get());

  TreeEditorHooks hooks;
  hooks.play_station = [this](int id) { engine_->PlayStation(id); };
  tree_ = std::make_unique<TreeEditor>(paths_.DataFolder(), prompts_, std::move(hooks));
  if (!main_window_->Skin().NodeIcons().empty()) {
    tree_->set_last_tree_icon(static_cast<int>(main_window_->Skin().NodeIcons().size()) - 1);
  }
  MigrateLegacyTreeFile(paths_.DataFolder());
  navigator_ = std::make_unique<TreeNavigator>(*tree_, playlist_controller_, music_controller_,
                                               [this] { return playlist_window_->IsTreeVisible(); });
  channels_ = std::make_unique<ChannelButtons>(paths_.UserIni(), *tree_);
  CreatePlayer();
  main_controller_ = std::make_unique<MainWindowController>(
      MainWindowParts{.window = *main_window_,
                      .video = *video_,
                      .engine = *engine_,
                      .tree = *tree_,
                      .channels = *channels_,
                      .settings = settings_,
                      .paths = paths_,
                      .language = language_,
                      .prompts = prompts_,
                      .update = update_.get(),
                      .pages = pages_.get()},
      MainWindowHooks{.close = [this] { Close(); },
                      .close_unattended = [this] { CloseUnattended(); },
                      .load_language = [this](const std::string& code) { LoadLanguage(code); },
                      .open_web_page = {},
                      .music_channel = [this](int i) { return PlayMusicChannel(i); },
                      .dropped_files = [this](const auto& files) { return PlayDroppedFiles(files); }});

  settings_ = LoadSettings(paths_.TazmelIni(), paths_.UserIni(), NowDateTimeNumber()).settings;
  ApplySettings();
  CreateOptionsAndHotkeys();
  tree_->ReloadTree(settings_.player.root_node_index, settings_.player.select_node_index);
  // An empty tree asks the update service for data once it exists.

  main_controller_->Connect();
  CreateRecorder();
  CreateSchedule();
  sleep_timer_ = std::make_unique<SleepTimerController>(*main_window_, *engine_, *dispatcher_);
  track_record_ = std::make_unique<TrackRecordController>(TrackRecordController::Parts{
      .window = *main_window_,
      .engine = *engine_,
      .dispatcher = *dispatcher_,
      .program_folder = paths_.ProgramFolder(),
      .user_ini = paths_.UserIni(),
      .language = language_,
      .prompts = prompts_,
      .balloon = [this](const QString& title, const QString& text) { return ShowBalloon(title, text); }});
  CreateNowPlaying();
  // The tree pane and its commands; the playlist window takes the pane.
  playlist_controller_ = std::make_unique<PlayListController>(
      PlayListParts{.tree = *tree_, .paths = paths_, .language = language_, .prompts = prompts_},
      PlayListHooks{.open_web_page = {},
                    .reload_channels = [this] { main_controller_->ReloadChannels(); },
                    .close_window = [this] { playlist_window_->close(); },
                    .tree_visible = [this] { return playlist_window_->IsTreeVisible(); },
                    .music_button = [this](int index) { music_controller_->ButtonCommand(index); },
                    .music_find = [this](const FindDialogOptions& options) { music_controller_->Find(options); },
                    .music_find_closed = [this] { music_controller_->ClearFound(); },
                    .add_radio = [this](int after_id, const std::string& name,
                                        const std::string& address) { Editor().NewStation(after_id, name, address); },
                    .edit_radio = [this](int id) { Editor().EditStation(id); },
                    .editor_busy = [this] { return editor_ && editor_->Busy(); },
                    .editor_follow =
                        [this](int id) {
                          if (editor_ && editor_->Visible() && !editor_->Busy()) editor_->EditStation(id);
                        }});
  StartMusicList();
  CreateTester();
  playlist_window_->SetPanes(&playlist_controller_->TreeView(), &music_controller_->ListView());
  music_controller_->LoadMusicList(settings_.player.select_item_index);
  playlist_window_->SetTreeVisible(settings_.playlist.tree_visible);
  playlist_controller_->ApplySkin(&main_window_->Skin());
  music_controller_->ApplySkin(&main_window_->Skin());
  playlist_controller_->TreeView().SetClickMode(settings_.playlist.click_mode);
  connect(main_window_.get(), &TfrmMain::skinApplied, playlist_controller_.get(),
          [this] { playlist_controller_->ApplySkin(&main_window_->Skin()); });
  connect(main_window_.get(), &TfrmMain::skinApplied, music_controller_.get(),
          [this] { music_controller_->ApplySkin(&main_window_->Skin()); });
  connect(playlist_window_.get(), &TfrmPlayList::buttonCommand, playlist_controller_.get(),
          &PlayListController::ButtonCommand);
  connect(playlist_window_.get(), &TfrmPlayList::closing, playlist_controller_.get(), &PlayListController::Closing);
  TranslateWindow(*playlist_window_, language_);
  search_ = std::make_unique<SearchController>(*main_window_, &playlist_controller_->TreeMenu(), paths_, language_);
  if (main_window_->SkinLoaded() && !settings_.options.auto_hide) {
    main_controller_->ShowCommand();
  } else {
    main_controller_->OfferShowOrHide(false);
  }

  channels_->NumberChannels(1);
  main_controller_->ReloadChannels();
  main_window_->CheckTimer().start(1000);
  update_->StartupDone(NowDateTimeNumber(), tree_->tree().TopCount() == 0);
}

// The music list: its controller, the playlist window's drop target in
// music mode, and the main menu's Open File(s) and Open Directory.
void Application::StartMusicList() {
  music_controller_ = std::make_unique<MusicController>(
      MusicParts{.language = language_, .prompts = prompts_, .list_file = paths_.MusicListFile().string()},
      MusicHooks{.play_music_list = [this] { engine_->PlayMusicList(); },
                 .show_find = [this] { playlist_controller_->ShowFind(); },
                 .find_options =
                     [this](FindDialogOptions& options) {
                       TfrmFind* find = playlist_controller_->FindDialog();
                       if (find == nullptr || !find->WasShown()) return false;
                       options = find->Options();
                       return true;
                     },
                 .choose_files = {},
                 .choose_folder = {}});
  playlist_drop_ = std::make_unique<TDropURLFilesTarget>();
  playlist_drop_->SetDragtypes(Qt::CopyAction | Qt::LinkAction);
  playlist_drop_->Register(playlist_window_.get());
  playlist_drop_->OnDrop = [this](Qt::KeyboardModifiers, Qt::DropAction, QPoint at) {
    if (!playlist_window_->IsTreeVisible()) {
      music_controller_->TakeDrop(*playlist_drop_, at);
    } else if (!playlist_drop_->DroppedURL().empty()) {
      // A link dropped on the tree becomes a new station in the editor.
      playlist_controller_->AddRadio(playlist_drop_->DroppedTitle(), playlist_drop_->DroppedURL());
    }
  };
  auto play_from_start = [this] {
    playlist_window_->SetTreeVisible(false);
    music_controller_->SetPlayingItem(0);
    engine_->PlayMusicList();
  };
  QAction* open_files = main_window_->Action("nOpenFiles");
  open_files->setEnabled(true);
  connect(open_files, &QAction::triggered, music_controller_.get(), [this, play_from_start] {
    if (music_controller_->OpenMusicFiles()) play_from_start();
  });
  QAction* open_dir = main_window_->Action("nOpenDir");
  open_dir->setEnabled(true);
  connect(open_dir, &QAction::triggered, music_controller_.get(), [this, play_from_start] {
    const std::string folder = music_controller_->ChooseMusicFolder();
    if (folder.empty()) return;
    music_controller_->List().Clear();
    music_controller_->AddMusicFolder(folder, -1);
    play_from_start();
  });
}

// In music mode a channel button plays that entry of the list, when the
// list has it.
bool Application::PlayMusicChannel(int index) {
  if (!music_controller_ || playlist_window_->IsTreeVisible()) return false;
  if (music_controller_->SetPlayingItem(index) >= 0) engine_->PlayMusicList();
  return true;
}

bool Application::PlayDroppedFiles(const std::vector<std::string>& files) {
  if (!music_controller_) return false;
  playlist_window_->SetTreeVisible(false);
  music_controller_->List().Clear();
  music_controller_->AddMusicPaths(files, -1);
  music_controller_->ListView().Reload();
  if (music_controller_->SetPlayingItem(0) >= 0) engine_->PlayMusicList();
  return true;
}

// Reads the language file once for the message slots and every window. A
// missing or unreadable file leaves all texts as they are.
void Application::LoadLanguage(const std::string& code) {
  paths_.SetLanguageCode(code);
  IniFile language;
  if (language.Load(paths_.LanguageFile()) == IniFile::LoadStatus::kLoaded) {
    language_ = language;
    Messages().Load(language);
    if (engine_) engine_->Retranslate();
    if (recorder_) recorder_->Retranslate();
    if (search_) search_->Retranslate(language_);
    for (QWidget* window : QApplication::topLevelWidgets()) {
      // Program windows are named "frm..."; menus and dialogs of Qt's own
      // are translated with the window that owns them.
      if (window->objectName().startsWith(u"frm")) TranslateWindow(*window, language);
    }
  }
  QApplication::setApplicationDisplayName(main_window_->windowTitle());
  main_window_->Tray().SetHint(main_window_->windowTitle());
}

// The player host window has no owner; the components render video into its
// panel and take their registration and versions from the registry file.
void Application::CreatePlayer() {
  RegisterPlayerControls(*registry_);
  MpvOptions options;
  options.window_id = video_->VideoWindowId();
  // For machines without a sound server (tests use "null").
  if (const char* ao = std::getenv("TAZMEL_AUDIO_OUTPUT"); ao && *ao) options.audio_output = ao;
  factory_ = std::make_unique<MpvPlayerFactory>(*dispatcher_, *registry_, options);
  sound_ = std::make_unique<TWaveOut>(*dispatcher_, std::make_unique<PulseWaveOut>());
  pages_ = std::make_unique<BrowserPageFetcher>(*dispatcher_, *registry_);
  display_ = std::make_unique<EngineDisplay>(*video_, [this] { ShowEngineState(); });
  CreateUpdateService();
  EngineServices services{.dispatcher = *dispatcher_,
                          .factory = *factory_,
                          .view = *display_,
                          .paths = paths_,
                          .sound = sound_.get(),
                          .navigator = navigator_.get(),
                          .reports = update_.get(),
                          .pages = pages_.get(),
                          .wmp9_installed = [this] { return IsWmp9Installed(*registry_); },
                          .user_default_language_id = system_language_id_,
                          .proxies = proxies_.get()};
  engine_ = std::make_unique<PlaybackEngine>(std::move(services));
  video_->picture_size = [this] {
    const auto [width, height] = engine_->PictureSize();
    return QSize(width, height);
  };
  video_->move_by_system = [this] { return main_window_->Skin().Ini().move_resize_style; };
}

// The station tester runs on the tree pane's selection, from the tree menu.
void Application::CreateTester() {
  RadioTreeModel& model = playlist_controller_->TreeView().Model();
  tester_ = std::make_unique<TesterController>(TesterParts{.dispatcher = *dispatcher_,
                                                           .tree = *tree_,
                                                           .paths = paths_,
                                                           .language = language_,
                                                           .prompts = prompts_,
                                                           .registry = *registry_,
                                                           .proxies = proxies_.get(),
                                                           .user_language = system_language_id_,
                                                           .owner = main_window_.get(),
                                                           .volume = [this] { return engine_->Volume(); },
                                                           .begin_tree_change = [&model] { model.BeginChange(); },
                                                           .end_tree_change = [&model] { model.EndChange(); }});
  QAction* test = playlist_controller_->TreeMenu().Action(QStringLiteral("nTestRadio"));
  test->setEnabled(true);
  connect(test, &QAction::triggered, tester_.get(), &TesterController::Open);
}

// The record button (and everything else that toggles recording, the
// Record hotkey among them) reaches the recorder through recordClicked.
void Application::CreateRecorder() {
  TfrmMain& window = *main_window_;
  RecorderHooks hooks;
  hooks.playing_name = [this] { return engine_->IsActive() ? engine_->GetCurrentTitle() : std::string(); };
  hooks.play_file = [this](const std::filesystem::path& file) {
    engine_->PlayAddresses(file.string(), "", MediaKind::kUnknown);
  };
  hooks.recording_changed = [this, &window](bool on) {
    window.SetRecording(on);
    if (task_actions_) task_actions_->RecordingChanged(on);
    if (schedule_ && !on) schedule_->RecordingEnded();
  };
  hooks.balloon = [this](const QString& title, const QString& text) { return ShowBalloon(title, text); };
  recorder_ = std::make_unique<RecorderController>(RecorderParts{.dispatcher = *dispatcher_,
                                                                 .program_folder = paths_.ProgramFolder(),
                                                                 .user_ini = paths_.UserIni(),
                                                                 .language = language_,
                                                                 .prompts = prompts_,
                                                                 .owner = &window},
                                                   std::move(hooks));
  connect(&window, &TfrmMain::recordClicked, recorder_.get(), &RecorderController::ToggleRecording);
  window.Action("nRecorder")->setEnabled(true);
  connect(window.Action("nRecorder"), &QAction::triggered, recorder_.get(), &RecorderController::ShowWindow);
  // For measurements: record from the first paint on, as a task would.
  if (const char* at_start = std::getenv("TAZMEL_RECORD_AT_START"); at_start && *at_start == '1') {
    connect(&window, &TfrmMain::firstPainted, recorder_.get(), [this] { recorder_->StartRecording({}); });
  }
}

void Application::ApplySettings() {
  const auto& options = settings_.options;
  engine_->SetOptions({.reconnect = options.reconnect,
                       .retry_num = options.retry_num,
                       .retry_delay = options.retry_delay,
                       .enable_sound = options.enable_sound,
                       .video_form_visible = options.video_form_visible});
  engine_->SetVolume(settings_.player.volume);
  engine_->SetBalance(settings_.player.balance);
  engine_->RestorePlaySource(PlaySource::FromSettingsId(settings_.player.cur_play_id), settings_.player.cur_user_url);

  std::string skin = settings_.skin_name;
  main_window_->ChooseSkin(paths_.SkinsFolder(), skin);
  settings_.skin_name = skin;
  main_window_->ShowVolume();

  const QRect work = main_window_->screen() ? main_window_->screen()->availableGeometry() : QRect(0, 0, 1024, 768);
  const Rect pair_place =
      DefaultMainWindowPlace(work.width(), work.height(), main_window_->width(), main_window_->height());
  // The pair's place, kept on a work area too small for both windows.
  const QPoint fallback(std::clamp(pair_place.left + work.left(), work.left(),
                                   std::max(work.left(), work.right() + 1 - main_window_->width())),
                        std::clamp(pair_place.top + work.top(), work.top(),
                                   std::max(work.top(), work.bottom() + 1 - main_window_->height())));
  QPoint place(settings_.main_window.left.value_or(fallback.x()), settings_.main_window.top.value_or(fallback.y()));
  // A place saved on a screen that is gone would leave the window unseen.
  if (QGuiApplication::screenAt(place + QPoint(main_window_->width() / 2, main_window_->height() / 2)) == nullptr &&
      !QGuiApplication::screens().isEmpty()) {
    place = fallback;
  }
  main_window_->move(place);
  PlacePlayListWindow();
  main_window_->Action("nAlwaysOnTop")->setChecked(options.always_on_top);
  main_window_->setWindowFlag(Qt::WindowStaysOnTopHint, options.always_on_top);

  TrayIcon& tray = main_window_->Tray();
  tray.SetEnabledAnimate(options.enabled_animate);
  tray.SetVisible(options.tray_icon_visible);
}

// The saved place and size, else the skin's place beside the main window
// (to its right when the skin names none); the mode and Click Mode too.
void Application::PlacePlayListWindow() {
  TfrmPlayList& list = *playlist_window_;
  const auto& saved = settings_.playlist;
  if (saved.left && saved.top && saved.width && saved.height) {
    list.RestoreGeometry(QRect(*saved.left, *saved.top, *saved.width, *saved.height));
  } else if (!main_window_->SkinLoaded() || main_window_->Skin().Ini().playlist_align == 0) {
    const Rect place =
        DefaultPlayListPlace({main_window_->x(), main_window_->y(), main_window_->width(), main_window_->height()});
    list.RestoreGeometry(QRect(place.left, place.top, place.width, place.height));
  } else {
    list.PlaceBesideMainWindow();
  }
  list.SetTreeVisible(saved.tree_visible);
  main_window_->SetMusicMode(!saved.tree_visible);
  main_window_->SetPlayListVisible(false);
}

void Application::CollectSettings() {
  settings_.main_window.left = main_window_->x();
  settings_.main_window.top = main_window_->y();
  auto& playlist = settings_.playlist;
  const QRect list = playlist_window_->geometry();
  playlist.left = list.x();
  playlist.top = list.y();
  playlist.width = list.width();
  playlist.height = list.height();
  // Hidden with the main window, it keeps the choice made before.
  if (main_window_->isVisible()) playlist.visible = playlist_window_->isVisible();
  playlist.tree_visible = playlist_window_->IsTreeVisible();
  if (playlist_controller_) playlist.click_mode = playlist_controller_->TreeView().ClickMode();
  settings_.cur_lng = paths_.LanguageCode();
  if (main_window_->SkinLoaded()) settings_.skin_name = main_window_->SkinName();
  settings_.options.always_on_top = main_window_->Action("nAlwaysOnTop")->isChecked();
  settings_.player.cur_play_id = engine_->Source().SettingsId();
  settings_.player.cur_user_url = engine_->GetUserUrl();
  settings_.player.volume = engine_->Volume();
  settings_.player.balance = engine_->Balance();
}

// The hotkeys are read with the settings and grabbed when enabled; the
// Options dialog and Use Proxy work on the same objects.
void Application::CreateOptionsAndHotkeys() {
  hotkeys_ = std::make_unique<HotkeyController>(*main_window_, *main_controller_);
  hotkeys_->SetBindings(settings_.hotkeys);
  hotkeys_->SetEnabledHotkeys(settings_.options.enabled_hotkeys);
  options_ = std::make_unique<OptionsController>(
      OptionsParts{.window = *main_window_,
                   .engine = *engine_,
                   .settings = settings_,
                   .registry = *registry_,
                   .proxies = *proxies_,
                   .hotkeys = *hotkeys_,
                   .language = language_,
                   .open_proxy_list = [this](QWidget* parent) { OpenProxyList(parent); }});
  connect(main_window_->Action("nOptions"), &QAction::triggered, options_.get(), [this] { options_->Show(); });
  QAction* use_proxy = main_window_->Action("nProxy");
  connect(use_proxy, &QAction::triggered, options_.get(), [this](bool on) { options_->SetPlayersProxyEnabled(on); });
  connect(main_window_.get(), &TfrmMain::mainMenuOpening, options_.get(),
          [this, use_proxy] { use_proxy->setChecked(options_->PlayersProxyEnabled()); });
}

// The players' proxy pages ask the submission server for its list, kept in
// proxy.txt of the program folder.
void Application::OpenProxyList(QWidget* parent) {
  TfrmGetProxy dialog(
      paths_.ProgramFolder() / "proxy.txt", &language_,
      [this](const std::string& type, const std::string& data, std::function<void(std::string)> done) {
        main_controller_->Submit(type, data, std::move(done));
      },
      parent);
  dialog.exec();
}

void Application::ShowEngineState() {
  if (main_window_ && display_) main_window_->ShowEngine(display_->Shown());
  if (now_playing_ && display_) now_playing_->Show(display_->Shown());
}

// ---------------------------------------------------------------------------
// Now playing: the media player object, notifications, title histories.

void Application::CreateNowPlaying() {
  now_playing_ =
      std::make_unique<NowPlayingController>(NowPlayingParts{.window = *main_window_,
                                                             .engine = *engine_,
                                                             .commands = *main_controller_,
                                                             .settings = settings_,
                                                             .history_folder = paths_.ProgramFolder() / "History",
                                                             .quit = [this] { main_window_->close(); }});
  QAction* history = main_window_->Action("nTitleHistory");
  history->setEnabled(true);
  connect(history, &QAction::triggered, now_playing_.get(), &NowPlayingController::OpenHistory);
}

// The desktop's notifications, else the tray balloon.
bool Application::ShowBalloon(const QString& title, const QString& text) {
  if (now_playing_) return now_playing_->Notify(title, text);
  return main_window_->Tray().ShowBalloon(title, text);
}

// ---------------------------------------------------------------------------
// The update service.

void Application::CreateUpdateService() {
  update_ = std::make_unique<UpdateScheduler>(
      *dispatcher_, paths_, settings_, ConfiguredUpdateHost(paths_), system_language_id_,
      UpdateHooks{
          .show_message = [this](const std::string& text) { ShowUpdateMessage(text); },
          .ask = [this](const std::string& text) { return prompts_.AskQuestion(text); },
          .open_web_page = [this](const std::string& address) { main_controller_->OpenWebPage(address); },
          .save_tree_changes = [this] { tree_->SaveTreeChanges(); },
          .reload_tree = [this] { tree_->ReloadTree(-1, -1); },
          .enable_update_item = [this](bool enabled) { main_window_->Action("nUpdate")->setEnabled(enabled); }});
}

// A balloon of the tray icon when it shows, else a message box.
void Application::ShowUpdateMessage(const std::string& text) {
  const QString title = FromGb(Msg(2)) + QStringLiteral(" - ") + main_window_->windowTitle();
  if (!ShowBalloon(title, FromGb(text))) prompts_.ShowInfo(text);
}

// The settings are saved, the changed tree first (after asking) with the
// playing station's position.
void Application::SaveEverything() {
  CollectSettings();
  const auto [root_index, select_index] = tree_->GetTreePosition();
  settings_.player.root_node_index = root_index;
  settings_.player.select_node_index = select_index;
  if (music_controller_) settings_.player.select_item_index = music_controller_->SaveMusicList();
  SaveSettings(settings_, paths_.UserIni());
}

void Application::CloseUnattended() {
  if (main_controller_ && main_controller_->Busy()) {
    main_controller_->CloseWhenIdle();
    return;
  }
  prompts_.SetUnattended(true);
  Close();
}

void Application::Close() {
  if (closing_) return;
  // Unattended, the question answers itself with Yes.
  if (schedule_ && schedule_->TaskRunning() && !prompts_.AskQuestion(Msg(105))) return;
  closing_ = true;
  main_window_->CheckTimer().stop();
  if (hotkeys_) hotkeys_->UnregisterHotkeys();
  if (recorder_) recorder_->Close();
  // A fade under way gives the volume back before it is saved; a recording
  // by title ends with its files closed.
  if (sleep_timer_) sleep_timer_->Cancel();
  track_record_.reset();
  // The update worker is cut short and joined.
  update_->Shutdown();
  // Tester, generator and data tool stop here once they exist.
  if (editor_) editor_->StopCheck();
  if (tester_) tester_->Close();
  if (playlist_controller_) playlist_controller_->TreeGenerator().Stop();
  if (playlist_controller_) playlist_controller_->StopDataTool();
  main_window_->DropTarget().Revoke();
  video_->DropTarget().Revoke();
  if (playlist_drop_) playlist_drop_->Revoke();
  SaveEverything();
  // Nothing is heard while the program winds down.
  engine_->SetMute(true);
  // The search window is a window of its own: it goes, with its reader.
  search_.reset();
  main_window_->hide();
  playlist_window_->hide();
  video_->hide();
  main_window_->Tray().SetVisible(false);
  now_playing_.reset();  // off the session bus
  emit closed();
}

// The station editor's window belongs to the playlist window; its players
// play nowhere to be seen.
EditorController& Application::Editor() {
  if (!editor_) {
    MpvOptions options;
    options.hidden = true;
    if (const char* ao = std::getenv("TAZMEL_AUDIO_OUTPUT"); ao && *ao) options.audio_output = ao;
    editor_factory_ = std::make_unique<MpvPlayerFactory>(*dispatcher_, *registry_, options);
    editor_ = std::make_unique<EditorController>(
        EditorParts{.owner = playlist_window_.get(),
                    .paths = paths_,
                    .language = language_,
                    .prompts = prompts_,
                    .tree = *tree_,
                    .dispatcher = *dispatcher_,
                    .factory = *editor_factory_,
                    .pages = pages_.get(),
                    .wmp9_installed = [this] { return IsWmp9Installed(*registry_); },
                    .proxies = proxies_.get(),
                    .user_language_id = system_language_id_},
        EditorHooks{
            .change_tree = [this](const std::function<void()>& change) { playlist_controller_->RunTreeChange(change); },
            .submit =
                [this](const std::string& type, const std::string& data, std::function<void(std::string)> done) {
                  main_controller_->Submit(type, data, std::move(done));
                },
            .open_web_page = [this](const std::string& address) { main_controller_->OpenWebPage(address); },
            .feedback_mail = [] { return FeedbackMail(); }});
  }
  return *editor_;
}

}  // namespace tazmel

namespace tazmel {

// ---------------------------------------------------------------------------
// The schedule: tasks, timed actions, the talking clock, the automatic
// shutdown and the clock adjustment.

void Application::CreateSchedule() {
  if (schedule_overrides_.clock == nullptr) system_clock_ = std::make_unique<SystemClock>();
  const Clock& clock = schedule_overrides_.clock ? *schedule_overrides_.clock : *system_clock_;
  task_actions_ = std::make_unique<AppTaskActions>(AppTaskActions::Player{.play_station =
                                                                              [this](int id) {
                                                                                tree_->SetPlayingStation(id);
                                                                                engine_->PlayStation(id);
                                                                              },
                                                                          .stop = [this] { engine_->Stop(); }},
                                                   *recorder_);
  player_mute_ = std::make_unique<EnginePlayerMute>(*engine_);
  clock_words_ = std::make_unique<PulseFilePlayer>();
  power_off_ = std::make_unique<LogindPowerOff>(*dispatcher_);
  shutdown_port_ = std::make_unique<HookShutdownPort>(
      ShutdownHooks{.show_countdown =
                        [this](int seconds_left) {
                          if (!shutdown_window_) {
                            shutdown_window_ = std::make_unique<TfrmShutDown>(&language_);
                            connect(shutdown_window_.get(), &TfrmShutDown::confirmed, this,
                                    [this] { schedule_->Shutdown().Confirm(); });
                            connect(shutdown_window_.get(), &TfrmShutDown::cancelled, this,
                                    [this] { schedule_->Shutdown().Cancel(); });
                          }
                          shutdown_window_->ShowSeconds(seconds_left);
                        },
                    .close_countdown =
                        [this] {
                          if (shutdown_window_) shutdown_window_->Dismiss();
                        },
                    .prepare =
                        [this] {
                          // Nobody may be there to answer "save the tree?": save.
                          prompts_.SetUnattended(true);
                          if (recorder_) recorder_->StopRecording();
                          SaveEverything();
                          mute_before_power_off_ = engine_->Mute();
                          engine_->SetMute(true);
                        },
                    .power_off =
                        [this](std::function<void(const PowerOffResult&)> done) {
                          if (schedule_overrides_.power_off) {
                            schedule_overrides_.power_off(std::move(done));
                          } else {
                            power_off_->PowerOff(std::move(done));
                          }
                        },
                    .quit = [this] { Close(); },
                    .refused = [this](const PowerOffResult& result) { PowerOffRefused(result); }});
  schedule_ =
      std::make_unique<ScheduleController>(ScheduleParts{.dispatcher = *dispatcher_,
                                                         .clock = clock,
                                                         .actions = *task_actions_,
                                                         .mute = *player_mute_,
                                                         .sound = *clock_words_,
                                                         .shutdown = *shutdown_port_,
                                                         .options = settings_.options,
                                                         .program_folder = paths_.ProgramFolder()},
                                           ScheduleHooks{.play_current = [this] { engine_->Play(); },
                                                         .language_code = [this] { return paths_.LanguageCode(); },
                                                         .player_active = [this] { return engine_->IsActive(); }});
  schedule_->LoadTasks();
  // After the main window's own tick (connected earlier): clock shown first.
  connect(&main_window_->CheckTimer(), &QTimer::timeout, this, [this] { schedule_->Tick(); });
  TfrmMain& window = *main_window_;
  window.Action("nTalkingClock")->setEnabled(true);
  connect(window.Action("nTalkingClock"), &QAction::triggered, this, [this] { schedule_->SpeakNow(); });
  window.Action("nAdjustTime")->setEnabled(true);
  // Posted: the dialog never opens inside the handler of a menu or the tick.
  connect(window.Action("nAdjustTime"), &QAction::triggered, this, &Application::ShowAdjustTime, Qt::QueuedConnection);
  window.Action("nTask")->setEnabled(true);
  connect(window.Action("nTask"), &QAction::triggered, this, &Application::ShowTasks, Qt::QueuedConnection);
}

void Application::ShowTasks() {
  if (!task_window_) {
    task_window_ = std::make_unique<TfrmTask>(schedule_->TaskFilePath(), prompts_, &language_,
                                              TaskDialogHooks{.applied = [this] { schedule_->LoadTasks(); },
                                                              .station_items =
                                                                  [this] {
                                                                    std::vector<StationMenuItem> menu;
                                                                    tree_->BuildStationMenu(menu);
                                                                    return menu;
                                                                  },
                                                              .choose_station = {},
                                                              .choose_record_file = {}},
                                              main_window_.get());
    // While it shows, a station picked in the tree becomes the task's name.
    if (playlist_controller_) {
      connect(&playlist_controller_->TreeView(), &TRadioTreeView::selectionFollowRequested, task_window_.get(), [this] {
        const TreeNode* node = tree_->selected();
        if (node != nullptr && IsStationNode(*node)) {
          task_window_->TakeStation(std::to_string(NodeID(*node)) + "-" + node->caption());
        }
      });
    }
  }
  task_window_->show();
  task_window_->raise();
  task_window_->activateWindow();
}

void Application::ShowAdjustTime() {
  if (!adjust_window_) {
    adjust_window_ = std::make_unique<TfrmAdjustTime>(*dispatcher_, std::make_shared<TimedatedClockSetter>(), prompts_,
                                                      &language_, DaytimeOptions{}, main_window_.get());
  }
  adjust_window_->show();
  adjust_window_->raise();
  adjust_window_->activateWindow();
}

// The windows and the tray stay, the mute comes back, and the user learns
// why the computer is still on.
void Application::PowerOffRefused(const PowerOffResult& result) {
  prompts_.SetUnattended(false);
  engine_->SetMute(mute_before_power_off_);
  const std::string pattern =
      language_.ReadString("frmShutDown", "PowerOffRefused", "The computer could not be switched off: %s");
  const std::string detail = result.detail.empty() ? std::string("-") : ToGb(QString::fromStdString(result.detail));
  QTimer::singleShot(0, this, [this, text = FormatSlot(pattern, detail)] { prompts_.ShowInfo(text); });
}

}  // namespace tazmel
