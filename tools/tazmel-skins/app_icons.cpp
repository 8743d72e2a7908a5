#include "app_icons.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <numbers>
#include <system_error>

#include "paint.h"

namespace fs = std::filesystem;

namespace tazmel::skins {
namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// A sixteenth of the size as margin keeps the disc off the icon's edge.
QRectF MarkBox(qreal size) { return QRectF(0, 0, size, size).adjusted(size / 16, size / 16, -size / 16, -size / 16); }

QString Number(qreal value) { return QString::number(value, 'f', 2); }

// The same figure DrawLogoMark paints: disc, transmitter dot, two waves
// opening to the right (Qt's arc from -50 to +50 degrees).
QByteArray LogoSvg(const Theme& theme) {
  constexpr qreal kSize = 256;
  const QRectF box = MarkBox(kSize);
  const QPointF c = box.center();
  const qreal inner = std::min(box.width(), box.height()) / 2.0 - 0.5;
  const QPointF dot = c + QPointF(-inner * 0.38, inner * 0.05);
  const qreal angle = 50.0 * std::numbers::pi / 180.0;
  QString svg = QStringLiteral(
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
                    "  <circle cx=\"%2\" cy=\"%3\" r=\"%4\" fill=\"%5\"/>\n"
                    "  <circle cx=\"%6\" cy=\"%7\" r=\"%8\" fill=\"%9\"/>\n")
                    .arg(Number(kSize), Number(c.x()), Number(c.y()), Number(inner), theme.accent.name(),
                         Number(dot.x()), Number(dot.y()), Number(inner * 0.17), theme.accent_ink.name());
  for (const qreal k : {0.42, 0.78}) {
    const qreal rr = inner * k;
    const qreal x = dot.x() + rr * std::cos(angle);
    svg += QStringLiteral(
               "  <path d=\"M %1 %2 A %3 %3 0 0 0 %1 %4\" fill=\"none\" stroke=\"%5\" stroke-width=\"%6\" "
               "stroke-linecap=\"round\"/>\n")
               .arg(Number(x), Number(dot.y() + rr * std::sin(angle)), Number(rr),
                    Number(dot.y() - rr * std::sin(angle)), theme.accent_ink.name(), Number(inner * 0.16));
  }
  svg += QStringLiteral("</svg>\n");
  return svg.toUtf8();
}

}  // namespace

QString WriteAppIcons(const Theme& theme, const fs::path& hicolor) {
  for (const int size : kSizes) {
    const fs::path folder = hicolor / (std::to_string(size) + "x" + std::to_string(size)) / "apps";
    std::error_code ec;
    fs::create_directories(folder, ec);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
      QPainter painter(&image);
      painter.setRenderHint(QPainter::Antialiasing);
      DrawLogoMark(painter, MarkBox(size), theme.accent, theme.accent_ink, false);
    }
    const QString file = QString::fromStdString((folder / "tazmel.png").string());
    if (!image.save(file, "PNG")) return QStringLiteral("cannot write ") + file;
  }
  const fs::path scalable = hicolor / "scalable" / "apps";
  std::error_code ec;
  fs::create_directories(scalable, ec);
  QFile svg(QString::fromStdString((scalable / "tazmel.svg").string()));
  if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(LogoSvg(theme)) < 0) {
    return QStringLiteral("cannot write ") + svg.fileName();
  }
  return {};
}

}  // namespace tazmel::skins
