#include "app/music_controller.h"

#include <fcntl.h>
#include <stdio.h>

#include <QAction>
#include <QFileDialog>

#include "core/messages.h"
#include "core/text_utils.h"
#include "playback/media_kind.h"
#include "ui/controls/drop_target.h"
#include "ui/message_boxes.h"
#include "ui/music/file_info_dialog.h"
#include "ui/music/list_menu.h"
#include "ui/music/music_list_box.h"
#include "ui/music/rename_dialog.h"
#include "ui/playlist/find_dialog.h"
#include "ui/skins/skin_palette.h"
#include "ui/skins/skin_state.h"
#include "ui/text_edge.h"
#include "ui/translator.h"

namespace tazmel {
namespace {

// ".ra.rax.rm." -> "*.ra;*.rax;*.rm"
std::string PatternOf(std::string_view extensions) {
  std::string pattern = ReplaceAll(extensions, ".", ";*.");
  if (pattern.size() < 4) return {};
  return pattern.substr(1, pattern.size() - 4);
}

std::vector<std::string> DesktopFiles(const QString& title, const QString& filter) {
  const QStringList chosen =
      QFileDialog::getOpenFileNames(nullptr, title, QString(), NameFiltersFromFilterText(filter).join(u";;"_qs));
  std::vector<std::string> files;
  for (const QString& file : chosen) files.push_back(file.toLocal8Bit().toStdString());
  return files;
}

std::string DesktopFolder(const QString& title, const std::string& start) {
  const QString folder = QFileDialog::getExistingDirectory(nullptr, title, QString::fromLocal8Bit(start));
  return folder.toLocal8Bit().toStdString();
}

}  // namespace

std::string MusicFileFilter() {
  const std::string mp3 = "*.mp3;*.mp2;*.mpa;*.mp1;*.mpga";
  const std::string lists = "*.m3u;*.asx;*.pls;*.xpl;*.rmp;*.wax;*.wpl;*.wvx;*.wmx";
  const std::string real = PatternOf(RealPlayerExtensions());
  const std::string windows = PatternOf(WindowsMediaExtensions());
  return Msg(102) + " (" + mp3 + ")|" + mp3 + "|" + Msg(135) + " (" + lists + ")|" + lists + "|" + Msg(136) + " (" +
         real + ")|" + real + "|" + Msg(137) + " (" + windows + ")|" + windows + "|" + Msg(50) + " (*.*)|*.*";
}

MusicController::MusicController(MusicParts parts, MusicHooks hooks)
    : parts_(std::move(parts)), hooks_(std::move(hooks)), list_(IsPlayableFileName) {
  if (!hooks_.choose_files) hooks_.choose_files = DesktopFiles;
  if (!hooks_.choose_folder) hooks_.choose_folder = DesktopFolder;
  view_ = new TMusicListBox(list_);
  view_->hide();
  menu_ = new TListMenu(*view_);
  Bind("nPlay_LB", [this] { Play(); });
  Bind("nAddFiles_LB", [this] { AddFiles(); });
  Bind("nAddFolder_LB", [this] { AddFolder(); });
  Bind("nDelete_LB", [this] { Delete(); });
  Bind("nClearAll_LB", [this] {
    list_.Clear();
    Changed();
  });
  Bind("nSelectAll_LB", [this] { view_->selectAll(); });
  Bind("nFind_LB", [this] {
    if (hooks_.show_find) hooks_.show_find();
  });
  Bind("nFindNext_LB", [this] { FindNext(); });
  Bind("nFileInfomation_LB", [this] { ShowFileInfo(); });
  Bind("nRename", [this] { ShowRename(); });
  connect(view_, &TMusicListBox::playRequested, this, &MusicController::Play);
  connect(view_, &TMusicListBox::currentRowFollowed, this, &MusicController::FollowFileInfo);
  connect(view_, &TMusicListBox::menuRequested, this, [this](const QPoint& at) { menu_->popup(at); });
  connect(view_, &TMusicListBox::rowsDropped, this, [this](int target) {
    if (list_.MoveRows(view_->SelectedRows(), target)) Changed();
  });
}

MusicController::~MusicController() {
  // The pane belongs to the playlist window once it took it.
  if (view_ && view_->parent() == nullptr) delete view_.data();
}

TMusicListBox& MusicController::ListView() const { return *view_; }
TfrmFileInfo* MusicController::FileInfoDialog() const { return file_info_; }
TfrmRename* MusicController::RenameDialog() const { return rename_; }

void MusicController::Bind(const char* name, std::function<void()> command) {
  QAction* action = menu_->Action(QString::fromLatin1(name));
  if (action != nullptr) connect(action, &QAction::triggered, this, std::move(command));
}

void MusicController::ApplySkin(const SkinState* skin) {
  skin_ = skin;
  if (view_) view_->ApplySkin(skin);
  if (skin == nullptr) return;
  ApplySkinPalette(*menu_, *skin);
  for (QWidget* dialog : {static_cast<QWidget*>(file_info_), static_cast<QWidget*>(rename_)}) {
    if (dialog != nullptr) ApplySkinPalette(*dialog, *skin);
  }
}

void MusicController::Changed() {
  if (view_) view_->Reload();
}

void MusicController::RunMenuCommand(const QString& name) {
  QAction* action = menu_->Action(name);
  if (action != nullptr && action->isEnabled()) action->trigger();
}

void MusicController::ButtonCommand(int index) {
  switch (index) {
    case 0:
      AddFiles();
      return;
    case 1:
      AddFolder();
      return;
    case 2:
      ShowRename();
      return;
    case 3:
      Delete();
      return;
    case 4:
      if (hooks_.show_find) hooks_.show_find();
      return;
    case 5:
      ShowFileInfo();
      return;
    default:
      return;
  }
}

void MusicController::LoadMusicList(int index) {
  list_.Load(parts_.list_file, index);
  Changed();
  if (!list_.empty()) view_->MakeCurrent(list_.playing_item());
  RepaintPlaying();
}

int MusicController::SaveMusicList() {
  list_.Save(parts_.list_file);
  return list_.playing_item();
}

bool MusicController::OpenMusicFiles() {
  const std::vector<std::string> files = hooks_.choose_files(u"Open File(s)"_qs, FromGb(MusicFileFilter()));
  if (files.empty()) return false;
  list_.Clear();
  list_.AddPaths(files, -1);
  list_.SetPlayingItem(0);
  Changed();
  if (!list_.empty()) view_->MakeCurrent(0);
  return true;
}

std::string MusicController::ChooseMusicFolder() {
  std::string folder = hooks_.choose_folder(FromGb(Msg(29)), list_.last_folder());
  if (!folder.empty()) list_.set_last_folder(folder);
  return folder;
}

int MusicController::AddMusicFolder(const std::string& path, int position) { return AddMusicPaths({path}, position); }

int MusicController::AddMusicPaths(const std::vector<std::string>& paths, int position) {
  const int added = list_.AddPaths(paths, position);
  if (added > 0) Changed();
  return added;
}

void MusicController::RepaintPlaying() {
  if (!view_) return;
  if (painted_playing_ < 0) {
    view_->viewport()->update();
  } else {
    view_->RepaintRow(painted_playing_);
    view_->RepaintRow(list_.playing_item());
  }
  painted_playing_ = list_.playing_item();
}

void MusicController::StepTo(int row) {
  if (row < 0) return;
  view_->MakeCurrent(row);
  RepaintPlaying();
}

int MusicController::PlayNextMusic() {
  StepTo(list_.StepPlaying(true));
  return -1;
}

int MusicController::PlayPreviousMusic() {
  StepTo(list_.StepPlaying(false));
  return -1;
}

int MusicController::SetPlayingItem(int index) {
  const int set = list_.SetPlayingItem(index);
  if (set >= 0) RepaintPlaying();
  return set;
}

std::string MusicController::GetPlayingItemPath() const { return list_.PlayingPath(); }

void MusicController::Play() {
  if (list_.empty()) return;
  list_.PlayFrom(view_->currentRow());
  RepaintPlaying();
  if (hooks_.play_music_list) hooks_.play_music_list();
}

void MusicController::AddFiles() {
  const std::vector<std::string> files = hooks_.choose_files(u"Open File(s)"_qs, FromGb(MusicFileFilter()));
  if (!files.empty()) AddMusicPaths(files, -1);
}

void MusicController::AddFolder() {
  const std::string folder = ChooseMusicFolder();
  if (!folder.empty()) AddMusicPaths({folder}, -1);
}

void MusicController::Delete() {
  if (list_.empty()) return;
  const int select = list_.Delete(view_->SelectedRows(), view_->currentRow());
  view_->clearSelection();
  Changed();
  if (select >= 0) view_->MakeCurrent(select);
}

void MusicController::Find(const FindDialogOptions& options) {
  const int old_found = list_.found_item();
  const std::string pattern = ToGb(options.text);
  const MusicList::FindResult result =
      list_.Find(pattern, view_->currentRow(), options.down, options.exact, options.match_case);
  view_->RepaintRow(old_found);
  view_->RepaintRow(result.found);
  if (result.current >= 0) view_->MakeCurrent(result.current);
  if (result.found < 0) parts_.prompts.ShowInfo(Msg(57) + " \"" + pattern + "\"");
}

void MusicController::ClearFound() { list_.set_found_item(-1); }

// Find Next: the visible rows lose their selection first, then the search
// goes on with the dialog's last choices.
void MusicController::FindNext() {
  FindDialogOptions options;
  if (!hooks_.find_options || !hooks_.find_options(options)) return;
  view_->clearSelection();
  Find(options);
}

void MusicController::ShowFileInfo() {
  const int row = view_->currentRow();
  if (row < 0 || row >= list_.size()) return;
  if (!file_info_) {
    file_info_ = new TfrmFileInfo(view_->window());
    TranslateWindow(*file_info_, parts_.language);
    if (skin_ != nullptr) ApplySkinPalette(*file_info_, *skin_);
  }
  file_info_->ShowFile(FromGb(list_.row(row)));
}

void MusicController::FollowFileInfo() {
  if (!file_info_ || !file_info_->isVisible()) return;
  const int row = view_->currentRow();
  if (row >= 0 && row < list_.size()) file_info_->ShowFile(FromGb(list_.row(row)));
}

void MusicController::ShowRename() {
  const int row = view_->currentRow();
  if (row < 0 || row >= list_.size()) return;
  if (!rename_) {
    rename_ = new TfrmRename(view_->window());
    TranslateWindow(*rename_, parts_.language);
    if (skin_ != nullptr) ApplySkinPalette(*rename_, *skin_);
    connect(rename_, &TfrmRename::renameRequested, this, &MusicController::Rename);
  }
  rename_row_ = row;
  rename_text_ = list_.row(row);
  rename_->ShowFor(FromGb(rename_text_));
}

// Never over another file; the row renamed is the one the dialog opened
// for, wherever it moved since.
void MusicController::Rename(const QString& old_name, const QString& new_name) {
  const std::string from = old_name.toLocal8Bit().toStdString();
  const std::string to = new_name.toLocal8Bit().toStdString();
  if (from == to || to.empty()) return;
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) != 0) return;
  int row = rename_row_;
  if (row < 0 || row >= list_.size() || list_.row(row) != rename_text_) {
    row = -1;
    for (int i = 0; i < list_.size() && row < 0; ++i) {
      if (list_.row(i) == rename_text_) row = i;
    }
  }
  if (row < 0) return;
  list_.Replace(row, ToGb(new_name));
  Changed();
}

void MusicController::TakeDrop(const TDropURLFilesTarget& drop, const QPoint& global) {
  const int position = view_->RowAt(view_->viewport()->mapFromGlobal(global));
  if (!drop.DroppedURL().empty()) {
    list_.InsertRow(drop.DroppedURL(), position);
    Changed();
    return;
  }
  if (!drop.DroppedFiles().empty()) AddMusicPaths(drop.DroppedFiles(), position);
}

}  // namespace tazmel
