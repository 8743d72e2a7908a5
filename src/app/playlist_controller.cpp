#include "app/playlist_controller.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <utility>

#include "app/tree_generator_controller.h"
#include "core/program_paths.h"
#include "core/text_utils.h"
#include "stations/station_tree.h"
#include "stations/tree_editor.h"
#include "ui/playlist/find_dialog.h"
#include "ui/playlist/group_dialog.h"
#include "ui/playlist/radio_tree_model.h"
#include "ui/playlist/radio_tree_view.h"
#include "ui/playlist/set_channel_dialog.h"
#include "ui/playlist/tree_menu.h"
#include "ui/skins/skin_palette.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

bool OpenWithDesktop(const std::string& address) {
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(address)));
}

// Only web pages go to the browser: a station record may name any scheme.
bool IsWebPage(const std::string& address) {
  const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

}  // namespace

PlayListController::PlayListController(PlayListParts parts, PlayListHooks hooks)
    : parts_(parts), hooks_(std::move(hooks)) {
  if (!hooks_.open_web_page) hooks_.open_web_page = OpenWithDesktop;
  view_ = new TRadioTreeView(parts_.tree);
  view_->SetStationPaths(&parts_.paths);
  menu_ = new TTreeMenu(*view_);

  TreeEditorHooks& logic = parts_.tree.hooks();
  logic.pump_events = [] { QCoreApplication::processEvents(); };
  logic.busy = [](bool busy) {
    if (busy) {
      QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  };
  logic.repaint = [this](const TreeNode& node) {
    if (view_) view_->Model().RefreshNode(node);
  };
  logic.selection_follow = [this](TreeNode* node) { SelectionFollow(node); };
  logic.make_visible = [this](const TreeNode& node) {
    if (!view_) return;
    RadioTreeModel& model = view_->Model();
    if (model.Changing()) {
      pending_visible_ = &node;
      return;
    }
    // Steps started elsewhere (the player's Next) expand and load behind
    // the model's back.
    model.Refresh();
    view_->MakeVisible(node);
  };
  logic.scroll = [this](TreeScroll where) {
    if (!view_ || view_->Model().Changing()) return;
    view_->Model().Refresh();
    switch (where) {
      case TreeScroll::kToTop:
        view_->ScrollToFirstRow();
        break;
      case TreeScroll::kToBottom:
        view_->ScrollToLastRow();
        break;
      case TreeScroll::kLineUp:
        view_->ScrollLineUp();
        break;
    }
  };
  listener_ = parts_.tree.AddRemovalListener([this](const TreeNode* removed) {
    if (pending_visible_ != nullptr && (removed == nullptr || removed->Contains(*pending_visible_))) {
      pending_visible_ = nullptr;
    }
  });

  Bind("nAddFavorite", [this] { Change([this] { parts_.tree.AddToFavorites(); }); });
  Bind("nDelFavorite", [this] { Change([this] { parts_.tree.RemoveFromFavorites(); }); });
  Bind("nPlay", [this] { Change([this] { parts_.tree.Play(); }); });
  Bind("nProgramList", [this] { OpenProgramList(); });
  Bind("nCut", [this] { parts_.tree.Cut(); });
  Bind("nCopy", [this] { parts_.tree.Copy(); });
  Bind("nPaste", [this] { Change([this] { parts_.tree.Paste(); }); });
  Bind("nDel", [this] { Change([this] { parts_.tree.Delete(); }); });
  Bind("nIncorporate", [this] { Change([this] { parts_.tree.Incorporate(); }); });
  Bind("nFind", [this] { ShowFind(); });
  Bind("nFindNext", [this] { Change([this] { parts_.tree.FindNext(); }); });
  Bind("nSetChannel", [this] { ShowChannel(); });
  Bind("nClickMode", [this] { view_->SetClickMode(!view_->ClickMode()); });
  Bind("nAddRadio", [this] { AddRadio(); });
  Bind("nEditRadio", [this] { EditRadio(); });
  Bind("nAddGroup", [this] { ShowGroup(false); });
  Bind("nModifyGroup", [this] { ShowGroup(true); });
  Bind("nSort", [this] { Change([this] { parts_.tree.Sort(); }); });
  Bind("nSortSubtree", [this] { Change([this] { parts_.tree.SortSubtree(); }); });
  Bind("nSortAll", [this] { Change([this] { parts_.tree.SortAll(); }); });
  Bind("nExpandSubtree", [this] { Change([this] { parts_.tree.ExpandSubtree(); }); });
  Bind("nCollapseSubtree", [this] { Change([this] { parts_.tree.CollapseSubtree(); }); });
  Bind("nExpandAll", [this] { Change([this] { parts_.tree.ExpandAll(); }); });
  Bind("nCollapseAll", [this] { Change([this] { parts_.tree.CollapseAll(); }); });
  generator_ = std::make_unique<TreeGeneratorController>(
      TreeGeneratorParts{.tree = parts_.tree,
                         .language = parts_.language,
                         .prompts = parts_.prompts,
                         .change = [this](const std::function<void()>& command) { Change(command); },
                         .skin = [this](QWidget& window) { SkinNewDialog(window); }});
  Bind("nTreeGenerator", [this] { generator_->Show(view_->window()); });
  Bind("nImportData", [this] { RunDataCommand(DataCommand::kImport); });
  Bind("nExportData", [this] { RunDataCommand(DataCommand::kExportBranch); });
  Bind("nExportAllData", [this] { RunDataCommand(DataCommand::kExportAll); });

  TRadioTreeView& view = *view_;
  connect(&view, &TRadioTreeView::playRequested, this, [this] { RunMenuCommand(QStringLiteral("nPlay")); });
  connect(&view, &TRadioTreeView::selectionFollowRequested, this, [this] { SelectionFollow(parts_.tree.selected()); });
  connect(&view, &TRadioTreeView::abortRequested, this, [this] { parts_.tree.RequestAbort(); });
  connect(&view, &TRadioTreeView::cutDeleteRequested, this, [this] { RunMenuCommand(QStringLiteral("nDel")); });
  connect(&view, &TRadioTreeView::nodeDropped, this, [this](TreeNode* source, TreeNode* target) {
    if (running_ || source == nullptr) return;
    Change([&] { parts_.tree.DropMove(*source, target); });
  });
  connect(&view, &QWidget::customContextMenuRequested, this, &PlayListController::PopUpMenu);
  connect(view.selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { UpdateMenuState(); });
  connect(menu_, &QMenu::aboutToShow, this, &PlayListController::UpdateMenuState);
  UpdateMenuState();
}

PlayListController::~PlayListController() {
  generator_.reset();
  parts_.tree.RemoveRemovalListener(listener_);
  TreeEditorHooks& logic = parts_.tree.hooks();
  logic.pump_events = nullptr;
  logic.busy = nullptr;
  logic.repaint = nullptr;
  logic.selection_follow = nullptr;
  logic.make_visible = nullptr;
  logic.scroll = nullptr;
  // Until a window takes the pane, it is ours.
  if (view_ && view_->parent() == nullptr) delete view_.data();
}

TRadioTreeView& PlayListController::TreeView() const { return *view_; }
TfrmFind* PlayListController::FindDialog() const { return find_; }
TfrmGroup* PlayListController::GroupDialog() const { return group_; }
TfrmSetChannel* PlayListController::ChannelDialog() const { return channel_; }

void PlayListController::Bind(const char* name, std::function<void()> command) {
  QAction* action = menu_->Action(QString::fromLatin1(name));
  connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
    if (running_) return;
    command();
    UpdateMenuState();
  });
}

