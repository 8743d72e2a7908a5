#include "ui/hint_style.h"

namespace tazmel {

int HintStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                         QStyleHintReturn* data) const {
  switch (hint) {
    case SH_ToolTip_WakeUpDelay:
      return kWakeUpDelayMs;
    case SH_ToolTip_FallAsleepDelay:
      return kFallAsleepDelayMs;
    default:
      return QProxyStyle::styleHint(hint, option, widget, data);
  }
}

}  // namespace tazmel
