#include "icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <cstdint>

namespace tazmel::skins {
namespace {

// Each icon is drawn on a 16-unit grid: a filled shape in its own hue with a
// darker rim, so it reads on the dark and on the light tree.
class IconPainter {
 public:
  IconPainter(QImage& image, int pixels) : p_(&image) {
    p_.setRenderHint(QPainter::Antialiasing);
    p_.scale(pixels / 16.0, pixels / 16.0);
  }
  QPainter& painter() { return p_; }

  void Shape(const QPainterPath& path, QColor fill) {
    p_.setPen(QPen(fill.darker(165), 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p_.setBrush(fill);
    p_.drawPath(path);
  }
  void Line(const QPainterPath& path, QColor color, qreal width) {
    p_.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p_.setBrush(Qt::NoBrush);
    p_.drawPath(path);
  }

 private:
  QPainter p_;
};

QPainterPath RoundRect(qreal x, qreal y, qreal w, qreal h, qreal r) {
  QPainterPath path;
  path.addRoundedRect(QRectF(x, y, w, h), r, r);
  return path;
}

QPainterPath Segment(QPointF a, QPointF b) {
  QPainterPath path;
  path.moveTo(a);
  path.lineTo(b);
  return path;
}

QPainterPath Arc(QPointF centre, qreal radius, qreal start, qreal sweep) {
  QPainterPath path;
  const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  path.arcMoveTo(box, start);
  path.arcTo(box, start, sweep);
  return path;
}

// A small radio set: body, speaker grille and antenna.
void Radio(IconPainter& ip, QColor body) {
  ip.Line(Segment({5, 6.5}, {11.5, 1.8}), body.darker(165), 1.1);
  ip.Shape(RoundRect(1.5, 6.5, 13, 8, 2), body);
  ip.Shape(RoundRect(3.3, 8.4, 4.6, 4.2, 2.1), QColor(255, 255, 255));
  ip.Line(Segment({10, 9}, {12.6, 9}), QColor(255, 255, 255), 1.0);
  ip.Line(Segment({10, 11.6}, {12.6, 11.6}), QColor(255, 255, 255), 1.0);
}

QImage Blank(int pixels) {
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

}  // namespace

QImage NodeIcon(int index, int pixels, QColor accent) {
  QImage image = Blank(pixels);
  IconPainter ip(image, pixels);
  const QColor white(255, 255, 255);
  switch (index) {
    case 0:
      Radio(ip, accent);
      break;
    case 1: {  // group: a folder
      QPainterPath back;
      back.moveTo(1.5, 3.5);
      back.lineTo(6, 3.5);
      back.lineTo(7.5, 5);
      back.lineTo(14.5, 5);
      back.lineTo(14.5, 13.5);
      back.lineTo(1.5, 13.5);
      back.closeSubpath();
      ip.Shape(back, QColor(0xE0, 0xA8, 0x3E));
      ip.Shape(RoundRect(1.5, 6.8, 13, 6.7, 1), QColor(0xF2, 0xC2, 0x5C));
      break;
    }
    case 2: {  // favourites: a star
      QPolygonF star;
      for (int k = 0; k < 10; ++k) {
        const double angle = -M_PI / 2 + k * M_PI / 5;
        const double r = k % 2 ? 3.0 : 7.0;
        star << QPointF(8 + r * std::cos(angle), 8.6 + r * std::sin(angle));
      }
      QPainterPath path;
      path.addPolygon(star);
      path.closeSubpath();
      ip.Shape(path, QColor(0xF5, 0xC5, 0x42));
      break;
    }
    case 3: {  // recently played: a clock
      QPainterPath face;
      face.addEllipse(QPointF(8, 8), 6.5, 6.5);
      ip.Shape(face, QColor(0x4F, 0x9D, 0xE0));
      QPainterPath hands;
      hands.moveTo(8, 4.2);
      hands.lineTo(8, 8);
      hands.lineTo(10.8, 9.6);
      ip.Line(hands, white, 1.4);
      break;
    }
    case 4: {  // TV
      ip.Line(Segment({5.5, 1.5}, {8, 4}), QColor(0x5A, 0x66, 0x78), 1.0);
      ip.Line(Segment({10.5, 1.5}, {8, 4}), QColor(0x5A, 0x66, 0x78), 1.0);
      ip.Shape(RoundRect(1.5, 4, 13, 9, 1.6), QColor(0x7D, 0x8A, 0x9E));
      ip.Shape(RoundRect(3.2, 5.7, 9.6, 5.6, 0.8), QColor(0xBF, 0xE3, 0xF5));
      ip.Line(Segment({5, 14.6}, {11, 14.6}), QColor(0x5A, 0x66, 0x78), 1.2);
      break;
    }
    case 5: {  // library: three book spines
      const QColor colors[] = {QColor(0x6F, 0xB0, 0x5E), QColor(0x4E, 0x93, 0xC9), QColor(0xD9, 0x6B, 0x5B)};
      ip.Shape(RoundRect(1.8, 3, 3.6, 11, 0.6), colors[0]);
      ip.Shape(RoundRect(6.2, 2, 3.6, 12, 0.6), colors[1]);
      QPainterPath leaning;
      leaning.addRoundedRect(QRectF(-1.8, -5.5, 3.6, 11), 0.6, 0.6);
      QTransform tilt;
      tilt.translate(12.2, 8.6);
      tilt.rotate(14);
      ip.Shape(tilt.map(leaning), colors[2]);
      break;
    }
    case 6: {  // genre: a pair of notes
      const QColor violet(0xB0, 0x6C, 0xE8);
      QPainterPath heads;
      heads.addEllipse(QPointF(4.2, 12), 2.5, 2.0);
      heads.addEllipse(QPointF(11.4, 10.5), 2.5, 2.0);
      ip.Shape(heads, violet);
      QPainterPath beam;
      beam.moveTo(6.2, 12);
      beam.lineTo(6.2, 3.6);
      beam.lineTo(13.4, 2);
      beam.lineTo(13.4, 10.5);
      ip.Line(beam, violet.darker(165), 1.6);
      break;
    }
    case 7: {  // country: a globe
      QPainterPath globe;
      globe.addEllipse(QPointF(8, 8), 6.5, 6.5);
      ip.Shape(globe, QColor(0x35, 0xB0, 0x9C));
      QPainterPath lines;
      lines.addEllipse(QPointF(8, 8), 2.8, 6.5);
      lines.moveTo(1.5, 8);
      lines.lineTo(14.5, 8);
      ip.Line(lines, white, 0.9);
      break;
    }
    case 8: {  // composite: stacked cards
      ip.Shape(RoundRect(5.5, 1.5, 9, 7, 1.2), QColor(0xF3, 0xB4, 0x8F));
      ip.Shape(RoundRect(3.5, 4.5, 9, 7, 1.2), QColor(0xEE, 0x91, 0x5F));
      ip.Shape(RoundRect(1.5, 7.5, 9, 7, 1.2), QColor(0xE0, 0x6E, 0x3A));
      break;
    }
    case 9: {  // net radio: a mast with waves
      const QColor blue(0x3E, 0x8E, 0xE0);
      QPainterPath mast;
      mast.moveTo(8, 6);
      mast.lineTo(11.5, 14.5);
      mast.lineTo(4.5, 14.5);
      mast.closeSubpath();
      ip.Shape(mast, blue);
      QPainterPath tip;
      tip.addEllipse(QPointF(8, 5.5), 1.6, 1.6);
      ip.Shape(tip, blue);
      for (double r : {3.6, 6.0}) {
        ip.Line(Arc({8, 5.5}, r, -35, 70), blue.darker(120), 1.2);
        ip.Line(Arc({8, 5.5}, r, 145, 70), blue.darker(120), 1.2);
      }
      break;
    }
    default:
      break;
  }
  return image;
}

QImage TrayIcon(int frame, int pixels, QColor accent) {
  QImage image = Blank(pixels);
  IconPainter ip(image, pixels);
  // Lit arcs per frame: full at rest, then a pulse running outwards twice.
  static constexpr int kLit[8] = {3, 0, 1, 2, 3, 0, 1, 2};
  const int lit = kLit[(frame - 1) & 7];
  QPainter& p = ip.painter();
  for (int j = 0; j < 3; ++j) {
    QColor wave = accent;
    wave.setAlpha(j < lit ? 255 : 70);
    const double r = 2.6 + 2.1 * j;
    p.setPen(QPen(wave, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(Arc({8, 7.2}, r, 40, 100));
  }
  ip.Shape(RoundRect(1.5, 8.5, 13, 6.5, 1.8), accent);
  ip.Shape(RoundRect(3.2, 10, 4, 3.6, 1.8), QColor(255, 255, 255));
  ip.Line(Segment({9.6, 10.6}, {12.6, 10.6}), QColor(255, 255, 255), 1.0);
  ip.Line(Segment({9.6, 12.8}, {12.6, 12.8}), QColor(255, 255, 255), 1.0);
  return image;
}

QByteArray IcoFile(const std::vector<QImage>& images) {
  QByteArray out;
  auto u16 = [&out](std::uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
  };
  auto u32 = [&out](std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.append(static_cast<char>(v >> (8 * i) & 0xFF));
  };
  std::vector<QByteArray> dibs;
  for (const QImage& source : images) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    const int mask_stride = ((w + 31) / 32) * 4;
    QByteArray dib;
    auto d32 = [&dib](std::uint32_t v) {
      for (int i = 0; i < 4; ++i) dib.append(static_cast<char>(v >> (8 * i) & 0xFF));
    };
    auto d16 = [&dib](std::uint16_t v) {
      dib.append(static_cast<char>(v & 0xFF));
      dib.append(static_cast<char>(v >> 8));
    };
    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows.
    d32(40);
    d32(static_cast<std::uint32_t>(w));
    d32(static_cast<std::uint32_t>(2 * h));
    d16(1);
    d16(32);
    d32(0);
    d32(static_cast<std::uint32_t>((w * 4 + mask_stride) * h));
    d32(0);
    d32(0);
    d32(0);
    d32(0);
    for (int y = h - 1; y >= 0; --y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        dib.append(static_cast<char>(qBlue(line[x])));
        dib.append(static_cast<char>(qGreen(line[x])));
        dib.append(static_cast<char>(qRed(line[x])));
        dib.append(static_cast<char>(qAlpha(line[x])));
      }
    }
    // AND mask: 1 marks a fully transparent pixel, for readers without alpha.
    for (int y = h - 1; y >= 0; --y) {
      const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      QByteArray row(mask_stride, '\0');
      for (int x = 0; x < w; ++x) {
        if (qAlpha(line[x]) == 0) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
      }
      dib.append(row);
    }
    dibs.push_back(dib);
  }

  u16(0);
  u16(1);
  u16(static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int w = images[i].width(), h = images[i].height();
    out.append(static_cast<char>(w >= 256 ? 0 : w));
    out.append(static_cast<char>(h >= 256 ? 0 : h));
    out.append('\0');  // no palette
    out.append('\0');
    u16(1);
    u16(32);
    u32(static_cast<std::uint32_t>(dibs[i].size()));
    u32(offset);
    offset += static_cast<std::uint32_t>(dibs[i].size());
  }
  for (const QByteArray& dib : dibs) out.append(dib);
  return out;
}

}  // namespace tazmel::skins
