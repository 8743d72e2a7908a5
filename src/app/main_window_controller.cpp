#include "app/main_window_controller.h"

#include <QAction>
#include <QDesktopServices>
#include <QTime>
#include <QTimer>
#include <QUrl>

#include "app/update_scheduler.h"
#include "core/ini_file.h"
#include "core/program_paths.h"
#include "core/system.h"
#include "core/text_utils.h"
#include "core/time_utils.h"
#include "core/web_pages.h"
#include "playback/engine.h"
#include "playback/media_kind.h"
#include "schedule/check_timer_rules.h"
#include "settings/settings.h"
#include "skin/skin_ini.h"
#include "stations/channels.h"
#include "stations/tree_editor.h"
#include "ui/controls/drop_target.h"
#include "ui/main/main_window.h"
#include "ui/main/tray_icon.h"
#include "ui/playback/open_url_dialog.h"
#include "ui/playback/video_window.h"
#include "ui/playlist/playlist_window.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

// The main window's own text for a page no browser could show; the English
// one when the language file has none.
std::string NoBrowserText(const IniFile& language, const std::string& address) {
  std::string text = language.ReadString("frmMain", "NoBrowser");
  if (text.empty()) text = "No web browser could be opened for %s.";
  return FormatSlot(text, address);
}

bool OpenWithDesktop(const std::string& address) { return QDesktopServices::openUrl(QUrl(FromGb(address))); }

}  // namespace

