#include "faces.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "paint.h"

namespace tazmel::skins {
namespace {

QColor Mix(QColor a, QColor b, qreal k) {
  return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * k, a.greenF() + (b.greenF() - a.greenF()) * k,
                          a.blueF() + (b.blueF() - a.blueF()) * k);
}

QColor WithAlpha(QColor c, int alpha) {
  c.setAlpha(alpha);
  return c;
}

// The window body: rounded outline ring, fill, and the lighter top edge.
void DrawBody(QPainter& p, const Theme& t, QSize size, int radius, const QBrush& fill) {
  const QRectF outer(0, 0, size.width(), size.height());
  p.setPen(Qt::NoPen);
  p.setBrush(t.outline);
  p.drawRoundedRect(outer, radius, radius);
  p.setBrush(fill);
  p.drawRoundedRect(outer.adjusted(1, 1, -1, -1), radius - 1, radius - 1);
  p.setBrush(t.top_edge);
  p.drawRect(QRectF(radius - 1, 1, size.width() - 2 * (radius - 1), 1));
}

ButtonLook LookOf(int index, const MainState& s, const Theme& t) {
  ButtonLook look;
  look.pressed = s.pressed;
  if (index < kChannelCount) return look;
  switch (index) {
    case kPageUp:
      look.glyph = Glyph::kChevronUp;
      break;
    case kPageDown:
      look.glyph = Glyph::kChevronDown;
      break;
    case kMainMenu:
      look.glyph = Glyph::kMenu;
      break;
    case kHide:
      look.glyph = Glyph::kMinimize;
      break;
    case kClose:
      look.glyph = Glyph::kClose;
      break;
    case kRecord:
      look.glyph = Glyph::kRecord;
      look.lit = s.recording;
      look.lit_color = t.danger;
      break;
    case kOpenFile:
      look.glyph = Glyph::kEject;
      break;
    case kPlayListFormShow:
      look.glyph = Glyph::kList;
      look.lit = !s.playlist_hidden;
      break;
    case kMute:
      look.glyph = s.muted ? Glyph::kSpeakerMuted : Glyph::kSpeaker;
      look.lit = s.muted;
      look.lit_color = t.danger;
      break;
    case kPrevious:
      look.glyph = Glyph::kPrevious;
      break;
    case kStop:
      look.glyph = Glyph::kStop;
      break;
    case kPause:
      look.glyph = Glyph::kPause;
      break;
    case kPlay:
      look.glyph = Glyph::kPlay;
      break;
    case kNext:
      look.glyph = Glyph::kNext;
      break;
    case kAddVolume:
      look.glyph = Glyph::kPlus;
      break;
    case kDecVolume:
      look.glyph = Glyph::kMinus;
      break;
    case kMP3:
      look.glyph = Glyph::kNote;
      look.lit = s.music_list;
      break;
    case kAbout:
      look.glyph = Glyph::kInfo;
      break;
    case kWebsite:
      look.glyph = Glyph::kGlobe;
      break;
    case kVoiceClock:
      look.glyph = Glyph::kClock;
      break;
    default:
      break;
  }
  return look;
}

void DrawIndicator(QPainter& p, const QRectF& r, Glyph glyph, QColor color) {
  DrawGlyph(p, glyph, r, std::min(r.width(), r.height()) * 0.62, color, 1.2);
}

}  // namespace

