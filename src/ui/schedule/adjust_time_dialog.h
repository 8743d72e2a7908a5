#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "schedule/daytime.h"

class QComboBox;
class QPushButton;

namespace tazmel {

class Dispatcher;
class IniFile;
class UserPrompts;

// Sets the computer's clock from a Daytime server. The request runs on the
// client's own thread and the clock is set on another (the system bus may
// keep it waiting), so the window stays live; the button is off meanwhile.
// Every outcome is told: the old and new time on success, else what went
// wrong, in plain words.
class TfrmAdjustTime : public QDialog {
  Q_OBJECT

 public:
  TfrmAdjustTime(Dispatcher& dispatcher, std::shared_ptr<ClockSetter> setter, UserPrompts& prompts,
                 const IniFile* language, DaytimeOptions options = {}, QWidget* parent = nullptr);
  ~TfrmAdjustTime() override;

  // btnAdjust.
  void Adjust();
  bool Busy() const { return busy_; }

  QComboBox* Servers() const { return servers_; }
  QPushButton* AdjustButton() const { return adjust_; }

  // The public servers offered; the first is chosen whenever the window
  // shows.
  static QStringList DefaultServers();

  // For tests: after each adjustment's report, whether the clock was set.
  std::function<void(bool set)> on_reported;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Fetched(const DaytimeResult& result);
  void Report(const ClockAdjustment& adjustment, const QString& before);
  void Done();
  std::string Text(const char* key, const char* english) const;
  std::string Reason(const ClockAdjustment& adjustment) const;

  Dispatcher& dispatcher_;
  std::shared_ptr<ClockSetter> setter_;
  UserPrompts& prompts_;
  const IniFile* language_;
  std::unique_ptr<DaytimeClient> client_;
  QComboBox* servers_ = nullptr;
  QPushButton* adjust_ = nullptr;
  bool busy_ = false;
  // The setting thread posts only while the window (and so the dispatcher)
  // is still there.
  struct Gate {
    std::mutex mutex;
    bool dropped = false;
  };
  std::shared_ptr<Gate> gate_ = std::make_shared<Gate>();
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tazmel
