#include "ui/message_boxes.h"

#include <QMessageBox>

#include "core/messages.h"
#include "ui/message_slots.h"
#include "ui/text_edge.h"

namespace tazmel {

bool MessageBoxes::AskQuestion(std::string_view text) {
  if (unattended_) return true;
  QMessageBox box(QMessageBox::Question, FromGb(Msg(kQuestionCaptionSlot)), FromGb(text),
                  QMessageBox::Yes | QMessageBox::No, owner_);
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}

void MessageBoxes::ShowInfo(std::string_view text) {
  if (unattended_) return;
  QMessageBox box(QMessageBox::Information, FromGb(Msg(kInformationCaptionSlot)), FromGb(text), QMessageBox::Ok,
                  owner_);
  box.exec();
}

}  // namespace tazmel
