// The main window's commands: what its menu items, skin buttons, tray icon
// and check timer do across the subsystems.
#include <malloc.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QMenu>
#include <QTime>
#include <QTimer>
#include <QUrl>

#include "app/application.h"
#include "core/messages.h"
#include "core/text_utils.h"
#include "core/time_utils.h"
#include "core/web_pages.h"
#include "playback/engine.h"
#include "playback/media_kind.h"
#include "skin/skin_ini.h"
#include "ui/controls/drop_target.h"
#include "ui/main/main_window.h"
#include "ui/main/tray_icon.h"
#include "ui/playback/open_url_dialog.h"
#include "ui/playback/video_window.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

void OpenWebPage(const std::string& address) { QDesktopServices::openUrl(QUrl(QString::fromStdString(address))); }

}  // namespace

void Application::ConnectMainWindow() {
  TfrmMain& w = *main_window_;
  auto on = [&w, this](const char* name, auto slot) { connect(w.Action(name), &QAction::triggered, this, slot); };

  connect(&w, &TfrmMain::closeRequested, this, &Application::Close);
  connect(&w.CheckTimer(), &QTimer::timeout, this, &Application::CheckTick);
  on("nPlay", [this] { PlayCommand(); });
  on("nPause", [this] { engine_->Pause(); });
  on("nStop", [this] { engine_->Stop(); });
  on("nNext", [this] { engine_->Next(); });
  on("nPreview", [this] { engine_->Previous(); });
  on("nMute", [this] { ToggleMute(); });
  on("nOpenUrl", [this] { OpenLocation({}); });
  on("nShow", [this] { ShowCommand(); });
  on("nHide", [this] { HideCommand(); });
  on("nHideAll", [this] { HideAllCommand(); });
  on("nAlwaysOnTop", [this](bool checked) { SetAlwaysOnTop(checked); });
  on("nWebSite", [] { OpenWebPage(HomePage()); });
  on("nSponsorUs", [] { OpenWebPage(SponsorPage()); });

  connect(&w, &TfrmMain::mainMenuOpening, this, &Application::RefreshMainMenu);
  connect(&w, &TfrmMain::skinChosen, this, &Application::ChooseSkinFromMenu);
  connect(&w, &TfrmMain::moreSkinsRequested, this, [] { OpenWebPage(SkinsPage()); });
  connect(&w, &TfrmMain::languageChosen, this, &Application::SwitchLanguage);
  connect(&w, &TfrmMain::stationChosen, this, [this](int id) { engine_->PlayStation(id); });
  connect(&w, &TfrmMain::channelClicked, this, &Application::PlayChannel);
  connect(&w, &TfrmMain::channelPageRequested, this, &Application::PageChannels);
  connect(&w, &TfrmMain::linksDropped, this, &Application::TakeDrop);
  w.station_menu_source = [this] {
    std::vector<StationMenuItem> menu;
    tree_->BuildStationMenu(menu);
    return menu;
  };

  TrayIcon& tray = w.Tray();
  connect(&tray, &TrayIcon::showRequested, this, &Application::ShowCommand);
  connect(&tray, &TrayIcon::toggleVisibilityRequested, this, [this] {
    if (main_window_->isVisible()) {
      HideCommand();
    } else {
      ShowCommand();
    }
  });
  connect(&tray, &TrayIcon::stationMenuRequested, this,
          [this](const QPoint& at) { main_window_->PopupStationMenu(at); });
}

// The clock, and the last source played again once start-up is over.
void Application::CheckTick() {
  main_window_->ShowClock(QTime::currentTime().toString("hh:mm:ss"));
  if (auto_play_pending_ && settings_.options.auto_play) {
    auto_play_pending_ = false;
    engine_->Play();
  }
}

// Play toggles: a typed address that is gone gives way to the next station
// of the tree; otherwise a paused or stopped source plays and a playing one
// pauses.
void Application::PlayCommand() {
  if (engine_->Source().IsTyped() && engine_->GetUserUrl().empty()) {
    const int id = tree_->PlayNextStation();
    if (id > 0) engine_->PlayStation(id);
    return;
  }
  if (engine_->Paused() || !engine_->IsActive()) {
    engine_->Play();
  } else {
    engine_->Pause();
  }
}

void Application::ToggleMute() {
  engine_->SetMute(!engine_->Mute());
  main_window_->update();
}

// The menu offers Hide while the window is shown and Show while it is not.
void Application::OfferShowOrHide(bool window_shown) {
  main_window_->Action("nHide")->setVisible(window_shown);
  main_window_->Action("nShow")->setVisible(!window_shown);
}

void Application::ShowCommand() {
  TfrmMain& w = *main_window_;
  if (!w.SkinLoaded()) return;
  OfferShowOrHide(true);
  all_hidden_ = false;
  w.showNormal();
  w.raise();
  w.activateWindow();
}

