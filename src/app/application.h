#pragma once

#include <QObject>
#include <memory>

#include "app/settings.h"
#include "core/program_paths.h"
#include "stations/tree_editor.h"
#include "ui/message_boxes.h"

namespace tazmel {

class TfrmMain;

// The composition root's running state: brings the windows and subsystems
// up in their fixed order and winds them down in the reverse one. Every way
// out (the window closed, Exit, SIGTERM/SIGINT) goes through Close().
class Application : public QObject {
  Q_OBJECT

 public:
  explicit Application(ProgramPaths paths);
  ~Application() override;

  void Start();
  void Close();

  const Settings& CurrentSettings() const { return settings_; }

 signals:
  void closed();

 private:
  void LoadLanguage(const std::string& code);
  void SwitchLanguage(const QString& code);
  void ApplySettings();
  void CollectSettings();
  void ShowState();

  ProgramPaths paths_;
  int system_language_id_ = 0;
  Settings settings_;
  std::unique_ptr<TfrmMain> main_window_;
  MessageBoxes prompts_;
  std::unique_ptr<TreeEditor> tree_;
  bool closing_ = false;
};

}  // namespace tazmel
