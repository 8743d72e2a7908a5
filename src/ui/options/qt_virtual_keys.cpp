#include "ui/options/qt_virtual_keys.h"

namespace tazmel {

int VirtualKeyOfQtKey(int qt_key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  if (keypad && qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) return 96 + (qt_key - Qt::Key_0);
  if (keypad) {
    switch (qt_key) {
      case Qt::Key_Asterisk:
        return 106;
      case Qt::Key_Plus:
        return 107;
      case Qt::Key_Minus:
        return 109;
      case Qt::Key_Period:
        return 110;
      case Qt::Key_Slash:
        return 111;
      default:
        break;
    }
  }
  if ((qt_key >= Qt::Key_0 && qt_key <= Qt::Key_9) || (qt_key >= Qt::Key_A && qt_key <= Qt::Key_Z)) return qt_key;
  if (qt_key >= Qt::Key_F1 && qt_key <= Qt::Key_F12) return 112 + (qt_key - Qt::Key_F1);
  switch (qt_key) {
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    case Qt::Key_Semicolon:
      return 186;
    case Qt::Key_Equal:
      return 187;
    case Qt::Key_Comma:
      return 188;
    case Qt::Key_Minus:
      return 189;
    case Qt::Key_Period:
      return 190;
    case Qt::Key_Slash:
      return 191;
    case Qt::Key_QuoteLeft:
      return 192;
    case Qt::Key_BracketLeft:
      return 219;
    case Qt::Key_Backslash:
      return 220;
    case Qt::Key_BracketRight:
      return 221;
    case Qt::Key_Apostrophe:
      return 222;
    default:
      return 0;
  }
}

int HotkeyModifiersOf(Qt::KeyboardModifiers modifiers) {
  int flags = 0;
  if (modifiers.testFlag(Qt::ControlModifier)) flags |= 2;
  if (modifiers.testFlag(Qt::AltModifier)) flags |= 1;
  if (modifiers.testFlag(Qt::ShiftModifier)) flags |= 4;
  return flags;
}

}  // namespace tazmel
