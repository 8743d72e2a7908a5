#include "paint.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>

namespace tazmel::skins {
namespace {

QColor WithAlpha(QColor c, int alpha) {
  c.setAlpha(alpha);
  return c;
}

// Glyphs are drawn in a box of -5..5 units; `unit` is design pixels per unit.
class GlyphPen {
 public:
  GlyphPen(QPainter& painter, QColor color, qreal unit, qreal pen_px) : p_(painter), color_(color) {
    stroke_ = QPen(color, pen_px / unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  }
  void Fill(const QPainterPath& path) {
    p_.setPen(Qt::NoPen);
    p_.setBrush(color_);
    p_.drawPath(path);
  }
  void Stroke(const QPainterPath& path) {
    p_.setPen(stroke_);
    p_.setBrush(Qt::NoBrush);
    p_.drawPath(path);
  }
  void Line(qreal x1, qreal y1, qreal x2, qreal y2) {
    QPainterPath path;
    path.moveTo(x1, y1);
    path.lineTo(x2, y2);
    Stroke(path);
  }

 private:
  QPainter& p_;
  QColor color_;
  QPen stroke_;
};

QPainterPath Polygon(std::initializer_list<QPointF> points) {
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(points)));
  path.closeSubpath();
  return path;
}

QPainterPath Circle(qreal x, qreal y, qreal r) {
  QPainterPath path;
  path.addEllipse(QPointF(x, y), r, r);
  return path;
}

QPainterPath Rounded(qreal x, qreal y, qreal w, qreal h, qreal r) {
  QPainterPath path;
  path.addRoundedRect(QRectF(x, y, w, h), r, r);
  return path;
}

void SpeakerBody(GlyphPen& g, qreal shift) {
  g.Fill(Polygon({{-5 + shift, -1.8},
                  {-2.6 + shift, -1.8},
                  {0.4 + shift, -4.6},
                  {0.4 + shift, 4.6},
                  {-2.6 + shift, 1.8},
                  {-5 + shift, 1.8}}));
}

// A rim, its fill one pixel inside, and a shadow fading down from the top
// edge: the look of anything set into the body.
void DrawRecess(QPainter& painter, const QRectF& rect, qreal radius, const QColor& rim, const QColor& fill,
                qreal shadow_depth, int shadow_alpha) {
  painter.setBrush(rim);
  painter.drawRoundedRect(rect, radius, radius);
  painter.setBrush(fill);
  painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
  QLinearGradient shade(rect.topLeft(), rect.topLeft() + QPointF(0, shadow_depth));
  shade.setColorAt(0, WithAlpha(QColor(0, 0, 0), shadow_alpha));
  shade.setColorAt(1, WithAlpha(QColor(0, 0, 0), 0));
  painter.setBrush(shade);
  painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
}

}  // namespace

QImage NewCanvas(QSize size, int scale) {
  QImage canvas(size * scale, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::transparent);
  return canvas;
}

void BeginPainter(QPainter& painter, QImage& canvas, int scale) {
  painter.begin(&canvas);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(scale, scale);
}

QImage Flatten(const QImage& canvas, QColor key, QColor under) {
  QImage argb = canvas.convertToFormat(QImage::Format_ARGB32);
  QImage out(argb.size(), QImage::Format_RGB888);
  for (int y = 0; y < argb.height(); ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    uchar* line = out.scanLine(y);
    for (int x = 0; x < argb.width(); ++x) {
      const int a = qAlpha(in[x]);
      QColor c = key;
      if (a >= 128) {
        auto mix = [a](int top, int bottom) { return (top * a + bottom * (255 - a) + 127) / 255; };
        c = QColor(mix(qRed(in[x]), under.red()), mix(qGreen(in[x]), under.green()), mix(qBlue(in[x]), under.blue()));
        // A blend may land on the key by chance; nudge it off by one step.
        if (c.rgb() == key.rgb()) c.setGreen(c.green() ^ 1);
      }
      line[3 * x] = static_cast<uchar>(c.red());
      line[3 * x + 1] = static_cast<uchar>(c.green());
      line[3 * x + 2] = static_cast<uchar>(c.blue());
    }
  }
  return out;
}