// Hidden to the tray when there is one, else down to the task bar.
void Application::HideCommand() {
  TfrmMain& w = *main_window_;
  OfferShowOrHide(false);
  if (w.Tray().IsShown()) {
    w.hide();
  } else {
    w.showMinimized();
  }
  // Hand the memory of the window's images back while nobody looks.
  malloc_trim(0);
}

void Application::HideAllCommand() {
  if (!all_hidden_) {
    HideCommand();
    if (main_window_->Tray().IsShown()) {
      main_window_->Tray().SetVisible(false);
    } else {
      main_window_->hide();
    }
    all_hidden_ = true;
    return;
  }
  if (settings_.options.tray_icon_visible) main_window_->Tray().SetVisible(true);
  ShowCommand();
}

// Changing the flag re-creates the native window, which hides it.
void Application::SetAlwaysOnTop(bool on) {
  TfrmMain& w = *main_window_;
  const bool visible = w.isVisible();
  const bool video_visible = video_->isVisible();
  w.setWindowFlag(Qt::WindowStaysOnTopHint, on);
  video_->setWindowFlag(Qt::WindowStaysOnTopHint, on);
  if (visible) w.show();
  if (video_visible) video_->show();
}

void Application::RefreshMainMenu() {
  TfrmMain& w = *main_window_;
  std::vector<std::string> skins;
  ListSkins(paths_.SkinsFolder(), skins);
  SortSkinNames(skins);
  w.FillSkinMenu(skins, settings_.skin_name);
  w.FillLanguageMenu(ListLanguages(paths_.LanguageFolder()), paths_.LanguageCode());
  w.Action("nMute")->setChecked(engine_->Mute());
  w.Action("nTalkingClock")->setVisible(paths_.LanguageCode() == "chs");
}

void Application::ChooseSkinFromMenu(const QString& name) {
  std::string skin = ToGb(name);
  const bool loaded = main_window_->ChooseSkin(paths_.SkinsFolder(), skin);
  settings_.skin_name = skin;
  if (!loaded) {
    // Hidden until a skin loads: only the tray menu remains.
    main_window_->hide();
    OfferShowOrHide(false);
  } else if (!main_window_->isVisible()) {
    ShowCommand();
  }
}

void Application::SwitchLanguage(const QString& code) {
  if (EqualsNoCase(code.toStdString(), paths_.LanguageCode())) return;
  ++busy_;
  // The station data follows the language: keep changes, then read the new
  // folder's tree.
  tree_->SaveTreeChanges();
  LoadLanguage(code.toStdString());
  tree_->set_data_folder(paths_.DataFolder());
  tree_->ReloadTree(-1, -1);
  if (tree_->tree().TopCount() > 0) settings_.last_update_time = NowDateTimeNumber() - 0.5 + 5.0 / 86400;
  ReloadChannels();
  if (--busy_ == 0 && close_pending_) CloseUnattended();
}

// The address typed (or a dropped link to confirm) plays with the kind the
// dialog's format choice names.
void Application::OpenLocation(const std::string& prefill) {
  ++busy_;
  TfrmOpenUrl dialog(paths_.UserIni(), &language_, prefill, main_window_.get());
  if (dialog.exec() == QDialog::Accepted)
    engine_->PlayAddresses(dialog.Address(), "", MediaKindFromDigit(dialog.KindDigit()));
  if (--busy_ == 0 && close_pending_) CloseUnattended();
}

// A link the players know plays at once; any other opens the location
// dialog with it. Dropped files play the first one until the music list
// takes them.
void Application::TakeDrop() {
  const TDropURLFilesTarget& drop = main_window_->DropTarget();
  if (!drop.DroppedURL().empty()) {
    const MediaKind kind = GetMediaKind(drop.DroppedURL());
    if (kind == MediaKind::kRealPlayer || kind == MediaKind::kWindowsMedia) {
      engine_->PlayAddresses(drop.DroppedURL(), drop.DroppedTitle(), MediaKind::kUnknown);
    } else {
      // Not from inside the drop: the source waits for the drop to finish.
      const std::string link = drop.DroppedURL();
      QTimer::singleShot(0, this, [this, link] { OpenLocation(link); });
    }
    return;
  }
  if (!drop.DroppedFiles().empty()) engine_->PlayAddresses(drop.DroppedFiles().front(), "", MediaKind::kUnknown);
}

void Application::PlayChannel(int index) {
  const int id = channels_->labels()[static_cast<std::size_t>(index)].station_id;
  if (id != 0) engine_->PlayStation(id);
}

void Application::PageChannels(int direction) {
  if (direction < 0 ? channels_->PageUp() : channels_->PageDown()) main_window_->ShowChannels(channels_->labels());
}

void Application::ReloadChannels() {
  if (!channels_) return;
  channels_->ReloadChannels();
  main_window_->ShowChannels(channels_->labels());
}

}  // namespace tazmel