QImage RenderMain(const SkinDesign& d, int scale, const MainState& s) {
  const Theme& t = d.theme;
  const MainLayout& m = d.main;
  QImage canvas = NewCanvas(m.size, scale);
  QPainter p;
  BeginPainter(p, canvas, scale);

  QLinearGradient body(0, 0, 0, m.size.height());
  body.setColorAt(0, t.body_top);
  body.setColorAt(1, t.body_bottom);
  DrawBody(p, t, m.size, m.corner_radius, body);
  if (!m.title_divider.isEmpty()) {
    p.fillRect(QRectF(m.title_divider), WithAlpha(t.outline, t.dark ? 255 : 90));
    p.fillRect(QRectF(m.title_divider).translated(0, 1), WithAlpha(QColor(255, 255, 255), t.dark ? 14 : 255));
  }
  for (const QRect& panel : m.panels) DrawInset(p, t, QRectF(panel), 4);
  DrawWordmark(p, QRectF(m.wordmark), t.text, 1.35);

  // Everything that changes between the faces stays inside its own
  // rectangle, so the faces are equal everywhere else.
  auto clipped = [&](const QRect& r, auto&& draw) {
    if (r.isEmpty()) return;
    p.save();
    p.setClipRect(r);
    draw(QRectF(r));
    p.restore();
  };
  for (int i = 0; i < kMainButtonCount; ++i) {
    clipped(m.buttons[i], [&](const QRectF& r) { DrawButton(p, t, m.kinds[i], r, LookOf(i, s, t)); });
  }
  clipped(m.volume_bar, [&](const QRectF& r) { DrawTrack(p, t, r, s.pressed, false); });
  clipped(m.equation_bar, [&](const QRectF& r) { DrawTrack(p, t, r, s.pressed, true); });
  clipped(m.progress_bar, [&](const QRectF& r) { DrawTrack(p, t, r, s.pressed, false); });

  const QColor off = WithAlpha(t.text_dim, t.dark ? 110 : 130);
  clipped(m.play_state, [&](const QRectF& r) {
    const int state = s.pressed ? 1 : s.play_state;
    switch (state) {
      case 0:
        DrawIndicator(p, r, Glyph::kRing, t.accent);
        break;
      case 1:
        DrawIndicator(p, r, Glyph::kPlay, t.accent);
        break;
      case 2:
        DrawIndicator(p, r, Glyph::kPause, t.accent);
        break;
      default:
        DrawIndicator(p, r, Glyph::kStop, off);
        break;
    }
  });
  clipped(m.sound_state, [&](const QRectF& r) {
    DrawIndicator(p, r, s.pressed ? Glyph::kSpeakerMuted : Glyph::kSpeaker, s.pressed ? t.danger : off);
  });
  clipped(m.record_state, [&](const QRectF& r) {
    if (s.pressed) {
      p.setPen(Qt::NoPen);
      p.setBrush(WithAlpha(t.danger, 60));
      p.drawEllipse(r.center(), 5.5, 5.5);
      DrawIndicator(p, r, Glyph::kRecord, t.danger);
    } else {
      DrawIndicator(p, r, Glyph::kRing, off);
    }
  });
  p.end();
  return Flatten(canvas, d.mask, t.outline);
}

QImage RenderPlayList(const SkinDesign& d, int scale, bool pressed) {
  const Theme& t = d.theme;
  const PlayListLayout& l = d.playlist;
  const int w = l.size.width(), h = l.size.height();
  QImage canvas = NewCanvas(l.size, scale);
  QPainter p;
  BeginPainter(p, canvas, scale);

  // The side bands tile vertically and the top and bottom bands
  // horizontally, so each band may only vary across its own thickness.
  const QColor middle = Mix(t.body_top, t.body_bottom, 0.5);
  DrawBody(p, t, l.size, l.corner_radius, middle);
  p.save();
  QPainterPath inner;
  inner.addRoundedRect(QRectF(1, 1, w - 2, h - 2), l.corner_radius - 1, l.corner_radius - 1);
  p.setClipPath(inner);
  QLinearGradient title(0, 0, 0, l.title_height);
  title.setColorAt(0, t.body_top);
  title.setColorAt(1, middle);
  p.fillRect(QRectF(0, 2, w, l.title_height - 2), title);
  QLinearGradient bottom(0, h - l.bottom_height, 0, h);
  bottom.setColorAt(0, middle);
  bottom.setColorAt(1, t.body_bottom);
  p.fillRect(QRectF(0, h - l.bottom_height, w, l.bottom_height - 1), bottom);
  p.restore();

  // The list sits in a 1 px rim; the panel covers the inside at run time.
  p.fillRect(QRectF(l.rect.adjusted(-1, -1, 1, 1)), t.panel_border);
  p.fillRect(QRectF(l.rect), d.tree.back);

  DrawLogoMark(p, QRectF(8, (l.title_height - 14) / 2.0, 14, 14), t.accent, t.dark ? t.accent_ink : t.panel, false);
  DrawWordmark(p, QRectF(l.wordmark), t.text, 1.35);
  const QRect& grip_piece = l.pieces[2];
  p.setPen(Qt::NoPen);
  p.setBrush(WithAlpha(t.text_dim, 150));
  for (int k = -1; k <= 1; ++k) {
    p.drawEllipse(QPointF(grip_piece.center().x() + 0.5 + 5 * k, l.title_height / 2.0), 1, 1);
  }

  // Scroll track: rounded ends sit in the corner pieces, the straight part in
  // the tile between them.
  const QRectF orbit(l.orbit);
  p.setBrush(t.groove);
  p.drawRoundedRect(orbit.adjusted(1, 0, -1, 0), 3, 3);

  // A divider between the editing buttons and find/channel.
  const QRect& bl = l.buttons[3];
  const QRect& fb = l.buttons[4];
  const qreal divider = (bl.right() + 1 + fb.left()) / 2.0;
  p.fillRect(QRectF(divider - 0.5, bl.top() + 3, 1, bl.height() - 6), WithAlpha(t.text_dim, 90));

  // Resize grip: three dots in the bottom-right corner.
  p.setBrush(WithAlpha(t.text_dim, 160));
  for (QPointF dot : {QPointF(w - 5, h - 9), QPointF(w - 9, h - 5), QPointF(w - 5, h - 5)}) {
    p.drawEllipse(dot, 0.9, 0.9);
  }

  static constexpr Glyph kGlyphs[kPlayListButtonCount] = {Glyph::kPlus,  Glyph::kFolder,    Glyph::kPencil,
                                                          Glyph::kTrash, Glyph::kSearch,    Glyph::kHash,
                                                          Glyph::kClose, Glyph::kChevronUp, Glyph::kChevronDown};
  for (int i = 0; i < kPlayListButtonCount; ++i) {
    const QRect& r = l.buttons[i];
    const ButtonKind kind = i < 6 ? ButtonKind::kTile : ButtonKind::kFlat;
    p.save();
    p.setClipRect(r);
    DrawButton(p, t, kind, QRectF(r), ButtonLook{kGlyphs[i], pressed, false, QColor()});
    p.restore();
  }
  p.end();
  return Flatten(canvas, d.mask, t.outline);
}