void DrawGlyph(QPainter& painter, Glyph glyph, const QRectF& box, qreal size, QColor color, qreal pen) {
  if (glyph == Glyph::kNone) return;
  const qreal unit = size / 10.0;
  painter.save();
  painter.translate(box.center());
  painter.scale(unit, unit);
  GlyphPen g(painter, color, unit, pen);
  switch (glyph) {
    case Glyph::kNone:
      break;
    case Glyph::kPlay:
      g.Fill(Polygon({{-3.6, -5}, {5, 0}, {-3.6, 5}}));
      break;
    case Glyph::kPause:
      g.Fill(Rounded(-4.2, -4.6, 3.1, 9.2, 0.6));
      g.Fill(Rounded(1.1, -4.6, 3.1, 9.2, 0.6));
      break;
    case Glyph::kStop:
      g.Fill(Rounded(-4.2, -4.2, 8.4, 8.4, 1.2));
      break;
    case Glyph::kPrevious:
    case Glyph::kNext: {
      if (glyph == Glyph::kNext) painter.scale(-1, 1);
      g.Fill(Rounded(-5, -4.6, 2.2, 9.2, 0.5));
      g.Fill(Polygon({{-2.2, 0}, {5, -4.6}, {5, 4.6}}));
      break;
    }
    case Glyph::kRecord:
      g.Fill(Circle(0, 0, 4.2));
      break;
    case Glyph::kRing:
      g.Stroke(Circle(0, 0, 3.8));
      break;
    case Glyph::kEject:
      g.Fill(Polygon({{-4.8, 1.2}, {0, -4.8}, {4.8, 1.2}}));
      g.Fill(Rounded(-4.8, 3, 9.6, 2, 0.4));
      break;
    case Glyph::kList:
      for (qreal y : {-3.6, 0.0, 3.6}) {
        g.Fill(Circle(-4.2, y, 0.9));
        g.Line(-1.6, y, 4.8, y);
      }
      break;
    case Glyph::kSpeaker: {
      SpeakerBody(g, -0.4);
      QPainterPath waves;
      waves.arcMoveTo(QRectF(-2.6, -2.6, 5.2, 5.2), -50);
      waves.arcTo(QRectF(-2.6, -2.6, 5.2, 5.2), -50, 100);
      waves.arcMoveTo(QRectF(-4.8, -4.8, 9.6, 9.6), -50);
      waves.arcTo(QRectF(-4.8, -4.8, 9.6, 9.6), -50, 100);
      g.Stroke(waves);
      break;
    }
    case Glyph::kSpeakerMuted:
      SpeakerBody(g, -0.4);
      g.Line(1.8, -2.2, 5, 2.2);
      g.Line(1.8, 2.2, 5, -2.2);
      break;
    case Glyph::kNote: {
      QPainterPath heads;
      heads.addEllipse(QPointF(-3.1, 3.2), 1.9, 1.5);
      heads.addEllipse(QPointF(2.9, 2.2), 1.9, 1.5);
      g.Fill(heads);
      g.Line(-1.4, 3.0, -1.4, -3.6);
      g.Line(4.6, 2.0, 4.6, -4.6);
      g.Fill(Polygon({{-1.4 - 0.6, -3.0}, {-1.4 - 0.6, -4.8}, {4.6 + 0.6, -5.6}, {4.6 + 0.6, -3.8}}));
      break;
    }
    case Glyph::kChevronUp:
    case Glyph::kChevronDown: {
      if (glyph == Glyph::kChevronDown) painter.scale(1, -1);
      QPainterPath path;
      path.moveTo(-4.2, 2.2);
      path.lineTo(0, -2.2);
      path.lineTo(4.2, 2.2);
      g.Stroke(path);
      break;
    }
    case Glyph::kMenu:
      for (qreal y : {-3.6, 0.0, 3.6}) g.Line(-4.4, y, 4.4, y);
      break;
    case Glyph::kMinimize:
      g.Line(-4, 3.6, 4, 3.6);
      break;
    case Glyph::kClose:
      g.Line(-3.6, -3.6, 3.6, 3.6);
      g.Line(-3.6, 3.6, 3.6, -3.6);
      break;
    case Glyph::kInfo:
      g.Stroke(Circle(0, 0, 4.6));
      g.Fill(Circle(0, -2.2, 0.85));
      g.Line(0, -0.2, 0, 2.6);
      break;
    case Glyph::kGlobe: {
      g.Stroke(Circle(0, 0, 4.6));
      QPainterPath meridian;
      meridian.addEllipse(QPointF(0, 0), 2.0, 4.6);
      g.Stroke(meridian);
      g.Line(-4.6, 0, 4.6, 0);
      break;
    }
    case Glyph::kClock:
      g.Stroke(Circle(0, 0, 4.6));
      g.Line(0, 0, 0, -2.8);
      g.Line(0, 0, 2.2, 1.4);
      break;
    case Glyph::kPlus:
      g.Line(-4, 0, 4, 0);
      g.Line(0, -4, 0, 4);
      break;
    case Glyph::kMinus:
      g.Line(-4, 0, 4, 0);
      break;
    case Glyph::kFolder: {
      QPainterPath path;
      path.moveTo(-4.8, -3.6);
      path.lineTo(-1.6, -3.6);
      path.lineTo(-0.4, -2.2);
      path.lineTo(4.8, -2.2);
      path.lineTo(4.8, 4.0);
      path.lineTo(-4.8, 4.0);
      path.closeSubpath();
      g.Stroke(path);
      g.Line(0, -0.4, 0, 2.6);
      g.Line(-1.5, 1.1, 1.5, 1.1);
      break;
    }
    case Glyph::kPencil:
      g.Fill(Polygon({{2.4, -4.8}, {4.8, -2.4}, {-2.2, 4.6}, {-4.8, 4.8}, {-4.6, 2.2}}));
      break;
    case Glyph::kTrash:
      g.Line(-4.4, -3.2, 4.4, -3.2);
      g.Line(-1.4, -4.6, 1.4, -4.6);
      g.Stroke(Polygon({{-3.3, -1.6}, {3.3, -1.6}, {2.7, 4.6}, {-2.7, 4.6}}));
      break;
    case Glyph::kSearch:
      g.Stroke(Circle(-1.0, -1.0, 3.3));
      g.Line(1.5, 1.5, 4.6, 4.6);
      break;
    case Glyph::kHash:
      g.Line(-1.6, -4.6, -2.4, 4.6);
      g.Line(2.4, -4.6, 1.6, 4.6);
      g.Line(-4.4, -1.6, 4.6, -1.6);
      g.Line(-4.6, 1.8, 4.4, 1.8);
      break;
  }
  painter.restore();
}

