#pragma once

#include <QProxyStyle>

namespace tazmel {

// The program's hint timing for every widget: a hint comes 200 ms after
// the pointer rests and stays up to 20 s. The main window's face shows its
// own hints at once.
class HintStyle : public QProxyStyle {
  Q_OBJECT

 public:
  static constexpr int kWakeUpDelayMs = 200;
  static constexpr int kFallAsleepDelayMs = 20000;

  int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                QStyleHintReturn* data = nullptr) const override;
};

}  // namespace tazmel