// Runs one structural command inside the model's change bracket; the view
// is restored afterwards and the node the logic asked for is brought into
// view. A step the player asks for while a command lets events through
// joins that command's bracket.
template <typename Command>
void PlayListController::Change(Command command) {
  if (!view_) return;
  if (running_) {
    command();
    return;
  }
  running_ = true;
  pending_visible_ = nullptr;
  RadioTreeModel& model = view_->Model();
  view_->setUpdatesEnabled(false);
  model.BeginChange();
  command();
  model.EndChange();
  view_->setUpdatesEnabled(true);
  if (const TreeNode* node = std::exchange(pending_visible_, nullptr)) {
    view_->MakeVisible(*node);
  } else if (const QModelIndex selected = model.IndexOf(parts_.tree.selected()); selected.isValid()) {
    view_->scrollTo(selected);
  }
  running_ = false;
}

void PlayListController::RunMenuCommand(const QString& name) {
  QAction* action = menu_->Action(name);
  UpdateMenuState();
  if (action != nullptr && action->isEnabled() && action->isVisible()) action->trigger();
}

void PlayListController::ButtonCommand(int index) {
  if (running_) return;
  TreeEditor& tree = parts_.tree;
  if (index == 6) {
    if (hooks_.close_window) hooks_.close_window();
    return;
  }
  if (hooks_.tree_visible && !hooks_.tree_visible()) {
    if (hooks_.music_button) hooks_.music_button(index);
    return;
  }
  const TreeNode* selected = tree.selected();
  switch (index) {
    case 0:  // Add Radio, unless the node lies in a locked tree.
      if (selected == nullptr || !TreeEditor::IsLocked(*selected)) AddRadio();
      return;
    case 1:
      // Add Group, unless the node lies below the top of a locked tree.
      if (selected == nullptr || !(TreeEditor::IsLocked(*selected) && selected->parent() != nullptr)) {
        ShowGroup(false);
      }
      return;
    case 2:
      // A station opens the station editor; an editable group or user
      // tree gets a new name.
      if (selected != nullptr && IsStationNode(*selected)) {
        EditRadio();
        return;
      }
      if (selected != nullptr && !IsStationNode(*selected) && TreeEditor::IsEditable(*selected) &&
          !TreeEditor::IsLocked(*selected)) {
        ShowGroup(true);
      }
      return;
    case 3:
      // Like the menu item: only a node that may be cut.
      if (selected != nullptr && tree.MayBeCut(*selected)) Change([&] { tree.Delete(); });
      UpdateMenuState();
      return;
    case 4:
      ShowFind();
      return;
    case 5:
      ShowChannel();
      return;
    default:
      return;
  }
}