void DrawWordmark(QPainter& painter, const QRectF& box, QColor color, qreal pen) {
  // Letters on a 10-unit cap height; x-height 7 (from y 3 to 10).
  const qreal unit = box.height() / 10.0;
  painter.save();
  painter.translate(box.topLeft());
  painter.scale(unit, unit);
  painter.setPen(QPen(color, pen / unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  QPainterPath path;
  qreal x = 0.5;
  // T
  path.moveTo(x, 0.6);
  path.lineTo(x + 6.4, 0.6);
  path.moveTo(x + 3.2, 0.6);
  path.lineTo(x + 3.2, 10);
  x += 7.6;
  // a: a bowl and a stem
  path.addEllipse(QRectF(x, 3.4, 5.0, 6.6));
  path.moveTo(x + 5.0, 3.4);
  path.lineTo(x + 5.0, 10);
  x += 7.0;
  // z
  path.moveTo(x, 3.4);
  path.lineTo(x + 4.8, 3.4);
  path.lineTo(x, 10);
  path.lineTo(x + 4.8, 10);
  x += 6.8;
  // m: a stem and two arches
  path.moveTo(x, 10);
  path.lineTo(x, 3.4);
  path.moveTo(x, 6.0);
  path.cubicTo(x, 3.0, x + 3.6, 3.0, x + 3.6, 6.0);
  path.lineTo(x + 3.6, 10);
  path.moveTo(x + 3.6, 6.0);
  path.cubicTo(x + 3.6, 3.0, x + 7.2, 3.0, x + 7.2, 6.0);
  path.lineTo(x + 7.2, 10);
  x += 9.2;
  // e: a bar and an open bowl
  const QRectF bowl(x, 3.4, 5.4, 6.6);
  path.moveTo(x, 6.7);
  path.lineTo(x + 5.4, 6.7);
  path.arcTo(bowl, 0, 300);
  x += 7.4;
  // l
  path.moveTo(x, 0);
  path.lineTo(x, 8.6);
  path.quadTo(x, 10, x + 1.4, 10);
  painter.drawPath(path);
  painter.restore();
}

void DrawLogoMark(QPainter& painter, const QRectF& box, QColor disc, QColor ink, bool glow) {
  const QPointF c = box.center();
  const qreal r = std::min(box.width(), box.height()) / 2.0;
  painter.save();
  if (glow) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(WithAlpha(disc, 70));
    painter.drawEllipse(c, r, r);
  }
  painter.setPen(Qt::NoPen);
  painter.setBrush(disc);
  const qreal inner = glow ? r - 1.0 : r - 0.5;
  painter.drawEllipse(c, inner, inner);
  // A transmitter dot and two waves to its right.
  painter.setBrush(ink);
  const QPointF dot = c + QPointF(-inner * 0.38, inner * 0.05);
  painter.drawEllipse(dot, inner * 0.17, inner * 0.17);
  painter.setPen(QPen(ink, inner * 0.16, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(Qt::NoBrush);
  for (qreal k : {0.42, 0.78}) {
    const qreal rr = inner * k;
    painter.drawArc(QRectF(dot.x() - rr, dot.y() - rr, 2 * rr, 2 * rr), -50 * 16, 100 * 16);
  }
  painter.restore();
}

void DrawInset(QPainter& painter, const Theme& theme, const QRectF& rect, qreal radius) {
  painter.save();
  painter.setPen(Qt::NoPen);
  // Faint light lip below the recess, then the rim and the well.
  painter.setBrush(WithAlpha(QColor(255, 255, 255), theme.dark ? 14 : 200));
  painter.drawRoundedRect(rect.adjusted(0, 0, 0, 1), radius, radius);
  DrawRecess(painter, rect, radius, theme.panel_border, theme.panel, 4, theme.dark ? 90 : 22);
  painter.restore();
}

void DrawDigitCell(QPainter& painter, const QRectF& cell, int cell_index, QColor lit, QColor ghost, qreal stroke) {
  // Segment ends stay a pixel away from the cell edges so the strip's
  // lower-left pixel keeps the background colour.
  const qreal m = 1.0 + stroke / 2;
  const qreal x0 = cell.left() + m, x1 = cell.right() - m;
  const qreal y0 = cell.top() + m, y2 = cell.bottom() - m, y1 = (y0 + y2) / 2;
  const qreal gap = stroke * 0.75;
  painter.save();
  if (cell_index == 10) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(lit);
    const qreal r = stroke * 0.62;
    const qreal cx = cell.center().x();
    painter.drawEllipse(QPointF(cx, y0 + (y1 - y0) * 0.6), r, r);
    painter.drawEllipse(QPointF(cx, y1 + (y2 - y1) * 0.4), r, r);
  } else if (cell_index >= 0 && cell_index <= 9) {
    // Segments a..g: top, upper right, lower right, bottom, lower left,
    // upper left, middle.
    const QLineF segments[7] = {{x0 + gap, y0, x1 - gap, y0}, {x1, y0 + gap, x1, y1 - gap},
                                {x1, y1 + gap, x1, y2 - gap}, {x0 + gap, y2, x1 - gap, y2},
                                {x0, y1 + gap, x0, y2 - gap}, {x0, y0 + gap, x0, y1 - gap},
                                {x0 + gap, y1, x1 - gap, y1}};
    static constexpr unsigned char kOn[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    for (int pass = 0; pass < 2; ++pass) {
      for (int s = 0; s < 7; ++s) {
        const bool on = kOn[cell_index] >> s & 1;
        if (on != (pass == 1)) continue;
        painter.setPen(QPen(on ? lit : ghost, stroke, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(segments[s]);
      }
    }
  }
  painter.restore();
}

void DrawButton(QPainter& painter, const Theme& t, ButtonKind kind, const QRectF& rect, const ButtonLook& look) {
  const QColor lit = look.lit_color.isValid() ? look.lit_color : t.accent;
  const qreal glyph_size = std::clamp(std::min(rect.width(), rect.height()) * 0.5, 7.0, 12.0);
  painter.save();
  painter.setPen(Qt::NoPen);
  auto tile = [&](bool pressed, const QRectF& r, qreal radius) {
    if (pressed) {
      DrawRecess(painter, r, radius, t.button_border, t.button_pressed, 3, t.dark ? 110 : 40);
      return;
    }
    painter.setBrush(t.button_border);
    painter.drawRoundedRect(r, radius, radius);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, t.button_top);
    fill.setColorAt(1, t.button_bottom);
    painter.setBrush(fill);
    painter.drawRoundedRect(r.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
    // 1 px sheen under the top rim.
    painter.setBrush(WithAlpha(QColor(255, 255, 255), t.dark ? 22 : 255));
    painter.drawRect(QRectF(r.left() + radius, r.top() + 1, r.width() - 2 * radius, 1));
  };

  switch (kind) {
    case ButtonKind::kTile:
    case ButtonKind::kChannel: {
      tile(look.pressed, rect, 3.5);
      if (kind == ButtonKind::kChannel && look.pressed) {
        painter.setBrush(t.accent);
        painter.drawRoundedRect(QRectF(rect.left() + 4, rect.bottom() - 3, rect.width() - 8, 1.5), 0.75, 0.75);
      }
      QColor ink = look.lit ? lit : (look.pressed ? t.accent : t.glyph);
      DrawGlyph(painter, look.glyph, rect.translated(0, look.pressed ? 0.5 : 0), glyph_size, ink);
      break;
    }
    case ButtonKind::kPrimary: {
      if (look.pressed) {
        painter.setBrush(t.button_border);
        painter.drawRoundedRect(rect, 4, 4);
        QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
        fill.setColorAt(0, t.accent.lighter(112));
        fill.setColorAt(1, t.accent.darker(112));
        painter.setBrush(fill);
        painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), 3, 3);
        DrawGlyph(painter, look.glyph, rect.translated(0.6, 0.5), glyph_size, t.accent_ink);
      } else {
        tile(false, rect, 4);
        painter.setBrush(WithAlpha(t.accent, t.dark ? 40 : 28));
        painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), 3, 3);
        DrawGlyph(painter, look.glyph, rect.translated(0.6, 0), glyph_size, t.accent);
      }
      break;
    }
    case ButtonKind::kFlat: {
      QColor ink = t.text_dim;
      if (look.pressed) {
        const bool close = look.glyph == Glyph::kClose;
        painter.setBrush(close ? t.danger : WithAlpha(t.accent, t.dark ? 60 : 45));
        painter.drawRoundedRect(rect, 3, 3);
        ink = close ? QColor(255, 255, 255) : (t.dark ? t.text : t.accent.darker(130));
      }
      // Title-strip glyphs are outlines at 9 px; a thinner pen keeps their
      // counters open at 1x.
      DrawGlyph(painter, look.glyph, rect, std::min(glyph_size, 9.0), ink, 1.0);
      break;
    }
    case ButtonKind::kLogo:
      DrawLogoMark(painter, rect, look.pressed ? t.accent.lighter(115) : t.accent, t.dark ? t.accent_ink : t.panel,
                   look.pressed);
      break;
  }
  painter.restore();
}

void DrawTrack(QPainter& painter, const Theme& t, const QRectF& bounds, bool filled, bool centre_mark) {
  const qreal h = 4;
  const QRectF groove(bounds.left(), bounds.center().y() - h / 2, bounds.width(), h);
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(WithAlpha(QColor(255, 255, 255), t.dark ? 16 : 230));
  painter.drawRoundedRect(groove.adjusted(0, 0, 0, 1), h / 2, h / 2);
  if (filled) {
    QLinearGradient fill(groove.topLeft(), groove.bottomLeft());
    fill.setColorAt(0, t.accent.lighter(110));
    fill.setColorAt(1, t.accent.darker(110));
    painter.setBrush(fill);
  } else {
    painter.setBrush(t.groove);
  }
  painter.drawRoundedRect(groove, h / 2, h / 2);
  if (centre_mark) {
    painter.setBrush(filled ? t.accent_ink : t.text_dim);
    painter.drawRect(QRectF(bounds.center().x() - 0.5, bounds.top() + 1, 1, 2));
    painter.drawRect(QRectF(bounds.center().x() - 0.5, bounds.bottom() - 3, 1, 2));
  }
  painter.restore();
}

void DrawKnob(QPainter& painter, const Theme& t, const QRectF& rect, bool dragged) {
  painter.save();
  painter.setPen(Qt::NoPen);
  const qreal radius = std::min(rect.width(), rect.height()) / 2;
  painter.setBrush(dragged ? t.accent.darker(140) : t.knob_border);
  painter.drawRoundedRect(rect, radius, radius);
  QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
  const QColor face = dragged ? t.accent : t.knob;
  fill.setColorAt(0, face.lighter(106));
  fill.setColorAt(1, face.darker(t.dark ? 112 : 104));
  painter.setBrush(fill);
  painter.drawRoundedRect(rect.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
  painter.restore();
}

}  // namespace tazmel::skins
