#pragma once

#include "core/system.h"

class QWidget;

namespace tazmel {

// The standard message boxes: captions from message slots 1 ("Question")
// and 2 ("Information"), owned by the application window.
class MessageBoxes : public UserPrompts {
 public:
  explicit MessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}
  void SetOwner(QWidget* owner) { owner_ = owner; }
  // With nobody to answer (the system is closing the program), questions
  // are answered Yes, so nothing is lost, and information is not shown.
  void SetUnattended(bool unattended) { unattended_ = unattended; }

  bool AskQuestion(std::string_view text) override;
  void ShowInfo(std::string_view text) override;

 private:
  QWidget* owner_;
  bool unattended_ = false;
};

}  // namespace tazmel
