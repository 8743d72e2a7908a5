#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>

#include "stations/channels.h"

class QComboBox;
class QLineEdit;

namespace tazmel {

class TreeEditor;
class TreeNode;

// The channel dialog: assigns the preset in NewEdit to one of the numbers
// 1..90 of User.ini's Channel section. Created once by its owner and kept,
// shown without blocking and centred on the owner. The numbering and the
// presets are ChannelDialog's (stations/channels.h); this shows them.
class TfrmSetChannel : public QDialog {
  Q_OBJECT

 public:
  TfrmSetChannel(std::filesystem::path user_ini, QWidget* owner);

  // The Set Channel command: nothing (false) for an empty tree; otherwise
  // the selected node, when it is a station, becomes the preset to assign,
  // and the dialog shows. Showing it when it was hidden chooses the number
  // after the one assigned last (none after 90).
  bool Open(const TreeEditor& editor);
  // The same with the preset given directly: "<station_id>-<name>".
  void Prefill(int station_id, const QString& name);
  // The selection follow: while shown, a station node becomes the preset to
  // assign; any other node leaves the last one.
  void FollowSelection(const TreeNode* node);

  const ChannelDialog& logic() const { return logic_; }

 signals:
  // A preset was written: the owner reloads the channel buttons.
  void channelSet();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ShowNow();
  // The controls show what the logic holds.
  void Sync();
  void OnSet();

  ChannelDialog logic_;
  QComboBox* NumCmb_ = nullptr;
  QLineEdit* NewEdit_ = nullptr;
  QLineEdit* OldEdit_ = nullptr;
};

}  // namespace tazmel
