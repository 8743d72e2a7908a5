// The main window's menus: the main menu with every command, its skin and
// language lists, and the station menu that mirrors the tree.
#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QVariant>
#include <memory>
#include <utility>
#include <vector>

#include "core/text_utils.h"
#include "ui/main/main_window.h"
#include "ui/message_slots.h"
#include "ui/text_edge.h"

namespace tazmel {
namespace {

QAction* AddItem(QMenu* menu, const char* name, const char* caption) {
  QAction* action = menu->addAction(QString::fromUtf8(caption));
  action->setObjectName(name);
  return action;
}

QMenu* AddSubmenu(QMenu* menu, const char* name, const char* caption) {
  QMenu* sub = menu->addMenu(QString::fromUtf8(caption));
  sub->setObjectName(name);
  sub->menuAction()->setObjectName(QString::fromLatin1(name) + QStringLiteral("Item"));
  return sub;
}

using StationItems = std::vector<StationMenuItem>;

// Adds one entry per item. A submenu is filled when it first opens, from
// the items kept alive by `keep`, or from the tree its item loads then: a
// big tree costs no menu entries until someone looks into it.
void FillStationMenu(QMenu* menu, const StationItems& items, const std::shared_ptr<const StationItems>& keep,
                     TfrmMain* window) {
  for (const StationMenuItem& item : items) {
    const QString caption = FromGb(item.caption);
    if (item.is_station) {
      const int id = item.tag;
      QAction* action = menu->addAction(caption);
      QObject::connect(action, &QAction::triggered, window, [window, id] { emit window->stationChosen(id); });
      continue;
    }
    QMenu* sub = menu->addMenu(caption);
    // A submenu is a window of its own: it takes the skin palette of its
    // menu only when given it.
    if (menu->testAttribute(Qt::WA_SetPalette)) sub->setPalette(menu->palette());
    const StationMenuItem* source = &item;
    QObject::connect(sub, &QMenu::aboutToShow, sub, [sub, source, keep, window] {
      if (sub->property("stationItemsFilled").toBool()) return;
      sub->setProperty("stationItemsFilled", true);
      if (source->load_children) {
        auto loaded = std::make_shared<const StationItems>(source->load_children());
        FillStationMenu(sub, *loaded, loaded, window);
      } else {
        FillStationMenu(sub, source->children, keep, window);
      }
    });
  }
}

void AddStationItems(QMenu* menu, const StationItems& items, TfrmMain* window) {
  auto keep = std::make_shared<const StationItems>(items);
  FillStationMenu(menu, *keep, keep, window);
}

}  // namespace

// Items whose windows arrive later are present and disabled until then;
// the owner enables what it serves.
void TfrmMain::CreateMenus() {
  pmMainMenu_ = new QMenu(this);
  pmMainMenu_->setObjectName("pmMainMenu");
  QMenu* m = pmMainMenu_;
  AddItem(m, "nSwitchMode", "Switch &Mode");
  AddItem(m, "nShowTree", "Show Play&List")->setCheckable(true);
  AddItem(m, "nSearch", "Searc&h Stations...");
  m->addSeparator();
  AddItem(m, "nRecorder", "&Recorder...");
  AddItem(m, "nTask", "Play && Record &Tasks...");
  // Recording the stream as sent, one file per title; the sleep timer.
  AddItem(m, "nTrackRecord", "Record by T&itle")->setCheckable(true);
  QMenu* sleep = AddSubmenu(m, "nSleepTimer", "Sl&eep Timer");
  for (const auto& [name, caption] : {std::pair{"nSleep15", "&15 Minutes"}, std::pair{"nSleep30", "&30 Minutes"},
                                      std::pair{"nSleep45", "&45 Minutes"}, std::pair{"nSleep60", "&60 Minutes"},
                                      std::pair{"nSleep90", "&90 Minutes"}, std::pair{"nSleep120", "1&20 Minutes"}}) {
    AddItem(sleep, name, caption)->setCheckable(true);
  }
  sleep->addSeparator();
  AddItem(sleep, "nSleepOff", "&Off")->setCheckable(true);
  AddItem(m, "nTitleHistory", "Title Histor&y...")->setEnabled(false);
  m->addSeparator();
  QMenu* play = AddSubmenu(m, "nPlay1", "&Play");
  AddItem(play, "nOpenFiles", "Open &File(s)...");
  AddItem(play, "nOpenDir", "Open &Directory...");
  AddItem(play, "nOpenUrl", "Open &Location...");
  QMenu* control = AddSubmenu(m, "nPlayControl", "Play &Control");
  AddItem(control, "nMute", "&Mute")->setCheckable(true);
  AddItem(control, "nIncVol", "&Increase Volume");
  AddItem(control, "nDecVol", "&Decrease Volume");
  control->addSeparator();
  AddItem(control, "nPreview", "P&revious");
  AddItem(control, "nPlay", "&Play");
  AddItem(control, "nPause", "P&ause");
  AddItem(control, "nStop", "&Stop");
  AddItem(control, "nNext", "&Next");
  m->addSeparator();
  AddItem(m, "nAlwaysOnTop", "Always &on top")->setCheckable(true);
  AddItem(m, "nProxy", "&Use Proxy")->setCheckable(true);
  m->addSeparator();
  AddItem(m, "nOptions", "&Options");
  nSkin_ = AddSubmenu(m, "nSkin", "&Skins");
  nLanguage_ = AddSubmenu(m, "nLanguage", "&Language");
  m->addSeparator();
  AddItem(m, "nUpdate", "On Line &Update...");
  QMenu* tools = AddSubmenu(m, "nTools1", "Too&ls");
  AddItem(tools, "nRecommend", "Recomend &New Radio...")->setVisible(false);
  AddItem(tools, "nQuestion", "R&eport Problems...")->setVisible(false);
  AddItem(tools, "nAdjustTime", "&Adjust Time...");
  AddItem(tools, "nTalkingClock", "&Talking Clock");
  m->addSeparator();
  AddItem(m, "nHelp", "&Help")->setVisible(false);
  AddItem(m, "nSponsorUs", "Sponsor &Us");
  AddItem(m, "nWebSite", "&Web Site");
  AddItem(m, "nAbout", "&About...");
  m->addSeparator();
  AddItem(m, "nHideAll", "Hi&de All")->setVisible(false);
  AddItem(m, "nHide", "&Hide");
  AddItem(m, "nShow", "&Show")->setVisible(false);
  m->addSeparator();
  AddItem(m, "nExit", "E&xit");

  for (const char* later : {"nRecorder", "nTask", "nOpenFiles", "nOpenDir", "nUpdate", "nRecommend", "nQuestion",
                            "nAdjustTime", "nTalkingClock", "nHelp", "nAbout"}) {
    Action(later)->setEnabled(false);
  }
  connect(pmMainMenu_, &QMenu::aboutToShow, this, &TfrmMain::mainMenuOpening);
  connect(Action("nExit"), &QAction::triggered, this, &QWidget::close);
  connect(Action("nIncVol"), &QAction::triggered, this, [this] { StepVolume(+1); });
  connect(Action("nDecVol"), &QAction::triggered, this, [this] { StepVolume(-1); });

  pmTreeMenu_ = new QMenu(this);
  pmTreeMenu_->setObjectName("pmTreeMenu");
}

QAction* TfrmMain::Action(const char* name) const {
  return pmMainMenu_->findChild<QAction*>(QString::fromLatin1(name));
}

// Clearing a menu keeps its submenus and action groups alive; a menu rebuilt
// at every popup drops them too.
void ClearMenu(QMenu* menu) {
  menu->clear();
  qDeleteAll(menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
  qDeleteAll(menu->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly));
}

void TfrmMain::FillSkinMenu(const std::vector<std::string>& names, const std::string& current) {
  ClearMenu(nSkin_);
  auto* group = new QActionGroup(nSkin_);
  for (const std::string& name : names) {
    QAction* item = nSkin_->addAction(FromGb(name));
    item->setCheckable(true);
    item->setChecked(IsCurrentSkin(name, current));
    group->addAction(item);
    const QString chosen = FromGb(name);
    connect(item, &QAction::triggered, this, [this, chosen] { emit skinChosen(chosen); });
  }
  nSkin_->addSeparator();
  QAction* more = nSkin_->addAction(FromGb(Msg(kMoreSkinsSlot)));
  connect(more, &QAction::triggered, this, &TfrmMain::moreSkinsRequested);
}

// The languages come sorted by code, not in folder order: a Linux folder
// lists its files in no stable order.
void TfrmMain::FillLanguageMenu(const std::vector<LanguageChoice>& languages, const std::string& current) {
  ClearMenu(nLanguage_);
  auto* group = new QActionGroup(nLanguage_);
  for (const LanguageChoice& language : languages) {
    QAction* item = nLanguage_->addAction(FromGb(language.name));
    item->setCheckable(true);
    item->setChecked(EqualsNoCase(language.code, current));
    group->addAction(item);
    const QString code = FromGb(language.code);
    connect(item, &QAction::triggered, this, [this, code] { emit languageChosen(code); });
  }
}

void TfrmMain::PopupStationMenu(const QPoint& global) {
  ClearMenu(pmTreeMenu_);
  if (station_menu_source) AddStationItems(pmTreeMenu_, station_menu_source(), this);
  if (!pmTreeMenu_->isEmpty()) pmTreeMenu_->popup(global);
}

void TfrmMain::PopupMainMenu(const QPoint& global) { pmMainMenu_->popup(global); }

}  // namespace tazmel
