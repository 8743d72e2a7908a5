#include "ui/skins/skin_palette.h"

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QWidget>
#include <cmath>

#include "ui/skins/skin_state.h"

namespace tazmel {
namespace {

// Relative luminance in 0..1 (sRGB weights, no gamma: a coarse test is
// enough to tell light from dark).
double Luminance(const QColor& c) { return (0.2126 * c.red() + 0.7152 * c.green() + 0.0722 * c.blue()) / 255.0; }

// The average colour of an image, taken from a small smooth copy.
QColor AverageColour(const QImage& image) {
  if (image.isNull()) return {};
  const QImage small =
      image.convertToFormat(QImage::Format_RGB32).scaled(8, 8, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  long long r = 0, g = 0, b = 0;
  for (int y = 0; y < small.height(); ++y) {
    for (int x = 0; x < small.width(); ++x) {
      const QRgb p = small.pixel(x, y);
      r += qRed(p);
      g += qGreen(p);
      b += qBlue(p);
    }
  }
  const long long n = static_cast<long long>(small.width()) * small.height();
  return QColor(static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n));
}

QColor Mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// `wanted` when it stands out from `back`, else the light or dark default.
QColor Readable(const QColor& wanted, const QColor& back) {
  if (std::abs(Luminance(wanted) - Luminance(back)) >= 0.45) return wanted;
  return Luminance(back) < 0.5 ? QColor(0xE8, 0xEA, 0xED) : QColor(0x1A, 0x1C, 0x1F);
}

QColor FaceColour(const SkinState& skin) {
  const QColor face = AverageColour(skin.MainFace());
  return face.isValid() ? face : ToQColor(skin.Ini().tree.color);
}

}  // namespace

bool IsDarkSkin(const SkinState& skin) {
  const double face = Luminance(FaceColour(skin));
  const double tree = Luminance(ToQColor(skin.Ini().tree.color));
  return (face + tree) / 2 < 0.5;
}

QPalette SkinPalette(const SkinState& skin) {
  if (!skin.Loaded()) return QApplication::palette();
  const ListSkin& tree = skin.Ini().tree;
  const bool dark = IsDarkSkin(skin);
  // Window and buttons stay on the skin's side of light and dark even when
  // the face's average is a middle tone.
  QColor window = FaceColour(skin);
  if (dark && Luminance(window) > 0.35) window = Mix(window, Qt::black, 0.5);
  if (!dark && Luminance(window) < 0.65) window = Mix(window, Qt::white, 0.6);
  const QColor base = ToQColor(tree.color);
  // Fusion outlines check and radio boxes a shade darker than the window:
  // on a dark skin they show only when the fields stand lighter than it.
  if (dark && Luminance(window) > Luminance(base) - 0.04) window = Mix(window, Qt::black, 0.4);
  const QColor text = Readable(dark ? QColor(0xE8, 0xEA, 0xED) : QColor(0x1A, 0x1C, 0x1F), window);
  const QColor base_text = Readable(ToQColor(tree.font_color), base);
  const QColor button = dark ? Mix(window, Qt::white, 0.08) : Mix(window, Qt::white, 0.5);
  const QColor highlight = ToQColor(tree.selected_item_back_color);
  const QColor highlighted_text = Readable(ToQColor(tree.selected_item_font_color), highlight);

  QPalette p;
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    const bool off = group == QPalette::Disabled;
    p.setColor(group, QPalette::Window, window);
    p.setColor(group, QPalette::WindowText, off ? Mix(text, window, 0.55) : text);
    p.setColor(group, QPalette::Base, off ? Mix(base, window, 0.5) : base);
    p.setColor(group, QPalette::AlternateBase, Mix(base, text, 0.06));
    p.setColor(group, QPalette::Text, off ? Mix(base_text, base, 0.55) : base_text);
    p.setColor(group, QPalette::PlaceholderText, Mix(base_text, base, 0.45));
    p.setColor(group, QPalette::Button, button);
    p.setColor(group, QPalette::ButtonText, off ? Mix(text, button, 0.55) : text);
    p.setColor(group, QPalette::BrightText, dark ? Qt::white : Qt::black);
    p.setColor(group, QPalette::Highlight, off ? Mix(highlight, window, 0.5) : highlight);
    p.setColor(group, QPalette::HighlightedText, highlighted_text);
    p.setColor(group, QPalette::Light, Mix(button, Qt::white, dark ? 0.25 : 0.6));
    p.setColor(group, QPalette::Midlight, Mix(button, Qt::white, dark ? 0.12 : 0.3));
    p.setColor(group, QPalette::Mid, Mix(button, Qt::black, dark ? 0.25 : 0.2));
    p.setColor(group, QPalette::Dark, Mix(button, Qt::black, dark ? 0.45 : 0.35));
    p.setColor(group, QPalette::Shadow, Mix(button, Qt::black, 0.7));
    p.setColor(group, QPalette::ToolTipBase, base);
    p.setColor(group, QPalette::ToolTipText, base_text);
    p.setColor(group, QPalette::Link, highlight.lighter(dark ? 160 : 100));
  }
  return p;
}

void ApplySkinPalette(QWidget& widget, const SkinState& skin) {
  // An empty palette resolves nothing: the widget inherits the desktop's.
  const QPalette palette = skin.Loaded() ? SkinPalette(skin) : QPalette();
  widget.setPalette(palette);
  // Submenus and dialogs are windows of their own, which take no palette
  // from their parent.
  for (QWidget* child : widget.findChildren<QWidget*>()) {
    if (child->isWindow()) child->setPalette(palette);
  }
}

}  // namespace tazmel