// Counts an operation that may show a dialog; a close asked for meanwhile
// runs when the last one ends.
class MainWindowController::BusyScope {
 public:
  explicit BusyScope(MainWindowController& owner) : owner_(owner) { ++owner_.busy_; }
  ~BusyScope() {
    if (--owner_.busy_ == 0 && owner_.close_pending_ && owner_.hooks_.close_unattended) {
      owner_.hooks_.close_unattended();
    }
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  MainWindowController& owner_;
};

void MainWindowController::RunBusy(const std::function<void()>& command) {
  BusyScope busy(*this);
  command();
}

MainWindowController::MainWindowController(MainWindowParts parts, MainWindowHooks hooks)
    : parts_(parts), hooks_(std::move(hooks)), controls_(parts.engine) {
  if (!hooks_.open_web_page) hooks_.open_web_page = OpenWithDesktop;
  parts_.window.SetControls(&controls_);
}

MainWindowController::~MainWindowController() { parts_.window.SetControls(nullptr); }

void MainWindowController::Connect() {
  TfrmMain& w = parts_.window;
  PlaybackEngine& engine = parts_.engine;
  auto on = [&w, this](const char* name, auto slot) { connect(w.Action(name), &QAction::triggered, this, slot); };

  connect(&w, &TfrmMain::closeRequested, this, [this] { hooks_.close(); });
  connect(&w.CheckTimer(), &QTimer::timeout, this, &MainWindowController::CheckTick);
  on("nPlay", [this] { PlayCommand(); });
  on("nPause", [&engine] { engine.Pause(); });
  on("nStop", [&engine] { engine.Stop(); });
  on("nNext", [&engine] { engine.Next(); });
  on("nPreview", [&engine] { engine.Previous(); });
  on("nMute", [this] { ToggleMute(); });
  on("nOpenUrl", [this] { OpenLocation({}); });
  on("nShow", [this] { ShowCommand(); });
  on("nHide", [this] { HideCommand(); });
  on("nHideAll", [this] { HideAllCommand(); });
  on("nAlwaysOnTop", [this](bool checked) { SetAlwaysOnTop(checked); });
  on("nWebSite", [this] { OpenWebPage(HomePage()); });
  on("nSponsorUs", [this] { OpenWebPage(SponsorPage()); });
  on("nShowTree", [this] { TogglePlayList(); });
  on("nSwitchMode", [this] { SwitchMode(); });
  w.Action("nShowTree")->setEnabled(w.PlayListWindow() != nullptr);
  w.Action("nSwitchMode")->setEnabled(qobject_cast<TfrmPlayList*>(w.PlayListWindow()) != nullptr);
  if (auto* list = qobject_cast<TfrmPlayList*>(w.PlayListWindow())) {
    connect(list, &TfrmPlayList::visibilityChanged, this, [this](bool visible) {
      parts_.window.SetPlayListVisible(visible);
      if (!moving_playlist_) parts_.settings.playlist.visible = visible;
    });
    connect(list, &TfrmPlayList::treeVisibilityChanged, this,
            [this](bool tree_visible) { parts_.window.SetMusicMode(!tree_visible); });
  }

  connect(&w, &TfrmMain::mainMenuOpening, this, &MainWindowController::RefreshMainMenu);
  connect(&w, &TfrmMain::skinChosen, this, &MainWindowController::ChooseSkinFromMenu);
  connect(&w, &TfrmMain::moreSkinsRequested, this, [this] { OpenWebPage(SkinsPage()); });
  connect(&w, &TfrmMain::languageChosen, this, &MainWindowController::SwitchLanguage);
  connect(&w, &TfrmMain::stationChosen, this, [this, &engine](int id) {
    parts_.tree.SetPlayingStation(id);
    engine.PlayStation(id);
  });
  connect(&w, &TfrmMain::channelClicked, this, &MainWindowController::PlayChannel);
  connect(&w, &TfrmMain::channelPageRequested, this, &MainWindowController::PageChannels);
  connect(&w, &TfrmMain::linksDropped, this, [this] { TakeDrop(parts_.window.DropTarget()); });
  connect(&parts_.video, &TfrmVideo::linksDropped, this, [this] { TakeDrop(parts_.video.DropTarget()); });
  // The video window's menu: Play/Pause plays a paused or ended clip and
  // pauses a playing one.
  connect(&parts_.video, &TfrmVideo::playPauseRequested, this, [&engine] {
    if (engine.Paused() || !engine.IsActive()) {
      engine.Play();
    } else {
      engine.Pause();
    }
  });
  connect(&parts_.video, &TfrmVideo::stopRequested, this, [&engine] { engine.Stop(); });
  w.station_menu_source = [this] {
    std::vector<StationMenuItem> menu;
    parts_.tree.BuildStationMenu(menu);
    return menu;
  };

  TrayIcon& tray = w.Tray();
  connect(&tray, &TrayIcon::showRequested, this, &MainWindowController::ShowCommand);
  connect(&tray, &TrayIcon::toggleVisibilityRequested, this, [this] {
    if (parts_.window.isVisible()) {
      HideCommand();
    } else {
      ShowCommand();
    }
  });
  connect(&tray, &TrayIcon::stationMenuRequested, this,
          [this](const QPoint& at) { parts_.window.PopupStationMenu(at); });
  ConnectOnline();
}

// The clock, and the last source played again once start-up is over.
void MainWindowController::CheckTick() {
  parts_.window.ShowClock(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
  if (TakeAutoPlay(auto_play_pending_, parts_.settings.options.auto_play)) parts_.engine.Play();
  if (parts_.update) parts_.update->Tick(NowDateTimeNumber());
}

// Play toggles: a typed address that is gone gives way to the next station
// of the tree; otherwise a paused or stopped source plays and a playing one
// pauses.
void MainWindowController::PlayCommand() {
  PlaybackEngine& engine = parts_.engine;
  if (engine.Source().IsTyped() && engine.GetUserUrl().empty()) {
    if (auto* list = qobject_cast<TfrmPlayList*>(parts_.window.PlayListWindow()); list && !list->IsTreeVisible()) {
      engine.PlayMusicList();
      return;
    }
    const int id = parts_.tree.PlayNextStation();
    if (id > 0) engine.PlayStation(id);
    return;
  }
  if (engine.Paused() || !engine.IsActive()) {
    engine.Play();
  } else {
    engine.Pause();
  }
}

void MainWindowController::ToggleMute() {
  parts_.engine.SetMute(!parts_.engine.Mute());
  parts_.window.update();
}

// The menu offers Hide while the window is shown and Show while it is not.
void MainWindowController::OfferShowOrHide(bool window_shown) {
  parts_.window.Action("nHide")->setVisible(window_shown);
  parts_.window.Action("nShow")->setVisible(!window_shown);
}

void MainWindowController::ShowCommand() {
  TfrmMain& w = parts_.window;
  if (!w.SkinLoaded()) return;
  OfferShowOrHide(true);
  all_hidden_ = false;
  // A window made since (the playlist window) or one the system lowered
  // is put back above the others.
  SetAlwaysOnTop(w.Action("nAlwaysOnTop")->isChecked());
  w.showNormal();
  // The playlist window comes back when it was showing (at start: when the
  // settings say so).
  if (QWidget* list = w.PlayListWindow(); list && parts_.settings.playlist.visible && !list->isVisible()) {
    moving_playlist_ = true;
    list->show();
    moving_playlist_ = false;
  }
  w.raise();
  w.activateWindow();
}

// Hidden to the tray when there is one, else down to the task bar.
void MainWindowController::HideCommand() {
  TfrmMain& w = parts_.window;
  OfferShowOrHide(false);
  if (QWidget* list = w.PlayListWindow(); list && w.isVisible()) {
    parts_.settings.playlist.visible = list->isVisible();
    moving_playlist_ = true;
    list->hide();
    moving_playlist_ = false;
  }
  if (w.Tray().IsShown()) {
    w.hide();
  } else {
    w.showMinimized();
  }
  // Hand the memory of the window's images back while nobody looks.
  TrimWorkingSet();
}

void MainWindowController::HideAllCommand() {
  TfrmMain& w = parts_.window;
  if (!all_hidden_) {
    HideCommand();
    if (w.Tray().IsShown()) {
      w.Tray().SetVisible(false);
    } else {
      w.hide();
    }
    all_hidden_ = true;
    return;
  }
  if (parts_.settings.options.tray_icon_visible) w.Tray().SetVisible(true);
  ShowCommand();
}

// Changing the flag re-creates the native window, which hides it: only a
// window whose flag differs is touched, and shown again when it was.
void MainWindowController::SetAlwaysOnTop(bool on) {
  QWidget* windows[] = {&parts_.window, &parts_.video, parts_.window.PlayListWindow()};
  for (QWidget* window : windows) {
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) continue;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) window->show();
  }
}

