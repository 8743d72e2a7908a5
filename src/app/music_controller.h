#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "music/music_list.h"

namespace tazmel {

class IniFile;
class SkinState;
class TDropURLFilesTarget;
class TfrmFileInfo;
class TfrmRename;
class TListMenu;
class TMusicListBox;
class UserPrompts;
struct FindDialogOptions;

struct MusicParts {
  // The language file as last read: the dialogs made later translate from it.
  const IniFile& language;
  UserPrompts& prompts;
  // Tazmel.m3u: read at start, written at close.
  std::string list_file;
};

struct MusicHooks {
  // The engine plays the list's playing row.
  std::function<void()> play_music_list;
  // Opens the find dialog the two panes share.
  std::function<void()> show_find;
  // The find dialog's current choices, and whether it was ever shown.
  std::function<bool(FindDialogOptions&)> find_options;
  // Chooses files (the filter in "Name|*.a;*.b|..." form) and a folder,
  // starting at a folder; the desktop's dialogs by default.
  std::function<std::vector<std::string>(const QString& title, const QString& filter)> choose_files;
  std::function<std::string(const QString& title, const std::string& start)> choose_folder;
};

// The music pane's one way in: the list menu, the music column of the skin
// buttons, the pane's mouse and keys, drops in music mode, the rename and
// file information dialogs, and what the main window and the engine ask of
// the music list.
class MusicController : public QObject {
  Q_OBJECT

 public:
  MusicController(MusicParts parts, MusicHooks hooks);
  ~MusicController() override;

  // The pane; the playlist window takes it into its panel (and then owns it).
  TMusicListBox& ListView() const;
  TListMenu& Menu() const { return *menu_; }
  MusicList& List() { return list_; }
  const MusicList& List() const { return list_; }
  // Null until first used.
  TfrmFileInfo* FileInfoDialog() const;
  TfrmRename* RenameDialog() const;

  void ApplySkin(const SkinState* skin);
  // Drops on the playlist window while the music list shows.
  void TakeDrop(const TDropURLFilesTarget& drop, const QPoint& global);

  // A list-menu item by object name.
  void RunMenuCommand(const QString& name);
  // Skin buttons 0..5 in music mode.
  void ButtonCommand(int index);
  // The find dialog's Find while the music list is visible; and its close.
  void Find(const FindDialogOptions& options);
  void ClearFound();

  void LoadMusicList(int index);
  // Writes Tazmel.m3u; the playing row for the settings.
  int SaveMusicList();
  // The main window's Open Files: the chosen files replace the list.
  bool OpenMusicFiles();
  // The main window's Open Directory: a folder replaces the list. The
  // folder chosen, "" when none was.
  std::string ChooseMusicFolder();
  int AddMusicFolder(const std::string& path, int position);
  int AddMusicPaths(const std::vector<std::string>& paths, int position);
  int PlayNextMusic();
  int PlayPreviousMusic();
  int SetPlayingItem(int index);
  std::string GetPlayingItemPath() const;
  // Play: the current row becomes the playing row and the engine plays it.
  void Play();

 private:
  void Bind(const char* name, std::function<void()> command);
  void Changed();
  void RepaintPlaying();
  void StepTo(int row);
  void AddFiles();
  void AddFolder();
  void Delete();
  void FindNext();
  void ShowFileInfo();
  void FollowFileInfo();
  void ShowRename();
  void Rename(const QString& old_name, const QString& new_name);
  QString FileFilter() const;

  MusicParts parts_;
  MusicHooks hooks_;
  MusicList list_;
  QPointer<TMusicListBox> view_;
  TListMenu* menu_ = nullptr;
  QPointer<TfrmFileInfo> file_info_;
  QPointer<TfrmRename> rename_;
  const SkinState* skin_ = nullptr;
  // The row painted as playing last time.
  int painted_playing_ = -1;
  // The row and its text when the rename dialog opened.
  int rename_row_ = -1;
  std::string rename_text_;
};

// The file dialog's filter of the music list, in "Name|*.a;*.b|..." form.
std::string MusicFileFilter();

}  // namespace tazmel