void PlayListController::RunTreeChange(const std::function<void()>& change) { Change(change); }

// The station editor opens after the selected station, or at the end when
// the selection is no station.
void PlayListController::AddRadio(const std::string& name, const std::string& address) {
  const TreeEditor& tree = parts_.tree;
  if (!hooks_.add_radio || tree.tree().empty() || (hooks_.editor_busy && hooks_.editor_busy())) return;
  const TreeNode* selected = tree.selected();
  hooks_.add_radio(selected != nullptr && IsStationNode(*selected) ? NodeID(*selected) : 0, name, address);
}

void PlayListController::EditRadio() {
  const TreeNode* selected = parts_.tree.selected();
  if (!hooks_.edit_radio || selected == nullptr || !IsStationNode(*selected)) return;
  if (hooks_.editor_busy && hooks_.editor_busy()) return;
  hooks_.edit_radio(NodeID(*selected));
}

void PlayListController::Closing() { parts_.tree.SaveTreeChanges(); }

int PlayListController::PlayNextStation() {
  int id = 0;
  Change([&] { id = parts_.tree.PlayNextStation(); });
  return id;
}

int PlayListController::PlayPreviousStation() {
  int id = 0;
  Change([&] { id = parts_.tree.PlayPreviousStation(); });
  return id;
}

void PlayListController::UpdateMenuState() {
  if (view_) menu_->ApplyState(parts_.tree.MenuState(), view_->ClickMode());
}