void MainWindowController::RefreshMainMenu() {
  TfrmMain& w = parts_.window;
  const ProgramPaths& paths = parts_.paths;
  std::vector<std::string> skins;
  ListSkins(paths.SkinsFolder(), skins);
  SortSkinNames(skins);
  w.FillSkinMenu(skins, parts_.settings.skin_name);
  w.FillLanguageMenu(ListLanguages(paths.LanguageFolder()), paths.LanguageCode());
  w.Action("nMute")->setChecked(parts_.engine.Mute());
  if (QWidget* list = w.PlayListWindow()) w.Action("nShowTree")->setChecked(list->isVisible());
  w.Action("nTalkingClock")->setVisible(EqualsNoCase(paths.LanguageCode(), "chs"));
}

void MainWindowController::ChooseSkinFromMenu(const QString& name) {
  TfrmMain& w = parts_.window;
  std::string skin = ToGb(name);
  const bool loaded = w.ChooseSkin(parts_.paths.SkinsFolder(), skin);
  parts_.settings.skin_name = skin;
  if (!loaded) {
    // Hidden until a skin loads: only the tray menu remains.
    w.hide();
    OfferShowOrHide(false);
  } else if (!w.isVisible()) {
    ShowCommand();
  }
}

void MainWindowController::SwitchLanguage(const QString& code) {
  const std::string new_code = ToGb(code);
  if (EqualsNoCase(new_code, parts_.paths.LanguageCode())) return;
  BusyScope busy(*this);
  // The station data follows the language: keep changes, then read the new
  // folder's tree.
  TreeEditor& tree = parts_.tree;
  tree.SaveTreeChanges();
  hooks_.load_language(new_code);
  tree.set_data_folder(parts_.paths.DataFolder());
  tree.ReloadTree(-1, -1);
  if (tree.tree().TopCount() > 0) parts_.settings.last_update_time = NowDateTimeNumber() - 0.5 + 5.0 / 86400;
  // The worker follows the language's folder; one without data gets it now.
  if (parts_.update) parts_.update->LanguageChanged(tree.tree().TopCount() == 0);
  ReloadChannels();
}

