#pragma once

#include <QObject>
#include <QPointer>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/wave_device.h"

class QString;
class QWidget;

namespace tazmel {

class Dispatcher;
class IniFile;
class MixerChoice;
class TAudioMixer;
class TfrmRecorder;
class TRecorder;
class UserPrompts;

// What the recorder works with; owned elsewhere, outliving the controller.
struct RecorderParts {
  Dispatcher& dispatcher;
  std::filesystem::path program_folder;
  std::filesystem::path user_ini;
  // The language file as last read, for the window made on first use.
  const IniFile& language;
  UserPrompts& prompts;
  // The recorder window's owner (the main window); may be null.
  QWidget* owner = nullptr;
};

struct RecorderHooks {
  // The name of what is playing (data code page): the station's, else the
  // music file's; "" when nothing plays.
  std::function<std::string()> playing_name;
  // Hands a recording to the player.
  std::function<void(const std::filesystem::path& file)> play_file;
  // The main window's record indicator.
  std::function<void(bool recording)> recording_changed;
  // A tray balloon; false when there is no tray to show it.
  std::function<bool(const QString& title, const QString& text)> balloon;
  // The sound system's sources; runs off the user-interface thread. By
  // default PulseAudio's, waiting at most a few seconds.
  std::function<std::optional<SoundSources>()> query_sources;
  // The capture device; PulseAudio's by default.
  std::function<std::unique_ptr<WaveInDevice>()> make_device;
  // The save dialog (title, filter in "Name|*.x|..." form, 1-based entry
  // preselected); nothing when cancelled. A file dialog by default.
  std::function<std::optional<std::filesystem::path>(const QString& filter, int entry)> save_dialog;
  // The folder dialog, starting at a folder; nothing when cancelled.
  std::function<std::optional<std::filesystem::path>(const QString& prompt, const std::filesystem::path& start)>
      folder_dialog;
  // Shows the mixer report; the desktop's viewer by default.
  std::function<void(const std::filesystem::path& report)> open_report;
};

// The recorder window and the recording behind it: made on first use, kept
// until the program closes. The main window and the task scheduler reach it
// through the entry points below; the window's own commands arrive here.
class RecorderController : public QObject {
  Q_OBJECT

 public:
  RecorderController(RecorderParts parts, RecorderHooks hooks);
  ~RecorderController() override;

  // --- entry points for the main window and the task scheduler
  // Recording exactly while the window exists and Stop may be used.
  bool IsRecording() const;
  // Makes the window when needed. With no save folder set, only shows the
  // window; otherwise records into `file_name` (empty: a name made from
  // what plays) unless a recording or a conversion runs. Before the sound
  // system's sources are known the start waits for them.
  void StartRecording(const std::string& file_name);
  void StopRecording();
  // The main menu's Recorder item.
  void ShowWindow();
  // The record button (and the Record hotkey): stops a recording, else
  // starts one.
  void ToggleRecording();

  // The program closes: the recording stops, a conversion is cancelled and
  // the window's settings are written.
  void Close();
  // The message slots changed.
  void Retranslate();

  // For tests.
  TfrmRecorder* Window() const;
  TRecorder* Recorder() const { return recorder_.get(); }
  MixerChoice* Choice() const { return choice_.get(); }
  bool SourcesKnown() const { return sources_known_; }
  bool StartPending() const { return pending_start_.has_value(); }

 signals:
  // The sources were read and the lists filled (or the reading failed).
  void sourcesRead();

 private:
  void Create();
  void QuerySources();
  void TakeSources(std::optional<SoundSources> sources);
  void LoadSettings();
  void SaveSettings();
  void ConnectWindow();

  // The window's commands.
  void StartCommand();
  void StopCommand();
  void PlayCommand();
  void NewCommand();
  void SaveAsCommand();
  void ClearCommand();
  void SetPathCommand();
  void CancelCommand();
  void DefaultCommand();
  void ReportCommand();
  void FormatChosen(int format);
  void AttributesChosen(int index);

  void ShowMixer();
  void ApplySource();
  void ShowSourceText(const std::string& source);
  void ShowCounters();
  void RefreshRecordFiles(bool select_last);
  void ShowAttributes();
  void TakeSavePath();
  void ShowError(const std::string& error);
  bool Convert(const std::filesystem::path& from, const std::filesystem::path& to);

  RecorderParts parts_;
  RecorderHooks hooks_;
  std::unique_ptr<TRecorder> recorder_;
  std::unique_ptr<TAudioMixer> mixer_;
  std::unique_ptr<MixerChoice> choice_;
  // Who people know each source as.
  std::map<std::string, std::string> descriptions_;
  QPointer<TfrmRecorder> window_;
  bool sources_known_ = false;
  std::optional<std::string> pending_start_;
  // The device, destination and source the settings name, chosen once the
  // sources are known.
  std::string saved_device_;
  int saved_destination_ = 0;
  int saved_connection_ = 0;
  // The file New chose to replace; it goes only when a recording starts
  // into it.
  std::filesystem::path replace_file_;
  std::jthread query_;
  std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace tazmel
