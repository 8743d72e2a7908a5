#pragma once

#include <QDialog>
#include <QString>
#include <filesystem>

#include "stations/channels.h"

class QComboBox;
class QLineEdit;

namespace tazmel {
class TreeNode;
}

namespace tazmel {

// The channel dialog: created once by its owner, shown without blocking. It
// assigns the prefilled station to the chosen channel number in User.ini.
class TfrmSetChannel : public QDialog {
  Q_OBJECT

 public:
  TfrmSetChannel(QWidget* owner, std::filesystem::path user_ini);

  // A station node becomes the preset to assign ("<station ID>-<caption>");
  // any other node, or none, keeps the one taken before.
  void Prefill(const TreeNode* node);
  // Chooses the number after the one assigned last and shows.
  void ShowFor();

 signals:
  // A preset was written; the channel buttons reload.
  void channelSet();

 private:
  void ShowState();

  ChannelDialog state_;
  QComboBox* numbers_ = nullptr;
  QLineEdit* new_edit_ = nullptr;
  QLineEdit* old_edit_ = nullptr;
};

}  // namespace tazmel