void MainWindowController::TogglePlayList() {
  QWidget* list = parts_.window.PlayListWindow();
  if (!list) return;
  if (list->isVisible()) {
    // Closing asks about unsaved tree changes first.
    list->close();
  } else {
    list->show();
    list->raise();
  }
}

void MainWindowController::SwitchMode() {
  if (auto* list = qobject_cast<TfrmPlayList*>(parts_.window.PlayListWindow())) {
    list->SetTreeVisible(!list->IsTreeVisible());
  }
}

// The address typed (or a dropped link to confirm) plays with the kind the
// dialog's format choice names.
void MainWindowController::OpenLocation(const std::string& prefill) {
  BusyScope busy(*this);
  TfrmOpenUrl dialog(parts_.paths.UserIni(), &parts_.language, prefill, &parts_.window);
  if (dialog.exec() == QDialog::Accepted)
    parts_.engine.PlayAddresses(dialog.Address(), "", MediaKindFromDigit(dialog.KindDigit()));
}

// A link the players know plays at once; any other opens the location
// dialog with it. Dropped files play the first one until the music list
// takes them.
void MainWindowController::TakeDrop(const TDropURLFilesTarget& drop) {
  if (!drop.DroppedURL().empty()) {
    if (!IsDroppableLink(drop.DroppedURL())) return;
    const MediaKind kind = GetMediaKind(drop.DroppedURL());
    if (kind == MediaKind::kRealPlayer || kind == MediaKind::kWindowsMedia) {
      parts_.engine.PlayAddresses(drop.DroppedURL(), drop.DroppedTitle(), MediaKind::kUnknown);
    } else {
      // Not from inside the drop: the source waits for the drop to finish.
      const std::string link = drop.DroppedURL();
      QTimer::singleShot(0, this, [this, link] { OpenLocation(link); });
    }
    return;
  }
  if (!drop.DroppedFiles().empty() && hooks_.dropped_files && hooks_.dropped_files(drop.DroppedFiles())) return;
  if (!drop.DroppedFiles().empty()) parts_.engine.PlayAddresses(drop.DroppedFiles().front(), "", MediaKind::kUnknown);
}

void MainWindowController::PlayChannel(int index) {
  if (hooks_.music_channel && hooks_.music_channel(index)) return;
  const int id = parts_.channels.labels()[static_cast<std::size_t>(index)].station_id;
  if (id == 0) return;
  // Next and Previous then step through the tree from this station.
  parts_.tree.SetPlayingStation(id);
  parts_.engine.PlayStation(id);
}

void MainWindowController::PageChannels(int direction) {
  ChannelButtons& channels = parts_.channels;
  if (direction < 0 ? channels.PageUp() : channels.PageDown()) parts_.window.ShowChannels(channels.labels());
}

void MainWindowController::ReloadChannels() {
  parts_.channels.ReloadChannels();
  parts_.window.ShowChannels(parts_.channels.labels());
}

// Without a browser the page would silently not open: the user is told.
void MainWindowController::OpenWebPage(const std::string& address) {
  if (hooks_.open_web_page(address)) return;
  BusyScope busy(*this);
  parts_.prompts.ShowInfo(NoBrowserText(parts_.language, address));
}

}  // namespace tazmel
