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

  bool AskQuestion(std::string_view text) override;
  void ShowInfo(std::string_view text) override;

 private:
  QWidget* owner_;
};

}  // namespace tazmel