void PlayListController::ApplySkin(const SkinState* skin) {
  skin_ = skin;
  if (view_) view_->ApplySkin(skin);
  if (skin == nullptr) return;
  // The menu and the dialogs look like the skin, light or dark.
  ApplySkinPalette(*menu_, *skin);
  for (QWidget* dialog :
       {static_cast<QWidget*>(find_), static_cast<QWidget*>(group_), static_cast<QWidget*>(channel_)}) {
    if (dialog != nullptr) ApplySkinPalette(*dialog, *skin);
  }
}

void PlayListController::SkinNewDialog(QWidget& dialog) const {
  if (skin_ != nullptr) ApplySkinPalette(dialog, *skin_);
}

void PlayListController::PopUpMenu(const QPoint& pos) {
  if (!view_) return;
  UpdateMenuState();
  menu_->popup(view_->viewport()->mapToGlobal(pos));
}

// The open dialogs take the newly selected node.
void PlayListController::SelectionFollow(TreeNode* node) {
  if (node == nullptr) return;
  if (IsStationNode(*node) && hooks_.editor_follow) hooks_.editor_follow(NodeID(*node));
  if (channel_ && channel_->isVisible()) channel_->FollowSelection(node);
  if (group_ && group_->isVisible()) group_->FollowSelection(node);
}

void PlayListController::ShowFind() {
  if (!find_) {
    find_ = new TfrmFind(view_->window());
    TranslateWindow(*find_, parts_.language);
    SkinNewDialog(*find_);
    connect(find_, &TfrmFind::findRequested, this, [this](const FindDialogOptions& options) {
      if (running_) return;
      if (hooks_.tree_visible && !hooks_.tree_visible()) {
        if (hooks_.music_find) hooks_.music_find(options);
        return;
      }
      Change([&] { parts_.tree.Find(options.ForTree()); });
    });
    connect(find_, &TfrmFind::closed, this, [this] {
      if (hooks_.music_find_closed) hooks_.music_find_closed();
      const TreeNode* found = parts_.tree.found_node();
      parts_.tree.ClearFound();
      if (found != nullptr && view_) view_->Model().RefreshNode(*found);
    });
  }
  find_->ShowFor();
}

void PlayListController::ShowGroup(bool modify) {
  TreeEditor& tree = parts_.tree;
  if (tree.tree().empty()) return;
  if (modify && (tree.selected() == nullptr || !tree.MenuState().modify_group)) return;
  if (!group_) {
    group_ = new TfrmGroup(view_->window());
    TranslateWindow(*group_, parts_.language);
    SkinNewDialog(*group_);
    connect(group_, &TfrmGroup::groupEntered, this, [this](TfrmGroup::Mode mode, const QString& name) {
      if (running_) return;
      if (mode == TfrmGroup::Mode::kModify) {
        Change([&] { parts_.tree.ModifyGroup(ToGb(name)); });
      } else {
        Change([&] { parts_.tree.AddGroup(ToGb(name)); });
      }
      UpdateMenuState();
    });
  }
  if (modify) {
    group_->ShowModify(FromGb(tree.selected()->caption()));
  } else {
    group_->ShowAdd();
  }
}

void PlayListController::ShowChannel() {
  if (parts_.tree.tree().empty()) return;
  if (!channel_) {
    channel_ = new TfrmSetChannel(parts_.paths.UserIni(), view_->window());
    TranslateWindow(*channel_, parts_.language);
    SkinNewDialog(*channel_);
    connect(channel_, &TfrmSetChannel::channelSet, this, [this] {
      if (hooks_.reload_channels) hooks_.reload_channels();
    });
  }
  channel_->Open(parts_.tree);
}

void PlayListController::OpenProgramList() {
  const std::optional<std::string> address = parts_.tree.ProgramListAddress();
  if (address && IsWebPage(*address)) hooks_.open_web_page(*address);
}

}  // namespace tazmel
