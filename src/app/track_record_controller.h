#pragma once

#include <QObject>
#include <filesystem>
#include <functional>
#include <string>

#include "streamrec/stream_recorder.h"

namespace tazmel {

class IniFile;
class PlaybackEngine;
class TfrmMain;
class UserPrompts;

// "Record by title" in the main menu: records the playing station's stream
// as sent, one file per title, into the recorder's save folder, over a
// connection of its own. The item is checked while it runs.
class TrackRecordController : public QObject {
 public:
  struct Parts {
    TfrmMain& window;
    PlaybackEngine& engine;
    Dispatcher& dispatcher;
    std::filesystem::path program_folder;
    std::filesystem::path user_ini;
    const IniFile& language;
    UserPrompts& prompts;  // when no balloon can show
    // The program's one way to a balloon (a desktop notification, else the
    // tray's); false when neither shows.
    std::function<bool(const QString& title, const QString& text)> balloon;
  };
  explicit TrackRecordController(Parts parts);
  ~TrackRecordController() override;

  bool Recording() const { return recorder_.Recording(); }
  void Toggle();

 private:
  void Start();
  void Ended(const StreamRecordResult& result);
  void ShowState();
  void Tell(const std::string& key, const char* english, const std::string& value);

  Parts parts_;
  StreamRecorder recorder_;
};

}  // namespace tazmel