QImage RenderAdd(const SkinDesign& d, int scale) {
  const Theme& t = d.theme;
  const MainLayout& m = d.main;
  const AddLayout layout = PackAddFace(d);
  QImage add(layout.size * scale, QImage::Format_RGB888);
  add.fill(d.add_mask);
  QPainter p(&add);
  auto copy = [&](const std::string& key, const QImage& from, const QRect& source) {
    const QRect to = layout.Find(key);
    p.drawImage(to.topLeft() * scale, from, QRect(source.topLeft() * scale, source.size() * scale));
  };

  struct Alternate {
    std::string key;
    int button;
    MainState state;
  };
  MainState recording, muted, music, hidden;
  recording.recording = true;
  muted.muted = true;
  music.music_list = true;
  hidden.playlist_hidden = true;
  for (const Alternate& alt :
       {Alternate{"bRecord", kRecord, recording}, Alternate{"bMute", kMute, muted}, Alternate{"bMP3", kMP3, music},
        Alternate{"bPlayListFormHide", kPlayListFormShow, hidden}}) {
    MainState down = alt.state;
    down.pressed = true;
    copy(alt.key, RenderMain(d, scale, alt.state), m.buttons[alt.button]);
    copy(alt.key + "_Down", RenderMain(d, scale, down), m.buttons[alt.button]);
  }
  MainState ready, paused;
  ready.play_state = 0;
  paused.play_state = 2;
  copy("sReady", RenderMain(d, scale, ready), m.play_state);
  copy("sPause", RenderMain(d, scale, paused), m.play_state);

  const QImage playlist_down = RenderPlayList(d, scale, true);
  for (int i = 0; i < kPlayListButtonCount; ++i) {
    copy(std::string(PlayListButtonKey(i)) + "_Down", playlist_down, d.playlist.buttons[i]);
  }

  // Thumbs: hard-edged against the key colour, their soft edge blended with
  // the colour they usually sit on.
  const QColor on_body = Mix(t.body_top, t.body_bottom, 0.8);
  auto thumb = [&](const std::string& key, QSize size, bool dragged, QColor under) {
    QImage canvas = NewCanvas(size, scale);
    QPainter knob;
    BeginPainter(knob, canvas, scale);
    DrawKnob(knob, t, QRectF(QPointF(0, 0), QSizeF(size)), dragged);
    knob.end();
    const QImage flat = Flatten(canvas, d.add_mask, under);
    p.drawImage(layout.Find(key).topLeft() * scale, flat);
  };
  for (const char* key : {"bVolumeMove", "bEquationMove"}) {
    thumb(key, m.knob, false, on_body);
    thumb(std::string(key) + "_Down", m.knob, true, on_body);
  }
  thumb("bProgressMove", m.progress_knob, false, on_body);
  thumb("bProgressMove_Down", m.progress_knob, true, on_body);
  thumb("bScrollMove", d.playlist.thumb, false, t.groove);
  thumb("bScrollMove_Down", d.playlist.thumb, true, t.groove);
  p.end();
  return add;
}

QImage RenderDigits(const SkinDesign& d, const DigitStrip& strip, int scale) {
  const QSize size(strip.cell.width() * 12, strip.cell.height());
  QImage canvas = NewCanvas(size, scale);
  canvas.fill(d.theme.panel);
  QPainter p;
  BeginPainter(p, canvas, scale);
  for (int i = 0; i < 12; ++i) {
    const QRectF cell(i * strip.cell.width(), 0, strip.cell.width(), strip.cell.height());
    DrawDigitCell(p, cell, i, d.theme.accent, d.theme.digit_ghost, strip.stroke);
  }
  p.end();
  QImage out = canvas.convertToFormat(QImage::Format_RGB888);
  // The display takes the lower-left pixel as its transparent colour.
  out.setPixelColor(0, out.height() - 1, d.theme.panel);
  return out;
}

}  // namespace tazmel::skins
